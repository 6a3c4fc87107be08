// Shared helpers for the tests: scratch directories, small files, running
// the real binary and reading what it wrote.
#pragma once
#include <string>

namespace testing_support {

// A fresh directory under the system temporary directory, removed on exit.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& text);
std::string ReadFile(const std::string& path);
bool FileExists(const std::string& path);

struct RunResult {
  int status;          // exit status, or -1 when the process did not exit normally
  std::string output;  // standard output and standard error, interleaved
};

// Runs `command` through the shell inside `dir`, feeding `input` on stdin.
RunResult RunIn(const std::string& dir, const std::string& command, const std::string& input = "");

// The tierplan binary under test, and the project source tree.
std::string TierplanBinary();
std::string SourceDir();
// The bundled examples/fl.prm with `extra` keyword pairs added before "end".
std::string ExamplePrm(const std::string& extra);
// A helper program built from tools/ (fpcheck, genbench).
std::string ToolBinary(const std::string& name);
// ../shared/benchmarks beside the project, or "" when it is absent.
std::string BenchmarkDir();

// Captures everything written to stdout while alive.
class CaptureStdout {
 public:
  CaptureStdout();
  ~CaptureStdout();
  std::string Finish();  // stops capturing and returns the text

 private:
  int saved_fd_;
  std::string path_;
  bool done_ = false;
};

}  // namespace testing_support
