// Exact re-evaluation of the kept insertion points.
//
// Each candidate is inserted into the staircases of the packing without the
// moved block (UpDist pushes only the blocks that the insertion moves), its
// chip size, bound excess and net length are measured, and everything is put
// back before the next candidate. During the search block pins sit at their
// block's centre, which the blocks' x, y hold.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "driver/orientations.h"
#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace {

// The design's nets in flat form for the exact re-evaluation, which marks
// the nets of every pushed block and measures them for each kept candidate:
// walking the records' linked lists for that cost more than the measuring.
// A pin's position comes from a source: the block owning a block pin (its
// x, y plus its parent's), or the pin itself. Per block the net numbers on
// its net_refs list; per net its pins' sources; per source its nets and its
// position when the spans in ntlna_h, ntlna_v were measured, so that only
// the nets of sources that moved since are measured again. Built on first
// use for the arrays named here, which the nets and their weights are taken
// to outlive unchanged; AllocateWorkArrays and ResetEngineState drop them
// through DropNetTables.
struct tagPinSource {
  const tagBLOCK* owner;  // null: the pin's own position counts
  const tagPIN* pin;
  double x, y;
};

struct tagNetTables {
  tagBLOCK** blka = nullptr;
  tagNET** neta = nullptr;
  int blocks = 0;
  int nets = 0;
  std::vector<int> block_net_start;  // blocks + 2 entries
  std::vector<int> block_net;
  std::vector<int> net_pin_start;  // nets + 2 entries
  std::vector<int> net_pin;        // source numbers
  std::vector<double> net_weight;
  std::vector<tagPinSource> source;
  std::vector<int> source_net_start;
  std::vector<int> source_net;
  std::vector<char> stale;  // per net: its span is to be measured again
  std::vector<int> stale_list;
};
// The tables of the design SelectInsPoint saw last.
tagNetTables net_tables;

double SourceX(const tagPinSource& s) {
  return s.owner ? s.owner->x + (s.owner->parent ? s.owner->parent->x : 0.0) : s.pin->x;
}
double SourceY(const tagPinSource& s) {
  return s.owner ? s.owner->y + (s.owner->parent ? s.owner->parent->y : 0.0) : s.pin->y;
}

// Equal down to the sign of a zero: a span measured from these is the same.
bool SameBits(double a, double b) {
  uint64_t bits_a, bits_b;
  std::memcpy(&bits_a, &a, sizeof a);
  std::memcpy(&bits_b, &b, sizeof b);
  return bits_a == bits_b;
}

// The flat net tables for this design, built when the arrays differ from
// those they were made for. Every net starts stale.
tagNetTables& NetTablesFor(tagBLOCK** blka, tagNET** neta, int n) {
  tagNetTables& t = net_tables;
  if (t.blka == blka && t.neta == neta && t.blocks == n && t.nets == ntmax) return t;
  t = tagNetTables{};
  t.blka = blka;
  t.neta = neta;
  t.blocks = n;
  t.nets = ntmax;
  for (int b = 0; b <= n; ++b) {
    t.block_net_start.push_back(static_cast<int>(t.block_net.size()));
    if (b == 0 || !blka[b]) continue;
    for (const tagPINLIST* node = blka[b]->net_refs; node; node = node->next)
      t.block_net.push_back(static_cast<const tagNET*>(node->pin)->id);
  }
  t.block_net_start.push_back(static_cast<int>(t.block_net.size()));

  std::unordered_map<const void*, int> number;
  std::vector<std::vector<int>> nets_of;
  for (int j = 0; j <= ntmax; ++j) {
    t.net_pin_start.push_back(static_cast<int>(t.net_pin.size()));
    t.net_weight.push_back(j > 0 && neta[j] ? neta[j]->weight : 0.0);
    if (j == 0 || !neta[j]) continue;
    for (const tagPINLIST* node = neta[j]->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
      const tagBLOCK* owner = pin->id == 0 ? pin->owner : nullptr;
      const void* key = owner ? static_cast<const void*>(owner) : pin;
      auto [it, fresh] = number.emplace(key, static_cast<int>(t.source.size()));
      if (fresh) {
        t.source.push_back({owner, pin, 0.0, 0.0});
        nets_of.emplace_back();
      }
      t.net_pin.push_back(it->second);
      std::vector<int>& nets = nets_of[it->second];
      if (nets.empty() || nets.back() != j) nets.push_back(j);
    }
  }
  t.net_pin_start.push_back(static_cast<int>(t.net_pin.size()));
  for (const std::vector<int>& nets : nets_of) {
    t.source_net_start.push_back(static_cast<int>(t.source_net.size()));
    t.source_net.insert(t.source_net.end(), nets.begin(), nets.end());
  }
  t.source_net_start.push_back(static_cast<int>(t.source_net.size()));
  t.stale.assign(ntmax + 1, 1);
  for (int j = 1; j <= ntmax; ++j) t.stale_list.push_back(j);
  return t;
}

// Weighted x and y spans of net j with block pins at their block's centre.
void CentreSpans(const tagNetTables& t, int j, const tagPARAMETERS* params, double* span_x, double* span_y) {
  double min_x = kInfinity, min_y = kInfinity, max_x = -1.0, max_y = -1.0;
  const int first = t.net_pin_start[j], end = t.net_pin_start[j + 1];
  for (int k = first; k < end; ++k) {
    const tagPinSource& s = t.source[t.net_pin[k]];
    const double x = SourceX(s), y = SourceY(s);
    min_x = std::min(min_x, x);
    max_x = std::max(max_x, x);
    min_y = std::min(min_y, y);
    max_y = std::max(max_y, y);
  }
  const bool any = end > first;
  double scale = t.net_weight[j] * params->net_scale;
  *span_x = any ? (max_x - min_x) * scale : 0.0;
  *span_y = any ? (max_y - min_y) * scale : 0.0;
}

// Every net's span into ntlna_h, ntlna_v as the pins now stand. Between two
// calls the search places the blocks anew and the re-evaluation puts pushed
// blocks back (not always to the same bits) and the moved block at its last
// candidate, so only the nets of sources that moved are measured again.
void MeasureAllSpans(tagNetTables& t, const tagPARAMETERS* params) {
  for (size_t k = 0; k < t.source.size(); ++k) {
    tagPinSource& s = t.source[k];
    const double x = SourceX(s), y = SourceY(s);
    if (SameBits(x, s.x) && SameBits(y, s.y)) continue;
    s.x = x;
    s.y = y;
    for (int i = t.source_net_start[k]; i < t.source_net_start[k + 1]; ++i) {
      const int j = t.source_net[i];
      if (t.stale[j]) continue;
      t.stale[j] = 1;
      t.stale_list.push_back(j);
    }
  }
  for (int j : t.stale_list) {
    ntlna_h[j] = ntlna_v[j] = 0.0;
    if (t.neta[j]) CentreSpans(t, j, params, &ntlna_h[j], &ntlna_v[j]);
    t.stale[j] = 0;
  }
  t.stale_list.clear();
}

// One direction of a trial insertion: the staircase, the block levels in it,
// the list of blocks UpDist pushed, and where their old far edges are kept.
struct Direction {
  tagStaircase* stair;
  const int* level;
  std::vector<int>* changed;
  std::vector<double>* saved;
  bool vertical;
};

double BlockSize(const tagBLOCK* b, bool vertical) { return vertical ? b->height : b->width; }
double UpperBound(const tagBLOCK* b, bool vertical) { return vertical ? b->fixed_y_hi : b->fixed_x_hi; }

// Extra bound excess of the pushed blocks (N excluded).
double PushedExcess(const Direction& d, tagBLOCK** blka, int id, const std::vector<double>& before) {
  double extra = 0.0;
  for (int b = (*d.changed)[0]; b != -1; b = (*d.changed)[b]) {
    if (b == id || blka[b]->kind <= 0) continue;
    double lower_left = d.stair->dist[d.level[b]] - BlockSize(blka[b], d.vertical);
    extra += std::max(0.0, lower_left - UpperBound(blka[b], d.vertical)) - before[b];
  }
  return extra;
}

// Puts the pushed blocks' centres at their new (or, restoring, old) places.
void PlacePushed(const Direction& d, tagBLOCK** blka, int id, bool restore) {
  for (int b = (*d.changed)[0]; b != -1; b = (*d.changed)[b]) {
    if (b == id) continue;
    double far = restore ? (*d.saved)[d.level[b]] : d.stair->dist[d.level[b]];
    double centre = far - 0.5 * BlockSize(blka[b], d.vertical);
    (d.vertical ? blka[b]->y : blka[b]->x) = centre;
  }
}

void RestoreStaircase(const Direction& d, int id) {
  for (int b = (*d.changed)[0]; b != -1; b = (*d.changed)[b])
    if (b != id) d.stair->dist[d.level[b]] = (*d.saved)[d.level[b]];
  d.stair->dist[0] = 0.0;
}

// Links the nets of block b into ntmodfl, each once.
void MarkNetsOf(const tagNetTables& t, int b) {
  for (int k = t.block_net_start[b]; k < t.block_net_start[b + 1]; ++k) {
    const int net = t.block_net[k];
    if (net <= 0 || net >= static_cast<int>(ntmodfl.size()) || ntmodfl[net] != 0) continue;
    ntmodfl[net] = ntmodfl[0];
    ntmodfl[0] = net;
  }
}

}  // namespace

void DropNetTables() { net_tables = tagNetTables{}; }

void ShapeForCandidate(tagBLOCK* N, const tagINSCANDS* c, int k) {
  ShapeForOrientation(N, c->orient[k]);
  if (c->block_w[k] > 0) {
    N->width = c->block_w[k];
    N->height = c->block_h[k];
  }
}

int InsertCandidate(int b, const tagINSCANDS* c, int k, tagBLOCK** blka, tagDualSeq* seq, tagSTACKS* stacks) {
  InsertCell(b, c->apos[k], c->bpos[k], c->orient[k], c->tier[k], blka, seq, stacks);
  ShapeForCandidate(blka[b], c, k);
  return 0;
}

double SelectInsPoint(tagBLOCK* N, tagINSCANDS* c, tagBLOCK** blka, tagNET** neta, tagPIN**, tagDualSeq* seq,
                      tagLevelList* levels, tagNORMPARA*, tagPARAMETERS* params) {
  const int n = seq->count, id = N->id;
  tagBLOCK* real = blka[id];
  const bool wire_on = params->opt_wire && ntmax > 0;

  tagNetTables* nets = wire_on ? &NetTablesFor(blka, neta, n) : nullptr;
  double wire_h0 = 0.0, wire_v0 = 0.0;
  if (wire_on) {
    MeasureAllSpans(*nets, params);
    for (int j = 1; j <= ntmax; ++j) {
      ntmodfl[j] = 0;
      if (!neta[j]) continue;
      wire_h0 += ntlna_h[j];
      wire_v0 += ntlna_v[j];
    }
    ntmodfl[0] = -1;
  }

  // Bound excess of the floorplan without the moved block.
  double gap_h0 = 0.0, gap_v0 = 0.0;
  for (int b = 1; b <= n; ++b) {
    ndpos_x_exs[b] = ndpos_y_exs[b] = 0.0;
    if (b == id || blka[b]->kind <= 0) continue;
    ndpos_x_exs[b] = std::max(0.0, levels->r.dist[seq->rpos_b[b]] - blka[b]->width - blka[b]->fixed_x_hi);
    ndpos_y_exs[b] = std::max(0.0, levels->b.dist[seq->pos_b[b]] - blka[b]->height - blka[b]->fixed_y_hi);
    gap_h0 += ndpos_x_exs[b];
    gap_v0 += ndpos_y_exs[b];
  }

  Direction vertical{&levels->b, seq->pos_b.data(), &ndmodfl_v, &ldstb_sav, true};
  Direction horizontal{&levels->r, seq->rpos_b.data(), &ndmodfl_h, &ldstr_sav, false};
  const int last = KeptCandidates(c);
  c->chosen = 0;
  double chosen_value = kInfinity;

  for (int k = 1; k <= last; ++k) {
    if (params->opt_wire && params->pin_at_center == 0)
      c->orient[k] = AllowedMirror(N->blkclass, c->orient[k], genrand_int32());
    ShapeForCandidate(N, c, k);
    double top = UpDist(id, blka, 1, seq->next_a.data(), seq->pos_a.data(), seq->pos_b.data(),
                        seq->tier.data(), levels->b.dist, ldstb_sav.data(), ndmodfl_v.data(), c->apos[k],
                        c->bpos[k], c->tier[k], N->fixed_y_lo, N->height, params->lb_shift);
    double right = UpDist(id, blka, 0, seq->next_a.data(), seq->pos_a.data(), seq->rpos_b.data(),
                          seq->tier.data(), levels->r.dist, ldstr_sav.data(), ndmodfl_h.data(), c->apos[k],
                          n - c->bpos[k], c->tier[k], N->fixed_x_lo, N->width, params->lb_shift);
    const double left_of_n = levels->r.dist[0] - N->width;
    const double bottom_of_n = levels->b.dist[0] - N->height;

    double gap_h = gap_h0 + PushedExcess(horizontal, blka, id, ndpos_x_exs);
    double gap_v = gap_v0 + PushedExcess(vertical, blka, id, ndpos_y_exs);
    if (N->kind > 0) {
      gap_h += std::max(0.0, left_of_n - N->fixed_x_hi);
      gap_v += std::max(0.0, bottom_of_n - N->fixed_y_hi);
    }

    double wire_h = wire_h0, wire_v = wire_v0;
    if (wire_on) {
      PlacePushed(horizontal, blka, id, false);
      PlacePushed(vertical, blka, id, false);
      real->x = left_of_n + 0.5 * N->width;
      real->y = bottom_of_n + 0.5 * N->height;
      for (const Direction* d : {&horizontal, &vertical})
        for (int b = (*d->changed)[0]; b != -1; b = (*d->changed)[b]) MarkNetsOf(*nets, b);
      for (int j = ntmodfl[0]; j != -1;) {
        double span_x, span_y;
        CentreSpans(*nets, j, params, &span_x, &span_y);
        wire_h += span_x - ntlna_h[j];
        wire_v += span_y - ntlna_v[j];
        int next = ntmodfl[j];
        ntmodfl[j] = 0;
        j = next;
      }
      ntmodfl[0] = -1;
      PlacePushed(horizontal, blka, id, true);
      PlacePushed(vertical, blka, id, true);
    }

    // The insertion only lengthens paths, so the chip grows to the largest
    // far edge that moved; keep the exact extent with the candidate.
    c->width[k] = std::max(mxdsth, right);
    c->height[k] = std::max(mxdstv, top);
    // A preplaced or bounded block pushed off its place costs as in the
    // objective; otherwise neither optimiser would ever see it, and with
    // the area cost zero inside the outline any such push counts fully.
    double cost = ExactAreaCost(c->width[k], c->height[k], params) + params->wgt_wsdist * c->ws_dev[k] +
                  GapCost(gap_h, gap_v, params);
    int vias = c->via_delta[k] + inter_layer_vias;
    // An insertion point that pushes bounded blocks less wins outright: the
    // relative comparison below weighs a push against the net length and
    // vias, and could trade a preplaced block's place for a shorter net.
    const int by_gap = c->chosen == 0 ? -1 : CompareGaps(gap_h + gap_v, c->chosen_gap_h + c->chosen_gap_v);
    if (by_gap < 0 ||
        (by_gap == 0 && improvement(c->chosen_area_cost, cost, c->chosen_wire_h + c->chosen_wire_v,
                                    wire_h + wire_v, c->chosen_vias, vias, params) > 0)) {
      c->chosen = k;
      c->chosen_area_cost = cost;
      c->chosen_wire_h = wire_h;
      c->chosen_wire_v = wire_v;
      c->chosen_gap_h = gap_h;
      c->chosen_gap_v = gap_v;
      c->chosen_vias = vias;
      // The insertion optimiser compares this value with its threshold and
      // with the whole-floorplan objective it recomputes after a restore, so
      // it is that objective for the candidate: the gaps times allfix, the
      // exact net length times allnet, and the outline and size terms of the
      // exact extents (those behind the exact area cost) times obj_area_wgt.
      // That objective has no via term; vias steer the choice above.
      chosen_value = ObjectiveValue(c->width[k], c->height[k], gap_h, gap_v, wire_h + wire_v, params);
    }
    RestoreStaircase(vertical, id);
    RestoreStaircase(horizontal, id);
  }
  if (c->chosen != 0) ShapeForCandidate(N, c, c->chosen);
  return chosen_value;
}

int KeptCandidates(const tagINSCANDS* c) {
  // A list not yet full ends with the sentinel that closes it.
  const bool closed = c->area_cost[c->count] == kInfinity && c->vias[c->count] == kIntInfinity;
  return closed ? c->count - 1 : c->count;
}
