// Design records: normalisation, block sizes from their cells, and the net
// lists of blocks and terminals.
#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "design_builder.h"
#include "test_support.h"

using namespace testing_support;

namespace {

// A 300 x 100 outline with its region at (40, 20): a fixed block at the
// region corner, a movable block with cells up to 8 x 6, a terminal at
// (0.25, 0.75), and a net of weight 2.7 (its blocks' degree grows by 2).
TEST(Normalize, ScalesTheOutlineToASumOf200AndMeasuresPresetsFromTheRegion) {
  TestDesign d;
  tagBLOCKCLASS* cls = d.AddClass(60, 40);
  cls->pinclasses = NewPinc();
  cls->pinclasses->x = 10;
  cls->pinclasses->y = 20;
  const int fixed = d.AddBlock(cls, 3), movable = d.AddBlock(cls, 0);
  d.AddTerminal(0.25, 0.75);
  d.AddNet({fixed, movable, -1}, 2.7);
  d.Link();
  d.root->width = 300;
  d.root->height = 100;
  tagBLOCK* design = d.design;
  design->region_x_lo = 40, design->region_y_lo = 20, design->region_x_hi = 340, design->region_y_hi = 120;
  tagBLOCK* f = d.block(fixed);
  f->fixed_x_lo = 40, f->fixed_y_lo = 20, f->fixed_x_hi = 100, f->fixed_y_hi = 60;
  tagBLOCK* m = d.block(movable);
  m->area = 1000, m->max_child_width = 8, m->max_child_height = 6, m->region_x_lo = 3, m->region_y_lo = 4;

  ASSERT_EQ(Normalize(design, d.norm), 1);
  EXPECT_EQ(std::vector<double>({d.norm->scale, d.norm->unscale, d.norm->unscale_sq, d.norm->big}),
            std::vector<double>({0.5, 2.0, 4.0, 0.5 * 9999999 * 0.999999}));
  EXPECT_EQ(std::make_pair(d.root->width, d.root->height), std::make_pair(150.0, 50.0));
  EXPECT_EQ(Dump(design),
            "design test blocks=2 terminals=1 nets=1 w=150 h=50 region=(20,10)-(170,60)\n"
            "class 1 - type=2 w=30 h=20 pin0@5,10\n"
            "terminal-class 1 @0.25,0.75\n"
            "block 1 b1 class=1 kind=3 area=600 deg=3 region=(0,0)-(30,20) fixed=(0,0)-(30,20) refs=1\n"
            "block 2 b2 class=1 area=250 deg=3 maxchild_w=4 maxchild_h=3 region=(3,4)-(150,50) refs=1\n"
            "terminal 1 p1 @0.25,0.75 class=1 nets=1 refs=1\n"
            "net 1 n1 w=2.7 deg=3: T1 b2 b1\n");
  // Nothing to scale: no records, or an outline without extent.
  EXPECT_EQ(Normalize(nullptr, d.norm), 0);
  EXPECT_EQ(Normalize(design, nullptr), 0);
  d.root->width = d.root->height = 0;
  EXPECT_EQ(Normalize(design, d.norm), 0);
}

// A group (a block without a class) of area 25, scaled by the area factor
// to 100, shaped around the sizes of its cells; a fixed block keeps its
// shape and area in a class of its own.
TEST(SetBlockDimension, ShapesMovableBlocksAroundTheirCells) {
  struct Case {
    std::vector<std::pair<double, double>> cells;
    double width, height;
    const char* output;
  } cases[] = {
      {{}, 10, 10, ""},                // a square
      {{{20, 3}, {5, 2}}, 20, 5, ""},  // the widest cell sets the width
      {{{20, 6}}, 5, 20, ""},          // too tall for the rest: turned
      {{{20, 3}, {4, 15}}, 5, 20, "Warning: Not proper block size!\n"},
      {{{4, 15}}, 25, 4, ""},  // a tall cell: its width becomes the height
  };
  for (const Case& c : cases) {
    TestDesign d;
    tagBLOCK* blk = d.block(d.AddBlock(10, 10));
    tagBLOCK* fixed = d.block(d.AddBlock(12, 8, 3));
    tagBLOCKCLASS* shared = fixed->blkclass;
    blk->blkclass = nullptr;
    blk->area = 25;
    for (auto [w, h] : c.cells) {
      tagBLOCK* cell = NewBlk();
      cell->blkclass = d.AddClass(w, h);
      cell->next = blk->children;
      blk->children = cell;
    }
    d.Link();
    CaptureStdout capture;
    sub_ar = 4.0;
    SetBlockDimension(d.design);
    sub_ar = 1.0;
    EXPECT_EQ(capture.Finish(), c.output);
    EXPECT_TRUE(fixed->blkclass != shared && fixed->blkclass->width == 12 && fixed->area == 96);
    EXPECT_EQ(std::make_pair(blk->blkclass->width, blk->blkclass->height), std::make_pair(c.width, c.height));
    EXPECT_EQ(blk->max_child_width, c.cells.empty() ? 0 : c.cells[0].first);
  }
}

}  // namespace
