// The via-planning grid: regular cells over the outline, one copy per tier,
// each cell's white space after the blocks of its tier and the via capacity
// that white space gives.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "driver/utilities.h"
#include "signalvia/signalvia.h"

namespace {

// Most vias one cell holds, however much white space it has.
constexpr int kMaxViasPerCell = 4;

// The regular pitch of a layer. Cell (0, 0) always has it: the remainder of
// the outline goes to the last row and column, which is cell (0, 0) only in
// a grid of one cell in that direction, where every coordinate maps to 0.
void LayerPitch(tagSIGGRIDSET& grids, int layer, double* pitch_x, double* pitch_y) {
  const tagSIGGRID* origin = grids.cell(layer, 0, 0);
  *pitch_x = origin->w;
  *pitch_y = origin->h;
}

// Length of the part of [lo, hi] that cell `index` of [first, last] covers
// along one axis; `start`, `extent` are that cell's. A range ending past the
// grid has been cut at the grid's edge by the caller.
double AxisOverlap(int index, int first, int last, double lo, double hi, double start, double extent) {
  double length;
  if (first == last)
    length = hi - lo;
  else if (index == first)
    length = (start + extent) - lo;
  else if (index == last)
    length = hi - start;
  else
    length = extent;
  return std::max(0.0, length);
}

}  // namespace

int CellIndex(double c, double pitch) {
  if (!(pitch > 0)) return 0;
  const int index = static_cast<int>(std::ceil(c / pitch)) - 1;
  return std::max(index, 0);
}

std::unique_ptr<tagSIGGRIDSET> BuildGridsForViaPlanning(tagBLOCK* design, tagSIGGRIDDIM* dim,
                                                        tagPARAMETERS* prm) {
  const double W = design->width, H = design->height;
  double pitch_x, pitch_y;
  if (prm->setSizeOrDim == 0) {
    dim->dimx = prm->signalvia_gridx;
    dim->dimy = prm->signalvia_gridy;
    pitch_x = dim->dimx > 0 ? W / dim->dimx : 0.0;
    pitch_y = dim->dimy > 0 ? H / dim->dimy : 0.0;
  } else {
    pitch_x = prm->signalvia_sizex;
    pitch_y = prm->signalvia_sizey;
    const double columns = pitch_x > 0 ? std::ceil(W / pitch_x) : 0,
                 rows = pitch_y > 0 ? std::ceil(H / pitch_y) : 0;
    if (columns > kMaxViaGridCells || rows > kMaxViaGridCells) {
      Refuse({"fl.prm"}, 1,
             "Error: signalvia_sizex and signalvia_sizey make a via grid of %.0f x %.0f cells; at most %d x "
             "%d.",
             columns, rows, kMaxViaGridCells, kMaxViaGridCells);
    }
    dim->dimx = static_cast<int>(columns);
    dim->dimy = static_cast<int>(rows);
  }
  if (dim->dimx < 1 || dim->dimy < 1 || dim->layers < 1) {
    DclError("Error:Failed to allocate memory!\n");
    return nullptr;
  }

  auto grids = std::make_unique<tagSIGGRIDSET>();
  grids->layers = dim->layers;
  grids->dimx = dim->dimx;
  grids->dimy = dim->dimy;
  grids->cells.assign(static_cast<size_t>(dim->layers) * dim->dimx * dim->dimy, tagSIGGRID{});
  for (int layer = 0; layer < dim->layers; ++layer) {
    if (!XYGridding(*grids, dim, layer, pitch_x, pitch_y, W, H)) {
      DclError("Error:Failed to allocate memory!\n");
      return nullptr;
    }
  }
  return grids;
}

bool XYGridding(tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int layer, double pitch_x, double pitch_y, double W,
                double H) {
  if (layer < 0 || layer >= grids.layers || dim->dimx != grids.dimx || dim->dimy != grids.dimy) return false;
  for (int ix = 0; ix < dim->dimx; ++ix) {
    for (int iy = 0; iy < dim->dimy; ++iy) {
      tagSIGGRID* cell = grids.cell(layer, ix, iy);
      *cell = tagSIGGRID{};
      cell->cell_id = dim->dimy * ix + iy;
      cell->x = pitch_x * ix;
      cell->y = pitch_y * iy;
      cell->w = ix == dim->dimx - 1 ? W - pitch_x * (dim->dimx - 1) : pitch_x;
      cell->h = iy == dim->dimy - 1 ? H - pitch_y * (dim->dimy - 1) : pitch_y;
      cell->free_area = cell->w * cell->h;
      cell->layer = layer;
      cell->ix = ix;
      cell->iy = iy;
    }
  }
  return true;
}

void CalWSDistribution(tagBLOCK* design, int tier_count, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim,
                       int* cap_per_layer) {
  double area = 0.0;
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    area += (blk->width - 2 * size_expand) * (blk->height - 2 * size_expand);
    if (blk->tier >= 0 && blk->tier < dim->layers) AssignBlkToGrids(blk, grids, blk->tier, dim);
  }
  for (int layer = 0; layer < dim->layers; ++layer) {
    cap_per_layer[layer] = 0;
    for (int ix = 0; ix < dim->dimx; ++ix) {
      for (int iy = 0; iy < dim->dimy; ++iy) {
        tagSIGGRID* cell = grids.cell(layer, ix, iy);
        // Truncation toward zero: a negative white space gives no capacity.
        cell->via_cap = std::min(static_cast<int>(cell->free_area / sigvia_size), kMaxViasPerCell);
        cap_per_layer[layer] += cell->via_cap;
      }
    }
  }
  std::printf("Real Area Usage: %.6f\n", (area / tier_count) / (design->width * design->height));
}

void AssignBlkToGrids(tagBLOCK* block, tagSIGGRIDSET& grids, int layer, tagSIGGRIDDIM* dim) {
  double pitch_x, pitch_y;
  LayerPitch(grids, layer, &pitch_x, &pitch_y);
  const double x0 = block->x + size_expand, y0 = block->y + size_expand;
  double x1 = block->x + block->width - size_expand;
  double y1 = block->y + block->height - size_expand;
  int i0 = CellIndex(x0, pitch_x), i1 = CellIndex(x1, pitch_x);
  int j0 = CellIndex(y0, pitch_y), j1 = CellIndex(y1, pitch_y);
  const bool beyond = i1 > dim->dimx - 1 || j1 > dim->dimy - 1;
  if (beyond) {
    std::printf("Error: Exceed Grid Dimension!\n");
    // Only the part of the block inside the grid takes white space.
    i0 = std::min(i0, dim->dimx - 1);
    j0 = std::min(j0, dim->dimy - 1);
    i1 = std::min(i1, dim->dimx - 1);
    j1 = std::min(j1, dim->dimy - 1);
    const tagSIGGRID* corner = grids.cell(layer, i1, j1);
    x1 = std::min(x1, corner->x + corner->w);
    y1 = std::min(y1, corner->y + corner->h);
  }
  if (i0 == i1 && j0 == j1 && !beyond) {
    grids.cell(layer, i0, j0)->free_area -= block->area;
    return;
  }
  for (int i = i0; i <= i1; ++i) {
    for (int j = j0; j <= j1; ++j) {
      tagSIGGRID* cell = grids.cell(layer, i, j);
      cell->free_area -=
          AxisOverlap(i, i0, i1, x0, x1, cell->x, cell->w) * AxisOverlap(j, j0, j1, y0, y1, cell->y, cell->h);
    }
  }
}

void FreeSigGrid(std::unique_ptr<tagSIGGRIDSET>& grids, tagSIGGRIDDIM* /*dim*/) { grids.reset(); }
