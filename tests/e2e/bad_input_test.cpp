// Malformed input run through the real binary, one table per input: the
// bookshelf benchmark and the command line, the parameter file, and the LEF
// libraries, DEF design and partition file of the bundled LEF/DEF example
// (the reader's syntax messages one by one in tests/io/lefdef_reader_test.cpp).
// Each row edits a small valid input set, writes it into a scratch
// directory, runs tierplan and checks the exit status and a fragment of what
// it printed; a refused run must leave no placement file behind. Layout
// variants of the bookshelf benchmark must run like the plain layout.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <map>
#include <ostream>
#include <string>
#include <vector>

#include "e2e/checked_run.h"
#include "test_support.h"

using namespace testing_support;

namespace {

using InputFiles = std::map<std::string, std::string>;  // file name -> text

// One change to one file. With `to` == kCut the file ends just before
// `from`, or is left out when `from` is empty; with an empty `from` the whole
// file becomes `to`.
struct Edit {
  std::string file, from, to;
};
const char kCut[] = "<cut>";

struct BadInput {
  const char* label;
  std::vector<Edit> edits;
  std::string args;     // command line after the binary
  std::string message;  // fragment the output must hold
  int status;           // expected exit status
};

inline std::ostream& operator<<(std::ostream& out, const BadInput& c) { return out << c.label; }
// The case's label as the name of a parameterised test.
inline std::string LabelOf(const testing::TestParamInfo<BadInput>& info) { return info.param.label; }

// `files` with the edits applied in order.
InputFiles Edited(InputFiles files, const std::vector<Edit>& edits) {
  for (const Edit& e : edits) {
    if (e.from.empty() && e.to == kCut) {
      files.erase(e.file);
      continue;
    }
    std::string& text = files[e.file];
    if (e.from.empty()) {
      text = e.to;
      continue;
    }
    const size_t at = text.find(e.from);
    EXPECT_NE(at, std::string::npos) << e.file << " has no " << e.from;
    if (at != std::string::npos)
      text = e.to == kCut ? text.substr(0, at) : text.replace(at, e.from.size(), e.to);
  }
  return files;
}

// Applies the case's edits to `base`, runs it and checks the outcome.
void ExpectOutcome(const InputFiles& base, const BadInput& c) {
  const InputFiles files = Edited(base, c.edits);
  ScratchDir dir;
  for (const auto& [name, text] : files) WriteFile(dir.file(name), text);
  // A hang shows as status 124 instead of stalling the suite.
  const RunResult run = RunIn(dir.path(), "timeout 120 '" + TierplanBinary() + "' " + c.args);
  const std::string shown = run.output.substr(0, 3000);
  EXPECT_EQ(run.status, c.status) << shown;
  EXPECT_NE(run.output.find(c.message), std::string::npos) << shown;
  EXPECT_EQ(run.output.find("runtime error"), std::string::npos) << shown;
  if (c.status == 0) return;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
    EXPECT_EQ(entry.path().string().find("_final.pl"), std::string::npos) << entry.path();
}

// --- bookshelf benchmarks ------------------------------------------------------------

InputFiles SmallBenchmark() {
  return {
      {"s.blocks",
       "UCSC blocks 1.0\n\nNumSoftRectangularBlocks : 0\nNumHardRectilinearBlocks : 3\nNumTerminals : 2\n\n"
       "a hardrectilinear 4 (0, 0) (0, 30) (40, 30) (40, 0)\n"
       "b hardrectilinear 4 (0, 0) (0, 20) (10, 20) (10, 0)\n"
       "c hardrectilinear 4 (0, 0) (0, 40) (30, 40) (30, 0)\n\np1 terminal\np2 terminal\n"},
      {"s.pl", "UCLA pl 1.0\n\na 0 0\nb 10 0\nc 20 0\n\np1 0 50\np2 200 100\n"},
      {"s.nets",
       "UCLA nets 1.0\n\nNumNets : 2\nNumPins : 5\n"
       "NetDegree : 3\np1 B\na B : %10.0 %-20.0\nb B\nNetDegree : 2\nc B\np2 B\n"},
      {"fl.prm", ExamplePrm("seed 7")}};
}

class BookshelfInput : public testing::TestWithParam<BadInput> {};

TEST_P(BookshelfInput, GivesItsMessageAndStatus) { ExpectOutcome(SmallBenchmark(), GetParam()); }

BadInput Accepted(const char* label, std::vector<Edit> edits, const std::string& message,
                  const std::string& args = "s") {
  return {label, std::move(edits), args, message, 0};
}
BadInput Refused(const char* label, std::vector<Edit> edits, const std::string& message,
                 const std::string& args = "s") {
  return {label, std::move(edits), args, message, 255};
}

const char kDone[] = " *** normally terminated.";
const std::string kHeader = "NumHardRectilinearBlocks : 3";
const std::string kBlockA = "a hardrectilinear 4 (0, 0) (0, 30) (40, 30) (40, 0)";
const std::string kLine7 = "s.blocks:7: Error: malformed block line.";
const std::string kNoInt = " does not fit in an int.";
const std::string kOffsets = "s.nets:7: Error: pin offsets must be numbers within +-1e+06 percent.";
const std::string kLongName = " Error: name longer than 63 characters.";
std::string Name(size_t length, char c) { return std::string(length, c); }
// Block a made soft by `line`, the header counting it so.
std::vector<Edit> SoftA(const std::string& line) {
  return {
      {"s.blocks", "Blocks : 0\nNumHardRectilinearBlocks : 3", "Blocks : 1\nNumHardRectilinearBlocks : 2"},
      {"s.blocks", kBlockA, line}};
}
std::vector<Edit> With(std::vector<Edit> edits, const Edit& more) {
  edits.push_back(more);
  return edits;
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, BookshelfInput,
    testing::Values(
        Accepted("valid_benchmark", {}, kDone),
        Accepted("name_of_63_characters",
                 {{"s.blocks", "b hard", Name(63, 'b') + " hard"},
                  {"s.pl", "b 10", Name(63, 'b') + " 10"},
                  {"s.nets", "b B", Name(63, 'b') + " B"}},
                 kDone),
        Accepted("base_as_a_long_path", {}, kDone, "\"$PWD\"/./././././././././././././././s"),
        // A soft block among hard ones; terminal positions straight after the
        // block positions, one of them fractional.
        Accepted("soft_block_and_terminals_straight_on",
                 With(SoftA("a softrectangular 1200 0.5 2.0"),
                      {"s.pl", "c 20 0\n\np1 0 50", "c 20 0\np1 0.5 50"}),
                 kDone),
        // Nothing to move: the start is the result, reported once.
        Accepted("every_block_alone_on_its_tier", {{"fl.prm", "seed 7", "seed 7 layers 4"}},
                 "50000\n    0|   0: 0.0000 {A=( 61.5, acost=2147483647) L=2147483647 V=2147483647} |\n"
                 "No block can be moved: every block is fixed or alone on its tier.\n\n"
                 "Optimal Area: 1600.00(normalized),  1600.00\nOptimal Wire-length:  75.00(normalized)")),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    EmptyAndCutFiles, BookshelfInput,
    testing::Values(
        Refused("empty_blocks", {{"s.blocks", "", ""}},
                "s.blocks: Error: the file ends before the \"NumSoftRectangularBlocks\" line."),
        Refused("empty_pl", {{"s.pl", "", ""}},
                "s.pl: Error: the file ends before the empty line after the header."),
        Refused("empty_nets", {{"s.nets", "", ""}},
                "s.nets: Error: the file ends before the empty line after the header."),
        Refused("cut_inside_header", {{"s.blocks", " 3\nNumTerminals", kCut}},
                "s.blocks:4: Error: \"NumHardRectilinearBlocks :\" must be followed by a number"),
        Refused("cut_inside_block_list", {{"s.blocks", "c hard", kCut}},
                "Error: Unexpected end of file.\ns.blocks: Error: the file ends after 2 of 3 blocks."),
        Refused("cut_inside_block_positions", {{"s.pl", "b 10 0", kCut}},
                "s.pl: Error: the file ends after 1 of 3 block positions."),
        Refused("cut_before_terminal_positions", {{"s.pl", "\np1 0 50", kCut}},
                "s.pl: Error: the file ends after 0 of 2 terminal positions."),
        Refused("cut_inside_terminal_positions", {{"s.pl", "p2 200", kCut}},
                "s.pl: Error: the file ends after 1 of 2 terminal positions."),
        Refused("cut_inside_net_list", {{"s.nets", "NetDegree : 2", kCut}},
                "s.nets: Error: the file ends after 1 of 2 nets."),
        Refused("cut_inside_block_line", {{"s.blocks", " (40, 30) (40, 0)", kCut}}, kLine7),
        Refused("cut_inside_terminal_list", {{"s.blocks", "p2 terminal", kCut}},
                "Error: Unexpected end of file!\ns.blocks: Error: the file ends after 1 of 2 terminals."),
        Refused("cut_inside_net", {{"s.nets", "p2 B", kCut}},
                "s.nets: Error: the file ends inside net 2 of 2, after 1 of its 2 pins."),
        Refused("degree_above_pins_that_follow", {{"s.nets", "NetDegree : 3", "NetDegree : 4"}},
                "s.nets:9: Error: net 1 of 2 lists 3 pins, fewer than its degree 4.")),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    BrokenNumbers, BookshelfInput,
    testing::Values(
        Refused(
            "zero_blocks", {{"s.blocks", kHeader, "NumHardRectilinearBlocks : 0"}},
            "s.blocks:4: Error: \"NumHardRectilinearBlocks :\" must be followed by a number of at least 1."),
        Refused("negative_terminals", {{"s.blocks", "NumTerminals : 2", "NumTerminals : -2"}},
                "s.blocks:5: Error: \"NumTerminals :\" must be followed by a number of at least 0."),
        Refused("negative_width", {{"s.blocks", "(40, 30) (40, 0)", "(-40, 30) (-40, 0)"}},
                "s.blocks:7: Error: block a has width -40 and height 30; both must be positive"),
        Refused("zero_height", {{"s.blocks", "(0, 30) (40, 30)", "(0, 0) (40, 0)"}},
                "s.blocks:7: Error: block a has width 40 and height 0; both must be positive"),
        Refused(
            "width_beyond_int",
            {{"s.blocks", kBlockA, "a hardrectilinear 4 (-2000000000, 0) (0, 1) (2000000000, 1) (0, 0)"}},
            "s.blocks:7: Error: block a has width 4000000000 and height 1; both must be positive and fit"),
        Refused("block_sizes_adding_up_beyond_int",
                {{"s.blocks", "(0, 30) (40, 30) (40, 0)", "(0, 30) (2000000000, 30) (2000000000, 0)"},
                 {"s.blocks", "(0, 40) (30, 40) (30, 0)", "(0, 40) (2000000000, 40) (2000000000, 0)"}},
                "s.blocks:9: Error: the block widths add up to 4000000010 and the heights to 90;"),
        Refused("soft_area_zero", SoftA("a softrectangular 0 0.5 2.0"),
                "s.blocks:7: Error: soft block a has area 0 and aspect range 0.5 to 2;"),
        Refused("soft_range_reversed", SoftA("a softrectangular 1200 2.0 0.5"),
                "s.blocks:7: Error: soft block a has area 1200 and aspect range 2 to 0.5;"),
        Refused("soft_aspect_zero", SoftA("a softrectangular 1200 0 2"),
                "s.blocks:7: Error: soft block a has area 1200 and aspect range 0 to 2;"),
        Refused("soft_line_cut", SoftA("a softrectangular 1200 0.5"),
                "s.blocks:7: Error: malformed soft block line."),
        Refused("non_numeric_corner", {{"s.blocks", "(0, 30) (40", "(0, thirty) (40"}}, kLine7),
        Refused("non_numeric_position", {{"s.pl", "p1 0 50", "p1 zero 50"}},
                "s.pl:7: Error: malformed terminal position."),
        Refused("corner_beyond_int", {{"s.blocks", "(40, 30) (40, 0)", "(40, 30) (99999999999, 0)"}},
                "s.blocks:7: Error: the number 99999999999" + kNoInt),
        Refused("count_beyond_int", {{"s.nets", "NumNets : 2", "NumNets : 4294967298"}},
                "s.nets:3: Error: the number 4294967298" + kNoInt),
        Refused("degree_beyond_int", {{"s.nets", "NetDegree : 2", "NetDegree : -9999999999"}},
                "s.nets:9: Error: the number -9999999999" + kNoInt),
        Refused("position_beyond_int", {{"s.pl", "p2 200 100", "p2 200 2147483648"}},
                "s.pl:8: Error: the number 2147483648" + kNoInt),
        Refused("pin_offset_not_a_number", {{"s.nets", "%10.0", "%nan"}}, kOffsets),
        Refused("pin_offset_beyond_float", {{"s.nets", "%10.0", "%1e39"}}, kOffsets),
        Refused("too_many_blocks", {{"s.blocks", kHeader, "NumHardRectilinearBlocks : 3301"}},
                "s.blocks:4: Error: 3301 blocks; at most 3300 are supported.")),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    NamesAndCommandLine, BookshelfInput,
    testing::Values(Refused("block_name_of_64", {{"s.blocks", "b hard", Name(64, 'b') + " hard"}},
                            "s.blocks:8:" + kLongName),
                    Refused("terminal_name_of_1000", {{"s.blocks", "p2 term", Name(1000, 'p') + " term"}},
                            "s.blocks:12:" + kLongName),
                    Refused("pin_name_of_100000", {{"s.nets", "b B", Name(100000, 'b') + " B"}},
                            "s.nets:8:" + kLongName),
                    Refused("duplicate_block", {{"s.blocks", "c hard", "b hard"}},
                            "s.blocks:9: Error: duplicate block name b."),
                    Refused("duplicate_terminal", {{"s.blocks", "p2 terminal", "p1 terminal"}},
                            "s.blocks:12: Error: duplicate terminal name p1."),
                    Refused("base_name_of_100000", {}, "Cannot open .blocks  file sss", Name(100000, 's')),
                    Refused("missing_benchmark", {}, "Cannot open .blocks  file absent.blocks", "absent")),
    LabelOf);

// Line ends, blanks, comments and overlong lines: every variant of the small
// benchmark reads like the plain layout, so a run of it prints and places
// exactly the same, without a message.
TEST(BookshelfLayouts, ReadLikeThePlainLayout) {
  InputFiles plain = SmallBenchmark();
  plain["fl.prm"] = ExamplePrm("seed 7 iterations 100 pin_at_center 0");
  auto outcome = [](const InputFiles& files) {
    ScratchDir dir;
    for (const auto& [name, text] : files) WriteFile(dir.file(name), text);
    const RunResult run = RunIn(dir.path(), Quoted(TierplanBinary()) + " s");
    EXPECT_EQ(run.status, 0) << run.output.substr(0, 3000);
    return MaskTimes(run.output) + ReadFile(dir.file("s_final.pl"));
  };
  auto each = [&plain](const std::function<std::string(std::string)>& change) {
    InputFiles files = plain;
    for (const char* name : {"s.blocks", "s.pl", "s.nets"}) files[name] = change(files[name]);
    return files;
  };
  auto swap = [&each](const std::string& from, const std::string& to) {
    return each([=](std::string s) { return Replace(s, from, to); });
  };
  auto chop = [](std::string s) { return s.substr(0, s.size() - 1); };
  const std::string tail(3000, 'x');
  const std::pair<const char*, InputFiles> variants[] = {
      {"crlf", swap("\n", "\r\n")},
      {"tabs", swap(" ", "\t")},
      {"padded blanks", swap(" ", " \t ")},
      {"no final line end", each(chop)},
      {"no final crlf", each([&](std::string s) { return chop(Replace(s, "\n", "\r\n")); })},
      {"lone cr line", swap("\n\n", "\n\r\n")},
      {"blank-only line", swap("\n\n", "\n \t \n")},
      {"comments and extra words",
       Edited(plain, {{"s.blocks", "UCSC blocks 1.0\n", "UCSC blocks 1.0\n# User : x\n# Platform : y\n"},
                      {"s.blocks", "b hardrect", "# a comment between blocks\nb hardrect"},
                      {"s.blocks", "p2 terminal", "# terminal comment\np2 terminal"},
                      {"s.pl", "p1 0 50\n", "p1 0 50 : N /FIXED\n"},
                      {"s.pl", "b 10 0\n", "b 10 0 : FS\n"},
                      {"s.nets", "UCLA nets 1.0\n", "UCLA nets 1.0\n# Created : 2000\n"},
                      {"s.nets", "c B\n", "# pin comment\nc B\n"},
                      {"s.nets", "NumPins : 5\n", "NumPins : 5\n\n"}})},
      // A header comment far longer than a line buffer, and block and pin
      // lines with long tails: the tails must not read as records of their own.
      {"overlong lines",
       Edited(plain, {{"s.blocks", "UCSC blocks 1.0\n", "UCSC blocks 1.0\n# Created : " + tail + "\n"},
                      {"s.blocks", "(10, 0)\n", "(10, 0) " + std::string(1500, ' ') + "b " + tail + "\n"},
                      {"s.nets", "%-20.0\n", "%-20.0 " + std::string(2000, ' ') + "c B\n"}})},
      {"blank lines inside lists", Edited(plain, {{"s.blocks", "p1 terminal\n", "p1 terminal\n\n"},
                                                  {"s.blocks", "b hardrect", "\nb hardrect"},
                                                  {"s.pl", "p2 200", "\np2 200"},
                                                  {"s.nets", "c B\n", "\r\nc B\n"}})},
  };
  const std::string reference = outcome(plain);
  EXPECT_NE(reference.find(" *** normally terminated."), std::string::npos) << reference;
  for (const auto& [label, files] : variants) EXPECT_EQ(outcome(files), reference) << label;
}

// --- the parameter file -----------------------------------------------------------

InputFiles Demo16() {
  InputFiles files;
  for (const char* ext : {".blocks", ".nets", ".pl"})
    files[std::string("demo16") + ext] = ReadFile(SourceDir() + "/examples/demo16/demo16" + ext);
  files["fl.prm"] = ExamplePrm("seed 7");
  return files;
}

class ParameterFile : public testing::TestWithParam<BadInput> {};

TEST_P(ParameterFile, GivesItsMessageAndStatus) { ExpectOutcome(Demo16(), GetParam()); }

// A run of demo16 with fl.prm made of `lines` (and "end").
BadInput Row(const char* label, const std::string& lines, const std::string& message, int status) {
  return {label, {{"fl.prm", "", lines + "end\n"}}, "demo16", message, status};
}

INSTANTIATE_TEST_SUITE_P(
    Accepted, ParameterFile,
    testing::Values(BadInput{"without_end", {{"fl.prm", "\nend\n", kCut}}, "demo16", kDone, 0},
                    BadInput{"empty_file", {{"fl.prm", "", ""}}, "demo16", kDone, 0},
                    Row("value_beyond_int_saturates", "seed 99999999999\n", "( seed      : 2147483647)", 0)),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    Refused, ParameterFile,
    testing::Values(
        BadInput{"missing_file", {{"fl.prm", "", kCut}}, "demo16", "cann't open fl.prm\n", 1},
        Row("keyword_of_100000", "layers 2\n" + std::string(100000, 'k') + " 1\n",
            "fl.prm:2: Error: the word " + std::string(40, 'k') + "... is longer than 99 characters.", 1),
        Row("layers_0", "* tiers\nseed 7\n\nlayers 0\n",
            "fl.prm:4: Error: layers 0 is out of range; 1 to 9 (tiers).", 1),
        Row("layers_10", "layers 10\n", "fl.prm:1: Error: layers 10 is out of range; 1 to 9 (tiers).", 1),
        Row("time_limit_negative", "time_limit -1\n",
            "fl.prm:1: Error: time_limit -1 is out of range; 0 to 1000000 (CPU seconds; 0 runs the "
            "schedule).",
            1),
        Row("starts_0", "starts 0\n",
            "fl.prm:1: Error: starts 0 is out of range; 1 to 64 (annealing chains).", 1),
        Row("layers_not_a_number", "layers two\n", "fl.prm:1: Error: layers 0 is out of range", 1),
        Row("via_grid_of_no_column", "signalvia_gridx 0\n",
            "fl.prm:1: Error: signalvia_gridx 0 is out of range; 1 to 500 (via grid columns).", 1),
        Row("via_cell_of_negative_size", "signalvia_sizey -4\n",
            "fl.prm:1: Error: signalvia_sizey -4 is out of range", 1),
        Row("aspect_ratio_0", "aspect_ratio 0\n", "fl.prm:1: Error: aspect_ratio 0 is out of range", 1),
        Row("no_area_left", "sparearea -100\n", "fl.prm:1: Error: sparearea -100 is out of range; -99 to", 1),
        Row("area_weight_beyond_int", "allarea 100000\n", "fl.prm:1: Error: allarea 100000 is out of range",
            1)),
    LabelOf);

// --- LEF/DEF designs and partition files ------------------------------------------

InputFiles LefDefExample() {
  InputFiles files;
  for (const char* name : {"demo_tech.lef", "demo_cells.lef", "demo_ram.lef", "demo.def", "demo.part"})
    files[name] = ReadFile(SourceDir() + "/examples/lefdef/" + name);
  files["fl.prm"] = ExamplePrm("seed 7 iterations 20");
  return files;
}

class LefDefFiles : public testing::TestWithParam<BadInput> {};

TEST_P(LefDefFiles, GiveTheirMessageAndStatus) { ExpectOutcome(LefDefExample(), GetParam()); }

const std::string kLefDef = "demo_tech.lef demo_cells.lef demo_ram.lef demo.def";
const std::string kWithPart = kLefDef + " demo.part";
// "fl.prm:N: ", N the line on which ExamplePrm writes its extra pairs.
const std::string kAtExtraPairs = [] {
  const std::string prm = ExamplePrm("");
  return "fl.prm:" + std::to_string(std::count(prm.begin(), prm.end(), '\n') - 1) + ": ";
}();

BadInput RefusedLefDef(const char* label, std::vector<Edit> edits, const std::string& message,
                       const std::string& args = kLefDef) {
  return {label, std::move(edits), args, message, 1};
}

// `count` fixed cells on one net: with the example's one group (of its 40
// cells) and two macros, 3297 make as many blocks as the engine holds (then
// annealed over one short temperature step only).
std::vector<Edit> FixedCells(int count) {
  std::string cells, net = "  - many";
  for (int i = 0; i < count; ++i) {
    cells += "  - f" + std::to_string(i) + " INV + FIXED ( " + std::to_string(i % 100 * 1000) + " " +
             std::to_string(i / 100 * 3000) + " ) N ;\n";
    net += " ( f" + std::to_string(i) + " A )";
  }
  return {{"demo.def", "  - ram0 RAM", cells + "  - ram0 RAM"},
          {"demo.def", "  - mem_in", net + " ;\n  - mem_in"},
          {"fl.prm", "iterations 20", "iterations 1 start_tempe 110 end_tempe 100"}};
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, LefDefFiles,
    testing::Values(
        RefusedLefDef("missing_lef", {}, "Couldn't open input file 'absent.lef'",
                      "absent.lef demo_cells.lef demo.def"),
        RefusedLefDef("no_def_after_the_lefs", {},
                      "Error: no DEF file on the command line after the LEF files.",
                      "demo_tech.lef demo_cells.lef"),
        RefusedLefDef("missing_partition", {}, "cannot open partition file!", kLefDef + " absent.part"),
        RefusedLefDef("cell_groups_zero", {{"fl.prm", "seed 7", "seed 7 cell_groups 0"}},
                      kAtExtraPairs +
                          "Error: cell_groups 0 is out of range; 1 to 3300 (standard-cell groups)."),
        RefusedLefDef("die_outline_2", {{"fl.prm", "seed 7", "seed 7 die_outline 2"}},
                      kAtExtraPairs +
                          "Error: die_outline 2 is out of range; 0 to 1 (1 the die, 0 from the block area)."),
        RefusedLefDef("macro_halo_negative", {{"fl.prm", "seed 7", "seed 7 macro_halo -1"}},
                      kAtExtraPairs + "Error: macro_halo -1 is out of range; 0 or more (nanometres)."),
        RefusedLefDef("macro_net_weight_negative", {{"fl.prm", "seed 7", "seed 7 macro_net_weight -1"}},
                      kAtExtraPairs + "Error: macro_net_weight -1 is out of range; 0 or more (0 for none)."),
        RefusedLefDef("fence_utilization_100", {{"fl.prm", "seed 7", "seed 7 fence_utilization 100"}},
                      kAtExtraPairs +
                          "Error: fence_utilization 100 is out of range; 0 to 99 (percent; 0 from the die)."),
        RefusedLefDef("bond_layer_negative", {{"fl.prm", "seed 7", "seed 7 bond_layer -1"}},
                      kAtExtraPairs + "Error: bond_layer -1 is out of range; 0 or more (routing layer"),
        RefusedLefDef("bond_layer_beyond_the_lef", {{"fl.prm", "seed 7", "seed 7 bond_layer 4"}},
                      "fl.prm: Error: bond_layer 4; the LEF files give 3 routing layers.")),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    Lef, LefDefFiles,
    testing::Values(
        RefusedLefDef(
            "macro_of_no_lef", {},
            "demo.def: Error: 2 components use macros that no LEF file defines: RAM: 2. Give every LEF "
            "file the design needs, the technology LEF first.",
            "demo_tech.lef demo_cells.lef demo.def"),
        RefusedLefDef(
            "unterminated_string", {{"demo_tech.lef", "\"/\" ;", "\"/ ;"}},
            "demo_tech.lef:3: syntax error: expected a closing '\"' for the string, found end of file"),
        RefusedLefDef(
            "macro_size_beyond_limit", {{"demo_cells.lef", "SIZE 1.2 BY 2.0", "SIZE 1e300 BY 2.0"}},
            "demo_cells.lef:4: Error: macro NAND2 has SIZE 1e+300 BY 2; sizes must lie in 0..1e+06 microns."),
        BadInput{"empty_macro", {{"demo_cells.lef", "SIZE 0.2 BY 2.0", "SIZE 0 BY 0"}}, kLefDef, kDone, 0}),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    Def, LefDefFiles,
    testing::Values(
        RefusedLefDef("empty_design", {{"demo.def", "", ""}},
                      "demo.def:1: syntax error: expected END DESIGN, found end of file"),
        RefusedLefDef("missing_semicolon", {{"demo.def", "MICRONS 1000 ;", "MICRONS 1000"}},
                      "demo.def:6: syntax error: expected ';'"),
        RefusedLefDef("die_area_of_zero", {{"demo.def", "( 120000 120000 )", "( 120000 0 )"}},
                      "demo.def:6: Error: DIEAREA ( 0 0 ) ( 120000 0 ) encloses no area."),
        RefusedLefDef("no_die",
                      {{"demo.def", "",
                        "DESIGN d ;\nCOMPONENTS 2 ;\n - u0 INV ;\n - u1 INV ;\nEND COMPONENTS\n"
                        "NETS 1 ;\n - n ( u0 Z ) ( u1 A ) ;\nEND NETS\nEND DESIGN\n"}},
                      "demo.def: Error: the design has no outline"),
        RefusedLefDef("units_zero", {{"demo.def", "MICRONS 1000", "MICRONS 0"}},
                      "demo.def:5: Error: UNITS DISTANCE MICRONS 0 is not a positive number."),
        RefusedLefDef("fixed_cell_beyond_int",
                      {{"demo.def", "FIXED ( 60000 60000 )", "FIXED ( 1e300 60000 )"}},
                      "demo.def:99: Error: component ram0 is placed at ( 1e+300 60000 ), beyond", kWithPart),
        RefusedLefDef("pin_beyond_int", {{"demo.def", "FIXED ( 0 90000 )", "FIXED ( 0 -1e300 )"}},
                      "demo.def:113: Error: pin rst is placed at ( 0 -1e+300 ), beyond"),
        RefusedLefDef("halo_negative", {{"demo.def", "HALO 3000", "HALO -3000"}},
                      "demo.def:100: Error: component ram1 has HALO -3000 2000 3000 2000; halos lie in "
                      "0..2.14748e+09."),
        RefusedLefDef(
            "fixed_beyond_the_die",
            {{"demo.def", "FIXED ( 60000 60000 )", "FIXED ( 100000 60000 )"},
             {"fl.prm", "seed 7", "seed 7 layers 1"}},
            "demo.def: Error: ram0 is FIXED at ( 100.00 60.00 ) to ( 130.00 80.00 ) um, beyond the die ( "
            "0.00 0.00 ) to "
            "( 120.00 120.00 )."),
        RefusedLefDef(
            "macro_beyond_the_outline", {{"demo.def", "( 120000 120000 )", "( 120000 40000 )"}},
            "demo.def: Error: ram0 (34.00 x 24.00 um, halo included) fits no outline of 64.85 x 18.28 um"),
        RefusedLefDef(
            "blocks_beyond_the_die", {{"fl.prm", "seed 7", "seed 7 fence_utilization 1"}},
            "demo.def: Error: the blocks take 15840.00 um2, more than the 2 tier(s) of 64.85 x 64.85 um hold",
            kWithPart),
        RefusedLefDef("component_defined_twice", {{"demo.def", "  - ram0 RAM", "  - u0 RAM"}},
                      "demo.def:99: Error: COMPONENTS defines u0 a second time (first at line 59)."),
        RefusedLefDef("net_defined_twice", {{"demo.def", "  - mem_out", "  - mem_in"}},
                      "demo.def:165: Error: NETS defines mem_in a second time (first at line 164)."),
        RefusedLefDef("second_nets_section", {{"demo.def", "END NETS", "END NETS\nNETS 0 ;\nEND NETS"}},
                      "demo.def:169: Error: a second NETS section (the first at line 119)."),
        RefusedLefDef("count_beyond_int", {{"demo.def", "COMPONENTS 48 ;", "COMPONENTS 99999999999 ;"}},
                      "demo.def:58: syntax error:"),
        BadInput{"component_name_of_100000",
                 {{"demo.def", "- u0 AOI22", "- " + std::string(100000, 'u') + " AOI22"}},
                 kLefDef,
                 "Warning: No cell:u0 or hash error!",
                 0},
        RefusedLefDef("more_than_3300_blocks", FixedCells(3298),
                      "demo.def: Error: 3301 blocks (1 groups, 2 macros, 3298 fixed cells); at most 3300 are "
                      "supported."),
        BadInput{"exactly_3300_blocks", FixedCells(3297), kLefDef,
                 "Made 3300 blocks (1 groups, 2 macros, 3297 fixed cells).", 0}),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    Partition, LefDefFiles,
    testing::Values(
        RefusedLefDef("empty_file", {{"demo.part", "", ""}},
                      "Vertice Number was not setup properly!\ndemo.part: Error: the first number must be 48",
                      kWithPart),
        RefusedLefDef("wrong_vertex_count", {{"demo.part", "48\n", "47\n"}},
                      "demo.part:1: Error: the first number must be 48 (cells) or 54 (cells and terminals).",
                      kWithPart),
        RefusedLefDef("too_few_lines", {{"demo.part", "\n1\n", kCut}},
                      "demo.part: Error: the file ends after 5 of 48 vertices.", kWithPart),
        RefusedLefDef("negative_group", {{"demo.part", "\n1\n", "\n-1\n"}},
                      "demo.part:7: Error: group -1 of vertex 5 is outside 0..47.", kWithPart),
        RefusedLefDef("huge_group", {{"demo.part", "\n1\n", "\n99999999999\n"}},
                      "demo.part:7: Error: group 99999999999 of vertex 5 is outside 0..47.", kWithPart)),
    LabelOf);

}  // namespace
