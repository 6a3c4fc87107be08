// The shapes of soft blocks: whole steps of width and height, one input
// unit each by default, as every size the bookshelf format writes, so that a
// result reads back as the hard design it became; a group of standard cells
// steps by sites and rows, so that its fence stays on the rows.
#include <algorithm>
#include <cmath>
#include <limits>

#include "seqpair/seqpair.h"

namespace {

// Widths and heights in steps come from divisions and roots of whole
// numbers; this keeps an exact quotient from rounding past itself.
constexpr double kWholeSlack = 1e-9;

long long HeightUnits(double area, long long width) {
  return static_cast<long long>(std::ceil(area / static_cast<double>(width) - kWholeSlack));
}

// The narrowest width whose height is at most `height` steps.
long long NarrowestUnder(double area, long long height) {
  auto width =
      std::max(1LL, static_cast<long long>(std::ceil(area / static_cast<double>(height) - kWholeSlack)));
  while (width > 1 && HeightUnits(area, width - 1) <= height) --width;
  while (HeightUnits(area, width) > height) ++width;
  return width;
}

long long StepsAtLeast(double length, double step) {
  return static_cast<long long>(std::ceil(length / step - kWholeSlack));
}

long long StepsAtMost(double length, double step) {
  return static_cast<long long>(std::floor(length / step + kWholeSlack));
}

// The height at a width of `width` steps, the width taken as one step at
// least (a range squeezed to nothing by its bounds holds width 0).
long long HeightAtSteps(double area, long long width) { return HeightUnits(area, std::max(1LL, width)); }

// The narrowest admissible width whose height is at most `height` steps;
// the widest where none is.
long long NarrowestAdmissible(const SoftRange& r, long long height) {
  if (height < 1) return r.w_hi;
  return std::clamp(NarrowestUnder(r.area, height), r.w_lo, r.w_hi);
}

// Steps of a length: its floor within [lo, hi]. Clamped first, the quotient
// is at least lo >= 0, where a conversion truncates to the floor, so no
// call to floor() is made.
long long StepsWithin(double length, double step, long long lo, long long hi) {
  return static_cast<long long>(
      std::clamp(length / step + kWholeSlack, static_cast<double>(lo), static_cast<double>(hi)));
}

// Shape tables longer than this are not made.
constexpr long long kTableCap = 1 << 16;

}  // namespace

bool IsSoftBlock(const tagBLOCK* blk) {
  return blk->kind == 0 && blk->blkclass && blk->blkclass->soft_area > 0;
}

SoftRange SoftRangeOf(const tagBLOCKCLASS* cls, double unit) {
  SoftRange r;
  r.step_w = cls->soft_step_w > 0 ? cls->soft_step_w : unit;
  r.step_h = cls->soft_step_h > 0 ? cls->soft_step_h : unit;
  r.area = cls->soft_area / (r.step_w * r.step_h);
  // A shape of w by h steps has the aspect h * k / w.
  const double k = r.step_h / r.step_w;
  auto aspect = [&](long long w) {
    return static_cast<double>(HeightUnits(r.area, w)) * k / static_cast<double>(w);
  };
  r.w_lo =
      std::max(1LL, static_cast<long long>(std::ceil(std::sqrt(r.area * k / cls->aspect_hi) - kWholeSlack)));
  r.w_hi = std::max(r.w_lo,
                    static_cast<long long>(std::floor(std::sqrt(r.area * k / cls->aspect_lo) + kWholeSlack)));
  // The height rounds up, so the aspect of a whole shape lies above the
  // area's: the narrowest widths may fall past the range, a few widths
  // beyond the widest square root may come into it. The aspect falls as the
  // width grows, so the widths in the range stay one run.
  while (aspect(r.w_hi + 1) >= cls->aspect_lo && aspect(r.w_hi + 1) <= cls->aspect_hi) ++r.w_hi;
  while (r.w_hi > r.w_lo && aspect(r.w_hi) < cls->aspect_lo) --r.w_hi;
  while (r.w_lo < r.w_hi && aspect(r.w_lo) > cls->aspect_hi) ++r.w_lo;
  // The bounds make a run of widths too; where the two runs miss each
  // other, the bounds win: a shape that breaks them is of no use.
  long long lo = 1, hi = std::numeric_limits<long long>::max();
  if (cls->soft_min_w > 0) lo = StepsAtLeast(cls->soft_min_w, r.step_w);
  if (cls->soft_max_h > 0)
    lo = std::max(lo, NarrowestUnder(r.area, std::max(1LL, StepsAtMost(cls->soft_max_h, r.step_h))));
  const long long least_h = cls->soft_min_h > 0 ? StepsAtLeast(cls->soft_min_h, r.step_h) : 0;
  if (least_h > 1) hi = std::max(lo, NarrowestUnder(r.area, least_h - 1) - 1);
  r.w_lo = std::clamp(r.w_lo, lo, hi);
  r.w_hi = std::clamp(r.w_hi, lo, hi);
  return r;
}

double SoftWidthWithin(const SoftRange& r, double width) {
  return static_cast<double>(StepsWithin(width, r.step_w, r.w_lo, r.w_hi)) * r.step_w;
}

double SoftWidthUnder(const SoftRange& r, double height) {
  return static_cast<double>(NarrowestAdmissible(r, StepsAtMost(height, r.step_h))) * r.step_w;
}

double SoftHeightAt(const SoftRange& r, double width) {
  return static_cast<double>(HeightAtSteps(r.area, std::llround(width / r.step_w))) * r.step_h;
}

void TableSoftShapes(const SoftRange& r, SoftShapeTable* t) {
  t->range = r;
  t->h_top = std::max(1LL, HeightAtSteps(r.area, r.w_lo));
  // Below the widest shape's height every answer is the widest width.
  t->h_base = std::max(0LL, HeightAtSteps(r.area, r.w_hi) - 1);
  t->height.clear();
  t->narrowest.clear();
  if (r.w_hi - r.w_lo >= kTableCap || t->h_top - t->h_base >= kTableCap) return;
  for (long long w = r.w_lo; w <= r.w_hi; ++w) t->height.push_back(HeightAtSteps(r.area, w));
  for (long long h = t->h_base; h <= t->h_top; ++h) t->narrowest.push_back(NarrowestAdmissible(r, h));
}

long long SoftStepsWithin(const SoftShapeTable& t, double width) {
  return StepsWithin(width, t.range.step_w, t.range.w_lo, t.range.w_hi);
}

long long SoftStepsUnder(const SoftShapeTable& t, double height) {
  const long long steps = StepsWithin(height, t.range.step_h, t.h_base, t.h_top);
  return t.narrowest.empty() ? NarrowestAdmissible(t.range, steps) : t.narrowest[steps - t.h_base];
}

long long SoftHeightSteps(const SoftShapeTable& t, long long width_steps) {
  return t.height.empty() ? HeightAtSteps(t.range.area, width_steps) : t.height[width_steps - t.range.w_lo];
}

void TakeSoftShapes(tagBLOCK** blka, int n) {
  for (int b = 1; b <= n; ++b) {
    tagBLOCK* blk = blka[b];
    if (!IsSoftBlock(blk)) continue;
    tagBLOCKCLASS* cls = blk->blkclass;
    for (tagPINCLASS* pc = cls->pinclasses; pc; pc = pc->next) {
      pc->x *= blk->width / cls->width;
      pc->y *= blk->height / cls->height;
    }
    cls->width = blk->width;
    cls->height = blk->height;
  }
}
