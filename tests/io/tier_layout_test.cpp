// Standard cells on the row sites of a fence, on random fences and cells
// against a brute-force check of what a placer requires of a legal start.
#include "io/tier_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

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

}  // namespace
