// The multi-tier start: the hypergraph of a design, the spreading of blocks
// over tiers, the tier-by-tier dual sequence, and the outline and bounds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <tuple>
#include <string>
#include <vector>

#include "design_builder.h"
#include "seqpair/sequence_fixture.h"
#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "test_support.h"
#include "tiers/tier_state.h"
#include "tiers/tiers.h"

using testing_support::CaptureStdout;
using testing_support::TestDesign;
using testing_support::TestEngine;

namespace {

using seqpair_testing::Walk;

std::vector<int> Hyperedge(const tagHYPERGRAPH* hg, int e) {
  std::vector<int> pins(hg->eind + hg->eptr[e], hg->eind + hg->eptr[e + 1]);
  std::sort(pins.begin(), pins.end());
  return pins;
}

// Blocks of areas 5000, 0.4, a fixed one, 322.35 and 400, two terminals, and
// nets: terminals only, one block with a terminal, three blocks of weight
// 2.7, two blocks with a terminal. Vertex weights are the areas truncated and
// capped; a fixed block weighs 1.
TEST(CreateHyperGraphTest, OneHyperedgePerNetWithABlockPin) {
  TestDesign d;
  for (auto [w, h, kind] : {std::tuple{100.0, 50.0, 0}, {0.8, 0.5, 0}, {40.0, 30.0, 3}, {10.5, 30.7, 0},
                            {20.0, 20.0, 0}})
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
  ASSERT_EQ(hg->nhedges, 3);
  EXPECT_EQ(std::vector<int>(hg->eptr, hg->eptr + 4), (std::vector<int>{0, 1, 4, 6}));
  EXPECT_EQ(Hyperedge(hg, 0), (std::vector<int>{1}));
  EXPECT_EQ(Hyperedge(hg, 1), (std::vector<int>{0, 2, 3}));
  EXPECT_EQ(Hyperedge(hg, 2), (std::vector<int>{3, 4}));
  EXPECT_EQ(std::vector<int>(hg->hewgts, hg->hewgts + 3), (std::vector<int>{1, 2, 1}));
  FreeHyperGraph(hg);
}

// Without nets there is no hypergraph, and every block stays on tier 0.
TEST(CreateHyperGraphTest, ADesignWithoutNetsHasNoHypergraph) {
  TestDesign d;
  for (int i = 0; i < 4; ++i) d.AddBlock(10, 10);
  d.Finish();
  for (int i = 1; i <= 4; ++i) d.blka[i]->tier = 2;
  CaptureStdout capture;
  EXPECT_EQ(CreateHyperGraph(d.design), nullptr);
  FreeHyperGraph(nullptr);
  PartitionIntoTiers(d.design, 3, false);
  EXPECT_EQ(capture.Finish(), "No net information,no partition!\nNo net information,no partition!\n");
  for (int i = 1; i <= 4; ++i) EXPECT_EQ(d.blka[i]->tier, 0) << i;
}

TEST(PartitionIntoTiersTest, RandomTiersAreOneDrawPerVertexInOrder) {
  auto d = TestDesign::Random(20, 3, 30, 4u);
  ResetRandomGenerators();
  PartitionIntoTiers(d->design, 3, true);
  ResetRandomGenerators();
  std::set<int> used;
  for (int i = 1; i <= 20; ++i) {
    EXPECT_EQ(d->blka[i]->tier, static_cast<int>(genrand_int32() % 3)) << i;
    used.insert(d->blka[i]->tier);
  }
  EXPECT_EQ(used.size(), 3u);
}

TEST(PartitionIntoTiersTest, ThePartitionerSplitsTwoClustersOverTwoTiers) {
  TestDesign d;
  for (int i = 0; i < 8; ++i) d.AddBlock(10, 10);
  for (int base : {1, 5}) {
    for (int i = 0; i < 4; ++i)
      for (int j = i + 1; j < 4; ++j) d.AddNet({base + i, base + j});
    d.AddNet({base, base + 1, base + 2, base + 3});
  }
  d.AddNet({4, 5});
  d.Finish();
  PartitionIntoTiers(d.design, 2, false);
  for (int i = 2; i <= 4; ++i) EXPECT_EQ(d.blka[i]->tier, d.blka[1]->tier) << i;
  for (int i = 6; i <= 8; ++i) EXPECT_EQ(d.blka[i]->tier, d.blka[5]->tier) << i;
  EXPECT_NE(d.blka[1]->tier, d.blka[5]->tier);
}

// The initial sequences: every block once in each, both identical, tiers in
// ascending order and the block-list order within a tier, positions numbered.
TEST(InitDataForMultiTiersTest, BlocksFormOneStackTierByTier) {
  struct Case {
    int n, tiers, init_rand;
    unsigned seed;
  };
  for (Case c : {Case{7, 3, 0, 21u}, Case{7, 3, 1, 21u}, Case{40, 2, 0, 8u}}) {
    SCOPED_TRACE(testing::Message() << c.n << " blocks, " << c.tiers << " tiers, init_rand " << c.init_rand);
    auto d = TestDesign::Random(c.n, c.n / 3, 2 * c.n, c.seed);
    d->params.init_rand = c.init_rand;
    CaptureStdout quiet;
    TestEngine e(*d, c.tiers);
    quiet.Finish();
    seqpair_testing::ExpectConsistent(e.seq);
    const std::vector<int> a = Walk(e.seq.next_a, c.n);
    EXPECT_EQ(a, Walk(e.seq.next_b, c.n));
    std::set<int> used;
    for (int k = 0; k < c.n; ++k) {
      const int blk = a[k];
      EXPECT_EQ(e.seq.tier[blk], d->blka[blk]->tier);
      EXPECT_TRUE(e.seq.tier[blk] >= 0 && e.seq.tier[blk] < c.tiers);
      used.insert(e.seq.tier[blk]);
      if (k > 0) {
        const int before = a[k - 1];
        EXPECT_TRUE(e.seq.tier[before] < e.seq.tier[blk] ||
                    (e.seq.tier[before] == e.seq.tier[blk] && before < blk))
            << before << " then " << blk;
      }
    }
    if (c.n == 40) {
      EXPECT_EQ(used, (std::set<int>{0, 1}));  // the partition uses both
    }
    EXPECT_EQ(e.seq.tier[0], 0);
    EXPECT_EQ(d->design->tier, 0);
    EXPECT_EQ(nmate[0], kMaxBlocks);
    EXPECT_EQ(nmate[kMaxBlocks], 0);
    for (int k = 1; k <= c.n; ++k) EXPECT_EQ(nmate[k], c.n + 1 - k);
  }
}

// Three blocks (10 x 20, 30 x 10, 5 x 8) with one net, reported in units of
// one tenth: areas print at 100 times, lengths at 10 times. Sizes come from
// the classes made positive; unlike the single-tier start, the regions are
// not widened to the outline.
TEST(InitDataForMultiTiersTest, ReportsAreasTheSharedOutlineSizesAndBounds) {
  TestDesign d;
  d.AddBlock(10, 20);
  d.AddBlock(30, 10);
  d.AddBlock(5, 8, 3);
  d.AddNet({1, 2, 3});
  d.Finish();
  d.norm->unscale = 10.0;
  d.norm->unscale_sq = 100.0;
  d.params.aspect_ratio = 2.0;
  d.params.init_rand = 1;
  d.blka[2]->blkclass->width = -30;
  d.blka[1]->region_x_hi = 50;
  d.blka[1]->region_y_hi = 40;
  d.blka[3]->region_x_lo = 7;
  d.blka[3]->region_y_lo = 3;
  d.blka[3]->region_x_hi = d.blka[3]->region_y_hi = 100;
  int degree = 0;
  for (int i = 1; i <= 3; ++i) degree += d.blka[i]->degree;
  CaptureStdout capture;
  TestEngine e(d, 2);
  // Core 1.2 x 540 = 648 shared by two tiers at aspect ratio 2.
  EXPECT_EQ(capture.Finish(),
            "Total  Cell Area =          54000\n"
            "Active Core Area =          64800\n"
            "Fixed-outline: 254.558441 X  127.279221\n");
  EXPECT_DOUBLE_EQ(shape_h, std::sqrt(648.0));
  EXPECT_DOUBLE_EQ(shape_v, std::sqrt(162.0));
  EXPECT_DOUBLE_EQ(d.design->width, shape_h);
  EXPECT_DOUBLE_EQ(d.design->height, shape_v);
  EXPECT_DOUBLE_EQ(optsize_h, kInfinity);
  EXPECT_DOUBLE_EQ(optsize_v, kInfinity);

  EXPECT_DOUBLE_EQ(d.blka[2]->blkclass->width, 30);
  EXPECT_DOUBLE_EQ(d.blka[2]->width, 30);
  EXPECT_DOUBLE_EQ(ndsiz1_x[2], 30);
  EXPECT_DOUBLE_EQ(ndsiz1_y[1], 20);
  EXPECT_DOUBLE_EQ(d.params.placed_area, 540);
  EXPECT_DOUBLE_EQ(zarea_all, 540);
  EXPECT_DOUBLE_EQ(d.design->area, 540);
  EXPECT_EQ(d.design->degree, degree);

  EXPECT_DOUBLE_EQ(d.blka[1]->region_x_hi, 40);
  EXPECT_DOUBLE_EQ(d.blka[1]->fixed_y_hi, 20);
  EXPECT_DOUBLE_EQ(ndpos1_x_max[1], 40);
  // Only a bounded block keeps a distance from the top right edges; the
  // packing from the bottom left ignores a movable block's upper bounds too.
  EXPECT_DOUBLE_EQ(ndpos_x_lft[1], 0);
  EXPECT_DOUBLE_EQ(ndpos_y_top[1], 0);
  // The fixed block may not move.
  EXPECT_DOUBLE_EQ(d.blka[3]->fixed_x_hi, 7);
  EXPECT_DOUBLE_EQ(d.blka[3]->fixed_y_hi, 3);
  EXPECT_DOUBLE_EQ(ndpos_x_lft[3], shape_h - 7 - d.blka[3]->width);
  EXPECT_DOUBLE_EQ(ndpos_y_top[3], shape_v - 3 - d.blka[3]->height);
}

// Another annealing round starts from a new random split: stacked tier by
// tier, counted, and with the preplaced blocks at their given corners again.
// A new split keeps the preplaced blocks in their required order; it may
// start from a floorplan that pushes them, as the best one keeps them.
TEST(SpreadOverTiersAgainTest, NewSplitStartsWholeWithPreplacedBlocksInOrder) {
  const double inside[3][2] = {{0, 0}, {50, 0}, {20, 45}};
  auto d = TestDesign::WithPreplacedBlocks(inside);
  CaptureStdout quiet;
  TestEngine e(*d, 2);
  quiet.Finish();
  const std::vector<int> first(e.seq.tier.begin(), e.seq.tier.end());
  bool changed = false;
  for (unsigned seed = 1; seed <= 5; ++seed) {
    init_genrand(seed);
    CaptureStdout out;
    SpreadOverTiersAgain(d->blka.data(), d->neta.data(), d->pada.data(), &e.seq, e.levels.get(),
                         d->norm, &d->params);
    out.Finish();
    for (const std::vector<int>* next : {&e.seq.next_a, &e.seq.next_b}) {
      const std::vector<int> order = Walk(*next, d->n());
      EXPECT_EQ(std::set<int>(order.begin(), order.end()).size(), static_cast<size_t>(d->n()));
      EXPECT_TRUE(std::is_sorted(order.begin(), order.end(),
                                 [&](int a, int b) { return e.seq.tier[a] < e.seq.tier[b]; }));
    }
    changed = changed || !std::equal(first.begin(), first.end(), e.seq.tier.begin());
    int per_tier[kMaxTiers] = {0};
    EXPECT_EQ(inter_layer_vias, CountInterLayerVias(d->design->nets, &e.seq, 2, per_tier));
    EXPECT_TRUE(std::equal(per_tier, per_tier + 2, la_sv_num));
    ASSERT_EQ(fixed_num, 3);
    for (int i = 0; i < fixed_num; ++i)
      for (int j = 0; j < fixed_num; ++j) {
        const int a = ppblka[i]->id, b = ppblka[j]->id;
        if (e.seq.tier[a] != e.seq.tier[b]) continue;
        if (mt_fixed[i][j] & 1) EXPECT_LT(e.seq.pos_a[a], e.seq.pos_a[b]) << "seed " << seed;
        if (mt_fixed[i][j] & 2) EXPECT_LT(e.seq.pos_b[a], e.seq.pos_b[b]) << "seed " << seed;
      }
  }
  EXPECT_TRUE(changed);
}

}  // namespace
