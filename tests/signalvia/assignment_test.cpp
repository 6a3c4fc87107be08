// The assignment stages against exhaustive searches on tiny scenes, and the
// capacity they leave.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <tuple>

#include "via_fixture.h"

using namespace testing_support;

namespace {

// The usable cells of the via's pinned window, ix outer, iy inner.
std::vector<tagSIGGRID*> UsableWindowCells(const tagSIGVIA* via, ViaScene& scene) {
  std::vector<tagSIGGRID*> cells;
  for (int ix = 0; ix < scene.dim.dimx; ++ix)
    for (int iy = 0; iy < scene.dim.dimy; ++iy) {
      tagSIGGRID* c = scene.Cell(via->layer, ix, iy);
      double cx = c->x + 0.5 * c->w, cy = c->y + 0.5 * c->h;
      if (c->via_cap > 0 && cx >= via->minx && cx <= via->maxx && cy >= via->miny && cy <= via->maxy)
        cells.push_back(c);
    }
  return cells;
}

// The least via-aware length of the net over every choice of one cell per
// via k from options[k] (kInfinity when some via has none).
double CheapestNetLength(tagNET* net, const std::vector<std::vector<tagSIGGRID*>>& options) {
  std::vector<tagSIGGRID*> kept;
  for (int k = 0; k < net->via_cnt; ++k) kept.push_back(net->vias[k]->grid);
  double best = kInfinity;
  std::function<void(int)> choose = [&](int k) {
    if (k == net->via_cnt) best = std::min(best, ViaAwareNetLength(net));
    for (size_t c = 0; k < net->via_cnt && c < options[k].size(); ++c) {
      net->vias[k]->grid = options[k][c];
      choose(k + 1);
    }
  };
  choose(0);
  for (int k = 0; k < net->via_cnt; ++k) net->vias[k]->grid = kept[k];
  return best;
}

std::map<tagSIGGRID*, int> Capacities(ViaScene& scene) {
  std::map<tagSIGGRID*, int> caps;
  for (tagSIGGRID& c : scene.grids->cells) caps[&c] = c.via_cap;
  return caps;
}

// Runs `check` on scenes of `nets` random three-pin nets over 3 tiers on a
// 310 x 205 outline (cell centres off the integers) in dimx x dimy cells,
// seeds 1 to `seeds`: odd seeds mix net spans, even ones span every tier.
// Each via is pinned to a random window at least two columns wide, each
// cell holds up to max_cap vias, topped up to hold every via of a boundary.
struct RandomScenes {
  int seeds, dimx, dimy, nets, max_cap;
};
void ForEachRandomScene(const RandomScenes& kind, const std::function<void(ViaScene&)>& check) {
  const int tiers = 3, dimx = kind.dimx, dimy = kind.dimy;
  for (int seed = 1; seed <= kind.seeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    ViaScene scene(310, 205);
    for (int n = 0; n < kind.nets; ++n) {
      int lo = seed % 2 == 0 ? 0 : uniform(0, tiers - 2);
      int hi = seed % 2 == 0 ? tiers - 1 : uniform(lo + 1, tiers - 1);
      std::vector<ViaScene::Pin> pins;
      for (int tier : {lo, hi, uniform(lo, hi)})
        pins.push_back({double(uniform(1, 309)), double(uniform(1, 204)), tier});
      scene.AddNet(pins);
    }
    scene.BuildGrid(dimx, dimy, tiers, 0);
    scene.BuildDemand(tiers);
    for (int layer = 1; layer < tiers; ++layer) {
      int cap = 0;
      for (int ix = 0; ix < dimx; ++ix)
        for (int iy = 0; iy < dimy; ++iy)
          cap += scene.Cell(layer, ix, iy)->via_cap = uniform(0, kind.max_cap);
      while (cap < scene.via_count[layer]) {
        tagSIGGRID* c = scene.Cell(layer, uniform(0, dimx - 1), uniform(0, dimy - 1));
        if (c->via_cap < 4) ++c->via_cap, ++cap;
      }
      for (tagSIGVIA* via : BoundaryVias(scene.lists[layer])) {  // pinned: the resource never lets it grow
        int i0 = uniform(0, dimx - 2), i1 = uniform(i0 + 1, dimx - 1);
        int j0 = uniform(0, dimy - 1), j1 = uniform(j0, dimy - 1);
        const tagSIGGRID *lo = scene.Cell(layer, i0, j0), *hi = scene.Cell(layer, i1, j1);
        via->minx = lo->x + 0.5 * lo->w, via->miny = lo->y + 0.5 * lo->h;
        via->maxx = hi->x + 0.5 * hi->w, via->maxy = hi->y + 0.5 * hi->h;
        via->resource = 1e9;
      }
    }
    check(scene);
  }
}

// Best placement of one boundary's vias found by trying every choice: most
// vias placed, then least total truncated cost.
void Search(size_t i, const std::vector<std::vector<tagSIGGRID*>>& options,
            const std::vector<std::vector<double>>& costs, std::map<tagSIGGRID*, int>& used, int count,
            double cost, std::pair<int, double>& best) {
  if (i == options.size()) {
    if (count > best.first || (count == best.first && cost < best.second)) best = {count, cost};
    return;
  }
  Search(i + 1, options, costs, used, count, cost, best);
  for (size_t c = 0; c < options[i].size(); ++c) {
    tagSIGGRID* cell = options[i][c];
    if (used[cell] >= cell->via_cap) continue;
    ++used[cell];
    Search(i + 1, options, costs, used, count + 1, cost + costs[i][c], best);
    --used[cell];
  }
}

// Wire of placing via k of its net in `cell`, the cell of via k - 1 under
// it: the sub-net below grown by both centres, plus the sub-net above for
// the net's last via, each term truncated.
double PlacementCost(const tagSIGVIA* via, const tagSIGGRID* cell) {
  const tagNET* net = via->net;
  const int k = via->layer - net->vias[0]->layer;
  auto wire = [](const tagNET* sub, std::vector<const tagSIGGRID*> cells) {
    double minx = sub->minx, miny = sub->miny, maxx = sub->maxx, maxy = sub->maxy;
    for (const tagSIGGRID* c : cells) {
      if (!c) continue;
      minx = std::min(minx, c->x + 0.5 * c->w), maxx = std::max(maxx, c->x + 0.5 * c->w);
      miny = std::min(miny, c->y + 0.5 * c->h), maxy = std::max(maxy, c->y + 0.5 * c->h);
    }
    return static_cast<double>(static_cast<int>((maxx - minx) + (maxy - miny)));
  };
  double cost = wire(net->sub_nets[k], {cell, k > 0 ? net->vias[k - 1]->grid : nullptr});
  return k == net->via_cnt - 1 ? cost + wire(net->sub_nets[k + 1], {cell}) : cost;
}

// Boundaries are placed from the lowest up, so each boundary's choice is
// checked against every choice given the cells already fixed below it. Each
// net's length is then measured from its vias' cells and bounds the relaxation.
TEST(FlowAssignment, PlacesMostViasAtLeastTruncatedCostPerBoundary) {
  ForEachRandomScene({40, 3, 3, 4, 2}, [](ViaScene& scene) {
    const int tiers = 3;
    std::map<tagSIGGRID*, int> cap_before = Capacities(scene);
    lm_upper_bound = 1e12;
    CaptureStdout capture;
    const int placed = SignalViaAssignment(scene.lists.data(), scene.via_count.data(), tiers, *scene.grids,
                                           &scene.dim, scene.design->nets);
    const std::string out = capture.Finish();
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
    // The congestion reported for the stage is the mean over the boundaries.
    double congestion = 0.0;
    const std::regex layer_cong(R"(Via Congestion Cost:([0-9.]+)\n)"),
        mean(R"(Via Congestion Cost:([0-9.]+);\])");
    for (std::sregex_iterator it(out.begin(), out.end(), layer_cong), end; it != end; ++it)
      congestion += std::stod((*it)[1]);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(out, m, mean)) << out;
    EXPECT_NEAR(std::stod(m[1]), congestion / (tiers - 1), 0.006) << out;

    int placed_seen = 0;
    for (int t = 1; t < tiers; ++t) {
      std::vector<std::vector<tagSIGGRID*>> options;
      std::vector<std::vector<double>> costs;
      std::pair<int, double> got{0, 0.0}, best{-1, 0.0};
      std::map<tagSIGGRID*, int> load, used;
      for (tagSIGVIA* via : BoundaryVias(scene.lists[t])) {
        options.push_back(UsableWindowCells(via, scene));
        costs.emplace_back();
        for (tagSIGGRID* c : options.back()) costs.back().push_back(PlacementCost(via, c));
        if (!via->grid) continue;
        ASSERT_EQ(std::count(options.back().begin(), options.back().end(), via->grid), 1)
            << "left its window";
        ++got.first, ++load[via->grid];
        got.second += PlacementCost(via, via->grid);
      }
      Search(0, options, costs, used, 0, 0.0, best);
      EXPECT_EQ(got.first, best.first) << "boundary " << t;
      EXPECT_DOUBLE_EQ(got.second, best.second) << "boundary " << t;
      for (int ix = 0; ix < 3; ++ix)
        for (int iy = 0; iy < 3; ++iy) {
          tagSIGGRID* c = scene.Cell(t, ix, iy);
          EXPECT_EQ(c->via_num, load[c]);
          EXPECT_LE(c->via_num, c->via_cap);
          EXPECT_EQ(c->via_cap, cap_before[c]);
        }
      placed_seen += got.first;
    }
    EXPECT_EQ(placed, placed_seen);
    double wire = 0.0;
    CaptureStdout quiet;  // vias left without a cell are reported
    for (tagNET* net = scene.design->nets; net; net = net->next) {
      EXPECT_DOUBLE_EQ(net->hpwl_w_via, ViaAwareNetLength(net));
      wire += net->hpwl_w_via;
    }
    quiet.Finish();
    EXPECT_TRUE(ub_change);
    EXPECT_DOUBLE_EQ(lm_upper_bound, wire);
  });
}

// Net by net: each net in list order takes its cheapest cells among those
// the nets before it left; the capacity comes back afterwards.
TEST(NetByNet, MatchesExhaustiveSearchAndRespectsCapacity) {
  std::mt19937 rng(2026);
  int placed_nets = 0;
  for (int round = 0; round < 60; ++round) {
    ViaScene s(300, 300);
    const int tiers = 2 + static_cast<int>(rng() % 3), nets = 1 + static_cast<int>(rng() % 6);
    for (int n = 0; n < nets; ++n) {
      std::vector<ViaScene::Pin> pins(2 + rng() % 2);
      for (ViaScene::Pin& p : pins)
        p = {static_cast<double>(rng() % 3000) / 10.0, static_cast<double>(rng() % 3000) / 10.0,
             static_cast<int>(rng() % tiers)};
      s.AddNet(pins);
    }
    s.BuildGrid(3, 3, tiers, 0);
    for (tagSIGGRID& cell : s.grids->cells) cell.via_cap = static_cast<int>(rng() % 3);
    s.BuildDemand(tiers);
    const std::map<tagSIGGRID*, int> before = Capacities(s);
    {
      CaptureStdout quiet;
      NetByNetMultiLayerSignalViaAssignment(s.net_list, tiers, *s.grids, &s.dim);
    }
    EXPECT_EQ(Capacities(s), before);
    for (const tagSIGGRID& cell : s.grids->cells) EXPECT_EQ(cell.via_num, 0);

    // Replay the nets on the original capacity.
    std::map<tagSIGVIA*, tagSIGGRID*> chosen;
    for (tagNETLIST* node = s.net_list; node; node = node->next)
      for (int k = 0; k < node->net->via_cnt; ++k) chosen[node->net->vias[k]] = node->net->vias[k]->grid;
    std::map<tagSIGGRID*, int> used;
    for (tagNETLIST* node = s.net_list; node; node = node->next) {
      tagNET* net = node->net;
      const double stage_length = net->hpwl_w_via;
      std::vector<std::vector<tagSIGGRID*>> options(net->via_cnt);
      for (int k = 0; k < net->via_cnt; ++k) {
        int i0, i1, j0, j1;
        NetByNetCandidatePositionRange(net->vias[k], *s.grids, &i0, &i1, &j0, &j1, &s.dim);
        for (int i = i0; i <= i1; ++i)
          for (int j = j0; j <= j1; ++j)
            if (s.Cell(net->vias[k]->layer, i, j)->via_cap > 0)
              options[k].push_back(s.Cell(net->vias[k]->layer, i, j));
      }
      const double best = CheapestNetLength(net, options);
      EXPECT_NEAR(stage_length, best == kInfinity ? 0.0 : best, 1e-9);
      if (best == kInfinity) continue;
      ++placed_nets;
      for (int k = 0; k < net->via_cnt; ++k) {
        tagSIGGRID* cell = chosen[net->vias[k]];
        ASSERT_TRUE(cell && cell->layer == net->vias[k]->layer && cell->via_cap > 0);
        net->vias[k]->grid = cell;
        --cell->via_cap;
        ++used[cell];
      }
      EXPECT_NEAR(ViaAwareNetLength(net), stage_length, 1e-9);
    }
    for (auto& [cell, count] : used) cell->via_cap += count;
  }
  EXPECT_GT(placed_nets, 50);
}

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

// After the relaxation: no cell holds more placed vias than it could, the
// capacity taken is exactly what the placed vias use, placed nets carry
// their measured length and the nets left over hold no cell.
void ExpectFeasiblePlacement(ViaScene& scene, const std::map<tagSIGGRID*, int>& cap_before) {
  std::map<tagSIGGRID*, int> load;
  std::vector<tagNET*> left = NetsOf(scene.net_list);
  for (tagNET* net = scene.design->nets; net; net = net->next) {
    const bool is_left = std::find(left.begin(), left.end(), net) != left.end();
    for (int k = 0; k < net->via_cnt; ++k) {
      tagSIGVIA* via = net->vias[k];
      EXPECT_EQ(via->placed, is_left ? 0 : 1);
      EXPECT_TRUE(is_left ? !via->grid : via->grid && via->grid->layer == via->layer);
      if (!is_left) ++load[via->grid];
      EXPECT_TRUE(!via->cand_list && !via->best_cand);
    }
    if (!is_left && net->via_cnt > 0) {
      EXPECT_NEAR(net->hpwl_w_via, ViaAwareNetLength(net), 1e-6);
    }
  }
  for (auto [c, cap] : cap_before) {
    if (c->layer == 0) continue;
    EXPECT_LE(load[c], cap);
    if (cap > 0) {
      EXPECT_EQ(std::pair(c->via_num, c->via_cap), std::pair(load[c], cap - load[c]));
    }
  }
}

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
    std::string out = Relax(scene, 3);
    EXPECT_EQ(scene.net_list, nullptr);
    for (tagNET* net : nets) EXPECT_NEAR(net->hpwl_w_via, cheapest[net], 1e-6);
    EXPECT_NE(out.find("Iteration 2: theta: 0.00000"), std::string::npos);
    EXPECT_EQ(out.find("Iteration 3:"), std::string::npos);
    ExpectFeasiblePlacement(scene, cap_before);
  });
}

// A net on a single tier needs no via and fails nothing (0 %, not a division
// by zero); a via without any candidate cell fails its own net only.
TEST(Relaxation, ViaWithoutCandidateFailsOnlyItsNet) {
  {
    ViaScene scene(200, 200);
    scene.AddNet({{10, 10, 1}, {150, 50, 1}});
    scene.BuildGrid(2, 2, 2, 4);
    scene.BuildDemand(2);
    EXPECT_NE(Relax(scene, 2).find("failed to be viaed: 0 (0.00%, total: 0);"), std::string::npos);
  }
  ViaScene scene(200, 200);
  tagNET* spanning = scene.AddNet({{10, 10, 0}, {150, 150, 2}});
  tagNET* lower = scene.AddNet({{10, 10, 0}, {20, 20, 1}});
  scene.BuildGrid(2, 2, 3, 0);
  scene.BuildDemand(3);
  for (int ix = 0; ix < 2; ++ix)
    for (int iy = 0; iy < 2; ++iy) scene.Cell(1, ix, iy)->via_cap = 1;  // grid layer 2 has no room
  auto cap_before = Capacities(scene);
  lm_upper_bound = 1000;
  std::string out = Relax(scene, 3);
  EXPECT_NE(out.find("Warning: Some vias have no candidate position: layer:2 (0, 0, 1, 1)!\n"),
            std::string::npos)
      << out;
  EXPECT_NE(out.find("The number of nets failed to be viaed: 1 (50.00%, total: 2);\nInserted Vias:1;"),
            std::string::npos)
      << out;
  EXPECT_EQ(NetsOf(scene.net_list), std::vector<tagNET*>{spanning});
  EXPECT_EQ(lower->vias[0]->placed, 1);
  ExpectFeasiblePlacement(scene, cap_before);
}

}  // namespace
