// Engine-wide state shared by packing, objective, search and optimisers:
// fixed-size per-block tables indexed by block number (they bound a design to
// kMaxBlocks blocks), the current staircase levels, chip sizes and the
// per-net work arrays sized once after the parameter file is read.
//
// Each global's comment says what it holds and in which unit, who sets it and
// who reads it. Lengths are internal units (input units times the design's
// scale), areas their squares. "The sweeps" are FindOptI and FindOptII, which
// FindInsPoint runs; "the driver" is src/run/driver.cpp.
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

// Width and height of each block unturned, its class size (internal units; 0 past n); a soft block's
// start shape. Set by SetBlockSizes, IndexDesign (clears past n); read by SetBlockBounds,
// ShapeForOrientation (for InsertCell and SelectInsPoint).
extern double ndsiz1_x[kSizeTableCap], ndsiz1_y[kSizeTableCap];
// Offset of each block's outline in its slot, (ndsiz1 - class size) / 2, so 0 (internal units). Set and
// read by SetBlockBounds alone.
extern double ndofs0_x[kSizeTableCap], ndofs0_y[kSizeTableCap];
// Bounds of each block's lower-left corner from its region, at least 0 (internal units). Set by
// SetBlockBounds; read by InsertCell, SelectInsPoint, which give them to a block turned by 90 degrees.
extern double ndpos1_x_min[kPositionTableCap], ndpos1_x_max[kPositionTableCap];
extern double ndpos1_y_min[kPositionTableCap], ndpos1_y_max[kPositionTableCap];
// Least distance of each bounded block's right and top edge from the outline's (internal units; 0 for a
// movable block). Set by SetBlockBounds; read by FindInsPoint as bounds of its packing from the top right.
extern double ndpos_x_lft[kPositionTableCap], ndpos_y_top[kPositionTableCap];
// The mate of each level, n + 1 - k: its number in the reverse numbering (levels). Set by SetLevelMates
// (Generate_SP, StackTiers); read by nothing since the sweeps walk both numberings themselves.
extern int nmate[kPositionTableCap];

// Levels (pos_b in b, rpos_b in r) of the block SetLptr last added to staircases b and r, and of its
// neighbours there: its level, the level it rests on, the first level it does not dominate. Set by
// SetLptr; lvb, lvb_m1, lvr, lvr_m1 read by FindOptII, the _p1 ones by SetLptr alone.
extern int lvb, lvb_m1, lvb_p1;
extern int lvr, lvr_m1, lvr_p1;
// Its neighbours in staircases t and l before SetLptr took it out of them (undo > 0). Set by SetLptr;
// read by FindOptII. lvt and lvl themselves are never set and stay 0.
extern int lvt, lvt_m1, lvt_p1;
extern int lvl, lvl_m1, lvl_p1;

// Total block area (internal units squared). Set by InitData, InitDataForMultiTiers, SetBlockSizes;
// read by the status lines of both optimisers and by OutputCellsForMultiTiers.
extern double zarea_all;
// Fixed outline of one tier, width and height (internal units). Set by InitData, InitDataForMultiTiers,
// TakeGivenOutline, FitOutlineToPreplaced; read by SetBlockBounds, every area cost and objective,
// CompareGaps, the sweeps, the annealing's fit test and the driver (outline checks, result size).
extern double shape_h, shape_v;
// Chip width and height of the best floorplan saved (internal units; kInfinity before the first). Set
// by SaveOptG (reset by InitData, InitDataForMultiTiers); read by RestoreOptG, SimulatedAnnealing and
// the driver (a chain's score).
extern double optsize_h, optsize_v;
// Chip width and height of the packing without the moved block, which FindInsPoint leaves here
// (internal units). Set by FindInsPoint alone; read by the sweeps, InsertionAreaCost, ExactAreaCost,
// SelectInsPoint, and by Move and Optimize, which take the larger of it and the candidate's extent.
extern double mxdsth, mxdstv;
// Chip width and height of the whole floorplan (internal units): of the last full packing (CalcObj, the
// driver, OutputCellsForMultiTiers), of the chosen candidate, accepted or not (Move, Optimize), or of the
// best (RestoreOptG). Read by SaveOptG, FloorplanObjective, the status lines, WriteTierPlot, the driver.
extern double mxdstha, mxdstva;

// Bound excess of the floorplan: how far bounded blocks lie past their upper bounds, summed in x and in
// y (internal units). Set by CalcObj, and by Move and Optimize from the chosen candidate (accepted or
// not); read by SaveOptG, FloorplanObjective, OutStatus, Move, Optimize.
extern double ngap_h, ngap_v;
// Bound excess of the best floorplan saved: the sum, x and y. Set by SaveOptG; optngap read by Move,
// Optimize and the driver (a chain's score), optngap_h and optngap_v by OutputCellsForMultiTiers.
extern double optngap, optngap_h, optngap_v;

// The move stack (entry top, always 0: the removed block's neighbours, tier and shape), owned by the
// driver's run. Set by PrepareEngine, cleared by Release; read by Move, Optimize, OutStatus.
extern tagSTACKS* p_stacks;

// Level trees of staircases b (levels pos_b) and r (rpos_b), owned by the driver's run; FindInsPoint
// lends them to its packing from the top right as well. Set by PrepareEngine, cleared by Release; used
// by every packing: CalcObj, FindInsPoint, OutputCellsForMultiTiers, the driver.
extern tagBinTree* p_btree;
extern tagBinTree* p_rtree;

// The new tier split the annealing asks for between rounds; none: one round. Set by the driver
// (SpreadOverTiersAgain); called by SimulatedAnnealing.
extern TierRespread tier_respread;

// Nets read, and nets after later stages added theirs (counts; no stage adds any, so both are equal).
// Set by IndexDesign; read by SetNetLength (its modes), SelectInsPoint, the driver.
extern int ntmax0, ntmax;
// Which optimiser runs: opt_method (non-zero the annealing, 0 the insertion optimiser). Set by the
// driver's Optimise; read there and by WriteStatistics, whose record names the schedule.
extern int sa_flag;
// Times, three things in one run. bt: the time-of-day seed (GetCurrentSec) at the start of RunTierplan,
// then the CPU milliseconds (GetCpuTime) at the start of optimisation (Optimise) and of via planning
// (PlanSignalVias); et: CPU milliseconds at their ends. Read by those to print the time taken, by
// RunTierplan as the seed, and by WriteStatistics, whose et - bt is the optimisation's.
extern int bt, et;

// Work arrays sized by AllocateWorkArrays (from PrepareEngine), set and read by SelectInsPoint alone,
// partly through the UpDist calls it makes. Each bounded block's bound excess in x and in y in the
// packing without the moved block (internal units; n + 1 entries).
extern std::vector<double> ndpos_x_exs, ndpos_y_exs;
// Far edges of the staircase b and r levels UpDist pushed, as they were before (internal units; n + 2).
extern std::vector<double> ldstb_sav, ldstr_sav;
// Blocks UpDist pushed right (h) and up (v), the moved block last, linked: entry 0 the first, -1 the
// end (block numbers; indexed by block, max(n, ntmax) + 1 entries).
extern std::vector<int> ndmodfl_h, ndmodfl_v;
// Nets whose span a candidate changes, linked: entry 0 the first, -1 the end, 0 unlisted (net numbers;
// ntmax + 1).
extern std::vector<int> ntmodfl;
// Each net's span in x and in y times its weight and net_scale, block pins at block centres, as last
// measured (internal units; ntmax + 1).
extern std::vector<double> ntlna_h, ntlna_v;

// Reads: no globals; writes: the work arrays above (sized, zeroed) and the net tables (dropped).
void AllocateWorkArrays(int n, int nets);

// Drops the exact re-evaluation's flat net tables (candidate_selection.cpp),
// rebuilt on their next use.
// Reads: no globals; writes: the net tables.
void DropNetTables();

// Puts every engine global back to its state at process start (for tests).
// Reads: no globals; writes: every global of this header and the net tables.
void ResetEngineState();

// Insertion search: the A position and block after which the moved block is
// being tried (0: the front; A positions as numbered before the block was
// removed). Set by FindInsPoint; lva read by the sweeps (the candidates'
// apos), lva_nd by FindInsPoint alone.
extern int lva, lva_nd;
