// The tiers of a LEF/DEF run laid out for the flow that takes them over, in
// the input's database units: every component's place, the rows and tracks,
// the fence of each group, the design's pins, and a via pin wherever a net
// crosses between tiers. Built once after the floorplan (and via planning);
// the DEF writer and any later hand-off only read it.
#pragma once
#include <string>
#include <vector>

#include "driver/records.h"
#include "io/io.h"
#include "io/lefdef.h"

struct DbuBox {
  long long xl, yl, xh, yh;
};

struct TierLayout {
  double dbu = 1;  // database units per micron
  int tiers = 1;
  DbuBox die{0, 0, 0, 0};  // every tier's die
  // Rows of standard-cell sites over the outline, the same on every tier.
  struct Row {
    long long x, y;
    int orient, sites;
  };
  std::string site;
  long long site_step = 0, row_height = 0;
  std::vector<Row> rows;
  std::vector<defiTrack> tracks;  // the input's tracks over the tier's die
  // The input's BLOCKAGES items as written, where its die is the tier's.
  std::vector<std::string> blockages;

  enum class Status { kPlaced, kFixed, kUnplaced };
  struct Component {
    const tagBLOCK* cell;
    int tier;
    long long x, y;
    int orient;
    Status status;
    const std::array<double, 4>* halo;  // microns, left bottom right top; null without
  };
  std::vector<Component> components;  // tier by tier: the blocks' cells in block order, then the pads
  struct Fence {
    const tagBLOCK* group;
    int tier;
    DbuBox box;
  };
  std::vector<Fence> fences;
  // The design's pins (on tier 0): the placement point, and the pin as read.
  struct Pin {
    const tagPIN* term;
    const defiPin* read;  // null for a pin the DEF does not list
    long long x, y;
    int orient;
  };
  std::vector<Pin> pins;
  // Where each net crosses the boundary between tiers boundary - 1 and
  // boundary: a square pin of side 2 * via_half on via_layer.
  struct ViaPin {
    const tagNET* net;
    int boundary;
    long long x, y;
  };
  std::vector<ViaPin> vias;
  std::string via_layer;
  long long via_half = 0;
  // Every cell-level net in DEF order, with its lowest and highest tier.
  struct NetSpan {
    const tagNET* net;
    int low, high;
  };
  std::vector<NetSpan> nets;
};

// Lays out every tier of the final floorplan. `vias` holds via planning's
// places of the block-level nets; a crossing it does not cover goes near the
// centre of its net's pins. `via_pitch` (microns) spaces via pins apart.
TierLayout LayOutTiers(const tagBLOCK* design, const tagBLOCK* pads, const tagNET* cell_nets,
                       const tagPARAMETERS* params, int tiers, const ViaPlaces& vias, double via_pitch);
// Turns every macro the floorplan placed to the mirror image of its
// orientation (one its LEF symmetry allows, the footprint the same) with the
// shortest nets through its pins; a tie keeps the orientation it has. Then,
// while two macros' pin edges face each other across no more than their
// halos, or a pin edge stands at the rows' edge, turns the macro whose turn
// frees such a channel at the least net length.
void FaceMacroPins(TierLayout& layout);
// "<base>_tier<t>.def" for every tier, each written whole or not at all.
void OutputTierDefs(const char* base, const TierLayout& layout);
// Where the cells of one group stand in its fence: on the row sites the
// fence holds, by decreasing width into the emptiest row, each row's cells
// moved to its middle; not placed for a cell that finds no room.
struct CellSpot {
  long long x, y;
  int orient;
  bool placed;
};
std::vector<CellSpot> PlaceOnRows(const std::vector<long long>& widths, const std::vector<int>& heights,
                                  const DbuBox& fence, const TierLayout& layout);
