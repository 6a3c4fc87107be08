// End-to-end runs of LEF/DEF designs: the bundled one and, when present, the
// real designs beside the project.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "test_support.h"

using namespace testing_support;

namespace {

// The bundled parameter file with a short schedule: these runs check the
// path through the program, not the quality of the floorplan.
std::string ShortPrm() {
  std::string prm = ReadFile(SourceDir() + "/examples/fl.prm");
  return prm.substr(0, prm.rfind("end")) + "iterations 100 start_tempe 1000 end_tempe 100\nend\n";
}

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
    WriteFile(dir.file("fl.prm"), ShortPrm());
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

TEST(EndToEnd, LefDefSyntaxErrorStopsWithItsLine) {
  ScratchDir dir;
  std::filesystem::copy_file(SourceDir() + "/examples/lefdef/demo.lef", dir.file("demo.lef"));
  WriteFile(dir.file("demo.def"), "VERSION 5.5 ;\nDESIGN broken ;\nUNITS DISTANCE MICRONS 1000\n");
  WriteFile(dir.file("fl.prm"), ShortPrm());
  RunResult run = RunIn(dir.path(), Tierplan() + " demo.lef demo.def");
  EXPECT_NE(run.status, 0);
  EXPECT_NE(run.output.find("demo.def:"), std::string::npos) << run.output;
  EXPECT_FALSE(FileExists(dir.file("demo.lef_final.pl")));
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
    WriteFile(dir.file("fl.prm"), ShortPrm());
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

}  // namespace
