// Multi-tier stacking: pin positions, the initial spreading of blocks over
// tiers, the hypergraph handed to the partitioner, and via accounting.
#pragma once
#include <vector>

#include "driver/parameters.h"
#include "driver/records.h"

struct tagDualSeq;
struct tagLevelList;

// --- pin positions --------------------------------------------------------------
void SetPinListForBlocks(tagBLOCK* design);
void SetPinPositions(tagBLOCK* design, tagPARAMETERS* prm);
void SetBlockPinPositions(tagBLOCK* blk, tagPARAMETERS* prm);
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

int InitDataForMultiTiers(tagBLOCK** blka, tagPIN** pada, tagDualSeq* dseq, tagNORMPARA* norm,
                          tagPARAMETERS* prm);
int GenMultiTierByPartition(tagDualSeq* dseq, tagBLOCK** blka, int tiers, tagPARAMETERS* prm);
// Stacks the blocks tier by tier (by their `tier`) in both sequences.
void StackTiers(tagDualSeq* dseq, tagBLOCK** blka, int tiers);
// A fresh start on a new random tier split: stacked, counted, preplaced
// blocks put in order, and evaluated as by CalcObj.
void SpreadOverTiersAgain(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* dseq,
                          tagLevelList* levels, tagNORMPARA* norm, tagPARAMETERS* prm);
void PartitionIntoTiers(tagBLOCK* design, int nparts, bool random);
// One vertex per block: block id k is vertex k - 1, or, with `vertex_of_id`,
// vertex_of_id[k] (blocks numbered -1 are left out).
tagHYPERGRAPH* CreateHyperGraph(const tagBLOCK* design, const std::vector<int>* vertex_of_id = nullptr);
void FreeHyperGraph(tagHYPERGRAPH* hg);

// Balanced recursive-bisection hypergraph partitioning; fills part[k] in
// 0..nparts-1 for every vertex and *edgecut with the weight of cut hyperedges.
void HMETIS_PartRecursive(int nvtxs, int nhedges, int* vwgts, int* eptr, int* eind, int* hewgts, int nparts,
                          int ubfactor, int* options, int* part, int* edgecut);
// The above with the options every caller uses; returns the cut.
int PartitionHyperGraph(const tagHYPERGRAPH* hg, int nparts, int ubfactor, int* part);

// --- tier loads ----------------------------------------------------------------------
// Sets inter_layer_vias, la_sv_num and la_net_area for the tier split of dseq.
void CountTierLoads(tagBLOCK* design, tagDualSeq* dseq);

// --- preplaced blocks ------------------------------------------------------------------
// Gives every fixed block its fixed index, derives the required order of
// every pair from their given positions and rearranges the fixed blocks in
// both sequences to follow it. Returns the number of fixed blocks.
int FindModifySeqsOfFixed(tagBLOCK** blka, tagDualSeq* dseq, std::vector<std::vector<int>>* mt);
int SeqFixedBlockPair(tagBLOCK* a, tagBLOCK* b, std::vector<std::vector<int>>& R);
// Exchanges the places of blocks i and j in sequence A (which = 0) or B.
void SwapBlocks(tagDualSeq* dseq, int i, int j, int which);
// Packs the floorplan; when that pushes a fixed block off its given corner,
// puts the fixed blocks ahead of the movable blocks of their tier in both
// sequences (where nothing can push them) and returns 1, else 0. Either way
// the floorplan is left evaluated as by CalcObj.
int PutFixedBlocksFirst(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* dseq, tagLevelList* levels,
                        tagNORMPARA* norm, tagPARAMETERS* params);
// Both of the above: the fixed blocks in their required order and, when the
// packing pushes one of them, ahead of the movable blocks; then `unsettled`,
// when given, receives the arrangement before that. Returns 1 when the fixed
// blocks had to go first.
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
void Partition(tagBLOCK* design, int nparts, tagBLOCK** pads, tagNET** cell_nets,
               const GroupingOptions& options);
void ReadPartition(tagBLOCK* design, const char* path, tagBLOCK** pads, tagNET** cell_nets,
                   const GroupingOptions& options);
// A fixed cell of a PAD macro: it leaves the block list and lends its
// position to the terminal on its net.
bool IsFixedPad(const tagBLOCK* cell);
// The terminal a fixed pad stands for: the first terminal on its nets, or null.
tagPIN* PadTerminal(const tagBLOCK* pad);
// A cell of a macro (LEF class BLOCK).
bool IsMacro(const tagBLOCK* cell);
// A block of one component (a macro or a fixed cell) rather than a group of
// standard cells.
bool IsComponentBlock(const tagBLOCK* blk);
// The group of a cell that becomes a block of its own.
constexpr int kOwnBlock = -1;
// Rebuilds the block list from part (the group of cell id k is part[k - 1],
// in 0..count - 1, or kOwnBlock); returns the new block count.
int Grouping(tagBLOCK* design, int count, const int* part, tagBLOCK** pads);
// Installs the block-level nets and returns the old cell-level list; a net
// over two or more macros or terminals that also reaches a group gets a
// wire-only net over those of `macro_net_weight` times its weight.
tagNET* CreateNetsForBlocks(tagBLOCK* design, double macro_net_weight = 0);
// Merges block-level nets over the same pins, adding up their weights.
void GroupNetsConnectSameBlocks(tagBLOCK* design);
// qsort orders: PinIdCompare over tagPINLIST* entries (pin id, then owner id),
// NetPinNoCompare over tagNET* entries (ascending degree).
int PinIdCompare(const void* a, const void* b);
int NetPinNoCompare(const void* a, const void* b);
