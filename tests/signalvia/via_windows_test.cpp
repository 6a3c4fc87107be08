// Candidate windows and the expected via load of the cells.
#include <gtest/gtest.h>

#include "via_fixture.h"

using namespace testing_support;

namespace {

struct Range {
  int i0, i1, j0, j1;
  bool operator==(const Range& o) const { return i0 == o.i0 && i1 == o.i1 && j0 == o.j0 && j1 == o.j1; }
};

// A 400 x 400 outline in 4 x 4 cells on two tiers, every cell of layer 1
// holding `cap` vias.
void TwoTierGrid(ViaScene& s, int cap) {
  s.BuildGrid(4, 4, 2, cap);
  s.BuildDemand(2);
}

TEST(ViaWindows, ExpectedLoadSharesEachViaOverItsUsableCells) {
  ViaScene s(400, 400);
  tagNET* a = s.AddNet({{50, 50, 0}, {150, 150, 1}});
  tagNET* b = s.AddNet({{50, 50, 0}, {250, 150, 1}});
  TwoTierGrid(s, 2);
  s.Cell(1, 1, 1)->via_cap = 0;
  SetExpectedValueForGridVia(s.net_list, *s.grids, &s.dim, 2);

  tagSIGVIA* va = a->vias[0];
  tagSIGVIA* vb = b->vias[0];
  EXPECT_EQ(va->cand_num, 3);
  EXPECT_EQ(vb->cand_num, 5);
  EXPECT_EQ(s.Cell(1, 0, 0)->cvia_num, 2);
  EXPECT_EQ(s.Cell(1, 2, 1)->cvia_num, 1);
  EXPECT_EQ(s.Cell(1, 1, 1)->cvia_num, 0);
  EXPECT_DOUBLE_EQ(s.Cell(1, 0, 0)->expected_via_num, 1.0 / 3 + 1.0 / 5);
  EXPECT_DOUBLE_EQ(s.Cell(1, 2, 0)->expected_via_num, 1.0 / 5);
  EXPECT_DOUBLE_EQ(va->resource, 3.0);
  EXPECT_DOUBLE_EQ(vb->resource, 3.0 + 4.0);

  // Enough room already: the window stays as it is.
  Range r;
  CandidatePositionRange(va, *s.grids, &r.i0, &r.i1, &r.j0, &r.j1, &s.dim, 1.0);
  EXPECT_EQ(r, (Range{0, 1, 0, 1}));
  EXPECT_EQ(va->cand_num, 3);
}

TEST(ViaWindows, WindowGrowsRingByRingUntilItHasRoom) {
  ViaScene s(400, 400);
  tagNET* net = s.AddNet({{10, 10, 0}, {20, 20, 1}});
  TwoTierGrid(s, 0);
  s.Cell(1, 3, 3)->via_cap = 4;
  SetExpectedValueForGridVia(s.net_list, *s.grids, &s.dim, 2);
  tagSIGVIA* via = net->vias[0];
  EXPECT_EQ(via->cand_num, 0);
  Range r;
  CandidatePositionRange(via, *s.grids, &r.i0, &r.i1, &r.j0, &r.j1, &s.dim, 1.0);
  EXPECT_EQ(r, (Range{0, 3, 0, 3}));
  EXPECT_DOUBLE_EQ(via->resource, 4.0);
  EXPECT_EQ(via->cand_num, 1);
  EXPECT_EQ(s.Cell(1, 3, 3)->cvia_num, 1);
}

}  // namespace
