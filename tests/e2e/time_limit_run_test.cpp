// Runs under a CPU time limit and with several annealing chains, through the
// binary on the bundled example; the independent checker reads each result.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

using namespace testing_support;

namespace {

RunResult RunExample(const ScratchDir& dir, const std::string& settings) {
  CopyExample(dir);
  WriteFile(dir.file("fl.prm"), ExamplePrm(settings));
  return RunIn(dir.path(), "'" + TierplanBinary() + "' demo16");
}

RunResult Fpcheck(const ScratchDir& dir) {
  return RunIn(dir.path(), "'" + ToolBinary("fpcheck") + "' demo16");
}

int Count(const std::string& text, const std::string& what) {
  int count = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
  return count;
}

// A second of CPU is far less than the default schedule takes on demo16;
// both optimisers must still end with a legal floorplan.
TEST(TimeLimit, BothOptimisersEndLegally) {
  for (const char* settings : {"opt_method 1 layers 1", "opt_method 1 layers 2", "opt_method 0 layers 2",
                               "opt_method 1 layers 4 starts 2"}) {
    ScratchDir dir;
    RunResult run = RunExample(dir, std::string(settings) + " seed 5 time_limit 1");
    ASSERT_EQ(run.status, 0) << settings << "\n" << run.output;
    EXPECT_NE(run.output.find("CPU time limit: 1 s.\n"), std::string::npos) << settings;
    RunResult check = Fpcheck(dir);
    EXPECT_EQ(check.status, 0) << settings << "\n" << check.output;
  }
}

// Two chains from seed s: the first is the single run with seed s, so the
// kept result is that run's when the first is kept and fits no worse
// otherwise; the same seed keeps the same chain and result. With seed 3 the
// single run misses the outline and the second chain fits (as observed with
// these settings), so only keeping the better chain makes the result fit.
TEST(Starts, KeepTheBetterChainRepeatably) {
  for (int seed : {3, 7, 9}) {
    const std::string settings = "seed " + std::to_string(seed) + " sparearea 10 iterations 100";
    ScratchDir single, first, again;
    ASSERT_EQ(RunExample(single, settings).status, 0);
    RunResult chains = RunExample(first, settings + " starts 2");
    ASSERT_EQ(chains.status, 0) << chains.output;
    ASSERT_EQ(RunExample(again, settings + " starts 2").status, 0);
    EXPECT_EQ(ReadFile(first.file("demo16_final.pl")), ReadFile(again.file("demo16_final.pl")));
    // Only the kept chain reports and writes.
    EXPECT_EQ(Count(chains.output, "Optimal Area:"), 1);
    EXPECT_EQ(Count(ReadFile(first.file("demo16.txt")), "\nCircuit:demo16\n"), 1);
    EXPECT_EQ(chains.output.substr(chains.output.size() - 26), " *** normally terminated.\n");
    RunResult single_check = RunIn(single.path(), "'" + ToolBinary("fpcheck") + "' --require-fit demo16");
    RunResult check = RunIn(first.path(), "'" + ToolBinary("fpcheck") + "' --require-fit demo16");
    // Missing the outline is the only fault allowed.
    EXPECT_TRUE(check.status == 0 || check.output.find("result: illegal (exceeds the outline, "
                                                       "--require-fit)") != std::string::npos)
        << check.output;
    if (chains.output.find("kept chain 1.") != std::string::npos) {
      EXPECT_EQ(ReadFile(first.file("demo16_final.pl")), ReadFile(single.file("demo16_final.pl")));
    } else {
      EXPECT_LE(check.status, single_check.status) << seed;
    }
    if (seed == 3) {
      EXPECT_EQ(check.status, 0) << check.output;
    }
  }
}

}  // namespace
