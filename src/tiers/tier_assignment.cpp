// The multi-tier initial solution: block sizes, the outline every tier
// shares, the spreading of blocks over tiers, and the dual sequence that
// stacks the blocks tier by tier.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <new>

#include "driver/utilities.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"
#include "tiers/tiers.h"

namespace {

// Imbalance the tier split allows: each bisection side holds 40 to 60 % of the weight.
constexpr int kTierUbfactor = 10;

}  // namespace

int InitDataForMultiTiers(tagBLOCK** blka, tagPIN** /*pada*/, tagDualSeq* dseq, tagNORMPARA* norm,
                          tagPARAMETERS* prm) {
  tagBLOCK* design = blka[0];
  const int n = dseq->count;
  optsize_h = optsize_v = kInfinity;
  zarea_all = 0.0;
  int degree = 0;
  for (int i = 1; i <= n; ++i) {
    zarea_all += blka[i]->area;
    degree += blka[i]->degree;
  }

  // Every tier gets the same outline: the core area is shared out evenly.
  const double core = (1.0 + 0.01 * prm->sparearea) * zarea_all;
  if (!TakeGivenOutline(prm)) {
    shape_h = std::sqrt(prm->aspect_ratio * core / tier_no);
    shape_v = std::sqrt(core / tier_no / prm->aspect_ratio);
    FitOutlineToPreplaced(blka, n, core, norm);
  }
  design->width = shape_h;
  design->height = shape_v;
  std::printf("Total  Cell Area = %14.0f\n", zarea_all * norm->unscale_sq);
  std::printf("Active Core Area = %14.0f\n", core * norm->unscale_sq);
  std::printf("Fixed-outline: %f X  %f\n", shape_h * norm->unscale, shape_v * norm->unscale);

  prm->placed_area = 0.0;
  SetBlockSizes(blka, n, prm);
  design->degree = degree;

  GenMultiTierByPartition(dseq, blka, tier_no, prm);
  SetBlockBounds(blka, n);
  return 0;
}

int GenMultiTierByPartition(tagDualSeq* dseq, tagBLOCK** blka, int tiers, tagPARAMETERS* prm) {
  PartitionIntoTiers(blka[0], tiers, prm->init_rand > 0);
  StackTiers(dseq, blka, tiers);
  return 0;
}

void StackTiers(tagDualSeq* dseq, tagBLOCK** blka, int tiers) {
  tagBLOCK* design = blka[0];
  const int n = dseq->count;
  SetLevelMates(n);

  // One vertical stack, tier by tier: both sequences hold the same order.
  int last = 0;
  for (int t = 0; t < tiers; ++t) {
    for (const tagBLOCK* blk = design->children; blk; blk = blk->next) {
      if (blk->tier != t || blk->id < 1 || blk->id > n) continue;
      dseq->next_a[last] = blk->id;
      last = blk->id;
    }
  }
  dseq->next_a[last] = 0;
  dseq->next_b = dseq->next_a;
  dseq->tier[0] = 0;
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next)
    if (blk->id >= 1 && blk->id <= n) dseq->tier[blk->id] = blk->tier;
  RebuildPositions(dseq);
}

void CountTierLoads(tagBLOCK* design, tagDualSeq* dseq) {
  inter_layer_vias = CountInterLayerVias(design->nets, dseq, tier_no, la_sv_num);
  CountNetBlockAreaForEachLayer(design, dseq, tier_no, la_net_area);
}

void SpreadOverTiersAgain(tagBLOCK** blka, tagNET** neta, tagPIN** pada, tagDualSeq* dseq,
                          tagLevelList* levels, tagNORMPARA* norm, tagPARAMETERS* prm) {
  PartitionIntoTiers(blka[0], tier_no, true);
  StackTiers(dseq, blka, tier_no);
  CountTierLoads(blka[0], dseq);
  // The best floorplan of the earlier rounds keeps every preplaced block on
  // its place, and only floorplans that push none replace it: this round may
  // start from one that pushes.
  FindModifySeqsOfFixed(blka, dseq, &mt_fixed);
  CalcObj(blka, neta, pada, dseq, levels, norm, prm);
}

void PartitionIntoTiers(tagBLOCK* design, int nparts, bool random) {
  // Without nets there is no hypergraph: the partitioner is skipped and every
  // block stays on tier 0, unless tiers are drawn at random anyway.
  const std::unique_ptr<tagHYPERGRAPH, decltype(&FreeHyperGraph)> hg(CreateHyperGraph(design),
                                                                     &FreeHyperGraph);
  nparts = std::max(nparts, 1);
  const int nvtxs = hg ? hg->nvtxs : std::max(design->block_count, 0);
  std::unique_ptr<int[]> part(new (std::nothrow) int[nvtxs > 0 ? nvtxs : 1]());
  if (!part) {
    DclError("Failed to allocate memroy!\n");
    return;
  }
  if (random) {
    for (int v = 0; v < nvtxs; ++v) part[v] = static_cast<int>(genrand_int32() % nparts);
  } else if (hg) {
    PartitionHyperGraph(hg.get(), nparts, kTierUbfactor, part.get());
  }
  for (tagBLOCK* blk = design->children; blk; blk = blk->next)
    blk->tier = (blk->id >= 1 && blk->id <= nvtxs) ? part[blk->id - 1] : 0;
}
