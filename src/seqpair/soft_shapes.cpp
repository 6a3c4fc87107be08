// The shapes of soft blocks: whole input units, as every size the bookshelf
// format writes, so that a result reads back as the hard design it became.
#include <algorithm>
#include <cmath>

#include "seqpair/seqpair.h"

namespace {

// Widths and heights in input units come from divisions and roots of
// whole numbers; this keeps an exact quotient from rounding past itself.
constexpr double kWholeSlack = 1e-9;

long long HeightUnits(double area, long long width) {
  return static_cast<long long>(std::ceil(area / static_cast<double>(width) - kWholeSlack));
}

double AspectAt(double area, long long width) {
  return static_cast<double>(HeightUnits(area, width)) / static_cast<double>(width);
}

}  // namespace

bool IsSoftBlock(const tagBLOCK* blk) {
  return blk->kind == 0 && blk->blkclass && blk->blkclass->soft_area > 0;
}

SoftRange SoftRangeOf(const tagBLOCKCLASS* cls, double unit) {
  SoftRange r;
  r.unit = unit;
  r.area = cls->soft_area / (unit * unit);
  r.w_lo = std::max(1LL, static_cast<long long>(std::ceil(std::sqrt(r.area / cls->aspect_hi) - kWholeSlack)));
  r.w_hi =
      std::max(r.w_lo, static_cast<long long>(std::floor(std::sqrt(r.area / cls->aspect_lo) + kWholeSlack)));
  // The height rounds up, so the aspect of a whole shape lies above the
  // area's: the narrowest widths may fall past the range, a few widths
  // beyond the widest square root may come into it. The aspect falls as the
  // width grows, so the widths in the range stay one run.
  while (AspectAt(r.area, r.w_hi + 1) >= cls->aspect_lo && AspectAt(r.area, r.w_hi + 1) <= cls->aspect_hi)
    ++r.w_hi;
  while (r.w_hi > r.w_lo && AspectAt(r.area, r.w_hi) < cls->aspect_lo) --r.w_hi;
  while (r.w_lo < r.w_hi && AspectAt(r.area, r.w_lo) > cls->aspect_hi) ++r.w_lo;
  return r;
}

double SoftWidthWithin(const SoftRange& r, double width) {
  const auto units = static_cast<long long>(std::floor(width / r.unit + kWholeSlack));
  return static_cast<double>(std::clamp(units, r.w_lo, r.w_hi)) * r.unit;
}

double SoftWidthUnder(const SoftRange& r, double height) {
  const double units = std::floor(height / r.unit + kWholeSlack);
  if (units < 1) return static_cast<double>(r.w_hi) * r.unit;
  const auto width = static_cast<long long>(std::ceil(r.area / units - kWholeSlack));
  return static_cast<double>(std::clamp(width, r.w_lo, r.w_hi)) * r.unit;
}

double SoftHeightAt(const SoftRange& r, double width) {
  const auto units = std::max(1LL, std::llround(width / r.unit));
  return static_cast<double>(HeightUnits(r.area, units)) * r.unit;
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
