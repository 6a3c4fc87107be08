// Engine-wide state shared by packing, objective, search and optimisers:
// fixed-size per-block tables indexed by block number (they bound a design to
// kMaxBlocks blocks), the current staircase levels, chip sizes and the
// per-net work arrays sized once after the parameter file is read.
#pragma once
#include <vector>

#include "seqpair/seqpair.h"

// Positions by block number 0..kMaxBlocks; sizes and offsets keep a margin
// past the last block, which the driver clears up to kSizeClearEnd.
constexpr int kPositionTableCap = kMaxBlocks + 1;
constexpr int kSizeTableCap = kMaxBlocks + 202;
constexpr int kSizeClearEnd = kSizeTableCap - 2;
static_assert(kPositionTableCap == kEndLevel && kSizeClearEnd < kSizeTableCap &&
                  kPositionTableCap < kSizeClearEnd,
              "block tables out of step with the block limit");

extern double ndsiz1_x[kSizeTableCap], ndsiz1_y[kSizeTableCap];
extern double ndofs0_x[kSizeTableCap], ndofs0_y[kSizeTableCap];
extern double ndpos1_x_min[kPositionTableCap], ndpos1_x_max[kPositionTableCap];
extern double ndpos1_y_min[kPositionTableCap], ndpos1_y_max[kPositionTableCap];
extern double ndpos_x_lft[kPositionTableCap], ndpos_y_top[kPositionTableCap];
extern int nmate[kPositionTableCap];

// Levels of the block being placed and their neighbours, per staircase.
extern int lvb, lvb_m1, lvb_p1;
extern int lvr, lvr_m1, lvr_p1;
extern int lvt, lvt_m1, lvt_p1;
extern int lvl, lvl_m1, lvl_p1;

extern double zarea_all;             // total block area
extern double shape_h, shape_v;      // fixed outline of one tier
extern double optsize_h, optsize_v;  // chip size of the best solution
extern double mxdsth, mxdstv;        // chip size under evaluation by the search
extern double mxdstha, mxdstva;      // chip size of the driver's full packings

// Total bound excess of bounded blocks, current and best.
extern double ngap_h, ngap_v;
extern double optngap, optngap_h, optngap_v;

// The move stacks: the removed block's saved neighbours.
extern tagSTACKS* p_stacks;

// The shared level trees used by every packing.
extern tagBinTree* p_btree;
extern tagBinTree* p_rtree;

// The new tier split the annealing asks for between rounds; none: one round.
extern TierRespread tier_respread;

// Net counts: nets read, and nets after later stages added theirs.
extern int ntmax0, ntmax;
extern int sa_flag;
extern int bt, et;

// Work arrays sized by AllocateWorkArrays.
extern std::vector<double> ndpos_x_exs, ndpos_y_exs;  // n + 1
extern std::vector<double> ldstb_sav, ldstr_sav;      // n + 2
extern std::vector<int> ndmodfl_h, ndmodfl_v;         // indexed by block: max(n, ntmax) + 1
extern std::vector<int> ntmodfl;                      // ntmax + 1
extern std::vector<double> ntlna_h, ntlna_v;          // ntmax + 1

void AllocateWorkArrays(int n, int nets);

// Drops the exact re-evaluation's flat net tables (candidate_selection.cpp),
// rebuilt on their next use.
void DropNetTables();

// Puts every engine global back to its state at process start (for tests).
void ResetEngineState();

// Insertion search: the A position and block after which the moved block is
// being tried.
extern int lva, lva_nd;
