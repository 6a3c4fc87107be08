// Grouping cells into blocks: group and fixed-cell blocks, pads, the
// block-level nets with merged duplicates, nets inside one group, and the
// partition file. The partition file's refusals are checked through the
// binary (tests/e2e/lefdef_file_test.cpp).
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "design_builder.h"
#include "test_support.h"
#include "tiers/tiers.h"

using namespace testing_support;

namespace {

// A cell-level design as the DEF reader leaves it. Cells are 2 x 1 of a core
// class, fixed ones (kind 3) turned at (10 i, 5 i), pads (kind 4 here) fixed
// cells of a PAD class; every cell pin has the class's pin geometry.
struct Cells {
  std::vector<int> kinds;
  int terminals;
  std::vector<std::vector<int>> nets;  // members: cell k > 0, terminal -k
};

void Build(TestDesign& d, const Cells& c) {
  tagBLOCKCLASS* core = d.AddClass(2, 1, 0);
  tagBLOCKCLASS* pad = d.AddClass(2, 1, 4);
  for (tagBLOCKCLASS* cls : {core, pad}) {
    cls->pinclasses = NewPinc();
    cls->pinclasses->x = 0.5;
  }
  for (int kind : c.kinds) {
    tagBLOCK* cell = d.block(d.AddBlock(kind == 4 ? pad : core, kind ? 3 : 0));
    if (!kind) continue;
    cell->orient = 3;
    cell->fixed_x_lo = cell->fixed_x_hi = 10.0 * cell->id;
    cell->fixed_y_lo = cell->fixed_y_hi = 5.0 * cell->id;
  }
  for (int k = 0; k < c.terminals; ++k) d.AddTerminal(0, 0);
  for (const auto& members : c.nets) d.AddNet(members);
  d.Link(ListOrder::kNewestFirst);
  for (tagNET* net = d.design->nets; net; net = net->next)
    for (tagPINLIST* node = net->pins; node; node = node->next) {
      tagPIN* pin = static_cast<tagPIN*>(node->pin);
      if (!pin->id) pin->pinclass = pin->owner->blkclass->pinclasses;
    }
}

// Every line of `lines` is a whole line of `text`, in the same order.
testing::AssertionResult HasLinesInOrder(const std::string& text, const std::string& lines) {
  const std::string all = "\n" + text;
  std::istringstream in(lines);
  size_t at = 0;
  for (std::string line; std::getline(in, line); at += line.size() + 1) {
    at = all.find("\n" + line + "\n", at);
    if (at == std::string::npos)
      return testing::AssertionFailure() << "no line \"" << line << "\" in\n" << text;
  }
  return testing::AssertionSuccess();
}

// What grouping prints and leaves, then what the block-level nets print and
// leave; the expected lines are those that matter, in order.
TEST(Grouping, BuildsGroupBlocksFixedBlocksAndTheirNets) {
  const struct {
    Cells cells;
    std::vector<int> part;  // the largest group number sets the count
    const char* lines;
  } cases[] = {
      // Empty groups make no block; groups stand first by decreasing number,
      // then the fixed cells, the first made last.
      {{{0, 0, 0, 0, 3, 3}, 0, {}},
       {0, 3, 3, 0, 0, 0},
       "block 1 sub-block-1 area=4 cells=2\n"
       "  block 1 b2 class=1 area=2\n"
       "block 2 sub-block-2 area=4 cells=2\n"
       "  block 1 b1 class=1 area=2\n"
       "block 3 sub-block-3 class=1 kind=3 orient=3 area=2 cells=1 fixed=(50,25)-(50,25)\n"
       "block 4 sub-block-4 class=1 kind=3 orient=3 area=2 cells=1 fixed=(60,30)-(60,30)\n"},
      // A net inside one group becomes a copy in that group.
      {{{0, 0, 0}, 0, {{1, 2}, {2, 3}}},
       {0, 0, 1},
       "block 2 sub-block-2 area=4 deg=1 cells=2 nets=1 refs=1\n"
       "  block 2 b2 class=1 area=2 deg=3 refs=2,1,1\n"
       "  net 1 n1 w=1 deg=2: b2@0.5,0 b1@0.5,0\n"
       "net 1 - w=1 deg=2: sub-block-1 sub-block-2\n"},
      // Nets over the same blocks merge with their weights; the merged list
      // is ordered by degree and numbered from its end.
      {{{0, 0, 0, 0}, 2, {{1, 2, 3, 4}, {-2, 1}, {3, -1, 2}, {1, -2}}},
       {0, 1, 2, 3},
       "block 4 sub-block-4 area=2 deg=3 cells=1 refs=3,1\n"
       "terminal 2 p2 @0,0 class=2 nets=3 refs=3,4,2\n"
       "net 3 - w=2 deg=2: sub-block-4 T2\n"
       "net 2 - w=1 deg=3: sub-block-2 sub-block-3 T1\n"
       "net 1 - w=1 deg=4: sub-block-1 sub-block-2 sub-block-3 sub-block-4\n"},
      // A pad's pin becomes its terminal; a pad without one is reported; a
      // fixed cell's pin keeps its geometry on its own block.
      {{{0, 4, 4, 3}, 1, {{-1, 2}, {2, 1}, {3, 1}, {1, 4}}},
       {0, 0, 0, 0},
       "Number of Fixed Pads:2\n"
       "Cannot find Corresponding External Pins!\n"
       "pad b2\n"
       "pad b3\n"
       "block 1 sub-block-1 area=2 deg=2 cells=1 nets=1 refs=2,1\n"
       "  net 1 n3 w=1 deg=1: b1@0.5,0\n"
       "net 2 - w=1 deg=2: sub-block-1 T1\n"
       "net 1 - w=1 deg=2: sub-block-1 sub-block-2@0.5,0\n"},
  };
  for (const auto& c : cases) {
    TestDesign d;
    Build(d, c.cells);
    CaptureStdout capture;
    Grouping(d.design, *std::max_element(c.part.begin(), c.part.end()) + 1, c.part.data(), &d.pads);
    if (d.design->nets) d.cell_nets = CreateNetsForBlocks(d.design);
    std::string out = capture.Finish();
    for (const tagBLOCK* p = d.pads; p; p = p->next) out += std::string("pad ") + p->name + "\n";
    EXPECT_TRUE(HasLinesInOrder(out + Dump(d.design), c.lines));
  }
}

TEST(GroupingDeathTest, RefusesAGroupOutsideTheCountAndADesignWithoutNets) {
  auto run = [](int group) {
    dup2(fileno(stderr), fileno(stdout));
    TestDesign d;
    Build(d, {{0}, 0, {}});
    const int part[1] = {group};
    Grouping(d.design, 2, part, &d.pads);
    CreateNetsForBlocks(d.design);
  };
  EXPECT_EXIT(run(4), testing::ExitedWithCode(1), "Grouping Error!");
  EXPECT_EXIT(run(1), testing::ExitedWithCode(1), "Null pointer: no net information!");
}

// Five movable cells and two terminals: the file gives the cells, or the
// cells and the terminals, and the largest group number sets the count.
TEST(ReadPartition, AcceptsCellsOrCellsAndTerminals) {
  for (const char* text :
       {"7 vertices follow\n0 a\n0\n2\n2\n2 trailing words\n5\n5\n", "5\n0\n0\n2\n2\n2\n"}) {
    TestDesign d;
    Build(d, {{0, 0, 0, 0, 0}, 2, {{1, 2, -1}, {3, 4, 5, -2}}});
    ScratchDir dir;
    WriteFile(dir.file("design.part"), text);
    CaptureStdout capture;
    ReadPartition(d.design, dir.file("design.part").c_str(), &d.pads, &d.cell_nets, true);
    EXPECT_EQ(capture.Finish(), "Number of Fixed Pads:0\n");
    EXPECT_TRUE(HasLinesInOrder(Dump(d.design),
                                "design test blocks=2 terminals=2 nets=2\n"
                                "block 1 sub-block-1 area=6 deg=1 cells=3 refs=1\n"
                                "block 2 sub-block-2 area=4 deg=1 cells=2 refs=2\n"
                                "net 2 - w=1 deg=2: sub-block-2 T1\n"
                                "net 1 - w=1 deg=2: sub-block-1 T2\n"))
        << text;
  }
}

// A fixed cell, then a chain of 30 movable ones: the movable cells fill the
// ten groups, the last one too, and the fixed cell keeps a block of its own.
TEST(Partition, PutsEveryMovableCellIntoOneOfTheGroups) {
  TestDesign d;
  std::vector<std::vector<int>> chain;
  for (int i = 1; i < 31; ++i) chain.push_back({i, i + 1});
  std::vector<int> kinds(31, 0);
  kinds[0] = 3;
  Build(d, {kinds, 0, chain});
  CaptureStdout capture;
  Partition(d.design, 10, &d.pads, &d.cell_nets, true);
  capture.Finish();
  int movable = 0, groups = 0, fixed = 0;
  for (const tagBLOCK* blk : ListOf(d.design->children)) {
    EXPECT_EQ(static_cast<int>(ListOf(blk->children).size()), blk->block_count);
    (blk->kind ? fixed : movable) += blk->block_count;
    groups += !blk->kind;
  }
  EXPECT_EQ(std::vector<int>({movable, fixed, groups}), std::vector<int>({30, 1, 10}));
  EXPECT_EQ(ListOf(d.cell_nets).size(), 30u);
}

}  // namespace
