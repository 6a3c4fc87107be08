// Net-by-net via assignment: for one net at a time, a layered acyclic graph
// with one layer of candidate cells per via; its shortest path picks one
// cell per via at the least via-aware length. Nets go smallest first and
// take the capacity that earlier nets left.
#include <cstdio>
#include <utility>
#include <vector>

#include "driver/utilities.h"
#include "signalvia/signalvia.h"

namespace {

int call_ct = 0;  // completed net-by-net stages, for the whole process

// Kinds of the nodes of a net's graph (tagVPNODE::kind).
constexpr int kSource = 0, kSink = 1, kNet = 3, kCell = 5;

// Walks the shortest path back from the sink and places the net's vias,
// highest first, while their cells have room. Returns the vias placed.
int PlaceAlongPath(ViaGraph& graph, int source, int sink, const std::vector<int>& pred, tagNET* net,
                   double* wire) {
  net->hpwl_w_via = 0.0;
  int placed = 0;
  int k = net->via_cnt - 1;
  for (int v = sink; v != source;) {
    const int e = pred[v];
    if (e == kNilEdge) {
      std::printf("Warning: No path found for some nets!\n");
      net->hpwl_w_via = 0.0;
      return placed;
    }
    const tagVPNODE& payload = graph.node_payload(v);
    if (payload.kind == kCell) {
      tagSIGGRID* cell = static_cast<tagSIGGRID*>(payload.object);
      if (cell->via_cap < 1 || k < 0) {  // the cell is full
        net->hpwl_w_via = 0.0;
        return placed;
      }
      ++cell->via_num;
      ++placed;
      net->vias[k]->grid = cell;
      net->vias[k]->placed = 1;
      net->hpwl_w_via += graph.edge_payload(e).cost;
      *wire += graph.edge_payload(e).cost;
      --cell->via_cap;
      --k;
    }
    v = graph.tail(e);
  }
  return placed;
}

}  // namespace

void ResetNetByNetCounter() { call_ct = 0; }

void ConstructGraphNetworkForOneNet(ViaGraph& graph, int& source, int& sink, tagNETLIST* node,
                                    int /*tier_count*/, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim) {
  graph.clear();
  tagNET* net = node->net;
  const int n = net->via_cnt;
  source = graph.new_node({kSource, nullptr});
  sink = graph.new_node({kSink, nullptr});
  const int net_node = graph.new_node({kNet, net});
  graph.new_edge(source, net_node, {1, 0.0});

  // Cell nodes of the previous via's window, with their cells.
  std::vector<std::pair<int, tagSIGGRID*>> below, current;
  for (int k = 0; k < n; ++k) {
    tagSIGVIA* via = net->vias[k];
    const int layer = via->layer;
    int i0, i1, j0, j1;
    via->cand_num = 0;
    NetByNetCandidatePositionRange(via, grids, &i0, &i1, &j0, &j1, dim);
    if (via->cand_num == 0)
      std::printf("Warning: Via has no candidate position layer: %d (%d, %d, %d, %d)!\n", layer, i0, i1, j0,
                  j1);
    current.clear();
    for (int i = i0; i <= i1; ++i) {
      for (int j = j0; j <= j1; ++j) {
        tagSIGGRID* cell = grids.cell(layer, i, j);
        if (cell->via_cap > 0) current.emplace_back(graph.new_node({kCell, cell}), cell);
      }
    }
    if (k == 0) {
      for (const auto& [c, cell] : current) graph.new_edge(net_node, c, {1, EdgeCost(net, cell, nullptr, 0)});
    } else {
      bool connected = false;
      for (const auto& [p, below_cell] : below) {
        for (const auto& [c, cell] : current) {
          graph.new_edge(p, c, {1, EdgeCost(net, cell, below_cell, k)});
          connected = true;
        }
      }
      if (!connected) std::printf("Warning: The graph is disconnected!\n");
    }
    below.swap(current);
  }
  for (const auto& entry : below) graph.new_edge(entry.first, sink, {1, 0.0});
}

int NetByNetMultiLayerSignalViaAssignment(tagNETLIST* net_list, int tier_count, tagSIGGRIDSET& grids,
                                          tagSIGGRIDDIM* dim) {
  std::vector<tagSIGGRID*> usable;
  for (int layer = 1; layer < tier_count; ++layer) {
    for (int ix = 0; ix < dim->dimx; ++ix) {
      for (int iy = 0; iy < dim->dimy; ++iy) {
        tagSIGGRID* cell = grids.cell(layer, ix, iy);
        cell->via_num = 0;
        if (cell->via_cap > 0) usable.push_back(cell);
      }
    }
  }
  const int start = GetCpuTime();
  std::printf("Beginning Signal Via Assignment Net by Net...\n");

  ViaGraph graph;
  std::vector<double> cost, dist;
  std::vector<int> pred;
  int placed = 0;
  double wire = 0.0;
  int index = 0;
  for (tagNETLIST* node = net_list; node; node = node->next, ++index) {
    if (node->net->via_cnt < 1) continue;
    int source, sink;
    ConstructGraphNetworkForOneNet(graph, source, sink, node, tier_count, grids, dim);
    std::printf("Number of Node and Edges (%d): %d, %d\n", index, graph.node_count(), graph.edge_count());
    cost.resize(graph.edge_count());
    for (int e = 0; e < graph.edge_count(); ++e) cost[e] = graph.edge_payload(e).cost;
    ACYCLIC_SHORTEST_PATH_T(graph, source, cost, dist, pred);
    placed += PlaceAlongPath(graph, source, sink, pred, node->net, &wire);
    graph.clear();
  }

  const double seconds = (GetCpuTime() - start) / 1000.0;
  std::printf("[NETBYNET][via_inserted:%d; wire:%.2f; time:%.2f;]\n", placed, wire, seconds);
  AppendToReport("via_assignment.txt", "[NETBYNET][via_inserted:%d; wire:%.2f; time:%.2f;]\n", placed, wire,
                 seconds);
  if (call_ct == 0)
    AppendToReport("via_rt.txt", "[NETBYNET][via_inserted:%d; wire:%.2f; time:%.2f;]", placed, wire, seconds);
  // The stage leaves its choice in the vias only: capacity goes back.
  for (tagSIGGRID* cell : usable) {
    cell->via_cap += cell->via_num;
    cell->via_num = 0;
  }
  ++call_ct;
  return 0;
}
