// Appending to the via-planning report files: each piece is formatted in
// memory and appended whole, so a report never holds half a piece.
#include <cstdarg>
#include <cstdio>
#include <string>

#include "io/io.h"
#include "signalvia/signalvia.h"

void AppendToReport(const char* path, const char* format, ...) {
  va_list args, again;
  va_start(args, format);
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  va_end(args);
  std::string piece(size > 0 ? size : 0, '\0');
  if (size > 0) std::vsnprintf(piece.data(), piece.size() + 1, format, again);
  va_end(again);
  if (AppendRecord(path, piece) != 0) std::printf("Warning: Cannot open %s!\n", path);
}
