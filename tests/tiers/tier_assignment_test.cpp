// The multi-tier start: the hypergraph of a design, the spreading of blocks
// over tiers, the tier-by-tier dual sequence, and the outline and bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

#include "design_builder.h"
#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/sequence_fixture.h"
#include "seqpair/tier_state.h"
#include "tiers/tiers.h"

using namespace testing_support;

namespace {

using seqpair_testing::Walk;

// Blocks of areas 5000, 0.4, a fixed one, 322.35 and 400, two terminals, and
// nets: terminals only, one block with a terminal, three blocks of weight
// 2.7, two blocks with a terminal. Vertex weights are the areas truncated and
// capped; a fixed block weighs 1.
TEST(CreateHyperGraphTest, OneHyperedgePerNetWithABlockPin) {
  TestDesign d;
  for (auto [w, h, kind] :
       {std::tuple{100.0, 50.0, 0}, {0.8, 0.5, 0}, {40.0, 30.0, 3}, {10.5, 30.7, 0}, {20.0, 20.0, 0}})
    d.AddBlock(w, h, kind);
  d.AddTerminal(0, 0.5);
  d.AddTerminal(1, 0.5);
  d.AddNet({-1, -2});
  d.AddNet({2, -1});
  d.AddNet({1, 3, 4}, 2.7);
  d.AddNet({4, 5, -2});
  d.Finish();
  tagHYPERGRAPH* hg = CreateHyperGraph(d.design);
  ASSERT_NE(hg, nullptr);
  EXPECT_EQ(hg->nvtxs, 5);
  EXPECT_EQ(std::vector<int>(hg->vwgts, hg->vwgts + 5), (std::vector<int>{1000, 1, 1, 322, 400}));
  // The terminal-only net is absent; the others keep the net-list order.
  std::vector<std::vector<int>> edges;
  for (int k = 0; k < hg->nhedges; ++k) {
    edges.emplace_back(hg->eind + hg->eptr[k], hg->eind + hg->eptr[k + 1]);
    std::sort(edges.back().begin(), edges.back().end());
  }
  EXPECT_EQ(edges, (std::vector<std::vector<int>>{{1}, {0, 2, 3}, {3, 4}}));
  EXPECT_EQ(std::vector<int>(hg->hewgts, hg->hewgts + 3), (std::vector<int>{1, 2, 1}));
  FreeHyperGraph(hg);
}

// Two clusters of four blocks joined by one net: the partitioner behind the
// multi-tier start (init_rand 0) puts each cluster on a tier of its own.
TEST(InitDataForMultiTiersTest, ThePartitionerSplitsTwoClustersOverTwoTiers) {
  TestDesign d;
  for (int i = 0; i < 8; ++i) d.AddBlock(10, 10);
  for (int base : {1, 5}) {
    for (int i = 0; i < 4; ++i)
      for (int j = i + 1; j < 4; ++j) d.AddNet({base + i, base + j});
    d.AddNet({base, base + 1, base + 2, base + 3});
  }
  d.AddNet({4, 5});
  d.Finish();
  d.params.init_rand = 0;
  TestEngine e(d, 2);
  for (int i = 2; i <= 4; ++i) EXPECT_EQ(e.seq.tier[i], e.seq.tier[1]) << i;
  for (int i = 6; i <= 8; ++i) EXPECT_EQ(e.seq.tier[i], e.seq.tier[5]) << i;
  EXPECT_NE(e.seq.tier[1], e.seq.tier[5]);
}

// The initial sequences: every block once in each, both identical, tiers in
// ascending order and the block-list order within a tier; the total block
// area is that of the sized blocks, which the area usage is reported against.
TEST(InitDataForMultiTiersTest, BlocksFormOneStackTierByTier) {
  for (auto [n, tiers, init_rand] : {std::tuple{7, 3, 0}, {7, 3, 1}, {40, 2, 0}}) {
    SCOPED_TRACE(testing::Message() << n << " blocks, " << tiers << " tiers, init_rand " << init_rand);
    auto d = TestDesign::Random(n, n / 3, 2 * n, n == 7 ? 21 : 8);
    d->params.init_rand = init_rand;
    TestEngine e(*d, tiers);
    seqpair_testing::ExpectConsistent(e.seq);
    const std::vector<int> a = Walk(e.seq.next_a, n);
    EXPECT_EQ(a, Walk(e.seq.next_b, n));
    double area = 0.0;
    for (int k = 0; k < n; ++k) {
      const int blk = a[k], before = k ? a[k - 1] : 0;
      EXPECT_EQ(e.seq.tier[blk], d->blka[blk]->tier);
      EXPECT_TRUE(e.seq.tier[blk] >= 0 && e.seq.tier[blk] < tiers);
      EXPECT_TRUE(!k || e.seq.tier[before] < e.seq.tier[blk] ||
                  (e.seq.tier[before] == e.seq.tier[blk] && before < blk))
          << before << " then " << blk;
      area += d->blka[blk]->width * d->blka[blk]->height;
    }
    EXPECT_EQ(std::vector<double>({zarea_all, d->design->area}), std::vector<double>({area, area}));
    for (int k = 1; k <= n; ++k) EXPECT_EQ(nmate[k], n + 1 - k);
  }
}

// Another annealing round starts from a new random split: stacked tier by
// tier, counted, and with the preplaced blocks in their required order; it
// may start from a floorplan that pushes them, as the best one keeps them.
TEST(SpreadOverTiersAgainTest, NewSplitStartsWholeWithPreplacedBlocksInOrder) {
  const double inside[3][2] = {{0, 0}, {50, 0}, {20, 45}};
  auto d = TestDesign::WithPreplacedBlocks(inside);
  TestEngine e(*d, 2);
  const std::vector<int> first(e.seq.tier.begin(), e.seq.tier.end());
  bool changed = false;
  for (unsigned seed = 1; seed <= 5; ++seed) {
    init_genrand(seed);
    SpreadOverTiersAgain(d->blka.data(), d->neta.data(), d->pada.data(), &e.seq, e.levels.get(), d->norm,
                         &d->params);
    seqpair_testing::ExpectConsistent(e.seq);
    for (const std::vector<int>* next : {&e.seq.next_a, &e.seq.next_b}) {
      const std::vector<int> order = Walk(*next, d->n());
      EXPECT_TRUE(std::is_sorted(order.begin(), order.end(),
                                 [&](int a, int b) { return e.seq.tier[a] < e.seq.tier[b]; }));
    }
    changed = changed || !std::equal(first.begin(), first.end(), e.seq.tier.begin());
    int per_tier[kMaxTiers] = {0};
    EXPECT_EQ(inter_layer_vias, CountInterLayerVias(d->design->nets, &e.seq, 2, per_tier));
    EXPECT_TRUE(std::equal(per_tier, per_tier + 2, la_sv_num));
    ASSERT_EQ(fixed_num, 3);
    seqpair_testing::ExpectPreplacedOrder(e.seq);
  }
  EXPECT_TRUE(changed);
}

}  // namespace
