// The area cost of an insertion point and the relative comparison of two
// solutions, inline: the insertion sweep evaluates both for every interval
// it visits, millions of times per run, where a call costs about as much as
// the arithmetic. objective.cpp offers them to everyone else.
#pragma once
#include <algorithm>
#include <cmath>

#include "driver/parameters.h"
#include "seqpair/engine_state.h"

namespace cost_terms {

// The two parts of an area cost: the outline overflow (three times its
// larger component plus the smaller one) and the size term.
struct OutlineTerms {
  double overflow;
  double size;
};

inline OutlineTerms Outline(double W, double H, double overflow_w, double overflow_h,
                            const tagPARAMETERS* params) {
  const double r = params->aspect_ratio;
  double ov_w = std::max(W - shape_h, overflow_w);
  double ov_h = std::max(H - shape_v, overflow_h);
  // A floorplan inside the outline costs nothing, whatever its size.
  if (ov_w <= 0 && ov_h <= 0) W = H = 0.0;
  ov_h *= r;
  const double t = 2.0 * std::max(ov_w, ov_h);
  return {t + ov_w + ov_h, 0.0625 * std::max(W, H * r)};
}

inline double AreaCost(double W, double H, double overflow_w, double overflow_h, double area_wgt,
                       const tagPARAMETERS* params) {
  const OutlineTerms terms = Outline(W, H, overflow_w, overflow_h, params);
  return area_wgt * terms.overflow + terms.size;
}

// (b - a) relative to the larger of the two; 0 when both are 0. Equal values
// skip the division: it would give a zero of the divisor's sign.
inline double RelativeDifference(double a, double b) {
  if (a == b) return b < 0 ? -0.0 : 0.0;
  const double larger = a <= b ? b : a;
  if (larger == 0.0) return 0.0;
  return (b - a) / larger;
}

inline double Improvement(double area1, double area2, double wire1, double wire2, int via1, int via2,
                          const tagPARAMETERS* params) {
  const double da = (area1 < 1e-06 && area2 < 1e-06) ? 0.0 : RelativeDifference(area1, area2);
  const double dw = params->opt_wire == 0 ? 0.0 : RelativeDifference(wire1, wire2);
  double dv = 0.0;
  if (via1 != via2) {
    // Counts are never negative; the magnitude keeps the divisor non-zero anyway.
    const double larger =
        std::max(std::fabs(static_cast<double>(via1)), std::fabs(static_cast<double>(via2)));
    dv = (static_cast<double>(via2) - via1) / larger;
  }
  return -(dv * params->deltvia_wgt + dw * params->deltnt_wgt + da * params->deltac_wgt);
}

inline bool Improves(double area1, double area2, double wire1, double wire2, int via1, int via2,
                     const tagPARAMETERS* params) {
  // With non-negative weights every relative difference of a solution that
  // is no better in any term counts against it.
  const bool weights_non_negative =
      params->deltac_wgt >= 0 && params->deltnt_wgt >= 0 && params->deltvia_wgt >= 0;
  if (weights_non_negative && area2 >= area1 && wire2 >= wire1 && via2 >= via1) return false;
  return Improvement(area1, area2, wire1, wire2, via1, via2, params) > 0;
}

}  // namespace cost_terms
