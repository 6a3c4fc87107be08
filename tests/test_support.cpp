#include "test_support.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tierplan-XXXXXX").string();
  char* made = mkdtemp(pattern.data());
  path_ = made ? made : "";
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream out(path, std::ios::binary);
  out << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool FileExists(const std::string& path) { return std::filesystem::exists(path); }

RunResult RunIn(const std::string& dir, const std::string& command, const std::string& input) {
  std::string input_file = dir + "/.stdin";
  WriteFile(input_file, input);
  std::string full = "cd '" + dir + "' && " + command + " < .stdin 2>&1";
  RunResult result{-1, ""};
  FILE* pipe = popen(full.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t got;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.output.append(buffer, got);
  int status = pclose(pipe);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

std::string TierplanBinary() { return TIERPLAN_BINARY; }
std::string SourceDir() { return TIERPLAN_SOURCE_DIR; }

std::string ToolBinary(const std::string& name) { return std::string(TIERPLAN_TOOLS_DIR) + "/" + name; }

void CopyExample(const ScratchDir& dir) {
  for (const char* name : {"demo16.blocks", "demo16.nets", "demo16.pl"})
    std::filesystem::copy_file(SourceDir() + "/examples/demo16/" + name, dir.file(name));
}

std::string ExamplePrm(const std::string& extra) {
  std::string prm = ReadFile(SourceDir() + "/examples/fl.prm");
  size_t end = prm.rfind("end");
  return prm.substr(0, end) + extra + "\nend\n";
}

std::string BenchmarkDir() {
  std::filesystem::path dir = std::filesystem::path(TIERPLAN_SOURCE_DIR) / ".." / "shared" / "benchmarks";
  return std::filesystem::is_directory(dir) ? std::filesystem::canonical(dir).string() : "";
}

namespace {

namespace fs = std::filesystem;

// The files of `dir` with the extension `ext`, sorted by name.
std::vector<fs::path> FilesWith(const fs::path& dir, const char* ext) {
  std::vector<fs::path> found;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.is_regular_file() && entry.path().extension() == ext) found.push_back(entry.path());
  std::sort(found.begin(), found.end());
  return found;
}

// A DEF with the LEF files a user would give: the separate ones of its
// directory (technology LEF first), leaving out a concatenation named after
// the DEF when there are others; else the only LEF of the parent directory.
void CollectDesigns(const fs::path& dir, const fs::path& parent, std::vector<LefDefDesign>* out) {
  for (const fs::path& def : FilesWith(dir, ".def")) {
    std::vector<fs::path> lefs = FilesWith(dir, ".tlef");
    for (const fs::path& lef : FilesWith(dir, ".lef")) lefs.push_back(lef);
    const fs::path joined = fs::path(def).replace_extension(".lef");
    if (lefs.size() > 1) lefs.erase(std::remove(lefs.begin(), lefs.end(), joined), lefs.end());
    if (lefs.empty() && !parent.empty()) lefs = FilesWith(parent, ".lef");
    if (lefs.empty()) continue;
    LefDefDesign design{{}, def.string(), ""};
    for (const fs::path& lef : lefs) design.lefs.push_back(lef.string());
    const fs::path part = fs::path(def).replace_extension(".part");
    if (fs::exists(part)) design.part = part.string();
    out->push_back(design);
  }
}

}  // namespace

std::vector<LefDefDesign> SharedLefDefDesigns() {
  std::vector<LefDefDesign> designs;
  fs::path shared = fs::path(TIERPLAN_SOURCE_DIR) / ".." / "shared" / "lefdef";
  if (!fs::is_directory(shared)) return designs;
  shared = fs::canonical(shared);
  CollectDesigns(shared, fs::path(), &designs);
  std::vector<fs::path> subdirs;
  for (const auto& entry : fs::directory_iterator(shared))
    if (entry.is_directory()) subdirs.push_back(entry.path());
  std::sort(subdirs.begin(), subdirs.end());
  for (const fs::path& sub : subdirs) CollectDesigns(sub, shared, &designs);
  return designs;
}

CaptureStdout::CaptureStdout() {
  char name[] = "/tmp/tierplan-stdout-XXXXXX";
  int fd = mkstemp(name);
  path_ = name;
  fflush(stdout);
  saved_fd_ = dup(fileno(stdout));
  dup2(fd, fileno(stdout));
  close(fd);
}

CaptureStdout::~CaptureStdout() { Finish(); }

std::string CaptureStdout::Finish() {
  if (done_) return "";
  done_ = true;
  fflush(stdout);
  dup2(saved_fd_, fileno(stdout));
  close(saved_fd_);
  std::string text = ReadFile(path_);
  std::remove(path_.c_str());
  return text;
}

int Count(const std::string& text, const std::string& piece) {
  int count = 0;
  for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++count;
  return count;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

}  // namespace testing_support
