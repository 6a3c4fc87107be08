// The planning driver on hand-made scenes: the capacity check at its
// boundary, the stage totals, and the per-tier drawings.
#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "via_fixture.h"

using namespace testing_support;

namespace {

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
