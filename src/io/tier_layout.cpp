// Lays out the tiers of a LEF/DEF run for the place-and-route flow: the
// final floorplan in the input's database units, with the rows, the fences
// and their cells on row sites, the design's pins on the tier's die, and via
// pins on no macro of the tiers they join.
#include "io/tier_layout.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <numeric>
#include <unordered_map>

#include "driver/utilities.h"
#include "tiers/tiers.h"

namespace {

// The via spots' grid, and the rows of a tier, stay within what a run can
// hold whatever sizes the input gives.
constexpr long long kMaxSpotsASide = 4096;
constexpr long long kMaxRowsOrSites = 1000000;

long long LongerSide(const DbuBox& b) { return std::max(b.xh - b.xl, b.yh - b.yl); }

// Internal coordinates (microns from the outline's corner) to database units.
struct Units {
  double dbu;
  double x0, y0;  // the outline's corner, microns
  long long X(double x) const { return std::llround((x + x0) * dbu); }
  long long Y(double y) const { return std::llround((y + y0) * dbu); }
  long long Length(double v) const { return std::llround(v * dbu); }
};

DbuBox ToDbu(const Box& b, double dbu) {
  return {std::llround(b.xl * dbu), std::llround(b.yl * dbu), std::llround(b.xh * dbu),
          std::llround(b.yh * dbu)};
}

int TierOf(const tagBLOCK* cell) { return cell->parent ? cell->parent->tier : 0; }

// --- rows and tracks ----------------------------------------------------------------

// Rows of the input's sites and pitch over the outline, in the orientations
// the input alternates.
void LayOutRows(TierLayout& layout, const Units& u) {
  const LefDefFloorplan& f = lefdef_floorplan;
  if (!f.rows.Valid()) return;
  layout.site = f.rows.site;
  layout.site_step = u.Length(f.rows.site_width);
  layout.row_height = u.Length(f.rows.row_height);
  if (layout.site_step <= 0 || layout.row_height <= 0) return;
  const long long x0 = std::llround(f.rows.x0 * u.dbu), y0 = std::llround(f.rows.y0 * u.dbu);
  const DbuBox core = ToDbu(f.tier_core, u.dbu);
  const long long xl = core.xl, yl = core.yl, xh = core.xh, yh = core.yh;
  // The first row and site at or after the outline's corner on the input's grid.
  auto first = [](long long origin, long long from, long long step) {
    const long long k = from > origin ? (from - origin + step - 1) / step : -((origin - from) / step);
    return k;
  };
  const long long kx = first(x0, xl, layout.site_step), ky = first(y0, yl, layout.row_height);
  const long long x = x0 + kx * layout.site_step;
  const long long sites = std::max(0LL, (xh - x) / layout.site_step);
  if (sites == 0 || sites > kMaxRowsOrSites || (yh - yl) / layout.row_height > kMaxRowsOrSites) {
    std::printf(
        "Warning: rows of %s in the outline would number %lld sites by %lld; the tier DEFs get no ROWs.\n",
        layout.site.c_str(), sites, (yh - yl) / layout.row_height);
    return;
  }
  for (long long k = ky; y0 + (k + 1) * layout.row_height <= yh; ++k)
    layout.rows.push_back(
        {x, y0 + k * layout.row_height, f.rows.orient[((k % 2) + 2) % 2], static_cast<int>(sites)});
}

// The input's tracks, as many as the tier's die holds.
void LayOutTracks(TierLayout& layout) {
  for (defiTrack track : lefdef_reading.tracks) {
    const double end = static_cast<double>(track.axis_ == 'X' ? layout.die.xh : layout.die.yh);
    if (track.step_ <= 0 || track.start_ > end) continue;
    track.num_ =
        static_cast<int>(std::min<double>(track.num_, std::floor((end - track.start_) / track.step_) + 1));
    layout.tracks.push_back(track);
  }
}

// --- cells on rows ------------------------------------------------------------------

// The rows a fence holds whole, with the first site and the site count
// inside it.
struct FenceRow {
  long long x, y;
  int orient, sites, used;
};

std::vector<FenceRow> RowsIn(const DbuBox& fence, const TierLayout& layout) {
  std::vector<FenceRow> rows;
  const long long step = layout.site_step;
  for (const TierLayout::Row& row : layout.rows) {
    if (row.y < fence.yl || row.y + layout.row_height > fence.yh) continue;
    const long long skip = fence.xl > row.x ? (fence.xl - row.x + step - 1) / step : 0;
    const long long end = std::min(fence.xh, row.x + row.sites * step);
    const long long x = row.x + skip * step;
    if (end - x >= step) rows.push_back({x, row.y, row.orient, static_cast<int>((end - x) / step), 0});
  }
  return rows;
}

}  // namespace

std::vector<CellSpot> PlaceOnRows(const std::vector<long long>& widths, const std::vector<int>& heights,
                                  const DbuBox& fence, const TierLayout& layout) {
  std::vector<CellSpot> spots(widths.size(), CellSpot{0, 0, 0, false});
  if (layout.site_step <= 0 || layout.row_height <= 0) return spots;
  std::vector<FenceRow> rows = RowsIn(fence, layout);
  std::vector<size_t> order(widths.size());
  std::iota(order.begin(), order.end(), 0);
  // Tall cells first, then wide ones: by decreasing size, a cell that finds
  // no room leaves less than its width free in every row.
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    return heights[a] != heights[b] ? heights[a] > heights[b] : widths[a] > widths[b];
  });
  std::vector<std::vector<size_t>> in_row(rows.size());
  for (size_t i : order) {
    const int sites = static_cast<int>((widths[i] + layout.site_step - 1) / layout.site_step);
    const size_t tall = static_cast<size_t>(std::max(heights[i], 1));
    // Into the emptiest row (rows one above the other for a taller cell),
    // so that the cells spread over the whole fence.
    size_t best = rows.size();
    int best_room = -1, best_at = 0;
    for (size_t r = 0; r + tall <= rows.size(); ++r) {
      if (rows[r + tall - 1].y - rows[r].y != static_cast<long long>(tall - 1) * layout.row_height) continue;
      int at = 0, end = rows[r].sites;
      for (size_t k = r; k < r + tall; ++k) {
        at = std::max(at, rows[k].used);
        end = std::min(end, rows[k].sites);
      }
      if (end - at >= sites && end - at > best_room) best = r, best_room = end - at, best_at = at;
    }
    if (best == rows.size()) continue;
    spots[i] = {rows[best].x + best_at * layout.site_step, rows[best].y, rows[best].orient, true};
    for (size_t k = best; k < best + tall; ++k) {
      rows[k].used = best_at + sites;
      in_row[k].push_back(i);
    }
  }
  // Each row's cells move to its middle, a whole number of sites, unless a
  // taller cell ties the row to its neighbours.
  for (size_t r = 0; r < rows.size(); ++r) {
    const bool tied =
        std::any_of(in_row[r].begin(), in_row[r].end(), [&](size_t i) { return heights[i] > 1; });
    const long long shift = tied ? 0 : (rows[r].sites - rows[r].used) / 2 * layout.site_step;
    for (size_t i : in_row[r]) spots[i].x += shift;
  }
  return spots;
}

namespace {

void LayOutGroup(TierLayout& layout, const Units& u, const tagBLOCK* group) {
  std::vector<long long> widths;
  std::vector<int> heights;
  for (const tagBLOCK* cell = group->children; cell; cell = cell->next) {
    widths.push_back(u.Length(cell->blkclass->width));
    // Rows a cell covers, a hair of rounding aside.
    heights.push_back(
        layout.row_height > 0
            ? static_cast<int>(
                  std::ceil(cell->blkclass->height * u.dbu / static_cast<double>(layout.row_height) - 1e-6))
            : 1);
  }
  const DbuBox fence{u.X(group->x), u.Y(group->y), u.X(group->x + group->width),
                     u.Y(group->y + group->height)};
  layout.fences.push_back({group, group->tier, fence});
  const std::vector<CellSpot> spots = PlaceOnRows(widths, heights, fence, layout);
  size_t i = 0;
  int left = 0;
  for (const tagBLOCK* cell = group->children; cell; cell = cell->next, ++i) {
    const CellSpot& s = spots[i];
    layout.components.push_back({cell, group->tier, s.x, s.y, s.orient,
                                 s.placed ? TierLayout::Status::kPlaced : TierLayout::Status::kUnplaced,
                                 nullptr});
    left += !s.placed;
  }
  if (left > 0)
    std::printf(
        "Warning: the fence of %s holds %d of its %d cells on whole row sites; the other %d are "
        "left unplaced inside its region.\n",
        group->name, group->block_count - left, group->block_count, left);
}

// A block of one component: its corner, inside the block's halo.
void LayOutComponentBlock(TierLayout& layout, const Units& u, const tagBLOCK* blk) {
  const std::array<double, 4>* halo = nullptr;
  auto found = lefdef_floorplan.halos.find(blk);
  if (found != lefdef_floorplan.halos.end()) halo = &found->second;
  const double x = blk->x + (halo ? (*halo)[0] : 0), y = blk->y + (halo ? (*halo)[1] : 0);
  layout.components.push_back({blk->children, blk->tier, u.X(x), u.Y(y), blk->orient,
                               blk->kind != 0 ? TierLayout::Status::kFixed : TierLayout::Status::kPlaced,
                               halo});
}

// --- pins ---------------------------------------------------------------------------

// The design's pins: a placed one where its place maps onto the tier's die,
// its shape inside it; the others where the floorplan put them.
void LayOutPins(TierLayout& layout, const Units& u, const tagBLOCK* design) {
  const LefDefFloorplan& f = lefdef_floorplan;
  for (const tagPIN* term = design->pins; term; term = term->next) {
    auto found = lefdef_reading.pins.find(term);
    const defiPin* read = found != lefdef_reading.pins.end() ? &found->second : nullptr;
    if (!read || !read->hasPlacement()) {
      // Where the floorplan put it; on an edge of the outline it goes to
      // that edge of the die.
      const double fx = term->pinclass ? term->pinclass->x : 0, fy = term->pinclass ? term->pinclass->y : 0;
      const long long x = fx <= 0 ? layout.die.xl : fx >= 1 ? layout.die.xh : u.X(fx * design->width);
      const long long y = fy <= 0 ? layout.die.yl : fy >= 1 ? layout.die.yh : u.Y(fy * design->height);
      layout.pins.push_back({term, read, x, y, 0});
      continue;
    }
    const Box shape = PinBox(*read, layout.dbu);
    const DbuBox to = ToDbu(MapToTierDie(shape, f.die, f.tier_die), layout.dbu);
    // Rounding must not carry the shape past the die.
    const long long w = to.xh - to.xl, h = to.yh - to.yl;
    const long long xl = std::clamp(to.xl, layout.die.xl, std::max(layout.die.xl, layout.die.xh - w));
    const long long yl = std::clamp(to.yl, layout.die.yl, std::max(layout.die.yl, layout.die.yh - h));
    // The placement point sits where it sat against its shape.
    const long long dx = std::llround(read->placementX()) - std::llround(shape.xl * layout.dbu);
    const long long dy = std::llround(read->placementY()) - std::llround(shape.yl * layout.dbu);
    layout.pins.push_back({term, read, xl + dx, yl + dy, read->orient()});
  }
}

// --- nets and their vias ------------------------------------------------------------

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

// Spots for via pins over the tier's die, one pitch apart: a spot is free
// while its pin meets no macro of the two tiers it joins and no other pin.
class ViaSpots {
 public:
  // Pins of half side `half` (at most a quarter of the pitch).
  ViaSpots(const DbuBox& die, long long pitch, long long half, const std::vector<DbuBox>& macros)
      : die_(die), pitch_(pitch), half_(half) {
    nx_ = std::max(1LL, (die_.xh - die_.xl) / pitch_);
    ny_ = std::max(1LL, (die_.yh - die_.yl) / pitch_);
    taken_.assign(static_cast<size_t>(nx_ * ny_), false);
    for (const DbuBox& m : macros) {
      const long long i0 = std::max(0LL, Index(m.xl - half_ - die_.xl - pitch_ / 2));
      const long long i1 = std::min(nx_ - 1, Index(m.xh + half_ - die_.xl - pitch_ / 2) + 1);
      const long long j0 = std::max(0LL, Index(m.yl - half_ - die_.yl - pitch_ / 2));
      const long long j1 = std::min(ny_ - 1, Index(m.yh + half_ - die_.yl - pitch_ / 2) + 1);
      for (long long i = i0; i <= i1; ++i)
        for (long long j = j0; j <= j1; ++j)
          if (X(i) - half_ < m.xh && X(i) + half_ > m.xl && Y(j) - half_ < m.yh && Y(j) + half_ > m.yl)
            taken_[i * ny_ + j] = true;
    }
    free_ = std::count(taken_.begin(), taken_.end(), false);
  }

  long long free() const { return free_; }

  // The free spot nearest to (x, y), ring by ring around it, taken; false
  // when none is left.
  bool Take(long long x, long long y, long long* sx, long long* sy) {
    const long long ci = std::clamp(Index(x - die_.xl), 0LL, nx_ - 1);
    const long long cj = std::clamp(Index(y - die_.yl), 0LL, ny_ - 1);
    const long long rings = std::max(nx_, ny_);
    for (long long r = 0; r <= rings; ++r) {
      double best = -1;
      long long bi = 0, bj = 0;
      auto consider = [&](long long i, long long j) {
        if (i < 0 || j < 0 || i >= nx_ || j >= ny_ || taken_[i * ny_ + j]) return;
        const double d = std::hypot(static_cast<double>(X(i) - x), static_cast<double>(Y(j) - y));
        if (best < 0 || d < best) best = d, bi = i, bj = j;
      };
      for (long long i = ci - r; i <= ci + r; ++i) {
        consider(i, cj - r);
        if (r > 0) consider(i, cj + r);
      }
      for (long long j = cj - r + 1; j <= cj + r - 1; ++j) {
        consider(ci - r, j);
        consider(ci + r, j);
      }
      if (best >= 0) {
        taken_[bi * ny_ + bj] = true;
        --free_;
        *sx = X(bi);
        *sy = Y(bj);
        return true;
      }
    }
    return false;
  }

 private:
  long long X(long long i) const { return die_.xl + i * pitch_ + pitch_ / 2; }
  long long Y(long long j) const { return die_.yl + j * pitch_ + pitch_ / 2; }
  // The spot whose cell holds offset v (floor division).
  long long Index(long long v) const { return v >= 0 ? v / pitch_ : -((-v + pitch_ - 1) / pitch_); }

  DbuBox die_;
  long long pitch_, half_;
  long long nx_ = 1, ny_ = 1;
  std::vector<bool> taken_;
  long long free_ = 0;
};

// The boxes (database units) of the macros and pads on each tier.
std::vector<std::vector<DbuBox>> MacroBoxes(const TierLayout& layout) {
  std::vector<std::vector<DbuBox>> boxes(layout.tiers);
  for (const TierLayout::Component& c : layout.components) {
    const bool blocks_vias = IsMacro(c.cell) || (c.cell->blkclass && c.cell->blkclass->type == kPadClass);
    if (!blocks_vias || c.tier < 0 || c.tier >= layout.tiers) continue;
    long long w = std::llround(c.cell->blkclass->width * layout.dbu);
    long long h = std::llround(c.cell->blkclass->height * layout.dbu);
    if (c.orient & 1) std::swap(w, h);
    boxes[c.tier].push_back({c.x, c.y, c.x + w, c.y + h});
  }
  return boxes;
}

// Each net's tiers, and where it would cross between them: at the vias
// planning placed for the block-level net over the same blocks, else at the
// centre of its pins' box.
void SpanNets(TierLayout& layout, const tagBLOCK* design, const tagNET* cell_nets,
              const ViaPlaces& planned_places, const Units& u) {
  std::map<std::vector<const void*>, const std::vector<ViaPlace>*> planned;
  for (const tagNET* net = design->nets; net; net = net->next) {
    auto found = planned_places.find(net);
    if (found != planned_places.end()) planned[Members(net, false)] = &found->second;
  }
  std::unordered_map<const tagBLOCK*, std::pair<long long, long long>> centre;
  for (const TierLayout::Component& c : layout.components)
    centre[c.cell] = {c.x + std::llround(0.5 * c.cell->blkclass->width * layout.dbu),
                      c.y + std::llround(0.5 * c.cell->blkclass->height * layout.dbu)};
  std::unordered_map<const tagPIN*, std::pair<long long, long long>> pin_at;
  for (const TierLayout::Pin& p : layout.pins) pin_at[p.term] = {p.x, p.y};
  for (const tagNET* net = cell_nets; net; net = net->next) {
    TierLayout::NetSpan span{net, kIntInfinity, -1};
    long long xl = std::numeric_limits<long long>::max(), yl = xl, xh = std::numeric_limits<long long>::min(),
              yh = xh;
    for (const tagPINLIST* node = net->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
      int tier = 0;
      std::pair<long long, long long> at{0, 0};
      if (pin->id != 0) {
        auto found = pin_at.find(pin);
        if (found != pin_at.end()) at = found->second;
      } else {
        auto found = centre.find(pin->owner);
        if (found != centre.end()) at = found->second;
        tier = TierOf(pin->owner);
      }
      span.low = std::min(span.low, tier);
      span.high = std::max(span.high, tier);
      xl = std::min(xl, at.first), yl = std::min(yl, at.second);
      xh = std::max(xh, at.first), yh = std::max(yh, at.second);
    }
    layout.nets.push_back(span);
    auto found = planned.find(Members(net, true));
    for (int b = span.low + 1; b <= span.high; ++b) {
      long long x = (xl + xh) / 2, y = (yl + yh) / 2;
      if (found != planned.end())
        for (const ViaPlace& via : *found->second)
          if (via.boundary == b) x = u.X(via.x), y = u.Y(via.y);
      layout.vias.push_back({net, b, x, y});
    }
  }
  std::reverse(layout.nets.begin(), layout.nets.end());
}

// Moves every via pin to the free spot nearest to where its net crosses, on
// a grid of `pitch`, halved until every boundary has room for its pins (or
// the grid would hold more than kMaxSpotsASide spots a side).
void PlaceViaPins(TierLayout& layout, long long pitch) {
  const long long side = LongerSide(layout.die);
  const std::vector<std::vector<DbuBox>> macros = MacroBoxes(layout);
  std::vector<long long> needed(layout.tiers, 0);
  for (const TierLayout::ViaPin& via : layout.vias) ++needed[via.boundary];
  std::vector<ViaSpots> spots;
  for (;; pitch /= 2) {
    spots.clear();
    bool room = true;
    for (int b = 1; b < layout.tiers; ++b) {
      std::vector<DbuBox> both = macros[b - 1];
      both.insert(both.end(), macros[b].begin(), macros[b].end());
      spots.emplace_back(layout.die, pitch, std::max(1LL, pitch / 4), both);
      room = room && spots.back().free() >= needed[b];
    }
    if (room || pitch < 8 || side / (pitch / 2) > kMaxSpotsASide) break;
  }
  layout.via_half = std::max(1LL, pitch / 4);
  int crowded = 0;
  for (TierLayout::ViaPin& via : layout.vias)
    if (!spots[via.boundary - 1].Take(via.x, via.y, &via.x, &via.y)) ++crowded;
  if (crowded > 0)
    std::printf(
        "Warning: %d via pins found no free spot off the macros; they stand where their nets cross.\n",
        crowded);
}

// The layer of the via pins: the routing layer bond_layer names, from the
// bottom, or the top one.
std::string ViaLayer(const tagPARAMETERS* params) {
  const std::vector<std::string>& layers = lefdef_reading.routing_layers;
  if (layers.empty()) return "";
  const int k = params->bond_layer;
  return k >= 1 && k <= static_cast<int>(layers.size()) ? layers[k - 1] : layers.back();
}

}  // namespace

TierLayout LayOutTiers(const tagBLOCK* design, const tagBLOCK* pads, const tagNET* cell_nets,
                       const tagPARAMETERS* params, int tiers, const ViaPlaces& vias, double via_pitch) {
  const LefDefFloorplan& f = lefdef_floorplan;
  if (!f.die_outline) SetTierDie(design->width, design->height);
  TierLayout layout;
  layout.dbu = design->unit_scale;
  layout.tiers = tiers;
  layout.die = ToDbu(f.tier_die, layout.dbu);
  // The pads of a ring stay where the DEF put them: an outline sized from
  // the block area may leave them beyond its die, which then reaches them.
  for (const tagBLOCK* pad = pads; pad; pad = pad->next) {
    const DbuBox b = ToDbu(PlacedBox(pad), layout.dbu);
    layout.die = {std::min(layout.die.xl, b.xl), std::min(layout.die.yl, b.yl), std::max(layout.die.xh, b.xh),
                  std::max(layout.die.yh, b.yh)};
  }
  const Units u{layout.dbu, design->region_x_lo, design->region_y_lo};
  LayOutRows(layout, u);
  LayOutTracks(layout);
  if (f.blockages_kept)
    for (const defiBlockage& blockage : lefdef_reading.blockages) layout.blockages.push_back(blockage.text_);
  for (int t = 0; t < tiers; ++t) {
    for (const tagBLOCK* blk = design->children; blk; blk = blk->next) {
      if (blk->tier != t || IsBlockage(blk)) continue;  // written back as read
      if (IsComponentBlock(blk))
        LayOutComponentBlock(layout, u, blk);
      else
        LayOutGroup(layout, u, blk);
    }
    if (t != 0) continue;
    for (const tagBLOCK* pad = pads; pad; pad = pad->next)
      layout.components.push_back({pad, 0, std::llround(pad->fixed_x_lo * layout.dbu),
                                   std::llround(pad->fixed_y_lo * layout.dbu), pad->orient,
                                   TierLayout::Status::kFixed, nullptr});
  }
  LayOutPins(layout, u, design);
  FaceMacroPins(layout);
  // Pins half a pitch wide leave as much room between neighbours; closer
  // spots only where the pins need them.
  const long long pitch =
      std::max({4LL, std::llround(via_pitch * layout.dbu), LongerSide(layout.die) / kMaxSpotsASide});
  layout.via_layer = ViaLayer(params);
  SpanNets(layout, design, cell_nets, vias, u);
  PlaceViaPins(layout, pitch);
  return layout;
}
