#include "via_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

namespace testing_support {

ViaScene::ViaScene(double width, double height) {
  static char name[] = "scene";
  previous_dir_ = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  ResetViaPlanningState();
  InitParameters(&params);
  design = &blocks_.emplace_back();
  design->name = name;
  design->width = width;
  design->height = height;
}

ViaScene::~ViaScene() {
  FreeViaDemand(design->nets, lists, net_list);
  std::filesystem::current_path(previous_dir_);
}

tagBLOCK* ViaScene::AddBlock(double x, double y, double w, double h, int tier) {
  tagBLOCK* blk = &blocks_.emplace_back();
  blk->id = static_cast<int>(blocks_.size()) - 1;
  blk->x = x, blk->y = y, blk->width = w, blk->height = h, blk->area = w * h, blk->tier = tier;
  tagBLOCK** tail = &design->children;
  while (*tail) tail = &(*tail)->next;
  return *tail = blk;
}

tagNET* ViaScene::AddNet(const std::vector<Pin>& pins) {
  tagNET* net = &nets_.emplace_back();
  net->id = static_cast<int>(nets_.size());
  net->weight = 1.0;
  for (const Pin& p : pins) {
    tagPIN* pin = &pins_.emplace_back();
    pin->x = p.x, pin->y = p.y, pin->net = net;
    if (p.terminal) pin->id = 1000 + static_cast<int>(pins_.size());
    if (!p.terminal) pin->owner = AddBlock(p.x, p.y, 1, 1, p.tier);
    net->pins = &links_.emplace_back(tagPINLIST{pin, net->pins});
    ++net->degree;
  }
  tagNET** tail = &design->nets;
  while (*tail) tail = &(*tail)->next;
  ++design->net_count;
  return *tail = net;
}

void ViaScene::BuildGrid(int dimx, int dimy, int tiers, int cap) {
  params.setSizeOrDim = 0;
  params.signalvia_gridx = dimx;
  params.signalvia_gridy = dimy;
  dim.layers = tiers;
  grids = BuildGridsForViaPlanning(design, &dim, &params);
  for (tagSIGGRID& cell : grids->cells) cell.via_cap = cap;
}

void ViaScene::BuildDemand(int tiers, std::string* output) {
  via_count.assign(tiers, -1);  // the stage sets every count
  CaptureStdout capture;
  lists = ConstructViaListForLayers(design->nets, tiers, via_count.data(), net_list);
  const std::string text = capture.Finish();
  if (output) *output = text;
}

void PinWindow(tagSIGVIA* via, ViaScene& scene, int i0, int i1, int j0, int j1) {
  const tagSIGGRID* lo = scene.Cell(via->layer, i0, j0);
  const tagSIGGRID* hi = scene.Cell(via->layer, i1, j1);
  via->minx = lo->x + 0.5 * lo->w, via->miny = lo->y + 0.5 * lo->h;
  via->maxx = hi->x + 0.5 * hi->w, via->maxy = hi->y + 0.5 * hi->h;
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

double CheapestNetLength(tagNET* net, const std::vector<std::vector<tagSIGGRID*>>& options) {
  std::vector<tagSIGGRID*> kept;
  for (int k = 0; k < net->via_cnt; ++k) kept.push_back(net->vias[k]->grid);
  double best = kInfinity;
  std::function<void(int)> choose = [&](int k) {
    if (k == net->via_cnt) best = std::min(best, ViaAwareNetLength(net));
    for (size_t c = 0; k < net->via_cnt && c < options[k].size(); ++c) {
      net->vias[k]->grid = options[k][c];
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

void ForEachRandomScene(const RandomScenes& kind, const std::function<void(ViaScene&)>& check) {
  const int tiers = 3, dimx = kind.dimx, dimy = kind.dimy;
  for (int seed = 1; seed <= kind.seeds; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 rng(seed);
    auto uniform = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    ViaScene scene(310, 205);
    for (int n = 0; n < kind.nets; ++n) {
      int lo = seed % 2 == 0 ? 0 : uniform(0, tiers - 2);
      int hi = seed % 2 == 0 ? tiers - 1 : uniform(lo + 1, tiers - 1);
      std::vector<ViaScene::Pin> pins;
      for (int tier : {lo, hi, uniform(lo, hi)})
        pins.push_back({double(uniform(1, 309)), double(uniform(1, 204)), tier});
      scene.AddNet(pins);
    }
    scene.BuildGrid(dimx, dimy, tiers, 0);
    scene.BuildDemand(tiers);
    for (int layer = 1; layer < tiers; ++layer) {
      int cap = 0;
      for (int ix = 0; ix < dimx; ++ix)
        for (int iy = 0; iy < dimy; ++iy)
          cap += scene.Cell(layer, ix, iy)->via_cap = uniform(0, kind.max_cap);
      while (cap < scene.via_count[layer]) {
        tagSIGGRID* c = scene.Cell(layer, uniform(0, dimx - 1), uniform(0, dimy - 1));
        if (c->via_cap < 4) ++c->via_cap, ++cap;
      }
      for (tagSIGVIA* via : BoundaryVias(scene.lists[layer])) {
        int i0 = uniform(0, dimx - 2), i1 = uniform(i0 + 1, dimx - 1);
        int j0 = uniform(0, dimy - 1), j1 = uniform(j0, dimy - 1);
        PinWindow(via, scene, i0, i1, j0, j1);
      }
    }
    check(scene);
  }
}

}  // namespace testing_support
