// The result checker on small hand-made placements.
#include <gtest/gtest.h>

#include <string>

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

// A legal floorplan: a and b touch, c sits on both, d is on tier 1 above a.
const char* kLegal[] = {"a 0 0 0 0", "b 10 0 0 0", "c 0 10 0 0", "d 0 0 0 1"};

std::string Placement(std::initializer_list<const char*> lines) {
  std::string text = "UCSC blocks 1.0\n#name x y direction tier(device layer)\n\n";
  for (const char* line : lines) text += std::string(line) + "\n";
  return text;
}

RunResult Check(const ScratchDir& dir, const std::string& placement, const std::string& options = "") {
  WriteFile(dir.file("tiny_final.pl"), placement);
  return RunIn(dir.path(), Fpcheck() + " " + options + " tiny");
}

bool Has(const RunResult& r, const std::string& text) { return r.output.find(text) != std::string::npos; }

// Every one of `lines` appears in the checker's report.
void ExpectReport(const RunResult& r, std::initializer_list<const char*> lines) {
  for (const char* line : lines) EXPECT_TRUE(Has(r, line)) << line << "\n" << r.output;
}

TEST(Fpcheck, LegalFloorplanWithTouchingEdges) {
  ScratchDir dir;
  WriteDesign(dir);
  RunResult r = Check(dir, Placement({kLegal[0], kLegal[1], kLegal[2], kLegal[3]}));
  EXPECT_EQ(r.status, 0) << r.output;
  // Terminal t2 is at the far corner of the 20 x 20 chip: a-b 10, t2-d 30,
  // t1-c-d 25; nets t2-d and t1-c-d each reach from tier 0 to tier 1.
  ExpectReport(r, {"overlaps: 0 pairs, area 0\n",
                   "outline: 22.36 x 22.36 per tier (sparearea 100, aspect_ratio 1.00, layers 2)\n",
                   "tier 0: 3 blocks, extent 20 x 20, fits\n", "tier 1: 1 blocks, extent 10 x 10, fits\n",
                   "chip: 20 x 20\n", "hpwl: 65.00\n", "vias: 2\n", "result: legal\n"});
}

TEST(Fpcheck, OverlapByOneUnitIsIllegal) {
  ScratchDir dir;
  WriteDesign(dir);
  RunResult r = Check(dir, Placement({kLegal[0], "b 9 0 0 0", kLegal[2], kLegal[3]}));
  EXPECT_EQ(r.status, 1) << r.output;
  ExpectReport(r, {"overlap on tier 0: a and b, area 10\n", "overlaps: 1 pairs, area 10\n", "result: illegal"});
}

TEST(Fpcheck, TurnedBlockUsesExchangedSides) {
  ScratchDir dir;
  WriteDesign(dir);
  // c turned is 10 wide and 20 high: it reaches y 30 and meets b placed at
  // (5, 20); unturned it would only touch b.
  RunResult r = Check(dir, Placement({kLegal[0], kLegal[1], "c 0 10 1 0", kLegal[3]}));
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Has(r, "tier 0: 3 blocks, extent 20 x 30, exceeds the outline by 0.00 x 7.64\n")) << r.output;
  r = Check(dir, Placement({kLegal[0], "b 5 20 0 0", "c 0 10 1 0", kLegal[3]}));
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_TRUE(Has(r, "area 50\n")) << r.output;
  r = Check(dir, Placement({kLegal[0], "b 5 20 0 0", "c 0 10 0 0", kLegal[3]}));
  EXPECT_EQ(r.status, 0) << r.output;
}

TEST(Fpcheck, OutlineOverflowIsReportedAndFailsOnlyWhenFitIsRequired) {
  ScratchDir dir;
  WriteDesign(dir);
  std::string outside = Placement({kLegal[0], kLegal[1], kLegal[2], "d 20 0 0 1"});
  RunResult r = Check(dir, outside);
  EXPECT_EQ(r.status, 0) << r.output;
  EXPECT_TRUE(Has(r, "tier 1: 1 blocks, extent 30 x 10, exceeds the outline by 7.64 x 0.00\n")) << r.output;
  EXPECT_TRUE(Has(r, "result: legal, exceeds the outline (reported only)\n")) << r.output;
  r = Check(dir, outside, "--require-fit");
  EXPECT_EQ(r.status, 1) << r.output;
  EXPECT_EQ(Check(dir, Placement({kLegal[0], kLegal[1], kLegal[2], kLegal[3]}), "--require-fit").status, 0);
}

TEST(Fpcheck, BlockListFaultsAreIllegal) {
  struct Case {
    std::string placement;
    std::string message;
  } cases[] = {
      {Placement({kLegal[0], kLegal[1], kLegal[2]}), "missing block d\n"},
      {Placement({kLegal[0], kLegal[1], kLegal[2], kLegal[3], "a 40 40 0 1"}), "duplicated block a\n"},
      {Placement({kLegal[0], kLegal[1], kLegal[2], kLegal[3], "e 40 40 0 1"}), "unknown block e\n"},
      {Placement({kLegal[0], kLegal[1], kLegal[2], "d 0 0 0 2"}), "block d is on tier 2 (0 to 1 expected)\n"},
      {Placement({kLegal[0], kLegal[1], kLegal[2], "d 0 0 0 -1"}), "block d is on tier -1"},
      {Placement({kLegal[0], kLegal[1], kLegal[2], "d 0 0 8 1"}), "block d has orientation 8"},
      {Placement({kLegal[0], kLegal[1], kLegal[2], "d -1 0 0 1"}), "block d lies below or left of the origin"},
  };
  for (const Case& c : cases) {
    ScratchDir dir;
    WriteDesign(dir);
    RunResult r = Check(dir, c.placement);
    EXPECT_EQ(r.status, 1) << c.message << r.output;
    EXPECT_TRUE(Has(r, c.message)) << r.output;
  }
}

TEST(Fpcheck, UnreadableInputIsNeitherLegalNorIllegal) {
  ScratchDir dir;
  WriteDesign(dir);
  RunResult r = RunIn(dir.path(), Fpcheck() + " tiny");  // no placement written
  EXPECT_EQ(r.status, 2) << r.output;
  EXPECT_TRUE(Has(r, "cannot open tiny_final.pl")) << r.output;
  r = Check(dir, Placement({"a 0 zero 0 0"}));
  EXPECT_EQ(r.status, 2) << r.output;
  EXPECT_TRUE(Has(r, "line 4: expected: name x y orientation tier")) << r.output;
  WriteFile(dir.file("fl.prm"), "layers 12\nend\n");
  EXPECT_EQ(Check(dir, Placement({kLegal[0], kLegal[1], kLegal[2], kLegal[3]})).status, 2);
  EXPECT_EQ(RunIn(dir.path(), Fpcheck()).status, 2);
}

}  // namespace
