#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "sequence_fixture.h"

namespace {

using seqpair_testing::Floorplan;
using seqpair_testing::Randomize;
using seqpair_testing::Walk;

// Longest paths over the two relations, block by block: b rests on every
// earlier block (in A) of its tier that precedes it in B, and sits right of
// every earlier block that follows it in B. Packed towards the top right,
// the blocks from A index `first` on are taken from the back, and x and y
// measure from the right and the top edge.
struct Reference {
  std::vector<double> x, y;
  std::vector<double> tier_w, tier_h;
  double width = 0, height = 0;
};

Reference PackByLongestPaths(const Floorplan& fp, bool top_right = false,
                             const std::vector<double>& lb_y = {},
                             const std::vector<double>& lb_x = {}, int first = 0) {
  Reference ref;
  ref.x.assign(fp.n + 1, 0.0);
  ref.y.assign(fp.n + 1, 0.0);
  ref.tier_w.assign(tiera.size(), 0.0);
  ref.tier_h.assign(tiera.size(), 0.0);
  std::vector<int> a = Walk(fp.seq.next_a, fp.n);
  a.erase(a.begin(), a.begin() + first);
  if (top_right) std::reverse(a.begin(), a.end());
  for (size_t i = 0; i < a.size(); ++i) {
    const int b = a[i];
    const tagBLOCK& blk = fp.blocks[b];
    double x = top_right ? lb_x[b] : blk.fixed_x_lo, y = top_right ? lb_y[b] : blk.fixed_y_lo;
    for (size_t j = 0; j < i; ++j) {
      const int c = a[j];
      if (fp.seq.tier[c] != fp.seq.tier[b]) continue;
      if ((fp.seq.pos_b[c] < fp.seq.pos_b[b]) != top_right)
        y = std::max(y, ref.y[c] + fp.blocks[c].height);
      else
        x = std::max(x, ref.x[c] + fp.blocks[c].width);
    }
    ref.x[b] = x;
    ref.y[b] = y;
    const int t = fp.seq.tier[b];
    ref.tier_w[t] = std::max(ref.tier_w[t], x + blk.width);
    ref.tier_h[t] = std::max(ref.tier_h[t], y + blk.height);
    ref.width = std::max(ref.width, x + blk.width);
    ref.height = std::max(ref.height, y + blk.height);
  }
  return ref;
}

std::vector<std::pair<int, double>> Staircase(const tagStaircase& s) {
  std::vector<std::pair<int, double>> steps;
  for (int level = s.next[0]; level != kEndLevel && steps.size() <= kLevelCap;
       level = s.next[level])
    steps.emplace_back(level, s.dist[level]);
  return steps;
}

bool Overlap(const tagBLOCK& p, const tagBLOCK& q) {
  return p.x < q.x + q.width && q.x < p.x + p.width && p.y < q.y + q.height &&
         q.y < p.y + p.height;
}

// One floorplan per size packed again with fewer tiers each time, so that
// tiers left empty must lose the extent of the packing before. rest_b and
// rest_r name the level of the block whose far edge set a block's position,
// or 0 when it stands on its own lower bound.
TEST(CalCoords, MatchesLongestPathsOnRandomSequences) {
  std::mt19937 rng(11);
  for (int n : {1, 2, 3, 5, 8, 17, 40, 99, 128, 257, 300}) {
    Floorplan fp(n, 4);
    for (int tiers = 4; tiers >= 1; --tiers) {
      SCOPED_TRACE(testing::Message() << n << " blocks, " << tiers << " tiers");
      Randomize(fp, rng, tiers);
      double height = -1, width = -1;
      fp.Pack(&height, &width);
      SetCellPos(width, height, 0, fp.blka.data(), nullptr, &fp.seq, fp.levels.get(), nullptr);
      const Reference ref = PackByLongestPaths(fp);
      ASSERT_EQ(height, ref.height);
      ASSERT_EQ(width, ref.width);
      for (int t = 0; t < 4; ++t) {
        EXPECT_EQ(tiera[t].width, ref.tier_w[t]) << "tier " << t;
        EXPECT_EQ(tiera[t].height, ref.tier_h[t]) << "tier " << t;
      }
      std::vector<int> at_b(n + 1), at_r(n + 1);
      for (int b = 1; b <= n; ++b) at_b[fp.seq.pos_b[b]] = at_r[fp.seq.rpos_b[b]] = b;
      for (int b = 1; b <= n; ++b) {
        const tagBLOCK& blk = fp.blocks[b];
        ASSERT_EQ(blk.x, ref.x[b]) << "block " << b;
        ASSERT_EQ(blk.y, ref.y[b]) << "block " << b;
        const int below = at_b[fp.rest_b[fp.seq.pos_b[b]]], left = at_r[fp.rest_r[fp.seq.rpos_b[b]]];
        EXPECT_EQ(blk.y, below ? fp.blocks[below].y + fp.blocks[below].height : blk.fixed_y_lo) << b;
        EXPECT_EQ(blk.x, left ? fp.blocks[left].x + fp.blocks[left].width : blk.fixed_x_lo) << b;
        EXPECT_EQ(fp.seq.tier[below ? below : b], fp.seq.tier[b]);
        for (int c = b + 1; c <= n; ++c)
          ASSERT_FALSE(fp.seq.tier[b] == fp.seq.tier[c] && Overlap(blk, fp.blocks[c])) << b << " and " << c;
      }
    }
  }
}

TEST(SetCellPos, CentresAndTerminals) {
  Floorplan fp(2);
  fp.SetSize(1, 3, 5);
  fp.SetSize(2, 2, 2);
  fp.SetOrder({1, 2}, {2, 1});
  double height, width;
  fp.Pack(&height, &width);
  tagPINCLASS where[2] = {{0, nullptr, 0.25, 1.0, nullptr}, {0, nullptr, 1.0, 0.5, nullptr}};
  tagPIN pads[2] = {};
  pads[0].pinclass = &where[0];
  pads[1].pinclass = &where[1];
  tagPIN* pada[3] = {nullptr, &pads[0], &pads[1]};
  fp.blocks[0].pin_count = 2;
  SetCellPos(width, height, 1, fp.blka.data(), pada, &fp.seq, fp.levels.get(), nullptr);
  EXPECT_EQ(std::vector<double>({fp.blocks[1].x, fp.blocks[1].y, fp.blocks[2].x, fp.blocks[2].y}),
            std::vector<double>({1.5, 2.5, 4.0, 1.0}));
  EXPECT_EQ(std::vector<double>({pads[0].x, pads[0].y, pads[1].x, pads[1].y}),
            std::vector<double>({0.25 * 5, 5.0, 5.0, 2.5}));
}

TEST(CalCoords_TR, MatchesLongestPathsFromTheTopRight) {
  std::mt19937 rng(23);
  for (int n : {1, 4, 33, 200}) {
    for (int tiers = 1; tiers <= 3; ++tiers) {
      Floorplan fp(n, tiers);
      Randomize(fp, rng, tiers);
      std::uniform_int_distribution<int> lb(0, 30);
      std::vector<double> lb_top(fp.n + 1), lb_right(fp.n + 1);
      for (int b = 1; b <= n; ++b) {
        lb_top[b] = lb(rng) < 6 ? lb(rng) : 0;
        lb_right[b] = lb(rng) < 6 ? lb(rng) : 0;
      }
      // Down to a limit of 0, which leaves both staircases empty.
      const int first = n == 4 && tiers == 1 ? n : std::uniform_int_distribution<int>(0, n - 1)(rng);
      CalCoords_TR(fp.blka.data(), lb_top.data(), lb_right.data(), &fp.seq, fp.levels.get(),
                   &fp.btree, &fp.rtree, n - first);
      const Reference ref = PackByLongestPaths(fp, true, lb_top, lb_right, first);
      const std::vector<int> a = Walk(fp.seq.next_a, n);
      for (int i = first; i < n; ++i) {
        const int b = a[i];
        ASSERT_EQ(fp.levels->t.dist[fp.seq.rpos_b[b]], ref.y[b] + fp.blocks[b].height) << "block " << b;
        ASSERT_EQ(fp.levels->l.dist[fp.seq.pos_b[b]], ref.x[b] + fp.blocks[b].width) << "block " << b;
      }
      // The staircase left standing is that of the first tier run visited
      // last; its head is the lowest level of that run.
      int head_t = kEndLevel, head_l = kEndLevel;
      for (int i = first; i < n; ++i)
        if (fp.seq.tier[a[i]] == fp.seq.tier[a[first]]) {
          head_t = std::min(head_t, fp.seq.rpos_b[a[i]]);
          head_l = std::min(head_l, fp.seq.pos_b[a[i]]);
        }
      EXPECT_EQ(fp.levels->t.next[0], head_t);
      EXPECT_EQ(fp.levels->l.next[0], head_l);
      if (first == n) {
        EXPECT_EQ(fp.levels->t.prev[kEndLevel] + fp.levels->l.prev[kEndLevel], 0);
      }
    }
  }
}

// The forward sweep of the insertion search: pack everything from the top
// right, then hand the blocks one by one in A order to the bottom-left
// staircases as the logged packing placed them. After each hand-over the
// top-right staircases must be those of the remaining suffix and the
// bottom-left ones those of the prefix.
TEST(SetLptr, UndoingInAOrderLeavesThePackingOfTheSuffix) {
  std::mt19937 rng(31);
  for (int n : {1, 2, 9, 150}) {
    for (int tiers : {1, 2}) {
      Floorplan fp(n, tiers), fresh(n, tiers);
      Randomize(fp, rng, tiers);
      std::vector<double> lb_top(n + 1), lb_right(n + 1);
      for (int b = 1; b <= n; ++b) {
        lb_top[b] = (b % 5 == 0) ? b : 0;
        lb_right[b] = (b % 7 == 0) ? 2 * b : 0;
      }
      fresh.blocks = fp.blocks;
      for (int b = 0; b <= n; ++b) fresh.blocks[b].blkclass = &fresh.classes[b];
      fresh.seq.tier = fp.seq.tier;
      fresh.SetOrder(Walk(fp.seq.next_a, n), Walk(fp.seq.next_b, n));

      double full_h, full_w;
      fresh.Pack(&full_h, &full_w);
      std::vector<double> full_b(fresh.levels->b.dist, fresh.levels->b.dist + kLevelCap);
      std::vector<double> full_r(fresh.levels->r.dist, fresh.levels->r.dist + kLevelCap);

      auto log = std::make_unique<tagForwardLog>();
      double h, w;
      fp.Pack(&h, &w, log.get());
      CalCoords_TR(fp.blka.data(), lb_top.data(), lb_right.data(), &fp.seq, fp.levels.get(),
                   p_btree, p_rtree, n);
      fp.levels->b.next[0] = fp.levels->r.next[0] = kEndLevel;
      fp.levels->b.prev[kEndLevel] = fp.levels->r.prev[kEndLevel] = 0;

      const std::vector<int> a = Walk(fp.seq.next_a, n);
      // Only the first tier run: later runs need their staircase ends restored.
      for (size_t k = 0; k < a.size() && fp.seq.tier[a[k]] == fp.seq.tier[a[0]]; ++k) {
        const int b = a[k];
        SetLptr(b, 1, log.get(), &fp.seq, fp.levels.get());
        ASSERT_EQ(lvb, fp.seq.pos_b[b]);
        ASSERT_EQ(lvr, fp.seq.rpos_b[b]);
        ASSERT_EQ(fp.levels->b.dist[lvb], full_b[lvb]) << "block " << b;
        ASSERT_EQ(fp.levels->r.dist[lvr], full_r[lvr]) << "block " << b;
        ASSERT_EQ(fp.levels->b.next[lvb_m1], lvb);
        ASSERT_EQ(fp.levels->b.next[lvb], lvb_p1);

        const bool run_goes_on = k + 1 < a.size() && fp.seq.tier[a[k + 1]] == fp.seq.tier[a[0]];
        if (!run_goes_on) {
          // The whole run has been handed over: nothing of it is left.
          EXPECT_TRUE(Staircase(fp.levels->t).empty());
          EXPECT_TRUE(Staircase(fp.levels->l).empty());
          EXPECT_EQ(fp.levels->t.prev[kEndLevel], 0);
          continue;
        }
        CalCoords_TR(fresh.blka.data(), lb_top.data(), lb_right.data(), &fresh.seq,
                     fresh.levels.get(), &fresh.btree, &fresh.rtree, n - 1 - static_cast<int>(k));
        ASSERT_EQ(Staircase(fp.levels->t), Staircase(fresh.levels->t)) << n << " after " << k;
        ASSERT_EQ(Staircase(fp.levels->l), Staircase(fresh.levels->l)) << n << " after " << k;
        ASSERT_EQ(fp.levels->t.prev[kEndLevel], fresh.levels->t.prev[kEndLevel]);
        ASSERT_EQ(fp.levels->l.prev[kEndLevel], fresh.levels->l.prev[kEndLevel]);
      }
    }
  }
}

TEST(CalCoords_TR, SavesTheStaircaseEndsOfEachFinishedTier) {
  Floorplan fp(3, 2);
  for (int b = 1; b <= 3; ++b) fp.SetSize(b, 2, 2);
  fp.seq.tier[3] = 1;
  fp.SetOrder({1, 2, 3}, {1, 2, 3});
  std::vector<double> zero(4, 0.0);
  CalCoords_TR(fp.blka.data(), zero.data(), zero.data(), &fp.seq, fp.levels.get(), &fp.btree,
               &fp.rtree, 3);
  // Tier 1 holds block 3 alone: rpos_b 1 in "t", pos_b 3 in "l".
  EXPECT_EQ(fp.levels->t_undo.tier_head[1], 1);
  EXPECT_EQ(fp.levels->t_undo.tier_tail[1], 1);
  EXPECT_EQ(fp.levels->l_undo.tier_head[1], 3);
  EXPECT_EQ(fp.levels->l_undo.tier_tail[1], 3);
  // Tier 0 is what the staircases hold now: 1 below 2 from the top.
  EXPECT_EQ(fp.levels->t.next[0], 2);
  EXPECT_EQ(fp.levels->t.dist[3], 4.0);
}

// Inserting a block and updating only what it pushes gives the same far
// edges as packing the sequences with the block from scratch.
TEST(UpDist, UpdatedDistancesEqualAFullRepack) {
  std::mt19937 rng(41);
  for (int n : {1, 2, 3, 10, 60, 250}) {
    for (int tiers = 1; tiers <= 3; ++tiers) {
      for (int trial = 0; trial < 6; ++trial) {
        Floorplan fp(n, tiers);
        Randomize(fp, rng, tiers);
        tagSTACKS stacks{};
        const int moved = std::uniform_int_distribution<int>(1, n)(rng);
        RemoveCell(moved, &fp.seq, &stacks);
        double height, width;
        fp.Pack(&height, &width);
        const std::vector<tagBLOCK> tier_before = tiera;

        // An A slot inside (or at either end of) the run of one tier.
        const std::vector<int> a = Walk(fp.seq.next_a, n);
        const int tier = a.empty() ? fp.seq.tier[moved]
                                   : fp.seq.tier[a[std::uniform_int_distribution<size_t>(
                                         0, a.size() - 1)(rng)]];
        std::vector<int> slots;
        for (size_t k = 0; k <= a.size(); ++k) {
          const bool after_run_block = k > 0 && fp.seq.tier[a[k - 1]] == tier;
          const bool before_run_block = k < a.size() && fp.seq.tier[a[k]] == tier;
          if (after_run_block || before_run_block || a.empty())
            slots.push_back(k == 0 ? 0 : fp.seq.pos_a[a[k - 1]]);
        }
        const int apos = slots[std::uniform_int_distribution<size_t>(0, slots.size() - 1)(rng)];
        const std::vector<int> b_order = Walk(fp.seq.next_b, n);
        const size_t kb = std::uniform_int_distribution<size_t>(0, b_order.size())(rng);
        const int bpos = kb == 0 ? 0 : fp.seq.pos_b[b_order[kb - 1]];

        tagBLOCK& mv = fp.blocks[moved];
        std::vector<double> saved_b(fp.levels->b.dist, fp.levels->b.dist + kLevelCap);
        std::vector<double> old_b(kLevelCap, -1), old_r(kLevelCap, -1);
        std::vector<int> changed_v(n + 1), changed_h(n + 1);
        const std::vector<int> pos_b = fp.seq.pos_b, rpos_b = fp.seq.rpos_b;
        const double top = UpDist(moved, fp.blka.data(), 1, fp.seq.next_a.data(),
                                  fp.seq.pos_a.data(), fp.seq.pos_b.data(), fp.seq.tier.data(),
                                  fp.levels->b.dist, old_b.data(), changed_v.data(), apos, bpos,
                                  tier, mv.fixed_y_lo, mv.height, 0.0);
        const double right = UpDist(moved, fp.blka.data(), 0, fp.seq.next_a.data(),
                                    fp.seq.pos_a.data(), fp.seq.rpos_b.data(), fp.seq.tier.data(),
                                    fp.levels->r.dist, old_r.data(), changed_h.data(), apos,
                                    n - bpos, tier, mv.fixed_x_lo, mv.width, 0.0);
        const std::vector<double> up_b(fp.levels->b.dist, fp.levels->b.dist + kLevelCap);
        const std::vector<double> up_r(fp.levels->r.dist, fp.levels->r.dist + kLevelCap);

        // The changed list holds exactly the blocks that moved, with their
        // old far edges, and ends with the inserted block.
        std::vector<bool> on_list(n + 1, false);
        int last = -1;
        for (int c = changed_v[0]; c != -1; c = changed_v[c]) {
          on_list[c] = true;
          last = c;
        }
        EXPECT_EQ(last, moved);
        for (int c = 1; c <= n; ++c) {
          if (c == moved) continue;
          const int L = pos_b[c];
          EXPECT_EQ(on_list[c], up_b[L] != saved_b[L]) << "block " << c;
          EXPECT_TRUE(!on_list[c] || old_b[L] == saved_b[L]) << "block " << c;
        }

        mv.region_x_lo = mv.fixed_x_lo;
        mv.region_y_lo = mv.fixed_y_lo;
        InsertCell(moved, apos, bpos, 0, tier, fp.blka.data(), &fp.seq, &stacks);
        fp.Pack(&height, &width);
        for (int c = 1; c <= n; ++c) {
          if (c == moved || fp.seq.tier[c] != tier) continue;
          ASSERT_EQ(fp.levels->b.dist[fp.seq.pos_b[c]], up_b[pos_b[c]])
              << n << " blocks, block " << c << " moved " << moved;
          ASSERT_EQ(fp.levels->r.dist[fp.seq.rpos_b[c]], up_r[rpos_b[c]])
              << n << " blocks, block " << c << " moved " << moved;
        }
        ASSERT_EQ(fp.levels->b.dist[fp.seq.pos_b[moved]], up_b[0]);
        ASSERT_EQ(fp.levels->r.dist[fp.seq.rpos_b[moved]], up_r[0]);
        EXPECT_EQ(tiera[tier].height, std::max(tier_before[tier].height, top));
        EXPECT_EQ(tiera[tier].width, std::max(tier_before[tier].width, right));
      }
    }
  }
}

}  // namespace
