// Malformed or incomplete LEF libraries, DEF designs, partition files and
// command lines, run through the binary on the bundled LEF/DEF example: each
// row one check, with its message and exit status. The reader's syntax
// messages are covered one by one in tests/io/lefdef_reader_test.cpp.
#include <gtest/gtest.h>

#include <string>

#include "e2e/bad_input.h"
#include "test_support.h"

using namespace testing_support;

namespace {

InputFiles Example() {
  InputFiles files;
  for (const char* name : {"demo_tech.lef", "demo_cells.lef", "demo_ram.lef", "demo.def", "demo.part"})
    files[name] = ReadFile(SourceDir() + "/examples/lefdef/" + name);
  files["fl.prm"] = ExamplePrm("seed 7 iterations 20");
  return files;
}

class LefDefFiles : public testing::TestWithParam<BadInput> {};

TEST_P(LefDefFiles, GiveTheirMessageAndStatus) { ExpectOutcome(Example(), GetParam()); }

std::string Label(const testing::TestParamInfo<BadInput>& info) { return info.param.label; }

const char kLefDef[] = "demo_tech.lef demo_cells.lef demo_ram.lef demo.def";
const char kWithPart[] = "demo_tech.lef demo_cells.lef demo_ram.lef demo.def demo.part";

// 3301 fixed cells on one net: with the groups more blocks than the engine holds.
Edit ManyFixedCells() {
  std::string cells;
  for (int i = 0; i < 3301; ++i)
    cells += "  - f" + std::to_string(i) + " INV + FIXED ( " + std::to_string(i % 100 * 1000) + " " +
             std::to_string(i / 100 * 3000) + " ) N ;\n";
  return {"demo.def", "  - ram0 RAM", cells + "  - ram0 RAM"};
}
Edit ManyFixedCellsNet() {
  std::string net = "  - many";
  for (int i = 0; i < 3301; ++i) net += " ( f" + std::to_string(i) + " A )";
  return {"demo.def", "  - mem_in", net + " ;\n  - mem_in"};
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, LefDefFiles,
    testing::Values(
        BadInput{"missing_lef",
                 {},
                 "absent.lef demo_cells.lef demo.def",
                 "Couldn't open input file 'absent.lef'",
                 1},
        BadInput{"no_def_after_the_lefs",
                 {},
                 "demo_tech.lef demo_cells.lef",
                 "Error: no DEF file on the command line after the LEF files.",
                 1},
        BadInput{
            "missing_partition", {}, std::string(kLefDef) + " absent.part", "cannot open partition file!", 1},
        BadInput{"cell_groups_zero",
                 {{"fl.prm", "seed 7", "seed 7 cell_groups 0"}},
                 kLefDef,
                 "Error: cell_groups 0 in fl.prm; 1 to 3300 groups are supported.",
                 1}),
    Label);

INSTANTIATE_TEST_SUITE_P(
    Lef, LefDefFiles,
    testing::Values(
        BadInput{
            "macro_of_no_lef",
            {},
            "demo_tech.lef demo_cells.lef demo.def",
            "Error: 2 components of demo.def use macros that no LEF file defines: RAM: 2. Give every LEF "
            "file the design needs, the technology LEF first.",
            1},
        BadInput{"unterminated_string",
                 {{"demo_tech.lef", "\"/\" ;", "\"/ ;"}},
                 kLefDef,
                 "syntax error: expected a closing '\"' for the string, found end of file",
                 1},
        BadInput{"macro_size_beyond_limit",
                 {{"demo_cells.lef", "SIZE 1.2 BY 2.0", "SIZE 1e300 BY 2.0"}},
                 kLefDef,
                 "Error: macro NAND2 has SIZE 1e+300 BY 2; sizes must lie in 0..1e+06 microns.",
                 1}),
    Label);

INSTANTIATE_TEST_SUITE_P(
    Def, LefDefFiles,
    testing::Values(BadInput{"empty_design",
                             {{"demo.def", "", ""}},
                             kLefDef,
                             "demo.def:1: syntax error: expected END DESIGN, found end of file",
                             1},
                    BadInput{"missing_semicolon",
                             {{"demo.def", "MICRONS 1000 ;", "MICRONS 1000"}},
                             kLefDef,
                             "demo.def:6: syntax error: expected ';'",
                             1},
                    BadInput{"die_area_of_zero",
                             {{"demo.def", "( 120000 120000 )", "( 120000 0 )"}},
                             kLefDef,
                             "Error: DIEAREA ( 0 0 ) ( 120000 0 ) encloses no area.",
                             1},
                    BadInput{"units_zero",
                             {{"demo.def", "MICRONS 1000", "MICRONS 0"}},
                             kLefDef,
                             "Error: UNITS DISTANCE MICRONS 0 is not a positive number.",
                             1},
                    BadInput{"fixed_cell_beyond_int",
                             {{"demo.def", "FIXED ( 60000 60000 )", "FIXED ( 1e300 60000 )"}},
                             kWithPart,
                             "Error: component ram0 is placed at ( 1e+300 60000 ), beyond",
                             1},
                    BadInput{"pin_beyond_int",
                             {{"demo.def", "FIXED ( 0 90000 )", "FIXED ( 0 -1e300 )"}},
                             kLefDef,
                             "Error: pin rst is placed at ( 0 -1e+300 ), beyond",
                             1},
                    BadInput{"count_beyond_int",
                             {{"demo.def", "COMPONENTS 48 ;", "COMPONENTS 99999999999 ;"}},
                             kLefDef,
                             "demo.def:9: syntax error:",
                             1},
                    BadInput{"component_name_of_100000",
                             {{"demo.def", "- u0 AOI22", "- " + std::string(100000, 'u') + " AOI22"}},
                             kLefDef,
                             "Warning: No cell:u0 or hash error!",
                             0},
                    BadInput{"more_than_3300_blocks",
                             {ManyFixedCells(), ManyFixedCellsNet()},
                             kLefDef,
                             "groups, 2 macros, 3301 fixed cells); at most 3300 are supported.",
                             1}),
    Label);

INSTANTIATE_TEST_SUITE_P(
    Partition, LefDefFiles,
    testing::Values(
        BadInput{
            "empty_file", {{"demo.part", "", ""}}, kWithPart, "Vertice Number was not setup properly!", 1},
        BadInput{"wrong_vertex_count",
                 {{"demo.part", "48\n", "47\n"}},
                 kWithPart,
                 "Error: demo.part: the first line must give 48 (cells) or 54 (cells and terminals).",
                 1},
        BadInput{"too_few_lines",
                 {{"demo.part", "\n1\n", kCut}},
                 kWithPart,
                 "Error: demo.part ends after 5 of 48 vertices.",
                 1},
        BadInput{"negative_group",
                 {{"demo.part", "\n1\n", "\n-1\n"}},
                 kWithPart,
                 "Error: demo.part line 7: group -1 of vertex 5 is outside 0..47.",
                 1},
        BadInput{"huge_group",
                 {{"demo.part", "\n1\n", "\n99999999999\n"}},
                 kWithPart,
                 "Error: demo.part line 7: group 99999999999 of vertex 5 is outside 0..47.",
                 1}),
    Label);

}  // namespace
