// Shared helpers for the tests: scratch directories, small files, running
// the real binary and reading what it wrote.
#pragma once
#include <string>
#include <vector>

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
// A helper program built from tools/ (fpcheck, genbench).
std::string ToolBinary(const std::string& name);
// Copies the bundled example design (demo16.blocks, .nets, .pl) into dir.
void CopyExample(const ScratchDir& dir);
// The bundled parameter file with `extra` keyword lines added before its end.
std::string ExamplePrm(const std::string& extra);

// ../shared/benchmarks beside the project, or "" when it is absent.
std::string BenchmarkDir();

// A LEF/DEF design beside the project: the LEF files a user would give
// (technology first), its DEF and its partition file ("" when there is none).
struct LefDefDesign {
  std::vector<std::string> lefs;
  std::string def, part;
};
// Every DEF under ../shared/lefdef (its directory and their subdirectories)
// with its LEF files; empty when the directory is absent.
std::vector<LefDefDesign> SharedLefDefDesigns();

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

// How often `piece` occurs in `text`.
int Count(const std::string& text, const std::string& piece);
// `text` with every `from` replaced by `to`.
std::string Replace(std::string text, const std::string& from, const std::string& to);

// The items of a list linked through `next`, from its head on.
template <typename T>
std::vector<T*> ListOf(T* head) {
  std::vector<T*> items;
  for (; head; head = head->next) items.push_back(head);
  return items;
}

}  // namespace testing_support
