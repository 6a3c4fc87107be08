// fpcheck: checks a floorplan written by tierplan without trusting it.
//
//   fpcheck [--require-fit] base
//
// Reads base.blocks, base.nets, base.pl, base_final.pl and fl.prm from the
// current directory and reports missing, duplicated or unknown blocks, bad
// tier numbers and orientations, overlaps inside each tier, each tier's
// extent against the fixed outline, the half-perimeter wire length and the
// inter-tier via count. A design with soft blocks is checked with the shapes
// of base_final.blocks: each soft block's area and aspect range, to within
// half a unit of rounding on each side, and every hard block's size unchanged.
// Exit status: 0 legal, 1 illegal, 2 unreadable input.
// A tier that exceeds the outline is legal (the floorplanner may overflow)
// and is reported only, unless --require-fit makes it a failure.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

const size_t kMaxLineLength = 1 << 16;
const size_t kMaxLines = 1 << 22;
const int kMaxTiers = 9;
const int kListedPairs = 20;

struct Block {
  std::string name;
  long long w = 0, h = 0;
  double soft_area = 0, aspect_lo = 0, aspect_hi = 0;  // soft blocks only
  int placements = 0;
  long long x = 0, y = 0, pw = 0, ph = 0;  // placed corner and size after rotation
  int tier = 0;
};

struct Terminal {
  double x = 0, y = 0;
  double fx = 0, fy = 0;  // position as a fraction of the terminal extent
};

struct Pin {
  bool terminal;
  int index;
};

struct Design {
  std::vector<Block> blocks;
  std::vector<Terminal> terminals;
  std::map<std::string, int> block_index, terminal_index;
  std::vector<std::vector<Pin>> nets;
};

struct Settings {
  double sparearea = 20.0;
  double aspect_ratio = 1.0;
  int layers = 2;
};

[[noreturn]] void Fail(const std::string& message) {
  std::fprintf(stderr, "fpcheck: %s\n", message.c_str());
  std::exit(2);
}

// Reads a whole text file as lines, refusing absurdly long lines or files.
std::vector<std::string> ReadLines(const std::string& path) {
  std::ifstream in(path);
  if (!in) Fail("cannot open " + path);
  std::vector<std::string> lines;
  std::string line;
  while (std::getline(in, line)) {
    if (line.size() > kMaxLineLength)
      Fail(path + ": line " + std::to_string(lines.size() + 1) + " is too long");
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    if (lines.size() > kMaxLines) Fail(path + ": too many lines");
  }
  return lines;
}

std::vector<std::string> Words(const std::string& line) {
  std::istringstream in(line);
  std::vector<std::string> words;
  std::string w;
  while (in >> w) words.push_back(w);
  return words;
}

bool ParseDouble(const std::string& text, double* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtod(text.c_str(), &end);
  return *end == '\0' && std::isfinite(*value);
}

bool ParseInt(const std::string& text, long long* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtoll(text.c_str(), &end, 10);
  return *end == '\0';
}

std::string Where(const std::string& path, size_t line) {
  return path + ": line " + std::to_string(line + 1) + ": ";
}

// "name hardrectilinear 4 (x0, y0) (x1, y1) (x2, y2) (x3, y3)", corners from
// the lower-left one: width and height are the third corner minus the first.
bool ReadCorners(std::string line, long long* width, long long* height) {
  std::replace_if(
      line.begin(), line.end(), [](char c) { return c == '(' || c == ')' || c == ','; }, ' ');
  const std::vector<std::string> v = Words(line);
  long long c[8];
  bool ok = v.size() >= 11;
  for (int k = 0; ok && k < 8; ++k) ok = ParseInt(v[3 + k], &c[k]);
  if (!ok) return false;
  *width = std::llabs(c[4] - c[0]);
  *height = std::llabs(c[5] - c[1]);
  return true;
}

// A header line "Key : value" gives a count.
bool HeaderCount(const std::vector<std::string>& w, const char* key, long long* value) {
  return w.size() >= 3 && w[0] == key && w[1] == ":" && ParseInt(w[2], value);
}

void ReadBlocks(const std::string& path, Design* d) {
  std::vector<std::string> lines = ReadLines(path);
  long long declared_blocks = -1, declared_terminals = -1;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> w = Words(lines[i]);
    if (w.empty() || w[0][0] == '#') continue;
    long long count;
    if (HeaderCount(w, "NumSoftRectangularBlocks", &count) ||
        HeaderCount(w, "NumHardRectilinearBlocks", &count))
      declared_blocks = std::max(0LL, declared_blocks) + count;
    if (HeaderCount(w, "NumTerminals", &count)) declared_terminals = count;
    if (w.size() < 2) continue;
    if (w[1] == "hardrectilinear") {
      Block b;
      b.name = w[0];
      if (!ReadCorners(lines[i], &b.w, &b.h)) Fail(Where(path, i) + "cannot read the corners of " + w[0]);
      if (!d->block_index.emplace(b.name, (int)d->blocks.size()).second)
        Fail(Where(path, i) + "block " + b.name + " is declared twice");
      d->blocks.push_back(b);
    } else if (w[1] == "terminal") {
      if (!d->terminal_index.emplace(w[0], (int)d->terminals.size()).second)
        Fail(Where(path, i) + "terminal " + w[0] + " is declared twice");
      d->terminals.emplace_back();
    } else if (w[1] == "softrectangular") {
      Block b;
      b.name = w[0];
      if (w.size() < 5 || !ParseDouble(w[2], &b.soft_area) || !ParseDouble(w[3], &b.aspect_lo) ||
          !ParseDouble(w[4], &b.aspect_hi))
        Fail(Where(path, i) + "cannot read the area and aspect range of " + w[0]);
      if (!d->block_index.emplace(b.name, (int)d->blocks.size()).second)
        Fail(Where(path, i) + "block " + b.name + " is declared twice");
      d->blocks.push_back(b);
    }
  }
  if (declared_blocks != (long long)d->blocks.size())
    Fail(path + ": declares " + std::to_string(declared_blocks) + " blocks but lists " +
         std::to_string(d->blocks.size()));
  if (declared_terminals != (long long)d->terminals.size())
    Fail(path + ": declares " + std::to_string(declared_terminals) + " terminals but lists " +
         std::to_string(d->terminals.size()));
}

// Terminal positions become fractions of the largest x and y, as the
// floorplanner takes them; block lines are passed over.
void ReadTerminalPositions(const std::string& path, Design* d) {
  std::vector<std::string> lines = ReadLines(path);
  double max_x = 0, max_y = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> w = Words(lines[i]);
    if (w.size() < 3 || w[0][0] == '#') continue;
    auto t = d->terminal_index.find(w[0]);
    if (t == d->terminal_index.end()) continue;
    Terminal& term = d->terminals[t->second];
    if (!ParseDouble(w[1], &term.x) || !ParseDouble(w[2], &term.y))
      Fail(Where(path, i) + "bad position of " + w[0]);
    max_x = std::max(max_x, term.x);
    max_y = std::max(max_y, term.y);
  }
  for (Terminal& t : d->terminals) {
    t.fx = max_x > 0 ? t.x / max_x : 0.0;
    t.fy = max_y > 0 ? t.y / max_y : 0.0;
  }
}

void ReadNets(const std::string& path, Design* d) {
  std::vector<std::string> lines = ReadLines(path);
  long long declared = -1, remaining = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> w = Words(lines[i]);
    if (w.empty() || w[0][0] == '#') continue;
    long long count;
    if (HeaderCount(w, "NumNets", &count)) {
      declared = count;
    } else if (HeaderCount(w, "NetDegree", &count)) {
      if (remaining > 0) Fail(Where(path, i) + "the previous net has too few pins");
      d->nets.emplace_back();
      remaining = count;
    } else if (remaining > 0) {
      --remaining;
      auto t = d->terminal_index.find(w[0]);  // terminals win over blocks of the same name
      if (t != d->terminal_index.end()) {
        d->nets.back().push_back({true, t->second});
        continue;
      }
      auto b = d->block_index.find(w[0]);
      if (b == d->block_index.end()) {
        std::fprintf(stderr, "fpcheck: %sunknown pin %s left out\n", Where(path, i).c_str(), w[0].c_str());
        continue;
      }
      d->nets.back().push_back({false, b->second});
    }
  }
  if (remaining > 0) Fail(path + ": the last net has too few pins");
  if (declared != (long long)d->nets.size())
    Fail(path + ": declares " + std::to_string(declared) + " nets but lists " +
         std::to_string(d->nets.size()));
}

// The keywords of fl.prm that fix the outline; the last occurrence wins.
Settings ReadSettings(const std::string& path) {
  Settings s;
  std::vector<std::string> lines = ReadLines(path);
  std::vector<std::string> words;
  for (const std::string& line : lines) {
    size_t first = line.find_first_not_of(" \t");
    if (first != std::string::npos && line[first] == '*') continue;
    for (std::string& w : Words(line)) words.push_back(w);
  }
  for (size_t i = 0; i + 1 < words.size() && words[i] != "end"; i += 2) {
    long long v;
    if (!ParseInt(words[i + 1], &v)) v = 0;
    if (words[i] == "sparearea") s.sparearea = (double)v;
    if (words[i] == "aspect_ratio") s.aspect_ratio = static_cast<double>(v) / 100.0;
    if (words[i] == "layers") s.layers = (int)v;
  }
  if (s.layers < 1 || s.layers > kMaxTiers) Fail(path + ": layers must be 1 to 9");
  if (s.aspect_ratio <= 0) Fail(path + ": aspect_ratio must be positive");
  return s;
}

struct Findings {
  int missing = 0, duplicated = 0, unknown = 0, bad_tier = 0, bad_orient = 0, negative = 0, bad_shape = 0;
  long long overlap_pairs = 0;
  long long overlap_area = 0;
  bool exceeds = false;
  int illegal() const {
    return missing + duplicated + unknown + bad_tier + bad_orient + negative + bad_shape +
           (overlap_pairs > 0);
  }
};

// The shapes a run gave its blocks, from base_final.blocks when the design
// has soft blocks: a soft block's area may fall short of its own by rounding
// only (half a unit on each side), and its height over width lies in its
// range as far as half a unit of rounding reaches; hard blocks keep their size.
void ReadFinalShapes(const std::string& path, Design* d, Findings* f) {
  bool soft = false;
  for (const Block& b : d->blocks) soft = soft || b.soft_area > 0;
  if (!soft) return;
  std::vector<std::string> lines = ReadLines(path);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> w = Words(lines[i]);
    if (w.size() < 2 || w[1] != "hardrectilinear") continue;
    auto it = d->block_index.find(w[0]);
    if (it == d->block_index.end()) Fail(Where(path, i) + "unknown block " + w[0]);
    long long width, height;
    if (!ReadCorners(lines[i], &width, &height) || width <= 0 || height <= 0)
      Fail(Where(path, i) + "cannot read the shape of " + w[0]);
    Block& b = d->blocks[it->second];
    const double area = static_cast<double>(width * height), wd = static_cast<double>(width),
                 hd = static_cast<double>(height);
    const bool kept = b.soft_area > 0
                          ? area >= b.soft_area - (wd + hd) / 2 && (hd + 0.5) / (wd - 0.5) >= b.aspect_lo &&
                                (hd - 0.5) / (wd + 0.5) <= b.aspect_hi
                          : width == b.w && height == b.h;
    if (!kept) {
      std::printf("block %s got %lld x %lld, outside its %s\n", b.name.c_str(), width, height,
                  b.soft_area > 0 ? "area and aspect range" : "size");
      ++f->bad_shape;
    }
    b.w = width;
    b.h = height;
  }
  for (const Block& b : d->blocks)
    if (b.w == 0) Fail(path + ": gives no shape of " + b.name);
}

void ReadPlacement(const std::string& path, const Settings& s, Design* d, Findings* f) {
  std::vector<std::string> lines = ReadLines(path);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::vector<std::string> w = Words(lines[i]);
    if (w.empty() || w[0][0] == '#' || (i == 0 && w[0] == "UCSC")) continue;
    long long x, y, orient, tier;
    if (w.size() < 5 || !ParseInt(w[1], &x) || !ParseInt(w[2], &y) || !ParseInt(w[3], &orient) ||
        !ParseInt(w[4], &tier))
      Fail(Where(path, i) + "expected: name x y orientation tier");
    auto it = d->block_index.find(w[0]);
    if (it == d->block_index.end()) {
      std::printf("unknown block %s\n", w[0].c_str());
      ++f->unknown;
      continue;
    }
    Block& b = d->blocks[it->second];
    if (++b.placements > 1) {
      std::printf("duplicated block %s\n", b.name.c_str());
      ++f->duplicated;
      continue;
    }
    if (orient < 0 || orient > 7) {
      std::printf("block %s has orientation %lld (0 to 7 expected)\n", b.name.c_str(), orient);
      ++f->bad_orient;
    }
    if (tier < 0 || tier >= s.layers) {
      std::printf("block %s is on tier %lld (0 to %d expected)\n", b.name.c_str(), tier, s.layers - 1);
      ++f->bad_tier;
      tier = std::clamp(tier, 0LL, (long long)s.layers - 1);  // keeps the later checks in range
    }
    if (x < 0 || y < 0) {
      std::printf("block %s lies below or left of the origin at (%lld, %lld)\n", b.name.c_str(), x, y);
      ++f->negative;
    }
    b.x = x;
    b.y = y;
    b.tier = (int)tier;
    bool turned = orient % 2 != 0;  // odd codes turn the block by 90 degrees
    b.pw = turned ? b.h : b.w;
    b.ph = turned ? b.w : b.h;
  }
  for (const Block& b : d->blocks) {
    if (b.placements == 0) {
      std::printf("missing block %s\n", b.name.c_str());
      ++f->missing;
    }
  }
}

// Overlapping pairs inside each tier by a sweep over x; touching edges are legal.
void CheckOverlaps(const Design& d, Findings* f) {
  std::vector<const Block*> placed;
  for (const Block& b : d.blocks)
    if (b.placements > 0) placed.push_back(&b);
  std::sort(placed.begin(), placed.end(), [](const Block* a, const Block* b) { return a->x < b->x; });
  for (size_t i = 0; i < placed.size(); ++i) {
    const Block& a = *placed[i];
    for (size_t j = i + 1; j < placed.size() && placed[j]->x < a.x + a.pw; ++j) {
      const Block& b = *placed[j];
      if (b.tier != a.tier) continue;
      long long ow = std::min(a.x + a.pw, b.x + b.pw) - std::max(a.x, b.x);
      long long oh = std::min(a.y + a.ph, b.y + b.ph) - std::max(a.y, b.y);
      if (ow <= 0 || oh <= 0) continue;
      if (f->overlap_pairs < kListedPairs)
        std::printf("overlap on tier %d: %s and %s, area %lld\n", a.tier, a.name.c_str(), b.name.c_str(),
                    ow * oh);
      ++f->overlap_pairs;
      f->overlap_area += ow * oh;
    }
  }
  std::printf("overlaps: %lld pairs, area %lld\n", f->overlap_pairs, f->overlap_area);
}

// The fixed outline of one tier: the blocks' area (a soft block's as given,
// not as its shape rounds it) plus the spare area, shared evenly by the
// tiers, shaped by the aspect ratio (width / height).
void CheckOutline(const Design& d, const Settings& s, Findings* f) {
  double area = 0;
  for (const Block& b : d.blocks)
    area += b.soft_area > 0 ? b.soft_area : static_cast<double>(b.w) * static_cast<double>(b.h);
  double core = (1.0 + s.sparearea / 100.0) * area;
  double width = std::sqrt(core / s.layers * s.aspect_ratio);
  double height = std::sqrt(core / s.layers / s.aspect_ratio);
  std::printf("outline: %.2f x %.2f per tier (sparearea %g, aspect_ratio %.2f, layers %d)\n", width, height,
              s.sparearea, s.aspect_ratio, s.layers);
  for (int t = 0; t < s.layers; ++t) {
    long long ex = 0, ey = 0;
    int count = 0;
    for (const Block& b : d.blocks) {
      if (b.placements == 0 || b.tier != t) continue;
      ++count;
      ex = std::max(ex, b.x + b.pw);
      ey = std::max(ey, b.y + b.ph);
    }
    std::printf("tier %d: %d blocks, extent %lld x %lld", t, count, ex, ey);
    const double over_w = static_cast<double>(ex) - width, over_h = static_cast<double>(ey) - height;
    if (over_w <= 0 && over_h <= 0) {
      std::printf(", fits\n");
    } else {
      std::printf(", exceeds the outline by %.2f x %.2f\n", std::max(0.0, over_w), std::max(0.0, over_h));
      f->exceeds = true;
    }
  }
}

// Wire length with block pins at block centres and terminals at their
// fractions of the final chip extent; vias: a net spanning tiers lo..hi needs
// hi - lo of them, terminals being on tier 0.
void ReportNets(const Design& d) {
  long long chip_w = 0, chip_h = 0;
  for (const Block& b : d.blocks) {
    if (b.placements == 0) continue;
    chip_w = std::max(chip_w, b.x + b.pw);
    chip_h = std::max(chip_h, b.y + b.ph);
  }
  double hpwl = 0;
  long long vias = 0;
  for (const std::vector<Pin>& net : d.nets) {
    double xl = HUGE_VAL, xh = -HUGE_VAL, yl = HUGE_VAL, yh = -HUGE_VAL;
    int lo = kMaxTiers, hi = -1;
    for (const Pin& p : net) {
      double x, y;
      int tier = 0;
      if (p.terminal) {
        x = d.terminals[p.index].fx * static_cast<double>(chip_w);
        y = d.terminals[p.index].fy * static_cast<double>(chip_h);
      } else {
        const Block& b = d.blocks[p.index];
        if (b.placements == 0) continue;
        x = static_cast<double>(b.x) + static_cast<double>(b.pw) / 2.0;
        y = static_cast<double>(b.y) + static_cast<double>(b.ph) / 2.0;
        tier = b.tier;
      }
      xl = std::min(xl, x), xh = std::max(xh, x), yl = std::min(yl, y), yh = std::max(yh, y);
      lo = std::min(lo, tier), hi = std::max(hi, tier);
    }
    if (hi < 0) continue;
    hpwl += (xh - xl) + (yh - yl);
    vias += hi - lo;
  }
  std::printf("chip: %lld x %lld\n", chip_w, chip_h);
  std::printf("hpwl: %.2f\n", hpwl);
  std::printf("vias: %lld\n", vias);
}

}  // namespace

int main(int argc, char** argv) {
  bool require_fit = false;
  std::string base;
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    if (arg == "--require-fit") {
      require_fit = true;
    } else if (!arg.empty() && arg[0] != '-' && base.empty()) {
      base = arg;
    } else {
      base.clear();
      break;
    }
  }
  if (base.empty()) {
    std::fprintf(stderr, "usage: fpcheck [--require-fit] base\n");
    return 2;
  }
  Design d;
  ReadBlocks(base + ".blocks", &d);
  ReadTerminalPositions(base + ".pl", &d);
  ReadNets(base + ".nets", &d);
  Settings s = ReadSettings("fl.prm");
  Findings f;
  std::printf("fpcheck %s: %zu blocks, %zu terminals, %zu nets, %d tiers\n", base.c_str(), d.blocks.size(),
              d.terminals.size(), d.nets.size(), s.layers);
  ReadFinalShapes(base + "_final.blocks", &d, &f);
  ReadPlacement(base + "_final.pl", s, &d, &f);
  CheckOverlaps(d, &f);
  CheckOutline(d, s, &f);
  ReportNets(d);
  if (f.illegal()) {
    std::printf(
        "result: illegal (%d missing, %d duplicated, %d unknown, %d bad tiers, %d bad orientations, "
        "%d below the origin, %d bad shapes, %lld overlaps)\n",
        f.missing, f.duplicated, f.unknown, f.bad_tier, f.bad_orient, f.negative, f.bad_shape,
        f.overlap_pairs);
    return 1;
  }
  if (f.exceeds && require_fit) {
    std::printf("result: illegal (exceeds the outline, --require-fit)\n");
    return 1;
  }
  std::printf(f.exceeds ? "result: legal, exceeds the outline (reported only)\n" : "result: legal\n");
  return 0;
}
