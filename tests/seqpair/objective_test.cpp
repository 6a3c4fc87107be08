#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace {

// Net lengths and CalcObj's bound excess are checked against the candidates
// of the insertion search (insertion_search_test.cpp), its packing against
// longest paths (packing_test.cpp), and whole runs by fpcheck.
TEST(AreaCostTest, ChargesTheOverflowOfTheOutline) {
  ResetEngineState();
  tagPARAMETERS p;
  InitParameters(&p);
  shape_h = shape_v = 100.0;
  struct Case {
    double aspect_ratio, area_wgt, before_w;  // before_w: chip width without the block
    double w, h, insertion, exact;
  };
  const Case cases[] = {
      {1, 1, 0, 100, 100, 0, 0},  // inside the outline costs nothing
      // An overflow is charged three times, plus a sixteenth of the size.
      {1, 1, 0, 110, 120, 40 + 10 + 20 + 120.0 / 16, 40 + 10 + 20 + 120.0 / 16},
      {1, 2, 0, 110, 50, 60 + 110.0 / 16, 60 + 110.0 / 16},
      // The aspect ratio scales the height: overflow 5 counts as 10, the size 2 H.
      {2, 1, 0, 50, 105, 30 + 210.0 / 16, 30 + 210.0 / 16},
      // An overflow before the move counts for every candidate; the exact
      // form measures the floorplan at least as large as before.
      {1, 1, 120, 90, 40, 60 + 90.0 / 16, 60 + 120.0 / 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << " x " << c.h << " after " << c.before_w);
    p.aspect_ratio = c.aspect_ratio;
    p.area_wgt = c.area_wgt;
    mxdsth = c.before_w;
    EXPECT_DOUBLE_EQ(InsertionAreaCost(c.w, c.h, &p), c.insertion);
    EXPECT_DOUBLE_EQ(ExactAreaCost(c.w, c.h, &p), c.exact);
    if (c.before_w == 0 && c.area_wgt == 1) {
      EXPECT_DOUBLE_EQ(AreaCost(c.w, c.h, 0, 0, 1.0, &p), c.insertion);
    }
  }

  // The floorplan's objective adds the gaps (twice the larger plus both),
  // the wire and the area cost, each with its weight.
  p.aspect_ratio = p.area_wgt = p.net_scale = 1.0;
  p.obj_area_wgt = 3.0, p.allfix = 100.0, p.allnet = 2.0;
  mxdstha = 110, mxdstva = 50, ngap_h = 1.0, ngap_v = 4.0;
  EXPECT_DOUBLE_EQ(FloorplanObjective(7.0, &p),
                   (2 * 4 + 1 + 4) * 100.0 + 7.0 * 2 + (110.0 / 16 + 20 + 10) * 3.0);
  // Inside the outline only the gaps and the wire count.
  EXPECT_DOUBLE_EQ(ObjectiveValue(90, 90, 0, 0, 7.0, &p), 14.0);
}

// Relative differences over the larger value, weighted; ties, tiny areas,
// an empty wire and the sentinel of an empty candidate list.
TEST(ImprovementTest, WeighsRelativeDifferences) {
  tagPARAMETERS p;
  InitParameters(&p);
  const double s = kInfinity;
  const int v = kIntInfinity;
  struct Case {
    int opt_wire;
    double deltac_wgt, deltvia_wgt;
    double area_old, area_new, wire_old, wire_new;
    int vias_old, vias_new;
    double expected;  // below -10: any positive value; above 10: any negative one
  };
  const Case cases[] = {
      {1, 1, 1, 5, 5, 7, 7, 3, 3, 0.0},
      {0, 1, 1, 2, 1, 100, 1, 0, 0, 0.5},  // wire ignored
      {1, 1, 1, 1, 1, 8, 10, 0, 0, -0.2},
      {1, 1, 1, 1, 1, 1, 1, 4, 2, 0.5},
      {0, 0.5, 2, 2, 1, 1, 1, 4, 2, 0.5 * 0.5 + 2.0 * 0.5},
      {0, 1, 1, 1e-7, 5e-7, 1, 1, 0, 0, 0.0},  // tiny areas count as equal
      {1, 1, 1, 2, 1, 0, 0, 0, 0, 0.5},        // an empty wire is no problem
      {1, 1, 1, s, 1e6, s, 1e6, v, 1000, -11},
      {1, 1, 1, 0, s, 0, s, 0, v, 11},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.area_old << " " << c.area_new << " " << c.wire_old << " "
                                    << c.wire_new << " " << c.vias_old << " " << c.vias_new);
    p.opt_wire = c.opt_wire;
    p.deltac_wgt = c.deltac_wgt;
    p.deltnt_wgt = 1.0;
    p.deltvia_wgt = c.deltvia_wgt;
    const double got =
        improvement(c.area_old, c.area_new, c.wire_old, c.wire_new, c.vias_old, c.vias_new, &p);
    EXPECT_TRUE(c.expected < -10  ? got > 0
                : c.expected > 10 ? got < 0
                                  : std::abs(got - c.expected) < 1e-12)
        << got;
  }
}

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
