// End-to-end runs of LEF/DEF designs given as a user gives them (several LEF
// files, paths): the bundled one and, when present, the real designs beside
// the project, checked against their DEF and the run's own drawings.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "e2e/checked_run.h"
#include "io/lefdef.h"
#include "test_support.h"

using namespace testing_support;

namespace testing_support {
void PrintTo(const LefDefDesign& design, std::ostream* out) { *out << design.def; }
}  // namespace testing_support

namespace {

// A short schedule: these runs check the path through the program, not the
// quality of the floorplan.
const char kShort[] = "iterations 100 start_tempe 1000 end_tempe 100";

// The number printed after `label` in a run's output, or -1.
int Printed(const std::string& output, const std::string& label) {
  std::smatch m;
  if (!std::regex_search(output, m, std::regex(label + "\\s*(\\d+)"))) return -1;
  return std::stoi(m[1]);
}

struct Box {
  double xl, yl, xh, yh;
};
bool OverlapWithArea(const Box& a, const Box& b) {
  const double e = 1e-6;
  return std::min(a.xh, b.xh) - std::max(a.xl, b.xl) > e && std::min(a.yh, b.yh) - std::max(a.yl, b.yl) > e;
}

// The rectangles of a drawing's first plot: the outline frame, then the
// blocks (in a tier's drawing one unit inside them).
std::vector<Box> DrawnRects(const std::string& plot) {
  std::istringstream in(plot);
  std::vector<double> corners;
  for (std::string line; std::getline(in, line) && line != "EOF";) {
    std::istringstream fields(line);
    double x, y;
    if (fields >> x >> y) corners.insert(corners.end(), {x, y});
  }
  std::vector<Box> rects;
  for (size_t k = 0; k + 10 <= corners.size(); k += 10)
    rects.push_back({corners[k], corners[k + 1], corners[k + 4], corners[k + 5]});
  return rects;
}

// What a finished run must show: its last line, its files, and no two blocks
// of a tier drawn over each other.
void ExpectCompleteRun(const RunResult& run, const ScratchDir& dir, const std::string& base, int tiers) {
  ASSERT_EQ(run.status, 0) << run.output.substr(0, 3000);
  EXPECT_EQ(run.output.substr(run.output.size() - 26), " *** normally terminated.\n");
  EXPECT_EQ(run.output.find("Predefined coordinates unreasonable!"), std::string::npos);
  for (const std::string& name :
       {base + "_final.pl", base + "_blocks.map", base + ".txt", std::string("list")})
    EXPECT_TRUE(FileExists(dir.file(name))) << name;
  for (int t = 0; t < tiers; ++t) {
    const std::vector<Box> rects =
        DrawnRects(ReadFile(dir.file(base + "_layer_" + std::to_string(t) + ".plt")));
    for (size_t i = 1; i < rects.size(); ++i)
      for (size_t j = 1; j < i; ++j)
        EXPECT_FALSE(OverlapWithArea(rects[i], rects[j])) << "tier " << t << ": " << i << ", " << j;
  }
}

// The block map: component -> block, each component listed once.
std::map<std::string, std::string> BlockOf(const std::string& map_file) {
  std::map<std::string, std::string> block_of;
  std::istringstream in(map_file);
  for (std::string line; std::getline(in, line);) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    std::string block, component;
    fields >> block >> component;
    EXPECT_TRUE(block_of.emplace(component, block).second) << component << " is listed twice";
  }
  return block_of;
}

// What a design's DEF and LEF files say: components, and the macros
// (LEF CLASS BLOCK) with their FIXED corners ("x y", database units).
struct DesignFacts {
  int components = 0;
  std::set<std::string> macros;                 // component names
  std::map<std::string, std::string> fixed_at;  // component -> "x y"
};

DesignFacts ReadFacts(const LefDefDesign& design) {
  std::set<std::string> macro_names;
  const std::regex lef_macro(R"(MACRO\s+(\S+)\s+CLASS\s+BLOCK\b)");
  for (const std::string& lef : design.lefs) {
    const std::string text = ReadFile(lef);
    for (std::sregex_iterator it(text.begin(), text.end(), lef_macro), end; it != end; ++it)
      macro_names.insert((*it)[1]);
  }
  const std::string def = ReadFile(design.def);
  DesignFacts facts;
  const std::string section =
      def.substr(def.find("\nCOMPONENTS"), def.find("\nEND COMPONENTS") - def.find("\nCOMPONENTS"));
  const std::regex component(R"(\n\s*-\s+(\S+)\s+(\S+)([^;]*);)");
  const std::regex fixed(R"(\+\s*FIXED\s*\(\s*(-?\d+)\s+(-?\d+))");
  for (std::sregex_iterator it(section.begin(), section.end(), component), end; it != end; ++it) {
    ++facts.components;
    if (!macro_names.count((*it)[2])) continue;
    facts.macros.insert((*it)[1]);
    const std::string options = (*it)[3];
    std::smatch m;
    if (std::regex_search(options, m, fixed)) facts.fixed_at[(*it)[1]] = m[1].str() + " " + m[2].str();
  }
  return facts;
}

// The tier DEFs of a run, one after the other.
std::string TierDefs(const ScratchDir& dir, const std::string& base, int tiers) {
  std::string defs;
  for (int t = 0; t < tiers; ++t) defs += ReadFile(dir.file(base + "_tier" + std::to_string(t) + ".def"));
  return defs;
}

// What a LEF/DEF run keeps of its design: each component mapped once, each
// macro a block of its own, every FIXED one at its DEF corner in a tier DEF
// unless the run says that the folded die cannot hold it there, and with
// fixed macros room for the rest inside the outline. Returns the block map.
std::map<std::string, std::string> ExpectDesignKept(const RunResult& run, const ScratchDir& dir,
                                                    const std::string& base, int tiers,
                                                    const DesignFacts& facts) {
  const std::map<std::string, std::string> block_of = BlockOf(ReadFile(dir.file(base + "_blocks.map")));
  EXPECT_EQ(static_cast<int>(block_of.size()), facts.components);
  std::map<std::string, int> cells_of;
  for (const auto& [component, block] : block_of) ++cells_of[block];
  for (const std::string& macro : facts.macros) EXPECT_EQ(cells_of[block_of.at(macro)], 1) << macro;
  const std::string defs = TierDefs(dir, base, tiers);
  const size_t released = run.output.find("placed like the others: ");
  const std::string released_line =
      released == std::string::npos ? ""
                                    : run.output.substr(released, run.output.find('\n', released) - released);
  for (const auto& [component, corner] : facts.fixed_at) {
    const bool kept =
        defs.find("\n  - " + component + " ") != std::string::npos &&
        std::regex_search(defs, std::regex("\n  - " + component + " \\S+ \\+ FIXED \\( " + corner + " \\)"));
    EXPECT_TRUE(kept || (tiers > 1 && released_line.find(" " + component) != std::string::npos)) << component;
  }
  if (!facts.fixed_at.empty()) {
    EXPECT_EQ(run.output.find("Warning: the floorplan misses"), std::string::npos) << run.output;
  }
  return block_of;
}

// --- the DEF of every tier, read back ----------------------------------------------

// What our own DEF reader delivers of a tier's DEF.
struct TierRead {
  std::set<std::string> components, pins;
  int nets = 0;
  std::vector<std::pair<std::string, std::string>> connections;  // (component or PIN, pin)
};
TierRead tier_read;
int OnPin(defrCallbackType_e, void* pin, defiUserData) {
  tier_read.pins.insert(static_cast<defiPin*>(pin)->pinName());
  return 0;
}
int OnComponent(defrCallbackType_e, defiComponent* c, defiUserData) {
  tier_read.components.insert(c->id());
  return 0;
}
int OnNet(defrCallbackType_e, defiNet* net, defiUserData) {
  ++tier_read.nets;
  for (int i = 0; i < net->numConnections(); ++i)
    tier_read.connections.emplace_back(net->instance(i), net->pin(i));
  return 0;
}

// Reads every tier's DEF with our own reader, which must take it whole, find
// the entries its sections declare, each name once, and nets that connect
// only the tier's own components and pins; with KLayout, an independent
// reader, through klayout_tier_defs.py, which counts what it reads and
// finds every component once; and with tools/defcheck, which checks what a
// placer and a router need of
// it against the input: macros in orientations their LEF allows, out of
// each other's halos, the die folded over the tiers, fences at most at the
// utilisation the run printed, cells on row sites, via pins with a layer on
// no macro, design pins inside the die.
void ExpectTierDefsReadBack(const RunResult& run, const ScratchDir& dir, const std::string& base, int tiers,
                            const LefDefDesign& design, bool with_klayout = true) {
  const std::vector<std::string>& lefs = design.lefs;
  std::string lef_list, def_list;
  for (const std::string& lef : lefs) lef_list += (lef_list.empty() ? "" : ",") + lef;
  for (int t = 0; t < tiers; ++t) {
    const std::string path = dir.file(base + "_tier" + std::to_string(t) + ".def");
    def_list += (t ? "," : "") + path;
    defrInit();
    defrSetPinCbk(OnPin);
    defrSetComponentCbk(OnComponent);
    defrSetNetCbk(OnNet);
    defwInit(nullptr);
    tier_read = TierRead{};
    FILE* f = std::fopen(path.c_str(), "r");
    ASSERT_NE(f, nullptr) << path;
    EXPECT_EQ(defrRead(f, path.c_str(), nullptr), 0) << path;
    std::fclose(f);
    const std::string def = ReadFile(path);
    EXPECT_EQ(static_cast<int>(tier_read.components.size()), Printed(def, "\nCOMPONENTS")) << path;
    EXPECT_EQ(static_cast<int>(tier_read.pins.size()), Printed(def, "\nPINS")) << path;
    EXPECT_EQ(tier_read.nets, Printed(def, "\nNETS")) << path;
    // A net connects only what its tier's DEF holds.
    for (const auto& [component, pin] : tier_read.connections)
      EXPECT_TRUE(component == "PIN" ? tier_read.pins.count(pin) : tier_read.components.count(component))
          << path << ": ( " << component << " " << pin << " )";
  }
  if (with_klayout) {
    const RunResult kl =
        RunIn(dir.path(), "QT_QPA_PLATFORM=offscreen klayout -b -rd lefs=" + Quoted(lef_list) + " -rd defs=" +
                              Quoted(def_list) + " -rd blockmap=" + Quoted(dir.file(base + "_blocks.map")) +
                              " -r " + Quoted(SourceDir() + "/tests/e2e/klayout_tier_defs.py"));
    EXPECT_EQ(kl.status, 0) << "KLayout (installed by scripts/run-tests.sh) read the DEFs as:\n"
                            << kl.output.substr(0, 3000);
  }
  std::smatch target;
  ASSERT_TRUE(std::regex_search(run.output, target, std::regex("groups at ([0-9.]+) % utilisation")));
  std::string check = Quoted(SourceDir() + "/tools/defcheck") + " --target-util " +
                      std::to_string(std::stod(target[1]) / 100) + " --input " + Quoted(design.def);
  for (const std::string& lef : lefs) check += " " + Quoted(lef);
  for (int t = 0; t < tiers; ++t)
    check += " " + Quoted(dir.file(base + "_tier" + std::to_string(t) + ".def"));
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

TEST(EndToEnd, BundledLefDefDesignRunsWithAndWithoutAPartitionFile) {
  const LefDefDesign design = BundledDesign();
  const DesignFacts facts = ReadFacts(design);
  ASSERT_EQ(facts.macros, (std::set<std::string>{"ram0", "ram1"}));
  ASSERT_EQ(facts.fixed_at.at("ram0"), "60000 60000");
  for (int tiers : {1, 2, 4})
    for (bool with_partition : {false, true}) {
      if (with_partition && tiers != 2) continue;
      SCOPED_TRACE(testing::Message() << tiers << " tiers, partition " << with_partition);
      ScratchDir dir;
      // Via grid cells large enough for a via on the die folded over four tiers.
      WriteFile(
          dir.file("fl.prm"),
          ExamplePrm(std::string(kShort) + " svia_assignment 1 signalvia_gridx 4 signalvia_gridy 4 layers " +
                     std::to_string(tiers)));
      // Paths of any length; the results are named after the first file.
      std::string args;
      for (const std::string& lef : design.lefs) args += " " + Quoted(lef);
      args += " " + Quoted(design.def) + (with_partition ? " " + Quoted(design.part) : "");
      const RunResult run = RunIn(dir.path(), Quoted(TierplanBinary()) + args);
      ExpectCompleteRun(run, dir, "demo_tech.lef", tiers);
      EXPECT_NE(run.output.find("Number of Components: 48\nNumber of Pins:6\n"
                                "Physical-only cells left out: 2 (CORE SPACER: 2)\n"),
                std::string::npos)
          << run.output;
      const std::map<std::string, std::string> block_of =
          ExpectDesignKept(run, dir, "demo_tech.lef", tiers, facts);
      EXPECT_EQ(block_of.at("fill0"), "-");
      EXPECT_EQ(block_of.at("pad_n"), "pad");
      ExpectTierDefsReadBack(run, dir, "demo_tech.lef", tiers, design);
      // Pads stand on tier 0; on one tier exactly where the DEF put them.
      const std::string defs = TierDefs(dir, "demo_tech.lef", tiers);
      EXPECT_LT(defs.find("- pad_n IOPAD"), defs.find("END DESIGN"));
      EXPECT_EQ(defs.find("- pad_n IOPAD + FIXED ( 55000 110000 ) N ;") != std::string::npos, tiers == 1);
      EXPECT_EQ(Count(defs, "__via1 + NET") > 0, tiers > 1);
      if (tiers != 2 || with_partition) continue;
      std::string render = Quoted(SourceDir() + "/tools/render-def") + " -o tiers.png";
      for (const std::string& lef : design.lefs) render += " " + Quoted(lef);
      const RunResult drawn = RunIn(dir.path(), render + " demo_tech.lef_tier0.def demo_tech.lef_tier1.def");
      EXPECT_EQ(drawn.status, 0) << drawn.output;
      EXPECT_EQ(ReadFile(dir.file("tiers.png")).substr(1, 3), "PNG");
    }
}

// Fixed RAMs side by side and on top of each other in the lower left corner,
// where movable blocks would push them if anything could, and two fixed
// cells in adjacent rows whose shared edge rounding puts a hair apart. The
// default schedule finds the room the preplaced blocks leave: the floorplan
// fits its outline, the die on one tier; on two the outline follows from
// the block area (a folded die would release them).
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
  ASSERT_NE(def, demo);
  const ScratchDir given;
  WriteFile(given.file("demo.def"), def);
  DesignFacts facts = ReadFacts({BundledDesign().lefs, given.file("demo.def"), ""});
  facts.fixed_at.insert({{"rowA", "70000 131"}, {"rowB", "70000 2131"}});
  ASSERT_EQ(facts.fixed_at.size(), 6u);
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
      ExpectCompleteRun(run, dir, "demo_tech.lef", tiers);
      ExpectDesignKept(run, dir, "demo_tech.lef", tiers, facts);
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
  const DesignFacts facts = ReadFacts(design);
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
      ExpectCompleteRun(run, dir, base, tiers);
      ExpectDesignKept(run, dir, base, tiers, facts);
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
    ExpectCompleteRun(run, dir, "NangateOpenCellLibrary.tech.lef", tiers);
    EXPECT_EQ(run.output.find("misses its outline"), std::string::npos)
        << run.output.substr(run.output.size() - 600);
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
