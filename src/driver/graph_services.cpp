// The graph algorithms behind graph.h, carried out by the Boost Graph Library.
// This is the one file that sees Boost; it copies a GraphTopology into a
// Boost adjacency list (edges added in id order, so out-edges keep creation
// order) and copies the results back into id-indexed vectors.
#include "driver/graph.h"

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <limits>

// GCC mistakes the optional inside Boost's filtered edge iterators for an
// uninitialised value once the flow routines are inlined here.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/cycle_canceling.hpp>
#include <boost/graph/dag_shortest_paths.hpp>
#include <boost/graph/edmonds_karp_max_flow.hpp>
#include <boost/graph/successive_shortest_path_nonnegative_weights.hpp>
#include <boost/graph/topological_sort.hpp>

namespace {

// Throws when an edge names a missing node or a per-edge array has the wrong size.
void CheckInput(const GraphTopology& G, std::initializer_list<size_t> edge_array_sizes) {
  if (G.node_count < 0 || G.head.size() != G.tail.size())
    throw std::invalid_argument("graph: malformed topology");
  for (int e = 0; e < G.edge_count(); ++e)
    if (G.tail[e] < 0 || G.tail[e] >= G.node_count || G.head[e] < 0 || G.head[e] >= G.node_count)
      throw std::invalid_argument("graph: edge endpoint is no node");
  for (size_t n : edge_array_sizes)
    if (n != G.tail.size()) throw std::invalid_argument("graph: edge array size differs from edge count");
}

bool IsNode(const GraphTopology& G, int v) { return v >= 0 && v < G.node_count; }

struct PathArc {
  int id;
  double cost;
};
using PathGraph = boost::adjacency_list<boost::vecS, boost::vecS, boost::directedS, boost::no_property, PathArc>;

PathGraph ToPathGraph(const GraphTopology& G, const std::vector<double>* cost) {
  PathGraph g(G.node_count);
  for (int e = 0; e < G.edge_count(); ++e) boost::add_edge(G.tail[e], G.head[e], PathArc{e, cost ? (*cost)[e] : 0.0}, g);
  return g;
}

// Records the relaxing edge of each node; the last relaxation is the final one.
struct PredEdgeRecorder {
  using event_filter = boost::on_edge_relaxed;
  std::vector<int>* pred;
  void operator()(PathGraph::edge_descriptor e, const PathGraph& g) const { (*pred)[boost::target(e, g)] = g[e].id; }
};

using FlowTraits = boost::adjacency_list_traits<boost::vecS, boost::vecS, boost::directedS>;
struct FlowArc {
  long long capacity = 0;
  long long residual = 0;
  double cost = 0;  // double so that the routines' infinite distances cannot overflow
  FlowTraits::edge_descriptor reverse;
};
using FlowGraph = boost::adjacency_list<boost::vecS, boost::vecS, boost::directedS, boost::no_property, FlowArc>;

}  // namespace

bool TOPSORT(const GraphTopology& G, std::vector<int>& ord) {
  CheckInput(G, {});
  const int n = G.node_count;
  ord.assign(n, 0);
  std::vector<int> reversed;  // the library emits the order back to front
  reversed.reserve(n);
  PathGraph g = ToPathGraph(G, nullptr);
  try {
    boost::topological_sort(g, std::back_inserter(reversed));
  } catch (const boost::not_a_dag&) {
    for (int v = 0; v < n; ++v) ord[v] = v + 1;
    return false;
  }
  for (int i = 0; i < n; ++i) ord[reversed[i]] = n - i;
  return true;
}

bool ACYCLIC_SHORTEST_PATH_T(const GraphTopology& G, int s, const std::vector<double>& cost,
                             std::vector<double>& dist, std::vector<int>& pred) {
  CheckInput(G, {cost.size()});
  const double inf = std::numeric_limits<double>::infinity();
  dist.assign(G.node_count, inf);
  pred.assign(G.node_count, kNilEdge);
  if (!IsNode(G, s)) return false;
  dist[s] = 0.0;
  PathGraph g = ToPathGraph(G, &cost);
  std::vector<double> d(G.node_count);
  try {
    boost::dag_shortest_paths(g, s,
                              boost::weight_map(boost::get(&PathArc::cost, g))
                                  .distance_map(d.data())
                                  .distance_inf(inf)
                                  .visitor(boost::make_dijkstra_visitor(PredEdgeRecorder{&pred})));
  } catch (const boost::not_a_dag&) {
    std::fill(pred.begin(), pred.end(), kNilEdge);
    return false;
  }
  dist = d;
  return true;
}

int MCMF_COST_SCALING(const GraphTopology& G, int s, int t, const std::vector<int>& cap,
                      const std::vector<int>& cost, std::vector<int>& flow) {
  CheckInput(G, {cap.size(), cost.size()});
  flow.assign(G.edge_count(), 0);
  if (!IsNode(G, s) || !IsNode(G, t)) return 0;

  // Residual network: each edge gets a reverse twin of capacity 0 and negated cost.
  FlowGraph g(G.node_count);
  std::vector<FlowGraph::edge_descriptor> forward(G.edge_count());
  bool negative_cost = false;
  for (int e = 0; e < G.edge_count(); ++e) {
    long long c = std::max(cap[e], 0);
    forward[e] = boost::add_edge(G.tail[e], G.head[e], FlowArc{c, c, double(cost[e]), {}}, g).first;
    auto back = boost::add_edge(G.head[e], G.tail[e], FlowArc{0, 0, -double(cost[e]), forward[e]}, g).first;
    g[forward[e]].reverse = back;
    negative_cost = negative_cost || cost[e] < 0;
  }
  auto capacity = boost::get(&FlowArc::capacity, g);
  auto residual = boost::get(&FlowArc::residual, g);
  auto weight = boost::get(&FlowArc::cost, g);
  auto reverse = boost::get(&FlowArc::reverse, g);

  if (!negative_cost) {
    if (s != t)
      boost::successive_shortest_path_nonnegative_weights(
          g, s, t,
          boost::capacity_map(capacity).residual_capacity_map(residual).reverse_edge_map(reverse).weight_map(weight));
  } else {
    // Any maximum flow, then cancel negative residual cycles until none is left.
    if (s != t)
      boost::edmonds_karp_max_flow(
          g, s, t, boost::capacity_map(capacity).residual_capacity_map(residual).reverse_edge_map(reverse));
    boost::cycle_canceling(g, boost::weight_map(weight).reverse_edge_map(reverse).residual_capacity_map(residual));
  }

  long long value = 0;  // net outflow of s (0 when s == t: only circulations remain)
  for (int e = 0; e < G.edge_count(); ++e) {
    flow[e] = static_cast<int>(g[forward[e]].capacity - g[forward[e]].residual);
    if (G.tail[e] == s) value += flow[e];
    if (G.head[e] == s) value -= flow[e];
  }
  return static_cast<int>(value);
}

void SortList(std::vector<int>& list, bool (*less)(const int&, const int&)) {
  std::stable_sort(list.begin(), list.end(), less);
}
