// Fuzz target of the DEF reader and the design it builds over a fixed library.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WriteText("lib.lef", fuzz::LibraryText());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallStopHandler();
  fuzz::WriteText("f.def", std::string(reinterpret_cast<const char*>(data), size));
  tagBLOCKCLASS* root = NewBlkc();
  tagBLOCK* design = NewBlk();
  try {
    fuzz::ReadFixedLibraryAnd("f.def", root, design);
  } catch (const fuzz::StopRequest&) {
  }
  free_memory(design, root, nullptr, new tagNORMPARA{});
  return 0;
}
