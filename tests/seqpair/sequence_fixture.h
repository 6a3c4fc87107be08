// Small designs with explicit dual sequences for the engine tests: the block
// records, their classes, the sequences, level lists and trees, all owned
// here, with the engine and tier globals reset around them.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace seqpair_testing {

inline std::vector<int> RandomPermutation(std::mt19937& rng, int n) {
  std::vector<int> order(n);
  std::iota(order.begin(), order.end(), 1);
  std::shuffle(order.begin(), order.end(), rng);
  return order;
}

// Block numbers of a sequence from front to back, walking at most n + 1 steps.
inline std::vector<int> Walk(const std::vector<int>& next, int n) {
  std::vector<int> order;
  for (int b = next[0]; b != 0 && static_cast<int>(order.size()) <= n; b = next[b]) order.push_back(b);
  return order;
}

// Sequence A then sequence B, front to back.
inline std::vector<int> BothOrders(const tagDualSeq& s) {
  std::vector<int> both = Walk(s.next_a, s.count);
  for (int b : Walk(s.next_b, s.count)) both.push_back(b);
  return both;
}

// The two blocks share more than an edge (by more than `eps`).
inline bool Overlap(const tagBLOCK& p, const tagBLOCK& q, double eps = 0.0) {
  return p.x + eps < q.x + q.width && q.x + eps < p.x + p.width && p.y + eps < q.y + q.height &&
         q.y + eps < p.y + p.height;
}

// Every pair of preplaced blocks on one tier keeps the order in A and B
// that their corners require.
inline void ExpectPreplacedOrder(const tagDualSeq& s) {
  for (int i = 0; i < fixed_num; ++i)
    for (int j = 0; j < fixed_num; ++j) {
      const int a = ppblka[i]->id, b = ppblka[j]->id, r = mt_fixed[i][j];
      if (s.tier[a] != s.tier[b]) continue;  // blocks on other tiers do not touch
      EXPECT_TRUE(!(r & 1) || s.pos_a[a] < s.pos_a[b]) << i << " before " << j << " in A";
      EXPECT_TRUE(!(r & 2) || s.pos_b[a] < s.pos_b[b]) << i << " before " << j << " in B";
    }
}

// Links both sequences of `s` front to back and numbers them.
inline void SetOrder(tagDualSeq* s, const std::vector<int>& a, const std::vector<int>& b) {
  for (size_t k = 0; k < a.size(); ++k) {
    s->next_a[k ? a[k - 1] : 0] = a[k];
    s->next_b[k ? b[k - 1] : 0] = b[k];
  }
  s->next_a[a.empty() ? 0 : a.back()] = 0;
  s->next_b[b.empty() ? 0 : b.back()] = 0;
  RebuildPositions(s);
}

// Both sequences hold every block once, and their back links and positions
// agree with the forward links.
inline void ExpectConsistent(const tagDualSeq& s) {
  const int n = s.count;
  for (bool is_a : {true, false}) {
    const std::vector<int>& prev = is_a ? s.prev_a : s.prev_b;
    const std::vector<int>& pos = is_a ? s.pos_a : s.pos_b;
    const std::vector<int>& rpos = is_a ? s.rpos_a : s.rpos_b;
    const std::vector<int> order = Walk(is_a ? s.next_a : s.next_b, n);
    ASSERT_EQ(static_cast<int>(order.size()), n) << (is_a ? "A" : "B");
    std::vector<bool> seen(n + 1, false);
    for (int k = 0; k < n; ++k) {
      const int b = order[k];
      ASSERT_TRUE(b >= 1 && b <= n && !seen[b]) << "block " << b << (is_a ? " in A" : " in B");
      seen[b] = true;
      EXPECT_EQ(pos[b], k + 1);
      EXPECT_EQ(rpos[b], n - k);
      EXPECT_EQ(prev[b], k ? order[k - 1] : 0);
    }
    EXPECT_EQ(prev[0], n ? order.back() : 0);
    EXPECT_EQ(pos[0], n + 1);
    EXPECT_EQ(rpos[0], n + 1);
  }
}

struct Floorplan {
  explicit Floorplan(int count, int tiers = 1)
      : n(count), blocks(count + 1), classes(count + 1), blka(count + 1) {
    ResetEngineState();
    ResetTierState();
    InitTierState(tiers);
    for (int i = 0; i <= n; ++i) {
      blocks[i].id = i;
      blocks[i].blkclass = &classes[i];
      blocks[i].parent = i ? &blocks[0] : nullptr;
      blka[i] = &blocks[i];
    }
    blocks[0].block_count = n;
    DualSeqInit(&seq, n, 0);
    levels = std::make_unique<tagLevelList>();
    ClearLevelLists(levels.get());
    BinTreeInit(&btree, n);
    BinTreeInit(&rtree, n);
    p_btree = &btree;
    p_rtree = &rtree;
    rest_b.assign(kLevelCap, -1);
    rest_r.assign(kLevelCap, -1);
  }
  ~Floorplan() { p_btree = p_rtree = nullptr; }
  Floorplan(const Floorplan&) = delete;
  Floorplan& operator=(const Floorplan&) = delete;

  // Both sequences front to back; every block number 1..n once in each.
  void SetOrder(const std::vector<int>& a, const std::vector<int>& b) {
    seqpair_testing::SetOrder(&seq, a, b);
  }

  // Width and height as placed, in the class and the engine's size tables.
  void SetSize(int i, double w, double h) {
    blocks[i].width = classes[i].width = ndsiz1_x[i] = w;
    blocks[i].height = classes[i].height = ndsiz1_y[i] = h;
    blocks[i].area = w * h;
  }

  void SetLowerBounds(int i, double x_lo, double y_lo) {
    blocks[i].fixed_x_lo = blocks[i].region_x_lo = ndpos1_x_min[i] = x_lo;
    blocks[i].fixed_y_lo = blocks[i].region_y_lo = ndpos1_y_min[i] = y_lo;
  }

  void Pack(double* height, double* width, tagForwardLog* log = nullptr) {
    CalCoords(blka.data(), &seq, levels.get(), &btree, &rtree, rest_b.data(), rest_r.data(), height, width,
              log);
  }

  int n;
  std::vector<tagBLOCK> blocks;
  std::vector<tagBLOCKCLASS> classes;
  std::vector<tagBLOCK*> blka;
  tagDualSeq seq;
  std::unique_ptr<tagLevelList> levels;
  tagBinTree btree, rtree;
  std::vector<int> rest_b, rest_r;
};

// A random floorplan: integer sizes (so that every sum is exact), some
// blocks with raised lower bounds, tiers assigned at random and sequence A
// grouped tier by tier as the engine keeps it; B is any permutation.
inline void Randomize(Floorplan& fp, std::mt19937& rng, int tiers, bool bounds = true) {
  std::uniform_int_distribution<int> size(1, 40), tier_of(0, tiers - 1), coin(0, 3), bound(0, 150);
  for (int i = 1; i <= fp.n; ++i) {
    fp.SetSize(i, size(rng), size(rng));
    const bool raised = bounds && coin(rng) == 0;
    fp.SetLowerBounds(i, raised ? bound(rng) : 0, raised ? bound(rng) : 0);
    fp.seq.tier[i] = tier_of(rng);
  }
  std::vector<int> a = RandomPermutation(rng, fp.n);
  std::stable_sort(a.begin(), a.end(), [&](int x, int y) { return fp.seq.tier[x] < fp.seq.tier[y]; });
  fp.SetOrder(a, RandomPermutation(rng, fp.n));
}

}  // namespace seqpair_testing
