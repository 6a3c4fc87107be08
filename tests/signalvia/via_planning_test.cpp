// The via grid and the white space blocks leave in it; nets split into
// sub-nets and vias, the net order, the via-aware length; candidate windows
// and the expected via load of the cells; the planning driver: the capacity
// check at its boundary, the stage totals and the per-tier drawings.
#include <gtest/gtest.h>

#include <array>
#include <random>
#include <regex>
#include <sstream>

#include "via_fixture.h"

using namespace testing_support;

namespace {

TEST(ViaGrid, NoGridForEmptyDimensions) {
  ViaScene s(100, 100);
  s.params.signalvia_gridx = 0;
  s.dim.layers = 2;
  CaptureStdout quiet;
  EXPECT_EQ(BuildGridsForViaPlanning(s.design, &s.dim, &s.params), nullptr);
  quiet.Finish();
  s.BuildGrid(2, 2, 1, 4);  // one layer: there is no layer 1 to lay out
  EXPECT_FALSE(XYGridding(*s.grids, &s.dim, 1, 50, 50, 100, 100));
}

// One block on a grid of one tier: the white space it leaves in some cells
// ("ix iy free_area" triples). Cells by size (100 x 100) leave the remainder
// to the last column and row (50 wide, 30 high), yet a block at x 60..90
// lies in the first column of the regular pitch.
TEST(ViaGrid, BlockTakesStripsCornersAndInteriorsOfTheCellsItCovers) {
  struct Case {
    double width, height;
    bool by_size;
    int dimx, dimy;
    double x, y, w, h;
    const char *expected, *message;
  } cases[] = {
      {400, 400, false, 4, 4, 50, 150, 200, 200,
       "0 1 7500 0 2 5000 0 3 7500 1 1 5000 1 2 0 1 3 5000 2 1 7500 2 2 5000 2 3 7500 0 0 10000 3 2 10000",
       ""},
      {400, 400, false, 4, 4, 350, 380, 100, 50, "3 3 9000 2 3 10000", "Error: Exceed Grid Dimension!\n"},
      {100, 400, false, 1, 4, 10, 150, 50, 100, "0 1 7500 0 2 7500", ""},
      {150, 230, true, 2, 3, 60, 10, 30, 30, "0 0 9100 1 0 5000 1 2 1500", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    ViaScene s(c.width, c.height);
    s.AddBlock(c.x, c.y, c.w, c.h, 0);
    if (c.by_size) {
      s.params.setSizeOrDim = 1;
      s.params.signalvia_sizex = s.params.signalvia_sizey = 100;
      s.dim.layers = 1;
      s.grids = BuildGridsForViaPlanning(s.design, &s.dim, &s.params);
      ASSERT_EQ(std::pair(s.dim.dimx, s.dim.dimy), std::pair(c.dimx, c.dimy));
    } else {
      s.BuildGrid(c.dimx, c.dimy, 1, 0);
    }
    std::vector<int> caps(1);
    CaptureStdout out;
    CalWSDistribution(s.design, 1, *s.grids, &s.dim, caps.data());
    EXPECT_NE(out.Finish().find(c.message), std::string::npos);
    std::istringstream expected(c.expected);
    for (int ix, iy; expected >> ix >> iy;) {
      double free_area;
      expected >> free_area;
      EXPECT_DOUBLE_EQ(s.Cell(0, ix, iy)->free_area, free_area) << ix << "," << iy;
    }
  }
}

std::vector<int> Layers(const tagNET* net) {
  std::vector<int> layers;
  for (int k = 0; k < net->via_cnt; ++k) layers.push_back(net->vias[k]->layer);
  return layers;
}

TEST(ViaDemand, NetsOverTwoThreeAndFourTiers) {
  ViaScene s(100, 100);
  tagNET* two = s.AddNet({{10, 10, 1}, {20, 20, 2}});
  tagNET* three = s.AddNet({{10, 10, 1}, {30, 30, 3}, {40, 40, 2}, {50, 50, 3}});
  tagNET* four = s.AddNet({{0, 0, 0, true}, {90, 90, 3}});
  tagNET* flat = s.AddNet({{10, 10, 2}, {80, 80, 2}});
  tagNET* empty = s.AddNet({});
  std::string out;
  s.BuildDemand(4, &out);
  EXPECT_NE(out.find("The number of nets demand vias: 3 (length:280.00) (total:5, length:420.00)\n"),
            std::string::npos);
  EXPECT_EQ(Layers(two), std::vector<int>{2});
  EXPECT_EQ(Layers(three), std::vector<int>({2, 3}));
  EXPECT_EQ(Layers(four), std::vector<int>({1, 2, 3}));
  std::vector<size_t> pins;
  for (int k = 0; k < 3; ++k) pins.push_back(ListOf(three->sub_nets[k]->pins).size());
  EXPECT_EQ(pins, std::vector<size_t>({1, 1, 2}));
  EXPECT_EQ(std::pair(three->sub_nets[2]->minx, three->sub_nets[2]->maxx), std::pair(30.0, 50.0));
  EXPECT_TRUE(flat->via_cnt == 0 && flat->vias == nullptr && empty->via_cnt == 0 && empty->hpwl_w_via == 0);

  // Boundary lists run newest first with ids counted per boundary.
  EXPECT_EQ(s.via_count, (std::vector<int>{6, 1, 3, 2}));
  EXPECT_EQ(BoundaryVias(s.lists[2]), (std::vector<tagSIGVIA*>{four->vias[1], three->vias[0], two->vias[0]}));
  EXPECT_EQ(std::pair(s.lists[2]->via_id, s.lists[3]->via_id), std::pair(2, 1));
  EXPECT_EQ(ReadFile(s.dir.file("vp_table1.txt")), "3; 6; ");
  EXPECT_EQ(ReadFile(s.dir.file("via_assignment.txt")), "\n[NETS][net_num:3;via_num:6;wire:280.00;]\n");

  // The net list runs from the smallest half-perimeter.
  ViaScene o(100, 100);
  tagNET* thirty = o.AddNet({{0, 0, 0}, {30, 0, 1}});
  tagNET* ten = o.AddNet({{0, 0, 0}, {0, 10, 1}});
  tagNET* twenty = o.AddNet({{0, 0, 1}, {10, 10, 0}});
  o.BuildDemand(2);
  std::vector<tagNET*> order;
  for (tagNETLIST* node = o.net_list; node; node = node->next) order.push_back(node->net);
  EXPECT_EQ(order, (std::vector<tagNET*>{ten, twenty, thirty}));
}

TEST(ViaDemand, ViaAwareLengthUsesTheCellCentres) {
  ViaScene s(400, 400);
  tagNET* net = s.AddNet({{10, 10, 0}, {300, 50, 2}, {350, 90, 2}});
  tagNET* flat = s.AddNet({{10, 10, 1}, {300, 50, 1}});
  s.BuildGrid(4, 4, 3, 4);
  s.BuildDemand(3);
  net->vias[0]->grid = s.Cell(1, 1, 2);  // centre (150, 250)
  net->vias[1]->grid = s.Cell(2, 3, 0);  // centre (350, 50)
  // Tier 0: pin (10,10) and (150,250); tier 1: both centres; tier 2: pins and (350,50).
  EXPECT_DOUBLE_EQ(ViaAwareNetLength(net), (140 + 240) + (200 + 200) + (50 + 40));
  // A via without a cell is reported and left out.
  net->vias[1]->grid = nullptr;
  CaptureStdout out;
  const double partial = ViaAwareNetLength(net);
  EXPECT_NE(out.Finish().find("Some via has no position!\n"), std::string::npos);
  EXPECT_DOUBLE_EQ(partial, (140 + 240) + 0 + (50 + 40));
  EXPECT_EQ(ViaAwareNetLength(flat), 0.0);
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

TEST(ViaPlanning, DrawingShowsOutlineBlocksOfTheTierAndCellsWithVias) {
  ViaScene s(200, 100);
  s.AddBlock(10, 20, 30, 40, 1);
  s.AddBlock(100, 0, 50, 50, 0);
  s.BuildGrid(2, 2, 2, 4);
  s.Cell(1, 1, 0)->via_num = 2;
  s.Cell(0, 0, 1)->via_num = 1;
  size_expand = 5.0;
  tagNORMPARA norm{0.5, 2.0, 4.0, 0.0};
  OutputViaDistribution(s.design, *s.grids, &s.dim, 2, &norm);
  const std::string head = "set nokey\n\n\nplot '-' w l\n0 0\n0 200\n400 200\n400 0\n0 0\n\n\n";
  const std::string tail = "EOF\n\npause -1 'Press any key'\n";
  EXPECT_EQ(ReadFile(s.dir.file("via_dist_scene_0.gp")),
            head + "210 10\n210 90\n290 90\n290 10\n210 10\n\n\n0 100\n0 200\n200 200\n200 100\n0 100\n\n\n" +
                tail);
  EXPECT_EQ(
      ReadFile(s.dir.file("via_dist_scene_1.gp")),
      head + "30 50\n30 110\n70 110\n70 50\n30 50\n\n\n200 0\n200 100\n400 100\n400 0\n200 0\n\n\n" + tail);
}

}  // namespace
