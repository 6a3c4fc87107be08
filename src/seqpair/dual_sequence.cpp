// The dual sequence: allocation, the random initial sequences, numbering of
// positions, and the level lists shared by every packing.
#include <algorithm>
#include <cstring>
#include <new>

#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"

int DualSeqInit(tagDualSeq* seq, int n, int with_tree) {
  if (!seq) return 0;
  n = std::max(n, 0);
  seq->count = n;
  try {
    for (std::vector<int>* v : {&seq->next_a, &seq->next_b, &seq->prev_a, &seq->prev_b, &seq->pos_a,
                                &seq->pos_b, &seq->rpos_a, &seq->rpos_b, &seq->tier})
      v->assign(n + 2, 0);
  } catch (const std::bad_alloc&) {
    DclError("Failed to calloc memeory for sequences!");
    return 0;
  }
  seq->tree.reset();
  if (with_tree) {
    try {
      seq->tree = std::make_unique<tagBinTree>();
    } catch (const std::bad_alloc&) {
      DclError("Failed to allocate memory(Binary tree)!");
      return 0;
    }
    if (!BinTreeInit(seq->tree.get(), n)) return 0;
  }
  return 1;
}

int NumberSequence(const int* next, int* pos, int* rpos, int n) {
  int met = 0;
  // Stop one block past n so that a list without an end cannot run forever.
  for (int b = next[0]; b != 0 && met <= n; b = next[b]) {
    ++met;
    pos[b] = met;
    rpos[b] = n + 1 - met;
  }
  pos[0] = rpos[0] = n + 1;
  return met;
}

void LinkSequence(const std::vector<int>& order, std::vector<int>* next) {
  int last = 0;
  for (int b : order) last = (*next)[last] = b;
  (*next)[last] = 0;
}

void RebuildPositions(tagDualSeq* seq) {
  const int n = seq->count;
  for (int k = 0; k <= n; ++k) {
    seq->prev_a[seq->next_a[k]] = k;
    seq->prev_b[seq->next_b[k]] = k;
  }
  NumberSequence(seq->next_a.data(), seq->pos_a.data(), seq->rpos_a.data(), n);
  NumberSequence(seq->next_b.data(), seq->pos_b.data(), seq->rpos_b.data(), n);
}

void SetLevelMates(int n) {
  // Levels 0 and kMaxBlocks are each other's mates; the block levels come
  // last so that a full design keeps its own mate for level kMaxBlocks.
  nmate[0] = kMaxBlocks;
  nmate[kMaxBlocks] = 0;
  for (int k = 1; k <= std::min(n, kMaxBlocks); ++k) nmate[k] = n + 1 - k;
}

int Generate_SP(tagDualSeq* seq) {
  const int n = seq->count;
  int* next_a = seq->next_a.data();
  int* next_b = seq->next_b.data();
  for (int k = 0; k <= n; ++k) next_a[k] = next_b[k] = (k < n) ? k + 1 : 0;
  SetLevelMates(n);

  // Exchange the successors of two random list entries; index 0 takes part,
  // so a sequence may also rotate. Even steps change A, odd steps B.
  for (int step = n / 2 - 1; step >= 0; --step) {
    const int i = genrand_int31() % (n + 1);
    const int j = genrand_int31() % (n + 1);
    if (i == j) continue;
    int* next = (step % 2 == 0) ? next_a : next_b;
    const int x = next[i];
    const int y = next[j];
    next[i] = y;
    next[j] = x;
    std::swap(next[x], next[y]);
  }
  RebuildPositions(seq);
  return 0;
}

void ClearLevelLists(tagLevelList* levels) {
  std::memset(levels, 0, sizeof(*levels));
  for (tagStaircase* s : {&levels->b, &levels->t, &levels->r, &levels->l}) {
    s->dist[0] = 0.0;
    s->dist[kEndLevel] = kInfinity;
  }
}
