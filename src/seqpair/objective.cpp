// Scoring of a floorplan: pin positions and weighted half-perimeter net
// length, the full re-evaluation, the area costs, the objective, the
// comparison of two solutions and the periodic re-weighting.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "driver/utilities.h"
#include "seqpair/cost_terms.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"

namespace {

// Offset of a pin class point inside a block of class size cw x ch placed
// with orientation `orient`; false for an unknown orientation.
bool OrientedOffset(int orient, double px, double py, double cw, double ch, double* ox, double* oy) {
  switch (orient) {
    case 0:
      *ox = px;
      *oy = py;
      return true;
    case 1:
      *ox = py;
      *oy = cw - px;
      return true;
    case 2:
      *ox = px;
      *oy = ch - py;
      return true;
    case 3:
      *ox = py;
      *oy = px;
      return true;
    case 4:
      *ox = cw - px;
      *oy = py;
      return true;
    case 5:
      *ox = ch - py;
      *oy = cw - px;
      return true;
    case 6:
      *ox = cw - px;
      *oy = ch - py;
      return true;
    case 7:
      *ox = ch - py;
      *oy = px;
      return true;
    default:
      return false;
  }
}

}  // namespace

void SetPinPosition(tagPIN* pin, const tagPARAMETERS* params) {
  // Terminals keep the position the packing gave them.
  if (pin->id != 0 || !pin->owner) return;
  const tagBLOCK* blk = pin->owner;
  double ox = 0.0, oy = 0.0;
  if (params->pin_at_center || !pin->pinclass || !blk->blkclass) {
    ox = static_cast<float>(0.5 * blk->width);
    oy = static_cast<float>(0.5 * blk->height);
  } else if (!OrientedOffset(blk->orient, pin->pinclass->x, pin->pinclass->y, blk->blkclass->width,
                             blk->blkclass->height, &ox, &oy)) {
    DclError("Error Block Directions");
  } else if (blk->blkclass->soft_area > 0) {
    // A soft block's pins keep their place relative to its shape.
    ox *= blk->width / blk->blkclass->width;
    oy *= blk->height / blk->blkclass->height;
  }
  const double base_x = blk->parent ? blk->parent->x : 0.0;
  const double base_y = blk->parent ? blk->parent->y : 0.0;
  pin->x = base_x + blk->x + ox;
  pin->y = base_y + blk->y + oy;
}

double SetNetLength(tagBLOCK** /*blka*/, tagNET** neta, tagPIN** /*pada*/, int mode, tagPARAMETERS* params) {
  int first = 1, last = 0;
  switch (mode) {
    case 1:
      first = 1;
      last = ntmax0;
      break;
    case 2:
      first = ntmax0 + 1;
      last = ntmax;
      break;
    case 3:
      first = 1;
      last = ntmax;
      break;
    default:
      break;
  }
  double total = 0.0;
  for (int j = first; j <= last; ++j) {
    const tagNET* net = neta[j];
    if (!net || !net->pins) continue;  // a net without pins has no span
    double min_x = kInfinity, min_y = kInfinity, max_x = -1.0, max_y = -1.0;
    for (const tagPINLIST* node = net->pins; node; node = node->next) {
      tagPIN* pin = static_cast<tagPIN*>(node->pin);
      SetPinPosition(pin, params);
      min_x = std::min(min_x, pin->x);
      max_x = std::max(max_x, pin->x);
      min_y = std::min(min_y, pin->y);
      max_y = std::max(max_y, pin->y);
    }
    total += ((max_x - min_x) + (max_y - min_y)) * net->weight * params->net_scale;
  }
  return total;
}

void PackFloorplan(tagBLOCK** blka, tagPIN** pada, tagDualSeq* seq, tagLevelList* levels, tagNORMPARA* norm) {
  // The packing's scratch, sized for the largest design once.
  static int rest_b[kLevelCap], rest_r[kLevelCap];
  CalCoords(blka, seq, levels, p_btree, p_rtree, rest_b, rest_r, &mxdstva, &mxdstha);
  ngap_h = ngap_v = 0.0;
  for (int b = 1; b <= seq->count; ++b) {
    const tagBLOCK* blk = blka[b];
    if (blk->kind <= 0) continue;
    const double x_end = levels->r.dist[seq->rpos_b[b]];
    const double y_end = levels->b.dist[seq->pos_b[b]];
    ngap_h += std::max(0.0, x_end - blk->width - blk->fixed_x_hi);
    ngap_v += std::max(0.0, y_end - blk->height - blk->fixed_y_hi);
  }
  SetCellPos(mxdstha, mxdstva, 0, blka, pada, seq, levels, norm);
}

double CalcObj(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* seq, tagLevelList* levels,
               tagNORMPARA* norm, tagPARAMETERS* params) {
  PackFloorplan(blka, pada, seq, levels, norm);
  return SetNetLength(blka, neta, pada, 3, params);
}

double AreaCost(double W, double H, double overflow_w, double overflow_h, double area_wgt,
                const tagPARAMETERS* params) {
  return cost_terms::AreaCost(W, H, overflow_w, overflow_h, area_wgt, params);
}

double InsertionAreaCost(double W, double H, const tagPARAMETERS* params) {
  return AreaCost(W, H, std::max(0.0, mxdsth - shape_h), std::max(0.0, mxdstv - shape_v), params->area_wgt,
                  params);
}

double ExactAreaCost(double W, double H, const tagPARAMETERS* params) {
  return AreaCost(std::max(mxdsth, W), std::max(mxdstv, H), 0.0, 0.0, params->area_wgt, params);
}

double PackedAreaCost(const tagPARAMETERS* params) {
  return AreaCost(mxdstha, mxdstva, 0.0, 0.0, params->area_wgt, params) + GapCost(ngap_h, ngap_v, params);
}

double GapCost(double gap_h, double gap_v, const tagPARAMETERS* params) {
  return (2.0 * std::max(gap_h, gap_v) + gap_h + gap_v) * params->allfix * params->net_scale;
}

double OutlineRounding() { return 1e-9 * (shape_h + shape_v); }

int CompareGaps(double gap, double than) {
  // Gaps are sums of coordinate differences, summed move by move during the
  // search and in full after a packing.
  const double tolerance = OutlineRounding();
  if (gap < than - tolerance) return -1;
  return gap > than + tolerance ? 1 : 0;
}

double ObjectiveValue(double W, double H, double gap_h, double gap_v, double wire,
                      const tagPARAMETERS* params) {
  const cost_terms::OutlineTerms terms = cost_terms::Outline(W, H, 0.0, 0.0, params);
  return GapCost(gap_h, gap_v, params) + wire * params->allnet +
         (terms.size + terms.overflow) * params->obj_area_wgt;
}

double FloorplanObjective(double wire, const tagPARAMETERS* params) {
  return ObjectiveValue(mxdstha, mxdstva, ngap_h, ngap_v, wire, params);
}

double improvement(double area1, double area2, double wire1, double wire2, int via1, int via2,
                   tagPARAMETERS* params) {
  return cost_terms::Improvement(area1, area2, wire1, wire2, via1, via2, params);
}

bool Improves(double area1, double area2, double wire1, double wire2, int via1, int via2,
              tagPARAMETERS* params) {
  return cost_terms::Improves(area1, area2, wire1, wire2, via1, via2, params);
}

int SetNewWeight(tagPARAMETERS* params) {
  // Factor of the area and net weights in each phase, the phases taken in turn.
  static const double kPhaseFactor[4] = {1.0, 0.9, 1.2, 0.8};
  params->wgt_phase += 1;
  if (params->wgt_phase > 3 || params->wgt_phase < 0) params->wgt_phase = 0;
  const double f = kPhaseFactor[params->wgt_phase];
  // Small random jitter keeps restarts from retracing the same path.
  const double u_area = frandom();
  const double u_all = frandom();
  const double u_net = frandom();
  params->area_wgt = f * params->movarea * (1.0 + (u_area - 0.5) * 0.2);
  params->obj_area_wgt = f * params->allarea * (1.0 + (u_all - 0.5) * 0.2);
  params->net_wgt = (1.0 + (u_net - 0.5) * 0.3) * 5.0 * params->movnet;
  printf(" Solution Restored: New Wgts = (%7.2f %7.2f), (%7.2f %7.2f)\n", params->area_wgt, params->net_wgt,
         params->obj_area_wgt, params->allnet);
  return 0;
}
