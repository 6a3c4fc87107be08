// Block pin lists and the positions of pins that the input left without
// geometry: block centres, evenly spread slots around an outline, pad centres.
#include <cmath>
#include <utility>

#include "driver/utilities.h"
#include "tiers/tiers.h"

namespace {

// Slots around a W x H rectangle: ceil(P / 4) per side, evenly spaced,
// sides filled left, top, bottom, right.
struct PerimeterSlots {
  int per_side;
  double dx, dy, w, h;
};

PerimeterSlots MakeSlots(int pins, double w, double h) {
  PerimeterSlots slots;
  slots.per_side = static_cast<int>(std::ceil(0.25 * pins));
  slots.dx = w / (slots.per_side + 1);
  slots.dy = h / (slots.per_side + 1);
  slots.w = w;
  slots.h = h;
  return slots;
}

void SlotPosition(const PerimeterSlots& slots, int index, double* x, double* y) {
  const int side = index / slots.per_side;
  const int slot = index % slots.per_side + 1;
  switch (side) {
    case 0:
      *x = 0;
      *y = slots.dy * slot;
      break;
    case 1:
      *x = slots.dx * slot;
      *y = slots.h;
      break;
    case 2:
      *x = slots.dx * slot;
      *y = 0;
      break;
    default:
      *x = slots.w;
      *y = slots.dy * slot;
      break;
  }
}

tagPINCLASS* AttachNewPinClass(tagPIN* pin, tagBLOCKCLASS* cls) {
  tagPINCLASS* pc = NewPinc();
  pc->id = pin->id;
  pc->next = cls->pinclasses;
  cls->pinclasses = pc;
  pin->pinclass = pc;
  return pc;
}

}  // namespace

void SetPinListForBlocks(tagBLOCK* design) {
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    blk->pins = nullptr;
    blk->pin_count = 0;
  }
  for (tagNET* net = design->nets; net; net = net->next) {
    for (tagPINLIST* node = net->pins; node; node = node->next) {
      tagPIN* pin = static_cast<tagPIN*>(node->pin);
      if (pin->owner == design) continue;
      pin->next = pin->owner->pins;
      pin->owner->pins = pin;
      pin->owner->pin_count += 1;
    }
  }
}

void SetPinPositions(tagBLOCK* design, tagPARAMETERS* prm) {
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) SetBlockPinPositions(blk, prm);
}

void SetBlockPinPositions(tagBLOCK* blk, tagPARAMETERS* prm) {
  if (blk->pin_count == 0) return;
  tagBLOCKCLASS* cls = blk->blkclass;
  const PerimeterSlots slots = MakeSlots(blk->pin_count, cls->width, cls->height);
  bool placed_before = false;
  int index = 0;
  for (tagPIN* pin = blk->pins; pin; pin = pin->next, ++index) {
    if (pin->pinclass) {
      placed_before = true;
      continue;
    }
    if (placed_before) DclError("Some pins have positions while some pins have no positions!");
    tagPINCLASS* pc = AttachNewPinClass(pin, cls);
    if (prm->pin_at_center) {
      pc->x = 0.5 * cls->width;
      pc->y = 0.5 * cls->height;
    } else {
      SlotPosition(slots, index, &pc->x, &pc->y);
    }
  }
}

void SetExtPinPositions(tagBLOCK* design) {
  const int count = design->pin_count;
  if (count == 0) return;
  const PerimeterSlots slots = MakeSlots(count, design->width, design->height);
  int index = 0;
  for (tagPIN* term = design->pins; term; term = term->next, ++index) {
    tagPINCLASS* pc = term->pinclass ? term->pinclass : AttachNewPinClass(term, design->blkclass);
    tagBLOCK* pad = term->owner;
    if (pad && pad != design) {
      // The centre of the pad as placed; a rotated pad swaps its sides.
      double cw = pad->blkclass->width, ch = pad->blkclass->height;
      if (pad->orient < 0 || pad->orient > 7)
        DclError("Warning: Error When processing IO PAD!");
      else if (pad->orient % 2 == 1)
        std::swap(cw, ch);
      term->x = pad->fixed_x_lo + 0.5 * cw - design->region_x_lo;
      term->y = pad->fixed_y_lo + 0.5 * ch - design->region_y_lo;
    } else {
      SlotPosition(slots, index, &term->x, &term->y);
    }
    // Every terminal belongs to the design record from here on, as a
    // bookshelf terminal does; later stages tell block pins by their owner.
    term->owner = design;
    // A zero-sized outline side leaves that fraction at 0.
    pc->x = design->width > 0 ? term->x / design->width : 0;
    pc->y = design->height > 0 ? term->y / design->height : 0;
  }
}
