// The graph algorithms behind graph.h. This is the one file that sees Boost;
// it copies a GraphTopology into a Boost adjacency list (edges added in id
// order, so out-edges keep creation order) and copies the results back into
// id-indexed vectors. Min-cost flow with non-negative costs is our own
// successive-shortest-path search: Boost's runs a full Dijkstra per
// augmenting path, which made via assignment quadratic in the via count.
#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <queue>

#include "driver/graph.h"
#include "driver/utilities.h"

// GCC mistakes the optional inside Boost's filtered edge iterators for an
// uninitialised value once the flow routines are inlined here.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <boost/graph/adjacency_list.hpp>
#include <boost/graph/cycle_canceling.hpp>
#include <boost/graph/dag_shortest_paths.hpp>
#include <boost/graph/edmonds_karp_max_flow.hpp>
#include <boost/graph/topological_sort.hpp>

namespace {

// Stops when an edge names a missing node or a per-edge array has the wrong size.
void CheckInput(const GraphTopology& G, std::initializer_list<size_t> edge_array_sizes) {
  if (G.node_count < 0 || G.head.size() != G.tail.size()) Refuse({}, 1, "Error: graph: malformed topology.");
  for (int e = 0; e < G.edge_count(); ++e)
    if (G.tail[e] < 0 || G.tail[e] >= G.node_count || G.head[e] < 0 || G.head[e] >= G.node_count)
      Refuse({}, 1, "Error: graph: an edge names no node.");
  for (size_t n : edge_array_sizes)
    if (n != G.tail.size()) Refuse({}, 1, "Error: graph: an edge array's size differs from the edge count.");
}

bool IsNode(const GraphTopology& G, int v) { return v >= 0 && v < G.node_count; }

struct PathArc {
  int id;
  double cost;
};
using PathGraph =
    boost::adjacency_list<boost::vecS, boost::vecS, boost::directedS, boost::no_property, PathArc>;

PathGraph ToPathGraph(const GraphTopology& G, const std::vector<double>* cost) {
  PathGraph g(G.node_count);
  for (int e = 0; e < G.edge_count(); ++e)
    boost::add_edge(G.tail[e], G.head[e], PathArc{e, cost ? (*cost)[e] : 0.0}, g);
  return g;
}

// Records the relaxing edge of each node; the last relaxation is the final one.
struct PredEdgeRecorder {
  using event_filter = boost::on_edge_relaxed;
  std::vector<int>* pred;
  void operator()(PathGraph::edge_descriptor e, const PathGraph& g) const {
    (*pred)[boost::target(e, g)] = g[e].id;
  }
};

using FlowTraits = boost::adjacency_list_traits<boost::vecS, boost::vecS, boost::directedS>;
struct FlowArc {
  long long capacity = 0;
  long long residual = 0;
  double cost = 0;  // double so that the routines' infinite distances cannot overflow
  FlowTraits::edge_descriptor reverse;
};
using FlowGraph =
    boost::adjacency_list<boost::vecS, boost::vecS, boost::directedS, boost::no_property, FlowArc>;

// Successive shortest paths for non-negative costs. Each Dijkstra search runs
// on reduced costs and stops as soon as the sink is settled, so on assignment
// networks with small windows a search explores only the neighbourhood of the
// augmenting path instead of the whole network. Potentials of the settled
// nodes move by dist - dist(sink); that is the usual update shifted by a
// constant, which keeps every residual reduced cost non-negative without
// touching the unsettled nodes.
class SuccessiveShortestPaths {
 public:
  SuccessiveShortestPaths(const GraphTopology& G, const std::vector<int>& cap, const std::vector<int>& cost)
      : first_(G.node_count + 1, 0),
        potential_(G.node_count, 0),
        dist_(G.node_count, kUnreached),
        pred_arc_(G.node_count, -1),
        settled_(G.node_count, 0) {
    const size_t m = G.tail.size();
    // Arc 2e is edge e, arc 2e + 1 its reverse twin; arcs are grouped by tail
    // in edge order so that ties break the same way on every run.
    head_.resize(2 * m);
    residual_.resize(2 * m);
    cost_.resize(2 * m);
    for (size_t e = 0; e < m; ++e) {
      head_[2 * e] = G.head[e];
      head_[2 * e + 1] = G.tail[e];
      residual_[2 * e] = std::max(cap[e], 0);
      residual_[2 * e + 1] = 0;
      cost_[2 * e] = cost[e];
      cost_[2 * e + 1] = -static_cast<long long>(cost[e]);
      ++first_[G.tail[e] + 1];
      ++first_[G.head[e] + 1];
    }
    for (int v = 0; v < G.node_count; ++v) first_[v + 1] += first_[v];
    arcs_.resize(2 * m);
    std::vector<int> next(first_.begin(), first_.end() - 1);
    for (size_t e = 0; e < m; ++e) {
      arcs_[next[G.tail[e]]++] = static_cast<int>(2 * e);
      arcs_[next[G.head[e]]++] = static_cast<int>(2 * e + 1);
    }
  }

  // Pushes flow along cheapest augmenting paths until t is unreachable.
  void Run(int s, int t) {
    while (Search(s, t)) {
      long long push = std::numeric_limits<long long>::max();
      for (int v = t; v != s; v = head_[pred_arc_[v] ^ 1]) push = std::min(push, residual_[pred_arc_[v]]);
      for (int v = t; v != s; v = head_[pred_arc_[v] ^ 1]) {
        residual_[pred_arc_[v]] -= push;
        residual_[pred_arc_[v] ^ 1] += push;
      }
    }
  }

  long long Flow(int e, int cap) const { return std::max(cap, 0) - residual_[2 * static_cast<size_t>(e)]; }

 private:
  static constexpr long long kUnreached = std::numeric_limits<long long>::max();

  bool Search(int s, int t) {
    for (int v : touched_) {
      dist_[v] = kUnreached;
      settled_[v] = 0;
    }
    touched_.clear();
    using Entry = std::pair<long long, int>;
    std::priority_queue<Entry, std::vector<Entry>, std::greater<Entry>> heap;
    dist_[s] = 0;
    touched_.push_back(s);
    heap.push({0, s});
    while (!heap.empty()) {
      auto [d, u] = heap.top();
      heap.pop();
      if (settled_[u]) continue;
      settled_[u] = 1;
      if (u == t) break;
      for (int i = first_[u]; i < first_[u + 1]; ++i) {
        int a = arcs_[i];
        if (residual_[a] <= 0) continue;
        int v = head_[a];
        if (settled_[v]) continue;
        long long nd = d + cost_[a] + potential_[u] - potential_[v];
        if (nd < dist_[v]) {
          if (dist_[v] == kUnreached) touched_.push_back(v);
          dist_[v] = nd;
          pred_arc_[v] = a;
          heap.push({nd, v});
        }
      }
    }
    if (!settled_[t]) return false;
    for (int v : touched_)
      if (settled_[v]) potential_[v] += dist_[v] - dist_[t];
    return true;
  }

  std::vector<int> first_, arcs_, head_;
  std::vector<long long> residual_, cost_, potential_, dist_;
  std::vector<int> pred_arc_;
  std::vector<char> settled_;
  std::vector<int> touched_;
};

// Any maximum flow, then cancel negative residual cycles until none is left:
// the general case for negative costs, much slower on large networks.
void MaxFlowThenCancelCycles(const GraphTopology& G, int s, int t, const std::vector<int>& cap,
                             const std::vector<int>& cost, std::vector<int>& flow) {
  // Residual network: each edge gets a reverse twin of capacity 0 and negated cost.
  FlowGraph g(G.node_count);
  std::vector<FlowGraph::edge_descriptor> forward(G.edge_count());
  for (int e = 0; e < G.edge_count(); ++e) {
    long long c = std::max(cap[e], 0);
    forward[e] = boost::add_edge(G.tail[e], G.head[e], FlowArc{c, c, double(cost[e]), {}}, g).first;
    auto back = boost::add_edge(G.head[e], G.tail[e], FlowArc{0, 0, -double(cost[e]), forward[e]}, g).first;
    g[forward[e]].reverse = back;
  }
  auto capacity = boost::get(&FlowArc::capacity, g);
  auto residual = boost::get(&FlowArc::residual, g);
  auto weight = boost::get(&FlowArc::cost, g);
  auto reverse = boost::get(&FlowArc::reverse, g);
  if (s != t)
    boost::edmonds_karp_max_flow(
        g, s, t, boost::capacity_map(capacity).residual_capacity_map(residual).reverse_edge_map(reverse));
  boost::cycle_canceling(g,
                         boost::weight_map(weight).reverse_edge_map(reverse).residual_capacity_map(residual));
  for (int e = 0; e < G.edge_count(); ++e)
    flow[e] = static_cast<int>(g[forward[e]].capacity - g[forward[e]].residual);
}

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

  if (std::any_of(cost.begin(), cost.end(), [](int c) { return c < 0; })) {
    MaxFlowThenCancelCycles(G, s, t, cap, cost, flow);
  } else {
    SuccessiveShortestPaths ssp(G, cap, cost);
    if (s != t) ssp.Run(s, t);
    for (int e = 0; e < G.edge_count(); ++e) flow[e] = static_cast<int>(ssp.Flow(e, cap[e]));
  }

  long long value = 0;  // net outflow of s (0 when s == t: only circulations remain)
  for (int e = 0; e < G.edge_count(); ++e) {
    if (G.tail[e] == s) value += flow[e];
    if (G.head[e] == s) value -= flow[e];
  }
  return static_cast<int>(value);
}

void SortList(std::vector<int>& list, bool (*less)(const int&, const int&)) {
  std::stable_sort(list.begin(), list.end(), less);
}
