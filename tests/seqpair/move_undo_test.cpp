#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "sequence_fixture.h"

namespace {

using namespace seqpair_testing;

// Everything a move may touch in the dual sequence.
std::vector<std::vector<int>> Arrays(const tagDualSeq& s) {
  return {s.next_a, s.next_b, s.prev_a, s.prev_b, s.pos_a, s.pos_b, s.rpos_a, s.rpos_b, s.tier};
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
      ASSERT_EQ(a.size() + bb.size(), 2u * (n - 1));
      ASSERT_EQ(std::count(a.begin(), a.end(), b) + std::count(bb.begin(), bb.end(), b), 0);
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
      Floorplan fp(n, 2);
      fp.SetOrder(RandomPermutation(rng, n), RandomPermutation(rng, n));
      const int tier = trial % 2;
      const int b = std::uniform_int_distribution<int>(1, n)(rng);
      RemoveCell(b, &fp.seq, &stacks);
      const std::vector<int> a = Walk(fp.seq.next_a, n), bb = Walk(fp.seq.next_b, n);
      // Named by the old (gapped) positions, 0 = at the front.
      const size_t ka = std::uniform_int_distribution<size_t>(0, a.size())(rng);
      const size_t kb = std::uniform_int_distribution<size_t>(0, bb.size())(rng);
      const int apos = ka ? fp.seq.pos_a[a[ka - 1]] : 0;
      const int bpos = kb ? fp.seq.pos_b[bb[kb - 1]] : 0;
      InsertCell(b, apos, bpos, 0, tier, fp.blka.data(), &fp.seq, &stacks);
      ExpectConsistent(fp.seq);
      EXPECT_EQ(fp.seq.tier[b], tier);
      std::vector<int> want_a = a, want_b = bb;
      want_a.insert(want_a.begin() + ka, b);
      want_b.insert(want_b.begin() + kb, b);
      ASSERT_EQ(Walk(fp.seq.next_a, n), want_a);
      ASSERT_EQ(Walk(fp.seq.next_b, n), want_b);
    }
  }
}

}  // namespace
