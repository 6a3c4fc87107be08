#include "assignment_checks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

namespace testing_support {

void PinWindow(tagSIGVIA* via, ViaScene& scene, int i0, int i1, int j0, int j1) {
  const tagSIGGRID* lo = scene.Cell(via->layer, i0, j0);
  const tagSIGGRID* hi = scene.Cell(via->layer, i1, j1);
  via->minx = lo->x + 0.5 * lo->w;
  via->miny = lo->y + 0.5 * lo->h;
  via->maxx = hi->x + 0.5 * hi->w;
  via->maxy = hi->y + 0.5 * hi->h;
  via->resource = 1e9;
}

std::vector<tagSIGGRID*> UsableWindowCells(const tagSIGVIA* via, ViaScene& scene) {
  std::vector<tagSIGGRID*> cells;
  for (int ix = 0; ix < scene.dim.dimx; ++ix)
    for (int iy = 0; iy < scene.dim.dimy; ++iy) {
      tagSIGGRID* c = scene.Cell(via->layer, ix, iy);
      double cx = c->x + 0.5 * c->w, cy = c->y + 0.5 * c->h;
      if (c->via_cap > 0 && cx >= via->minx && cx <= via->maxx && cy >= via->miny && cy <= via->maxy)
        cells.push_back(c);
    }
  return cells;
}

double GrownHalfPerimeter(const tagNET* sub, const tagSIGGRID* a, const tagSIGGRID* b) {
  double minx = sub->minx, miny = sub->miny, maxx = sub->maxx, maxy = sub->maxy;
  for (const tagSIGGRID* c : {a, b}) {
    if (!c) continue;
    minx = std::min(minx, c->x + 0.5 * c->w);
    maxx = std::max(maxx, c->x + 0.5 * c->w);
    miny = std::min(miny, c->y + 0.5 * c->h);
    maxy = std::max(maxy, c->y + 0.5 * c->h);
  }
  return (maxx - minx) + (maxy - miny);
}

double PlacementCost(const tagSIGVIA* via, const tagSIGGRID* cell, const tagSIGGRID* below, bool truncate) {
  const tagNET* net = via->net;
  int k = via->layer - net->vias[0]->layer;
  auto term = [&](double v) { return truncate ? static_cast<double>(static_cast<int>(v)) : v; };
  double cost = term(GrownHalfPerimeter(net->sub_nets[k], cell, below));
  if (k == net->via_cnt - 1) cost += term(GrownHalfPerimeter(net->sub_nets[k + 1], cell, nullptr));
  return cost;
}

double CheapestNetLength(tagNET* net, const std::vector<std::vector<tagSIGGRID*>>& options) {
  std::vector<tagSIGGRID*> kept;
  for (int k = 0; k < net->via_cnt; ++k) kept.push_back(net->vias[k]->grid);
  double best = kInfinity;
  std::function<void(int)> choose = [&](int k) {
    if (k == net->via_cnt) {
      best = std::min(best, ViaAwareNetLength(net));
      return;
    }
    for (tagSIGGRID* cell : options[k]) {
      net->vias[k]->grid = cell;
      choose(k + 1);
    }
  };
  choose(0);
  for (int k = 0; k < net->via_cnt; ++k) net->vias[k]->grid = kept[k];
  return best;
}

std::map<tagSIGGRID*, int> Capacities(ViaScene& scene) {
  std::map<tagSIGGRID*, int> caps;
  for (tagSIGGRID& c : scene.grids->cells) caps[&c] = c.via_cap;
  return caps;
}

std::vector<tagSIGVIA*> BoundaryVias(tagSIGVIA* list) {
  std::vector<tagSIGVIA*> vias;
  for (; list; list = list->via_next) vias.push_back(list);
  return vias;
}

void BuildRandomScene(ViaScene& scene, std::mt19937& rng, int tiers, int dimx, int dimy, int nets,
                      int max_cap, bool span_all) {
  auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const int w = static_cast<int>(scene.design->width), h = static_cast<int>(scene.design->height);
  for (int n = 0; n < nets; ++n) {
    int lo = span_all ? 0 : uniform(0, tiers - 2);
    int hi = span_all ? tiers - 1 : uniform(lo + 1, tiers - 1);
    std::vector<ViaScene::Pin> pins;
    for (int tier : {lo, hi, uniform(lo, hi)})
      pins.push_back({double(uniform(1, w - 1)), double(uniform(1, h - 1)), tier});
    scene.AddNet(pins);
  }
  scene.BuildGrid(dimx, dimy, tiers, 0);
  {
    CaptureStdout quiet;
    scene.BuildDemand(tiers);
  }
  for (int layer = 1; layer < tiers; ++layer) {
    int cap = 0;
    for (int ix = 0; ix < dimx; ++ix)
      for (int iy = 0; iy < dimy; ++iy) cap += scene.Cell(layer, ix, iy)->via_cap = uniform(0, max_cap);
    while (cap < scene.via_count[layer]) {
      tagSIGGRID* c = scene.Cell(layer, uniform(0, dimx - 1), uniform(0, dimy - 1));
      if (c->via_cap < 4) ++c->via_cap, ++cap;
    }
    for (tagSIGVIA* via : BoundaryVias(scene.lists[layer])) {
      // At least two columns, so that every via has a choice to make.
      int i0 = uniform(0, dimx - 2), i1 = uniform(i0 + 1, dimx - 1);
      int j0 = uniform(0, dimy - 1), j1 = uniform(j0, dimy - 1);
      PinWindow(via, scene, i0, i1, j0, j1);
    }
  }
}

void ForEachRandomScene(const RandomScenes& kind, const std::function<void(ViaScene&)>& check) {
  for (int seed = 1; seed <= kind.seeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    ViaScene scene(310, 205);
    BuildRandomScene(scene, rng, 3, kind.dimx, kind.dimy, kind.nets, kind.max_cap, seed % 2 == 0);
    check(scene);
  }
}

}  // namespace testing_support
