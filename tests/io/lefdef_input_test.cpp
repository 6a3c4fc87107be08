// Building the design from LEF and DEF texts: classes, blocks, terminals and
// nets as read, the reader's warnings and refusals, and the whole input step
// with grouping, pad ring, terminal positions and scaling.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "driver/records.h"
#include "io/io.h"
#include "io/lefdef.h"
#include "test_support.h"

using namespace testing_support;

namespace {

const char* const kLibrary =
    "VERSION 5.5 ;\n"
    "BUSBITCHARS \"[]\" ;\n"
    "DIVIDERCHAR \"/\" ;\n"
    "UNITS\n  DATABASE MICRONS 1000 ;\nEND UNITS\n"
    "LAYER metal1\n  TYPE ROUTING ;\nEND metal1\n"
    "SITE core\n  SIZE 0.2 BY 2 ;\nEND core\n"
    "MACRO INV\n  CLASS CORE ;\n  ORIGIN 0.5 0.25 ;\n  SIZE 2 BY 1 ;\n"
    "  PIN A\n    PORT\n      LAYER metal1 ;\n      RECT 0 0 0.5 0.5 ;\n    END\n  END A\n"
    "  PIN Z\n  END Z\nEND INV\n"
    "MACRO BIG\n  CLASS BLOCK ;\n  SIZE 10 BY 10 ;\n  PIN A END A\nEND BIG\n"
    "MACRO IOPAD\n  CLASS PAD ;\n  SIZE 20 BY 10 ;\n  PIN PAD END PAD\nEND IOPAD\n"
    "END LIBRARY\n";

// Seven components: four movable cells, one fixed block, two fixed pads (the
// second turned east), two DEF pins, five nets and one special net.
const char* const kDesign =
    "VERSION 5.5 ;\n"
    "DESIGN top ;\n"
    "UNITS DISTANCE MICRONS 1000 ;\n"
    "DIEAREA ( 0 0 ) ( 200000 100000 ) ;\n"
    "ROW row0 core 0 0 N DO 10 BY 1 STEP 200 0 ;\n"
    "COMPONENTS 7 ;\n"
    "  - c1 INV + PLACED ( 1000 1000 ) N ;\n"
    "  - c2 INV + UNPLACED ;\n"
    "  - c3 INV + COVER ( 0 0 ) S ;\n"
    "  - c4 INV ;\n"
    "  - m1 BIG + FIXED ( 20000 5000 ) FS ;\n"
    "  - p1 IOPAD + FIXED ( 0 0 ) N ;\n"
    "  - p2 IOPAD + FIXED ( 180000 80000 ) E ;\n"
    "END COMPONENTS\n"
    "PINS 2 ;\n"
    "  - io1 + NET n1 + DIRECTION INPUT + PLACED ( 0 0 ) N ;\n"
    "  - io2 + NET n4 ;\n"
    "END PINS\n"
    "SPECIALNETS 1 ;\n  - VDD ( * VDD ) + USE POWER ;\nEND SPECIALNETS\n"
    "NETS 5 ;\n"
    "  - n1 ( PIN io1 ) ( p1 PAD ) ( c1 A ) ;\n"
    "  - n2 ( c1 Z ) ( c2 A ) ;\n"
    "  - n3 ( c2 Z ) ( c3 A ) ( m1 A ) ;\n"
    "  - n4 ( PIN io2 ) ( c4 A ) ;\n"
    "  - n5 ( c3 Z ) ( c4 Z ) ;\n"
    "END NETS\n"
    "END DESIGN\n";

std::vector<std::string> Names(const std::vector<tagBLOCK*>& blocks) {
  std::vector<std::string> names;
  for (const tagBLOCK* b : blocks) names.push_back(b->name ? b->name : "");
  return names;
}

const tagPIN* PinAt(const tagNET* net, int index) {
  const tagPINLIST* node = net->pins;
  for (int i = 0; i < index && node; ++i) node = node->next;
  return node ? static_cast<const tagPIN*>(node->pin) : nullptr;
}

int Length(const tagPINLIST* node) {
  int n = 0;
  for (; node; node = node->next) ++n;
  return n;
}

// Runs inside a scratch directory (the readers write "list" there) and
// releases the design afterwards.
class LefDefInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = std::filesystem::current_path();
    std::filesystem::current_path(dir_.path());
  }
  void TearDown() override {
    for (tagBLOCK* pad = pads; pad;) {
      tagBLOCK* next = pad->next;
      free_block(pad);
      pad = next;
    }
    free_memory(design, root, cell_nets, norm);
    std::filesystem::current_path(saved_);
  }

  void ReadLibrary(const std::string& text) {
    WriteFile(dir_.file("lib.lef"), text);
    InputLef("lib.lef", root);
  }
  void ReadDesign(const std::string& text) {
    WriteFile(dir_.file("design.def"), text);
    design->blkclass = root;
    InputDef("design.def", design);
  }
  std::string Everything(const std::string& def, const std::string& partition) {
    WriteFile(dir_.file("lib.lef"), kLibrary);
    WriteFile(dir_.file("design.def"), def);
    if (!partition.empty()) WriteFile(dir_.file("design.part"), partition);
    CaptureStdout capture;
    InputDataFromLefDef("lib.lef", "design.def", partition.empty() ? nullptr : "design.part", root, design,
                        norm, &pads, &cell_nets);
    return capture.Finish();
  }

  ScratchDir dir_;
  std::filesystem::path saved_;
  tagBLOCKCLASS* root = NewBlkc();
  tagBLOCK* design = NewBlk();
  tagNORMPARA* norm = new tagNORMPARA{};
  tagBLOCK* pads = nullptr;
  tagNET* cell_nets = nullptr;
};

TEST_F(LefDefInputTest, MacrosBecomeClassesNumberedUpAndListedNewestFirst) {
  ReadLibrary(kLibrary);
  const std::vector<tagBLOCKCLASS*> classes = ListOf(root->classes);
  ASSERT_EQ(classes.size(), 3u);
  EXPECT_STREQ(classes[0]->name, "IOPAD");
  EXPECT_STREQ(classes[2]->name, "INV");
  EXPECT_EQ(classes[0]->id, 3);
  EXPECT_EQ(classes[2]->id, 1);
  const tagBLOCKCLASS* inv = classes[2];
  EXPECT_EQ(inv->type, 7);
  EXPECT_DOUBLE_EQ(inv->width, 2);
  EXPECT_DOUBLE_EQ(inv->height, 1);
  EXPECT_DOUBLE_EQ(inv->origin_x, 0.5);
  EXPECT_DOUBLE_EQ(inv->origin_y, 0.25);
  const std::vector<tagPINCLASS*> pins = ListOf(inv->pinclasses);
  ASSERT_EQ(pins.size(), 2u);
  EXPECT_STREQ(pins[0]->name, "Z");
  EXPECT_STREQ(pins[1]->name, "A");
  EXPECT_EQ(pins[1]->x, 0);
  EXPECT_EQ(classes[0]->type, 4);
  EXPECT_EQ(classes[1]->type, 8);
  // The echo file holds the LEF constructs.
  EXPECT_EQ(ReadFile(dir_.file("list")).rfind("VERSION 5.5 ;\nBUSBITCHARS \"[]\" ;\n", 0), 0u);
}

TEST_F(LefDefInputTest, OnlyAWholeClassWordSetsTheClassType) {
  ReadLibrary(
      "MACRO a CLASS PAD ; END a\nMACRO b CLASS COVER ; END b\nMACRO c CLASS RING ; END c\n"
      "MACRO d CLASS CORE ; END d\nMACRO e CLASS BLOCK ; END e\nMACRO f CLASS ENDCAP ; END f\n"
      "MACRO g CLASS PAD INPUT ; END g\nMACRO h CLASS CORE TIEHIGH ; END h\nMACRO i END i\n"
      "MACRO j CLASS pad ; END j\n");
  std::vector<int> types;
  for (const tagBLOCKCLASS* c : ListOf(root->classes)) types.insert(types.begin(), c->type);
  EXPECT_EQ(types, (std::vector<int>{4, 5, 6, 7, 8, 9, 0, 0, 0, 0}));
}

TEST_F(LefDefInputTest, ComponentsPinsAndNetsBecomeRecords) {
  ReadLibrary(kLibrary);
  ReadDesign(kDesign);
  EXPECT_DOUBLE_EQ(design->unit_scale, 1000);
  EXPECT_DOUBLE_EQ(design->width, 200);
  EXPECT_DOUBLE_EQ(design->height, 100);
  EXPECT_DOUBLE_EQ(root->width, 200);
  EXPECT_DOUBLE_EQ(root->height, 100);
  EXPECT_EQ(design->block_count, 7);
  EXPECT_EQ(design->pin_count, 2);
  EXPECT_EQ(design->net_count, 6);  // five nets and one special net

  const std::vector<tagBLOCK*> blocks = ListOf(design->children);
  EXPECT_EQ(Names(blocks), (std::vector<std::string>{"p2", "p1", "m1", "c4", "c3", "c2", "c1"}));
  for (size_t i = 0; i < blocks.size(); ++i) EXPECT_EQ(blocks[i]->id, 7 - static_cast<int>(i));
  const tagBLOCK* m1 = blocks[2];
  EXPECT_EQ(m1->kind, 3);
  EXPECT_DOUBLE_EQ(m1->fixed_x_lo, 20);
  EXPECT_DOUBLE_EQ(m1->fixed_x_hi, 20);
  EXPECT_DOUBLE_EQ(m1->fixed_y_lo, 5);
  EXPECT_DOUBLE_EQ(m1->fixed_y_hi, 5);
  EXPECT_EQ(m1->orient, 6);
  EXPECT_DOUBLE_EQ(m1->area, 100);
  EXPECT_STREQ(m1->blkclass->name, "BIG");
  EXPECT_EQ(blocks[0]->orient, 3);
  // PLACED, COVER and UNPLACED components stay movable with no preset corner.
  for (int i = 3; i < 7; ++i) {
    EXPECT_EQ(blocks[i]->kind, 0) << blocks[i]->name;
    EXPECT_EQ(blocks[i]->fixed_x_lo, 0) << blocks[i]->name;
    EXPECT_EQ(blocks[i]->orient, 0) << blocks[i]->name;
    EXPECT_DOUBLE_EQ(blocks[i]->area, 2) << blocks[i]->name;
  }

  const std::vector<tagPIN*> terms = ListOf(design->pins);
  ASSERT_EQ(terms.size(), 2u);
  EXPECT_STREQ(terms[0]->name, "io2");
  EXPECT_EQ(terms[0]->id, 2);
  EXPECT_EQ(terms[1]->id, 1);

  const std::vector<tagNET*> nets = ListOf(design->nets);
  ASSERT_EQ(nets.size(), 5u);
  EXPECT_STREQ(nets[0]->name, "n5");
  EXPECT_EQ(nets[0]->id, 5);
  const tagNET* n1 = nets[4];
  EXPECT_EQ(n1->degree, 3);
  EXPECT_DOUBLE_EQ(n1->weight, 1.0);
  ASSERT_EQ(Length(n1->pins), 3);
  // Newest first: the c1 pin, the p1 pin, then the terminal.
  const tagPIN* c1_pin = PinAt(n1, 0);
  EXPECT_EQ(c1_pin->id, 0);
  EXPECT_STREQ(c1_pin->name, "A");
  EXPECT_EQ(c1_pin->owner, blocks[6]);
  EXPECT_EQ(c1_pin->net, n1);
  EXPECT_EQ(c1_pin->pinclass, nullptr);
  EXPECT_EQ(PinAt(n1, 1)->owner, blocks[1]);
  EXPECT_EQ(PinAt(n1, 2), terms[1]);
  EXPECT_EQ(terms[1]->net, n1);
  EXPECT_EQ(terms[1]->net_count, 1);
  ASSERT_EQ(Length(terms[1]->net_refs), 1);
  EXPECT_EQ(terms[1]->net_refs->pin, n1);
  // c1 is on n1 and n2: degree 2, the later net first.
  EXPECT_EQ(blocks[6]->degree, 2);
  ASSERT_EQ(Length(blocks[6]->net_refs), 2);
  EXPECT_EQ(blocks[6]->net_refs->pin, nets[3]);
  EXPECT_EQ(blocks[6]->net_refs->next->pin, n1);

  // After a run the echo file holds the DEF echo.
  const std::string list = ReadFile(dir_.file("list"));
  EXPECT_EQ(list.rfind("VERSION 5.5 ;\nDESIGN top ;\nUNITS DISTANCE MICRONS 1000 ;\n", 0), 0u);
  EXPECT_NE(list.find("- m1 BIG + FIXED ( 20000 5000 ) FS ;\n"), std::string::npos);
  EXPECT_EQ(list.find("MACRO"), std::string::npos);
}

TEST_F(LefDefInputTest, UnknownNamesAreReportedAndLeftOut) {
  ReadLibrary(kLibrary);
  CaptureStdout capture;
  ReadDesign(
      "UNITS DISTANCE MICRONS 100 ;\nDIEAREA ( 0 0 ) ( 1000 1000 ) ;\n"
      "COMPONENTS 3 ;\n  - c1 INV ;\n  - x1 NOSUCH ;\nEND COMPONENTS\n"
      "PINS 1 ;\n  - io1 + NET n1 ;\nEND PINS\n"
      "NETS 3 ;\n  - n1 ( PIN io1 ) ( c1 A ) ( ghost A ) ( PIN nope ) ;\n  - io1 ;\n  - lonely ;\nEND NETS\n"
      "END DESIGN\n");
  EXPECT_EQ(capture.Finish(),
            "Warning: No lib cell:NOSUCH or hash error!\n"
            "Warning: No cell:ghost or hash error!\n"
            "Warning: No cell:nope or hash error!\n"
            "Warning: No pin lonely or hash error!\n"
            "Warning: COMPONENTS declares 3 entries, 2 read.\n");
  EXPECT_EQ(design->block_count, 2);
  const tagBLOCK* x1 = design->children;
  EXPECT_EQ(x1->blkclass, nullptr);
  EXPECT_EQ(x1->area, 0);
  const std::vector<tagNET*> nets = ListOf(design->nets);
  ASSERT_EQ(nets.size(), 3u);
  EXPECT_EQ(Length(nets[0]->pins), 0);  // lonely
  // A net without connections is the net of the DEF pin of its name.
  ASSERT_EQ(Length(nets[1]->pins), 1);
  EXPECT_EQ(PinAt(nets[1], 0), design->pins);
  EXPECT_EQ(design->pins->net_count, 2);
  // n1 keeps the pins that were found; its degree is the count stated.
  EXPECT_EQ(Length(nets[2]->pins), 2);
  EXPECT_EQ(nets[2]->degree, 4);
}

TEST_F(LefDefInputTest, CallbacksRefuseForeignDataAndUnknownKinds) {
  FILE* echo = std::tmpfile();
  fout = echo;
  p_lib_design = root;
  p_design = design;
  int other = 0;
  lefiMacro macro;
  macro.has_size_ = true;
  defiComponent comp;
  comp.id_ = "c";
  comp.name_ = "m";
  EXPECT_EQ(macroBeginCB(lefrMacroBeginCbkType, "X", &other), 0);
  EXPECT_EQ(compf(defrComponentCbkType, &comp, root), 0);
  EXPECT_EQ(cs(defrDieAreaCbkType, 3, design), 0);
  EXPECT_EQ(cls(defrUnitsCbkType, nullptr, design), 0);
  EXPECT_EQ(macroCB(static_cast<lefrCallbackType_e>(99), &macro, root), 0);
  fout = nullptr;
  std::rewind(echo);
  char text[512] = {0};
  std::fread(text, 1, sizeof text - 1, echo);
  std::fclose(echo);
  EXPECT_STREQ(text,
               "ERROR: returned user data is not correct!\n"
               "ERROR: returned user data is not correct!\n"
               "ERROR: callback type is out of bounds!\n"
               "ERROR: callback type is out of bounds!\n"
               "ERROR: callback type is out of bounds!\n");
  EXPECT_EQ(root->classes, nullptr);
  EXPECT_EQ(design->children, nullptr);
  EXPECT_EQ(design->block_count, 0);
}

struct Refusal {
  const char* def;
  const char* message;  // regular expression over standard error
};

class LefDefRefusalTest : public LefDefInputTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(LefDefRefusalTest, EndsTheRunWithStatusOne) {
  ReadLibrary(kLibrary);
  EXPECT_EXIT(ReadDesign(GetParam().def), ::testing::ExitedWithCode(1), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    BadDesigns, LefDefRefusalTest,
    ::testing::Values(
        Refusal{"UNITS DISTANCE MICRONS 1000 ;\nDIEAREA ( 0 0 ) ( 10 10 )\nEND DESIGN\n",
                "design\\.def:3: syntax error: expected ';', found 'END'\nReader returns bad status\\.\n"},
        Refusal{"DIEAREA ( 10 10 ) ( 10 10 ) ( 10 10 ) ;\nEND DESIGN\n", "encloses no area"},
        Refusal{"UNITS DISTANCE MICRONS 1e9 ;\nEND DESIGN\n",
                "Error: UNITS DISTANCE MICRONS 1e\\+09 is above 1e\\+06\\.\n"},
        Refusal{"DIEAREA ( 0 0 ) ( 1e300 10 ) ;\nEND DESIGN\n",
                "Error: DIEAREA \\( 0 0 \\) \\( 1e\\+300 10 \\) lies beyond \\+-2\\.14748e\\+09\\.\n"}));

TEST_F(LefDefInputTest, BrokenLibraryOrMissingFileEndsTheRun) {
  EXPECT_EXIT(ReadLibrary("MACRO A\n  SIZE 1 BY 1 ;\nEND B\n"), ::testing::ExitedWithCode(1),
              "lib\\.lef:3: syntax error: expected END A \\(opened at line 1\\), found 'B'\nReader returns bad "
              "status\\.\n");
  EXPECT_EXIT(InputLef("missing.lef", root), ::testing::ExitedWithCode(1),
              "Couldn't open input file 'missing\\.lef'\n");
  EXPECT_EXIT(InputDef("missing.def", design), ::testing::ExitedWithCode(1),
              "Couldn't open input file 'missing\\.def'\n");
}

TEST_F(LefDefInputTest, WholeInputGroupsPlacesPadsAndScalesTheOutline) {
  const std::string out = Everything(kDesign, "7 vertices\n0\n0\n1\n1\n0\n0\n0\n");
  EXPECT_EQ(out,
            "LEF/DEF reading ...\n"
            "Reading done.(Time consumed:0 s)\n"
            "Number of Nets: 6\n"
            "Number of Components: 7\n"
            "Number of Pins:2\n"
            "Reading partition ......\n"
            "Number of Fixed Pads:2\n"
            "Reading partition done.\n");

  // Group 1 (c3, c4), group 0 (c1, c2), then the fixed block.
  const std::vector<tagBLOCK*> blocks = ListOf(design->children);
  ASSERT_EQ(blocks.size(), 3u);
  EXPECT_EQ(design->block_count, 3);
  EXPECT_EQ(Names(blocks), (std::vector<std::string>{"sub-block-1", "sub-block-2", "sub-block-3"}));
  EXPECT_EQ(Names(ListOf(blocks[0]->children)), (std::vector<std::string>{"c3", "c4"}));
  EXPECT_EQ(Names(ListOf(blocks[1]->children)), (std::vector<std::string>{"c1", "c2"}));
  EXPECT_EQ(Names(ListOf(blocks[2]->children)), (std::vector<std::string>{"m1"}));
  EXPECT_EQ(Names(ListOf(pads)), (std::vector<std::string>{"p1", "p2"}));
  EXPECT_EQ(blocks[2]->kind, 3);
  EXPECT_NEAR(blocks[2]->fixed_x_lo, 20, 1e-9);
  EXPECT_NEAR(blocks[2]->fixed_y_lo, 5, 1e-9);

  // The pad ring runs from (0, 0) to (190, 100): the east pad stands 10 wide, 20 high.
  EXPECT_NEAR(design->width + design->height, 200, 1e-9);
  EXPECT_NEAR(root->width + root->height, 200, 1e-9);
  EXPECT_NEAR(design->width / design->height, 1.9, 1e-12);
  const double s = 200.0 / 290.0;
  EXPECT_NEAR(design->region_x_lo, 0, 1e-12);
  EXPECT_NEAR(design->region_x_hi, 200 * s, 1e-9);
  EXPECT_NEAR(design->region_y_hi, 100 * s, 1e-9);
  EXPECT_NEAR(pads->next->x, 180, 1e-12);
  EXPECT_NEAR(pads->next->y, 80, 1e-12);
  EXPECT_NEAR(norm->scale, 1, 1e-12);
  EXPECT_NEAR(norm->big, 9999989.000001, 1e-4);
  EXPECT_NEAR(design->area, 4 + 4 + 100, 1e-9);  // two groups of two 2 x 1 cells, and the fixed block

  // io1 sits at the centre of pad p1, io2 on the left side of the die outline.
  const tagPIN* io2 = design->pins;
  const tagPIN* io1 = design->pins->next;
  EXPECT_EQ(io1->owner, design);
  ASSERT_NE(io1->pinclass, nullptr);
  EXPECT_NEAR(io1->pinclass->x, 10.0 / 200, 1e-12);
  EXPECT_NEAR(io1->pinclass->y, 5.0 / 100, 1e-12);
  ASSERT_NE(io2->pinclass, nullptr);
  EXPECT_NEAR(io2->pinclass->x, 0, 1e-12);
  EXPECT_NEAR(io2->pinclass->y, 0.5, 1e-12);

  // Block-level nets by degree, each block pin before the terminal: n1
  // (sub-block-2 and io1 for the pad), n4 (sub-block-1, io2), n3 (all three
  // blocks); n2 and n5 lie inside a group.
  const std::vector<tagNET*> nets = ListOf(design->nets);
  ASSERT_EQ(nets.size(), 3u);
  EXPECT_EQ(design->net_count, 3);
  ASSERT_NE(cell_nets, nullptr);
  EXPECT_STREQ(cell_nets->name, "n5");  // the cell-level nets as read
  EXPECT_EQ(nets[0]->id, 3);
  EXPECT_EQ(nets[2]->id, 1);
  EXPECT_EQ(PinAt(nets[0], 0)->owner, blocks[1]);
  EXPECT_EQ(PinAt(nets[0], 1), io1);
  EXPECT_EQ(PinAt(nets[1], 0)->owner, blocks[0]);
  EXPECT_EQ(PinAt(nets[1], 1), io2);
  EXPECT_EQ(nets[2]->degree, 3);
  ASSERT_EQ(blocks[0]->net_count, 1);
  EXPECT_STREQ(blocks[0]->nets->name, "n5");
  ASSERT_EQ(blocks[1]->net_count, 1);
  EXPECT_STREQ(blocks[1]->nets->name, "n2");
}

TEST_F(LefDefInputTest, WithoutPadsTheDieAreaIsTheOutline) {
  Everything(
      "UNITS DISTANCE MICRONS 1000 ;\nDIEAREA ( 0 0 ) ( 100000 50000 ) ;\n"
      "COMPONENTS 3 ;\n  - a INV ;\n  - b INV ;\n  - c INV + PLACED ( 10 10 ) N ;\nEND COMPONENTS\n"
      "NETS 2 ;\n  - n1 ( a A ) ( b A ) ;\n  - n2 ( b Z ) ( c A ) ;\nEND NETS\nEND DESIGN\n",
      "3\n0\n1\n1\n");
  EXPECT_EQ(pads, nullptr);
  EXPECT_NEAR(design->width, 200.0 * 100 / 150, 1e-9);
  EXPECT_NEAR(design->height, 200.0 * 50 / 150, 1e-9);
  EXPECT_EQ(design->region_x_lo, 0);
  EXPECT_EQ(design->block_count, 2);
  EXPECT_EQ(design->net_count, 1);
}

TEST_F(LefDefInputTest, WithoutAPartitionFileThePartitionerGroupsTheCells) {
  std::string def = "UNITS DISTANCE MICRONS 1000 ;\nDIEAREA ( 0 0 ) ( 100000 100000 ) ;\nCOMPONENTS 40 ;\n";
  for (int i = 0; i < 40; ++i) def += "  - c" + std::to_string(i) + " INV ;\n";
  def += "END COMPONENTS\nNETS 39 ;\n";
  for (int i = 0; i < 39; ++i)
    def += "  - n" + std::to_string(i) + " ( c" + std::to_string(i) + " Z ) ( c" + std::to_string(i + 1) + " A ) ;\n";
  def += "END NETS\nEND DESIGN\n";
  const std::string out = Everything(def, "");
  EXPECT_NE(out.find("Partitioning ......\nNumber of Fixed Pads:0\nPartitioning done.(Time consumed:"),
            std::string::npos)
      << out;
  EXPECT_GE(design->block_count, 1);
  EXPECT_LE(design->block_count, 10);
  int cells = 0;
  double area = 0;
  for (const tagBLOCK* blk : ListOf(design->children)) {
    cells += blk->block_count;
    for (const tagBLOCK* cell : ListOf(blk->children)) {
      EXPECT_EQ(cell->parent, blk);
      area += cell->area;
    }
  }
  EXPECT_EQ(cells, 40);
  EXPECT_DOUBLE_EQ(area, 80);
  EXPECT_NEAR(design->width + design->height, 200, 1e-9);
}

// Real designs beside the project, when present: each reads, groups and
// scales to an outline of width + height 200.
TEST_F(LefDefInputTest, SharedDesignsReadAndScale) {
  const std::vector<LefDefDesign> designs = SharedLefDefDesigns();
  if (designs.empty()) GTEST_SKIP() << "no LEF/DEF designs beside the project";
  for (const LefDefDesign& shared : designs) {
    EXPECT_EXIT(
        {
          tagBLOCKCLASS* r = NewBlkc();
          tagBLOCK* d = NewBlk();
          tagNORMPARA n{};
          tagBLOCK* p = nullptr;
          tagNET* c = nullptr;
          InputDataFromLefDef(shared.lef.c_str(), shared.def.c_str(), nullptr, r, d, &n, &p, &c);
          std::exit(std::fabs(d->width + d->height - 200) < 1e-6 ? 0 : 2);
        },
        ::testing::ExitedWithCode(0), "")
        << shared.def;
  }
}

}  // namespace
