// The callbacks that build the design records while the LEF libraries and
// the DEF design are read: one class per macro, one block per component, one
// terminal per DEF pin and one net per signal net.
#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

#include "driver/records.h"
#include "driver/utilities.h"
#include "io/lefdef.h"
#include "io/lefdef_tokenizer.h"

FILE* fout = nullptr;
LefDefReading lefdef_reading;

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

// Connections to unknown names are shown one by one up to this many.
constexpr int kConnectionWarnings = 10;

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

// A value the design cannot take, refused with the position of its
// construct; the status abandons the read.
int RefuseValue(const char* format, ...) __attribute__((format(printf, 1, 2)));
int RefuseValue(const char* format, ...) {
  std::string message;
  va_list args;
  va_start(args, format);
  AppendfV(message, format, args);
  va_end(args);
  PrintRefusal(ReadPosition(), "%s", message.c_str());
  return 1;
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

// This message and the next go to standard error, as they always did, so
// not through Refuse, which speaks on standard output.
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

void NoteUnknownConnection(const char* name) {
  lefdef_reading.unknown_connections.Add(name);
  if (lefdef_reading.unknown_connections.total <= kConnectionWarnings)
    std::printf("Warning: No cell:%s or hash error!\n", name);
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
  auto [it, inserted] = p_libcelltable.try_emplace(name, cls);
  if (!inserted) {
    std::printf("Warning: macro %s is defined again in %s; the later definition is used.\n", name,
                lefdef_reading.lef_path.c_str());
    it->second = cls;
  }
  return 0;
}

int macroClassTypeCB(lefrCallbackType_e type, const char* macro_class, lefiUserData ud) {
  if (!CallbackFits(type, lefrLastCbkType, ud, p_lib_design) || !p_lib_design->classes) return 0;
  static const std::pair<const char*, int> kTypes[] = {{"PAD", 4},  {"COVER", 5}, {"RING", 6},
                                                       {"CORE", 7}, {"BLOCK", 8}, {"ENDCAP", 9}};
  tagBLOCKCLASS* cls = p_lib_design->classes;
  for (const auto& [name, code] : kTypes)
    if (std::strcmp(macro_class, name) == 0) cls->type = code;
  // A macro is a macro whatever its subclass (BLACKBOX, SOFT).
  if (std::strncmp(macro_class, "BLOCK ", 6) == 0) cls->type = kMacroClass;
  lefdef_reading.macro_class[cls] = macro_class;
  return 0;
}

int macroCB(lefrCallbackType_e type, lefiMacro* macro, lefiUserData ud) {
  if (!CallbackFits(type, lefrLastCbkType, ud, p_lib_design) || !p_lib_design->classes) return 0;
  tagBLOCKCLASS* cls = p_lib_design->classes;
  if (macro->hasSize() && !(macro->sizeX() >= 0 && macro->sizeX() <= kMaxMacroSize && macro->sizeY() >= 0 &&
                            macro->sizeY() <= kMaxMacroSize)) {
    return RefuseValue("Error: macro %s has SIZE %g BY %g; sizes must lie in 0..%g microns.", macro->name(),
                       macro->sizeX(), macro->sizeY(), kMaxMacroSize);
  }
  if (macro->hasSize()) {
    cls->width = macro->sizeX();
    cls->height = macro->sizeY();
  }
  if (macro->hasOrigin()) {
    cls->origin_x = macro->originX();
    cls->origin_y = macro->originY();
  }
  // Its pins came before its END: their places shift by its ORIGIN, which
  // puts the macro's lower-left corner at (0, 0); a pin without a port
  // rectangle stands at the macro's centre.
  for (tagPINCLASS* pc = cls->pinclasses; pc; pc = pc->next) {
    if (std::isnan(pc->x)) {
      pc->x = 0.5 * cls->width;
      pc->y = 0.5 * cls->height;
    } else {
      pc->x += cls->origin_x;
      pc->y += cls->origin_y;
    }
  }
  cls->orientations = OrientationsOf(macro->symmetry_);
  if (!macro->site_.empty()) lefdef_reading.macro_site[cls] = macro->site_;
  return 0;
}

int pinCB(lefrCallbackType_e type, lefiPin* pin, lefiUserData ud) {
  if (!CallbackFits(type, lefrLastCbkType, ud, p_lib_design) || !p_lib_design->classes) return 0;
  tagBLOCKCLASS* cls = p_lib_design->classes;
  tagPINCLASS* pc = NewPinc();
  pc->name = CopyName(pin->name());
  // The centre of its port rectangles; placed at the macro's END (macroCB).
  pc->x = pin->hasBox() ? pin->centerX() : std::nan("");
  pc->y = pin->hasBox() ? pin->centerY() : std::nan("");
  pc->next = cls->pinclasses;
  cls->pinclasses = pc;
  return 0;
}

int siteCB(lefrCallbackType_e type, lefiSite* site, lefiUserData ud) {
  if (!CallbackFits(type, lefrLastCbkType, ud, p_lib_design)) return 0;
  lefdef_reading.sites[site->name_] = *site;
  return 0;
}

int layerCB(lefrCallbackType_e type, lefiLayer* layer, lefiUserData ud) {
  if (!CallbackFits(type, lefrLastCbkType, ud, p_lib_design)) return 0;
  if (layer->type_ == "ROUTING") lefdef_reading.routing_layers.push_back(layer->name_);
  return 0;
}

// --- DEF callbacks -----------------------------------------------------------------

int units(defrCallbackType_e type, double distance, defiUserData ud) {
  if (!CallbackFits(type, defrLastCbkType, ud, p_design)) return 0;
  if (!(distance > 0)) {
    return RefuseValue("Error: UNITS DISTANCE MICRONS %g is not a positive number.", distance);
  }
  if (distance > kMaxDefUnits) {
    return RefuseValue("Error: UNITS DISTANCE MICRONS %g is above %g.", distance, kMaxDefUnits);
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
    if (!InCoordinateRange(box->xl()) || !InCoordinateRange(box->yl()) || !InCoordinateRange(box->xh()) ||
        !InCoordinateRange(box->yh())) {
      return RefuseValue("Error: DIEAREA ( %g %g ) ( %g %g ) lies beyond +-%g.", box->xl(), box->yl(),
                         box->xh(), box->yh(), kMaxDefCoordinate);
    }
    const double d = p_design->unit_scale;
    const double w = box->xh() / d - box->xl() / d, h = box->yh() / d - box->yl() / d;
    if (!(w > 0 && h > 0)) {
      return RefuseValue("Error: DIEAREA ( %g %g ) ( %g %g ) encloses no area.", box->xl(), box->yl(),
                         box->xh(), box->yh());
    }
    p_design->width = w;
    p_design->height = h;
    p_design->x = p_design->y = 0;
    // Positions inside the design are measured from the die's lower-left corner.
    lefdef_reading.die_xl = box->xl();
    lefdef_reading.die_yl = box->yl();
    p_design->region_x_lo = box->xl() / d;
    p_design->region_y_lo = box->yl() / d;
    p_design->region_x_hi = w;
    p_design->region_y_hi = h;
    if (p_design->blkclass) {
      p_design->blkclass->width = w;
      p_design->blkclass->height = h;
    }
  } else if (type == defrPinCbkType) {
    const defiPin* pin = static_cast<const defiPin*>(object);
    if (pin->hasPlacement() &&
        (!InCoordinateRange(pin->placementX()) || !InCoordinateRange(pin->placementY()))) {
      return RefuseValue("Error: pin %s is placed at ( %g %g ), beyond +-%g.", pin->pinName(),
                         pin->placementX(), pin->placementY(), kMaxDefCoordinate);
    }
    tagPIN* term = NewPin();
    term->name = CopyName(pin->pinName());
    term->id = pin_no++;
    lefdef_reading.pins[term] = *pin;
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
    return RefuseValue("Error: component %s is placed at ( %g %g ), beyond +-%g.", comp->id(),
                       comp->placementX(), comp->placementY(), kMaxDefCoordinate);
  }
  for (double side : comp->halo_)
    if (comp->has_halo_ && !(side >= 0 && InCoordinateRange(side))) {
      return RefuseValue("Error: component %s has HALO %g %g %g %g; halos lie in 0..%g.", comp->id(),
                         comp->halo_[0], comp->halo_[1], comp->halo_[2], comp->halo_[3], kMaxDefCoordinate);
    }
  tagBLOCK* blk = NewBlk();
  blk->name = CopyName(comp->id());
  blk->id = block_no++;
  auto found = p_libcelltable.find(comp->name());
  if (found == p_libcelltable.end()) {
    lefdef_reading.unknown_macros.Add(comp->name());
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
  if (comp->has_halo_) {
    const double d = p_design->unit_scale;
    lefdef_reading.halos[blk] = {comp->halo_[0] / d, comp->halo_[1] / d, comp->halo_[2] / d,
                                 comp->halo_[3] / d};
  }
  blk->parent = p_design;
  p_celltable[comp->id()] = blk;
  blk->next = p_design->children;
  p_design->children = blk;
  return 0;
}

int netf(defrCallbackType_e type, defiNet* dnet, defiUserData ud) {
  if (!CallbackFits(type, defrLastCbkType, ud, p_design)) return 0;
  // Supply nets reach every cell; like SPECIALNETS they are no signal.
  if (std::strcmp(dnet->use(), "POWER") == 0 || std::strcmp(dnet->use(), "GROUND") == 0) {
    lefdef_reading.supply_nets += 1;
    return 0;
  }
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
        NoteUnknownConnection(dnet->pin(i));
        continue;
      }
      JoinTerminal(term->second, net);
      continue;
    }
    auto cell = p_celltable.find(instance);
    if (cell == p_celltable.end()) {
      NoteUnknownConnection(instance);
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

int headerCB(defrCallbackType_e type, const char* text, defiUserData ud) {
  if (!CallbackFits(type, defrLastCbkType, ud, p_design)) return 0;
  switch (type) {
    case defrDesignCbkType:
      lefdef_reading.design = text;
      break;
    case defrVersionStrCbkType:
      lefdef_reading.version = text;
      break;
    case defrBusBitCbkType:
      lefdef_reading.busbit = text;
      break;
    case defrDividerCbkType:
      lefdef_reading.divider = text;
      break;
    default:
      TypeOutOfBounds();
  }
  return 0;
}

int rowCB(defrCallbackType_e type, defiRow* row, defiUserData ud) {
  if (!CallbackFits(type, defrLastCbkType, ud, p_design)) return 0;
  lefdef_reading.rows.push_back(*row);
  return 0;
}

int trackCB(defrCallbackType_e type, defiTrack* track, defiUserData ud) {
  if (!CallbackFits(type, defrLastCbkType, ud, p_design)) return 0;
  lefdef_reading.tracks.push_back(*track);
  return 0;
}

int blockageCB(defrCallbackType_e type, defiBlockage* blockage, defiUserData ud) {
  if (!CallbackFits(type, defrLastCbkType, ud, p_design)) return 0;
  for (const defiBox& b : blockage->boxes_)
    if (!InCoordinateRange(b.xl()) || !InCoordinateRange(b.yl()) || !InCoordinateRange(b.xh()) ||
        !InCoordinateRange(b.yh()))
      return RefuseValue("Error: a blockage covers ( %g %g ) ( %g %g ), beyond +-%g.", b.xl(), b.yl(), b.xh(),
                         b.yh(), kMaxDefCoordinate);
  lefdef_reading.blockages.push_back(*blockage);
  return 0;
}

Box PinBox(const defiPin& pin, double dbu) {
  double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  if (pin.hasLayer()) {
    x0 = pin.shape_xl_, y0 = pin.shape_yl_, x1 = pin.shape_xh_, y1 = pin.shape_yh_;
    OrientOffset(pin.orient(), &x0, &y0);
    OrientOffset(pin.orient(), &x1, &y1);
  }
  return {(pin.placementX() + std::min(x0, x1)) / dbu, (pin.placementY() + std::min(y0, y1)) / dbu,
          (pin.placementX() + std::max(x0, x1)) / dbu, (pin.placementY() + std::max(y0, y1)) / dbu};
}

// --- readers -------------------------------------------------------------------------

void ResetLefDefInput() {
  p_libcelltable.clear();
  p_celltable.clear();
  p_pintable.clear();
  class_no = block_no = pin_no = net_no = 1;
  lefdef_reading = LefDefReading{};
  lefdef_floorplan = LefDefFloorplan{};
}

void InputLef(const char* path, tagBLOCKCLASS* root) {
  OpenEcho();
  lefdef_reading.lef_path = path;
  p_lib_design = root;
  lefrInit();
  lefrSetMacroBeginCbk(macroBeginCB);
  lefrSetMacroClassTypeCbk(macroClassTypeCB);
  lefrSetMacroCbk(macroCB);
  lefrSetPinCbk(pinCB);
  lefrSetSiteCbk(siteCB);
  lefrSetLayerCbk(layerCB);
  FILE* file = OpenInput(path);
  lefwInit(fout);
  const int status = lefrRead(file, path, root);
  std::fclose(file);
  if (status == 0) lefrPrintUnusedCallbacks(fout);
  CloseEcho();
  CheckStatus(status);
}

// Sections of the design that bear on a floorplan but that the reader
// passes over: the record file lists them, but a user reads the run's
// output, and the tier DEFs will not hold them.
void WarnOfSectionsPassedOver(const char* path) {
  if (defrUnusedCount("REGIONS") + defrUnusedCount("GROUPS") > 0)
    std::printf(
        "Warning: %s: its REGIONS and GROUPS are not kept; the tier DEFs fence the cell groups "
        "instead.\n",
        path);
}

void InputDef(const char* path, tagBLOCK* design) {
  OpenEcho();
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
  defrSetDesignCbk(headerCB);
  defrSetVersionStrCbk(headerCB);
  defrSetBusBitCbk(headerCB);
  defrSetDividerCbk(headerCB);
  defrSetRowCbk(rowCB);
  defrSetTrackCbk(trackCB);
  defrSetBlockageCbk(blockageCB);
  FILE* file = OpenInput(path);
  defwInit(fout);
  const int status = defrRead(file, path, design);
  std::fclose(file);
  if (status == 0) defrPrintUnusedCallbacks(fout);
  CloseEcho();
  CheckStatus(status);
  WarnOfSectionsPassedOver(path);
  CheckCount("COMPONENTS", &design->block_count, block_no - 1);
  CheckCount("PINS", &design->pin_count, pin_no - 1);
  const int unknown = lefdef_reading.unknown_connections.total;
  if (unknown > kConnectionWarnings)
    std::printf("Warning: %d net connections name no component or DEF pin (the first %d shown).\n", unknown,
                kConnectionWarnings);
  p_libcelltable.clear();
  p_celltable.clear();
  p_pintable.clear();
}
