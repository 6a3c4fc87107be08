// Pin lists of blocks and positions of pins without geometry: block
// centres, perimeter slots, and terminals around the outline or on pads.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "driver/parameters.h"
#include "driver/records.h"
#include "test_support.h"
#include "tiers/tiers.h"

using namespace testing_support;

namespace {

using Point = std::pair<double, double>;

struct Design {
  tagBLOCKCLASS* root = NewBlkc();
  tagBLOCK* design = NewBlk();
  tagNORMPARA* norm = new tagNORMPARA{};
  tagPARAMETERS params{};
  Design() { design->blkclass = root; }
  ~Design() { free_memory(design, root, nullptr, norm); }

  tagBLOCK* AddBlock(double w, double h) {
    tagBLOCKCLASS* cls = NewBlkc();
    cls->width = w;
    cls->height = h;
    cls->next = root->classes;
    root->classes = cls;
    tagBLOCK* blk = NewBlk();
    blk->blkclass = cls;
    blk->parent = design;
    blk->next = design->children;
    design->children = blk;
    return blk;
  }
  // A net whose pin list holds the given owners in this order (null: a terminal).
  tagNET* AddNet(const std::vector<tagBLOCK*>& owners, tagPIN* term = nullptr) {
    tagNET* net = NewNet();
    tagPINLIST** tail = &net->pins;
    for (tagBLOCK* owner : owners) {
      tagPIN* pin = owner ? NewPin() : term;
      if (owner) {
        pin->owner = owner;
        pin->net = net;
      }
      *tail = NewPinList();
      (*tail)->pin = pin;
      tail = &(*tail)->next;
    }
    net->next = design->nets;
    design->nets = net;
    return net;
  }
  tagPIN* AddTerminal(int id) {
    tagPIN* term = NewPin();
    term->id = id;
    term->owner = design;
    term->next = design->pins;
    design->pins = term;
    design->pin_count += 1;
    return term;
  }
};

tagPIN* PinAt(const tagNET* net, int index) {
  const tagPINLIST* node = net->pins;
  while (index-- > 0) node = node->next;
  return static_cast<tagPIN*>(node->pin);
}

std::vector<tagPIN*> PinsOf(const tagBLOCK* blk) {
  std::vector<tagPIN*> pins;
  for (tagPIN* pin = blk->pins; pin; pin = pin->next) pins.push_back(pin);
  return pins;
}

std::vector<Point> Positions(const tagBLOCK* blk) {
  std::vector<Point> points;
  for (tagPIN* pin = blk->pins; pin; pin = pin->next)
    points.emplace_back(pin->pinclass->x, pin->pinclass->y);
  return points;
}

// A block with `count` pins, all on one net.
tagBLOCK* BlockWithPins(Design& d, int count, double w, double h) {
  tagBLOCK* blk = d.AddBlock(w, h);
  d.AddNet(std::vector<tagBLOCK*>(count, blk));
  SetPinListForBlocks(d.design);
  return blk;
}

// --- pin lists ----------------------------------------------------------------------

TEST(SetPinListForBlocks, PinsStandInReverseNetListOrder) {
  Design d;
  tagBLOCK* b2 = d.AddBlock(5, 5);
  tagBLOCK* b1 = d.AddBlock(5, 5);
  tagPIN* term = d.AddTerminal(3);
  tagNET* second = d.AddNet({b2, b1});
  tagNET* first = d.AddNet({b1, nullptr, b1}, term);  // pushed last: first in the list

  SetPinListForBlocks(d.design);
  EXPECT_EQ(PinsOf(b1), (std::vector<tagPIN*>{PinAt(second, 1), PinAt(first, 2), PinAt(first, 0)}));
  EXPECT_EQ(b1->pin_count, 3);
  EXPECT_EQ(PinsOf(b2), (std::vector<tagPIN*>{PinAt(second, 0)}));
  EXPECT_EQ(b2->pin_count, 1);
  EXPECT_EQ(term->next, nullptr);  // terminals keep their own list

  // Rebuilding starts from empty lists.
  SetPinListForBlocks(d.design);
  EXPECT_EQ(b1->pin_count, 3);
  EXPECT_EQ(PinsOf(b1).size(), 3u);
}

// --- block pins ---------------------------------------------------------------------

TEST(SetBlockPinPositions, FivePinsFillTwoSlotsPerSide) {
  Design d;
  d.params.pin_at_center = 0;
  tagBLOCK* blk = BlockWithPins(d, 5, 90, 60);
  SetPinPositions(d.design, &d.params);
  EXPECT_EQ(Positions(blk),
            (std::vector<Point>{{0, 20}, {0, 40}, {30, 60}, {60, 60}, {30, 0}}));
  // New pin classes go on the block's class, the last one first.
  int count = 0;
  for (tagPINCLASS* pc = blk->blkclass->pinclasses; pc; pc = pc->next) ++count;
  EXPECT_EQ(count, 5);
  EXPECT_EQ(blk->blkclass->pinclasses, PinsOf(blk).back()->pinclass);
}

TEST(SetBlockPinPositions, FourPinsGoLeftTopBottomRightUnlessPinsSitAtTheCentre) {
  for (int centre : {0, 1}) {
    Design d;
    d.params.pin_at_center = centre;
    tagBLOCK* blk = BlockWithPins(d, 4, 90, 60);
    SetBlockPinPositions(blk, &d.params);
    const std::vector<Point> expected =
        centre ? std::vector<Point>(4, {45, 30}) : std::vector<Point>{{0, 30}, {45, 60}, {45, 0}, {90, 30}};
    EXPECT_EQ(Positions(blk), expected);
  }
}

TEST(SetBlockPinPositions, MixedPinsAreReportedAndSlotted) {
  Design d;
  d.params.pin_at_center = 0;
  tagBLOCK* blk = BlockWithPins(d, 2, 90, 60);
  tagPINCLASS* given = NewPinc();
  given->x = 7;
  given->y = 8;
  blk->blkclass->pinclasses = given;
  blk->pins->pinclass = given;

  CaptureStdout capture;
  SetBlockPinPositions(blk, &d.params);
  EXPECT_EQ(capture.Finish(), "Some pins have positions while some pins have no positions!\n");
  // The given pin keeps its class; the other takes slot 1 (k = 1: the top side).
  EXPECT_EQ(Positions(blk), (std::vector<Point>{{7, 8}, {45, 60}}));

  // With pins at the centre, a placed pin after the first is reported too.
  d.params.pin_at_center = 1;
  tagBLOCK* second = BlockWithPins(d, 3, 90, 60);
  second->blkclass->pinclasses = NewPinc();
  second->pins->next->pinclass = second->blkclass->pinclasses;
  CaptureStdout again;
  SetBlockPinPositions(second, &d.params);
  EXPECT_EQ(again.Finish(), "Some pins have positions while some pins have no positions!\n");
}

TEST(SetBlockPinPositions, BlockWithoutPinsGetsNoPinClasses) {
  Design d;
  d.params.pin_at_center = 0;
  tagBLOCK* blk = d.AddBlock(10, 10);
  SetPinListForBlocks(d.design);
  SetPinPositions(d.design, &d.params);
  EXPECT_EQ(blk->pins, nullptr);
  EXPECT_EQ(blk->blkclass->pinclasses, nullptr);
}

// --- terminals ------------------------------------------------------------------------

TEST(SetExtPinPositions, EightTerminalsAroundTheOutline) {
  Design d;
  d.design->width = 100;
  d.design->height = 50;
  std::vector<tagPIN*> terms;
  for (int id = 8; id >= 1; --id) terms.insert(terms.begin(), d.AddTerminal(id));
  SetExtPinPositions(d.design);

  const std::vector<Point> expected{{0, 1.0 / 3}, {0, 2.0 / 3}, {1.0 / 3, 1}, {2.0 / 3, 1},
                                    {1.0 / 3, 0}, {2.0 / 3, 0}, {1, 1.0 / 3}, {1, 2.0 / 3}};
  for (size_t i = 0; i < terms.size(); ++i) {
    SCOPED_TRACE(i);
    ASSERT_NE(terms[i]->pinclass, nullptr);
    EXPECT_DOUBLE_EQ(terms[i]->pinclass->x, expected[i].first);
    EXPECT_DOUBLE_EQ(terms[i]->pinclass->y, expected[i].second);
    EXPECT_DOUBLE_EQ(terms[i]->x, expected[i].first * 100);
    EXPECT_DOUBLE_EQ(terms[i]->y, expected[i].second * 50);
    EXPECT_EQ(terms[i]->pinclass->id, terms[i]->id);
  }
  // New classes are pushed on the design's class: the last terminal's first.
  EXPECT_EQ(d.root->pinclasses, terms.back()->pinclass);
}

class PadTerminal : public testing::TestWithParam<std::pair<int, Point>> {};

TEST_P(PadTerminal, SitsAtThePadCentre) {
  const auto [orient, expected] = GetParam();
  Design d;
  d.design->width = 200;
  d.design->height = 100;
  d.design->region_x_lo = 5;
  d.design->region_y_lo = 2;
  tagBLOCK* pad = d.AddBlock(10, 4);
  pad->kind = 3;
  pad->orient = orient;
  pad->fixed_x_lo = 30;
  pad->fixed_y_lo = 12;
  tagPIN* term = d.AddTerminal(1);
  term->owner = pad;
  tagPINCLASS* existing = NewPinc();
  d.root->pinclasses = existing;
  term->pinclass = existing;

  CaptureStdout capture;
  SetExtPinPositions(d.design);
  const std::string out = capture.Finish();
  EXPECT_EQ(out, orient > 7 ? "Warning: Error When processing IO PAD!\n" : "");
  EXPECT_DOUBLE_EQ(term->x, expected.first);
  EXPECT_DOUBLE_EQ(term->y, expected.second);
  EXPECT_EQ(term->owner, d.design);
  // The existing class is overwritten in place.
  EXPECT_EQ(term->pinclass, existing);
  EXPECT_EQ(existing->next, nullptr);
  EXPECT_DOUBLE_EQ(existing->x, expected.first / 200);
  EXPECT_DOUBLE_EQ(existing->y, expected.second / 100);
}

// Pad 10 x 4 at (30, 12), region corner (5, 2): odd orientations turn it.
INSTANTIATE_TEST_SUITE_P(Orientations, PadTerminal,
                         testing::Values(std::make_pair(0, Point{30, 12}),
                                         std::make_pair(2, Point{30, 12}),
                                         std::make_pair(1, Point{27, 15}),
                                         std::make_pair(7, Point{27, 15}),
                                         std::make_pair(9, Point{30, 12})));

TEST(SetExtPinPositions, ZeroOutlineLeavesFractionsAtZero) {
  Design d;
  tagPIN* term = d.AddTerminal(1);
  SetExtPinPositions(d.design);
  ASSERT_NE(term->pinclass, nullptr);
  EXPECT_EQ(term->pinclass->x, 0.0);
  EXPECT_EQ(term->pinclass->y, 0.0);
}

}  // namespace
