// Which way each placed macro faces. The floorplan chooses a macro's
// footprint; its mirror images share that footprint, and they decide where
// its pins stand. A RAM whose pins face the die's edge, or the back of the
// next RAM, leaves every wire to go round it; turned to the cells it talks
// to, its wires leave straight into the rows.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "driver/orientations.h"
#include "io/tier_layout.h"
#include "tiers/tiers.h"

namespace {

struct Spot {
  long long x, y;
};

struct Span {
  long long xl = std::numeric_limits<long long>::max(), yl = xl;
  long long xh = std::numeric_limits<long long>::min(), yh = xh;
  void Add(Spot s) {
    xl = std::min(xl, s.x), yl = std::min(yl, s.y);
    xh = std::max(xh, s.x), yh = std::max(yh, s.y);
  }
  long long Length() const { return xh < xl ? 0 : (xh - xl) + (yh - yl); }
};

const tagPINCLASS* PinClassOf(const tagBLOCK* cell, const char* name) {
  if (!cell->blkclass || !name) return nullptr;
  for (const tagPINCLASS* pc = cell->blkclass->pinclasses; pc; pc = pc->next)
    if (pc->name && std::strcmp(pc->name, name) == 0) return pc;
  return nullptr;
}

// Where every pin stands in the layout: a macro's pin where its LEF puts it,
// a standard cell's at the cell's centre, a design pin where it was laid.
class PinSpots {
 public:
  explicit PinSpots(const TierLayout& layout) : layout_(layout) {
    for (size_t i = 0; i < layout.components.size(); ++i) component_[layout.components[i].cell] = i;
    for (const TierLayout::Pin& p : layout.pins) term_[p.term] = {p.x, p.y};
  }

  // Where `pin` stands, its cell turned to `orient`.
  Spot At(const tagPIN* pin, int orient) const {
    if (pin->id != 0) {
      auto found = term_.find(pin);
      return found != term_.end() ? found->second : Spot{0, 0};
    }
    auto found = component_.find(pin->owner);
    if (found == component_.end()) return {0, 0};
    const TierLayout::Component& c = layout_.components[found->second];
    const tagBLOCKCLASS* cls = c.cell->blkclass;
    const tagPINCLASS* pc = IsMacro(c.cell) ? PinClassOf(c.cell, pin->name) : nullptr;
    double x0 = pc ? pc->x : 0.5 * cls->width, y0 = pc ? pc->y : 0.5 * cls->height;
    double x1 = x0, y1 = y0;
    OrientBox(orient, cls->width, cls->height, &x0, &y0, &x1, &y1);
    return {c.x + std::llround(x0 * layout_.dbu), c.y + std::llround(y0 * layout_.dbu)};
  }
  Spot At(const tagPIN* pin) const {
    auto found = pin->id == 0 ? component_.find(pin->owner) : component_.end();
    return At(pin, found != component_.end() ? layout_.components[found->second].orient : 0);
  }

 private:
  const TierLayout& layout_;
  std::unordered_map<const tagBLOCK*, size_t> component_;
  std::unordered_map<const tagPIN*, Spot> term_;
};

// The orientations that keep a macro's footprint: itself and the mirror
// images of it the macro's symmetry allows, itself first.
std::vector<int> FootprintOrientations(const tagBLOCKCLASS* cls, int orient) {
  std::vector<int> kept;
  for (int mirror = 0; mirror < 8; mirror += 2)
    if (mirror == 0 || OrientationAllowed(cls, orient ^ mirror)) kept.push_back(orient ^ mirror);
  return kept;
}

// Turns one macro to the orientation with the shortest nets through its
// pins; a tie keeps the orientation it has.
void Face(TierLayout::Component& macro, const PinSpots& spots) {
  const std::vector<int> choices = FootprintOrientations(macro.cell->blkclass, macro.orient);
  if (choices.size() < 2) return;
  std::vector<long long> length(choices.size(), 0);
  std::unordered_set<const tagNET*> seen;
  std::vector<const tagPIN*> own;
  for (const tagPINLIST* ref = macro.cell->net_refs; ref; ref = ref->next) {
    const tagNET* net = static_cast<const tagNET*>(ref->pin);
    if (!seen.insert(net).second) continue;
    Span others;
    own.clear();
    for (const tagPINLIST* node = net->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
      if (pin->id == 0 && pin->owner == macro.cell)
        own.push_back(pin);
      else
        others.Add(spots.At(pin));
    }
    for (size_t k = 0; k < choices.size(); ++k) {
      Span span = others;
      for (const tagPIN* pin : own) span.Add(spots.At(pin, choices[k]));
      length[k] += span.Length();
    }
  }
  const size_t best = std::min_element(length.begin(), length.end()) - length.begin();
  macro.orient = choices[best];
}

}  // namespace

void FaceMacroPins(TierLayout& layout) {
  const PinSpots spots(layout);
  for (TierLayout::Component& c : layout.components)
    if (c.status == TierLayout::Status::kPlaced && IsMacro(c.cell) && c.cell->blkclass->pinclasses)
      Face(c, spots);
}
