// The start from shelves, checked by packing it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "design_builder.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace {

using testing_support::TestDesign;
using testing_support::TestEngine;

// On random designs over 1 to 3 tiers, randomly split, the start from
// shelves leaves the tiers' block areas apart by less than the largest
// block, keeps each tier's blocks together in A, and packs exactly to the
// height it reports: within the outline, or no taller than next fit by
// decreasing height may stack, twice a tier's area over the outline's width
// plus its tallest block. A preplaced block keeps the start as it was.
TEST(LayShelves, PackToTheReportedHeightWithEvenTiers) {
  int fitting = 0, over = 0;
  for (unsigned seed = 1; seed <= 31; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    const int n = 20 + static_cast<int>(seed * 7 % 80), tiers = 1 + seed % 3;
    auto d = TestDesign::Random(n, 6, 2 * n, seed);
    d->params.sparearea = 10.0 * (seed % 6);
    d->params.init_rand = 1;
    if (seed == 31) d->blka[5]->kind = 3;
    TestEngine e(*d, tiers);
    const std::vector<int> a_before = e.seq.next_a;
    const double reported = LayShelves(d->blka.data(), d->neta.data(), &e.seq);
    if (seed == 31) {
      EXPECT_EQ(reported, 0.0);
      EXPECT_EQ(e.seq.next_a, a_before);
      continue;
    }
    double area[kMaxTiers] = {0.0}, tallest[kMaxTiers] = {0.0}, largest = 0.0, bound = shape_v;
    for (int b = 1; b <= n; ++b) {
      const tagBLOCK& blk = *d->blka[b];
      EXPECT_EQ(blk.tier, e.seq.tier[b]);
      area[blk.tier] += blk.width * blk.height;
      tallest[blk.tier] = std::max(tallest[blk.tier], blk.height);
      largest = std::max(largest, blk.width * blk.height);
    }
    for (int t = 0; t < tiers; ++t) bound = std::max(bound, 2.0 * area[t] / shape_h + tallest[t]);
    const auto [light, heavy] = std::minmax_element(area, area + tiers);
    EXPECT_LT(*heavy - *light, largest);
    int runs = 1;
    for (int b = e.seq.next_a[0]; e.seq.next_a[b] != 0; b = e.seq.next_a[b])
      runs += e.seq.tier[b] != e.seq.tier[e.seq.next_a[b]];
    EXPECT_EQ(runs, tiers);
    e.Pack();
    EXPECT_NEAR(mxdstva, reported * shape_v, 1e-9 * shape_v);
    EXPECT_LE(mxdstva, bound * (1 + 1e-12));
    EXPECT_LE(mxdstha, shape_h);
    (reported <= 1.0 ? fitting : over) += 1;
  }
  EXPECT_GT(fitting, 5);
  EXPECT_GT(over, 0);
}

// A chain of blocks from a terminal in the lower-left corner to one in the
// upper-right: the shelves take the blocks in the chain's order, bottom
// shelf first, each shelf from left to right.
TEST(LayShelves, AChainFillsTheShelvesInItsOrder) {
  TestDesign d;
  const int n = 24;
  for (int b = 1; b <= n; ++b) d.AddBlock(10, 10);
  d.AddNet({1, -d.AddTerminal(0.0, 0.0)});
  d.AddNet({n, -d.AddTerminal(1.0, 1.0)});
  for (int b = 1; b < n; ++b) d.AddNet({b, b + 1});
  d.Finish();
  d.params.sparearea = 30;
  TestEngine e(d, 1);
  ASSERT_LE(LayShelves(d.blka.data(), d.neta.data(), &e.seq), 1.0);
  e.Pack();
  SetCellPos(mxdstha, mxdstva, 1, d.blka.data(), d.pada.data(), &e.seq, e.levels.get(), d.norm);
  for (int b = 1; b < n; ++b) {
    const tagBLOCK &here = *d.blka[b], &next = *d.blka[b + 1];
    EXPECT_TRUE(here.y < next.y || (here.y == next.y && here.x < next.x)) << b;
  }
}

}  // namespace
