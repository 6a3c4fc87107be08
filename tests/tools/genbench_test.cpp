// The synthetic benchmark generator: its files, their determinism, and a run
// of the floorplanner on them checked by fpcheck.
#include <gtest/gtest.h>

#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "test_support.h"

using namespace testing_support;

namespace {

std::string Tool(const std::string& name) { return "'" + ToolBinary(name) + "'"; }

RunResult Genbench(const ScratchDir& dir, const std::string& args) { return RunIn(dir.path(), Tool("genbench") + " " + args); }

std::string ReadAll(const ScratchDir& dir, const std::string& base) {
  return ReadFile(dir.file(base + ".blocks")) + ReadFile(dir.file(base + ".nets")) + ReadFile(dir.file(base + ".pl"));
}

TEST(Genbench, SameArgumentsWriteTheSameFiles) {
  ScratchDir first, second;
  ASSERT_EQ(Genbench(first, "--seed 7 g 120 80 400").status, 0);
  ASSERT_EQ(Genbench(second, "--seed 7 g 120 80 400").status, 0);
  EXPECT_EQ(ReadAll(first, "g"), ReadAll(second, "g"));
  ASSERT_EQ(Genbench(second, "--seed 8 g 120 80 400").status, 0);
  EXPECT_NE(ReadFile(first.file("g.nets")), ReadFile(second.file("g.nets")));
}

TEST(Genbench, FilesHoldWhatWasAskedFor) {
  ScratchDir dir;
  ASSERT_EQ(Genbench(dir, "--seed 3 --degrees 2:5,3:3,7:1 g 50 40 300").status, 0);
  std::string blocks = ReadFile(dir.file("g.blocks"));
  EXPECT_NE(blocks.find("NumHardRectilinearBlocks : 50\nNumTerminals : 40\n"), std::string::npos);
  std::regex block_line(R"(sb\d+ hardrectilinear 4 \(0, 0\) \(0, (\d+)\) \((\d+), (\d+)\) \((\d+), 0\))");
  int block_count = 0;
  for (std::sregex_iterator it(blocks.begin(), blocks.end(), block_line), end; it != end; ++it) {
    ++block_count;
    EXPECT_EQ((*it)[1], (*it)[3]);
    EXPECT_EQ((*it)[2], (*it)[4]);
    int w = std::stoi((*it)[2]), h = std::stoi((*it)[1]);
    EXPECT_TRUE(w > 0 && h > 0 && w <= 4 * h && h <= 4 * w) << w << " x " << h;
  }
  EXPECT_EQ(block_count, 50);

  // Nets: the declared count, degrees from the list, distinct pins, every
  // block and every terminal used.
  std::istringstream nets(ReadFile(dir.file("g.nets")));
  std::string line;
  std::set<std::string> used;
  std::map<int, int> degrees;
  int declared = -1, declared_pins = -1, pins = 0;
  std::set<std::string> in_net;
  while (std::getline(nets, line)) {
    int d;
    if (std::sscanf(line.c_str(), "NumNets : %d", &d) == 1) declared = d;
    else if (std::sscanf(line.c_str(), "NumPins : %d", &d) == 1) declared_pins = d;
    else if (std::sscanf(line.c_str(), "NetDegree : %d", &d) == 1) ++degrees[d], in_net.clear();
    else if (line.size() > 2 && line.substr(line.size() - 2) == " B") {
      std::string name = line.substr(0, line.size() - 2);
      EXPECT_TRUE(in_net.insert(name).second) << "pin repeated in a net: " << name;
      used.insert(name);
      ++pins;
    }
  }
  EXPECT_EQ(declared, 300);
  EXPECT_EQ(declared_pins, pins);
  EXPECT_EQ(degrees[2] + degrees[3] + degrees[7], 300);
  EXPECT_GT(degrees[7], 0);
  EXPECT_GT(degrees[2], degrees[3]);
  EXPECT_EQ(used.size(), 90u);

  // Terminals lie on the border of the square spanned by their positions.
  std::istringstream pl(ReadFile(dir.file("g.pl")));
  int max_x = 0, max_y = 0, terminals = 0;
  std::vector<std::pair<int, int>> pos;
  while (std::getline(pl, line)) {
    int x, y;
    char name[64];
    if (std::sscanf(line.c_str(), "%63s %d %d", name, &x, &y) == 3 && name[0] == 'p') {
      pos.emplace_back(x, y);
      max_x = std::max(max_x, x), max_y = std::max(max_y, y);
      ++terminals;
    }
  }
  EXPECT_EQ(terminals, 40);
  EXPECT_EQ(max_x, max_y);
  for (auto& p : pos)
    EXPECT_TRUE(p.first == 0 || p.second == 0 || p.first == max_x || p.second == max_y) << p.first << "," << p.second;
}

TEST(Genbench, RefusesArgumentsOutOfRange) {
  ScratchDir dir;
  for (const char* args : {"g 0 10 10", "g 3301 10 10", "g 10 -1 10", "g 10 10", "--degrees 1:5 g 10 10 10",
                           "--degrees 2:0 g 10 10 10", "--long 101 g 10 10 10", "--colour red g 10 10 10",
                           "abcdefghijabcdefghijabcdefghijxy 10 10 10"}) {
    RunResult r = Genbench(dir, args);
    EXPECT_EQ(r.status, 2) << args << "\n" << r.output;
    EXPECT_NE(r.output.find("usage: genbench"), std::string::npos) << r.output;
  }
  EXPECT_FALSE(FileExists(dir.file("g.blocks")));
}

}  // namespace
