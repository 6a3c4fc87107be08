// The level tree's operations as inline functions, so that the packing loops
// can use them without a call per level. Inner node k of the tree holds bit 1
// when its left subtree holds a level and bit 2 when its right one does; the
// presence of level L is the bit of leaf leaves + L in its parent. The
// presence bits and their summary mirror the nodes and answer predecessor
// queries.
#pragma once
#include <cstdint>

#include "driver/utilities.h"
#include "seqpair/seqpair.h"

namespace level_tree {

// Bit of node v in its parent: 1 for a left child (even), 2 for a right one.
inline int Side(int v) { return (v & 1) + 1; }

inline uint64_t Bit(int i) { return uint64_t{1} << (i & 63); }

// Bits of `word` below position `i` (0..63).
inline uint64_t Below(uint64_t word, int i) { return word & (Bit(i) - 1); }

inline int Highest(uint64_t word) { return 63 - __builtin_clzll(word); }

inline bool Holds(const tagBinTree* tree, int level) {
  const int v = tree->leaves + level;
  return v > 1 && (tree->node[v >> 1] & Side(v));
}

// The largest level below `level`, 0 when there is none. Whether the level
// has a predecessor in its own word is hard to predict, so both answers are
// computed and one is selected; only a search across summary groups (more
// than 4096 levels) or below level 0 takes the loop.
inline int Predecessor(const tagBinTree* tree, int level) {
  const uint64_t* present = tree->present.data();
  const uint64_t* summary = tree->summary.data();
  const int word = level >> 6;
  const uint64_t here = Below(present[word], level);
  int group = word >> 6;
  uint64_t words = Below(summary[group], word);
  if (!(here | words)) {
    do {
      if (--group < 0) return 0;
      words = summary[group];
    } while (!words);
  }
  const int in_word = (word << 6) + Highest(here | 1);
  const int lower_word = (group << 6) + Highest(words | 1);
  const int in_lower = (lower_word << 6) + Highest(present[lower_word] | 1);
  return here ? in_word : in_lower;
}

// Inserts a level known to be absent.
inline void Add(tagBinTree* tree, int level) {
  int* node = tree->node.data();
  for (int v = tree->leaves + level; v > 1; v >>= 1) {
    const int parent_was = node[v >> 1];
    node[v >> 1] = parent_was | Side(v);
    // A node that already held a level has its ancestors marked.
    if (parent_was != 0) break;
  }
  const int word = level >> 6;
  tree->present[word] |= Bit(level);
  tree->summary[word >> 6] |= Bit(word);
}

// Removes a level known to be present; returns the number of nodes whose
// count went negative on the way (non-zero only for a corrupt tree).
inline int Remove(tagBinTree* tree, int level) {
  int* node = tree->node.data();
  int conflicts = 0;
  for (int v = tree->leaves + level; v > 1; v >>= 1) {
    const int now = node[v >> 1] - Side(v);
    node[v >> 1] = now;
    conflicts += now < 0;
    // Only a node that became empty is cleared from its parent too.
    if (now != 0) break;
  }
  const int word = level >> 6;
  tree->present[word] &= ~Bit(level);
  if (!tree->present[word]) tree->summary[word >> 6] &= ~Bit(word);
  return conflicts;
}

// Removes a level when present, reporting a corrupt tree; true when removed.
inline bool RemoveIfPresent(tagBinTree* tree, int level) {
  if (!Holds(tree, level)) return false;
  for (int k = Remove(tree, level); k > 0; --k) DclError("Conflict in T_child");
  return true;
}

// Inserts a level unless present and returns its predecessor.
inline int AddFindPrevious(tagBinTree* tree, int level) {
  if (!Holds(tree, level)) Add(tree, level);
  return Predecessor(tree, level);
}

}  // namespace level_tree
