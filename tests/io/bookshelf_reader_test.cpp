// Reading GSRC bookshelf benchmarks: the records, what the reader warns
// about, and line-end and layout variants. Refusals run through the binary
// (e2e/bookshelf_input_test.cpp); every public benchmark is read back by
// fpcheck in e2e/run_test.cpp.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "design_builder.h"
#include "io/io.h"
#include "test_support.h"

using namespace testing_support;

namespace {

// One design read from a base name, released at the end of the test.
struct ReadDesign {
  tagBLOCKCLASS* root = NewBlkc();
  tagBLOCK* design = NewBlk();
  tagNORMPARA* norm = new tagNORMPARA{};
  tagPARAMETERS params{};
  std::string output;  // what the reader printed
  explicit ReadDesign(const std::string& base) {
    CaptureStdout capture;
    InputGSRCFiles(base.c_str(), root, design, norm, &params);
    output = capture.Finish();
  }
  ~ReadDesign() { free_memory(design, root, nullptr, norm); }
};

struct Bookshelf {
  std::string blocks, pl, nets;
  // Applies one textual change to every file.
  template <typename Change>
  Bookshelf Each(Change change) const {
    return {change(blocks), change(pl), change(nets)};
  }
};

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Writes the files into dir under `name` and returns the base name.
std::string Written(const ScratchDir& dir, const Bookshelf& files, const std::string& name = "small") {
  WriteFile(dir.file(name + ".blocks"), files.blocks);
  WriteFile(dir.file(name + ".pl"), files.pl);
  WriteFile(dir.file(name + ".nets"), files.nets);
  return dir.file(name);
}

// A small benchmark in the plainest layout: LF line ends, single blanks.
const Bookshelf kSmall{
    "UCSC blocks 1.0\n# Created : today\n\n"
    "NumSoftRectangularBlocks : 0\nNumHardRectilinearBlocks : 3\nNumTerminals : 2\n\n"
    "a hardrectilinear 4 (0, 0) (0, 336) (378, 336) (378, 0)\n"
    "b hardrectilinear 4 (0, 0) (0, 20) (10, 20) (10, 0)\n"
    "c hardrectilinear 4 (0, 0) (0, 40) (30, 40) (30, 0)\n\n"
    "p1 terminal\np2 terminal\n",
    "UCLA pl 1.0\n\na 0 0\nb 10 0\nc 20 0\n\np1 0 50\np2 200 100\n",
    "UCLA nets 1.0\n\nNumNets : 3\nNumPins : 7\n"
    "NetDegree : 3\np1 B\na B : %0.0 %0.0\nb B : %50.0 %50.0\n"
    "NetDegree : 2\nb B : %-50 %-50\nc B\n"
    "NetDegree : 2\np1 B\np2 B\n"};

// Blocks and terminals are numbered downward so that the lists ascend; the outline is the
// terminals' bounding box, not the blocks'; pin offsets are percentages from
// the class centre, and a pin without them has no class; every pin line
// adds one to its block's degree and every net one more.
TEST(BookshelfReader, ReadsTheRecordsOfASmallBenchmark) {
  ScratchDir dir;
  ReadDesign r(Written(dir, kSmall));
  EXPECT_EQ(r.output, "");
  EXPECT_EQ(std::vector<double>({r.norm->scale, r.norm->unscale, r.norm->unscale_sq, r.norm->big}),
            std::vector<double>({1, 1, 1, 9999989.000001}));
  EXPECT_EQ(Dump(r.design),
            "design - blocks=3 terminals=2 nets=3 w=200 h=100\n"
            "class 1 - type=2 w=30 h=40\n"
            "class 2 - type=2 w=10 h=20 pin0@0,0 pin0@10,20\n"
            "class 3 - type=2 w=378 h=336 pin0@189,168\n"
            "terminal-class 1 @1,1\n"
            "terminal-class 2 @0,0.5\n"
            "block 1 c class=1 area=1200 deg=2 region=(0,0)-(200,100) refs=2\n"
            "block 2 b class=2 area=200 deg=4 region=(0,0)-(200,100) refs=2,3\n"
            "block 3 a class=3 area=127008 deg=2 region=(0,0)-(200,100) refs=3\n"
            "terminal 1 p2 @0,0 class=1 nets=2 refs=1\n"
            "terminal 2 p1 @0,0 class=2 nets=4 refs=3,1\n"
            "net 1 - w=1 deg=2: T1 T2\n"
            "net 2 - w=1 deg=2: c b@0,0\n"
            "net 3 - w=1 deg=3: b@10,20 a@189,168 T2\n");
}

TEST(BookshelfReader, ReadsOffsetsInSinglePrecision) {
  ScratchDir dir;
  ReadDesign r(Written(dir, {kSmall.blocks, kSmall.pl, Replace(kSmall.nets, "%0.0 %0.0", "%12.3 %-7.1")}));
  const tagPINCLASS* pc = r.design->children->next->next->blkclass->pinclasses;
  EXPECT_EQ(pc->x, (12.3f / 100 + 0.5) * 378);
  EXPECT_EQ(pc->y, (-7.1f / 100 + 0.5) * 336);
}

// What the reader accepts with a warning, or silently, and what it leaves.
TEST(BookshelfReader, WarnsAndGoesOn) {
  struct Case {
    const char* label;
    Bookshelf files;
    const char* missing;  // file removed, or ""
    std::string output;   // "@" stands for the base name
    std::string lines;    // pieces of the dump, each ending with "|"
  } cases[] = {
      {"terminal_wins_over_a_block_of_its_name", kSmall.Each([](auto s) { return Replace(s, "p2 ", "c "); }),
       "", "", "block 1 c class=1 area=1200 region=(0,0)-(200,100)\n|net 2 - w=1 deg=2: T1 b@0,0\n|"},
      {"unknown_pin_name",
       {kSmall.blocks, kSmall.pl, Replace(kSmall.nets, "c B\n", "nowhere B\n")},
       "",
       "warning: illegal terminal name or block name\n!",
       "net 2 - w=1 deg=2: b@0,0\n|"},
      {"unknown_terminal_in_the_placement",
       {kSmall.blocks, Replace(kSmall.pl, "p1 0 50", "ghost 500 500"), kSmall.nets},
       "",
       "Warning: Cannot find terminal ghost\n",
       "terminal-class 2 @0,0\n|w=200 h=100\n|"},
      {"missing_placement", kSmall, ".pl", "Cannot open .pl file @.pl for read!\n",
       "design - blocks=3 terminals=2\n|terminal 1 p2 @0,0 class=1\n|"},
      {"missing_nets", kSmall, ".nets", "Cannot open .nets file @.nets\n",
       "design - blocks=3 terminals=2 w=200 h=100\n|block 2 b class=2 area=200 region=(0,0)-(200,100)\n|"},
      {"no_positive_x",
       {kSmall.blocks, Replace(kSmall.pl, "p2 200 100", "p2 -30 100"), kSmall.nets},
       "",
       "Warning: No terminal in @.pl has a positive x; terminal x positions are set to 0.\n",
       "design - blocks=3 terminals=2 nets=3 h=100\n|terminal-class 1 @0,1\n|terminal-class 2 @0,0.5\n|"},
      {"no_terminals_and_no_nets",
       {"UCSC blocks 1.0\n\nNumSoftRectangularBlocks : 0\nNumHardRectilinearBlocks : 1\n"
        "NumTerminals : 0\n\nonly hardrectilinear 4 (0, 0) (0, 5) (7, 5) (7, 0)\n",
        "UCLA pl 1.0\n\nonly 0 0\n", "UCLA nets 1.0\n\nNumNets : 0\nNumPins : 0\n"},
       "",
       "@.pl has a positive x;",
       "design - blocks=1\nclass 1 - type=2 w=7 h=5\nblock 1 only class=1 area=35\n|"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.label);
    ScratchDir dir;
    const std::string base = Written(dir, c.files);
    if (*c.missing) std::filesystem::remove(base + c.missing);
    ReadDesign r(base);
    const std::string output = Replace(c.output, "@", base);
    EXPECT_NE(r.output.find(output), std::string::npos) << r.output;
    EXPECT_EQ(output.empty(), r.output.empty()) << r.output;
    const std::string dump = Dump(r.design);
    for (size_t at = 0, end; (end = c.lines.find('|', at)) != std::string::npos; at = end + 1)
      EXPECT_NE(dump.find(c.lines.substr(at, end - at)), std::string::npos) << c.lines.substr(at) << dump;
  }
}

// Line ends, blanks, comments and overlong lines: every variant of the small
// benchmark reads to exactly the same records, without a message.
TEST(BookshelfReader, LayoutVariantsReadLikeThePlainLayout) {
  auto dump_of = [](const Bookshelf& files) {
    ScratchDir dir;
    ReadDesign r(Written(dir, files, "variant"));
    EXPECT_EQ(r.output, "");
    return Dump(r.design);
  };
  auto swap = [](const std::string& from, const std::string& to) {
    return kSmall.Each([=](const std::string& s) { return Replace(s, from, to); });
  };
  auto chop = [](const std::string& s) { return s.substr(0, s.size() - 1); };
  auto alternate = [](const std::string& s) {
    std::string out;
    bool crlf = false;
    for (char c : s) {
      if (c == '\n' && (crlf = !crlf)) out += '\r';
      out += c;
    }
    return out;
  };

  Bookshelf comments = kSmall;
  comments.blocks =
      Replace(comments.blocks, "UCSC blocks 1.0\n", "UCSC blocks 1.0\n# User : x\n# Platform : y\n");
  comments.blocks = Replace(comments.blocks, "b hardrect", "# a comment between blocks\nb hardrect");
  comments.blocks = Replace(comments.blocks, "p2 terminal", "# terminal comment\np2 terminal");
  comments.pl =
      Replace(Replace(comments.pl, "p1 0 50\n", "p1 0 50 : N /FIXED\n"), "b 10 0\n", "b 10 0 : FS\n");
  comments.nets = Replace(comments.nets, "UCLA nets 1.0\n", "UCLA nets 1.0\n# Created : 2000\n");
  comments.nets =
      Replace(Replace(comments.nets, "c B\n", "# pin comment\nc B\n"), "NumPins : 7\n", "NumPins : 7\n\n");

  // A header comment far longer than a line buffer, and block and pin lines
  // with long tails: the tails must not read as records of their own.
  Bookshelf overlong = kSmall;
  const std::string tail(3000, 'x');
  overlong.blocks = Replace(overlong.blocks, "# Created : today", "# Created : " + tail);
  overlong.blocks =
      Replace(overlong.blocks, "(10, 0)\n", "(10, 0) " + std::string(1500, ' ') + "b " + tail + "\n");
  overlong.nets = Replace(overlong.nets, "%0.0 %0.0\n", "%0.0 %0.0 " + std::string(2000, ' ') + "c B\n");

  Bookshelf blank_lines = kSmall;
  blank_lines.blocks =
      Replace(Replace(blank_lines.blocks, "p1 terminal\n", "p1 terminal\n\n"), "b hardrect", "\nb hardrect");
  blank_lines.pl = Replace(blank_lines.pl, "p2 200", "\np2 200");
  blank_lines.nets = Replace(blank_lines.nets, "c B\n", "\r\nc B\n");

  const std::pair<const char*, Bookshelf> variants[] = {
      {"crlf", swap("\n", "\r\n")},
      {"mixed line ends", kSmall.Each(alternate)},
      {"tabs", swap(" ", "\t")},
      {"padded blanks", swap(" ", " \t ")},
      {"no final line end", kSmall.Each(chop)},
      {"no final crlf", kSmall.Each([&](const std::string& s) { return chop(Replace(s, "\n", "\r\n")); })},
      {"lone cr line", swap("\n\n", "\n\r\n")},
      {"blank-only line", swap("\n\n", "\n \t \n")},
      {"comments and extra words", comments},
      {"overlong lines", overlong},
      {"blank lines inside lists", blank_lines},
  };
  const std::string reference = dump_of(kSmall);
  for (const auto& [label, files] : variants) EXPECT_EQ(dump_of(files), reference) << label;
}

}  // namespace
