// Design records: normalisation, hierarchical block sizes,
// per-block and per-terminal net lists, and release of a whole design.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "driver/records.h"
#include "test_support.h"

using namespace testing_support;

namespace {

tagBLOCKCLASS* MakeClass(int id, double w, double h) {
  tagBLOCKCLASS* cls = NewBlkc();
  cls->id = id;
  cls->width = w;
  cls->height = h;
  return cls;
}

void PushClass(tagBLOCKCLASS* root, tagBLOCKCLASS* cls) {
  cls->next = root->classes;
  root->classes = cls;
}

tagBLOCK* AddBlock(tagBLOCK* design, int id, tagBLOCKCLASS* cls) {
  tagBLOCK* blk = NewBlk();
  blk->id = id;
  blk->blkclass = cls;
  blk->parent = design;
  blk->next = design->children;
  design->children = blk;
  return blk;
}

tagBLOCK* AddChild(tagBLOCK* parent, tagBLOCKCLASS* cls) {
  tagBLOCK* child = NewBlk();
  child->blkclass = cls;
  child->parent = parent;
  child->next = parent->children;
  parent->children = child;
  return child;
}

void AddToNet(tagNET* net, tagPIN* pin) {
  tagPINLIST* node = NewPinList();
  node->pin = pin;
  node->next = net->pins;
  net->pins = node;
}

tagPIN* AddBlockPin(tagNET* net, tagBLOCK* owner) {
  tagPIN* pin = NewPin();
  pin->owner = owner;
  pin->net = net;
  AddToNet(net, pin);
  return pin;
}

std::vector<int> RefIds(const tagPINLIST* refs) {
  std::vector<int> ids;
  for (; refs; refs = refs->next) ids.push_back(static_cast<const tagNET*>(refs->pin)->id);
  return ids;
}

// A root class and a design record, released with free_memory.
struct Design {
  tagBLOCKCLASS* root = NewBlkc();
  tagBLOCK* design = NewBlk();
  tagNORMPARA* norm = new tagNORMPARA{};
  Design() { design->blkclass = root; }
  ~Design() { free_memory(design, root, nullptr, norm); }
};

// ----------------------------------------------------------------------------

// --- Normalize -----------------------------------------------------------------

class NormalizeTest : public testing::Test {
 protected:
  void SetUp() override {
    d.root->width = 300;
    d.root->height = 100;
    d.design->region_x_lo = 40;
    d.design->region_y_lo = 20;
    d.design->region_x_hi = 340;
    d.design->region_y_hi = 120;
    cls = MakeClass(1, 60, 40);
    pin_class = NewPinc();
    pin_class->x = 10;
    pin_class->y = 20;
    cls->pinclasses = pin_class;
    PushClass(d.root, cls);

    fixed = AddBlock(d.design, 2, cls);
    fixed->kind = 3;
    fixed->fixed_x_lo = 40;  // at the design region's lower-left corner
    fixed->fixed_y_lo = 20;
    fixed->fixed_x_hi = 100;
    fixed->fixed_y_hi = 60;
    fixed->area = 2400;

    movable = AddBlock(d.design, 1, cls);
    movable->area = 1000;
    movable->max_child_width = 8;
    movable->max_child_height = 6;
    movable->region_x_lo = 3;
    movable->region_y_lo = 4;

    term = NewPin();
    term->id = 1;
    term->pinclass = NewPinc();
    term->pinclass->x = 0.25;
    term->pinclass->y = 0.75;
    term->pinclass->next = d.root->pinclasses;
    d.root->pinclasses = term->pinclass;
    term->owner = d.design;
    d.design->pins = term;
  }

  Design d;
  tagBLOCKCLASS* cls;
  tagPINCLASS* pin_class;
  tagBLOCK *fixed, *movable;
  tagPIN* term;
};

TEST_F(NormalizeTest, OutlineSumsTo200) {
  ASSERT_EQ(Normalize(d.design, d.norm), 1);
  EXPECT_DOUBLE_EQ(d.norm->scale, 0.5);
  EXPECT_DOUBLE_EQ(d.norm->unscale, 2.0);
  EXPECT_DOUBLE_EQ(d.norm->unscale_sq, 4.0);
  EXPECT_DOUBLE_EQ(d.norm->big, 0.5 * 9999999 * 0.999999);
  EXPECT_DOUBLE_EQ(d.design->width + d.design->height, 200);
  EXPECT_DOUBLE_EQ(d.design->width, 150);
  EXPECT_DOUBLE_EQ(d.root->width, 150);
  EXPECT_DOUBLE_EQ(d.root->height, 50);
  EXPECT_DOUBLE_EQ(d.design->region_x_lo, 20);
  EXPECT_DOUBLE_EQ(d.design->region_y_hi, 60);
}

TEST_F(NormalizeTest, ScalesClassesPinsAndAreas) {
  Normalize(d.design, d.norm);
  EXPECT_DOUBLE_EQ(cls->width, 30);
  EXPECT_DOUBLE_EQ(cls->height, 20);
  EXPECT_DOUBLE_EQ(pin_class->x, 5);
  EXPECT_DOUBLE_EQ(pin_class->y, 10);
  EXPECT_DOUBLE_EQ(movable->area, 250);
  EXPECT_DOUBLE_EQ(movable->max_child_width, 4);
  EXPECT_DOUBLE_EQ(movable->max_child_height, 3);
  // Terminal fractions are not lengths: copied, not scaled.
  EXPECT_DOUBLE_EQ(term->pinclass->x, 0.25);
  EXPECT_DOUBLE_EQ(term->x, 0.25);
  EXPECT_DOUBLE_EQ(term->y, 0.75);
}

TEST_F(NormalizeTest, PresetRectanglesAreMeasuredFromTheRegionCorner) {
  Normalize(d.design, d.norm);
  EXPECT_DOUBLE_EQ(fixed->fixed_x_lo, 0);
  EXPECT_DOUBLE_EQ(fixed->fixed_y_lo, 0);
  EXPECT_DOUBLE_EQ(fixed->fixed_x_hi, 30);
  EXPECT_DOUBLE_EQ(fixed->fixed_y_hi, 20);
  EXPECT_DOUBLE_EQ(fixed->region_x_lo, 0);
  EXPECT_DOUBLE_EQ(fixed->region_y_lo, 0);
  EXPECT_DOUBLE_EQ(fixed->region_x_hi, 30);
  EXPECT_DOUBLE_EQ(fixed->region_y_hi, 20);
  // A movable block may go anywhere up to the outline; its low corner stays.
  EXPECT_DOUBLE_EQ(movable->region_x_lo, 3);
  EXPECT_DOUBLE_EQ(movable->region_y_lo, 4);
  EXPECT_DOUBLE_EQ(movable->region_x_hi, 150);
  EXPECT_DOUBLE_EQ(movable->region_y_hi, 50);
}

TEST_F(NormalizeTest, RefusesMissingRecordsAndEmptyOutlines) {
  EXPECT_EQ(Normalize(nullptr, d.norm), 0);
  EXPECT_EQ(Normalize(d.design, nullptr), 0);
  d.root->width = d.root->height = 0;
  EXPECT_EQ(Normalize(d.design, d.norm), 0);
  EXPECT_EQ(d.norm->scale, 0.0);
  EXPECT_DOUBLE_EQ(cls->width, 60);
}

// --- SetBlockDimension --------------------------------------------------------------

// One movable block of the given area whose children have the given class sizes.
struct Hierarchy {
  Design d;
  tagBLOCK* blk;
  Hierarchy(double area, const std::vector<std::pair<double, double>>& children) {
    blk = AddBlock(d.design, 1, nullptr);
    blk->area = area;
    int id = 1;
    for (auto [w, h] : children) {
      tagBLOCKCLASS* cls = MakeClass(id++, w, h);
      PushClass(d.root, cls);
      AddChild(blk, cls);
    }
  }
  std::string Run() {
    CaptureStdout capture;
    SetBlockDimension(d.design);
    return capture.Finish();
  }
};

// A movable block of area 100 shaped around the sizes of its children.
struct ShapeCase {
  const char* label;
  std::vector<std::pair<double, double>> children;
  double width, height, max_child_width, max_child_height;
  const char* output;
};

class SetBlockDimensionShape : public testing::TestWithParam<ShapeCase> {};

TEST_P(SetBlockDimensionShape, FitsTheChildren) {
  const ShapeCase& c = GetParam();
  Hierarchy h(100, c.children);
  EXPECT_EQ(h.Run(), c.output);
  EXPECT_DOUBLE_EQ(h.blk->blkclass->width, c.width);
  EXPECT_DOUBLE_EQ(h.blk->blkclass->height, c.height);
  EXPECT_DOUBLE_EQ(h.blk->max_child_width, c.max_child_width);
  EXPECT_DOUBLE_EQ(h.blk->max_child_height, c.max_child_height);
}

INSTANTIATE_TEST_SUITE_P(
    Children, SetBlockDimensionShape,
    testing::Values(ShapeCase{"none_gives_a_square", {}, 10, 10, 0, 0, ""},
                    ShapeCase{"wide_child_sets_the_width", {{20, 3}, {5, 2}}, 20, 5, 20, 3, ""},
                    ShapeCase{"wide_child_too_tall_for_the_rest_turns_it", {{20, 6}}, 5, 20, 20, 6, ""},
                    ShapeCase{"wider_and_taller_than_the_square_warns", {{20, 3}, {4, 15}}, 5, 20, 20, 15,
                              "Warning: Not proper block size!\n"},
                    // The widest child's width becomes the height.
                    ShapeCase{"tall_child", {{4, 15}}, 25, 4, 4, 15, ""}),
    [](const testing::TestParamInfo<ShapeCase>& info) { return std::string(info.param.label); });

TEST(SetBlockDimension, AreaFactorEnlargesMovableBlocks) {
  Hierarchy h(100, {});
  sub_ar = 4.0;
  h.Run();
  sub_ar = 1.0;
  EXPECT_DOUBLE_EQ(h.blk->area, 400);
  EXPECT_DOUBLE_EQ(h.blk->blkclass->width, 20);
}

TEST(SetBlockDimension, FixedBlocksGetAPrivateCopyOfTheirClass) {
  Design d;
  tagBLOCKCLASS* shared = MakeClass(7, 12, 8);
  shared->name = CopyName("PAD");
  shared->type = 4;
  tagPINCLASS* pc = NewPinc();
  shared->pinclasses = pc;
  PushClass(d.root, shared);
  tagBLOCK* second = AddBlock(d.design, 2, shared);
  tagBLOCK* first = AddBlock(d.design, 1, shared);
  first->kind = second->kind = 3;
  first->area = second->area = 96;
  SetBlockDimension(d.design);

  // Numbered on from the first class of the root list, in block-list order.
  ASSERT_NE(first->blkclass, shared);
  ASSERT_NE(second->blkclass, shared);
  EXPECT_EQ(first->blkclass->id, 8);
  EXPECT_EQ(second->blkclass->id, 9);
  EXPECT_EQ(d.root->classes, second->blkclass);
  EXPECT_EQ(d.root->classes->next, first->blkclass);
  EXPECT_EQ(d.root->classes->next->next, shared);
  for (tagBLOCK* b : {first, second}) {
    EXPECT_EQ(b->blkclass->name, nullptr);
    EXPECT_EQ(b->blkclass->type, 4);
    EXPECT_DOUBLE_EQ(b->blkclass->width, 12);
    EXPECT_DOUBLE_EQ(b->blkclass->height, 8);
    EXPECT_DOUBLE_EQ(b->area, 96);  // the area factor applies to movable blocks only
    EXPECT_EQ(b->blkclass->pinclasses, nullptr);
  }
  EXPECT_EQ(shared->pinclasses, pc);
}

TEST(SetBlockDimensionDeath, FixedBlockWithoutClassEndsTheRun) {
  auto run = [] {
    dup2(fileno(stderr), fileno(stdout));
    Design d;
    AddBlock(d.design, 1, nullptr)->kind = 3;
    SetBlockDimension(d.design);
  };
  EXPECT_EXIT(run(), testing::ExitedWithCode(1), "^Warning: Fixed block has no block class!\n$");
}

// --- FindExtNetsForBlocks ------------------------------------------------------------

TEST(FindExtNetsForBlocks, BuildsNetListsOfBlocksAndTerminals) {
  Design d;
  tagBLOCK* b2 = AddBlock(d.design, 2, nullptr);
  tagBLOCK* b1 = AddBlock(d.design, 1, nullptr);
  tagPIN* term = NewPin();
  term->id = 3;
  term->owner = d.design;
  d.design->pins = term;

  tagNET* n2 = NewNet();
  n2->id = 2;
  n2->weight = 2.7;
  AddToNet(n2, term);
  AddBlockPin(n2, b1);
  AddBlockPin(n2, b2);
  tagNET* n1 = NewNet();
  n1->id = 1;
  n1->weight = 1.0;
  AddToNet(n1, term);
  AddBlockPin(n1, b1);
  n1->next = n2;
  d.design->nets = n1;
  b1->degree = 2;  // as the net reader leaves it

  FindExtNetsForBlocks(d.design);
  // The terminal on two nets has two references, newest first.
  EXPECT_EQ(RefIds(term->net_refs), (std::vector<int>{2, 1}));
  EXPECT_EQ(term->net_count, 2);
  // Blocks list their nets in net-list order; weight 2.7 adds 2.
  EXPECT_EQ(RefIds(b1->net_refs), (std::vector<int>{1, 2}));
  EXPECT_EQ(b1->degree, 2 + 1 + 2);
  EXPECT_EQ(RefIds(b2->net_refs), (std::vector<int>{2}));
  EXPECT_EQ(b2->degree, 2);
}

TEST(FindExtNetsForBlocks, AppendsAfterExistingReferences) {
  Design d;
  tagBLOCK* blk = AddBlock(d.design, 1, nullptr);
  tagNET* earlier = NewNet();
  earlier->id = 9;
  blk->net_refs = NewPinList();
  blk->net_refs->pin = earlier;
  tagNET* net = NewNet();
  net->id = 4;
  net->weight = 1.0;
  AddBlockPin(net, blk);
  AddBlockPin(net, blk);
  d.design->nets = net;
  FindExtNetsForBlocks(d.design);
  EXPECT_EQ(RefIds(blk->net_refs), (std::vector<int>{9, 4, 4}));
  delete earlier;
}

// --- free_memory ----------------------------------------------------------------------

// Every kind of record and every sharing the design allows: a group block
// with cells and inner nets, terminals on several nets, pin classes on
// classes and on the root, and a separate cell-level net list.
TEST(FreeMemory, ReleasesAFullDesign) {
  tagBLOCKCLASS* root = NewBlkc();
  root->name = CopyName("root");
  tagBLOCK* design = NewBlk();
  design->name = CopyName("design");
  design->blkclass = root;
  tagNORMPARA* norm = new tagNORMPARA{};

  tagBLOCKCLASS* cls = MakeClass(1, 10, 10);
  cls->name = CopyName("macro");
  cls->pinclasses = NewPinc();
  cls->pinclasses->name = CopyName("A");
  PushClass(root, cls);

  tagPIN* term = NewPin();
  term->id = 5;
  term->name = CopyName("io");
  term->owner = design;
  term->pinclass = NewPinc();
  root->pinclasses = term->pinclass;
  design->pins = term;

  tagBLOCK* group = AddBlock(design, 1, cls);
  group->name = CopyName("sub-block-1");
  tagBLOCK* cell_a = AddChild(group, cls);
  cell_a->name = CopyName("a");
  tagBLOCK* cell_b = AddChild(group, cls);
  cell_b->name = CopyName("b");
  tagBLOCK* other = AddBlock(design, 2, cls);

  // Block-level net: a pin with the class's pin geometry, and the terminal.
  tagNET* net = NewNet();
  net->id = 1;
  net->weight = 1;
  net->name = CopyName("n1");
  AddBlockPin(net, group)->pinclass = cls->pinclasses;
  AddBlockPin(net, other);
  AddToNet(net, term);
  design->nets = net;
  // Cell-level net with the same terminal, and its copy inside the group.
  tagNET* cell_net = NewNet();
  cell_net->name = CopyName("n1");
  AddBlockPin(cell_net, cell_a);
  AddBlockPin(cell_net, cell_b);
  AddToNet(cell_net, term);
  tagNET* inner = NewNet();
  inner->id = 1;
  AddBlockPin(inner, cell_a);
  AddBlockPin(inner, cell_b);
  AddToNet(inner, term);
  group->nets = inner;
  group->net_count = 1;

  FindExtNetsForBlocks(design);
  FindExtNetsForBlocks(group);
  EXPECT_EQ(term->net_count, 2);
  free_memory(design, root, cell_net, norm);
  free_memory(nullptr, nullptr, nullptr, nullptr);
}

}  // namespace
