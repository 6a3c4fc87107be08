// The whole LEF/DEF input step on small texts: several libraries, what
// becomes a block (groups, macros, fixed cells; physical-only cells left
// out), the pad ring, terminal places and scaling. Refusals run through the
// binary in tests/e2e/bad_input_test.cpp, whole runs in e2e/golden_run_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "driver/parameters.h"
#include "driver/records.h"
#include "io/io.h"
#include "io/lefdef.h"
#include "test_support.h"

using namespace testing_support;

namespace {

// The texts under tests/io/lefdef_input/: a technology LEF, the cells, a
// RAM and a design that uses them.
std::string Text(const char* name) { return ReadFile(SourceDir() + "/tests/io/lefdef_input/" + name); }
const std::string kTech = Text("tech.lef"), kCells = Text("cells.lef"), kRam = Text("ram.lef");
const std::string kDesign = Text("design.def");

const char kPartition[] = "10 vertices\n0\n0\n1\n1\n0\n1\n0\n0\n1\n1\n";
// The placed RAM with its default halo of 2 um on every side.
const std::vector<std::string> kBlocks = {"sub-block-1: 0 c3 c4", "sub-block-2: 0 c1 c2", "sub-block-3: 3 m1",
                                          "sub-block-4: 0 14.000000x34.000000 m2"};

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
            "Made 4 blocks (2 groups, 2 macros, 0 fixed cells).\n"
            "Cell fences: 2 groups at 70.0 % utilisation (the input's cells take 0.0 % of the core its "
            "macros leave).\n"
            "Outline: 141.42 x 70.71 um on each of 2 tier(s) in a die of 141.42 x 70.71 um; the blocks fill "
            "5.0 %, white space 95.0 %.\n");
  // Group 1 (c3, c4), group 0 (c1, c2), then the RAMs, last made first: the
  // placed one movable and of its macro's shape, whatever its group says.
  EXPECT_EQ(BlockDump(design), kBlocks);
  EXPECT_EQ(Names(pads), (std::vector<std::string>{"p1", "p2"}));
  EXPECT_EQ(Names(left_out), (std::vector<std::string>{"f1", "t1"}));
  // The fixed RAM keeps its corner inside its halo.
  const tagBLOCK* m1 = design->children->next->next;
  EXPECT_NEAR(m1->fixed_x_lo, 20 - 2, 1e-9);
  EXPECT_NEAR(m1->fixed_y_lo, 5 - 2, 1e-9);
  const tagPINCLASS* z = m1->children->blkclass->pinclasses;
  EXPECT_EQ(std::vector<double>({z->x, z->y, z->next->x, z->next->y}), std::vector<double>({5, 15, 0.5, 7}))
      << "pins from the RAM's corner: Z (no port) at its centre, A at its port's centre past ORIGIN 1 2";

  // The die folded over the default two tiers is the outline, scaled to
  // width + height 200, while blocks stay in microns; io1 sits at the centre
  // of pad p1 (10, 5), io2 on the left side of the outline.
  EXPECT_NEAR(design->width + design->height, 200, 1e-9);
  EXPECT_NEAR(design->width / design->height, 2, 1e-12);
  EXPECT_NEAR(params.outline_w, 200 / std::sqrt(2.0), 1e-9);
  EXPECT_NEAR(norm->scale, 1, 1e-12);
  const tagPINCLASS* io2 = design->pins->pinclass;
  const tagPINCLASS* io1 = design->pins->next->pinclass;
  EXPECT_NEAR(io1->x, 10 / params.outline_w, 1e-12);
  EXPECT_NEAR(io1->y, 5 / params.outline_h, 1e-12);
  EXPECT_EQ(std::vector<double>({io2->x, io2->y}), std::vector<double>({0, 0.5}));

  // n1 joins sub-block-2 and io1 (for its pad), n4 sub-block-1 and io2, n3
  // the three blocks and the fixed RAM, and its two RAMs pull together on a
  // wire-only net of their own; n2 and n5 stay inside their groups.
  EXPECT_EQ(design->net_count, 4);
  int pulls = 0, pull_pins = 0;
  for (const tagNET* net : ListOf(design->nets))
    if (net->wire_only) pulls += 1, pull_pins += net->degree;
  EXPECT_EQ(std::pair(pulls, pull_pins), std::pair(1, 2));
  EXPECT_STREQ(cell_nets->name, "n5") << "the cell-level nets as read, the supply net left out";
  EXPECT_STREQ(design->children->nets->name, "n5");
  EXPECT_STREQ(design->children->next->nets->name, "n2");
}

// Sections that bear on a floorplan but are not read are named in the
// output, each once (the recorded runs show a design without them reads
// without a warning).
TEST_F(LefDefInputTest, NamesTheSectionsItPassesOver) {
  const std::string def =
      Replace(kDesign, "END DESIGN",
              "BLOCKAGES 1 ;\n- PLACEMENT RECT ( 0 0 ) ( 10 10 ) ;\nEND BLOCKAGES\nREGIONS 0 ;\nEND REGIONS\n"
              "GROUPS 0 ;\nEND GROUPS\nEND DESIGN");
  const std::string out = Read({{"tech.lef", kTech}, {"cells.lef", kCells}, {"ram.lef", kRam}}, def);
  std::vector<std::string> warnings;
  std::istringstream lines(out);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("Warning", 0) == 0) warnings.push_back(line);
  EXPECT_EQ(warnings,
            std::vector<std::string>({"Warning: design.def: its REGIONS and GROUPS are not kept; the "
                                      "tier DEFs fence the cell groups instead.",
                                      "Warning: design.def: its BLOCKAGES are honoured on one tier in "
                                      "its own die only; blocks may cover them."}));
}

// Two fixed RAMs whose DEF halos overlap along x but whose haloed boxes are
// a row apart along y keep their halos whole: only boxes that overlap both
// ways part them.
TEST_F(LefDefInputTest, FixedHalosPartOnlyWhereTheHaloedBoxesOverlap) {
  params.layers = 1;
  std::string def = Replace(kDesign, "  - m1 RAM + FIXED ( 20000 5000 ) FS ;",
                            "  - m1 RAM + FIXED ( 20000 5000 ) FS + HALO 3000 0 3000 0 ;");
  def = Replace(def, "  - m2 RAM + PLACED ( 90000 5000 ) N ;",
                "  - m2 RAM + FIXED ( 33000 36000 ) N + HALO 3000 0 3000 0 ;");
  Read({{"tech.lef", kTech}, {"cells.lef", kCells}, {"ram.lef", kRam}}, def, kPartition);
  std::vector<double> corners;
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next)
    if (blk->kind != 0) corners.push_back(std::round(blk->fixed_x_lo * 1e6) / 1e6);
  EXPECT_EQ(corners, (std::vector<double>{17, 30}));
}

// On one tier in its own die, the hard placement blockages become preplaced
// blocks: what the fixed RAM and its 2 um halo leave of the first rectangle,
// in bands from the bottom, and the second clipped to the die; the soft
// one and the routing one stay out of the packing's way.
TEST_F(LefDefInputTest, HardPlacementBlockagesBecomePreplacedBlocksOnOneTier) {
  params.layers = 1;
  const std::string def =
      Replace(kDesign, "END DESIGN",
              "BLOCKAGES 3 ;\n- PLACEMENT RECT ( 10000 0 ) ( 40000 20000 ) RECT ( 190000 90000 ) "
              "( 250000 120000 ) ;\n- PLACEMENT + SOFT RECT ( 100000 0 ) ( 120000 10000 ) ;\n"
              "- LAYER m1 RECT ( 50000 0 ) ( 60000 10000 ) ;\nEND BLOCKAGES\nEND DESIGN");
  const std::string out =
      Read({{"tech.lef", kTech}, {"cells.lef", kCells}, {"ram.lef", kRam}}, def, kPartition);
  EXPECT_NE(out.find("Placement blockages: 4 rectangles kept clear of blocks.\n"), std::string::npos) << out;
  EXPECT_EQ(out.find("Warning"), std::string::npos) << out;
  std::vector<std::vector<double>> boxes;
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next) {
    if (blk->kind == 0 || blk->children) continue;
    boxes.emplace_back();
    for (double v : {blk->fixed_x_lo, blk->fixed_y_lo, blk->blkclass->width, blk->blkclass->height})
      boxes.back().push_back(std::round(v * 1e6) / 1e6);
  }
  EXPECT_EQ(boxes, (std::vector<std::vector<double>>{
                       {10, 0, 30, 3}, {10, 3, 8, 17}, {32, 3, 8, 17}, {190, 90, 10, 10}}));
  EXPECT_EQ(design->block_count, 8);
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
    ::testing::Values(Libraries{{{"all.lef", kTech + kCells + kRam}}, kBlocks[3]},
                      Libraries{
                          {{"tech.tlef", kTech},
                           {"cells.lef", kCells},
                           {"ram.lef", kRam + "MACRO RAM\n  CLASS BLOCK ;\n  SIZE 30 BY 10 ;\nEND RAM\n"}},
                          "sub-block-4: 0 34.000000x14.000000 m2"}));

}  // namespace
