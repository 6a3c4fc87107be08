// Malformed bookshelf benchmarks and command lines, run through the binary,
// one row per check of the reader: empty and cut-off files, broken numbers,
// sizes and names.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e/bad_input.h"
#include "test_support.h"

using namespace testing_support;

namespace {

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
const std::string kLine7 = "s.blocks line 7: malformed block line.";
const std::string kNoInt = " does not fit in an int.";
const std::string kOffsets = "s.nets line 7: pin offsets must be numbers within +-1e+06 percent.";
const std::string kLongName = " name longer than 63 characters.";
std::string Name(size_t length, char c) { return std::string(length, c); }

INSTANTIATE_TEST_SUITE_P(Accepted, BookshelfInput,
                         testing::Values(Accepted("valid_benchmark", {}, kDone),
                                         Accepted("name_of_63_characters",
                                                  {{"s.blocks", "b hard", Name(63, 'b') + " hard"},
                                                   {"s.pl", "b 10", Name(63, 'b') + " 10"},
                                                   {"s.nets", "b B", Name(63, 'b') + " B"}},
                                                  kDone),
                                         Accepted("base_as_a_long_path", {}, kDone,
                                                  "\"$PWD\"/./././././././././././././././s")),
                         LabelOf);

INSTANTIATE_TEST_SUITE_P(
    EmptyAndCutFiles, BookshelfInput,
    testing::Values(
        Refused("empty_blocks", {{"s.blocks", "", ""}},
                "s.blocks ends before the \"NumSoftRectangularBlocks\" line."),
        Refused("empty_pl", {{"s.pl", "", ""}}, "s.pl ends before the empty line after the header."),
        Refused("empty_nets", {{"s.nets", "", ""}}, "s.nets ends before the empty line after the header."),
        Refused("cut_inside_header", {{"s.blocks", " 3\nNumTerminals", kCut}},
                "s.blocks line 4: \"NumHardRectilinearBlocks :\" must be followed by a number"),
        Refused("cut_inside_block_list", {{"s.blocks", "c hard", kCut}},
                "Error: Unexpected end of file.\nError: s.blocks ends after 2 of 3 blocks."),
        Refused("cut_inside_block_positions", {{"s.pl", "b 10 0", kCut}},
                "s.pl ends after 1 of 3 block positions."),
        Refused("cut_before_terminal_positions", {{"s.pl", "\np1 0 50", kCut}},
                "s.pl ends before the empty line before the terminal positions."),
        Refused("cut_inside_terminal_positions", {{"s.pl", "p2 200", kCut}},
                "s.pl ends after 1 of 2 terminal positions."),
        Refused("cut_inside_net_list", {{"s.nets", "NetDegree : 2", kCut}}, "s.nets ends after 1 of 2 nets."),
        Refused("cut_inside_block_line", {{"s.blocks", " (40, 30) (40, 0)", kCut}}, kLine7),
        Refused("cut_inside_terminal_list", {{"s.blocks", "p2 terminal", kCut}},
                "s.blocks ends after 1 of 2 terminals."),
        Refused("cut_inside_net", {{"s.nets", "p2 B", kCut}},
                "s.nets ends inside net 2 of 2, after 1 of its 2 pins."),
        Refused("degree_above_pins_that_follow", {{"s.nets", "NetDegree : 3", "NetDegree : 4"}},
                "s.nets line 9: net 1 of 2 lists 3 pins, fewer than its degree 4.")),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    BrokenNumbers, BookshelfInput,
    testing::Values(
        Refused(
            "zero_blocks", {{"s.blocks", kHeader, "NumHardRectilinearBlocks : 0"}},
            "s.blocks line 4: \"NumHardRectilinearBlocks :\" must be followed by a number of at least 1."),
        Refused("negative_terminals", {{"s.blocks", "NumTerminals : 2", "NumTerminals : -2"}},
                "s.blocks line 5: \"NumTerminals :\" must be followed by a number of at least 0."),
        Refused("negative_width", {{"s.blocks", "(40, 30) (40, 0)", "(-40, 30) (-40, 0)"}},
                "block a has width -40 and height 30; both must be positive"),
        Refused("zero_height", {{"s.blocks", "(0, 30) (40, 30)", "(0, 0) (40, 0)"}},
                "block a has width 40 and height 0; both must be positive"),
        Refused("width_beyond_int",
                {{"s.blocks", kBlockA, "a hardrectilinear 4 (-2000000000, 0) (0, 1) (2000000000, 1) (0, 0)"}},
                "block a has width 4000000000 and height 1; both must be positive and fit"),
        Refused("block_sizes_adding_up_beyond_int",
                {{"s.blocks", "(0, 30) (40, 30) (40, 0)", "(0, 30) (2000000000, 30) (2000000000, 0)"},
                 {"s.blocks", "(0, 40) (30, 40) (30, 0)", "(0, 40) (2000000000, 40) (2000000000, 0)"}},
                "s.blocks line 9: the block widths add up to 4000000010 and the heights to 90;"),
        Refused("non_numeric_corner", {{"s.blocks", "(0, 30) (40", "(0, thirty) (40"}}, kLine7),
        Refused("non_numeric_position", {{"s.pl", "p1 0 50", "p1 zero 50"}},
                "s.pl line 7: malformed terminal position."),
        Refused("corner_beyond_int", {{"s.blocks", "(40, 30) (40, 0)", "(40, 30) (99999999999, 0)"}},
                "s.blocks line 7: the number 99999999999" + kNoInt),
        Refused("count_beyond_int", {{"s.nets", "NumNets : 2", "NumNets : 4294967298"}},
                "s.nets line 3: the number 4294967298" + kNoInt),
        Refused("degree_beyond_int", {{"s.nets", "NetDegree : 2", "NetDegree : -9999999999"}},
                "s.nets line 9: the number -9999999999" + kNoInt),
        Refused("position_beyond_int", {{"s.pl", "p2 200 100", "p2 200 2147483648"}},
                "s.pl line 8: the number 2147483648" + kNoInt),
        Refused("pin_offset_not_a_number", {{"s.nets", "%10.0", "%nan"}}, kOffsets),
        Refused("pin_offset_beyond_float", {{"s.nets", "%10.0", "%1e39"}}, kOffsets),
        Refused("too_many_blocks", {{"s.blocks", kHeader, "NumHardRectilinearBlocks : 3301"}},
                "s.blocks declares 3301 blocks; at most 3300 are supported.")),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    NamesAndCommandLine, BookshelfInput,
    testing::Values(Refused("block_name_of_64", {{"s.blocks", "b hard", Name(64, 'b') + " hard"}},
                            "s.blocks line 8:" + kLongName),
                    Refused("terminal_name_of_1000", {{"s.blocks", "p2 term", Name(1000, 'p') + " term"}},
                            "s.blocks line 12:" + kLongName),
                    Refused("pin_name_of_100000", {{"s.nets", "b B", Name(100000, 'b') + " B"}},
                            "s.nets line 8:" + kLongName),
                    Refused("duplicate_block", {{"s.blocks", "c hard", "b hard"}},
                            "s.blocks line 9: duplicate block name b."),
                    Refused("duplicate_terminal", {{"s.blocks", "p2 terminal", "p1 terminal"}},
                            "s.blocks line 12: duplicate terminal name p1."),
                    Refused("base_name_of_100000", {}, "Cannot open .blocks  file sss", Name(100000, 's')),
                    Refused("missing_benchmark", {}, "Cannot open .blocks  file absent.blocks", "absent")),
    LabelOf);

}  // namespace
