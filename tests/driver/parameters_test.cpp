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

TEST(SetSizeParametersTest, DepthFollowsTheBlockCount) {
  for (auto [n, depth] : {std::pair{1, 1}, {16, 16}, {50, 50}, {100, 50}, {1000, 88}, {3300, 217}}) {
    tagPARAMETERS p = Defaults();
    SetSizeParameters(&p, n);
    EXPECT_EQ(std::vector<int>({p.depthmax, p.giveup, p.movenode}), std::vector<int>({depth, 5 * n, n})) << n;
  }
}

// A file's text, the block count, its echo and the integer fields it leaves.
struct PrmCase {
  std::string text;
  int n;
  std::string echo;
  std::vector<std::pair<int tagPARAMETERS::*, int>> fields;
};

// Comments anywhere, the last occurrence winning, unknown (case-sensitive)
// keywords consuming a value, a word read as the value 0 and then as the
// next keyword, four pairs to an echo line, and a file that ends without
// "end" in a comment; a 99-character word is still read (and unknown), and
// nothing after "end" counts; percent keywords truncate toward zero and
// saturate.
TEST(InputPrmTest, EchoAndFields) {
  using P = tagPARAMETERS;
  const std::string k99(99, 'k');
  const PrmCase cases[] = {
      {"* leading layers 7\nipcand 4 Layers 3\n   * indented ipcand 8\nipcand abc 6 *trailing iterations 1\n"
       "*\nsor 185 iterations -40 ipcand 5\n* last",
       10,
       "( ipcand    :    4) Layers ?( Layers    :    3)( ipcand    :    0) abc ?( abc       :    6)\n"
       "( sor       :  185)( iterations:  -40)( ipcand    :    5)\n",
       {{&P::layers, 2}, {&P::ipcand, 5}, {&P::iterations, -40}}},
      {k99 + " 17 layers 4 end 0 layers 5\n",
       10,
       " " + k99 + " ?( " + k99 + ":   17)( layers    :    4)\n",
       {{&P::layers, 4}}},
      {"giveup 50 depthmax -99 movenode 250\nend\n",
       40,
       "( giveup    :   50)( depthmax  :  -99)( movenode  :  250)\n",
       {{&P::giveup, 20}, {&P::depthmax, -39}, {&P::movenode, 100}}},
      {"giveup 60000000 movenode 100000000 depthmax -2000000000 end\n",
       3300,
       "( giveup    : 60000000)( movenode  : 100000000)( depthmax  : -2000000000)\n",
       {{&P::giveup, 1980000000}, {&P::movenode, INT_MAX}, {&P::depthmax, INT_MIN}}},
  };
  for (const PrmCase& c : cases) {
    tagPARAMETERS p = Defaults();
    EXPECT_EQ(ReadPrm(c.text, &p, c.n), c.echo);
    for (const auto& [field, value] : c.fields) EXPECT_EQ(p.*field, value) << c.text;
  }
}

}  // namespace
