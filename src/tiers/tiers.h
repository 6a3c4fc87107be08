// Multi-tier stacking: pin positions, the initial spreading of blocks over
// tiers, the hypergraph handed to the partitioner, and via accounting.
#pragma once
#include <vector>

#include "driver/parameters.h"
#include "driver/records.h"

struct tagDualSeq;
struct tagLevelList;

// --- pin positions --------------------------------------------------------------
// Gives every block the list of its pins on the design's nets.
// Reads: the design's nets and their pins; writes: every block's pins and pin_count, the pins' next.
void SetPinListForBlocks(tagBLOCK* design);
// Reads and writes what SetBlockPinPositions does, for every block of the design.
void SetPinPositions(tagBLOCK* design, tagPARAMETERS* prm);
// Gives each pin without a class one: at the block's centre with pin_at_center, else on slots spread
// evenly around the block. Reads: blk's pins, its class's size, prm->pin_at_center; writes: new pin
// classes (on blk's class) and the pins' pinclass.
void SetBlockPinPositions(tagBLOCK* blk, tagPARAMETERS* prm);
// Places every terminal at the centre of its pad, or on slots around the outline; the terminals then
// belong to the design record. Reads: the terminals, their pads' places, classes and orientations, the
// design's size and region; writes: the terminals' x, y, owner, and their pin classes (fractions of the
// outline; new ones on the design's class).
void SetExtPinPositions(tagBLOCK* design);

// --- tier assignment --------------------------------------------------------------
struct tagHYPERGRAPH {
  int nvtxs;
  int nhedges;
  int* vwgts;
  int* hewgts;
  int* eptr;
  int* eind;
};

// The multi-tier initial solution: sizes, the outline every tier shares, a tier split, the stacked
// dual sequence, bounds.
// Reads: tier_no, prm (sparearea, aspect_ratio, outline_w, outline_h, init_rand), the blocks, the nets;
// writes: zarea_all, shape_h, shape_v, optsize_h, optsize_v, ndsiz1_*, ndofs0_*, ndpos1_*, ndpos_x_lft,
// ndpos_y_top, nmate, *dseq, prm->placed_area, the design record (size, area, degree), every block's
// tier, size, region, bounds and orientation; draws random numbers with init_rand.
int InitDataForMultiTiers(tagBLOCK** blka, tagPIN** pada, tagDualSeq* dseq, tagNORMPARA* norm,
                          tagPARAMETERS* prm);
// Reads: the design's blocks and nets, prm->init_rand; writes: every block's tier, *dseq, nmate; draws
// random numbers with init_rand.
int GenMultiTierByPartition(tagDualSeq* dseq, tagBLOCK** blka, int tiers, tagPARAMETERS* prm);
// Stacks the blocks tier by tier (by their `tier`) in both sequences.
// Reads: the design's blocks and their tiers; writes: *dseq, nmate.
void StackTiers(tagDualSeq* dseq, tagBLOCK** blka, int tiers);
// A fresh start on a new random tier split: stacked, counted, preplaced
// blocks put in order, and evaluated as by CalcObj.
// Reads: tier_no, the blocks, the nets; writes: every block's tier, *dseq, nmate, inter_layer_vias,
// la_sv_num, la_net_area, fixed_num, mt_fixed, ppblka, the fixed blocks' kind, and what CalcObj writes;
// draws random numbers.
void SpreadOverTiersAgain(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* dseq,
                          tagLevelList* levels, tagNORMPARA* norm, tagPARAMETERS* prm);
// Spreads the design's blocks over nparts tiers, by the partitioner or at random.
// Reads: the design's blocks and nets; writes: every block's tier; draws random numbers when random.
void PartitionIntoTiers(tagBLOCK* design, int nparts, bool random);
// One vertex per block: block id k is vertex k - 1, or, with `vertex_of_id`,
// vertex_of_id[k] (blocks numbered -1 are left out).
// Reads: the design's nets and blocks; writes: the graph it returns (null without nets).
tagHYPERGRAPH* CreateHyperGraph(const tagBLOCK* design, const std::vector<int>* vertex_of_id = nullptr);
// Reads: no globals; writes: hg, released.
void FreeHyperGraph(tagHYPERGRAPH* hg);

// Balanced recursive-bisection hypergraph partitioning; fills part[k] in
// 0..nparts-1 for every vertex and *edgecut with the weight of cut hyperedges.
// Reads: its arguments alone; writes: part, *edgecut.
void HMETIS_PartRecursive(int nvtxs, int nhedges, int* vwgts, int* eptr, int* eind, int* hewgts, int nparts,
                          int ubfactor, int* options, int* part, int* edgecut);
// The above with the options every caller uses; returns the cut.
// Reads: *hg; writes: part.
int PartitionHyperGraph(const tagHYPERGRAPH* hg, int nparts, int ubfactor, int* part);

// --- tier loads ----------------------------------------------------------------------
// Sets inter_layer_vias, la_sv_num and la_net_area for the tier split of dseq.
// Reads: tier_no, the design's nets and blocks, dseq->tier; writes: inter_layer_vias, la_sv_num, la_net_area.
void CountTierLoads(tagBLOCK* design, tagDualSeq* dseq);

// --- preplaced blocks ------------------------------------------------------------------
// Gives every fixed block its fixed index, derives the required order of
// every pair from their given positions and rearranges the fixed blocks in
// both sequences to follow it. Returns the number of fixed blocks.
// Reads: the design's blocks (the fixed ones' corners and sizes), dseq->tier; writes: ppblka, fixed_num,
// *mt, the fixed blocks' kind, *dseq (sequences and positions).
int FindModifySeqsOfFixed(tagBLOCK** blka, tagDualSeq* dseq, std::vector<std::vector<int>>* mt);
// Sets the required relation of fixed blocks a and b from their corners; returns which of eight cases
// holds, -1 when they overlap. Reads: a's and b's fixed index, corner and size; writes: R's entries of
// the pair.
int SeqFixedBlockPair(tagBLOCK* a, tagBLOCK* b, std::vector<std::vector<int>>& R);
// Exchanges the places of blocks i and j in sequence A (which = 0) or B.
// Reads: no globals; writes: the links and positions of one sequence of *dseq.
void SwapBlocks(tagDualSeq* dseq, int i, int j, int which);
// How the start came to push no fixed block: as it was, in shelves laid
// around the fixed blocks, or with them ahead of the movable blocks.
constexpr int kSettledAsIs = 0, kSettledFirst = 1, kSettledInShelves = 2;
// Packs the floorplan; when that pushes a fixed block off its given corner,
// lays the movable blocks in shelves around the fixed ones, or, where that
// still pushes one (given places that chain along x), puts the fixed blocks
// ahead of the movable blocks of their tier in both sequences (where nothing
// can push them). Returns how it settled them.
// Either way the floorplan is left evaluated as by CalcObj.
// Reads: ppblka, shape_h, tier_no; writes: *dseq (when a fixed block was pushed) and what CalcObj writes.
int PutFixedBlocksFirst(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* dseq, tagLevelList* levels,
                        tagNORMPARA* norm, tagPARAMETERS* params);
// Both of the above: the fixed blocks in their required order and, when the
// packing pushes one of them, in shelves or ahead of the movable blocks;
// then `unsettled`, when given, receives the arrangement before that.
// Returns what PutFixedBlocksFirst returns (kSettledAsIs without fixed blocks).
// Reads: as FindModifySeqsOfFixed and PutFixedBlocksFirst; writes: fixed_num, mt_fixed, ppblka, the
// fixed blocks' kind, *dseq, *unsettled, and, with fixed blocks, what CalcObj writes.
int SettlePreplacedBlocks(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* dseq,
                          tagLevelList* levels, tagNORMPARA* norm, tagPARAMETERS* params,
                          tagDualSeq* unsettled = nullptr);

// --- block grouping for design input -------------------------------------------------
// How cells become blocks beside the groups: macros as blocks of their own
// (else they join the groups), and the weight of the wire-only net that
// pulls together the macros and pins of a net that also reaches a group,
// relative to that net (0 for none).
struct GroupingOptions {
  bool macros_as_blocks = true;
  double macro_net_weight = 0;
};
// Groups the design's cells into blocks with the partitioner (nparts groups)
// or from a partition file, moves fixed pad cells to *pads and rebuilds the
// nets between the new blocks; *cell_nets receives the cell-level nets.
// Fixed cells, and macros as the options say, become blocks of their own.
// Reads: the design's cells and nets; writes: the design record's blocks, block_count, nets and
// net_count, the cells' parent and id, *pads, *cell_nets; no globals.
void Partition(tagBLOCK* design, int nparts, tagBLOCK** pads, tagNET** cell_nets,
               const GroupingOptions& options);
// Reads: the file at `path` and what Partition reads; writes: as Partition; stops the run on a bad file.
void ReadPartition(tagBLOCK* design, const char* path, tagBLOCK** pads, tagNET** cell_nets,
                   const GroupingOptions& options);
// A fixed cell of a PAD macro: it leaves the block list and lends its
// position to the terminal on its net.
// Reads: the cell's kind and class; writes: nothing.
bool IsFixedPad(const tagBLOCK* cell);
// The terminal a fixed pad stands for: the first terminal on its nets, or null.
// Reads: the pad's nets; writes: nothing.
tagPIN* PadTerminal(const tagBLOCK* pad);
// A cell of a macro (LEF class BLOCK).
// Reads: the cell's class; writes: nothing.
bool IsMacro(const tagBLOCK* cell);
// A block of one component (a macro or a fixed cell) rather than a group of
// standard cells; a placement blockage's block too, though it holds none.
// Reads: the block, its class and first child; writes: nothing.
bool IsComponentBlock(const tagBLOCK* blk);
// The block of a placement blockage: preplaced, without cells.
// Reads: the block's class; writes: nothing.
bool IsBlockage(const tagBLOCK* blk);
// The group of a cell that becomes a block of its own.
constexpr int kOwnBlock = -1;
// Rebuilds the block list from part (the group of cell id k is part[k - 1],
// in 0..count - 1, or kOwnBlock); returns the new block count.
// Reads: part, the design's cells; writes: the design's block list (new groups and blocks) and
// block_count, the cells' parent and id, *pads; stops the run for a group outside 0..count - 1.
int Grouping(tagBLOCK* design, int count, const int* part, tagBLOCK** pads);
// Installs the block-level nets and returns the old cell-level list; a net
// over two or more macros or terminals that also reaches a group gets a
// wire-only net over those of `macro_net_weight` times its weight.
// Reads: the design's nets and cells; writes: design->nets and net_count (block-level), each block's
// nets and net_refs, the terminals' net_refs; no globals.
tagNET* CreateNetsForBlocks(tagBLOCK* design, double macro_net_weight = 0);
// Merges block-level nets over the same pins, adding up their weights.
// Reads: the design's nets; writes: design->nets (merged, ordered by degree, renumbered), net_count,
// the nets' pin order and weights.
void GroupNetsConnectSameBlocks(tagBLOCK* design);
// qsort orders: PinIdCompare over tagPINLIST* entries (pin id, then owner id),
// NetPinNoCompare over tagNET* entries (ascending degree).
// Both read the two entries alone and write nothing.
int PinIdCompare(const void* a, const void* b);
int NetPinNoCompare(const void* a, const void* b);
