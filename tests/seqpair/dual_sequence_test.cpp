#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <vector>

#include "driver/utilities.h"
#include "sequence_fixture.h"
#include "test_support.h"

namespace {

using namespace seqpair_testing;

// The random start: floor(n/2) steps of two draws each, no more and no
// fewer; consistent sequences, the same for the same seed and different for
// others; the mate table filled for any size.
TEST(GenerateSP, DrawsTwicePerStepAndLeavesConsistentSequences) {
  for (int n : {0, 1, 2, 3, 6, 11, 40, 3300}) {
    std::set<std::vector<int>> seen;
    const unsigned seeds = n > 40 ? 2u : 12u;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
      init_genrand(seed);
      for (int k = 0; k < 2 * (n / 2); ++k) genrand_int31();
      const int32_t after = genrand_int31();
      init_genrand(seed);
      tagDualSeq seq;
      DualSeqInit(&seq, n, 0);
      Generate_SP(&seq);
      ASSERT_EQ(genrand_int31(), after) << n << " blocks, seed " << seed;
      ExpectConsistent(seq);
      seen.insert(BothOrders(seq));
      EXPECT_EQ(nmate[0], 3300);
      for (int k = 1; k <= n; ++k) ASSERT_EQ(nmate[k], n + 1 - k);
      EXPECT_EQ(nmate[3300], n == 3300 ? 1 : 0);
    }
    EXPECT_GT(seen.size(), n >= 6 ? seeds / 2 : 0u) << n << " blocks";
  }
}

// The preplaced block at (4, 5), turned from 10 x h: the outline widens over
// it, or one tier takes the die when it holds the core area 720 and the block.
TEST(FitOutlineToPreplaced, WidensOverThePreplacedBlocksOrTakesTheDie) {
  const double side1 = std::sqrt(720.0), side2 = std::sqrt(360.0);
  const struct {
    int tiers;
    double die_w, die_h, class_h, shape_h, shape_v;
    const char* message;
  } cases[] = {
      {1, 0, 0, 20, side1, side1, ""},
      {1, 0, 0, 30, 34, side1, "Fixed outline widened over the preplaced blocks: 17.000000 X 13.416408\n"},
      {1, 40, 30, 20, 40, 30, "Fixed outline: the die, 20.000000 X 15.000000\n"},
      {1, 20, 20, 20, side1, side1, ""},
      {2, 40, 30, 30, 34, side2, "Fixed outline widened over the preplaced blocks: 17.000000 X 9.486833\n"}};
  for (const auto& c : cases) {
    Floorplan fp(2, c.tiers);
    fp.classes[2].width = 10, fp.classes[2].height = c.class_h;
    fp.blocks[2].kind = fp.blocks[2].orient = 3;
    fp.blocks[2].region_x_lo = 4, fp.blocks[2].region_y_lo = 5;
    fp.blocks[0].region_x_hi = c.die_w, fp.blocks[0].region_y_hi = c.die_h;
    shape_h = shape_v = std::sqrt(720.0 / c.tiers);
    tagNORMPARA norm{};
    norm.unscale = 0.5;
    testing_support::CaptureStdout capture;
    FitOutlineToPreplaced(fp.blka.data(), 2, 720, &norm);
    EXPECT_EQ(capture.Finish(), c.message);
    EXPECT_DOUBLE_EQ(shape_h, c.shape_h) << c.message;
    EXPECT_DOUBLE_EQ(shape_v, c.shape_v) << c.message;
    InitTierState(1);
  }
}

}  // namespace
