// The min-cost max-flow against every integral flow on tiny networks; the
// graph services' other uses show in whole runs with via planning
// (tests/golden/demo16_vias*).
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <numeric>
#include <random>
#include <utility>
#include <vector>

#include "driver/graph.h"

namespace {

GraphTopology MakeGraph(int n, const std::vector<std::pair<int, int>>& edges) {
  GraphTopology G;
  G.node_count = n;
  for (auto [a, b] : edges) G.tail.push_back(a), G.head.push_back(b);
  return G;
}

// Net outflow of each node under `flow` (all 0 but s and t when it conserves).
std::vector<long long> Excess(const GraphTopology& G, const std::vector<int>& flow) {
  std::vector<long long> excess(G.node_count, 0);
  for (int e = 0; e < G.edge_count(); ++e) excess[G.tail[e]] += flow[e], excess[G.head[e]] -= flow[e];
  return excess;
}

long long FlowCost(const std::vector<int>& flow, const std::vector<int>& cost) {
  return std::inner_product(flow.begin(), flow.end(), cost.begin(), 0LL);
}

// Tiny networks against every integral flow: the largest value, then the
// least cost. With negative costs a cheapest maximum flow may also run round
// cycles off the s-t paths, and negative capacities count as none.
TEST(MinCostMaxFlowTest, MatchesEnumerationOnTinyNetworks) {
  struct Kind {
    unsigned seed;
    int cap_lo, cost_lo, cost_hi;
  };
  for (const Kind& k : {Kind{31, 0, 0, 9}, Kind{32, -1, -6, 6}}) {
    std::mt19937 rng(k.seed);
    auto values = [&](int m, int lo, int hi) {
      std::vector<int> v;
      for (int i = 0; i < m; ++i) v.push_back(std::uniform_int_distribution<int>(lo, hi)(rng));
      return v;
    };
    for (int trial = 0; trial < 400; ++trial) {
      SCOPED_TRACE(testing::Message() << "seed " << k.seed << " trial " << trial);
      const int n = 2 + trial % 4, s = 0, t = k.cap_lo < 0 && trial % 5 == 0 ? 0 : n - 1;
      const int m = 3 + trial % 6;  // random edges, self-loops and parallel edges included
      std::vector<std::pair<int, int>> edges;
      for (int e = 0; e < m; ++e) {
        const int a = std::uniform_int_distribution<int>(0, n - 1)(rng);
        edges.emplace_back(a, std::uniform_int_distribution<int>(0, n - 1)(rng));
      }
      const GraphTopology G = MakeGraph(n, edges);
      std::vector<int> cap = values(m, k.cap_lo, 2), cost = values(m, k.cost_lo, k.cost_hi), f(m, 0), flow;
      auto conserves = [&](const std::vector<long long>& excess) {
        for (int v = 0; v < n; ++v)
          if (v != s && v != t && excess[v] != 0) return false;
        return true;
      };
      long long best_value = -1, best_cost = 0;
      for (int e = 0; e < m;) {  // every f with 0 <= f <= cap, as an odometer
        const std::vector<long long> excess = Excess(G, f);
        const long long value = s == t ? 0 : excess[s], c = FlowCost(f, cost);
        if (conserves(excess) && (value > best_value || (value == best_value && c < best_cost)))
          best_value = value, best_cost = c;
        for (e = 0; e < m && f[e] >= std::max(cap[e], 0);) f[e++] = 0;
        if (e < m) ++f[e];
      }

      EXPECT_EQ(MCMF_COST_SCALING(G, s, t, cap, cost, flow), best_value);
      ASSERT_EQ(static_cast<int>(flow.size()), m);
      for (int e = 0; e < m; ++e) EXPECT_TRUE(flow[e] >= 0 && flow[e] <= std::max(cap[e], 0)) << "edge " << e;
      const std::vector<long long> excess = Excess(G, flow);
      EXPECT_TRUE(conserves(excess));
      EXPECT_EQ(excess[s], s == t ? 0 : best_value);
      EXPECT_EQ(FlowCost(flow, cost), best_cost);
    }
  }
}

// Random DAGs against relaxing every edge n times; a cycle or a source outside the graph gives false.
TEST(AcyclicShortestPathTest, MatchesRelaxationOnRandomDags) {
  std::mt19937 rng(7);
  std::vector<double> dist;
  std::vector<int> pred;
  for (int trial = 0, n = 1; trial < 300; ++trial, n = 1 + trial % 7) {
    std::vector<std::pair<int, int>> edges;
    std::vector<double> cost, want(n, std::numeric_limits<double>::infinity());
    for (int e = 0, a, b; e < 2 * n; ++e)
      if ((a = static_cast<int>(rng() % n)) != (b = static_cast<int>(rng() % n)))
        edges.emplace_back(std::min(a, b), std::max(a, b)), cost.push_back(static_cast<int>(rng() % 11) - 3);
    want[0] = 0;
    for (int round = 0; round < n; ++round)
      for (size_t e = 0; e < edges.size(); ++e)
        want[edges[e].second] = std::min(want[edges[e].second], want[edges[e].first] + cost[e]);
    ASSERT_TRUE(ACYCLIC_SHORTEST_PATH_T(MakeGraph(n, edges), 0, cost, dist, pred));
    EXPECT_EQ(dist, want) << "trial " << trial;
    for (int v = 0; v < n; ++v)
      EXPECT_TRUE(pred[v] == kNilEdge || dist[v] == dist[edges[pred[v]].first] + cost[pred[v]]) << v;
  }
  EXPECT_FALSE(ACYCLIC_SHORTEST_PATH_T(MakeGraph(2, {{0, 1}, {1, 0}}), 0, {1.0, 1.0}, dist, pred));
  EXPECT_FALSE(ACYCLIC_SHORTEST_PATH_T(MakeGraph(2, {{0, 1}}), 2, {1.0}, dist, pred));
}

}  // namespace
