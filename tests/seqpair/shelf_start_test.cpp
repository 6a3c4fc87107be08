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

// On random designs over 1 to 3 tiers, a start from shelves keeps every
// block on its tier and, packed, stays within the outline when it is taken;
// it is refused only where next fit by decreasing height, whose stack is
// at most twice the tier's area over the outline's width plus its tallest
// block, could overflow it. A preplaced block keeps the random start.
TEST(LayShelves, PackIntoTheOutlineOrLeaveTheStart) {
  int taken = 0, refused = 0;
  for (unsigned seed = 1; seed <= 31; ++seed) {
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    const int n = 20 + static_cast<int>(seed * 7 % 80), tiers = 1 + seed % 3;
    auto d = TestDesign::Random(n, 6, 2 * n, seed);
    d->params.sparearea = 10.0 * (seed % 6);
    if (seed == 31) d->blka[5]->kind = 3;
    TestEngine e(*d, tiers);
    const std::vector<int> tier_before = e.seq.tier, a_before = e.seq.next_a;
    double area[kMaxTiers] = {0.0}, tallest[kMaxTiers] = {0.0};
    for (int b = 1; b <= n; ++b) {
      area[e.seq.tier[b]] += d->blka[b]->width * d->blka[b]->height;
      tallest[e.seq.tier[b]] = std::max(tallest[e.seq.tier[b]], d->blka[b]->height);
    }
    bool may_overflow = seed == 31;
    for (int t = 0; t < tiers; ++t) may_overflow |= 2.0 * area[t] / shape_h + tallest[t] > shape_v;
    if (!LayShelves(d->blka.data(), d->neta.data(), &e.seq)) {
      EXPECT_EQ(e.seq.next_a, a_before);
      EXPECT_TRUE(may_overflow);
      refused += seed < 31;
      continue;
    }
    ASSERT_LT(seed, 31u);
    ++taken;
    e.Pack();
    EXPECT_LE(mxdstha, shape_h);
    EXPECT_LE(mxdstva, shape_v);
    EXPECT_EQ(e.seq.tier, tier_before);
    for (int b = e.seq.next_a[0]; e.seq.next_a[b] != 0; b = e.seq.next_a[b])
      EXPECT_LE(e.seq.tier[b], e.seq.tier[e.seq.next_a[b]]) << "tiers no longer follow each other in A";
  }
  EXPECT_GT(taken, 5);
  EXPECT_GT(refused, 0);
}

// Blocks tied to a terminal in the lower-left corner start below those
// tied to one in the upper-right corner.
TEST(LayShelves, ConnectedBlocksStartNearTheirTerminals) {
  TestDesign d;
  for (int b = 1; b <= 40; ++b) d.AddBlock(10, 10);
  const int low = d.AddTerminal(0.0, 0.0), high = d.AddTerminal(1.0, 1.0);
  for (int b = 1; b <= 40; ++b) d.AddNet({b, b <= 20 ? -low : -high});
  d.Finish();
  d.params.sparearea = 30;
  TestEngine e(d, 1);
  ASSERT_TRUE(LayShelves(d.blka.data(), d.neta.data(), &e.seq));
  e.Pack();
  SetCellPos(mxdstha, mxdstva, 1, d.blka.data(), d.pada.data(), &e.seq, e.levels.get(), d.norm);
  for (int b = 1; b <= 20; ++b)
    for (int c = 21; c <= 40; ++c) EXPECT_LT(d.blka[b]->y, d.blka[c]->y) << b << " and " << c;
}

}  // namespace
