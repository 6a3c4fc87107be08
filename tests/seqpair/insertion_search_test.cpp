// The insertion-point search and its exact re-evaluation, checked against
// full re-packing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "design_builder.h"
#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/tier_state.h"
#include "tiers/tiers.h"

using namespace testing_support;

namespace {

// A movable block that shares its tier with a neighbour in A.
int PickBlock(const TestEngine& e, unsigned draw) {
  const tagDualSeq& s = e.seq;
  for (int tries = 0; tries < 1000; ++tries) {
    int b = static_cast<int>((draw + tries * 7919u) % s.count) + 1;
    int next = s.next_a[b], prev = s.prev_a[b];
    if ((next && s.tier[next] == s.tier[b]) || (prev && s.tier[prev] == s.tier[b])) return b;
  }
  return 0;
}

struct Search {
  int block;
  double chip_w, chip_h;  // chip without the block
};

// Takes block b out, estimates its insertion points and, with `select`, chooses one.
Search RemoveAndSearch(TestEngine& e, int b, tagBLOCK* moved, bool select = true) {
  *moved = *e.d.blka[b];
  moved->kind = 0;
  RemoveCell(b, &e.seq, e.stacks.get());
  FindInsPoint(moved, e.candidates.get(), e.d.blka.data(), e.d.pada.data(), &e.seq, e.levels.get(), e.d.norm,
               &e.d.params);
  Search s{b, mxdsth, mxdstv};
  if (select)
    SelectInsPoint(moved, e.candidates.get(), e.d.blka.data(), e.d.neta.data(), e.d.pada.data(), &e.seq,
                   e.levels.get(), e.d.norm, &e.d.params);
  return s;
}

// Packs (or evaluates in full) a copy of the sequences with block b
// inserted at the given point and puts the block back as it was; returns
// the chip width and height.
std::pair<double, double> PackWithBlockAt(TestEngine& e, int b, int apos, int bpos, int orient, int tier,
                                          bool evaluate = false) {
  tagDualSeq trial;
  DualSeqInit(&trial, e.seq.count, 0);
  CopyDualSeq(&e.seq, &trial);
  const tagBLOCK saved = *e.d.blka[b];
  InsertCell(b, apos, bpos, orient, tier, e.d.blka.data(), &trial, e.stacks.get());
  double w = mxdstha, h = mxdstva;
  if (evaluate)
    CalcObj(e.d.blka.data(), e.d.neta.data(), e.d.pada.data(), &trial, e.levels.get(), e.d.norm, &e.d.params);
  else
    CalCoords(e.d.blka.data(), &trial, e.levels.get(), p_btree, p_rtree, e.scratch_b.data(),
              e.scratch_r.data(), &h, &w);
  *e.d.blka[b] = saved;
  return {w, h};
}

// The exact area cost of every insertion point that keeps the tiers grouped,
// found by inserting and packing, within `window` positions of the block's
// place in A and in B.
double BestAreaByBruteForce(TestEngine& e, int b, const Search& s, int window) {
  const int n = e.seq.count, pa = e.seq.pos_a[b], pb = e.seq.pos_b[b];
  const int orient = e.d.blka[b]->orient;
  double best = kInfinity;
  const double keep_h = mxdsth, keep_v = mxdstv;
  for (int tier = 0; tier < tier_no; ++tier) {
    if (!SearchOpenTier(tier)) continue;  // the search leaves full tiers alone
    // A and B positions after which the block stays inside the tier's runs.
    int a_lo = n + 1, a_hi = -1, b_lo = n + 1, b_hi = -1;
    for (int x = 1; x <= n; ++x) {
      if (x == b || e.seq.tier[x] != tier) continue;
      a_lo = std::min(a_lo, e.seq.pos_a[x] - 1);
      a_hi = std::max(a_hi, e.seq.pos_a[x]);
      b_lo = std::min(b_lo, e.seq.pos_b[x] - 1);
      b_hi = std::max(b_hi, e.seq.pos_b[x]);
    }
    if (tier_no == 1) a_lo = b_lo = 0, a_hi = b_hi = n;
    for (int apos = std::max(a_lo, pa - window); apos <= std::min(a_hi, pa + window); ++apos)
      for (int bpos = std::max(b_lo, pb - 1 - window); bpos <= std::min(b_hi, pb + window); ++bpos)
        for (int turn : {0, 1}) {
          const auto [w, h] = PackWithBlockAt(e, b, apos, bpos, orient ^ turn, tier);
          mxdsth = s.chip_w;
          mxdstv = s.chip_h;
          best = std::min(best, ExactAreaCost(w, h, &e.d.params));
        }
  }
  mxdsth = keep_h;
  mxdstv = keep_v;
  return best;
}

// Every other block soft: its area, and a range from half to twice its
// aspect now.
void MakeHalfSoft(TestDesign& d) {
  for (int b = 1; b <= d.n(); b += 2) {
    tagBLOCKCLASS* cls = d.block(b)->blkclass;
    cls->soft_area = d.block(b)->area = cls->width * cls->height;
    cls->aspect_lo = 0.5 * cls->height / cls->width;
    cls->aspect_hi = 2.0 * cls->height / cls->width;
  }
}

// Inserting the chosen candidate (in its shape, for a soft block) and
// packing from scratch gives exactly the chip size and net length that the
// exact re-evaluation reported, and a soft block keeps its area and range.
// With every evaluated point kept and no net or via term, the search finds
// an insertion point as good in area as the best of all insertion points
// (of all within its window, when it has one): the parts of the B range a
// slot skips repeat or are dominated by others.
TEST(SelectInsPoint, ChosenCandidateAgreesWithFullRepackAndBruteForce) {
  int brute_forced = 0, opened_over_share = 0, reshaped = 0;
  for (unsigned seed = 1; seed <= 24; ++seed) {
    const int tiers = 1 + seed % 3;
    const bool area_only = seed % 4 == 1;  // on one, two and three tiers
    auto d = TestDesign::Random(6 + static_cast<int>(seed), 4, 10 + static_cast<int>(seed), seed);
    if (area_only) d->params.opt_wire = d->params.wgt_via = 0, d->params.ipcand = 2998;
    if (seed % 4 == 3) MakeHalfSoft(*d);
    TestEngine e(*d, tiers);
    // Later area-only seeds search a window of two positions either way.
    const int window = area_only && seed > 12 ? 2 : 1000;
    d->params.srchlvl_a = d->params.srchlvl_b = window;
    init_genrand(seed);
    for (int trial = 0; trial < 6; ++trial) {
      SCOPED_TRACE(testing::Message() << "seed " << seed << " trial " << trial);
      e.Pack();
      int b = PickBlock(e, seed * 31u + trial);
      if (b == 0) continue;
      double load[kMaxTiers] = {0.0}, total = 0.0;
      for (int x = 1; x <= e.seq.count; ++x) {
        total += d->blka[x]->area;
        load[e.seq.tier[x]] += d->blka[x]->area;
      }
      tagBLOCK moved;
      Search s = RemoveAndSearch(e, b, &moved);
      const tagINSCANDS& c = *e.candidates;
      // A tier takes the block only while it stays within its share of the
      // block area or below what the block's own tier holds now: a tier may
      // never grow past both, or vias saved would pile the blocks onto one.
      const double share = total / tiers * (1.0 + 0.25 * d->params.sparearea / 100.0);
      for (int t = 0; t < tiers; ++t) {
        if (t == e.seq.tier[b] || !SearchOpenTier(t)) continue;
        const bool within_share = load[t] + moved.area <= share * (1 + 1e-12);
        EXPECT_TRUE(within_share || load[t] + moved.area < load[e.seq.tier[b]])
            << "block " << b << " tier " << t;
        opened_over_share += !within_share;
      }
      // A narrow window may hold no point on an open tier.
      if (c.chosen == 0 && window < 1000) {
        EXPECT_EQ(BestAreaByBruteForce(e, b, s, window), kInfinity);
        UndoRemove(b, &e.seq, e.stacks.get());
        continue;
      }
      ASSERT_GT(c.chosen, 0);
      const int k = c.chosen;
      if (area_only && trial < 2) {
        EXPECT_NEAR(c.chosen_area_cost, BestAreaByBruteForce(e, b, s, window), 1e-9) << "block " << b;
        ++brute_forced;
      }
      const double old_width = d->blka[b]->width;
      InsertCandidate(b, &c, k, d->blka.data(), &e.seq, e.stacks.get());
      ReLabel(&e.seq);
      e.Pack();
      const tagBLOCK& placed = *d->blka[b];
      if (IsSoftBlock(&placed)) {
        const tagBLOCKCLASS& cls = *placed.blkclass;
        EXPECT_GE(placed.width * placed.height, cls.soft_area);
        EXPECT_LE(placed.height / placed.width, cls.aspect_hi);
        EXPECT_GE(placed.height / placed.width, cls.aspect_lo);
        reshaped += placed.width != old_width;
      }
      EXPECT_DOUBLE_EQ(mxdstha, c.width[k]);
      EXPECT_DOUBLE_EQ(mxdstva, c.height[k]);
      if (area_only) continue;
      // Terminals stay where the search put them.
      SetCellPos(s.chip_w, s.chip_h, 0, d->blka.data(), d->pada.data(), &e.seq, e.levels.get(), d->norm);
      double wire = SetNetLength(d->blka.data(), d->neta.data(), d->pada.data(), 3, &d->params);
      EXPECT_NEAR(wire, c.chosen_wire_h + c.chosen_wire_v, 1e-9 * std::max(1.0, wire));
    }
  }
  EXPECT_GT(brute_forced, 6);
  EXPECT_GT(reshaped, 3) << "too few soft blocks took a new shape";
  EXPECT_GT(opened_over_share, 0) << "no case moved a block to a lighter tier past its share";
}

// With preplaced blocks about, the chosen insertion point pushes them no
// further than any other kept point, whatever it gains in net length, and
// the bound excess it reports is that of a full packing.
TEST(SelectInsPoint, ChoosesThePointThatPushesBoundedBlocksLeast) {
  const double corners[3][2] = {{0, 0}, {50, 0}, {20, 45}};
  int choices_that_mattered = 0;
  for (unsigned seed = 1; seed <= 16; ++seed) {
    auto d = TestDesign::WithPreplacedBlocks(corners);
    d->params.ipcand = 40;
    TestEngine e(*d, 1 + seed % 2);
    fixed_num = FindModifySeqsOfFixed(d->blka.data(), &e.seq, &mt_fixed);
    init_genrand(seed);
    e.Pack();
    const int b = PickBlock(e, seed * 5u);
    if (b == 0 || d->blka[b]->kind != 0) continue;
    tagBLOCK moved;
    RemoveAndSearch(e, b, &moved);
    const tagINSCANDS& c = *e.candidates;
    ASSERT_GT(c.chosen, 0);
    const int last = c.vias[c.count] == kIntInfinity ? c.count - 1 : c.count;
    double chosen_gap = -1.0, least = kInfinity, most = 0.0;
    for (int k = 1; k <= last; ++k) {
      PackWithBlockAt(e, b, c.apos[k], c.bpos[k], c.orient[k], c.tier[k], true);
      const double gap = ngap_h + ngap_v;
      least = std::min(least, gap);
      most = std::max(most, gap);
      if (k == c.chosen) chosen_gap = gap;
    }
    EXPECT_DOUBLE_EQ(chosen_gap, least) << "seed " << seed;
    EXPECT_NEAR(chosen_gap, c.chosen_gap_h + c.chosen_gap_v, 1e-9) << "seed " << seed;
    if (least < most) ++choices_that_mattered;
    for (int draw = 0; draw < 40 && c.count > 9; ++draw) {  // one of the best few, never the closing sentinel
      auto kept = std::make_unique<tagINSCANDS>(c);
      kept->count = 9, kept->area_cost[9] = kInfinity, kept->vias[9] = kIntInfinity;
      KeepRandomIpCand(kept.get(), &d->params);
      EXPECT_NE(kept->vias[1], kIntInfinity) << "seed " << seed;
    }
  }
  EXPECT_GT(choices_that_mattered, 0);
}

// Every point the sweeps estimate, inserted there and packed from scratch,
// gives the estimated chip size: the estimate is the longest path through
// the block, and the other paths are those of the packing without it. This
// checks the top-right packing, the hand-over of blocks between the
// staircases and the update of the pushed distances along the way. The
// white-space deviation of a point, a sum of absolute differences, is never
// negative. Later seeds search only a narrow window around the block's old
// place and one around another block (or the box of both where they
// overlap): a point outside the first lies in the box of it and the window
// around one block, the same for all such points.
TEST(FindInsPoint, EstimatesEqualAFullPackingWithTheBlockInserted) {
  int checked = 0, deviating = 0, anchored = 0;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    const int tiers = 1 + seed % 3;
    auto d = TestDesign::Random(seed > 12 ? 24 : 4 + static_cast<int>(seed % 9), 3, 9, seed + 500);
    d->params.ipcand = 2998;  // keep every evaluated point
    d->params.rotate = seed % 2;
    d->params.opt_ws_dist = 1;
    const int window = seed > 12 ? 1 + static_cast<int>(seed % 2) : 1000;
    d->params.srchlvl_a = d->params.srchlvl_b = window;
    TestEngine e(*d, tiers);
    CountTierLoads(d->design, &e.seq);
    init_genrand(seed);
    e.Pack();
    const int b = PickBlock(e, seed * 13u);
    if (b == 0) continue;
    tagBLOCK moved;
    const int old_a = e.seq.pos_a[b], old_b = e.seq.pos_b[b];
    const Search s = RemoveAndSearch(e, b, &moved, false);
    const tagINSCANDS& c = *e.candidates;
    std::vector<int> anchors;  // blocks whose window holds every point outside the own one
    for (int x = 1; x <= e.seq.count; ++x) anchors.push_back(x);
    for (int k = 1; k < c.count; ++k, ++checked) {
      const auto within = [&](int pa, int pb) {  // the box of the own window and one around pa, pb
        return std::min(pa, old_a) - window - 1 <= c.apos[k] &&
               c.apos[k] <= std::max(pa, old_a) + window + 1 &&
               std::min(pb, old_b) - window - 1 <= c.bpos[k] && c.bpos[k] <= std::max(pb, old_b) + window + 1;
      };
      if (!within(old_a, old_b)) {
        ++anchored;
        anchors.erase(
            std::remove_if(anchors.begin(), anchors.end(),
                           [&](int x) { return x == b || !within(e.seq.pos_a[x], e.seq.pos_b[x]); }),
            anchors.end());
        EXPECT_FALSE(anchors.empty()) << "seed " << seed << ": points in more than two windows";
      }
      const auto [w, h] = PackWithBlockAt(e, b, c.apos[k], c.bpos[k], c.orient[k], c.tier[k]);
      EXPECT_DOUBLE_EQ(std::max(s.chip_w, c.width[k]), w) << "seed " << seed << " candidate " << k;
      EXPECT_DOUBLE_EQ(std::max(s.chip_h, c.height[k]), h) << "seed " << seed << " candidate " << k;
      EXPECT_GE(c.ws_dev[k], 0.0);
      deviating += c.ws_dev[k] > 0;
    }
    UndoRemove(b, &e.seq, e.stacks.get());
  }
  EXPECT_GT(checked, 100);
  EXPECT_GT(deviating, 0);
  EXPECT_GT(anchored, 0);
}

}  // namespace
