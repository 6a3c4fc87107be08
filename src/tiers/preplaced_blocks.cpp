// Preplaced blocks keep the relative arrangement of their given positions:
// each pair gets a required order in one or both sequences, the orders are
// sorted topologically, and the fixed blocks are permuted among the places
// they hold in each sequence while every movable block stays where it is.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "driver/graph.h"
#include "driver/utilities.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"
#include "tiers/tiers.h"

namespace {

// The fixed indices in an order in which every required relation of `bit`
// goes forwards, or an empty list when the relations form a cycle.
std::vector<int> RequiredOrder(const std::vector<std::vector<int>>& R, int bit) {
  const int count = static_cast<int>(R.size());
  Digraph<int, int> graph;
  for (int i = 0; i < count; ++i) graph.new_node(i);
  for (int i = 0; i < count; ++i)
    for (int j = 0; j < count; ++j)
      if (R[i][j] & bit) graph.new_edge(i, j, 0);
  std::vector<int> rank;
  if (!TOPSORT(graph, rank)) {
    std::printf("Warning: Topological Sorting Failed!\n");
    return {};
  }
  std::vector<int> order(count);
  for (int v = 0; v < count; ++v) order[rank[v] - 1] = graph.node_payload(v);
  return order;
}

// Walks one sequence and brings the fixed blocks into the required order,
// each exchange moving the required block into the place reached. Each tier
// does so among the places its own fixed blocks hold: blocks of different
// tiers never touch, and an exchange across tiers would split a tier's run in
// the sequence into pieces that are packed apart and overlap.
void ReorderFixed(tagDualSeq* dseq, tagBLOCK** blka, const std::vector<int>& order, int which) {
  std::vector<int>& next = which == 0 ? dseq->next_a : dseq->next_b;
  std::vector<int> wanted[kMaxTiers];
  for (int k : order) {
    const int id = ppblka[k]->id;
    wanted[std::clamp(dseq->tier[id], 0, kMaxTiers - 1)].push_back(id);
  }
  size_t rank[kMaxTiers] = {};
  for (int b = next[0]; b != 0; b = next[b]) {
    if (!IsFixed(blka[b])) continue;
    const int t = std::clamp(dseq->tier[b], 0, kMaxTiers - 1);
    if (rank[t] == wanted[t].size()) continue;  // not among the blocks ordered
    const int required = wanted[t][rank[t]++];
    if (b != required) {
      SwapBlocks(dseq, b, required, which);
      b = required;
    }
  }
}

// Moves the fixed blocks to the front of their tier's run in one sequence,
// keeping their order and that of the movable blocks.
void FixedBlocksFirst(tagDualSeq* dseq, tagBLOCK** blka, std::vector<int>& next) {
  std::vector<int> order;
  for (int b = next[0]; b != 0; b = next[b]) order.push_back(b);
  auto is_fixed = [blka](int b) { return IsFixed(blka[b]); };
  for (auto run = order.begin(); run != order.end();) {
    const int tier = dseq->tier[*run];
    auto end = std::find_if(run, order.end(), [&](int b) { return dseq->tier[b] != tier; });
    std::stable_partition(run, end, is_fixed);
    run = end;
  }
  LinkSequence(order, &next);
}

}  // namespace

int SeqFixedBlockPair(tagBLOCK* a, tagBLOCK* b, std::vector<std::vector<int>>& R) {
  const int ia = FixedIndex(a), ib = FixedIndex(b);
  const double a_right = a->fixed_x_lo + a->width, a_top = a->fixed_y_lo + a->height;
  const double b_right = b->fixed_x_lo + b->width, b_top = b->fixed_y_lo + b->height;
  // Corners converted from database units meet only up to rounding: an
  // overlap within that is a shared edge.
  const double rounding = 1e-9 * (a->width + a->height + b->width + b->height);
  auto overlap = [rounding](double lo_a, double hi_a, double lo_b, double hi_b) {
    const double o = std::min(hi_a, hi_b) - std::max(lo_a, lo_b);
    return std::fabs(o) <= rounding ? 0.0 : o;
  };
  const double x_overlap = overlap(a->fixed_x_lo, a_right, b->fixed_x_lo, b_right);
  const double y_overlap = overlap(a->fixed_y_lo, a_top, b->fixed_y_lo, b_top);
  const bool b_right_of_a = b->fixed_x_lo > a->fixed_x_lo;
  const bool b_above_a = b->fixed_y_lo > a->fixed_y_lo;

  if (x_overlap > 0 && y_overlap > 0) {
    DclError("Predefined coordinates unreasonable!");
    return -1;
  }
  if (x_overlap <= 0 && y_overlap <= 0) {
    // Apart on both axes, a shared edge or corner counting as apart:
    // constrain only the sequence that both admissible relations share. A
    // then requires a before b exactly when a is left of or below b and b is
    // neither left of nor below a, which closes no cycle: in one, the block
    // with the lowest top has a predecessor p left of it that reaches below
    // that top, so its successor is neither left of nor below p, p must
    // precede the successor too, and the cycle shortens. B is A mirrored.
    // Left-of in both sequences for blocks that share an edge, however true,
    // closes cycles with a third block.
    if (b_right_of_a && b_above_a) return R[ia][ib] = kBeforeInA, 1;
    if (b_right_of_a) return R[ib][ia] = kBeforeInB, 5;
    if (b_above_a) return R[ia][ib] = kBeforeInB, 2;
    return R[ib][ia] = kBeforeInA, 4;
  }
  if (x_overlap <= 0) {
    if (b_right_of_a) {
      R[ia][ib] = kBeforeInA;
      R[ib][ia] = kBeforeInB;
      return 6;
    }
    R[ib][ia] = kBeforeInA;
    R[ia][ib] = kBeforeInB;
    return 8;
  }
  if (b_above_a) return R[ia][ib] = kBeforeInA | kBeforeInB, 3;
  return R[ib][ia] = kBeforeInA | kBeforeInB, 7;
}

void SwapBlocks(tagDualSeq* dseq, int i, int j, int which) {
  if (i == j) return;
  std::vector<int>& next = which == 0 ? dseq->next_a : dseq->next_b;
  std::vector<int>& prev = which == 0 ? dseq->prev_a : dseq->prev_b;
  std::vector<int>& pos = which == 0 ? dseq->pos_a : dseq->pos_b;
  std::vector<int>& rpos = which == 0 ? dseq->rpos_a : dseq->rpos_b;
  if (next[j] == i) std::swap(i, j);
  const int pi = prev[i], ni = next[i], pj = prev[j], nj = next[j];
  if (ni == j) {  // neighbours: pi, i, j, nj becomes pi, j, i, nj
    next[pi] = j;
    prev[j] = pi;
    next[j] = i;
    prev[i] = j;
    next[i] = nj;
    prev[nj] = i;
  } else {
    next[pi] = j;
    prev[j] = pi;
    next[j] = ni;
    prev[ni] = j;
    next[pj] = i;
    prev[i] = pj;
    next[i] = nj;
    prev[nj] = i;
  }
  std::swap(pos[i], pos[j]);
  std::swap(rpos[i], rpos[j]);
}

int FindModifySeqsOfFixed(tagBLOCK** blka, tagDualSeq* dseq, std::vector<std::vector<int>>* mt) {
  ppblka.clear();
  // Numbered anew on every call: a fixed block keeps kind 3 in its low bits.
  for (tagBLOCK* b = blka[0]->children; b; b = b->next)
    if (IsFixed(b)) {
      b->kind = 3 + 4 * static_cast<int>(ppblka.size());
      ppblka.push_back(b);
    }
  fixed_num = static_cast<int>(ppblka.size());
  mt->assign(fixed_num, std::vector<int>(fixed_num, 0));
  if (fixed_num == 0) return 0;

  for (int i = 0; i < fixed_num; ++i)
    for (int j = 0; j < i; ++j) SeqFixedBlockPair(ppblka[i], ppblka[j], *mt);

  // A sequence whose requirements form a cycle is left as it is.
  std::vector<int> order_b = RequiredOrder(*mt, kBeforeInB);
  std::vector<int> order_a = RequiredOrder(*mt, kBeforeInA);
  if (!order_b.empty()) ReorderFixed(dseq, blka, order_b, 1);
  if (!order_a.empty()) ReorderFixed(dseq, blka, order_a, 0);
  return fixed_num;
}

int PutFixedBlocksFirst(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* dseq, tagLevelList* levels,
                        tagNORMPARA* norm, tagPARAMETERS* params) {
  // Pushed beyond rounding: corners from database units meet only up to it.
  const auto pushed = [&]() {
    CalcObj(blka, neta, pada, dseq, levels, norm, params);
    return std::any_of(ppblka.begin(), ppblka.end(), [](const tagBLOCK* blk) {
      const double rounding = 1e-9 * (blk->width + blk->height);
      return blk->x - blk->fixed_x_hi > rounding || blk->y - blk->fixed_y_hi > rounding;
    });
  };
  if (!pushed()) return kSettledAsIs;
  // Shelves around the fixed blocks keep them at their places and start the
  // search near the outline's size, where putting them first would put
  // every movable block right of them.
  tagDualSeq ordered;
  DualSeqInit(&ordered, dseq->count, 0);
  CopyDualSeq(dseq, &ordered);
  LayShelvesAroundPreplaced(blka, dseq);
  if (!pushed()) {
    std::printf(
        "Preplaced blocks pushed off their places: the movable blocks laid in shelves around them.\n");
    return kSettledInShelves;
  }
  CopyDualSeq(&ordered, dseq);
  // Packed ahead of every movable block of its tier, a fixed block has only
  // fixed blocks below and left of it, and those stand apart as their given
  // corners require, so every one of them lands exactly on its corner.
  FixedBlocksFirst(dseq, blka, dseq->next_a);
  FixedBlocksFirst(dseq, blka, dseq->next_b);
  RebuildPositions(dseq);
  CalcObj(blka, neta, pada, dseq, levels, norm, params);
  std::printf("Preplaced blocks pushed off their places: moved ahead of the movable blocks.\n");
  return kSettledFirst;
}

int SettlePreplacedBlocks(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* dseq,
                          tagLevelList* levels, tagNORMPARA* norm, tagPARAMETERS* params,
                          tagDualSeq* unsettled) {
  FindModifySeqsOfFixed(blka, dseq, &mt_fixed);
  if (fixed_num == 0) return kSettledAsIs;
  if (unsettled) CopyDualSeq(dseq, unsettled);
  return PutFixedBlocksFirst(blka, neta, pada, dseq, levels, norm, params);
}
