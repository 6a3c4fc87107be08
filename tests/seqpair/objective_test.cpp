#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace {

// The search's quick comparison decides exactly as the relative one, also
// for ties, zeros, tiny areas, wire switched off and negative weights.
TEST(ImprovementTest, QuickComparisonAgreesWithTheRelativeOne) {
  tagPARAMETERS p;
  InitParameters(&p);
  init_genrand(12);
  const double areas[] = {0.0, 1e-7, 3.0, 7.5};
  const double wires[] = {0.0, 2.0, 9.0};
  const int vias[] = {0, 1, 4};
  const double weights[] = {1.0, 0.0, -0.5};
  for (int round = 0; round < 4000; ++round) {
    p.opt_wire = round % 5 != 0;
    p.deltac_wgt = weights[genrand_int31() % 3];
    p.deltnt_wgt = weights[genrand_int31() % 3];
    p.deltvia_wgt = weights[genrand_int31() % 3];
    const double a1 = areas[genrand_int31() % 4], a2 = areas[genrand_int31() % 4];
    const double w1 = wires[genrand_int31() % 3], w2 = wires[genrand_int31() % 3];
    const int v1 = vias[genrand_int31() % 3], v2 = vias[genrand_int31() % 3];
    EXPECT_EQ(Improves(a1, a2, w1, w2, v1, v2, &p), improvement(a1, a2, w1, w2, v1, v2, &p) > 0)
        << a1 << " " << a2 << " " << w1 << " " << w2 << " " << v1 << " " << v2 << " weights " << p.deltac_wgt
        << " " << p.deltnt_wgt << " " << p.deltvia_wgt;
  }
}

// Each restart of the insertion optimiser takes the next phase's factor of
// the area weight, 0.9, 1.2, 0.8, 1, jittered by a tenth.
TEST(SetNewWeightTest, PhasesTakeTheirFactorsInTurn) {
  tagPARAMETERS p;
  InitParameters(&p);
  p.wgt_phase = 0;
  for (const double factor : {0.9, 1.2, 0.8, 1.0}) {
    SetNewWeight(&p);
    EXPECT_NEAR(p.area_wgt / p.movarea, factor, 0.1 * factor) << p.wgt_phase;
  }
}

// A pin 2, 1 from the corner of a 10 x 6 class, on a block at 100, 50 inside
// a parent at 5, 5: at the centre when asked, else one of the eight images
// of that corner offset, a different one per orientation, inside the block;
// without an offset at the centre too.
TEST(SetPinPositionTest, CentreOrEachOrientationsImageOfTheOffset) {
  tagPARAMETERS p;
  InitParameters(&p);
  tagBLOCKCLASS cls{};
  cls.width = 10, cls.height = 6;
  tagPINCLASS offset{};
  offset.x = 2, offset.y = 1;
  tagBLOCK parent{}, blk{};
  parent.x = parent.y = 5;
  blk.parent = &parent, blk.blkclass = &cls, blk.x = 100, blk.y = 50;
  tagPIN pin{};
  pin.owner = &blk, pin.pinclass = &offset;
  std::set<std::pair<double, double>> images;
  for (int orient = 0; orient < 8; ++orient) {
    blk.orient = orient;
    blk.width = orient % 2 ? 6 : 10, blk.height = orient % 2 ? 10 : 6;
    p.pin_at_center = 1;
    SetPinPosition(&pin, &p);
    EXPECT_EQ(std::pair(pin.x, pin.y), std::pair(105 + blk.width / 2, 55 + blk.height / 2)) << orient;
    p.pin_at_center = 0;
    SetPinPosition(&pin, &p);
    EXPECT_TRUE(pin.x - 105 >= 0 && pin.x - 105 <= blk.width && pin.y - 55 >= 0 && pin.y - 55 <= blk.height)
        << orient;
    images.emplace(pin.x - 105, pin.y - 55);
  }
  EXPECT_EQ(images.size(), 8u);
  pin.pinclass = nullptr;  // no offset given: the centre
  SetPinPosition(&pin, &p);
  EXPECT_EQ(std::pair(pin.x, pin.y), std::pair(105 + blk.width / 2, 55 + blk.height / 2));
}

}  // namespace
