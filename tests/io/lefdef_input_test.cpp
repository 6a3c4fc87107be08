// The whole LEF/DEF input step on small texts: several libraries, what
// becomes a block (groups, macros, fixed cells; physical-only cells left
// out), the pad ring, terminal places and scaling. Refusals run through the
// binary in tests/e2e/lefdef_file_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "driver/parameters.h"
#include "driver/records.h"
#include "io/io.h"
#include "io/lefdef.h"
#include "test_support.h"

using namespace testing_support;

namespace {

const char kTech[] =
    "VERSION 5.8 ;\nBUSBITCHARS \"[]\" ;\nUNITS\n  DATABASE MICRONS 1000 ;\nEND UNITS\n"
    "LAYER metal1\n  TYPE ROUTING ;\nEND metal1\nSITE core\n  SIZE 0.2 BY 2 ;\nEND core\nEND LIBRARY\n";
// A filler of width 0 and a tap as large as a macro may be: sizes from 0 to
// 1e6 microns are allowed.
const char kCells[] =
    "MACRO INV\n  CLASS CORE ;\n  SIZE 2 BY 1 ;\n  PIN A END A\n  PIN Z END Z\nEND INV\n"
    "MACRO FILL\n  CLASS CORE SPACER ;\n  SIZE 0 BY 1 ;\nEND FILL\n"
    "MACRO TAP\n  CLASS CORE WELLTAP ;\n  SIZE 1000000 BY 1000000 ;\n  PIN VDD END VDD\nEND TAP\n"
    "MACRO IOPAD\n  CLASS PAD ;\n  SIZE 20 BY 10 ;\n  PIN PAD END PAD\nEND IOPAD\nEND LIBRARY\n";
const char kRam[] = "MACRO RAM\n  CLASS BLOCK ;\n  SIZE 10 BY 30 ;\n  PIN A END A\nEND RAM\nEND LIBRARY\n";

// Four movable cells, two fixed pads (the second turned east), a fixed and a
// placed RAM, a filler and a tap on the supply net only, two DEF pins.
const char kDesign[] =
    "VERSION 5.8 ;\nDESIGN top ;\nUNITS DISTANCE MICRONS 1000 ;\n"
    "DIEAREA ( 0 0 ) ( 200000 100000 ) ;\n"
    "COMPONENTS 10 ;\n"
    "  - c1 INV + PLACED ( 1000 1000 ) N ;\n  - c2 INV + UNPLACED ;\n"
    "  - c3 INV + COVER ( 0 0 ) S ;\n  - c4 INV ;\n"
    "  - m1 RAM + FIXED ( 20000 5000 ) FS ;\n  - m2 RAM + PLACED ( 90000 5000 ) N ;\n"
    "  - p1 IOPAD + FIXED ( 0 0 ) N ;\n  - p2 IOPAD + FIXED ( 180000 80000 ) E ;\n"
    "  - f1 FILL + FIXED ( 5000 5000 ) N ;\n  - t1 TAP + FIXED ( 6000 5000 ) N ;\n"
    "END COMPONENTS\n"
    "PINS 2 ;\n  - io1 + NET n1 + DIRECTION INPUT ;\n  - io2 + NET n4 ;\nEND PINS\n"
    "NETS 6 ;\n"
    "  - n1 ( PIN io1 ) ( p1 PAD ) ( c1 A ) ;\n  - n2 ( c1 Z ) ( c2 A ) ;\n"
    "  - n3 ( c2 Z ) ( c3 A ) ( m1 A ) ( m2 A ) ;\n  - n4 ( PIN io2 ) ( c4 A ) ;\n"
    "  - n5 ( c3 Z ) ( c4 Z ) ;\n  - VDD ( t1 VDD ) + USE POWER ;\n"
    "END NETS\nEND DESIGN\n";

const char kPartition[] = "10 vertices\n0\n0\n1\n1\n0\n1\n0\n0\n1\n1\n";
const std::vector<std::string> kBlocks = {"sub-block-1: 0 c3 c4", "sub-block-2: 0 c1 c2", "sub-block-3: 3 m1",
                                          "sub-block-4: 0 10.000000x30.000000 m2"};

// Blocks as "name: kind [width x height of a movable macro] cells", in list order.
std::vector<std::string> BlockDump(const tagBLOCK* design) {
  std::vector<std::string> dump;
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next) {
    std::string line = std::string(blk->name) + ": " + std::to_string(blk->kind);
    if (blk->kind == 0 && blk->block_count == 1)
      line += " " + std::to_string(blk->blkclass->width) + "x" + std::to_string(blk->blkclass->height);
    for (const tagBLOCK* cell = blk->children; cell; cell = cell->next) line += std::string(" ") + cell->name;
    dump.push_back(line);
  }
  return dump;
}

std::vector<std::string> Names(const tagBLOCK* list) {
  std::vector<std::string> names;
  for (; list; list = list->next) names.push_back(list->name);
  return names;
}

// Runs the input step inside a scratch directory (the readers write "list"
// there) and releases the design afterwards.
class LefDefInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
    InitParameters(&params);
  }
  void TearDown() override {
    for (tagBLOCK* list : {pads, left_out})
      while (list) {
        tagBLOCK* next = list->next;
        free_block(list);
        list = next;
      }
    free_memory(design, root, cell_nets, norm);
    std::filesystem::current_path(saved_);
  }

  // Writes the files and reads them: every name but the DEF is a LEF file,
  // in the order given. Returns what the step printed.
  std::string Read(const std::vector<std::pair<std::string, std::string>>& lefs, const std::string& def,
                   const std::string& partition = "") {
    std::vector<std::string> names;
    for (const auto& [name, text] : lefs) {
      WriteFile(dir_.file(name), text);
      names.push_back(name);
    }
    WriteFile(dir_.file("design.def"), def);
    if (!partition.empty()) WriteFile(dir_.file("design.part"), partition);
    CaptureStdout capture;
    InputDataFromLefDef(names, "design.def", partition.empty() ? nullptr : "design.part", &params, root,
                        design, norm, &pads, &cell_nets, &left_out);
    return capture.Finish();
  }
  std::string ReadExample(const std::string& partition = "") {
    return Read({{"tech.lef", kTech}, {"cells.lef", kCells}, {"ram.lef", kRam}}, kDesign, partition);
  }

  ScratchDir dir_;
  std::filesystem::path saved_;
  tagPARAMETERS params{};
  tagBLOCKCLASS* root = NewBlkc();
  tagBLOCK* design = NewBlk();
  tagNORMPARA* norm = new tagNORMPARA{};
  tagBLOCK* pads = nullptr;
  tagBLOCK* left_out = nullptr;
  tagNET* cell_nets = nullptr;
};

TEST_F(LefDefInputTest, GroupsCellsKeepsMacrosAloneAndLeavesPhysicalOnlyCellsOut) {
  const std::string out = ReadExample(kPartition);
  EXPECT_EQ(out,
            "LEF/DEF reading ...\nReading done.(Time consumed:0 s)\nNumber of Nets: 6\n"
            "Number of Components: 10\nNumber of Pins:2\n"
            "Physical-only cells left out: 2 (CORE SPACER: 1, CORE WELLTAP: 1)\n"
            "Reading partition ......\nNumber of Fixed Pads:2\nReading partition done.\n"
            "Made 4 blocks (2 groups, 2 macros, 0 fixed cells).\n");
  // Group 1 (c3, c4), group 0 (c1, c2), then the RAMs, last made first: the
  // placed one movable and of its macro's shape, whatever its group says.
  EXPECT_EQ(BlockDump(design), kBlocks);
  EXPECT_EQ(Names(pads), (std::vector<std::string>{"p1", "p2"}));
  EXPECT_EQ(Names(left_out), (std::vector<std::string>{"f1", "t1"}));
  const tagBLOCK* m1 = design->children->next->next;
  EXPECT_NEAR(m1->fixed_x_lo, 20, 1e-9);
  EXPECT_NEAR(m1->fixed_y_lo, 5, 1e-9);
  EXPECT_NEAR(design->area, 4 + 4 + 300 + 300, 1e-9);

  // The pad ring (0, 0) to (190, 100) is the outline, scaled to width +
  // height 200, while blocks stay in microns; io1 sits at the centre of pad
  // p1, io2 on the left side of the outline.
  EXPECT_NEAR(design->width + design->height, 200, 1e-9);
  EXPECT_NEAR(design->width / design->height, 1.9, 1e-12);
  EXPECT_NEAR(norm->scale, 1, 1e-12);
  const tagPINCLASS* io2 = design->pins->pinclass;
  const tagPINCLASS* io1 = design->pins->next->pinclass;
  EXPECT_EQ(std::vector<double>({io1->x, io1->y, io2->x, io2->y}), std::vector<double>({0.05, 0.05, 0, 0.5}));

  // n1 joins sub-block-2 and io1 (for its pad), n4 sub-block-1 and io2, n3
  // the three blocks and the fixed RAM; n2 and n5 stay inside their groups.
  EXPECT_EQ(design->net_count, 3);
  EXPECT_STREQ(cell_nets->name, "n5") << "the cell-level nets as read, the supply net left out";
  EXPECT_STREQ(design->children->nets->name, "n5");
  EXPECT_STREQ(design->children->next->nets->name, "n2");
}

TEST_F(LefDefInputTest, WithMacrosGroupedThePlacedRamJoinsItsGroup) {
  params.macro_blocks = 0;
  ReadExample(kPartition);
  EXPECT_EQ(BlockDump(design), (std::vector<std::string>{"sub-block-1: 0 c3 c4 m2", "sub-block-2: 0 c1 c2",
                                                         "sub-block-3: 3 m1"}));
}

// The partitioner sees only the cells that go into groups: each of the
// groups asked for is made. (That the RAMs stay blocks of their own the
// LEF/DEF runs in tests/e2e/lefdef_run_test.cpp check.)
TEST_F(LefDefInputTest, ThePartitionerMakesTheGroupsAskedFor) {
  std::string def = "UNITS DISTANCE MICRONS 1000 ;\nDIEAREA ( 0 0 ) ( 100000 100000 ) ;\nCOMPONENTS 42 ;\n";
  for (int i = 0; i < 40; ++i) def += "  - c" + std::to_string(i) + " INV ;\n";
  def += "  - m0 RAM ;\n  - m1 RAM + FIXED ( 0 0 ) N ;\nEND COMPONENTS\nNETS 41 ;\n";
  for (int i = 0; i < 39; ++i)
    def += "  - n" + std::to_string(i) + " ( c" + std::to_string(i) + " Z ) ( c" + std::to_string(i + 1) +
           " A ) ;\n";
  def += "  - m ( m0 A ) ( m1 A ) ( c0 A ) ;\nEND NETS\nEND DESIGN\n";
  params.cell_groups = 4;
  const std::string out = Read({{"tech.lef", kTech}, {"cells.lef", kCells}, {"ram.lef", kRam}}, def);
  EXPECT_EQ(out.find("Physical-only"), std::string::npos) << "no line when nothing is left out";
  EXPECT_NE(out.find("Partitioning ......\nNumber of Fixed Pads:0\nPartitioning done.(Time consumed:"),
            std::string::npos)
      << out;
  ASSERT_EQ(design->block_count, 6);
  int cells = 0;
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next) {
    if (blk->id <= 4) {
      EXPECT_GT(blk->block_count, 5) << blk->name << " is one of four balanced groups";
    }
    cells += blk->block_count;
  }
  EXPECT_EQ(cells, 42);
}

// One library in several files, in one file joined with cat, or with a
// macro given again: the later definition wins, with a warning.
struct Libraries {
  std::vector<std::pair<std::string, std::string>> files;
  std::string ram;  // what the fourth block should read
};

class LibrariesTest : public LefDefInputTest, public ::testing::WithParamInterface<Libraries> {};

TEST_P(LibrariesTest, MakeTheSameBlocks) {
  const std::string out = Read(GetParam().files, kDesign, kPartition);
  std::vector<std::string> blocks = kBlocks;
  blocks[3] = GetParam().ram;
  EXPECT_EQ(BlockDump(design), blocks);
  EXPECT_EQ(out.find("Warning: macro RAM is defined again in ram.lef; the later definition is used.\n") !=
                std::string::npos,
            blocks != kBlocks)
      << out;
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, LibrariesTest,
    ::testing::Values(Libraries{{{"all.lef", std::string(kTech) + kCells + kRam}}, kBlocks[3]},
                      Libraries{{{"tech.tlef", kTech},
                                 {"cells.lef", kCells},
                                 {"ram.lef", std::string(kRam) +
                                                 "MACRO RAM\n  CLASS BLOCK ;\n  SIZE 30 BY 10 ;\nEND RAM\n"}},
                                "sub-block-4: 0 30.000000x10.000000 m2"}));

struct PinPlace {
  const char* placement;  // the pin's options after its net
  double x, y;            // expected fraction of the outline
};

class PlacedPinTest : public LefDefInputTest, public ::testing::WithParamInterface<PinPlace> {};

// Die (1000, 2000) to (201000, 102000) in database units of 1/1000 micron:
// a pin keeps the centre of its shape, turned with the pin, measured from the
// die's corner; a pin without a place goes around the outline.
TEST_P(PlacedPinTest, KeepsTheCentreOfItsShape) {
  Read({{"tech.lef", kTech}, {"cells.lef", kCells}},
       std::string("UNITS DISTANCE MICRONS 1000 ;\nDIEAREA ( 1000 2000 ) ( 201000 102000 ) ;\n"
                   "COMPONENTS 2 ;\n  - a INV ;\n  - b INV ;\nEND COMPONENTS\n"
                   "PINS 1 ;\n  - io + NET n ") +
           GetParam().placement +
           " ;\nEND PINS\nNETS 1 ;\n  - n ( PIN io ) ( a A ) ( b A ) ;\nEND NETS\nEND DESIGN\n",
       "2\n0\n0\n");
  EXPECT_NEAR(design->pins->pinclass->x, GetParam().x, 1e-12);
  EXPECT_NEAR(design->pins->pinclass->y, GetParam().y, 1e-12);
}

INSTANTIATE_TEST_SUITE_P(
    Orientations, PlacedPinTest,
    ::testing::Values(PinPlace{"+ FIXED ( 51000 2000 ) N", 0.25, 0},
                      PinPlace{"+ LAYER m1 ( -1000 0 ) ( 1000 4000 ) + FIXED ( 51000 2000 ) N", 0.25, 0.02},
                      PinPlace{"+ LAYER m1 ( -1000 0 ) ( 1000 4000 ) + PLACED ( 1000 52000 ) E", 0.01, 0.5},
                      PinPlace{"+ LAYER m1 ( -1000 0 ) ( 1000 4000 ) + COVER ( 101000 102000 ) S", 0.5, 0.98},
                      PinPlace{"+ LAYER m1 ( 0 0 ) ( 4000 2000 ) + FIXED ( 101000 2000 ) FN", 0.49, 0.01},
                      PinPlace{"+ DIRECTION INPUT", 0, 0.5}));

TEST_F(LefDefInputTest, UnknownConnectionsAreCountedAfterTheFirstTen) {
  std::string nets;
  for (int i = 0; i < 12; ++i) nets += " ( ghost" + std::to_string(i) + " A )";
  const std::string out =
      Read({{"tech.lef", kTech}, {"cells.lef", kCells}},
           "UNITS DISTANCE MICRONS 1000 ;\nDIEAREA ( 0 0 ) ( 1000 1000 ) ;\nCOMPONENTS 2 ;\n  - a INV ;\n"
           "  - b INV ;\nEND COMPONENTS\nNETS 2 ;\n  - n1 ( a A ) ( b A )" +
               nets + " ;\n  - lonely ;\nEND NETS\nEND DESIGN\n",
           "2\n0\n0\n");
  EXPECT_NE(out.find("Warning: No cell:ghost9 or hash error!\nWarning: No pin lonely or hash error!\n"
                     "Warning: 12 net connections name no component or DEF pin (the first 10 shown).\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(out.find("ghost10"), std::string::npos);
}

}  // namespace
