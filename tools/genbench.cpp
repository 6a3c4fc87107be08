// genbench: writes a synthetic bookshelf benchmark (base.blocks, base.nets,
// base.pl) in the flavour of the GSRC n-series.
//
//   genbench [--seed S] [--degrees D:W,...] [--long P] base blocks terminals nets
//
// Hard blocks get sides between s and 4s, s shrinking with the block count so
// that the chip stays about the same size; terminals sit evenly around a square
// outline; each net draws its degree from the weighted list (default
// 2:70,3:22,4:6,5:1,6:1), starts at a terminal (the first `terminals` nets,
// one per terminal) or at a block (taken in turn, so every block gets a net),
// and takes its other blocks from a neighbourhood of that start on a virtual
// grid, or, for P percent of the nets (default 10), from anywhere.
// The same arguments always write the same files: the generator is
// std::mt19937 with every draw mapped by this program, not by a library
// distribution.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

const int kMaxBlocks = 3300;
const long kMaxTerminals = 100000;
const long kMaxNets = 1000000;
const int kMaxDegree = 1000;
const int kNeighbourhood = 2;  // grid cells around the start of a local net
const int kLocalTries = 40;

struct Options {
  unsigned long seed = 1;
  std::vector<std::pair<int, long>> degrees{{2, 70}, {3, 22}, {4, 6}, {5, 1}, {6, 1}};
  long long_percent = 10;
  std::string base;
  long blocks = 0, terminals = 0, nets = 0;
};

class Random {
 public:
  explicit Random(unsigned long seed) : mt_((std::uint32_t)seed) {}
  // 0 .. k - 1 by multiply and shift, the same on every platform.
  long Below(long k) { return (long)(((std::uint64_t)mt_() * (std::uint64_t)k) >> 32); }

 private:
  std::mt19937 mt_;
};

[[noreturn]] void Usage(const char* why) {
  std::fprintf(
      stderr,
      "genbench: %s\nusage: genbench [--seed S] [--degrees D:W,...] [--long P] base blocks terminals nets\n",
      why);
  std::exit(2);
}

bool ParseLong(const char* text, long lo, long hi, long* value) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || v < lo || v > hi) return false;
  *value = v;
  return true;
}

std::vector<std::pair<int, long>> ParseDegrees(const std::string& text) {
  std::vector<std::pair<int, long>> list;
  long total = 0;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    std::string item = text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
    size_t colon = item.find(':');
    long degree, weight;
    if (colon == std::string::npos || !ParseLong(item.substr(0, colon).c_str(), 2, kMaxDegree, &degree) ||
        !ParseLong(item.substr(colon + 1).c_str(), 0, 1000000, &weight))
      Usage("--degrees takes degree:weight pairs, degrees 2 to 1000");
    list.emplace_back((int)degree, weight);
    total += weight;
    if (comma == std::string::npos) break;
    start = comma + 1;
  }
  if (total <= 0) Usage("--degrees needs a positive weight");
  return list;
}

Options ParseOptions(int argc, char** argv) {
  Options o;
  std::vector<const char*> plain;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    bool has_value = i + 1 < argc;
    long v;
    if (arg == "--seed" && has_value) {
      if (!ParseLong(argv[++i], 0, 4294967295L, &v)) Usage("--seed takes 0 to 4294967295");
      o.seed = (unsigned long)v;
    } else if (arg == "--degrees" && has_value) {
      o.degrees = ParseDegrees(argv[++i]);
    } else if (arg == "--long" && has_value) {
      if (!ParseLong(argv[++i], 0, 100, &o.long_percent)) Usage("--long takes a percentage");
    } else if (arg.size() > 1 && arg[0] == '-' && !std::isdigit((unsigned char)arg[1])) {
      Usage("unknown option");
    } else {
      plain.push_back(argv[i]);
    }
  }
  if (plain.size() != 4) Usage("four arguments expected");
  o.base = plain[0];
  if (o.base.empty() || o.base.size() > 31) Usage("the base name takes 1 to 31 characters");
  if (!ParseLong(plain[1], 1, kMaxBlocks, &o.blocks)) Usage("blocks: 1 to 3300");
  if (!ParseLong(plain[2], 0, kMaxTerminals, &o.terminals)) Usage("terminals: 0 to 100000");
  if (!ParseLong(plain[3], 0, kMaxNets, &o.nets)) Usage("nets: 0 to 1000000");
  return o;
}

struct Bench {
  std::vector<long> w, h;
  std::vector<long> tx, ty;      // terminal positions on the outline
  std::vector<long> cell_block;  // virtual grid: the block in each cell, or -1
  std::vector<long> block_cell;
  long grid = 1;
  std::vector<std::vector<long>> nets;  // pins: blocks 0..n-1, terminals n..n+t-1
  long outline = 0;
};

void MakeBlocks(const Options& o, Random& rnd, Bench* b) {
  long s = std::max(4L, std::lround(200.0 / std::sqrt((double)o.blocks)));
  double area = 0;
  for (long i = 0; i < o.blocks; ++i) {
    b->w.push_back(s + rnd.Below(3 * s + 1));
    b->h.push_back(s + rnd.Below(3 * s + 1));
    area += static_cast<double>(b->w.back()) * static_cast<double>(b->h.back());
  }
  b->outline = std::max(1L, std::lround(std::sqrt(1.2 * area)));
  // Blocks in random order on a square grid of cells; neighbours on the
  // grid are the "nearby" blocks of local nets.
  b->grid = (long)std::ceil(std::sqrt((double)o.blocks));
  std::vector<long> order(o.blocks);
  for (long i = 0; i < o.blocks; ++i) order[i] = i;
  for (long i = o.blocks - 1; i > 0; --i) std::swap(order[i], order[rnd.Below(i + 1)]);
  b->cell_block.assign(b->grid * b->grid, -1);
  b->block_cell.resize(o.blocks);
  for (long i = 0; i < o.blocks; ++i) {
    b->cell_block[i] = order[i];
    b->block_cell[order[i]] = i;
  }
}

// Terminals evenly around the outline, counter-clockwise from the origin.
void MakeTerminals(const Options& o, Bench* b) {
  long side = b->outline;
  for (long k = 0; k < o.terminals; ++k) {
    long d = static_cast<long>(static_cast<double>(k) * 4 * static_cast<double>(side) /
                               static_cast<double>(o.terminals));
    long x, y;
    if (d < side)
      x = d, y = 0;
    else if (d < 2 * side)
      x = side, y = d - side;
    else if (d < 3 * side)
      x = 3 * side - d, y = side;
    else
      x = 0, y = 4 * side - d;
    b->tx.push_back(x);
    b->ty.push_back(y);
  }
}

int DrawDegree(const Options& o, Random& rnd) {
  long total = 0;
  for (auto& d : o.degrees) total += d.second;
  long r = rnd.Below(total);
  for (auto& d : o.degrees) {
    if (r < d.second) return d.first;
    r -= d.second;
  }
  return o.degrees.back().first;
}

void MakeNets(const Options& o, Random& rnd, Bench* b) {
  long n = o.blocks, g = b->grid;
  for (long j = 0; j < o.nets; ++j) {
    int degree = DrawDegree(o, rnd);
    std::vector<long> pins;
    long cx, cy;  // grid cell at the start of the net
    if (j < o.terminals) {
      pins.push_back(n + j);
      cx = std::min(g - 1, b->tx[j] * g / std::max(1L, b->outline));
      cy = std::min(g - 1, b->ty[j] * g / std::max(1L, b->outline));
    } else {
      long start = b->cell_block[(j - o.terminals) % n];
      pins.push_back(start);
      cx = b->block_cell[start] % g;
      cy = b->block_cell[start] / g;
    }
    bool spread = rnd.Below(100) < o.long_percent;
    long wanted = std::min<long>(degree, n + (j < o.terminals ? 1 : 0));
    while ((long)pins.size() < wanted) {
      long pick = -1;
      for (int tries = 0; !spread && pick < 0 && tries < kLocalTries; ++tries) {
        long x = cx + rnd.Below(2 * kNeighbourhood + 1) - kNeighbourhood;
        long y = cy + rnd.Below(2 * kNeighbourhood + 1) - kNeighbourhood;
        if (x < 0 || y < 0 || x >= g || y >= g) continue;
        long c = b->cell_block[y * g + x];
        if (c >= 0 && std::find(pins.begin(), pins.end(), c) == pins.end()) pick = c;
      }
      while (pick < 0) {
        long c = rnd.Below(n);
        if (std::find(pins.begin(), pins.end(), c) == pins.end()) pick = c;
      }
      pins.push_back(pick);
    }
    // A lone block with no partner among the blocks takes a terminal.
    if (pins.size() == 1 && pins[0] < n && o.terminals > 0) pins.push_back(n + rnd.Below(o.terminals));
    b->nets.push_back(pins);
  }
}

FILE* Create(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "w");
  if (!f) {
    std::fprintf(stderr, "genbench: cannot write %s\n", path.c_str());
    std::exit(1);
  }
  return f;
}

void Close(FILE* f, const std::string& path) {
  if (std::ferror(f) || std::fclose(f) != 0) {
    std::fprintf(stderr, "genbench: error writing %s\n", path.c_str());
    std::exit(1);
  }
}

void WriteFiles(const Options& o, const Bench& b) {
  char created[160];
  std::snprintf(created, sizeof created,
                "# Created by genbench: %ld blocks, %ld terminals, %ld nets, seed %lu\n", o.blocks,
                o.terminals, o.nets, o.seed);
  std::string path = o.base + ".blocks";
  FILE* f = Create(path);
  std::fprintf(f,
               "UCSC blocks 1.0\n%s\nNumSoftRectangularBlocks : 0\nNumHardRectilinearBlocks : "
               "%ld\nNumTerminals : %ld\n\n",
               created, o.blocks, o.terminals);
  for (long i = 0; i < o.blocks; ++i)
    std::fprintf(f, "sb%ld hardrectilinear 4 (0, 0) (0, %ld) (%ld, %ld) (%ld, 0)\n", i, b.h[i], b.w[i],
                 b.h[i], b.w[i]);
  std::fprintf(f, "\n");
  for (long k = 0; k < o.terminals; ++k) std::fprintf(f, "p%ld terminal\n", k + 1);
  Close(f, path);

  path = o.base + ".pl";
  f = Create(path);
  std::fprintf(f, "UCLA pl 1.0\n%s\n", created);
  for (long i = 0; i < o.blocks; ++i) std::fprintf(f, "sb%ld\t0\t0\n", i);
  std::fprintf(f, "\n");
  for (long k = 0; k < o.terminals; ++k) std::fprintf(f, "p%ld\t%ld\t%ld\n", k + 1, b.tx[k], b.ty[k]);
  Close(f, path);

  path = o.base + ".nets";
  f = Create(path);
  long pins = 0;
  for (auto& net : b.nets) pins += (long)net.size();
  std::fprintf(f, "UCLA nets 1.0\n%s\nNumNets : %ld\nNumPins : %ld\n", created, o.nets, pins);
  for (auto& net : b.nets) {
    std::fprintf(f, "NetDegree : %zu\n", net.size());
    for (long p : net) {
      if (p < o.blocks)
        std::fprintf(f, "sb%ld B\n", p);
      else
        std::fprintf(f, "p%ld B\n", p - o.blocks + 1);
    }
  }
  Close(f, path);
}

}  // namespace

int main(int argc, char** argv) {
  Options o = ParseOptions(argc, argv);
  Random rnd(o.seed);
  Bench b;
  MakeBlocks(o, rnd, &b);
  MakeTerminals(o, &b);
  MakeNets(o, rnd, &b);
  WriteFiles(o, b);
  return 0;
}
