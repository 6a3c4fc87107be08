#include "via_fixture.h"

namespace testing_support {

ViaScene::ViaScene(double width, double height) {
  previous_dir_ = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  ResetViaPlanningState();
  InitParameters(&params);
  design = new tagBLOCK{};
  design->name = CopyName("scene");
  design->width = width;
  design->height = height;
}

ViaScene::~ViaScene() {
  FreeViaDemand(design->nets, lists, net_list);
  for (tagNET* net : nets_) {
    for (tagPINLIST* node = net->pins; node;) {
      tagPINLIST* next = node->next;
      delete node;
      node = next;
    }
    delete net;
  }
  for (tagPIN* pin : pins_) delete pin;
  for (tagBLOCK* blk : blocks_) delete blk;
  delete[] design->name;
  delete design;
  std::filesystem::current_path(previous_dir_);
}

tagBLOCK* ViaScene::AddBlock(double x, double y, double w, double h, int tier) {
  tagBLOCK* blk = new tagBLOCK{};
  blk->id = static_cast<int>(blocks_.size()) + 1;
  blk->x = x;
  blk->y = y;
  blk->width = w;
  blk->height = h;
  blk->area = w * h;
  blk->tier = tier;
  // Keep the block list in the order added.
  tagBLOCK** tail = &design->children;
  while (*tail) tail = &(*tail)->next;
  *tail = blk;
  blocks_.push_back(blk);
  return blk;
}

tagNET* ViaScene::AddNet(const std::vector<Pin>& pins) {
  tagNET* net = new tagNET{};
  net->id = static_cast<int>(nets_.size()) + 1;
  net->weight = 1.0;
  for (const Pin& p : pins) {
    tagPIN* pin = new tagPIN{};
    pin->x = p.x;
    pin->y = p.y;
    if (p.terminal) {
      pin->id = 1000 + static_cast<int>(pins_.size());
    } else {
      pin->owner = AddBlock(p.x, p.y, 1, 1, p.tier);
    }
    pin->net = net;
    net->pins = new tagPINLIST{pin, net->pins};
    ++net->degree;
    pins_.push_back(pin);
  }
  tagNET** tail = &design->nets;
  while (*tail) tail = &(*tail)->next;
  *tail = net;
  ++design->net_count;
  nets_.push_back(net);
  return net;
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

}  // namespace testing_support
