// Malformed bookshelf benchmarks and command lines, run through the binary,
// one row per check of the reader: empty and cut-off files, broken numbers,
// sizes and names.
#include <gtest/gtest.h>

#include <string>

#include "e2e/bad_input.h"
#include "test_support.h"

using namespace testing_support;

namespace {

InputFiles SmallBenchmark() {
  return {
      {"s.blocks",
       "UCSC blocks 1.0\n\n"
       "NumSoftRectangularBlocks : 0\n"
       "NumHardRectilinearBlocks : 3\n"
       "NumTerminals : 2\n\n"
       "a hardrectilinear 4 (0, 0) (0, 30) (40, 30) (40, 0)\n"
       "b hardrectilinear 4 (0, 0) (0, 20) (10, 20) (10, 0)\n"
       "c hardrectilinear 4 (0, 0) (0, 40) (30, 40) (30, 0)\n\n"
       "p1 terminal\n"
       "p2 terminal\n"},
      {"s.pl",
       "UCLA pl 1.0\n\n"
       "a 0 0\nb 10 0\nc 20 0\n\n"
       "p1 0 50\n"
       "p2 200 100\n"},
      {"s.nets",
       "UCLA nets 1.0\n\n"
       "NumNets : 2\n"
       "NumPins : 5\n"
       "NetDegree : 3\n"
       "p1 B\n"
       "a B : %10.0 %-20.0\n"
       "b B\n"
       "NetDegree : 2\n"
       "c B\n"
       "p2 B\n"},
      {"fl.prm", ExamplePrm("seed 7")},
  };
}

class BookshelfInput : public testing::TestWithParam<BadInput> {};

TEST_P(BookshelfInput, GivesItsMessageAndStatus) { ExpectOutcome(SmallBenchmark(), GetParam()); }

std::string Label(const testing::TestParamInfo<BadInput>& info) { return info.param.label; }

const std::string kHeader = "NumHardRectilinearBlocks : 3";
const std::string kBlockA = "a hardrectilinear 4 (0, 0) (0, 30) (40, 30) (40, 0)";

INSTANTIATE_TEST_SUITE_P(Accepted, BookshelfInput,
                         testing::Values(BadInput{"valid_benchmark", {}, "s", " *** normally terminated.", 0},
                                         BadInput{"net_names_missing_block",
                                                  {{"s.nets", "c B", "ghost B"}},
                                                  "s",
                                                  "warning: illegal terminal name or block name\n!",
                                                  0},
                                         BadInput{"name_of_63_characters",
                                                  {{"s.blocks", "b hard", std::string(63, 'b') + " hard"},
                                                   {"s.pl", "b 10", std::string(63, 'b') + " 10"},
                                                   {"s.nets", "b B", std::string(63, 'b') + " B"}},
                                                  "s",
                                                  " *** normally terminated.",
                                                  0}),
                         Label);

INSTANTIATE_TEST_SUITE_P(
    EmptyAndCutFiles, BookshelfInput,
    testing::Values(
        BadInput{"empty_blocks",
                 {{"s.blocks", "", ""}},
                 "s",
                 "s.blocks ends before the \"NumSoftRectangularBlocks\" line.",
                 255},
        BadInput{
            "empty_pl", {{"s.pl", "", ""}}, "s", "s.pl ends before the empty line after the header.", 255},
        BadInput{"empty_nets",
                 {{"s.nets", "", ""}},
                 "s",
                 "s.nets ends before the empty line after the header.",
                 255},
        BadInput{"cut_inside_header",
                 {{"s.blocks", " 3\nNumTerminals", kCut}},
                 "s",
                 "s.blocks line 4: \"NumHardRectilinearBlocks :\" must be followed by a number",
                 255},
        BadInput{"cut_inside_block_list",
                 {{"s.blocks", "c hard", kCut}},
                 "s",
                 "Error: Unexpected end of file.\nError: s.blocks ends after 2 of 3 blocks.",
                 255},
        BadInput{"cut_inside_block_positions",
                 {{"s.pl", "b 10 0", kCut}},
                 "s",
                 "s.pl ends after 1 of 3 block positions.",
                 255},
        BadInput{"cut_before_terminal_positions",
                 {{"s.pl", "\np1 0 50", kCut}},
                 "s",
                 "s.pl ends before the empty line before the terminal positions.",
                 255},
        BadInput{"cut_inside_terminal_positions",
                 {{"s.pl", "p2 200", kCut}},
                 "s",
                 "s.pl ends after 1 of 2 terminal positions.",
                 255},
        BadInput{"cut_inside_net_list",
                 {{"s.nets", "NetDegree : 2", kCut}},
                 "s",
                 "s.nets ends after 1 of 2 nets.",
                 255},
        BadInput{"cut_inside_block_line",
                 {{"s.blocks", " (40, 30) (40, 0)", kCut}},
                 "s",
                 "s.blocks line 7: malformed block line.",
                 255},
        BadInput{"cut_inside_terminal_list",
                 {{"s.blocks", "p2 terminal", kCut}},
                 "s",
                 "s.blocks ends after 1 of 2 terminals.",
                 255},
        BadInput{"cut_inside_net",
                 {{"s.nets", "p2 B", kCut}},
                 "s",
                 "s.nets ends inside net 2 of 2, after 1 of its 2 pins.",
                 255},
        BadInput{"degree_above_pins_that_follow",
                 {{"s.nets", "NetDegree : 3", "NetDegree : 4"}},
                 "s",
                 "s.nets line 9: net 1 of 2 lists 3 pins, fewer than its degree 4.",
                 255}),
    Label);

INSTANTIATE_TEST_SUITE_P(
    BrokenNumbers, BookshelfInput,
    testing::Values(
        BadInput{
            "zero_blocks",
            {{"s.blocks", kHeader, "NumHardRectilinearBlocks : 0"}},
            "s",
            "s.blocks line 4: \"NumHardRectilinearBlocks :\" must be followed by a number of at least 1.",
            255},
        BadInput{"negative_terminals",
                 {{"s.blocks", "NumTerminals : 2", "NumTerminals : -2"}},
                 "s",
                 "s.blocks line 5: \"NumTerminals :\" must be followed by a number of at least 0.",
                 255},
        BadInput{"negative_width",
                 {{"s.blocks", "(40, 30) (40, 0)", "(-40, 30) (-40, 0)"}},
                 "s",
                 "block a has width -40 and height 30; both must be positive",
                 255},
        BadInput{"zero_height",
                 {{"s.blocks", "(0, 30) (40, 30)", "(0, 0) (40, 0)"}},
                 "s",
                 "block a has width 40 and height 0; both must be positive",
                 255},
        BadInput{
            "width_beyond_int",
            {{"s.blocks", kBlockA, "a hardrectilinear 4 (-2000000000, 0) (0, 1) (2000000000, 1) (0, 0)"}},
            "s",
            "block a has width 4000000000 and height 1; both must be positive and fit",
            255},
        BadInput{"block_sizes_adding_up_beyond_int",
                 {{"s.blocks", "(0, 30) (40, 30) (40, 0)", "(0, 30) (2000000000, 30) (2000000000, 0)"},
                  {"s.blocks", "(0, 40) (30, 40) (30, 0)", "(0, 40) (2000000000, 40) (2000000000, 0)"}},
                 "s",
                 "s.blocks line 9: the block widths add up to 4000000010 and the heights to 90;",
                 255},
        BadInput{"non_numeric_corner",
                 {{"s.blocks", "(0, 30) (40", "(0, thirty) (40"}},
                 "s",
                 "s.blocks line 7: malformed block line.",
                 255},
        BadInput{"non_numeric_position",
                 {{"s.pl", "p1 0 50", "p1 zero 50"}},
                 "s",
                 "s.pl line 7: malformed terminal position.",
                 255},
        BadInput{"corner_beyond_int",
                 {{"s.blocks", "(40, 30) (40, 0)", "(40, 30) (99999999999, 0)"}},
                 "s",
                 "s.blocks line 7: the number 99999999999 does not fit in an int.",
                 255},
        BadInput{"count_beyond_int",
                 {{"s.nets", "NumNets : 2", "NumNets : 4294967298"}},
                 "s",
                 "s.nets line 3: the number 4294967298 does not fit in an int.",
                 255},
        BadInput{"degree_beyond_int",
                 {{"s.nets", "NetDegree : 2", "NetDegree : -9999999999"}},
                 "s",
                 "s.nets line 9: the number -9999999999 does not fit in an int.",
                 255},
        BadInput{"position_beyond_int",
                 {{"s.pl", "p2 200 100", "p2 200 2147483648"}},
                 "s",
                 "s.pl line 8: the number 2147483648 does not fit in an int.",
                 255},
        BadInput{"pin_offset_not_a_number",
                 {{"s.nets", "%10.0", "%nan"}},
                 "s",
                 "s.nets line 7: pin offsets must be numbers within +-1e+06 percent.",
                 255},
        BadInput{"pin_offset_beyond_float",
                 {{"s.nets", "%10.0", "%1e39"}},
                 "s",
                 "s.nets line 7: pin offsets must be numbers within +-1e+06 percent.",
                 255},
        BadInput{"too_many_blocks",
                 {{"s.blocks", kHeader, "NumHardRectilinearBlocks : 3301"}},
                 "s",
                 "s.blocks declares 3301 blocks; at most 3300 are supported.",
                 255}),
    Label);

INSTANTIATE_TEST_SUITE_P(
    NamesAndCommandLine, BookshelfInput,
    testing::Values(
        BadInput{"block_name_of_64",
                 {{"s.blocks", "b hard", std::string(64, 'b') + " hard"}},
                 "s",
                 "s.blocks line 8: name longer than 63 characters.",
                 255},
        BadInput{"terminal_name_of_1000",
                 {{"s.blocks", "p2 term", std::string(1000, 'p') + " term"}},
                 "s",
                 "s.blocks line 12: name longer than 63 characters.",
                 255},
        BadInput{"pin_name_of_100000",
                 {{"s.nets", "b B", std::string(100000, 'b') + " B"}},
                 "s",
                 "s.nets line 8: name longer than 63 characters.",
                 255},
        BadInput{"duplicate_block",
                 {{"s.blocks", "c hard", "b hard"}},
                 "s",
                 "s.blocks line 9: duplicate block name b.",
                 255},
        BadInput{"duplicate_terminal",
                 {{"s.blocks", "p2 terminal", "p1 terminal"}},
                 "s",
                 "s.blocks line 12: duplicate terminal name p1.",
                 255},
        BadInput{"base_as_a_long_path",
                 {},
                 "\"$PWD\"/./././././././././././././././s",
                 " *** normally terminated.",
                 0},
        BadInput{"base_name_of_100000", {}, std::string(100000, 's'), "Cannot open .blocks  file sss", 255},
        BadInput{"missing_benchmark", {}, "absent", "Cannot open .blocks  file absent.blocks", 255}),
    Label);

}  // namespace
