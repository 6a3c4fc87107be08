// Fuzz target of the fl.prm reader.
#include "driver/parameters.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallStopHandler();
  fuzz::WriteText("fl.prm", std::string(reinterpret_cast<const char*>(data), size));
  tagPARAMETERS params;
  InitParameters(&params);
  try {
    InputPrm("fl.prm", &params, 40);
  } catch (const fuzz::StopRequest&) {
  }
  return 0;
}
