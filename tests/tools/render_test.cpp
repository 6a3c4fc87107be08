// The picture script: gnuplot turns the floorplanner's drawings into PNG and SVG.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

using namespace testing_support;

namespace {

std::string Render() { return "'" + SourceDir() + "/tools/render'"; }

bool HaveGnuplot() { return RunIn("/", "command -v gnuplot").status == 0; }

// A PNG file that is more than its signature.
bool IsPng(const std::string& path) {
  std::string data = FileExists(path) ? ReadFile(path) : "";
  return data.size() > 1000 && data.compare(0, 8, "\x89PNG\r\n\x1a\n") == 0;
}

TEST(Render, DrawsEveryTierAndAnOverviewOfARealRun) {
  if (!HaveGnuplot()) GTEST_SKIP() << "gnuplot is not installed";
  ScratchDir dir;
  CopyExample(dir);
  WriteFile(dir.file("fl.prm"), ExamplePrm("layers 3 iterations 100"));
  ASSERT_EQ(RunIn(dir.path(), "'" + TierplanBinary() + "' demo16").status, 0);

  RunResult r = RunIn(dir.path(), Render() + " -o pictures demo16");
  ASSERT_EQ(r.status, 0) << r.output;
  EXPECT_EQ(r.output, "");  // gnuplot accepted every line
  for (const char* name : {"demo16_layer_0", "demo16_layer_1", "demo16_layer_2", "demo16_tiers"}) {
    EXPECT_TRUE(IsPng(dir.file(std::string("pictures/") + name + ".png"))) << name;
    std::string svg = ReadFile(dir.file(std::string("pictures/") + name + ".svg"));
    EXPECT_NE(svg.find("<svg"), std::string::npos) << name;
  }
  EXPECT_FALSE(FileExists(dir.file("pictures/demo16_layer_3.png")));
  EXPECT_FALSE(FileExists(dir.file("pictures/via_dist_demo16.png")));
}

TEST(Render, RefusesWhatItCannotDraw) {
  ScratchDir dir;
  const RunResult r = RunIn(dir.path(), Render() + " nothing");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.output.find("no nothing_layer_0.plt"), std::string::npos) << r.output;
  for (const char* args : {"", " a b", " --outline 40x40 a"})
    EXPECT_EQ(RunIn(dir.path(), Render() + args).status, 2);
}

}  // namespace
