// Reshaping the soft blocks of a packed floorplan.
//
// Packed once from the bottom left and once from the top right, each block
// shows its slack: how far it could move right (or up) without widening (or
// heightening) the chip. A soft block without slack across a side it should
// shorten sets that side, so it becomes narrower and taller, as far as the
// slack above it allows, or flatter, as far as the slack beside it allows.
// Outside the outline the overflowing sides shorten, the slack reaching to
// the outline; inside it both sides shorten within the chip, which brings
// the terminals (placed at fractions of the chip) and every net in. Blocks
// that share a slack may take it together, so a round that makes the
// floorplan worse is undone and the next one takes a smaller share.
#include <algorithm>
#include <vector>

#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"

namespace {

constexpr int kRounds = 12;
constexpr double kLeastShare = 1.0 / 16;

// The packed floorplan's area cost, then its net length.
struct Standing {
  double area, wire;
  bool Beats(const Standing& o) const { return area < o.area || (area == o.area && wire < o.wire); }
};

// Packs the floorplan as CalcObj does and measures it.
Standing PackAndMeasure(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* seq, tagLevelList* levels,
                        tagNORMPARA* norm, tagPARAMETERS* params) {
  const double wire = CalcObj(blka, neta, pada, seq, levels, norm, params);
  return {PackedAreaCost(params), wire};
}

struct Shape {
  int block;
  double width, height;
};

// New shapes for the soft blocks that set a side to shorten; returns the
// old shapes of those it changed. The blocks' x, y hold their lower-left
// corners as the bottom-left packing placed them.
std::vector<Shape> ReshapeCritical(tagBLOCK** blka, tagDualSeq* seq, tagLevelList* levels, double unit,
                                   double share) {
  const int n = seq->count;
  const double W = std::max(mxdstha, shape_h), H = std::max(mxdstva, shape_v);
  const bool fits = mxdstha <= shape_h && mxdstva <= shape_v;
  const bool wide = fits || mxdstha > shape_h, tall = fits || mxdstva > shape_v;
  CalCoords_TR(blka, ndpos_y_top, ndpos_x_lft, seq, levels, p_btree, p_rtree, n + 1);
  std::vector<Shape> changed;
  for (int b = 1; b <= n; ++b) {
    tagBLOCK* blk = blka[b];
    if (!IsSoftBlock(blk)) continue;
    const Slack slack = fits ? SlackOf(blk, seq, levels, mxdstha, mxdstva) : SlackOf(blk, seq, levels, W, H);
    const SoftRange r = SoftRangeOf(blk->blkclass, unit);
    double width = blk->width;
    if (wide && CompareGaps(slack.x, 0.0) <= 0)
      width = std::min(width, SoftWidthUnder(r, blk->height + share * std::max(0.0, slack.y)));
    else if (tall && CompareGaps(slack.y, 0.0) <= 0)
      width = std::max(width, SoftWidthWithin(r, blk->width + share * std::max(0.0, slack.x)));
    if (width == blk->width) continue;
    changed.push_back({b, blk->width, blk->height});
    blk->width = width;
    blk->height = SoftHeightAt(r, width);
  }
  return changed;
}

}  // namespace

bool ReshapeSoftBlocks(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* seq, tagLevelList* levels,
                       tagNORMPARA* norm, tagPARAMETERS* params) {
  // A design without soft blocks is left exactly as it stands.
  if (std::none_of(blka + 1, blka + seq->count + 1, IsSoftBlock)) return false;
  Standing standing = PackAndMeasure(blka, neta, pada, seq, levels, norm, params);
  bool improved = false;
  double share = 1.0;
  for (int round = 0; round < kRounds && share >= kLeastShare; ++round) {
    const std::vector<Shape> old = ReshapeCritical(blka, seq, levels, norm->scale, share);
    if (old.empty()) break;
    const Standing reshaped = PackAndMeasure(blka, neta, pada, seq, levels, norm, params);
    if (reshaped.Beats(standing)) {
      standing = reshaped;
      improved = true;
      continue;
    }
    for (const Shape& s : old) {
      blka[s.block]->width = s.width;
      blka[s.block]->height = s.height;
    }
    CalcObj(blka, neta, pada, seq, levels, norm, params);
    share /= 2;
  }
  return improved;
}
