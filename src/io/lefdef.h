// LEF and DEF reading: the records handed to callbacks, callback
// registration and reading, and the callbacks that build the design from
// them. A reader parses one construct completely before its callback runs; a
// callback returning non-zero stops the read with that status.
#pragma once
#include <array>
#include <cstdio>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "driver/orientations.h"
#include "driver/parameters.h"
#include "driver/records.h"
#include "io/lefdef_tokenizer.h"

// --- LEF reader -------------------------------------------------------------------
enum lefrCallbackType_e {
  lefrUnspecifiedCbkType = 0,
  lefrMacroBeginCbkType,
  lefrMacroClassTypeCbkType,
  lefrMacroCbkType,
  lefrPinCbkType,
  lefrSiteCbkType,
  lefrLayerCbkType,
  lefrLastCbkType  // one past the last type
};
typedef void* lefiUserData;

struct lefiMacro {
  std::string name_;
  std::string class_;  // every word of CLASS, single-spaced ("PAD INPUT")
  std::string site_;   // the first site of SITE
  bool has_size_ = false, has_origin_ = false;
  double size_x_ = 0, size_y_ = 0, origin_x_ = 0, origin_y_ = 0;
  int symmetry_ = 0;  // kSymmetryX | kSymmetryY | kSymmetryR90 of SYMMETRY
  const char* name() const { return name_.c_str(); }
  const char* macroClass() const { return class_.c_str(); }
  bool hasSize() const { return has_size_; }
  bool hasOrigin() const { return has_origin_; }
  double sizeX() const { return size_x_; }
  double sizeY() const { return size_y_; }
  double originX() const { return origin_x_; }
  double originY() const { return origin_y_; }
};

struct lefiPin {
  std::string name_;
  // The box around the RECTs of its PORTs, in the macro's LEF coordinates.
  bool has_box_ = false;
  double xl_ = 0, yl_ = 0, xh_ = 0, yh_ = 0;
  const char* name() const { return name_.c_str(); }
  bool hasBox() const { return has_box_; }
  double centerX() const { return 0.5 * (xl_ + xh_); }
  double centerY() const { return 0.5 * (yl_ + yh_); }
};

// SITE name ... END name: where standard cells stand in rows.
struct lefiSite {
  std::string name_, class_;
  double size_x_ = 0, size_y_ = 0;
  int symmetry_ = 0;
};

// LAYER name ... END name, with its TYPE (ROUTING, CUT, ...), upper case.
struct lefiLayer {
  std::string name_, type_;
};

typedef int (*lefrStringCbkFnType)(lefrCallbackType_e, const char*, lefiUserData);
typedef int (*lefrMacroCbkFnType)(lefrCallbackType_e, lefiMacro*, lefiUserData);
typedef int (*lefrPinCbkFnType)(lefrCallbackType_e, lefiPin*, lefiUserData);
typedef int (*lefrSiteCbkFnType)(lefrCallbackType_e, lefiSite*, lefiUserData);
typedef int (*lefrLayerCbkFnType)(lefrCallbackType_e, lefiLayer*, lefiUserData);

void lefrInit();                                       // forgets every callback and the unused tally
void lefrSetMacroBeginCbk(lefrStringCbkFnType f);      // "MACRO name"
void lefrSetMacroClassTypeCbk(lefrStringCbkFnType f);  // each CLASS of a macro
void lefrSetMacroCbk(lefrMacroCbkFnType f);            // "END name" of a macro
void lefrSetPinCbk(lefrPinCbkFnType f);                // "END name" of a macro pin
void lefrSetSiteCbk(lefrSiteCbkFnType f);              // "END name" of a SITE
void lefrSetLayerCbk(lefrLayerCbkFnType f);            // "END name" of a LAYER
void lefwInit(FILE* echo);                             // one line per construct read; null for none
// Reads a LEF library; 0, or the status of the error that stopped it.
int lefrRead(FILE* file, const char* path, lefiUserData data);
void lefrPrintUnusedCallbacks(FILE* out);

// --- DEF reader -------------------------------------------------------------------
enum defrCallbackType_e {
  defrUnspecifiedCbkType = 0,
  defrUnitsCbkType,
  defrDieAreaCbkType,
  defrComponentStartCbkType,
  defrComponentCbkType,
  defrStartPinsCbkType,
  defrPinCbkType,
  defrNetStartCbkType,
  defrNetCbkType,
  defrSNetStartCbkType,
  defrDesignCbkType,      // DESIGN name
  defrVersionStrCbkType,  // VERSION, as written
  defrBusBitCbkType,      // BUSBITCHARS, the two characters
  defrDividerCbkType,     // DIVIDERCHAR, the character
  defrRowCbkType,
  defrTrackCbkType,
  defrBlockageCbkType,
  defrLastCbkType  // one past the last type
};
typedef void* defiUserData;

// DIEAREA: the bounding box of its two corners or of its polygon.
struct defiBox {
  double xl_ = 0, yl_ = 0, xh_ = 0, yh_ = 0;
  double xl() const { return xl_; }
  double yl() const { return yl_; }
  double xh() const { return xh_; }
  double yh() const { return yh_; }
};

struct defiComponent {
  enum Status { kNone, kPlaced, kFixed, kCover, kUnplaced };
  std::string id_, name_;  // component and macro names
  Status status_ = kNone;
  double x_ = 0, y_ = 0;
  int orient_ = 0;  // N W S E FN FW FS FE as 0..7
  bool has_halo_ = false;
  double halo_[4] = {0, 0, 0, 0};  // + HALO left bottom right top
  const char* id() const { return id_.c_str(); }
  const char* name() const { return name_.c_str(); }
  bool isFixed() const { return status_ == kFixed; }
  bool isPlaced() const { return status_ == kPlaced; }
  bool isCover() const { return status_ == kCover; }
  bool isUnplaced() const { return status_ == kUnplaced; }
  double placementX() const { return x_; }
  double placementY() const { return y_; }
  int placementOrient() const { return orient_; }
};

// An I/O pin with its first port: the shape on its layer, relative to the
// placement point, and the placement when the pin is PLACED, FIXED or COVER.
struct defiPin {
  std::string name_, net_, direction_, use_, layer_;
  bool has_shape_ = false, placed_ = false, fixed_ = false;
  double shape_xl_ = 0, shape_yl_ = 0, shape_xh_ = 0, shape_yh_ = 0;
  double x_ = 0, y_ = 0;
  int orient_ = 0;  // N W S E FN FW FS FE as 0..7
  const char* pinName() const { return name_.c_str(); }
  const char* netName() const { return net_.c_str(); }
  bool hasPlacement() const { return placed_; }
  double placementX() const { return x_; }
  double placementY() const { return y_; }
  int orient() const { return orient_; }
  bool hasLayer() const { return has_shape_; }
};

// ROW name site x y orient [DO nx BY ny [STEP sx sy]].
struct defiRow {
  std::string name_, site_;
  double x_ = 0, y_ = 0, step_x_ = 0, step_y_ = 0;
  int orient_ = 0;
  int num_x_ = 1, num_y_ = 1;
};

// TRACKS X|Y start DO n STEP step [MASK ...] [LAYER name ...].
struct defiTrack {
  char axis_ = 'X';
  double start_ = 0, step_ = 0;
  int num_ = 0;
  std::vector<std::string> layers_;
};

// A BLOCKAGES item: "- PLACEMENT" or "- LAYER name", its options, and its
// RECTs and POLYGONs (a polygon by the box around it).
struct defiBlockage {
  bool placement_ = false;
  // A placement blockage with no SOFT or PARTIAL density and no COMPONENT
  // it follows: nothing may stand on it.
  bool hard_ = false;
  std::vector<defiBox> boxes_;
  std::string text_;  // the item as written, from its first word through ";"
};

// Connections ( instance pin ) in file order; "( PIN p )" has instance "PIN".
struct defiNet {
  std::string name_, use_;  // use_: the word after "+ USE", upper case
  std::vector<std::pair<std::string, std::string>> connections_;
  const char* name() const { return name_.c_str(); }
  const char* use() const { return use_.c_str(); }
  int numConnections() const { return static_cast<int>(connections_.size()); }
  const char* instance(int i) const { return connections_[i].first.c_str(); }
  const char* pin(int i) const { return connections_[i].second.c_str(); }
};

typedef int (*defrStringCbkFnType)(defrCallbackType_e, const char*, defiUserData);
typedef int (*defrDoubleCbkFnType)(defrCallbackType_e, double, defiUserData);
typedef int (*defrIntegerCbkFnType)(defrCallbackType_e, int, defiUserData);
// DIEAREA passes a defiBox*, a PINS entry a defiPin*.
typedef int (*defrObjectCbkFnType)(defrCallbackType_e, void*, defiUserData);
typedef int (*defrComponentCbkFnType)(defrCallbackType_e, defiComponent*, defiUserData);
typedef int (*defrNetCbkFnType)(defrCallbackType_e, defiNet*, defiUserData);
typedef int (*defrRowCbkFnType)(defrCallbackType_e, defiRow*, defiUserData);
typedef int (*defrTrackCbkFnType)(defrCallbackType_e, defiTrack*, defiUserData);
typedef int (*defrBlockageCbkFnType)(defrCallbackType_e, defiBlockage*, defiUserData);

void defrInit();                              // forgets every callback and the unused tally
void defrSetUnitsCbk(defrDoubleCbkFnType f);  // UNITS DISTANCE MICRONS d
void defrSetDieAreaCbk(defrObjectCbkFnType f);
void defrSetPinCbk(defrObjectCbkFnType f);
void defrSetComponentStartCbk(defrIntegerCbkFnType f);  // section counts
void defrSetStartPinsCbk(defrIntegerCbkFnType f);
void defrSetNetStartCbk(defrIntegerCbkFnType f);
void defrSetSNetStartCbk(defrIntegerCbkFnType f);
void defrSetComponentCbk(defrComponentCbkFnType f);
void defrSetNetCbk(defrNetCbkFnType f);
void defrSetDesignCbk(defrStringCbkFnType f);
void defrSetVersionStrCbk(defrStringCbkFnType f);
void defrSetBusBitCbk(defrStringCbkFnType f);
void defrSetDividerCbk(defrStringCbkFnType f);
void defrSetRowCbk(defrRowCbkFnType f);
void defrSetTrackCbk(defrTrackCbkFnType f);
void defrSetBlockageCbk(defrBlockageCbkFnType f);
void defwInit(FILE* echo);  // one line per construct read; null for none
// Reads a DEF design; 0, or the status of the error that stopped it.
int defrRead(FILE* file, const char* path, defiUserData data);
void defrPrintUnusedCallbacks(FILE* out);
// How many constructs of `kind` (upper case) the last read passed over.
int defrUnusedCount(const char* kind);

// --- design building (lefdef_callbacks.cpp) -------------------------------------------
// The echo file "list" of the constructs read (null when it cannot be
// created): opened and closed by InputDataFromLefDef, written by the readers'
// echo and the callbacks' error lines.
extern FILE* fout;
// The root class the LEF callbacks add macro classes to, and the design
// record the DEF callbacks build: set by InputLef and InputDef before each
// read, read by every callback (a callback whose user data differs builds
// nothing).
extern tagBLOCKCLASS* p_lib_design;
extern tagBLOCK* p_design;

// What reading the libraries and the design noticed beyond the records.
struct LefDefReading {
  std::string lef_path;                                               // the LEF file being read
  std::unordered_map<const tagBLOCKCLASS*, std::string> macro_class;  // the words of CLASS
  NameTally unknown_macros;       // macros of components that no LEF defines
  NameTally unknown_connections;  // net connections to no component or DEF pin
  int supply_nets = 0;            // NETS of USE POWER or GROUND, left out
  // What the DEF says beyond the records, for the DEF written per tier: its
  // header, the die's lower-left corner (database units) and every pin.
  std::string version, divider, busbit, design;
  double die_xl = 0, die_yl = 0;
  std::unordered_map<const tagPIN*, defiPin> pins;
  // What the libraries say about where things stand: sites by name, the
  // routing layers bottom up, each macro's site; and what the DEF says: the
  // components' halos (microns, left bottom right top), its rows, tracks and
  // blockages (database units).
  std::unordered_map<std::string, lefiSite> sites;
  std::vector<std::string> routing_layers;
  std::unordered_map<const tagBLOCKCLASS*, std::string> macro_site;
  std::unordered_map<const tagBLOCK*, std::array<double, 4>> halos;
  std::vector<defiRow> rows;
  std::vector<defiTrack> tracks;
  std::vector<defiBlockage> blockages;
};
// Filled by the LEF and DEF callbacks during InputDataFromLefDef; read by
// the floorplan framing (lefdef_floorplan.cpp), the block grouping's
// reports, the tier layout and the DEF writer; cleared by ResetLefDefInput.
extern LefDefReading lefdef_reading;

// --- where the floorplan stands (lefdef_floorplan.cpp) --------------------------------
struct Box {
  double xl = 0, yl = 0, xh = 0, yh = 0;
  double Width() const { return xh - xl; }
  double Height() const { return yh - yl; }
};

// How the input lays out its rows of standard-cell sites (microns): the
// site, one row's origin, and the orientations of rows at even and odd
// distances from it.
struct RowGrid {
  std::string site;
  double site_width = 0, row_height = 0;
  double x0 = 0, y0 = 0;
  int orient[2] = {0, 0};
  bool Valid() const { return site_width > 0 && row_height > 0; }
};

// The die of the input and of every tier, the core inside it that the blocks
// fill (the outline), the rows, and the halo kept around every macro block
// (microns, left bottom right top, as placed).
struct LefDefFloorplan {
  Box die;        // the input DEF's die
  Box core;       // where its rows stand (the die without rows)
  Box tier_die;   // every tier's die: the die, or the die folded over the tiers
  Box tier_core;  // the outline within it; in the area-based mode the driver sets its size
  int tiers = 1;
  bool die_outline = false;
  double fence_utilization = 0;  // the share of its fence a group's cells take
  RowGrid rows;
  std::unordered_map<const tagBLOCK*, std::array<double, 4>> halos;
  bool blockages_kept = false;  // blocks keep off the DEF's blockages, and the tier DEF holds them
};
// Set by FrameLefDefFloorplan (and SetTierDie); read by the terminal
// placement in lefdef_input.cpp and by the tier layout; cleared by
// ResetLefDefInput. Microns, in the input DEF's frame.
extern LefDefFloorplan lefdef_floorplan;

// The box a placed pin's shape covers (microns; its placement point when it
// has none): the shape turns with the pin's orientation.
Box PinBox(const defiPin& pin, double dbu);
// Where a box of the input die lands on a tier's die: its offset from the
// corner scales with the room the box can move in, so a box on an edge of
// the die stays on that edge of the tier's.
Box MapToTierDie(const Box& box, const Box& die, const Box& tier_die);
// The box a preplaced block (or pad) covers as the DEF places it (microns).
Box PlacedBox(const tagBLOCK* blk);
// Sets the die, the core and, with die_outline, the outline each tier takes;
// keeps preplaced blocks inside it (refusing a one-tier design whose
// preplaced blocks leave the die, releasing those a folded die cannot hold);
// gives every macro block its halo and every group the fence its cells fill
// at the target utilisation; refuses a design its die cannot hold. Runs
// after SetBlockDimension, before the outline is scaled. `pads` are moved
// into a folded die. `def` names the DEF file in refusals.
void FrameLefDefFloorplan(const char* def, tagBLOCK* design, tagBLOCK* pads, tagPARAMETERS* params);
// On one tier in the DEF's own die: adds a preplaced block without cells for
// each rectangle of the hard placement blockages inside the core that no
// preplaced block covers with its halo; elsewhere warns that blocks may
// cover them. Runs within FrameLefDefFloorplan once the halos are set.
void KeepBlocksOffBlockages(const char* def, tagBLOCK* design, const tagPARAMETERS* params,
                            LefDefFloorplan& f);
// The tier's die and core once the outline is known (the area-based mode
// sizes them from the floorplan's outline, `width` x `height` microns).
void SetTierDie(double width, double height);
// Forgets the tables, numbers and notes of earlier reads, and the floorplan
// framed for them.
void ResetLefDefInput();

void InputLef(const char* path, tagBLOCKCLASS* root);
void InputDef(const char* path, tagBLOCK* design);

int macroBeginCB(lefrCallbackType_e type, const char* name, lefiUserData ud);
int macroClassTypeCB(lefrCallbackType_e type, const char* macro_class, lefiUserData ud);
int macroCB(lefrCallbackType_e type, lefiMacro* macro, lefiUserData ud);
int pinCB(lefrCallbackType_e type, lefiPin* pin, lefiUserData ud);
int siteCB(lefrCallbackType_e type, lefiSite* site, lefiUserData ud);
int layerCB(lefrCallbackType_e type, lefiLayer* layer, lefiUserData ud);
int units(defrCallbackType_e type, double distance, defiUserData ud);
int cs(defrCallbackType_e type, int count, defiUserData ud);
int cls(defrCallbackType_e type, void* object, defiUserData ud);
int compf(defrCallbackType_e type, defiComponent* comp, defiUserData ud);
int netf(defrCallbackType_e type, defiNet* net, defiUserData ud);
int headerCB(defrCallbackType_e type, const char* text, defiUserData ud);
int rowCB(defrCallbackType_e type, defiRow* row, defiUserData ud);
int trackCB(defrCallbackType_e type, defiTrack* track, defiUserData ud);
int blockageCB(defrCallbackType_e type, defiBlockage* blockage, defiUserData ud);
