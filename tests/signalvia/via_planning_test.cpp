// The via grid and the white space blocks leave in it; nets split into
// sub-nets and vias, the net order, the via-aware length; candidate windows
// and the expected via load of the cells; the planning driver: the capacity
// check at its boundary, the stage totals and the per-tier drawings.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <regex>
#include <tuple>

#include "via_fixture.h"

using namespace testing_support;

namespace {

// Blocks of 200 x 200 at (50, 150), 50 x 150 at (250, 0) and 200 x 40 at (50, 355) on
// a 4 x 4 grid of one tier: the white space they leave in the cells they cover;
// capacities for that tier only.
TEST(ViaGrid, BlockTakesTheCellsItCovers) {
  ViaScene s(400, 400);
  s.AddBlock(50, 150, 200, 200, 0);
  s.AddBlock(250, 0, 50, 150, 0);   // one column of cells only
  s.AddBlock(50, 355, 200, 40, 0);  // one row of cells only
  s.BuildGrid(4, 4, 1, 0);
  std::vector<int> caps{-7, -7};
  CalWSDistribution(s.design, 1, *s.grids, &s.dim, caps.data());
  EXPECT_EQ(caps[1], -7);
  for (auto [ix, iy, free] :
       {std::tuple{0, 1, 7500.}, {1, 1, 5000.}, {1, 2, 0.}, {0, 0, 1e4}, {2, 0, 5000.}, {0, 3, 5500.}})
    EXPECT_DOUBLE_EQ(s.Cell(0, ix, iy)->free_area, free) << ix << "," << iy;
  // Cells of a given size: the last column and row take what is left.
  s.params.setSizeOrDim = 1;
  s.params.signalvia_sizex = s.params.signalvia_sizey = 150;
  const auto sized = BuildGridsForViaPlanning(s.design, &s.dim, &s.params);
  ASSERT_EQ(std::pair(s.dim.dimx, s.dim.dimy), std::pair(3, 3));
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(sized->cell(0, i, 2)->w, i < 2 ? 150 : 100) << i;
    EXPECT_EQ(sized->cell(0, 2, i)->h, i < 2 ? 150 : 100) << i;
  }
}

// The candidate window of a via, grown until it has room: i0, i1, j0, j1.
std::array<int, 4> Window(tagSIGVIA* via, ViaScene& s) {
  std::array<int, 4> r;
  CandidatePositionRange(via, *s.grids, &r[0], &r[1], &r[2], &r[3], &s.dim, 1.0);
  return r;
}

// A 400 x 400 outline in 4 x 4 cells on two tiers: with two vias in every
// cell but one, the expected load shares each via over its usable cells and
// a window with room stays as it is; with room in one far cell only, the
// window grows ring by ring until it reaches it.
TEST(ViaWindows, ShareTheExpectedLoadAndGrowUntilTheyHaveRoom) {
  ViaScene s(400, 400);
  tagNET* a = s.AddNet({{50, 50, 0}, {150, 150, 1}});
  tagNET* b = s.AddNet({{50, 50, 0}, {250, 150, 1}});
  s.BuildGrid(4, 4, 2, 2);
  s.BuildDemand(2);
  s.Cell(1, 1, 1)->via_cap = 0;
  SetExpectedValueForGridVia(s.net_list, *s.grids, &s.dim, 2);
  tagSIGVIA* va = a->vias[0];
  tagSIGVIA* vb = b->vias[0];
  EXPECT_EQ(std::pair(va->cand_num, vb->cand_num), std::pair(3, 5));
  EXPECT_EQ(
      std::vector<int>({s.Cell(1, 0, 0)->cvia_num, s.Cell(1, 2, 1)->cvia_num, s.Cell(1, 1, 1)->cvia_num}),
      std::vector<int>({2, 1, 0}));
  EXPECT_DOUBLE_EQ(s.Cell(1, 0, 0)->expected_via_num, 1.0 / 3 + 1.0 / 5);
  EXPECT_DOUBLE_EQ(s.Cell(1, 2, 0)->expected_via_num, 1.0 / 5);
  EXPECT_EQ(std::pair(va->resource, vb->resource), std::pair(3.0, 7.0));
  EXPECT_EQ(Window(va, s), (std::array<int, 4>{0, 1, 0, 1}));
  EXPECT_EQ(va->cand_num, 3);

  ViaScene far(400, 400);
  tagNET* net = far.AddNet({{10, 10, 0}, {20, 20, 1}});
  far.BuildGrid(4, 4, 2, 0);
  far.BuildDemand(2);
  far.Cell(1, 3, 3)->via_cap = 4;
  SetExpectedValueForGridVia(far.net_list, *far.grids, &far.dim, 2);
  tagSIGVIA* via = net->vias[0];
  EXPECT_EQ(via->cand_num, 0);
  EXPECT_EQ(Window(via, far), (std::array<int, 4>{0, 3, 0, 3}));
  EXPECT_DOUBLE_EQ(via->resource, 4.0);
  EXPECT_EQ(std::pair(via->cand_num, far.Cell(1, 3, 3)->cvia_num), std::pair(1, 1));
}

std::string Plan(ViaScene& s, int tiers) {
  tagNORMPARA norm{1.0, 1.0, 1.0, 0.0};
  CaptureStdout out;
  SignalViaPlanning(s.design, tiers, &s.params, &norm);
  return out.Finish();
}

// A 200 x 100 outline in two cells per tier, each holding four vias, and
// eight nets from tier 0 to tier 1. (One more stops the run, see the e2e
// tests.)
TEST(ViaPlanning, CapacityEqualToTheDemandIsEnough) {
  ViaScene s(200, 100);
  sigvia_size = 2000.0;  // pins' 1 x 1 blocks leave a cell room for four vias
  for (int n = 0; n < 8; ++n) s.AddNet({{10.0 + 9 * n, 10, 0}, {190.0 - 9 * n, 90.0 - n, 1}});
  s.params.signalvia_gridx = 2;
  s.params.signalvia_gridy = 1;
  const std::string out = Plan(s, 2);
  EXPECT_NE(out.find("Layer 1: 8 positions for 8 vias\n\n[SETUP]"), std::string::npos) << out;
  EXPECT_EQ(out.find("not enough"), std::string::npos);
  EXPECT_NE(ReadFile(s.dir.file("via_rt.txt")).find("failed viaed:0;"), std::string::npos);
  // Vias and sub-nets are released with the grid.
  for (tagNET* net = s.design->nets; net; net = net->next) EXPECT_TRUE(!net->vias && !net->sub_nets);
}

// The first number of `pattern` (one group) in `text`, then the next ones.
std::vector<double> Numbers(const std::string& text, const std::string& pattern) {
  std::vector<double> found;
  const std::regex re(pattern + "(-?[0-9]+\\.[0-9]+)");
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
    found.push_back(std::stod((*it)[1]));
  return found;
}

// The relaxation's placed nets plus its final net-by-net pass make up the
// final length; the first net-by-net pass reports what it printed.
TEST(ViaPlanning, StageTotalsEqualTheRecomputedLengths) {
  std::mt19937 rng(5);
  int final_passes = 0;
  for (int round = 0; round < 5; ++round) {
    ViaScene s(500, 500);
    sigvia_size = 6000.0;  // one via per cell: nets compete
    for (int n = 0; n < 20; ++n) {
      std::vector<ViaScene::Pin> pins(3);
      for (ViaScene::Pin& p : pins)
        p = {static_cast<double>(rng() % 500), static_cast<double>(rng() % 500), static_cast<int>(rng() % 3)};
      s.AddNet(pins);
    }
    s.params.signalvia_gridx = s.params.signalvia_gridy = 5;
    const std::string out = Plan(s, 3);
    const std::vector<double> netbynet = Numbers(out, "\\[NETBYNET\\]\\[via_inserted:\\d+; wire:");
    const std::vector<double> final_length = Numbers(out, "Viaed Net Wire length: ");
    ASSERT_TRUE(!netbynet.empty() && !final_length.empty()) << out;
    EXPECT_NEAR(netbynet[0], Numbers(out, "length\\(net by net\\): ")[0], 0.006);
    const double relaxed = Numbers(out, "Inserted Vias:\\d+; cost:[-0-9.]+; wire:")[0];
    final_passes += netbynet.size() > 1;
    EXPECT_NEAR(relaxed + (netbynet.size() > 1 ? netbynet[1] : 0.0), final_length[0], 0.011);
    EXPECT_EQ(out.find("zero hpwl"), std::string::npos);
  }
  EXPECT_GT(final_passes, 0);
}

}  // namespace
