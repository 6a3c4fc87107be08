// The LEF and DEF readers on small texts: what reaches the callbacks, what is
// skipped, how tokens are split, and the messages of broken files.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "io/lefdef.h"
#include "test_support.h"

using namespace testing_support;

namespace {

// Everything the callbacks saw, one line per call; a callback returns 5
// when it makes event `stop_at_event`.
std::vector<std::string> events;
int user_data_tag;
bool user_data_ok = true;
int stop_at_event = -1;

int Record(const std::string& event, void* ud) {
  user_data_ok = user_data_ok && ud == &user_data_tag;
  events.push_back(event);
  return static_cast<int>(events.size()) - 1 == stop_at_event ? 5 : 0;
}

// The calls so far, each followed by "|".
std::string Seen() {
  std::string seen;
  for (const std::string& e : events) seen += e + "|";
  return seen;
}

std::string Num(double v) {
  char text[40];
  std::snprintf(text, sizeof text, "%g", v);
  return text;
}

int OnName(lefrCallbackType_e type, const char* name, lefiUserData ud) {
  return Record((type == lefrMacroBeginCbkType ? "MACRO " : "CLASS ") + std::string(name), ud);
}
int OnMacro(lefrCallbackType_e, lefiMacro* m, lefiUserData ud) {
  std::string text = std::string("END ") + m->name() + " class=" + m->macroClass();
  if (m->hasSize()) text += " size=" + Num(m->sizeX()) + "x" + Num(m->sizeY());
  if (m->hasOrigin()) text += " origin=" + Num(m->originX()) + "," + Num(m->originY());
  return Record(text, ud);
}
int OnPin(lefrCallbackType_e, lefiPin* pin, lefiUserData ud) {
  return Record(std::string("PIN ") + pin->name(), ud);
}

int OnUnits(defrCallbackType_e, double d, defiUserData ud) { return Record("UNITS " + Num(d), ud); }
int OnCount(defrCallbackType_e type, int n, defiUserData ud) {
  const char* what = type == defrComponentStartCbkType ? "COMPONENTS"
                     : type == defrStartPinsCbkType    ? "PINS"
                     : type == defrNetStartCbkType     ? "NETS"
                                                       : "SPECIALNETS";
  return Record(std::string(what) + " " + std::to_string(n), ud);
}
int OnObject(defrCallbackType_e type, void* object, defiUserData ud) {
  if (type == defrDieAreaCbkType) {
    const defiBox* b = static_cast<const defiBox*>(object);
    return Record("DIEAREA " + Num(b->xl()) + " " + Num(b->yl()) + " " + Num(b->xh()) + " " + Num(b->yh()),
                  ud);
  }
  const defiPin* pin = static_cast<const defiPin*>(object);
  std::string text = std::string("PIN ") + pin->pinName();
  if (*pin->netName()) text += " net=" + pin->net_ + " " + pin->direction_ + " " + pin->use_;
  if (pin->hasLayer())
    text += " " + pin->layer_ + " " + Num(pin->shape_xl_) + "," + Num(pin->shape_yl_) + "," +
            Num(pin->shape_xh_) + "," + Num(pin->shape_yh_);
  if (pin->hasPlacement())
    text +=
        " at " + Num(pin->placementX()) + "," + Num(pin->placementY()) + "," + std::to_string(pin->orient());
  return Record(text, ud);
}
int OnComponent(defrCallbackType_e, defiComponent* c, defiUserData ud) {
  const char* status = c->isFixed()      ? "FIXED"
                       : c->isPlaced()   ? "PLACED"
                       : c->isCover()    ? "COVER"
                       : c->isUnplaced() ? "UNPLACED"
                                         : "-";
  return Record(std::string("COMP ") + c->id() + " " + c->name() + " " + status + " " + Num(c->placementX()) +
                    " " + Num(c->placementY()) + " " + std::to_string(c->placementOrient()),
                ud);
}
int OnNet(defrCallbackType_e, defiNet* n, defiUserData ud) {
  std::string text = std::string("NET ") + n->name();
  for (int i = 0; i < n->numConnections(); ++i) text += std::string(" ") + n->instance(i) + "." + n->pin(i);
  if (*n->use()) text += std::string(" use=") + n->use();
  return Record(text, ud);
}

struct Read {
  int status;
  std::string errors;  // what the reader wrote to stderr
};

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    user_data_ok = true;
    stop_at_event = -1;
    lefrInit();
    lefrSetMacroBeginCbk(OnName);
    lefrSetMacroClassTypeCbk(OnName);
    lefrSetMacroCbk(OnMacro);
    lefrSetPinCbk(OnPin);
    lefwInit(nullptr);
    defrInit();
    defrSetUnitsCbk(OnUnits);
    defrSetDieAreaCbk(OnObject);
    defrSetPinCbk(OnObject);
    defrSetComponentStartCbk(OnCount);
    defrSetStartPinsCbk(OnCount);
    defrSetNetStartCbk(OnCount);
    defrSetSNetStartCbk(OnCount);
    defrSetComponentCbk(OnComponent);
    defrSetNetCbk(OnNet);
    defwInit(nullptr);
  }
  void TearDown() override {
    EXPECT_TRUE(user_data_ok);
    lefwInit(nullptr);
    defwInit(nullptr);
  }

  // Reads `text` as a LEF library or a DEF design; with `echo`, into the
  // file of that name through the echo of what was read.
  Read ReadText(const std::string& text, bool lef, const char* echo = nullptr) {
    const std::string path = dir_.file(lef ? "lib.lef" : "design.def");
    WriteFile(path, text);
    FILE* out = echo ? std::fopen(dir_.file(echo).c_str(), "w") : nullptr;
    lef ? lefwInit(out) : defwInit(out);
    FILE* f = std::fopen(path.c_str(), "r");
    ::testing::internal::CaptureStderr();
    const int status =
        lef ? lefrRead(f, "lib.lef", &user_data_tag) : defrRead(f, "design.def", &user_data_tag);
    Read read{status, ::testing::internal::GetCapturedStderr()};
    std::fclose(f);
    if (out) {
      lef ? lefrPrintUnusedCallbacks(out) : defrPrintUnusedCallbacks(out);
      std::fclose(out);
    }
    return read;
  }

  ScratchDir dir_;
};

// --- LEF ---------------------------------------------------------------------------

const char* const kFullLef =
    "VERSION 5.5 ;\n"
    "NAMESCASESENSITIVE ON ;\n"
    "BUSBITCHARS \"[]\" ;\n"
    "DIVIDERCHAR \"/\" ;\n"
    "UNITS\n  DATABASE MICRONS 1000 ;\n  CAPACITANCE PICOFARADS 1 ;\nEND UNITS\n"
    "MANUFACTURINGGRID 0.005 ;\n"
    "PROPERTYDEFINITIONS\n  LAYER lprop STRING ;\n  MACRO mprop INTEGER ;\nEND PROPERTYDEFINITIONS\n"
    "LAYER metal1\n  TYPE ROUTING ;\n  DIRECTION HORIZONTAL ;\n  PITCH 0.2 ;\n"
    "  SPACINGTABLE PARALLELRUNLENGTH 0 0.5\n    WIDTH 0 0.1 0.1\n    WIDTH 0.5 0.1 0.2 ;\n"
    "  PROPERTY LEF58_TYPE \"TYPE MIMCAP ; END metal1\" ;\nEND metal1\n"
    "LAYER via1\n  TYPE CUT ;\nEND via1\n"
    "VIA via12 DEFAULT\n  LAYER metal1 ;\n  RECT -0.1 -0.1 0.1 0.1 ;\nEND via12\n"
    "VIARULE gen GENERATE\n  LAYER metal1 ;\n  ENCLOSURE 0.01 0.05 ;\nEND gen\n"
    "SPACING\n  SAMENET metal1 metal1 0.1 ;\nEND SPACING\n"
    "NONDEFAULTRULE wide\n  LAYER metal1\n    WIDTH 0.4 ;\n  END metal1\n"
    "  VIA v2\n    LAYER metal1 ;\n  END v2\n  SPACING\n    SAMENET metal1 metal1 0.2 ;\n  END SPACING\n"
    "END wide\n"
    "SITE core\n  CLASS CORE ;\n  SIZE 0.2 BY 2 ;\nEND core\n"
    "BEGINEXT \"tag\"\n  anything ; END goes here\nENDEXT\n"
    "MACRO INV\n"
    "  CLASS CORE ;\n"
    "  FOREIGN INV 0 0 ;\n"
    "  ORIGIN 0.5 0 ;\n"
    "  SIZE 1.5 BY 2 ;\n"
    "  SYMMETRY X Y ;\n"
    "  SITE core ;\n"
    "  PIN A\n    DIRECTION INPUT ;\n    PORT\n      LAYER metal1 ;\n      RECT 0 0 1 1 ;\n    END\n"
    "    PORT\n      LAYER metal1 ;\n    END\n  END A\n"
    "  PIN Z\n    DIRECTION OUTPUT ;\n  END Z\n"
    "  OBS\n    LAYER metal1 ;\n    RECT 0 0 1 2 ;\n  END\n"
    "END INV\n"
    "MACRO IOPAD\n  CLASS PAD INPUT ;\n  SIZE 50 BY 100 ;\n  PIN PAD\n  END PAD\nEND IOPAD\n"
    "END LIBRARY\n"
    "VERSION 5.8 ;\n"
    "MACRO AFTER\nEND AFTER\n"
    "END LIBRARY\n";

// Broken texts (a DEF text ends with END DESIGN): status 1, the file, line
// and what was expected.
TEST_F(ReaderTest, SyntaxErrorsGiveFileLineAndWhatWasExpected) {
  const struct {
    bool lef;
    int line;
    const char *text, *expected;
  } cases[] = {
      {true, 4, "MACRO A\n  PIN X\n    DIRECTION INPUT ;\n  END Y\nEND A\n",
       "END X (opened at line 2), found 'Y'"},
      {true, 2, "LAYER m1\n  TYPE ROUTING ;\n", "END m1 (opened at line 1), found end of file"},
      {true, 4, "NONDEFAULTRULE r\n  LAYER m1\n    WIDTH 1 ;\n  END m1\n",
       "END r (opened at line 1), found end of file"},
      {true, 4, "MACRO A\n  PIN X\n    PORT\n      RECT 0 0 1 1 ;\n",
       "END (opened at line 3), found end of file"},
      {true, 2, "MACRO A\n  SIZE wide BY 2 ;\nEND A\n", "a macro width, found 'wide'"},
      {true, 1, "END DESIGN\n", "'LIBRARY', found 'DESIGN'"},
      {true, 1, "BUSBITCHARS \"[\" ;\n", "two different bus-bit characters in quotes, found \"[\""},
      {true, 2, "VERSION 5.5 ;\n\"quoted\" ;\n", "a LEF statement, found \"quoted\""},
      {true, 1, "MACRO\n", "a macro name, found end of file"},
      {false, 1, "DIEAREA ( 0 0 ) ;\n", "'(' starting a die area point, found ';'"},
      {false, 2, "COMPONENTS 1 ;\n  c1 INV ;\nEND COMPONENTS\n",
       "'-' or END COMPONENTS (opened at line 1), found 'c1'"},
      {false, 2, "COMPONENTS 1 ;\n  - c1 INV + FIXED ( 1 2 ) NE ;\nEND COMPONENTS\n",
       "an orientation (N, W, S, E, FN, FW, FS or FE), found 'NE'"},
      {false, 3, "COMPONENTS 1 ;\n  - c1 INV\n  - c2 INV ;\nEND COMPONENTS\n", "'+' or ';', found '-'"},
      {false, 1, "COMPONENTS -1 ;\nEND COMPONENTS\n", "a count, found '-1'"},
      {false, 2, "NETS 1 ;\n  - n1 ( c1 A ( c2 B ) ;\nEND NETS\n", "')', found '('"},
      {false, 2, "NETS 1 ;\n  - n1 ( c1 ) ;\nEND NETS\n", "a pin name, found ')'"},
      {false, 2, "NETS 1 ;\n  - n1 c1 A ;\nEND NETS\n", "'(', '+' or ';', found 'c1'"},
      {false, 2, "ROW r core 0 0 N DO 1 BY 1\n", "';', found end of file"},
  };
  for (const auto& c : cases) {
    const Read read = ReadText(c.text + std::string(c.lef ? "" : "END DESIGN\n"), c.lef);
    EXPECT_EQ(read.status, 1) << c.text;
    EXPECT_EQ(read.errors, (c.lef ? "lib.lef:" : "design.def:") + std::to_string(c.line) +
                               ": syntax error: expected " + c.expected + "\n");
  }
}

// --- DEF ---------------------------------------------------------------------------

const char* const kFullDef =
    "VERSION 5.5 ;\n"
    "NAMESCASESENSITIVE ON ;\n"
    "DIVIDERCHAR \"/\" ;\n"
    "BUSBITCHARS \"[]\" ;\n"
    "DESIGN top ;\n"
    "TECHNOLOGY tech ;\n"
    "HISTORY made by hand ;\n"
    "UNITS DISTANCE MICRONS 1000 ;\n"
    "PROPERTYDEFINITIONS\n  COMPONENT weight INTEGER ;\n  DESIGN flow STRING \"x ; y\" ;\nEND "
    "PROPERTYDEFINITIONS\n"
    "DIEAREA ( 0 0 ) ( 100000 50000 ) ;\n"
    "ROW row0 core 0 0 N DO 100 BY 1 STEP 200 0 ;\n"
    "TRACKS X 100 DO 500 STEP 200 LAYER metal1 ;\n"
    "GCELLGRID X 0 DO 10 STEP 1000 ;\n"
    "VIAS 1 ;\n  - v1 + RECT metal1 ( -100 -100 ) ( 100 100 ) ;\nEND VIAS\n"
    "NONDEFAULTRULES 1 ;\n  - wide + LAYER metal1 WIDTH 400 ;\nEND NONDEFAULTRULES\n"
    "REGIONS 1 ;\n  - r1 ( 0 0 ) ( 100 100 ) + TYPE FENCE ;\nEND REGIONS\n"
    "COMPONENTS 5 ;\n"
    "  - c1 INV + PLACED ( 100 200 ) N ;\n"
    "  - c2 INV + SOURCE DIST + FIXED ( 20000 5000 ) FS + WEIGHT 3 ;\n"
    "  - c3 NAND + COVER ( 7 8 ) E ;\n"
    "  - c4 NAND + UNPLACED ;\n"
    "  - c5 INV + EEQMASTER x + HALO 1 2 3 4 + PROPERTY weight 2 ;\n"
    "END COMPONENTS\n"
    "PINS 3 ;\n"
    "  - in1 + NET n1 + DIRECTION INPUT + USE SIGNAL\n    + LAYER metal1 ( -10 0 ) ( 10 20 )\n"
    "    + PLACED ( 0 100 ) N ;\n"
    "  - out1 + NET n2 + DIRECTION OUTPUT ;\n"
    "  - clk + NET clk + USE CLOCK + PORT + LAYER m2 MASK 1 SPACING 5 ( -1 -2 ) ( 3 4 ) + FIXED ( 5 6 ) FS\n"
    "    + PORT + LAYER m3 ( 0 0 ) ( 1 1 ) + PLACED ( 7 8 ) N + SPECIAL ;\n"
    "END PINS\n"
    "BLOCKAGES 1 ;\n  - LAYER metal1 RECT ( 0 0 ) ( 10 10 ) ;\nEND BLOCKAGES\n"
    "SPECIALNETS 2 ;\n"
    "  - VDD ( * VDD ) + ROUTED metal1 200 + SHAPE STRIPE ( 0 0 ) ( 100 * ) NEW metal2 200 ( 5 5 ) ( 5 9 ) "
    ";\n"
    "  - VSS ( * VSS ) + USE GROUND ;\n"
    "END SPECIALNETS\n"
    "NETS 3 ;\n"
    "  - n1 ( PIN in1 ) ( c1 A ) ( c2 A + SYNTHESIZED )\n"
    "    + ROUTED metal1 ( 0 100 ) ( 100 * ) via12\n    NEW metal2 ( 100 100 ) ( * 200 ) ;\n"
    "  - n2 ( c1 Z ) ( PIN out1 ) + USE SIGNAL ;\n"
    "  - n3 ;\n"
    "  - VDD ( c1 VDD ) + USE power + WEIGHT 2 ;\n"
    "END NETS\n"
    "SCANCHAINS 1 ;\n  - chain1 + START c1 Z + STOP c2 A ;\nEND SCANCHAINS\n"
    "GROUPS 1 ;\n  - g1 c1 c2 + REGION r1 ;\nEND GROUPS\n"
    "BEGINEXT \"x\"\n  whatever END NETS\nENDEXT\n"
    "END DESIGN\n";

// What reaches the callbacks ("|" after each call), everything else being
// skipped; the reads end without a message.
TEST_F(ReaderTest, TextsReachTheCallbacks) {
  const struct {
    bool lef;
    const char *text, *seen;
  } cases[] = {
      // A second library after END LIBRARY (files joined with cat) is read too.
      {true, kFullLef,
       "MACRO INV|CLASS CORE|PIN A|PIN Z|END INV class=CORE size=1.5x2 origin=0.5,0|MACRO IOPAD|"
       "CLASS PAD INPUT|PIN PAD|END IOPAD class=PAD INPUT size=50x100|MACRO AFTER|END AFTER class=|"},
      // Comments, quoted names, glued punctuation; without END LIBRARY the
      // library ends with the file.
      {true,
       "# a library\n"
       "VERSION 5.8 ; # trailing comment\n"
       "MACRO \"odd name\" # comment after the name\n"
       "  CLASS BLOCK;\n"
       "  SIZE 3 BY 4;  # a comment after a glued ';'\n"
       "  ORIGIN (1 2);\n"
       "  PIN \"a b\"\n"
       "    PORT LAYER m1 ; RECT 0 0 1 1 ; END\n"
       "  END \"a b\"\n"
       "  PIN d[0]\n  END d[0]\n"
       "END \"odd name\"\n",
       "MACRO odd name|CLASS BLOCK|PIN a b|PIN d[0]|END odd name class=BLOCK size=3x4 origin=1,2|"},
      {false, kFullDef,
       "UNITS 1000|DIEAREA 0 0 100000 50000|COMPONENTS 5|COMP c1 INV PLACED 100 200 0|"
       "COMP c2 INV FIXED 20000 5000 6|COMP c3 NAND COVER 7 8 3|COMP c4 NAND UNPLACED 0 0 0|"
       "COMP c5 INV - 0 0 0|PINS 3|PIN in1 net=n1 INPUT SIGNAL metal1 -10,0,10,20 at 0,100,0|"
       "PIN out1 net=n2 OUTPUT |PIN clk net=clk  CLOCK m2 -1,-2,3,4 at 5,6,6|SPECIALNETS 2|NETS 3|"
       "NET n1 PIN.in1 c1.A c2.A|NET n2 c1.Z PIN.out1 use=SIGNAL|NET n3|NET VDD c1.VDD use=POWER|"},
      // A die area polygon gives its bounding box.
      {false, "DIEAREA ( 0 0 ) ( 0 400 ) ( 300 400 ) ( 300 200 ) ( +600 200 ) ( 600 0 ) ;\nEND DESIGN\n",
       "DIEAREA 0 0 600 400|"},
      // Bus bits, escapes, quotes and glued brackets in names.
      {false,
       "BUSBITCHARS \"()\" ;\n"
       "COMPONENTS 3 ;\n- a(0) INV + FIXED (1 2) N;\n- top\\/u1 INV ;\n- \"q name\" INV ;\nEND COMPONENTS\n"
       "NETS 1 ;\n- bus(3) (a(0) Z) (top\\/u1 A) (\"q name\" B) ;\nEND NETS\nEND DESIGN\n",
       "COMPONENTS 3|COMP a(0) INV FIXED 1 2 0|COMP top\\/u1 INV - 0 0 0|COMP q name INV - 0 0 0|"
       "NETS 1|NET bus(3) a(0).Z top\\/u1.A q name.B|"},
  };
  for (const auto& c : cases) {
    events.clear();
    const Read read = ReadText(c.text, c.lef);
    EXPECT_EQ(read.status, 0) << c.text;
    EXPECT_EQ(read.errors, "");
    EXPECT_EQ(Seen(), c.seen);
  }
}

// The echo of a read: one line per construct, then what had no callback.
TEST_F(ReaderTest, EchoHasOneLinePerConstructAndTheUnusedSummary) {
  lefrSetPinCbk(nullptr);
  defrSetNetCbk(nullptr);
  const struct {
    bool lef;
    const char *text, *echo;
  } cases[] = {
      {true,
       "VERSION 5.5 ;\nLAYER m1\n  TYPE ROUTING ;\nEND m1\nLAYER m2 TYPE ROUTING ;\nEND m2\n"
       "MACRO A\n  CLASS CORE ;\n  SIZE 1 BY 2 ;\n  PIN X END X\nEND A\n",
       "VERSION 5.5 ;\nLAYER m1\nLAYER m2\nMACRO A\nCLASS CORE ;\nSIZE 1 BY 2 ;\nPIN X\nEND A\n"
       "LEF constructs read without a callback:\n  VERSION: 1\n  LAYER: 2\n  PIN: 1\n"},
      {false,
       "DESIGN top ;\nROW r1 core 0 0 N ;\nROW r2 core 0 10 N ;\nCOMPONENTS 1 ;\n  - c1 INV\n"
       "    + PLACED ( 1 2 ) N ;\nEND COMPONENTS\nNETS 1 ;\n  - n1 ( c1 A ) ;\nEND NETS\nEND DESIGN\n",
       "DESIGN top ;\nROW r1 core 0 0 N ;\nROW r2 core 0 10 N ;\nCOMPONENTS 1 ;\n"
       "- c1 INV + PLACED ( 1 2 ) N ;\nNETS 1 ;\n- n1 ( c1 A ) ;\nEND DESIGN\n"
       "DEF constructs read without a callback:\n  DESIGN: 1\n  ROW: 2\n  NET: 1\n"}};
  for (const auto& c : cases) {
    EXPECT_EQ(ReadText(c.text, c.lef, "echo").status, 0) << c.text;
    EXPECT_EQ(ReadFile(dir_.file("echo")), c.echo);
  }
}

// A callback's status, or a syntax error, stops the read; the broken item
// is not delivered half read.
TEST_F(ReaderTest, StatusOfACallbackOrASyntaxErrorStopsTheRead) {
  const struct {
    bool lef;
    int stop_at, status;
    const char *text, *seen;
  } cases[] = {
      {true, 1, 5, "MACRO A\nPIN X\nEND X\nPIN Y\nEND Y\nEND A\nMACRO B\nEND B\n", "MACRO A|PIN X|"},
      {true, -1, 1, "MACRO A\n  CLASS CORE\n  SIZE 1 BY 1 ;\nEND A\n", "MACRO A|"},
      {false, 2, 5, "COMPONENTS 3 ;\n- a M ;\n- b M ;\n- c M ;\n",
       "COMPONENTS 3|COMP a M - 0 0 0|COMP b M - 0 0 0|"},
      {false, -1, 1, "COMPONENTS 2 ;\n- a M ;\n- b M + FIXED ( 1 ) N ;\nEND COMPONENTS\nEND DESIGN\n",
       "COMPONENTS 2|COMP a M - 0 0 0|"}};
  for (const auto& c : cases) {
    events.clear();
    stop_at_event = c.stop_at;
    EXPECT_EQ(ReadText(c.text, c.lef).status, c.status) << c.text;
    EXPECT_EQ(Seen(), c.seen) << c.text;
  }
}

}  // namespace
