// Packing of a dual sequence into coordinates. Blocks are visited in A
// order; a level tree gives the level a block rests on and a staircase keeps,
// per level, the far edge of the block there, strictly increasing along the
// staircase (dominated levels are dropped). Every pass is O(n log n) and
// works on preallocated arrays only.
#include <algorithm>

#include "seqpair/engine_state.h"
#include "seqpair/level_tree_ops.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace {

void EmptyStaircase(tagStaircase& s) {
  s.next[0] = kEndLevel;
  s.prev[kEndLevel] = 0;
  s.dist[0] = 0.0;
  s.dist[kEndLevel] = kInfinity;
}

// Where a block went in a staircase: the level it rests on and the first
// level after it that it does not dominate.
struct Placement {
  int below;
  int above;
};

// Puts `level` between `below` and `above`, unlinking whatever lay between.
void Link(tagStaircase& s, int below, int level, int above) {
  s.prev[above] = level;
  s.prev[level] = below;
  s.next[below] = level;
  s.next[level] = above;
}

// Puts the block at `level` on the staircase with far edge
// max(edge below, lower) + extent. With an undo record, remembers which
// levels the insertion unlinked so that it can be taken back exactly.
Placement PlaceOnStaircase(tagStaircase& s, tagBinTree* tree, int level, double lower, double extent,
                           tagStaircaseUndo* undo) {
  const int below = level_tree::AddFindPrevious(tree, level);
  const double end = std::max(s.dist[below], lower) + extent;
  s.dist[level] = end;
  const int first = s.next[below];
  int q = first;
  while (s.dist[q] <= end) {
    level_tree::RemoveIfPresent(tree, q);
    q = s.next[q];
  }
  if (undo) {
    undo->removed_first[level] = first;
    undo->removed_last[level] = s.prev[q];
  }
  Link(s, below, level, q);
  return {below, q};
}

// Takes the last insertion at `level` out of a staircase again; returns the
// neighbours the level had.
Placement TakeBack(tagStaircase& s, const tagStaircaseUndo& undo, int level) {
  const Placement around{s.prev[level], s.next[level]};
  s.next[around.below] = undo.removed_first[level];
  s.prev[around.above] = undo.removed_last[level];
  return around;
}

// Extent of one tier; a tier packed in several runs keeps its largest.
void RecordTierExtent(int tier, double width, double height) {
  if (tier < 0 || tier >= static_cast<int>(tiera.size())) return;
  tiera[tier].width = std::max(tiera[tier].width, width);
  tiera[tier].height = std::max(tiera[tier].height, height);
}

void SaveTierEnds(tagLevelList* levels, int tier) {
  if (tier < 0 || tier >= kMaxTiers) return;
  levels->t_undo.tier_head[tier] = levels->t.next[0];
  levels->t_undo.tier_tail[tier] = levels->t.prev[kEndLevel];
  levels->l_undo.tier_head[tier] = levels->l.next[0];
  levels->l_undo.tier_tail[tier] = levels->l.prev[kEndLevel];
}

}  // namespace

void CalCoords(tagBLOCK** blocks, tagDualSeq* seq, tagLevelList* levels, tagBinTree* tree_b,
               tagBinTree* tree_r, int* rest_b, int* rest_r, double* height, double* width,
               tagForwardLog* log) {
  const int n = seq->count;
  std::fill(rest_b, rest_b + n + 1, 0);
  std::fill(rest_r, rest_r + n + 1, 0);
  for (tagBLOCK& rec : tiera) rec.width = rec.height = 0.0;

  tagStaircase& sb = levels->b;
  tagStaircase& sr = levels->r;
  EmptyStaircase(sb);
  EmptyStaircase(sr);
  Tr_Init(tree_b);
  Tr_Init(tree_r);
  int tier = 0;
  double H = 0.0, W = 0.0, chip_h = 0.0, chip_w = 0.0;
  for (int b = seq->next_a[0]; b != 0; b = seq->next_a[b]) {
    // The block records are scattered in memory: fetch the next one while
    // this one is placed.
    const tagBLOCK* coming = blocks[seq->next_a[b]];
    __builtin_prefetch(&coming->width);
    __builtin_prefetch(&coming->fixed_y_lo);
    if (seq->tier[b] != tier) {
      // Blocks of different tiers do not interact: start an empty packing.
      RecordTierExtent(tier, W, H);
      chip_h = std::max(chip_h, H);
      chip_w = std::max(chip_w, W);
      Tr_Init(tree_b);
      Tr_Init(tree_r);
      EmptyStaircase(sb);
      EmptyStaircase(sr);
      H = W = 0.0;
      tier = seq->tier[b];
    }
    const tagBLOCK* blk = blocks[b];
    const int lb = seq->pos_b[b];
    const int lr = seq->rpos_b[b];
    const Placement on_b = PlaceOnStaircase(sb, tree_b, lb, blk->fixed_y_lo, blk->height, nullptr);
    const Placement on_r = PlaceOnStaircase(sr, tree_r, lr, blk->fixed_x_lo, blk->width, nullptr);
    const int pb = on_b.below, pr = on_r.below;
    if (log) {
      log->below_b[lb] = pb;
      log->above_b[lb] = on_b.above;
      log->below_r[lr] = pr;
      log->above_r[lr] = on_r.above;
    }
    rest_b[lb] = sb.dist[pb] >= blk->fixed_y_lo ? pb : 0;
    rest_r[lr] = sr.dist[pr] >= blk->fixed_x_lo ? pr : 0;
    H = std::max(H, sb.dist[lb]);
    W = std::max(W, sr.dist[lr]);
  }
  RecordTierExtent(tier, W, H);
  *height = std::max(chip_h, H);
  *width = std::max(chip_w, W);
}

void CalCoords_TR(tagBLOCK** blocks, double* lb_top, double* lb_right, tagDualSeq* seq, tagLevelList* levels,
                  tagBinTree* tree_t, tagBinTree* tree_l, int limit) {
  tagStaircase& st = levels->t;
  tagStaircase& sl = levels->l;
  EmptyStaircase(st);
  EmptyStaircase(sl);
  Tr_Init(tree_t);
  Tr_Init(tree_l);
  int tier = tier_no - 1;
  for (int b = seq->prev_a[0]; b != 0 && seq->rpos_a[b] <= limit; b = seq->prev_a[b]) {
    if (seq->tier[b] != tier) {
      // Keep the finished tier's staircase ends for the forward sweep.
      SaveTierEnds(levels, tier);
      EmptyStaircase(st);
      EmptyStaircase(sl);
      Tr_Init(tree_t);
      Tr_Init(tree_l);
      tier = seq->tier[b];
    }
    const tagBLOCK* blk = blocks[b];
    PlaceOnStaircase(st, tree_t, seq->rpos_b[b], lb_top[b], blk->height, &levels->t_undo);
    PlaceOnStaircase(sl, tree_l, seq->pos_b[b], lb_right[b], blk->width, &levels->l_undo);
  }
}

void SetLptr(int b, int undo, const tagForwardLog* log, tagDualSeq* seq, tagLevelList* levels) {
  // The logged packing left the far edges in place; only the links change.
  lvb = seq->pos_b[b];
  lvb_m1 = log->below_b[lvb];
  lvb_p1 = log->above_b[lvb];
  Link(levels->b, lvb_m1, lvb, lvb_p1);
  lvr = seq->rpos_b[b];
  lvr_m1 = log->below_r[lvr];
  lvr_p1 = log->above_r[lvr];
  Link(levels->r, lvr_m1, lvr, lvr_p1);
  if (undo > 0) {
    // The top-right packing inserted b after every block that follows it in
    // A, so at this point b is its most recent insertion.
    const Placement pt = TakeBack(levels->t, levels->t_undo, seq->rpos_b[b]);
    lvt_m1 = pt.below;
    lvt_p1 = pt.above;
    const Placement pl = TakeBack(levels->l, levels->l_undo, seq->pos_b[b]);
    lvl_m1 = pl.below;
    lvl_p1 = pl.above;
  }
}

void SetCellPos(double sx, double sy, int centre, tagBLOCK** blocks, tagPIN** pada, tagDualSeq* seq,
                tagLevelList* levels, tagNORMPARA* /*norm*/) {
  const int n = seq->count;
  for (int b = 1; b <= n; ++b) {
    tagBLOCK* blk = blocks[b];
    const double x_end = levels->r.dist[seq->rpos_b[b]];
    const double y_end = levels->b.dist[seq->pos_b[b]];
    if (centre == 0) {
      blk->x = x_end - blk->width;
      blk->y = y_end - blk->height;
    } else {
      blk->x = static_cast<float>(x_end - 0.5 * blk->width);
      blk->y = static_cast<float>(y_end - 0.5 * blk->height);
    }
  }
  if (!pada) return;
  // Terminals keep their place relative to the chip outline.
  const int terminals = blocks[0]->pin_count;
  for (int k = 1; k <= terminals; ++k) {
    tagPIN* pad = pada[k];
    if (!pad || !pad->pinclass) continue;
    pad->x = pad->pinclass->x * sx;
    pad->y = pad->pinclass->y * sy;
  }
}

double UpDist(int b, tagBLOCK** blocks, int vertical, int* order, int* pos, int* levels, int* tier,
              double* dist, double* old_dist, int* changed, int limit_pos, int limit_level, int tier_wanted,
              double base, double size, double shift) {
  // The inserted block's own staircase of pushed blocks; it needs the same
  // predecessor queries as a packing, made once for the largest design.
  static tagBinTree pushed_tree;
  static int pushed_next[kLevelCap];
  if (pushed_tree.node.empty()) {
    BinTreeInit(&pushed_tree, kMaxBlocks);
    Tr_Init(&pushed_tree);
    pushed_next[0] = kEndLevel;
  }
  // The tree holds the last call's staircase: taking out its few levels costs
  // far less than clearing a tree sized for the largest design.
  for (int q = pushed_next[0]; q != kEndLevel; q = pushed_next[q]) Tr_RemLvl(q, &pushed_tree);

  // The inserted block rests on the blocks before it in both sequences.
  int blk = order[0];
  for (; blk != 0 && pos[blk] <= limit_pos; blk = order[blk]) {
    if (tier[blk] != tier_wanted) continue;
    if (levels[blk] <= limit_level) base = std::max(base, dist[levels[blk]]);
  }

  changed[0] = b;
  changed[b] = -1;
  pushed_next[0] = kEndLevel;
  dist[0] = base + size;
  double result = base + size;

  // Blocks after it in A and above it (vertical) or right of it (horizontal)
  // move only when a path through the inserted block is longer than before.
  for (; blk != 0 && tier[blk] == tier_wanted; blk = order[blk]) {
    const int level = levels[blk];
    if (level <= limit_level) continue;
    const tagBLOCK* c = blocks[blk];
    const double lower = vertical ? c->fixed_y_lo : c->fixed_x_lo;
    const double extent = vertical ? c->height : c->width;
    const int below = Tr_FindPrevLvl(level, &pushed_tree);
    const double start = std::max(dist[below], lower - shift) + extent;
    if (start <= dist[level]) continue;
    old_dist[level] = dist[level];
    dist[level] = start;
    changed[blk] = changed[0];
    changed[0] = blk;
    Tr_AddLvl(level, &pushed_tree);
    int q = pushed_next[below];
    while (dist[q] <= start) {
      Tr_RemLvl(q, &pushed_tree);
      q = pushed_next[q];
    }
    pushed_next[below] = level;
    pushed_next[level] = q;
    result = std::max(result, start);
  }
  return result;
}

Slack SlackOf(const tagBLOCK* blk, const tagDualSeq* seq, const tagLevelList* levels, double W, double H) {
  const int b = blk->id;
  return {W - levels->l.dist[seq->pos_b[b]] - blk->x, H - levels->t.dist[seq->rpos_b[b]] - blk->y};
}
