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
        pins.push_back({static_cast<double>(rng() % 3000) / 10.0, static_cast<double>(rng() % 3000) / 10.0,
                        static_cast<int>(rng() % tiers)});
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
      for (int k = 0; k < node->net->via_cnt; ++k) chosen[node->net->vias[k]] = node->net->vias[k]->grid;
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

}  // namespace
