// The eight placement orientations of LEF and DEF, N W S E FN FW FS FE as
// codes 0..7 (an odd code is turned by 90 degrees), and which of them a LEF
// macro's SYMMETRY allows.
#pragma once

struct tagBLOCKCLASS;

// SYMMETRY words as bits.
constexpr int kSymmetryX = 1, kSymmetryY = 2, kSymmetryR90 = 4;
constexpr int kAnyOrientation = 0;  // tagBLOCKCLASS::orientations of a block free to take any

// The orientations (bit o for code o) a macro with these SYMMETRY bits may
// take: N, and every composition of the mirrors and turns it allows.
int OrientationsOf(int symmetry);
// Whether a block of this class may stand in orientation `orient`.
bool OrientationAllowed(const tagBLOCKCLASS* cls, int orient);
// Whether it may be turned by 90 degrees from where it stands.
bool MayTurn(const tagBLOCKCLASS* cls);
// A mirror image of `orient` the class allows (itself, when it allows none),
// picked by `draw`; for a class free to take any orientation this is
// orient ^ (draw & 6).
int AllowedMirror(const tagBLOCKCLASS* cls, int orient, unsigned draw);
// Turns the offset (x, y) from a placement point as DEF orientation `orient`
// turns a macro about its origin.
void OrientOffset(int orient, double* x, double* y);
// The box [x0, x1] x [y0, y1] inside a w x h macro, as it lands inside the
// placed macro (lower-left corner at 0, 0) in orientation `orient`.
void OrientBox(int orient, double w, double h, double* x0, double* y0, double* x1, double* y1);
