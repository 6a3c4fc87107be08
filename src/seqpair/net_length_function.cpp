// Net-length functions of the block being moved: for each direction a
// piecewise-linear function of the block's lower-left coordinate giving the
// weighted growth of its nets, so that the insertion search prices a
// position with two list walks instead of re-measuring every net.
#include <algorithm>
#include <cmath>

#include "seqpair/seqpair.h"

namespace {

constexpr double kMergeDistance = 1e-06;

// One direction's breakpoint list inside tagNetRel.
struct Axis {
  double* coord;
  double* slope;
  double* value;
  int* next;
  int* prev;
  int used;  // nodes taken, node 0 included
};

Axis XAxis(tagNetRel* rel) {
  return {rel->x_coord, rel->x_slope, rel->x_value, rel->x_next, rel->x_prev, 0};
}
Axis YAxis(tagNetRel* rel) {
  return {rel->y_coord, rel->y_slope, rel->y_value, rel->y_next, rel->y_prev, 0};
}

void StartAxis(Axis& a) {
  a.coord[0] = a.slope[0] = a.value[0] = 0.0;
  a.next[0] = a.prev[0] = -1;
  a.used = 1;
}

// Adds `change` to the slope from coordinate c on; a breakpoint closer than
// kMergeDistance to c takes the change instead of a new node. When every
// node is taken the change goes to the last node before c. Node 0 stays
// first: coordinates below the origin count as the origin.
void AddBreakpoint(Axis& a, double c, double change) {
  c = std::max(c, 0.0);
  int before = 0;
  int after = -1;
  for (int q = 0; q != -1; q = a.next[q]) {
    if (std::fabs(a.coord[q] - c) < kMergeDistance) {
      a.slope[q] += change;
      return;
    }
    if (a.coord[q] > c) {
      after = q;
      break;
    }
    before = q;
  }
  if (a.used >= kEndLevel) {
    a.slope[before] += change;
    return;
  }
  const int k = a.used++;
  a.coord[k] = c;
  a.slope[k] = change;
  a.value[k] = 0.0;
  a.prev[k] = before;
  a.next[k] = after;
  a.next[before] = k;
  if (after != -1) a.prev[after] = k;
}

// w times the distance of the coordinate to [lo, hi].
void AddNetTerm(Axis& a, double lo, double hi, double w) {
  a.slope[0] -= w;
  a.value[0] += lo * w;
  AddBreakpoint(a, lo, w);
  AddBreakpoint(a, hi, w);
}

// Turns slope changes into slopes and fills each node's value.
void Accumulate(Axis& a) {
  for (int p = 0, q = a.next[0]; q != -1; p = q, q = a.next[q]) {
    a.value[q] = a.value[p] + (a.coord[q] - a.coord[p]) * a.slope[p];
    a.slope[q] += a.slope[p];
  }
}

}  // namespace

int SetPLfunc(int b, double W, double H, tagBLOCK** blka, tagPIN** /*pada*/, tagNetRel* rel,
              tagPARAMETERS* /*params*/) {
  tagBLOCK* design = blka[0];
  const tagBLOCK* self = blka[b];
  Axis ax = XAxis(rel), ay = YAxis(rel);
  StartAxis(ax);
  StartAxis(ay);
  // During the search the block's x, y hold its centre.
  AddBreakpoint(ax, static_cast<float>(self->x - 0.5 * self->width), 0.0);
  AddBreakpoint(ay, static_cast<float>(self->y - 0.5 * self->height), 0.0);
  AddBreakpoint(ax, W + H, 0.0);
  AddBreakpoint(ay, W + H, 0.0);

  for (const tagPINLIST* ref = self->net_refs; ref; ref = ref->next) {
    const tagNET* net = static_cast<const tagNET*>(ref->pin);
    double min_x = W, min_y = H, max_x = 0.0, max_y = 0.0;
    bool others = false;
    for (const tagPINLIST* node = net->pins; node; node = node->next) {
      tagPIN* pin = static_cast<tagPIN*>(node->pin);
      if (pin->id == 0 && pin->owner == self) continue;
      if (pin->id == 0 && pin->owner && pin->owner->parent == design) {
        pin->x = design->x + pin->owner->x;
        pin->y = design->y + pin->owner->y;
      }
      min_x = std::min(min_x, pin->x);
      max_x = std::max(max_x, pin->x);
      min_y = std::min(min_y, pin->y);
      max_y = std::max(max_y, pin->y);
      others = true;
    }
    if (!others) continue;
    // Nothing lies left of or below the origin; clamping keeps f(0) exact if it did.
    min_x = std::max(min_x, 0.0);
    min_y = std::max(min_y, 0.0);
    max_x = std::min(max_x, W);
    max_y = std::min(max_y, H);
    if (min_x <= max_x) AddNetTerm(ax, min_x, max_x, net->weight);
    if (min_y <= max_y) AddNetTerm(ay, min_y, max_y, net->weight);
  }
  Accumulate(ax);
  Accumulate(ay);
  rel->x_cursor = rel->y_cursor = 0;
  return 0;
}

double EvalPLfunc(tagNetRel* rel, int vertical, double c) {
  const double* coord = vertical ? rel->y_coord : rel->x_coord;
  const double* slope = vertical ? rel->y_slope : rel->x_slope;
  const double* value = vertical ? rel->y_value : rel->x_value;
  const int* next = vertical ? rel->y_next : rel->x_next;
  const int* prev = vertical ? rel->y_prev : rel->x_prev;
  int& at = vertical ? rel->y_cursor : rel->x_cursor;
  // The last node at or before c (node 0 for c below every breakpoint).
  while (at != 0 && coord[at] > c) at = prev[at];
  while (next[at] != -1 && coord[next[at]] <= c) at = next[at];
  return value[at] + (c - coord[at]) * slope[at];
}
