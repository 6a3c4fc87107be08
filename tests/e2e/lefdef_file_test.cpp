// Malformed or incomplete LEF libraries, DEF designs, partition files and
// command lines, run through the binary on the bundled LEF/DEF example: each
// row one check, with its message and exit status. The reader's syntax
// messages are covered one by one in tests/io/lefdef_reader_test.cpp.
#include <gtest/gtest.h>

#include <string>
#include <vector>

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

const std::string kLefDef = "demo_tech.lef demo_cells.lef demo_ram.lef demo.def";
const std::string kWithPart = kLefDef + " demo.part";

BadInput Refused(const char* label, std::vector<Edit> edits, const std::string& message,
                 const std::string& args = kLefDef) {
  return {label, std::move(edits), args, message, 1};
}

// `count` fixed cells on one net: with the example's ten groups and two
// macros, 3288 make as many blocks as the engine holds (then annealed over
// one short temperature step only).
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
    testing::Values(Refused("missing_lef", {}, "Couldn't open input file 'absent.lef'",
                            "absent.lef demo_cells.lef demo.def"),
                    Refused("no_def_after_the_lefs", {},
                            "Error: no DEF file on the command line after the LEF files.",
                            "demo_tech.lef demo_cells.lef"),
                    Refused("missing_partition", {}, "cannot open partition file!", kLefDef + " absent.part"),
                    Refused("cell_groups_zero", {{"fl.prm", "seed 7", "seed 7 cell_groups 0"}},
                            "Error: cell_groups 0 in fl.prm; 1 to 3300 groups are supported.")),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    Lef, LefDefFiles,
    testing::Values(
        Refused("macro_of_no_lef", {},
                "Error: 2 components of demo.def use macros that no LEF file defines: RAM: 2. Give every LEF "
                "file the design needs, the technology LEF first.",
                "demo_tech.lef demo_cells.lef demo.def"),
        Refused("unterminated_string", {{"demo_tech.lef", "\"/\" ;", "\"/ ;"}},
                "syntax error: expected a closing '\"' for the string, found end of file"),
        Refused("macro_size_beyond_limit", {{"demo_cells.lef", "SIZE 1.2 BY 2.0", "SIZE 1e300 BY 2.0"}},
                "Error: macro NAND2 has SIZE 1e+300 BY 2; sizes must lie in 0..1e+06 microns.")),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    Def, LefDefFiles,
    testing::Values(
        Refused("empty_design", {{"demo.def", "", ""}},
                "demo.def:1: syntax error: expected END DESIGN, found end of file"),
        Refused("missing_semicolon", {{"demo.def", "MICRONS 1000 ;", "MICRONS 1000"}},
                "demo.def:6: syntax error: expected ';'"),
        Refused("die_area_of_zero", {{"demo.def", "( 120000 120000 )", "( 120000 0 )"}},
                "Error: DIEAREA ( 0 0 ) ( 120000 0 ) encloses no area."),
        Refused("units_zero", {{"demo.def", "MICRONS 1000", "MICRONS 0"}},
                "Error: UNITS DISTANCE MICRONS 0 is not a positive number."),
        Refused("fixed_cell_beyond_int", {{"demo.def", "FIXED ( 60000 60000 )", "FIXED ( 1e300 60000 )"}},
                "Error: component ram0 is placed at ( 1e+300 60000 ), beyond", kWithPart),
        Refused("pin_beyond_int", {{"demo.def", "FIXED ( 0 90000 )", "FIXED ( 0 -1e300 )"}},
                "Error: pin rst is placed at ( 0 -1e+300 ), beyond"),
        Refused("count_beyond_int", {{"demo.def", "COMPONENTS 48 ;", "COMPONENTS 99999999999 ;"}},
                "demo.def:9: syntax error:"),
        BadInput{"component_name_of_100000",
                 {{"demo.def", "- u0 AOI22", "- " + std::string(100000, 'u') + " AOI22"}},
                 kLefDef,
                 "Warning: No cell:u0 or hash error!",
                 0},
        Refused("more_than_3300_blocks", FixedCells(3289),
                "3301 blocks (10 groups, 2 macros, 3289 fixed cells); at most 3300 are supported."),
        BadInput{"exactly_3300_blocks", FixedCells(3288), kLefDef,
                 "Made 3300 blocks (10 groups, 2 macros, 3288 fixed cells).", 0}),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    Partition, LefDefFiles,
    testing::Values(
        Refused("empty_file", {{"demo.part", "", ""}}, "Vertice Number was not setup properly!", kWithPart),
        Refused("wrong_vertex_count", {{"demo.part", "48\n", "47\n"}},
                "Error: demo.part: the first line must give 48 (cells) or 54 (cells and terminals).",
                kWithPart),
        Refused("too_few_lines", {{"demo.part", "\n1\n", kCut}},
                "Error: demo.part ends after 5 of 48 vertices.", kWithPart),
        Refused("negative_group", {{"demo.part", "\n1\n", "\n-1\n"}},
                "Error: demo.part line 7: group -1 of vertex 5 is outside 0..47.", kWithPart),
        Refused("huge_group", {{"demo.part", "\n1\n", "\n99999999999\n"}},
                "Error: demo.part line 7: group 99999999999 of vertex 5 is outside 0..47.", kWithPart)),
    LabelOf);

}  // namespace
