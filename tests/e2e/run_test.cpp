// End-to-end runs of the real binary in scratch directories.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "test_support.h"

using namespace testing_support;

namespace {

std::string Tierplan() { return "'" + TierplanBinary() + "'"; }

// The number after "key :" in a bookshelf header.
int HeaderCount(const std::string& text, const std::string& key) {
  std::smatch m;
  if (!std::regex_search(text, m, std::regex(key + "\\s*:\\s*(\\d+)"))) return -1;
  return std::stoi(m[1]);
}

// The independent checker's verdict on a run's placement (status 0: legal).
RunResult Fpcheck(const ScratchDir& dir, const std::string& base) {
  return RunIn(dir.path(), "'" + ToolBinary("fpcheck") + "' " + base);
}

// The default schedule and seed; the drawings per tier are checked below.
TEST(EndToEnd, ExampleRunsToItsResultFiles) {
  ScratchDir dir;
  CopyExample(dir);
  WriteFile(dir.file("fl.prm"), ExamplePrm(""));
  RunResult run = RunIn(dir.path(), Tierplan() + " demo16");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_NE(run.output.find(" Cell = 16, ExtCells = 12, Nets = 27\n\n"), std::string::npos);
  EXPECT_NE(run.output.find("Initial Inter Layer Via Number: "), std::string::npos);
  EXPECT_NE(run.output.find("( seed      :    1)"), std::string::npos);
  EXPECT_EQ(run.output.substr(run.output.size() - 26), " *** normally terminated.\n");
  RunResult check = Fpcheck(dir, "demo16");
  EXPECT_EQ(check.status, 0) << check.output;
}

// Runs with the same seed agree byte for byte, whether the base name comes on
// the command line or at the prompt, and each run appends its statistics.
TEST(EndToEnd, FixedSeedRepeatsExactly) {
  ScratchDir first, second;
  for (ScratchDir* dir : {&first, &second}) {
    CopyExample(*dir);
    WriteFile(dir->file("fl.prm"), ExamplePrm("seed 12345"));
  }
  for (int run = 0; run < 2; ++run) ASSERT_EQ(RunIn(first.path(), Tierplan() + " demo16").status, 0);
  RunResult prompted = RunIn(second.path(), Tierplan(), "demo16\n");
  ASSERT_EQ(prompted.status, 0) << prompted.output;
  EXPECT_EQ(prompted.output.rfind("data file > ", 0), 0u);
  for (const char* name : {"demo16_final.pl", "demo16_layer_0.plt", "demo16_layer_1.plt"})
    EXPECT_EQ(ReadFile(first.file(name)), ReadFile(second.file(name))) << name;
  RunResult check = Fpcheck(first, "demo16");
  EXPECT_EQ(check.status, 0) << check.output;
  const std::string stats = ReadFile(first.file("demo16.txt"));
  std::regex circuit("\nCircuit:demo16\n");
  EXPECT_EQ(std::distance(std::sregex_iterator(stats.begin(), stats.end(), circuit),
                          std::sregex_iterator()),
            2);
}

TEST(EndToEnd, MissingParameterFileStopsTheRun) {
  ScratchDir dir;
  CopyExample(dir);
  RunResult run = RunIn(dir.path(), Tierplan() + " demo16");
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.output.find("cann't open fl.prm\n"), std::string::npos);
}

// Runs the benchmark `base` from `source` with one, two and four tiers, by
// annealing and by the insertion optimiser, and has the checker read each
// written placement back.
void RunWithOneTwoAndFourTiers(const std::filesystem::path& source, const std::string& base) {
  for (int layers : {1, 2, 4})
  for (int opt_method : {1, 0}) {
    ScratchDir dir;
    for (const char* ext : {".blocks", ".nets", ".pl"})
      std::filesystem::copy_file(source / (base + ext), dir.file(base + ext));
    // A short schedule: legality, not quality, is checked here.
    std::string settings = "layers " + std::to_string(layers) + " opt_method " +
                           std::to_string(opt_method) +
                           " iterations 100 start_tempe 1000 end_tempe 100 cooling_ratio 50"
                           " anneal_rounds 2";
    WriteFile(dir.file("fl.prm"), ExamplePrm(settings));
    RunResult run = RunIn(dir.path(), Tierplan() + " " + base);
    ASSERT_EQ(run.status, 0) << base << " " << layers << " " << opt_method << "\n" << run.output;
    EXPECT_NE(run.output.find(" *** normally terminated."), std::string::npos);
    // One drawing per tier; a single tier reports no vias.
    EXPECT_TRUE(FileExists(dir.file(base + "_layer_" + std::to_string(layers - 1) + ".plt")));
    EXPECT_FALSE(FileExists(dir.file(base + "_layer_" + std::to_string(layers) + ".plt")));
    if (layers == 1) {
      EXPECT_EQ(run.output.find("Inter Layer Via"), std::string::npos);
    }
    std::string blocks = ReadFile(dir.file(base + ".blocks"));
    char counts[128];
    std::snprintf(counts, sizeof counts, " Cell = %d, ExtCells = %d, Nets = %d\n",
                  HeaderCount(blocks, "NumHardRectilinearBlocks"), HeaderCount(blocks, "NumTerminals"),
                  HeaderCount(ReadFile(dir.file(base + ".nets")), "NumNets"));
    EXPECT_NE(run.output.find(counts), std::string::npos) << base << " " << counts;
    if (base == "ami33") {
      EXPECT_NE(run.output.find(" Cell = 33, ExtCells = 42, Nets = 123"), std::string::npos);
    }
    RunResult check = Fpcheck(dir, base);
    EXPECT_EQ(check.status, 0) << base << " layers " << layers << " opt_method " << opt_method
                               << "\n" << check.output;
  }
}

TEST(EndToEnd, BundledExampleRunsWithoutOverlap) {
  RunWithOneTwoAndFourTiers(SourceDir() + "/examples/demo16", "demo16");
}

// Designs at the engine's limits, each through one short temperature step
// (a few dozen moves): the largest block count, where the insertion search
// must reach its end, and more blocks plus terminals than the best-solution
// store held in a fixed table.
TEST(EndToEnd, LargestDesignsRunToTheEnd) {
  struct Case {
    int blocks, terminals, nets;
  };
  for (Case c : {Case{3300, 400, 6600}, Case{2700, 1000, 16200}}) {
    ScratchDir dir;
    const std::string counts =
        std::to_string(c.blocks) + " " + std::to_string(c.terminals) + " " + std::to_string(c.nets);
    ASSERT_EQ(RunIn(dir.path(), "'" + ToolBinary("genbench") + "' --seed 2 big " + counts).status, 0);
    WriteFile(dir.file("fl.prm"), ExamplePrm("iterations 1 start_tempe 110 end_tempe 100 seed 2"));
    RunResult run = RunIn(dir.path(), "ulimit -t 120; " + Tierplan() + " big");
    ASSERT_EQ(run.status, 0) << run.output.substr(0, 2000);
    EXPECT_NE(run.output.find(" Cell = " + std::to_string(c.blocks) + ", ExtCells = " +
                              std::to_string(c.terminals) + ", Nets = " + std::to_string(c.nets) + "\n"),
              std::string::npos);
    EXPECT_NE(run.output.find("Temperature: 110\n"), std::string::npos);
    RunResult check = Fpcheck(dir, "big");
    EXPECT_EQ(check.status, 0) << counts << "\n" << check.output;
  }
}

// Every public benchmark beside the project, with one, two and four tiers.
TEST(EndToEnd, PublicBenchmarksRunWithoutOverlap) {
  std::string benchmarks = BenchmarkDir();
  if (benchmarks.empty()) GTEST_SKIP() << "no benchmarks beside the project";
  for (const auto& entry : std::filesystem::directory_iterator(benchmarks))
    RunWithOneTwoAndFourTiers(entry.path(), entry.path().filename().string());
}

// With the default parameters and two tiers the small designs of a few large
// blocks per tier end inside the fixed outline in at least 9 runs of 10.
TEST(EndToEnd, SmallBenchmarksFitTheOutlineWithTwoTiers) {
  const std::string benchmarks = BenchmarkDir();
  for (const std::string base : {"apte", "n10", "xerox"}) {
    const std::filesystem::path source = benchmarks + "/" + base;
    if (benchmarks.empty() || !std::filesystem::exists(source / (base + ".blocks")))
      GTEST_SKIP() << "no " << base << " benchmark beside the project";
    int fits = 0;
    for (int seed = 1; seed <= 10; ++seed) {
      ScratchDir dir;
      for (const char* ext : {".blocks", ".nets", ".pl"})
        std::filesystem::copy_file(source / (base + ext), dir.file(base + ext));
      WriteFile(dir.file("fl.prm"),
                "aspect_ratio 100\nlayers 2\nseed " + std::to_string(seed) + "\nend\n");
      RunResult run = RunIn(dir.path(), Tierplan() + " " + base);
      ASSERT_EQ(run.status, 0) << run.output;
      RunResult check = RunIn(dir.path(), "'" + ToolBinary("fpcheck") + "' --require-fit " + base);
      if (check.status == 0) ++fits;
    }
    EXPECT_GE(fits, 9) << base;
  }
}

}  // namespace
