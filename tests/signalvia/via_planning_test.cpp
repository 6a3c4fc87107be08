// The planning driver on hand-made scenes: the capacity check, designs
// without via nets, and the per-tier drawings.
#include <gtest/gtest.h>

#include <random>
#include <regex>

#include "via_fixture.h"

using namespace testing_support;

namespace {

using Pin = ViaScene::Pin;

// A 200 x 100 outline in two cells per tier, each holding four vias, and
// `nets` two-pin nets from tier 0 to tier 1.
void TwoCellScene(ViaScene& s, int nets) {
  sigvia_size = 2000.0;  // pins' 1 x 1 blocks leave a cell room for four vias
  for (int n = 0; n < nets; ++n) s.AddNet({{10.0 + 9 * n, 10, 0}, {190.0 - 9 * n, 90.0 - n, 1}});
  s.params.signalvia_gridx = 2;
  s.params.signalvia_gridy = 1;
}

std::string Plan(ViaScene& s, int tiers) {
  tagNORMPARA norm{1.0, 1.0, 1.0, 0.0};
  CaptureStdout out;
  SignalViaPlanning(s.design, tiers, &s.params, &norm);
  return out.Finish();
}

TEST(ViaPlanning, CapacityEqualToTheDemandIsEnough) {
  ViaScene s(200, 100);
  TwoCellScene(s, 8);
  const std::string out = Plan(s, 2);
  EXPECT_NE(out.find("Layer 1: 8 positions for 8 vias\n\n[SETUP]"), std::string::npos) << out;
  EXPECT_EQ(out.find("not enough"), std::string::npos);
  EXPECT_NE(ReadFile(s.dir.file("via_rt.txt")).find("failed viaed:0;"), std::string::npos);
  // Vias and sub-nets are released with the grid.
  for (tagNET* net = s.design->nets; net; net = net->next) {
    EXPECT_EQ(net->vias, nullptr);
    EXPECT_EQ(net->sub_nets, nullptr);
  }
}

TEST(ViaPlanningDeathTest, OneViaMoreThanTheCapacityStopsTheRun) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ViaScene s(200, 100);
  TwoCellScene(s, 9);
  tagNORMPARA norm{1.0, 1.0, 1.0, 0.0};
  EXPECT_EXIT(SignalViaPlanning(s.design, 2, &s.params, &norm), testing::ExitedWithCode(255), "");
}

// The numbers of every match of `pattern` (one group) in `text`.
std::vector<double> Numbers(const std::string& text, const std::string& pattern) {
  std::vector<double> found;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
    found.push_back(std::stod((*it)[1]));
  return found;
}

TEST(ViaPlanning, StageTotalsEqualTheRecomputedLengths) {
  std::mt19937 rng(5);
  int final_passes = 0;
  for (int round = 0; round < 5; ++round) {
    ViaScene s(500, 500);
    sigvia_size = 6000.0;  // one via per cell: nets compete
    for (int n = 0; n < 20; ++n) {
      std::vector<Pin> pins;
      for (int p = 0; p < 3; ++p)
        pins.push_back({static_cast<double>(rng() % 500), static_cast<double>(rng() % 500),
                        static_cast<int>(rng() % 3)});
      s.AddNet(pins);
    }
    s.params.signalvia_gridx = s.params.signalvia_gridy = 5;
    const std::string out = Plan(s, 3);
    ASSERT_NE(out.find("Viaed Net Wire length: "), std::string::npos) << out;
    const std::string number = "(-?[0-9]+\\.[0-9]+)";
    const std::vector<double> netbynet = Numbers(out, "\\[NETBYNET\\]\\[via_inserted:\\d+; wire:" + number);
    ASSERT_FALSE(netbynet.empty());
    EXPECT_NEAR(netbynet[0], Numbers(out, "length\\(net by net\\): " + number)[0], 0.006);
    // The relaxation's placed nets plus its final pass make up the final length.
    const double relaxed = Numbers(out, "Inserted Vias:\\d+; cost:[-0-9.]+; wire:" + number)[0];
    const double final_pass = netbynet.size() > 1 ? netbynet[1] : 0.0;
    final_passes += netbynet.size() > 1;
    EXPECT_NEAR(relaxed + final_pass, Numbers(out, "Viaed Net Wire length: " + number)[0], 0.011);
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
            head + "210 10\n210 90\n290 90\n290 10\n210 10\n\n\n" +
                "0 100\n0 200\n200 200\n200 100\n0 100\n\n\n" + tail);
  EXPECT_EQ(ReadFile(s.dir.file("via_dist_scene_1.gp")), head + "30 50\n30 110\n70 110\n70 50\n30 50\n\n\n" +
                                                             "200 0\n200 100\n400 100\n400 0\n200 0\n\n\n" +
                                                             tail);
}

}  // namespace
