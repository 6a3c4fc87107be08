// Small via-planning scenes built by hand, in a scratch directory (the stages
// append report files to the working directory), and reference computations
// on them: windows pinned by hand, and random multi-tier scenes small enough
// to search exhaustively.
#pragma once
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
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

// Pins the via's window to cells [i0, i1] x [j0, j1] of its layer, with a
// resource large enough that the window never grows.
void PinWindow(tagSIGVIA* via, ViaScene& scene, int i0, int i1, int j0, int j1);
// The usable cells of the via's pinned window, ix outer, iy inner.
std::vector<tagSIGGRID*> UsableWindowCells(const tagSIGVIA* via, ViaScene& scene);
// The least via-aware length of the net over every choice of one cell per
// via k from options[k] (kInfinity when some via has none).
double CheapestNetLength(tagNET* net, const std::vector<std::vector<tagSIGGRID*>>& options);
std::map<tagSIGGRID*, int> Capacities(ViaScene& scene);
std::vector<tagSIGVIA*> BoundaryVias(tagSIGVIA* list);  // in list order

// Runs `check` on scenes of `nets` random three-pin nets over 3 tiers on a
// 310 x 205 outline (cell centres off the integers) in dimx x dimy cells,
// seeds 1 to `seeds`: odd seeds mix net spans, even ones span every tier.
// Each via is pinned to a random window at least two columns wide, each
// cell holds up to max_cap vias, topped up to hold every via of a boundary.
struct RandomScenes {
  int seeds, dimx, dimy, nets, max_cap;
};
void ForEachRandomScene(const RandomScenes& kind, const std::function<void(ViaScene&)>& check);

}  // namespace testing_support
