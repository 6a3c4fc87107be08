#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "driver/utilities.h"
#include "sequence_fixture.h"
#include "test_support.h"

namespace {

using seqpair_testing::ExpectConsistent;
using seqpair_testing::Floorplan;
using seqpair_testing::Walk;

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
      std::vector<int> both = Walk(seq.next_a, n);
      for (int b : Walk(seq.next_b, n)) both.push_back(b);
      seen.insert(both);
      EXPECT_EQ(nmate[0], 3300);
      for (int k = 1; k <= n; ++k) ASSERT_EQ(nmate[k], n + 1 - k);
      EXPECT_EQ(nmate[3300], n == 3300 ? 1 : 0);
    }
    EXPECT_GT(seen.size(), n >= 6 ? seeds / 2 : 0u) << n << " blocks";
  }
}

// Three blocks: 10 x 10, a turned one with a given orientation (class
// 20 x 10), and one fixed at (4, 5) turned (class 10 x 30); 20 % spare area.
TEST(InitData, ReportsTheAreasShapesTheOutlineAndTurnsGivenOrientations) {
  for (double aspect : {1.0, 2.0}) {
    Floorplan fp(3);
    tagPARAMETERS params{};
    params.sparearea = 20;
    params.aspect_ratio = aspect;
    tagNORMPARA norm{};
    norm.unscale_sq = 0.25;
    const double sizes[3][2] = {{10, 10}, {-20, 10}, {10, 30}};  // a negative size counts as positive
    for (int b = 1; b <= 3; ++b) {
      fp.classes[b].width = sizes[b - 1][0];
      fp.classes[b].height = sizes[b - 1][1];
      fp.blocks[b].area = 100.0 * b;
    }
    fp.blocks[2].kind = 2, fp.blocks[2].orient = 1;
    fp.blocks[3].kind = 3, fp.blocks[3].orient = 3;
    fp.blocks[3].region_x_lo = 4, fp.blocks[3].region_y_lo = 5;
    testing_support::CaptureStdout capture;
    InitData(fp.blka.data(), nullptr, &fp.seq, &norm, &params);
    EXPECT_EQ(capture.Finish(),
              "Total  Cell Area =            150\nActive Core Area =            180\n"
              "         Expand  =  1.000 X 1.000\n\n");
    EXPECT_DOUBLE_EQ(shape_h, std::sqrt(720.0 * aspect));
    EXPECT_DOUBLE_EQ(shape_v, std::sqrt(720.0 / aspect));
    ExpectConsistent(fp.seq);
    EXPECT_EQ(std::vector<double>({fp.blocks[2].width, fp.blocks[2].height, fp.blocks[3].width,
                                   fp.blocks[3].fixed_x_lo, fp.blocks[3].fixed_x_hi}),
              std::vector<double>({10, 20, 30, 4, 4}));
    EXPECT_DOUBLE_EQ(fp.blocks[1].fixed_x_hi, shape_h - 10);
  }
}

}  // namespace
