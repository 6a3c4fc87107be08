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

// Insertion is checked through the insertion search tests, which insert at
// every estimated point and compare full packings with the estimates.
TEST(MoveTest, RemoveThenUndoRestoresEverything) {
  tagSTACKS stacks{};
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

}  // namespace
