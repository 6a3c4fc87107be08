// Pin lists of blocks and positions of pins without geometry: block
// centres, perimeter slots, and terminals around the outline or on pads.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "design_builder.h"
#include "test_support.h"
#include "tiers/tiers.h"

using namespace testing_support;

namespace {

// Blocks list their pins in reverse net-list order, terminals keep their own
// list, and a rebuilt list starts from empty.
TEST(SetPinListForBlocks, ListsEveryBlockPinInReverseNetOrder) {
  TestDesign d;
  d.AddBlock(5, 5);
  d.AddBlock(5, 5);
  d.AddTerminal(0, 0);
  d.AddNet({1, -1, 1});
  d.AddNet({2, 1});
  d.Link();
  for (int rebuild = 0; rebuild < 2; ++rebuild) SetPinListForBlocks(d.design);
  EXPECT_NE(Dump(d.design).find("block 1 b1 class=1 area=25 deg=6 npins=3 refs=1,1,2 pins=2,1,1\n"
                                "block 2 b2 class=2 area=25 deg=2 npins=1 refs=2 pins=2\n"),
            std::string::npos)
      << Dump(d.design);
}

// Pins of a 90 x 60 block in perimeter slots (or at the centre), given
// pins kept, and a mix of both reported.
TEST(SetBlockPinPositions, PutsPinsIntoPerimeterSlotsOrAtTheCentre) {
  struct Case {
    int count, given;  // pins on one net; the first `given` of them have a place
    int centre;
    const char *output, *pins;  // the end of the block's line
  } cases[] = {
      {0, 0, 0, "", "area=5400\n"},
      {4, 0, 0, "", " pins=1@0,30,1@45,60,1@45,0,1@90,30\n"},
      {4, 0, 1, "", " pins=1@45,30,1@45,30,1@45,30,1@45,30\n"},
      {5, 0, 0, "", " pins=1@0,20,1@0,40,1@30,60,1@60,60,1@30,0\n"},
      {2, 1, 0, "Some pins have positions while some pins have no positions!\n", " pins=1@7,8,1@45,60\n"},
  };
  for (const Case& c : cases) {
    TestDesign d;
    d.AddBlock(90, 60);
    if (c.count) d.AddNet(std::vector<int>(c.count, 1));
    d.Link();
    SetPinListForBlocks(d.design);
    tagPIN* pin = d.block(1)->pins;
    for (int k = 0; k < c.given; ++k, pin = pin->next) {
      pin->pinclass = NewPinc();
      pin->pinclass->x = 7, pin->pinclass->y = 8;
      d.block(1)->blkclass->pinclasses = pin->pinclass;
    }
    d.params.pin_at_center = c.centre;
    CaptureStdout capture;
    SetPinPositions(d.design, &d.params);
    EXPECT_EQ(capture.Finish(), c.output);
    EXPECT_NE(Dump(d.design).find(c.pins), std::string::npos) << Dump(d.design);
  }
}

// Eight terminals around a 100 x 50 outline, two per side, and a zero
// outline that leaves the fractions at 0.
TEST(SetExtPinPositions, SpreadsTerminalsAroundTheOutline) {
  const double third = 1.0 / 3;  // fractions of the outline, left side first
  const double at[8][2] = {{0, third}, {0, 2 * third}, {third, 1}, {2 * third, 1},
                           {third, 0}, {2 * third, 0}, {1, third}, {1, 2 * third}};
  for (double width : {100.0, 0.0}) {
    TestDesign d;
    for (int k = 0; k < 8; ++k) d.AddTerminal(0.5, 0.5);
    d.Link();
    d.design->width = width;
    d.design->height = width / 2;
    SetExtPinPositions(d.design);
    for (int k = 0; k < 8; ++k) {
      const tagPIN* t = d.terminal(k + 1);
      const double fx = width ? at[k][0] : 0.0, fy = width ? at[k][1] : 0.0;
      EXPECT_NEAR(t->pinclass->x, fx, 1e-12) << "terminal " << k + 1 << " width " << width;
      EXPECT_NEAR(t->pinclass->y, fy, 1e-12) << "terminal " << k + 1 << " width " << width;
      EXPECT_NEAR(t->x, fx * width, 1e-9) << "terminal " << k + 1;
      EXPECT_NEAR(t->y, fy * width / 2, 1e-9) << "terminal " << k + 1;
    }
  }
}

// A terminal on a 10 x 4 pad at (30, 12), region corner (5, 2), sits at the
// pad's centre; odd orientations turn the pad, unknown ones are reported.
TEST(SetExtPinPositions, PutsAPadTerminalAtThePadCentre) {
  for (auto [orient, x, y] :
       {std::tuple{0, 30.0, 12.0}, {2, 30.0, 12.0}, {1, 27.0, 15.0}, {7, 27.0, 15.0}, {9, 30.0, 12.0}}) {
    TestDesign d;
    tagBLOCK* pad = d.block(d.AddBlock(10, 4, 3));
    pad->orient = orient;
    pad->fixed_x_lo = 30, pad->fixed_y_lo = 12;
    tagPIN* term = d.terminal(d.AddTerminal(0, 0));
    d.Link();
    term->owner = pad;
    d.design->width = 200, d.design->height = 100, d.design->region_x_lo = 5, d.design->region_y_lo = 2;
    CaptureStdout capture;
    SetExtPinPositions(d.design);
    EXPECT_EQ(capture.Finish(), orient > 7 ? "Warning: Error When processing IO PAD!\n" : "");
    EXPECT_EQ(std::vector<double>({term->x, term->y, term->pinclass->x, term->pinclass->y}),
              std::vector<double>({x, y, x / 200, y / 100}))
        << orient;
    EXPECT_EQ(term->owner, d.design);
  }
}

}  // namespace
