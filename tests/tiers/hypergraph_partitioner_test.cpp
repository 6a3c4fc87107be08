// The partitioner behind HMETIS_PartRecursive: parts in range, balance within
// the ubfactor, repeatable results, the reported cut, and the small cases.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <set>
#include <vector>

#include "tiers/tiers.h"

namespace {

struct Hypergraph {
  int nvtxs = 0;
  std::vector<int> vwgts, eptr{0}, eind, hewgts;

  int nhedges() const { return static_cast<int>(hewgts.size()); }
  void AddEdge(const std::vector<int>& pins, int weight = 1) {
    eind.insert(eind.end(), pins.begin(), pins.end());
    eptr.push_back(static_cast<int>(eind.size()));
    hewgts.push_back(weight);
  }
};

// Vertices of weight 1..max_weight, hyperedges of 1..max_pins pins (some of
// them large enough to be modelled as stars) and weights 1..3.
Hypergraph RandomHypergraph(int nvtxs, int nhedges, int max_weight, int max_pins, unsigned seed) {
  std::mt19937 rng(seed);
  Hypergraph hg;
  hg.nvtxs = nvtxs;
  for (int v = 0; v < nvtxs; ++v) hg.vwgts.push_back(1 + static_cast<int>(rng() % max_weight));
  for (int e = 0; e < nhedges; ++e) {
    const int pins = 1 + static_cast<int>(rng() % max_pins);
    std::vector<int> members;
    for (int k = 0; k < pins; ++k) members.push_back(static_cast<int>(rng() % nvtxs));
    hg.AddEdge(members, 1 + static_cast<int>(rng() % 3));
  }
  return hg;
}

struct Result {
  std::vector<int> part;
  int edgecut;
};

Result Split(Hypergraph& hg, int nparts, int ubfactor, int seed = -1) {
  int options[9] = {1, 10, 5, 1, 3, 0, 0, seed, 24};
  Result r{std::vector<int>(std::max(hg.nvtxs, 1), -1), -1};
  int* vwgts = hg.vwgts.empty() ? nullptr : hg.vwgts.data();
  int* hewgts = hg.hewgts.empty() ? nullptr : hg.hewgts.data();
  HMETIS_PartRecursive(hg.nvtxs, hg.nhedges(), vwgts, hg.eptr.data(), hg.eind.data(), hewgts, nparts,
                       ubfactor, options, r.part.data(), &r.edgecut);
  return r;
}

// Weight of the hyperedges whose pins lie in more than one part.
int RecountCut(const Hypergraph& hg, const std::vector<int>& part) {
  int cut = 0;
  for (int e = 0; e < hg.nhedges(); ++e) {
    std::set<int> parts;
    for (int k = hg.eptr[e]; k < hg.eptr[e + 1]; ++k) parts.insert(part[hg.eind[k]]);
    if (parts.size() > 1) cut += hg.hewgts[e];
  }
  return cut;
}

std::vector<long> PartWeights(const Hypergraph& hg, const std::vector<int>& part, int nparts) {
  std::vector<long> w(nparts, 0);
  for (int v = 0; v < hg.nvtxs; ++v) w[part[v]] += hg.vwgts.empty() ? 1 : hg.vwgts[v];
  return w;
}

TEST(HypergraphPartitionerTest, EveryVertexGetsAPartInRange) {
  for (int nparts : {2, 3, 5, 9, 10}) {
    Hypergraph hg = RandomHypergraph(150, 300, 1000, 10, 7u + nparts);
    Result r = Split(hg, nparts, 5);
    for (int v = 0; v < hg.nvtxs; ++v) {
      EXPECT_GE(r.part[v], 0) << "nparts " << nparts;
      EXPECT_LT(r.part[v], nparts) << "nparts " << nparts;
    }
  }
}

TEST(HypergraphPartitionerTest, BisectionSidesStayWithinTheUbfactor) {
  for (int ubfactor : {5, 10, 25}) {
    for (unsigned seed = 1; seed <= 5; ++seed) {
      Hypergraph hg = RandomHypergraph(200, 400, 50, 8, seed * 31u + ubfactor);
      Result r = Split(hg, 2, ubfactor);
      const std::vector<long> w = PartWeights(hg, r.part, 2);
      const double total = static_cast<double>(w[0] + w[1]);
      for (long side : w) {
        EXPECT_LE(side, total * (50 + ubfactor) / 100.0) << "ubfactor " << ubfactor;
        EXPECT_GE(side, total * (50 - ubfactor) / 100.0) << "ubfactor " << ubfactor;
      }
    }
  }
}

TEST(HypergraphPartitionerTest, RecursivePartsStayWithinTheUbfactorPerLevel) {
  // Each of the ceil(log2 k) bisections may favour one side by 1 + b / 50, and
  // an odd count splits in proportion to the parts on each side.
  for (int nparts : {3, 4, 10}) {
    for (int ubfactor : {5, 10}) {
      Hypergraph hg = RandomHypergraph(400, 800, 100, 6, 100u * nparts + ubfactor);
      Result r = Split(hg, nparts, ubfactor);
      const std::vector<long> w = PartWeights(hg, r.part, nparts);
      const double total = std::accumulate(w.begin(), w.end(), 0.0);
      const int levels = static_cast<int>(std::ceil(std::log2(nparts)));
      const double bound = total / nparts * std::pow(1.0 + ubfactor / 50.0, levels);
      for (int p = 0; p < nparts; ++p) {
        EXPECT_LE(w[p], bound) << "part " << p << " of " << nparts << ", ubfactor " << ubfactor;
        EXPECT_GT(w[p], 0) << "part " << p << " of " << nparts;
      }
    }
  }
}

TEST(HypergraphPartitionerTest, VertexWeightsDecideTheBalance) {
  // A chain whose first vertex weighs as much as the other ten together: it
  // must stand alone, where counting vertices would split the chain midway.
  Hypergraph hg;
  hg.nvtxs = 11;
  hg.vwgts.assign(11, 1);
  hg.vwgts[0] = 10;
  for (int v = 0; v + 1 < 11; ++v) hg.AddEdge({v, v + 1});
  Result r = Split(hg, 2, 10);
  for (int v = 2; v < 11; ++v) EXPECT_EQ(r.part[v], r.part[1]) << v;
  EXPECT_NE(r.part[0], r.part[1]);
  EXPECT_EQ(r.edgecut, 1);
}

TEST(HypergraphPartitionerTest, SameInputGivesTheSamePartition) {
  Hypergraph hg = RandomHypergraph(300, 600, 1000, 12, 99u);
  for (int seed : {-1, 0, 17}) {
    Result first = Split(hg, 4, 10, seed);
    Result second = Split(hg, 4, 10, seed);
    EXPECT_EQ(first.part, second.part) << "seed " << seed;
    EXPECT_EQ(first.edgecut, second.edgecut) << "seed " << seed;
  }
}

TEST(HypergraphPartitionerTest, EdgecutIsTheWeightOfCutHyperedges) {
  for (int nparts : {2, 3, 7}) {
    for (unsigned seed = 1; seed <= 4; ++seed) {
      Hypergraph hg = RandomHypergraph(120, 250, 200, 14, seed + 10u * nparts);
      Result r = Split(hg, nparts, 10);
      EXPECT_EQ(r.edgecut, RecountCut(hg, r.part)) << "nparts " << nparts << " seed " << seed;
    }
  }
}

TEST(HypergraphPartitionerTest, TwoClustersAreSplitAlongTheirOneJoiningNet) {
  // Two groups of ten, each tied together by many small and large nets, and
  // one net across.
  Hypergraph hg;
  hg.nvtxs = 20;
  hg.vwgts.assign(20, 5);
  std::mt19937 rng(5);
  for (int base : {0, 10}) {
    for (int v = 0; v < 10; ++v) hg.AddEdge({base + v, base + (v + 1) % 10});
    for (int k = 0; k < 20; ++k) {
      std::vector<int> pins;
      const int count = 2 + static_cast<int>(rng() % 8);
      for (int i = 0; i < count; ++i) pins.push_back(base + static_cast<int>(rng() % 10));
      hg.AddEdge(pins);
    }
  }
  hg.AddEdge({3, 14}, 2);
  Result r = Split(hg, 2, 10);
  for (int v = 1; v < 10; ++v) EXPECT_EQ(r.part[v], r.part[0]) << v;
  for (int v = 11; v < 20; ++v) EXPECT_EQ(r.part[v], r.part[10]) << v;
  EXPECT_NE(r.part[0], r.part[10]);
  EXPECT_EQ(r.edgecut, 2);
}

TEST(HypergraphPartitionerTest, HeavyNetsStayUncut) {
  // A ring of four: the two heavy nets keep their pairs together.
  Hypergraph hg;
  hg.nvtxs = 4;
  hg.vwgts.assign(4, 1);
  hg.AddEdge({0, 1}, 10);
  hg.AddEdge({1, 2}, 1);
  hg.AddEdge({2, 3}, 10);
  hg.AddEdge({3, 0}, 1);
  Result r = Split(hg, 2, 10);
  EXPECT_EQ(r.part[0], r.part[1]);
  EXPECT_EQ(r.part[2], r.part[3]);
  EXPECT_NE(r.part[0], r.part[2]);
  EXPECT_EQ(r.edgecut, 2);
}

TEST(HypergraphPartitionerSmallCasesTest, OnePartPutsEverythingInPartZero) {
  Hypergraph hg = RandomHypergraph(30, 40, 10, 5, 3u);
  Result r = Split(hg, 1, 10);
  EXPECT_EQ(r.part, std::vector<int>(30, 0));
  EXPECT_EQ(r.edgecut, 0);
}

TEST(HypergraphPartitionerSmallCasesTest, FewerVerticesThanPartsGivesEachItsOwnPart) {
  Hypergraph hg;
  hg.nvtxs = 3;
  hg.vwgts = {1, 1, 1};
  hg.AddEdge({0, 1});
  hg.AddEdge({2});
  Result r = Split(hg, 5, 10);
  EXPECT_EQ(std::set<int>(r.part.begin(), r.part.end()).size(), 3u);
  for (int p : r.part) {
    EXPECT_GE(p, 0);
    EXPECT_LT(p, 5);
  }
  EXPECT_EQ(r.edgecut, 1);
}

TEST(HypergraphPartitionerSmallCasesTest, NoVerticesLeavesPartUntouched) {
  Hypergraph hg;
  Result r = Split(hg, 2, 10);
  EXPECT_EQ(r.part[0], -1);
  EXPECT_EQ(r.edgecut, 0);
}

TEST(HypergraphPartitionerSmallCasesTest, WithoutHyperedgesOnlyTheBalanceCounts) {
  Hypergraph hg;
  hg.nvtxs = 40;
  for (int v = 0; v < 40; ++v) hg.vwgts.push_back(1 + v % 4);
  Result r = Split(hg, 2, 10);
  const std::vector<long> w = PartWeights(hg, r.part, 2);
  EXPECT_LE(std::max(w[0], w[1]), (w[0] + w[1]) * 0.6);
  EXPECT_EQ(r.edgecut, 0);
}

TEST(HypergraphPartitionerSmallCasesTest, VerticesWithoutEdgesAreStillPlaced) {
  Hypergraph hg;
  hg.nvtxs = 30;
  hg.vwgts.assign(30, 1);
  for (int v = 0; v + 1 < 10; ++v) hg.AddEdge({v, v + 1});  // 10..29 touch nothing
  Result r = Split(hg, 3, 10);
  const std::vector<long> w = PartWeights(hg, r.part, 3);
  for (long side : w) {
    EXPECT_GT(side, 0);
    EXPECT_LE(side, 14);  // 10 x 1.2 x 1.2
  }
  EXPECT_EQ(r.edgecut, RecountCut(hg, r.part));
}

TEST(HypergraphPartitionerSmallCasesTest, RepeatedPinsAndOnePinHyperedgesAreHarmless) {
  Hypergraph hg;
  hg.nvtxs = 8;
  hg.vwgts.assign(8, 1);
  hg.AddEdge({0, 0, 1, 1});
  hg.AddEdge({5});
  hg.AddEdge({2, 3, 2});
  hg.AddEdge({6, 7, 4, 5, 6});
  Result r = Split(hg, 2, 10);
  EXPECT_EQ(r.edgecut, RecountCut(hg, r.part));
  const std::vector<long> w = PartWeights(hg, r.part, 2);
  EXPECT_EQ(w[0], 4);
}

TEST(HypergraphPartitionerSmallCasesTest, MissingWeightArraysMeanUnitWeights) {
  Hypergraph hg = RandomHypergraph(50, 80, 1, 4, 11u);
  std::fill(hg.hewgts.begin(), hg.hewgts.end(), 1);
  Result explicit_units = Split(hg, 2, 10);
  std::vector<int> part(50, -1);
  int options[9] = {1, 10, 5, 1, 3, 0, 0, -1, 24};
  int cut = -1;
  HMETIS_PartRecursive(50, hg.nhedges(), nullptr, hg.eptr.data(), hg.eind.data(), nullptr, 2, 10,
                       options, part.data(), &cut);
  EXPECT_EQ(part, explicit_units.part);
  EXPECT_EQ(cut, explicit_units.edgecut);
}

}  // namespace
