#include "e2e/checked_run.h"

#include <gtest/gtest.h>

#include <regex>

namespace testing_support {

namespace {

// The number in the last match of `pattern` (one group), or -1.
double LastNumber(const std::string& text, const std::string& pattern) {
  double found = -1;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
    found = std::stod((*it)[1]);
  return found;
}

}  // namespace

std::string MaskTimes(const std::string& text) {
  static const std::regex labelled(R"(((?:time|Time)\w*[^0-9\n;\]]{0,16})[0-9]+(\.[0-9]+)?)");
  static const std::regex record(R"((\);\s+)[0-9]+\.[0-9]{2}(; ))");
  return std::regex_replace(std::regex_replace(text, labelled, "$1#"), record, "$1#$2");
}

RunResult Fpcheck(const ScratchDir& dir, const std::string& args) {
  return RunIn(dir.path(), Quoted(ToolBinary("fpcheck")) + " " + args);
}

RunResult RunChecked(const ScratchDir& dir, const std::string& args, const std::string& base) {
  RunResult run = RunIn(dir.path(), "ulimit -t 300; " + Quoted(TierplanBinary()) + " " + args);
  EXPECT_EQ(run.status, 0) << args << "\n" << run.output.substr(0, 3000);
  EXPECT_NE(run.output.find(" *** normally terminated.\n"), std::string::npos) << args;
  const RunResult check = Fpcheck(dir, base);
  EXPECT_EQ(check.status, 0) << args << "\n" << check.output;
  // The last summary's net length, and the via count of the statistics record.
  const double hpwl = LastNumber(check.output, "hpwl: ([0-9.]+)\n");
  EXPECT_NEAR(LastNumber(run.output, "Netlength = +([0-9.]+)\n"), hpwl, 0.01 + 1e-6 * hpwl) << args;
  EXPECT_EQ(LastNumber(ReadFile(dir.file(base + ".txt")), "\\( *[0-9.]+\\); (\\d+);"),
            LastNumber(check.output, "vias: (\\d+)\n"))
      << args;
  return run;
}

}  // namespace testing_support
