#include <gtest/gtest.h>

#include <map>
#include <string>

#include "assignment_checks.h"
#include "via_fixture.h"

using namespace testing_support;

namespace {

constexpr int kTiers = 3;  // of the random scenes

std::vector<tagNET*> NetsOf(tagNETLIST* list) {
  std::vector<tagNET*> nets;
  for (; list; list = list->next) nets.push_back(list->net);
  return nets;
}

std::string Relax(ViaScene& scene, int tiers) {
  CaptureStdout capture;
  SignalViaAssignmentByLagragianRelaxationWOLEDA(scene.net_list, tiers, *scene.grids, &scene.dim);
  return capture.Finish();
}

// After the stage: no cell holds more placed vias than it could, the
// capacity taken is exactly what the placed vias use, placed nets carry
// their measured length and the nets left over hold no cell.
void ExpectFeasiblePlacement(ViaScene& scene, const std::map<tagSIGGRID*, int>& cap_before, int tiers) {
  std::map<tagSIGGRID*, int> load;
  std::vector<tagNET*> left = NetsOf(scene.net_list);
  for (tagNET* net = scene.design->nets; net; net = net->next) {
    if (net->via_cnt == 0) continue;
    bool is_left = std::find(left.begin(), left.end(), net) != left.end();
    for (int k = 0; k < net->via_cnt; ++k) {
      tagSIGVIA* via = net->vias[k];
      EXPECT_EQ(via->placed, is_left ? 0 : 1);
      if (is_left) {
        EXPECT_EQ(via->grid, nullptr);
      } else {
        ASSERT_NE(via->grid, nullptr);
        EXPECT_EQ(via->grid->layer, via->layer);
        ++load[via->grid];
      }
      EXPECT_EQ(via->cand_list, nullptr);
      EXPECT_EQ(via->best_cand, nullptr);
    }
    if (!is_left) {
      EXPECT_NEAR(net->hpwl_w_via, ViaAwareNetLength(net), 1e-6);
    }
  }
  for (int layer = 1; layer < tiers; ++layer)
    for (int ix = 0; ix < scene.dim.dimx; ++ix)
      for (int iy = 0; iy < scene.dim.dimy; ++iy) {
        tagSIGGRID* c = scene.Cell(layer, ix, iy);
        EXPECT_LE(load[c], cap_before.at(c));
        if (cap_before.at(c) > 0) {
          EXPECT_EQ(c->via_num, load[c]);
          EXPECT_EQ(c->via_cap, cap_before.at(c) - load[c]);
        }
      }
}

}  // namespace

// With room for every via no constraint is relaxed: the first solve is
// already optimal, the step becomes 0 and the loop ends in its second round.
TEST(Relaxation, AmpleCapacityGivesEveryNetItsCheapestCells) {
  ForEachRandomScene({30, 3, 3, 3, 0}, [](ViaScene& scene) {
    for (tagSIGGRID& c : scene.grids->cells) c.via_cap = 4;
    auto cap_before = Capacities(scene);
    std::vector<tagNET*> nets = NetsOf(scene.net_list);
    std::map<tagNET*, double> cheapest;
    for (tagNET* net : nets) {
      std::vector<std::vector<tagSIGGRID*>> options;
      for (int k = 0; k < net->via_cnt; ++k) options.push_back(UsableWindowCells(net->vias[k], scene));
      cheapest[net] = CheapestNetLength(net, options);
    }
    lm_upper_bound = 1e6;

    std::string out = Relax(scene, kTiers);
    EXPECT_EQ(scene.net_list, nullptr);
    for (tagNET* net : nets) EXPECT_NEAR(net->hpwl_w_via, cheapest[net], 1e-6);
    EXPECT_NE(out.find("Iteration 2: theta: 0.00000"), std::string::npos);
    EXPECT_EQ(out.find("Iteration 3:"), std::string::npos);
    ExpectFeasiblePlacement(scene, cap_before, kTiers);
  });
}

TEST(Relaxation, CongestedScenesNeverOverfillACell) {
  ForEachRandomScene({30, 3, 2, 6, 1}, [](ViaScene& scene) {
    auto cap_before = Capacities(scene);
    lm_upper_bound = 2000;
    std::string out = Relax(scene, kTiers);
    EXPECT_EQ(out.find("Iteration 101:"), std::string::npos);
    ExpectFeasiblePlacement(scene, cap_before, kTiers);
  });
}

// The whole stage: the nets the relaxation could not place get a net-by-net
// pass on the capacity left, and no cell ends up over its capacity.
TEST(Relaxation, LeftoverNetsGoToANetByNetPassWithinCapacity) {
  ForEachRandomScene({20, 3, 2, 6, 1}, [](ViaScene& scene) {
    auto cap_before = Capacities(scene);
    lm_upper_bound = 2000;
    {
      CaptureStdout quiet;
      MultiLayerSignalViaAssignmentByMultiRelaxation(scene.net_list, kTiers, *scene.grids, &scene.dim);
    }
    std::map<tagSIGGRID*, int> load;
    for (tagNET* net = scene.design->nets; net; net = net->next)
      for (int k = 0; k < net->via_cnt; ++k)
        if (net->vias[k]->placed) ++load[net->vias[k]->grid];
    for (auto& [cell, count] : load) EXPECT_LE(count, cap_before[cell]);
  });
}

// Nets on single tiers need no via: nothing fails, and the share is 0 %.
TEST(Relaxation, NoViaNetsReportNoFailure) {
  ViaScene scene(200, 200);
  scene.AddNet({{10, 10, 1}, {150, 50, 1}});
  scene.BuildGrid(2, 2, 2, 4);
  scene.BuildDemand(2);
  EXPECT_NE(Relax(scene, 2).find("failed to be viaed: 0 (0.00%, total: 0);"), std::string::npos);
}

TEST(Relaxation, ViaWithoutCandidateFailsOnlyItsNet) {
  const int tiers = 3;
  ViaScene scene(200, 200);
  tagNET* spanning = scene.AddNet({{10, 10, 0}, {150, 150, 2}});
  tagNET* lower = scene.AddNet({{10, 10, 0}, {20, 20, 1}});
  scene.BuildGrid(2, 2, tiers, 0);
  scene.BuildDemand(tiers);
  for (int ix = 0; ix < 2; ++ix)
    for (int iy = 0; iy < 2; ++iy) scene.Cell(1, ix, iy)->via_cap = 1;  // grid layer 2 has no room
  auto cap_before = Capacities(scene);
  lm_upper_bound = 1000;

  std::string out = Relax(scene, tiers);
  EXPECT_NE(out.find("Warning: Some vias have no candidate position: layer:2 (0, 0, 1, 1)!\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("The number of nets failed to be viaed: 1 (50.00%, total: 2);\nInserted Vias:1;"),
            std::string::npos)
      << out;
  EXPECT_EQ(NetsOf(scene.net_list), std::vector<tagNET*>{spanning});
  EXPECT_EQ(lower->vias[0]->placed, 1);
  ExpectFeasiblePlacement(scene, cap_before, tiers);
}
