#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
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

// On random areas, ranges, steps and bounds, the admissible widths found by
// trying every width agree with the range and with each pick, computed and
// tabled: the widest within a width, the narrowest under a height, and the
// height at a width.
// Where no width keeps both the aspect range and the bounds, the range
// keeps the bounds. Bounds and area are whole steps, so the oracle compares
// whole numbers.
TEST(SoftShapes, RangeAndPicksAgreeWithEveryWidthTried) {
  std::mt19937 rng(5);
  // Width and height steps: equal ones as a bookshelf design's input unit,
  // NanGate45's and sky130's sites and rows.
  const double steps[][2] = {{1.0, 1.0}, {0.25, 0.25}, {3.0, 3.0}, {0.19, 1.4}, {0.48, 3.33}};
  int cases = 0, bounded = 0;
  for (int trial = 0; trial < 600; ++trial) {
    const long long area = 1 + static_cast<long long>(rng() % 3000);
    const double lo = 0.1 + static_cast<double>(rng() % 100) / 40.0;
    const double hi = lo * (1.0 + static_cast<double>(rng() % 100) / 25.0);
    const double sw = steps[trial % 5][0], sh = steps[trial % 5][1];
    // Half the cases bound the shapes: least width and height, greatest
    // height, in steps (0: none).
    const bool bound = trial % 2 == 1, unit_steps = sw == sh;
    const long long min_w = bound ? rng() % 12 : 0, min_h = bound ? rng() % 12 : 0;
    const long long max_h = bound ? min_h + rng() % 200 : 0;
    tagBLOCKCLASS cls{};
    cls.soft_area = static_cast<double>(area) * sw * sh;
    cls.aspect_lo = lo;
    cls.aspect_hi = hi;
    cls.soft_step_w = unit_steps ? 0 : sw;
    cls.soft_step_h = unit_steps ? 0 : sh;
    cls.soft_min_w = static_cast<double>(min_w) * sw;
    cls.soft_min_h = static_cast<double>(min_h) * sh;
    cls.soft_max_h = static_cast<double>(max_h) * sh;
    std::vector<long long> fit, kept;
    bool tie = false;
    for (long long w = 1; w <= area + min_w; ++w) {
      const long long h = HeightOf(area, w);
      const double aspect = static_cast<double>(h) * sh / (static_cast<double>(w) * sw);
      tie = tie || std::abs(aspect / lo - 1) < 1e-9 || std::abs(aspect / hi - 1) < 1e-9;
      if (w < min_w || h < min_h || (max_h > 0 && h > max_h)) continue;
      kept.push_back(w);
      if (aspect >= lo && aspect <= hi) fit.push_back(w);
    }
    if (tie) continue;  // the oracle's and the code's rounding may differ
    const SoftRange r = SoftRangeOf(&cls, unit_steps ? sw : 7.0);
    SCOPED_TRACE(testing::Message() << "area " << area << " range " << lo << ".." << hi << " steps " << sw
                                    << " x " << sh << " bounds " << min_w << " " << min_h << " " << max_h);
    ASSERT_LE(r.w_lo, r.w_hi);
    if (fit.empty()) {
      if (kept.empty()) continue;
      EXPECT_GE(r.w_lo, kept.front());
      EXPECT_LE(r.w_hi, kept.back());
      continue;
    }
    ++cases;
    bounded += min_w + min_h + max_h > 0;
    ASSERT_EQ(r.w_lo, fit.front());
    ASSERT_EQ(r.w_hi, fit.back());
    // The sweep's tables, and the computing that stands in for a table too
    // long to make, give the same answers.
    SoftShapeTable tabled, computed;
    TableSoftShapes(r, &tabled);
    TableSoftShapes(r, &computed);
    computed.height.clear();
    computed.narrowest.clear();
    for (int probe = 0; probe < 20; ++probe) {
      const long long k = static_cast<long long>(rng() % (4 * area + 16)) - 8;
      const double x = static_cast<double>(k) * 0.5 * sw, y = static_cast<double>(k) * 0.5 * sh;
      long long within = fit.front(), under = fit.back();
      for (long long w : fit)
        if (2 * w <= k) within = w;
      for (auto w = fit.rbegin(); w != fit.rend(); ++w)
        if (2 * HeightOf(area, *w) <= k) under = *w;
      EXPECT_NEAR(SoftWidthWithin(r, x), static_cast<double>(within) * sw, 1e-9) << "within " << x;
      EXPECT_NEAR(SoftWidthUnder(r, y), static_cast<double>(under) * sw, 1e-9) << "under " << y;
      EXPECT_NEAR(SoftHeightAt(r, static_cast<double>(within) * sw),
                  static_cast<double>(HeightOf(area, within)) * sh, 1e-9);
      for (const SoftShapeTable* t : {&tabled, &computed}) {
        EXPECT_EQ(SoftStepsWithin(*t, x), within) << "within " << x;
        EXPECT_EQ(SoftStepsUnder(*t, y), under) << "under " << y;
        EXPECT_EQ(SoftHeightSteps(*t, within), HeightOf(area, within));
      }
    }
  }
  EXPECT_GT(cases, 350);
  EXPECT_GT(bounded, 100);
}

// An area a hair above 100 steps, as a fence's in sites and rows can be:
// 100 steps wide hold it in one step of height, as the slack for rounding
// allows, though the quotient first points at 101.
TEST(SoftShapes, NarrowestWidthUnderAHeightAllowsForRounding) {
  const SoftRange r{1.0, 1.0, 100.00000005, 1, 1000};
  SoftShapeTable t;
  TableSoftShapes(r, &t);
  EXPECT_EQ(SoftWidthUnder(r, 1.0), 100.0);
  EXPECT_EQ(SoftStepsUnder(t, 1.0), 100);
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
