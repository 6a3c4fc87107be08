// The result checker on small hand-made placements.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "test_support.h"

using namespace testing_support;

namespace {

std::string Fpcheck() { return "'" + ToolBinary("fpcheck") + "'"; }

// Blocks a, b, d of 10 x 10 and c of 20 x 10 (area 500); with 100 % spare
// area over two tiers each tier's outline is sqrt(500) = 22.36 square.
void WriteDesign(const ScratchDir& dir) {
  WriteFile(dir.file("tiny.blocks"),
            "UCSC blocks 1.0\n\nNumSoftRectangularBlocks : 0\nNumHardRectilinearBlocks : 4\n"
            "NumTerminals : 2\n\n"
            "a hardrectilinear 4 (0, 0) (0, 10) (10, 10) (10, 0)\n"
            "b hardrectilinear 4 (0, 0) (0, 10) (10, 10) (10, 0)\n"
            "c hardrectilinear 4 (0, 0) (0, 10) (20, 10) (20, 0)\n"
            "d hardrectilinear 4 (0, 0) (0, 10) (10, 10) (10, 0)\n\n"
            "t1 terminal\nt2 terminal\n");
  WriteFile(dir.file("tiny.pl"), "UCLA pl 1.0\n\na 0 0\nb 0 0\nc 0 0\nd 0 0\n\nt1 0 0\nt2 100 50\n");
  WriteFile(dir.file("tiny.nets"),
            "UCLA nets 1.0\n\nNumNets : 3\nNumPins : 7\n"
            "NetDegree : 2\na B\nb B\n"
            "NetDegree : 2\nt2 B\nd B\n"
            "NetDegree : 3\nt1 B\nc B\nd B\n");
  WriteFile(dir.file("fl.prm"), "* outline\nsparearea 100 aspect_ratio 100\n* tiers\nlayers 2\nend\n");
}

std::string Placement(const std::vector<std::string>& lines) {
  std::string text = "UCSC blocks 1.0\n#name x y direction tier(device layer)\n\n";
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

RunResult Check(const ScratchDir& dir, const std::string& placement, const std::string& options = "") {
  WriteFile(dir.file("tiny_final.pl"), placement);
  return RunIn(dir.path(), Fpcheck() + " " + options + " tiny");
}

// Placements of the tiny design, each with the checker's status (0 legal,
// 1 illegal) and lines its report must hold. The legal one: a and b touch, c
// sits on both, d is on tier 1 above a.
TEST(Fpcheck, JudgesEachPlacement) {
  const std::string a = "a 0 0 0 0", b = "b 10 0 0 0", c = "c 0 10 0 0", d = "d 0 0 0 1";
  struct Case {
    const char* label;
    std::vector<std::string> lines;
    std::string options;
    int status;
    std::vector<std::string> report;
  } cases[] = {
      // Terminal t2 is at the far corner of the 20 x 20 chip: a-b 10, t2-d 30,
      // t1-c-d 25; nets t2-d and t1-c-d each reach from tier 0 to tier 1.
      {"legal_with_touching_edges",
       {a, b, c, d},
       "",
       0,
       {"overlaps: 0 pairs, area 0\n",
        "outline: 22.36 x 22.36 per tier (sparearea 100, aspect_ratio 1.00, layers 2)\n",
        "tier 0: 3 blocks, extent 20 x 20, fits\n", "tier 1: 1 blocks, extent 10 x 10, fits\n",
        "chip: 20 x 20\n", "hpwl: 65.00\n", "vias: 2\n", "result: legal\n"}},
      {"overlap_by_one_unit",
       {a, "b 9 0 0 0", c, d},
       "",
       1,
       {"overlap on tier 0: a and b, area 10\n", "overlaps: 1 pairs, area 10\n", "result: illegal"}},
      // c turned is 10 wide and 20 high: it reaches y 30 and meets b placed at
      // (5, 20); unturned it would only touch b.
      {"turned_block",
       {a, b, "c 0 10 1 0", d},
       "",
       0,
       {"tier 0: 3 blocks, extent 20 x 30, exceeds the outline by 0.00 x 7.64\n"}},
      {"turned_block_meets_another", {a, "b 5 20 0 0", "c 0 10 1 0", d}, "", 1, {"area 50\n"}},
      {"unturned_block_touches_it", {a, "b 5 20 0 0", c, d}, "", 0, {}},
      {"outline_overflow_reported_only",
       {a, b, c, "d 20 0 0 1"},
       "",
       0,
       {"tier 1: 1 blocks, extent 30 x 10, exceeds the outline by 7.64 x 0.00\n",
        "result: legal, exceeds the outline (reported only)\n"}},
      {"outline_overflow_when_fit_is_required", {a, b, c, "d 20 0 0 1"}, "--require-fit", 1, {}},
      {"fit_required_and_met", {a, b, c, d}, "--require-fit", 0, {}},
      {"missing_block", {a, b, c}, "", 1, {"missing block d\n"}},
      {"duplicated_block", {a, b, c, d, "a 40 40 0 1"}, "", 1, {"duplicated block a\n"}},
      {"unknown_block", {a, b, c, d, "e 40 40 0 1"}, "", 1, {"unknown block e\n"}},
      {"tier_too_high", {a, b, c, "d 0 0 0 2"}, "", 1, {"block d is on tier 2 (0 to 1 expected)\n"}},
      {"tier_negative", {a, b, c, "d 0 0 0 -1"}, "", 1, {"block d is on tier -1"}},
      {"bad_orientation", {a, b, c, "d 0 0 8 1"}, "", 1, {"block d has orientation 8"}},
      {"below_the_origin", {a, b, c, "d -1 0 0 1"}, "", 1, {"block d lies below or left of the origin"}},
  };
  ScratchDir dir;
  WriteDesign(dir);
  for (const Case& k : cases) {
    RunResult r = Check(dir, Placement(k.lines), k.options);
    EXPECT_EQ(r.status, k.status) << k.label << "\n" << r.output;
    for (const std::string& line : k.report)
      EXPECT_NE(r.output.find(line), std::string::npos) << k.label << ": " << line << "\n" << r.output;
  }
}

TEST(Fpcheck, UnreadableInputIsNeitherLegalNorIllegal) {
  ScratchDir dir;
  WriteDesign(dir);
  RunResult r = RunIn(dir.path(), Fpcheck() + " tiny");  // no placement written
  EXPECT_EQ(r.status, 2) << r.output;
  EXPECT_NE(r.output.find("cannot open tiny_final.pl"), std::string::npos) << r.output;
  r = Check(dir, Placement({"a 0 zero 0 0"}));
  EXPECT_EQ(r.status, 2) << r.output;
  EXPECT_NE(r.output.find("line 4: expected: name x y orientation tier"), std::string::npos) << r.output;
  WriteFile(dir.file("fl.prm"), "layers 12\nend\n");
  EXPECT_EQ(Check(dir, Placement({"a 0 0 0 0", "b 10 0 0 0", "c 0 10 0 0", "d 0 0 0 1"})).status, 2);
  EXPECT_EQ(RunIn(dir.path(), Fpcheck()).status, 2);
}

// With a soft block the sizes come from tiny_final.blocks: block c (area
// 200, height over width 0.5 to 2) may take any shape of that area and
// range, to within rounding; the hard blocks keep theirs.
TEST(Fpcheck, HoldsSoftBlocksToTheirAreaAndRange) {
  ScratchDir dir;
  WriteDesign(dir);
  std::string blocks = ReadFile(dir.file("tiny.blocks"));
  blocks.replace(blocks.find("c hardrectilinear 4 (0, 0) (0, 10) (20, 10) (20, 0)"), 51,
                 "c softrectangular 200 0.5 2");
  blocks.replace(blocks.find("Blocks : 0\nNumHardRectilinearBlocks : 4"), 39,
                 "Blocks : 1\nNumHardRectilinearBlocks : 3");
  WriteFile(dir.file("tiny.blocks"), blocks);
  const auto shapes = [](const std::string& b, const std::string& c) {
    std::string text = "NumHardRectilinearBlocks : 4\n";
    for (const std::string& line : {std::string("a 10 10"), b, c, std::string("d 10 10")}) {
      std::istringstream in(line);
      std::string name, w, h;
      in >> name >> w >> h;
      text += name + " hardrectilinear 4 (0, 0) (0, " + h + ") (" + w + ", " + h + ") (" + w + ", 0)\n";
    }
    return text;
  };
  const std::string placed = Placement({"a 0 0 0 0", "b 10 0 0 0", "c 0 10 0 0", "d 0 0 0 1"});
  for (const auto& [b, c, status] : {std::tuple{"b 10 10", "c 20 10", 0},
                                     {"b 10 10", "c 14 15", 0},
                                     {"b 10 10", "c 10 10", 1},
                                     {"b 10 10", "c 7 29", 1},
                                     {"b 9 10", "c 20 10", 1}}) {
    WriteFile(dir.file("tiny_final.blocks"), shapes(b, c));
    const RunResult r = Check(dir, placed);
    EXPECT_EQ(r.status, status) << b << ", " << c << "\n" << r.output;
  }
}

}  // namespace
