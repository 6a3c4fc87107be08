// Hypergraph partitioning through METIS: every hyperedge is expanded into a
// weighted graph, the graph is split by recursive bisection, and the cut is
// measured on the hyperedges themselves.
//
// Net model: a net of p distinct vertices and weight w adds a total edge
// weight of 30 * p * w, spread evenly over its edges. Nets of up to 6 pins
// become cliques (60 * w / (p - 1) per edge, an exact integer), larger nets a
// star around their first pin, so the graph stays linear in the pin count.
//
// Options follow the hMETIS array: when options[0] is non-zero, options[1]
// (number of runs) becomes the number of METIS trials and options[7] the seed;
// a negative seed (hMETIS: "random") uses the fixed seed 1 so that a run can
// be repeated. Coarsening, refinement and V-cycle choices have no METIS
// counterpart and are ignored; pre-assigned vertices are not supported, part
// is output only.
//
// Balance is METIS's: each bisection keeps its sides within the ubfactor up
// to the granularity of the vertex weights (a side may exceed its bound by
// about one vertex when no finer move exists). Vertex weights below 1 count
// as 1.
#include <metis.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <tuple>
#include <vector>

#include "driver/utilities.h"
#include "tiers/tiers.h"

namespace {

// Nets of up to this many pins become cliques, larger ones stars.
constexpr int kCliqueLimit = 6;
// Edge weight a net spreads over its edges, per pin and unit of net weight.
constexpr int64_t kNetWeightUnit = 30;
// Keeps METIS's internal sums of vertex and edge weights inside 32 bits.
constexpr int64_t kWeightBudget = int64_t{1} << 29;
// METIS trials, and its seed, when the options leave them open.
constexpr int kDefaultRuns = 10;
constexpr int kDefaultSeed = 1;

struct HyperedgeView {
  int nvtxs;
  int nhedges;
  const int* eptr;
  const int* eind;
  const int* hewgts;

  // Weights below 1 pull nothing and cost nothing.
  int64_t Weight(int e) const { return hewgts ? std::max(hewgts[e], 0) : 1; }

  // Distinct in-range vertices of hyperedge e, first occurrence order;
  // `stamp` (nvtxs entries) marks vertices already taken.
  void Pins(int e, std::vector<int>& stamp, std::vector<int>& pins) const {
    pins.clear();
    for (int k = eptr[e]; k < eptr[e + 1]; ++k) {
      const int v = eind[k];
      if (v < 0 || v >= nvtxs || stamp[v] == e + 1) continue;
      stamp[v] = e + 1;
      pins.push_back(v);
    }
  }
};

// Divides all weights by one factor when their total exceeds the budget,
// keeping every weight at least 1.
std::vector<idx_t> FitWeights(const std::vector<int64_t>& weights) {
  int64_t total = 0;
  for (int64_t w : weights) total = std::min(total + w, INT64_MAX / 2);
  const int64_t divisor = std::max<int64_t>(1, (total + kWeightBudget - 1) / kWeightBudget);
  std::vector<idx_t> fitted(weights.size());
  for (size_t i = 0; i < weights.size(); ++i)
    fitted[i] = static_cast<idx_t>(std::max<int64_t>(1, weights[i] / divisor));
  return fitted;
}

struct Graph {
  std::vector<idx_t> xadj, adjncy, adjwgt;
};

// Expands the hyperedges into a graph with parallel edges merged.
Graph ExpandHyperedges(const HyperedgeView& hv) {
  std::vector<std::tuple<int, int, int64_t>> edges;
  std::vector<int> stamp(hv.nvtxs, 0), pins;
  auto add = [&edges](int u, int v, int64_t w) { edges.emplace_back(std::min(u, v), std::max(u, v), w); };
  for (int e = 0; e < hv.nhedges; ++e) {
    const int64_t w = hv.Weight(e);
    if (w == 0 || hv.eptr[e + 1] < hv.eptr[e]) continue;
    hv.Pins(e, stamp, pins);
    const int64_t p = static_cast<int64_t>(pins.size());
    if (p < 2) continue;
    const int64_t count = p <= kCliqueLimit ? p * (p - 1) / 2 : p - 1;
    const int64_t each = std::max<int64_t>(1, (kNetWeightUnit * p * w + count / 2) / count);
    if (p <= kCliqueLimit) {
      for (int64_t i = 0; i < p; ++i)
        for (int64_t j = i + 1; j < p; ++j) add(pins[i], pins[j], each);
    } else {
      for (int64_t i = 1; i < p; ++i) add(pins[0], pins[i], each);
    }
  }
  std::sort(edges.begin(), edges.end());

  // Merge parallel edges, then lay both directions out per vertex.
  std::vector<std::tuple<int, int, int64_t>> merged;
  for (const auto& edge : edges) {
    if (!merged.empty() && std::get<0>(merged.back()) == std::get<0>(edge) &&
        std::get<1>(merged.back()) == std::get<1>(edge))
      std::get<2>(merged.back()) += std::get<2>(edge);
    else
      merged.push_back(edge);
  }
  std::vector<int64_t> raw(merged.size());
  for (size_t i = 0; i < merged.size(); ++i) raw[i] = std::get<2>(merged[i]);
  const std::vector<idx_t> weights = FitWeights(raw);

  Graph g;
  g.xadj.assign(hv.nvtxs + 1, 0);
  for (const auto& [u, v, w] : merged) {
    ++g.xadj[u + 1];
    ++g.xadj[v + 1];
  }
  for (int v = 0; v < hv.nvtxs; ++v) g.xadj[v + 1] += g.xadj[v];
  // METIS wants valid arrays even for a graph without edges.
  g.adjncy.assign(std::max<size_t>(1, 2 * merged.size()), 0);
  g.adjwgt.assign(g.adjncy.size(), 0);
  std::vector<idx_t> fill(g.xadj.begin(), g.xadj.end() - 1);
  for (size_t i = 0; i < merged.size(); ++i) {
    const int u = std::get<0>(merged[i]), v = std::get<1>(merged[i]);
    g.adjncy[fill[u]] = v;
    g.adjwgt[fill[u]++] = weights[i];
    g.adjncy[fill[v]] = u;
    g.adjwgt[fill[v]++] = weights[i];
  }
  return g;
}

// Total weight of the hyperedges whose vertices lie in more than one part.
int CutWeight(const HyperedgeView& hv, const int* part) {
  int64_t cut = 0;
  std::vector<int> stamp(hv.nvtxs, 0), pins;
  for (int e = 0; e < hv.nhedges; ++e) {
    if (hv.eptr[e + 1] < hv.eptr[e]) continue;
    hv.Pins(e, stamp, pins);
    for (int v : pins) {
      if (part[v] != part[pins[0]]) {
        cut += hv.Weight(e);
        break;
      }
    }
  }
  return static_cast<int>(std::min<int64_t>(cut, INT_MAX));
}

}  // namespace

void HMETIS_PartRecursive(int nvtxs, int nhedges, int* vwgts, int* eptr, int* eind, int* hewgts, int nparts,
                          int ubfactor, int* options, int* part, int* edgecut) {
  *edgecut = 0;
  if (nvtxs <= 0) return;
  const HyperedgeView hv{nvtxs, std::max(nhedges, 0), eptr, eind, hewgts};
  if (nparts <= 1) {
    std::fill(part, part + nvtxs, 0);
    return;
  }

  bool done = false;
  if (nvtxs >= nparts) {
    Graph g = ExpandHyperedges(hv);
    std::vector<int64_t> raw_vw(nvtxs, 1);
    if (vwgts)
      for (int v = 0; v < nvtxs; ++v) raw_vw[v] = std::max(vwgts[v], 1);
    std::vector<idx_t> vw = FitWeights(raw_vw);

    const bool given = options && options[0] != 0;
    idx_t opts[METIS_NOPTIONS];
    METIS_SetDefaultOptions(opts);
    opts[METIS_OPTION_NCUTS] = given ? std::max(options[1], 1) : kDefaultRuns;
    opts[METIS_OPTION_SEED] = given && options[7] >= 0 ? options[7] : kDefaultSeed;
    // hMETIS keeps each bisection side within (50 +- b)% of the weight, that is
    // within a factor 1 + b / 50 of an even half; METIS counts in thousandths.
    opts[METIS_OPTION_UFACTOR] = 20 * std::clamp(ubfactor, 1, 49);

    idx_t n = nvtxs, ncon = 1, np = nparts, cut = 0;
    std::vector<idx_t> result(nvtxs, 0);
    done = METIS_PartGraphRecursive(&n, &ncon, g.xadj.data(), g.adjncy.data(), vw.data(), nullptr,
                                    g.adjwgt.data(), &np, nullptr, nullptr, opts, &cut,
                                    result.data()) == METIS_OK;
    if (done)
      std::copy(result.begin(), result.end(), part);
    else
      DclError("Warning: partitioning failed; vertices are dealt out in turn.");
  }
  // Fewer vertices than parts (each gets a part of its own), or METIS refused.
  if (!done)
    for (int v = 0; v < nvtxs; ++v) part[v] = v % nparts;
  *edgecut = CutWeight(hv, part);
}

int PartitionHyperGraph(const tagHYPERGRAPH* hg, int nparts, int ubfactor, int* part) {
  // Ten runs, the random seed left to the partitioner, as hMETIS callers set it.
  int options[9] = {1, 10, 5, 1, 3, 0, 0, -1, 24};
  int cut = 0;
  HMETIS_PartRecursive(hg->nvtxs, hg->nhedges, hg->vwgts, hg->eptr, hg->eind, hg->hewgts, nparts, ubfactor,
                       options, part, &cut);
  return cut;
}
