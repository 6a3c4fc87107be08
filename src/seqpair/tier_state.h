// Tier-wide state: the tier count, the per-tier extent records filled by the
// packing, the via and area tables, and the preplaced-block count.
//
// Each global's comment says what it holds and in which unit, who sets it and
// who reads it; lengths are internal units, areas their squares. "The search"
// is FindInsPoint with its sweeps FindOptI and FindOptII; "the driver" is
// src/run/driver.cpp.
#pragma once
#include <vector>

#include "driver/records.h"

// Tier count, the layers parameter (1 until the driver sets it). Set by InitTierState (from the driver's
// PrepareEngine); read throughout: initial solutions, packing, search, annealing, writers, driver.
extern int tier_no;
// Per-tier extent records; packing stores each tier's width and height (internal units) of its last
// pass, the other fields stay unused. Sized by InitTierState; set by CalCoords; read by the driver
// (OutlineMiss, the closing warning).
extern std::vector<tagBLOCK> tiera;

// Vias through each tier boundary t (joining tiers t - 1 and t; entry 0: all vias) of the floorplan
// (count). Set by CountTierLoads, and by Move with opt_ws_dist; read by the sweeps (white-space balance).
extern int la_sv_num[kMaxTiers];
// Block area on each tier, whatever the name says (internal units squared). Set by CountTierLoads, and
// by Move with opt_ws_dist; read by the sweeps (white-space balance).
extern double la_net_area[kMaxTiers];
// How la_sv_num would change (entry 0: the total) with the moved block on the tier being searched
// (count). Set by the search per tier run when it counts vias with opt_ws_dist; read by the sweeps,
// which keep a copy with each candidate.
extern int la_sv_change[kMaxTiers];
// How la_net_area would change the same way (internal units squared); set and read as la_sv_change.
extern double la_area_change[kMaxTiers];

// Via count of the floorplan (count; 0 on one tier). Set by CountTierLoads, by Move for an accepted move
// (not by the insertion optimiser) and by the driver after optimising; read by Move, SimulatedAnnealing,
// SelectInsPoint (candidates' totals), WriteStatistics, the driver.
extern int inter_layer_vias;
// Via count of the moved block's nets with the block on its own tier (o_via_cost) and on the tier being
// searched (cell_via_cost); both 0 unless two or more tiers and wgt_via >= 1 (count). Set by the search,
// cell_via_cost anew per tier run; read by the sweeps: a candidate's vias and their change.
extern int o_via_cost, cell_via_cost;
// The tier whose run in A the search is in: that of lva_nd, or of the run it enters. Set and read by
// FindInsPoint, which hands it to the sweeps and the via counts as their tier.
extern int ptier;

// Preplaced blocks, by fixed index: their count. Set by FindModifySeqsOfFixed (0 by the driver's
// PrepareEngine); read by PsLUBound, SettlePreplacedBlocks.
extern int fixed_num;
// The required relation of every pair i, j (bit 1: i before j in A, bit 2: i before j in B). Filled by
// FindModifySeqsOfFixed from SettlePreplacedBlocks and SpreadOverTiersAgain; read by PsLUBound.
extern std::vector<std::vector<int>> mt_fixed;
// The block of each fixed index. Set by FindModifySeqsOfFixed; read by PsLUBound, ReorderFixed,
// PutFixedBlocksFirst. Both tables are cleared by the driver's Release.
extern std::vector<tagBLOCK*> ppblka;
constexpr int kBeforeInA = 1;
constexpr int kBeforeInB = 2;
// A preplaced block's kind is 3 + 4 x its fixed index.
// Both read b->kind alone and write nothing.
inline bool IsFixed(const tagBLOCK* b) { return (b->kind & 3) == 3; }
inline int FixedIndex(const tagBLOCK* b) { return b->kind >> 2; }

// Sets tier_no and makes one zeroed extent record per tier.
// Reads: no globals; writes: tier_no, tiera.
void InitTierState(int tiers);
// Puts every tier global back to its state at process start (for tests).
// Reads: no globals; writes: every global of this header.
void ResetTierState();
