// Speed of the full packing (CalCoords) against a plain O(n^2) longest-path
// packing of the same random dual sequences. Each timed call packs the next
// of several different sequences, as the optimisers do, so that repeating
// one sequence does not let the branch predictor learn it. Times are the
// thread's CPU time, so that other work on a shared machine counts as little
// as possible, and every operator new during the timed packings is counted.
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <numeric>
#include <random>
#include <vector>

#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace {

long allocations = 0;

}  // namespace

void* operator new(std::size_t size) {
  ++allocations;
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

double CpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

constexpr int kSequences = 16;

struct Design {
  Design(int count, std::mt19937& rng) : n(count), blocks(n + 1), blka(n + 1), seqs(kSequences) {
    std::uniform_real_distribution<double> size(1.0, 100.0);
    for (int i = 0; i <= n; ++i) {
      blocks[i].id = i;
      blocks[i].width = size(rng);
      blocks[i].height = size(rng);
      blka[i] = &blocks[i];
    }
    std::vector<int> a(n), b(n);
    for (tagDualSeq& seq : seqs) {
      DualSeqInit(&seq, n, 0);
      std::iota(a.begin(), a.end(), 1);
      std::iota(b.begin(), b.end(), 1);
      std::shuffle(a.begin(), a.end(), rng);
      std::shuffle(b.begin(), b.end(), rng);
      for (int k = 0; k < n; ++k) {
        seq.next_a[k ? a[k - 1] : 0] = a[k];
        seq.next_b[k ? b[k - 1] : 0] = b[k];
      }
      seq.next_a[a.back()] = seq.next_b[b.back()] = 0;
      RebuildPositions(&seq);
    }
    levels = std::make_unique<tagLevelList>();
    ClearLevelLists(levels.get());
    BinTreeInit(&tree_b, n);
    BinTreeInit(&tree_r, n);
    rest_b.assign(kLevelCap, 0);
    rest_r.assign(kLevelCap, 0);
    order.reserve(n);
    x.assign(n + 1, 0.0);
    y.assign(n + 1, 0.0);
  }

  void Pack(tagDualSeq& seq, double* height, double* width) {
    CalCoords(blka.data(), &seq, levels.get(), &tree_b, &tree_r, rest_b.data(), rest_r.data(), height, width);
  }

  // Every block is compared with every block before it in A.
  void PackNaively(const tagDualSeq& seq, double* height, double* width) {
    order.clear();
    for (int b = seq.next_a[0]; b != 0; b = seq.next_a[b]) order.push_back(b);
    *height = *width = 0.0;
    for (size_t i = 0; i < order.size(); ++i) {
      const int b = order[i];
      double bx = 0.0, by = 0.0;
      for (size_t j = 0; j < i; ++j) {
        const int c = order[j];
        if (seq.pos_b[c] < seq.pos_b[b])
          by = std::max(by, y[c] + blocks[c].height);
        else
          bx = std::max(bx, x[c] + blocks[c].width);
      }
      x[b] = bx;
      y[b] = by;
      *height = std::max(*height, by + blocks[b].height);
      *width = std::max(*width, bx + blocks[b].width);
    }
  }

  int n;
  std::vector<tagBLOCK> blocks;
  std::vector<tagBLOCK*> blka;
  std::vector<tagDualSeq> seqs;
  std::unique_ptr<tagLevelList> levels;
  tagBinTree tree_b, tree_r;
  std::vector<int> rest_b, rest_r, order;
  std::vector<double> x, y;
};

// CPU seconds per call of pack(k), k cycling over the sequences: the best
// of many rounds of about 10 ms each, so that rounds disturbed by other work
// on the machine do not count.
template <typename Pack>
double TimePerCall(Pack pack) {
  int repeats = kSequences;
  for (;;) {
    const double start = CpuSeconds();
    for (int r = 0; r < repeats; ++r) pack(r % kSequences);
    if (CpuSeconds() - start > 0.01) break;
    repeats *= 2;
  }
  double best = 1e300;
  for (int round = 0; round < 25; ++round) {
    const double start = CpuSeconds();
    for (int r = 0; r < repeats; ++r) pack(r % kSequences);
    best = std::min(best, (CpuSeconds() - start) / repeats);
  }
  return best;
}

}  // namespace

int main() {
  std::mt19937 rng(2024);
  InitTierState(1);
  const int sizes[] = {100, 300, 1000, 3300};
  double ratio_lo = 1e300, ratio_hi = 0.0, speedup_3300 = 0.0;
  long packing_allocations = 0;
  std::printf("%6s %14s %14s %18s %9s\n", "n", "CalCoords us", "naive us", "ns/(n log2 n)", "speed-up");
  for (int n : sizes) {
    Design design(n, rng);
    double h1, w1, h2, w2;
    for (tagDualSeq& seq : design.seqs) {
      design.Pack(seq, &h1, &w1);
      design.PackNaively(seq, &h2, &w2);
      if (std::fabs(h1 - h2) > 1e-9 * h2 || std::fabs(w1 - w2) > 1e-9 * w2) {
        std::printf("n = %d: packings disagree (%f x %f against %f x %f)\n", n, w1, h1, w2, h2);
        return 1;
      }
    }
    const long allocated_before = allocations;
    const double fast = TimePerCall([&](int k) { design.Pack(design.seqs[k], &h1, &w1); });
    packing_allocations += allocations - allocated_before;
    const double naive = TimePerCall([&](int k) { design.PackNaively(design.seqs[k], &h2, &w2); });
    const double ratio = fast * 1e9 / (n * std::log2(static_cast<double>(n)));
    if (n >= 300) {
      ratio_lo = std::min(ratio_lo, ratio);
      ratio_hi = std::max(ratio_hi, ratio);
    }
    if (n == 3300) speedup_3300 = naive / fast;
    std::printf("%6d %14.2f %14.2f %18.3f %8.1fx\n", n, fast * 1e6, naive * 1e6, ratio, naive / fast);
  }
  std::printf("time/(n log n) spread from n=300 to 3300: %.2fx (target within 2x)\n", ratio_hi / ratio_lo);
  std::printf("speed-up over the naive packing at n=3300: %.1fx (target at least 20x)\n", speedup_3300);
  std::printf("allocations during the timed packings: %ld (target 0)\n", packing_allocations);
  return 0;
}
