// Enumerates the insertion points of a removed block and keeps the best few.
//
// The sweep goes through sequence A: before the slot after block nd,
// staircases b and r hold the blocks before the slot (packed from the bottom
// left) and staircases t and l those after it (packed from the top right).
// For the moved block N placed after B position q, its four neighbours are
// the last b and l levels not above q and the last t and r levels not above
// n - q; they stay constant between staircase breakpoints, so each interval
// of q is one candidate whose chip extent follows in constant time.
#include <algorithm>
#include <cmath>

#include "driver/orientations.h"
#include "driver/utilities.h"
#include "seqpair/cost_terms.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace {

struct Window {
  int a_lo, a_hi, b_lo, b_hi;
};

// What FindInsPoint sets up for the sweeps it runs, rebuilt on every call:
// the B run of each tier, the tiers open to the moved block, the moved
// block's net-length functions and the packing's scratch.
struct SearchScratch {
  int tier_run_lo[kMaxTiers];
  int tier_run_hi[kMaxTiers];
  bool tier_open[kMaxTiers];
  tagNetRel move_net_rel;
  int rest_b[kLevelCap];
  int rest_r[kLevelCap];
  tagForwardLog log;
  // The moved block's shapes when it is soft.
  bool soft;
  SoftShapeTable soft_shapes;
  // The windows of this search: A slots (as lva) and B positions (as q).
  // The first lies around the block's own place; a windowed search of a
  // movable block adds one around the block nearest to where its nets are
  // shortest, unless the two overlap. `entered` marks the windows swept at
  // the last slot: a window's first slot is swept whole, the following
  // ones only where their neighbours changed.
  Window window[2];
  int windows;
  bool entered[2];
};
// The one scratch: a search runs to its end before the next begins.
SearchScratch search;

bool CountsVias(const tagPARAMETERS* params) { return tier_no >= 2 && params->wgt_via >= 1; }

// The four neighbour levels of N during a sweep over u: the last levels of
// staircases b and l not above q and of t and r not above n - q. The plain
// sweep has u = q (b and l rise with u, t and r fall); the mirrored one has
// u = n - q (t and r rise, b and l fall). A rising neighbour moves along
// `next`, a falling one along `prev`.
struct Neighbours {
  int b, l, t, r;
};

// Moves a rising neighbour on while its successor is at most u.
inline void Rise(const tagStaircase& s, int& at, int u) {
  while (s.next[at] <= u) at = s.next[at];
}

// Moves a falling neighbour back while it lies above n - u.
inline void Fall(const tagStaircase& s, int& at, int above) {
  while (at > 0 && at > above) at = s.prev[at];
}

// The last level of a staircase not above `level`, walking from its head.
int LastLevelUpTo(const tagStaircase& s, int level) {
  int p = 0;
  while (s.next[p] <= level) p = s.next[p];
  return p;
}

struct SlotView {
  tagBLOCK* N;
  tagINSCANDS* cands;
  tagDualSeq* seq;
  tagNetRel* rel;
  const tagLevelList* levels;
  tagPARAMETERS* params;
  int tier;
  // The overflow of the floorplan without N, which every point's area cost
  // starts from.
  double overflow_w;
  double overflow_h;
  bool white_space;            // the white-space balance between tiers counts
  const SoftShapeTable* soft;  // the moved block's shapes; null for a hard block
};

SlotView ViewOf(int tier, tagBLOCK* N, tagINSCANDS* cands, tagDualSeq* seq, tagNetRel* rel,
                const tagLevelList* levels, tagPARAMETERS* params) {
  return SlotView{N,
                  cands,
                  seq,
                  rel,
                  levels,
                  params,
                  tier,
                  std::max(0.0, mxdsth - shape_h),
                  std::max(0.0, mxdstv - shape_v),
                  tier_no >= 2 && params->opt_ws_dist != 0,
                  search.soft ? &search.soft_shapes : nullptr};
}

// Free area per via landing on each upper tier; tiers that no via reaches
// are left out of the mean.
double WhiteSpaceDeviation(double chip_area) {
  double ratio[kMaxTiers];
  int used = 0;
  double sum = 0.0;
  for (int t = 1; t < tier_no; ++t) {
    int vias = la_sv_change[t] + la_sv_num[t];
    if (vias <= 0) continue;
    ratio[used] = (chip_area - (la_area_change[t] + la_net_area[t])) / vias;
    sum += ratio[used++];
  }
  if (used == 0) return 0.0;
  double mean = sum / used, dev = 0.0;
  for (int i = 0; i < used; ++i) dev += std::fabs(mean - ratio[i]);
  return dev;
}

// The last kept candidate, which a point must beat to be kept; copied out
// of the candidate list, whose entries lie far apart in memory.
struct Bar {
  bool open;  // nothing kept yet: every point is kept
  double area;
  double wire;
  int vias;
};

Bar BarOf(const tagINSCANDS* c) {
  const int last = c->count;
  return Bar{last == 1, c->area_cost[last], c->wire[last], c->vias[last]};
}

// Keeps a candidate that beat the last kept entry. Rarely taken, and with
// its many arguments it would make every Offer set up a large frame, so it
// stays out of line.
__attribute__((noinline)) void Keep(const SlotView& v, Bar* bar, int q, double width, double height,
                                    int orient, double block_w, double block_h, double wire, double cost,
                                    double ws_dev) {
  const bool shaped = v.soft != nullptr;
  SaveIpCand(v.cands, lva, q, v.tier, cell_via_cost - o_via_cost, height, width, orient,
             shaped ? block_w : 0.0, shaped ? block_h : 0.0, ws_dev, la_sv_change, la_area_change, v.params,
             cost, wire, cell_via_cost);
  *bar = BarOf(v.cands);
}

// Saves the candidate, N block_w x block_h beside (span_x) and below
// (span_y) what its neighbours take, when it beats the last kept entry.
inline void Offer(const SlotView& v, Bar* bar, int q, int orient, double block_w, double block_h,
                  double span_x, double span_y, double wire) {
  const double width = span_x + block_w, height = span_y + block_h;
  const tagPARAMETERS* p = v.params;
  const double ws_dev = v.white_space ? WhiteSpaceDeviation(width * height) : 0.0;
  const double cost = cost_terms::AreaCost(width, height, v.overflow_w, v.overflow_h, p->area_wgt, p) +
                      p->wgt_wsdist * ws_dev;
  if (bar->open || cost_terms::Improves(bar->area, cost, bar->wire, wire, bar->vias, cell_via_cost, p))
    Keep(v, bar, q, width, height, orient, block_w, block_h, wire, cost, ws_dev);
}

// A soft block also tries the shapes that fill the outline's width or its
// height beside its neighbours, as near as its range allows: also where its
// own shape seems to fit, as the exact evaluation may find that it pushes
// other blocks out (a design of soft cell fences beside a large RAM missed
// its die when the search tried them only where the shape reached past the
// outline). Its pins sit at its centre, which moves with the shape: the net
// length is read there.
void OfferSoftShapes(const SlotView& v, Bar* bar, int q, double left, double below, double span_x,
                     double span_y) {
  const tagBLOCK* N = v.N;
  const SoftShapeTable& t = *v.soft;
  const long long widths[] = {SoftStepsWithin(t, shape_h - span_x), SoftStepsUnder(t, shape_v - span_y)};
  for (size_t i = 0; i < std::size(widths); ++i) {
    const double w = static_cast<double>(widths[i]) * t.range.step_w;
    if (w == N->width || std::find(widths, widths + i, widths[i]) != widths + i) continue;
    const double h = static_cast<double>(SoftHeightSteps(t, widths[i])) * t.range.step_h;
    double wire = 0.0;
    if (v.params->opt_wire != 0)
      wire = EvalPLAxis(v.rel->x, left + 0.5 * (w - N->width)) +
             EvalPLAxis(v.rel->y, below + 0.5 * (h - N->height));
    Offer(v, bar, q, N->orient, w, h, span_x, span_y, wire);
  }
}

// Sweeps u from u_from to u_to, one interval of constant neighbours at a
// time: N is placed at a random q of the interval as the neighbours say,
// plainly and, where allowed, turned by 90 degrees, or in its soft shapes.
template <bool kMirrored, bool kSoft>
void RunSweep(const SlotView& v, Neighbours at, int n, int u_from, int u_to) {
  if (u_from > u_to) return;
  const tagLevelList* lv = v.levels;
  // The staircases that rise and fall with u.
  const tagStaircase& rise_1 = kMirrored ? lv->t : lv->b;
  const tagStaircase& rise_2 = kMirrored ? lv->r : lv->l;
  const tagStaircase& fall_1 = kMirrored ? lv->b : lv->t;
  const tagStaircase& fall_2 = kMirrored ? lv->l : lv->r;
  int& up_1 = kMirrored ? at.t : at.b;
  int& up_2 = kMirrored ? at.r : at.l;
  int& down_1 = kMirrored ? at.b : at.t;
  int& down_2 = kMirrored ? at.l : at.r;
  const tagBLOCK* N = v.N;
  const bool wire_on = v.params->opt_wire != 0;
  const bool turn = !kSoft && v.params->rotate && N->kind < 2 && MayTurn(N->blkclass);
  Bar bar = BarOf(v.cands);
  Rise(rise_1, up_1, u_from);
  Rise(rise_2, up_2, u_from);
  Fall(fall_1, down_1, n - u_from);
  Fall(fall_2, down_2, n - u_from);
  for (int u = u_from;;) {
    // Where each neighbour changes: from there on it is the next level of
    // its staircase (one step, as levels are distinct).
    const int change_1 = rise_1.next[up_1], change_2 = rise_2.next[up_2];
    const int change_3 = down_1 > 0 ? n - down_1 + 1 : kIntInfinity;
    const int change_4 = down_2 > 0 ? n - down_2 + 1 : kIntInfinity;
    const int next_u = std::min({u_to + 1, change_1, change_2, change_3, change_4});
    const int length = next_u - u;
    const int pick = std::min(next_u - 1, u + static_cast<int>(genrand_real3() * length));
    const int q = kMirrored ? n - pick : pick;

    const double below = lv->b.dist[at.b], left = lv->r.dist[at.r];
    const double y0 = std::max(N->fixed_y_lo, below), x0 = std::max(N->fixed_x_lo, left);
    const double above = lv->t.dist[at.t], right = lv->l.dist[at.l];
    double wire = 0.0;
    if (wire_on) wire = EvalPLAxis(v.rel->x, left) + EvalPLAxis(v.rel->y, below);
    const double span_x = x0 + right, span_y = y0 + above;
    Offer(v, &bar, q, N->orient, N->width, N->height, span_x, span_y, wire);
    if (turn) Offer(v, &bar, q, N->orient ^ 1, N->height, N->width, span_x, span_y, wire);
    if (kSoft) OfferSoftShapes(v, &bar, q, left, below, span_x, span_y);

    if (next_u > u_to) break;
    u = next_u;
    // Which neighbours change is irregular: selected, not branched on.
    up_1 = change_1 == u ? change_1 : up_1;
    up_2 = change_2 == u ? change_2 : up_2;
    down_1 = change_3 == u ? fall_1.prev[down_1] : down_1;
    down_2 = change_4 == u ? fall_2.prev[down_2] : down_2;
  }
}

// The sweep for N: the hard block's, the hot one, without the soft shapes'
// branch.
template <bool kMirrored>
void Sweep(const SlotView& v, Neighbours at, int n, int u_from, int u_to) {
  if (v.soft)
    RunSweep<kMirrored, true>(v, at, n, u_from, u_to);
  else
    RunSweep<kMirrored, false>(v, at, n, u_from, u_to);
}

// Sweeps q over [lo, hi] from its first interval, the staircases as they stand.
void SweepWhole(const SlotView& v, int n, int lo, int hi) {
  const tagLevelList* lv = v.levels;
  Sweep<false>(v,
               Neighbours{LastLevelUpTo(lv->b, lo), LastLevelUpTo(lv->l, lo), LastLevelUpTo(lv->t, n - lo),
                          LastLevelUpTo(lv->r, n - lo)},
               n, lo, hi);
}

// The window around block c's place: A slots within srchlvl_a of its A
// position (within [lo, hi]) and B positions (as "after position q") within
// srchlvl_b of its B position.
Window WindowAround(const tagDualSeq* seq, int c, const tagPARAMETERS* params, int lo, int hi) {
  const int n = seq->count, pa = seq->pos_a[c], pb = seq->pos_b[c];
  return Window{std::max(lo, pa - params->srchlvl_a) - 1, std::min(hi, pa + params->srchlvl_a),
                std::max(0, pb - 1 - params->srchlvl_b), std::min(n, pb + params->srchlvl_b)};
}

// Where a net-length function is lowest: one of its nodes, as it is convex.
double LowestAt(const tagPLAxis& a) {
  int best = 0;
  for (int q = 1; q < a.count; ++q)
    if (a.node[q].value < a.node[best].value) best = q;
  return a.node[best].coord;
}

// The block, other than N, whose centre lies nearest to N's centre at the
// lowest point of its net-length functions; 0 when no block is left.
int AnchorBlock(const tagBLOCK* N, tagBLOCK** blka, const tagDualSeq* seq) {
  const double x = LowestAt(search.move_net_rel.x) + 0.5 * N->width;
  const double y = LowestAt(search.move_net_rel.y) + 0.5 * N->height;
  int anchor = 0;
  double nearest = kInfinity;
  for (int b = seq->next_a[0]; b != 0; b = seq->next_a[b]) {
    const double d = std::fabs(blka[b]->x - x) + std::fabs(blka[b]->y - y);
    if (d < nearest) nearest = d, anchor = b;
  }
  return anchor;
}

// Sets the windows of a search of N whose A slots may lie in [lo, hi].
void SetWindows(const tagBLOCK* N, tagBLOCK** blka, const tagDualSeq* seq, const tagPARAMETERS* params,
                int lo, int hi) {
  search.window[0] = WindowAround(seq, N->id, params, lo, hi);
  search.windows = 1;
  search.entered[0] = search.entered[1] = false;
  const bool windowed = params->srchlvl_a < seq->count || params->srchlvl_b < seq->count;
  if (!windowed || N->kind != 0 || params->opt_wire == 0) return;
  const int anchor = AnchorBlock(N, blka, seq);
  if (anchor == 0) return;
  const Window own = search.window[0], near = WindowAround(seq, anchor, params, lo, hi);
  const bool overlap_a = near.a_lo <= own.a_hi && own.a_lo <= near.a_hi;
  const bool overlap_b = near.b_lo <= own.b_hi && own.b_lo <= near.b_hi;
  if (overlap_a && overlap_b) {
    search.window[0] = Window{std::min(own.a_lo, near.a_lo), std::max(own.a_hi, near.a_hi),
                              std::min(own.b_lo, near.b_lo), std::max(own.b_hi, near.b_hi)};
  } else {
    search.window[1] = near;
    search.windows = 2;
  }
}

// Whether slot lva lies in window w; the B positions of that window open
// to N on `tier`, within the tier's run, into lo and hi.
bool WindowAtSlot(int w, int tier, int* lo, int* hi) {
  const Window& win = search.window[w];
  if (lva < win.a_lo || lva > win.a_hi) return false;
  *lo = win.b_lo;
  *hi = win.b_hi;
  if (tier_no >= 2) {
    *lo = std::max(*lo, search.tier_run_lo[tier]);
    *hi = std::min(*hi, search.tier_run_hi[tier]);
  }
  return true;
}

// The B run of each tier, as the range of q that keeps N inside it.
void FindTierRuns(const tagDualSeq* seq) {
  for (int t = 0; t < kMaxTiers; ++t) {
    search.tier_run_lo[t] = kIntInfinity;
    search.tier_run_hi[t] = -1;
  }
  for (int b = seq->next_b[0]; b != 0; b = seq->next_b[b]) {
    int t = seq->tier[b];
    search.tier_run_lo[t] = std::min(search.tier_run_lo[t], seq->pos_b[b] - 1);
    search.tier_run_hi[t] = std::max(search.tier_run_hi[t], seq->pos_b[b]);
  }
}

// Every via a net saves pulls its blocks towards the terminals' tier, and
// once one tier overflows the outline the area cost no longer tells the
// tiers apart, so without a limit nearly all blocks end on one tier, far
// outside an outline sized for all tiers. A tier therefore takes the moved
// block only while its block area, with the block, stays within an even
// share of all block area plus a quarter of the spare area of that share.
void FindOpenTiers(const tagBLOCK* N, tagBLOCK** blka, const tagDualSeq* seq, const tagPARAMETERS* params) {
  std::fill(std::begin(search.tier_open), std::end(search.tier_open), true);
  if (tier_no < 2) return;
  double area[kMaxTiers] = {0.0}, total = 0.0;
  for (int b = 1; b <= seq->count; ++b) {
    const double a = blka[b]->width * blka[b]->height;
    total += a;
    if (b != N->id) area[seq->tier[b]] += a;
  }
  const double share = total / tier_no * (1.0 + TierShareSlack(params));
  const double own = N->width * N->height;
  const int home = seq->tier[N->id];
  bool elsewhere = false;
  // A tier whose other blocks hold less than the home tier's may also take
  // the block: both tiers then end below the home tier's load now, so no
  // tier grows past the largest, and an uneven split can still even out
  // when every block is larger than what the lighter tier has spare.
  for (int t = 0; t < tier_no; ++t) {
    search.tier_open[t] = area[t] + own <= share || area[t] < area[home];
    elsewhere = elsewhere || (t != home && search.tier_open[t]);
  }
  // A block may stay on its own tier unless that tier is over its share
  // and another tier can take the block: over-full tiers drain that way.
  search.tier_open[home] = search.tier_open[home] || !elsewhere;
}

void ResetCandidates(tagINSCANDS* c) {
  c->count = 1;
  c->chosen = 0;
  for (int k = 0; k < 2; ++k) {
    double value = k == 0 ? -kInfinity : kInfinity;
    c->key[k] = c->area_cost[k] = c->wire[k] = value;
    c->vias[k] = k == 0 ? -kIntInfinity : kIntInfinity;
  }
}

void EmptyStaircase(tagStaircase& s) {
  s.next[0] = kEndLevel;
  s.prev[kEndLevel] = 0;
}

void EmptyBottomLeft(tagLevelList* levels) {
  EmptyStaircase(levels->b);
  EmptyStaircase(levels->r);
}

// Via count of N's nets with N on `tier` (and the per-tier changes when the
// white-space balance is wanted).
void PrepareTierVias(tagBLOCK* blk, tagDualSeq* seq, int tier, const tagPARAMETERS* params) {
  if (!CountsVias(params)) return;
  if (params->opt_ws_dist) {
    ChangeForCellMove(blk, seq, tier, tier_no, la_sv_change, la_area_change);
    cell_via_cost = o_via_cost + la_sv_change[0];
  } else {
    cell_via_cost = CountInterLayerViasForCell(blk, seq, tier, tier_no);
  }
}

// Tries the slot after lva_nd for N on `tier` when no block of that tier
// follows in A: the top-right staircases must then count as empty.
void FindOptAtRunEnd(int tier, tagBLOCK* N, tagINSCANDS* cands, tagDualSeq* seq, tagLevelList* levels,
                     tagPARAMETERS* params) {
  tagStaircase* right_side[2] = {&levels->t, &levels->l};
  int heads[2], tails[2];
  for (int i = 0; i < 2; ++i) {
    heads[i] = right_side[i]->next[0];
    tails[i] = right_side[i]->prev[kEndLevel];
    EmptyStaircase(*right_side[i]);
  }
  FindOptI(tier, N, cands, seq, &search.move_net_rel, levels, params);
  for (int i = 0; i < 2; ++i) {
    right_side[i]->next[0] = heads[i];
    right_side[i]->prev[kEndLevel] = tails[i];
  }
}

// Starts the run of `tier` in A: the bottom-left staircases begin empty and,
// unless the top-right packing ended on this tier, the top-right staircases
// take the ends it saved for the tier.
void EnterTierRun(int tier, bool restore_heads, tagBLOCK* N, tagBLOCK* real, tagINSCANDS* cands,
                  tagDualSeq* seq, tagLevelList* levels, tagPARAMETERS* params) {
  EmptyBottomLeft(levels);
  if (restore_heads) {
    levels->t.next[0] = levels->t_undo.tier_head[tier];
    levels->t.prev[kEndLevel] = levels->t_undo.tier_tail[tier];
    levels->l.next[0] = levels->l_undo.tier_head[tier];
    levels->l.prev[kEndLevel] = levels->l_undo.tier_tail[tier];
  }
  ptier = tier;
  PrepareTierVias(real, seq, tier, params);
  FindOptI(tier, N, cands, seq, &search.move_net_rel, levels, params);
}

// Copies kept candidate `from` over `to`.
void MoveIpCand(tagINSCANDS* c, int from, int to, const tagPARAMETERS* params) {
  c->key[to] = c->key[from];
  c->area_cost[to] = c->area_cost[from];
  c->wire[to] = c->wire[from];
  c->vias[to] = c->vias[from];
  c->via_delta[to] = c->via_delta[from];
  c->orient[to] = c->orient[from];
  c->apos[to] = c->apos[from];
  c->bpos[to] = c->bpos[from];
  c->height[to] = c->height[from];
  c->width[to] = c->width[from];
  c->block_w[to] = c->block_w[from];
  c->block_h[to] = c->block_h[from];
  c->tier[to] = c->tier[from];
  c->ws_dev[to] = c->ws_dev[from];
  if (params->opt_ws_dist)
    for (int t = 0; t < kMaxTiers; ++t) {
      c->tier_vias[to][t] = c->tier_vias[from][t];
      c->tier_area[to][t] = c->tier_area[from][t];
    }
}

}  // namespace

void FindOptI(int tier, tagBLOCK* N, tagINSCANDS* cands, tagDualSeq* seq, tagNetRel* rel,
              tagLevelList* levels, tagPARAMETERS* params) {
  const int n = seq->count;
  for (int w = 0; w < search.windows; ++w) {
    int lo, hi;
    search.entered[w] = WindowAtSlot(w, tier, &lo, &hi);
    if (!search.tier_open[tier] || !search.entered[w] || lo > hi) continue;
    SweepWhole(ViewOf(tier, N, cands, seq, rel, levels, params), n, lo, hi);
  }
}

// Only the B positions where block lva_nd, just moved from the top-right
// staircases to the bottom-left ones, changes N's neighbours are swept:
// above it (up to the next level of l) and, mirrored, to its right (up to the
// next level of t). Elsewhere the slot repeats the previous slot's candidates
// or is dominated by them. A window the previous slot was not in is swept
// whole.
void FindOptII(int tier, tagBLOCK* N, tagINSCANDS* cands, tagDualSeq* seq, tagNetRel* rel,
               tagLevelList* levels, tagPARAMETERS* params) {
  const int n = seq->count;
  for (int w = 0; w < search.windows; ++w) {
    int lo, hi;
    const bool was_in = search.entered[w];
    search.entered[w] = WindowAtSlot(w, tier, &lo, &hi);
    if (!search.tier_open[tier] || !search.entered[w] || lo > hi) continue;
    const SlotView view = ViewOf(tier, N, cands, seq, rel, levels, params);
    if (!was_in) {
      SweepWhole(view, n, lo, hi);
      continue;
    }
    Sweep<false>(view, Neighbours{lvb, lvl_m1, lvt_m1, lvr_m1}, n, std::max(lo, lvb),
                 std::min(hi, lvl_p1 - 1));
    Sweep<true>(view, Neighbours{lvb_m1, lvl_m1, lvt_m1, lvr}, n, std::max(n - hi, lvr),
                std::min(n - lo, lvt_p1 - 1));
  }
}

void SaveIpCand(tagINSCANDS* c, int apos, int bpos, int tier, int via_delta, double height, double width,
                int orient, double block_w, double block_h, double ws_dev, int* tier_vias, double* tier_area,
                tagPARAMETERS* params, double area_cost, double wire, int vias) {
  int k = c->count;
  MoveIpCand(c, k, k + 1, params);
  while (k - 1 >= 1 && cost_terms::Improves(c->area_cost[k - 1], area_cost, c->wire[k - 1], wire,
                                            c->vias[k - 1], vias, params)) {
    MoveIpCand(c, k - 1, k, params);
    --k;
  }
  c->key[k] = 0.0;
  c->area_cost[k] = area_cost;
  c->wire[k] = wire;
  c->vias[k] = vias;
  c->via_delta[k] = via_delta;
  c->orient[k] = orient;
  c->apos[k] = apos;
  c->bpos[k] = bpos;
  c->height[k] = height;
  c->width[k] = width;
  c->block_w[k] = block_w;
  c->block_h[k] = block_h;
  c->tier[k] = tier;
  c->ws_dev[k] = ws_dev;
  if (params->opt_ws_dist)
    for (int t = 0; t < kMaxTiers; ++t) {
      c->tier_vias[k][t] = tier_vias[t];
      c->tier_area[k][t] = tier_area[t];
    }
  if (c->count < std::clamp(params->ipcand, 1, kCandidateCap - 2)) ++c->count;
}

bool SearchOpenTier(int tier) { return search.tier_open[tier]; }

double TierShareSlack(const tagPARAMETERS* params) { return 0.25 * std::max(0.0, params->sparearea) / 100.0; }

void KeepRandomIpCand(tagINSCANDS* c, const tagPARAMETERS* params) {
  const int last = KeptCandidates(c);
  if (last < 2) return;
  MoveIpCand(c, 1 + genrand_int31() % last, 1, params);
  c->key[2] = c->area_cost[2] = c->wire[2] = kInfinity;
  c->vias[2] = kIntInfinity;
  c->count = 2;
}

int FindInsPoint(tagBLOCK* N, tagINSCANDS* cands, tagBLOCK** blka, tagPIN** pada, tagDualSeq* seq,
                 tagLevelList* levels, tagNORMPARA* norm, tagPARAMETERS* params) {
  const int n = seq->count, id = N->id;
  tagBLOCK* real = blka[id];
  search.soft = IsSoftBlock(real);
  if (search.soft) TableSoftShapes(SoftRangeOf(real->blkclass, norm->scale), &search.soft_shapes);
  CalCoords(blka, seq, levels, p_btree, p_rtree, search.rest_b, search.rest_r, &mxdstv, &mxdsth, &search.log);
  SetCellPos(mxdsth, mxdstv, 1, blka, pada, seq, levels, norm);
  if (params->opt_wire) SetPLfunc(id, mxdsth, mxdstv, blka, pada, &search.move_net_rel, params);
  o_via_cost = cell_via_cost = 0;
  if (CountsVias(params)) o_via_cost = CountInterLayerViasForCell(real, seq, seq->tier[id], tier_no);

  int lo = 0, hi = n;
  if (N->kind != 0) PsLUBound(seq, blka, id, &lo, &hi);
  SetWindows(N, blka, seq, params, lo, hi);
  lo = search.window[0].a_lo + 1;
  hi = search.window[0].a_hi;
  if (search.windows == 2) {
    lo = std::min(lo, search.window[1].a_lo + 1);
    hi = std::max(hi, search.window[1].a_hi);
  }
  CalCoords_TR(blka, ndpos_y_top, ndpos_x_lft, seq, levels, p_btree, p_rtree, n - lo + 1);

  ResetCandidates(cands);
  EmptyBottomLeft(levels);
  FindTierRuns(seq);
  FindOpenTiers(N, blka, seq, params);
  lva = lva_nd = 0;
  ptier = seq->tier[0];

  // The blocks before the window go straight into the bottom-left staircases.
  if (lo - 1 >= 1) {
    int packed_tier = -1;
    for (int b = seq->next_a[0]; b != 0; b = seq->next_a[b]) {
      if (seq->tier[b] != packed_tier) {
        EmptyBottomLeft(levels);
        packed_tier = seq->tier[b];
      }
      SetLptr(b, 0, &search.log, seq, levels);
      lva_nd = b;
      lva = seq->pos_a[b];
      ptier = seq->tier[b];
      if (seq->pos_a[b] >= lo - 1) break;
    }
  }

  PrepareTierVias(real, seq, ptier, params);
  int nd = seq->next_a[lva_nd];
  if (nd != 0 && seq->tier[nd] == ptier) {
    FindOptI(ptier, N, cands, seq, &search.move_net_rel, levels, params);
  } else {
    FindOptAtRunEnd(ptier, N, cands, seq, levels, params);
    if (nd != 0) EnterTierRun(seq->tier[nd], false, N, real, cands, seq, levels, params);
  }

  for (; nd != 0 && seq->pos_a[nd] <= hi; nd = seq->next_a[nd]) {
    lva_nd = nd;
    lva = seq->pos_a[nd];
    SetLptr(nd, 1, &search.log, seq, levels);
    FindOptII(ptier, N, cands, seq, &search.move_net_rel, levels, params);
    int next = seq->next_a[nd];
    if (next != 0 && seq->tier[next] != ptier)
      EnterTierRun(seq->tier[next], true, N, real, cands, seq, levels, params);
  }
  return 0;
}
