// The two optimisers: schedules, restores, termination and legal results.
// Whole runs of the binary are checked by fpcheck in tests/e2e/run_test.cpp.
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
using seqpair_testing::BothOrders;

namespace {

// A halving schedule from `start` with `iterations` percent moves per temperature.
void Schedule(TestDesign& d, int start, int iterations) {
  d.params.start_tempe = start;
  d.params.cooling_ratio = 0.5;
  d.params.iterations = iterations;
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

// The restored best floorplan packs to the saved chip size without overlap
// on a tier, every preplaced block sits at its given corner, and every pair
// on one tier keeps the relation its corners require.
void ExpectBestRestored(TestEngine& e) {
  EXPECT_EQ(BothOrders(e.seq), BothOrders(e.best));
  const double saved_w = optsize_h, saved_h = optsize_v;
  e.Pack();
  SetCellPos(mxdstha, mxdstva, 0, e.d.blka.data(), e.d.pada.data(), &e.seq, e.levels.get(), e.d.norm);
  EXPECT_DOUBLE_EQ(mxdstha, saved_w);
  EXPECT_DOUBLE_EQ(mxdstva, saved_h);
  for (int i = 1; i <= e.d.n(); ++i)
    for (int j = i + 1; j <= e.d.n(); ++j)
      EXPECT_FALSE(e.seq.tier[i] == e.seq.tier[j] &&
                   seqpair_testing::Overlap(*e.d.blka[i], *e.d.blka[j], 1e-9))
          << i << " and " << j << " overlap";
  for (int i = 0; i < fixed_num; ++i)
    EXPECT_EQ(std::pair(ppblka[i]->x, ppblka[i]->y), std::pair(ppblka[i]->fixed_x_lo, ppblka[i]->fixed_y_lo))
        << "fixed block " << ppblka[i]->id;
  seqpair_testing::ExpectPreplacedOrder(e.seq);
}

// The schedule runs its temperatures, the running via count stays equal to
// a recount, the best floorplan comes back, and no tier fills up beyond its
// share (terminals on tier 0 pull the blocks of their nets there).
TEST(SimulatedAnnealing, KeepsCountsTierAreasAndTheBestSound) {
  for (unsigned seed : {31u, 32u, 33u, 34u}) {
    auto d = TestDesign::Random(18, 14, 36, seed);
    Schedule(*d, 4000, 300);  // 54 moves per temperature
    d->params.end_tempe = 100;
    TestEngine e(*d, 2);
    init_genrand(seed);
    inter_layer_vias = CountInterLayerVias(d->design->nets, &e.seq, tier_no, la_sv_num);
    auto tier_areas = [&] {
      std::vector<double> area(tier_no, 0.0);
      for (int b = 1; b <= d->n(); ++b) area[e.seq.tier[b]] += d->blka[b]->width * d->blka[b]->height;
      return area;
    };
    const std::vector<double> start = tier_areas();
    const double cap = (start[0] + start[1]) / 2 * (1.0 + 0.25 * d->params.sparearea / 100.0);
    const std::string text = RunOptimiser(e, Method::kAnnealing, 0, [&] {
      EXPECT_EQ(inter_layer_vias, CountInterLayerVias(d->design->nets, &e.seq, tier_no));
      const std::vector<double> end = tier_areas();
      for (int t = 0; t < tier_no; ++t)
        EXPECT_LE(end[t], std::max(start[t], cap) + 1e-9) << "seed " << seed << " tier " << t;
    });
    // 4000, 2000, ..., 125, then 62 ends the schedule.
    for (int t = 4000; t > 100; t /= 2)
      EXPECT_NE(text.find("Temperature: " + std::to_string(t) + "\n"), std::string::npos) << t;
    EXPECT_EQ(text.find("Temperature: 62\n"), std::string::npos);
    EXPECT_NE(text.find("\nOptimal Area: "), std::string::npos);
    ExpectBestRestored(e);
  }
}

// One block in the lower left corner, one to its right and one above both;
// first far apart, then inside the outline, where movable blocks packed
// before them push them easily.
TEST(Optimizers, KeepPreplacedBlocksAtTheirPlaces) {
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
          Schedule(*d, 2000, 200);
          TestEngine e(*d, tiers);
          ASSERT_EQ(fixed_num = FindModifySeqsOfFixed(d->blka.data(), &e.seq, &mt_fixed), 3);
          PutFixedBlocksFirst(d->blka.data(), d->neta.data(), d->pada.data(), &e.seq, e.levels.get(), d->norm,
                              &d->params);
          init_genrand(seed);
          const std::string out = RunOptimiser(e, method, 150);
          // Restores happen within the insertion run.
          EXPECT_EQ(method == Method::kInsertion, Count(out, " Solution Restored: New Wgts = ") > 0);
          ExpectBestRestored(e);
        }
}

// A multi-tier run of large blocks whose best floorplan misses the outline
// anneals again from new tier splits, at most anneal_rounds times in all;
// one that fits, a single tier, or many small blocks per tier (their split
// keeps changing) anneal once, and when only the area counts a run stops at
// the first best that fits. Whatever the rounds, the best comes back whole.
TEST(SimulatedAnnealing, AnnealsAgainFromNewTiersWhileTheBestMissesTheOutline) {
  const double inside[3][2] = {{0, 0}, {50, 0}, {20, 45}};
  struct Case {
    int tiers;
    double sparearea;  // below 0 the outline is smaller than the blocks
    bool preplaced, area_only;
    int blocks, rounds;
  };
  // Preplaced blocks widen the outline over them; laid in shelves around them
  // the blocks fit in the first round.
  for (Case c : {Case{2, -40, false, false, 12, 3}, Case{3, -40, true, false, 0, 1},
                 Case{1, -40, false, false, 12, 1}, Case{2, 400, false, false, 12, 1},
                 Case{1, 400, false, true, 12, 1}, Case{2, 15, false, false, 60, 1}}) {
    SCOPED_TRACE(testing::Message() << "tiers " << c.tiers << " sparearea " << c.sparearea << " blocks "
                                    << c.blocks);
    ResetRandomGenerators();  // the partitioner draws from them
    auto d = c.preplaced ? TestDesign::WithPreplacedBlocks(inside)
                         : TestDesign::Random(c.blocks, 4, c.blocks + 4, 41);
    d->params.sparearea = c.sparearea;
    d->params.anneal_rounds = 3;
    Schedule(*d, 1000, 100);
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
    // Only a run whose best misses the outline could have gone on.
    EXPECT_EQ(optsize_h > shape_h || optsize_v > shape_v, c.sparearea < 20 && !c.preplaced);
    ExpectBestRestored(e);
  }
}

}  // namespace
