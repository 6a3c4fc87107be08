// The single-tier initial solution: block sizes, the fixed outline, a random
// dual sequence and the bounds of every block's lower-left corner.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

void SetBlockBounds(tagBLOCK** blka, int n) {
  for (int i = 1; i <= n; ++i) {
    tagBLOCK* blk = blka[i];
    const tagBLOCKCLASS* cls = blk->blkclass;
    ndofs0_x[i] = (ndsiz1_x[i] - cls->width) * 0.5;
    ndofs0_y[i] = (ndsiz1_y[i] - cls->height) * 0.5;
    ndpos1_x_min[i] = std::max(0.0, blk->region_x_lo - ndofs0_x[i]);
    ndpos1_y_min[i] = std::max(0.0, blk->region_y_lo - ndofs0_y[i]);
    ndpos1_x_max[i] = std::max(0.0, blk->region_x_hi - ndofs0_x[i] - cls->width);
    ndpos1_y_max[i] = std::max(0.0, blk->region_y_hi - ndofs0_y[i] - cls->height);
    if (blk->kind == 3) {
      // A block fixed in place may not move in either orientation.
      ndpos1_x_max[i] = ndpos1_x_min[i];
      ndpos1_y_max[i] = ndpos1_y_min[i];
    }
    blk->region_x_lo = ndpos1_x_min[i];
    blk->region_y_lo = ndpos1_y_min[i];
    blk->region_x_hi = ndpos1_x_max[i];
    blk->region_y_hi = ndpos1_y_max[i];

    blk->fixed_x_lo = blk->region_x_lo;
    blk->fixed_y_lo = blk->region_y_lo;
    blk->fixed_x_hi = blk->region_x_hi;
    blk->fixed_y_hi = blk->region_y_hi;
    if (blk->kind >= 2) {
      if (blk->orient & 1) {
        std::swap(blk->width, blk->height);
        blk->fixed_x_lo = ndpos1_x_min[i];
        blk->fixed_y_lo = ndpos1_y_min[i];
        blk->fixed_x_hi = ndpos1_x_max[i];
        blk->fixed_y_hi = ndpos1_y_max[i];
      }
    } else {
      blk->orient = 0;
    }
    // Distances from the top right edges of the outline for the packing
    // from there. Only a bounded block has one: a movable block's upper
    // bounds are unset with several tiers, and taking them as 0 would push
    // it a whole outline away and make every estimate of the insertion
    // search too large.
    ndpos_x_lft[i] = blk->kind > 0 ? shape_h - blk->fixed_x_hi - blk->width : 0.0;
    ndpos_y_top[i] = blk->kind > 0 ? shape_v - blk->fixed_y_hi - blk->height : 0.0;
  }
}

void SetBlockSizes(tagBLOCK** blka, int n, tagPARAMETERS* params) {
  zarea_all = 0.0;
  for (int i = 1; i <= n; ++i) {
    tagBLOCK* blk = blka[i];
    tagBLOCKCLASS* cls = blk->blkclass;
    cls->width = std::fabs(cls->width);
    cls->height = std::fabs(cls->height);
    blk->width = ndsiz1_x[i] = cls->width;
    blk->height = ndsiz1_y[i] = cls->height;
    const double area = cls->soft_area > 0 ? cls->soft_area : blk->width * blk->height;
    params->placed_area += area;
    zarea_all += area;
  }
  blka[0]->area = zarea_all;
}

void FitOutlineToPreplaced(tagBLOCK** blka, int n, double core, const tagNORMPARA* norm) {
  double right = 0, top = 0;
  bool preplaced = false;
  for (int i = 1; i <= n; ++i) {
    const tagBLOCK* blk = blka[i];
    if (blk->kind != 3 || !blk->blkclass) continue;
    const bool turned = blk->orient & 1;
    right = std::max(right, blk->region_x_lo + (turned ? blk->blkclass->height : blk->blkclass->width));
    top = std::max(top, blk->region_y_lo + (turned ? blk->blkclass->width : blk->blkclass->height));
    preplaced = true;
  }
  if (!preplaced) return;
  const tagBLOCK* design = blka[0];
  const double die_w = design->region_x_hi, die_h = design->region_y_hi;
  // Blocks on the die's edge reach it only up to rounding.
  const double rounding = 1e-9 * (die_w + die_h);
  if (tier_no < 2 && die_w * die_h >= core && die_w + rounding >= right && die_h + rounding >= top) {
    shape_h = die_w;
    shape_v = die_h;
    std::printf("Fixed outline: the die, %f X %f\n", shape_h * norm->unscale, shape_v * norm->unscale);
    return;
  }
  if (right <= shape_h && top <= shape_v) return;
  shape_h = std::max(shape_h, right);
  shape_v = std::max(shape_v, top);
  std::printf("Fixed outline widened over the preplaced blocks: %f X %f\n", shape_h * norm->unscale,
              shape_v * norm->unscale);
}

bool TakeGivenOutline(const tagPARAMETERS* params) {
  if (!(params->outline_w > 0 && params->outline_h > 0)) return false;
  shape_h = params->outline_w;
  shape_v = params->outline_h;
  return true;
}

int InitData(tagBLOCK** blka, tagPIN** /*pada*/, tagDualSeq* seq, tagNORMPARA* norm, tagPARAMETERS* params) {
  tagBLOCK* design = blka[0];
  const int n = seq->count;
  optsize_h = optsize_v = kInfinity;
  params->lb_shift = 0.0;
  params->placed_area = 0.0;
  zarea_all = 0.0;
  design->degree = 0;
  for (int i = 1; i <= n; ++i) {
    zarea_all += blka[i]->area;
    design->degree += blka[i]->degree;
  }

  const double core = (1.0 + params->sparearea / 100.0) * zarea_all;
  if (!TakeGivenOutline(params)) {
    const double tiers = std::max(tier_no, 1);
    shape_h = std::sqrt(core / tiers * params->aspect_ratio);
    shape_v = std::sqrt(core / tiers / params->aspect_ratio);
    FitOutlineToPreplaced(blka, n, core, norm);
  }
  design->width = shape_h;
  design->height = shape_v;
  for (int i = 0; i <= n; ++i) {
    blka[i]->region_x_hi = blka[i]->fixed_x_hi = shape_h;
    blka[i]->region_y_hi = blka[i]->fixed_y_hi = shape_v;
  }

  std::printf("Total  Cell Area = %14.0f\n", zarea_all * norm->unscale_sq);
  std::printf("Active Core Area = %14.0f\n", core * norm->unscale_sq);
  std::printf("         Expand  = %6.3f X%6.3f\n\n", 1.0, 1.0);

  SetBlockSizes(blka, n, params);

  Generate_SP(seq);
  SetBlockBounds(blka, n);
  return 0;
}
