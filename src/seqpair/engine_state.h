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

// The design's nets in flat form for the exact re-evaluation, which marks
// the nets of every pushed block and measures them for each kept candidate:
// walking the records' linked lists for that cost more than the measuring.
// A pin's position comes from a source: the block owning a block pin (its
// x, y plus its parent's), or the pin itself. Per block the net numbers on
// its net_refs list; per net its pins' sources; per source its nets and its
// position when the spans in ntlna_h, ntlna_v were measured, so that only
// the nets of sources that moved since are measured again. Built on first
// use for the arrays named here, which the nets and their weights are taken
// to outlive unchanged; AllocateWorkArrays and ResetEngineState drop them.
struct tagPinSource {
  const tagBLOCK* owner;  // null: the pin's own position counts
  const tagPIN* pin;
  double x, y;
};

struct tagNetTables {
  tagBLOCK** blka = nullptr;
  tagNET** neta = nullptr;
  int blocks = 0;
  int nets = 0;
  std::vector<int> block_net_start;  // blocks + 2 entries
  std::vector<int> block_net;
  std::vector<int> net_pin_start;  // nets + 2 entries
  std::vector<int> net_pin;        // source numbers
  std::vector<double> net_weight;
  std::vector<tagPinSource> source;
  std::vector<int> source_net_start;
  std::vector<int> source_net;
  std::vector<char> stale;  // per net: its span is to be measured again
  std::vector<int> stale_list;
};
extern tagNetTables search_nets;

// Puts every engine global back to its state at process start (for tests).
void ResetEngineState();

// Insertion search: the A position and block after which the moved block is
// being tried, the B positions (as "after position q" ranges) of each tier's
// run, the moved block's net-length functions and the packing's scratch.
extern int lva, lva_nd;
extern int tier_run_lo[kMaxTiers], tier_run_hi[kMaxTiers];
// Tiers the moved block may go to: its own, and those whose block area stays
// within an even share of all block area (with some slack) with it added.
extern bool tier_open[kMaxTiers];
extern tagNetRel move_net_rel;
extern int search_rest_b[kLevelCap], search_rest_r[kLevelCap];
extern tagForwardLog search_log;
