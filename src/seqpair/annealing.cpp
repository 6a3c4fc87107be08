// Simulated annealing over insertion moves: a random movable block is put
// back at its best insertion point, and the move is judged against the
// current floorplan by the relative improvement under a geometric schedule,
// in rounds from new tier splits while the best floorplan misses the outline.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace {

struct Score {
  double area;
  double wire;
  int vias;
};

struct AnnealStatus {
  int moves;
  int block;
  double gain;       // improvement of the last move over the current floorplan
  double best_gain;  // improvement of the last new best over the previous best
  Score current;
};

void OutStatusImpVersion(const AnnealStatus& s, const tagPARAMETERS* params) {
  std::printf("%5d|%4d:", s.moves, s.block);
  if (params->trace == 1) std::printf("%7.4f", s.gain);
  std::printf("%7.4f%c{A=(%5.1f, acost=%5.0f) L=%7.0f V=%4d", s.gain, s.gain > 0 ? '*' : ' ',
              100.0 * mxdstha * mxdstva / zarea_all, s.current.area, s.current.wire, s.current.vias);
  std::printf("} |");
  if (s.best_gain != 0) std::printf("%7.4f", s.best_gain);
  std::printf("\n");
}

// A block may move when it is movable and shares its tier with a neighbour
// in A, so that its tier keeps at least one other block.
bool CanMove(const tagBLOCK* blk, const tagDualSeq* seq) {
  if (blk->kind != 0) return false;
  const int b = blk->id, next = seq->next_a[b], prev = seq->prev_a[b];
  return (next != 0 && seq->tier[next] == seq->tier[b]) || (prev != 0 && seq->tier[prev] == seq->tier[b]);
}

bool AnyMovable(tagBLOCK** blka, const tagDualSeq* seq) {
  for (int b = 1; b <= seq->count; ++b)
    if (CanMove(blka[b], seq)) return true;
  return false;
}

int ChooseBlock(tagBLOCK** blka, const tagDualSeq* seq) {
  int b;
  do b = genrand_int31() % seq->count + 1;
  while (!CanMove(blka[b], seq));
  return b;
}

// The gain is a relative change (a loss of 1% is -0.01) and the temperature
// runs from thousands down to about a hundred, so gain / T alone passes
// almost every move and the schedule never cools: the run stays a random walk
// that large designs never steer into the outline. The temperature therefore
// counts in units of 1e-5 relative change: at the first temperature (50000)
// a loss of 50% passes with probability 1/e, at the last (100) one of 0.1%.
constexpr double kGainPerDegree = 1e5;

bool BestFitsOutline() { return optsize_h <= shape_h && optsize_v <= shape_v; }

bool Accepts(float gain, int temperature) {
  if (gain > 0) return true;
  double r = (genrand_int31() % 100000) / 100000.0;
  return std::exp(gain * kGainPerDegree / temperature) > r;
}

// Whether the tier split can stop changing: once the tiers hold even loads a
// block changes tier only if it fits into what a tier may hold past its
// share, and blocks of mean area larger than that mostly do not.
bool SplitCanFreeze(tagBLOCK** blka, const tagDualSeq* seq, const tagPARAMETERS* params) {
  double total = 0.0, movable_area = 0.0;
  int movable = 0;
  for (int b = 1; b <= seq->count; ++b) {
    const double area = blka[b]->width * blka[b]->height;
    total += area;
    if (blka[b]->kind != 0) continue;
    movable_area += area;
    ++movable;
  }
  return movable > 0 && movable_area / movable > total / tier_no * TierShareSlack(params);
}

// Under a CPU limit a design of the full search starts from shelves, which
// fit but hold the blocks in rows that a second's moves cannot undo. For
// the first kEasedShare of the time the annealing therefore runs in an
// outline kOutlineEase larger each way, where blocks leave their shelves.
// Then the true outline holds, and while the working floorplan passes it
// each move takes a block on a path that sets a side past it (a random
// block often lies on none, and the floorplan would not come back in
// time); from kWireBlindShare of the time on, such a move weighs the
// outline alone, so that the floorplan comes back whatever its wires. Only
// floorplans that fit the true outline are recorded, the start first, so
// the best always fits. The schedule cools down to kEasedEndTemperature,
// so that more of the time goes to the cool end, where the floorplan comes
// back in.
constexpr double kOutlineEase = 0.03;
constexpr double kEasedShare = 0.5;
constexpr double kWireBlindShare = 0.9;
constexpr int kEasedEndTemperature = 50;

// The outline as the annealing found it, put back however the annealing
// ends.
struct OutlineKeeper {
  double h, v;
  OutlineKeeper(const OutlineKeeper&) = delete;
  OutlineKeeper& operator=(const OutlineKeeper&) = delete;
  ~OutlineKeeper() {
    shape_h = h;
    shape_v = v;
  }
};

// A score every floorplan beats: the current and best scores before any move.
const Score kWorst{kInfinity, kInfinity, kIntInfinity};

// The optimiser's inputs and the state it carries from round to round.
struct Annealing {
  tagBLOCK** blka;
  tagNET** neta;
  tagPIN** pada;
  tagDualSeq* work;
  tagDualSeq* best;
  tagOptSolution* sol;
  tagINSCANDS* cands;
  tagLevelList* levels;
  tagNORMPARA* norm;
  tagPARAMETERS* params;
  Score start;  // as the driver evaluated and saved it
  AnnealStatus status{0, 0, 0.0, 0.0, kWorst};
  Score best_score = kWorst;
  int recorded = 0;       // new bests saved so far
  bool keep_fit = false;  // the best fits and a later round may only replace it by a fit
  bool stop = false;
  // The true outline; the CPU ms at which an eased outline ends (0: the
  // outline is the true one), and the CPU ms from which a move that brings
  // the floorplan in weighs the outline alone (0: it was never eased).
  OutlineKeeper outline{shape_h, shape_v};
  int eased_until = 0;
  int wire_blind_from = 0;
  std::vector<int> squeezable{};  // reused by every squeeze move
};

bool WasEased(const Annealing& a) { return a.wire_blind_from > 0; }

// Saves the working floorplan, of score `next`, when it is the best so far.
// Less bound excess wins first, as in the insertion optimiser: the best
// floorplan never pushes bounded blocks further than the saved one.
void KeepIfBest(Annealing& a, const Score& next) {
  if (a.eased_until > 0 && (mxdstha > a.outline.h || mxdstva > a.outline.v)) return;
  const tagPARAMETERS* params = a.params;
  const double best_gain = improvement(a.best_score.area, next.area, a.best_score.wire, next.wire,
                                       a.best_score.vias, next.vias, a.params);
  const int by_gap = CompareGaps(ngap_h + ngap_v, optngap);
  const bool keeps_fit = !a.keep_fit || next.area <= 0.0;
  if (keeps_fit && (by_gap < 0 || (by_gap == 0 && (a.recorded == 0 || best_gain > 0)))) {
    SaveOptG(a.blka, a.pada, a.work, a.best, a.sol);
    a.best_score = next;
    a.status.best_gain = best_gain;
    ++a.recorded;
    a.stop = params->opt_wire == 0 && params->wgt_via == 0 && params->opt_ws_dist == 0 && BestFitsOutline();
  }
}

// The schedule's end: lower after an eased outline.
int EndTemperature(const Annealing& a) {
  return WasEased(a) ? std::min(a.params->end_tempe, kEasedEndTemperature) : a.params->end_tempe;
}

// A movable block on a path that sets a side past the outline, packed as
// it stands; 0 when the working floorplan fits or none can move.
int BlockSettingOverflow(Annealing& a) {
  PackFloorplan(a.blka, a.pada, a.work, a.levels, a.norm);
  const bool wide = mxdstha > shape_h, tall = mxdstva > shape_v;
  if (!wide && !tall) return 0;
  const int n = a.work->count;
  CalCoords_TR(a.blka, ndpos_y_top, ndpos_x_lft, a.work, a.levels, p_btree, p_rtree, n + 1);
  std::vector<int>& setting = a.squeezable;
  setting.clear();
  for (int b = 1; b <= n; ++b) {
    if (!CanMove(a.blka[b], a.work)) continue;
    const Slack slack = SlackOf(a.blka[b], a.work, a.levels, mxdstha, mxdstva);
    if ((wide && CompareGaps(slack.x, 0.0) <= 0) || (tall && CompareGaps(slack.y, 0.0) <= 0))
      setting.push_back(b);
  }
  return setting.empty() ? 0 : setting[genrand_int31() % setting.size()];
}

// Eases the outline when the start fits it, the start counting as recorded,
// so that only a floorplan that fits replaces it.
void BeginEasing(Annealing& a, int limit_ms) {
  PackFloorplan(a.blka, a.pada, a.work, a.levels, a.norm);
  if (mxdstha > shape_h || mxdstva > shape_v) return;
  a.best_score = a.start;
  a.recorded = 1;
  shape_h *= 1.0 + kOutlineEase;
  shape_v *= 1.0 + kOutlineEase;
  const int now = GetCpuTime();
  a.eased_until = now + static_cast<int>(kEasedShare * limit_ms);
  a.wire_blind_from = now + static_cast<int>(kWireBlindShare * limit_ms);
  std::printf("The outline eased by %.0f%% for %.0f%% of the time; the annealing cools to %d.\n",
              100.0 * kOutlineEase, 100.0 * kEasedShare, EndTemperature(a));
}

// The true outline again, once its time has come: the working floorplan is
// judged against it.
void FollowEasing(Annealing& a) {
  if (a.eased_until == 0 || GetCpuTime() < a.eased_until) return;
  a.eased_until = 0;
  shape_h = a.outline.h;
  shape_v = a.outline.v;
  const double wire = CalcObj(a.blka, a.neta, a.pada, a.work, a.levels, a.norm, a.params);
  a.status.current = Score{PackedAreaCost(a.params), wire, a.status.current.vias};
  std::printf("The true outline again.\n");
  KeepIfBest(a, a.status.current);
}

// One move of a random block to its best insertion point, judged at T;
// after an eased outline, while the floorplan passes the true one, of a
// block that sets a side past it. Writes seven globals itself: ngap_h,
// ngap_v, mxdstha, mxdstva (from the chosen candidate, before the move is judged), la_sv_num and la_net_area
// (accepted, with opt_ws_dist) and inter_layer_vias (accepted); besides
// those of RemoveCell, FindInsPoint, SelectInsPoint, InsertCell and SaveOptG.
void Move(Annealing& a, int T) {
  tagDualSeq* work = a.work;
  tagINSCANDS* cands = a.cands;
  tagPARAMETERS* params = a.params;
  AnnealStatus& status = a.status;
  const bool squeeze = WasEased(a) && a.eased_until == 0 && status.current.area > 0.0;
  const int setting = squeeze ? BlockSettingOverflow(a) : 0;
  std::optional<tagPARAMETERS> outline_only;
  if (setting != 0 && GetCpuTime() >= a.wire_blind_from) {
    outline_only.emplace(*a.params).deltnt_wgt = 0.0;
    params = &*outline_only;
  }
  const int b = setting != 0 ? setting : ChooseBlock(a.blka, work);
  status.block = b;
  ++status.moves;
  tagBLOCK moved = *a.blka[b];
  RemoveCell(b, work, p_stacks);
  FindInsPoint(&moved, cands, a.blka, a.pada, work, a.levels, a.norm, params);
  // The move takes the best insertion point, but when that changes nothing
  // (mostly the block's old place) one of the best few at random: otherwise
  // the floorplan stays where no move changes anything, whatever the
  // temperature, and small designs stop a few percent outside the outline.
  // The acceptance rule judges the random one.
  int k = 0;
  Score next = kWorst;
  float gain = 0.0f;
  for (int pass = 0; pass < 2; ++pass) {
    if (pass == 1) KeepRandomIpCand(cands, params);
    SelectInsPoint(&moved, cands, a.blka, a.neta, a.pada, work, a.levels, a.norm, params);
    k = cands->chosen;
    if (k == 0) break;
    next = Score{cands->chosen_area_cost, cands->chosen_wire_h + cands->chosen_wire_v,
                 cands->via_delta[k] + inter_layer_vias};
    gain = static_cast<float>(improvement(status.current.area, next.area, status.current.wire, next.wire,
                                          status.current.vias, next.vias, params));
    if (gain != 0.0f) break;
  }
  if (k == 0) {
    UndoRemove(b, work, p_stacks);
    return;
  }
  ngap_h = cands->chosen_gap_h;
  ngap_v = cands->chosen_gap_v;
  mxdstva = std::max(cands->height[k], mxdstv);
  mxdstha = std::max(cands->width[k], mxdsth);
  status.gain = gain;
  if (!Accepts(gain, T)) {
    UndoRemove(b, work, p_stacks);
    return;
  }
  InsertCandidate(b, cands, k, a.blka, work, p_stacks);
  if (params->opt_ws_dist)
    for (int t = 0; t < tier_no; ++t) {
      la_sv_num[t] += cands->tier_vias[k][t];
      la_net_area[t] += cands->tier_area[k][t];
    }
  status.current = next;
  inter_layer_vias = next.vias;
  KeepIfBest(a, next);
}

// At the end of a temperature: the soft blocks that set a side of the
// working floorplan take new shapes, and the reshaped floorplan becomes the
// current one (and the best, when it is).
void ReshapeAtTemperatureEnd(Annealing& a) {
  if (!ReshapeSoftBlocks(a.blka, a.neta, a.pada, a.work, a.levels, a.norm, a.params)) return;
  const Score reshaped{PackedAreaCost(a.params), SetNetLength(a.blka, a.neta, a.pada, 3, a.params),
                       a.status.current.vias};
  a.status.current = reshaped;
  KeepIfBest(a, reshaped);
}

// The schedule's temperatures, hottest first, above `end_tempe`.
std::vector<int> Temperatures(const tagPARAMETERS* params, int end_tempe) {
  std::vector<int> temps;
  for (int T = params->start_tempe; end_tempe < T;) {
    temps.push_back(T);
    // The schedule must cool; a ratio of 1 or more would never end it.
    const int cooler = static_cast<int>(static_cast<float>(params->cooling_ratio) * static_cast<float>(T));
    if (cooler >= T) break;
    T = cooler;
  }
  return temps;
}

// Under a CPU limit, the share of the time left that temperature i of k
// gets. The floorplan shrinks into the outline at the cool end, where moves
// that cost area stop passing, so the shares grow towards it: the coolest
// temperature gets eleven times the hottest one's (on n300, 1 tier, 10%
// white space and 5 s, 9 of 10 seeds fit against 5 of 10 with equal shares).
double ShareOfRest(size_t i, size_t k) {
  const auto weight = [k](size_t j) {
    return 1.0 + 10.0 * static_cast<double>(j) / static_cast<double>(std::max<size_t>(1, k - 1));
  };
  double rest = 0.0;
  for (size_t j = i; j < k; ++j) rest += weight(j);
  return weight(i) / rest;
}

// One pass through the temperature schedule; with `end_ms` (CPU time) each
// temperature moves until its share of the time left is spent, so the moves
// per temperature follow the measured cost of a move; otherwise it makes the
// schedule's count of moves. With `counted` as well, a temperature stops at
// the count too, and the shares are even: the count asks the same of every
// temperature, and a temperature that ends early leaves its time to the
// later ones.
void Anneal(Annealing& a, int end_ms, bool counted) {
  const tagPARAMETERS* params = a.params;
  // Single precision as the schedule is defined; capped, as a count beyond
  // an int would not convert.
  const float moves = static_cast<float>(params->iterations) / 100.0f * static_cast<float>(a.work->count);
  const int moves_per_temperature =
      moves < static_cast<float>(kIntInfinity) ? static_cast<int>(moves) : kIntInfinity;
  const std::vector<int> temps = Temperatures(params, EndTemperature(a));
  for (size_t i = 0; i < temps.size() && !a.stop; ++i) {
    const int T = temps[i];
    std::printf("Temperature: %d\n", T);
    OutStatusImpVersion(a.status, params);
    int slice_end = 0;
    if (end_ms > 0) {
      const int now = GetCpuTime();
      const double share =
          counted ? 1.0 / static_cast<double>(temps.size() - i) : ShareOfRest(i, temps.size());
      slice_end = now + static_cast<int>(std::max(0, end_ms - now) * share);
    }
    const auto more = [&](int m) {
      if (end_ms > 0 && GetCpuTime() >= slice_end) return false;
      return (end_ms > 0 && !counted) || m < moves_per_temperature;
    };
    for (int m = 1; more(m) && !a.stop; ++m) {
      if (!AnyMovable(a.blka, a.work)) {
        std::printf("No block can be moved: every block is fixed or alone on its tier.\n");
        a.stop = true;
        break;
      }
      FollowEasing(a);
      Move(a, T);
    }
    ReshapeAtTemperatureEnd(a);
  }
}

}  // namespace

int SimulatedAnnealing(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* work, tagDualSeq* best,
                       tagOptSolution* sol, tagINSCANDS* cands, tagLevelList* levels, tagNORMPARA* norm,
                       tagPARAMETERS* params) {
  // The start, as the driver evaluated and saved it, stays the best until a
  // move replaces it; its values are then the ones to report.
  const Score start{0.0, SetNetLength(blka, neta, pada, 3, params), inter_layer_vias};
  Annealing a{blka, neta, pada, work, best, sol, cands, levels, norm, params, start};
  // With few large blocks per tier no single move can exchange blocks
  // between tiers once their loads are even, so the first split holds for
  // the whole run, and some splits cannot be packed into the outline at all.
  // Another round from a new random split is then the way out; with many
  // small blocks the split keeps changing and a round would only cost time.
  const bool can_freeze = tier_no > 1 && tier_respread && SplitCanFreeze(blka, work, params);
  const int rounds = can_freeze ? std::max(1, params->anneal_rounds) : 1;
  const int limit_ms = 1000 * params->time_limit;
  const int end_ms = limit_ms > 0 ? GetCpuTime() + limit_ms : 0;
  if (limit_ms > 0) std::printf("CPU time limit: %d s.\n", params->time_limit);
  const int n = work->count;
  if (end_ms > 0 && rounds == 1 && n <= kFullSearchBlocks && StartsFromShelves(n, params) &&
      AllBlocksMovable(blka, n))
    BeginEasing(a, limit_ms);
  // Under a limit, rounds keep the schedule's length as long as the time
  // allows and go on from new splits until the time is spent, the best kept:
  // such a run makes the schedule's own rounds first, so given the time the
  // schedule takes it ends no worse than the schedule would, and the time
  // left buys further splits, where a longer round on one split would not
  // help it fit.
  const bool restarts = end_ms > 0 && rounds > 1;
  for (int round = 1;; ++round) {
    // The first round takes at most half the time, so that a split that
    // cannot reach the outline leaves time for others; later rounds may take
    // what is left.
    const int round_end = restarts && round == 1 ? end_ms - (end_ms - GetCpuTime()) / 2 : end_ms;
    Anneal(a, round_end, restarts);
    if (a.stop || a.status.moves == 0) break;
    const bool fits = BestFitsOutline();
    if (restarts) {
      const int left_ms = end_ms - GetCpuTime();
      if (left_ms <= 0) break;
      std::printf("%s the outline after round %d, %.1f s left", fits ? "Inside" : "Outside", round,
                  left_ms / 1000.0);
      a.keep_fit = fits;
    } else {
      if (round >= rounds || fits) break;
      std::printf("Outside the outline after round %d of %d", round, rounds);
    }
    std::printf(": the blocks are spread over the tiers anew.\n");
    tier_respread(blka, neta, pada, work, levels, norm, params);
    a.status.current = kWorst;
  }

  std::printf("\nOptimal Area: %6.2f(normalized), %8.2f\n", optsize_h * optsize_v,
              optsize_h * optsize_v * norm->unscale_sq);
  const Score& reported = a.recorded > 0 ? a.best_score : start;
  std::printf("Optimal Wire-length: %6.2f(normalized), %8.2f\n", reported.wire,
              reported.wire * norm->unscale);
  std::printf("Optimal Via Number: %d\n\n", reported.vias);
  return 0;
}
