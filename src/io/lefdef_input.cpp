// Building the design from a LEF library and a DEF design: one class per
// macro, one block per component, one terminal per DEF pin and one net per
// DEF net; then the components are grouped into blocks, the pad ring sets the
// outline, the terminals are placed and the design is scaled to internal units.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

#include "driver/records.h"
#include "driver/utilities.h"
#include "io/io.h"
#include "io/lefdef.h"
#include "tiers/tiers.h"

FILE* fout = nullptr;

namespace {
// Bounds of LEF and DEF values: macro sizes in microns, DEF coordinates in
// database units (the int range) and database units per micron.
constexpr double kMaxMacroSize = 1e6;
constexpr double kMaxDefCoordinate = 2147483647.0;
constexpr double kMaxDefUnits = 1e6;
}  // namespace

tagBLOCKCLASS* p_lib_design = nullptr;
tagBLOCK* p_design = nullptr;

namespace {

// "&LIBCELLS": macro name -> class; "&CELLS": component name -> block;
// "&CHIP PINS": DEF pin name -> terminal.
std::unordered_map<std::string, tagBLOCKCLASS*> p_libcelltable;
std::unordered_map<std::string, tagBLOCK*> p_celltable;
std::unordered_map<std::string, tagPIN*> p_pintable;

// Next class, block, terminal and net numbers.
int class_no = 1, block_no = 1, pin_no = 1, net_no = 1;

// A callback of an unknown kind or for another reader's data builds nothing.
bool CallbackFits(int type, int last, void* ud, void* expected) {
  if (type < 0 || type >= last) {
    if (fout) std::fprintf(fout, "ERROR: callback type is out of bounds!\n");
    return false;
  }
  if (ud != expected) {
    if (fout) std::fprintf(fout, "ERROR: returned user data is not correct!\n");
    return false;
  }
  return true;
}

void TypeOutOfBounds() {
  if (fout) std::fprintf(fout, "ERROR: callback type is out of bounds!\n");
}

void OpenEcho() {
  fout = std::fopen("list", "w");
  if (!fout) std::fprintf(stderr, "ERROR: could not open output file\n");
}

void CloseEcho() {
  if (fout) std::fclose(fout);
  fout = nullptr;
}

FILE* OpenInput(const char* path) {
  FILE* file = std::fopen(path, "r");
  if (!file) {
    std::fprintf(stderr, "Couldn't open input file '%s'\n", path);
    StopRun(1);
  }
  return file;
}

// A read stopped by a syntax error or a refused value leaves a design that
// cannot be trusted, so the run ends.
void CheckStatus(int status) {
  if (status == 0) return;
  std::fprintf(stderr, "Reader returns bad status.\n");
  StopRun(1);
}

void PushRef(tagPINLIST** list, void* target) {
  tagPINLIST* node = NewPinList();
  node->pin = target;
  node->next = *list;
  *list = node;
}

// The terminal joins the net and the net is noted on the terminal.
void JoinTerminal(tagPIN* term, tagNET* net) {
  term->net = net;
  PushRef(&term->net_refs, net);
  term->net_count += 1;
  PushRef(&net->pins, term);
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
    if (pad->fixed_x_lo < left) left = pad->fixed_x_lo;
    if (pad->fixed_y_lo < bottom) bottom = pad->fixed_y_lo;
    if (pad->fixed_x_lo + w > right) right = pad->fixed_x_lo + w;
    if (pad->fixed_y_lo + h > top) top = pad->fixed_y_lo + h;
  }
  design->region_x_lo = left;
  design->region_y_lo = bottom;
  design->region_x_hi = design->width;
  design->region_y_hi = design->height;
  design->blkclass->width = right - left;
  design->blkclass->height = top - bottom;
}

// Scales the outline and the design region so that width + height = 200.
void ScaleOutline(tagBLOCK* design, tagNORMPARA* norm) {
  tagBLOCKCLASS* root = design->blkclass;
  const double w = root->width, h = root->height;
  if (!(w + h > 0)) {
    DclError("Error: the design has no outline: give DIEAREA or fixed pads a positive extent.");
    StopRun(1);
  }
  const double s = 200.0 / (w + h);
  norm->scale = s;
  norm->unscale = 1.0 / s;
  norm->unscale_sq = (1.0 / s) * (1.0 / s);
  norm->big = 9999999 * s * 0.999999;
  design->width = root->width = w * s;
  design->height = root->height = h * s;
  design->region_x_lo *= s;
  design->region_y_lo *= s;
  design->region_x_hi *= s;
  design->region_y_hi *= s;
}

// DEF coordinates are integers in database units; larger values would carry
// the outline and fixed blocks beyond what the engine can pack.
bool InCoordinateRange(double v) { return std::fabs(v) <= kMaxDefCoordinate; }

// A section count that disagrees with the entries read would index past the
// records, so the entries read win.
void CheckCount(const char* section, int* declared, int read) {
  if (*declared == read) return;
  std::printf("Warning: %s declares %d entries, %d read.\n", section, *declared, read);
  *declared = read;
}

}  // namespace

// --- LEF callbacks -----------------------------------------------------------------

int macroBeginCB(lefrCallbackType_e type, const char* name, lefiUserData ud) {
  if (!CallbackFits(type, lefrLastCbkType, ud, p_lib_design)) return 0;
  tagBLOCKCLASS* cls = NewBlkc();
  cls->name = CopyName(name);
  cls->id = class_no++;
  cls->next = p_lib_design->classes;
  p_lib_design->classes = cls;
  p_libcelltable[name] = cls;
  return 0;
}

int macroClassTypeCB(lefrCallbackType_e type, const char* macro_class, lefiUserData ud) {
  if (!CallbackFits(type, lefrLastCbkType, ud, p_lib_design) || !p_lib_design->classes) return 0;
  static const std::pair<const char*, int> kTypes[] = {{"PAD", 4},  {"COVER", 5}, {"RING", 6},
                                                       {"CORE", 7}, {"BLOCK", 8}, {"ENDCAP", 9}};
  for (const auto& [name, code] : kTypes)
    if (std::strcmp(macro_class, name) == 0) p_lib_design->classes->type = code;
  return 0;
}

int macroCB(lefrCallbackType_e type, lefiMacro* macro, lefiUserData ud) {
  if (!CallbackFits(type, lefrLastCbkType, ud, p_lib_design) || !p_lib_design->classes) return 0;
  tagBLOCKCLASS* cls = p_lib_design->classes;
  if (macro->hasSize() && !(macro->sizeX() >= 0 && macro->sizeX() <= kMaxMacroSize &&
                            macro->sizeY() >= 0 && macro->sizeY() <= kMaxMacroSize)) {
    std::fprintf(stderr, "Error: macro %s has SIZE %g BY %g; sizes must lie in 0..%g microns.\n",
                 macro->name(), macro->sizeX(), macro->sizeY(), kMaxMacroSize);
    return 1;
  }
  if (macro->hasSize()) {
    cls->width = macro->sizeX();
    cls->height = macro->sizeY();
  }
  if (macro->hasOrigin()) {
    cls->origin_x = macro->originX();
    cls->origin_y = macro->originY();
  }
  return 0;
}

int pinCB(lefrCallbackType_e type, lefiPin* pin, lefiUserData ud) {
  if (!CallbackFits(type, lefrLastCbkType, ud, p_lib_design) || !p_lib_design->classes) return 0;
  tagBLOCKCLASS* cls = p_lib_design->classes;
  tagPINCLASS* pc = NewPinc();
  pc->name = CopyName(pin->name());
  pc->next = cls->pinclasses;
  cls->pinclasses = pc;
  return 0;
}

// --- DEF callbacks -----------------------------------------------------------------

int units(defrCallbackType_e type, double distance, defiUserData ud) {
  if (!CallbackFits(type, defrLastCbkType, ud, p_design)) return 0;
  if (!(distance > 0)) {
    std::fprintf(stderr, "Error: UNITS DISTANCE MICRONS %g is not a positive number.\n", distance);
    return 1;
  }
  if (distance > kMaxDefUnits) {
    std::fprintf(stderr, "Error: UNITS DISTANCE MICRONS %g is above %g.\n", distance, kMaxDefUnits);
    return 1;
  }
  p_design->unit_scale = distance;
  return 0;
}

int cs(defrCallbackType_e type, int count, defiUserData ud) {
  if (!CallbackFits(type, defrLastCbkType, ud, p_design)) return 0;
  switch (type) {
    case defrComponentStartCbkType:
      p_design->block_count = count;
      break;
    case defrNetStartCbkType:
    case defrSNetStartCbkType:
      p_design->net_count += count;
      break;
    case defrStartPinsCbkType:
      p_design->pin_count = count;
      break;
    default:
      TypeOutOfBounds();
  }
  return 0;
}

int cls(defrCallbackType_e type, void* object, defiUserData ud) {
  if (!CallbackFits(type, defrLastCbkType, ud, p_design)) return 0;
  if (type == defrDieAreaCbkType) {
    const defiBox* box = static_cast<const defiBox*>(object);
    if (!InCoordinateRange(box->xl()) || !InCoordinateRange(box->yl()) ||
        !InCoordinateRange(box->xh()) || !InCoordinateRange(box->yh())) {
      std::fprintf(stderr, "Error: DIEAREA ( %g %g ) ( %g %g ) lies beyond +-%g.\n", box->xl(),
                   box->yl(), box->xh(), box->yh(), kMaxDefCoordinate);
      return 1;
    }
    const double d = p_design->unit_scale;
    const double w = box->xh() / d - box->xl() / d, h = box->yh() / d - box->yl() / d;
    if (!(w > 0 && h > 0)) {
      std::fprintf(stderr, "Error: DIEAREA ( %g %g ) ( %g %g ) encloses no area.\n", box->xl(), box->yl(),
                   box->xh(), box->yh());
      return 1;
    }
    p_design->width = w;
    p_design->height = h;
    p_design->x = p_design->y = 0;
    if (p_design->blkclass) {
      p_design->blkclass->width = w;
      p_design->blkclass->height = h;
    }
  } else if (type == defrPinCbkType) {
    const defiPin* pin = static_cast<const defiPin*>(object);
    tagPIN* term = NewPin();
    term->name = CopyName(pin->pinName());
    term->id = pin_no++;
    p_pintable[pin->pinName()] = term;
    term->next = p_design->pins;
    p_design->pins = term;
  } else {
    TypeOutOfBounds();
  }
  return 0;
}

int compf(defrCallbackType_e type, defiComponent* comp, defiUserData ud) {
  if (!CallbackFits(type, defrLastCbkType, ud, p_design)) return 0;
  if (!InCoordinateRange(comp->placementX()) || !InCoordinateRange(comp->placementY())) {
    std::fprintf(stderr, "Error: component %s is placed at ( %g %g ), beyond +-%g.\n", comp->id(),
                 comp->placementX(), comp->placementY(), kMaxDefCoordinate);
    return 1;
  }
  tagBLOCK* blk = NewBlk();
  blk->name = CopyName(comp->id());
  blk->id = block_no++;
  auto found = p_libcelltable.find(comp->name());
  if (found == p_libcelltable.end()) {
    std::printf("Warning: No lib cell:%s or hash error!\n", comp->name());
  } else {
    blk->blkclass = found->second;
    blk->area = found->second->width * found->second->height;
  }
  if (comp->isFixed()) {
    const double d = p_design->unit_scale;
    blk->kind = 3;
    blk->fixed_x_lo = blk->fixed_x_hi = comp->placementX() / d;
    blk->fixed_y_lo = blk->fixed_y_hi = comp->placementY() / d;
    blk->orient = comp->placementOrient();
  }
  blk->parent = p_design;
  p_celltable[comp->id()] = blk;
  blk->next = p_design->children;
  p_design->children = blk;
  return 0;
}

int netf(defrCallbackType_e type, defiNet* dnet, defiUserData ud) {
  if (!CallbackFits(type, defrLastCbkType, ud, p_design)) return 0;
  tagNET* net = NewNet();
  net->name = CopyName(dnet->name());
  net->id = net_no++;
  net->degree = dnet->numConnections();
  net->weight = 1.0;
  net->next = p_design->nets;
  p_design->nets = net;
  for (int i = 0; i < dnet->numConnections(); ++i) {
    const char* instance = dnet->instance(i);
    if (std::strcmp(instance, "PIN") == 0) {
      auto term = p_pintable.find(dnet->pin(i));
      if (term == p_pintable.end()) {
        std::printf("Warning: No cell:%s or hash error!\n", dnet->pin(i));
        continue;
      }
      JoinTerminal(term->second, net);
      continue;
    }
    auto cell = p_celltable.find(instance);
    if (cell == p_celltable.end()) {
      std::printf("Warning: No cell:%s or hash error!\n", instance);
      continue;
    }
    tagPIN* pin = NewPin();
    pin->name = CopyName(dnet->pin(i));
    pin->net = net;
    pin->owner = cell->second;
    PushRef(&cell->second->net_refs, net);
    cell->second->degree += 1;
    PushRef(&net->pins, pin);
  }
  if (dnet->numConnections() == 0) {
    // A net given without connections is the net of the DEF pin of its name.
    auto term = p_pintable.find(dnet->name());
    if (term == p_pintable.end())
      std::printf("Warning: No pin %s or hash error!\n", dnet->name());
    else
      JoinTerminal(term->second, net);
  }
  return 0;
}

// --- readers -------------------------------------------------------------------------

void InputLef(const char* path, tagBLOCKCLASS* root) {
  OpenEcho();
  p_libcelltable.clear();
  class_no = 1;
  p_lib_design = root;
  lefrInit();
  lefrSetMacroBeginCbk(macroBeginCB);
  lefrSetMacroClassTypeCbk(macroClassTypeCB);
  lefrSetMacroCbk(macroCB);
  lefrSetPinCbk(pinCB);
  FILE* file = OpenInput(path);
  lefwInit(fout);
  const int status = lefrRead(file, path, root);
  std::fclose(file);
  if (status == 0) lefrPrintUnusedCallbacks(fout);
  CloseEcho();
  CheckStatus(status);
}

void InputDef(const char* path, tagBLOCK* design) {
  OpenEcho();
  p_celltable.clear();
  p_pintable.clear();
  block_no = pin_no = net_no = 1;
  p_design = design;
  defrInit();
  defrSetUnitsCbk(units);
  defrSetDieAreaCbk(cls);
  defrSetPinCbk(cls);
  defrSetComponentStartCbk(cs);
  defrSetStartPinsCbk(cs);
  defrSetNetStartCbk(cs);
  defrSetSNetStartCbk(cs);
  defrSetComponentCbk(compf);
  defrSetNetCbk(netf);
  FILE* file = OpenInput(path);
  defwInit(fout);
  const int status = defrRead(file, path, design);
  std::fclose(file);
  if (status == 0) defrPrintUnusedCallbacks(fout);
  CloseEcho();
  CheckStatus(status);
  CheckCount("COMPONENTS", &design->block_count, block_no - 1);
  CheckCount("PINS", &design->pin_count, pin_no - 1);
  p_libcelltable.clear();
  p_celltable.clear();
  p_pintable.clear();
}

int InputDataFromLefDef(const char* lef, const char* def, const char* partfile, tagBLOCKCLASS* root,
                        tagBLOCK* design, tagNORMPARA* norm, tagBLOCK** pads, tagNET** cell_nets) {
  std::printf("LEF/DEF reading ...\n");
  const int started = GetCpuTime();
  InputLef(lef, root);
  design->blkclass = root;
  InputDef(def, design);
  std::printf("Reading done.(Time consumed:%d s)\n", (GetCpuTime() - started) / 1000);
  std::printf("Number of Nets: %d\n", design->net_count);
  std::printf("Number of Components: %d\n", design->block_count);
  std::printf("Number of Pins:%d\n", design->pin_count);

  AttachTerminalsToPads(design);

  if (partfile && *partfile) {
    std::printf("Reading partition ......\n");
    ReadPartition(design, partfile, pads, cell_nets);
    std::printf("Reading partition done.\n");
  } else {
    std::printf("Partitioning ......\n");
    const int partitioning = GetCpuTime();
    Partition(design, 10, pads, cell_nets);
    std::printf("Partitioning done.(Time consumed:%d s)\n", (GetCpuTime() - partitioning) / 1000);
  }

  SetBlockDimension(design);
  design->area = 0;
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) design->area += blk->area;

  PlacePadRing(design, *pads);
  SetExtPinPositions(design);
  ScaleOutline(design, norm);
  Normalize(design, norm);
  return 0;
}
