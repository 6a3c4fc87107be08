#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "sequence_fixture.h"

namespace {

using namespace seqpair_testing;

// Longest paths over the two relations, block by block: b rests on every
// earlier block (in A) of its tier that precedes it in B, and sits right of
// every earlier block that follows it in B.
struct Reference {
  std::vector<double> x, y, tier_w, tier_h;
  double width = 0, height = 0;
};

Reference PackByLongestPaths(const Floorplan& fp) {
  Reference ref;
  ref.x.assign(fp.n + 1, 0.0);
  ref.y.assign(fp.n + 1, 0.0);
  ref.tier_w.assign(tiera.size(), 0.0);
  ref.tier_h.assign(tiera.size(), 0.0);
  const std::vector<int> a = Walk(fp.seq.next_a, fp.n);
  for (size_t i = 0; i < a.size(); ++i) {
    const int b = a[i];
    const tagBLOCK& blk = fp.blocks[b];
    double x = blk.fixed_x_lo, y = blk.fixed_y_lo;
    for (size_t j = 0; j < i; ++j) {
      const int c = a[j];
      if (fp.seq.tier[c] != fp.seq.tier[b]) continue;
      if (fp.seq.pos_b[c] < fp.seq.pos_b[b])
        y = std::max(y, ref.y[c] + fp.blocks[c].height);
      else
        x = std::max(x, ref.x[c] + fp.blocks[c].width);
    }
    ref.x[b] = x;
    ref.y[b] = y;
    const int t = fp.seq.tier[b];
    ref.tier_w[t] = std::max(ref.tier_w[t], x + blk.width);
    ref.tier_h[t] = std::max(ref.tier_h[t], y + blk.height);
    ref.width = std::max(ref.width, x + blk.width);
    ref.height = std::max(ref.height, y + blk.height);
  }
  return ref;
}

// One floorplan per size packed again with fewer tiers each time, so that
// tiers left empty must lose the extent of the packing before. rest_b and
// rest_r name the level of the block whose far edge set a block's position,
// or 0 when it stands on its own lower bound.
TEST(CalCoords, MatchesLongestPathsOnRandomSequences) {
  std::mt19937 rng(11);
  for (int n : {1, 2, 3, 5, 8, 17, 40, 99, 128, 257, 300}) {
    Floorplan fp(n, 4);
    for (int tiers = 4; tiers >= 1; --tiers) {
      SCOPED_TRACE(testing::Message() << n << " blocks, " << tiers << " tiers");
      Randomize(fp, rng, tiers);
      double height = -1, width = -1;
      fp.Pack(&height, &width);
      SetCellPos(width, height, 0, fp.blka.data(), nullptr, &fp.seq, fp.levels.get(), nullptr);
      const Reference ref = PackByLongestPaths(fp);
      ASSERT_EQ(height, ref.height);
      ASSERT_EQ(width, ref.width);
      for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(tiera[t].width, ref.tier_w[t]) << "tier " << t;
        EXPECT_EQ(tiera[t].height, ref.tier_h[t]) << "tier " << t;
      }
      std::vector<int> at_b(n + 1), at_r(n + 1);
      for (int b = 1; b <= n; ++b) at_b[fp.seq.pos_b[b]] = at_r[fp.seq.rpos_b[b]] = b;
      for (int b = 1; b <= n; ++b) {
        const tagBLOCK& blk = fp.blocks[b];
        ASSERT_EQ(blk.x, ref.x[b]) << "block " << b;
        ASSERT_EQ(blk.y, ref.y[b]) << "block " << b;
        const int below = at_b[fp.rest_b[fp.seq.pos_b[b]]], left = at_r[fp.rest_r[fp.seq.rpos_b[b]]];
        EXPECT_EQ(blk.y, below ? fp.blocks[below].y + fp.blocks[below].height : blk.fixed_y_lo) << b;
        EXPECT_EQ(blk.x, left ? fp.blocks[left].x + fp.blocks[left].width : blk.fixed_x_lo) << b;
        EXPECT_EQ(fp.seq.tier[below ? below : b], fp.seq.tier[b]);
        for (int c = b + 1; c <= n; ++c)
          ASSERT_FALSE(fp.seq.tier[b] == fp.seq.tier[c] && Overlap(blk, fp.blocks[c])) << b << " and " << c;
      }
    }
  }
}

}  // namespace
