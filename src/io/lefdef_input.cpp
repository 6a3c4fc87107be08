// From LEF libraries and a DEF design to the floorplanner's blocks: read
// them, refuse what cannot be floorplanned, leave out the physical-only cells,
// group the standard cells (macros and fixed cells stay blocks of their own),
// set the outline from the pad ring or the die, place the terminals and scale.
#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "driver/records.h"
#include "driver/utilities.h"
#include "io/io.h"
#include "io/lefdef.h"
#include "tiers/tiers.h"

namespace {

// Names of unknown macros shown in the refusal.
constexpr size_t kNamesShown = 5;

[[noreturn]] void Refuse(const std::string& message) {
  DclError(message.c_str());
  StopRun(1);
}

// A component without a macro has no size: no floorplan could hold it.
void RefuseUnknownMacros(const char* def) {
  const NameTally& unknown = lefdef_reading.unknown_macros;
  if (unknown.total == 0) return;
  Refuse("Error: " + std::to_string(unknown.total) + " components of " + def +
         " use macros that no LEF file defines: " + unknown.Sample(kNamesShown) +
         ". Give every LEF file the design needs, the technology LEF first.");
}

// The words of a class's LEF CLASS statement, for reports.
std::string ClassWords(const tagBLOCKCLASS* cls) {
  auto found = lefdef_reading.macro_class.find(cls);
  return found == lefdef_reading.macro_class.end() || found->second.empty() ? "no CLASS" : found->second;
}

// Cells that no signal net reaches (taps, fillers, decaps, endcaps) have
// nothing to floorplan: they leave the block list, in DEF order, and one line
// counts them by class. Fixed pads stay: they make the pad ring.
tagBLOCK* LeaveOutPhysicalOnlyCells(tagBLOCK* design) {
  tagBLOCK* left_out = nullptr;
  tagBLOCK** kept = &design->children;
  while (tagBLOCK* cell = *kept) {
    if (cell->net_refs || IsFixedPad(cell)) {
      kept = &cell->next;
      continue;
    }
    *kept = cell->next;
    cell->next = left_out;
    left_out = cell;
  }
  NameTally classes;
  for (const tagBLOCK* cell = left_out; cell; cell = cell->next) classes.Add(ClassWords(cell->blkclass));
  if (classes.total > 0)
    std::printf("Physical-only cells left out: %d (%s)\n", classes.total,
                classes.Sample(classes.order.size()).c_str());
  return left_out;
}

// A terminal whose net reaches a fixed pad component belongs to that pad.
void AttachTerminalsToPads(tagBLOCK* design) {
  for (tagPIN* term = design->pins; term; term = term->next) {
    if (!term->net) continue;
    for (tagPINLIST* node = term->net->pins; node; node = node->next) {
      tagPIN* pin = static_cast<tagPIN*>(node->pin);
      if (pin->id == 0 && IsFixedPad(pin->owner)) {
        term->owner = pin->owner;
        break;
      }
    }
  }
}

// What the blocks are made of: groups of standard cells, macros, and the
// other fixed cells, each alone. The engine holds at most kMaxBlocks.
void ReportBlocks(const tagBLOCK* design) {
  int groups = 0, macros = 0, fixed = 0;
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next) {
    if (!blk->blkclass)
      ++groups;
    else if (blk->blkclass->type == kMacroClass)
      ++macros;
    else
      ++fixed;
  }
  const std::string kinds = std::to_string(design->block_count) + " blocks (" + std::to_string(groups) +
                            " groups, " + std::to_string(macros) + " macros, " + std::to_string(fixed) +
                            " fixed cells)";
  if (design->block_count > kMaxBlocks)
    Refuse("Error: " + kinds + "; at most " + std::to_string(kMaxBlocks) + " are supported.");
  std::printf("Made %s.\n", kinds.c_str());
}

// The pads' bounding box is the outline; its lower-left corner becomes the
// origin of internal coordinates.
void PlacePadRing(tagBLOCK* design, tagBLOCK* pads) {
  if (!pads) return;
  double left = kInfinity, bottom = kInfinity, right = -kInfinity, top = -kInfinity;
  for (tagBLOCK* pad = pads; pad; pad = pad->next) {
    double w = pad->blkclass->width, h = pad->blkclass->height;
    if (pad->orient < 0 || pad->orient > 7)
      DclError("Warning: Error When processing IO PAD!");
    else if (pad->orient % 2 == 1)
      std::swap(w, h);
    pad->x = pad->fixed_x_lo;
    pad->y = pad->fixed_y_lo;
    left = std::min(left, pad->fixed_x_lo);
    bottom = std::min(bottom, pad->fixed_y_lo);
    right = std::max(right, pad->fixed_x_lo + w);
    top = std::max(top, pad->fixed_y_lo + h);
  }
  design->region_x_lo = left;
  design->region_y_lo = bottom;
  design->region_x_hi = design->width;
  design->region_y_hi = design->height;
  design->blkclass->width = right - left;
  design->blkclass->height = top - bottom;
}

// A terminal the DEF placed keeps its place, measured from the design's
// corner like everything else; one placed beyond the outline stays on its edge.
void KeepPlacedTerminals(tagBLOCK* design) {
  for (tagPIN* term = design->pins; term; term = term->next) {
    auto found = lefdef_reading.pins.find(term);
    if (found == lefdef_reading.pins.end() || !found->second.hasPlacement()) continue;
    double x, y;
    PinCentre(found->second, &x, &y);
    const double d = design->unit_scale;
    term->x = std::clamp(x / d - design->region_x_lo, 0.0, design->width);
    term->y = std::clamp(y / d - design->region_y_lo, 0.0, design->height);
    term->pinclass->x = term->x / design->width;
    term->pinclass->y = term->y / design->height;
  }
}

}  // namespace

int InputDataFromLefDef(const std::vector<std::string>& lefs, const char* def, const char* partfile,
                        tagPARAMETERS* params, tagBLOCKCLASS* root, tagBLOCK* design, tagNORMPARA* norm,
                        tagBLOCK** pads, tagNET** cell_nets, tagBLOCK** left_out) {
  std::printf("LEF/DEF reading ...\n");
  const int started = GetCpuTime();
  ResetLefDefInput();
  for (const std::string& lef : lefs) InputLef(lef.c_str(), root);
  design->blkclass = root;
  InputDef(def, design);
  RefuseUnknownMacros(def);
  std::printf("Reading done.(Time consumed:%d s)\n", (GetCpuTime() - started) / 1000);
  std::printf("Number of Nets: %d\n", design->net_count);
  std::printf("Number of Components: %d\n", design->block_count);
  std::printf("Number of Pins:%d\n", design->pin_count);

  *left_out = LeaveOutPhysicalOnlyCells(design);
  AttachTerminalsToPads(design);

  const bool macros_as_blocks = params->macro_blocks != 0;
  if (partfile && *partfile) {
    std::printf("Reading partition ......\n");
    ReadPartition(design, partfile, pads, cell_nets, macros_as_blocks);
    std::printf("Reading partition done.\n");
  } else {
    std::printf("Partitioning ......\n");
    const int partitioning = GetCpuTime();
    Partition(design, params->cell_groups, pads, cell_nets, macros_as_blocks);
    std::printf("Partitioning done.(Time consumed:%d s)\n", (GetCpuTime() - partitioning) / 1000);
  }
  ReportBlocks(design);

  SetBlockDimension(design);
  design->area = 0;
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) design->area += blk->area;

  PlacePadRing(design, *pads);
  SetExtPinPositions(design);
  KeepPlacedTerminals(design);
  // The outline is scaled to width + height = 200 before the design is
  // normalised against it, so blocks, pins and the region stay in microns.
  if (ScaleOutline(design, norm) == 0)
    Refuse("Error: the design has no outline: give DIEAREA or fixed pads a positive extent.");
  Normalize(design, norm);
  return 0;
}
