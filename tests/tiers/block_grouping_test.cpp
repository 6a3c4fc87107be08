// Grouping cells into blocks: group and fixed-cell blocks, pads, the
// block-level nets with merged duplicates, internal group nets, and the
// partition file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "driver/records.h"
#include "test_support.h"
#include "tiers/tiers.h"

using namespace testing_support;

namespace {

std::vector<const tagPIN*> PinsOf(const tagNET* net) {
  std::vector<const tagPIN*> pins;
  for (const tagPINLIST* node = net->pins; node; node = node->next)
    pins.push_back(static_cast<const tagPIN*>(node->pin));
  return pins;
}

// A cell-level design as the DEF reader leaves it: cells numbered 1.. pushed
// at the head of the block list, terminals numbered 1.., nets pushed at the
// head with their pins newest first and noted on the cells and terminals.
class CellDesign {
 public:
  CellDesign() {
    design->blkclass = root;
    core = AddClass(0);
    pad = AddClass(4);
  }
  ~CellDesign() {
    for (tagBLOCK* p = pads; p;) {
      tagBLOCK* next = p->next;
      free_block(p);
      p = next;
    }
    free_memory(design, root, cell_nets, nullptr);
  }

  tagBLOCKCLASS* AddClass(int type) {
    tagBLOCKCLASS* cls = NewBlkc();
    cls->type = type;
    cls->width = 2;
    cls->height = 1;
    cls->id = static_cast<int>(ListOf(root->classes).size()) + 1;
    cls->next = root->classes;
    root->classes = cls;
    return cls;
  }
  tagBLOCK* AddCell(int kind = 0, tagBLOCKCLASS* cls = nullptr) {
    tagBLOCK* cell = NewBlk();
    cell->id = static_cast<int>(cells.size()) + 1;
    cell->name = CopyName(("c" + std::to_string(cell->id)).c_str());
    cell->kind = kind;
    cell->blkclass = cls ? cls : core;
    cell->area = cell->blkclass->width * cell->blkclass->height;
    cell->fixed_x_lo = cell->fixed_x_hi = 10.0 * cell->id;
    cell->fixed_y_lo = cell->fixed_y_hi = 5.0 * cell->id;
    cell->orient = kind ? 3 : 0;
    cell->parent = design;
    cell->next = design->children;
    design->children = cell;
    design->block_count += 1;
    cells.push_back(cell);
    return cell;
  }
  tagBLOCK* AddPad() { return AddCell(3, pad); }
  tagPIN* AddTerminal() {
    tagPIN* term = NewPin();
    term->id = static_cast<int>(terms.size()) + 1;
    term->name = CopyName(("t" + std::to_string(term->id)).c_str());
    term->next = design->pins;
    design->pins = term;
    design->pin_count += 1;
    terms.push_back(term);
    return term;
  }
  // Members: k > 0 is cell k, k < 0 is terminal -k.
  tagNET* AddNet(const std::vector<int>& members, double weight = 1.0) {
    tagNET* net = NewNet();
    net->id = design->net_count + 1;
    net->name = CopyName(("n" + std::to_string(net->id)).c_str());
    net->weight = weight;
    net->degree = static_cast<int>(members.size());
    for (int m : members) {
      tagPIN* pin;
      if (m < 0) {
        pin = terms[-m - 1];
        pin->net = net;
        Push(&pin->net_refs, net);
        pin->net_count += 1;
      } else {
        tagBLOCK* cell = cells[m - 1];
        pin = NewPin();
        pin->owner = cell;
        pin->net = net;
        Push(&cell->net_refs, net);
        cell->degree += 1;
      }
      Push(&net->pins, pin);
    }
    net->next = design->nets;
    design->nets = net;
    design->net_count += 1;
    return net;
  }
  static void Push(tagPINLIST** list, void* target) {
    tagPINLIST* node = NewPinList();
    node->pin = target;
    node->next = *list;
    *list = node;
  }

  int Group(const std::vector<int>& part, int count) {
    CaptureStdout capture;
    const int n = Grouping(design, count, part.data(), &pads);
    grouping_output = capture.Finish();
    return n;
  }
  std::string GroupAndConnect(const std::vector<int>& part, int count) {
    Group(part, count);
    CaptureStdout capture;
    cell_nets = CreateNetsForBlocks(design);
    return capture.Finish();
  }

  tagBLOCKCLASS* root = NewBlkc();
  tagBLOCK* design = NewBlk();
  tagBLOCKCLASS* core;
  tagBLOCKCLASS* pad;
  std::vector<tagBLOCK*> cells;
  std::vector<tagPIN*> terms;
  tagBLOCK* pads = nullptr;
  tagNET* cell_nets = nullptr;
  std::string grouping_output;
};

// The block-level pins of a net as "B<block id>" and "T<terminal id>".
std::vector<std::string> Members(const tagNET* net) {
  std::vector<std::string> out;
  for (const tagPIN* pin : PinsOf(net))
    out.push_back(pin->id ? "T" + std::to_string(pin->id) : "B" + std::to_string(pin->owner->id));
  return out;
}

TEST(GroupingTest, GroupsStandFirstByDecreasingNumberThenFixedBlocks) {
  CellDesign d;
  for (int i = 0; i < 4; ++i) d.AddCell();
  d.AddCell(3);
  d.AddCell(3);
  const int n = d.Group({0, 3, 3, 0, 0, 0}, 4);
  EXPECT_EQ(n, 4);
  EXPECT_EQ(d.design->block_count, 4);
  EXPECT_EQ(d.grouping_output, "Number of Fixed Pads:0\n");
  const std::vector<tagBLOCK*> blocks = ListOf(d.design->children);
  ASSERT_EQ(blocks.size(), 4u);
  // Groups 1 and 2 are empty and make no block.
  std::vector<std::string> names;
  for (const tagBLOCK* b : blocks) names.push_back(b->name);
  EXPECT_EQ(names, (std::vector<std::string>{"sub-block-1", "sub-block-2", "sub-block-3", "sub-block-4"}));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(blocks[i]->id, i + 1);
    EXPECT_EQ(blocks[i]->parent, d.design);
  }
  EXPECT_EQ(ListOf(blocks[0]->children), (std::vector<tagBLOCK*>{d.cells[1], d.cells[2]}));
  EXPECT_EQ(ListOf(blocks[1]->children), (std::vector<tagBLOCK*>{d.cells[0], d.cells[3]}));
  EXPECT_EQ(blocks[0]->block_count, 2);
  EXPECT_DOUBLE_EQ(blocks[0]->area, 4);
  EXPECT_EQ(blocks[0]->kind, 0);
  EXPECT_EQ(d.cells[2]->parent, blocks[0]);
  EXPECT_EQ(d.cells[1]->id, 1);  // renumbered within the group
  EXPECT_EQ(d.cells[2]->id, 2);
  // The fixed cells follow, first made last: cell 5 was taken off the list after cell 6.
  EXPECT_EQ(ListOf(blocks[2]->children), (std::vector<tagBLOCK*>{d.cells[4]}));
  EXPECT_EQ(ListOf(blocks[3]->children), (std::vector<tagBLOCK*>{d.cells[5]}));
  const tagBLOCK* fixed = blocks[3];
  EXPECT_EQ(fixed->block_count, 1);
  EXPECT_EQ(fixed->kind, 3);
  EXPECT_EQ(fixed->orient, 3);
  EXPECT_EQ(fixed->blkclass, d.core);
  EXPECT_DOUBLE_EQ(fixed->area, 2);
  EXPECT_DOUBLE_EQ(fixed->fixed_x_lo, 60);
  EXPECT_DOUBLE_EQ(fixed->fixed_y_hi, 30);
  EXPECT_EQ(d.cells[5]->parent, fixed);
  EXPECT_EQ(d.cells[5]->id, 1);
}

TEST(GroupingTest, OnlyFixedCellsGiveOneBlockEach) {
  CellDesign d;
  for (int i = 0; i < 3; ++i) d.AddCell(3);
  EXPECT_EQ(d.Group({0, 0, 0}, 1), 3);
  const std::vector<tagBLOCK*> blocks = ListOf(d.design->children);
  ASSERT_EQ(blocks.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(blocks[i]->children, d.cells[i]);
    EXPECT_EQ(blocks[i]->kind, 3);
    EXPECT_EQ(blocks[i]->block_count, 1);
  }
}

TEST(GroupingTest, FixedPadsLeaveTheBlockList) {
  CellDesign d;
  d.AddCell();
  tagBLOCK* p1 = d.AddPad();
  tagBLOCK* p2 = d.AddPad();
  d.AddCell(3, d.pad)->kind = 0;  // a movable cell of a pad macro is grouped
  EXPECT_EQ(d.Group({0, 0, 0, 0}, 1), 1);
  EXPECT_EQ(d.grouping_output, "Number of Fixed Pads:2\n");
  EXPECT_EQ(ListOf(d.pads), (std::vector<tagBLOCK*>{p1, p2}));
  EXPECT_EQ(d.design->children->block_count, 2);
}

TEST(GroupingTest, AGroupOutsideTheGroupCountIsRefused) {
  CellDesign d;
  d.AddCell();
  const int part[1] = {4};
  EXPECT_EXIT(
      {
        dup2(fileno(stderr), fileno(stdout));
        Grouping(d.design, 2, part, &d.pads);
      },
      ::testing::ExitedWithCode(1), "Grouping Error!");
}

TEST(BlockNetsTest, NetsInsideOneGroupBecomeGroupNets) {
  CellDesign d;
  for (int i = 0; i < 3; ++i) d.AddCell();
  tagNET* inside = d.AddNet({1, 2});
  d.AddNet({2, 3});
  d.GroupAndConnect({0, 0, 1}, 2);
  const std::vector<tagBLOCK*> blocks = ListOf(d.design->children);  // group 1, group 0
  ASSERT_EQ(blocks.size(), 2u);
  const std::vector<tagNET*> nets = ListOf(d.design->nets);
  ASSERT_EQ(nets.size(), 1u);
  EXPECT_EQ(d.design->net_count, 1);
  EXPECT_EQ(Members(nets[0]), (std::vector<std::string>{"B1", "B2"}));
  // The group of cells 1 and 2 holds a copy of their net with copies of their pins.
  const tagBLOCK* group0 = blocks[1];
  ASSERT_EQ(group0->net_count, 1);
  const tagNET* copy = group0->nets;
  EXPECT_NE(copy, inside);
  EXPECT_STREQ(copy->name, inside->name);
  EXPECT_EQ(copy->id, 1);
  const std::vector<const tagPIN*> pins = PinsOf(copy);
  ASSERT_EQ(pins.size(), 2u);
  EXPECT_EQ(pins[0]->owner, d.cells[1]);
  EXPECT_EQ(pins[1]->owner, d.cells[0]);
  EXPECT_EQ(pins[0]->net, copy);
  EXPECT_NE(pins[0], PinsOf(inside)[0]);
  EXPECT_EQ(blocks[0]->net_count, 0);
  // Cell-level nets come back unchanged; each block knows its block-level nets.
  EXPECT_EQ(ListOf(d.cell_nets).size(), 2u);
  ASSERT_NE(group0->net_refs, nullptr);
  EXPECT_EQ(group0->net_refs->pin, nets[0]);
  EXPECT_EQ(group0->degree, 1);
  // The copy is noted on its cells after their cell-level nets.
  const std::vector<tagPINLIST*> refs = ListOf(d.cells[0]->net_refs);
  ASSERT_EQ(refs.size(), 2u);
  EXPECT_EQ(refs[1]->pin, copy);
}

TEST(BlockNetsTest, TwoNetsOverTheSameGroupsMergeWithTheirWeights) {
  CellDesign d;
  for (int i = 0; i < 4; ++i) d.AddCell();
  d.AddTerminal();
  d.AddNet({1, 3});
  d.AddNet({4, 2}, 1.0);
  d.AddNet({1, 3, -1});
  d.GroupAndConnect({0, 0, 1, 1}, 2);
  const std::vector<tagNET*> nets = ListOf(d.design->nets);
  ASSERT_EQ(nets.size(), 2u);
  EXPECT_EQ(d.design->net_count, 2);
  EXPECT_EQ(Members(nets[0]), (std::vector<std::string>{"B1", "B2"}));
  EXPECT_DOUBLE_EQ(nets[0]->weight, 2.0);
  EXPECT_EQ(nets[0]->id, 2);
  EXPECT_EQ(Members(nets[1]), (std::vector<std::string>{"B1", "B2", "T1"}));
  EXPECT_DOUBLE_EQ(nets[1]->weight, 1.0);
  EXPECT_EQ(nets[1]->id, 1);
  // Each group block is on both remaining nets: degree 2 + 1.
  EXPECT_EQ(d.design->children->degree, 3);
  EXPECT_EQ(d.terms[0]->net_count, 2);  // its cell-level net and its block-level net
}

TEST(BlockNetsTest, APadCellPinIsReplacedByItsTerminal) {
  CellDesign d;
  d.AddCell();
  d.AddPad();
  d.AddPad();  // a pad with no terminal on its nets
  d.AddTerminal();
  d.AddNet({-1, 2});
  d.AddNet({2, 1});
  d.AddNet({3, 1});
  const std::string out = d.GroupAndConnect({0, 0, 0}, 1);
  EXPECT_EQ(out, "Cannot find Corresponding External Pins!\n");
  const std::vector<tagNET*> nets = ListOf(d.design->nets);
  // The terminal-and-pad net shrinks to the terminal and is dropped; the net
  // of the pad without terminal is left with one group and stays inside it.
  ASSERT_EQ(nets.size(), 1u);
  EXPECT_EQ(Members(nets[0]), (std::vector<std::string>{"B1", "T1"}));
  const tagBLOCK* group = d.design->children;
  ASSERT_EQ(group->net_count, 1);
  const std::vector<const tagPIN*> inside = PinsOf(group->nets);
  ASSERT_EQ(inside.size(), 1u);
  EXPECT_EQ(inside[0]->owner, d.cells[0]);
}

TEST(BlockNetsTest, AFixedCellPinKeepsItsGeometryOnItsBlock) {
  CellDesign d;
  d.AddCell();
  d.AddCell(3);
  tagNET* net = d.AddNet({1, 2});
  tagPINCLASS* geometry = NewPinc();
  geometry->next = d.core->pinclasses;
  d.core->pinclasses = geometry;
  tagPIN* fixed_pin = const_cast<tagPIN*>(PinsOf(net)[0]);
  tagPIN* movable_pin = const_cast<tagPIN*>(PinsOf(net)[1]);
  fixed_pin->pinclass = geometry;
  movable_pin->pinclass = geometry;
  d.GroupAndConnect({0, 0}, 1);
  const std::vector<const tagPIN*> pins = PinsOf(d.design->nets);
  ASSERT_EQ(pins.size(), 2u);
  EXPECT_EQ(pins[0]->owner->kind, 0);
  EXPECT_EQ(pins[0]->pinclass, nullptr);
  EXPECT_EQ(pins[1]->owner->kind, 3);
  EXPECT_EQ(pins[1]->pinclass, geometry);
}

TEST(BlockNetsTest, MergedListIsOrderedByDegreeAndNumberedFromTheEnd) {
  CellDesign d;
  for (int i = 0; i < 4; ++i) d.AddCell();
  d.AddTerminal();
  d.AddTerminal();
  d.AddNet({1, 2, 3, 4});  // four groups
  d.AddNet({-2, 1});
  d.AddNet({3, -1, 2});
  d.AddNet({1, -2});  // same as the second
  d.GroupAndConnect({0, 1, 2, 3}, 4);
  // Blocks: group 3 (cell 4) is B1, group 2 B2, group 1 B3, group 0 B4.
  const std::vector<tagNET*> nets = ListOf(d.design->nets);
  ASSERT_EQ(nets.size(), 3u);
  EXPECT_EQ(Members(nets[0]), (std::vector<std::string>{"B4", "T2"}));
  EXPECT_DOUBLE_EQ(nets[0]->weight, 2);
  EXPECT_EQ(Members(nets[1]), (std::vector<std::string>{"B2", "B3", "T1"}));
  EXPECT_EQ(Members(nets[2]), (std::vector<std::string>{"B1", "B2", "B3", "B4"}));
  EXPECT_EQ(nets[0]->id, 3);
  EXPECT_EQ(nets[1]->id, 2);
  EXPECT_EQ(nets[2]->id, 1);
}

TEST(BlockNetsTest, NoNetsEndsTheRun) {
  CellDesign d;
  d.AddCell();
  d.Group({0}, 1);
  EXPECT_EXIT(
      {
        dup2(fileno(stderr), fileno(stdout));
        CreateNetsForBlocks(d.design);
      },
      ::testing::ExitedWithCode(1), "Null pointer: no net information!");
}

// Five movable cells and two terminals, read from a partition file.
class PartitionFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 5; ++i) d.AddCell();
    d.AddTerminal();
    d.AddTerminal();
    d.AddNet({1, 2, -1});
    d.AddNet({3, 4, 5, -2});
  }
  std::string Write(const std::string& text) {
    const std::string path = dir.file("design.part");
    WriteFile(path, text);
    return path;
  }
  void Read(const std::string& path) {
    CaptureStdout capture;
    ReadPartition(d.design, path.c_str(), &d.pads, &d.cell_nets, true);
    output = capture.Finish();
  }
  // For death tests: the messages go to stderr, where they can be matched.
  void ReadOnStderr(const std::string& path) {
    dup2(fileno(stderr), fileno(stdout));
    ReadPartition(d.design, path.c_str(), &d.pads, &d.cell_nets, true);
  }

  ScratchDir dir;
  CellDesign d;
  std::string output;
};

TEST_F(PartitionFileTest, CellsPlusTerminalsIsAccepted) {
  Read(Write("7 vertices follow\n0 a\n0\n2\n2\n2 trailing words\n5\n5\n"));
  // Largest group 5: six groups, two used.
  EXPECT_EQ(d.design->block_count, 2);
  const std::vector<tagBLOCK*> blocks = ListOf(d.design->children);
  EXPECT_EQ(blocks[0]->block_count, 3);
  EXPECT_EQ(blocks[1]->block_count, 2);
  EXPECT_EQ(output, "Number of Fixed Pads:0\n");
  EXPECT_EQ(d.design->net_count, 2);
}

TEST_F(PartitionFileTest, CellsOnlyIsAccepted) {
  Read(Write("5\n1\n1\n0\n0\n0\n"));
  EXPECT_EQ(d.design->block_count, 2);
}

TEST_F(PartitionFileTest, OtherVertexCountsAreRefused) {
  const std::string path = Write("6\n0\n0\n1\n1\n1\n0\n");
  EXPECT_EXIT(ReadOnStderr(path),
      ::testing::ExitedWithCode(1), "Vertice Number was not setup properly!");
}

TEST_F(PartitionFileTest, OutOfRangeOrMalformedFilesAreRefused) {
  const struct {
    const char* text;
    const char* message;  // after the file name
  } cases[] = {
      {"5\n0\n\n9\n0\n0\n0\n", " line 4: group 9 of vertex 1 is outside 0\\.\\.4\\."},
      {"5\n0\n0\n99999999999999999999999\n0\n0\n",
       " line 4: group 9223372036854775807 of vertex 2 is outside"},
      {"5\n0\nx\n0\n0\n0\n", " line 3: no group number for vertex 1\\."},
      {"five\n", ": the first line must give 5 \\(cells\\) or 7 \\(cells and terminals\\)\\."},
      {"", ": the first line must give 5"},
  };
  for (const auto& c : cases) {
    const std::string path = Write(c.text);
    EXPECT_EXIT(ReadOnStderr(path), ::testing::ExitedWithCode(1), "Error: " + path + c.message) << c.text;
  }
}

TEST(PartitionTest, EveryMovableCellLandsInOneOfTheGroups) {
  CellDesign d;
  for (int i = 0; i < 30; ++i) d.AddCell();
  d.AddCell(3);
  for (int i = 1; i < 31; ++i) d.AddNet({i, i + 1});
  CaptureStdout capture;
  Partition(d.design, 10, &d.pads, &d.cell_nets, true);
  capture.Finish();
  int movable = 0, fixed = 0;
  for (const tagBLOCK* blk : ListOf(d.design->children)) {
    if (blk->kind) {
      ++fixed;
      continue;
    }
    movable += blk->block_count;
    EXPECT_EQ(static_cast<int>(ListOf(blk->children).size()), blk->block_count);
  }
  EXPECT_EQ(movable, 30);
  EXPECT_EQ(fixed, 1);
  EXPECT_LE(d.design->block_count, 11);
  EXPECT_EQ(ListOf(d.cell_nets).size(), 30u);
}

}  // namespace
