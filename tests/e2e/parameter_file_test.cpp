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

// A run of demo16 with fl.prm made of `lines` (and "end").
BadInput Row(const char* label, const std::string& lines, const std::string& message, int status) {
  return {label, {{"fl.prm", "", lines + "end\n"}}, "demo16", message, status};
}

const char kDone[] = " *** normally terminated.";

INSTANTIATE_TEST_SUITE_P(
    Accepted, ParameterFile,
    testing::Values(BadInput{"without_end", {{"fl.prm", "\nend\n", kCut}}, "demo16", kDone, 0},
                    BadInput{"empty_file", {{"fl.prm", "", ""}}, "demo16", kDone, 0},
                    Row("value_beyond_int_saturates", "seed 99999999999\n", "( seed      : 2147483647)", 0)),
    LabelOf);

INSTANTIATE_TEST_SUITE_P(
    Refused, ParameterFile,
    testing::Values(
        Row("keyword_of_100000", "layers 2\n" + std::string(100000, 'k') + " 1\n",
            "Error: fl.prm: the word " + std::string(40, 'k') + "... is longer than 99 characters.", 1),
        Row("layers_0", "layers 0\n", "Error: layers 0 in fl.prm; 1 to 9 tiers are supported.", 1),
        Row("layers_10", "layers 10\n", "Error: layers 10 in fl.prm; 1 to 9 tiers are supported.", 1),
        Row("time_limit_negative", "time_limit -1\n",
            "Error: time_limit -1 in fl.prm; 0 (the schedule) or 1 to 1000000 CPU seconds.", 1),
        Row("starts_0", "starts 0\n", "Error: starts 0 in fl.prm; 1 to 64 annealing chains.", 1),
        Row("layers_not_a_number", "layers two\n", "Error: layers 0 in fl.prm", 1)),
    LabelOf);

}  // namespace
