// Reading time of a bookshelf benchmark: reads base.blocks, base.pl and
// base.nets from the current directory `repeats` times (default 3) and prints
// the user CPU milliseconds of one read as "read_ms <value>".
#include <cstdio>
#include <cstdlib>

#include "driver/parameters.h"
#include "driver/records.h"
#include "driver/utilities.h"
#include "io/io.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: bookshelf_read_bench base [repeats]\n");
    return 2;
  }
  int repeats = argc == 3 ? std::atoi(argv[2]) : 3;
  if (repeats < 1 || repeats > 1000) repeats = 3;
  // The reader reports as it goes; only the timing line matters here.
  std::FILE* quiet = std::freopen("/dev/null", "w", stdout);
  int spent = 0;
  for (int r = 0; r < repeats; ++r) {
    tagPARAMETERS params{};
    InitParameters(&params);
    tagBLOCKCLASS* root = NewBlkc();
    tagBLOCK* design = NewBlk();
    tagNORMPARA* norm = new tagNORMPARA{};
    int start = GetCpuTime();
    InputGSRCFiles(argv[1], root, design, norm, &params);
    spent += GetCpuTime() - start;
    free_memory(design, root, nullptr, norm);
  }
  if (quiet) std::fclose(quiet);
  std::fprintf(stderr, "read_ms %.1f\n", (double)spent / repeats);
  return 0;
}
