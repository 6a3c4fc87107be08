// End-to-end runs with via planning switched on: the reports' growth over
// runs and the capacity check.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "e2e/checked_run.h"
#include "test_support.h"

using namespace testing_support;

namespace {

const std::string kHeader =
    "net; via; grid_size; MLlowerbound; MLLR; time; netbynet; time; layerbylayer; time; "
    "lowerbound; LR; time;\n";

RunResult RunWith(const ScratchDir& dir, const std::string& settings) {
  WriteFile(dir.file("fl.prm"), ExamplePrm("seed 7\n" + settings));
  return RunIn(dir.path(), Quoted(TierplanBinary()) + " demo16");
}

// Every piece occurs in `text`, in the order given.
void ExpectInOrder(const std::string& text, std::initializer_list<std::string> pieces) {
  size_t at = 0;
  for (const std::string& piece : pieces) {
    const size_t found = text.find(piece, at);
    ASSERT_NE(found, std::string::npos) << "missing after offset " << at << ": " << piece << "\n" << text;
    at = found + piece.size();
  }
}

// A table row of the stages' figures; the next run appends to every report.
// (What one run writes is kept in tests/golden/demo16_vias.)
TEST(ViaPlanningRun, WritesATableRowAndAppendsOnTheNextRun) {
  ScratchDir dir;
  CopyExample(dir);
  ASSERT_EQ(RunWith(dir, "svia_assignment 1").status, 0);
  const std::string table = ReadFile(dir.file("vp_table1.txt"));
  EXPECT_TRUE(
      std::regex_match(table, std::regex(kHeader + R"(\d+; \d+; 10x10; (-?[0-9]+\.[0-9]{2}; ){7}\n)")))
      << table;
  const std::string log = ReadFile(dir.file("via_assignment.txt"));
  ASSERT_EQ(RunWith(dir, "svia_assignment 1").status, 0);
  const std::string tables = ReadFile(dir.file("vp_table1.txt"));
  EXPECT_EQ(Count(tables, kHeader), 2);
  EXPECT_EQ(Count(tables, "10x10; "), 2);
  EXPECT_EQ(ReadFile(dir.file("via_assignment.txt")).size() / log.size(), 2u);
  const std::string runtimes = ReadFile(dir.file("via_rt.txt"));
  EXPECT_EQ(Count(runtimes, "demo16:"), 2);
  EXPECT_EQ(Count(runtimes, "[LOWERBOUND]"), 2);  // the first relaxation of each run only
}

TEST(ViaPlanningRun, TooFewPositionsStopTheRunBeforeAnyAssignment) {
  ScratchDir dir;
  CopyExample(dir);
  // One cell per tier holds at most four vias; three tiers need more.
  RunResult run = RunWith(dir, "layers 3\nsvia_assignment 1\nsignalvia_gridx 1\nsignalvia_gridy 1");
  EXPECT_EQ(run.status, 255) << run.output;
  ExpectInOrder(run.output, {"Layer 1: 4 positions for ", "Warning: via positions on layer 1 is not enough\n",
                             "Layer 2: "});
  EXPECT_EQ(run.output.find("Net by Net"), std::string::npos);
  EXPECT_EQ(run.output.find("normally terminated"), std::string::npos);
  // The reports keep whole lines only: the stopped run's row and runtime
  // line are not begun.
  EXPECT_EQ(ReadFile(dir.file("vp_table1.txt")), kHeader);
  EXPECT_FALSE(FileExists(dir.file("via_rt.txt")));
}

}  // namespace
