// Which way each placed macro faces. The floorplan chooses a macro's
// footprint; its mirror images share that footprint, and they decide where
// its pins stand. A RAM whose pins face the die's edge, or the back of the
// next RAM, leaves every wire to go round it; turned to the cells it talks
// to, its wires leave straight into the rows. But two RAMs whose pin edges
// face each other across no more than their halos pour both their buses into
// one channel that holds no cells, and a pin edge at the rows' edge faces
// nothing at all; such channels are then freed by the turns that lengthen
// the nets least, where a mirror image can free them.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <limits>
#include <unordered_map>
#include <unordered_set>
#include <utility>
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
    for (size_t i = 0; i < layout.components.size(); ++i) {
      const tagBLOCK* cell = layout.components[i].cell;
      component_[cell] = i;
      if (!IsMacro(cell)) continue;
      // A macro's pin classes are found by name once: a RAM has hundreds.
      for (const tagPINLIST* ref = cell->net_refs; ref; ref = ref->next)
        for (const tagPINLIST* node = static_cast<const tagNET*>(ref->pin)->pins; node; node = node->next) {
          const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
          if (pin->id == 0 && pin->owner == cell) pin_class_[pin] = PinClassOf(cell, pin->name);
        }
    }
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
    auto named = pin_class_.find(pin);
    const tagPINCLASS* pc = named != pin_class_.end() ? named->second : nullptr;
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
  std::unordered_map<const tagPIN*, const tagPINCLASS*> pin_class_;  // pins of macros
};

enum Side { kNoSide = -1, kLeft, kBottom, kRight, kTop };

Side Opposite(Side s) { return static_cast<Side>((s + 2) % 4); }

// Width and height of the macro in orientation `orient`.
std::pair<double, double> FootprintSize(const tagBLOCKCLASS* cls, int orient) {
  return orient & 1 ? std::make_pair(cls->height, cls->width) : std::make_pair(cls->width, cls->height);
}

// The edge a macro's pins stand on in orientation `orient`: the one nearest
// to their centre, when that lies within a tenth of the macro's extent of
// it; none for pins spread over the macro.
Side PinSide(const tagBLOCKCLASS* cls, int orient) {
  double x = 0.0, y = 0.0;
  int pins = 0;
  for (const tagPINCLASS* pc = cls->pinclasses; pc; pc = pc->next, ++pins) {
    double x0 = pc->x, y0 = pc->y, x1 = x0, y1 = y0;
    OrientBox(orient, cls->width, cls->height, &x0, &y0, &x1, &y1);
    x += x0;
    y += y0;
  }
  if (pins == 0) return kNoSide;
  x /= pins;
  y /= pins;
  const auto [w, h] = FootprintSize(cls, orient);
  const double reach[4] = {x / w, y / h, (w - x) / w, (h - y) / h};
  const int nearest = static_cast<int>(std::min_element(reach, reach + 4) - reach);
  return reach[nearest] <= 0.1 ? static_cast<Side>(nearest) : kNoSide;
}

// The macro's body in database units, as it stands.
DbuBox BodyOf(const TierLayout::Component& c, double dbu) {
  const auto [w, h] = FootprintSize(c.cell->blkclass, c.orient);
  return {c.x, c.y, c.x + std::llround(w * dbu), c.y + std::llround(h * dbu)};
}

long long HaloOf(const TierLayout::Component& c, Side s, double dbu) {
  return c.halo ? std::llround((*c.halo)[s] * dbu) : 0LL;
}

// How far box b lies beyond side `side` of box a.
long long GapBeyond(const DbuBox& a, Side side, const DbuBox& b) {
  switch (side) {
    case kLeft:
      return a.xl - b.xh;
    case kRight:
      return b.xl - a.xh;
    case kBottom:
      return a.yl - b.yh;
    default:
      return b.yl - a.yh;
  }
}

// Whether macro `to` lies beyond side `side` of macro `from` with nothing
// but their halos between them, the two edges overlapping along the side.
bool AcrossHalos(const TierLayout::Component& from, Side side, const TierLayout::Component& to, double dbu) {
  if (from.tier != to.tier) return false;
  const DbuBox a = BodyOf(from, dbu), b = BodyOf(to, dbu);
  const long long gap = GapBeyond(a, side, b);
  const auto overlap = [](long long lo_1, long long hi_1, long long lo_2, long long hi_2) {
    return std::min(hi_1, hi_2) > std::max(lo_1, lo_2);
  };
  const bool along =
      side == kLeft || side == kRight ? overlap(a.yl, a.yh, b.yl, b.yh) : overlap(a.xl, a.xh, b.xl, b.xh);
  return gap >= 0 && gap <= HaloOf(from, side, dbu) + HaloOf(to, Opposite(side), dbu) && along;
}

// The box the rows cover (the die without rows; empty without either).
DbuBox RowsBox(const TierLayout& layout) {
  if (layout.rows.empty()) return layout.die;
  DbuBox box{layout.rows[0].x, layout.rows[0].y, layout.rows[0].x, layout.rows[0].y};
  for (const TierLayout::Row& row : layout.rows) {
    box.xl = std::min(box.xl, row.x);
    box.yl = std::min(box.yl, row.y);
    box.xh = std::max(box.xh, row.x + row.sites * layout.site_step);
    box.yh = std::max(box.yh, row.y + layout.row_height);
  }
  return box;
}

// Whether side `side` of the macro stands no further from the rows' edge
// than its halo: no cell fits before it.
bool AtRowsEdge(const TierLayout::Component& macro, Side side, const DbuBox& rows, double dbu) {
  if (rows.xh <= rows.xl || rows.yh <= rows.yl) return false;
  // Turned inside out, the rows' box lies beyond each side at its edge.
  const DbuBox outside{rows.xh, rows.yh, rows.xl, rows.yl};
  return GapBeyond(BodyOf(macro, dbu), side, outside) <= HaloOf(macro, side, dbu);
}

// A placed macro with pins: one whose facing is chosen.
bool FacesPins(const TierLayout::Component& c) {
  return c.status == TierLayout::Status::kPlaced && IsMacro(c.cell) && c.cell->blkclass->pinclasses;
}

// A net of a macro whose facing is chosen: the box of its pins that never
// turn, the pins of other such macros, and the macro's own.
struct MacroNet {
  Span fixed;
  std::vector<const tagPIN*> turning, own;
};

// What the facing reads: the layout, where pins stand, the macros whose
// facing it chooses (indices into the components), the rows' box, the pin
// side of each of their classes in each orientation, and their nets.
struct Facing {
  TierLayout& layout;
  PinSpots spots;
  std::vector<size_t> macros;
  DbuBox rows;
  std::unordered_map<const tagBLOCKCLASS*, std::array<Side, 8>> sides{};
  std::unordered_map<size_t, std::vector<MacroNet>> nets{};

  Side SideOf(const TierLayout::Component& c, int orient) const { return sides.at(c.cell->blkclass)[orient]; }
};

// How many macros face macro `index`'s pin edge in orientation `orient`
// with their own pin edge, across no more than the two halos (their indices
// into `partners`, when given), and 1 more when that edge stands at the
// rows' edge.
int SharedChannels(const Facing& f, size_t index, int orient, std::vector<size_t>* partners = nullptr) {
  const TierLayout::Component& macro = f.layout.components[index];
  const Side side = f.SideOf(macro, orient);
  if (side == kNoSide) return 0;
  TierLayout::Component turned = macro;
  turned.orient = orient;
  int shared = AtRowsEdge(turned, side, f.rows, f.layout.dbu) ? 1 : 0;
  for (size_t i : f.macros) {
    const TierLayout::Component& other = f.layout.components[i];
    if (i == index || f.SideOf(other, other.orient) != Opposite(side) ||
        !AcrossHalos(turned, side, other, f.layout.dbu))
      continue;
    ++shared;
    if (partners) partners->push_back(i);
  }
  return shared;
}

// The orientations that keep a macro's footprint: itself and the mirror
// images of it the macro's symmetry allows, itself first.
std::vector<int> FootprintOrientations(const tagBLOCKCLASS* cls, int orient) {
  std::vector<int> kept;
  for (int mirror = 0; mirror < 8; mirror += 2)
    if (mirror == 0 || OrientationAllowed(cls, orient ^ mirror)) kept.push_back(orient ^ mirror);
  return kept;
}

// The nets of macro `cell`, each as the facing sees it: the pins that never
// turn (of cells, fixed macros and the design) as one box, the pins of the
// other macros in `turning`, and the macro's own.
std::vector<MacroNet> NetsOf(const tagBLOCK* cell, const std::unordered_set<const tagBLOCK*>& turning,
                             const PinSpots& spots) {
  std::vector<MacroNet> nets;
  std::unordered_set<const tagNET*> seen;
  for (const tagPINLIST* ref = cell->net_refs; ref; ref = ref->next) {
    const tagNET* net = static_cast<const tagNET*>(ref->pin);
    if (!seen.insert(net).second) continue;
    MacroNet& viewed = nets.emplace_back();
    for (const tagPINLIST* node = net->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
      if (pin->id == 0 && pin->owner == cell)
        viewed.own.push_back(pin);
      else if (pin->id == 0 && turning.count(pin->owner))
        viewed.turning.push_back(pin);
      else
        viewed.fixed.Add(spots.At(pin));
    }
  }
  return nets;
}

// The length of the nets through macro `index`'s pins in each of `choices`,
// the other pins where they stand.
std::vector<long long> NetLengths(const Facing& f, size_t index, const std::vector<int>& choices) {
  std::vector<long long> length(choices.size(), 0);
  for (const MacroNet& net : f.nets.at(index)) {
    Span others = net.fixed;
    for (const tagPIN* pin : net.turning) others.Add(f.spots.At(pin));
    for (size_t k = 0; k < choices.size(); ++k) {
      Span span = others;
      for (const tagPIN* pin : net.own) span.Add(f.spots.At(pin, choices[k]));
      length[k] += span.Length();
    }
  }
  return length;
}

// Turns macro `index` to the orientation with the shortest nets through
// its pins; a tie keeps the orientation it has.
void Face(Facing& f, size_t index) {
  TierLayout::Component& macro = f.layout.components[index];
  const std::vector<int> choices = FootprintOrientations(macro.cell->blkclass, macro.orient);
  if (choices.size() < 2) return;
  const std::vector<long long> length = NetLengths(f, index, choices);
  macro.orient = choices[std::min_element(length.begin(), length.end()) - length.begin()];
}

// A turn of one macro to orientation `to`: how much longer its nets get and
// how many of its shared channels it frees (0 or less when it frees none).
struct Step {
  size_t macro;
  int to;
  long long longer;
  int freed;
};

// Every turn of macro `index` to another orientation of its footprint, the
// layout as it stands; none when the macro shares no channel.
std::vector<Step> Turns(const Facing& f, size_t index) {
  const TierLayout::Component& c = f.layout.components[index];
  const int shared = SharedChannels(f, index, c.orient);
  std::vector<Step> turns;
  if (shared == 0) return turns;
  const std::vector<int> choices = FootprintOrientations(c.cell->blkclass, c.orient);
  const std::vector<long long> length = NetLengths(f, index, choices);
  for (size_t k = 1; k < choices.size(); ++k)
    turns.push_back(
        {index, choices[k], length[k] - length[0], shared - SharedChannels(f, index, choices[k])});
  return turns;
}

// One or two turns that free shared channels, at `cost` more net length per
// channel freed.
struct Freeing {
  std::vector<Step> steps;
  double cost = 0.0;
};

// Of the turns that free shared channels, the one that lengthens the nets
// least per channel: a macro's turn into an orientation that shares fewer;
// where no such turn is left, a turn that only moves a shared channel to a
// new neighbour, with the neighbour's turn that frees it (the middle one of
// three RAMs in a row frees itself so). No steps when none frees one.
Freeing CheapestFreeing(Facing& f) {
  Freeing best;
  const auto offer = [&best](std::vector<Step> steps) {
    long long longer = 0;
    for (const Step& s : steps) longer += s.longer;
    const double cost = static_cast<double>(longer) / steps.back().freed;
    if (best.steps.empty() || cost < best.cost) best = Freeing{std::move(steps), cost};
  };
  std::vector<Step> moving;  // turns that keep the count, to pair up
  for (size_t i : f.macros) {
    for (const Step& turn : Turns(f, i)) {
      if (turn.freed > 0) offer({turn});
      if (turn.freed == 0) moving.push_back(turn);
    }
  }
  if (!best.steps.empty()) return best;
  for (const Step& turn : moving) {
    TierLayout::Component& c = f.layout.components[turn.macro];
    std::vector<size_t> partners;
    SharedChannels(f, turn.macro, turn.to, &partners);
    const int was = c.orient;
    c.orient = turn.to;
    for (size_t partner : partners)
      for (const Step& then : Turns(f, partner))
        if (then.freed > 0) offer({turn, then});
    c.orient = was;
  }
  return best;
}

}  // namespace

void FaceMacroPins(TierLayout& layout) {
  Facing f{layout, PinSpots(layout), {}, RowsBox(layout)};
  for (size_t i = 0; i < layout.components.size(); ++i) {
    const TierLayout::Component& c = layout.components[i];
    if (!FacesPins(c)) continue;
    f.macros.push_back(i);
    if (f.sides.count(c.cell->blkclass)) continue;
    std::array<Side, 8>& sides = f.sides[c.cell->blkclass];
    for (int orient = 0; orient < 8; ++orient) sides[orient] = PinSide(c.cell->blkclass, orient);
  }
  std::unordered_set<const tagBLOCK*> turning;
  for (size_t i : f.macros) turning.insert(layout.components[i].cell);
  for (size_t i : f.macros) f.nets[i] = NetsOf(layout.components[i].cell, turning, f.spots);
  for (size_t i : f.macros) Face(f, i);
  // Every freeing lowers the number of shared channels, so this ends.
  for (Freeing freeing = CheapestFreeing(f); !freeing.steps.empty(); freeing = CheapestFreeing(f))
    for (const Step& step : freeing.steps) layout.components[step.macro].orient = step.to;
}
