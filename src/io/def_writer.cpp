// The DEF of every tier of a LEF/DEF run: what a place-and-route flow takes
// over from the floorplan. Coordinates are the input's database units,
// counted from the same corner as the input DEF's.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>
#include <vector>

#include "driver/utilities.h"
#include "io/io.h"
#include "io/lefdef.h"
#include "tiers/tiers.h"

namespace {

const char* const kOrientations[] = {"N", "W", "S", "E", "FN", "FW", "FS", "FE"};

// Database units per internal unit, and the corner everything counts from.
struct Units {
  double per_internal;
  double x0, y0;  // the design's corner, in internal units
  long long X(double x) const { return std::llround((x + x0) * per_internal); }
  long long Y(double y) const { return std::llround((y + y0) * per_internal); }
};

// Where a component goes: its lower-left corner and its orientation.
struct Place {
  double x, y;
  int orient;
};

int TierOf(const tagBLOCK* cell) { return cell->parent ? cell->parent->tier : 0; }

// A block of one component (a fixed cell or a macro) rather than a group.
bool IsOwnBlock(const tagBLOCK* blk) {
  return blk->kind != 0 || (blk->blkclass && blk->blkclass->type == kMacroClass);
}

// Standard cells of a group in rows inside its rectangle, in the group's
// order; rows squeezed together when they would overflow it, so that every
// cell starts inside. A placer legalises them within the fence.
void PlaceGroupCells(const tagBLOCK* group, std::unordered_map<const tagBLOCK*, Place>& places) {
  struct Spot {
    const tagBLOCK* cell;
    double x, row_y;
  };
  std::vector<Spot> spots;
  double x = 0, y = 0, row = 0;
  for (const tagBLOCK* cell = group->children; cell; cell = cell->next) {
    const double w = cell->blkclass->width, h = cell->blkclass->height;
    if (x > 0 && x + w > group->width) {
      y += row;
      x = row = 0;
    }
    spots.push_back({cell, std::min(x, std::max(0.0, group->width - w)), y});
    x += w;
    row = std::max(row, h);
  }
  const double squeeze = y + row > group->height && y > 0 ? std::max(0.0, group->height - row) / y : 1.0;
  for (const Spot& s : spots) places[s.cell] = {group->x + s.x, group->y + s.row_y * squeeze, 0};
}

struct TierDefs {
  const tagBLOCK* design;
  const tagBLOCK* pads;
  Units units;
  double width, height;                   // the written outline, internal units
  double die_xl, die_yl, die_xh, die_yh;  // the outline and the pad ring around it
  std::unordered_map<const tagBLOCK*, Place> places;
  // Per cell-level net: its lowest and highest tier and its via places.
  struct NetSpan {
    int low, high;
    std::vector<ViaPlace> vias;
  };
  std::map<const tagNET*, NetSpan> spans;
  std::vector<const tagNET*> nets;  // in DEF order
};

double TerminalX(const TierDefs& defs, const tagPIN* term) {
  return term->pinclass ? term->pinclass->x * defs.width : 0;
}
double TerminalY(const TierDefs& defs, const tagPIN* term) {
  return term->pinclass ? term->pinclass->y * defs.height : 0;
}

// The blocks and terminals a net reaches, as via planning's nets list them:
// a block-level net's pins belong to blocks; a cell net's pins to cells,
// which stand for their blocks, and to fixed pads, which stand for their
// terminals.
std::vector<const void*> Members(const tagNET* net, bool cell_net) {
  std::vector<const void*> members;
  for (const tagPINLIST* node = net->pins; node; node = node->next) {
    const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
    const void* member = pin;  // a terminal stands for itself
    if (pin->id == 0) {
      if (!cell_net)
        member = pin->owner;
      else if (IsFixedPad(pin->owner))
        member = PadTerminal(pin->owner);
      else
        member = pin->owner->parent;
    }
    if (member) members.push_back(member);
  }
  std::sort(members.begin(), members.end());
  members.erase(std::unique(members.begin(), members.end()), members.end());
  return members;
}

// Each net's tiers, and where it crosses between them: at the vias planning
// placed for the block-level net over the same blocks, else at the centre
// of its pins' box.
void SpanNets(TierDefs& defs, const tagNET* cell_nets, const ViaPlaces& vias) {
  std::map<std::vector<const void*>, const std::vector<ViaPlace>*> planned;
  for (const tagNET* net = defs.design->nets; net; net = net->next) {
    auto found = vias.find(net);
    if (found != vias.end()) planned[Members(net, false)] = &found->second;
  }
  for (const tagNET* net = cell_nets; net; net = net->next) {
    defs.nets.push_back(net);
    TierDefs::NetSpan span{kIntInfinity, -1, {}};
    double xl = kInfinity, yl = kInfinity, xh = -kInfinity, yh = -kInfinity;
    for (const tagPINLIST* node = net->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
      int tier = 0;
      double x, y;
      if (pin->id != 0) {
        x = TerminalX(defs, pin);
        y = TerminalY(defs, pin);
      } else {
        const Place& p = defs.places.at(pin->owner);
        x = p.x + 0.5 * pin->owner->blkclass->width;
        y = p.y + 0.5 * pin->owner->blkclass->height;
        tier = TierOf(pin->owner);
      }
      span.low = std::min(span.low, tier);
      span.high = std::max(span.high, tier);
      xl = std::min(xl, x), yl = std::min(yl, y), xh = std::max(xh, x), yh = std::max(yh, y);
    }
    if (span.high > span.low) {
      auto found = planned.find(Members(net, true));
      if (found != planned.end()) {
        span.vias = *found->second;
      } else {
        const double x = std::clamp(0.5 * (xl + xh), 0.0, defs.width);
        const double y = std::clamp(0.5 * (yl + yh), 0.0, defs.height);
        for (int b = span.low + 1; b <= span.high; ++b) span.vias.push_back({b, x, y});
      }
    }
    defs.spans[net] = span;
  }
  std::reverse(defs.nets.begin(), defs.nets.end());
}

std::string ViaPinName(const tagNET* net, int boundary) {
  return std::string(net->name) + "__via" + std::to_string(boundary);
}

// One component line; the cell's own FIXED status for preplaced blocks.
void WriteComponent(std::string& out, const TierDefs& defs, const tagBLOCK* cell, bool fixed) {
  const Place& p = defs.places.at(cell);
  out += "  - " + std::string(cell->name) + " " + cell->blkclass->name;
  Appendf(out, " + %s ( %lld %lld ) %s ;\n", fixed ? "FIXED" : "PLACED", defs.units.X(p.x), defs.units.Y(p.y),
          kOrientations[p.orient & 7]);
}

std::string TierDef(const TierDefs& defs, int tier) {
  std::string components, regions, groups, pins, nets;
  int component_count = 0, region_count = 0, group_count = 0, pin_count = 0, net_count = 0;
  const Units& u = defs.units;
  for (const tagBLOCK* blk = defs.design->children; blk; blk = blk->next) {
    if (blk->tier != tier) continue;
    const bool group = !IsOwnBlock(blk);
    for (const tagBLOCK* cell = blk->children; cell; cell = cell->next, ++component_count)
      WriteComponent(components, defs, cell, blk->kind != 0);
    if (!group) continue;
    ++region_count;
    Appendf(regions, "  - %s ( %lld %lld ) ( %lld %lld ) + TYPE FENCE ;\n", blk->name, u.X(blk->x),
            u.Y(blk->y), u.X(blk->x + blk->width), u.Y(blk->y + blk->height));
    ++group_count;
    groups += "  - " + std::string(blk->name);
    int on_line = 0;
    for (const tagBLOCK* cell = blk->children; cell; cell = cell->next)
      groups += (++on_line % 8 == 0 ? "\n     " : " ") + std::string(cell->name);
    groups += " + REGION " + std::string(blk->name) + " ;\n";
  }
  if (tier == 0)
    for (const tagBLOCK* pad = defs.pads; pad; pad = pad->next, ++component_count)
      WriteComponent(components, defs, pad, true);

  if (tier == 0)
    for (const tagPIN* term = defs.design->pins; term; term = term->next) {
      ++pin_count;
      const defiPin* read = nullptr;
      auto found = lefdef_reading.pins.find(term);
      if (found != lefdef_reading.pins.end()) read = &found->second;
      pins += "  - " + std::string(term->name);
      if (term->net) pins += " + NET " + std::string(term->net->name);
      if (read && !read->direction_.empty()) pins += " + DIRECTION " + read->direction_;
      if (read && !read->use_.empty()) pins += " + USE " + read->use_;
      // The centre of the pin's shape lands on the terminal's place.
      double cx = 0, cy = 0;
      const int orient = read && read->hasPlacement() ? read->orient() : 0;
      if (read && read->hasLayer()) {
        defiPin at_origin = *read;
        at_origin.x_ = at_origin.y_ = 0;
        PinCentre(at_origin, &cx, &cy);
        Appendf(pins, " + LAYER %s ( %.0f %.0f ) ( %.0f %.0f )", read->layer_.c_str(), read->shape_xl_,
                read->shape_yl_, read->shape_xh_, read->shape_yh_);
      }
      Appendf(pins, " + %s ( %lld %lld ) %s ;\n", read && read->fixed_ ? "FIXED" : "PLACED",
              u.X(TerminalX(defs, term)) - std::llround(cx), u.Y(TerminalY(defs, term)) - std::llround(cy),
              kOrientations[orient & 7]);
    }

  for (const tagNET* net : defs.nets) {
    const TierDefs::NetSpan& span = defs.spans.at(net);
    std::string connections;
    for (const tagPINLIST* node = net->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
      if (pin->id != 0) {
        if (tier == 0) connections += " ( PIN " + std::string(pin->name) + " )";
      } else if (TierOf(pin->owner) == tier) {
        connections += " ( " + std::string(pin->owner->name) + " " + pin->name + " )";
      }
    }
    for (const ViaPlace& via : span.vias) {
      if (via.boundary != tier && via.boundary != tier + 1) continue;
      const std::string name = ViaPinName(net, via.boundary);
      connections += " ( PIN " + name + " )";
      ++pin_count;
      Appendf(pins, "  - %s + NET %s + DIRECTION INOUT + USE SIGNAL + PLACED ( %lld %lld ) N ;\n",
              name.c_str(), net->name, u.X(via.x), u.Y(via.y));
    }
    if (connections.empty()) continue;
    ++net_count;
    nets += "  - " + std::string(net->name) + connections + " ;\n";
  }

  std::string out;
  if (!lefdef_reading.version.empty()) out += "VERSION " + lefdef_reading.version + " ;\n";
  if (!lefdef_reading.divider.empty()) out += "DIVIDERCHAR \"" + lefdef_reading.divider + "\" ;\n";
  if (!lefdef_reading.busbit.empty()) out += "BUSBITCHARS \"" + lefdef_reading.busbit + "\" ;\n";
  out += "DESIGN " + (lefdef_reading.design.empty() ? std::string("design") : lefdef_reading.design) + " ;\n";
  Appendf(out, "UNITS DISTANCE MICRONS %.0f ;\n", defs.design->unit_scale);
  Appendf(out, "DIEAREA ( %lld %lld ) ( %lld %lld ) ;\n", u.X(defs.die_xl), u.Y(defs.die_yl),
          u.X(defs.die_xh), u.Y(defs.die_yh));
  auto section = [&out](const char* name, int count, const std::string& body) {
    Appendf(out, "%s %d ;\n", name, count);
    out += body;
    Appendf(out, "END %s\n", name);
  };
  section("REGIONS", region_count, regions);
  section("COMPONENTS", component_count, components);
  section("PINS", pin_count, pins);
  section("NETS", net_count, nets);
  section("GROUPS", group_count, groups);
  out += "END DESIGN\n";
  return out;
}

}  // namespace

void OutputTierDefs(const char* base, const tagBLOCK* design, const tagBLOCK* pads, const tagNET* cell_nets,
                    const tagNORMPARA* norm, int tiers, const ViaPlaces& vias) {
  TierDefs defs{design,
                pads,
                {norm->unscale * design->unit_scale, design->region_x_lo, design->region_y_lo},
                design->width,
                design->height,
                0,
                0,
                design->width,
                design->height,
                {},
                {},
                {}};
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next) {
    if (IsOwnBlock(blk))
      defs.places[blk->children] = {blk->x, blk->y, blk->orient};
    else
      PlaceGroupCells(blk, defs.places);
  }
  for (const tagBLOCK* pad = pads; pad; pad = pad->next) {
    const Place p{pad->fixed_x_lo - design->region_x_lo, pad->fixed_y_lo - design->region_y_lo, pad->orient};
    defs.places[pad] = p;
    const bool turned = pad->orient & 1;
    defs.die_xl = std::min(defs.die_xl, p.x);
    defs.die_yl = std::min(defs.die_yl, p.y);
    defs.die_xh = std::max(defs.die_xh, p.x + (turned ? pad->blkclass->height : pad->blkclass->width));
    defs.die_yh = std::max(defs.die_yh, p.y + (turned ? pad->blkclass->width : pad->blkclass->height));
  }
  SpanNets(defs, cell_nets, vias);
  for (int t = 0; t < tiers; ++t) {
    ReplacedFile out(std::string(base) + "_tier" + std::to_string(t) + ".def");
    if (!out.get()) {
      std::printf("Cannot open %s for write!\n", out.path().c_str());
      continue;
    }
    const std::string text = TierDef(defs, t);
    std::fwrite(text.data(), 1, text.size(), out.get());
    out.Commit();
  }
}
