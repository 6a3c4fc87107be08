#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <set>

#include "seqpair/seqpair.h"

namespace {

tagBinTree MakeTree(int n) {
  tagBinTree tree;
  EXPECT_EQ(BinTreeInit(&tree, n), 1);
  Tr_Init(&tree);
  return tree;
}

// Random operation sequences against std::set, for sizes that are and are
// not powers of two, up to trees whose levels fill several words of the
// presence summary. Level 0 stays in the set, as in every packing.
TEST(LevelTree, MatchesAnOrderedSet) {
  std::mt19937 rng(7);
  tagBinTree none;
  BinTreeInit(&none, -3);
  EXPECT_EQ(none.leaves, 1);
  for (int n : {1, 2, 3, 4, 5, 7, 8, 9, 31, 63, 64, 100, 1000, 3300, 4096, 9000}) {
    tagBinTree tree = MakeTree(n);
    // Leaves: the smallest power of two above n.
    ASSERT_TRUE(tree.leaves > n && tree.leaves / 2 <= n && (tree.leaves & (tree.leaves - 1)) == 0) << n;
    ASSERT_EQ(tree.node.size(), static_cast<size_t>(2 * tree.leaves + 1));
    std::set<int> ref{0};
    std::uniform_int_distribution<int> level(1, tree.leaves - 1), op(0, 4);
    for (int step = 0; step < 20 * tree.leaves + 200; ++step) {
      const int L = level(rng);
      const auto below = std::prev(ref.lower_bound(L));
      switch (op(rng)) {
        case 0:
          ASSERT_EQ(Tr_AddLvl(L, &tree), ref.insert(L).second ? L : 0) << n;
          break;
        case 1:
          ASSERT_EQ(Tr_RemLvl(L, &tree), ref.erase(L) ? L : 0) << n;
          break;
        case 2:
          ASSERT_EQ(Tr_Exist(L, &tree), ref.count(L) ? L : 0) << n;
          break;
        case 3:
          ASSERT_EQ(Tr_FindPrevLvl(L, &tree), *below) << n << " level " << L;
          break;
        default:
          ASSERT_EQ(Tr_Add_FindPrevLvl(L, &tree), *below) << n << " level " << L;
          ref.insert(L);
          break;
      }
    }
    // Full scan: membership and predecessor of every level, then again
    // after emptying the tree.
    for (bool emptied : {false, true}) {
      if (emptied) Tr_Init(&tree), ref = {0};
      for (int L = 1; L < tree.leaves; ++L) {
        ASSERT_EQ(Tr_Exist(L, &tree), ref.count(L) ? L : 0) << emptied;
        ASSERT_EQ(Tr_FindPrevLvl(L, &tree), *std::prev(ref.lower_bound(L))) << emptied;
      }
    }
  }
}

}  // namespace
