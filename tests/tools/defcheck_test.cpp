// The tier DEF checker and the wire length comparison on tiny hand-made designs.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

using namespace testing_support;

namespace {

std::string Tool(const std::string& name) { return "'" + SourceDir() + "/tools/" + name + "' "; }

bool HavePython() { return RunIn("/", "command -v python3").status == 0; }

// Cells C of 1 x 2 um on sites of 1 um, macros M of 10 x 10 um; 100 units a micron.
const char* kLef =
    "VERSION 5.8 ;\nUNITS DATABASE MICRONS 100 ; END UNITS\n"
    "SITE core CLASS CORE ; SYMMETRY y ; SIZE 1 BY 2 ; END core\n"
    "MACRO C CLASS CORE ; SITE core ; SIZE 1 BY 2 ; SYMMETRY X Y ; END C\n"
    "MACRO M CLASS BLOCK ; SIZE 10 BY 10 ; SYMMETRY X Y ; END M\n"
    "MACRO R CLASS BLOCK ; SIZE 5 BY 5 ; SYMMETRY X Y ;\n"
    "  PIN A PORT LAYER metal1 ; RECT 0 2 0.5 3 ; END END A\nEND R\nEND LIBRARY\n";

std::string Header(const std::string& die = "( 0 0 ) ( 4000 3000 )") {
  return "VERSION 5.8 ;\nDESIGN t ;\nUNITS DISTANCE MICRONS 100 ;\nDIEAREA " + die + " ;\n";
}

// Two tiers of a legal result: m2's halo keeps m1 out, the cells of g1 fill
// 0.15 of their fence, the via pin stands at one place on both tiers.
const std::string kVia = "- n1__via1 + NET n1 + LAYER metal1 ( -5 -5 ) ( 5 5 ) + FIXED ( 1500 1500 ) N ;\n";
const std::string kTier0 =
    Header() +
    "ROW r0 core 0 0 N DO 20 BY 1 STEP 100 0 ;\nROW r1 core 0 200 FS DO 20 BY 1 STEP 100 0 ;\n"
    "COMPONENTS 6 ;\n- m1 M + FIXED ( 2000 0 ) N ;\n"
    "- m2 M + FIXED ( 2000 1500 ) FS\n  + HALO 100 100 100 100 ;\n"
    "- c1 C + PLACED ( 0 0 ) N ;\n- c2 C + PLACED ( 100 0 ) FN ;\n"
    "- c3 C + PLACED ( 0 200 ) FS ;\n- c4 C + FIXED ( 1500 0 ) N ;\nEND COMPONENTS\n"
    "PINS 2 ;\n- p1 + NET n1 + LAYER metal1 ( -10 0 ) ( 10 20 ) + FIXED ( 0 1000 ) E ;\n" +
    kVia +
    "END PINS\nREGIONS 1 ;\n- f1 ( 0 0 ) ( 1000 400 ) + TYPE FENCE ;\nEND REGIONS\n"
    "GROUPS 1 ;\n- g1 c1 c2 c3 + REGION f1 ;\nEND GROUPS\nEND DESIGN\n";
const std::string kTier1 =
    Header() + "ROW r0 core 0 0 N DO 20 BY 1 STEP 100 0 ;\nPINS 1 ;\n" + kVia + "END PINS\nEND DESIGN\n";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  return at == std::string::npos ? text : text.replace(at, from.size(), to);
}

// Each case changes one line of tier 0 and must fail exactly the rule it breaks.
TEST(Defcheck, EachRuleFailsOnItsOwn) {
  if (!HavePython()) GTEST_SKIP() << "python3 is not installed";
  const std::string options = "--input in.def --target-util 0.146 ";  // 0.15 is within the 0.005 allowance
  struct Case {
    const char* label;
    std::string from, to, options, report;
  } cases[] = {
      {"clean", "", "", options, "tier 0: 2 macros, 4 cells, 1 groups, 2 rows, 1 via pins, 1 design pins\n"},
      // RAMs r1 (turned FN: pin on the right) and r2 face their pins across their halos alone.
      {"clean_but_facing", "COMPONENTS 6 ;",
       "COMPONENTS 8 ;\n- r1 R + PLACED ( 0 1000 ) FN + HALO 50 0 50 0 ;\n"
       "- r2 R + PLACED ( 600 1000 ) N + HALO 50 0 50 0 ;",
       options, "tier 0: 1 pairs of macros face their pin edges across their halos alone\n"},
      {"a_orientation", "( 2000 0 ) N", "( 2000 0 ) W", options, "(orientation 1)"},
      {"b_halo", "( 2000 1500 ) FS", "( 2000 1050 ) FS", options, "macro m1 lies in the halo of macro m2"},
      {"c_touching", "( 2000 1500 ) FS\n  + HALO 100 100 100 100", "( 3000 0 ) FS", options,
       "macros m1 and m2 touch\n"},
      {"d_die", "( 0 0 ) ( 4000 3000 )", "( 0 0 ) ( 2900 3000 )", "",
       "component m1 (2000 0 3000 1000) lies outside"},
      {"d_unfolded_input", "", "", "--input bad.def ", "(0 0 2828 2121)"},
      {"e_target", "", "", "--target-util 0.144 ", "group g1 fills 0.1500 of its fence f1, above the target"},
      // Two boxes of 60000 square units: the cells cover the fence whole.
      {"e_full_fence", "( 1000 400 ) +", "( 200 200 ) ( 0 200 ) ( 100 400 ) +", "",
       "fills 1.0000 of its fence f1"},
      {"f_off_site", "( 100 0 ) FN", "( 150 0 ) FN", options, "cell c2 at x 150 is not on a site of row r0"},
      {"f_overlap", "( 100 0 ) FN", "( 0 0 ) FN", options, "cells c1 and c2 overlap"},
      {"f_row_orientation", "( 0 200 ) FS", "( 0 200 ) N", options, "cell c3 has orientation N on row r1"},
      {"f_unplaced", "+ PLACED ( 0 200 ) FS", "+ UNPLACED", options, "cell c3 of group g1 is UNPLACED"},
      {"f_no_rows", "ROW r0 core 0 0 N DO 20 BY 1 STEP 100 0 ;\nROW", "BLOCKAGES 0 ;\nEND BLOCKAGES\n# ROW",
       options, "tier 0: no ROW\n"},
      {"f_cell_on_macro", "( 1500 0 ) N", "( 2100 0 ) N", options, "cell c4 overlaps macro m1\n"},
      {"g_via_on_macro", "( 1500 1500 ) N ;\nEND PINS", "( 2500 500 ) N ;\nEND PINS", options,
       "tier 0: via pin n1__via1 stands elsewhere on tier 1\ntier 0: via pin n1__via1 overlaps macro m1\n"},
      // Turned W, the pin's shape points out of the die's left edge.
      {"h_pin_shape", "( 0 1000 ) E", "( 0 1000 ) W", options,
       "design pin p1 at (0 1000) lies outside the die"},
      // The input fixes c3 at ( 0 200 ) FS; a folded die may release it, not turn it.
      {"i_fixed", "+ PLACED ( 0 200 ) FS", "+ FIXED ( 0 200 ) N", options,
       "component c3 stands at (0 200) N, FIXED at (0 200) FS in the input"},
      {"j_region_on_macro", "( 1000 400 ) +", "( 2100 400 ) +", options, "region f1 overlaps macro m1"},
      {"k_count", "COMPONENTS 6", "COMPONENTS 7", options, "COMPONENTS declares 7 entries, 6 read"},
      {"k_net", "END PINS", "END PINS\nNETS 1 ;\n- n1 ( c1 A ) ( x9 A ) ;\nEND NETS", options,
       "net n1 connects ( x9 A ), which this DEF lacks"},
  };
  ScratchDir dir;
  WriteFile(dir.file("t.lef"), kLef);
  WriteFile(dir.file("in.def"),
            Header("( 0 0 ) ( 5657 4243 )") +  // 4000 x 3000 folded twice
                "COMPONENTS 1 ;\n- c3 C + FIXED ( 0 200 ) FS ;\nEND COMPONENTS\nEND DESIGN\n");
  WriteFile(dir.file("bad.def"), Header() + "END DESIGN\n");
  WriteFile(dir.file("tier1.def"), kTier1);
  for (const Case& k : cases) {
    WriteFile(dir.file("tier0.def"), k.from.empty() ? kTier0 : Replaced(kTier0, k.from, k.to));
    const RunResult r = RunIn(dir.path(), Tool("defcheck") + k.options + "t.lef tier0.def tier1.def");
    EXPECT_EQ(r.status, std::string(k.label).rfind("clean", 0) == 0 ? 0 : 1) << k.label << "\n" << r.output;
    EXPECT_NE(r.output.find(k.report), std::string::npos) << k.label << ": " << k.report << "\n" << r.output;
    if (r.status == 1) {  // one kind of failure in the summary's list
      EXPECT_EQ(r.output.find(',', r.output.rfind("failures (")), std::string::npos) << k.label << "\n"
                                                                                     << r.output;
    }
  }
  EXPECT_EQ(RunIn(dir.path(), Tool("defcheck") + "t.lef missing.def").status, 2);
}

// Two macros, a pin and three cells; a and b form group g1, f is physical-only.
// Flow: n1 30 + n2 (35,5)-(0,20) 50 = 80 um; centroids add n3 (11.5,11)-(5,5)
// 12.5, n4 inside g1 0, n5 (20.5,21)-(0,20) 21.5: 114 um. Ours moves m2 to
// x 20 and g1 to (1.5,1): 20 + 40 = 60 and 60 + 7.5 + 0 + 21.5 = 89 um.
TEST(WirelengthCompare, SumsHandComputedHalfPerimeters) {
  if (!HavePython()) GTEST_SKIP() << "python3 is not installed";
  ScratchDir dir;
  WriteFile(dir.file("t.lef"), kLef);
  const std::string pins = "PINS 1 ;\n- p + NET n2 + FIXED ( 0 2000 ) N ;\nEND PINS\n";
  const std::string input =
      Header() +
      "COMPONENTS 6 ;\n- m1 M + FIXED ( 0 0 ) N ;\n- m2 M + FIXED ( 3000 0 ) N ;\n"
      "- a C + PLACED ( 1000 1000 ) N ;\n- b C + PLACED ( 1200 1000 ) N ;\n"
      "- c C + PLACED ( 2000 2000 ) N ;\n- f C + PLACED ( 1500 1500 ) N ;\nEND COMPONENTS\n" +
      pins +
      "NETS 7 ;\n- n1 ( m1 A ) ( m2 A ) ;\n- n2 ( m2 B ) ( PIN p ) ;\n- n3 ( a Z ) ( m1 C ) ;\n"
      "- n4 ( a A ) ( b Z ) ;\n- n5 ( c Z ) ( PIN p ) ;\n- n6 ( f Z ) ( a B ) ;\n"
      "- vdd ( m1 VDD ) ( m2 VDD ) + USE POWER ;\nEND NETS\nEND DESIGN\n";
  WriteFile(dir.file("in.def"), input);
  WriteFile(dir.file("out.def"),
            Header() +
                "COMPONENTS 5 ;\n- m1 M + FIXED ( 0 0 ) N ;\n- m2 M + FIXED ( 2000 0 ) N ;\n"
                "- a C + PLACED ( 0 0 ) N ;\n- b C + PLACED ( 200 0 ) N ;\n"
                "- c C + PLACED ( 2000 2000 ) N ;\nEND COMPONENTS\n" +
                pins + "END DESIGN\n");
  WriteFile(dir.file("blocks.map"),
            "# block component macro\ng1 a C\ng1 b C\ng2 c C\nb1 m1 M\nb2 m2 M\n- f C\n");
  RunResult r = RunIn(dir.path(), Tool("wirelength-compare") + "t.lef in.def out.def blocks.map");
  EXPECT_EQ(r.status, 0) << r.output;
  for (const char* part : {" 2 ", " 80.00 ", " 60.00 ", " 5 ", " 114.00 ", " 89.00 ",
                           "ratio_macro_pin=0.7500 ratio_centroid=0.7807\n"})
    EXPECT_NE(r.output.find(part), std::string::npos) << part << "\n" << r.output;
  WriteFile(dir.file("in.def"), Replaced(input, "- a C + PLACED ( 1000 1000 ) N", "- a C + UNPLACED"));
  r = RunIn(dir.path(), Tool("wirelength-compare") + "t.lef in.def out.def blocks.map");
  EXPECT_EQ(r.status, 2) << r.output;
  EXPECT_NE(r.output.find("unplaced"), std::string::npos) << r.output;
}

}  // namespace
