// Reading speed of the LEF/DEF input: writes synthetic designs of growing
// size into a temporary directory, reads each with InputLef and InputDef and
// reports seconds per megabyte. A flat column means reading is linear.
// It then times the largest design in ../shared/lefdef when there is one, or
// the design given as `lefdef_read_bench tech.lef cells.lef ... design.def`.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>

#include "driver/records.h"
#include "io/lefdef.h"
#include "test_support.h"

namespace {

constexpr int kMacros = 40;

unsigned Draw(std::mt19937& random, unsigned below) { return static_cast<unsigned>(random() % below); }

void WriteLibrary(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "w");
  std::fprintf(f, "VERSION 5.5 ;\nBUSBITCHARS \"[]\" ;\nDIVIDERCHAR \"/\" ;\n");
  std::fprintf(f, "UNITS\n  DATABASE MICRONS 1000 ;\nEND UNITS\n");
  for (int l = 1; l <= 6; ++l)
    std::fprintf(
        f, "LAYER metal%d\n  TYPE ROUTING ;\n  DIRECTION %s ;\n  PITCH 0.2 ;\n  WIDTH 0.1 ;\nEND metal%d\n",
        l, l % 2 ? "HORIZONTAL" : "VERTICAL", l);
  std::fprintf(f, "SITE core\n  CLASS CORE ;\n  SIZE 0.2 BY 2 ;\nEND core\n");
  for (int m = 0; m < kMacros; ++m) {
    std::fprintf(f, "MACRO cell%d\n  CLASS %s ;\n  ORIGIN 0 0 ;\n  SIZE %.1f BY 2 ;\n  SITE core ;\n", m,
                 m == 0 ? "PAD" : "CORE", 0.4 + 0.2 * m);
    for (int p = 0; p < 4; ++p)
      std::fprintf(
          f,
          "  PIN p%d\n    DIRECTION INPUT ;\n    PORT\n      LAYER metal1 ;\n      RECT 0 0 0.1 0.1 ;\n"
          "    END\n  END p%d\n",
          p, p);
    std::fprintf(f, "  OBS\n    LAYER metal1 ;\n    RECT 0 0 0.4 2 ;\n  END\nEND cell%d\n", m);
  }
  std::fprintf(f, "END LIBRARY\n");
  std::fclose(f);
}

void WriteDesign(const std::string& path, int cells) {
  std::mt19937 random(7);
  FILE* f = std::fopen(path.c_str(), "w");
  std::fprintf(f, "VERSION 5.5 ;\nDESIGN synthetic ;\nUNITS DISTANCE MICRONS 1000 ;\n");
  std::fprintf(f, "DIEAREA ( 0 0 ) ( 2000000 2000000 ) ;\n");
  for (int r = 0; r < cells / 100; ++r)
    std::fprintf(f, "ROW row%d core 0 %d N DO 10000 BY 1 STEP 200 0 ;\n", r, r * 2000);
  std::fprintf(f, "COMPONENTS %d ;\n", cells);
  for (int c = 0; c < cells; ++c) {
    const unsigned macro = 1 + Draw(random, kMacros - 1);
    if (c % 10 == 0)
      std::fprintf(f, "  - u%d cell%u + FIXED ( %u %u ) FS ;\n", c, macro, Draw(random, 2000000),
                   Draw(random, 2000000));
    else
      std::fprintf(f, "  - u%d cell%u + PLACED ( %u %u ) N ;\n", c, macro, Draw(random, 2000000),
                   Draw(random, 2000000));
  }
  std::fprintf(f, "END COMPONENTS\n");
  const int pins = cells / 50 + 1;
  std::fprintf(f, "PINS %d ;\n", pins);
  for (int p = 0; p < pins; ++p)
    std::fprintf(f, "  - io%d + NET n%d + DIRECTION INPUT + USE SIGNAL\n    + PLACED ( 0 %d ) N ;\n", p, p,
                 p * 10);
  std::fprintf(f, "END PINS\n");
  std::fprintf(
      f, "SPECIALNETS 1 ;\n  - VDD ( * VDD ) + ROUTED metal1 200 ( 0 0 ) ( 2000000 * ) ;\nEND SPECIALNETS\n");
  std::fprintf(f, "NETS %d ;\n", cells);
  for (int n = 0; n < cells; ++n) {
    std::fprintf(f, "  - n%d", n);
    if (n < pins) std::fprintf(f, " ( PIN io%d )", n);
    const unsigned degree = 2 + Draw(random, 4);
    for (unsigned k = 0; k < degree; ++k) std::fprintf(f, " ( u%u p%u )", Draw(random, cells), k);
    std::fprintf(f, "\n    + ROUTED metal2 ( %d 0 ) ( * 4000 ) via12 NEW metal3 ( 0 0 ) ( 100 * ) ;\n", n);
  }
  std::fprintf(f, "END NETS\nEND DESIGN\n");
  std::fclose(f);
}

// Reads one LEF/DEF pair three times and prints the fastest read. The echo
// file of the previous read is removed first: truncating a large one is not
// part of reading.
void TimeRead(const std::vector<std::string>& lefs, const std::string& def, const char* label) {
  double bytes = static_cast<double>(std::filesystem::file_size(def));
  for (const std::string& lef : lefs) bytes += static_cast<double>(std::filesystem::file_size(lef));
  const double mb = bytes / (1024.0 * 1024.0);
  double best = 0;
  for (int round = 0; round < 3; ++round) {
    std::filesystem::remove("list");
    tagBLOCKCLASS* root = NewBlkc();
    tagBLOCK* design = NewBlk();
    design->blkclass = root;
    const auto start = std::chrono::steady_clock::now();
    ResetLefDefInput();
    for (const std::string& lef : lefs) InputLef(lef.c_str(), root);
    InputDef(def.c_str(), design);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (round == 0 || seconds < best) best = seconds;
    free_memory(design, root, nullptr, nullptr);
  }
  std::printf("%10s %10.2f %10.3f %10.4f\n", label, mb, best, best / mb);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> lefs;
  std::string def;
  if (argc >= 3) {
    for (int i = 1; i < argc - 1; ++i) lefs.push_back(std::filesystem::absolute(argv[i]).string());
    def = std::filesystem::absolute(argv[argc - 1]).string();
  } else {
    for (const testing_support::LefDefDesign& shared : testing_support::SharedLefDefDesigns())
      if (def.empty() || std::filesystem::file_size(shared.def) > std::filesystem::file_size(def)) {
        lefs = shared.lefs;
        def = shared.def;
      }
  }
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("lefdef_bench_" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(dir);  // the readers write their echo file here
  WriteLibrary("bench.lef");

  std::printf("%10s %10s %10s %10s\n", "cells", "MB", "seconds", "s/MB");
  for (int cells : {10000, 40000, 160000}) {
    WriteDesign("bench.def", cells);
    TimeRead({"bench.lef"}, "bench.def", std::to_string(cells).c_str());
  }
  if (!def.empty()) {
    std::printf("%s\n", def.c_str());
    TimeRead(lefs, def, "real");
  }

  std::filesystem::current_path(previous);
  std::filesystem::remove_all(dir);
  return 0;
}
