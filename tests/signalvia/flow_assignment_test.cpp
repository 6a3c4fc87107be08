#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <string>

#include "assignment_checks.h"
#include "via_fixture.h"

using namespace testing_support;

namespace {

// Best placement of one boundary's vias found by trying every choice: most
// vias placed, then least total truncated cost.
struct Optimum {
  int count = -1;
  double cost = 0.0;
};

void Search(size_t i, const std::vector<tagSIGVIA*>& vias,
            const std::vector<std::vector<tagSIGGRID*>>& options,
            const std::vector<std::vector<double>>& costs, std::map<tagSIGGRID*, int>& used, int count,
            double cost, Optimum& best) {
  if (i == vias.size()) {
    if (count > best.count || (count == best.count && cost < best.cost)) best = {count, cost};
    return;
  }
  Search(i + 1, vias, options, costs, used, count, cost, best);
  for (size_t c = 0; c < options[i].size(); ++c) {
    tagSIGGRID* cell = options[i][c];
    if (used[cell] >= cell->via_cap) continue;
    ++used[cell];
    Search(i + 1, vias, options, costs, used, count + 1, cost + costs[i][c], best);
    --used[cell];
  }
}

// The via's cell below in its net, once placed.
const tagSIGGRID* CellBelow(const tagSIGVIA* via) {
  const tagNET* net = via->net;
  int k = via->layer - net->vias[0]->layer;
  return k > 0 ? net->vias[k - 1]->grid : nullptr;
}

int RunFlow(ViaScene& scene, int tiers, std::string* out) {
  CaptureStdout capture;
  const int placed = SignalViaAssignment(scene.lists.data(), scene.via_count.data(), tiers, *scene.grids,
                                         &scene.dim, scene.design->nets);
  *out = capture.Finish();
  return placed;
}

}  // namespace

// Boundaries are placed from the lowest up, so each boundary's choice is
// checked against every choice given the cells already fixed below it. Each
// net's length is then measured from its vias' cells and bounds the relaxation.
TEST(FlowAssignment, PlacesMostViasAtLeastTruncatedCostPerBoundary) {
  // Cell centres lie off the integers, so that truncation matters.
  ForEachRandomScene({40, 3, 3, 4, 2}, [](ViaScene& scene) {
    const int tiers = 3;
    std::map<tagSIGGRID*, int> cap_before = Capacities(scene);

    lm_upper_bound = 1e12;
    std::string out;
    int placed = RunFlow(scene, tiers, &out);
    // Each boundary placed reports its cells' capacity, and the total adds them up.
    int total_cap = 0;
    const std::regex layer_cap(R"(\[LAYER_(\d+)\] .*layer_cap:(\d+)\))");
    for (std::sregex_iterator it(out.begin(), out.end(), layer_cap), end; it != end; ++it) {
      int cap = 0;
      for (const auto& [cell, c] : cap_before) cap += cell->layer == std::stoi((*it)[1]) ? std::max(c, 0) : 0;
      EXPECT_EQ(std::stoi((*it)[2]), cap) << out;
      total_cap += cap;
    }
    EXPECT_GT(total_cap, 0);
    EXPECT_NE(out.find("total_cap:" + std::to_string(total_cap) + ")"), std::string::npos) << out;

    int placed_seen = 0;
    for (int t = 1; t < tiers; ++t) {
      std::vector<tagSIGVIA*> vias = BoundaryVias(scene.lists[t]);
      std::vector<std::vector<tagSIGGRID*>> options;
      std::vector<std::vector<double>> costs;
      int count = 0;
      double cost = 0.0;
      std::map<tagSIGGRID*, int> load;
      for (tagSIGVIA* via : vias) {
        options.push_back(UsableWindowCells(via, scene));
        costs.emplace_back();
        for (tagSIGGRID* c : options.back())
          costs.back().push_back(PlacementCost(via, c, CellBelow(via), true));
        if (!via->grid) continue;
        ASSERT_NE(std::find(options.back().begin(), options.back().end(), via->grid), options.back().end())
            << "a via left its window";
        ++count;
        ++load[via->grid];
        cost += PlacementCost(via, via->grid, CellBelow(via), true);
      }
      Optimum best;
      std::map<tagSIGGRID*, int> used;
      Search(0, vias, options, costs, used, 0, 0.0, best);
      EXPECT_EQ(count, best.count) << "boundary " << t;
      EXPECT_DOUBLE_EQ(cost, best.cost) << "boundary " << t;
      for (int ix = 0; ix < 3; ++ix)
        for (int iy = 0; iy < 3; ++iy) {
          tagSIGGRID* c = scene.Cell(t, ix, iy);
          EXPECT_EQ(c->via_num, load[c]);
          EXPECT_LE(c->via_num, c->via_cap);
          EXPECT_EQ(c->via_cap, cap_before[c]);
        }
      placed_seen += count;
    }
    EXPECT_EQ(placed, placed_seen);
    std::vector<std::pair<double, double>> lengths;  // kept, measured
    {
      CaptureStdout quiet;  // vias left without a cell are reported
      for (tagNET* net = scene.design->nets; net; net = net->next)
        lengths.emplace_back(net->hpwl_w_via, ViaAwareNetLength(net));
    }
    double wire = 0.0;
    for (auto [kept, measured] : lengths) {
      EXPECT_DOUBLE_EQ(kept, measured);
      wire += kept;
    }
    EXPECT_TRUE(ub_change);
    EXPECT_DOUBLE_EQ(lm_upper_bound, wire);
  });
}

TEST(ViaCongestion, MeanOfTheFullestTenthOfTheCells) {
  ViaScene scene(400, 400);
  scene.BuildGrid(4, 4, 2, 4);
  auto congestion = [&](int n) { return CalViaCongCost(*scene.grids, &scene.dim, 1, n); };
  EXPECT_EQ(congestion(20), 0.0) << "no cell holds a via";
  scene.Cell(1, 0, 0)->via_num = 3;
  scene.Cell(1, 1, 2)->via_num = 1;
  scene.Cell(1, 2, 1)->via_num = 4;
  scene.Cell(1, 3, 3)->via_num = 3;
  scene.Cell(0, 0, 1)->via_num = 9;  // another layer
  EXPECT_DOUBLE_EQ(congestion(20), 3.5);
  EXPECT_DOUBLE_EQ(congestion(5), 4.0);
  EXPECT_DOUBLE_EQ(congestion(100), 2.75);
}
