// Where a LEF/DEF design's floorplan stands: the die and the core its rows
// cover, the die of every tier, the preplaced blocks inside it, the halo
// around every macro and the fence that holds each group of standard cells
// at its utilisation.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "driver/utilities.h"
#include "io/lefdef.h"
#include "tiers/tiers.h"

LefDefFloorplan lefdef_floorplan;

namespace {

// Fences take this share of their area by default: room for a placer to
// legalise and to buffer, and short wires between compact groups; and never
// more than the larger share, when the die is too small for the first.
constexpr double kDefaultUtilization = 0.7;
constexpr double kMaxAutoUtilization = 0.9;
// Boxes closer than this (microns) count as touching.
constexpr double kRounding = 1e-6;

std::string Microns(double v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", v);
  return text;
}

std::string Size(const Box& b) { return Microns(b.Width()) + " x " + Microns(b.Height()); }

bool Inside(const Box& inner, const Box& outer) {
  return inner.xl >= outer.xl - kRounding && inner.yl >= outer.yl - kRounding &&
         inner.xh <= outer.xh + kRounding && inner.yh <= outer.yh + kRounding;
}

// --- rows ---------------------------------------------------------------------------

// The rows of the site most of the DEF's rows use.
RowGrid RowsOfTheDef(double dbu) {
  std::map<std::string, int> uses;
  for (const defiRow& row : lefdef_reading.rows) ++uses[row.site_];
  RowGrid grid;
  int most = 0;
  for (const auto& [site, count] : uses)
    if (count > most) most = count, grid.site = site;
  auto site = lefdef_reading.sites.find(grid.site);
  std::vector<const defiRow*> rows;
  for (const defiRow& row : lefdef_reading.rows)
    if (row.site_ == grid.site) rows.push_back(&row);
  std::sort(rows.begin(), rows.end(), [](const defiRow* a, const defiRow* b) { return a->y_ < b->y_; });
  grid.x0 = rows[0]->x_ / dbu;
  grid.y0 = rows[0]->y_ / dbu;
  for (const defiRow* row : rows) grid.x0 = std::min(grid.x0, row->x_ / dbu);
  grid.site_width = rows[0]->step_x_ > 0                 ? rows[0]->step_x_ / dbu
                    : site != lefdef_reading.sites.end() ? site->second.size_x_
                                                         : 0;
  grid.row_height = site != lefdef_reading.sites.end() ? site->second.size_y_ : 0;
  for (size_t k = 1; k < rows.size() && grid.row_height <= 0; ++k)
    if (rows[k]->y_ > rows[0]->y_) grid.row_height = (rows[k]->y_ - rows[0]->y_) / dbu;
  grid.orient[0] = grid.orient[1] = rows[0]->orient_;
  for (const defiRow* row : rows) {
    if (grid.row_height <= 0) break;
    const long long k = std::llround((row->y_ / dbu - grid.y0) / grid.row_height);
    if (k % 2 == 1) {
      grid.orient[1] = row->orient_;
      break;
    }
  }
  return grid;
}

// Without DEF rows: rows of the site most standard cells name (when none
// does, of the first CORE site by name), from the core's corner, alternately
// N and FS.
RowGrid RowsOfTheLef(const tagBLOCK* design, const Box& core) {
  std::map<std::string, int> uses;
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next)
    for (const tagBLOCK* cell = blk->children; cell; cell = cell->next) {
      auto site = lefdef_reading.macro_site.find(cell->blkclass);
      if (site != lefdef_reading.macro_site.end()) ++uses[site->second];
    }
  RowGrid grid;
  int most = 0;
  for (const auto& [site, count] : uses)
    if (count > most && lefdef_reading.sites.count(site)) most = count, grid.site = site;
  for (const auto& [name, site] : lefdef_reading.sites)
    if (most == 0 && (site.class_.empty() || site.class_ == "CORE") &&
        (grid.site.empty() || name < grid.site))
      grid.site = name;
  auto site = lefdef_reading.sites.find(grid.site);
  if (site == lefdef_reading.sites.end()) return grid;
  grid.site_width = site->second.size_x_;
  grid.row_height = site->second.size_y_;
  grid.x0 = core.xl;
  grid.y0 = core.yl;
  grid.orient[0] = 0;  // N
  grid.orient[1] = 6;  // FS
  return grid;
}

// The box the DEF's rows cover, within the die.
Box CoreOfTheRows(const Box& die, double dbu) {
  Box core{die.xh, die.yh, die.xl, die.yl};
  for (const defiRow& row : lefdef_reading.rows) {
    auto site = lefdef_reading.sites.find(row.site_);
    const double site_w = site != lefdef_reading.sites.end() ? site->second.size_x_ : 0;
    const double site_h = site != lefdef_reading.sites.end() ? site->second.size_y_ : 0;
    const double w = row.num_y_ > 1 ? site_w : std::max(row.num_x_ - 1, 0) * row.step_x_ / dbu + site_w;
    const double h = row.num_y_ > 1 ? (row.num_y_ - 1) * row.step_y_ / dbu + site_h : site_h;
    core.xl = std::min(core.xl, row.x_ / dbu);
    core.yl = std::min(core.yl, row.y_ / dbu);
    core.xh = std::max(core.xh, row.x_ / dbu + w);
    core.yh = std::max(core.yh, row.y_ / dbu + h);
  }
  core = {std::max(core.xl, die.xl), std::max(core.yl, die.yl), std::min(core.xh, die.xh),
          std::min(core.yh, die.yh)};
  return core.Width() > 0 && core.Height() > 0 ? core : die;
}

// `v` rounded up to whole rows (a hair of rounding aside).
double WholeRows(double v, const RowGrid& rows) {
  return rows.Valid() ? std::ceil(v / rows.row_height - 1e-9) * rows.row_height : v;
}

// --- the die ------------------------------------------------------------------------

// The die the DEF gives, else the box around the pads.
Box DieOf(const tagBLOCK* design, const tagBLOCK* pads) {
  const double d = design->unit_scale;
  if (design->width > 0 && design->height > 0)
    return {lefdef_reading.die_xl / d, lefdef_reading.die_yl / d, lefdef_reading.die_xl / d + design->width,
            lefdef_reading.die_yl / d + design->height};
  Box ring{kInfinity, kInfinity, -kInfinity, -kInfinity};
  for (const tagBLOCK* pad = pads; pad; pad = pad->next) {
    const Box b = PlacedBox(pad);
    ring = {std::min(ring.xl, b.xl), std::min(ring.yl, b.yl), std::max(ring.xh, b.xh),
            std::max(ring.yh, b.yh)};
  }
  return pads ? ring : Box{};
}

// Preplaced blocks stay where the DEF `def` put them: inside the die, and
// the outline reaches over them.
void KeepPreplacedOnTheDie(const char* def, tagBLOCK* design, LefDefFloorplan& f) {
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    if (blk->kind == 0) continue;
    const Box b = PlacedBox(blk);
    if (!Inside(b, f.die))
      Refuse({def}, 1,
             "Error: %s is FIXED at ( %.2f %.2f ) to ( %.2f %.2f ) um, beyond the die ( %.2f %.2f ) to ( "
             "%.2f %.2f ).",
             blk->children ? blk->children->name : blk->name, b.xl, b.yl, b.xh, b.yh, f.die.xl, f.die.yl,
             f.die.xh, f.die.yh);
    f.tier_core = {std::min(f.tier_core.xl, b.xl), std::min(f.tier_core.yl, b.yl),
                   std::max(f.tier_core.xh, b.xh), std::max(f.tier_core.yh, b.yh)};
  }
  // The outline's corner stays on a row boundary, where the rows count from.
  if (f.rows.Valid() && f.tier_core.yl < f.core.yl)
    f.tier_core.yl = std::max(f.die.yl, f.core.yl - WholeRows(f.core.yl - f.tier_core.yl, f.rows));
}

// A folded die cannot hold a block fixed for the whole die beyond it: such
// blocks are placed like the others.
void ReleasePreplacedBeyondTheFold(tagBLOCK* design, const LefDefFloorplan& f) {
  std::vector<std::string> released;
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    if (blk->kind == 0 || Inside(PlacedBox(blk), f.tier_core)) continue;
    released.push_back(blk->children ? blk->children->name : blk->name);
    blk->kind = 0;
    blk->orient = 0;
    blk->fixed_x_lo = blk->fixed_y_lo = blk->fixed_x_hi = blk->fixed_y_hi = 0;
  }
  if (released.empty()) return;
  std::string names;
  constexpr size_t kShown = 10;
  for (size_t k = 0; k < released.size() && k < kShown; ++k) names += (k ? ", " : "") + released[k];
  std::printf(
      "Warning: %zu FIXED components lie beyond the die folded over %d tiers and are placed like "
      "the others: %s%s.\n",
      released.size(), f.tiers, names.c_str(), released.size() > kShown ? ", ..." : "");
}

// --- halos --------------------------------------------------------------------------

// Shrinks the halos of two preplaced blocks whose haloed boxes overlap,
// along the axis that parts their own boxes most, in proportion.
void PartHalos(const Box& a, std::array<double, 4>& ha, const Box& b, std::array<double, 4>& hb) {
  const Box ga{a.xl - ha[0], a.yl - ha[1], a.xh + ha[2], a.yh + ha[3]};
  const Box gb{b.xl - hb[0], b.yl - hb[1], b.xh + hb[2], b.yh + hb[3]};
  if (std::min(ga.xh, gb.xh) - std::max(ga.xl, gb.xl) <= 0 ||
      std::min(ga.yh, gb.yh) - std::max(ga.yl, gb.yl) <= 0)
    return;
  const double gap_x = std::max(b.xl - a.xh, a.xl - b.xh), gap_y = std::max(b.yl - a.yh, a.yl - b.yh);
  if (std::max(gap_x, gap_y) < 0) return;  // the DEF overlaps them itself
  const bool along_x = gap_x >= gap_y;
  const bool a_first = along_x ? b.xl >= a.xh : b.yl >= a.yh;
  // The sides that face each other: right/left or top/bottom.
  double& side_a = along_x ? (a_first ? ha[2] : ha[0]) : (a_first ? ha[3] : ha[1]);
  double& side_b = along_x ? (a_first ? hb[0] : hb[2]) : (a_first ? hb[1] : hb[3]);
  const double gap = along_x ? gap_x : gap_y, sum = side_a + side_b;
  if (sum <= gap) return;
  side_a = sum > 0 ? gap * side_a / sum : 0;
  side_b = gap - side_a;
}

// Every macro block grows by its halo (the DEF's, else `macro_halo` on each
// side), so that the packing keeps other blocks out of it; a block that may
// turn gets equal halo widths on both axes, so that turning its box turns
// the halo too. Preplaced macros keep their corners: their halos stop at the
// outline and halfway to other preplaced blocks.
void ApplyMacroHalos(tagBLOCK* design, const tagPARAMETERS* params, LefDefFloorplan& f, const Box& outline) {
  std::vector<tagBLOCK*> fixed;
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    if (blk->kind != 0) fixed.push_back(blk);
    if (!IsMacro(blk)) continue;
    auto given = lefdef_reading.halos.find(blk->children);
    const double h = params->macro_halo;
    std::array<double, 4> halo =
        given != lefdef_reading.halos.end() ? given->second : std::array<double, 4>{h, h, h, h};
    if (blk->kind == 0 && params->rotate && MayTurn(blk->blkclass)) {
      const double dx = halo[0] + halo[2], dy = halo[1] + halo[3];
      for (int side : {0, 2}) halo[side] += std::max(0.0, dy - dx) / 2;
      for (int side : {1, 3}) halo[side] += std::max(0.0, dx - dy) / 2;
    } else if (blk->kind != 0) {
      const Box b = PlacedBox(blk);
      halo = {std::clamp(halo[0], 0.0, b.xl - outline.xl), std::clamp(halo[1], 0.0, b.yl - outline.yl),
              std::clamp(halo[2], 0.0, outline.xh - b.xh), std::clamp(halo[3], 0.0, outline.yh - b.yh)};
    }
    f.halos[blk] = halo;
  }
  std::array<double, 4> none{0, 0, 0, 0};
  for (size_t i = 0; i < fixed.size(); ++i)
    for (size_t j = 0; j < i; ++j) {
      auto hi = f.halos.find(fixed[i]), hj = f.halos.find(fixed[j]);
      if (hi == f.halos.end() && hj == f.halos.end()) continue;
      std::array<double, 4> free_i = none, free_j = none;
      PartHalos(PlacedBox(fixed[i]), hi != f.halos.end() ? hi->second : free_i, PlacedBox(fixed[j]),
                hj != f.halos.end() ? hj->second : free_j);
    }
  for (auto& [blk_const, halo] : f.halos) {
    tagBLOCK* blk = const_cast<tagBLOCK*>(blk_const);
    tagBLOCKCLASS* cls = blk->blkclass;
    // The class holds the unturned size; a preplaced block may stand turned.
    const bool turned = blk->orient & 1;
    cls->width += turned ? halo[1] + halo[3] : halo[0] + halo[2];
    cls->height += turned ? halo[0] + halo[2] : halo[1] + halo[3];
    blk->area = cls->width * cls->height;
    if (blk->kind != 0) {
      blk->fixed_x_lo = blk->fixed_x_hi = blk->fixed_x_lo - halo[0];
      blk->fixed_y_lo = blk->fixed_y_hi = blk->fixed_y_lo - halo[1];
    }
  }
}

// --- fences -------------------------------------------------------------------------

// How a fence is sized: its utilisation, and whether it keeps room for the
// rows' alignment (else the tier layout grows it where it must).
struct FenceSizing {
  double utilization;
  bool aligned;
};

// The fence, nearly square and whole rows high, that holds `area` of cells
// at utilisation u and, when aligned, surely on its rows: each row loses up
// to a site at each end and the width of its widest cell.
Box FenceShape(double area, double widest, const FenceSizing& sizing, const RowGrid& rows) {
  const double side = std::max(std::sqrt(area / sizing.utilization), widest);
  const double height = WholeRows(side, rows);
  double width = std::max(side * side / height, widest);
  if (sizing.aligned && rows.Valid()) width = std::max(width, area / height + 2 * rows.site_width + widest);
  return {0, 0, width, height};
}

double FenceArea(const std::vector<const tagBLOCK*>& groups, const FenceSizing& sizing, const RowGrid& rows) {
  double sum = 0;
  for (const tagBLOCK* g : groups) {
    const Box shape = FenceShape(g->area, g->max_child_width, sizing, rows);
    sum += shape.Width() * shape.Height();
  }
  return sum;
}

// The target utilisation: the given one, or the default unless the fences
// then take more than `target` of area, else the least at which they do not;
// aligned fences when they fit, else fences of the cells' area alone.
FenceSizing SizeForTarget(const std::vector<const tagBLOCK*>& groups, double target,
                          const tagPARAMETERS* params, const RowGrid& rows) {
  if (params->fence_utilization > 0) return {params->fence_utilization, true};
  FenceSizing sizing{kMaxAutoUtilization, true};
  if (FenceArea(groups, sizing, rows) > target) sizing.aligned = false;
  if (FenceArea(groups, sizing, rows) >= target) return sizing;
  double lo = kDefaultUtilization, hi = kMaxAutoUtilization;
  if (FenceArea(groups, {lo, sizing.aligned}, rows) <= target) return {lo, sizing.aligned};
  for (int step = 0; step < 50; ++step) {
    const double mid = 0.5 * (lo + hi);
    (FenceArea(groups, {mid, sizing.aligned}, rows) > target ? lo : hi) = mid;
  }
  return {hi, sizing.aligned};
}

// Lets a group's fence, sized as above, take the other shapes of its area
// whose height over width lies within fence_aspect each way: whole sites
// wide and whole rows high, so that it stays on the rows; holding its widest
// and tallest cell; and never so tall that its rows, each losing what
// FenceShape keeps for alignment, hold less than its `cells` area. Taller
// than it is given only where that room allows.
void LetTheFenceTakeShapes(tagBLOCK* group, double cells, const tagPARAMETERS* params, const RowGrid& rows) {
  const double r = params->fence_aspect;
  if (r <= 1) return;
  tagBLOCKCLASS* cls = group->blkclass;
  cls->soft_area = cls->width * cls->height;
  cls->aspect_lo = 1 / r;
  cls->aspect_hi = r;
  if (rows.Valid()) {
    cls->soft_step_w = rows.site_width;
    cls->soft_step_h = rows.row_height;
  }
  cls->soft_min_w = group->max_child_width;
  cls->soft_min_h = group->max_child_height;
  const double row_loss = (rows.Valid() ? 2 * rows.site_width : 0) + group->max_child_width;
  cls->soft_max_h = row_loss > 0 ? std::max(cls->height, (cls->soft_area - cells) / row_loss) : cls->height;
}

// Sizes every group's fence at the target utilisation, which by
// default leaves the blocks at least sparearea percent of their area as
// white space in `room`, the room the packing needs; prints it.
void SizeFences(tagBLOCK* design, const tagPARAMETERS* params, LefDefFloorplan& f, double room) {
  std::vector<const tagBLOCK*> groups;
  double cells = 0, macros = 0, target = room / (1.0 + params->sparearea / 100.0);
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    if (IsComponentBlock(blk)) {
      target -= blk->area;
      if (IsMacro(blk)) macros += blk->children->area;
    } else {
      groups.push_back(blk);
      cells += blk->area;
    }
  }
  if (groups.empty()) return;
  const FenceSizing sizing = SizeForTarget(groups, target, params, f.rows);
  f.fence_utilization = sizing.utilization;
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    if (IsComponentBlock(blk)) continue;
    const double cells_area = blk->area;
    const Box shape = FenceShape(cells_area, blk->max_child_width, sizing, f.rows);
    blk->blkclass->width = shape.Width();
    blk->blkclass->height = shape.Height();
    blk->area = shape.Width() * shape.Height();
    // Upright, so that it stays whole rows high.
    blk->blkclass->orientations = 1 << 0;
    LetTheFenceTakeShapes(blk, cells_area, params, f.rows);
  }
  const double own = cells / std::max(f.core.Width() * f.core.Height() - macros, cells);
  std::printf(
      "Cell fences: %zu groups at %.1f %% utilisation (the input's cells take %.1f %% of the core "
      "its macros leave).\n",
      groups.size(), 100 * f.fence_utilization, 100 * own);
}

// --- rows ---------------------------------------------------------------------------

// Blocks of whole rows, stacked from the outline's corner on a row, keep
// every fence's edges on row boundaries, so that its rows are whole. A
// movable macro that may turn would need both sides rounded alike and
// keeps its size; a preplaced block reaches up to the next row boundary
// when nothing preplaced stands there.
void AlignBlocksToRows(tagBLOCK* design, const tagPARAMETERS* params, LefDefFloorplan& f) {
  if (!f.rows.Valid()) return;
  std::vector<Box> fixed;
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next)
    if (blk->kind != 0) fixed.push_back(PlacedBox(blk));
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    if (!IsMacro(blk) && blk->kind == 0) continue;  // fences are sized in whole rows
    tagBLOCKCLASS* cls = blk->blkclass;
    const bool turned = blk->orient & 1;
    double& height = turned ? cls->width : cls->height;
    double grown = 0;
    if (blk->kind == 0) {
      if (params->rotate && MayTurn(cls)) continue;
      grown = WholeRows(height, f.rows) - height;
    } else {
      const Box b = PlacedBox(blk);
      const double top = f.tier_core.yl + WholeRows(b.yh - f.tier_core.yl, f.rows);
      const Box strip{b.xl, b.yh, b.xh, top};
      const bool free =
          top <= f.tier_core.yh + kRounding && std::none_of(fixed.begin(), fixed.end(), [&](const Box& o) {
            return std::min(o.xh, strip.xh) - std::max(o.xl, strip.xl) > kRounding &&
                   std::min(o.yh, strip.yh) - std::max(o.yl, strip.yl) > kRounding;
          });
      if (free) grown = top - b.yh;
    }
    height += grown;
    blk->area = cls->width * cls->height;
    if (IsMacro(blk)) f.halos[blk][3] += grown;
  }
}

// --- the outline --------------------------------------------------------------------

// Refuses a design (of the DEF `def`) whose blocks the tiers of its die
// cannot hold, before any floorplanning; otherwise prints the white space
// they leave.
void CheckTheDieHoldsTheBlocks(const char* def, const tagBLOCK* design, const tagPARAMETERS* params,
                               const LefDefFloorplan& f) {
  const Box& outline = f.tier_core;
  double blocks = 0;
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next) {
    blocks += blk->area;
    const double w = blk->blkclass->width, h = blk->blkclass->height;
    const bool fits = (w <= outline.Width() + kRounding && h <= outline.Height() + kRounding) ||
                      (blk->kind == 0 && params->rotate && MayTurn(blk->blkclass) &&
                       h <= outline.Width() + kRounding && w <= outline.Height() + kRounding);
    if (!fits)
      Refuse(
          {def}, 1,
          "Error: %s (%.2f x %.2f um%s) fits no outline of %s um; give a larger die, fewer tiers (layers) or "
          "die_outline 0.",
          IsComponentBlock(blk) && blk->children ? blk->children->name : blk->name, w, h,
          IsMacro(blk) ? ", halo included" : "", Size(outline).c_str());
  }
  const double room = f.tiers * outline.Width() * outline.Height();
  if (blocks > room)
    Refuse(
        {def}, 1,
        "Error: the blocks take %.2f um2, more than the %d tier(s) of %s um hold (%.2f um2); give a larger "
        "die, a higher fence_utilization or die_outline 0.",
        blocks, f.tiers, Size(outline).c_str(), room);
  std::printf(
      "Outline: %s um on each of %d tier(s) in a die of %s um; the blocks fill %.1f %%, white space "
      "%.1f %%.\n",
      Size(outline).c_str(), f.tiers, Size(f.tier_die).c_str(), 100 * blocks / room,
      100 * (1 - blocks / room));
}

}  // namespace

Box PlacedBox(const tagBLOCK* blk) {
  double w = blk->blkclass->width, h = blk->blkclass->height;
  if (blk->orient & 1) std::swap(w, h);
  return {blk->fixed_x_lo, blk->fixed_y_lo, blk->fixed_x_lo + w, blk->fixed_y_lo + h};
}

Box MapToTierDie(const Box& box, const Box& die, const Box& tier_die) {
  auto map = [](double lo, double len, double from_lo, double from_len, double to_lo, double to_len) {
    const double from_room = from_len - len, to_room = to_len - len;
    const double offset = from_room > 0 ? (lo - from_lo) * to_room / from_room : 0;
    return to_lo + std::clamp(offset, 0.0, std::max(0.0, to_room));
  };
  const double w = box.Width(), h = box.Height();
  const double xl = map(box.xl, w, die.xl, die.Width(), tier_die.xl, tier_die.Width());
  const double yl = map(box.yl, h, die.yl, die.Height(), tier_die.yl, tier_die.Height());
  return {xl, yl, xl + w, yl + h};
}

void SetTierDie(double width, double height) {
  LefDefFloorplan& f = lefdef_floorplan;
  const double right = f.core.xh <= f.die.xh ? f.die.xh - f.core.xh : 0;
  const double top = f.core.yh <= f.die.yh ? f.die.yh - f.core.yh : 0;
  f.tier_core = {f.tier_core.xl, f.tier_core.yl, f.tier_core.xl + width, f.tier_core.yl + height};
  f.tier_die = {f.die.xl, f.die.yl, std::max(f.die.xl, f.tier_core.xh + right),
                std::max(f.die.yl, f.tier_core.yh + top)};
}

void FrameLefDefFloorplan(const char* def, tagBLOCK* design, tagBLOCK* pads, tagPARAMETERS* params) {
  LefDefFloorplan& f = lefdef_floorplan;
  const double dbu = design->unit_scale;
  const int routing_layers = static_cast<int>(lefdef_reading.routing_layers.size());
  if (params->bond_layer > routing_layers)
    Refuse({"fl.prm"}, 1, "Error: bond_layer %d; the LEF files give %d routing layers.", params->bond_layer,
           routing_layers);
  f.tiers = std::clamp(params->layers, 1, kMaxTiers);
  f.die_outline = params->die_outline != 0;
  f.die = DieOf(design, pads);
  if (!(f.die.Width() > 0 && f.die.Height() > 0))
    Refuse({def}, 1, "Error: the design has no outline: give DIEAREA or fixed pads a positive extent.");
  f.core = lefdef_reading.rows.empty() ? f.die : CoreOfTheRows(f.die, dbu);
  f.rows = lefdef_reading.rows.empty() ? RowsOfTheLef(design, f.core) : RowsOfTheDef(dbu);
  if (!f.rows.Valid())
    std::printf("Warning: no site of the LEF files gives the rows' size; the tier DEFs get no ROWs.\n");

  f.tier_die = f.die;
  f.tier_core = f.core;
  if (f.tiers > 1 && f.die_outline) {
    const double fold = 1.0 / std::sqrt(static_cast<double>(f.tiers));
    f.tier_die = {f.die.xl, f.die.yl, f.die.xl + f.die.Width() * fold, f.die.yl + f.die.Height() * fold};
    f.tier_core = {f.core.xl, f.core.yl, f.tier_die.xh - (f.die.xh - f.core.xh),
                   f.tier_die.yh - (f.die.yh - f.core.yh)};
    if (!(f.tier_core.Width() > 0 && f.tier_core.Height() > 0)) f.tier_core = f.tier_die;
    ReleasePreplacedBeyondTheFold(design, f);
    for (tagBLOCK* pad = pads; pad; pad = pad->next) {
      const Box b = MapToTierDie(PlacedBox(pad), f.die, f.tier_die);
      pad->fixed_x_lo = pad->fixed_x_hi = b.xl;
      pad->fixed_y_lo = pad->fixed_y_hi = b.yl;
    }
  } else {
    KeepPreplacedOnTheDie(def, design, f);
  }
  for (tagBLOCK* pad = pads; pad; pad = pad->next) {
    pad->x = pad->fixed_x_lo;
    pad->y = pad->fixed_y_lo;
  }
  // The area-based outline is known once the blocks are; the halos of
  // preplaced blocks stop at the die's core then.
  ApplyMacroHalos(design, params, f, f.tier_core);
  KeepBlocksOffBlockages(def, design, params, f);
  SizeFences(design, params, f,
             f.die_outline ? f.tiers * f.tier_core.Width() * f.tier_core.Height()
                           : f.core.Width() * f.core.Height());
  AlignBlocksToRows(design, params, f);
  if (f.die_outline) {
    CheckTheDieHoldsTheBlocks(def, design, params, f);
    params->outline_w = f.tier_core.Width();
    params->outline_h = f.tier_core.Height();
  }
  // Internal coordinates count from the outline's corner.
  design->region_x_lo = f.tier_core.xl;
  design->region_y_lo = f.tier_core.yl;
  design->region_x_hi = design->width = design->blkclass->width = f.tier_core.Width();
  design->region_y_hi = design->height = design->blkclass->height = f.tier_core.Height();
}
