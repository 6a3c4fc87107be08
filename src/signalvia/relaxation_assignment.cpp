// Via assignment by Lagrangian relaxation: the capacity of every cell that
// more vias could use than it holds is priced by a multiplier, each net then
// takes its cheapest cells by dynamic programming over its vias' candidates,
// and a subgradient method adjusts the prices. The last relaxed choice is
// made feasible greedily; nets that do not fit go to a net-by-net pass.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "driver/utilities.h"
#include "signalvia/signalvia.h"

namespace {

// Subgradient iterations at most, and the step size below which they stop.
constexpr int kMaxIterations = 100;
constexpr double kSmallestTheta = 0.0001;

struct RelaxedSolution {
  double lagrangian = 0.0;  // before the multipliers' capacity terms
  double wire = 0.0;
};

// A net can be routed through its candidates only when every via has one.
bool HasCandidatesForAllVias(const tagNET* net) {
  for (int k = 0; k < net->via_cnt; ++k)
    if (!net->vias[k]->cand_list) return false;
  return true;
}

// Cheapest cells of every net under the current multipliers; counts the
// chosen vias in the cells' via_num. With `record`, the choice is also
// stored in the vias (grid and best_cand).
RelaxedSolution RelaxedSolve(tagNETLIST* net_list, bool record) {
  RelaxedSolution result;
  for (tagNETLIST* node = net_list; node; node = node->next) {
    tagNET* net = node->net;
    if (!HasCandidatesForAllVias(net)) continue;  // fails later, in the placement
    for (tagVIACAND* c = net->vias[0]->cand_list; c; c = c->next) {
      c->dist = c->cell->lm + c->costs[0];
      c->pred = nullptr;
    }
    for (int k = 1; k < net->via_cnt; ++k)
      for (tagVIACAND* c = net->vias[k]->cand_list; c; c = c->next) {
        c->dist = kInfinity;
        c->pred = nullptr;
        for (tagVIACAND* p = net->vias[k - 1]->cand_list; p; p = p->next) {
          double d = c->costs[p->index] + p->dist + c->cell->lm;
          if (!c->pred || d < c->dist) {
            c->dist = d;
            c->pred = p;
          }
        }
      }
    tagVIACAND* choice = nullptr;
    for (tagVIACAND* c = net->vias[net->via_cnt - 1]->cand_list; c; c = c->next)
      if (!choice || c->dist < choice->dist) choice = c;
    result.lagrangian += choice->dist;
    int k = net->via_cnt - 1;
    for (tagVIACAND* c = choice; c; c = c->pred, --k) {
      ++c->cell->via_num;
      result.wire += c->pred ? c->costs[c->pred->index] : c->costs[0];
      if (record) {
        net->vias[k]->grid = c->cell;
        net->vias[k]->best_cand = c;
      }
    }
  }
  return result;
}

bool IsRelaxed(const tagSIGGRID* cell) { return cell->via_cap < cell->cvia_num; }

}  // namespace

int SignalViaAssignmentByLagragianRelaxationWOLEDA(tagNETLIST*& net_list, int tier_count,
                                                   tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim) {
  // The placement below unlinks placed nets, so keep every net for the release.
  std::vector<tagNET*> nets;
  for (tagNETLIST* node = net_list; node; node = node->next) nets.push_back(node->net);
  const int n = static_cast<int>(nets.size());
  tagSIGGRID* cells = nullptr;
  int cap_total = 0;
  BuildGridList(grids, cells, cap_total, dim->dimx, dim->dimy, tier_count);
  ConstructCandidateGridListForVias(net_list, grids, dim);
  printf("Begin %d-th Relaxation ...\n", ct_call);
  int start = GetCpuTime();

  RelaxedSolution solution = RelaxedSolve(net_list, false);
  double L = solution.lagrangian;
  int relaxed = 0, variables = 0, overflow = 0;
  for (tagSIGGRID* c = cells; c; c = c->grid_next) {
    if (!IsRelaxed(c)) continue;
    L -= c->lm * c->via_cap;
    ++relaxed;
    variables += c->cvia_num;
    overflow += std::max(0, c->via_num - c->via_cap);
  }
  printf("Overflow before relaxation:%d (cost:%.2f, wire:%.2f)\n", overflow, L, solution.wire);
  printf("Relaxed Constraints:%d, The variables involved:%d\n", relaxed, variables);
  printf("[UPPERBOUND][%.2f];\n", lm_upper_bound);
  AppendToReport("vp_table1.txt", "%.2f; ", solution.wire);
  if (ct_call == 0)
    AppendToReport("via_rt.txt", "[LOWERBOUND][ofblr:%d;cost:%.2f;wire:%.2f;", overflow, L, solution.wire);
  AppendToReport("via_assignment.txt",
                 "[UPPERBOUND][%.2f];[LOWERBOUND][ofblr:%d;cost:%.2f;wire:%.2f;cntsnum:%d;varnum:%d;"
                 "nodes:%d;edges:%d;]\n",
                 lm_upper_bound, overflow, L, solution.wire, relaxed, variables, 0, 0);

  double theta = 1.0, lambda = 1.0, L_prev = L;
  int no_decrease = 0;
  for (int iteration = 1;; ++iteration) {
    for (tagSIGGRID* c = cells; c; c = c->grid_next) {
      if (IsRelaxed(c) && c->cvia_num != 0) c->lm = UpdateLM(c->lm, theta, c->via_num, c->via_cap);
      c->via_num = 0;
    }
    solution = RelaxedSolve(net_list, true);
    L = solution.lagrangian;
    overflow = 0;
    double norm2 = 0.0;
    for (tagSIGGRID* c = cells; c; c = c->grid_next) {
      if (!IsRelaxed(c)) continue;
      L -= c->lm * c->via_cap;
      overflow += std::max(0, c->via_num - c->via_cap);
      double excess = c->via_num - c->via_cap;
      norm2 += excess * excess;
    }
    printf("Iteration %d: theta: %.5f, Total cost:%.3f (wire:%.2f), overflow:%d\n", iteration, theta, L,
           solution.wire, overflow);
    if (theta < kSmallestTheta) break;
    if (L_prev > L) {
      no_decrease = 0;
    } else if (++no_decrease > 2) {
      lambda /= 2;
      no_decrease = 0;
    }
    theta = UpdateTheta(lm_upper_bound, lambda, L, norm2);
    if (iteration >= kMaxIterations) break;
    L_prev = L;
  }

  overflow = 0;
  for (tagSIGGRID* c = cells; c; c = c->grid_next) {
    overflow += std::max(0, c->via_num - c->via_cap);
    c->via_num = 0;
  }
  printf("Overflow after relaxation:%d\n", overflow);
  int inserted = 0, failed = 0;
  double wire = 0.0;
  AssignViaToGridWithPriority(net_list, inserted, failed, wire);

  double secs = (GetCpuTime() - start) / 1000.0;
  printf("Solution Time:%.2f\n", secs);
  ++ct_call;
  printf("After mapping (ct_call): %d\n", ct_call);
  printf(
      "The number of nets failed to be viaed: %d (%.2f%%, total: %d);\n"
      "Inserted Vias:%d; cost:%.2f; wire:%.2f\n",
      failed, n > 0 ? failed * 100.0 / n : 0.0, n, inserted, L, wire);
  AppendToReport("via_assignment.txt",
                 "[LAGRAGIAN][ofalr:%d;lrtime:%.2f;netfam:%d;via_inserted:%d;cost:%.2f;wire:%.2f]\n",
                 overflow, secs, failed, inserted, L, wire);

  for (tagNET* net : nets) FreeCandidateLists(net);
  return 0;
}

int MultiLayerSignalViaAssignmentByMultiRelaxation(tagNETLIST*& net_list, int tier_count,
                                                   tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim) {
  if (!net_list) return 0;
  SetExpectedValueForGridVia(net_list, grids, dim, tier_count);
  SignalViaAssignmentByLagragianRelaxationWOLEDA(net_list, tier_count, grids, dim);
  // Nets the relaxation could not place get one more net-by-net pass.
  if (net_list) NetByNetMultiLayerSignalViaAssignment(net_list, tier_count, grids, dim);
  return 0;
}
