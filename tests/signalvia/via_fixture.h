// Small via-planning scenes built by hand: a design record with placed
// blocks on tiers, terminals, nets, and a grid over the outline. The scene
// works inside a scratch directory, since the stages append report files to
// the working directory.
#pragma once
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

  // A placed block; its area is width x height.
  tagBLOCK* AddBlock(double x, double y, double w, double h, int tier);
  // A pin at (x, y): a block pin on `tier`, or a terminal (tier 0) when
  // `terminal` is set.
  struct Pin {
    double x, y;
    int tier;
    bool terminal = false;
  };
  // Nets are listed in the order added.
  tagNET* AddNet(const std::vector<Pin>& pins);

  // Builds a dimx x dimy grid of `tiers` layers; every cell gets `cap`
  // (white space is not computed).
  void BuildGrid(int dimx, int dimy, int tiers, int cap);
  // Splits the nets into vias (ConstructViaListForLayers); what it prints
  // goes to `output` when given.
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
  std::vector<tagBLOCK*> blocks_;
  std::vector<tagPIN*> pins_;
  std::vector<tagNET*> nets_;
};

}  // namespace testing_support
