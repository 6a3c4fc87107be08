// Appending to the via-planning report files: each piece is formatted in
// memory and appended whole, so a report never holds half a piece.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "driver/utilities.h"
#include "io/io.h"
#include "signalvia/signalvia.h"

void AppendToReport(const char* path, const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string piece;
  AppendfV(piece, format, args);
  va_end(args);
  if (AppendRecord(path, piece) != 0) std::printf("Warning: Cannot open %s!\n", path);
}
