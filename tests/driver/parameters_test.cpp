#include "driver/parameters.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using namespace testing_support;

// A record full of garbage, so a field InitParameters forgets shows up.
tagPARAMETERS Defaults() {
  tagPARAMETERS p;
  std::memset(&p, 0xAB, sizeof p);
  EXPECT_EQ(InitParameters(&p), 0);
  return p;
}

// Reads `text` as a parameter file over `p`; returns what was printed.
std::string ReadPrm(const std::string& text, tagPARAMETERS* p, int n) {
  ScratchDir dir;
  WriteFile(dir.file("fl.prm"), text);
  CaptureStdout capture;
  EXPECT_EQ(InputPrm(dir.file("fl.prm").c_str(), p, n), 0);
  return capture.Finish();
}

// The bundled example names every default it relies on; reading it over the
// defaults changes nothing but the seed, so a changed default or scale shows.
TEST(InitParametersTest, TheBundledExampleStatesTheDefaults) {
  tagPARAMETERS p = Defaults();
  tagPARAMETERS example;
  std::memcpy(&example, &p, sizeof p);  // byte copy, padding included
  ReadPrm(ReadFile(SourceDir() + "/examples/fl.prm"), &example, 10);
  EXPECT_EQ(example.seed, 1);
  example.seed = p.seed;
  EXPECT_EQ(std::memcmp(&example, &p, sizeof p), 0);
}

// The keyword table against what users read: every keyword examples/fl.prm
// sets and every one the README's parameter table names is a row, with its
// help, and the example's values lie in their rows' ranges.
TEST(KeywordRulesTest, CoverTheExampleAndTheReadme) {
  std::map<std::string, KeywordRule> rules;
  for (const KeywordRule& rule : KeywordRules()) {
    EXPECT_TRUE(rules.emplace(rule.name, rule).second) << rule.name;
    EXPECT_GT(std::strlen(rule.help), 0u) << rule.name;
  }
  std::istringstream example(ReadFile(SourceDir() + "/examples/fl.prm"));
  for (std::string line; std::getline(example, line);) {
    std::istringstream pairs(line[0] == '*' ? "" : line);
    int value = 0;
    for (std::string name; pairs >> name && name != "end" && pairs >> value;) {
      const auto rule = rules.find(name);
      ASSERT_NE(rule, rules.end()) << name;
      EXPECT_TRUE(value >= rule->second.lo && value <= rule->second.hi) << name << " " << value;
    }
  }
  const std::string readme = ReadFile(SourceDir() + "/README.md");
  const size_t from = readme.find("## Parameters"), to = readme.find("\n## ", from);
  std::istringstream table(readme.substr(from, to - from));
  int named = 0;
  for (std::string row; std::getline(table, row);) {
    if (row.rfind("| `", 0) != 0) continue;
    const std::string cell = row.substr(0, row.find(" |", 2));
    for (size_t open = cell.find('`'); open != std::string::npos;
         open = cell.find('`', cell.find('`', open + 1) + 1)) {
      std::string name = cell.substr(open + 1, cell.find('`', open + 1) - open - 1);
      // "signalvia_gridx/y" names two keywords.
      const bool pair = name.size() > 2 && name.compare(name.size() - 2, 2, "/y") == 0;
      if (pair) name.resize(name.size() - 2);
      for (const std::string& keyword :
           pair ? std::vector<std::string>{name, name.substr(0, name.size() - 1) + "y"}
                : std::vector<std::string>{name}) {
        EXPECT_EQ(rules.count(keyword), 1u) << keyword;
        ++named;
      }
    }
  }
  EXPECT_GT(named, 20);
}

}  // namespace
