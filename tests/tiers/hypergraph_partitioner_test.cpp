// The partitioner behind HMETIS_PartRecursive: parts in range, balance within
// the ubfactor, repeatable results, the reported cut, and the small cases.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <set>
#include <tuple>
#include <utility>
#include <vector>

#include "tiers/tiers.h"

namespace {

struct Hypergraph {
  Hypergraph(int n, std::vector<int> weights) : nvtxs(n), vwgts(std::move(weights)) {}
  int nvtxs;
  std::vector<int> vwgts, eptr{0}, eind, hewgts;

  int nhedges() const { return static_cast<int>(hewgts.size()); }
  void AddEdge(const std::vector<int>& pins, int weight = 1) {
    eind.insert(eind.end(), pins.begin(), pins.end());
    eptr.push_back(static_cast<int>(eind.size()));
    hewgts.push_back(weight);
  }
};

struct Result {
  std::vector<int> part;
  int edgecut;
};

Result Split(Hypergraph& hg, int nparts, int ubfactor, int seed = -1) {
  int options[9] = {1, 10, 5, 1, 3, 0, 0, seed, 24};
  Result r{std::vector<int>(hg.nvtxs, -1), -1};
  HMETIS_PartRecursive(hg.nvtxs, hg.nhedges(), hg.vwgts.data(), hg.eptr.data(), hg.eind.data(),
                       hg.hewgts.data(), nparts, ubfactor, options, r.part.data(), &r.edgecut);
  return r;
}

// Random hypergraphs: vertices of weight 1..200, hyperedges of 1..12 pins
// (some of them large enough to be modelled as stars) and weights 1..3.
// Every vertex gets a part in range, the reported cut is the weight of the
// cut hyperedges, and each of the ceil(log2 k) bisections may favour one side
// by at most 1 + b / 50 (an odd count splits in proportion to the parts on
// each side); two parts also keep the lower bound.
TEST(HypergraphPartitionerTest, PartsInRangeWithinTheUbfactorAndTheCutRecounted) {
  for (int nparts : {2, 3, 4, 5, 7, 10}) {
    for (int ubfactor : {5, 10, 25}) {
      for (unsigned seed = 1; seed <= (nparts == 2 ? 5u : 1u); ++seed) {
        SCOPED_TRACE(testing::Message() << nparts << " parts, ubfactor " << ubfactor << ", seed " << seed);
        std::mt19937 rng(seed * 31u + 100u * nparts + ubfactor);
        Hypergraph hg(300, {});
        for (int v = 0; v < hg.nvtxs; ++v) hg.vwgts.push_back(1 + static_cast<int>(rng() % 200));
        for (int e = 0; e < 600; ++e) {
          std::vector<int> members(1 + rng() % 12);
          for (int& m : members) m = static_cast<int>(rng() % 300);
          hg.AddEdge(members, 1 + static_cast<int>(rng() % 3));
        }
        // The same input gives the same partition, whatever the seed option.
        const int seed_option = ubfactor == 5 ? -1 : ubfactor == 10 ? 0 : 17;
        Result r = Split(hg, nparts, ubfactor, seed_option);
        const Result again = Split(hg, nparts, ubfactor, seed_option);
        EXPECT_EQ(r.part, again.part);
        EXPECT_EQ(r.edgecut, again.edgecut);
        std::vector<double> w(nparts, 0.0);
        double total = 0.0;
        for (int v = 0; v < hg.nvtxs; ++v) {
          ASSERT_TRUE(r.part[v] >= 0 && r.part[v] < nparts) << v;
          w[r.part[v]] += hg.vwgts[v];
          total += hg.vwgts[v];
        }
        int cut = 0;
        for (int e = 0; e < hg.nhedges(); ++e) {
          std::set<int> parts;
          for (int k = hg.eptr[e]; k < hg.eptr[e + 1]; ++k) parts.insert(r.part[hg.eind[k]]);
          if (parts.size() > 1) cut += hg.hewgts[e];
        }
        EXPECT_EQ(r.edgecut, cut);
        const int levels = static_cast<int>(std::ceil(std::log2(nparts)));
        const double bound = total / nparts * std::pow(1.0 + ubfactor / 50.0, levels);
        for (int p = 0; p < nparts; ++p) {
          EXPECT_LE(w[p], bound) << "part " << p;
          EXPECT_GT(w[p], 0) << "part " << p;
          EXPECT_TRUE(nparts > 2 || w[p] >= total * (50 - ubfactor) / 100.0) << "part " << p;
        }
      }
    }
  }
}

// Bisections with one obvious answer: each group on a side of its own.
TEST(HypergraphPartitionerTest, ObviousBisections) {
  // A chain whose first vertex weighs as much as the other ten together: it
  // must stand alone, where counting vertices would split the chain midway.
  Hypergraph heavy_end(11, {10, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
  for (int v = 0; v + 1 < 11; ++v) heavy_end.AddEdge({v, v + 1});
  // The same with weights whose sum overflows 32 bits unless scaled down.
  Hypergraph huge_end = heavy_end;
  for (int& w : huge_end.vwgts) w <<= 27;
  // Two groups of ten, each tied together by many small and large nets, and
  // one net of weight 2 across.
  Hypergraph clusters(20, std::vector<int>(20, 5));
  std::mt19937 rng(5);
  for (int base : {0, 10}) {
    for (int v = 0; v < 10; ++v) clusters.AddEdge({base + v, base + (v + 1) % 10});
    for (int k = 0; k < 20; ++k) {
      std::vector<int> pins(2 + rng() % 8);
      for (int& pin : pins) pin = base + static_cast<int>(rng() % 10);
      clusters.AddEdge(pins);
    }
  }
  clusters.AddEdge({3, 14}, 2);
  // A ring of four: the two heavy nets keep their pairs together.
  Hypergraph ring(4, {1, 1, 1, 1});
  for (auto [u, v, weight] : {std::tuple{0, 1, 10}, {1, 2, 1}, {2, 3, 10}, {3, 0, 1}})
    ring.AddEdge({u, v}, weight);
  // Two groups of six, each held by one net of six pins (the largest
  // modelled as a clique) of weight 10, paired across by nets of weight 4.
  Hypergraph pairs(12, std::vector<int>(12, 1));
  for (int base : {0, 6}) pairs.AddEdge({base, base + 1, base + 2, base + 3, base + 4, base + 5}, 10);
  for (int v = 0; v < 6; ++v) pairs.AddEdge({v, v + 6}, 4);
  struct Case {
    Hypergraph* hg;
    int first_of_second;  // vertices below it on one side, the others on the other
    int cut;
  };
  for (Case c : {Case{&heavy_end, 1, 1}, Case{&huge_end, 1, 1}, Case{&clusters, 10, 2}, Case{&ring, 2, 2},
                 Case{&pairs, 6, 24}}) {
    Result r = Split(*c.hg, 2, 10);
    for (int v = 0; v < c.hg->nvtxs; ++v)
      EXPECT_EQ(r.part[v], v < c.first_of_second ? r.part[0] : 1 - r.part[0]) << c.hg->nvtxs << " " << v;
    EXPECT_EQ(r.edgecut, c.cut);
  }
}

}  // namespace
