// Tier-wide state: the tier count, the per-tier extent records filled by the
// packing, the via and area tables, and the preplaced-block count.
#pragma once
#include <vector>

#include "driver/records.h"

extern int tier_no;
// Per-tier extent records; packing stores each tier's width and height.
extern std::vector<tagBLOCK> tiera;

extern int la_sv_num[kMaxTiers];
extern double la_net_area[kMaxTiers];
extern int la_sv_change[kMaxTiers];
extern double la_area_change[kMaxTiers];

extern int inter_layer_vias;
extern int o_via_cost, cell_via_cost;
extern int ptier;

// Preplaced blocks: their count, the required relation of every pair
// (bit 1: i before j in A, bit 2: i before j in B) and the block of each
// fixed index.
extern int fixed_num;
extern std::vector<std::vector<int>> mt_fixed;
extern std::vector<tagBLOCK*> ppblka;
constexpr int kBeforeInA = 1;
constexpr int kBeforeInB = 2;
// A preplaced block's kind is 3 + 4 x its fixed index.
inline bool IsFixed(const tagBLOCK* b) { return (b->kind & 3) == 3; }
inline int FixedIndex(const tagBLOCK* b) { return b->kind >> 2; }

// Sets tier_no and makes one zeroed extent record per tier.
void InitTierState(int tiers);
// Puts every tier global back to its state at process start (for tests).
void ResetTierState();
