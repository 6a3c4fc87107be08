// End-to-end runs of the real binary in scratch directories, each placement
// read back by the independent checker.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "e2e/checked_run.h"
#include "test_support.h"

using namespace testing_support;

namespace {

void CopyBenchmark(const std::filesystem::path& source, const std::string& base, const ScratchDir& dir) {
  for (const char* ext : {".blocks", ".nets", ".pl"})
    std::filesystem::copy_file(source / (base + ext), dir.file(base + ext));
}

// The default schedule; the same seed repeats byte for byte, whether the
// base name comes on the command line or at the prompt and whether
// time_limit 0 asks for the schedule or not, and each run appends its
// statistics.
TEST(EndToEnd, ExampleRunsAndAFixedSeedRepeatsExactly) {
  ScratchDir first, second;
  CopyExample(first);
  CopyExample(second);
  WriteFile(first.file("fl.prm"), ExamplePrm(""));
  WriteFile(second.file("fl.prm"), ExamplePrm("time_limit 0"));
  RunChecked(first, "demo16", "demo16");
  ASSERT_EQ(RunIn(first.path(), Quoted(TierplanBinary()) + " demo16").status, 0);
  RunResult prompted = RunIn(second.path(), Quoted(TierplanBinary()), "demo16\n");
  ASSERT_EQ(prompted.status, 0) << prompted.output;
  EXPECT_EQ(prompted.output.rfind("data file > ", 0), 0u);
  EXPECT_EQ(prompted.output.find("CPU time limit"), std::string::npos);
  for (const char* name : {"demo16_final.pl", "demo16_layer_0.plt", "demo16_layer_1.plt"})
    EXPECT_EQ(ReadFile(first.file(name)), ReadFile(second.file(name))) << name;
  EXPECT_EQ(Count(ReadFile(first.file("demo16.txt")), "\nCircuit:demo16\n"), 2);
}

// Files that cannot grow past 1 KB, as on a full disk: a drawing too large
// for that keeps the previous one, the statistics file keeps its earlier
// records without a partial one, and the run names both and fails. The
// temporaries of killed runs go.
TEST(EndToEnd, FailedWritesKeepThePreviousDrawingAndWholeRecords) {
  ScratchDir dir;
  CopyExample(dir);
  WriteFile(dir.file("fl.prm"), ExamplePrm("iterations 100"));
  const std::string previous = "\nCircuit:demo16\n" + std::string(1000, 'x');
  WriteFile(dir.file("demo16.txt"), previous);
  WriteFile(dir.file("demo16_layer_0.plt"), "old drawing\n");
  // A temporary a killed run left (no process has so large a number) goes;
  // one of a run still writing (this test's process) stays.
  WriteFile(dir.file("demo16_final.pl.4194304.tmp"), "half a placement");
  const std::string writing = "demo16_final.pl." + std::to_string(getpid()) + ".tmp";
  WriteFile(dir.file(writing), "a placement being written");
  const RunResult run = RunIn(dir.path(), "ulimit -f 1; " + Quoted(TierplanBinary()) + " demo16");
  EXPECT_EQ(run.status, 1) << run.output;
  for (const char* warning :
       {"Warning: Cannot write demo16_layer_0.plt!\n", "Warning: Cannot open results file!\n",
        "Error: not written: demo16.txt, demo16_layer_0.plt.\n"})
    EXPECT_NE(run.output.find(warning), std::string::npos) << run.output;
  EXPECT_EQ(ReadFile(dir.file("demo16_layer_0.plt")), "old drawing\n");
  EXPECT_EQ(ReadFile(dir.file("demo16.txt")), previous);
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_TRUE(entry.path().extension() != ".tmp" || entry.path().filename() == writing) << entry.path();
  EXPECT_TRUE(std::filesystem::exists(dir.file(writing)));
}

// demo16 with every block soft (its area, height over width 0.5 to 2), on one
// and two tiers and by both optimisers: the shapes the run gives, in
// demo16_final.blocks, hold the area and range of each block, and the
// checker finds the floorplan legal.
TEST(EndToEnd, SoftBlocksGetShapesOfTheirAreaAndRange) {
  for (const char* layers : {"layers 1", "layers 2", "layers 1 opt_method 0"}) {
    ScratchDir dir;
    CopyExample(dir);
    const std::string hard = ReadFile(dir.file("demo16.blocks"));
    const std::regex block(R"((\S+) hardrectilinear 4 \(0, 0\) \(0, (\d+)\) \((\d+), \d+\) \(\d+, 0\))");
    std::string soft = "NumSoftRectangularBlocks : 16\nNumHardRectilinearBlocks : 0\nNumTerminals : 12\n\n";
    for (std::sregex_iterator m(hard.begin(), hard.end(), block), end; m != end; ++m)
      soft += (*m)[1].str() + " softrectangular " + std::to_string(std::stoi((*m)[2]) * std::stoi((*m)[3])) +
              " 0.5 2\n";
    WriteFile(dir.file("demo16.blocks"), soft + hard.substr(hard.find("\nio1")));
    WriteFile(dir.file("fl.prm"), ExamplePrm(std::string(layers) + " iterations 300"));
    RunChecked(dir, "demo16", "demo16");
    EXPECT_TRUE(FileExists(dir.file("demo16_final.blocks")));
  }
}

// On nine tiers the outline is narrower than demo16's two largest blocks:
// the run says so at the start; on four, where they fit, it says nothing.
TEST(EndToEnd, BlocksLargerThanTheOutlineAreNamedAtTheStart) {
  for (int layers : {4, 9})
    for (bool soft : {false, true}) {
      SCOPED_TRACE(std::to_string(layers) + (soft ? " tiers, bk14 soft" : " tiers"));
      ScratchDir dir;
      CopyExample(dir);
      // As a soft block of its area, bk14's narrowest shape under the outline's
      // height is still too wide on nine tiers.
      if (soft) {
        std::string blocks = ReadFile(dir.file("demo16.blocks"));
        blocks = Replace(blocks, "NumSoftRectangularBlocks : 0\nNumHardRectilinearBlocks : 16",
                         "NumSoftRectangularBlocks : 1\nNumHardRectilinearBlocks : 15");
        blocks = Replace(blocks, "bk14 hardrectilinear 4 (0, 0) (0, 150) (150, 150) (150, 0)",
                         "bk14 softrectangular 22500 0.333 3.0");
        WriteFile(dir.file("demo16.blocks"), blocks);
      }
      WriteFile(dir.file("fl.prm"), ExamplePrm("layers " + std::to_string(layers) + " iterations 20"));
      const RunResult run = RunIn(dir.path(), Quoted(TierplanBinary()) + " demo16");
      EXPECT_EQ(Count(run.output,
                      "Warning: 2 block(s) fit the outline of 123.45 x 123.45 in no orientation "
                      "(the largest: bk14, 150.00 x 150.00); no floorplan can fit it.\n"),
                layers == 9 ? 1 : 0);
    }
}

// One, two and four tiers, by annealing and by the insertion optimiser, on
// a short schedule: legality and the reported figures, not quality.
void RunWithOneTwoAndFourTiers(const std::filesystem::path& source, const std::string& base) {
  for (int layers : {1, 2, 4})
    for (int opt_method : {1, 0}) {
      SCOPED_TRACE(base + " layers " + std::to_string(layers) + " opt_method " + std::to_string(opt_method));
      ScratchDir dir;
      CopyBenchmark(source, base, dir);
      WriteFile(dir.file("fl.prm"),
                ExamplePrm("layers " + std::to_string(layers) + " opt_method " + std::to_string(opt_method) +
                           " iterations 100 start_tempe 1000 end_tempe 100"
                           " cooling_ratio 50 anneal_rounds 2"));
      RunResult run = RunChecked(dir, base, base);
      // One drawing per tier; a single tier reports no vias.
      EXPECT_TRUE(FileExists(dir.file(base + "_layer_" + std::to_string(layers - 1) + ".plt")));
      EXPECT_FALSE(FileExists(dir.file(base + "_layer_" + std::to_string(layers) + ".plt")));
      EXPECT_EQ(run.output.find("Inter Layer Via") == std::string::npos, layers == 1);
    }
}

// Every public benchmark beside the project.
TEST(EndToEnd, PublicBenchmarksRunOnOneTwoAndFourTiers) {
  const std::string benchmarks = BenchmarkDir();
  if (benchmarks.empty()) GTEST_SKIP() << "no benchmarks beside the project";
  for (const auto& entry : std::filesystem::directory_iterator(benchmarks))
    RunWithOneTwoAndFourTiers(entry.path(), entry.path().filename().string());
}

// Designs at the engine's limits through one short temperature step: the
// largest block count, from shelves and with the windowed search, and more
// blocks plus terminals than the best-solution store once held.
TEST(EndToEnd, LargestDesignsRunToTheEnd) {
  for (const char* counts : {"3300 400 6600", "2700 1000 16200"}) {
    ScratchDir dir;
    ASSERT_EQ(RunIn(dir.path(), Quoted(ToolBinary("genbench")) + " --seed 2 big " + counts).status, 0);
    WriteFile(dir.file("fl.prm"), ExamplePrm("iterations 1 start_tempe 110 end_tempe 100 seed 2"));
    RunResult run = RunChecked(dir, "big", "big");
    EXPECT_NE(run.output.find("Temperature: 110\n"), std::string::npos) << counts;
  }
}

// The bundled example with the default schedule on one and two tiers, five
// seeds each: every run fits its outline, and the median net length and via
// count stay within about a tenth of what this floorplanner reaches (1 tier:
// 4472 to 4860; 2 tiers: 3242 to 3951, 9 to 16 vias over seeds 1 to 10).
TEST(EndToEnd, ExampleQualityHoldsOverSeeds) {
  const struct {
    int tiers;
    double hpwl, vias;
  } bounds[] = {{1, 5100, 0}, {2, 3900, 16}};
  for (const auto& bound : bounds) {
    std::vector<double> hpwl, vias;
    for (int seed = 1; seed <= 5; ++seed) {
      ScratchDir dir;
      CopyExample(dir);
      WriteFile(dir.file("fl.prm"),
                ExamplePrm("layers " + std::to_string(bound.tiers) + " seed " + std::to_string(seed)));
      ASSERT_EQ(RunIn(dir.path(), Quoted(TierplanBinary()) + " demo16").status, 0);
      const RunResult check = Fpcheck(dir, "--require-fit demo16");
      EXPECT_EQ(check.status, 0) << check.output;
      std::smatch m;
      ASSERT_TRUE(std::regex_search(check.output, m, std::regex("hpwl: ([0-9.]+)\nvias: (\\d+)")))
          << check.output;
      hpwl.push_back(std::stod(m[1]));
      vias.push_back(std::stod(m[2]));
    }
    std::sort(hpwl.begin(), hpwl.end());
    std::sort(vias.begin(), vias.end());
    EXPECT_LE(hpwl[2], bound.hpwl) << bound.tiers << " tiers";
    EXPECT_LE(vias[2], bound.vias) << bound.tiers << " tiers";
  }
}

}  // namespace
