// Placement blockages of a LEF/DEF design: on one tier in the DEF's own die
// the blocks keep off them, as off preplaced blocks, and the tier DEF writes
// them back; a folded die or an outline sized from the block area has no
// place for them.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "driver/records.h"
#include "driver/utilities.h"
#include "io/lefdef.h"

namespace {

using Spans = std::vector<std::pair<double, double>>;

// The x extents of the boxes that cross the band from y0 to y1, joined
// where they touch or overlap, left to right.
Spans SpansAcross(const std::vector<Box>& boxes, double y0, double y1) {
  Spans spans;
  for (const Box& b : boxes)
    if (b.yl <= y0 && b.yh >= y1) spans.emplace_back(b.xl, b.xh);
  std::sort(spans.begin(), spans.end());
  Spans joined;
  for (const auto& [xl, xh] : spans)
    if (!joined.empty() && xl <= joined.back().second)
      joined.back().second = std::max(joined.back().second, xh);
    else
      joined.emplace_back(xl, xh);
  return joined;
}

// What `covered` spans and `taken` does not, both joined and ordered.
Spans Without(const Spans& covered, const Spans& taken) {
  Spans rest;
  size_t t = 0;
  for (auto [xl, xh] : covered) {
    while (t < taken.size() && taken[t].second <= xl) ++t;
    for (size_t k = t; k < taken.size() && taken[k].first < xh; ++k) {
      if (taken[k].first > xl) rest.emplace_back(xl, taken[k].first);
      xl = std::max(xl, taken[k].second);
    }
    if (xl < xh) rest.emplace_back(xl, xh);
  }
  return rest;
}

// The area `covered` covers and `taken` leaves free, as rectangles that do
// not overlap: every box edge cuts the plane into bands, and a free span
// that repeats the one of the band below extends its rectangle upwards.
// Pieces thinner than `least` are dropped.
std::vector<Box> FreeParts(const std::vector<Box>& covered, const std::vector<Box>& taken, double least) {
  std::vector<double> ys;
  for (const std::vector<Box>* boxes : {&covered, &taken})
    for (const Box& b : *boxes) ys.insert(ys.end(), {b.yl, b.yh});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  std::vector<Box> parts;
  std::vector<std::pair<std::pair<double, double>, size_t>> open;  // the spans of the band below
  for (size_t j = 0; j + 1 < ys.size(); ++j) {
    std::vector<std::pair<std::pair<double, double>, size_t>> next;
    for (const auto& span :
         Without(SpansAcross(covered, ys[j], ys[j + 1]), SpansAcross(taken, ys[j], ys[j + 1]))) {
      auto below = std::find_if(open.begin(), open.end(), [&span](const auto& o) { return o.first == span; });
      if (below != open.end()) {
        parts[below->second].yh = ys[j + 1];
        next.emplace_back(span, below->second);
      } else {
        next.emplace_back(span, parts.size());
        parts.push_back({span.first, ys[j], span.second, ys[j + 1]});
      }
    }
    open = std::move(next);
  }
  parts.erase(std::remove_if(parts.begin(), parts.end(),
                             [least](const Box& b) { return b.Width() < least || b.Height() < least; }),
              parts.end());
  return parts;
}

}  // namespace

void KeepBlocksOffBlockages(const char* def, tagBLOCK* design, const tagPARAMETERS* params,
                            LefDefFloorplan& f) {
  if (lefdef_reading.blockages.empty()) return;
  if (f.tiers > 1 || params->die_outline == 0) {
    std::printf(
        "Warning: %s: its BLOCKAGES are honoured on one tier in its own die only; blocks may cover them.\n",
        def);
    return;
  }
  f.blockages_kept = true;
  const double dbu = design->unit_scale;
  std::vector<Box> hard, preplaced;
  for (const defiBlockage& blockage : lefdef_reading.blockages)
    for (const defiBox& r : blockage.boxes_)
      if (blockage.hard_)
        hard.push_back({std::max(r.xl() / dbu, f.core.xl), std::max(r.yl() / dbu, f.core.yl),
                        std::min(r.xh() / dbu, f.core.xh), std::min(r.yh() / dbu, f.core.yh)});
  hard.erase(std::remove_if(hard.begin(), hard.end(),
                            [](const Box& b) { return !(b.Width() > 0 && b.Height() > 0); }),
             hard.end());
  tagBLOCK** tail = &design->children;
  for (; *tail; tail = &(*tail)->next)
    if ((*tail)->kind != 0) preplaced.push_back(PlacedBox(*tail));
  // Where a blockage covers a preplaced block or its halo, the block
  // stands; where blockages overlap, one block keeps both clear. Cutting
  // takes time quadratic in the rectangles, so their number is bounded first.
  const std::vector<Box> parts =
      hard.size() > static_cast<size_t>(kMaxBlocks) ? hard : FreeParts(hard, preplaced, 1 / dbu);
  if (design->block_count + static_cast<int>(parts.size()) > kMaxBlocks)
    Refuse({def}, 1, "Error: %d blocks and %zu rectangles of placement blockages; at most %d are supported.",
           design->block_count, parts.size(), kMaxBlocks);
  tagBLOCKCLASS* root = design->blkclass;
  int number = 0;
  for (const Box& b : parts) {
    tagBLOCKCLASS* cls = NewBlkc();
    cls->id = root->classes ? root->classes->id + 1 : 1;
    cls->type = kBlockageClass;
    cls->width = b.Width();
    cls->height = b.Height();
    cls->next = root->classes;
    root->classes = cls;
    tagBLOCK* blk = NewBlk();
    blk->name = CopyName(("blockage-" + std::to_string(++number)).c_str());
    blk->id = ++design->block_count;
    blk->kind = 3;
    blk->blkclass = cls;
    blk->area = b.Width() * b.Height();
    blk->fixed_x_lo = blk->fixed_x_hi = b.xl;
    blk->fixed_y_lo = blk->fixed_y_hi = b.yl;
    blk->parent = design;
    *tail = blk;
    tail = &blk->next;
    design->area += blk->area;
  }
  std::printf("Placement blockages: %zu rectangles kept clear of blocks.\n", parts.size());
}
