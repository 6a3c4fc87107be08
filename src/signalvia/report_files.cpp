// Appending to the via-planning report files.
#include <cstdarg>
#include <cstdio>

#include "signalvia/signalvia.h"

void AppendToReport(const char* path, const char* mode, const char* format, ...) {
  FILE* f = fopen(path, mode);
  if (!f) {
    printf("Warning: Cannot open %s!\n", path);
    return;
  }
  va_list args;
  va_start(args, format);
  vfprintf(f, format, args);
  va_end(args);
  fclose(f);
}
