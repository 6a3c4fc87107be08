#include "driver/orientations.h"

#include <algorithm>

#include "driver/records.h"

namespace {

// Orientation o maps (x, y) to (m[0] x + m[1] y, m[2] x + m[3] y).
constexpr int kMatrix[8][4] = {{1, 0, 0, 1},  {0, -1, 1, 0}, {-1, 0, 0, -1}, {0, 1, -1, 0},
                               {-1, 0, 0, 1}, {0, 1, 1, 0},  {1, 0, 0, -1},  {0, -1, -1, 0}};
constexpr int kN = 0, kW = 1, kFN = 4, kFS = 6;

// The orientation that applies b, then a.
int Compose(int a, int b) {
  const int* p = kMatrix[a];
  const int* q = kMatrix[b];
  const int m[4] = {p[0] * q[0] + p[1] * q[2], p[0] * q[1] + p[1] * q[3], p[2] * q[0] + p[3] * q[2],
                    p[2] * q[1] + p[3] * q[3]};
  for (int o = 0; o < 8; ++o)
    if (std::equal(m, m + 4, kMatrix[o])) return o;
  return kN;  // unreachable: the eight form a group
}

}  // namespace

int OrientationsOf(int symmetry) {
  int generators[3], count = 0;
  if (symmetry & kSymmetryX) generators[count++] = kFS;
  if (symmetry & kSymmetryY) generators[count++] = kFN;
  if (symmetry & kSymmetryR90) generators[count++] = kW;
  int allowed = 1 << kN;
  for (bool grew = true; grew;) {
    grew = false;
    for (int o = 0; o < 8; ++o) {
      if (!(allowed >> o & 1)) continue;
      for (int g = 0; g < count; ++g) {
        const int bit = 1 << Compose(generators[g], o);
        grew = grew || !(allowed & bit);
        allowed |= bit;
      }
    }
  }
  return allowed;
}

bool OrientationAllowed(const tagBLOCKCLASS* cls, int orient) {
  return !cls || cls->orientations == kAnyOrientation || (cls->orientations >> (orient & 7) & 1);
}

bool MayTurn(const tagBLOCKCLASS* cls) {
  return !cls || cls->orientations == kAnyOrientation || (cls->orientations & 0xAA) != 0;
}

int AllowedMirror(const tagBLOCKCLASS* cls, int orient, unsigned draw) {
  int mirrors[4], count = 0;
  for (int m = 0; m < 8; m += 2)
    if (OrientationAllowed(cls, orient ^ m)) mirrors[count++] = orient ^ m;
  return count == 0 ? orient : mirrors[(draw >> 1 & 3) % count];
}

void OrientOffset(int orient, double* x, double* y) {
  const int* m = kMatrix[orient & 7];
  const double u = *x, v = *y;
  *x = m[0] * u + m[1] * v;
  *y = m[2] * u + m[3] * v;
}

void OrientBox(int orient, double w, double h, double* x0, double* y0, double* x1, double* y1) {
  // Turn the macro's corners and the box's alike, then put the macro's
  // lower-left corner at the origin.
  double mx0 = 0, my0 = 0, mx1 = w, my1 = h;
  OrientOffset(orient, &mx0, &my0);
  OrientOffset(orient, &mx1, &my1);
  OrientOffset(orient, x0, y0);
  OrientOffset(orient, x1, y1);
  const double ox = std::min(mx0, mx1), oy = std::min(my0, my1);
  const double bx0 = std::min(*x0, *x1) - ox, bx1 = std::max(*x0, *x1) - ox;
  const double by0 = std::min(*y0, *y1) - oy, by1 = std::max(*y0, *y1) - oy;
  *x0 = bx0, *x1 = bx1, *y0 = by0, *y1 = by1;
}
