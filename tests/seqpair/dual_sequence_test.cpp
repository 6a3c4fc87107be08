#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <string>
#include <vector>

#include "driver/utilities.h"
#include "sequence_fixture.h"
#include "test_support.h"

namespace {

using seqpair_testing::Floorplan;
using seqpair_testing::Walk;

using seqpair_testing::ExpectConsistent;

std::vector<double> Values(std::initializer_list<double> v) { return v; }

// Each step exchanges, in the cyclic order 0, first, ..., last, the two
// entries that follow the drawn indices i and j; reading the cycle from 0
// gives the sequence. Steps alternate between B (odd counter) and A.
std::vector<int> CycleAfterSwaps(int step_parity, int n) {
  std::vector<int> cycle(n + 1);
  std::iota(cycle.begin(), cycle.end(), 0);
  for (int step = n / 2 - 1; step >= 0; --step) {
    const int i = genrand_int31() % (n + 1);
    const int j = genrand_int31() % (n + 1);
    if (i == j || step % 2 != step_parity) continue;
    const auto at = [&](int v) { return std::find(cycle.begin(), cycle.end(), v) - cycle.begin(); };
    const int x = cycle[(at(i) + 1) % (n + 1)];
    const int y = cycle[(at(j) + 1) % (n + 1)];
    std::swap(cycle[at(x)], cycle[at(y)]);
  }
  std::rotate(cycle.begin(), std::find(cycle.begin(), cycle.end(), 0), cycle.end());
  return std::vector<int>(cycle.begin() + 1, cycle.end());
}

// The start takes floor(n/2) steps of two draws each, no more and no fewer,
// and leaves consistent sequences and the mate table filled for any size.
TEST(GenerateSP, ExchangesTheSuccessorsOfTheDrawnIndices) {
  for (int n : {0, 1, 2, 3, 4, 5, 6, 11, 40, 1000, 3300}) {
    for (unsigned seed = 1; seed <= (n > 40 ? 2u : 20u); ++seed) {
      init_genrand(seed);
      const std::vector<int> want_a = CycleAfterSwaps(0, n);
      init_genrand(seed);
      const std::vector<int> want_b = CycleAfterSwaps(1, n);
      const int32_t after = genrand_int31();
      init_genrand(seed);
      tagDualSeq seq;
      DualSeqInit(&seq, n, 0);
      Generate_SP(&seq);
      ASSERT_EQ(genrand_int31(), after) << n << " blocks, seed " << seed;
      ASSERT_EQ(Walk(seq.next_a, n), want_a) << n << " blocks, seed " << seed;
      ASSERT_EQ(Walk(seq.next_b, n), want_b) << n << " blocks, seed " << seed;
      ExpectConsistent(seq);
      EXPECT_EQ(nmate[0], 3300);
      for (int k = 1; k <= n; ++k) ASSERT_EQ(nmate[k], n + 1 - k);
      EXPECT_EQ(nmate[3300], n == 3300 ? 1 : 0);
    }
  }
}

TEST(ClearLevelLists, EmptiesEveryStaircase) {
  auto levels = std::make_unique<tagLevelList>();
  levels->t.next[17] = 4;
  levels->l.prev[kEndLevel] = 9;
  ClearLevelLists(levels.get());
  for (const tagStaircase* s : {&levels->b, &levels->t, &levels->r, &levels->l}) {
    for (int k = 0; k < kLevelCap; ++k) {
      ASSERT_EQ(s->next[k], 0);
      ASSERT_EQ(s->prev[k], 0);
    }
    EXPECT_EQ(s->dist[0], 0.0);
    EXPECT_EQ(s->dist[kEndLevel], 2147483647.0);
  }
}

struct InitDataTest : ::testing::Test {
  InitDataTest() : fp(3) {
    params.sparearea = 20;
    params.aspect_ratio = 1.0;
    params.lb_shift = 3;
    norm.unscale_sq = 0.25;
    fp.classes[1].width = 10;
    fp.classes[1].height = 10;
    fp.classes[2].width = -20;  // a negative size counts as positive
    fp.classes[2].height = 10;
    fp.classes[3].width = 10;
    fp.classes[3].height = 20;
    for (int b = 1; b <= 3; ++b) {
      fp.blocks[b].area = 100.0 * b;
      fp.blocks[b].degree = b;
    }
    fp.blocks[2].kind = 2;  // orientation given, turned
    fp.blocks[2].orient = 1;
    fp.blocks[3].kind = 3;  // fixed at (4, 5), turned
    fp.blocks[3].orient = 3;
    fp.blocks[3].region_x_lo = 4;
    fp.blocks[3].region_y_lo = 5;
  }
  std::string RunInitData() {
    testing_support::CaptureStdout capture;
    InitData(fp.blka.data(), nullptr, &fp.seq, &norm, &params);
    return capture.Finish();
  }
  Floorplan fp;
  tagPARAMETERS params{};
  tagNORMPARA norm{};
};

TEST_F(InitDataTest, PrintsAreasSizesTheOutlineAndBoundsTheCorners) {
  EXPECT_EQ(RunInitData(),
            "Total  Cell Area =            150\n"
            "Active Core Area =            180\n"
            "         Expand  =  1.000 X 1.000\n\n");
  const double side = std::sqrt(720.0);
  EXPECT_DOUBLE_EQ(shape_h, side);
  EXPECT_DOUBLE_EQ(shape_v, side);
  const tagBLOCK& chip = fp.blocks[0];
  EXPECT_EQ(Values({chip.width, chip.height, chip.region_x_hi}), Values({shape_h, shape_v, shape_h}));
  EXPECT_EQ(Values({chip.area, chip.degree * 1.0, zarea_all, params.placed_area, params.lb_shift,
                    optsize_h, fp.classes[2].width}),
            Values({500, 6, 500, 500, 0, 2147483647.0, 20}));
  ExpectConsistent(fp.seq);

  // Bounds of the lower-left corners.
  const tagBLOCK& free_blk = fp.blocks[1];
  EXPECT_EQ(Values({free_blk.width, free_blk.fixed_x_lo, ndsiz1_x[1], ndofs0_x[1]}), Values({10, 0, 10, 0}));
  EXPECT_DOUBLE_EQ(free_blk.fixed_x_hi, side - 10);
  EXPECT_DOUBLE_EQ(free_blk.region_y_hi, side - 10);
  EXPECT_NEAR(ndpos_x_lft[1], 0.0, 1e-9);

  // Turned by its given orientation: the bounds stay those of the class.
  const tagBLOCK& turned = fp.blocks[2];
  EXPECT_EQ(Values({turned.width, turned.height, turned.orient * 1.0, ndsiz1_x[2]}), Values({10, 20, 1, 20}));
  EXPECT_DOUBLE_EQ(turned.fixed_x_hi, side - 20);
  EXPECT_DOUBLE_EQ(turned.fixed_y_hi, side - 10);
  EXPECT_NEAR(ndpos_x_lft[2], 10.0, 1e-9);
  EXPECT_NEAR(ndpos_y_top[2], -10.0, 1e-9);

  // A fixed block cannot move, turned or not.
  const tagBLOCK& fixed = fp.blocks[3];
  EXPECT_EQ(Values({fixed.width, fixed.height, fixed.fixed_x_lo, fixed.fixed_x_hi, fixed.fixed_y_lo,
                    fixed.fixed_y_hi, fixed.region_x_hi}),
            Values({20, 10, 4, 4, 5, 5, 4}));
  EXPECT_DOUBLE_EQ(ndpos_x_lft[3], side - 4 - 20);
}

TEST_F(InitDataTest, AspectRatioShapesTheOutline) {
  params.aspect_ratio = 2.0;
  RunInitData();
  EXPECT_DOUBLE_EQ(shape_h, std::sqrt(1440.0));
  EXPECT_DOUBLE_EQ(shape_v, std::sqrt(360.0));
}

TEST(SetBlockBounds, OffsetsAndClamping) {
  Floorplan fp(1);
  shape_h = 50;
  shape_v = 40;
  fp.classes[1].width = 10;
  fp.classes[1].height = 6;
  ndsiz1_x[1] = 14;  // a slot wider and taller than the outline of the block
  ndsiz1_y[1] = 8;
  tagBLOCK& blk = fp.blocks[1];
  blk.width = 14;
  blk.height = 8;
  blk.kind = 1;
  blk.orient = 5;
  blk.region_x_lo = 1;  // below the offset: clamped at 0
  blk.region_y_lo = 3;
  blk.region_x_hi = 30;
  blk.region_y_hi = 5;  // leaves no room: clamped at 0
  SetBlockBounds(fp.blka.data(), 1);
  EXPECT_EQ(Values({ndofs0_x[1], ndofs0_y[1], blk.fixed_x_lo, blk.fixed_y_lo, blk.fixed_x_hi,
                    blk.fixed_y_hi, ndpos1_x_max[1], blk.orient * 1.0, ndpos_x_lft[1], ndpos_y_top[1]}),
            Values({2, 1, 0, 2, 18, 0, 18, 0, 50.0 - 18 - 14, 40.0 - 0 - 8}));
}

// The outline holds the fixed block (4, 5) of its class turned: one tier
// takes the die the design brings when it holds the core area of 720.
struct OutlineCase {
  int tiers;
  double die_w, die_h, fixed_w;
  double shape_h, shape_v;  // 0: the side of the area-based square
  const char* message;
};

class FitOutlineTest : public InitDataTest, public ::testing::WithParamInterface<OutlineCase> {};

TEST_P(FitOutlineTest, HoldsThePreplacedBlocks) {
  const OutlineCase& c = GetParam();
  tier_no = c.tiers;
  norm.unscale = 0.5;
  fp.classes[3].height = c.fixed_w;
  fp.blocks[0].region_x_hi = c.die_w;
  fp.blocks[0].region_y_hi = c.die_h;
  const std::string out = RunInitData();
  tier_no = 1;
  const double side = std::sqrt(720.0 / c.tiers);
  EXPECT_DOUBLE_EQ(shape_h, c.shape_h > 0 ? c.shape_h : side);
  EXPECT_DOUBLE_EQ(shape_v, c.shape_v > 0 ? c.shape_v : side);
  EXPECT_EQ(out.substr(0, out.find("Total")), c.message);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FitOutlineTest,
    ::testing::Values(OutlineCase{1, 0, 0, 20, 0, 0, ""},
                      OutlineCase{1, 0, 0, 30, 34, 0, "Fixed outline widened over the preplaced blocks: 17.000000 X 13.416408\n"},
                      OutlineCase{1, 40, 30, 20, 40, 30, "Fixed outline: the die, 20.000000 X 15.000000\n"},
                      OutlineCase{1, 20, 20, 20, 0, 0, ""},
                      OutlineCase{2, 40, 30, 30, 34, 0, "Fixed outline widened over the preplaced blocks: 17.000000 X 9.486833\n"}));

}  // namespace
