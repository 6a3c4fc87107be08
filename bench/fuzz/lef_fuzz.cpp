// Fuzz target of the LEF reader and the library it builds.
#include "fuzz_support.h"
#include "io/lefdef.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallStopHandler();
  fuzz::WriteText("f.lef", std::string(reinterpret_cast<const char*>(data), size));
  tagBLOCKCLASS* root = NewBlkc();
  try {
    ResetLefDefInput();
    InputLef("f.lef", root);
  } catch (const fuzz::StopRequest&) {
  }
  free_memory(nullptr, root, nullptr, nullptr);
  return 0;
}
