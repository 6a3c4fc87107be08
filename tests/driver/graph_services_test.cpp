#include <gtest/gtest.h>

#include <algorithm>
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
  for (auto [a, b] : edges) {
    G.tail.push_back(a);
    G.head.push_back(b);
  }
  return G;
}

// Random edges, self-loops and parallel edges included; with `rank`, a DAG
// whose edges lead from a smaller to a larger rank of a hidden permutation,
// so node numbers say nothing about the order.
GraphTopology RandomGraph(std::mt19937& rng, int n, int m, std::vector<int>* rank = nullptr) {
  GraphTopology G;
  G.node_count = n;
  if (rank) {
    rank->resize(n);
    std::iota(rank->begin(), rank->end(), 0);
    std::shuffle(rank->begin(), rank->end(), rng);
  }
  std::uniform_int_distribution<int> node(0, n - 1);
  for (int i = 0; i < m; ++i) {
    int a = node(rng), b = node(rng);
    if (rank && (*rank)[a] == (*rank)[b]) continue;
    if (rank && (*rank)[a] > (*rank)[b]) std::swap(a, b);
    G.tail.push_back(a);
    G.head.push_back(b);
  }
  return G;
}

// Kahn's algorithm: is the graph acyclic?
bool ReferenceAcyclic(const GraphTopology& G) {
  std::vector<int> indeg(G.node_count, 0);
  for (int h : G.head) ++indeg[h];
  std::vector<int> ready;
  for (int v = 0; v < G.node_count; ++v)
    if (indeg[v] == 0) ready.push_back(v);
  int done = 0;
  while (!ready.empty()) {
    int v = ready.back();
    ready.pop_back();
    ++done;
    for (int e = 0; e < G.edge_count(); ++e)
      if (G.tail[e] == v && --indeg[G.head[e]] == 0) ready.push_back(G.head[e]);
  }
  return done == G.node_count;
}

void ExpectTopologicalNumbering(const GraphTopology& G, const std::vector<int>& ord) {
  ASSERT_EQ(static_cast<int>(ord.size()), G.node_count);
  std::vector<int> sorted = ord;
  std::sort(sorted.begin(), sorted.end());
  for (int i = 0; i < G.node_count; ++i) ASSERT_EQ(sorted[i], i + 1) << "not a numbering 1..N";
  for (int e = 0; e < G.edge_count(); ++e) EXPECT_LT(ord[G.tail[e]], ord[G.head[e]]) << "edge " << e;
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
  ASSERT_TRUE(TOPSORT(G, ord));
  EXPECT_EQ(ord, (std::vector<int>{2, 3, 1}));

  std::vector<double> dist;
  StopsInsteadOfExiting stops;
  EXPECT_THROW(ACYCLIC_SHORTEST_PATH_T(MakeGraph(2, {{0, 1}}), 0, {}, dist, pred), StoppedRun);
  for (int s : {-1, 2})
    EXPECT_FALSE(ACYCLIC_SHORTEST_PATH_T(MakeGraph(2, {{0, 1}}), s, {1.0}, dist, pred)) << s;
  EXPECT_THROW(MCMF_COST_SCALING(MakeGraph(2, {{0, 1}}), 0, 1, {1}, {1, 2}, flow), StoppedRun);
  for (auto [t, h] : {std::pair{-1, 1}, {2, 1}, {0, -1}, {0, 2}})
    EXPECT_THROW(TOPSORT(MakeGraph(2, {{0, 1}, {t, h}}), ord), StoppedRun) << t << " " << h;
}

// ---- topological sort ------------------------------------------------------

// Odd trials are larger acyclic graphs whose node numbers hide the order, even
// ones small random graphs of either kind.
TEST(TopsortTest, AgreesWithKahnOnRandomGraphs) {
  std::mt19937 rng(12);
  int cyclic = 0;
  for (int trial = 0; trial < 600; ++trial) {
    const int n = trial % 2 ? 1 + trial % 25 : 1 + trial % 8;
    std::vector<int> rank;
    GraphTopology G = trial % 2 ? RandomGraph(rng, n, 3 * n, &rank)
                                : RandomGraph(rng, n, std::uniform_int_distribution<int>(0, 2 * n)(rng));
    std::vector<int> ord;
    bool acyclic = TOPSORT(G, ord);
    ASSERT_EQ(acyclic, ReferenceAcyclic(G)) << "trial " << trial;
    if (acyclic) {
      ExpectTopologicalNumbering(G, ord);
    } else {
      ++cyclic;
      std::vector<int> creation(n);
      std::iota(creation.begin(), creation.end(), 1);
      EXPECT_EQ(ord, creation);
    }
  }
  EXPECT_GT(cyclic, 50);  // the sample exercised both outcomes
  std::vector<int> ord = {9, 9};
  EXPECT_TRUE(TOPSORT(GraphTopology(), ord));
  EXPECT_TRUE(ord.empty());
}

// ---- shortest paths in acyclic graphs -------------------------------------

TEST(AcyclicShortestPathTest, MatchesDynamicProgrammingOnRandomDags) {
  std::mt19937 rng(21);
  const double inf = std::numeric_limits<double>::infinity();
  int unreachable_seen = 0;
  for (int trial = 0; trial < 300; ++trial) {
    int n = 1 + trial % 20;
    std::vector<int> rank;
    GraphTopology G = RandomGraph(rng, n, 2 * n, &rank);
    std::vector<double> cost;
    for (int e = 0; e < G.edge_count(); ++e)
      cost.push_back(std::uniform_real_distribution<double>(-5.0, 10.0)(rng));
    int s = std::uniform_int_distribution<int>(0, n - 1)(rng);

    // Reference: relax every edge in rank order of its tail.
    std::vector<int> by_rank(n);
    for (int v = 0; v < n; ++v) by_rank[rank[v]] = v;
    std::vector<double> ref(n, inf);
    ref[s] = 0.0;
    for (int u : by_rank)
      for (int e = 0; e < G.edge_count(); ++e)
        if (G.tail[e] == u && ref[u] != inf) ref[G.head[e]] = std::min(ref[G.head[e]], ref[u] + cost[e]);

    std::vector<double> dist;
    std::vector<int> pred;
    ASSERT_TRUE(ACYCLIC_SHORTEST_PATH_T(G, s, cost, dist, pred));
    ASSERT_EQ(static_cast<int>(dist.size()), n);
    ASSERT_EQ(static_cast<int>(pred.size()), n);
    EXPECT_EQ(pred[s], kNilEdge);
    EXPECT_EQ(dist[s], 0.0);
    for (int v = 0; v < n; ++v) {
      if (ref[v] == inf) {
        ++unreachable_seen;
        EXPECT_EQ(pred[v], kNilEdge) << "trial " << trial << " node " << v;
        EXPECT_EQ(dist[v], inf);
        continue;
      }
      EXPECT_NEAR(dist[v], ref[v], 1e-9) << "trial " << trial << " node " << v;
      if (v == s) continue;
      int e = pred[v];
      ASSERT_GE(e, 0);
      ASSERT_LT(e, G.edge_count());
      EXPECT_EQ(G.head[e], v);
      EXPECT_NEAR(dist[G.tail[e]] + cost[e], dist[v], 1e-9);  // pred lies on a shortest path
    }
  }
  EXPECT_GT(unreachable_seen, 100);
}

// ---- min-cost max-flow -----------------------------------------------------

struct FlowAnswer {
  long long value;
  long long cost;
};

long long FlowCost(const std::vector<int>& flow, const std::vector<int>& cost) {
  long long c = 0;
  for (size_t e = 0; e < flow.size(); ++e) c += static_cast<long long>(flow[e]) * cost[e];
  return c;
}

// Checks bounds and conservation; returns the net outflow of s.
long long CheckFeasible(const GraphTopology& G, int s, int t, const std::vector<int>& cap,
                        const std::vector<int>& flow) {
  std::vector<long long> excess(G.node_count, 0);
  for (int e = 0; e < G.edge_count(); ++e) {
    EXPECT_GE(flow[e], 0) << "edge " << e;
    EXPECT_LE(flow[e], std::max(cap[e], 0)) << "edge " << e;
    excess[G.tail[e]] -= flow[e];
    excess[G.head[e]] += flow[e];
  }
  for (int v = 0; v < G.node_count; ++v)
    if (v != s && v != t) {
      EXPECT_EQ(excess[v], 0) << "conservation at node " << v;
    }
  return -excess[s];
}

// Every integral flow, by enumeration: the largest value, then the least cost.
FlowAnswer BruteForceFlow(const GraphTopology& G, int s, int t, const std::vector<int>& cap,
                          const std::vector<int>& cost) {
  const int m = G.edge_count();
  std::vector<int> f(m, 0);
  FlowAnswer best{-1, 0};
  while (true) {
    std::vector<long long> excess(G.node_count, 0);
    for (int e = 0; e < m; ++e) {
      excess[G.tail[e]] -= f[e];
      excess[G.head[e]] += f[e];
    }
    bool ok = true;
    for (int v = 0; v < G.node_count; ++v)
      if (v != s && v != t && excess[v] != 0) ok = false;
    if (ok) {
      long long value = s == t ? 0 : -excess[s];
      long long c = FlowCost(f, cost);
      if (value > best.value || (value == best.value && c < best.cost)) best = {value, c};
    }
    int e = 0;
    while (e < m && f[e] >= std::max(cap[e], 0)) f[e++] = 0;
    if (e == m) break;
    ++f[e];
  }
  return best;
}

std::vector<int> RandomValues(std::mt19937& rng, int m, int lo, int hi) {
  std::vector<int> v;
  for (int i = 0; i < m; ++i) v.push_back(std::uniform_int_distribution<int>(lo, hi)(rng));
  return v;
}

void ExpectOptimalFlow(const GraphTopology& G, int s, int t, const std::vector<int>& cap,
                       const std::vector<int>& cost, const FlowAnswer& ref, const char* what, int trial) {
  std::vector<int> flow;
  int value = MCMF_COST_SCALING(G, s, t, cap, cost, flow);
  ASSERT_EQ(static_cast<int>(flow.size()), G.edge_count());
  EXPECT_EQ(value, ref.value) << what << " trial " << trial;
  EXPECT_EQ(CheckFeasible(G, s, t, cap, flow), s == t ? 0 : ref.value) << what << " trial " << trial;
  EXPECT_EQ(FlowCost(flow, cost), ref.cost) << what << " trial " << trial;
}

// Tiny networks against every integral flow. With negative costs a cheapest
// maximum flow may also run round cycles off the s-t paths, and negative
// capacities count as none.
TEST(MinCostMaxFlowTest, MatchesEnumerationOnTinyNetworks) {
  struct Kind {
    const char* name;
    unsigned seed;
    int cap_lo, cost_lo, cost_hi;
  };
  for (const Kind& k : {Kind{"non-negative", 31, 0, 0, 9}, Kind{"negative", 32, -1, -6, 6}}) {
    std::mt19937 rng(k.seed);
    for (int trial = 0; trial < 400; ++trial) {
      int n = 2 + trial % 4;
      GraphTopology G = RandomGraph(rng, n, 3 + trial % 6);
      std::vector<int> cap = RandomValues(rng, G.edge_count(), k.cap_lo, 2);
      std::vector<int> cost = RandomValues(rng, G.edge_count(), k.cost_lo, k.cost_hi);
      int s = 0, t = k.cap_lo < 0 && trial % 5 == 0 ? 0 : n - 1;
      ExpectOptimalFlow(G, s, t, cap, cost, BruteForceFlow(G, s, t, cap, cost), k.name, trial);
    }
  }
}

}  // namespace
