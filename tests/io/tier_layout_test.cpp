// Standard cells on the row sites of a fence, on random fences and cells
// against a brute-force check of what a placer requires of a legal start.
#include "io/tier_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <tuple>
#include <vector>

#include "driver/orientations.h"

namespace {

// Rows of `sites` sites from (x0, y0) upwards, alternately N and FS.
TierLayout Rows(long long x0, long long y0, int count, int sites, long long step, long long height) {
  TierLayout layout;
  layout.site_step = step;
  layout.row_height = height;
  for (int k = 0; k < count; ++k) layout.rows.push_back({x0, y0 + k * height, k % 2 ? 6 : 0, sites});
  return layout;
}

// Random fences over the rows and cells of one or two rows: every cell
// placed stands on a site of a row wholly inside the fence, in the row's
// orientation, clear of every other cell; and cells of one row all find a
// place when the fence holds their width even after losing a row to the
// rows' alignment and a site at each end and the widest cell in every row.
TEST(PlaceOnRows, StandsCellsOnSitesInsideTheFenceWithoutOverlap) {
  std::mt19937 random(5);
  const long long step = 20, height = 140;
  const TierLayout layout = Rows(-35, 10, 40, 300, step, height);
  for (int trial = 0; trial < 300; ++trial) {
    std::uniform_int_distribution<long long> corner(0, 2500), side(100, 2500);
    const DbuBox fence{corner(random), corner(random), 0, 0};
    const DbuBox box{fence.xl, fence.yl, fence.xl + side(random), fence.yl + side(random)};
    std::vector<long long> widths(std::uniform_int_distribution<int>(0, 60)(random));
    std::vector<int> heights(widths.size());
    const bool tall = trial % 2 == 1;
    long long widest = 0, total = 0;
    for (size_t i = 0; i < widths.size(); ++i) {
      widths[i] = std::uniform_int_distribution<long long>(1, 200)(random);
      heights[i] = tall && random() % 4 == 0 ? 2 : 1;
      const long long sites = (widths[i] + step - 1) / step * step;
      widest = std::max(widest, sites);
      total += sites;
    }
    const std::vector<CellSpot> spots = PlaceOnRows(widths, heights, box, layout);
    const long long whole_rows = (box.yh - box.yl) / height - 1;
    const bool holds = !tall && whole_rows * (box.xh - box.xl - 2 * step - widest) >= total;
    for (size_t i = 0; i < spots.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "trial " << trial << " cell " << i);
      if (!spots[i].placed) {
        EXPECT_FALSE(holds);
        continue;
      }
      const long long x1 = spots[i].x + widths[i], y1 = spots[i].y + heights[i] * height;
      EXPECT_TRUE(spots[i].x >= box.xl && x1 <= box.xh && spots[i].y >= box.yl && y1 <= box.yh);
      EXPECT_EQ((spots[i].x + 35) % step, 0);
      EXPECT_EQ((spots[i].y - 10) % height, 0);
      EXPECT_EQ(spots[i].orient, (spots[i].y - 10) / height % 2 ? 6 : 0);
      for (size_t j = 0; j < i; ++j) {
        if (!spots[j].placed) continue;
        const long long xj1 = spots[j].x + widths[j], yj1 = spots[j].y + heights[j] * height;
        EXPECT_FALSE(std::min(x1, xj1) > std::max(spots[i].x, spots[j].x) &&
                     std::min(y1, yj1) > std::max(spots[i].y, spots[j].y))
            << "overlaps cell " << j;
      }
    }
  }
}

// A 100 x 100 RAM at (400, 400), its pin A at (5, 10) from its corner, on
// one net with a 2 x 2 cell (or a design pin) at (x, y): the RAM turns to the
// mirror image its symmetry allows that brings A nearest (N keeps it at
// (405, 410), FN moves it to (495, 410), S to (495, 490), FS to (405, 490)); a
// tie keeps N, and a fixed RAM stays as it is.
TEST(FaceMacroPins, TurnsEachPlacedMacroToWhereItsNetsGo) {
  using S = TierLayout::Status;
  const int xy = kSymmetryX | kSymmetryY;
  const std::tuple<int, long long, long long, bool, S, int> cases[] = {
      {xy, 900, 300, false, S::kPlaced, 4}, {xy, 900, 700, false, S::kPlaced, 2},
      {xy, 100, 700, true, S::kPlaced, 6},  {xy, 100, 300, false, S::kPlaced, 0},
      {xy, 449, 300, false, S::kPlaced, 0}, {kSymmetryX, 900, 700, true, S::kPlaced, 6},
      {0, 900, 700, false, S::kPlaced, 0},  {xy, 900, 700, false, S::kFixed, 0}};
  for (const auto& [symmetry, x, y, design_pin, status, orient] : cases) {
    tagBLOCKCLASS ram{}, core{};
    ram.type = kMacroClass, ram.orientations = OrientationsOf(symmetry);
    ram.width = ram.height = 100, core.width = core.height = 2;
    tagPINCLASS a{0, const_cast<char*>("A"), 5, 10, nullptr};
    ram.pinclasses = &a;
    tagBLOCK macro{}, cell{};
    macro.blkclass = &ram, cell.blkclass = &core;
    tagPIN on_macro{}, other{};
    on_macro.name = a.name, on_macro.owner = &macro;
    other.id = design_pin ? 1 : 0, other.owner = design_pin ? nullptr : &cell;
    tagPINLIST first{&on_macro, nullptr}, second{&other, &first};
    tagNET net{};
    tagPINLIST ref{&net, nullptr};
    net.pins = &second, macro.net_refs = &ref;
    TierLayout layout;
    layout.components = {{&macro, 0, 400, 400, 0, status, nullptr},
                         {&cell, 0, x - 1, y - 1, 0, S::kPlaced, nullptr}};
    if (design_pin) layout.pins.push_back({&other, nullptr, x, y, 0});
    FaceMacroPins(layout);
    EXPECT_EQ(layout.components[0].orient, orient) << "other pin at " << x << ", " << y;
  }
}

// RAMs of 100 x 100, halos of 5, pin A at the middle of the left edge, RAM k
// at (x, y) on a net with a 2 x 2 cell at (cell_x, 49); the die (no rows)
// from x = die_xl to 1000. Returns each RAM's orientation after the facing.
std::vector<int> FacedRams(const std::vector<std::array<long long, 3>>& rams, long long die_xl) {
  using S = TierLayout::Status;
  const size_t n = rams.size();
  tagBLOCKCLASS ram{}, core{};
  ram.type = kMacroClass, ram.orientations = OrientationsOf(kSymmetryX | kSymmetryY);
  ram.width = ram.height = 100, core.width = core.height = 2;
  tagPINCLASS a{0, const_cast<char*>("A"), 0, 50, nullptr};
  ram.pinclasses = &a;
  std::vector<tagBLOCK> blocks(2 * n);
  std::vector<tagPIN> pins(2 * n);
  std::vector<tagNET> nets(n);
  std::vector<tagPINLIST> links(3 * n);
  const std::array<double, 4> halo{5, 5, 5, 5};
  TierLayout layout;
  layout.die = {die_xl, -1000, 1000, 1000};
  for (size_t k = 0; k < n; ++k) {
    tagBLOCK &macro = blocks[k], &cell = blocks[n + k];
    macro.blkclass = &ram, cell.blkclass = &core;
    pins[k].name = a.name, pins[k].owner = &macro, pins[n + k].owner = &cell;
    links[3 * k] = {&pins[k], nullptr}, links[3 * k + 1] = {&pins[n + k], &links[3 * k]};
    nets[k].pins = &links[3 * k + 1];
    links[3 * k + 2] = {&nets[k], nullptr}, macro.net_refs = &links[3 * k + 2];
    layout.components.push_back({&macro, 0, rams[k][0], rams[k][1], 0, S::kPlaced, &halo});
    layout.components.push_back({&cell, 0, rams[k][2], 49, 0, S::kPlaced, nullptr});
  }
  FaceMacroPins(layout);
  std::vector<int> orients;
  for (size_t k = 0; k < n; ++k) orients.push_back(layout.components[2 * k].orient);
  return orients;
}

// Each RAM's net would turn its pins to its neighbour's (N: pins left; S:
// right). Across no more than the halos two buses would share a channel
// that holds no cells, and the first RAM faces away; with room for cells
// between, or the second raised until only the corners meet, both face their
// nets; a pin edge at the rows' edge (here the die's) turns away. In a row of
// three where no single turn frees the channel (the first RAM stands at the
// edge, the middle one would face the third), the middle and the third turn.
TEST(FaceMacroPins, KeepsPinEdgesFromFacingEachOtherAcrossTheHalosAlone) {
  const std::tuple<std::vector<std::array<long long, 3>>, long long, std::vector<int>> cases[] = {
      {{{0, 0, 400}, {110, 0, -300}}, -1000, {0, 0}},
      {{{0, 0, 400}, {111, 0, -300}}, -1000, {2, 0}},
      {{{0, 0, 400}, {110, 100, -300}}, -1000, {2, 0}},
      {{{0, 0, -300}, {130, 0, -300}}, -5, {2, 0}},
      {{{0, 0, 600}, {110, 0, -300}, {220, 0, -300}}, -5, {2, 2, 2}}};
  for (const auto& [rams, die_xl, orients] : cases)
    EXPECT_EQ(FacedRams(rams, die_xl), orients) << "RAMs: " << rams.size() << ", second at x " << rams[1][0]
                                                << ", y " << rams[1][1] << ", die from " << die_xl;
}

}  // namespace
