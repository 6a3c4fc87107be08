// Signal via planning: the grid laid over the chip with its cells' white
// space and via capacity, the vias each multi-tier net needs, and the three
// ways of assigning vias to cells (net by net, layer by layer, relaxation).
//
// Grid representation: one tagSIGGRIDSET owns every cell of every layer in a
// single vector sized once when the grid is built, so the cells never move
// and a tagSIGGRID* taken from it stays valid until the set is released.
// grids.cell(layer, ix, iy) is the cell in column ix, row iy of grid layer
// `layer`; the dimension record tagSIGGRIDDIM still travels beside the set as
// before, and the set keeps its own copy of the dimensions for indexing.
// Releasing the set (FreeSigGrid or its destructor) releases all cells.
#pragma once
#include <memory>
#include <vector>

#include "driver/graph.h"
#include "driver/parameters.h"
#include "driver/records.h"
#include "io/io.h"

// ---------------------------------------------------------------------------
// Process-wide via-planning state (via_planning_state.cpp). Each comment says
// what the value holds and in which unit, who sets it and who reads it; "the
// driver" is src/run/driver.cpp.

// Area one via needs: 25 input units squared, internal units squared once the driver's PlanSignalVias
// has scaled it. Read by CalWSDistribution (cell capacities), CheckCapacity, ReportSetup, and by the
// driver, which takes its root before the scaling as the via pitch of the tier DEFs.
extern double sigvia_size;
// Margin by which blocks count smaller on each side (internal units): 0, as nothing sets it. Read by
// CalWSDistribution, AssignBlkToGrids, ReportSetup, OutputViaDistribution.
extern double size_expand;
// Best known total via-aware length (internal units; kInfinity at first). Lowered by SignalViaAssignment,
// measured anew by SignalViaPlanning after it; read by the relaxation (its step size and reports).
extern double lm_upper_bound;
// The flow stage lowered lm_upper_bound. Set by SignalViaAssignment; read and cleared by SignalViaPlanning.
extern bool ub_change;
// Relaxations completed in this process (count). Set and read by
// SignalViaAssignmentByLagragianRelaxationWOLEDA: only the first appends its lower bound to via_rt.txt.
extern int ct_call;

// The flow and net-by-net stages keep their own counters in their files.
void ResetFlowCounters();
void ResetNetByNetCounter();

// Puts every value above, and the stages' counters, back to their state at
// process start (for tests).
void ResetViaPlanningState();

// ---------------------------------------------------------------------------
// Grid

struct tagSIGGRIDDIM {
  int dimx;
  int dimy;
  int layers;
};

struct tagSIGGRID {
  int cell_id;  // dimy * ix + iy, unique within its layer
  double x, y;  // lower-left corner
  double w, h;
  double free_area;
  int via_cap;
  int via_num;
  int cvia_num;
  double expected_via_num;
  int layer;
  int iy;
  int ix;
  double lm;              // Lagrange multiplier of the cell's capacity
  tagSIGGRID* grid_next;  // next usable cell in the relaxation's list
};

// Every cell of every grid layer, indexed by (layer, ix, iy).
struct tagSIGGRIDSET {
  int layers = 0;
  int dimx = 0;
  int dimy = 0;
  std::vector<tagSIGGRID> cells;

  tagSIGGRID* cell(int layer, int ix, int iy) {
    return &cells[(static_cast<size_t>(layer) * dimx + ix) * dimy + iy];
  }
};

// Index of the cell holding coordinate c on an axis of pitch p: a coordinate
// on a boundary belongs to the lower cell, negative results become 0.
int CellIndex(double c, double pitch);

// Sets dimx and dimy and builds every layer; null when the dimensions are
// not positive.
std::unique_ptr<tagSIGGRIDSET> BuildGridsForViaPlanning(tagBLOCK* design, tagSIGGRIDDIM* dim,
                                                        tagPARAMETERS* prm);
// Lays out the cells of one layer; the last row and column take the rest.
bool XYGridding(tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int layer, double pitch_x, double pitch_y, double W,
                double H);
// Subtracts every block from its tier's cells, sets via_cap of every cell and
// sums it per layer into cap_per_layer (one entry per layer).
void CalWSDistribution(tagBLOCK* design, int tier_count, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim,
                       int* cap_per_layer);
// Subtracts one block from the cells of grid layer `layer`.
void AssignBlkToGrids(tagBLOCK* block, tagSIGGRIDSET& grids, int layer, tagSIGGRIDDIM* dim);
void FreeSigGrid(std::unique_ptr<tagSIGGRIDSET>& grids, tagSIGGRIDDIM* dim);

// ---------------------------------------------------------------------------
// Via demand

struct tagVIACAND;  // candidate cell of a via in the relaxation (below)

struct tagSIGVIA {
  int via_id;                     // number within its boundary, 0 up
  int layer;                      // boundary t: joins tiers t - 1 and t, placed on grid layer t
  double minx, miny, maxx, maxy;  // the whole net's pin box
  tagNET* net;
  tagNET* lower_net;
  tagNET* upper_net;
  tagSIGGRID* grid;  // assigned cell, null while unassigned
  tagVIACAND* best_cand;
  tagVIACAND* cand_list;
  int placed;
  int cand_num;
  double resource;
  tagSIGVIA* via_next;
};

struct tagNETLIST {
  tagNET* net;
  tagNETLIST* next;
};

// Splits every multi-tier net into per-tier sub-nets joined by vias. Returns
// one via list per tier (entry t: the vias of boundary t, newest first),
// fills via_count (tier_count entries, entry 0 = all vias) and sets net_list
// to the via nets sorted by pin half-perimeter, smallest first.
std::vector<tagSIGVIA*> ConstructViaListForLayers(tagNET* nets, int tier_count, int* via_count,
                                                  tagNETLIST*& net_list);
tagNETLIST* SortNetByHPWL(tagNETLIST* list, int count);
int NetHPWLCompare(const void* a, const void* b);
// Via-aware length of a via net: its sub-nets' boxes with the centres of
// their vias' cells.
double ViaAwareNetLength(tagNET* net);
double EdgeCost(tagNET* net, tagSIGGRID* cell, tagSIGGRID* below, int k);
void SetExpectedValueForGridVia(tagNETLIST* net_list, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim,
                                int tier_count);
// The via's window of cells on its grid layer, clamped to the grid.
void ViaWindow(const tagSIGVIA* via, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int* i0, int* i1, int* j0,
               int* j1);
void CandidatePositionRange(tagSIGVIA* via, tagSIGGRIDSET& grids, int* i0, int* i1, int* j0, int* j1,
                            tagSIGGRIDDIM* dim, double threshold);
void NetByNetCandidatePositionRange(tagSIGVIA* via, tagSIGGRIDSET& grids, int* i0, int* i1, int* j0, int* j1,
                                    tagSIGGRIDDIM* dim);
// Releases every via, every sub-net with its pin nodes, the nets' via and
// sub-net arrays (their via fields are cleared) and the remaining net list.
void FreeViaDemand(tagNET* nets, std::vector<tagSIGVIA*>& boundary_lists, tagNETLIST*& net_list);

// ---------------------------------------------------------------------------
// Graphs of the net-by-net and flow stages

// Node kinds: 0 source, 1 sink, 2 cell (flow), 3 net, 4 via, 5 cell (net by net).
struct tagVPNODE {
  int kind;
  void* object;
};
struct tagVPEDGE {
  int flag;
  double cost;
};
using ViaGraph = Digraph<tagVPNODE, tagVPEDGE>;

// Layer by layer min-cost max-flow; returns the vias assigned.
int SignalViaAssignment(tagSIGVIA** boundary_lists, int* via_count, int tier_count, tagSIGGRIDSET& grids,
                        tagSIGGRIDDIM* dim, tagNET* nets);
double CalViaCongCost(tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int layer, int n);

// Appends printf-style text to a report file in the working directory, in
// one write that lands whole or not at all; a failure is reported and skipped.
void AppendToReport(const char* path, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Net by net shortest paths; returns 0.
int NetByNetMultiLayerSignalViaAssignment(tagNETLIST* net_list, int tier_count, tagSIGGRIDSET& grids,
                                          tagSIGGRIDDIM* dim);
// Builds the layered graph of the list node's net into `graph`.
void ConstructGraphNetworkForOneNet(ViaGraph& graph, int& source, int& sink, tagNETLIST* node, int tier_count,
                                    tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim);

// ---------------------------------------------------------------------------
// Lagrangian relaxation

// One usable cell of a via's window. costs holds one entry for a net's lowest
// via (the cell with nothing below), otherwise one per candidate of the via
// below, indexed by that candidate's index.
struct tagVIACAND {
  int index;  // position among the via's candidates, 0 up in creation order
  tagSIGGRID* cell;
  std::vector<double> costs;
  double dist;       // best path value up to here in the current solve
  tagVIACAND* pred;  // choice for the via below on that path; null at the lowest via
  tagVIACAND* next;  // next candidate of the same via
};

// On return net_list holds only the nets the relaxation could not place.
int MultiLayerSignalViaAssignmentByMultiRelaxation(tagNETLIST*& net_list, int tier_count,
                                                   tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim);
int SignalViaAssignmentByLagragianRelaxationWOLEDA(tagNETLIST*& net_list, int tier_count,
                                                   tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim);
void BuildGridList(tagSIGGRIDSET& grids, tagSIGGRID*& list, int& cap_total, int dimx, int dimy,
                   int tier_count);
void ConstructCandidateGridListForVias(tagNETLIST* net_list, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim);
// Places the nets of the last relaxed solve, smallest relaxed length first;
// a net that does not fit is rolled back and stays in net_list.
void AssignViaToGridWithPriority(tagNETLIST*& net_list, int& inserted, int& failed, double& wire);
// Releases the candidates of the net's vias and clears their choices.
void FreeCandidateLists(tagNET* net);
double UpdateLM(double lm, double theta, int via_num, int via_cap);
double UpdateTheta(double upper, double lambda, double lower, double norm2);

// ---------------------------------------------------------------------------
// Driver and reports

// With `places` given, it receives the last stage's via places of every net.
void SignalViaPlanning(tagBLOCK* design, int tier_count, tagPARAMETERS* prm, tagNORMPARA* norm,
                       ViaPlaces* places = nullptr);
void OutputViaDistribution(tagBLOCK* design, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int tier_count,
                           tagNORMPARA* norm);
