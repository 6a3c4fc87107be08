// Reference computations for checking the assignment stages on tiny scenes:
// windows pinned by hand, wire costs recomputed from the sub-nets' boxes, and
// random multi-tier scenes small enough to search exhaustively.
#pragma once
#include <functional>
#include <map>
#include <random>
#include <vector>

#include "signalvia/signalvia.h"
#include "via_fixture.h"

namespace testing_support {

// Pins the via's window to cells [i0, i1] x [j0, j1] of its layer: its box
// is set to those cells' centres and its resource is made large enough that
// the window never grows.
void PinWindow(tagSIGVIA* via, ViaScene& scene, int i0, int i1, int j0, int j1);

// The usable cells of the via's pinned window, ix outer, iy inner.
std::vector<tagSIGGRID*> UsableWindowCells(const tagSIGVIA* via, ViaScene& scene);

// Half-perimeter of the sub-net's pin box grown by the centres of a and b.
double GrownHalfPerimeter(const tagNET* sub, const tagSIGGRID* a, const tagSIGGRID* b);

// Wire of placing via k of its net in `cell` with `below` under it (each
// term truncated when `truncate`); the sub-net above is added for the net's
// last via.
double PlacementCost(const tagSIGVIA* via, const tagSIGGRID* cell, const tagSIGGRID* below, bool truncate);

// The least via-aware length of the net over every choice of one cell per
// via k from options[k] (kInfinity when some via has none); the vias keep
// their cells.
double CheapestNetLength(tagNET* net, const std::vector<std::vector<tagSIGGRID*>>& options);

// The capacity of every cell of the scene's grid.
std::map<tagSIGGRID*, int> Capacities(ViaScene& scene);

// Every via of the boundary list, in list order.
std::vector<tagSIGVIA*> BoundaryVias(tagSIGVIA* list);

// A scene of `nets` random nets over `tiers` tiers (all of them with
// `span_all`) on a dimx x dimy grid (dimx >= 2), each via pinned to a random
// window at least two cells wide, every cell given a random capacity in
// [0, max_cap] and each boundary topped up to hold all its vias.
void BuildRandomScene(ViaScene& scene, std::mt19937& rng, int tiers, int dimx, int dimy, int nets,
                      int max_cap, bool span_all);

// Runs `check` on random scenes of 3 tiers on a 310 x 205 outline (cell
// centres off the integers), seeds 1 to `seeds`; odd seeds mix net spans,
// even ones span every tier.
struct RandomScenes {
  int seeds, dimx, dimy, nets, max_cap;
};
void ForEachRandomScene(const RandomScenes& kind, const std::function<void(ViaScene&)>& check);

}  // namespace testing_support
