// The level tree: a complete binary tree over the levels [0, leaves) whose
// inner nodes record which of their two subtrees holds a level.
#include <algorithm>
#include <new>

#include "driver/utilities.h"
#include "seqpair/level_tree_ops.h"
#include "seqpair/seqpair.h"

namespace {

inline bool InRange(int level, const tagBinTree* tree) { return level >= 0 && level < tree->leaves; }

}  // namespace

int BinTreeInit(tagBinTree* tree, int n) {
  if (!tree) {
    DclError("Null Pointers(Binary tree)!");
    return 0;
  }
  int leaves = 1;
  while (leaves <= n) leaves *= 2;
  const size_t words = (leaves + 63) / 64;
  try {
    tree->node.assign(2 * leaves + 1, 0);
    tree->present.assign(words, 0);
    tree->summary.assign((words + 63) / 64, 0);
  } catch (const std::bad_alloc&) {
    DclError("Failed to calloc memeory for sequences!");
    return 0;
  }
  tree->leaves = leaves;
  return 1;
}

void Tr_Init(tagBinTree* tree) {
  if (!tree) {
    DclError("Null Pointer when intializing tree!");
    return;
  }
  const int last = std::min(tree->leaves + 1, static_cast<int>(tree->node.size()) - 1);
  std::fill(tree->node.begin(), tree->node.begin() + last + 1, 0);
  std::fill(tree->present.begin(), tree->present.end(), 0);
  std::fill(tree->summary.begin(), tree->summary.end(), 0);
  // Level 0, the origin, is always present: mark the leftmost path.
  for (int v = tree->leaves; v > 1; v >>= 1) tree->node[v >> 1] = 1;
  if (tree->leaves > 1) {
    tree->present[0] = 1;
    tree->summary[0] = 1;
  }
}

int Tr_AddLvl(int level, tagBinTree* tree) {
  if (!InRange(level, tree) || tree->leaves + level < 2 || level_tree::Holds(tree, level)) return 0;
  level_tree::Add(tree, level);
  return level;
}

int Tr_Add_FindPrevLvl(int level, tagBinTree* tree) {
  if (!InRange(level, tree) || tree->leaves + level < 2) return 0;
  return level_tree::AddFindPrevious(tree, level);
}

int Tr_FindPrevLvl(int level, tagBinTree* tree) {
  if (!InRange(level, tree)) return 0;
  return level_tree::Predecessor(tree, level);
}

int Tr_Exist(int level, tagBinTree* tree) {
  if (!InRange(level, tree)) return 0;
  return level_tree::Holds(tree, level) ? level : 0;
}

int Tr_RemLvl(int level, tagBinTree* tree) {
  return InRange(level, tree) && level_tree::RemoveIfPresent(tree, level) ? level : 0;
}
