// Candidate windows of vias: the cells under a via's net box, grown ring by
// ring until they offer enough room, and the expected via load per cell.
#include <algorithm>

#include "signalvia/signalvia.h"

namespace {

struct Window {
  int i0, i1, j0, j1;
};

// Grows the window by one cell on every side and clamps it to the grid.
// False when it reached past the grid on all four sides: nothing new to see.
bool Grow(Window& w, const tagSIGGRIDDIM* dim) {
  --w.i0;
  ++w.i1;
  --w.j0;
  ++w.j1;
  const bool beyond_all = w.i0 < 0 && w.j0 < 0 && w.i1 > dim->dimx - 1 && w.j1 > dim->dimy - 1;
  w.i0 = std::max(w.i0, 0);
  w.j0 = std::max(w.j0, 0);
  w.i1 = std::min(w.i1, dim->dimx - 1);
  w.j1 = std::min(w.j1, dim->dimy - 1);
  return !beyond_all;
}

// The ring of a window: its bottom and top rows, then the left and right
// columns strictly between them. A window one cell wide or high meets its
// cells twice.
template <typename Visit>
void VisitRing(const Window& w, tagSIGGRIDSET& grids, int layer, Visit visit) {
  for (int i = w.i0; i <= w.i1; ++i) {
    visit(grids.cell(layer, i, w.j0));
    visit(grids.cell(layer, i, w.j1));
  }
  for (int j = w.j0 + 1; j < w.j1; ++j) {
    visit(grids.cell(layer, w.i0, j));
    visit(grids.cell(layer, w.i1, j));
  }
}

template <typename Visit>
void VisitWindow(const Window& w, tagSIGGRIDSET& grids, int layer, Visit visit) {
  for (int i = w.i0; i <= w.i1; ++i)
    for (int j = w.j0; j <= w.j1; ++j) visit(grids.cell(layer, i, j));
}

Window WindowOf(const tagSIGVIA* via, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim) {
  Window w;
  ViaWindow(via, grids, dim, &w.i0, &w.i1, &w.j0, &w.j1);
  return w;
}

void Return(const Window& w, int* i0, int* i1, int* j0, int* j1) {
  *i0 = w.i0;
  *i1 = w.i1;
  *j0 = w.j0;
  *j1 = w.j1;
}

// Every via of the nets in the list, net by net, lowest via first.
template <typename Visit>
void ForEachVia(tagNETLIST* net_list, Visit visit) {
  for (tagNETLIST* node = net_list; node; node = node->next)
    for (int k = 0; k < node->net->via_cnt; ++k) visit(node->net->vias[k]);
}

}  // namespace

void ViaWindow(const tagSIGVIA* via, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int* i0, int* i1, int* j0,
               int* j1) {
  const tagSIGGRID* origin = grids.cell(via->layer, 0, 0);
  // Terminals may lie outside the outline, so the box can reach past the grid.
  *i0 = std::min(CellIndex(via->minx, origin->w), dim->dimx - 1);
  *i1 = std::min(CellIndex(via->maxx, origin->w), dim->dimx - 1);
  *j0 = std::min(CellIndex(via->miny, origin->h), dim->dimy - 1);
  *j1 = std::min(CellIndex(via->maxy, origin->h), dim->dimy - 1);
}

void SetExpectedValueForGridVia(tagNETLIST* net_list, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim,
                                int tier_count) {
  for (int layer = 1; layer < tier_count; ++layer) {
    for (int ix = 0; ix < dim->dimx; ++ix) {
      for (int iy = 0; iy < dim->dimy; ++iy) {
        tagSIGGRID* cell = grids.cell(layer, ix, iy);
        cell->via_num = 0;
        cell->cvia_num = 0;
        cell->expected_via_num = 0.0;
      }
    }
  }
  ForEachVia(net_list, [&](tagSIGVIA* via) {
    via->cand_num = 0;
    via->resource = 0.0;
    VisitWindow(WindowOf(via, grids, dim), grids, via->layer, [&](tagSIGGRID* cell) {
      if (cell->via_cap <= 0) return;
      ++cell->cvia_num;
      ++via->cand_num;
    });
  });
  ForEachVia(net_list, [&](tagSIGVIA* via) {
    VisitWindow(WindowOf(via, grids, dim), grids, via->layer, [&](tagSIGGRID* cell) {
      if (cell->via_cap <= 0) return;
      cell->expected_via_num += 1.0 / via->cand_num;
      via->resource += static_cast<double>(cell->via_cap) / cell->cvia_num;
    });
  });
}

void CandidatePositionRange(tagSIGVIA* via, tagSIGGRIDSET& grids, int* i0, int* i1, int* j0, int* j1,
                            tagSIGGRIDDIM* dim, double threshold) {
  Window w = WindowOf(via, grids, dim);
  while (threshold > via->resource - 1e-6 && Grow(w, dim)) {
    VisitRing(w, grids, via->layer, [&](tagSIGGRID* cell) {
      if (cell->via_cap <= 0 || cell->expected_via_num >= cell->via_cap) return;
      via->resource += static_cast<double>(cell->via_cap) / (cell->cvia_num + 1);
      ++via->cand_num;
      ++cell->cvia_num;
    });
  }
  Return(w, i0, i1, j0, j1);
}

void NetByNetCandidatePositionRange(tagSIGVIA* via, tagSIGGRIDSET& grids, int* i0, int* i1, int* j0, int* j1,
                                    tagSIGGRIDDIM* dim) {
  Window w = WindowOf(via, grids, dim);
  via->cand_num = 0;
  VisitWindow(w, grids, via->layer, [&](tagSIGGRID* cell) {
    if (cell->via_cap > 0) ++via->cand_num;
  });
  while (via->cand_num < 1 && Grow(w, dim)) {
    VisitRing(w, grids, via->layer, [&](tagSIGGRID* cell) {
      if (cell->via_cap > 0) ++via->cand_num;
    });
  }
  Return(w, i0, i1, j0, j1);
}
