#include "driver/parameters.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <utility>
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

// Reads `text` as a parameter file over the defaults; returns what was printed.
std::string ReadPrm(const std::string& text, tagPARAMETERS* p, int n) {
  ScratchDir dir;
  std::string path = dir.file("fl.prm");
  WriteFile(path, text);
  CaptureStdout capture;
  EXPECT_EQ(InputPrm(path.c_str(), p, n), 0);
  return capture.Finish();
}

// The bundled example names every default it relies on; reading it over the
// defaults changes nothing but the seed, so a changed default or scale shows.
TEST(InitParametersTest, TheBundledExampleStatesTheDefaults) {
  tagPARAMETERS p = Defaults();
  tagPARAMETERS example;
  std::memcpy(&example, &p, sizeof p);  // byte copy, padding included
  ReadPrm(testing_support::ReadFile(testing_support::SourceDir() + "/examples/fl.prm"), &example, 10);
  EXPECT_EQ(example.seed, 1);
  example.seed = p.seed;
  EXPECT_EQ(std::memcmp(&example, &p, sizeof p), 0);
}

TEST(SetSizeParametersTest, DepthFollowsTheBlockCount) {
  struct Case {
    int n, depth;
  } cases[] = {{1, 1}, {16, 16}, {49, 49}, {50, 50}, {100, 50}, {1000, 88}, {3000, 202}, {3300, 217}};
  for (const Case& c : cases) {
    tagPARAMETERS p = Defaults();
    SetSizeParameters(&p, c.n);
    EXPECT_EQ(p.depthmax, c.depth) << "n " << c.n;
    EXPECT_EQ(p.giveup, 5 * c.n);
    EXPECT_EQ(p.movenode, c.n);
  }
}

TEST(InputPrmTest, PercentKeywordsTruncateAndDoNotOverflow) {
  tagPARAMETERS p = Defaults();
  ReadPrm("giveup 50 depthmax 1 movenode 250\nend\n", &p, 40);
  EXPECT_EQ(p.giveup, 20);
  EXPECT_EQ(p.depthmax, 0);
  EXPECT_EQ(p.movenode, 100);
  ReadPrm("giveup 1 depthmax -99\nend\n", &p, 40);
  EXPECT_EQ(p.giveup, 0);
  EXPECT_EQ(p.depthmax, -39);  // toward zero
  ReadPrm("giveup 2000000000 movenode 100000000 depthmax -2000000000\nend\n", &p, 3300);
  EXPECT_EQ(p.movenode, INT_MAX);
  EXPECT_EQ(p.giveup, INT_MAX);
  EXPECT_EQ(p.depthmax, INT_MIN);
  ReadPrm("giveup 60000000\nend\n", &p, 3300);  // product beyond int, share within
  EXPECT_EQ(p.giveup, 1980000000);
}

TEST(InputPrmTest, EchoFourPairsToALine) {
  tagPARAMETERS p = Defaults();
  std::string out = ReadPrm(
      "giveup 50 ipcand 4\nlayers 3 opt_method 0\nsor 185 cooling_ratio_x -1\n"
      "start_tempe 123456 deltvia_wgt 10000\nend\n",
      &p, 40);
  EXPECT_EQ(out,
            "( giveup    :   50)( ipcand    :    4)( layers    :    3)( opt_method:    0)\n"
            "( sor       :  185) cooling_ratio_x ?( cooling_ratio_x:   -1)"
            "( start_tempe: 123456)( deltvia_wgt: 10000)\n"
            "\n");
}

// A file's text, its echo, and the integer fields it leaves behind.
struct PrmCase {
  const char* label;
  std::string text, echo;
  std::vector<std::pair<int tagPARAMETERS::*, int>> fields;
};

class InputPrmCases : public testing::TestWithParam<PrmCase> {};

TEST_P(InputPrmCases, EchoAndFields) {
  const PrmCase& c = GetParam();
  tagPARAMETERS p = Defaults();
  EXPECT_EQ(ReadPrm(c.text, &p, 10), c.echo);
  for (const auto& [field, value] : c.fields) EXPECT_EQ(p.*field, value);
}

const std::string kWord99(99, 'k');

INSTANTIATE_TEST_SUITE_P(
    Syntax, InputPrmCases,
    testing::Values(
        PrmCase{"end_as_first_word_stops_reading",
                "end layers 3\nopt_method 0\n",
                "\n",
                {{&tagPARAMETERS::layers, 2}, {&tagPARAMETERS::opt_method, 1}}},
        PrmCase{"pairs_after_end_are_ignored",
                "layers 4\nend 0\nlayers 5\n",
                "( layers    :    4)\n",
                {{&tagPARAMETERS::layers, 4}}},
        PrmCase{"last_occurrence_wins",
                "ipcand 4\nipcand 9 ipcand 6\nend\n",
                "( ipcand    :    4)( ipcand    :    9)( ipcand    :    6)\n",
                {{&tagPARAMETERS::ipcand, 6}}},
        PrmCase{"keywords_are_case_sensitive",
                "Layers 3\nend\n",
                " Layers ?( Layers    :    3)\n",
                {{&tagPARAMETERS::layers, 2}}},
        PrmCase{"comments_anywhere_between_pairs",
                "* leading comment layers 7\nlayers 3\n   * indented comment ipcand 8\n"
                "ipcand 5 *trailing comment iterations 1\n*\niterations 40\nend\n",
                "( layers    :    3)( ipcand    :    5)( iterations:   40)\n",
                {{&tagPARAMETERS::layers, 3}, {&tagPARAMETERS::ipcand, 5}, {&tagPARAMETERS::iterations, 40}}},
        PrmCase{"unknown_keyword_value_is_consumed",
                "bogus 7 layers 3\nend\n",
                " bogus ?( bogus     :    7)( layers    :    3)\n",
                {{&tagPARAMETERS::layers, 3}}},
        PrmCase{"file_without_end_stops_at_end_of_file",
                "layers 3\nipcand 2",
                "( layers    :    3)( ipcand    :    2)\n",
                {{&tagPARAMETERS::layers, 3}, {&tagPARAMETERS::ipcand, 2}}},
        PrmCase{"only_a_comment", "* only a comment", "\n", {{&tagPARAMETERS::layers, 2}}},
        PrmCase{"keyword_of_99_characters_is_unknown",
                kWord99 + " 17\nend\n",
                " " + kWord99 + " ?( " + kWord99 + ":   17)\n",
                {}},
        PrmCase{"seed", "seed 12345\nend\n", "( seed      : 12345)\n", {{&tagPARAMETERS::seed, 12345}}},
        // "ipcand" takes 0 and "abc" then stands as the next keyword.
        PrmCase{"non_numeric_value_reads_as_zero",
                "ipcand abc 4\nend\n",
                "( ipcand    :    0) abc ?( abc       :    4)\n",
                {{&tagPARAMETERS::ipcand, 0}}}),
    [](const testing::TestParamInfo<PrmCase>& p) { return std::string(p.param.label); });

}  // namespace
