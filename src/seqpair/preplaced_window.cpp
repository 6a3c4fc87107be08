// Where the search may reinsert a preplaced block: the window of A positions
// that keeps the fixed blocks in the order their places require.
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

int PsLUBound(tagDualSeq* dseq, tagBLOCK** blka, int b, int* lo, int* hi) {
  const tagBLOCK* blk = blka[b];
  if (blk->kind == 0) return 0;
  *lo = 0;
  *hi = dseq->count;
  if (fixed_num == 0 || !IsFixed(blk)) return 1;
  const int k = FixedIndex(blk), here = dseq->pos_a[b];
  for (int m = 0; m < fixed_num; ++m) {
    if (m == k) continue;
    const int p = dseq->pos_a[ppblka[m]->id];
    // A block that must precede b keeps b after it; one that must follow
    // keeps b's insertion point (the A position after which b goes) below it.
    if ((mt_fixed[m][k] & kBeforeInA) && *lo <= p && p < here) *lo = p + 1;
    if ((mt_fixed[k][m] & kBeforeInA) && here < p && p <= *hi) *hi = p - 1;
  }
  return 1;
}
