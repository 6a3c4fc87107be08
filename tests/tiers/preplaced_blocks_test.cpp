// Preplaced blocks: pair relations from given positions, the exchange of two
// blocks in one sequence, and the reordering of fixed blocks.
#include <gtest/gtest.h>

#include <random>

#include "design_builder.h"
#include "seqpair/engine_state.h"
#include "test_support.h"
#include "tiers/tier_state.h"
#include "tiers/tiers.h"

using testing_support::CaptureStdout;
using testing_support::TestDesign;
using testing_support::TestEngine;

namespace {

// Two fixed blocks with the given lower-left corners and sizes.
struct Pair {
  tagBLOCK a{}, b{};
  std::vector<std::vector<int>> R{{0, 0}, {0, 0}};
  Pair(double ax, double ay, double aw, double ah, double bx, double by, double bw, double bh) {
    a.kind = 3 + 4 * 1;  // fixed index 1
    b.kind = 3;          // fixed index 0
    a.fixed_x_lo = ax, a.fixed_y_lo = ay, a.width = aw, a.height = ah;
    b.fixed_x_lo = bx, b.fixed_y_lo = by, b.width = bw, b.height = bh;
  }
  int Classify() { return SeqFixedBlockPair(&a, &b, R); }
};

TEST(SeqFixedBlockPair, DerivesTheRelationFromThePositions) {
  {  // touching side by side: horizontal in both sequences
    Pair p(0, 0, 10, 10, 10, 0, 10, 10);
    EXPECT_EQ(p.Classify(), 6);
    EXPECT_EQ(p.R[1][0], 1);  // a before b in A
    EXPECT_EQ(p.R[0][1], 2);  // b before a in B
  }
  {  // sharing an x range, b above: vertical in both
    Pair p(0, 0, 10, 10, 5, 20, 10, 10);
    EXPECT_EQ(p.Classify(), 3);
    EXPECT_EQ(p.R[1][0], 3);
    EXPECT_EQ(p.R[0][1], 0);
  }
  {  // b below
    Pair p(0, 20, 10, 10, 5, 0, 10, 10);
    EXPECT_EQ(p.Classify(), 7);
    EXPECT_EQ(p.R[0][1], 3);
  }
  {  // diagonal: one sequence only
    Pair up_right(0, 0, 10, 10, 20, 20, 5, 5);
    EXPECT_EQ(up_right.Classify(), 1);
    EXPECT_EQ(up_right.R[1][0], 1);
    Pair down_right(0, 20, 10, 10, 20, 0, 5, 5);
    EXPECT_EQ(down_right.Classify(), 5);
    EXPECT_EQ(down_right.R[0][1], 2);
    Pair up_left(20, 0, 10, 10, 0, 20, 5, 5);
    EXPECT_EQ(up_left.Classify(), 2);
    EXPECT_EQ(up_left.R[1][0], 2);
    Pair down_left(20, 20, 10, 10, 0, 0, 5, 5);
    EXPECT_EQ(down_left.Classify(), 4);
    EXPECT_EQ(down_left.R[0][1], 1);
  }
  {  // overlapping: refused
    testing_support::CaptureStdout out;
    Pair p(0, 0, 10, 10, 5, 5, 10, 10);
    EXPECT_EQ(p.Classify(), -1);
    EXPECT_EQ(out.Finish(), "Predefined coordinates unreasonable!\n");
    EXPECT_EQ(p.R[0][1] + p.R[1][0], 0);
  }
}

// Walks a sequence and checks that links and positions agree.
void ExpectConsistent(const tagDualSeq& s, int which) {
  const std::vector<int>& next = which == 0 ? s.next_a : s.next_b;
  const std::vector<int>& prev = which == 0 ? s.prev_a : s.prev_b;
  const std::vector<int>& pos = which == 0 ? s.pos_a : s.pos_b;
  const std::vector<int>& rpos = which == 0 ? s.rpos_a : s.rpos_b;
  int count = 0, last = 0;
  for (int b = next[0]; b != 0; last = b, b = next[b]) {
    ++count;
    ASSERT_LE(count, s.count);
    EXPECT_EQ(prev[b], last);
    EXPECT_EQ(pos[b], count);
    EXPECT_EQ(rpos[b], s.count + 1 - count);
  }
  EXPECT_EQ(count, s.count);
  EXPECT_EQ(prev[0], last);
}

void MakeSequence(tagDualSeq* s, const std::vector<int>& a, const std::vector<int>& b) {
  DualSeqInit(s, static_cast<int>(a.size()), 0);
  int pa = 0, pb = 0;
  for (int x : a) s->next_a[pa] = x, pa = x;
  for (int x : b) s->next_b[pb] = x, pb = x;
  s->next_a[pa] = s->next_b[pb] = 0;
  RebuildPositions(s);
}

TEST(SwapBlocks, KeepsLinksAndPositionsConsistent) {
  std::mt19937 rng(5);
  for (int round = 0; round < 200; ++round) {
    int n = 2 + round % 9;
    std::vector<int> order(n);
    for (int i = 0; i < n; ++i) order[i] = i + 1;
    std::shuffle(order.begin(), order.end(), rng);
    tagDualSeq s;
    MakeSequence(&s, order, order);
    int i = 1 + rng() % n, j = 1 + rng() % n, which = rng() % 2;
    int pos_i = (which ? s.pos_b : s.pos_a)[i], pos_j = (which ? s.pos_b : s.pos_a)[j];
    SwapBlocks(&s, i, j, which);
    ExpectConsistent(s, which);
    EXPECT_EQ((which ? s.pos_b : s.pos_a)[i], pos_j);
    EXPECT_EQ((which ? s.pos_b : s.pos_a)[j], pos_i);
    ExpectConsistent(s, 1 - which);  // the other sequence is untouched
  }
}

// Blocks 1, 2, 3 fixed in a vertical stack (1 at the bottom); 4 and 5 movable.
std::unique_ptr<TestDesign> StackOfThree() {
  auto d = std::make_unique<TestDesign>();
  for (int i = 0; i < 3; ++i) d->AddBlock(10, 10, 3);
  d->AddBlock(10, 10);
  d->AddBlock(10, 10);
  d->Finish();
  for (int i = 1; i <= 3; ++i) {
    d->blka[i]->width = d->blka[i]->height = 10;
    d->blka[i]->fixed_x_lo = 0;
    d->blka[i]->fixed_y_lo = 20.0 * (i - 1);
  }
  return d;
}

TEST(FindModifySeqsOfFixed, PermutesOnlyThePlacesOfFixedBlocks) {
  auto d = StackOfThree();
  tagDualSeq s;
  // B holds the fixed blocks as 3, 1, 2 with movable blocks between them.
  MakeSequence(&s, {4, 1, 2, 5, 3}, {3, 4, 1, 5, 2});
  ResetTierState();
  int count = FindModifySeqsOfFixed(d->blka.data(), &s, &mt_fixed);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(fixed_num, 3);
  EXPECT_EQ(d->blka[2]->kind, 7);  // fixed index 1
  std::vector<int> b_order;
  for (int b = s.next_b[0]; b != 0; b = s.next_b[b]) b_order.push_back(b);
  EXPECT_EQ(b_order, (std::vector<int>{1, 4, 2, 5, 3}));
  std::vector<int> a_order;
  for (int b = s.next_a[0]; b != 0; b = s.next_a[b]) a_order.push_back(b);
  EXPECT_EQ(a_order, (std::vector<int>{4, 1, 2, 5, 3}));
  ExpectConsistent(s, 0);
  ExpectConsistent(s, 1);
  // A second call, as after a new tier split, numbers the same blocks alike.
  EXPECT_EQ(FindModifySeqsOfFixed(d->blka.data(), &s, &mt_fixed), 3);
  EXPECT_EQ(d->blka[2]->kind, 7);
  EXPECT_EQ(d->blka[3]->kind, 11);

  // The window of fixed block 2: after block 1 and before block 3 in A.
  int lo = -1, hi = -1;
  EXPECT_EQ(PsLUBound(&s, d->blka.data(), 2, &lo, &hi), 1);
  EXPECT_EQ(lo, s.pos_a[1] + 1);
  EXPECT_EQ(hi, s.pos_a[3] - 1);
  EXPECT_EQ(PsLUBound(&s, d->blka.data(), 4, &lo, &hi), 0);
}

TEST(FindModifySeqsOfFixed, WithoutOrWithOneFixedBlockChangesNothing) {
  for (int fixed : {0, 1}) {
    TestDesign d;
    d.AddBlock(10, 10, fixed ? 3 : 0);
    d.AddBlock(10, 10);
    d.AddBlock(10, 10);
    d.Finish();
    tagDualSeq s;
    MakeSequence(&s, {3, 1, 2}, {2, 3, 1});
    ResetTierState();
    EXPECT_EQ(FindModifySeqsOfFixed(d.blka.data(), &s, &mt_fixed), fixed);
    EXPECT_EQ(mt_fixed.size(), static_cast<size_t>(fixed));
    if (fixed) {
      EXPECT_EQ(mt_fixed[0][0], 0);
    }
    EXPECT_EQ(s.next_a[0], 3);
    EXPECT_EQ(s.next_b[0], 2);
    int lo = -1, hi = -1;
    EXPECT_EQ(PsLUBound(&s, d.blka.data(), 1, &lo, &hi), fixed);
    if (fixed) {
      EXPECT_EQ(hi, 3);
    }
  }
}

std::vector<int> Order(const std::vector<int>& next) {
  std::vector<int> order;
  for (int b = next[0]; b != 0; b = next[b]) order.push_back(b);
  return order;
}

TEST(FindModifySeqsOfFixed, ReordersEachTierAmongItsOwnPlaces) {
  auto d = StackOfThree();  // 1 below 2 below 3, all fixed
  tagDualSeq s;
  // Tier 0 holds 1, 3 and 4, tier 1 holds 2 and 5; each tier is one run.
  MakeSequence(&s, {4, 3, 1, 5, 2}, {3, 4, 1, 2, 5});
  for (int b : {1, 3, 4}) s.tier[b] = 0;
  for (int b : {2, 5}) s.tier[b] = 1;
  ResetTierState();
  ASSERT_EQ(FindModifySeqsOfFixed(d->blka.data(), &s, &mt_fixed), 3);
  // Only 1 and 3 share a tier: they change places, block 2 keeps its own,
  // and both runs stay whole.
  EXPECT_EQ(Order(s.next_a), (std::vector<int>{4, 1, 3, 5, 2}));
  EXPECT_EQ(Order(s.next_b), (std::vector<int>{1, 4, 3, 2, 5}));
  ExpectConsistent(s, 0);
  ExpectConsistent(s, 1);
}

// Three movable blocks and two fixed ones side by side on the ground, all in
// one column: the movable blocks packed first push the fixed ones up.
std::unique_ptr<TestDesign> FixedPairUnderAColumn() {
  auto d = std::make_unique<TestDesign>();
  for (int i = 0; i < 3; ++i) d->AddBlock(10, 10);
  const int left = d->AddBlock(10, 10, 3), right = d->AddBlock(10, 10, 3);
  d->Finish();
  d->blka[left]->region_x_lo = d->blka[left]->region_x_hi = 0;
  d->blka[right]->region_x_lo = d->blka[right]->region_x_hi = 30;
  for (int b : {left, right}) d->blka[b]->region_y_lo = d->blka[b]->region_y_hi = 0;
  return d;
}

TEST(PutFixedBlocksFirst, MovesPushedFixedBlocksAheadOfTheMovableOnes) {
  auto d = FixedPairUnderAColumn();
  TestEngine e(*d, 1);
  auto set = [&e](const std::vector<int>& a, const std::vector<int>& b) {
    int pa = 0, pb = 0;
    for (int x : a) e.seq.next_a[pa] = x, pa = x;
    for (int x : b) e.seq.next_b[pb] = x, pb = x;
    e.seq.next_a[pa] = e.seq.next_b[pb] = 0;
    RebuildPositions(&e.seq);
  };
  set({1, 2, 3, 4, 5}, {1, 2, 3, 4, 5});
  ASSERT_EQ(FindModifySeqsOfFixed(d->blka.data(), &e.seq, &mt_fixed), 2);
  EXPECT_EQ(Order(e.seq.next_b), (std::vector<int>{1, 2, 3, 5, 4}));  // 5 right of 4
  auto put = [&] {
    return PutFixedBlocksFirst(d->blka.data(), d->neta.data(), d->pada.data(), &e.seq,
                               e.levels.get(), d->norm, &d->params);
  };
  CaptureStdout out;
  EXPECT_EQ(put(), 1);
  EXPECT_EQ(out.Finish(), "Preplaced blocks pushed off their places: moved ahead of the movable blocks.\n");
  EXPECT_EQ(Order(e.seq.next_a), (std::vector<int>{4, 5, 1, 2, 3}));
  EXPECT_EQ(Order(e.seq.next_b), (std::vector<int>{5, 4, 1, 2, 3}));
  ExpectConsistent(e.seq, 0);
  ExpectConsistent(e.seq, 1);
  // Left evaluated: the fixed blocks stand on their corners, the gap is gone.
  EXPECT_EQ(d->blka[4]->x, 0);
  EXPECT_EQ(d->blka[4]->y, 0);
  EXPECT_EQ(d->blka[5]->x, 30);
  EXPECT_EQ(d->blka[5]->y, 0);
  EXPECT_EQ(ngap_h + ngap_v, 0);

  // A start that pushes nothing stays as it is.
  CaptureStdout quiet;
  EXPECT_EQ(put(), 0);
  EXPECT_EQ(quiet.Finish(), "");
  EXPECT_EQ(Order(e.seq.next_a), (std::vector<int>{4, 5, 1, 2, 3}));
}

}  // namespace
