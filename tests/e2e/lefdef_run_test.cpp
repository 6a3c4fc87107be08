// End-to-end runs of LEF/DEF designs given as a user gives them (several LEF
// files, paths): the bundled one and, when present, the real designs beside
// the project, checked against their DEF and the run's own drawings.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <tuple>

#include "e2e/checked_run.h"
#include "test_support.h"

using namespace testing_support;

namespace testing_support {
void PrintTo(const LefDefDesign& design, std::ostream* out) { *out << design.def; }
}  // namespace testing_support

namespace {

// A short schedule: these runs check the path through the program, not the
// quality of the floorplan.
const char kShort[] = "iterations 100 start_tempe 1000 end_tempe 100";

// What a finished run must show: its last line, its files and, where asked,
// a floorplan inside its outline.
void ExpectCompleteRun(const RunResult& run, const ScratchDir& dir, const std::string& base,
                       bool fits = true) {
  ASSERT_EQ(run.status, 0) << run.output.substr(0, 3000);
  EXPECT_EQ(run.output.substr(run.output.size() - 26), " *** normally terminated.\n");
  if (fits) {
    EXPECT_EQ(run.output.find("misses its outline"), std::string::npos)
        << run.output.substr(run.output.size() - 600);
  }
  EXPECT_EQ(run.output.find("Predefined coordinates unreasonable!"), std::string::npos);
  for (const std::string& name :
       {base + "_final.pl", base + "_blocks.map", base + ".txt", std::string("list")})
    EXPECT_TRUE(FileExists(dir.file(name))) << name;
}

// --- the DEF of every tier, read back ----------------------------------------------

// Reads every tier's DEF with KLayout, an independent reader, through
// klayout_tier_defs.py, which counts what it reads; and checks it with
// tools/defcheck against the input and the block map: every component mapped
// once and on one tier, macros alone in their blocks and in orientations
// their LEF allows, out of each other's halos, FIXED components where the
// input put them, the die folded over the tiers, fences at most at the
// utilisation the run printed and clear of each other, cells on row sites,
// sections and nets whole, via pins with a layer on no macro, design pins
// inside the die. `options` go to defcheck.
void ExpectTierDefsReadBack(const RunResult& run, const ScratchDir& dir, const std::string& base, int tiers,
                            const LefDefDesign& design, bool with_klayout = true,
                            const std::string& options = "") {
  std::smatch target;
  ASSERT_TRUE(std::regex_search(run.output, target, std::regex("groups at ([0-9.]+) % utilisation")));
  std::string check = Quoted(SourceDir() + "/tools/defcheck") + " --target-util " +
                      std::to_string(std::stod(target[1]) / 100) + " --input " + Quoted(design.def) +
                      " --blockmap " + Quoted(dir.file(base + "_blocks.map")) + " " + options;
  std::string lef_list, def_list;
  for (const std::string& lef : design.lefs) {
    lef_list += (lef_list.empty() ? "" : ",") + lef;
    check += " " + Quoted(lef);
  }
  for (int t = 0; t < tiers; ++t) {
    const std::string path = dir.file(base + "_tier" + std::to_string(t) + ".def");
    def_list += (t ? "," : "") + path;
    check += " " + Quoted(path);
  }
  if (with_klayout) {
    const RunResult kl =
        RunIn(dir.path(), "QT_QPA_PLATFORM=offscreen klayout -b -rd lefs=" + Quoted(lef_list) +
                              " -rd defs=" + Quoted(def_list) + " -r " +
                              Quoted(SourceDir() + "/tests/e2e/klayout_tier_defs.py"));
    EXPECT_EQ(kl.status, 0) << "KLayout (installed by scripts/run-tests.sh) read the DEFs as:\n"
                            << kl.output.substr(0, 3000);
  }
  const RunResult checked = RunIn(dir.path(), check);
  EXPECT_EQ(checked.status, 0) << checked.output.substr(0, 3000);
}

// The LEF files and partition file of the bundled example, by path.
std::string ExampleFile(const std::string& name) { return SourceDir() + "/examples/lefdef/" + name; }

LefDefDesign BundledDesign() {
  return {{ExampleFile("demo_tech.lef"), ExampleFile("demo_cells.lef"), ExampleFile("demo_ram.lef")},
          ExampleFile("demo.def"),
          ExampleFile("demo.part")};
}

// The bundled design on 1, 2 and 4 tiers, with the partitioner and with the
// partition file; the last row lets the fences take any shape from 1/10 to
// 10 at 90 % utilisation: tall and flat fences must still hold their cells.
TEST(EndToEnd, BundledLefDefDesignRunsWithAndWithoutAPartitionFile) {
  const LefDefDesign design = BundledDesign();
  // Via grid cells large enough for a via on the die folded over four tiers.
  const std::string vias = " svia_assignment 1 signalvia_gridx 4 signalvia_gridy 4";
  const std::tuple<int, bool, std::string> cases[] = {{1, false, vias},
                                                      {2, false, vias},
                                                      {2, true, vias},
                                                      {4, false, vias + " bond_layer 1"},
                                                      {1, true, " fence_aspect 1000 fence_utilization 90"}};
  for (const auto& [tiers, with_partition, prm] : cases) {
    SCOPED_TRACE(testing::Message() << tiers << " tiers, partition " << with_partition << prm);
    ScratchDir dir;
    WriteFile(dir.file("fl.prm"), ExamplePrm(std::string(kShort) + prm + " layers " + std::to_string(tiers)));
    // Paths of any length; the results are named after the first file.
    std::string args;
    for (const std::string& lef : design.lefs) args += " " + Quoted(lef);
    args += " " + Quoted(design.def) + (with_partition ? " " + Quoted(design.part) : "");
    const RunResult run = RunIn(dir.path(), Quoted(TierplanBinary()) + args);
    ExpectCompleteRun(run, dir, "demo_tech.lef");
    EXPECT_NE(run.output.find("Number of Components: 48\nNumber of Pins:6\n"
                              "Physical-only cells left out: 2 (CORE SPACER: 2)\n"),
              std::string::npos)
        << run.output;
    const std::string map = ReadFile(dir.file("demo_tech.lef_blocks.map"));
    EXPECT_NE(map.find("\n- fill0 FILL\n"), std::string::npos) << map;
    EXPECT_NE(map.find("\npad pad_n IOPAD\n"), std::string::npos) << map;
    ExpectTierDefsReadBack(run, dir, "demo_tech.lef", tiers, design);
    // Pads stand on tier 0 (defcheck finds each component on one tier, on
    // one tier the pads where the DEF put them).
    const std::string tier0 = ReadFile(dir.file("demo_tech.lef_tier0.def"));
    EXPECT_NE(tier0.find("- pad_n IOPAD"), std::string::npos);
    EXPECT_EQ(Count(tier0, "__via1 + NET") > 0, tiers > 1);
    // The via pins on the bond layer: the top routing layer, or the first.
    EXPECT_EQ(Count(tier0, "USE SIGNAL + LAYER metal1 (") > 0, tiers == 4);
    EXPECT_EQ(Count(tier0, "USE SIGNAL + LAYER metal3 (") > 0, tiers == 2);
    if (tiers != 2 || with_partition) continue;
    std::string render = Quoted(SourceDir() + "/tools/render-def") + " -o tiers.png";
    for (const std::string& lef : design.lefs) render += " " + Quoted(lef);
    const RunResult drawn = RunIn(dir.path(), render + " demo_tech.lef_tier0.def demo_tech.lef_tier1.def");
    EXPECT_EQ(drawn.status, 0) << drawn.output;
    EXPECT_EQ(ReadFile(dir.file("tiers.png")).substr(1, 3), "PNG");
  }
}

// Fixed RAMs side by side and on top of each other in the lower left corner,
// where movable blocks would push them if anything could, two fixed cells in
// adjacent rows whose shared edge rounding puts a hair apart, placement
// blockages, one over a fixed RAM, and a design pin placed without a layer. The default schedule finds the
// room the preplaced blocks leave: the floorplan fits its outline, the die on one tier, where no block covers
// a hard blockage and the tier DEF keeps them all; on two the outline follows from the block area (a folded
// die would release them) and the blockages are left out.
TEST(EndToEnd, PreplacedBlocksEndAtTheirGivenCorners) {
  const std::string demo = ReadFile(ExampleFile("demo.def"));
  std::string def = std::regex_replace(demo, std::regex("COMPONENTS 48 ;"), "COMPONENTS 53 ;");
  def = std::regex_replace(
      def, std::regex("  - ram0 RAM \\+ FIXED \\( 60000 60000 \\) N ;\n"),
      "  - ram0 RAM + FIXED ( 60000 60000 ) N ;\n"
      "  - ramA RAM + FIXED ( 0 0 ) N ;\n  - ramB RAM + FIXED ( 30000 0 ) N ;\n"
      "  - ramC RAM + FIXED ( 0 20000 ) N ;\n"
      "  - rowA NAND2 + FIXED ( 70000 131 ) N ;\n  - rowB NAND2 + FIXED ( 70000 2131 ) N ;\n");
  def = std::regex_replace(
      def, std::regex("  - mem_in "),
      "  - fixed ( ramA A ) ( ramB A ) ( ramC A ) ( rowA A ) ( rowB A ) ( u3 Z ) ;\n  - mem_in ");
  def = std::regex_replace(
      def, std::regex("\nNETS "),
      "\nBLOCKAGES 3 ;\n  - PLACEMENT RECT ( 60000 20000 ) ( 100000 40000 ) RECT ( 50000 55000 ) "
      "( 70000 90000 ) ;\n  - PLACEMENT + SOFT RECT ( 20000 90000 ) ( 40000 100000 ) ;\n"
      "  - LAYER metal1 RECT ( 0 0 ) ( 5000 5000 ) ;\nEND BLOCKAGES\nNETS ");
  def = std::regex_replace(def, std::regex("DIRECTION INPUT ;\n  - rst"),
                           "DIRECTION INPUT + PLACED ( 0 50000 ) E ;\n  - rst");
  ASSERT_NE(def, demo);
  const ScratchDir given;
  WriteFile(given.file("demo.def"), def);
  const LefDefDesign design{BundledDesign().lefs, given.file("demo.def"), ""};
  for (int tiers : {1, 2})
    for (int method : {0, 1}) {
      SCOPED_TRACE(testing::Message() << "tiers " << tiers << " method " << method);
      ScratchDir dir;
      WriteFile(dir.file("demo.def"), def);
      WriteFile(dir.file("fl.prm"),
                ExamplePrm("layers " + std::to_string(tiers) + " opt_method " + std::to_string(method) +
                           " seed 3 die_outline " + (tiers == 1 ? "1" : "0")));
      const RunResult run =
          RunIn(dir.path(), Quoted(TierplanBinary()) + " " + Quoted(ExampleFile("demo_tech.lef")) + " " +
                                Quoted(ExampleFile("demo_cells.lef")) + " " +
                                Quoted(ExampleFile("demo_ram.lef")) + " demo.def");
      ExpectCompleteRun(run, dir, "demo_tech.lef");
      ExpectTierDefsReadBack(run, dir, "demo_tech.lef", tiers, design, true,
                             tiers == 1 ? "" : "--area-outline");
      const std::string tier0 = ReadFile(dir.file("demo_tech.lef_tier0.def"));
      EXPECT_EQ(Count(tier0, "\nBLOCKAGES 3 ;\n"), tiers == 1 ? 1 : 0);
      EXPECT_EQ(Count(tier0, "- clk + NET clk + DIRECTION INPUT + PLACED ("), 1) << "placed, without a LAYER";
    }
}

class SharedDesign : public testing::TestWithParam<LefDefDesign> {};

// Each real design, with its separate LEF files, on 1, 2 and 4 tiers, with
// the partitioner and with its partition file, the default schedule: a legal
// floorplan, every component mapped once, every macro a block of its own,
// fixed ones at their DEF corners. A folded die may be too small for a
// macro: the run then says so before floorplanning.
TEST_P(SharedDesign, RunsAsAUserWouldRunIt) {
  const LefDefDesign& design = GetParam();
  if (design.def.empty()) GTEST_SKIP() << "no LEF/DEF designs beside the project";
  std::string files;
  for (const std::string& lef : design.lefs) files += " " + Quoted(lef);
  files += " " + Quoted(design.def);
  const std::string base = std::filesystem::path(design.lefs[0]).filename().string();
  for (int tiers : {1, 2, 4})
    for (bool with_partition : {false, true}) {
      if (with_partition && design.part.empty()) continue;
      SCOPED_TRACE(testing::Message()
                   << design.def << ", " << tiers << " tiers, partition " << with_partition);
      ScratchDir dir;
      WriteFile(dir.file("fl.prm"), ExamplePrm("layers " + std::to_string(tiers)));
      const RunResult run = RunIn(
          dir.path(), Quoted(TierplanBinary()) + files + (with_partition ? " " + Quoted(design.part) : ""));
      if (tiers > 1 && run.status == 1 &&
          run.output.find("um, halo included) fits no outline of") != std::string::npos)
        continue;
      // The partition files cut the die into a grid, whose groups need not fit.
      ExpectCompleteRun(run, dir, base, !with_partition);
      if (!with_partition) ExpectTierDefsReadBack(run, dir, base, tiers, design);
    }
}

// The macro design of the shared ones (its DEF is stored gzipped), as a
// user runs it on 1 and 2 tiers: every check of the tier DEFs holds. KLayout
// takes minutes to read it and is left out; the sanitizer build, an order
// of magnitude slower, leaves the whole test out.
TEST(SharedMacroDesign, MempoolTileGivesTierDefsAFlowCanTake) {
#ifdef TIERPLAN_SANITIZED
  GTEST_SKIP() << "too slow unoptimised";
#endif
  const std::filesystem::path shared =
      std::filesystem::path(SourceDir()) / ".." / "shared" / "lefdef" / "mempool_tile";
  if (!std::filesystem::exists(shared / "design.def.gz"))
    GTEST_SKIP() << "no mempool_tile beside the project";
  const ScratchDir unzipped;
  ASSERT_EQ(
      RunIn(unzipped.path(), "gzip -dc " + Quoted((shared / "design.def.gz").string()) + " > design.def")
          .status,
      0);
  LefDefDesign design{{}, unzipped.file("design.def"), ""};
  for (const char* lef : {"NangateOpenCellLibrary.tech.lef", "NangateOpenCellLibrary.macro.mod.lef",
                          "fakeram45_256x32.lef", "fakeram45_64x64.lef"})
    design.lefs.push_back((shared / lef).string());
  for (int tiers : {1, 2}) {
    SCOPED_TRACE(testing::Message() << tiers << " tiers");
    ScratchDir dir;
    WriteFile(dir.file("fl.prm"), ExamplePrm("layers " + std::to_string(tiers)));
    std::string args;
    for (const std::string& lef : design.lefs) args += " " + Quoted(lef);
    const RunResult run = RunIn(dir.path(), Quoted(TierplanBinary()) + args + " " + Quoted(design.def));
    ExpectCompleteRun(run, dir, "NangateOpenCellLibrary.tech.lef");
    ExpectTierDefsReadBack(run, dir, "NangateOpenCellLibrary.tech.lef", tiers, design, false);
  }
}

std::vector<LefDefDesign> SharedDesignsOrNone() {
  std::vector<LefDefDesign> designs = SharedLefDefDesigns();
  if (designs.empty()) designs.push_back({});  // one case that skips
  return designs;
}

std::string DesignLabel(const testing::TestParamInfo<LefDefDesign>& info) {
  const std::string dir = info.param.def.empty()
                              ? "none"
                              : std::filesystem::path(info.param.def).parent_path().filename().string();
  return std::regex_replace(dir, std::regex("[^A-Za-z0-9]"), "_");
}

INSTANTIATE_TEST_SUITE_P(BesideTheProject, SharedDesign, testing::ValuesIn(SharedDesignsOrNone()),
                         DesignLabel);

}  // namespace
