// Sequence-pair floorplan engine: the dual sequence, its level structures,
// packing, objective, move and undo. Engine-wide work arrays live in
// engine_state.h.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "driver/parameters.h"
#include "driver/records.h"

// Level numbering: levels 1..n are B positions (or their reverse), level 0 is
// the origin and level kEndLevel the end sentinel of every staircase.
constexpr int kEndLevel = kMaxBlocks + 1;
constexpr int kLevelCap = kEndLevel + 1;

// Ordered set of levels in [0, leaves) with insert, remove, membership and
// predecessor in O(log n). Inner node k holds bit 1 when its left subtree
// holds a level and bit 2 when its right subtree does.
struct tagBinTree {
  int leaves;
  std::vector<int> node;  // 2 * leaves + 1 entries
  // The same levels as bits (level L is bit L % 64 of word L / 64), with one
  // summary bit per non-empty word: an index that answers a predecessor
  // query with two word scans instead of a walk through the tree.
  std::vector<uint64_t> present;
  std::vector<uint64_t> summary;
};

// The floorplan: sequences A and B as successor/predecessor lists with
// positions, and the tier of each block. Arrays have n + 2 entries.
struct tagDualSeq {
  int count;
  std::vector<int> next_a, next_b, prev_a, prev_b;
  std::vector<int> pos_a, pos_b, rpos_a, rpos_b;
  std::vector<int> tier;
  std::unique_ptr<tagBinTree> tree;
};

// One staircase: the levels bounding a packing, linked in order, with the far
// edge of the block at each level.
struct tagStaircase {
  int next[kLevelCap];
  int prev[kLevelCap];
  double dist[kLevelCap];
};

// Undo records of a top-right staircase: for each inserted level the first
// and last level its insertion unlinked, and the staircase ends per tier.
struct tagStaircaseUndo {
  int removed_first[kLevelCap];
  int removed_last[kLevelCap];
  int tier_head[kMaxTiers];
  int tier_tail[kMaxTiers];
};

// The four staircases: b (from the bottom, levels pos_b), t (from the top,
// rpos_b), r (from the left, rpos_b), l (from the right, pos_b).
struct tagLevelList {
  tagStaircase b;
  tagStaircase t;
  tagStaircaseUndo t_undo;
  tagStaircase r;
  tagStaircase l;
  tagStaircaseUndo l_undo;
};

// Where each block went when a packing from the bottom left placed it: per
// level, the level it rests on and the first level after it that it did
// not dominate, in staircases b and r. The insertion search hands blocks to
// those staircases again in the same order, and takes the steps from here
// instead of from the level trees.
struct tagForwardLog {
  int below_b[kLevelCap];
  int above_b[kLevelCap];
  int below_r[kLevelCap];
  int above_r[kLevelCap];
};

// The removed block's saved state; the engine uses entry `top` (always 0).
struct tagSTACKS {
  int top;
  int orient[kMaxBlocks];
  int next_a[kMaxBlocks];
  int prev_a[kMaxBlocks];
  int next_b[kMaxBlocks];
  int prev_b[kMaxBlocks];
  int tier[kMaxBlocks];
  double width[kMaxBlocks];
  double height[kMaxBlocks];
};

// One direction of a moved block's net-length function: piecewise linear,
// its breakpoints in coordinate order (node 0 at coordinate 0), each with the
// slope of the segment that starts there and the value at it. Kept as one
// ordered array so that an evaluation walks adjacent memory.
struct tagPLNode {
  double coord;
  double slope;
  double value;
};

struct tagPLAxis {
  int count;
  // Last node found: the sweeps evaluate at coordinates that mostly move in
  // one direction, so walking on from there is short.
  int cursor;
  tagPLNode node[kEndLevel];
};

// Net-length functions f_x and f_y of a moved block.
struct tagNetRel {
  tagPLAxis x;
  tagPLAxis y;
};

// f(c) on one axis: value + (c - coord) x slope of the last node at or before
// c (node 0 for c below every breakpoint). Inline, as the insertion sweep
// evaluates it for every interval.
inline double EvalPLAxis(tagPLAxis& a, double c) {
  int at = a.cursor;
  while (at != 0 && a.node[at].coord > c) --at;
  while (at + 1 < a.count && a.node[at + 1].coord <= c) ++at;
  a.cursor = at;
  return a.node[at].value + (c - a.node[at].coord) * a.node[at].slope;
}

// --- dual sequence and level tree -------------------------------------------
int DualSeqInit(tagDualSeq* seq, int n, int with_tree);
int BinTreeInit(tagBinTree* tree, int n);
void Tr_Init(tagBinTree* tree);
int Tr_AddLvl(int level, tagBinTree* tree);
int Tr_Add_FindPrevLvl(int level, tagBinTree* tree);
int Tr_FindPrevLvl(int level, tagBinTree* tree);
int Tr_Exist(int level, tagBinTree* tree);
int Tr_RemLvl(int level, tagBinTree* tree);
void ClearLevelLists(tagLevelList* levels);
// nmate for n blocks: level k and level n + 1 - k are mates.
void SetLevelMates(int n);
int Generate_SP(tagDualSeq* seq);
// Derives prev and positions of both sequences from the successor lists.
void RebuildPositions(tagDualSeq* seq);
// Numbers one successor list from its head (pos 1.., rpos n..1) and sets
// index 0 of both to n + 1. Returns the number of blocks met, at most n + 1.
int NumberSequence(const int* next, int* pos, int* rpos, int n);
int InitData(tagBLOCK** blka, tagPIN** pada, tagDualSeq* seq, tagNORMPARA* norm, tagPARAMETERS* params);
// Shared by both initial solutions (the single-tier one and the multi-tier
// one). SetBlockSizes takes every block's size from its class into the work
// arrays, adds it to the placed area and sums the block area into zarea_all
// and the design record's area; SetBlockBounds sets offsets and lower-left
// bounds.
void SetBlockSizes(tagBLOCK** blka, int n, tagPARAMETERS* params);
void SetBlockBounds(tagBLOCK** blka, int n);
// Keeps the preplaced blocks inside the outline shape_h x shape_v: a one-tier
// design takes the die it brings (the design record's region extent) when
// the die holds `core`, and the outline reaches over every preplaced block.
// Says so when the outline changes.
void FitOutlineToPreplaced(tagBLOCK** blka, int n, double core, const tagNORMPARA* norm);
// Takes the outline the input gives (params->outline_w x outline_h) as
// shape_h x shape_v; false when it gives none.
bool TakeGivenOutline(const tagPARAMETERS* params);

// --- packing -----------------------------------------------------------------
// Packs from the bottom left; with a log, records where each block went.
void CalCoords(tagBLOCK** blocks, tagDualSeq* seq, tagLevelList* levels, tagBinTree* tree_b,
               tagBinTree* tree_r, int* rest_b, int* rest_r, double* height, double* width,
               tagForwardLog* log = nullptr);
void CalCoords_TR(tagBLOCK** blocks, double* lb_top, double* lb_right, tagDualSeq* seq, tagLevelList* levels,
                  tagBinTree* tree_t, tagBinTree* tree_l, int limit);
// Adds block b to staircases b and r as the packing that wrote `log` did
// (valid while blocks come in A order of the same sequence, starting afresh
// at each tier change as that packing did) and, when undo > 0, takes b out
// of staircases t and l. Sets lvb, lvb_m1, lvb_p1, lvr, lvr_m1, lvr_p1 and,
// when undoing, lvt_m1, lvt_p1, lvl_m1, lvl_p1.
void SetLptr(int b, int undo, const tagForwardLog* log, tagDualSeq* seq, tagLevelList* levels);
void SetCellPos(double sx, double sy, int centre, tagBLOCK** blocks, tagPIN** pada, tagDualSeq* seq,
                tagLevelList* levels, tagNORMPARA* norm);
double UpDist(int b, tagBLOCK** blocks, int vertical, int* order, int* pos, int* levels, int* tier,
              double* dist, double* old_dist, int* changed, int limit_pos, int limit_level, int tier_wanted,
              double base, double size, double shift);

// --- objective ---------------------------------------------------------------
void SetPinPosition(tagPIN* pin, const tagPARAMETERS* params);
double SetNetLength(tagBLOCK** blka, tagNET** neta, tagPIN** pada, int mode, tagPARAMETERS* params);
int CalcObj(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* seq, tagLevelList* levels,
            tagNORMPARA* norm, tagPARAMETERS* params);
// Area cost of a floorplan of width W and height H given the overflow the
// floorplan already has without the moved block.
double AreaCost(double W, double H, double overflow_w, double overflow_h, double area_wgt,
                const tagPARAMETERS* params);
// Candidate ranking form: the current overflow comes from mxdsth, mxdstv.
double InsertionAreaCost(double W, double H, const tagPARAMETERS* params);
// Exact re-evaluation form: extents are at least mxdsth, mxdstv.
double ExactAreaCost(double W, double H, const tagPARAMETERS* params);
// Cost of bounded blocks pushed beyond their upper bounds by gap_h, gap_v.
double GapCost(double gap_h, double gap_v, const tagPARAMETERS* params);
// -1, 0 or 1 as the bound excess `gap` is smaller than, equal to (up to
// rounding) or larger than `than`.
int CompareGaps(double gap, double than);
// Objective of the whole floorplan packed into mxdstha x mxdstva.
double FloorplanObjective(double wire, const tagPARAMETERS* params);
// The same objective for a floorplan of width W and height H with the given
// bound excess and net length.
double ObjectiveValue(double W, double H, double gap_h, double gap_v, double wire,
                      const tagPARAMETERS* params);
double improvement(double area1, double area2, double wire1, double wire2, int via1, int via2,
                   tagPARAMETERS* params);
// improvement(...) > 0, without its divisions when solution 2 is no better
// than solution 1 in any term (the usual case while searching).
bool Improves(double area1, double area2, double wire1, double wire2, int via1, int via2,
              tagPARAMETERS* params);
int SetPLfunc(int b, double W, double H, tagBLOCK** blka, tagPIN** pada, tagNetRel* rel,
              tagPARAMETERS* params);
// Evaluates f_x (or f_y) at coordinate c.
inline double EvalPLfunc(tagNetRel* rel, int vertical, double c) {
  return EvalPLAxis(vertical ? rel->y : rel->x, c);
}
int SetNewWeight(tagPARAMETERS* params);

// --- move and undo -----------------------------------------------------------
int RemoveCell(int b, tagDualSeq* seq, tagSTACKS* stacks);
int UndoRemove(int b, tagDualSeq* seq, tagSTACKS* stacks);
int InsertCell(int b, int apos, int bpos, int orient, int tier, tagBLOCK** blka, tagDualSeq* seq,
               tagSTACKS* stacks);
int ReLabel(tagDualSeq* seq);

// --- inter-tier via accounting ------------------------------------------------------
int CountInterLayerVias(tagNET* nets, tagDualSeq* dseq, int tiers, int* per_tier);
int CountInterLayerVias(tagNET* nets, tagDualSeq* dseq, int tiers);
int CountNetBlockAreaForEachLayer(tagBLOCK* design, tagDualSeq* dseq, int tiers, double* area);
int ChangeForCellMove(tagBLOCK* blk, tagDualSeq* dseq, int new_tier, int tiers, int* sv_change,
                      double* area_change);
int CountInterLayerViasForCell(tagBLOCK* blk, tagDualSeq* dseq, int tier, int tiers);

// --- preplaced blocks in the search --------------------------------------------------
// Window [lo, hi] of A positions after which a fixed block may be reinserted
// so that the fixed blocks keep their required order; 0 for a movable block.
int PsLUBound(tagDualSeq* dseq, tagBLOCK** blka, int b, int* lo, int* hi);
// How the annealing spreads the blocks over the tiers anew between rounds.
// The tier split stands above the optimisers, so the driver hands it down.
using TierRespread = void (*)(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* dseq,
                              tagLevelList* levels, tagNORMPARA* norm, tagPARAMETERS* params);

// --- insertion-point search ----------------------------------------------------
constexpr int kCandidateCap = 3000;

// The best few insertion points of the moved block, kept best-first between
// two sentinels (entry 0 and the entry after the last kept candidate).
struct tagINSCANDS {
  double key[kCandidateCap];
  double area_cost[kCandidateCap];
  double wire[kCandidateCap];
  int vias[kCandidateCap];
  int via_delta[kCandidateCap];
  int orient[kCandidateCap];
  int apos[kCandidateCap];
  int bpos[kCandidateCap];
  double height[kCandidateCap];
  double width[kCandidateCap];
  int tier[kCandidateCap];
  double ws_dev[kCandidateCap];
  int tier_vias[kCandidateCap][kMaxTiers];
  double tier_area[kCandidateCap][kMaxTiers];
  int count;
  int chosen;
  double chosen_wire_h, chosen_wire_v;
  double chosen_gap_h, chosen_gap_v;
  int chosen_vias;
  double chosen_area_cost;
};

int FindInsPoint(tagBLOCK* N, tagINSCANDS* cands, tagBLOCK** blka, tagPIN** pada, tagDualSeq* seq,
                 tagLevelList* levels, tagNORMPARA* norm, tagPARAMETERS* params);
void FindOptI(int tier, tagBLOCK* N, tagINSCANDS* cands, tagDualSeq* seq, tagNetRel* rel,
              tagLevelList* levels, tagPARAMETERS* params);
void FindOptII(int tier, tagBLOCK* N, tagINSCANDS* cands, tagDualSeq* seq, tagNetRel* rel,
               tagLevelList* levels, tagPARAMETERS* params);
void SaveIpCand(tagINSCANDS* cands, int apos, int bpos, int tier, int via_delta, double height, double width,
                int orient, double ws_dev, int* tier_vias, double* tier_area, tagPARAMETERS* params,
                double area_cost, double wire, int vias);
// Whether the last FindInsPoint let the moved block go to `tier`.
bool SearchOpenTier(int tier);
// Fraction of an even tier share of block area that a tier may hold past it.
double TierShareSlack(const tagPARAMETERS* params);
// Keeps only one of the kept candidates, drawn at random.
void KeepRandomIpCand(tagINSCANDS* cands, const tagPARAMETERS* params);
// Re-evaluates the kept candidates exactly, sets `chosen` and the chosen
// fields, and returns the chosen candidate's whole-floorplan objective value.
double SelectInsPoint(tagBLOCK* N, tagINSCANDS* cands, tagBLOCK** blka, tagNET** neta, tagPIN** pada,
                      tagDualSeq* seq, tagLevelList* levels, tagNORMPARA* norm, tagPARAMETERS* params);

// --- optimisers ---------------------------------------------------------------------
// The best floorplan found: positions of blocks and terminals (entry i - 1 for
// number i), block orientations (index 1..n) and sizes (entry i - 1).
struct tagOptSolution {
  int orient[kMaxBlocks + 1];
  // Blocks 1..n at 0..n-1, then terminals 1..t at n..n+t-1: sized by the
  // first save, since a design may hold far more terminals than blocks.
  std::vector<double> x;
  std::vector<double> y;
  double width[kMaxBlocks];
  double height[kMaxBlocks];
};

// Records the working floorplan as the best one: chip size and bound excess
// of the last packing, positions, orientations, sizes and both sequences.
void SaveOptG(tagBLOCK** blka, tagPIN** pada, tagDualSeq* work, tagDualSeq* best, tagOptSolution* sol);
// Copies the nine arrays of one dual sequence into another (indices 0..n + 1).
void CopyDualSeq(const tagDualSeq* from, tagDualSeq* to);

int Optimize(int iterations, tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* work,
             tagDualSeq* best, tagOptSolution* sol, tagINSCANDS* cands, tagLevelList* levels,
             tagNORMPARA* norm, tagPARAMETERS* params);
int RestoreOptG(tagBLOCK** blka, tagPIN** pada, tagDualSeq* work, tagDualSeq* best, tagOptSolution* sol);
int SimulatedAnnealing(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* work, tagDualSeq* best,
                       tagOptSolution* sol, tagINSCANDS* cands, tagLevelList* levels, tagNORMPARA* norm,
                       tagPARAMETERS* params);
