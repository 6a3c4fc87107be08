#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "design_builder.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace {

using testing_support::TestDesign;

double Distance(double c, double lo, double hi) { return c < lo ? lo - c : c > hi ? c - hi : 0.0; }

// Weighted distance of the point (x or y) to each of block b's nets' boxes of
// other pins, measured directly from the blocks' centres and terminals.
double BruteForce(const TestDesign& d, int b, bool vertical, double c, double limit) {
  const tagBLOCK* self = d.blka[b];
  double total = 0.0;
  for (const tagPINLIST* ref = self->net_refs; ref; ref = ref->next) {
    const tagNET* net = static_cast<const tagNET*>(ref->pin);
    double lo = kInfinity, hi = -kInfinity;
    for (const tagPINLIST* node = net->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
      double v;
      if (pin->id == 0) {
        if (pin->owner == self) continue;
        v = vertical ? pin->owner->y : pin->owner->x;
      } else {
        v = vertical ? pin->y : pin->x;
      }
      lo = std::min(lo, v);
      hi = std::max(hi, v);
    }
    if (lo > hi) continue;
    total += net->weight * Distance(c, lo, std::min(hi, limit));
  }
  return total;
}

struct NetLengthFunctionTest : ::testing::Test {
  std::unique_ptr<tagNetRel> rel = std::make_unique<tagNetRel>();
};

TEST_F(NetLengthFunctionTest, MatchesBruteForceOnRandomDesigns) {
  std::mt19937 rng(7);
  for (int round = 0; round < 20; ++round) {
    SCOPED_TRACE(round);
    auto d = TestDesign::Random(12, 5, 30, 100 + round);
    const double W = 200, H = 150;
    std::uniform_real_distribution<double> ux(0, W), uy(0, H), weight(0.5, 3.0);
    for (int j = 1; j < static_cast<int>(d->neta.size()); ++j) d->neta[j]->weight = weight(rng);
    // During a search blocks hold their centres; integer-ish positions make
    // shared box edges (and merged breakpoints) likely.
    for (int b = 1; b <= d->n(); ++b) {
      d->blka[b]->width = 4;
      d->blka[b]->height = 6;
      d->blka[b]->x = std::floor(ux(rng) / 10) * 10;
      d->blka[b]->y = std::floor(uy(rng) / 10) * 10;
    }
    for (int k = 1; k <= d->terminals(); ++k) {
      d->pada[k]->x = ux(rng);
      d->pada[k]->y = uy(rng);
    }
    // One function for every block in turn: each starts afresh.
    for (int b = 1; b <= d->n(); ++b) {
      SetPLfunc(b, W, H, d->blka.data(), d->pada.data(), rel.get(), &d->params);
      for (int probe = 0; probe < 40; ++probe) {
        const double x = probe == 0 ? 0.0 : probe == 1 ? W : ux(rng);
        const double y = probe == 0 ? 0.0 : probe == 1 ? H : uy(rng);
        const double fx = EvalPLfunc(rel.get(), 0, x), fy = EvalPLfunc(rel.get(), 1, y);
        const double ex = BruteForce(*d, b, false, x, W), ey = BruteForce(*d, b, true, y, H);
        ASSERT_NEAR(fx, ex, 1e-6 * (1 + ex)) << "block " << b << " x " << x;
        ASSERT_NEAR(fy, ey, 1e-6 * (1 + ey)) << "block " << b << " y " << y;
      }
    }
  }
}

// A net of the block alone adds nothing, a block without nets has a zero
// function, and a box that reaches past the chip is clipped to it.
TEST_F(NetLengthFunctionTest, EdgeCasesMatchTheBruteForce) {
  TestDesign d;
  for (int i = 0; i < 4; ++i) d.AddBlock(4, 4);
  d.AddTerminal(0, 0);
  d.AddTerminal(0, 0);
  d.AddNet({1});
  d.AddNet({1, 2}, 2.0);
  d.AddNet({4, -1, -2});
  d.Finish();
  const double at[][2] = {{0, 0}, {50, 50}, {30, 70}, {0, 0}, {0, 0}};
  for (int b = 1; b <= 4; ++b) d.blka[b]->x = at[b][0], d.blka[b]->y = at[b][1];
  d.pada[1]->x = 20, d.pada[1]->y = 10;
  d.pada[2]->x = 150, d.pada[2]->y = 30;  // beyond the chip width
  for (int b : {1, 3, 4}) {
    SetPLfunc(b, 100, 100, d.blka.data(), d.pada.data(), rel.get(), &d.params);
    for (double c : {0.0, 10.0, 30.0, 37.0, 45.0, 60.0, 100.0, 120.0, 250.0}) {
      EXPECT_DOUBLE_EQ(EvalPLfunc(rel.get(), 0, c), BruteForce(d, b, false, c, 100)) << b << " x " << c;
      EXPECT_DOUBLE_EQ(EvalPLfunc(rel.get(), 1, c), BruteForce(d, b, true, c, 100)) << b << " y " << c;
    }
  }
}

// More breakpoints than a list holds: 3400 nets to terminals at x = 1..3400.
// The changes that find no node go to the node before them, so the value
// at the origin and the slope past every breakpoint stay exact.
TEST_F(NetLengthFunctionTest, AFullListKeepsTheEndsExact) {
  TestDesign d;
  d.AddBlock(4, 4);
  for (int k = 1; k <= 3400; ++k) {
    d.AddTerminal(0, 0);
    d.AddNet({1, -k}, 0.5);
  }
  d.Finish();
  for (int k = 1; k <= 3400; ++k) d.pada[k]->x = k;
  SetPLfunc(1, 5000, 5000, d.blka.data(), d.pada.data(), rel.get(), &d.params);
  EXPECT_DOUBLE_EQ(EvalPLfunc(rel.get(), 0, 0), 0.5 * 3400 * 3401 / 2);
  EXPECT_DOUBLE_EQ(EvalPLfunc(rel.get(), 0, 12000) - EvalPLfunc(rel.get(), 0, 11000), 0.5 * 3400 * 1000);
}

}  // namespace
