// Fuzz target of the partition file reader and the grouping it drives, over
// a fixed LEF/DEF design.
#include "fuzz_support.h"
#include "tiers/tiers.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  fuzz::WriteText("lib.lef", fuzz::LibraryText());
  fuzz::WriteText("design.def", fuzz::DesignText());
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::InstallStopHandler();
  fuzz::WriteText("f.part", std::string(reinterpret_cast<const char*>(data), size));
  tagBLOCKCLASS* root = NewBlkc();
  tagBLOCK* design = NewBlk();
  tagBLOCK* pads = nullptr;
  tagNET* cell_nets = nullptr;
  try {
    fuzz::ReadFixedLibraryAnd("design.def", root, design);
    ReadPartition(design, "f.part", &pads, &cell_nets, GroupingOptions{});
  } catch (const fuzz::StopRequest&) {
  }
  while (pads) {
    tagBLOCK* next = pads->next;
    free_block(pads);
    pads = next;
  }
  free_memory(design, root, cell_nets, new tagNORMPARA{});
  return 0;
}
