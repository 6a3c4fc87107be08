// Malformed LEF libraries, DEF designs and partition files, run through the
// binary on the bundled LEF/DEF example. The reader's syntax messages are
// covered one by one in tests/io/lefdef_reader_test.cpp and the partition
// reader's in tests/tiers/block_grouping_test.cpp; this table checks what a
// whole run does with them.
#include <gtest/gtest.h>

#include <string>

#include "e2e/bad_input.h"
#include "test_support.h"

using namespace testing_support;

namespace {

InputFiles Example() {
  InputFiles files;
  for (const char* name : {"demo.lef", "demo.def", "demo.part"})
    files[name] = ReadFile(SourceDir() + "/examples/lefdef/" + name);
  files["fl.prm"] = ExamplePrm("seed 7");
  return files;
}

class LefDefFiles : public testing::TestWithParam<BadInput> {};

TEST_P(LefDefFiles, GiveTheirMessageAndStatus) { ExpectOutcome(Example(), GetParam()); }

std::string Label(const testing::TestParamInfo<BadInput>& info) { return info.param.label; }

const char kLefDef[] = "demo.lef demo.def";
const char kWithPart[] = "demo.lef demo.def demo.part";

// 3301 fixed cells: with the groups more blocks than the engine holds.
std::string ManyFixedCells() {
  std::string text;
  for (int i = 0; i < 3301; ++i)
    text += "  - f" + std::to_string(i) + " INV + FIXED ( " + std::to_string(i % 100 * 1000) + " " +
            std::to_string(i / 100 * 3000) + " ) N ;\n";
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Lef, LefDefFiles,
    testing::Values(
        BadInput{"empty_library", {{"demo.lef", "", ""}}, kWithPart, "Warning: No lib cell:", 0},
        BadInput{"unterminated_string", {{"demo.lef", "\"/\" ;", "\"/ ;"}}, kLefDef,
                 "syntax error: expected a closing '\"' for the string, found end of file", 1},
        BadInput{"macro_size_beyond_limit", {{"demo.lef", "SIZE 1.2 BY 2.0", "SIZE 1e300 BY 2.0"}},
                 kWithPart, "Error: macro NAND2 has SIZE 1e+300 BY 2; sizes must lie in 0..1e+06 microns.", 1},
        BadInput{"negative_macro_size", {{"demo.lef", "SIZE 1.2 BY 2.0", "SIZE -5 BY 2.0"}}, kWithPart,
                 "Error: macro NAND2 has SIZE -5 BY 2;", 1},
        BadInput{"def_name_of_1000", {}, "demo.lef " + std::string(1000, 'd'),
                 "longer than 127 characters.", 1}),
    Label);

INSTANTIATE_TEST_SUITE_P(
    Def, LefDefFiles,
    testing::Values(
        BadInput{"empty_design", {{"demo.def", "", ""}}, kLefDef,
                 "demo.def:1: syntax error: expected END DESIGN, found end of file", 1},
        BadInput{"missing_semicolon", {{"demo.def", "MICRONS 1000 ;", "MICRONS 1000"}}, kLefDef,
                 "demo.def:6: syntax error: expected ';'", 1},
        BadInput{"die_area_of_zero", {{"demo.def", "( 120000 120000 )", "( 120000 0 )"}}, kLefDef,
                 "Error: DIEAREA ( 0 0 ) ( 120000 0 ) encloses no area.", 1},
        BadInput{"units_zero", {{"demo.def", "MICRONS 1000", "MICRONS 0"}}, kLefDef,
                 "Error: UNITS DISTANCE MICRONS 0 is not a positive number.", 1},
        BadInput{"fixed_cell_beyond_int", {{"demo.def", "FIXED ( 60000 60000 )", "FIXED ( 1e300 60000 )"}},
                 kWithPart, "Error: component ram0 is placed at ( 1e+300 60000 ), beyond", 1},
        BadInput{"count_beyond_int", {{"demo.def", "COMPONENTS 45 ;", "COMPONENTS 99999999999 ;"}},
                 kLefDef, "demo.def:9: syntax error:", 1},
        BadInput{"component_name_of_100000", {{"demo.def", "- u0 AOI22", "- " + std::string(100000, 'u') + " AOI22"}},
                 kLefDef, "Warning: No cell:u0 or hash error!", 0},
        BadInput{"more_than_3300_blocks", {{"demo.def", "  - ram0 RAM", ManyFixedCells() + "  - ram0 RAM"}},
                 kLefDef, "blocks; at most 3300 are supported.", 1}),
    Label);

INSTANTIATE_TEST_SUITE_P(
    Partition, LefDefFiles,
    testing::Values(
        BadInput{"empty_file", {{"demo.part", "", ""}}, kWithPart, "Vertice Number was not setup properly!",
                 1},
        BadInput{"wrong_vertex_count", {{"demo.part", "45\n", "44\n"}}, kWithPart,
                 "Error: demo.part: the first line must give 45 (cells) or 51 (cells and terminals).", 1},
        BadInput{"too_few_lines", {{"demo.part", "\n1\n", kCut}}, kWithPart,
                 "Error: demo.part ends after 5 of 45 vertices.", 1},
        BadInput{"negative_group", {{"demo.part", "\n1\n", "\n-1\n"}}, kWithPart,
                 "Error: demo.part line 7: group -1 of vertex 5 is outside 0..44.", 1},
        BadInput{"huge_group", {{"demo.part", "\n1\n", "\n99999999999\n"}}, kWithPart,
                 "Error: demo.part line 7: group 99999999999 of vertex 5 is outside 0..44.", 1},
        BadInput{"missing_file", {}, "demo.lef demo.def absent.part", "cannot open partition file!", 1}),
    Label);

}  // namespace
