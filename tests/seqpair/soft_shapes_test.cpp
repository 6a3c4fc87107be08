#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "design_builder.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "sequence_fixture.h"

namespace {

using testing_support::TestDesign;
using testing_support::TestEngine;

// Whole heights by integer division: an oracle apart from the code's roots
// and slack.
long long HeightOf(long long area, long long width) { return (area + width - 1) / width; }

// On random areas, ranges and units, the admissible widths found by trying
// every width agree with the range and with each pick: the widest within a
// width, the narrowest under a height, and the height at a width.
TEST(SoftShapes, RangeAndPicksAgreeWithEveryWidthTried) {
  std::mt19937 rng(5);
  const double units[] = {1.0, 0.25, 3.0};
  int cases = 0;
  for (int trial = 0; trial < 400; ++trial) {
    const long long area = 1 + static_cast<long long>(rng() % 3000);
    const double lo = 0.1 + static_cast<double>(rng() % 100) / 40.0;
    const double hi = lo * (1.0 + static_cast<double>(rng() % 100) / 25.0);
    const double unit = units[trial % 3];
    tagBLOCKCLASS cls{};
    cls.soft_area = static_cast<double>(area) * unit * unit;
    cls.aspect_lo = lo;
    cls.aspect_hi = hi;
    std::vector<long long> fit;
    for (long long w = 1; w <= area; ++w) {
      const double aspect = static_cast<double>(HeightOf(area, w)) / static_cast<double>(w);
      if (aspect >= lo && aspect <= hi) fit.push_back(w);
    }
    const SoftRange r = SoftRangeOf(&cls, unit);
    SCOPED_TRACE(testing::Message() << "area " << area << " range " << lo << ".." << hi << " unit " << unit);
    ASSERT_LE(r.w_lo, r.w_hi);
    if (fit.empty()) continue;
    ++cases;
    ASSERT_EQ(r.w_lo, fit.front());
    ASSERT_EQ(r.w_hi, fit.back());
    for (int probe = 0; probe < 20; ++probe) {
      const double x = static_cast<double>(rng() % (4 * area + 8)) * 0.5 * unit;
      long long within = fit.front(), under = fit.back();
      for (long long w : fit)
        if (static_cast<double>(w) * unit <= x) within = w;
      for (auto w = fit.rbegin(); w != fit.rend(); ++w)
        if (static_cast<double>(HeightOf(area, *w)) * unit <= x) under = *w;
      EXPECT_DOUBLE_EQ(SoftWidthWithin(r, x), static_cast<double>(within) * unit) << "within " << x;
      EXPECT_DOUBLE_EQ(SoftWidthUnder(r, x), static_cast<double>(under) * unit) << "under " << x;
      EXPECT_DOUBLE_EQ(SoftHeightAt(r, static_cast<double>(within) * unit),
                       static_cast<double>(HeightOf(area, within)) * unit);
    }
  }
  EXPECT_GT(cases, 300);
}

// Four soft blocks of area 100 stacked in one column, a hard 2 x 20 block
// beside them, miss the outline (about 23 x 23) by their height: reshaped,
// they turn flat and fit, each keeping its area and range. A design
// without soft blocks is left alone.
TEST(ReshapeSoftBlocks, FlattensAColumnIntoTheOutline) {
  TestDesign d;
  for (int i = 0; i < 4; ++i) d.AddBlock(10, 10);
  d.AddBlock(2, 20);
  d.Finish();
  for (int i = 1; i <= 4; ++i) {
    tagBLOCKCLASS* cls = d.block(i)->blkclass;
    cls->soft_area = d.block(i)->area = 100;
    cls->aspect_lo = 0.25;
    cls->aspect_hi = 4;
  }
  TestEngine e(d, 1);
  seqpair_testing::SetOrder(&e.seq, {1, 2, 3, 4, 5}, {5, 1, 2, 3, 4});
  ASSERT_TRUE(ReshapeSoftBlocks(d.blka.data(), d.neta.data(), d.pada.data(), &e.seq, e.levels.get(), d.norm,
                                &d.params));
  EXPECT_LE(mxdstha, shape_h);
  EXPECT_LE(mxdstva, shape_v);
  for (int i = 1; i <= 4; ++i) {
    const tagBLOCK* b = d.block(i);
    EXPECT_GE(b->width * b->height, 100);
    EXPECT_GE(b->height / b->width, 0.25);
    EXPECT_LE(b->height / b->width, 4);
  }
  EXPECT_EQ(d.block(5)->width, 2);

  for (int i = 1; i <= 4; ++i) d.block(i)->blkclass->soft_area = 0;
  mxdstha = mxdstva = -1;
  EXPECT_FALSE(ReshapeSoftBlocks(d.blka.data(), d.neta.data(), d.pada.data(), &e.seq, e.levels.get(), d.norm,
                                 &d.params));
  EXPECT_EQ(mxdstha, -1);
}

}  // namespace
