// Runs under a CPU time limit and with several annealing chains, through the
// binary on the bundled example; the independent checker reads each result.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "e2e/checked_run.h"
#include "test_support.h"

using namespace testing_support;

namespace {

RunResult RunExample(const ScratchDir& dir, const std::string& settings) {
  CopyExample(dir);
  WriteFile(dir.file("fl.prm"), ExamplePrm(settings));
  return RunIn(dir.path(), Quoted(TierplanBinary()) + " demo16");
}

// A second of CPU is far less than the default schedule takes on demo16;
// both optimisers must still end with a legal floorplan and report its
// figures truly.
TEST(TimeLimit, BothOptimisersEndLegally) {
  for (const char* settings : {"opt_method 1 layers 1", "opt_method 1 layers 2", "opt_method 0 layers 2",
                               "opt_method 1 layers 4 starts 2"}) {
    ScratchDir dir;
    CopyExample(dir);
    WriteFile(dir.file("fl.prm"), ExamplePrm(std::string(settings) + " seed 5 time_limit 1"));
    EXPECT_NE(RunChecked(dir, "demo16", "demo16").output.find("CPU time limit: 1 s.\n"), std::string::npos)
        << settings;
  }
}

// A limit longer than the schedule takes makes the schedule's own rounds
// first (on this seed a tier split that misses, then one that fits) and
// spends the rest on new splits, keeping a floorplan that fits.
TEST(TimeLimit, MakesTheScheduleFirstAndKeepsAFit) {
  const std::string prm = "layers 3 iterations 300 seed 2";
  ScratchDir schedule, limited;
  const RunResult first = RunExample(schedule, prm), second = RunExample(limited, prm + " time_limit 1");
  const auto annealing = [](const std::string& out) {  // temperatures and moves
    std::istringstream in(out);
    std::string kept;
    for (std::string line; std::getline(in, line);)
      if (line.rfind("Temperature:", 0) == 0 || line.find('|') != std::string::npos) kept += line + "\n";
    return kept;
  };
  ASSERT_EQ(Fpcheck(schedule, "--require-fit demo16").status, 0) << first.output;
  EXPECT_EQ(annealing(second.output).rfind(annealing(first.output), 0), 0u);
  EXPECT_NE(second.output.find("Inside the outline after round 2, "), std::string::npos);
  EXPECT_EQ(Fpcheck(limited, "--require-fit demo16").status, 0);
}

// From a hundred blocks a limited run starts from shelves and anneals in an
// eased outline before the true one returns; what it keeps must fit the
// true one, which the checker derives on its own, and be reported truly.
TEST(TimeLimit, AnEasedOutlineEndsInsideTheTrueOne) {
  ScratchDir dir;
  ASSERT_EQ(RunIn(dir.path(), Quoted(ToolBinary("genbench")) + " --seed 4 mid 150 200 600").status, 0);
  WriteFile(dir.file("fl.prm"), ExamplePrm("layers 1 sparearea 15 seed 4 time_limit 1"));
  const RunResult run = RunChecked(dir, "mid", "mid");
  EXPECT_NE(run.output.find("The true outline again.\n"), std::string::npos) << run.output;
  EXPECT_EQ(Fpcheck(dir, "--require-fit mid").status, 0);
}

// Two chains from seed s are the single runs with seeds s and s + 1: the
// kept result is one of theirs, from the run that fits when only one does,
// and the same seed keeps the same chain. Some seed must keep the second.
TEST(Starts, KeepTheBetterOfTheSingleRuns) {
  int second_kept = 0;
  for (int seed : {3, 7, 9}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    const std::string settings = "sparearea 10 iterations 100 seed ";
    ScratchDir single[2], chains, again;
    int fits[2];
    for (int k = 0; k < 2; ++k) {
      ASSERT_EQ(RunExample(single[k], settings + std::to_string(seed + k)).status, 0);
      fits[k] = Fpcheck(single[k], "--require-fit demo16").status == 0;
    }
    const RunResult run = RunExample(chains, settings + std::to_string(seed) + " starts 2");
    ASSERT_EQ(run.status, 0) << run.output;
    ASSERT_EQ(RunExample(again, settings + std::to_string(seed) + " starts 2").status, 0);
    const int kept = run.output.find("kept chain 2.") != std::string::npos;
    for (const char* file : {"demo16_final.pl", "demo16_layer_0.plt", "demo16_layer_1.plt"})
      EXPECT_EQ(ReadFile(chains.file(file)), ReadFile(single[kept].file(file))) << file;
    EXPECT_EQ(ReadFile(chains.file("demo16_final.pl")), ReadFile(again.file("demo16_final.pl")));
    EXPECT_GE(fits[kept], fits[1 - kept]);
    second_kept += kept;
    // Only the kept chain reports and writes, under its own number and seed.
    EXPECT_EQ(Count(run.output, "Optimal Area:"), 1);
    EXPECT_EQ(Count(run.output, "Annealing chain " + std::to_string(kept + 1) + " of 2, seed " +
                                    std::to_string(seed + kept) + ".\n"),
              1);
    EXPECT_EQ(Count(ReadFile(chains.file("demo16.txt")), "\nCircuit:demo16\n"), 1);
    EXPECT_EQ(run.output.substr(run.output.size() - 26), " *** normally terminated.\n");
  }
  EXPECT_GT(second_kept, 0);
}

// A chain killed midway is lost and the other's result is kept; a stop
// signal to the run reaches every chain, and the run waits for them, says so
// and leaves the earlier results as they were. The signal comes once both
// chains exist, which then run for seconds.
TEST(Starts, ALostChainLosesNothingAndAStopReachesEveryChain) {
  for (const char* signal : {"KILL the first chain", "TERM the run"}) {
    SCOPED_TRACE(signal);
    const bool whole_run = std::string(signal).find("run") != std::string::npos;
    ScratchDir dir;
    CopyExample(dir);
    WriteFile(dir.file("fl.prm"), ExamplePrm("seed 3 time_limit 3 starts 2"));
    WriteFile(dir.file("demo16_layer_0.plt"), "the drawing of the placement beside it\n");
    const std::string children = "/proc/$run/task/$run/children";
    const RunResult run = RunIn(
        dir.path(), Quoted(TierplanBinary()) + " demo16 & run=$!\n" + "until [ \"$(wc -w < " + children +
                        ")\" -ge 2 ]; do sleep 0.05; done\n" + "chains=$(cat " + children + ")\n" +
                        (whole_run ? "sleep 0.5; kill -TERM $run\n" : "kill -KILL ${chains%% *}\n") +
                        "wait $run; echo \"status $?\"\n" +
                        "for c in $chains; do kill -0 $c 2>/dev/null && echo alive; done\n");
    EXPECT_EQ(run.output.find("alive"), std::string::npos) << run.output;
    if (whole_run) {
      EXPECT_NE(run.output.find("Error: stopped by signal 15; the results of this run are not all written.\n"
                                "status 143\n"),
                std::string::npos)
          << run.output;
      // Half a second into the annealing, the start's drawing did not replace it.
      EXPECT_FALSE(FileExists(dir.file("demo16_final.pl")));
      EXPECT_EQ(ReadFile(dir.file("demo16_layer_0.plt")), "the drawing of the placement beside it\n");
    } else {
      EXPECT_NE(run.output.find("Warning: annealing chain 1 of 2 lost: killed by signal 9.\n"
                                "2 annealing chains from seed 3: kept chain 2.\n"),
                std::string::npos)
          << run.output;
      EXPECT_NE(run.output.find(" *** normally terminated.\nstatus 0\n"), std::string::npos);
      EXPECT_EQ(Fpcheck(dir, "demo16").status, 0);
    }
  }
}

}  // namespace
