// A run of the binary whose placement the independent checker reads back.
#pragma once
#include <string>

#include "test_support.h"

namespace testing_support {

// Runs tierplan with `args` inside dir, then fpcheck on the placement of
// `base` it wrote; expects a normal end, a legal placement, and the net
// length and via count the run reports to equal the checker's own figures.
RunResult RunChecked(const ScratchDir& dir, const std::string& args, const std::string& base);

// Runs fpcheck inside dir with `args` (options, base name).
RunResult Fpcheck(const ScratchDir& dir, const std::string& args);

// `text` with the seconds that differ from run to run masked: the number
// after a "time" label, and the CPU seconds of the statistics record.
std::string MaskTimes(const std::string& text);

// `path` in single quotes for the shell.
inline std::string Quoted(const std::string& path) { return "'" + path + "'"; }

}  // namespace testing_support
