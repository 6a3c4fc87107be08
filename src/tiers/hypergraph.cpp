// The hypergraph of a design handed to the partitioner: one vertex per
// block (vertex k is block k + 1), one hyperedge per net with a block pin.
#include <algorithm>
#include <climits>
#include <cstdlib>
#include <new>
#include <vector>

#include "driver/utilities.h"
#include "tiers/tiers.h"

namespace {

// Heaviest vertex: a block weighs its area (internal units squared) up to this.
constexpr double kMaxVertexWeight = 1000.0;

int* NewInts(size_t count) {
  int* a = new (std::nothrow) int[std::max<size_t>(count, 1)]();
  if (!a) Refuse({}, 1, "Failed to calloc memory!");
  return a;
}

// Truncates toward zero like a cast, without overflowing for huge weights.
int TruncatedWeight(double w) {
  const double limit = INT_MAX;
  return static_cast<int>(std::clamp(w, -limit, limit));
}

}  // namespace

tagHYPERGRAPH* CreateHyperGraph(const tagBLOCK* design, const std::vector<int>* vertex_of_id) {
  if (!design) Refuse({}, 1, "NULL Pointer!");
  if (!design->nets) {
    DclError("No net information,no partition!");
    return nullptr;
  }
  tagHYPERGRAPH* hg = new (std::nothrow) tagHYPERGRAPH{};
  if (!hg) Refuse({}, 1, "Failed to allocate memory!\n");
  hg->nvtxs = std::max(design->block_count, 0);
  if (vertex_of_id)
    hg->nvtxs = static_cast<int>(
        std::count_if(vertex_of_id->begin(), vertex_of_id->end(), [](int v) { return v >= 0; }));
  auto vertex = [vertex_of_id](int id) {
    if (!vertex_of_id) return id - 1;
    return id >= 0 && id < static_cast<int>(vertex_of_id->size()) ? (*vertex_of_id)[id] : -1;
  };

  std::vector<int> eptr{0}, eind, hewgts;
  for (const tagNET* net = design->nets; net; net = net->next) {
    const size_t start = eind.size();
    for (const tagPINLIST* node = net->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
      // Terminals are not vertices; a pin on a block outside the vertex range
      // cannot be named either.
      if (pin->id != 0 || !pin->owner) continue;
      const int v = vertex(pin->owner->id);
      if (v >= 0 && v < hg->nvtxs) eind.push_back(v);
    }
    if (eind.size() == start) continue;
    eptr.push_back(static_cast<int>(eind.size()));
    hewgts.push_back(TruncatedWeight(net->weight));
  }
  hg->nhedges = static_cast<int>(hewgts.size());

  hg->vwgts = NewInts(hg->nvtxs);
  hg->hewgts = NewInts(hewgts.size());
  hg->eptr = NewInts(eptr.size());
  hg->eind = NewInts(eind.size());
  std::copy(hewgts.begin(), hewgts.end(), hg->hewgts);
  std::copy(eptr.begin(), eptr.end(), hg->eptr);
  std::copy(eind.begin(), eind.end(), hg->eind);

  // Large blocks weigh at most 1000 so that a few of them cannot dominate the
  // balance; fixed blocks count as small.
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next) {
    const int v = vertex(blk->id);
    if (v < 0 || v >= hg->nvtxs) continue;
    hg->vwgts[v] = blk->kind != 0 ? 1 : static_cast<int>(std::clamp(blk->area, 0.0, kMaxVertexWeight));
  }
  for (int v = 0; v < hg->nvtxs; ++v) hg->vwgts[v] = std::max(hg->vwgts[v], 1);
  return hg;
}

void FreeHyperGraph(tagHYPERGRAPH* hg) {
  if (!hg) return;
  delete[] hg->vwgts;
  delete[] hg->hewgts;
  delete[] hg->eptr;
  delete[] hg->eind;
  delete hg;
}
