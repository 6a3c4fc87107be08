// One move of the optimisers: take a block out of both sequences, put it
// back where it was, or insert it at a new point and renumber.
#include <cstdio>

#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"

namespace {

void Unlink(int b, int* next, int* prev) {
  next[prev[b]] = next[b];
  prev[next[b]] = prev[b];
}

void LinkAfter(int b, int after, int* next, int* prev) {
  const int before = next[after];
  next[after] = b;
  next[b] = before;
  prev[before] = b;
  prev[b] = after;
}

// Links b after the last block whose position (numbered before b came back)
// is not above `after_pos`, then renumbers the whole sequence.
void InsertAndNumber(int b, int after_pos, int* next, int* prev, int* pos, int* rpos, int n,
                     const char* conflict) {
  int after = 0;
  int steps = 0;
  for (int cur = next[0]; cur != 0 && pos[cur] <= after_pos; cur = next[cur]) {
    if (++steps > n) Refuse({}, 1, "%s", conflict);
    after = cur;
  }
  LinkAfter(b, after, next, prev);
  if (NumberSequence(next, pos, rpos, n) != n) Refuse({}, 1, "%s", conflict);
}

}  // namespace

int RemoveCell(int b, tagDualSeq* seq, tagSTACKS* stacks) {
  const int top = stacks->top;
  stacks->next_a[top] = seq->next_a[b];
  stacks->prev_a[top] = seq->prev_a[b];
  stacks->next_b[top] = seq->next_b[b];
  stacks->prev_b[top] = seq->prev_b[b];
  stacks->tier[top] = seq->tier[b];
  Unlink(b, seq->next_a.data(), seq->prev_a.data());
  Unlink(b, seq->next_b.data(), seq->prev_b.data());
  return 0;
}

int UndoRemove(int b, tagDualSeq* seq, tagSTACKS* stacks) {
  const int top = stacks->top;
  seq->next_a[stacks->prev_a[top]] = b;
  seq->next_a[b] = stacks->next_a[top];
  seq->prev_a[stacks->next_a[top]] = b;
  seq->prev_a[b] = stacks->prev_a[top];
  seq->next_b[stacks->prev_b[top]] = b;
  seq->next_b[b] = stacks->next_b[top];
  seq->prev_b[stacks->next_b[top]] = b;
  seq->prev_b[b] = stacks->prev_b[top];
  seq->tier[b] = stacks->tier[top];
  return 0;
}

void ShapeForOrientation(tagBLOCK* blk, int orient) {
  if (blk->kind >= 2) return;
  const int b = blk->id;
  const bool turned = orient & 1;
  blk->width = turned ? ndsiz1_y[b] : ndsiz1_x[b];
  blk->height = turned ? ndsiz1_x[b] : ndsiz1_y[b];
  blk->fixed_x_lo = turned ? ndpos1_x_min[b] : blk->region_x_lo;
  blk->fixed_y_lo = turned ? ndpos1_y_min[b] : blk->region_y_lo;
  blk->fixed_x_hi = turned ? ndpos1_x_max[b] : blk->region_x_hi;
  blk->fixed_y_hi = turned ? ndpos1_y_max[b] : blk->region_y_hi;
}

int InsertCell(int b, int apos, int bpos, int orient, int tier, tagBLOCK** blka, tagDualSeq* seq,
               tagSTACKS* stacks) {
  tagBLOCK* blk = blka[b];
  const int top = stacks->top;
  stacks->orient[top] = blk->orient;
  stacks->width[top] = blk->width;
  stacks->height[top] = blk->height;

  // Blocks with a given orientation (kind 2) or a fixed place keep their shape.
  if (blk->kind < 2) {
    ShapeForOrientation(blk, orient);
    blk->orient = orient;
  }

  const int n = seq->count;
  seq->tier[b] = tier;
  InsertAndNumber(b, apos, seq->next_a.data(), seq->prev_a.data(), seq->pos_a.data(), seq->rpos_a.data(), n,
                  "Confilict in index A");
  InsertAndNumber(b, bpos, seq->next_b.data(), seq->prev_b.data(), seq->pos_b.data(), seq->rpos_b.data(), n,
                  "Conflict in index B");
  return 0;
}

int ReLabel(tagDualSeq* seq) {
  const int n = seq->count;
  const int in_a = NumberSequence(seq->next_a.data(), seq->pos_a.data(), seq->rpos_a.data(), n);
  if (in_a > n) Refuse({}, 1, "Conflict in Relabel na1");
  if (in_a < n) {
    for (int b = 1; b <= n; ++b)
      std::printf(" %3d %3d %3d %3d\n", b, seq->pos_a[b], seq->next_a[b], seq->prev_a[b]);
    Refuse({}, 1, "Conflict in Relabel na2");
  }
  const int in_b = NumberSequence(seq->next_b.data(), seq->pos_b.data(), seq->rpos_b.data(), n);
  if (in_b > n) Refuse({}, 1, "Conflict in Relabel nb1");
  if (in_b < n) Refuse({}, 1, "Conflict in Relabel nb2");
  return 0;
}
