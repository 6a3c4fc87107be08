// Tiers and blocks: the partitioner's split of the multi-tier start, a new
// split for another annealing round, the relations of preplaced blocks and
// the partition file. Grouping and pin places show in whole runs
// (tests/e2e/golden_run_test.cpp).
#include "tiers/tiers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "design_builder.h"
#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/sequence_fixture.h"
#include "seqpair/tier_state.h"
#include "test_support.h"

using namespace testing_support;

namespace {

using seqpair_testing::Walk;

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

// Fixed blocks dropped at random on a coarse grid, where they often share
// edges and corners, and one movable block: a set that overlaps is refused,
// and any other gets required orders without a cycle and, where the start
// pushes one, shelves or the fixed blocks first, packing every fixed block
// onto its corner.
TEST(SettlePreplacedBlocks, KeepsAnyLegalSetOfFixedBlocksOnTheirCorners) {
  int shelved = 0, first = 0;  // sets the start pushed, settled either way
  for (unsigned seed = 1; seed <= 300; ++seed) {
    std::mt19937 rng(seed);
    auto steps = [&rng](int count) { return 10.0 * static_cast<int>(rng() % count); };
    std::vector<tagBLOCK> boxes;
    bool overlap = false;
    for (int tries = 0; tries <= int(seed % 24); ++tries) {
      tagBLOCK b{};
      b.x = steps(6), b.y = steps(6), b.width = steps(3) + 10, b.height = steps(3) + 10;
      const bool hits = std::any_of(boxes.begin(), boxes.end(),
                                    [&](const tagBLOCK& o) { return seqpair_testing::Overlap(b, o); });
      if (hits && seed % 10) continue;  // every tenth set may overlap
      boxes.push_back(b);
      overlap = overlap || hits;
    }
    TestDesign d;
    for (const tagBLOCK& b : boxes) d.AddBlock(b.width, b.height, 3);
    d.AddNet({1, d.AddBlock(10, 10)});
    d.Finish();
    for (size_t i = 0; i < boxes.size(); ++i) {
      d.blka[i + 1]->region_x_lo = d.blka[i + 1]->region_x_hi = boxes[i].x;
      d.blka[i + 1]->region_y_lo = d.blka[i + 1]->region_y_hi = boxes[i].y;
    }
    CaptureStdout out;
    TestEngine e(d, 1);
    SettlePreplacedBlocks(d.blka.data(), d.neta.data(), d.pada.data(), &e.seq, e.levels.get(), d.norm,
                          &d.params);
    const std::string text = out.Finish();
    ASSERT_EQ(text.find("Predefined coordinates unreasonable!") != std::string::npos, overlap)
        << "seed " << seed;
    if (overlap) continue;
    EXPECT_EQ(text.find("Failed"), std::string::npos) << "seed " << seed;
    shelved += Count(text, "laid in shelves around them");
    first += Count(text, "moved ahead of the movable blocks");
    for (size_t i = 0; i < boxes.size(); ++i)
      ASSERT_EQ(std::pair(d.blka[i + 1]->x, d.blka[i + 1]->y), std::pair(boxes[i].x, boxes[i].y))
          << "seed " << seed << " block " << i + 1;
  }
  // Most pushed sets settle in shelves; those whose places chain along x go
  // ahead of the movable block.
  EXPECT_EQ(std::pair(shelved, first), std::pair(40, 18));
}

// Blocks 1, 2, 3 fixed in a vertical stack (1 at the bottom), 4 and 5
// movable, on one tier: the search may put a fixed block back only between
// the fixed blocks that must precede and follow it in A.
TEST(PsLUBound, KeepsAFixedBlockBetweenThoseBelowAndAboveIt) {
  TestDesign d;
  for (int i = 0; i < 5; ++i) d.AddBlock(10, 10, i < 3 ? 3 : 0);
  d.Finish();
  for (int i = 1; i <= 3; ++i) {
    d.blka[i]->width = d.blka[i]->height = 10;
    d.blka[i]->fixed_y_lo = 20.0 * (i - 1);
  }
  tagDualSeq s;
  DualSeqInit(&s, 5, 0);
  seqpair_testing::SetOrder(&s, {4, 1, 2, 5, 3}, {3, 4, 1, 5, 2});
  ResetTierState();
  ASSERT_EQ(FindModifySeqsOfFixed(d.blka.data(), &s, &mt_fixed), 3);
  int lo = -1, hi = -1;
  EXPECT_EQ(PsLUBound(&s, d.blka.data(), 4, &lo, &hi), 0);
  EXPECT_EQ(PsLUBound(&s, d.blka.data(), 2, &lo, &hi), 1);
  EXPECT_EQ(std::pair(lo, hi), std::pair(s.pos_a[1] + 1, s.pos_a[3] - 1));
  EXPECT_EQ(PsLUBound(&s, d.blka.data(), 3, &lo, &hi), 1);
  EXPECT_EQ(lo, std::max(s.pos_a[1], s.pos_a[2]) + 1);
}

// Five movable cells and two terminals as the DEF reader leaves them: the
// partition file gives the cells, or the cells and the terminals, and the
// largest group number sets the count. Its refusals run through the binary
// (tests/e2e/bad_input_test.cpp).
TEST(ReadPartition, AcceptsCellsOrCellsAndTerminals) {
  for (const char* text :
       {"7 vertices follow\n0 a\n0\n2\n2\n2 trailing words\n5\n5\n", "5\n0\n0\n2\n2\n2\n"}) {
    TestDesign d;
    tagBLOCKCLASS* cell = d.AddClass(2, 1, 0);
    for (int i = 0; i < 5; ++i) d.AddBlock(cell, 0);
    d.AddTerminal(0, 0);
    d.AddTerminal(0, 0);
    d.AddNet({1, 2, -1});
    d.AddNet({3, 4, 5, -2});
    d.Link(ListOrder::kNewestFirst);
    ScratchDir dir;
    WriteFile(dir.file("design.part"), text);
    CaptureStdout capture;
    ReadPartition(d.design, dir.file("design.part").c_str(), &d.pads, &d.cell_nets, GroupingOptions{});
    EXPECT_EQ(capture.Finish(), "Number of Fixed Pads:0\n");
    // Each group block with its cell count, then each block-level net's pins.
    std::string made;
    for (const tagBLOCK* blk : ListOf(d.design->children))
      made += std::string(blk->name) + ":" + std::to_string(blk->block_count) + " ";
    for (const tagNET* net : ListOf(d.design->nets)) {
      made += "|";
      for (const tagPINLIST* node = net->pins; node; node = node->next) {
        const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
        made += " " + (pin->id ? "T" + std::to_string(pin->id) : std::string(pin->owner->name));
      }
    }
    EXPECT_EQ(made, "sub-block-1:3 sub-block-2:2 | sub-block-2 T1| sub-block-1 T2") << text;
  }
}

}  // namespace
