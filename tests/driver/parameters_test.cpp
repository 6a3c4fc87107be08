#include "driver/parameters.h"

#include <gtest/gtest.h>

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

}  // namespace
