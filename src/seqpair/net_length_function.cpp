// Net-length functions of the block being moved: for each direction a
// piecewise-linear function of the block's lower-left coordinate giving the
// weighted growth of its nets, so that the insertion search prices a
// position with two list walks instead of re-measuring every net.
#include <algorithm>
#include <cmath>

#include "seqpair/seqpair.h"

namespace {

// Breakpoints closer than this (internal units) count as one.
constexpr double kMergeDistance = 1e-06;

void StartAxis(tagPLAxis& a) {
  a.node[0] = {0.0, 0.0, 0.0};
  a.count = 1;
  a.cursor = 0;
}

// Adds `change` to the slope from coordinate c on; a breakpoint closer than
// kMergeDistance to c takes the change instead of a new node. When every
// node is taken the change goes to the last node before c. Node 0 stays
// first: coordinates below the origin count as the origin.
void AddBreakpoint(tagPLAxis& a, double c, double change) {
  c = std::max(c, 0.0);
  int at = 0;
  for (; at < a.count; ++at) {
    if (std::fabs(a.node[at].coord - c) < kMergeDistance) {
      a.node[at].slope += change;
      return;
    }
    if (a.node[at].coord > c) break;
  }
  if (a.count >= kEndLevel) {
    a.node[at - 1].slope += change;
    return;
  }
  std::copy_backward(a.node + at, a.node + a.count, a.node + a.count + 1);
  a.node[at] = {c, change, 0.0};
  ++a.count;
}

// w times the distance of the coordinate to [lo, hi].
void AddNetTerm(tagPLAxis& a, double lo, double hi, double w) {
  a.node[0].slope -= w;
  a.node[0].value += lo * w;
  AddBreakpoint(a, lo, w);
  AddBreakpoint(a, hi, w);
}

// Turns slope changes into slopes and fills each node's value.
void Accumulate(tagPLAxis& a) {
  for (int q = 1; q < a.count; ++q) {
    const tagPLNode& p = a.node[q - 1];
    a.node[q].value = p.value + (a.node[q].coord - p.coord) * p.slope;
    a.node[q].slope += p.slope;
  }
}

}  // namespace

int SetPLfunc(int b, double W, double H, tagBLOCK** blka, tagPIN** /*pada*/, tagNetRel* rel,
              tagPARAMETERS* /*params*/) {
  tagBLOCK* design = blka[0];
  const tagBLOCK* self = blka[b];
  tagPLAxis& ax = rel->x;
  tagPLAxis& ay = rel->y;
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
  return 0;
}
