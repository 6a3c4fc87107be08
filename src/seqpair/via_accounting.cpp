// Inter-tier via counts: a net whose pins span tiers lo..hi needs one via
// through each interface between them. Also the block area of every tier and
// the effect of moving one block to another tier.
#include <algorithm>

#include "seqpair/seqpair.h"

namespace {

struct TierSpan {
  int lo;
  int hi;
  int Vias() const { return hi - lo; }
  bool operator==(const TierSpan& o) const { return lo == o.lo && hi == o.hi; }
};

// Terminals sit on tier 0 with the design record.
int PinTier(const tagPIN* pin, const tagDualSeq* dseq) {
  return pin->id == 0 ? dseq->tier[pin->owner->id] : 0;
}

// Scans the net's pins once for its span as it is (`before`) and with every
// pin of `moved` on `moved_tier` (`after`). False when the net has no pins.
bool NetSpans(const tagNET* net, const tagDualSeq* dseq, int tiers, const tagBLOCK* moved, int moved_tier,
              TierSpan* before, TierSpan* after) {
  *before = *after = {tiers + 1, -1};
  if (!net->pins || net->wire_only) return false;
  for (const tagPINLIST* node = net->pins; node; node = node->next) {
    const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
    const int t = PinTier(pin, dseq);
    const int t_after = (pin->id == 0 && pin->owner == moved) ? moved_tier : t;
    before->lo = std::min(before->lo, t);
    before->hi = std::max(before->hi, t);
    after->lo = std::min(after->lo, t_after);
    after->hi = std::max(after->hi, t_after);
  }
  return true;
}

// Adds `delta` to the entries of the interfaces the span crosses.
void AddInterfaces(const TierSpan& span, int delta, int* per_tier) {
  for (int t = span.lo + 1; t <= span.hi; ++t) per_tier[t] += delta;
}

// The nets on a block's net_refs list, each once: a block with several pins
// on one net has adjacent references to it.
template <typename Visit>
void ForEachNetOf(const tagBLOCK* blk, Visit visit) {
  const tagNET* previous = nullptr;
  for (const tagPINLIST* ref = blk->net_refs; ref; ref = ref->next) {
    const tagNET* net = static_cast<const tagNET*>(ref->pin);
    if (net != previous) visit(net);
    previous = net;
  }
}

}  // namespace

int CountInterLayerVias(tagNET* nets, tagDualSeq* dseq, int tiers, int* per_tier) {
  std::fill(per_tier, per_tier + tiers, 0);
  int total = 0;
  for (const tagNET* net = nets; net; net = net->next) {
    TierSpan span, unused;
    if (!NetSpans(net, dseq, tiers, nullptr, 0, &span, &unused) || span.Vias() == 0) continue;
    total += span.Vias();
    AddInterfaces(span, 1, per_tier);
    per_tier[0] += span.Vias();
  }
  return total;
}

int CountInterLayerVias(tagNET* nets, tagDualSeq* dseq, int tiers) {
  int per_tier[kMaxTiers];
  return CountInterLayerVias(nets, dseq, tiers, per_tier);
}

int CountNetBlockAreaForEachLayer(tagBLOCK* design, tagDualSeq* dseq, int tiers, double* area) {
  std::fill(area, area + tiers, 0.0);
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next) area[dseq->tier[blk->id]] += blk->area;
  return 0;
}

int ChangeForCellMove(tagBLOCK* blk, tagDualSeq* dseq, int new_tier, int tiers, int* sv_change,
                      double* area_change) {
  std::fill(sv_change, sv_change + tiers, 0);
  std::fill(area_change, area_change + tiers, 0.0);
  const int old_tier = dseq->tier[blk->id];
  if (new_tier == old_tier) return 0;
  area_change[new_tier] += blk->area;
  area_change[old_tier] -= blk->area;

  int total = 0;
  ForEachNetOf(blk, [&](const tagNET* net) {
    TierSpan before, after;
    if (!NetSpans(net, dseq, tiers, blk, new_tier, &before, &after) || before == after) return;
    AddInterfaces(before, -1, sv_change);
    AddInterfaces(after, 1, sv_change);
    total += after.Vias() - before.Vias();
  });
  sv_change[0] = total;
  return 0;
}

int CountInterLayerViasForCell(tagBLOCK* blk, tagDualSeq* dseq, int tier, int tiers) {
  int vias = 0;
  ForEachNetOf(blk, [&](const tagNET* net) {
    TierSpan before, after;
    if (NetSpans(net, dseq, tiers, blk, tier, &before, &after)) vias += after.Vias();
  });
  return vias;
}
