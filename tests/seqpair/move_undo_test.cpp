#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <random>
#include <vector>

#include "sequence_fixture.h"

namespace {

using seqpair_testing::Floorplan;
using seqpair_testing::RandomPermutation;
using seqpair_testing::Walk;

// Everything a move may touch in the dual sequence.
std::vector<std::vector<int>> Arrays(const tagDualSeq& s) {
  return {s.next_a, s.next_b, s.prev_a, s.prev_b, s.pos_a, s.pos_b, s.rpos_a, s.rpos_b, s.tier};
}

void ExpectConsistent(const tagDualSeq& s) {
  const int n = s.count;
  for (const auto* lists : {&s.next_a, &s.next_b}) {
    const bool is_a = lists == &s.next_a;
    const std::vector<int> order = Walk(*lists, n);
    ASSERT_EQ(static_cast<int>(order.size()), n);
    std::vector<bool> seen(n + 1, false);
    const std::vector<int>& prev = is_a ? s.prev_a : s.prev_b;
    const std::vector<int>& pos = is_a ? s.pos_a : s.pos_b;
    const std::vector<int>& rpos = is_a ? s.rpos_a : s.rpos_b;
    int before = 0;
    for (int k = 0; k < n; ++k) {
      const int b = order[k];
      ASSERT_FALSE(seen[b]) << "block " << b << " twice";
      seen[b] = true;
      EXPECT_EQ(pos[b], k + 1);
      EXPECT_EQ(pos[b] + rpos[b], n + 1);
      EXPECT_EQ(prev[b], before);
      before = b;
    }
    EXPECT_EQ(prev[0], before);
  }
}

struct MoveTest : ::testing::Test {
  tagSTACKS stacks{};
};

TEST_F(MoveTest, RemoveThenUndoRestoresEverything) {
  std::mt19937 rng(2);
  for (int n : {1, 2, 5, 40}) {
    Floorplan fp(n, 2);
    for (int b = 1; b <= n; ++b) fp.seq.tier[b] = b % 2;
    fp.SetOrder(RandomPermutation(rng, n), RandomPermutation(rng, n));
    const auto before = Arrays(fp.seq);
    // Every block, including the first and last of A.
    for (int b = 1; b <= n; ++b) {
      RemoveCell(b, &fp.seq, &stacks);
      const std::vector<int> a = Walk(fp.seq.next_a, n), bb = Walk(fp.seq.next_b, n);
      ASSERT_EQ(static_cast<int>(a.size()), n - 1);
      ASSERT_EQ(static_cast<int>(bb.size()), n - 1);
      for (int c : a) ASSERT_NE(c, b);
      for (int c : bb) ASSERT_NE(c, b);
      EXPECT_EQ(fp.seq.pos_a, before[4]);  // positions keep their gaps
      fp.seq.tier[b] = 7;
      UndoRemove(b, &fp.seq, &stacks);
      ASSERT_EQ(Arrays(fp.seq), before) << "block " << b;
    }
  }
}

TEST_F(MoveTest, InsertAfterTheNamedPositions) {
  std::mt19937 rng(9);
  for (int n : {1, 2, 3, 12, 100}) {
    for (int trial = 0; trial < 20; ++trial) {
      Floorplan fp(n);
      fp.SetOrder(RandomPermutation(rng, n), RandomPermutation(rng, n));
      const int b = std::uniform_int_distribution<int>(1, n)(rng);
      RemoveCell(b, &fp.seq, &stacks);
      const std::vector<int> a = Walk(fp.seq.next_a, n), bb = Walk(fp.seq.next_b, n);
      // Named by the old (gapped) positions, 0 = at the front.
      const size_t ka = std::uniform_int_distribution<size_t>(0, a.size())(rng);
      const size_t kb = std::uniform_int_distribution<size_t>(0, bb.size())(rng);
      const int apos = ka ? fp.seq.pos_a[a[ka - 1]] : 0;
      const int bpos = kb ? fp.seq.pos_b[bb[kb - 1]] : 0;
      InsertCell(b, apos, bpos, 0, 0, fp.blka.data(), &fp.seq, &stacks);
      ReLabel(&fp.seq);
      ExpectConsistent(fp.seq);
      std::vector<int> want_a = a, want_b = bb;
      want_a.insert(want_a.begin() + ka, b);
      want_b.insert(want_b.begin() + kb, b);
      ASSERT_EQ(Walk(fp.seq.next_a, n), want_a);
      ASSERT_EQ(Walk(fp.seq.next_b, n), want_b);
    }
  }
}

TEST_F(MoveTest, FrontAndEndOfTheSequences) {
  Floorplan fp(4, 2);
  fp.SetOrder({1, 2, 3, 4}, {4, 3, 2, 1});
  RemoveCell(3, &fp.seq, &stacks);
  InsertCell(3, 0, 4, 0, 1, fp.blka.data(), &fp.seq, &stacks);
  EXPECT_EQ(Walk(fp.seq.next_a, 4), (std::vector<int>{3, 1, 2, 4}));
  EXPECT_EQ(Walk(fp.seq.next_b, 4), (std::vector<int>{4, 2, 1, 3}));
  EXPECT_EQ(fp.seq.tier[3], 1);
  EXPECT_EQ(fp.seq.prev_a[0], 4);
  EXPECT_EQ(fp.seq.prev_b[0], 3);
  ExpectConsistent(fp.seq);
}

TEST_F(MoveTest, OrientationDecidesSizeAndBounds) {
  Floorplan fp(2);
  fp.SetOrder({1, 2}, {1, 2});
  fp.SetSize(1, 8, 3);
  tagBLOCK& blk = fp.blocks[1];
  blk.region_x_lo = 1;
  blk.region_y_lo = 2;
  blk.region_x_hi = 30;
  blk.region_y_hi = 40;
  ndpos1_x_min[1] = 5;
  ndpos1_y_min[1] = 6;
  ndpos1_x_max[1] = 50;
  ndpos1_y_max[1] = 60;
  blk.orient = 4;

  RemoveCell(1, &fp.seq, &stacks);
  InsertCell(1, 0, 0, 3, 0, fp.blka.data(), &fp.seq, &stacks);  // turned
  EXPECT_EQ(stacks.orient[0], 4);
  EXPECT_EQ(stacks.width[0], 8.0);
  EXPECT_EQ(stacks.height[0], 3.0);
  EXPECT_EQ(blk.orient, 3);
  EXPECT_EQ(blk.width, 3.0);
  EXPECT_EQ(blk.height, 8.0);
  EXPECT_EQ(blk.fixed_x_lo, 5.0);
  EXPECT_EQ(blk.fixed_y_hi, 60.0);

  RemoveCell(1, &fp.seq, &stacks);
  InsertCell(1, 0, 0, 6, 0, fp.blka.data(), &fp.seq, &stacks);  // upright again
  EXPECT_EQ(blk.width, 8.0);
  EXPECT_EQ(blk.height, 3.0);
  EXPECT_EQ(blk.fixed_x_lo, 1.0);
  EXPECT_EQ(blk.fixed_y_lo, 2.0);
  EXPECT_EQ(blk.fixed_x_hi, 30.0);
  EXPECT_EQ(blk.fixed_y_hi, 40.0);

  // A block with a given orientation keeps size, bounds and orientation.
  blk.kind = 2;
  blk.fixed_x_lo = 11;
  RemoveCell(1, &fp.seq, &stacks);
  InsertCell(1, 2, 2, 1, 0, fp.blka.data(), &fp.seq, &stacks);
  EXPECT_EQ(blk.orient, 6);
  EXPECT_EQ(blk.width, 8.0);
  EXPECT_EQ(blk.height, 3.0);
  EXPECT_EQ(blk.fixed_x_lo, 11.0);
  EXPECT_EQ(Walk(fp.seq.next_a, 2), (std::vector<int>{2, 1}));
}

// The fatal checks print on stdout; the death-test child sends it to stderr
// so that the message can be matched.
void StdoutToStderr() {
  std::fflush(stdout);
  dup2(fileno(stderr), fileno(stdout));
}

TEST_F(MoveTest, InconsistentSequencesAreFatal) {
  Floorplan fp(3);
  fp.SetOrder({1, 2, 3}, {1, 2, 3});
  RemoveCell(2, &fp.seq, &stacks);
  RemoveCell(3, &fp.seq, &stacks);  // block 3 never comes back: A is short
  EXPECT_EXIT(
      {
        StdoutToStderr();
        InsertCell(2, 1, 1, 0, 0, fp.blka.data(), &fp.seq, &stacks);
      },
      ::testing::ExitedWithCode(1), "^Confilict in index A\n$");

  Floorplan loop(3);
  loop.SetOrder({1, 2, 3}, {1, 2, 3});
  loop.seq.next_b[3] = 1;  // B never ends
  RemoveCell(2, &loop.seq, &stacks);
  EXPECT_EXIT(
      {
        StdoutToStderr();
        InsertCell(2, 1, 1, 0, 0, loop.blka.data(), &loop.seq, &stacks);
      },
      ::testing::ExitedWithCode(1), "^Conflict in index B\n$");
}

TEST_F(MoveTest, ReLabelChecksBothSequences) {
  Floorplan fp(3);
  fp.SetOrder({2, 1, 3}, {3, 2, 1});
  fp.seq.pos_a[1] = 9;
  ReLabel(&fp.seq);
  ExpectConsistent(fp.seq);

  Floorplan short_a(3);
  short_a.SetOrder({1, 2, 3}, {1, 2, 3});
  short_a.seq.next_a[1] = 3;  // block 2 dropped from A
  EXPECT_EXIT(
      {
        StdoutToStderr();
        ReLabel(&short_a.seq);
      },
      ::testing::ExitedWithCode(1),
      "^   1   1   3   0\n   2   2   3   1\n   3   2   0   2\nConflict in Relabel na2\n$");

  Floorplan long_a(3);
  long_a.SetOrder({1, 2, 3}, {1, 2, 3});
  long_a.seq.next_a[3] = 1;
  EXPECT_EXIT(
      {
        StdoutToStderr();
        ReLabel(&long_a.seq);
      },
      ::testing::ExitedWithCode(1), "^Conflict in Relabel na1\n$");

  Floorplan short_b(3);
  short_b.SetOrder({1, 2, 3}, {1, 2, 3});
  short_b.seq.next_b[2] = 0;
  EXPECT_EXIT(
      {
        StdoutToStderr();
        ReLabel(&short_b.seq);
      },
      ::testing::ExitedWithCode(1), "^Conflict in Relabel nb2\n$");

  Floorplan long_b(3);
  long_b.SetOrder({1, 2, 3}, {1, 2, 3});
  long_b.seq.next_b[2] = 1;
  EXPECT_EXIT(
      {
        StdoutToStderr();
        ReLabel(&long_b.seq);
      },
      ::testing::ExitedWithCode(1), "^Conflict in Relabel nb1\n$");
}

}  // namespace
