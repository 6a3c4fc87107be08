// Whole runs of the bundled designs compared byte for byte with the outputs
// kept under tests/golden/<case>/: what the run printed (stdout.txt) and every
// file it wrote, times masked. Each case keeps its own fl.prm there, so a new
// keyword in examples/fl.prm changes no recorded run. Any change to what a run prints or writes shows
// here; after an intended one, rerun with TIERPLAN_UPDATE_GOLDEN=1 and review
// the diff of tests/golden.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <ostream>
#include <set>
#include <sstream>
#include <string>

#include "e2e/checked_run.h"
#include "test_support.h"

using namespace testing_support;
namespace fs = std::filesystem;

namespace {

struct GoldenCase {
  std::string name;
  std::string files;  // under examples/, copied into the run's directory
};

// A failing case shows its name rather than its bytes.
void PrintTo(const GoldenCase& c, std::ostream* out) { *out << c.name; }

const std::string kDemo16 = "demo16/demo16.blocks demo16/demo16.nets demo16/demo16.pl";
const std::string kLefDef = "lefdef/demo_tech.lef lefdef/demo_cells.lef lefdef/demo_ram.lef lefdef/demo.def";

const GoldenCase kCases[] = {
    {"demo16_vias", kDemo16},
    {"demo16_vias_3tiers", kDemo16},
    {"demo16_insertion", kDemo16},
    {"demo16_4tiers", kDemo16},
    {"lefdef_partition", kLefDef + " lefdef/demo.part"},
    {"lefdef_vias", kLefDef + " lefdef/demo.part"},
    {"lefdef_partitioner", kLefDef},
};

class Golden : public testing::TestWithParam<GoldenCase> {};

TEST_P(Golden, RunWritesWhatItWroteBefore) {
  const GoldenCase& c = GetParam();
  ScratchDir dir;
  // vp_table1.txt holds seconds without a label: it is not compared.
  std::set<std::string> inputs{"fl.prm", ".stdin", "vp_table1.txt"};
  std::istringstream files(c.files);
  std::string args;
  for (std::string file; files >> file;) {
    const std::string name = fs::path(file).filename();
    fs::copy_file(SourceDir() + "/examples/" + file, dir.file(name));
    inputs.insert(name);
    args += " " + name;
  }
  if (c.files == kDemo16) args = " demo16";  // a bookshelf design goes by its base name
  const fs::path golden = fs::path(SourceDir()) / "tests" / "golden" / c.name;
  fs::copy_file(golden / "fl.prm", dir.file("fl.prm"));
  const RunResult run = RunIn(dir.path(), Quoted(TierplanBinary()) + args);
  ASSERT_EQ(run.status, 0) << run.output.substr(0, 3000);
  WriteFile(dir.file("stdout.txt"), run.output);
#ifdef TIERPLAN_SANITIZED
  GTEST_SKIP() << "the unoptimised sanitizer build rounds some library calls differently";
#endif
  const bool update = std::getenv("TIERPLAN_UPDATE_GOLDEN") != nullptr;
  if (update)
    for (const auto& entry : fs::directory_iterator(golden))
      if (entry.path().filename() != "fl.prm") fs::remove(entry.path());
  std::set<std::string> written, kept;
  for (const auto& entry : fs::directory_iterator(dir.path())) {
    const std::string name = entry.path().filename();
    if (inputs.count(name)) continue;
    written.insert(name);
    const std::string text = MaskTimes(ReadFile(entry.path()));
    if (update)
      WriteFile(golden / name, text);
    else
      EXPECT_EQ(text, ReadFile(golden / name)) << c.name << "/" << name;
  }
  for (const auto& entry : fs::directory_iterator(golden))
    if (entry.path().filename() != "fl.prm") kept.insert(entry.path().filename());
  EXPECT_EQ(written, kept);
}

INSTANTIATE_TEST_SUITE_P(BundledDesigns, Golden, testing::ValuesIn(kCases),
                         [](const testing::TestParamInfo<GoldenCase>& run) { return run.param.name; });

}  // namespace
