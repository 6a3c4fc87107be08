// Malformed parameter files, run through the binary on the bundled example.
#include <gtest/gtest.h>

#include <string>

#include "e2e/bad_input.h"
#include "test_support.h"

using namespace testing_support;

namespace {

InputFiles Example() {
  InputFiles files;
  for (const char* ext : {".blocks", ".nets", ".pl"})
    files[std::string("demo16") + ext] = ReadFile(SourceDir() + "/examples/demo16/demo16" + ext);
  files["fl.prm"] = ExamplePrm("seed 7");
  return files;
}

class ParameterFile : public testing::TestWithParam<BadInput> {};

TEST_P(ParameterFile, GivesItsMessageAndStatus) { ExpectOutcome(Example(), GetParam()); }

std::string Label(const testing::TestParamInfo<BadInput>& info) { return info.param.label; }

Edit Prm(const std::string& text) { return {"fl.prm", "", text}; }

const std::string kLong(100000, 'k');

INSTANTIATE_TEST_SUITE_P(
    Accepted, ParameterFile,
    testing::Values(
        BadInput{"without_end", {{"fl.prm", "\nend\n", kCut}}, "demo16", " *** normally terminated.", 0},
        BadInput{"empty_file", {Prm("")}, "demo16", " *** normally terminated.", 0},
        BadInput{"value_beyond_int_saturates",
                 {Prm("seed 99999999999\nend\n")},
                 "demo16",
                 "( seed      : 2147483647)",
                 0}),
    Label);

INSTANTIATE_TEST_SUITE_P(
    Refused, ParameterFile,
    testing::Values(
        BadInput{"keyword_of_100000",
                 {Prm("layers 2\n" + kLong + " 1\nend\n")},
                 "demo16",
                 "Error: fl.prm: the word " + std::string(40, 'k') + "... is longer than 99 characters.",
                 1},
        BadInput{"layers_0",
                 {Prm("layers 0\nend\n")},
                 "demo16",
                 "Error: layers 0 in fl.prm; 1 to 9 tiers are supported.",
                 1},
        BadInput{"layers_10",
                 {Prm("layers 10\nend\n")},
                 "demo16",
                 "Error: layers 10 in fl.prm; 1 to 9 tiers are supported.",
                 1},
        BadInput{"time_limit_negative",
                 {Prm("time_limit -1\nend\n")},
                 "demo16",
                 "Error: time_limit -1 in fl.prm; 0 (the schedule) or 1 to 1000000 CPU seconds.",
                 1},
        BadInput{"starts_0",
                 {Prm("starts 0\nend\n")},
                 "demo16",
                 "Error: starts 0 in fl.prm; 1 to 64 annealing chains.",
                 1},
        BadInput{
            "layers_not_a_number", {Prm("layers two\nend\n")}, "demo16", "Error: layers 0 in fl.prm", 1}),
    Label);

}  // namespace
