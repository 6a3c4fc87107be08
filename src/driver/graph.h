// Directed graphs with node and edge payloads, and the graph algorithms the
// floorplanner needs: topological order, shortest paths in an acyclic graph,
// minimum-cost maximum flow and a sortable integer list.
//
// Nodes are numbered 0..N-1 and edges 0..M-1 in creation order; per-node and
// per-edge values are plain std::vectors indexed by those numbers. The
// algorithms work on the graph's GraphTopology, so this header stays free of
// the graph library behind them.
#pragma once
#include <vector>

#include "driver/utilities.h"

constexpr int kNilNode = -1;
constexpr int kNilEdge = -1;

// The bare structure of a directed graph: edge e leads from tail[e] to head[e].
struct GraphTopology {
  int node_count = 0;
  std::vector<int> tail, head;
  int edge_count() const { return static_cast<int>(tail.size()); }
};

template <class NodeData, class EdgeData>
class Digraph {
 public:
  int new_node(const NodeData& payload = NodeData()) {
    node_payload_.push_back(payload);
    out_.emplace_back();
    return topo_.node_count++;
  }

  // A new edge tail -> head; it is visited after the tail's earlier out-edges.
  // One naming no node is the caller's fault: refused, and the run stops.
  int new_edge(int tail, int head, const EdgeData& payload = EdgeData()) {
    if (tail < 0 || tail >= topo_.node_count || head < 0 || head >= topo_.node_count)
      Refuse({}, 1, "Error: graph: an edge names no node.");
    int e = topo_.edge_count();
    topo_.tail.push_back(tail);
    topo_.head.push_back(head);
    edge_payload_.push_back(payload);
    out_[tail].push_back(e);
    return e;
  }

  void clear() {
    topo_ = GraphTopology();
    node_payload_.clear();
    edge_payload_.clear();
    out_.clear();
  }

  int node_count() const { return topo_.node_count; }
  int edge_count() const { return topo_.edge_count(); }
  int tail(int e) const { return topo_.tail[e]; }
  int head(int e) const { return topo_.head[e]; }
  const std::vector<int>& out_edges(int v) const { return out_[v]; }
  NodeData& node_payload(int v) { return node_payload_[v]; }
  const NodeData& node_payload(int v) const { return node_payload_[v]; }
  EdgeData& edge_payload(int e) { return edge_payload_[e]; }
  const EdgeData& edge_payload(int e) const { return edge_payload_[e]; }
  const GraphTopology& topology() const { return topo_; }

 private:
  GraphTopology topo_;
  std::vector<NodeData> node_payload_;
  std::vector<EdgeData> edge_payload_;
  std::vector<std::vector<int>> out_;  // out-edges of each node, creation order
};

// Per-edge input arrays must have one entry per edge, and edges must name
// nodes, else the graph is refused and the run stops.

// True when G is acyclic, with ord[v] in 1..N and ord[tail] < ord[head] for
// every edge. False when G has a cycle (a self-loop included); ord is then the
// creation order 1..N.
bool TOPSORT(const GraphTopology& G, std::vector<int>& ord);

// Single-source shortest paths from s over double edge costs (negative costs
// allowed) in an acyclic graph. dist[v] is the length of a shortest s -> v path
// and pred[v] its last edge; for s pred is kNilEdge and dist 0, for a node that
// s cannot reach pred is kNilEdge and dist +infinity. Returns false, with every
// node but s unreached, when a cycle is reachable from s or s is no node.
bool ACYCLIC_SHORTEST_PATH_T(const GraphTopology& G, int s, const std::vector<double>& cost,
                             std::vector<double>& dist, std::vector<int>& pred);

// Maximum s -> t flow of minimum total cost among all maximum flows, over
// integer capacities (negative ones count as 0) and integer costs. Returns the
// flow value and sets flow[e] to the integral flow on edge e. s == t or an
// invalid node gives the value 0. Non-negative costs take successive shortest
// paths whose searches stop at the sink, so sparse assignment networks cost
// little more than their edges; any negative cost switches to a maximum flow
// followed by cancelling negative cycles, which is much slower on large networks.
int MCMF_COST_SCALING(const GraphTopology& G, int s, int t, const std::vector<int>& cap,
                      const std::vector<int>& cost, std::vector<int>& flow);

// Sorts ascending by `less`; equal entries keep their order.
void SortList(std::vector<int>& list, bool (*less)(const int&, const int&));

// The same algorithms called on a Digraph directly.
template <class N, class E>
bool TOPSORT(const Digraph<N, E>& G, std::vector<int>& ord) {
  return TOPSORT(G.topology(), ord);
}
template <class N, class E>
bool ACYCLIC_SHORTEST_PATH_T(const Digraph<N, E>& G, int s, const std::vector<double>& cost,
                             std::vector<double>& dist, std::vector<int>& pred) {
  return ACYCLIC_SHORTEST_PATH_T(G.topology(), s, cost, dist, pred);
}
template <class N, class E>
int MCMF_COST_SCALING(const Digraph<N, E>& G, int s, int t, const std::vector<int>& cap,
                      const std::vector<int>& cost, std::vector<int>& flow) {
  return MCMF_COST_SCALING(G.topology(), s, t, cap, cost, flow);
}
