// The synthetic benchmark generator: its files, their determinism and its refusals.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "test_support.h"

using namespace testing_support;

namespace {

RunResult Genbench(const ScratchDir& dir, const std::string& args) {
  return RunIn(dir.path(), "'" + ToolBinary("genbench") + "' " + args);
}

std::string ReadAll(const ScratchDir& dir, const std::string& base) {
  return ReadFile(dir.file(base + ".blocks")) + ReadFile(dir.file(base + ".nets")) +
         ReadFile(dir.file(base + ".pl"));
}

TEST(Genbench, SameArgumentsWriteTheSameFiles) {
  ScratchDir first, second;
  ASSERT_EQ(Genbench(first, "--seed 7 g 120 80 400").status, 0);
  ASSERT_EQ(Genbench(second, "--seed 7 g 120 80 400").status, 0);
  EXPECT_EQ(ReadAll(first, "g"), ReadAll(second, "g"));
  ASSERT_EQ(Genbench(second, "--seed 8 g 120 80 400").status, 0);
  EXPECT_NE(ReadFile(first.file("g.nets")), ReadFile(second.file("g.nets")));
}

// Square-ish blocks, the degrees asked for, no pin twice in a net, every
// block and terminal used.
TEST(Genbench, FilesHoldWhatWasAskedFor) {
  ScratchDir dir;
  ASSERT_EQ(Genbench(dir, "--seed 3 --degrees 2:5,3:3,7:1 g 50 40 300").status, 0);
  const std::string blocks = ReadFile(dir.file("g.blocks"));
  EXPECT_NE(blocks.find("NumHardRectilinearBlocks : 50\nNumTerminals : 40\n"), std::string::npos);
  const std::regex block_line(R"(sb\d+ hardrectilinear 4 \(0, 0\) \(0, (\d+)\) \((\d+), \1\) \(\2, 0\))");
  int block_count = 0;
  for (std::sregex_iterator it(blocks.begin(), blocks.end(), block_line), end; it != end; ++it, ++block_count)
    EXPECT_TRUE(std::stoi((*it)[2]) <= 4 * std::stoi((*it)[1]) &&
                std::stoi((*it)[1]) <= 4 * std::stoi((*it)[2]));
  EXPECT_EQ(block_count, 50);
  std::istringstream nets(ReadFile(dir.file("g.nets")));
  std::set<std::string> used, in_net;
  std::map<int, int> degrees;
  for (std::string line; std::getline(nets, line);) {
    int d;
    if (std::sscanf(line.c_str(), "NetDegree : %d", &d) == 1) {
      ++degrees[d];
      in_net.clear();
    } else if (line.size() > 2 && line.substr(line.size() - 2) == " B") {
      EXPECT_TRUE(in_net.insert(line).second) << "pin repeated in a net: " << line;
      used.insert(line);
    }
  }
  EXPECT_EQ(degrees[2] + degrees[3] + degrees[7], 300);
  EXPECT_GT(degrees[2], degrees[3]);
  EXPECT_GT(degrees[7], 0);
  EXPECT_EQ(used.size(), 90u);
}

TEST(Genbench, RefusesArgumentsOutOfRange) {
  ScratchDir dir;
  for (const char* args : {"g 0 10 10", "g 3301 10 10", "g 10 -1 10", "g 10 10", "--degrees 1:5 g 10 10 10",
                           "--degrees 2:0 g 10 10 10", "--long 101 g 10 10 10", "--colour red g 10 10 10",
                           "abcdefghijabcdefghijabcdefghijxy 10 10 10"}) {
    const RunResult r = Genbench(dir, args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.output;
    EXPECT_NE(r.output.find("usage: genbench"), std::string::npos) << r.output;
  }
  EXPECT_FALSE(FileExists(dir.file("g.blocks")));
}

}  // namespace
