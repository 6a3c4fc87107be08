// Via demand: nets split into sub-nets and vias, the net order, the
// via-aware length and the path edge cost it is built from.
#include <gtest/gtest.h>

#include <random>

#include "via_fixture.h"

using namespace testing_support;

namespace {

using Pin = ViaScene::Pin;

int PinCount(const tagNET* net) {
  int count = 0;
  for (const tagPINLIST* node = net->pins; node; node = node->next) ++count;
  return count;
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
  EXPECT_NE(out.find("The number of nets demand vias: 3 (length:280.00) "
                     "(total:5, length:420.00)\n"),
            std::string::npos);

  EXPECT_EQ(two->via_cnt, 1);
  EXPECT_EQ(two->vias[0]->layer, 2);
  EXPECT_EQ(three->via_cnt, 2);
  EXPECT_EQ(three->vias[0]->layer, 2);
  EXPECT_EQ(three->vias[1]->layer, 3);
  EXPECT_EQ(PinCount(three->sub_nets[0]), 1);
  EXPECT_EQ(PinCount(three->sub_nets[1]), 1);
  EXPECT_EQ(PinCount(three->sub_nets[2]), 2);
  EXPECT_DOUBLE_EQ(three->sub_nets[2]->minx, 30);
  EXPECT_DOUBLE_EQ(three->sub_nets[2]->maxx, 50);
  EXPECT_EQ(four->via_cnt, 3);
  for (int k = 0; k < 3; ++k) EXPECT_EQ(four->vias[k]->layer, k + 1);
  EXPECT_EQ(flat->via_cnt, 0);
  EXPECT_EQ(flat->vias, nullptr);
  EXPECT_EQ(empty->via_cnt, 0);
  EXPECT_DOUBLE_EQ(empty->hpwl_w_via, 0.0);

  // Boundary lists run newest first with ids counted per boundary.
  EXPECT_EQ(s.via_count, (std::vector<int>{6, 1, 3, 2}));
  EXPECT_EQ(s.lists[2], four->vias[1]);
  EXPECT_EQ(s.lists[2]->via_id, 2);
  EXPECT_EQ(s.lists[2]->via_next, three->vias[0]);
  EXPECT_EQ(s.lists[2]->via_next->via_next, two->vias[0]);
  EXPECT_EQ(s.lists[3]->via_id, 1);

  EXPECT_EQ(ReadFile(s.dir.file("vp_table1.txt")), "3; 6; ");
  EXPECT_EQ(ReadFile(s.dir.file("via_assignment.txt")), "\n[NETS][net_num:3;via_num:6;wire:280.00;]\n");
}

TEST(ViaDemand, NetListRunsFromTheSmallestHalfPerimeter) {
  ViaScene s(100, 100);
  tagNET* thirty = s.AddNet({{0, 0, 0}, {30, 0, 1}});
  tagNET* ten = s.AddNet({{0, 0, 0}, {0, 10, 1}});
  tagNET* twenty = s.AddNet({{0, 0, 1}, {10, 10, 0}});
  s.BuildDemand(2);
  std::vector<tagNET*> order;
  for (tagNETLIST* node = s.net_list; node; node = node->next) order.push_back(node->net);
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
  const double expected = (140 + 240) + (200 + 200) + (50 + 40);
  EXPECT_DOUBLE_EQ(ViaAwareNetLength(net), expected);

  // A via without a cell is reported and left out.
  net->vias[1]->grid = nullptr;
  CaptureStdout out;
  const double partial = ViaAwareNetLength(net);
  EXPECT_NE(out.Finish().find("Some via has no position!\n"), std::string::npos);
  EXPECT_DOUBLE_EQ(partial, (140 + 240) + 0 + (50 + 40));
  // A net on one tier has no via and no via-aware length.
  EXPECT_EQ(ViaAwareNetLength(flat), 0.0);
}

TEST(ViaDemand, PathEdgeCostsAddUpToTheViaAwareLength) {
  std::mt19937 rng(11);
  for (int round = 0; round < 30; ++round) {
    ViaScene s(500, 500);
    const int tiers = 2 + static_cast<int>(rng() % 3);
    std::vector<Pin> pins;
    const int pin_count = 2 + static_cast<int>(rng() % 5);
    for (int p = 0; p < pin_count; ++p)
      pins.push_back({static_cast<double>(rng() % 500), static_cast<double>(rng() % 500),
                      static_cast<int>(rng() % tiers)});
    pins.push_back({1, 1, tiers - 1});
    tagNET* net = s.AddNet(pins);
    s.BuildGrid(5, 5, tiers, 4);
    s.BuildDemand(tiers);
    if (net->via_cnt == 0) continue;
    double sum = 0.0;
    tagSIGGRID* below = nullptr;
    for (int k = 0; k < net->via_cnt; ++k) {
      tagSIGGRID* cell =
          s.Cell(net->vias[k]->layer, static_cast<int>(rng() % 5), static_cast<int>(rng() % 5));
      net->vias[k]->grid = cell;
      sum += EdgeCost(net, cell, below, k);
      below = cell;
    }
    EXPECT_NEAR(sum, ViaAwareNetLength(net), 1e-9);
  }
}

}  // namespace
