// Layer-by-layer via assignment: for each tier boundary, from the lowest up,
// a min-cost max-flow from the boundary's vias to the usable cells of its
// grid layer places as many vias as the cells hold at the least wire cost.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "driver/utilities.h"
#include "signalvia/signalvia.h"

namespace {

// Kept for the whole process: the reports sum and number the flow stages of
// the run.
int total_cap = 0;  // usable capacity summed over every boundary processed
int call_ct = 0;    // completed flow stages

// Half-perimeter of a sub-net's stored pin box grown by the centres of the
// given cells (either may be null).
double HalfPerimeterWith(const tagNET* sub, const tagSIGGRID* a, const tagSIGGRID* b) {
  double minx = sub->minx, miny = sub->miny, maxx = sub->maxx, maxy = sub->maxy;
  for (const tagSIGGRID* c : {a, b}) {
    if (!c) continue;
    double cx = c->x + 0.5 * c->w, cy = c->y + 0.5 * c->h;
    minx = std::min(minx, cx);
    maxx = std::max(maxx, cx);
    miny = std::min(miny, cy);
    maxy = std::max(maxy, cy);
  }
  return (maxx - minx) + (maxy - miny);
}

// Integer cost of placing `via` in `cell`: the wire of the sub-net below the
// via (with the cell of the via under it once that one is placed) and, for
// the net's last via, of the sub-net above; each term truncated.
int FlowEdgeCost(const tagSIGVIA* via, const tagSIGGRID* cell) {
  const tagNET* net = via->net;
  int k = via->layer - net->vias[0]->layer;
  const tagNET* sub = net->sub_nets[k];
  const tagSIGGRID* below = nullptr;
  if (sub->via_cnt == 2 && sub->vias[0]->grid) below = sub->vias[0]->grid;
  int cost = static_cast<int>(HalfPerimeterWith(sub, cell, below));
  if (k == net->via_cnt - 1) cost += static_cast<int>(HalfPerimeterWith(net->sub_nets[k + 1], cell, nullptr));
  return cost;
}

double Seconds(int since_ms) { return (GetCpuTime() - since_ms) / 1000.0; }

bool DescendingCount(const int& a, const int& b) { return a > b; }

}  // namespace

void ResetFlowCounters() {
  total_cap = 0;
  call_ct = 0;
}

double CalViaCongCost(tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int layer, int n) {
  std::vector<int> counts;
  for (int ix = 0; ix < dim->dimx; ++ix)
    for (int iy = 0; iy < dim->dimy; ++iy) {
      int v = grids.cell(layer, ix, iy)->via_num;
      if (v >= 1) counts.push_back(v);
    }
  SortList(counts, DescendingCount);
  int k = static_cast<int>(std::ceil(0.1 * n));
  k = std::min(k, static_cast<int>(counts.size()));
  if (k <= 0) return 0.0;  // no cell holds a via
  double sum = 0.0;
  for (int i = 0; i < k; ++i) sum += counts[i];
  return sum / k;
}

int SignalViaAssignment(tagSIGVIA** boundary_lists, int* via_count, int tier_count, tagSIGGRIDSET& grids,
                        tagSIGGRIDDIM* dim, tagNET* nets) {
  printf("Begin min-cost max-flow based assignment ...\n");
  int start = GetCpuTime();

  int largest = 0;
  for (int t = 1; t < tier_count; ++t) largest = std::max(largest, via_count[t]);
  const int cells = dim->dimx * dim->dimy;
  // Tables are sized once for the largest boundary and reused for every one.
  std::vector<int> via_node(largest, kNilNode), cell_node(cells, kNilNode);
  std::vector<int> cap, cost, flow;
  cap.reserve(cells + largest);
  cost.reserve(cells + largest);

  ViaGraph graph;
  int total_flow = 0, cell_nodes = 0;
  double cong_sum = 0.0;
  for (int t = 1; t < tier_count; ++t) {
    if (!boundary_lists[t]) continue;
    graph.clear();
    cap.clear();
    cost.clear();
    std::fill(via_node.begin(), via_node.end(), kNilNode);
    std::fill(cell_node.begin(), cell_node.end(), kNilNode);
    auto add_edge = [&](int tail, int head, int c, int w) {
      graph.new_edge(tail, head, tagVPEDGE{0, 0.0});
      cap.push_back(c);
      cost.push_back(w);
    };
    int source = graph.new_node(tagVPNODE{0, nullptr});
    int sink = graph.new_node(tagVPNODE{1, nullptr});

    int layer_cap = 0;
    for (int ix = 0; ix < dim->dimx; ++ix)
      for (int iy = 0; iy < dim->dimy; ++iy) {
        tagSIGGRID* cell = grids.cell(t, ix, iy);
        if (cell->via_cap <= 0) continue;
        cell->via_num = 0;
        int v = graph.new_node(tagVPNODE{2, cell});
        cell_node[ix * dim->dimy + iy] = v;
        add_edge(v, sink, cell->via_cap, 0);
        layer_cap += cell->via_cap;
        ++cell_nodes;
      }
    total_cap += layer_cap;
    // A shortage is a failed run, not a successful one.
    if (via_count[t] > layer_cap)
      Refuse({}, -1, "Warning: The inter-layer via resource on layer %d is not enough!", t);

    for (tagSIGVIA* via = boundary_lists[t]; via; via = via->via_next) {
      int i0, i1, j0, j1;
      CandidatePositionRange(via, grids, &i0, &i1, &j0, &j1, dim, 1.0);
      int vn = graph.new_node(tagVPNODE{4, via});
      if (via->via_id >= static_cast<int>(via_node.size())) via_node.resize(via->via_id + 1, kNilNode);
      via_node[via->via_id] = vn;
      add_edge(source, vn, 1, 0);
      int candidates = 0;
      for (int i = i0; i <= i1; ++i)
        for (int j = j0; j <= j1; ++j) {
          int cn = cell_node[i * dim->dimy + j];
          if (cn == kNilNode) continue;
          tagSIGGRID* cell = static_cast<tagSIGGRID*>(graph.node_payload(cn).object);
          add_edge(vn, cn, 1, FlowEdgeCost(via, cell));
          ++candidates;
        }
      if (candidates == 0) printf("Warning: Some via has no candidate position!\n");
    }

    int layer_flow = MCMF_COST_SCALING(graph, source, sink, cap, cost, flow);

    double layer_cost = 0.0;
    int layer_vias = boundary_lists[t]->via_id + 1;
    for (int id = 0; id < layer_vias && id < static_cast<int>(via_node.size()); ++id) {
      int vn = via_node[id];
      if (vn == kNilNode) continue;
      tagSIGVIA* via = static_cast<tagSIGVIA*>(graph.node_payload(vn).object);
      for (int e : graph.out_edges(vn)) {
        if (flow[e] <= 0) continue;
        const tagVPNODE& head = graph.node_payload(graph.head(e));
        if (head.kind != 2) {
          DclError("Error:Something is wrong (during the inter-layer assignment)!");
          continue;
        }
        via->grid = static_cast<tagSIGGRID*>(head.object);
        layer_cost += static_cast<double>(flow[e]) * cost[e];
      }
    }
    for (int cn : cell_node) {
      if (cn == kNilNode) continue;
      int to_sink = graph.out_edges(cn).front();
      static_cast<tagSIGGRID*>(graph.node_payload(cn).object)->via_num += flow[to_sink];
    }

    double cong = CalViaCongCost(grids, dim, t, cell_nodes);
    cong_sum += cong;
    total_flow += layer_flow;
    printf("[LAYER_%d] [Via inserted: %d (Total:%d, layer_cap:%d) cost:%.2f\n", t, layer_flow, layer_vias,
           layer_cap, layer_cost);
    printf("Via Congestion Cost:%.2f\n", cong);
    printf("Mincost-Maxflow Model:\nThe number of nodes:%d\n", graph.node_count());
    printf("The number of edges:%d.]\n", graph.edge_count());
    graph.clear();
  }
  double secs = Seconds(start);
  printf("[TOTAL][Time:%.2f\n", secs);

  double wire = 0.0;
  for (tagNET* net = nets; net; net = net->next) {
    if (net->via_cnt <= 0) continue;
    net->hpwl_w_via = ViaAwareNetLength(net);
    wire += net->hpwl_w_via;
  }
  if (lm_upper_bound > wire) {
    ub_change = true;
    lm_upper_bound = wire;
  }
  double avg_cong = cong_sum / std::max(1, tier_count - 1);
  printf("via_inserted:%d (total_vias:%d, total_cap:%d) cost:%.2f;\nVia Congestion Cost:%.2f;]\n\n",
         total_flow, via_count[0], total_cap, wire, avg_cong);

  AppendToReport("via_assignment.txt",
                 "[LAYERBYLAYER][wire2(ub)1:%.2f;ubtime1:%.2f;viain1:%d;vcg:%.2f;cap1:%d;]\n", wire, secs,
                 total_flow, avg_cong, total_cap);
  AppendToReport("vp_table1.txt", "%.2f; ", wire);
  if (call_ct == 0)
    AppendToReport("via_rt.txt", "[LAYERBYLAYER][wire2(ub)1:%.2f;time:%.2f;via_inerted:%d;vcg:%.2f;cap:%d;]",
                   wire, secs, total_flow, avg_cong, total_cap);
  ++call_ct;
  return total_flow;
}
