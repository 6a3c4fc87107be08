// Shared by the fuzz targets. The readers take file names, so every input is
// written to the working directory first (the fuzz script runs each target in
// a scratch directory), and a refused input ends in a thrown StopRequest
// instead of the end of the process.
#pragma once
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/records.h"
#include "driver/utilities.h"
#include "io/lefdef.h"

namespace fuzz {

struct StopRequest {
  int status;
};

inline void ThrowStop(int status) { throw StopRequest{status}; }

inline void InstallStopHandler() { SetStopHandler(ThrowStop); }

inline void WriteText(const char* path, const std::string& text) {
  FILE* f = std::fopen(path, "wb");
  if (!f) std::abort();
  std::fwrite(text.data(), 1, text.size(), f);
  std::fclose(f);
}

// The input cut at every "\n====\n" into `count` files; missing ones are empty.
inline std::vector<std::string> SplitInput(const uint8_t* data, size_t size, size_t count) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const std::string mark = "\n====\n";
  std::vector<std::string> parts;
  size_t start = 0;
  while (parts.size() + 1 < count) {
    const size_t at = text.find(mark, start);
    if (at == std::string::npos) break;
    parts.push_back(text.substr(start, at + 1 - start));
    start = at + mark.size();
  }
  parts.push_back(text.substr(start));
  parts.resize(count);
  return parts;
}

// A small LEF library: core cells, a block macro and an I/O pad.
inline const char* LibraryText() {
  return "VERSION 5.5 ;\nUNITS\n  DATABASE MICRONS 1000 ;\nEND UNITS\n"
         "MACRO INV\n  CLASS CORE ;\n  SIZE 1 BY 2 ;\n  PIN A\n  END A\n  PIN Z\n  END Z\nEND INV\n"
         "MACRO RAM\n  CLASS BLOCK ;\n  SIZE 20 BY 10 ;\n  PIN D\n  END D\nEND RAM\n"
         "MACRO IOPAD\n  CLASS PAD ;\n  SIZE 10 BY 10 ;\n  PIN P\n  END P\nEND IOPAD\n"
         "END LIBRARY\n";
}

// A design over that library: movable cells, a fixed block, two pads, pins, nets.
inline const char* DesignText() {
  return "VERSION 5.5 ;\nDESIGN f ;\nUNITS DISTANCE MICRONS 1000 ;\n"
         "DIEAREA ( 0 0 ) ( 100000 100000 ) ;\n"
         "COMPONENTS 6 ;\n  - u0 INV ;\n  - u1 INV + PLACED ( 1000 2000 ) N ;\n  - u2 INV ;\n"
         "  - ram RAM + FIXED ( 40000 40000 ) N ;\n  - pw IOPAD + FIXED ( 0 45000 ) N ;\n"
         "  - pe IOPAD + FIXED ( 90000 45000 ) E ;\nEND COMPONENTS\n"
         "PINS 2 ;\n  - a + NET a + DIRECTION INPUT ;\n  - z + NET z + DIRECTION OUTPUT ;\nEND PINS\n"
         "NETS 4 ;\n  - a ( PIN a ) ( pw P ) ( u0 A ) ;\n  - n1 ( u0 Z ) ( u1 A ) ( ram D ) ;\n"
         "  - n2 ( u1 Z ) ( u2 A ) ;\n  - z ( PIN z ) ( pe P ) ( u2 Z ) ;\nEND NETS\nEND DESIGN\n";
}

// Reads lib.lef into `root` and the DEF file `def` into `design`.
inline void ReadFixedLibraryAnd(const char* def, tagBLOCKCLASS* root, tagBLOCK* design) {
  ResetLefDefInput();
  InputLef("lib.lef", root);
  design->blkclass = root;
  InputDef(def, design);
}

}  // namespace fuzz
