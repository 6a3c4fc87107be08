// The via grid: cell layout in both modes, white space left by blocks at
// known places, and the capacity it gives.
#include <gtest/gtest.h>

#include "via_fixture.h"

using namespace testing_support;

namespace {

TEST(ViaGrid, NoGridForEmptyDimensions) {
  ViaScene s(100, 100);
  s.params.signalvia_gridx = 0;
  s.dim.layers = 2;
  CaptureStdout quiet;
  const bool built = BuildGridsForViaPlanning(s.design, &s.dim, &s.params) != nullptr;
  quiet.Finish();
  EXPECT_FALSE(built);
  s.BuildGrid(2, 2, 1, 4);  // one layer: there is no layer 1 to lay out
  EXPECT_FALSE(XYGridding(*s.grids, &s.dim, 1, 50, 50, 100, 100));
}

// One block on a grid of one tier: the white space it leaves in some cells.
TEST(ViaGrid, BlockTakesStripsCornersAndInteriorsOfTheCellsItCovers) {
  struct Cell {
    int ix, iy;
    double free_area;
  };
  struct Case {
    const char* label;
    double width, height;  // outline
    bool by_size;          // cells of 100 x 100, else dimx x dimy cells
    int dimx, dimy;
    double x, y, w, h;  // the block
    std::vector<Cell> expected;
    const char* message;  // printed, or ""
  } cases[] = {
      {"over_many_cells",
       400,
       400,
       false,
       4,
       4,
       50,
       150,
       200,
       200,
       {{0, 1, 10000 - 50 * 50},
        {0, 2, 10000 - 50 * 100},
        {0, 3, 10000 - 50 * 50},
        {1, 1, 10000 - 100 * 50},
        {1, 2, 0},
        {1, 3, 10000 - 100 * 50},
        {2, 1, 10000 - 50 * 50},
        {2, 2, 10000 - 50 * 100},
        {2, 3, 10000 - 50 * 50},
        {0, 0, 10000},
        {3, 2, 10000}},
       ""},
      {"past_the_grid",
       400,
       400,
       false,
       4,
       4,
       350,
       380,
       100,
       50,
       {{3, 3, 10000 - 50 * 20}, {2, 3, 10000}},
       "Error: Exceed Grid Dimension!\n"},
      {"one_column",
       100,
       400,
       false,
       1,
       4,
       10,
       150,
       50,
       100,
       {{0, 1, 10000 - 50 * 50}, {0, 2, 10000 - 50 * 50}},
       ""},
      // The last column and row take the remainder (50 wide, 30 high), yet a
      // block at x 60..90 lies in the first column of the regular pitch.
      {"cells_by_size",
       150,
       230,
       true,
       2,
       3,
       60,
       10,
       30,
       30,
       {{0, 0, 10000 - 900}, {1, 0, 5000}, {1, 2, 1500}},
       ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ViaScene s(c.width, c.height);
    s.AddBlock(c.x, c.y, c.w, c.h, 0);
    if (c.by_size) {
      s.params.setSizeOrDim = 1;
      s.params.signalvia_sizex = s.params.signalvia_sizey = 100;
      s.dim.layers = 1;
      s.grids = BuildGridsForViaPlanning(s.design, &s.dim, &s.params);
      ASSERT_EQ(s.dim.dimx, c.dimx);
      ASSERT_EQ(s.dim.dimy, c.dimy);
    } else {
      s.BuildGrid(c.dimx, c.dimy, 1, 0);
    }
    std::vector<int> caps(1);
    CaptureStdout out;
    CalWSDistribution(s.design, 1, *s.grids, &s.dim, caps.data());
    EXPECT_NE(out.Finish().find(c.message), std::string::npos);
    for (const Cell& e : c.expected)
      EXPECT_DOUBLE_EQ(s.Cell(0, e.ix, e.iy)->free_area, e.free_area) << e.ix << "," << e.iy;
  }
}

}  // namespace
