// The level tree: a complete binary tree over the levels [0, leaves) whose
// inner nodes record which of their two subtrees holds a level. The presence
// of level L is the bit of leaf leaves + L in its parent.
#include <algorithm>
#include <new>

#include "driver/utilities.h"
#include "seqpair/seqpair.h"

namespace {

// Bit of node v in its parent: 1 for a left child (even), 2 for a right one.
inline int Side(int v) { return (v & 1) ? 2 : 1; }

inline bool InRange(int level, const tagBinTree* tree) {
  return level >= 0 && level < tree->leaves;
}

// The largest level below inner node (or leaf) k: keep to the right.
inline int Rightmost(const tagBinTree* tree, int k) {
  while (k < tree->leaves) k = 2 * k + (tree->node[k] >> 1);
  return k - tree->leaves;
}

// Climbs from the leaf of `level` to the root and returns the lowest node
// reached from its right child whose left subtree holds a level (0 when
// there is none); with `mark`, also enters the level on the way. The climb
// always goes up to the root so that the loop length is fixed and the only
// data-dependent choice is a conditional move, which keeps the packing free
// of mispredicted branches. Marking above the node found changes nothing:
// its ancestors already lead towards it.
inline int ClimbMarking(tagBinTree* tree, int level, bool mark) {
  int* node = tree->node.data();
  const int height = __builtin_ctz(static_cast<unsigned>(tree->leaves));
  int v = tree->leaves + level;
  int found = 0;
  for (int h = 0; h < height; ++h) {
    const int from_right = v & 1;
    v >>= 1;
    if (mark) node[v] |= from_right + 1;
    const bool hit = found == 0 && (from_right & node[v]);
    found = hit ? v : found;
  }
  return found;
}

inline int PredecessorFrom(const tagBinTree* tree, int found) {
  return found ? Rightmost(tree, 2 * found) : 0;
}

}  // namespace

int BinTreeInit(tagBinTree* tree, int n) {
  if (!tree) {
    DclError("Null Pointers(Binary tree)!");
    return 0;
  }
  int leaves = 1;
  while (leaves <= n) leaves *= 2;
  try {
    tree->node.assign(2 * leaves + 1, 0);
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
  // Level 0, the origin, is always present: mark the leftmost path.
  for (int v = tree->leaves; v > 1; v >>= 1) tree->node[v >> 1] = 1;
}

int Tr_AddLvl(int level, tagBinTree* tree) {
  if (!InRange(level, tree)) return 0;
  int v = tree->leaves + level;
  if (v < 2 || (tree->node[v >> 1] & Side(v))) return 0;
  while (v > 1) {
    const int side = Side(v);
    v >>= 1;
    const bool was_empty = tree->node[v] == 0;
    tree->node[v] |= side;
    // A node that already held a level has its ancestors marked.
    if (!was_empty) break;
  }
  return level;
}

int Tr_Add_FindPrevLvl(int level, tagBinTree* tree) {
  if (!InRange(level, tree)) return 0;
  return PredecessorFrom(tree, ClimbMarking(tree, level, true));
}

int Tr_FindPrevLvl(int level, tagBinTree* tree) {
  if (!InRange(level, tree)) return 0;
  return PredecessorFrom(tree, ClimbMarking(tree, level, false));
}

int Tr_Exist(int level, tagBinTree* tree) {
  if (!InRange(level, tree)) return 0;
  const int v = tree->leaves + level;
  if (v < 2) return 0;
  return (tree->node[v >> 1] & Side(v)) ? level : 0;
}

int Tr_RemLvl(int level, tagBinTree* tree) {
  if (!InRange(level, tree)) return 0;
  int v = tree->leaves + level;
  if (v < 2 || !(tree->node[v >> 1] & Side(v))) return 0;
  while (v > 1) {
    const int side = Side(v);
    v >>= 1;
    tree->node[v] -= side;
    if (tree->node[v] < 0) DclError("Conflict in T_child");
    // Only a node that became empty is cleared from its parent too.
    if (tree->node[v] != 0) break;
  }
  return level;
}
