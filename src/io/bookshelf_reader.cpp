// Reader of GSRC bookshelf benchmarks: base.blocks (blocks and terminal
// names), base.pl (terminal positions) and base.nets (nets). Hard blocks
// ("hardrectilinear") and soft ones ("softrectangular AREA MIN MAX": a fixed
// area, height over width from MIN to MAX) come in any mix; a soft block
// starts as the square in whole units, or as near to it as its range allows. In the .pl
// file the terminal positions may follow the block positions straight on and
// may be fractional.
//
// Records are numbered downward while being pushed at the list heads, so the
// block, class, terminal and net lists end up in ascending number order.
// Line ends may be LF or CRLF, fields may be separated by blanks or tabs, and
// a line of white space only counts as empty. Inside the block, terminal,
// position and pin lists, comment lines ("#" first) and empty lines are passed
// over. Every read is bounded: the tail of a line beyond 1023 characters is
// dropped. Input the floorplanner cannot use stops the run (status 255) with
// a message naming the file, and the line where there is one: a file that
// ends early, a count out of range, more than kMaxBlocks blocks, a malformed
// block or position line, a block without positive width and height, a soft
// block without a positive area or a range of positive aspects, a number
// that does not fit in an int (nor may the sums of the block widths
// and heights), a pin offset beyond +-1e6 percent, a name longer than 63
// characters, or a block or terminal name given twice.
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>

#include "driver/utilities.h"
#include "io/io.h"

namespace {

constexpr int kLineSize = 1024;
constexpr int kNameSize = 64;  // names up to 63 characters
constexpr char kSpaces[] = " \t\r\n\v\f";
constexpr float kMaxPinOffset = 1e6f;
// A soft block's area at most: its square's side then fits in an int.
constexpr double kMaxSoftArea = 1e18;

// Input the floorplanner cannot use ends the run with this status (255).
constexpr int kUnusable = -1;

// One input file read line by line. line_buffer holds the current line
// without its line end (LF, CRLF, or any trailing CRs); the tail of a line
// longer than 1023 characters is dropped, so it never reads as a new line.
struct LineReader {
  FILE* file;
  const char* path;
  int line_no;
  char line_buffer[kLineSize];
};

// The current line, for a refusal.
InputPosition AtLine(const LineReader& in) { return {in.path, in.line_no}; }
// The file as a whole, for a refusal of what it lacks.
InputPosition AtFile(const LineReader& in) { return {in.path}; }

bool ReadLine(LineReader& in) {
  int c = std::getc(in.file);
  if (c == EOF) return false;
  size_t len = 0;
  while (c != EOF && c != '\n') {
    if (len < sizeof in.line_buffer - 1) in.line_buffer[len++] = static_cast<char>(c);
    c = std::getc(in.file);
  }
  while (len > 0 && in.line_buffer[len - 1] == '\r') --len;
  in.line_buffer[len] = '\0';
  ++in.line_no;
  return true;
}

bool IsBlank(const char* line) { return line[std::strspn(line, kSpaces)] == '\0'; }

// Reads the next line that holds a record: comment lines ("#" first) and
// blank lines are passed over. False at the end of the file.
bool ReadRecordLine(LineReader& in) {
  while (ReadLine(in))
    if (in.line_buffer[0] != '#' && !IsBlank(in.line_buffer)) return true;
  return false;
}

// Consumes lines up to and including the first blank one.
bool SkipPastEmptyLine(LineReader& in) {
  while (ReadLine(in))
    if (IsBlank(in.line_buffer)) return true;
  return false;
}

bool FirstWordIs(const char* line, const char* word) {
  const char* start = line + std::strspn(line, kSpaces);
  size_t len = std::strcspn(start, kSpaces);
  return len == std::strlen(word) && std::strncmp(start, word, len) == 0;
}

// Reads lines until one whose first word is `keyword`.
bool FindKeyword(LineReader& in, const char* keyword) {
  while (ReadLine(in))
    if (FirstWordIs(in.line_buffer, keyword)) return true;
  return false;
}

void RequireKeyword(LineReader& in, const char* keyword) {
  if (!FindKeyword(in, keyword))
    Refuse(AtFile(in), kUnusable, "Error: the file ends before the \"%s\" line.", keyword);
}

// Field scanning on the current line. Integers must fit in an int: a longer
// number ends the run rather than wrapping.
void SkipBlanks(const char*& p) { p += std::strspn(p, kSpaces); }

void SkipWord(const char*& p) {
  SkipBlanks(p);
  p += std::strcspn(p, kSpaces);
}

bool TakeChar(const char*& p, char c) {
  SkipBlanks(p);
  if (*p != c) return false;
  ++p;
  return true;
}

bool TakeInt(const LineReader& in, const char*& p, int* value) {
  SkipBlanks(p);
  if (!std::isdigit(static_cast<unsigned char>(p[*p == '-' || *p == '+' ? 1 : 0]))) return false;
  errno = 0;
  char* end;
  const long long v = std::strtoll(p, &end, 10);
  if (errno == ERANGE || v < INT_MIN || v > INT_MAX)
    Refuse(AtLine(in), kUnusable, "Error: the number %.*s does not fit in an int.",
           static_cast<int>(std::min<size_t>(end - p, 40)), p);
  p = end;
  *value = static_cast<int>(v);
  return true;
}

// A decimal number that fits a double and is finite ("90", "0.33", "1e3").
bool TakeNumber(const LineReader& in, const char*& p, double* value) {
  SkipBlanks(p);
  char* end;
  const double v = std::strtod(p, &end);
  if (end == p) return false;
  if (!std::isfinite(v))
    Refuse(AtLine(in), kUnusable, "Error: the number %.*s is not finite.",
           static_cast<int>(std::min<size_t>(end - p, 40)), p);
  p = end;
  *value = v;
  return true;
}

// The number of a "keyword : number" line.
int ParseCount(const LineReader& in, const char* keyword, int minimum) {
  const char* p = in.line_buffer;
  SkipWord(p);
  int value;
  if (!TakeChar(p, ':') || !TakeInt(in, p, &value) || value < minimum)
    Refuse(AtLine(in), kUnusable, "Error: \"%s :\" must be followed by a number of at least %d.", keyword,
           minimum);
  return value;
}

void RequireEmptyLine(LineReader& in, const char* where) {
  if (!SkipPastEmptyLine(in))
    Refuse(AtFile(in), kUnusable, "Error: the file ends before the empty line %s.", where);
}

// Copies the first word of the current line into name (kNameSize bytes).
void ReadName(const LineReader& in, char* name) {
  const char* start = in.line_buffer + std::strspn(in.line_buffer, kSpaces);
  size_t len = std::strcspn(start, kSpaces);
  if (len >= static_cast<size_t>(kNameSize))
    Refuse(AtLine(in), kUnusable, "Error: name longer than %d characters.", kNameSize - 1);
  std::memcpy(name, start, len);
  name[len] = '\0';
}

struct NameIndex {
  std::unordered_map<std::string, tagPIN*> terminals;
  std::unordered_map<std::string, tagBLOCK*> blocks;
};

FilePtr OpenForRead(const std::string& path) { return FilePtr(std::fopen(path.c_str(), "r")); }

// A block line's size: a hard block's rectangle, or a soft block's area and
// aspect range with the shape it starts in.
struct BlockShape {
  double width, height;
  double soft_area = 0, aspect_lo = 0, aspect_hi = 0;
};

// "name hardrectilinear 4 (x0, y0) (x1, y1) (x2, y2) (x3, y3)" or
// "name softrectangular area min max", max and min bounding height / width.
BlockShape ReadShape(const LineReader& in, const char* name) {
  const char* p = in.line_buffer;
  SkipWord(p);
  SkipBlanks(p);
  BlockShape shape;
  if (FirstWordIs(p, "softrectangular")) {
    SkipWord(p);
    double area, lo, hi;
    if (!TakeNumber(in, p, &area) || !TakeNumber(in, p, &lo) || !TakeNumber(in, p, &hi))
      Refuse(AtLine(in), kUnusable, "Error: malformed soft block line.");
    if (!(area > 0 && area <= kMaxSoftArea && lo > 0 && lo <= hi))
      Refuse(AtLine(in), kUnusable,
             "Error: soft block %s has area %g and aspect range %g to %g; the area must lie in (0, %g], the "
             "range start above 0 and not past its end.",
             name, area, lo, hi, kMaxSoftArea);
    // Whole units, as every size of the format: the width nearest the
    // square's (or the nearest shape the range allows), the height that
    // then holds the area.
    const double width = std::max(1.0, std::round(std::sqrt(area / std::clamp(1.0, lo, hi))));
    shape = {width, std::ceil(area / width), area, lo, hi};
    return shape;
  }
  int vertices, x[4], y[4];
  SkipWord(p);
  bool ok = TakeInt(in, p, &vertices);
  for (int k = 0; k < 4 && ok; ++k)
    ok = TakeChar(p, '(') && TakeInt(in, p, &x[k]) && TakeChar(p, ',') && TakeInt(in, p, &y[k]) &&
         TakeChar(p, ')');
  if (!ok) Refuse(AtLine(in), kUnusable, "Error: malformed block line.");
  // The corners start at the lower-left one and go round the block.
  const long long width = static_cast<long long>(x[2]) - x[0];
  const long long height = static_cast<long long>(y[2]) - y[0];
  if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX)
    Refuse(AtLine(in), kUnusable,
           "Error: block %s has width %lld and height %lld; both must be positive and fit in an int.", name,
           width, height);
  shape.width = static_cast<double>(width);
  shape.height = static_cast<double>(height);
  return shape;
}

void read_blocks(LineReader& in, tagBLOCK* design, tagBLOCKCLASS* root, int count, const tagNORMPARA* norm,
                 NameIndex& names) {
  // The blocks side by side must still measure in ints, or no packing of
  // them can be held.
  long long width_sum = 0, height_sum = 0;
  for (int i = 0; i < count; ++i) {
    if (!ReadRecordLine(in)) {
      DclError("Error: Unexpected end of file.");
      Refuse(AtFile(in), kUnusable, "Error: the file ends after %d of %d blocks.", i, count);
    }
    char name[kNameSize];
    ReadName(in, name);
    const BlockShape shape = ReadShape(in, name);
    if (names.blocks.count(name)) Refuse(AtLine(in), kUnusable, "Error: duplicate block name %s.", name);
    width_sum += static_cast<long long>(std::ceil(shape.width));
    height_sum += static_cast<long long>(std::ceil(shape.height));
    if (width_sum > INT_MAX || height_sum > INT_MAX)
      Refuse(AtLine(in), kUnusable,
             "Error: the block widths add up to %lld and the heights to %lld; each sum must fit in an int.",
             width_sum, height_sum);

    tagBLOCK* blk = NewBlk();
    names.blocks.emplace(name, blk);
    tagBLOCKCLASS* cls = NewBlkc();
    cls->id = count - i;
    cls->type = 2;
    cls->width = shape.width * norm->scale;
    cls->height = shape.height * norm->scale;
    cls->soft_area = shape.soft_area * norm->scale * norm->scale;
    cls->aspect_lo = shape.aspect_lo;
    cls->aspect_hi = shape.aspect_hi;
    cls->next = root->classes;
    root->classes = cls;

    blk->name = CopyName(name);
    blk->type = 2;
    blk->kind = 0;
    blk->id = count - i;
    blk->blkclass = cls;
    blk->parent = design;
    // A soft block's area is the one given, not its start shape's.
    blk->area = shape.soft_area > 0 ? cls->soft_area : cls->width * cls->height;
    blk->next = design->children;
    design->children = blk;
  }
}

void read_terminals(LineReader& in, tagBLOCK* design, tagBLOCKCLASS* root, int count, NameIndex& names) {
  for (int i = 0; i < count; ++i) {
    if (!ReadRecordLine(in)) {
      DclError("Error: Unexpected end of file!");
      Refuse(AtFile(in), kUnusable, "Error: the file ends after %d of %d terminals.", i, count);
    }
    char name[kNameSize];
    ReadName(in, name);
    if (names.terminals.count(name))
      Refuse(AtLine(in), kUnusable, "Error: duplicate terminal name %s.", name);
    tagPIN* term = NewPin();
    names.terminals.emplace(name, term);
    tagPINCLASS* pc = NewPinc();
    pc->id = count - i;
    pc->next = root->pinclasses;
    root->pinclasses = pc;

    term->id = count - i;
    term->name = CopyName(name);
    term->pinclass = pc;
    term->owner = design;
    term->next = design->pins;
    design->pins = term;
  }
}

// Turns one coordinate of every terminal into a fraction of the largest one.
// Without a positive largest value there is no extent to divide by: the
// fractions stay 0 and a warning says so.
void MakeFractions(tagBLOCK* design, double tagPINCLASS::*axis, double largest, const char* name,
                   const char* path) {
  if (largest <= 0)
    std::printf("Warning: No terminal in %s has a positive %s; terminal %s positions are set to 0.\n", path,
                name, name);
  for (tagPIN* term = design->pins; term; term = term->next)
    term->pinclass->*axis = largest > 0 ? term->pinclass->*axis / largest : 0.0;
}

void read_positions(LineReader& in, tagBLOCK* design, tagBLOCKCLASS* root, const tagNORMPARA* norm,
                    const NameIndex& names) {
  const int blocks = design->block_count, terminals = design->pin_count;
  // Block positions are not used: the floorplan starts from scratch.
  for (int i = 0; i < blocks; ++i)
    if (!ReadRecordLine(in))
      Refuse(AtFile(in), kUnusable, "Error: the file ends after %d of %d block positions.", i, blocks);
  // The terminal positions follow, after an empty line or straight on.
  double max_x = 0, max_y = 0;
  for (int i = 0; i < terminals; ++i) {
    if (!ReadRecordLine(in))
      Refuse(AtFile(in), kUnusable, "Error: the file ends after %d of %d terminal positions.", i, terminals);
    char name[kNameSize];
    ReadName(in, name);
    const char* p = in.line_buffer;
    SkipWord(p);
    double x, y;
    if (!TakeNumber(in, p, &x) || !TakeNumber(in, p, &y))
      Refuse(AtLine(in), kUnusable, "Error: malformed terminal position.");
    for (double v : {x, y})
      if (std::fabs(v) > INT_MAX)
        Refuse(AtLine(in), kUnusable, "Error: the number %.0f does not fit in an int.", v);
    auto found = names.terminals.find(name);
    if (found == names.terminals.end()) {
      std::printf("Warning: Cannot find terminal %s\n", name);
      continue;
    }
    tagPINCLASS* pc = found->second->pinclass;
    pc->x = norm->scale * x;
    pc->y = norm->scale * y;
    if (x > max_x) max_x = x;
    if (y > max_y) max_y = y;
  }
  MakeFractions(design, &tagPINCLASS::x, max_x, "x", in.path);
  MakeFractions(design, &tagPINCLASS::y, max_y, "y", in.path);

  // The outline is the bounding box of the terminals.
  design->width = root->width = max_x * norm->scale;
  design->height = root->height = max_y * norm->scale;
  for (tagBLOCK* blk = design->children; blk; blk = blk->next) {
    blk->region_x_lo = 0;
    blk->region_y_lo = 0;
    blk->region_x_hi = design->width;
    blk->region_y_hi = design->height;
  }
}

void PushNode(tagNET* net, void* pin) {
  tagPINLIST* node = NewPinList();
  node->pin = pin;
  node->next = net->pins;
  net->pins = node;
}

// A block pin; offsets after ":" are percent of the class size from its centre.
void AddBlockPin(const LineReader& in, tagNET* net, tagBLOCK* blk, char mark) {
  tagPIN* pin = NewPin();
  pin->owner = blk;
  pin->net = net;
  pin->id = 0;
  blk->degree += 1;
  PushNode(net, pin);
  if (mark != ':') return;
  float x_offset = -1, y_offset = -1;
  std::sscanf(in.line_buffer, "%*s %*s : %% %f %% %f", &x_offset, &y_offset);
  // Offsets far outside the block would carry coordinates past what the
  // writers and the net model can hold.
  if (!(std::fabs(x_offset) <= kMaxPinOffset && std::fabs(y_offset) <= kMaxPinOffset))
    Refuse(AtLine(in), kUnusable, "Error: pin offsets must be numbers within +-%g percent.", kMaxPinOffset);
  tagBLOCKCLASS* cls = blk->blkclass;
  tagPINCLASS* pc = NewPinc();
  pc->x = (x_offset / 100 + 0.5) * cls->width;
  pc->y = (y_offset / 100 + 0.5) * cls->height;
  pc->next = cls->pinclasses;
  cls->pinclasses = pc;
  pin->pinclass = pc;
}

void rw_nets(LineReader& in, int count, tagBLOCK* design, const NameIndex& names) {
  for (int i = 0; i < count; ++i) {
    if (!FindKeyword(in, "NetDegree"))
      Refuse(AtFile(in), kUnusable, "Error: the file ends after %d of %d nets.", i, count);
    const int degree = ParseCount(in, "NetDegree", 0);
    tagNET* net = NewNet();
    net->id = count - i;
    net->weight = 1.0;
    net->degree = degree;
    // On the list before its pins, so a refused pin leaves nothing unowned.
    net->next = design->nets;
    design->nets = net;

    for (int p = 0; p < degree; ++p) {
      if (!ReadRecordLine(in))
        Refuse(AtFile(in), kUnusable, "Error: the file ends inside net %d of %d, after %d of its %d pins.",
               i + 1, count, p, degree);
      char name[kNameSize];
      ReadName(in, name);
      char mark = '\0';
      std::sscanf(in.line_buffer, "%*s %*s %c", &mark);
      // Terminals first: a terminal and a block of the same name resolve to the terminal.
      if (auto term = names.terminals.find(name); term != names.terminals.end()) {
        PushNode(net, term->second);
        term->second->net_count += 1;
      } else if (auto blk = names.blocks.find(name); blk != names.blocks.end()) {
        AddBlockPin(in, net, blk->second, mark);
      } else if (std::strcmp(name, "NetDegree") == 0) {
        // The next net began early: reading on would mix the two nets.
        Refuse(AtLine(in), kUnusable, "Error: net %d of %d lists %d pins, fewer than its degree %d.", i + 1,
               count, p, degree);
      } else {
        std::printf("warning: illegal terminal name or block name\n!");
      }
    }
  }
}

}  // namespace

int InputGSRCFiles(const char* base, tagBLOCKCLASS* root, tagBLOCK* design, tagNORMPARA* norm,
                   tagPARAMETERS* /*params*/) {
  if (!base || !*base) Refuse({}, kUnusable, "You Must provide base filename of a test case!");
  const std::string blocks_path = std::string(base) + ".blocks";
  const std::string nets_path = std::string(base) + ".nets";
  const std::string pl_path = std::string(base) + ".pl";

  SetNormScale(norm, 1.0);
  design->type = 1;
  design->blkclass = root;
  NameIndex names;

  {
    FilePtr file = OpenForRead(blocks_path);
    // Not through Refuse: this message has always ended without a line end.
    if (!file) {
      std::printf("Cannot open .blocks  file %s", blocks_path.c_str());
      StopRun(kUnusable);
    }
    LineReader in{file.get(), blocks_path.c_str(), 0, {}};
    RequireKeyword(in, "NumSoftRectangularBlocks");
    const int soft = ParseCount(in, "NumSoftRectangularBlocks", 0);
    RequireKeyword(in, "NumHardRectilinearBlocks");
    // Soft and hard block lines come in any mix; a design needs one block.
    const int hard = ParseCount(in, "NumHardRectilinearBlocks", soft > 0 ? 0 : 1);
    const long long total = static_cast<long long>(soft) + hard;
    const int blocks = static_cast<int>(std::min<long long>(total, INT_MAX));
    if (blocks > kMaxBlocks)
      Refuse(AtLine(in), kUnusable, "Error: %d blocks; at most %d are supported.", blocks, kMaxBlocks);
    design->block_count = blocks;
    RequireKeyword(in, "NumTerminals");
    const int terminals = ParseCount(in, "NumTerminals", 0);
    design->pin_count = terminals;
    RequireEmptyLine(in, "after the header");
    read_blocks(in, design, root, blocks, norm, names);
    read_terminals(in, design, root, terminals, names);
  }

  {
    FilePtr file = OpenForRead(pl_path);
    if (!file) {
      std::printf("Cannot open .pl file %s for read!\n", pl_path.c_str());
      return 0;
    }
    LineReader in{file.get(), pl_path.c_str(), 0, {}};
    RequireEmptyLine(in, "after the header");
    read_positions(in, design, root, norm, names);
  }

  {
    FilePtr file = OpenForRead(nets_path);
    if (!file) {
      std::printf("Cannot open .nets file %s\n", nets_path.c_str());
      return 0;
    }
    LineReader in{file.get(), nets_path.c_str(), 0, {}};
    RequireEmptyLine(in, "after the header");
    RequireKeyword(in, "NumNets");
    design->net_count = ParseCount(in, "NumNets", 0);
    rw_nets(in, design->net_count, design, names);
  }
  FindExtNetsForBlocks(design);
  return 0;
}
