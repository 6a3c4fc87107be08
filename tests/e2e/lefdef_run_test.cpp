// End-to-end runs of LEF/DEF designs: the bundled one and, when present, the
// real designs beside the project.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <regex>
#include <string>

#include "test_support.h"

using namespace testing_support;

namespace {

// A short schedule: these runs check the path through the program, not the
// quality of the floorplan.
const char kShort[] = "iterations 100 start_tempe 1000 end_tempe 100";

std::string Tierplan() { return "'" + TierplanBinary() + "'"; }

// The number printed after `label` in a run's output, or -1.
int Printed(const std::string& output, const std::string& label) {
  std::smatch m;
  if (!std::regex_search(output, m, std::regex(label + "\\s*(\\d+)"))) return -1;
  return std::stoi(m[1]);
}

void ExpectCompleteRun(const RunResult& run, const ScratchDir& dir, const std::string& base,
                       bool with_partition) {
  EXPECT_EQ(run.output.rfind("LEF/DEF reading ...\nReading done.(Time consumed:", 0), 0u) << run.output;
  EXPECT_NE(run.output.find(with_partition ? "Reading partition ......\n" : "Partitioning ......\n"),
            std::string::npos);
  EXPECT_NE(run.output.find(with_partition ? "Reading partition done.\n" : "Partitioning done.(Time consumed:"),
            std::string::npos);
  EXPECT_NE(run.output.find("Number of Fixed Pads:"), std::string::npos);
  EXPECT_EQ(run.output.substr(run.output.size() - 26), " *** normally terminated.\n");
  for (const std::string& name : {base + "_final.pl", base + "_layer_0.plt", base + ".txt", std::string("list")})
    EXPECT_TRUE(FileExists(dir.file(name))) << name;
}

TEST(EndToEnd, LefDefDesignRunsWithAndWithoutAPartitionFile) {
  for (bool with_partition : {false, true}) {
    ScratchDir dir;
    for (const char* name : {"demo.lef", "demo.def", "demo.part"})
      std::filesystem::copy_file(SourceDir() + "/examples/lefdef/" + name, dir.file(name));
    WriteFile(dir.file("fl.prm"), ExamplePrm(kShort));
    std::string args = with_partition ? " demo.lef demo.def demo.part" : " demo.lef demo.def";
    RunResult run = RunIn(dir.path(), Tierplan() + args);
    ASSERT_EQ(run.status, 0) << run.output;
    ExpectCompleteRun(run, dir, "demo.lef", with_partition);
    EXPECT_NE(run.output.find("Number of Nets: 47\nNumber of Components: 45\nNumber of Pins:6\n"),
              std::string::npos);
    EXPECT_NE(run.output.find("Number of Fixed Pads:4\n"), std::string::npos);
    // The fixed RAM, FIXED at (60000, 60000) with 1000 units per micron, is
    // the last block and keeps its place.
    const std::string placement = ReadFile(dir.file("demo.lef_final.pl"));
    const int blocks = Printed(run.output, " Cell =");
    EXPECT_NE(placement.find("\nsub-block-" + std::to_string(blocks) + " 60 60 "), std::string::npos)
        << placement;
    // The echo file holds the DEF as read, one line per construct.
    const std::string list = ReadFile(dir.file("list"));
    EXPECT_EQ(list.rfind("VERSION 5.5 ;\n", 0), 0u) << list;
    EXPECT_NE(list.find("COMPONENTS 45 ;\n"), std::string::npos);
    EXPECT_EQ(list.find("MACRO"), std::string::npos);
  }
}

// Every real design beside the project runs to its result files, with the
// partitioner and with a partition file (its own, or one that deals the cells
// out over ten groups).
TEST(EndToEnd, SharedLefDefDesignsRunWithAndWithoutAPartitionFile) {
  const std::vector<LefDefDesign> designs = SharedLefDefDesigns();
  if (designs.empty()) GTEST_SKIP() << "no LEF/DEF designs beside the project";
  for (const LefDefDesign& design : designs) {
    SCOPED_TRACE(design.def);
    ScratchDir dir;
    // Short local names: the first name on the command line is limited in length.
    std::filesystem::create_symlink(design.lef, dir.file("d.lef"));
    std::filesystem::create_symlink(design.def, dir.file("d.def"));
    WriteFile(dir.file("fl.prm"), ExamplePrm(kShort));
    RunResult run = RunIn(dir.path(), Tierplan() + " d.lef d.def");
    ASSERT_EQ(run.status, 0) << run.output;
    ExpectCompleteRun(run, dir, "d.lef", false);

    if (!design.part.empty()) {
      std::filesystem::create_symlink(design.part, dir.file("d.part"));
    } else {
      const int cells = Printed(run.output, "Number of Components:");
      ASSERT_GT(cells, 0) << run.output;
      std::string part = std::to_string(cells) + "\n";
      for (int i = 0; i < cells; ++i) part += std::to_string(i % 10) + "\n";
      WriteFile(dir.file("d.part"), part);
    }
    run = RunIn(dir.path(), Tierplan() + " d.lef d.def d.part");
    ASSERT_EQ(run.status, 0) << run.output;
    ExpectCompleteRun(run, dir, "d.lef", true);
  }
}

// The rectangles of one tier drawing (one unit inside each block), without
// the outline frame that comes first.
struct Rect {
  int xl, yl, xh, yh;
};
std::vector<Rect> DrawnBlocks(const std::string& plot) {
  std::istringstream in(plot);
  std::vector<int> corners;
  for (std::string line; std::getline(in, line) && line != "EOF";) {
    std::istringstream fields(line);
    int x, y, tier;
    if (fields >> x >> y >> tier) corners.insert(corners.end(), {x, y});
  }
  std::vector<Rect> rects;
  for (size_t k = 10; k + 10 <= corners.size(); k += 10)
    rects.push_back({corners[k], corners[k + 1], corners[k + 4], corners[k + 5]});
  return rects;
}

// Four RAMs fixed in the bundled design: the one of the demo, two side by
// side in the lower left corner and one on top of the first of those, where
// the movable blocks would push them if anything could.
TEST(EndToEnd, PreplacedBlocksEndAtTheirGivenCorners) {
  const std::string demo = ReadFile(SourceDir() + "/examples/lefdef/demo.def");
  std::string def = std::regex_replace(demo, std::regex("COMPONENTS 45 ;"), "COMPONENTS 48 ;");
  def = std::regex_replace(def, std::regex("  - ram0 RAM \\+ FIXED \\( 60000 60000 \\) N ;\n"),
                           "  - ram0 RAM + FIXED ( 60000 60000 ) N ;\n"
                           "  - ram1 RAM + FIXED ( 0 0 ) N ;\n"
                           "  - ram2 RAM + FIXED ( 30000 0 ) N ;\n"
                           "  - ram3 RAM + FIXED ( 0 20000 ) N ;\n");
  ASSERT_NE(def, demo);
  const int corners[4][2] = {{60, 60}, {0, 0}, {30, 0}, {0, 20}};
  for (int tiers : {1, 2})
  for (int method : {0, 1}) {
    SCOPED_TRACE(testing::Message() << "tiers " << tiers << " method " << method);
    ScratchDir dir;
    std::filesystem::copy_file(SourceDir() + "/examples/lefdef/demo.lef", dir.file("demo.lef"));
    WriteFile(dir.file("demo.def"), def);
    WriteFile(dir.file("fl.prm"), ExamplePrm("iterations 100 start_tempe 1000 end_tempe 100 layers " +
                                             std::to_string(tiers) + " opt_method " +
                                             std::to_string(method) + " seed 3\n"));
    RunResult run = RunIn(dir.path(), Tierplan() + " demo.lef demo.def");
    ASSERT_EQ(run.status, 0) << run.output;
    // The fixed blocks come last, in the order of the DEF.
    const int blocks = Printed(run.output, " Cell =");
    ASSERT_GT(blocks, 4) << run.output;
    const std::string placement = ReadFile(dir.file("demo.lef_final.pl"));
    for (int k = 0; k < 4; ++k) {
      const std::string name = "sub-block-" + std::to_string(blocks - 3 + k);
      std::smatch m;
      ASSERT_TRUE(std::regex_search(placement, m, std::regex("\n" + name + " (-?\\d+) (-?\\d+) (\\d+) (\\d+)\n")))
          << name << "\n" << placement;
      EXPECT_EQ(std::stoi(m[1]), corners[k][0]) << name;
      EXPECT_EQ(std::stoi(m[2]), corners[k][1]) << name;
      // No other block on its tier reaches into the RAM (30 x 20).
      const Rect ram{corners[k][0] + 1, corners[k][1] + 1, corners[k][0] + 29, corners[k][1] + 19};
      const std::string plot = ReadFile(dir.file("demo.lef_layer_" + m[4].str() + ".plt"));
      int found = 0;
      for (const Rect& r : DrawnBlocks(plot)) {
        if (r.xl == ram.xl && r.yl == ram.yl && r.xh == ram.xh && r.yh == ram.yh && found++ == 0) continue;
        EXPECT_FALSE(std::min(r.xh, ram.xh) >= std::max(r.xl, ram.xl) &&
                     std::min(r.yh, ram.yh) >= std::max(r.yl, ram.yl))
            << name << " meets the block drawn at " << r.xl << " " << r.yl << " " << r.xh << " " << r.yh;
      }
      EXPECT_EQ(found, 1) << name << " is not drawn at its corner";
    }
  }
}

}  // namespace
