// Small via-planning scenes built by hand, in a scratch directory (the stages
// append report files to the working directory).
#pragma once
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "driver/parameters.h"
#include "driver/records.h"
#include "signalvia/signalvia.h"
#include "test_support.h"

namespace testing_support {

class ViaScene {
 public:
  ViaScene(double width, double height);
  ~ViaScene();
  ViaScene(const ViaScene&) = delete;
  ViaScene& operator=(const ViaScene&) = delete;

  tagBLOCK* AddBlock(double x, double y, double w, double h, int tier);
  // A pin on a 1 x 1 block of `tier`, or a terminal when `terminal` is set.
  struct Pin {
    double x, y;
    int tier;
    bool terminal = false;
  };
  tagNET* AddNet(const std::vector<Pin>& pins);  // nets keep the order added
  // A dimx x dimy grid of `tiers` layers, `cap` vias in every cell.
  void BuildGrid(int dimx, int dimy, int tiers, int cap);
  // Splits the nets into vias; what it prints goes to `output` when given.
  void BuildDemand(int tiers, std::string* output = nullptr);
  tagSIGGRID* Cell(int layer, int ix, int iy) { return grids->cell(layer, ix, iy); }

  tagBLOCK* design;
  tagPARAMETERS params{};
  tagSIGGRIDDIM dim{0, 0, 0};
  std::unique_ptr<tagSIGGRIDSET> grids;
  std::vector<tagSIGVIA*> lists;
  std::vector<int> via_count;
  tagNETLIST* net_list = nullptr;
  ScratchDir dir;

 private:
  std::filesystem::path previous_dir_;
  std::deque<tagBLOCK> blocks_;  // the design first
  std::deque<tagPIN> pins_;
  std::deque<tagPINLIST> links_;
  std::deque<tagNET> nets_;
};

std::vector<tagSIGVIA*> BoundaryVias(tagSIGVIA* list);  // in list order

}  // namespace testing_support
