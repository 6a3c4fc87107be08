#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "driver/utilities.h"
#include "sequence_fixture.h"

namespace {

using seqpair_testing::ExpectConsistent;
using seqpair_testing::Walk;

// The random start: floor(n/2) steps of two draws each, no more and no
// fewer; consistent sequences, the same for the same seed and different for
// others; the mate table filled for any size.
TEST(GenerateSP, DrawsTwicePerStepAndLeavesConsistentSequences) {
  for (int n : {0, 1, 2, 3, 6, 11, 40, 3300}) {
    std::set<std::vector<int>> seen;
    const unsigned seeds = n > 40 ? 2u : 12u;
    for (unsigned seed = 1; seed <= seeds; ++seed) {
      init_genrand(seed);
      for (int k = 0; k < 2 * (n / 2); ++k) genrand_int31();
      const int32_t after = genrand_int31();
      init_genrand(seed);
      tagDualSeq seq;
      DualSeqInit(&seq, n, 0);
      Generate_SP(&seq);
      ASSERT_EQ(genrand_int31(), after) << n << " blocks, seed " << seed;
      ExpectConsistent(seq);
      std::vector<int> both = Walk(seq.next_a, n);
      for (int b : Walk(seq.next_b, n)) both.push_back(b);
      seen.insert(both);
      EXPECT_EQ(nmate[0], 3300);
      for (int k = 1; k <= n; ++k) ASSERT_EQ(nmate[k], n + 1 - k);
      EXPECT_EQ(nmate[3300], n == 3300 ? 1 : 0);
    }
    EXPECT_GT(seen.size(), n >= 6 ? seeds / 2 : 0u) << n << " blocks";
  }
}

}  // namespace
