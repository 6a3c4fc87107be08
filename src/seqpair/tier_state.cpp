// Tier-wide globals: tier count, per-tier extents, the via and area tables
// and the preplaced-block table.
#include "seqpair/tier_state.h"

#include <algorithm>
#include <iterator>

// A run starts as a single-tier design until the driver sets the tier count.
int tier_no = 1;
std::vector<tagBLOCK> tiera(1);

int la_sv_num[kMaxTiers];
double la_net_area[kMaxTiers];
int la_sv_change[kMaxTiers];
double la_area_change[kMaxTiers];

int inter_layer_vias;
int o_via_cost, cell_via_cost;
int ptier;

int fixed_num;
std::vector<std::vector<int>> mt_fixed;
std::vector<tagBLOCK*> ppblka;

void InitTierState(int tiers) {
  tier_no = tiers;
  tiera.assign(std::max(tiers, 1), tagBLOCK{});
}

void ResetTierState() {
  InitTierState(1);
  std::fill(std::begin(la_sv_num), std::end(la_sv_num), 0);
  std::fill(std::begin(la_net_area), std::end(la_net_area), 0.0);
  std::fill(std::begin(la_sv_change), std::end(la_sv_change), 0);
  std::fill(std::begin(la_area_change), std::end(la_area_change), 0.0);
  inter_layer_vias = o_via_cost = cell_via_cost = ptier = 0;
  fixed_num = 0;
  mt_fixed.clear();
  ppblka.clear();
}
