// Every tuning value of a run: defaults, then `fl.prm`, then the driver's
// overrides between stages.
#pragma once

#include <vector>

// Via grid cells per axis at most: a finer grid costs memory (about 100
// bytes per cell and tier) and planning time without a better plan.
constexpr int kMaxViaGridCells = 500;

struct tagPARAMETERS {
  int giveup;
  int depthmax;
  int movenode;
  int ipcand;
  double degobj;
  double degobj_g;
  int idle_g;
  int movarea;
  int movnet;
  double movfix;
  int allarea;
  double allnet;
  double allfix;
  double grpwgt;
  double spcwgt;
  int trace;
  double sparearea;
  double expand;
  double dltmin;
  double ntlubd1;
  double ntlubd2;
  double ntpenalty1;
  double ntpenalty2;
  int srchlvl_a;
  int srchlvl_b;
  int rotate;
  int itrlvl;
  double frc;
  int proc;
  double fil_l;
  double repfact;
  int qp_itrmax;
  int linecnt;
  int scan_fe;
  double fld_ratio;
  double fil_ratio;
  double devi_upd;
  double grav_ofs;
  double grav_wgt;
  int trace_qp;
  int display;
  double delta_fil;
  int lu_ntdeg_thd;
  int gs_ntdeg_thd;
  double fix_cel_den;
  int gs_itr_max;
  double gs_max_dev;
  double sor;
  double sor2;
  int opt_method;
  double net_scale;
  double obj_area_wgt;
  double area_wgt;
  double net_wgt;
  int wgt_phase;
  double d_mult;
  double t_base;
  int start_tempe;
  int end_tempe;
  int iterations;
  double cooling_ratio;
  // Annealing rounds at most: while the best floorplan misses the outline,
  // a multi-tier run starts again from a new random tier split.
  int anneal_rounds;
  // CPU seconds the optimiser may take; the moves per temperature (or the
  // insertion optimiser's iterations) follow from the measured cost of a
  // move. 0 runs the schedule's own move counts.
  int time_limit;
  // Annealing chains run at once from the same start with seeds s, s + 1,
  // ...; the best one's result is kept.
  int starts;
  int layers;
  int wgt_via;
  int thermal_opt;
  int pin_at_center;
  int opt_wire;
  double aspect_ratio;
  int svia_assignment;
  int setSizeOrDim;
  int signalvia_gridx;
  int signalvia_gridy;
  double signalvia_sizex;
  double signalvia_sizey;
  int opt_ws_dist;
  double wgt_wsdist;
  int init_rand;
  double deltac_wgt;
  double deltnt_wgt;
  double deltvia_wgt;
  // Fixed random seed; 0 keeps the time-of-day seed.
  int seed;
  // LEF/DEF designs: the number of standard-cell groups, and whether macros
  // (LEF class BLOCK) become blocks of their own (1) or join the groups (0).
  int cell_groups;
  int macro_blocks;
  // LEF/DEF designs: the outline is the die (1; folded over the tiers) or
  // follows from the block area (0); the halo (microns) of macros the DEF
  // gives none; the share of its fence a group's cells take (0: the least
  // that fills the die); the routing layer of the inter-tier via pins,
  // counted from the bottom (0: the top one).
  int die_outline;
  double macro_halo;
  // The weight of the wire-only net that pulls the macros and pins of a
  // LEF/DEF net together, relative to the net (0 for none).
  double macro_net_weight;
  double fence_utilization;
  // LEF/DEF designs: a group's fence may take any height over width from
  // 1 / fence_aspect to fence_aspect (1: the one shape its cells are given).
  double fence_aspect;
  int bond_layer;
  // The fixed outline when the input gives it (internal units, set by the
  // driver); 0 derives it from the block area and sparearea.
  double outline_w, outline_h;
  // Lower-bound shift of the exact re-evaluation; set to 0 by the initial solution.
  double lb_shift;
  // Total area of the placed blocks, accumulated by the initial solution.
  double placed_area;
};

// One keyword as the reader knows it: the values fl.prm may give it (as
// written in the file) and what it means, in one line.
struct KeywordRule {
  const char* name;
  int lo, hi;
  const char* help;
};
// Every keyword, in the order the reader searches them.
std::vector<KeywordRule> KeywordRules();

// Fills every default; "Null pointer!" and -1 for a null record.
int InitParameters(tagPARAMETERS* p);

// The defaults that depend on the block count n (giveup, movenode, depthmax);
// set before the file is read, so the file's percentages override them.
void SetSizeParameters(tagPARAMETERS* p, int n);

// Reads keyword-value pairs from `path`; `n` is the block count used by the
// percentage keywords. Exits with status 1 when the file cannot be opened.
// Without `echo` nothing is printed: a LEF/DEF run reads the file once before
// the design, for the keywords that shape its blocks, and again after.
int InputPrm(const char* path, tagPARAMETERS* p, int n, bool echo = true);
