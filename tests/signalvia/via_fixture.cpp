#include "via_fixture.h"

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

std::vector<tagSIGVIA*> BoundaryVias(tagSIGVIA* list) {
  std::vector<tagSIGVIA*> vias;
  for (; list; list = list->via_next) vias.push_back(list);
  return vias;
}

}  // namespace testing_support
