#include "e2e/bad_input.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "test_support.h"

namespace testing_support {

const char kCut[] = "<cut>";

void ExpectOutcome(const InputFiles& base, const BadInput& c) {
  InputFiles files = base;
  for (const Edit& e : c.edits) {
    std::string& text = files[e.file];
    if (e.from.empty()) {
      text = e.to;
      continue;
    }
    const size_t at = text.find(e.from);
    ASSERT_NE(at, std::string::npos) << e.file << " has no " << e.from;
    text = e.to == kCut ? text.substr(0, at) : text.replace(at, e.from.size(), e.to);
  }
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

}  // namespace testing_support
