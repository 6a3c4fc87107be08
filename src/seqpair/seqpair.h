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
// Reads: the axis; writes: its cursor.
inline double EvalPLAxis(tagPLAxis& a, double c) {
  int at = a.cursor;
  while (at != 0 && a.node[at].coord > c) --at;
  while (at + 1 < a.count && a.node[at + 1].coord <= c) ++at;
  a.cursor = at;
  return a.node[at].value + (c - a.node[at].coord) * a.node[at].slope;
}

// --- dual sequence and level tree -------------------------------------------
// Reads: no globals; writes: *seq (arrays of n + 2 zeroes, a level tree with with_tree).
int DualSeqInit(tagDualSeq* seq, int n, int with_tree);
// Reads: no globals; writes: *tree (sized for n levels).
int BinTreeInit(tagBinTree* tree, int n);
// Reads: no globals; writes: *tree (empty but for level 0).
void Tr_Init(tagBinTree* tree);
// Reads: no globals; writes: *tree.
int Tr_AddLvl(int level, tagBinTree* tree);
// Reads: no globals; writes: *tree.
int Tr_Add_FindPrevLvl(int level, tagBinTree* tree);
// Reads: *tree alone; writes: nothing.
int Tr_FindPrevLvl(int level, tagBinTree* tree);
// Reads: *tree alone; writes: nothing.
int Tr_Exist(int level, tagBinTree* tree);
// Reads: no globals; writes: *tree.
int Tr_RemLvl(int level, tagBinTree* tree);
// Reads: no globals; writes: *levels.
void ClearLevelLists(tagLevelList* levels);
// nmate for n blocks: level k and level n + 1 - k are mates.
// Reads: no globals; writes: nmate.
void SetLevelMates(int n);
// A random dual sequence of seq->count blocks.
// Reads: seq->count; writes: *seq (sequences, positions), nmate; draws random numbers.
int Generate_SP(tagDualSeq* seq);
// Lays each tier's blocks in shelves of the outline's width, connected
// blocks near each other and near their terminals, after evening out the
// tiers' block areas. Returns the height of the tallest tier's shelves over
// the outline's (at most 1: they fit), or 0, and nothing changed, when any
// block is preplaced or bounded.
// Reads: shape_h, shape_v, tier_no, ntmax, the nets' pins (terminals' places as fractions), the blocks'
// sizes and kinds, seq's tiers; writes: *seq (sequences, positions, tiers), the blocks' tiers.
double LayShelves(tagBLOCK** blka, tagNET** neta, tagDualSeq* seq);
// Lays each tier's blocks in shelves of the outline's width around its
// preplaced blocks: each stands at its place as a column of the shelf that
// reaches its lower edge, and the movable blocks fill the shelves around
// them by decreasing height. Packed, no block pushes a preplaced one unless
// their given places overlap or chain along x.
// Reads: shape_h, tier_no, the blocks' sizes, kinds and given corners, seq's tiers; writes: *seq
// (sequences, positions).
void LayShelvesAroundPreplaced(tagBLOCK** blka, tagDualSeq* seq);
// Sets a successor list to the order of blocks given (next[0] its head).
// Reads: nothing else; writes: next.
void LinkSequence(const std::vector<int>& order, std::vector<int>* next);
// Derives prev and positions of both sequences from the successor lists.
// Reads: the successor lists of *seq; writes: its prev lists and positions.
void RebuildPositions(tagDualSeq* seq);
// Numbers one successor list from its head (pos 1.., rpos n..1) and sets
// index 0 of both to n + 1. Returns the number of blocks met, at most n + 1.
// Reads: next; writes: pos, rpos.
int NumberSequence(const int* next, int* pos, int* rpos, int n);
// The single-tier initial solution: sizes, outline, a random dual sequence, bounds.
// Reads: tier_no, params (sparearea, aspect_ratio, outline_w, outline_h), the blocks and their classes;
// writes: zarea_all, shape_h, shape_v, optsize_h, optsize_v, ndsiz1_*, ndofs0_*, ndpos1_*, ndpos_x_lft,
// ndpos_y_top, nmate, *seq, params->lb_shift and placed_area, the design record (size, area, degree),
// every block's size, region, bounds and orientation; draws random numbers.
int InitData(tagBLOCK** blka, tagPIN** pada, tagDualSeq* seq, tagNORMPARA* norm, tagPARAMETERS* params);
// Shared by both initial solutions (the single-tier one and the multi-tier
// one). SetBlockSizes takes every block's size from its class into the work
// arrays, adds it to the placed area and sums the block area into zarea_all
// and the design record's area; SetBlockBounds sets offsets and lower-left
// bounds.
// Reads: the blocks' classes; writes: ndsiz1_x, ndsiz1_y, zarea_all, each block's width and height,
// params->placed_area (added to), the design record's area, negative class sizes (made positive).
void SetBlockSizes(tagBLOCK** blka, int n, tagPARAMETERS* params);
// Reads: ndsiz1_x, ndsiz1_y, shape_h, shape_v, each block's class, region, kind, orient; writes: ndofs0_*,
// ndpos1_*, ndpos_x_lft, ndpos_y_top, each block's region and fixed bounds, orient (0 below kind 2), and
// the size of a turned block of kind 2 or 3 (exchanged).
void SetBlockBounds(tagBLOCK** blka, int n);
// Keeps the preplaced blocks inside the outline shape_h x shape_v: a one-tier
// design takes the die it brings (the design record's region extent) when
// the die holds `core`, and the outline reaches over every preplaced block.
// Says so when the outline changes.
// Reads: tier_no, shape_h, shape_v, the preplaced blocks, the design's region; writes: shape_h, shape_v.
void FitOutlineToPreplaced(tagBLOCK** blka, int n, double core, const tagNORMPARA* norm);
// Takes the outline the input gives (params->outline_w x outline_h) as
// shape_h x shape_v; false when it gives none.
// Reads: params->outline_w, outline_h; writes: shape_h, shape_v (when given).
bool TakeGivenOutline(const tagPARAMETERS* params);

// --- packing -----------------------------------------------------------------
// Packs from the bottom left; with a log, records where each block went.
// Reads: *seq, each block's size and lower bounds; writes: staircases b and r of *levels, *tree_b,
// *tree_r, rest_b, rest_r, *height and *width (the chip over all tiers), *log, tiera (each tier's extent).
void CalCoords(tagBLOCK** blocks, tagDualSeq* seq, tagLevelList* levels, tagBinTree* tree_b,
               tagBinTree* tree_r, int* rest_b, int* rest_r, double* height, double* width,
               tagForwardLog* log = nullptr);
// Packs from the top right, tier by tier, the blocks whose rpos_a is at most `limit`, each at least
// lb_top[b] below the top and lb_right[b] left of the right edge.
// Reads: tier_no, *seq, the blocks' sizes, lb_top, lb_right; writes: staircases t and l of *levels with
// their undo records and tier ends, *tree_t, *tree_l.
void CalCoords_TR(tagBLOCK** blocks, double* lb_top, double* lb_right, tagDualSeq* seq, tagLevelList* levels,
                  tagBinTree* tree_t, tagBinTree* tree_l, int limit);
// How far a block could move right (x) and up (y) without passing W and H:
// its x, y as the bottom-left packing placed it, the rest as CalCoords_TR
// left staircases l and t.
struct Slack {
  double x, y;
};
Slack SlackOf(const tagBLOCK* blk, const tagDualSeq* seq, const tagLevelList* levels, double W, double H);
// Adds block b to staircases b and r as the packing that wrote `log` did
// (valid while blocks come in A order of the same sequence, starting afresh
// at each tier change as that packing did) and, when undo > 0, takes b out
// of staircases t and l. Sets lvb, lvb_m1, lvb_p1, lvr, lvr_m1, lvr_p1 and,
// when undoing, lvt_m1, lvt_p1, lvl_m1, lvl_p1.
// Reads: *seq, *log; writes: the staircases' links in *levels and the lv globals named.
void SetLptr(int b, int undo, const tagForwardLog* log, tagDualSeq* seq, tagLevelList* levels);
// Places every block as staircases b and r say (its lower-left corner, or its centre with `centre`) and
// every terminal at its fractions of sx x sy.
// Reads: the far edges of staircases b and r, *seq, the blocks' sizes, the terminals' pin classes;
// writes: every block's and every terminal's x, y.
void SetCellPos(double sx, double sy, int centre, tagBLOCK** blocks, tagPIN** pada, tagDualSeq* seq,
                tagLevelList* levels, tagNORMPARA* norm);
// Tries block b after A position limit_pos and level limit_level on tier_wanted in one staircase (dist,
// by `levels`): pushes the later blocks it moves, their old far edges into old_dist and themselves into
// `changed`, leaves b's far edge in dist[0] and returns the largest far edge.
// Reads: the blocks' sizes and lower bounds, order, pos, levels, tier; writes: dist, old_dist, changed
// and a staircase of its own (function statics); no globals.
double UpDist(int b, tagBLOCK** blocks, int vertical, int* order, int* pos, int* levels, int* tier,
              double* dist, double* old_dist, int* changed, int limit_pos, int limit_level, int tier_wanted,
              double base, double size, double shift);

// --- objective ---------------------------------------------------------------
// Reads: the pin's class and owner block (place, orientation, size, parent), params->pin_at_center;
// writes: pin->x, pin->y (a terminal keeps its own).
void SetPinPosition(tagPIN* pin, const tagPARAMETERS* params);
// Weighted half-perimeter of nets 1..ntmax0 (mode 1), ntmax0 + 1..ntmax (2) or all (3).
// Reads: ntmax0, ntmax, the nets, the blocks, params->net_scale, pin_at_center; writes: the block pins'
// x, y.
double SetNetLength(tagBLOCK** blka, tagNET** neta, tagPIN** pada, int mode, tagPARAMETERS* params);
// Packs the whole floorplan and measures its bound excess; places the blocks and terminals.
// Reads: p_btree, p_rtree, *seq, the blocks; writes: mxdstha, mxdstva, ngap_h, ngap_v, tiera,
// staircases b and r of *levels, both trees, every block's lower-left x, y, every terminal's x, y.
void PackFloorplan(tagBLOCK** blka, tagPIN** pada, tagDualSeq* seq, tagLevelList* levels, tagNORMPARA* norm);
// PackFloorplan, then places the block pins; returns the net length (as SetNetLength over all nets).
// Reads: p_btree, p_rtree, *seq, the blocks, the nets; writes: mxdstha, mxdstva, ngap_h, ngap_v, tiera,
// staircases b and r of *levels, both trees, every block's lower-left x, y, every terminal's x, y, the
// block pins' x, y.
double CalcObj(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* seq, tagLevelList* levels,
               tagNORMPARA* norm, tagPARAMETERS* params);
// Area cost of a floorplan of width W and height H given the overflow the
// floorplan already has without the moved block.
// Reads: shape_h, shape_v, params->aspect_ratio; writes: nothing.
double AreaCost(double W, double H, double overflow_w, double overflow_h, double area_wgt,
                const tagPARAMETERS* params);
// Candidate ranking form: the current overflow comes from mxdsth, mxdstv.
// Reads: mxdsth, mxdstv, shape_h, shape_v, params; writes: nothing.
double InsertionAreaCost(double W, double H, const tagPARAMETERS* params);
// Exact re-evaluation form: extents are at least mxdsth, mxdstv.
// Reads: mxdsth, mxdstv, shape_h, shape_v, params; writes: nothing.
double ExactAreaCost(double W, double H, const tagPARAMETERS* params);
// Area cost of the floorplan the last CalcObj packed, as a move scores the
// floorplan it makes: its extent and its bound excess.
// Reads: mxdstha, mxdstva, ngap_h, ngap_v, shape_h, shape_v, params; writes: nothing.
double PackedAreaCost(const tagPARAMETERS* params);
// Cost of bounded blocks pushed beyond their upper bounds by gap_h, gap_v.
// Reads: params->allfix, net_scale; writes: nothing.
double GapCost(double gap_h, double gap_v, const tagPARAMETERS* params);
// What lies this far below the outline's size in a sum of coordinates is
// rounding. Reads: shape_h, shape_v; writes: nothing.
double OutlineRounding();
// -1, 0 or 1 as the bound excess `gap` is smaller than, equal to (up to
// rounding) or larger than `than`.
// Reads: shape_h, shape_v (the rounding's scale); writes: nothing.
int CompareGaps(double gap, double than);
// Objective of the whole floorplan packed into mxdstha x mxdstva.
// Reads: mxdstha, mxdstva, ngap_h, ngap_v, shape_h, shape_v, params; writes: nothing.
double FloorplanObjective(double wire, const tagPARAMETERS* params);
// The same objective for a floorplan of width W and height H with the given
// bound excess and net length.
// Reads: shape_h, shape_v, params; writes: nothing.
double ObjectiveValue(double W, double H, double gap_h, double gap_v, double wire,
                      const tagPARAMETERS* params);
// Gain of solution 2 over solution 1, by weighted relative differences; positive when it is better.
// Reads: params (opt_wire, deltac_wgt, deltnt_wgt, deltvia_wgt); writes: nothing.
double improvement(double area1, double area2, double wire1, double wire2, int via1, int via2,
                   tagPARAMETERS* params);
// improvement(...) > 0, without its divisions when solution 2 is no better
// than solution 1 in any term (the usual case while searching).
// Reads: params, as improvement; writes: nothing.
bool Improves(double area1, double area2, double wire1, double wire2, int via1, int via2,
              tagPARAMETERS* params);
// The net-length functions of block b on a chip of W x H, b's own pins left out.
// Reads: block b's place and nets, the pins on them; writes: *rel, and the x, y of the other block pins
// on b's nets (their block's place, its centre during the search).
int SetPLfunc(int b, double W, double H, tagBLOCK** blka, tagPIN** pada, tagNetRel* rel,
              tagPARAMETERS* params);
// Evaluates f_x (or f_y) at coordinate c.
// Reads: *rel; writes: its cursor.
inline double EvalPLfunc(tagNetRel* rel, int vertical, double c) {
  return EvalPLAxis(vertical ? rel->y : rel->x, c);
}
// The weights of the next phase, jittered, after a restore.
// Reads: params (wgt_phase, movarea, allarea, movnet, allnet); writes: params->wgt_phase, area_wgt,
// obj_area_wgt, net_wgt; draws from frandom.
int SetNewWeight(tagPARAMETERS* params);

// --- move and undo -----------------------------------------------------------
// Takes block b out of both sequences; positions keep their old numbers.
// Reads: *seq; writes: the links of *seq, entry top of *stacks (b's neighbours and tier).
int RemoveCell(int b, tagDualSeq* seq, tagSTACKS* stacks);
// Puts block b back between its saved neighbours.
// Reads: entry top of *stacks; writes: the links of *seq and b's tier there.
int UndoRemove(int b, tagDualSeq* seq, tagSTACKS* stacks);
// Inserts block b after A position apos and B position bpos (numbered before b came out) on `tier`,
// in orientation `orient`, and renumbers both sequences; stops the run on a broken sequence.
// Reads: ndsiz1_*, ndpos1_*, block b's kind and region; writes: entry top of *stacks (b's orientation
// and size), below kind 2 b's size, bounds and orientation, *seq.
int InsertCell(int b, int apos, int bpos, int orient, int tier, tagBLOCK** blka, tagDualSeq* seq,
               tagSTACKS* stacks);
// Below kind 2, the block's size and lower-left bounds in orientation `orient`: a turned block takes the
// exchanged size and the bounds prepared for it. Its orientation itself is left as it is.
// Reads: ndsiz1_*, ndpos1_*, blk's kind and region; writes: blk's size and bounds.
void ShapeForOrientation(tagBLOCK* blk, int orient);
// Renumbers both sequences; stops the run when one does not hold its n blocks.
// Reads: the links of *seq; writes: its positions.
int ReLabel(tagDualSeq* seq);

// --- soft blocks ---------------------------------------------------------------
// A soft block (a movable block whose class has a soft area) takes any shape
// of whole steps (input units unless its class gives others) whose height
// holds its area and whose aspect lies in its class's range, within its
// class's bounds (which win where the two disagree); it never turns, as its
// shapes already cover both ways. The search chooses a shape with each
// insertion point; the block's width and height hold its shape, its class
// the shape it started with until TakeSoftShapes.
struct SoftRange {
  double step_w, step_h;  // internal length of one step of width and of height
  double area;            // in steps squared
  long long w_lo, w_hi;   // admissible widths in steps
};
// Reads: blk's kind and class; writes: nothing.
bool IsSoftBlock(const tagBLOCK* blk);
// `unit`: internal length of one input unit.
// Reads: the class's soft area, aspect range and bounds; writes: nothing.
SoftRange SoftRangeOf(const tagBLOCKCLASS* cls, double unit);
// Internal sizes, from no state: the widest admissible width not above
// `width` (the narrowest when none is), the narrowest whose height is not
// above `height` (the widest when none is), and the height at a width.
double SoftWidthWithin(const SoftRange& r, double width);
double SoftWidthUnder(const SoftRange& r, double height);
double SoftHeightAt(const SoftRange& r, double width);
// The same three in steps, tabled: the insertion sweep asks for them at
// every interval it visits, where the divisions and searches behind them
// took a quarter of a soft block's move. A range of more than 65536 steps
// is answered by computing.
struct SoftShapeTable {
  SoftRange range;
  long long h_base, h_top;           // the height steps narrowest[] covers
  std::vector<long long> height;     // height steps at each width step from w_lo
  std::vector<long long> narrowest;  // the narrowest width at each height step from h_base
};
// Reads: nothing else; writes: *t (its vectors keep their storage).
void TableSoftShapes(const SoftRange& r, SoftShapeTable* t);
long long SoftStepsWithin(const SoftShapeTable& t, double width);
long long SoftStepsUnder(const SoftShapeTable& t, double height);
long long SoftHeightSteps(const SoftShapeTable& t, long long width_steps);
// Makes each soft block's shape its class's, pin offsets following, so that
// the writers and the tier split read the shape the floorplan gave it.
// Reads: blocks 1..n; writes: their classes' sizes and pin classes.
void TakeSoftShapes(tagBLOCK** blka, int n);
// Reshapes the soft blocks that set a side of the chip into the slack of the
// other: outside the outline its overflowing sides, inside both sides, round
// by round while the area cost (then the net length) falls; true when it
// fell. Leaves the floorplan packed as CalcObj does.
// Reads: shape_h, shape_v, ndpos_x_lft, ndpos_y_top, *seq, the blocks, the nets, params; writes: as
// CalcObj, staircases t and l of *levels, the soft blocks' sizes.
bool ReshapeSoftBlocks(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* seq, tagLevelList* levels,
                       tagNORMPARA* norm, tagPARAMETERS* params);

// --- inter-tier via accounting ------------------------------------------------------
// Vias the nets need for the tier split of dseq: per_tier[t] those through boundary t (joining tiers
// t - 1 and t), per_tier[0] and the result all of them.
// Reads: the nets' pins, dseq->tier; writes: per_tier.
int CountInterLayerVias(tagNET* nets, tagDualSeq* dseq, int tiers, int* per_tier);
// Reads: the nets' pins, dseq->tier; writes: nothing.
int CountInterLayerVias(tagNET* nets, tagDualSeq* dseq, int tiers);
// Block area of each tier. Reads: the design's blocks, dseq->tier; writes: area.
int CountNetBlockAreaForEachLayer(tagBLOCK* design, tagDualSeq* dseq, int tiers, double* area);
// How the vias per boundary (sv_change; entry 0 all) and the block area per tier change when blk goes
// to new_tier. Reads: blk's nets and area, dseq->tier; writes: sv_change, area_change.
int ChangeForCellMove(tagBLOCK* blk, tagDualSeq* dseq, int new_tier, int tiers, int* sv_change,
                      double* area_change);
// Vias of blk's nets with blk on `tier`. Reads: blk's nets, dseq->tier; writes: nothing.
int CountInterLayerViasForCell(tagBLOCK* blk, tagDualSeq* dseq, int tier, int tiers);

// --- preplaced blocks in the search --------------------------------------------------
// Window [lo, hi] of A positions after which a fixed block may be reinserted
// so that the fixed blocks keep their required order; 0 for a movable block.
// Reads: fixed_num, mt_fixed, ppblka, dseq->pos_a, block b's kind; writes: *lo, *hi.
int PsLUBound(tagDualSeq* dseq, tagBLOCK** blka, int b, int* lo, int* hi);
// How the annealing spreads the blocks over the tiers anew between rounds.
// The tier split stands above the optimisers, so the driver hands it down.
using TierRespread = void (*)(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* dseq,
                              tagLevelList* levels, tagNORMPARA* norm, tagPARAMETERS* params);

// --- insertion-point search ----------------------------------------------------
constexpr int kCandidateCap = 3000;

// How far a move looks, and where a run starts. Up to kFullSearchBlocks
// blocks a move tries every insertion point; a larger design looks only
// kLargeDesignWindow positions either way in both sequences, around the
// block's place and around the block nearest to where its nets are
// shortest. That makes a move of 3300 blocks about twice as cheap in a
// floorplan near its outline and many times in a loose one, and leaves the
// time for more moves. A larger design, and one of kShelfStartBlocks blocks
// or more under a CPU time limit, starts from shelves (LayShelves), and the
// annealing then begins at kShelfStartTemperature at the hottest: hotter, it
// would undo them before the time is up.
constexpr int kFullSearchBlocks = 300;
constexpr int kLargeDesignWindow = 200;
constexpr int kShelfStartBlocks = 100;
constexpr int kShelfStartTemperature = 1000;
// The search window, srchlvl_a and srchlvl_b, of a design of n blocks.
int SearchWindow(int n);
// Whether a design of n blocks starts from shelves, given its time limit.
bool StartsFromShelves(int n, const tagPARAMETERS* params);
// Whether no block of the n is preplaced or bounded: shelves lay only such designs.
bool AllBlocksMovable(tagBLOCK** blka, int n);

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
  // The moved block's size at the point when the search chose its shape (a
  // soft block); 0 when its orientation gives it.
  double block_w[kCandidateCap];
  double block_h[kCandidateCap];
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

// Packs the floorplan without N (already out of seq) and keeps in cands the best insertion points of N
// in its A and B windows: around its own place and, when the windows do not cover the design, around
// the block nearest to where its nets are shortest.
// Reads: p_btree, p_rtree, tier_no, ndpos_x_lft, ndpos_y_top, shape_h, shape_v, la_sv_num, la_net_area,
// the preplaced tables, *seq, the blocks, norm->scale (a soft block's unit), params; writes: mxdsth, mxdstv
// (the chip without N, left there),
// lva, lva_nd, ptier, o_via_cost, cell_via_cost, la_sv_change, la_area_change, the lv globals, tiera,
// *cands, all of *levels, both trees, every block's centre and terminal's place (x, y), with opt_wire the
// pins on N's nets; draws random numbers.
int FindInsPoint(tagBLOCK* N, tagINSCANDS* cands, tagBLOCK** blka, tagPIN** pada, tagDualSeq* seq,
                 tagLevelList* levels, tagNORMPARA* norm, tagPARAMETERS* params);
// Sweeps the slot after lva_nd over its whole B window on `tier`, the staircases as they stand.
// Reads: lva, o_via_cost, cell_via_cost, la_sv_change, la_area_change, la_sv_num, la_net_area, mxdsth,
// mxdstv, shape_h, shape_v, tier_no, *levels, N, params, the windows and soft shapes FindInsPoint set;
// writes: *cands,
// the cursors of *rel; draws random numbers.
void FindOptI(int tier, tagBLOCK* N, tagINSCANDS* cands, tagDualSeq* seq, tagNetRel* rel,
              tagLevelList* levels, tagPARAMETERS* params);
// Reads: as FindOptI, and lvb, lvb_m1, lvr, lvr_m1, lvt_m1, lvt_p1, lvl_m1, lvl_p1; writes: as
// FindOptI.
void FindOptII(int tier, tagBLOCK* N, tagINSCANDS* cands, tagDualSeq* seq, tagNetRel* rel,
               tagLevelList* levels, tagPARAMETERS* params);
// Keeps a candidate at its place in the best-first list (ipcand entries at most).
// Reads: params (opt_ws_dist, ipcand, the comparison's weights), tier_vias, tier_area; writes: *cands.
void SaveIpCand(tagINSCANDS* cands, int apos, int bpos, int tier, int via_delta, double height, double width,
                int orient, double block_w, double block_h, double ws_dev, int* tier_vias, double* tier_area,
                tagPARAMETERS* params, double area_cost, double wire, int vias);
// The moved block's size and bounds at candidate k: its orientation's, and the shape the search chose.
// Reads: as ShapeForOrientation, *cands; writes: N's size and bounds.
void ShapeForCandidate(tagBLOCK* N, const tagINSCANDS* cands, int k);
// InsertCell at candidate k, in the candidate's orientation and shape.
// Reads and writes: as InsertCell and ShapeForCandidate.
int InsertCandidate(int b, const tagINSCANDS* cands, int k, tagBLOCK** blka, tagDualSeq* seq,
                    tagSTACKS* stacks);
// Whether the last FindInsPoint let the moved block go to `tier`.
// Reads: the open tiers of the last FindInsPoint; writes: nothing.
bool SearchOpenTier(int tier);
// Fraction of an even tier share of block area that a tier may hold past it.
// Reads: params->sparearea; writes: nothing.
double TierShareSlack(const tagPARAMETERS* params);
// The candidates kept, without the sentinel that closes a list not yet full.
// Reads: *cands; writes: nothing.
int KeptCandidates(const tagINSCANDS* cands);
// Keeps only one of the kept candidates, drawn at random.
// Reads: *cands, params->opt_ws_dist; writes: *cands; draws random numbers.
void KeepRandomIpCand(tagINSCANDS* cands, const tagPARAMETERS* params);
// Re-evaluates the kept candidates exactly, sets `chosen` and the chosen
// fields, and returns the chosen candidate's whole-floorplan objective value.
// Reads: mxdsth, mxdstv, shape_h, shape_v, ntmax, inter_layer_vias, ndsiz1_*, ndpos1_*, staircases b
// and r of *levels (changed and put back), *seq, the blocks, the nets, params; writes: ndpos_x_exs,
// ndpos_y_exs, ldstb_sav, ldstr_sav, ndmodfl_h, ndmodfl_v, ntmodfl, ntlna_h, ntlna_v, the net tables,
// *cands (the chosen fields, mirrored orientations), N's size and bounds, with opt_wire the moved block's
// x, y (its centre at the last candidate); draws random numbers to mirror.
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
// Reads: mxdstha, mxdstva, ngap_h, ngap_v, the blocks' and terminals' places, the blocks' orientations
// and sizes, *work; writes: optsize_h, optsize_v, optngap, optngap_h, optngap_v, *sol, *best.
void SaveOptG(tagBLOCK** blka, tagPIN** pada, tagDualSeq* work, tagDualSeq* best, tagOptSolution* sol);
// Copies the nine arrays of one dual sequence into another (indices 0..n + 1).
// Reads: *from; writes: *to.
void CopyDualSeq(const tagDualSeq* from, tagDualSeq* to);

// The insertion optimiser: `iterations` moves (or moves for params->time_limit CPU seconds), accepted
// by a threshold rule under a falling temperature; back to the best with new weights when it idles.
// Reads: p_stacks, zarea_all, optngap, mxdsth, mxdstv, params; writes: ngap_h, ngap_v, mxdstha,
// mxdstva itself, and what RemoveCell, FindInsPoint, SelectInsPoint, InsertCell, SaveOptG, RestoreOptG,
// SetNewWeight and CalcObj write: *work, *best, *sol, *cands, the blocks; draws random numbers.
// inter_layer_vias stays as it was.
int Optimize(int iterations, tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* work,
             tagDualSeq* best, tagOptSolution* sol, tagINSCANDS* cands, tagLevelList* levels,
             tagNORMPARA* norm, tagPARAMETERS* params);
// Puts the best floorplan back (nothing before the first save).
// Reads: optsize_h, optsize_v, *sol, *best; writes: mxdstha, mxdstva, every block's x, y, orientation
// and size, every terminal's x, y, *work.
int RestoreOptG(tagBLOCK** blka, tagPIN** pada, tagDualSeq* work, tagDualSeq* best, tagOptSolution* sol);
// The annealing: moves judged by `improvement` under a geometric temperature schedule, in rounds from
// new tier splits while the best misses the outline; prints the best's area, wire length and vias.
// Reads: tier_respread, tier_no, inter_layer_vias, shape_h, shape_v, optsize_h, optsize_v, optngap,
// zarea_all, mxdsth, mxdstv, mxdstha, mxdstva, params; writes: through its moves ngap_h, ngap_v,
// mxdstha, mxdstva, la_sv_num, la_net_area, inter_layer_vias, and what RemoveCell, FindInsPoint,
// SelectInsPoint, InsertCell and SaveOptG write; through tier_respread the blocks' tiers,
// inter_layer_vias, la_sv_num, la_net_area, the preplaced tables and what CalcObj writes; *work, *best,
// *sol, *cands, the blocks; draws random numbers.
int SimulatedAnnealing(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* work, tagDualSeq* best,
                       tagOptSolution* sol, tagINSCANDS* cands, tagLevelList* levels, tagNORMPARA* norm,
                       tagPARAMETERS* params);
