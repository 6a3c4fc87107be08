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
#include <string>
#include <unordered_map>
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
// The unfinished line of each report file, by path (text waiting for its
// line end). Written by AppendToReport, cleared by ResetViaPlanningState.
extern std::unordered_map<std::string, std::string> report_lines;

// The flow and net-by-net stages keep their own counters in their files.
// Reads: nothing; writes: the flow stage's total_cap and call_ct.
void ResetFlowCounters();
// Reads: nothing; writes: the net-by-net stage's call_ct.
void ResetNetByNetCounter();

// Puts every value above, and the stages' counters, back to their state at
// process start (for tests).
// Reads: nothing; writes: the five globals above and the stages' counters.
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
// Reads: its arguments alone; writes: nothing.
int CellIndex(double c, double pitch);

// Sets dimx and dimy and builds every layer; null when the dimensions are
// not positive.
// Reads: the design's width and height, prm (setSizeOrDim, signalvia_gridx, signalvia_gridy,
// signalvia_sizex, signalvia_sizey), dim->layers; writes: dim->dimx, dim->dimy, the grid it returns.
std::unique_ptr<tagSIGGRIDSET> BuildGridsForViaPlanning(tagBLOCK* design, tagSIGGRIDDIM* dim,
                                                        tagPARAMETERS* prm);
// Lays out the cells of one layer; the last row and column take the rest.
// Reads: *dim; writes: every cell of the layer.
bool XYGridding(tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int layer, double pitch_x, double pitch_y, double W,
                double H);
// Subtracts every block from its tier's cells, sets via_cap of every cell and
// sums it per layer into cap_per_layer (one entry per layer).
// Reads: sigvia_size, size_expand, the design's blocks (place, size, area, tier); writes: every cell's
// free_area and via_cap, cap_per_layer.
void CalWSDistribution(tagBLOCK* design, int tier_count, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim,
                       int* cap_per_layer);
// Subtracts one block from the cells of grid layer `layer`.
// Reads: size_expand, the block's place, size and area; writes: the free_area of the cells it covers.
void AssignBlkToGrids(tagBLOCK* block, tagSIGGRIDSET& grids, int layer, tagSIGGRIDDIM* dim);
// Reads: no globals; writes: grids, released.
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
// Reads: the nets' pins (place; the tier of their block); writes: each net's pin box, hpwl_w_via,
// via_cnt, vias and sub_nets, via_count, net_list; appends to via_assignment.txt and vp_table1.txt.
std::vector<tagSIGVIA*> ConstructViaListForLayers(tagNET* nets, int tier_count, int* via_count,
                                                  tagNETLIST*& net_list);
// Smallest hpwl_w_via first. Reads: the nets' hpwl_w_via; writes: the list's links.
tagNETLIST* SortNetByHPWL(tagNETLIST* list, int count);
// Reads: the two nets' hpwl_w_via; writes: nothing.
int NetHPWLCompare(const void* a, const void* b);
// Via-aware length of a via net: its sub-nets' boxes with the centres of
// their vias' cells.
// Reads: the net's sub-nets and its vias' cells; writes: nothing.
double ViaAwareNetLength(tagNET* net);
// Wire of sub-net k of the net with its via in `cell` and the one below in `below`, the sub-net above
// added for the net's last via. Reads: the net's sub-net boxes, the cells; writes: nothing.
double EdgeCost(tagNET* net, tagSIGGRID* cell, tagSIGGRID* below, int k);
// Reads: the list's vias and their windows' cells; writes: the cells' via_num, cvia_num and
// expected_via_num (grid layers 1 up), the vias' cand_num and resource.
void SetExpectedValueForGridVia(tagNETLIST* net_list, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim,
                                int tier_count);
// The via's window of cells on its grid layer, clamped to the grid.
// Reads: the via's box, the grid's pitch; writes: *i0, *i1, *j0, *j1.
void ViaWindow(const tagSIGVIA* via, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int* i0, int* i1, int* j0,
               int* j1);
// The via's window, grown ring by ring until its resource reaches `threshold`.
// Reads: the cells' via_cap, cvia_num, expected_via_num; writes: the via's resource and cand_num, the
// new cells' cvia_num, *i0, *i1, *j0, *j1.
void CandidatePositionRange(tagSIGVIA* via, tagSIGGRIDSET& grids, int* i0, int* i1, int* j0, int* j1,
                            tagSIGGRIDDIM* dim, double threshold);
// The via's window, grown until it holds a usable cell.
// Reads: the cells' via_cap; writes: the via's cand_num, *i0, *i1, *j0, *j1.
void NetByNetCandidatePositionRange(tagSIGVIA* via, tagSIGGRIDSET& grids, int* i0, int* i1, int* j0, int* j1,
                                    tagSIGGRIDDIM* dim);
// Releases every via, every sub-net with its pin nodes, the nets' via and
// sub-net arrays (their via fields are cleared) and the remaining net list.
// Reads: no globals; writes: the nets' via fields (cleared), boundary_lists and net_list (emptied).
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
// Reads: lm_upper_bound, via_count, the vias, the cells; writes: lm_upper_bound (lowered) and ub_change,
// its own total_cap and call_ct, the vias' cell and what CandidatePositionRange writes, the cells' via_num,
// the nets' hpwl_w_via; appends to the reports; stops the run when a boundary lacks room.
int SignalViaAssignment(tagSIGVIA** boundary_lists, int* via_count, int tier_count, tagSIGGRIDSET& grids,
                        tagSIGGRIDDIM* dim, tagNET* nets);
// Mean via count of the fullest tenth of n cells. Reads: the layer's via_num; writes: nothing.
double CalViaCongCost(tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int layer, int n);

// Appends printf-style text to a report file in the working directory. The
// pieces of a line are held until its end comes, then the line goes in one
// write that lands whole or not at all, so a stop, a kill or another run in
// the same directory never leaves half a line; a failure is reported and
// noted as a result not written.
// Reads: report_lines; writes: report_lines, the file at `path`.
void AppendToReport(const char* path, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Net by net shortest paths; returns 0.
// Reads: its own call_ct, the list's nets and vias, the cells; writes: call_ct, the vias' cell, placed
// and cand_num, the nets' hpwl_w_via, the cells' via_num (0 again at the end; their via_cap given back);
// appends to the reports.
int NetByNetMultiLayerSignalViaAssignment(tagNETLIST* net_list, int tier_count, tagSIGGRIDSET& grids,
                                          tagSIGGRIDDIM* dim);
// Builds the layered graph of the list node's net into `graph`.
// Reads: the net's vias and sub-nets, the cells; writes: graph, source, sink, the vias' cand_num.
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
// Reads and writes what SetExpectedValueForGridVia, the relaxation below and, for the nets left, the
// net-by-net stage do.
int MultiLayerSignalViaAssignmentByMultiRelaxation(tagNETLIST*& net_list, int tier_count,
                                                   tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim);
// Reads: lm_upper_bound, ct_call, the list's nets and vias, the cells; writes: ct_call, the cells' lm,
// via_num, via_cap, cvia_num and grid_next, the vias' cell, candidates (freed at the end), resource,
// cand_num and placed, the nets' hpwl_w_via, net_list (the nets it could not place); appends to the
// reports.
int SignalViaAssignmentByLagragianRelaxationWOLEDA(tagNETLIST*& net_list, int tier_count,
                                                   tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim);
// Links the usable cells of grid layers 1 up. Reads: the cells' via_cap; writes: their grid_next and
// via_num, list, cap_total (added to).
void BuildGridList(tagSIGGRIDSET& grids, tagSIGGRID*& list, int& cap_total, int dimx, int dimy,
                   int tier_count);
// Reads: the list's nets, vias and sub-nets, the cells; writes: the vias' candidates and what
// CandidatePositionRange writes; stops the run on broken via records.
void ConstructCandidateGridListForVias(tagNETLIST* net_list, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim);
// Places the nets of the last relaxed solve, smallest relaxed length first;
// a net that does not fit is rolled back and stays in net_list.
// Reads: the vias' best candidates; writes: the nets' hpwl_w_via, the vias' cell and placed, the cells'
// via_num and via_cap, net_list, inserted, failed, wire.
void AssignViaToGridWithPriority(tagNETLIST*& net_list, int& inserted, int& failed, double& wire);
// Releases the candidates of the net's vias and clears their choices.
// Reads: no globals; writes: the net's vias' candidates and best_cand.
void FreeCandidateLists(tagNET* net);
// Both read their arguments alone and write nothing.
double UpdateLM(double lm, double theta, int via_num, int via_cap);
double UpdateTheta(double upper, double lambda, double lower, double norm2);

// ---------------------------------------------------------------------------
// Driver and reports

// With `places` given, it receives the last stage's via places of every net.
// Reads: sigvia_size, size_expand, prm, the design's blocks and nets; writes: lm_upper_bound,
// ub_change, ct_call and the stages' counters, the nets' hpwl_w_via (their via records released at the
// end), *places; appends to the reports, writes the via drawings; stops the run when a boundary lacks
// room.
void SignalViaPlanning(tagBLOCK* design, int tier_count, tagPARAMETERS* prm, tagNORMPARA* norm,
                       ViaPlaces* places = nullptr);
// Reads: size_expand, the design's name, size and blocks, the cells' via_num; writes: the files
// via_dist_<design>_<t>.gp.
void OutputViaDistribution(tagBLOCK* design, tagSIGGRIDSET& grids, tagSIGGRIDDIM* dim, int tier_count,
                           tagNORMPARA* norm);
