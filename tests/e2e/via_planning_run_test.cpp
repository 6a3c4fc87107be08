// End-to-end runs with via planning switched on: the report files, their
// growth over runs, the capacity check, and nothing at all when it is off.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "test_support.h"

using namespace testing_support;

namespace {

const char* kReports[] = {"vp_table1.txt", "via_assignment.txt", "via_rt.txt",
                          "via_dist_demo16_0.gp", "via_dist_demo16_1.gp"};

const std::string kHeader =
    "net; via; grid_size; MLlowerbound; MLLR; time; netbynet; time; layerbylayer; time; "
    "lowerbound; LR; time;\n";

RunResult RunWith(const ScratchDir& dir, const std::string& settings) {
  WriteFile(dir.file("fl.prm"), ExamplePrm("seed 7\n" + settings));
  return RunIn(dir.path(), "'" + TierplanBinary() + "' demo16");
}

int Count(const std::string& text, const std::string& piece) {
  int count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1))
    ++count;
  return count;
}

// Every piece occurs in `text`, in the order given.
void ExpectInOrder(const std::string& text, std::initializer_list<std::string> pieces) {
  size_t at = 0;
  for (const std::string& piece : pieces) {
    const size_t found = text.find(piece, at);
    ASSERT_NE(found, std::string::npos)
        << "missing after offset " << at << ": " << piece << "\n--- in ---\n"
        << text;
    at = found + piece.size();
  }
}

TEST(ViaPlanningRun, WritesEveryReportWithItsPiecesAndAppendsOnTheNextRun) {
  ScratchDir dir;
  CopyExample(dir);
  RunResult run = RunWith(dir, "svia_assignment 1");
  ASSERT_EQ(run.status, 0) << run.output;
  ExpectInOrder(
      run.output,
      {"\nBegin inter-layer via planning......\n",
       "Real Area Usage: ", "The number of nets demand vias: ", "Layer 1: ", " positions for ",
       "[SETUP]\n[Grid Dimension:10 X 10\nSignal Via Size: 25.00 (Norm:25.00)\n"
       "setDimOrSize 0\nBlock size expand (size_expand)0.00\n"
       "sv_sizex 4.00 (Norm:4.00)\nsv_sizey 4.00 (Norm:4.00)\n"
       "Grid Size:16.00 (Norm:16.00);]\n\n",
       "Beginning Signal Via Assignment Net by Net...\n",
       "[NETBYNET][via_inserted:", "Upper Bound Updated: --> 2147483647.00\n",
       "Viaed Net Wire length(net by net): ", "Begin min-cost max-flow based assignment ...\n",
       "Viaed Net Wire length: ", "Inter-layer Via Planning Time:", " *** normally terminated.\n"});

  const std::string table = ReadFile(dir.file("vp_table1.txt"));
  EXPECT_TRUE(std::regex_match(
      table, std::regex(kHeader + R"(\d+; \d+; 10x10; (-?[0-9]+\.[0-9]{2}; ){7}\n)")))
      << table;

  const std::string log = ReadFile(dir.file("via_assignment.txt"));
  EXPECT_TRUE(
      std::regex_search(log, std::regex(R"(^demo16;nets:27;area:[0-9]+\.[0-9]{2}; )"
                                        R"(wire0:[0-9]+\.[0-9]{2};\n\n\[NETS\]\[net_num:)")))
      << log;
  ExpectInOrder(log, {"[SETUP][grid:10x10;viasize:25.00;sv_sizex:4.00;sv_sizey 4.00;"
                      "size_expand:0.00;Grid Size:16.00;]\n",
                      "[NETBYNET][via_inserted:", ";]\n", "[LAYERBYLAYER][wire2(ub)1:",
                      "[LAGRAGIAN_TOTAL][viaed_wire: ", "; failed viaed:0; time:"});
  EXPECT_EQ(log.substr(log.size() - 3), "]\n\n");

  const std::string rt = ReadFile(dir.file("via_rt.txt"));
  EXPECT_TRUE(std::regex_match(rt, std::regex(R"(demo16:\[NETBYNET\]\[via_inserted:\d+; wire:)"
                                              R"([0-9.]+; time:[0-9.]+;\]\[LAYERBYLAYER\].*)"
                                              R"(\[LAGRAGIAN_TOTAL\]\[viaed_wire: [0-9.]+; )"
                                              R"(failed viaed:0; time:[0-9.]+;\]\n)")))
      << rt;

  for (int tier = 0; tier < 2; ++tier) {
    const std::string plot = ReadFile(dir.file("via_dist_demo16_" + std::to_string(tier) + ".gp"));
    EXPECT_EQ(plot.rfind("set nokey\n\n\nplot '-' w l\n0 0\n0 ", 0), 0u) << plot;
    const std::string tail = "EOF\n\npause -1 'Press any key'\n";
    EXPECT_EQ(plot.substr(plot.size() - tail.size()), tail);
  }

  // A second run appends a header and a row, and repeats the log but for times.
  ASSERT_EQ(RunWith(dir, "svia_assignment 1").status, 0);
  const std::string tables = ReadFile(dir.file("vp_table1.txt"));
  EXPECT_EQ(Count(tables, kHeader), 2);
  EXPECT_EQ(Count(tables, "\n"), 4);
  EXPECT_EQ(Count(tables, "10x10; "), 2);
  EXPECT_EQ(ReadFile(dir.file("via_assignment.txt")).size() / log.size(), 2u);
  EXPECT_EQ(Count(ReadFile(dir.file("via_rt.txt")), "demo16:"), 2);
}

TEST(ViaPlanningRun, SwitchedOffTouchesNoReport) {
  ScratchDir dir;
  CopyExample(dir);
  RunResult run = RunWith(dir, "svia_assignment 0");
  ASSERT_EQ(run.status, 0) << run.output;
  EXPECT_EQ(run.output.find("via planning"), std::string::npos);
  for (const char* name : kReports) EXPECT_FALSE(FileExists(dir.file(name))) << name;
}

TEST(ViaPlanningRun, TooFewPositionsStopTheRunBeforeAnyAssignment) {
  ScratchDir dir;
  CopyExample(dir);
  // One cell per tier holds at most four vias; three tiers need more.
  RunResult run = RunWith(dir, "layers 3\nsvia_assignment 1\nsignalvia_gridx 1\nsignalvia_gridy 1");
  EXPECT_EQ(run.status, 255) << run.output;
  ExpectInOrder(run.output, {"Layer 1: 4 positions for ",
                             "Warning: via positions on layer 1 is not enough\n", "Layer 2: "});
  EXPECT_EQ(run.output.find("Net by Net"), std::string::npos);
  EXPECT_EQ(run.output.find("normally terminated"), std::string::npos);
  // The row stops after the demand counts.
  EXPECT_TRUE(
      std::regex_match(ReadFile(dir.file("vp_table1.txt")), std::regex(kHeader + R"(\d+; \d+; )")));
}

}  // namespace
