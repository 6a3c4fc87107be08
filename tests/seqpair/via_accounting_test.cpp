// Inter-tier via counts against an independent recount: whole-design counts,
// per-tier block areas, and the effect of moving one block to another tier.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "design_builder.h"
#include "seqpair/seqpair.h"
#include "tiers/tiers.h"

using testing_support::TestDesign;

namespace {

// The design's via counts as tallied from scratch: the tiers of every net's
// pins (terminals on tier 0), then one via per interface inside the span;
// with `only` > 0, of the nets that touch block `only` alone.
struct Tally {
  int total = 0;
  std::vector<int> per_tier;
  std::vector<double> area;
};

Tally Recount(const TestDesign& d, const std::vector<int>& tier, int tiers, int only = 0) {
  Tally tally;
  tally.per_tier.assign(tiers, 0);
  tally.area.assign(tiers, 0.0);
  for (int i = 1; i <= d.n(); ++i) tally.area[tier[i]] += d.blka[i]->area;
  for (int j = 1; j < static_cast<int>(d.neta.size()); ++j) {
    std::vector<int> on;
    bool touches = only == 0;
    for (const tagPINLIST* node = d.neta[j]->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
      on.push_back(pin->id == 0 ? tier[pin->owner->id] : 0);
      touches = touches || (pin->id == 0 && pin->owner->id == only);
    }
    if (on.empty() || !touches) continue;
    const int lo = *std::min_element(on.begin(), on.end());
    const int hi = *std::max_element(on.begin(), on.end());
    tally.total += hi - lo;
    for (int t = lo + 1; t <= hi; ++t) ++tally.per_tier[t];
  }
  tally.per_tier[0] = tally.total;
  return tally;
}

// The whole-design count, the per-tier areas and every move of every block
// to every tier, against the recount.
void ExpectTheRecount(const TestDesign& d, tagDualSeq& seq, int tiers) {
  const Tally expected = Recount(d, seq.tier, tiers);
  int per_tier[kMaxTiers];
  std::fill(std::begin(per_tier), std::end(per_tier), 99);
  EXPECT_EQ(CountInterLayerVias(d.design->nets, &seq, tiers, per_tier), expected.total);
  EXPECT_EQ(CountInterLayerVias(d.design->nets, &seq, tiers), expected.total);
  EXPECT_EQ(std::vector<int>(per_tier, per_tier + tiers), expected.per_tier);
  double area[kMaxTiers];
  EXPECT_EQ(CountNetBlockAreaForEachLayer(d.design, &seq, tiers, area), 0);
  for (int k = 0; k < tiers; ++k) EXPECT_DOUBLE_EQ(area[k], expected.area[k]) << k;

  for (int b = 1; b <= d.n(); ++b) {
    const int own = seq.tier[b];
    for (int to = 0; to < tiers; ++to) {
      int sv[kMaxTiers];
      std::fill(std::begin(sv), std::end(sv), 7);
      std::fill(std::begin(area), std::end(area), 7.0);
      EXPECT_EQ(ChangeForCellMove(d.blka[b], &seq, to, tiers, sv, area), 0);
      const int o_vias = CountInterLayerViasForCell(d.blka[b], &seq, own, tiers);
      const int n_vias = CountInterLayerViasForCell(d.blka[b], &seq, to, tiers);
      EXPECT_EQ(o_vias, Recount(d, seq.tier, tiers, b).total);
      seq.tier[b] = to;
      const Tally after = Recount(d, seq.tier, tiers);
      EXPECT_EQ(n_vias, Recount(d, seq.tier, tiers, b).total);
      seq.tier[b] = own;
      EXPECT_EQ(sv[0], after.total - expected.total) << "block " << b << " to " << to;
      EXPECT_EQ(sv[0], n_vias - o_vias);
      for (int k = 1; k < tiers; ++k)
        EXPECT_EQ(sv[k], after.per_tier[k] - expected.per_tier[k]) << "tier " << k;
      for (int k = 0; k < tiers; ++k)
        EXPECT_DOUBLE_EQ(area[k], after.area[k] - expected.area[k]) << "tier " << k;
    }
  }
}

// Random designs on 2 to 9 tiers, then small ones with what random ones
// lack: empty and one-pin nets, a block without nets, a net with two pins on
// one block, a block in the middle of its net's span, and terminals (on tier 0).
TEST(ViaAccountingTest, DesignsMatchTheRecount) {
  for (unsigned seed = 1; seed <= 10; ++seed) {
    SCOPED_TRACE(seed);
    const int tiers = 2 + static_cast<int>(seed % 8);
    auto d = TestDesign::Random(25, 5, 50, seed);
    tagDualSeq seq;
    DualSeqInit(&seq, 25, 0);
    std::mt19937 rng(seed);
    for (int i = 1; i <= 25; ++i) seq.tier[i] = static_cast<int>(rng() % tiers);
    ExpectTheRecount(*d, seq, tiers);
  }
  const struct {
    int blocks, terminals, tiers;
    std::vector<std::vector<int>> nets;
    std::vector<int> tier;
    int vias;
  } cases[] = {
      {6, 0, 4, {{1, 2}, {1, 3, 4}, {4, 5, 6}}, {0, 0, 2, 1, 3, 2}, 4},
      {1, 1, 3, {{1, -1}}, {2}, 2},
      {2, 0, 2, {{}, {1}}, {1, 0}, 0},
      {3, 0, 2, {{1, 2}}, {0, 1, 0}, 1},
      {2, 0, 3, {{1, 1, 2}, {2, 1}}, {2, 0}, 4},
  };
  for (const auto& c : cases) {
    TestDesign d;
    for (int i = 0; i < c.blocks; ++i) d.AddBlock(10 + i, 5 + 2 * i);
    for (int k = 0; k < c.terminals; ++k) d.AddTerminal(0, 0.1 * k);
    for (const auto& net : c.nets) d.AddNet(net);
    d.Finish();
    tagDualSeq seq;
    DualSeqInit(&seq, c.blocks, 0);
    std::copy(c.tier.begin(), c.tier.end(), seq.tier.begin() + 1);
    EXPECT_EQ(CountInterLayerVias(d.design->nets, &seq, c.tiers), c.vias);
    ExpectTheRecount(d, seq, c.tiers);
  }
  // No net list at all.
  tagDualSeq seq;
  DualSeqInit(&seq, 1, 0);
  int per_tier[kMaxTiers] = {5, 5};
  EXPECT_EQ(CountInterLayerVias(nullptr, &seq, 2, per_tier), 0);
  EXPECT_EQ(per_tier[0] + per_tier[1], 0);
}

}  // namespace
