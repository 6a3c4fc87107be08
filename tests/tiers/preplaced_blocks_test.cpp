// Preplaced blocks: pair relations from given positions, the exchange of two
// blocks in one sequence, and the reordering of fixed blocks.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "design_builder.h"
#include "seqpair/engine_state.h"
#include "seqpair/sequence_fixture.h"
#include "seqpair/tier_state.h"
#include "test_support.h"
#include "tiers/tiers.h"

using namespace testing_support;

namespace {

using namespace seqpair_testing;

// The relation of two fixed blocks a (fixed index 1) and b (fixed index 0)
// from their lower-left corners and sizes: the classification, and a's
// entry for b and b's for a (1: before in A, 2: before in B).
TEST(SeqFixedBlockPair, DerivesTheRelationFromThePositions) {
  const struct {
    const char* name;
    double a[4], b[4];
    int kind, a_to_b, b_to_a;
  } cases[] = {
      {"side by side, touching", {0, 0, 10, 10}, {10, 0, 10, 10}, 6, 1, 2},
      {"b above, sharing an x range", {0, 0, 10, 10}, {5, 20, 10, 10}, 3, 3, 0},
      {"b below", {0, 20, 10, 10}, {5, 0, 10, 10}, 7, 0, 3},
      {"b up right", {0, 0, 10, 10}, {20, 20, 5, 5}, 1, 1, 0},
      {"b down right", {0, 20, 10, 10}, {20, 0, 5, 5}, 5, 0, 2},
      {"b up left", {20, 0, 10, 10}, {0, 20, 5, 5}, 2, 2, 0},
      {"b down left", {20, 20, 10, 10}, {0, 0, 5, 5}, 4, 0, 1},
      {"overlapping: refused", {0, 0, 10, 10}, {5, 5, 10, 10}, -1, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    tagBLOCK a{}, b{};
    a.kind = 3 + 4 * 1;
    b.kind = 3;
    a.fixed_x_lo = c.a[0], a.fixed_y_lo = c.a[1], a.width = c.a[2], a.height = c.a[3];
    b.fixed_x_lo = c.b[0], b.fixed_y_lo = c.b[1], b.width = c.b[2], b.height = c.b[3];
    std::vector<std::vector<int>> R{{0, 0}, {0, 0}};
    CaptureStdout out;
    EXPECT_EQ(SeqFixedBlockPair(&a, &b, R), c.kind);
    EXPECT_EQ(out.Finish(), c.kind < 0 ? "Predefined coordinates unreasonable!\n" : "");
    EXPECT_EQ(R[1][0], c.a_to_b);
    EXPECT_EQ(R[0][1], c.b_to_a);
  }
}

// Blocks 1, 2, 3 fixed in a vertical stack (1 at the bottom), 4 and 5
// movable: the fixed blocks' places in the sequences are permuted into the
// order their corners require, tier by tier, and nothing else moves.
TEST(FindModifySeqsOfFixed, PermutesOnlyThePlacesOfFixedBlocks) {
  const struct {
    std::vector<int> a, b, tier, want_a, want_b;
  } cases[] = {
      // B holds the fixed blocks as 3, 1, 2 with movable blocks between them.
      {{4, 1, 2, 5, 3}, {3, 4, 1, 5, 2}, {0, 0, 0, 0, 0}, {4, 1, 2, 5, 3}, {1, 4, 2, 5, 3}},
      // Tier 0 holds 1, 3 and 4, tier 1 holds 2 and 5; each tier is one run.
      // Only 1 and 3 share a tier: they change places, block 2 keeps its own,
      // and both runs stay whole.
      {{4, 3, 1, 5, 2}, {3, 4, 1, 2, 5}, {0, 1, 0, 0, 1}, {4, 1, 3, 5, 2}, {1, 4, 3, 2, 5}},
  };
  for (const auto& c : cases) {
    TestDesign d;
    for (int i = 0; i < 5; ++i) d.AddBlock(10, 10, i < 3 ? 3 : 0);
    d.Finish();
    for (int i = 1; i <= 3; ++i) {
      d.blka[i]->width = d.blka[i]->height = 10;
      d.blka[i]->fixed_x_lo = 0;
      d.blka[i]->fixed_y_lo = 20.0 * (i - 1);
    }
    tagDualSeq s;
    DualSeqInit(&s, 5, 0);
    SetOrder(&s, c.a, c.b);
    for (int i = 1; i <= 5; ++i) s.tier[i] = c.tier[i - 1];
    ResetTierState();
    ASSERT_EQ(FindModifySeqsOfFixed(d.blka.data(), &s, &mt_fixed), 3);
    EXPECT_EQ(fixed_num, 3);
    EXPECT_EQ(Walk(s.next_a, 5), c.want_a);
    EXPECT_EQ(Walk(s.next_b, 5), c.want_b);
    ExpectConsistent(s);
    EXPECT_EQ(d.blka[2]->kind, 7);  // fixed index 1
    // A second call, as after a new tier split, numbers the same blocks alike.
    EXPECT_EQ(FindModifySeqsOfFixed(d.blka.data(), &s, &mt_fixed), 3);
    EXPECT_EQ(d.blka[2]->kind, 7);
    EXPECT_EQ(d.blka[3]->kind, 11);
    if (c.tier[1] == 0) {
      // The window of fixed block 2: after block 1 and before block 3 in A.
      int lo = -1, hi = -1;
      EXPECT_EQ(PsLUBound(&s, d.blka.data(), 2, &lo, &hi), 1);
      EXPECT_EQ(lo, s.pos_a[1] + 1);
      EXPECT_EQ(hi, s.pos_a[3] - 1);
      EXPECT_EQ(PsLUBound(&s, d.blka.data(), 4, &lo, &hi), 0);
      // Block 3 goes after both blocks below it, which stand side by side in A.
      EXPECT_EQ(PsLUBound(&s, d.blka.data(), 3, &lo, &hi), 1);
      EXPECT_EQ(lo, std::max(s.pos_a[1], s.pos_a[2]) + 1);
    }
  }
}

// Three movable blocks 1..3 and two fixed ones 4 and 5 (10 x 10 each) with
// the corners (0, 0) and (30, 0), in the sequences given; the fixed blocks'
// order is then made to fit their corners.
struct FixedPair {
  explicit FixedPair(const std::vector<int>& a, const std::vector<int>& b) {
    for (int i = 0; i < 5; ++i) d->AddBlock(10, 10, i < 3 ? 0 : 3);
    d->Finish();
    for (int k : {4, 5}) {
      d->blka[k]->region_x_lo = d->blka[k]->region_x_hi = k == 4 ? 0 : 30;
      d->blka[k]->region_y_lo = d->blka[k]->region_y_hi = 0;
    }
    e = std::make_unique<TestEngine>(*d, 1);
    SetOrder(&e->seq, a, b);
    fixed = FindModifySeqsOfFixed(d->blka.data(), &e->seq, &mt_fixed);
  }
  // PutFixedBlocksFirst, with what it printed.
  std::pair<int, std::string> Put() {
    CaptureStdout out;
    const int put = PutFixedBlocksFirst(d->blka.data(), d->neta.data(), d->pada.data(), &e->seq,
                                        e->levels.get(), d->norm, &d->params);
    return {put, out.Finish()};
  }
  std::vector<double> FixedCorners() const {
    return {d->blka[4]->x, d->blka[4]->y, d->blka[5]->x, d->blka[5]->y};
  }
  std::unique_ptr<TestDesign> d = std::make_unique<TestDesign>();
  std::unique_ptr<TestEngine> e;
  int fixed;
};

// The movable blocks packed first push the fixed ones: all in one column
// up (B is reordered to put 5 right of 4), or in one row sideways only,
// which counts as much as an upward push.
TEST(PutFixedBlocksFirst, MovesPushedFixedBlocksAheadOfTheMovableOnes) {
  for (const auto& [b, want_b] :
       {std::pair<std::vector<int>, std::vector<int>>{{1, 2, 3, 4, 5}, {5, 4, 1, 2, 3}},
        {{5, 4, 3, 2, 1}, {5, 4, 3, 2, 1}}}) {
    FixedPair f({1, 2, 3, 4, 5}, b);
    ASSERT_EQ(f.fixed, 2);
    EXPECT_EQ(f.Put(),
              std::pair(1, std::string("Preplaced blocks pushed off their places: moved ahead of the "
                                       "movable blocks.\n")));
    EXPECT_EQ(Walk(f.e->seq.next_a, 5), (std::vector<int>{4, 5, 1, 2, 3}));
    EXPECT_EQ(Walk(f.e->seq.next_b, 5), want_b);
    ExpectConsistent(f.e->seq);
    // Left evaluated: the fixed blocks stand on their corners, the gap is gone.
    EXPECT_EQ(f.FixedCorners(), std::vector<double>({0, 0, 30, 0}));
    EXPECT_EQ(ngap_h + ngap_v, 0);
    // A start that pushes nothing stays as it is.
    EXPECT_EQ(f.Put(), std::pair(0, std::string()));
    EXPECT_EQ(Walk(f.e->seq.next_a, 5), (std::vector<int>{4, 5, 1, 2, 3}));
  }
}

}  // namespace
