// The two optimisers: schedules, restores, termination and legal results.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "design_builder.h"
#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/tier_state.h"
#include "sequence_fixture.h"
#include "test_support.h"
#include "tiers/tiers.h"

using namespace testing_support;

namespace {

// Both sequences front to back.
std::pair<std::vector<int>, std::vector<int>> Orders(const TestEngine& e) {
  return {seqpair_testing::Walk(e.seq.next_a, e.d.n()), seqpair_testing::Walk(e.seq.next_b, e.d.n())};
}

enum class Method { kInsertion, kAnnealing };

// Runs one optimiser as the driver does: evaluate and store the start as best,
// optimise, restore the best. `optimised` sees the floorplan the optimiser
// ends with, before the restore.
std::string RunOptimiser(TestEngine& e, Method method, int iterations,
                         const std::function<void()>& optimised = nullptr) {
  TestDesign& d = e.d;
  CaptureStdout out;
  CalcObj(d.blka.data(), d.neta.data(), d.pada.data(), &e.seq, e.levels.get(), d.norm, &d.params);
  SaveOptG(d.blka.data(), d.pada.data(), &e.seq, &e.best, e.solution.get());
  if (method == Method::kInsertion)
    Optimize(iterations, d.blka.data(), d.neta.data(), d.pada.data(), &e.seq, &e.best, e.solution.get(),
             e.candidates.get(), e.levels.get(), d.norm, &d.params);
  else
    SimulatedAnnealing(d.blka.data(), d.neta.data(), d.pada.data(), &e.seq, &e.best, e.solution.get(),
                       e.candidates.get(), e.levels.get(), d.norm, &d.params);
  if (optimised) optimised();
  RestoreOptG(d.blka.data(), d.pada.data(), &e.seq, &e.best, e.solution.get());
  return out.Finish();
}

// No two blocks of one tier overlap after a full packing.
void ExpectLegal(TestEngine& e) {
  e.Pack();
  SetCellPos(mxdstha, mxdstva, 0, e.d.blka.data(), e.d.pada.data(), &e.seq, e.levels.get(), e.d.norm);
  const int n = e.d.n();
  for (int i = 1; i <= n; ++i)
    for (int j = i + 1; j <= n; ++j) {
      if (e.seq.tier[i] != e.seq.tier[j]) continue;
      const tagBLOCK* a = e.d.blka[i];
      const tagBLOCK* b = e.d.blka[j];
      double w = std::min(a->x + a->width, b->x + b->width) - std::max(a->x, b->x);
      double h = std::min(a->y + a->height, b->y + b->height) - std::max(a->y, b->y);
      EXPECT_FALSE(w > 1e-9 && h > 1e-9) << "blocks " << i << " and " << j << " overlap";
    }
}

// Whether fixed block x stands before fixed block y in a sequence.
bool Precedes(const std::vector<int>& pos, const tagBLOCK* x, const tagBLOCK* y) {
  return pos[x->id] < pos[y->id];
}

// The restored best floorplan packs to the saved chip size without overlap,
// every preplaced block sits at its given corner, and every pair on one tier
// keeps the relation its corners require.
void ExpectBestRestored(TestEngine& e) {
  EXPECT_EQ(Orders(e), std::make_pair(seqpair_testing::Walk(e.best.next_a, e.d.n()),
                                      seqpair_testing::Walk(e.best.next_b, e.d.n())));
  const double saved_w = optsize_h, saved_h = optsize_v;
  ExpectLegal(e);  // packs and puts every block at its lower-left corner
  EXPECT_DOUBLE_EQ(mxdstha, saved_w);
  EXPECT_DOUBLE_EQ(mxdstva, saved_h);
  for (int i = 0; i < fixed_num; ++i) {
    const tagBLOCK* blk = ppblka[i];
    EXPECT_DOUBLE_EQ(blk->x, blk->fixed_x_lo) << "fixed block " << blk->id;
    EXPECT_DOUBLE_EQ(blk->y, blk->fixed_y_lo) << "fixed block " << blk->id;
    for (int j = 0; j < fixed_num; ++j) {
      // Blocks on different tiers do not touch; their order is free.
      if (e.seq.tier[blk->id] != e.seq.tier[ppblka[j]->id]) continue;
      const int r = mt_fixed[i][j];
      EXPECT_TRUE(!(r & 1) || Precedes(e.seq.pos_a, blk, ppblka[j])) << i << " before " << j << " in A";
      EXPECT_TRUE(!(r & 2) || Precedes(e.seq.pos_b, blk, ppblka[j])) << i << " before " << j << " in B";
    }
  }
}

// The via count the run reports for its best floorplan is a recount of it.
void ExpectReportedViasRecounted(const std::string& out, TestEngine& e) {
  const size_t at = out.find("Optimal Via Number: ");
  ASSERT_NE(at, std::string::npos);
  EXPECT_EQ(std::stoi(out.substr(at + 20)), CountInterLayerVias(e.d.design->nets, &e.seq, tier_no));
}

// Block area on each tier.
std::vector<double> TierAreas(const TestEngine& e) {
  std::vector<double> area(tier_no, 0.0);
  for (int b = 1; b <= e.d.n(); ++b) area[e.seq.tier[b]] += e.d.blka[b]->width * e.d.blka[b]->height;
  return area;
}

// Restoring the saved best brings back every block and terminal as saved,
// whatever came after.
TEST(SaveOptG, RestoreBringsBackBlocksAndTerminals) {
  auto d = TestDesign::Random(9, 5, 12, 3);
  TestEngine e(*d, 2);
  CalcObj(d->blka.data(), d->neta.data(), d->pada.data(), &e.seq, e.levels.get(), d->norm, &d->params);
  SaveOptG(d->blka.data(), d->pada.data(), &e.seq, &e.best, e.solution.get());
  auto places = [&] {
    std::vector<double> at;
    for (int b = 1; b <= 9; ++b) at.insert(at.end(), {d->blka[b]->x, d->blka[b]->y, d->blka[b]->width});
    for (int k = 1; k <= 5; ++k) at.insert(at.end(), {d->pada[k]->x, d->pada[k]->y});
    return at;
  };
  const std::vector<double> saved = places();
  for (int b = 1; b <= 9; ++b) d->blka[b]->x = d->blka[b]->width = -1;
  for (int k = 1; k <= 5; ++k) d->pada[k]->x = d->pada[k]->y = -1;
  RestoreOptG(d->blka.data(), d->pada.data(), &e.seq, &e.best, e.solution.get());
  EXPECT_EQ(places(), saved);
}

// The schedule runs its temperatures, the running via count stays equal to
// a recount, the best floorplan comes back with its via count and chip size,
// and no tier fills up beyond its share (terminals on tier 0 pull the blocks
// of their nets there).
TEST(SimulatedAnnealing, KeepsCountsTierAreasAndTheBestSound) {
  for (unsigned seed : {31u, 32u, 33u, 34u}) {
    auto d = TestDesign::Random(18, 14, 36, seed);
    d->params.start_tempe = 4000;
    d->params.end_tempe = 100;
    d->params.cooling_ratio = 0.5;
    d->params.iterations = 300;  // 54 moves per temperature
    TestEngine e(*d, 2);
    init_genrand(seed);
    inter_layer_vias = CountInterLayerVias(d->design->nets, &e.seq, tier_no, la_sv_num);
    const std::vector<double> start = TierAreas(e);
    double total = 0.0;
    for (double a : start) total += a;
    const double cap = total / tier_no * (1.0 + 0.25 * d->params.sparearea / 100.0);

    const std::string text = RunOptimiser(e, Method::kAnnealing, 0, [&] {
      EXPECT_EQ(inter_layer_vias, CountInterLayerVias(d->design->nets, &e.seq, tier_no));
      const std::vector<double> end = TierAreas(e);
      for (int t = 0; t < tier_no; ++t)
        EXPECT_LE(end[t], std::max(start[t], cap) + 1e-9) << "seed " << seed << " tier " << t;
    });
    ExpectReportedViasRecounted(text, e);
    // 4000, 2000, ..., 125, then 62 ends the schedule.
    for (int t = 4000; t > 100; t /= 2)
      EXPECT_NE(text.find("Temperature: " + std::to_string(t) + "\n"), std::string::npos) << t;
    EXPECT_EQ(text.find("Temperature: 62\n"), std::string::npos);
    EXPECT_NE(text.find("\nOptimal Area: "), std::string::npos);
    ExpectBestRestored(e);
  }
}

// Without iterations, without a schedule, with too few moves per
// temperature or without a movable block the start stays as it is.
TEST(Optimizers, LeaveTheStartWhenNothingMayMove) {
  struct Case {
    Method method;
    double start_tempe;  // 0: the default
    int iterations;      // of the annealing, 0: the default
    bool all_fixed;
    const char* says;  // "" or a line the run prints
    bool anneals;      // prints its temperatures
  };
  const Case cases[] = {
      {Method::kInsertion, 0, 0, false, "", false},
      {Method::kAnnealing, 100, 0, false, "", false},  // not above end_tempe
      {Method::kAnnealing, 0, 13, false, "", true},    // 13% of 8 blocks: R = 1, so no move
      {Method::kInsertion, 0, 0, true, "No movable block", false},
      {Method::kAnnealing, 0, 0, true, "No block can be moved", true},
  };
  for (const Case& c : cases) {
    auto d = TestDesign::Random(8, 2, 8, 5);
    if (c.start_tempe) d->params.start_tempe = static_cast<int>(c.start_tempe);
    if (c.iterations) d->params.iterations = c.iterations;
    TestEngine e(*d, c.all_fixed ? 1 : 2);
    for (int b = 1; c.all_fixed && b <= 8; ++b) d->blka[b]->kind = 3;
    const auto before = Orders(e);
    const std::string out = RunOptimiser(e, c.method, c.all_fixed ? 10 : 0);
    SCOPED_TRACE(out);
    EXPECT_EQ(Orders(e), before);
    EXPECT_NE(out.find(c.says), std::string::npos);
    EXPECT_EQ(out.find("Temperature: ") != std::string::npos, c.anneals);
    if (c.method == Method::kAnnealing) {
      // The start is the best: the report gives its net length and vias.
      const size_t wire_at = out.find("Optimal Wire-length: ");
      const size_t vias_at = out.find("Optimal Via Number: ");
      ASSERT_NE(wire_at, std::string::npos);
      ASSERT_NE(vias_at, std::string::npos);
      EXPECT_NEAR(std::stod(out.substr(wire_at + 21)),
                  SetNetLength(d->blka.data(), d->neta.data(), d->pada.data(), 3, &d->params), 0.01);
      EXPECT_EQ(std::stoi(out.substr(vias_at + 20)), inter_layer_vias);
    }
  }
}

TEST(Optimizers, KeepPreplacedBlocksAtTheirPlaces) {
  // One block in the lower left corner, one to its right and one above
  // both; first far apart, then inside the outline, where movable blocks
  // packed before them push them easily.
  const double apart[3][2] = {{0, 0}, {200, 0}, {0, 250}};
  const double inside[3][2] = {{0, 0}, {50, 0}, {20, 45}};
  for (const auto* corners : {&apart, &inside})
    for (int tiers : {1, 2})
      for (unsigned seed : {5u, 6u, 7u, 8u, 9u, 10u})
        for (Method method : {Method::kInsertion, Method::kAnnealing}) {
          SCOPED_TRACE(testing::Message() << "tiers " << tiers << " seed " << seed << " method "
                                          << static_cast<int>(method) << " inside " << (corners == &inside));
          ResetRandomGenerators();
          auto d = TestDesign::WithPreplacedBlocks(*corners);
          d->params.idle_g = 20;
          d->params.start_tempe = 2000;
          d->params.cooling_ratio = 0.5;
          d->params.iterations = 200;
          TestEngine e(*d, tiers);
          fixed_num = FindModifySeqsOfFixed(d->blka.data(), &e.seq, &mt_fixed);
          ASSERT_EQ(fixed_num, 3);
          PutFixedBlocksFirst(d->blka.data(), d->neta.data(), d->pada.data(), &e.seq, e.levels.get(), d->norm,
                              &d->params);
          init_genrand(seed);
          const std::string out = RunOptimiser(e, method, 150);
          // Restores happen within the insertion run.
          if (method == Method::kInsertion) {
            EXPECT_NE(out.find(" Solution Restored: New Wgts = "), std::string::npos);
          }
          ExpectBestRestored(e);
        }
}

// Occurrences of `what` in `text`.
int Count(const std::string& text, const std::string& what) {
  int count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// A multi-tier run of large blocks whose best floorplan misses the outline
// anneals again from new tier splits, at most anneal_rounds times in all;
// one that fits, a single tier, or many small blocks per tier (their split
// keeps changing) anneal once, and when only the area counts a run stops at
// the first best that fits. Whatever the rounds, the best comes back whole:
// its via count, its chip size and its preplaced blocks' corners.
TEST(SimulatedAnnealing, AnnealsAgainFromNewTiersWhileTheBestMissesTheOutline) {
  const double inside[3][2] = {{0, 0}, {50, 0}, {20, 45}};
  struct Case {
    int tiers;
    double sparearea;  // below 0 the outline is smaller than the blocks
    bool preplaced, area_only;
    int blocks, rounds;
  };
  // Preplaced blocks widen the outline over them: that one fits in round 2.
  for (Case c : {Case{2, -40, false, false, 12, 3}, Case{3, -40, true, false, 0, 2},
                 Case{1, -40, false, false, 12, 1}, Case{2, 400, false, false, 12, 1},
                 Case{1, 400, false, true, 12, 1}, Case{2, 15, false, false, 60, 1}}) {
    SCOPED_TRACE(testing::Message() << "tiers " << c.tiers << " sparearea " << c.sparearea << " blocks "
                                    << c.blocks);
    ResetRandomGenerators();  // the partitioner draws from them
    auto d = c.preplaced ? TestDesign::WithPreplacedBlocks(inside)
                         : TestDesign::Random(c.blocks, 4, c.blocks + 4, 41);
    d->params.sparearea = c.sparearea;
    d->params.anneal_rounds = 3;
    d->params.start_tempe = 1000;
    d->params.cooling_ratio = 0.5;
    d->params.iterations = 100;
    if (c.area_only) d->params.opt_wire = d->params.wgt_via = 0;
    TestEngine e(*d, c.tiers);
    tier_respread = SpreadOverTiersAgain;
    SettlePreplacedBlocks(d->blka.data(), d->neta.data(), d->pada.data(), &e.seq, e.levels.get(), d->norm,
                          &d->params);
    if (c.tiers > 1) CountTierLoads(d->design, &e.seq);
    init_genrand(3);
    std::string out = RunOptimiser(e, Method::kAnnealing, 0);
    EXPECT_EQ(Count(out, "Temperature: 1000\n"), c.rounds) << out;
    EXPECT_EQ(Count(out, "Outside the outline after round "), c.rounds - 1);
    EXPECT_EQ(Count(out, "Temperature: 500\n"), c.area_only ? 0 : c.rounds);
    if (c.rounds == 3) {
      EXPECT_NE(out.find("Outside the outline after round 2 of 3: the blocks are spread over the "
                         "tiers anew.\n"),
                std::string::npos);
    }
    if (c.tiers > 1) ExpectReportedViasRecounted(out, e);
    // Only a run whose best misses the outline could have gone on.
    EXPECT_EQ(optsize_h > shape_h || optsize_v > shape_v, c.sparearea < 20 && !c.preplaced);
    ExpectBestRestored(e);
  }
}

}  // namespace
