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

// Everything the callbacks saw, one line per call.
std::vector<std::string> events;
int user_data_tag;
bool user_data_ok = true;

int Record(const std::string& event, void* ud) {
  user_data_ok = user_data_ok && ud == &user_data_tag;
  events.push_back(event);
  return 0;
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
  if (m->symmetry_) text += " symmetry=" + std::to_string(m->symmetry_);
  if (!m->site_.empty()) text += " site=" + m->site_;
  return Record(text, ud);
}
int OnSite(lefrCallbackType_e, lefiSite* s, lefiUserData ud) {
  return Record("SITE " + s->name_ + " " + s->class_ + " " + Num(s->size_x_) + "x" + Num(s->size_y_) +
                    " symmetry=" + std::to_string(s->symmetry_),
                ud);
}
int OnLayer(lefrCallbackType_e, lefiLayer* l, lefiUserData ud) {
  return Record("LAYER " + l->name_ + " " + l->type_, ud);
}
int OnPin(lefrCallbackType_e, lefiPin* pin, lefiUserData ud) {
  std::string text = std::string("PIN ") + pin->name();
  if (pin->hasBox()) text += " at " + Num(pin->centerX()) + "," + Num(pin->centerY());
  return Record(text, ud);
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
  std::string halo;
  if (c->has_halo_)
    for (double side : c->halo_) halo += " " + Num(side);
  return Record(std::string("COMP ") + c->id() + " " + c->name() + " " + status + " " + Num(c->placementX()) +
                    " " + Num(c->placementY()) + " " + std::to_string(c->placementOrient()) + halo,
                ud);
}
int OnRow(defrCallbackType_e, defiRow* r, defiUserData ud) {
  return Record("ROW " + r->name_ + " " + r->site_ + " " + Num(r->x_) + "," + Num(r->y_) + " " +
                    std::to_string(r->orient_) + " " + std::to_string(r->num_x_) + "x" +
                    std::to_string(r->num_y_) + " step " + Num(r->step_x_) + "," + Num(r->step_y_),
                ud);
}
int OnTrack(defrCallbackType_e, defiTrack* t, defiUserData ud) {
  std::string text = std::string("TRACKS ") + t->axis_ + " " + Num(t->start_) + " " +
                     std::to_string(t->num_) + " " + Num(t->step_);
  for (const std::string& layer : t->layers_) text += " " + layer;
  return Record(text, ud);
}
int OnNet(defrCallbackType_e, defiNet* n, defiUserData ud) {
  std::string text = std::string("NET ") + n->name();
  for (int i = 0; i < n->numConnections(); ++i) text += std::string(" ") + n->instance(i) + "." + n->pin(i);
  if (*n->use()) text += std::string(" use=") + n->use();
  return Record(text, ud);
}
int OnBlockage(defrCallbackType_e, defiBlockage* b, defiUserData ud) {
  std::string text = "BLOCKAGE " + std::to_string(b->placement_) + std::to_string(b->hard_);
  for (const defiBox& box : b->boxes_)
    text += " " + Num(box.xl()) + "," + Num(box.yl()) + "," + Num(box.xh()) + "," + Num(box.yh());
  return Record(text + " [" + b->text_ + "]", ud);
}

struct Read {
  int status;
  std::string errors;  // what the reader printed
};

class ReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    events.clear();
    user_data_ok = true;
    lefrInit();
    lefrSetMacroBeginCbk(OnName);
    lefrSetMacroClassTypeCbk(OnName);
    lefrSetMacroCbk(OnMacro);
    lefrSetPinCbk(OnPin);
    lefrSetSiteCbk(OnSite);
    lefrSetLayerCbk(OnLayer);
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
    defrSetRowCbk(OnRow);
    defrSetTrackCbk(OnTrack);
    defrSetBlockageCbk(OnBlockage);
    defwInit(nullptr);
  }
  void TearDown() override {
    EXPECT_TRUE(user_data_ok);
    lefwInit(nullptr);
    defwInit(nullptr);
  }

  // Reads `text` as a LEF library or a DEF design (the echo of what was read
  // shows in whole runs: tests/golden/*/list).
  Read ReadText(const std::string& text, bool lef) {
    const std::string path = dir_.file(lef ? "lib.lef" : "design.def");
    WriteFile(path, text);
    FILE* f = std::fopen(path.c_str(), "r");
    ::testing::internal::CaptureStdout();
    const int status =
        lef ? lefrRead(f, "lib.lef", &user_data_tag) : defrRead(f, "design.def", &user_data_tag);
    Read read{status, ::testing::internal::GetCapturedStdout()};
    std::fclose(f);
    return read;
  }

  ScratchDir dir_;
};

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
      {true, 3, "MACRO A\n  PIN X PORT\n  RECT MASK 1 0 0 x 1 ;\n", "a rectangle's x, found 'x'"},
      {true, 2, "MACRO A\n  SIZE \"1\" BY 2 ;\nEND A\n", "a macro width, found \"1\""},
      {true, 1, "END DESIGN\n", "'LIBRARY', found 'DESIGN'"},
      {true, 1, "BUSBITCHARS \"[\" ;\n", "two different bus-bit characters in quotes, found \"[\""},
      {true, 2, "VERSION 5.5 ;\n\"quoted\" ;\n", "a LEF statement, found \"quoted\""},
      {true, 1, "MACRO\n", "a macro name, found end of file"},
      {true, 2, "MACRO A\n  SYMMETRY X Z ;\nEND A\n", "X, Y, R90 or ';', found 'Z'"},
      {true, 3, "SITE s\n  SIZE 1 BY 2 ;\nEND t\n", "END s (opened at line 1), found 't'"},
      {false, 1, "DIEAREA ( 0 0 ) ;\n", "'(' starting a die area point, found ';'"},
      {false, 2, "COMPONENTS 1 ;\n  c1 INV ;\nEND COMPONENTS\n",
       "'-' or END COMPONENTS (opened at line 1), found 'c1'"},
      {false, 2, "COMPONENTS 1 ;\n  - c1 INV + FIXED ( 1 2 ) NE ;\nEND COMPONENTS\n",
       "an orientation (N, W, S, E, FN, FW, FS or FE), found 'NE'"},
      {false, 3, "COMPONENTS 1 ;\n  - c1 INV\n  - c2 INV ;\nEND COMPONENTS\n", "'+' or ';', found '-'"},
      {false, 1, "COMPONENTS -1 ;\nEND COMPONENTS\n", "a count, found '-1'"},
      {false, 1, "COMPONENTS \"1\" ;\nEND COMPONENTS\n", "a count, found \"1\""},
      {false, 2, "NETS 1 ;\n  - n1 ( c1 A ( c2 B ) ;\nEND NETS\n", "')', found '('"},
      {false, 2, "NETS 1 ;\n  - n1 ( c1 ) ;\nEND NETS\n", "a pin name, found ')'"},
      {false, 2, "NETS 1 ;\n  - n1 c1 A ;\nEND NETS\n", "'(', '+' or ';', found 'c1'"},
      {false, 2, "ROW r core 0 0 N DO 1 BY 1\n", "';', found end of file"},
      {false, 1, "TRACKS Z 0 DO 1 STEP 1 ;\n", "X or Y, found 'Z'"},
      {false, 2, "COMPONENTS 1 ;\n  - c1 INV + HALO 1 2 x 4 ;\nEND COMPONENTS\n",
       "a halo distance, found 'x'"},
      {false, 2, "COMPONENTS 1 ;\n  - c1 INV + \"SOURCE\" DIST ;\nEND COMPONENTS\n",
       "a component option, found \"SOURCE\""},
      {false, 2, "BLOCKAGES 1 ;\n  - ROUTING RECT ( 0 0 ) ( 1 1 ) ;\nEND BLOCKAGES\n",
       "PLACEMENT or LAYER, found 'ROUTING'"},
      {false, 2, "BLOCKAGES 1 ;\n  - PLACEMENT + HARD RECT ( 0 0 ) ( 1 1 ) ;\nEND BLOCKAGES\n",
       "a blockage option, found 'HARD'"},
      {false, 3, "BLOCKAGES 1 ;\n  - PLACEMENT RECT ( 0 0 )\n ;\nEND BLOCKAGES\n", "'(', found ';'"},
      {false, 2, "BLOCKAGES 1 ;\n  - LAYER m1 POLYGON ( 0 0 ) ( 1 1 ) ;\nEND BLOCKAGES\n", "'(', found ';'"},
  };
  for (const auto& c : cases) {
    const Read read = ReadText(c.text + std::string(c.lef ? "" : "END DESIGN\n"), c.lef);
    EXPECT_EQ(read.status, 1) << c.text;
    EXPECT_EQ(read.errors, (c.lef ? "lib.lef:" : "design.def:") + std::to_string(c.line) +
                               ": syntax error: expected " + c.expected + "\n");
  }
}

// What reaches the callbacks ("|" after each call), everything else being
// skipped; the reads end without a message.
TEST_F(ReaderTest, TextsReachTheCallbacks) {
  // Most constructs of both languages: full.lef ends with a second library
  // after END LIBRARY (files joined with cat), which is read too.
  const std::string full_lef = ReadFile(SourceDir() + "/tests/io/lefdef_reader/full.lef");
  const std::string full_def = ReadFile(SourceDir() + "/tests/io/lefdef_reader/full.def");
  const struct {
    bool lef;
    std::string text;
    const char* seen;
  } cases[] = {
      {true, full_lef,
       "LAYER metal1 ROUTING|LAYER via1 CUT|SITE core CORE 0.2x2 symmetry=2|MACRO INV|CLASS CORE|PIN A at "
       "0.5,0.5|"
       "PIN Z|END INV class=CORE size=1.5x2 origin=0.5,0 symmetry=3 site=core|MACRO IOPAD|CLASS PAD INPUT|"
       "PIN PAD|END IOPAD class=PAD INPUT size=50x100 symmetry=5|MACRO AFTER|END AFTER class=|"},
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
       "    PORT LAYER m1 ; RECT MASK 2 0 0 1 1 ; RECT 3 -1 2 0.5 ; END\n"
       "  END \"a b\"\n"
       "  PIN d[0]\n  END d[0]\n"
       "END \"odd name\"\n",
       "MACRO odd name|CLASS BLOCK|PIN a b at 1.5,0|PIN d[0]|END odd name class=BLOCK size=3x4 origin=1,2|"},
      {false, full_def,
       "UNITS 1000|DIEAREA 0 0 100000 50000|ROW row0 core 0,0 0 100x1 step 200,0|"
       "ROW row1 core 0,2000 6 100x1 step 200,0|ROW row2 core 0,4000 0 1x1 step 0,0|"
       "TRACKS X 100 500 200 metal1|TRACKS Y 50 20 400 metal2 metal3|COMPONENTS 5|"
       "COMP c1 INV PLACED 100 200 0|COMP c2 INV FIXED 20000 5000 6|COMP c3 NAND COVER 7 8 3|"
       "COMP c4 NAND UNPLACED 0 0 0|COMP c5 INV - 0 0 0 1 2 3 4|PINS 3|PIN in1 net=n1 INPUT SIGNAL metal1 "
       "-10,0,10,20 at 0,100,0|"
       "PIN out1 net=n2 OUTPUT |PIN clk net=clk  CLOCK m2 -1,-2,3,4 at 5,6,6|"
       "BLOCKAGE 00 0,0,10,10 [LAYER metal1 + SPACING 5 RECT ( 0 0 ) ( 10 10 ) ;]|"
       "BLOCKAGE 11 10,20,30,40 1,0,9,8 [PLACEMENT + PUSHDOWN RECT ( 30 40 ) ( 10 20 ) POLYGON ( 5 0 ) ( 9 4 "
       ") "
       "( 5 8 ) ( 1 4 ) ;]|BLOCKAGE 10 0,0,1,1 [PLACEMENT + PARTIAL 60.5 RECT ( 0 0 ) ( 1 1 ) ;]|"
       "BLOCKAGE 10 0,0,2,2 [PLACEMENT + COMPONENT c1 # comment\n    RECT ( 0 0 ) ( 2 2 ) ;]|SPECIALNETS "
       "2|NETS 3|"
       "NET n1 PIN.in1 c1.A c2.A|NET n2 c1.Z PIN.out1 use=SIGNAL|NET n3|NET VDD c1.VDD use=POWER|"},
      // A die area polygon gives its bounding box, wherever its lowest and
      // leftmost points come.
      {false,
       "DIEAREA ( 700 100 ) ( 700 500 ) ( 400 500 ) ( 400 300 ) ( +100 300 ) ( 100 100 ) ;\nEND DESIGN\n",
       "DIEAREA 100 100 700 500|"},
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

}  // namespace
