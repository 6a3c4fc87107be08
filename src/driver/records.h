// Design records: blocks, block classes, pin classes, pins, list nodes, nets
// and the normalisation factors. Lists are singly linked through `next` and
// are built by pushing at the head; every output depends on these orders.
#pragma once

struct tagSIGVIA;

struct tagBLOCKCLASS;
struct tagPINCLASS;
struct tagPIN;
struct tagPINLIST;
struct tagNET;

// Limits of the fixed-size engine tables: every per-block and per-tier table
// is sized from these two.
constexpr int kMaxBlocks = 3300;
constexpr int kMaxTiers = 9;
constexpr double kInfinity = 2147483647.0;
constexpr int kIntInfinity = 2147483647;

// Block class types that later stages tell apart: a LEF macro of CLASS PAD,
// one of CLASS BLOCK (a macro), and a DEF placement blockage (a preplaced
// block without cells).
constexpr int kPadClass = 4;
constexpr int kMacroClass = 8;
constexpr int kBlockageClass = 16;

struct tagBLOCK {
  int id;
  char* name;
  int type;
  double width;
  double height;
  double max_child_width;
  double max_child_height;
  double area;
  double unit_scale;
  double region_x_lo, region_y_lo, region_x_hi, region_y_hi;
  double fixed_x_lo, fixed_y_lo, fixed_x_hi, fixed_y_hi;
  double x, y;
  int net_count;
  int pin_count;
  int kind;
  int orient;
  int block_count;
  int degree;
  double power;
  tagBLOCKCLASS* blkclass;
  int tier;
  tagNET* nets;
  tagPINLIST* net_refs;
  tagPIN* pins;
  tagBLOCK* children;
  tagBLOCK* parent;
  tagBLOCK* next;
};

struct tagBLOCKCLASS {
  int id;
  char* name;
  int type;
  // Bit o set when the block may stand in orientation o (a LEF macro's
  // SYMMETRY); kAnyOrientation (0) lets it take any.
  int orientations;
  double width, height;
  // A soft block's area (0 for a hard one) and the range of its height over
  // its width; width and height hold the shape it has now.
  double soft_area;
  double aspect_lo, aspect_hi;
  // What else bounds a soft block's shapes, internal units, 0 where nothing
  // does: the steps of its width and height (one input unit when 0), its
  // least width and height, and its greatest height.
  double soft_step_w, soft_step_h;
  double soft_min_w, soft_min_h, soft_max_h;
  double origin_x, origin_y;
  tagPINCLASS* pinclasses;
  tagBLOCKCLASS* classes;
  tagBLOCKCLASS* next;
};

struct tagPINCLASS {
  int id;
  char* name;
  double x, y;
  tagPINCLASS* next;
};

struct tagPIN {
  int id;
  char* name;
  tagPINCLASS* pinclass;
  tagBLOCK* owner;
  tagNET* net;
  tagPINLIST* net_refs;
  int net_count;
  double x, y;
  tagPIN* next;
};

// A list node; `pin` points at a tagPIN in a net's pin list and at a tagNET
// in a `net_refs` list.
struct tagPINLIST {
  void* pin;
  tagPINLIST* next;
};

struct tagNET {
  int id;
  char* name;
  double weight;
  double minx, miny, maxx, maxy;
  double hpwl_w_via;
  double hpwl_ub;
  int degree;
  int via_cnt;
  // 1 for a net that only pulls its blocks together (a LEF/DEF net's macros
  // and pins): it adds wire length, never a via.
  int wire_only;
  tagSIGVIA** vias;
  tagNET** sub_nets;
  tagPINLIST* pins;
  tagNET* next;
};

struct tagNORMPARA {
  double scale;
  double unscale;
  double unscale_sq;
  double big;
};

// Constructors: every field zero or null (a block's unit_scale is 1.0).
// An allocation failure prints its message and ends the process.
tagBLOCK* NewBlk();
tagBLOCKCLASS* NewBlkc();
tagPINCLASS* NewPinc();
tagPIN* NewPin();
tagNET* NewNet();
tagPINLIST* NewPinList();       // "Allocat memeory failed!" on failure
char* CopyName(const char* s);  // heap copy owned by the record; null for null

// Whole-design transformations.
// Input units to internal ones by s, and the values that follow from it.
void SetNormScale(tagNORMPARA* norm, double s);
// Scales the outline (the design's and its class's width and height) so that
// width + height = 200 and sets `norm` to the factor; 0 for an outline
// without extent, which is left as it is.
double ScaleOutline(tagBLOCK* design, tagNORMPARA* norm);
// The outline as above, then the design region, classes, pin classes, block
// areas and preset rectangles by the same factor.
int Normalize(tagBLOCK* design, tagNORMPARA* norm);
void SetBlockDimension(tagBLOCK* design);
void FindExtNetsForBlocks(tagBLOCK* design);

// Release everything reachable from the design and the root class.
void free_memory(tagBLOCK* design, tagBLOCKCLASS* root, tagNET* cell_nets, tagNORMPARA* norm);
void free_block(tagBLOCK* blk);

// Area factor SetBlockDimension applies to every group of standard cells
// (1.0; nothing changes it). Read by SetBlockDimension alone.
extern double sub_ar;
