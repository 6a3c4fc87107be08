// The via grid: cell layout in both modes, white space left by blocks at
// known places, and the capacity it gives.
#include <gtest/gtest.h>

#include "via_fixture.h"

using namespace testing_support;

namespace {

// Builds the grid and computes white space and capacity on it.
std::vector<int> Capacities(ViaScene& s, int dimx, int dimy, int tiers) {
  s.BuildGrid(dimx, dimy, tiers, 0);
  std::vector<int> caps(tiers, 0);
  CaptureStdout quiet;
  CalWSDistribution(s.design, tiers, *s.grids, &s.dim, caps.data());
  return caps;
}

TEST(ViaGrid, CellCountModeSplitsTheOutlineEvenly) {
  ViaScene s(1000, 500);
  s.BuildGrid(10, 4, 2, 0);
  ASSERT_EQ(s.dim.dimx, 10);
  ASSERT_EQ(s.dim.dimy, 4);
  for (int layer = 0; layer < 2; ++layer) {
    for (int ix = 0; ix < 10; ++ix) {
      for (int iy = 0; iy < 4; ++iy) {
        const tagSIGGRID* c = s.Cell(layer, ix, iy);
        EXPECT_DOUBLE_EQ(c->x, 100.0 * ix);
        EXPECT_DOUBLE_EQ(c->y, 125.0 * iy);
        EXPECT_DOUBLE_EQ(c->w, 100.0);
        EXPECT_DOUBLE_EQ(c->h, 125.0);
        EXPECT_DOUBLE_EQ(c->free_area, 12500.0);
        EXPECT_EQ(c->cell_id, 4 * ix + iy);
        EXPECT_EQ(c->layer, layer);
        EXPECT_EQ(c->via_cap + c->via_num + c->cvia_num, 0);
        EXPECT_EQ(c->grid_next, nullptr);
      }
    }
  }
}

TEST(ViaGrid, CellSizeModeGivesTheRemainderToTheLastColumnAndRow) {
  ViaScene s(1050, 230);
  s.params.setSizeOrDim = 1;
  s.params.signalvia_sizex = 100;
  s.params.signalvia_sizey = 100;
  s.dim.layers = 1;
  s.grids = BuildGridsForViaPlanning(s.design, &s.dim, &s.params);
  ASSERT_TRUE(s.grids);
  EXPECT_EQ(s.dim.dimx, 11);
  EXPECT_EQ(s.dim.dimy, 3);
  EXPECT_DOUBLE_EQ(s.Cell(0, 10, 0)->w, 50.0);
  EXPECT_DOUBLE_EQ(s.Cell(0, 9, 0)->w, 100.0);
  EXPECT_DOUBLE_EQ(s.Cell(0, 10, 2)->h, 30.0);
  EXPECT_DOUBLE_EQ(s.Cell(0, 10, 2)->free_area, 1500.0);
}

TEST(ViaGrid, NoGridForEmptyDimensions) {
  ViaScene s(100, 100);
  s.params.signalvia_gridx = 0;
  s.dim.layers = 2;
  CaptureStdout quiet;
  EXPECT_FALSE(BuildGridsForViaPlanning(s.design, &s.dim, &s.params));
}

TEST(ViaGrid, BlocksTakeExactlyTheWhiteSpaceTheyCover) {
  ViaScene s(400, 400);               // 4 x 4 cells of 100 x 100
  sigvia_size = 2500.0;               // a full cell holds 4 vias
  s.AddBlock(10, 10, 20, 30, 0);      // inside cell (0, 0)
  s.AddBlock(100, 100, 100, 200, 0);  // edges on boundaries: cells (1, 1), (1, 2)
  s.AddBlock(250, 50, 100, 100, 1);   // corners of (2..3, 0..1) on tier 1
  s.AddBlock(320, 220, 60, 160, 1);   // one cell wide: (3, 2..3)
  std::vector<int> caps = Capacities(s, 4, 4, 2);

  EXPECT_DOUBLE_EQ(s.Cell(0, 0, 0)->free_area, 10000 - 600);
  EXPECT_DOUBLE_EQ(s.Cell(0, 1, 1)->free_area, 0);
  EXPECT_DOUBLE_EQ(s.Cell(0, 1, 2)->free_area, 0);
  for (auto [ix, iy] : {std::pair{0, 1}, {2, 1}, {2, 2}, {1, 3}, {1, 0}, {0, 2}})
    EXPECT_DOUBLE_EQ(s.Cell(0, ix, iy)->free_area, 10000) << ix << "," << iy;
  // Tier 1 blocks leave tier 0 alone and take corner and strip areas.
  EXPECT_DOUBLE_EQ(s.Cell(1, 2, 0)->free_area, 10000 - 50 * 50);
  EXPECT_DOUBLE_EQ(s.Cell(1, 3, 0)->free_area, 10000 - 50 * 50);
  EXPECT_DOUBLE_EQ(s.Cell(1, 2, 1)->free_area, 10000 - 50 * 50);
  EXPECT_DOUBLE_EQ(s.Cell(1, 3, 1)->free_area, 10000 - 50 * 50);
  EXPECT_DOUBLE_EQ(s.Cell(1, 3, 2)->free_area, 10000 - 60 * 80);
  EXPECT_DOUBLE_EQ(s.Cell(1, 3, 3)->free_area, 10000 - 60 * 80);
  EXPECT_DOUBLE_EQ(s.Cell(1, 0, 0)->free_area, 10000);

  EXPECT_EQ(s.Cell(0, 0, 0)->via_cap, 3);
  EXPECT_EQ(s.Cell(0, 1, 1)->via_cap, 0);
  EXPECT_EQ(s.Cell(1, 3, 2)->via_cap, 2);
  EXPECT_EQ(caps[0], 16 * 4 - 1 - 8);
  EXPECT_EQ(caps[1], 16 * 4 - 4 * 1 - 2 * 2);
}

TEST(ViaGrid, BlockOverManyCellsTakesStripsCornersAndInteriors) {
  ViaScene s(400, 400);
  s.AddBlock(50, 150, 200, 200, 0);  // x 50..250, y 150..350
  Capacities(s, 4, 4, 1);
  const double expect[3][3] = {
      {50 * 50, 50 * 100, 50 * 50}, {100 * 50, 100 * 100, 100 * 50}, {50 * 50, 50 * 100, 50 * 50}};
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j)
      EXPECT_DOUBLE_EQ(s.Cell(0, i, j + 1)->free_area, 10000 - expect[i][j]) << i << "," << j;
  EXPECT_DOUBLE_EQ(s.Cell(0, 0, 0)->free_area, 10000);
  EXPECT_DOUBLE_EQ(s.Cell(0, 3, 2)->free_area, 10000);
}

TEST(ViaGrid, CapacityTruncatesAndStopsAtFour) {
  ViaScene s(200, 100);               // cells of 100 x 100
  s.AddBlock(0, 0, 98.7, 100, 0);     // leaves 130
  s.AddBlock(100, 0, 99.76, 100, 0);  // leaves 24
  s.AddBlock(100.1, 10, 50, 50, 0);   // overlaps: white space below zero
  Capacities(s, 2, 1, 1);
  EXPECT_NEAR(s.Cell(0, 0, 0)->free_area, 130, 1e-9);
  EXPECT_EQ(s.Cell(0, 0, 0)->via_cap, 4);
  EXPECT_LT(s.Cell(0, 1, 0)->free_area, 0);
  EXPECT_LE(s.Cell(0, 1, 0)->via_cap, 0);
}

TEST(ViaGrid, BlockPastTheGridIsReportedAndClipped) {
  ViaScene s(400, 400);
  s.AddBlock(350, 380, 100, 50, 0);  // reaches x 450 and y 430
  s.BuildGrid(4, 4, 1, 0);
  std::vector<int> caps(1);
  CaptureStdout out;
  CalWSDistribution(s.design, 1, *s.grids, &s.dim, caps.data());
  EXPECT_NE(out.Finish().find("Error: Exceed Grid Dimension!\n"), std::string::npos);
  EXPECT_DOUBLE_EQ(s.Cell(0, 3, 3)->free_area, 10000 - 50 * 20);
  EXPECT_DOUBLE_EQ(s.Cell(0, 2, 3)->free_area, 10000);
}

TEST(ViaGrid, GridOfOneColumnUsesItsOnlyCell) {
  ViaScene s(100, 400);
  s.AddBlock(10, 150, 50, 100, 0);  // rows 1 and 2
  Capacities(s, 1, 4, 1);
  EXPECT_DOUBLE_EQ(s.Cell(0, 0, 1)->free_area, 10000 - 50 * 50);
  EXPECT_DOUBLE_EQ(s.Cell(0, 0, 2)->free_area, 10000 - 50 * 50);
}

TEST(ViaGrid, TwoColumnsInCellSizeModeKeepTheRegularPitch) {
  // Columns of 100 and 50: a block at x 60..90 lies in the first one.
  ViaScene s(150, 200);
  s.AddBlock(60, 10, 30, 30, 0);
  s.params.setSizeOrDim = 1;
  s.params.signalvia_sizex = 100;
  s.params.signalvia_sizey = 100;
  s.dim.layers = 1;
  s.grids = BuildGridsForViaPlanning(s.design, &s.dim, &s.params);
  std::vector<int> caps(1);
  CaptureStdout quiet;
  CalWSDistribution(s.design, 1, *s.grids, &s.dim, caps.data());
  EXPECT_DOUBLE_EQ(s.Cell(0, 0, 0)->free_area, 10000 - 900);
  EXPECT_DOUBLE_EQ(s.Cell(0, 1, 0)->free_area, 5000);
}

TEST(ViaGrid, ReportsTheShareOfTheOutlineTheBlocksUse) {
  ViaScene s(100, 100);
  s.AddBlock(0, 0, 50, 50, 0);
  s.AddBlock(0, 0, 50, 100, 1);
  s.BuildGrid(2, 2, 2, 0);
  std::vector<int> caps(2);
  CaptureStdout out;
  CalWSDistribution(s.design, 2, *s.grids, &s.dim, caps.data());
  EXPECT_EQ(out.Finish(), "Real Area Usage: 0.375000\n");
}

}  // namespace
