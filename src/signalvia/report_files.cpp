// Appending to the via-planning report files, a whole line at a time.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "driver/utilities.h"
#include "io/io.h"
#include "signalvia/signalvia.h"

void AppendToReport(const char* path, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string& line = report_lines[path];
  AppendfV(line, format, args);
  va_end(args);
  const size_t end = line.rfind('\n');
  if (end == std::string::npos) return;
  if (AppendRecord(path, line.substr(0, end + 1)) != 0) {
    std::printf("Warning: Cannot open %s!\n", path);
    NoteUnwritten(path);
  }
  line.erase(0, end + 1);
}
