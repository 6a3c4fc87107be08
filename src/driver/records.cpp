// Constructors, whole-design transformations and release of the design records.
#include "driver/records.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <new>
#include <unordered_map>

#include "driver/utilities.h"

double sub_ar = 1.0;

namespace {

// Allocates one value-initialised (all-zero) record; on failure prints the
// record's message and ends the run.
template <typename T>
T* NewRecord(const char* failure) {
  T* record = new (std::nothrow) T();
  if (!record) Refuse({}, 1, "%s", failure);  // a run that could not allocate failed
  return record;
}

void FreeNodes(tagPINLIST* node) {
  while (node) {
    tagPINLIST* next = node->next;
    delete node;
    node = next;
  }
}

void FreePinClasses(tagPINCLASS* pc) {
  while (pc) {
    tagPINCLASS* next = pc->next;
    delete[] pc->name;
    delete pc;
    pc = next;
  }
}

// A net owns its name, its pin-list nodes and the block pins (id 0) among
// them; terminals in the list belong to the design record.
void FreeNets(tagNET* net) {
  while (net) {
    tagNET* next = net->next;
    for (tagPINLIST* node = net->pins; node; node = node->next) {
      tagPIN* pin = static_cast<tagPIN*>(node->pin);
      if (pin && pin->id == 0) {
        delete[] pin->name;
        delete pin;
      }
    }
    FreeNodes(net->pins);
    delete[] net->name;
    delete net;
    net = next;
  }
}

}  // namespace

tagBLOCK* NewBlk() {
  tagBLOCK* blk = NewRecord<tagBLOCK>("Failed to allocate memory for BLOCK");
  blk->unit_scale = 1.0;
  return blk;
}

tagBLOCKCLASS* NewBlkc() { return NewRecord<tagBLOCKCLASS>("Failed to allocate memory for BLOCKCLASS!"); }
tagPINCLASS* NewPinc() { return NewRecord<tagPINCLASS>("Failed to allocate memory for PINCLASS!"); }
tagPIN* NewPin() { return NewRecord<tagPIN>("Failed to allocate memory for PIN!"); }
tagNET* NewNet() { return NewRecord<tagNET>("Failed to allocate memory for NET!"); }
tagPINLIST* NewPinList() { return NewRecord<tagPINLIST>("Allocat memeory failed!"); }

char* CopyName(const char* s) {
  if (!s) return nullptr;
  size_t size = std::strlen(s) + 1;
  char* copy = new (std::nothrow) char[size];
  if (!copy) Refuse({}, 1, "Failed to allocate memory for a name!");
  std::memcpy(copy, s, size);
  return copy;
}

void SetNormScale(tagNORMPARA* norm, double s) {
  norm->scale = s;
  norm->unscale = 1.0 / s;
  norm->unscale_sq = (1.0 / s) * (1.0 / s);
  norm->big = s * 9999999 * 0.999999;
}

double ScaleOutline(tagBLOCK* design, tagNORMPARA* norm) {
  tagBLOCKCLASS* root = design->blkclass;
  const double w = root->width, h = root->height;
  // An outline without extent has no scale to derive.
  if (!(w + h > 0)) return 0;
  const double s = 200.0 / (w + h);
  SetNormScale(norm, s);
  design->width = root->width = w * s;
  design->height = root->height = h * s;
  return s;
}

int Normalize(tagBLOCK* design, tagNORMPARA* norm) {
  if (!design || !norm || !design->blkclass) return 0;
  tagBLOCKCLASS* root = design->blkclass;
  const double s = ScaleOutline(design, norm);
  if (s == 0) return 0;
  design->region_x_lo *= s;
  design->region_y_lo *= s;
  design->region_x_hi *= s;
  design->region_y_hi *= s;

  for (tagBLOCKCLASS* cls = root->classes; cls; cls = cls->next) {
    cls->width *= s;
    cls->height *= s;
    cls->soft_area *= s * s;
    for (double* length :
         {&cls->soft_step_w, &cls->soft_step_h, &cls->soft_min_w, &cls->soft_min_h, &cls->soft_max_h})
      *length *= s;
    for (tagPINCLASS* pc = cls->pinclasses; pc; pc = pc->next) {
      pc->x *= s;
      pc->y *= s;
    }
  }

  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    blk->area *= s * s;
    blk->max_child_width *= s;
    blk->max_child_height *= s;
    if (blk->kind > 0) {
      // Preset rectangles are measured from the design region's lower-left corner.
      blk->fixed_x_lo = s * blk->fixed_x_lo - design->region_x_lo;
      blk->fixed_x_hi = s * blk->fixed_x_hi - design->region_x_lo;
      blk->fixed_y_lo = s * blk->fixed_y_lo - design->region_y_lo;
      blk->fixed_y_hi = s * blk->fixed_y_hi - design->region_y_lo;
      blk->region_x_lo = blk->fixed_x_lo;
      blk->region_y_lo = blk->fixed_y_lo;
      blk->region_x_hi = blk->fixed_x_hi;
      blk->region_y_hi = blk->fixed_y_hi;
    } else {
      blk->region_x_hi = design->width;
      blk->region_y_hi = design->height;
    }
  }

  for (tagPIN* term = design->pins; term; term = term->next) {
    if (!term->pinclass) continue;
    term->x = term->pinclass->x;
    term->y = term->pinclass->y;
  }
  return 1;
}

void SetBlockDimension(tagBLOCK* design) {
  tagBLOCKCLASS* root = design->blkclass;
  int number = root->classes ? root->classes->id : 0;
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    // Its size is unknown, so no floorplan could hold it.
    if (blk->kind > 0 && !blk->blkclass) Refuse({}, 1, "Warning: Fixed block has no block class!");
    // A block of one fixed cell or one macro keeps the macro's shape; a
    // group's shape follows from its cells.
    const bool own_shape = blk->blkclass != nullptr;
    tagBLOCKCLASS* cls = NewBlkc();
    if (own_shape) {
      *cls = *blk->blkclass;
      cls->name = nullptr;
      // The pins keep pointing at the original pin classes, which their own
      // class still owns; the private class starts with none of its own.
      cls->pinclasses = nullptr;
    }
    cls->id = ++number;
    cls->next = root->classes;
    root->classes = cls;
    blk->blkclass = cls;
    if (own_shape) continue;

    double mcw = 0, mch = 0;
    for (tagBLOCK* child = blk->children; child; child = child->next) {
      if (!child->blkclass) continue;
      if (child->blkclass->width > mcw) mcw = child->blkclass->width;
      if (child->blkclass->height > mch) mch = child->blkclass->height;
    }
    blk->max_child_width = mcw;
    blk->max_child_height = mch;
    blk->area *= sub_ar;
    const double a = blk->area;
    const double side = std::sqrt(a);
    cls->width = cls->height = side;

    if (mcw > side) {
      if (mch > side) DclError("Warning: Not proper block size!");
      cls->width = mcw;
      cls->height = a / mcw;
      if (mch > cls->height) {
        cls->height = mcw;
        cls->width = a / mcw;
      }
    } else if (mch > side && mcw > 0) {
      // The height takes the widest child's width; a zero width keeps the square.
      cls->height = mcw;
      cls->width = a / mcw;
    }
  }
}

void FindExtNetsForBlocks(tagBLOCK* design) {
  // Tail of each block's net_refs, so appending stays linear in the net count.
  std::unordered_map<tagBLOCK*, tagPINLIST**> tails;
  for (tagNET* net = design->nets; net; net = net->next) {
    for (tagPINLIST* node = net->pins; node; node = node->next) {
      tagPIN* pin = static_cast<tagPIN*>(node->pin);
      tagPINLIST* ref = NewPinList();
      ref->pin = net;
      if (pin->id != 0) {
        ref->next = pin->net_refs;
        pin->net_refs = ref;
        pin->net_count += 1;
        continue;
      }
      tagBLOCK* owner = pin->owner;
      auto found = tails.find(owner);
      tagPINLIST** tail;
      if (found == tails.end()) {
        tail = &owner->net_refs;
        while (*tail) tail = &(*tail)->next;
      } else {
        tail = found->second;
      }
      *tail = ref;
      tails[owner] = &ref->next;
      owner->degree += static_cast<int>(net->weight);
    }
  }
}

void free_block(tagBLOCK* blk) {
  if (!blk) return;
  for (tagBLOCK* child = blk->children; child;) {
    tagBLOCK* next = child->next;
    free_block(child);
    child = next;
  }
  // A group block owns the nets that lie inside it.
  FreeNets(blk->nets);
  FreeNodes(blk->net_refs);
  delete[] blk->name;
  delete blk;
}

void free_memory(tagBLOCK* design, tagBLOCKCLASS* root, tagNET* cell_nets, tagNORMPARA* norm) {
  if (root) {
    for (tagBLOCKCLASS* cls = root->classes; cls;) {
      tagBLOCKCLASS* next = cls->next;
      FreePinClasses(cls->pinclasses);
      delete[] cls->name;
      delete cls;
      cls = next;
    }
    FreePinClasses(root->pinclasses);
    delete[] root->name;
    delete root;
  }
  if (design) {
    for (tagBLOCK* blk = design->children; blk;) {
      tagBLOCK* next = blk->next;
      free_block(blk);
      blk = next;
    }
    FreeNets(design->nets);
  }
  FreeNets(cell_nets);
  if (design) {
    for (tagPIN* term = design->pins; term;) {
      tagPIN* next = term->next;
      FreeNodes(term->net_refs);
      delete[] term->name;
      delete term;
      term = next;
    }
    delete[] design->name;
    delete design;
  }
  delete norm;
}
