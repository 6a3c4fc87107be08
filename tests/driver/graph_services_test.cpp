#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <numeric>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

#include "driver/graph.h"
#include "test_support.h"

using testing_support::StoppedRun;
using testing_support::StopsInsteadOfExiting;

namespace {

GraphTopology MakeGraph(int n, const std::vector<std::pair<int, int>>& edges) {
  GraphTopology G;
  G.node_count = n;
  for (auto [a, b] : edges) G.tail.push_back(a), G.head.push_back(b);
  return G;
}

// Nodes, edges and payloads, rebuilt after clear as the flow assignment does
// per boundary, and every endpoint or array that does not fit refused.
TEST(Digraph, BuildsRebuildsAndRefusesMalformedInput) {
  Digraph<int, char> G;
  for (int v = 0; v < 3; ++v) EXPECT_EQ(G.new_node(10 + v), v);
  for (auto [t, h, c] : {std::tuple{0, 2, 'a'}, {1, 0, 'b'}, {0, 1, 'c'}, {0, 2, 'd'}}) G.new_edge(t, h, c);
  {
    StopsInsteadOfExiting stops;
    for (auto [t, h] : {std::pair{0, 3}, {-1, 0}, {3, 0}, {0, -1}})
      EXPECT_THROW(G.new_edge(t, h), StoppedRun);
  }
  EXPECT_EQ(G.out_edges(0), (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(G.edge_payload(3), 'd');
  EXPECT_EQ(G.topology().head, (std::vector<int>{2, 0, 1, 2}));
  G.clear();
  for (int v = 0; v < 3; ++v) G.new_node(v);
  EXPECT_TRUE(G.out_edges(0).empty());
  G.new_edge(0, 1);
  G.new_edge(2, 0);
  std::vector<int> ord, pred, flow;
  std::vector<double> dist;
  const double inf = std::numeric_limits<double>::infinity();
  ASSERT_TRUE(TOPSORT(G, ord));
  EXPECT_EQ(ord, (std::vector<int>{2, 3, 1}));
  // Shortest paths: a negative edge on the way, and a node out of reach.
  ASSERT_TRUE(ACYCLIC_SHORTEST_PATH_T(G, 2, {2.0, -1.0}, dist, pred));
  EXPECT_EQ(std::pair(dist, pred),
            std::pair(std::vector<double>{-1, 1, 0}, std::vector<int>{1, 0, kNilEdge}));
  ASSERT_TRUE(ACYCLIC_SHORTEST_PATH_T(G, 0, {2.0, -1.0}, dist, pred));
  EXPECT_EQ(std::pair(dist, pred),
            std::pair(std::vector<double>{0, 2, inf}, std::vector<int>{kNilEdge, 0, kNilEdge}));
  G.new_edge(1, 2);  // closes a cycle: the creation order stands, no path is found
  EXPECT_FALSE(TOPSORT(G, ord));
  EXPECT_EQ(ord, (std::vector<int>{1, 2, 3}));
  EXPECT_FALSE(ACYCLIC_SHORTEST_PATH_T(G, 0, {1, 1, 1}, dist, pred));
  EXPECT_EQ(pred, std::vector<int>(3, kNilEdge));
  EXPECT_TRUE(TOPSORT(GraphTopology(), ord) && ord.empty());

  StopsInsteadOfExiting stops;
  EXPECT_THROW(ACYCLIC_SHORTEST_PATH_T(MakeGraph(2, {{0, 1}}), 0, {}, dist, pred), StoppedRun);
  for (int s : {-1, 2}) EXPECT_FALSE(ACYCLIC_SHORTEST_PATH_T(MakeGraph(2, {{0, 1}}), s, {1.0}, dist, pred));
  EXPECT_THROW(MCMF_COST_SCALING(MakeGraph(2, {{0, 1}}), 0, 1, {1}, {1, 2}, flow), StoppedRun);
  for (auto [t, h] : {std::pair{-1, 1}, {2, 1}, {0, -1}, {0, 2}})
    EXPECT_THROW(TOPSORT(MakeGraph(2, {{0, 1}, {t, h}}), ord), StoppedRun) << t << " " << h;
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

}  // namespace
