// Engine-wide tables and scalars, and the per-block and per-net work arrays.
#include "seqpair/engine_state.h"

#include <algorithm>
#include <iterator>

double ndsiz1_x[kSizeTableCap], ndsiz1_y[kSizeTableCap];
double ndofs0_x[kSizeTableCap], ndofs0_y[kSizeTableCap];
double ndpos1_x_min[kPositionTableCap], ndpos1_x_max[kPositionTableCap];
double ndpos1_y_min[kPositionTableCap], ndpos1_y_max[kPositionTableCap];
double ndpos_x_lft[kPositionTableCap], ndpos_y_top[kPositionTableCap];
int nmate[kPositionTableCap];

int lvb, lvb_m1, lvb_p1;
int lvr, lvr_m1, lvr_p1;
int lvt, lvt_m1, lvt_p1;
int lvl, lvl_m1, lvl_p1;

double zarea_all;
double shape_h, shape_v;
double optsize_h = kInfinity, optsize_v = kInfinity;
double mxdsth, mxdstv;
double mxdstha, mxdstva;

double ngap_h, ngap_v;
double optngap, optngap_h, optngap_v;

tagSTACKS* p_stacks = nullptr;
TierRespread tier_respread = nullptr;
tagBinTree* p_btree = nullptr;
tagBinTree* p_rtree = nullptr;

int ntmax0, ntmax;
int sa_flag;
int bt, et;

std::vector<double> ndpos_x_exs, ndpos_y_exs;
std::vector<double> ldstb_sav, ldstr_sav;
std::vector<int> ndmodfl_h, ndmodfl_v, ntmodfl;
std::vector<double> ntlna_h, ntlna_v;

int lva, lva_nd;

void AllocateWorkArrays(int n, int nets) {
  n = std::max(n, 0);
  nets = std::max(nets, 0);
  ndpos_x_exs.assign(n + 1, 0.0);
  ndpos_y_exs.assign(n + 1, 0.0);
  ldstb_sav.assign(n + 2, 0.0);
  ldstr_sav.assign(n + 2, 0.0);
  // The changed-block lists are indexed by block number, so they need room
  // for every block even in a design with fewer nets than blocks.
  ndmodfl_h.assign(std::max(n, nets) + 1, 0);
  ndmodfl_v.assign(std::max(n, nets) + 1, 0);
  ntmodfl.assign(nets + 1, 0);
  ntlna_h.assign(nets + 1, 0.0);
  ntlna_v.assign(nets + 1, 0.0);
  DropNetTables();
}

void ResetEngineState() {
  for (double* table : {ndsiz1_x, ndsiz1_y, ndofs0_x, ndofs0_y}) std::fill(table, table + kSizeTableCap, 0.0);
  for (double* table : {ndpos1_x_min, ndpos1_x_max, ndpos1_y_min, ndpos1_y_max, ndpos_x_lft, ndpos_y_top})
    std::fill(table, table + kPositionTableCap, 0.0);
  std::fill(std::begin(nmate), std::end(nmate), 0);
  lvb = lvb_m1 = lvb_p1 = lvr = lvr_m1 = lvr_p1 = 0;
  lvt = lvt_m1 = lvt_p1 = lvl = lvl_m1 = lvl_p1 = 0;
  zarea_all = shape_h = shape_v = 0.0;
  optsize_h = optsize_v = kInfinity;
  mxdsth = mxdstv = mxdstha = mxdstva = 0.0;
  ngap_h = ngap_v = optngap = optngap_h = optngap_v = 0.0;
  p_btree = p_rtree = nullptr;
  p_stacks = nullptr;
  tier_respread = nullptr;
  lva = lva_nd = 0;
  ntmax0 = ntmax = 0;
  sa_flag = 0;
  bt = et = 0;
  for (std::vector<double>* v : {&ndpos_x_exs, &ndpos_y_exs, &ldstb_sav, &ldstr_sav, &ntlna_h, &ntlna_v})
    v->clear();
  for (std::vector<int>* v : {&ndmodfl_h, &ndmodfl_v, &ntmodfl}) v->clear();
  DropNetTables();
}
