// From LEF libraries and a DEF design to the floorplanner's blocks: read
// them, refuse what cannot be floorplanned, leave out the physical-only cells,
// group the standard cells (macros and fixed cells stay blocks of their own),
// frame the floorplan in the die, place the terminals and scale.
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

// A component without a macro has no size: no floorplan could hold it.
void RefuseUnknownMacros(const char* def) {
  const NameTally& unknown = lefdef_reading.unknown_macros;
  if (unknown.total == 0) return;
  Refuse({def}, 1,
         "Error: %d components use macros that no LEF file defines: %s. Give every LEF file the design "
         "needs, the technology LEF first.",
         unknown.total, unknown.Sample(kNamesShown).c_str());
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
// other fixed cells, each alone. The engine holds at most kMaxBlocks; a
// refusal names the DEF file `def`.
void ReportBlocks(const char* def, const tagBLOCK* design) {
  int groups = 0, macros = 0, fixed = 0;
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next) {
    if (!blk->blkclass)
      ++groups;
    else if (blk->blkclass->type == kMacroClass)
      ++macros;
    else
      ++fixed;
  }
  std::string kinds;
  Appendf(kinds, "%d blocks (%d groups, %d macros, %d fixed cells)", design->block_count, groups, macros,
          fixed);
  if (design->block_count > kMaxBlocks)
    Refuse({def}, 1, "Error: %s; at most %d are supported.", kinds.c_str(), kMaxBlocks);
  std::printf("Made %s.\n", kinds.c_str());
}

// A terminal the DEF placed keeps its place on the tier's die, measured from
// the outline's corner like everything else; one beyond the outline stays on
// its edge.
void KeepPlacedTerminals(tagBLOCK* design) {
  const LefDefFloorplan& f = lefdef_floorplan;
  for (tagPIN* term = design->pins; term; term = term->next) {
    auto found = lefdef_reading.pins.find(term);
    if (found == lefdef_reading.pins.end() || !found->second.hasPlacement()) continue;
    const Box on_die = MapToTierDie(PinBox(found->second, design->unit_scale), f.die, f.tier_die);
    term->x = std::clamp(0.5 * (on_die.xl + on_die.xh) - design->region_x_lo, 0.0, design->width);
    term->y = std::clamp(0.5 * (on_die.yl + on_die.yh) - design->region_y_lo, 0.0, design->height);
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

  const GroupingOptions options{params->macro_blocks != 0, params->macro_net_weight};
  if (partfile && *partfile) {
    std::printf("Reading partition ......\n");
    ReadPartition(design, partfile, pads, cell_nets, options);
    std::printf("Reading partition done.\n");
  } else {
    std::printf("Partitioning ......\n");
    const int partitioning = GetCpuTime();
    Partition(design, params->cell_groups, pads, cell_nets, options);
    std::printf("Partitioning done.(Time consumed:%d s)\n", (GetCpuTime() - partitioning) / 1000);
  }
  ReportBlocks(def, design);

  SetBlockDimension(design);
  design->area = 0;
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) design->area += blk->area;

  FrameLefDefFloorplan(def, design, *pads, params);
  SetExtPinPositions(design);
  KeepPlacedTerminals(design);
  // The outline is scaled to width + height = 200 before the design is
  // normalised against it, so blocks, pins and the region stay in microns.
  ScaleOutline(design, norm);
  Normalize(design, norm);
  return 0;
}
