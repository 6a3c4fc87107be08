// Fuzz target of the bookshelf reader: the input holds base.blocks, base.pl
// and base.nets, separated by lines "====".
#include "fuzz_support.h"
#include "io/io.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallStopHandler();
  const std::vector<std::string> files = fuzz::SplitInput(data, size, 3);
  fuzz::WriteText("f.blocks", files[0]);
  fuzz::WriteText("f.pl", files[1]);
  fuzz::WriteText("f.nets", files[2]);
  tagBLOCKCLASS* root = NewBlkc();
  tagBLOCK* design = NewBlk();
  tagNORMPARA* norm = new tagNORMPARA{};
  tagPARAMETERS params{};
  try {
    InputGSRCFiles("f", root, design, norm, &params);
  } catch (const fuzz::StopRequest&) {
  }
  free_memory(design, root, nullptr, norm);
  return 0;
}
