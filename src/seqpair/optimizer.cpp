// The insertion optimiser: move one block at a time to its best insertion
// point, accept by a temperature-controlled threshold rule, and go back to the
// best floorplan with changed weights when no better one appears for a while.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"

void CopyDualSeq(const tagDualSeq* from, tagDualSeq* to) {
  const int entries = from->count + 2;
  auto copy = [entries](const std::vector<int>& a, std::vector<int>& b) {
    std::copy(a.begin(), a.begin() + entries, b.begin());
  };
  copy(from->next_a, to->next_a);
  copy(from->next_b, to->next_b);
  copy(from->prev_a, to->prev_a);
  copy(from->prev_b, to->prev_b);
  copy(from->pos_a, to->pos_a);
  copy(from->pos_b, to->pos_b);
  copy(from->rpos_a, to->rpos_a);
  copy(from->rpos_b, to->rpos_b);
  copy(from->tier, to->tier);
}

void SaveOptG(tagBLOCK** blka, tagPIN** pada, tagDualSeq* work, tagDualSeq* best, tagOptSolution* sol) {
  const int n = work->count, terminals = blka[0]->pin_count;
  if (sol->x.size() < static_cast<size_t>(n) + static_cast<size_t>(terminals)) {
    sol->x.resize(n + terminals);
    sol->y.resize(n + terminals);
  }
  optsize_h = mxdstha;
  optsize_v = mxdstva;
  optngap_h = ngap_h;
  optngap_v = ngap_v;
  optngap = ngap_h + ngap_v;
  for (int b = 1; b <= n; ++b) {
    sol->x[b - 1] = blka[b]->x;
    sol->y[b - 1] = blka[b]->y;
    sol->orient[b] = blka[b]->orient;
    sol->width[b - 1] = blka[b]->width;
    sol->height[b - 1] = blka[b]->height;
  }
  for (int k = 1; k <= terminals; ++k) {
    sol->x[n + k - 1] = pada[k]->x;
    sol->y[n + k - 1] = pada[k]->y;
  }
  CopyDualSeq(work, best);
}

int RestoreOptG(tagBLOCK** blka, tagPIN** pada, tagDualSeq* work, tagDualSeq* best, tagOptSolution* sol) {
  const int n = work->count, terminals = blka[0]->pin_count;
  // Nothing saved yet: the working floorplan is the best one there is.
  if (sol->x.size() < static_cast<size_t>(n) + static_cast<size_t>(terminals)) return 0;
  mxdstha = optsize_h;
  mxdstva = optsize_v;
  for (int b = 1; b <= n; ++b) {
    blka[b]->x = sol->x[b - 1];
    blka[b]->y = sol->y[b - 1];
    blka[b]->orient = sol->orient[b];
    blka[b]->width = sol->width[b - 1];
    blka[b]->height = sol->height[b - 1];
  }
  for (int k = 1; k <= terminals; ++k) {
    pada[k]->x = sol->x[n + k - 1];
    pada[k]->y = sol->y[n + k - 1];
  }
  CopyDualSeq(best, work);
  return 0;
}

namespace {

struct OptimizeStatus {
  int iteration;
  int block;
  double value;
  double threshold;
  double threshold_at_start;
  double wire;
  double best;
  double best_printed;
};

void OutStatus(OptimizeStatus& s, const tagPARAMETERS* params) {
  std::printf("%5d|%4d:", s.iteration, s.block);
  if (params->trace == 1) std::printf("%7.2f", s.value);
  std::printf("%3d ", p_stacks->top);
  std::printf("%7.0f%c{A=(%5.1f) L=%7.0f G=%5.0f %5.0f", s.threshold,
              s.threshold > s.threshold_at_start ? '*' : ' ', 100.0 * mxdstha * mxdstva / zarea_all, s.wire,
              ngap_h, ngap_v);
  std::printf("} |");
  if (s.best != s.best_printed) {
    std::printf("%7.0f", s.best);
    s.best_printed = s.best;
  }
  std::printf("\n");
}

bool HasMovableBlock(tagBLOCK** blka, int n) {
  for (int b = 1; b <= n; ++b)
    if (blka[b]->kind == 0) return true;
  return false;
}

// Every block draws a number and the largest draw wins; drawn again until
// the winner is movable.
int ChooseByDraw(tagBLOCK** blka, int n) {
  int chosen;
  do {
    double largest = -99999.0;
    chosen = 1;
    for (int b = 1; b <= n; ++b) {
      double draw = grandom();
      if (draw > largest) {
        largest = draw;
        chosen = b;
      }
    }
  } while (blka[chosen]->kind != 0);
  return chosen;
}

}  // namespace

int Optimize(int iterations, tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* work,
             tagDualSeq* best, tagOptSolution* sol, tagINSCANDS* cands, tagLevelList* levels,
             tagNORMPARA* norm, tagPARAMETERS* params) {
  const int n = work->count;
  if (iterations < 1) return 0;
  if (!HasMovableBlock(blka, n)) {
    std::printf("No movable block: the floorplan stays as it is.\n");
    return 0;
  }
  OptimizeStatus status{0, 0, 0.0, kInfinity, kInfinity, 0.0, kInfinity, kInfinity};
  int idle = 0;
  // Under a CPU limit the schedule runs on the time spent instead of the
  // iterations made, and ends with the time.
  const int limit_ms = 1000 * params->time_limit;
  const int start_ms = GetCpuTime();
  if (limit_ms > 0) std::printf("CPU time limit: %d s.\n", params->time_limit);
  for (int iteration = 1;; ++iteration) {
    const int spent_ms = limit_ms > 0 ? GetCpuTime() - start_ms : 0;
    if (limit_ms > 0 ? spent_ms >= limit_ms : iteration > iterations) break;
    status.iteration = iteration;
    status.threshold_at_start = status.threshold;
    if (params->trace == 1) OutStatus(status, params);

    const int b = ChooseByDraw(blka, n);
    status.block = b;
    tagBLOCK moved = *blka[b];
    moved.kind = 0;
    RemoveCell(b, work, p_stacks);
    FindInsPoint(&moved, cands, blka, pada, work, levels, norm, params);
    const double v = SelectInsPoint(&moved, cands, blka, neta, pada, work, levels, norm, params);
    const int k = cands->chosen;
    bool accepted = false;
    if (k != 0) {
      ngap_h = cands->chosen_gap_h;
      ngap_v = cands->chosen_gap_v;
      mxdstva = std::max(cands->height[k], mxdstv);
      mxdstha = std::max(cands->width[k], mxdsth);
      status.value = v;
      status.wire = cands->chosen_wire_h + cands->chosen_wire_v;
      const double progress = limit_ms > 0 ? static_cast<double>(spent_ms) / limit_ms
                                           : static_cast<double>(iteration) / iterations;
      const double temperature = std::pow(params->t_base, progress);
      const double excess = (v / status.threshold - 1.0) * 0.1;
      accepted = excess <= 0 ? grandom() < 1.0 : std::exp(-params->d_mult * excess / temperature) > grandom();
    }
    if (!accepted) {
      UndoRemove(b, work, p_stacks);
    } else {
      InsertCandidate(b, cands, k, blka, work, p_stacks);
      ReLabel(work);
      // A floorplan that pushes bounded blocks further off their places than
      // the best one never replaces it, whatever its objective: the gap cost
      // steers the search, but only this keeps a preplaced block that sat at
      // its place in the best floorplan there in the result.
      const int by_gap = CompareGaps(ngap_h + ngap_v, optngap);
      if (by_gap < 0 || (by_gap == 0 && v < status.best)) {
        SaveOptG(blka, pada, work, best, sol);
        idle = 0;
        status.best = v;
      }
    }
    if (status.best != status.best_printed) OutStatus(status, params);

    if (++idle > params->idle_g) {
      RestoreOptG(blka, pada, work, best, sol);
      ReLabel(work);
      SetNewWeight(params);
      CalcObj(blka, neta, pada, work, levels, norm, params);
      // The best floorplan, its soft blocks reshaped where that shortens a
      // side or the nets, is a better best.
      if (ReshapeSoftBlocks(blka, neta, pada, work, levels, norm, params))
        SaveOptG(blka, pada, work, best, sol);
      status.best = FloorplanObjective(cands->chosen_wire_h + cands->chosen_wire_v, params);
      status.threshold = 1.05 * status.best;
      OutStatus(status, params);
      idle = 0;
    }
  }
  return 0;
}
