// Net-by-net assignment against an exhaustive search on tiny instances.
#include <gtest/gtest.h>

#include <map>
#include <random>

#include "assignment_checks.h"
#include "via_fixture.h"

using namespace testing_support;

namespace {

using Pin = ViaScene::Pin;

void RunStage(ViaScene& s, int tiers) {
  CaptureStdout quiet;
  NetByNetMultiLayerSignalViaAssignment(s.net_list, tiers, *s.grids, &s.dim);
}

// The least via-aware length of a net over every choice of one usable cell
// per via within the via's window, as the grid's capacity stands now.
double CheapestChoice(ViaScene& s, tagNET* net) {
  std::vector<std::vector<tagSIGGRID*>> options(net->via_cnt);
  for (int k = 0; k < net->via_cnt; ++k) {
    int i0, i1, j0, j1;
    NetByNetCandidatePositionRange(net->vias[k], *s.grids, &i0, &i1, &j0, &j1, &s.dim);
    for (int i = i0; i <= i1; ++i)
      for (int j = j0; j <= j1; ++j)
        if (s.Cell(net->vias[k]->layer, i, j)->via_cap > 0)
          options[k].push_back(s.Cell(net->vias[k]->layer, i, j));
  }
  return CheapestNetLength(net, options);
}

TEST(NetByNet, NetWithoutAnyUsableCellFails) {
  ViaScene s(400, 400);
  tagNET* net = s.AddNet({{40, 40, 0}, {160, 160, 1}});
  s.BuildGrid(2, 2, 2, 0);
  s.BuildDemand(2);
  CaptureStdout out;
  NetByNetMultiLayerSignalViaAssignment(s.net_list, 2, *s.grids, &s.dim);
  const std::string text = out.Finish();
  EXPECT_NE(text.find("Warning: Via has no candidate position layer: 1 (0, 1, 0, 1)!\n"),
            std::string::npos);
  EXPECT_NE(text.find("Warning: No path found for some nets!\n"), std::string::npos);
  EXPECT_NE(text.find("[NETBYNET][via_inserted:0; wire:0.00; time:"), std::string::npos);
  EXPECT_EQ(net->vias[0]->grid, nullptr);
  EXPECT_DOUBLE_EQ(net->hpwl_w_via, 0.0);
}

TEST(NetByNet, MatchesExhaustiveSearchAndRespectsCapacity) {
  std::mt19937 rng(2026);
  int placed_nets = 0;
  for (int round = 0; round < 60; ++round) {
    ViaScene s(300, 300);
    const int tiers = 2 + static_cast<int>(rng() % 3);
    const int nets = 1 + static_cast<int>(rng() % 6);
    for (int n = 0; n < nets; ++n) {
      std::vector<Pin> pins;
      const int count = 2 + static_cast<int>(rng() % 2);
      for (int p = 0; p < count; ++p)
        pins.push_back({static_cast<double>(rng() % 3000) / 10.0,
                        static_cast<double>(rng() % 3000) / 10.0, static_cast<int>(rng() % tiers)});
      s.AddNet(pins);
    }
    s.BuildGrid(3, 3, tiers, 0);
    for (tagSIGGRID& cell : s.grids->cells) cell.via_cap = static_cast<int>(rng() % 3);
    s.BuildDemand(tiers);
    const std::map<tagSIGGRID*, int> before = Capacities(s);
    RunStage(s, tiers);
    // Capacity comes back and no cell keeps a count.
    EXPECT_EQ(Capacities(s), before);
    for (const tagSIGGRID& cell : s.grids->cells) EXPECT_EQ(cell.via_num, 0);

    // Replay the nets in list order on the original capacity: each takes its
    // cheapest cells among those the nets before it left.
    std::map<tagSIGVIA*, tagSIGGRID*> chosen;
    for (tagNETLIST* node = s.net_list; node; node = node->next)
      for (int k = 0; k < node->net->via_cnt; ++k)
        chosen[node->net->vias[k]] = node->net->vias[k]->grid;
    std::map<tagSIGGRID*, int> used;
    for (tagNETLIST* node = s.net_list; node; node = node->next) {
      tagNET* net = node->net;
      const double stage_length = net->hpwl_w_via;
      const double best = CheapestChoice(s, net);
      if (best == kInfinity) {
        EXPECT_DOUBLE_EQ(stage_length, 0.0);
        continue;
      }
      ++placed_nets;
      EXPECT_NEAR(stage_length, best, 1e-9);
      for (int k = 0; k < net->via_cnt; ++k) {
        tagSIGGRID* cell = chosen[net->vias[k]];
        ASSERT_NE(cell, nullptr);
        net->vias[k]->grid = cell;
        EXPECT_EQ(cell->layer, net->vias[k]->layer);
        ASSERT_GT(cell->via_cap, 0);
        --cell->via_cap;
        ++used[cell];
      }
      EXPECT_NEAR(ViaAwareNetLength(net), stage_length, 1e-9);
    }
    for (auto& [cell, count] : used) {
      EXPECT_LE(count, before.at(cell));
      cell->via_cap += count;
    }
  }
  EXPECT_GT(placed_nets, 50);
}

TEST(NetByNet, ReportsEveryCallButLogsTheFirstOnly) {
  ViaScene s(400, 400);
  s.AddNet({{40, 40, 0}, {160, 160, 1}});
  s.BuildGrid(2, 2, 2, 4);
  s.BuildDemand(2);
  RunStage(s, 2);
  RunStage(s, 2);
  const std::string log = ReadFile(s.dir.file("via_assignment.txt"));
  const std::string line = "[NETBYNET][via_inserted:1; wire:240.00; time:";
  const size_t first = log.find(line);
  ASSERT_NE(first, std::string::npos);
  EXPECT_NE(log.find(line, first + 1), std::string::npos);
  const std::string rt = ReadFile(s.dir.file("via_rt.txt"));
  EXPECT_EQ(rt.rfind(line, 0), 0u);
  EXPECT_EQ(rt.find(line, 1), std::string::npos);
  EXPECT_EQ(rt.back(), ']');
}

}  // namespace
