// The DEF of every tier of a LEF/DEF run, written from the tier layout: what
// a place-and-route flow takes over from the floorplan.
#include <cmath>
#include <cstdio>
#include <string>
#include <unordered_map>

#include "driver/utilities.h"
#include "io/io.h"
#include "io/tier_layout.h"

namespace {

const char* const kOrientations[] = {"N", "W", "S", "E", "FN", "FW", "FS", "FE"};

std::string ViaPinName(const tagNET* net, int boundary) {
  return std::string(net->name) + "__via" + std::to_string(boundary);
}

void WriteComponent(std::string& out, const TierLayout& layout, const TierLayout::Component& c) {
  out += "  - " + std::string(c.cell->name) + " " + c.cell->blkclass->name;
  if (c.status == TierLayout::Status::kUnplaced) {
    out += " + UNPLACED";
  } else {
    Appendf(out, " + %s ( %lld %lld ) %s", c.status == TierLayout::Status::kFixed ? "FIXED" : "PLACED", c.x,
            c.y, kOrientations[c.orient & 7]);
  }
  if (c.halo)
    Appendf(out, " + HALO %lld %lld %lld %lld", std::llround((*c.halo)[0] * layout.dbu),
            std::llround((*c.halo)[1] * layout.dbu), std::llround((*c.halo)[2] * layout.dbu),
            std::llround((*c.halo)[3] * layout.dbu));
  out += " ;\n";
}

void WriteDesignPin(std::string& out, const TierLayout::Pin& p) {
  const defiPin* read = p.read;
  out += "  - " + std::string(p.term->name);
  if (p.term->net) out += " + NET " + std::string(p.term->net->name);
  if (read && !read->direction_.empty()) out += " + DIRECTION " + read->direction_;
  if (read && !read->use_.empty()) out += " + USE " + read->use_;
  if (read && read->hasLayer() && read->hasPlacement())
    Appendf(out, " + LAYER %s ( %.0f %.0f ) ( %.0f %.0f )", read->layer_.c_str(), read->shape_xl_,
            read->shape_yl_, read->shape_xh_, read->shape_yh_);
  Appendf(out, " + %s ( %lld %lld ) %s ;\n", read && read->fixed_ ? "FIXED" : "PLACED", p.x, p.y,
          kOrientations[p.orient & 7]);
}

void WriteViaPin(std::string& out, const TierLayout& layout, const TierLayout::ViaPin& via) {
  Appendf(out, "  - %s + NET %s + DIRECTION INOUT + USE SIGNAL", ViaPinName(via.net, via.boundary).c_str(),
          via.net->name);
  if (!layout.via_layer.empty())
    Appendf(out, " + LAYER %s ( %lld %lld ) ( %lld %lld )", layout.via_layer.c_str(), -layout.via_half,
            -layout.via_half, layout.via_half, layout.via_half);
  Appendf(out, " + FIXED ( %lld %lld ) N ;\n", via.x, via.y);
}

std::string TierDef(const TierLayout& layout, int tier) {
  std::string components, regions, groups, pins, nets;
  int component_count = 0, region_count = 0, group_count = 0, pin_count = 0, net_count = 0;
  for (const TierLayout::Component& c : layout.components)
    if (c.tier == tier) {
      WriteComponent(components, layout, c);
      ++component_count;
    }
  for (const TierLayout::Fence& fence : layout.fences) {
    if (fence.tier != tier) continue;
    const tagBLOCK* group = fence.group;
    ++region_count;
    Appendf(regions, "  - %s ( %lld %lld ) ( %lld %lld ) + TYPE FENCE ;\n", group->name, fence.box.xl,
            fence.box.yl, fence.box.xh, fence.box.yh);
    ++group_count;
    groups += "  - " + std::string(group->name);
    int on_line = 0;
    for (const tagBLOCK* cell = group->children; cell; cell = cell->next)
      groups += (++on_line % 8 == 0 ? "\n     " : " ") + std::string(cell->name);
    groups += " + REGION " + std::string(group->name) + " ;\n";
  }
  if (tier == 0)
    for (const TierLayout::Pin& p : layout.pins) {
      WriteDesignPin(pins, p);
      ++pin_count;
    }
  for (const TierLayout::ViaPin& via : layout.vias)
    if (via.boundary == tier || via.boundary == tier + 1) {
      WriteViaPin(pins, layout, via);
      ++pin_count;
    }

  // The via pins of a net, by boundary, follow its own connections.
  std::unordered_map<const tagNET*, std::string> via_connections;
  for (const TierLayout::ViaPin& via : layout.vias)
    if (via.boundary == tier || via.boundary == tier + 1)
      via_connections[via.net] += " ( PIN " + ViaPinName(via.net, via.boundary) + " )";
  for (const TierLayout::NetSpan& span : layout.nets) {
    std::string connections;
    for (const tagPINLIST* node = span.net->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
      if (pin->id != 0) {
        if (tier == 0) connections += " ( PIN " + std::string(pin->name) + " )";
      } else if ((pin->owner->parent ? pin->owner->parent->tier : 0) == tier) {
        connections += " ( " + std::string(pin->owner->name) + " " + pin->name + " )";
      }
    }
    auto vias = via_connections.find(span.net);
    if (vias != via_connections.end()) connections += vias->second;
    if (connections.empty()) continue;
    ++net_count;
    nets += "  - " + std::string(span.net->name) + connections + " ;\n";
  }

  std::string out;
  if (!lefdef_reading.version.empty()) out += "VERSION " + lefdef_reading.version + " ;\n";
  if (!lefdef_reading.divider.empty()) out += "DIVIDERCHAR \"" + lefdef_reading.divider + "\" ;\n";
  if (!lefdef_reading.busbit.empty()) out += "BUSBITCHARS \"" + lefdef_reading.busbit + "\" ;\n";
  out += "DESIGN " + (lefdef_reading.design.empty() ? std::string("design") : lefdef_reading.design) + " ;\n";
  Appendf(out, "UNITS DISTANCE MICRONS %.0f ;\n", layout.dbu);
  Appendf(out, "DIEAREA ( %lld %lld ) ( %lld %lld ) ;\n", layout.die.xl, layout.die.yl, layout.die.xh,
          layout.die.yh);
  for (size_t k = 0; k < layout.rows.size(); ++k) {
    const TierLayout::Row& row = layout.rows[k];
    Appendf(out, "ROW ROW_%zu %s %lld %lld %s DO %d BY 1 STEP %lld 0 ;\n", k, layout.site.c_str(), row.x,
            row.y, kOrientations[row.orient & 7], row.sites, layout.site_step);
  }
  for (const defiTrack& track : layout.tracks) {
    Appendf(out, "TRACKS %c %.0f DO %d STEP %.0f", track.axis_, track.start_, track.num_, track.step_);
    if (!track.layers_.empty()) out += " LAYER";
    for (const std::string& layer : track.layers_) out += " " + layer;
    out += " ;\n";
  }
  auto section = [&out](const char* name, int count, const std::string& body) {
    Appendf(out, "%s %d ;\n", name, count);
    out += body;
    Appendf(out, "END %s\n", name);
  };
  section("REGIONS", region_count, regions);
  section("COMPONENTS", component_count, components);
  section("PINS", pin_count, pins);
  if (tier == 0 && !layout.blockages.empty()) {
    std::string blockages;
    for (const std::string& text : layout.blockages) blockages += "  - " + text + "\n";
    section("BLOCKAGES", static_cast<int>(layout.blockages.size()), blockages);
  }
  section("NETS", net_count, nets);
  section("GROUPS", group_count, groups);
  out += "END DESIGN\n";
  return out;
}

}  // namespace

void OutputTierDefs(const char* base, const TierLayout& layout) {
  if (!layout.vias.empty() && layout.via_layer.empty())
    std::printf("Warning: the LEF files name no routing layer; the via pins get no LAYER.\n");
  for (int t = 0; t < layout.tiers; ++t) {
    ReplacedFile out(std::string(base) + "_tier" + std::to_string(t) + ".def");
    if (!out.get()) {
      std::printf("Cannot open %s for write!\n", out.path().c_str());
      continue;
    }
    const std::string text = TierDef(layout, t);
    std::fwrite(text.data(), 1, text.size(), out.get());
    out.Commit();
  }
}
