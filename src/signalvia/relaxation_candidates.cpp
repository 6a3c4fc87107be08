// Pieces of the relaxation stage: the list of usable cells, the candidate
// cells of every via with their precomputed wire costs, the multiplier and
// step-size updates, and the greedy placement of the relaxed solution.
#include <algorithm>
#include <cstdio>

#include "driver/utilities.h"
#include "signalvia/signalvia.h"

void BuildGridList(tagSIGGRIDSET& grids, tagSIGGRID*& list, int& cap_total, int dimx, int dimy,
                   int tier_count) {
  list = nullptr;
  for (int layer = 1; layer < tier_count; ++layer)
    for (int ix = 0; ix < dimx; ++ix)
      for (int iy = 0; iy < dimy; ++iy) {
        tagSIGGRID* cell = grids.cell(layer, ix, iy);
        if (cell->via_cap <= 0) {
          cell->grid_next = nullptr;
          continue;
        }
        cell->via_num = 0;
        cell->grid_next = list;
        list = cell;
        cap_total += cell->via_cap;
      }
}

void ConstructCandidateGridListForVias(tagNETLIST* net_list, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim) {
  printf("Beginning construct the graph network ...\n");
  for (tagNETLIST* node = net_list; node; node = node->next) {
    tagNET* net = node->net;
    for (int k = 0; k < net->via_cnt; ++k) {
      tagSIGVIA* via = net->vias[k];
      int i0, i1, j0, j1;
      CandidatePositionRange(via, grids, &i0, &i1, &j0, &j1, dim, 0.1);
      via->cand_num = 0;
      via->cand_list = nullptr;
      via->best_cand = nullptr;
      for (int i = i0; i <= i1; ++i)
        for (int j = j0; j <= j1; ++j) {
          tagSIGGRID* cell = grids.cell(via->layer, i, j);
          if (cell->via_cap <= 0) continue;
          via->cand_list = new tagVIACAND{via->cand_num, cell, {}, 0.0, nullptr, via->cand_list};
          ++via->cand_num;
          if (k == 0) via->cand_list->costs.push_back(EdgeCost(net, cell, nullptr, 0));
        }
      if (k >= 1) {
        const tagSIGVIA* below = net->vias[k - 1];
        // Broken via records: stop as a failed run.
        if (!below) Refuse({}, -1, "Error: Caculating canddiate positions!");
        for (tagVIACAND* c = via->cand_list; c; c = c->next) {
          c->costs.assign(below->cand_num, 0.0);
          for (const tagVIACAND* p = below->cand_list; p; p = p->next)
            c->costs[p->index] = EdgeCost(net, c->cell, p->cell, k);
        }
      }
      if (via->cand_num == 0)
        printf("Warning: Some vias have no candidate position: layer:%d (%d, %d, %d, %d)!\n", via->layer, i0,
               j0, i1, j1);
    }
  }
}

void FreeCandidateLists(tagNET* net) {
  for (int k = 0; k < net->via_cnt; ++k) {
    tagSIGVIA* via = net->vias[k];
    while (tagVIACAND* c = via->cand_list) {
      via->cand_list = c->next;
      delete c;
    }
    via->best_cand = nullptr;
  }
}

double UpdateLM(double lm, double theta, int via_num, int via_cap) {
  return std::max(0.0, lm + theta * (via_num - via_cap));
}

double UpdateTheta(double upper, double lambda, double lower, double norm2) {
  return norm2 > 0 ? lambda * (upper - lower) / norm2 : 0.0;
}

namespace {

// Takes the relaxed choice of the net into its vias' cells and returns its
// wire; 0 when some via has no choice (the net then cannot be placed).
double MapRelaxedChoice(tagNET* net) {
  const tagVIACAND* c = net->vias[net->via_cnt - 1]->best_cand;
  if (!c) return 0.0;
  double wire = 0.0;
  for (int k = net->via_cnt - 1; c; c = c->pred, --k) {
    tagSIGVIA* via = net->vias[k];
    via->grid = c->cell;
    if (via->layer != c->cell->layer) printf("Warning: Something wrong when mapping via locations!\n");
    wire += c->pred ? c->costs[c->pred->index] : c->costs[0];
  }
  return wire;
}

}  // namespace

void AssignViaToGridWithPriority(tagNETLIST*& net_list, int& inserted, int& failed, double& wire) {
  int count = 0;
  for (tagNETLIST* node = net_list; node; node = node->next, ++count)
    node->net->hpwl_w_via = MapRelaxedChoice(node->net);
  net_list = SortNetByHPWL(net_list, count);
  inserted = 0;
  failed = 0;
  wire = 0.0;

  tagNETLIST** link = &net_list;
  while (tagNETLIST* node = *link) {
    tagNET* net = node->net;
    bool fits = net->vias[net->via_cnt - 1]->best_cand != nullptr;
    for (int k = 0; k < net->via_cnt; ++k) {
      tagSIGVIA* via = net->vias[k];
      via->placed = 0;
      if (!fits || !via->grid || via->grid->via_cap < 1) {
        fits = false;
        continue;
      }
      ++via->grid->via_num;
      --via->grid->via_cap;
      ++inserted;
      via->placed = 1;
    }
    if (!fits) {
      ++failed;
      for (int k = 0; k < net->via_cnt; ++k) {
        tagSIGVIA* via = net->vias[k];
        if (via->placed) {
          --via->grid->via_num;
          ++via->grid->via_cap;
          --inserted;
          via->placed = 0;
        }
        via->grid = nullptr;
      }
      net->hpwl_w_via = 0.0;
      link = &node->next;
      continue;
    }
    wire += net->hpwl_w_via;
    *link = node->next;
    delete node;
  }
}
