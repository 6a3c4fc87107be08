// Reading GSRC bookshelf benchmarks: records, numbering, geometry, line-end
// and layout variants, and refusal of broken files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "driver/records.h"
#include "io/io.h"
#include "test_support.h"

using namespace testing_support;

namespace {

// One design read from a base name, released at the end of the test.
struct ReadDesign {
  tagBLOCKCLASS* root = NewBlkc();
  tagBLOCK* design = NewBlk();
  tagNORMPARA* norm = new tagNORMPARA{};
  tagPARAMETERS params{};
  explicit ReadDesign(const std::string& base) {
    InputGSRCFiles(base.c_str(), root, design, norm, &params);
  }
  ~ReadDesign() { free_memory(design, root, nullptr, norm); }
};

// Reads in a child process whose standard output goes to stderr, so death
// tests can match the reader's messages.
void ReadWithOutputOnStderr(const std::string& base) {
  dup2(fileno(stderr), fileno(stdout));
  ReadDesign read(base);
}

struct Bookshelf {
  std::string blocks, pl, nets;
};

void WriteBookshelf(const ScratchDir& dir, const std::string& name, const Bookshelf& files) {
  WriteFile(dir.file(name + ".blocks"), files.blocks);
  WriteFile(dir.file(name + ".pl"), files.pl);
  WriteFile(dir.file(name + ".nets"), files.nets);
}

// A small benchmark in the plainest layout: LF line ends, single blanks.
Bookshelf SmallBenchmark() {
  return {
      "UCSC blocks 1.0\n"
      "# Created : today\n"
      "\n"
      "NumSoftRectangularBlocks : 0\n"
      "NumHardRectilinearBlocks : 3\n"
      "NumTerminals : 2\n"
      "\n"
      "a hardrectilinear 4 (0, 0) (0, 336) (378, 336) (378, 0)\n"
      "b hardrectilinear 4 (0, 0) (0, 20) (10, 20) (10, 0)\n"
      "c hardrectilinear 4 (0, 0) (0, 40) (30, 40) (30, 0)\n"
      "\n"
      "p1 terminal\n"
      "p2 terminal\n",

      "UCLA pl 1.0\n"
      "\n"
      "a 0 0\n"
      "b 10 0\n"
      "c 20 0\n"
      "\n"
      "p1 0 50\n"
      "p2 200 100\n",

      "UCLA nets 1.0\n"
      "\n"
      "NumNets : 3\n"
      "NumPins : 7\n"
      "NetDegree : 3\n"
      "p1 B\n"
      "a B : %0.0 %0.0\n"
      "b B : %50.0 %50.0\n"
      "NetDegree : 2\n"
      "b B : %-50 %-50\n"
      "c B\n"
      "NetDegree : 2\n"
      "p1 B\n"
      "p2 B\n",
  };
}

std::string PinName(const tagPIN* pin) {
  if (pin->id != 0) return std::string("T:") + pin->name;
  return std::string("B:") + pin->owner->name;
}

// Everything the reader produced, in list order.
std::string Dump(const ReadDesign& r) {
  std::ostringstream out;
  out.precision(17);
  const tagBLOCK* d = r.design;
  out << "design " << d->type << ' ' << d->block_count << ' ' << d->pin_count << ' '
      << d->net_count << ' ' << d->width << ' ' << d->height << '\n';
  out << "norm " << r.norm->scale << ' ' << r.norm->unscale << ' ' << r.norm->unscale_sq << ' '
      << r.norm->big << '\n';
  out << "root " << r.root->width << ' ' << r.root->height << '\n';
  for (const tagBLOCKCLASS* c = r.root->classes; c; c = c->next) {
    out << "class " << c->id << ' ' << c->type << ' ' << c->width << ' ' << c->height;
    for (const tagPINCLASS* pc = c->pinclasses; pc; pc = pc->next)
      out << " (" << pc->id << ' ' << pc->x << ' ' << pc->y << ')';
    out << '\n';
  }
  for (const tagPINCLASS* pc = r.root->pinclasses; pc; pc = pc->next)
    out << "term-class " << pc->id << ' ' << pc->x << ' ' << pc->y << '\n';
  for (const tagBLOCK* b = d->children; b; b = b->next) {
    out << "block " << b->id << ' ' << b->name << ' ' << b->type << ' ' << b->kind << ' '
        << b->area << ' ' << b->region_x_lo << ' ' << b->region_y_lo << ' ' << b->region_x_hi << ' '
        << b->region_y_hi << ' ' << b->degree << ' ' << b->blkclass->id << ' '
        << (b->parent == d) << " refs";
    for (const tagPINLIST* n = b->net_refs; n; n = n->next)
      out << ' ' << static_cast<const tagNET*>(n->pin)->id;
    out << '\n';
  }
  for (const tagPIN* t = d->pins; t; t = t->next) {
    out << "term " << t->id << ' ' << t->name << ' ' << t->pinclass->id << ' ' << t->pinclass->x
        << ' ' << t->pinclass->y << ' ' << t->net_count << ' ' << (t->owner == d) << " refs";
    for (const tagPINLIST* n = t->net_refs; n; n = n->next)
      out << ' ' << static_cast<const tagNET*>(n->pin)->id;
    out << '\n';
  }
  for (const tagNET* n = d->nets; n; n = n->next) {
    out << "net " << n->id << ' ' << n->degree << ' ' << n->weight;
    for (const tagPINLIST* node = n->pins; node; node = node->next) {
      const tagPIN* pin = static_cast<const tagPIN*>(node->pin);
      out << ' ' << PinName(pin);
      if (pin->id == 0 && pin->pinclass) out << '@' << pin->pinclass->x << ',' << pin->pinclass->y;
    }
    out << '\n';
  }
  return out.str();
}

std::vector<std::string> BlockNames(const tagBLOCK* design) {
  std::vector<std::string> names;
  for (const tagBLOCK* b = design->children; b; b = b->next) names.push_back(b->name);
  return names;
}

tagBLOCK* FindBlock(const tagBLOCK* design, const std::string& name) {
  for (tagBLOCK* b = design->children; b; b = b->next)
    if (name == b->name) return b;
  return nullptr;
}

tagPIN* FindTerminal(const tagBLOCK* design, const std::string& name) {
  for (tagPIN* t = design->pins; t; t = t->next)
    if (name == t->name) return t;
  return nullptr;
}

tagNET* NetById(const tagBLOCK* design, int id) {
  for (tagNET* n = design->nets; n; n = n->next)
    if (n->id == id) return n;
  return nullptr;
}

int CountNodes(const tagNET* net) {
  int count = 0;
  for (const tagPINLIST* node = net->pins; node; node = node->next) ++count;
  return count;
}

// The block pin of `net` on the block named `name`.
tagPIN* BlockPin(const tagNET* net, const std::string& name) {
  for (const tagPINLIST* node = net->pins; node; node = node->next) {
    tagPIN* pin = static_cast<tagPIN*>(node->pin);
    if (pin->id == 0 && name == pin->owner->name) return pin;
  }
  return nullptr;
}

std::string Replace(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
  return text;
}

// Applies one textual change to all three files.
template <typename Change>
Bookshelf Transform(Bookshelf files, Change change) {
  files.blocks = change(files.blocks);
  files.pl = change(files.pl);
  files.nets = change(files.nets);
  return files;
}

// ----------------------------------------------------------------------------

// The small benchmark read once per test.
class SmallBenchmarkRead : public testing::Test {
 protected:
  static std::string Written(const ScratchDir& dir) {
    WriteBookshelf(dir, "small", SmallBenchmark());
    return dir.file("small");
  }
  ScratchDir dir_;
  ReadDesign r{Written(dir_)};
};

TEST_F(SmallBenchmarkRead, CountsScaleAndBlockSizes) {
  EXPECT_EQ(r.design->block_count, 3);
  EXPECT_EQ(r.design->pin_count, 2);
  EXPECT_EQ(r.design->net_count, 3);
  EXPECT_DOUBLE_EQ(r.norm->scale, 1.0);
  EXPECT_DOUBLE_EQ(r.norm->unscale, 1.0);
  EXPECT_DOUBLE_EQ(r.norm->unscale_sq, 1.0);
  EXPECT_DOUBLE_EQ(r.norm->big, 9999989.000001);
  // Corners (0,0) (0,336) (378,336) (378,0): third minus first corner.
  tagBLOCK* a = FindBlock(r.design, "a");
  ASSERT_NE(a, nullptr);
  EXPECT_DOUBLE_EQ(a->blkclass->width, 378);
  EXPECT_DOUBLE_EQ(a->blkclass->height, 336);
  EXPECT_DOUBLE_EQ(a->area, 378.0 * 336.0);
  EXPECT_EQ(a->blkclass->id, a->id);
}

TEST_F(SmallBenchmarkRead, NumbersDownwardSoListsAscend) {
  // File order a, b, c gets 3, 2, 1; the list reads 1, 2, 3.
  EXPECT_EQ(BlockNames(r.design), (std::vector<std::string>{"c", "b", "a"}));
  EXPECT_EQ(FindBlock(r.design, "c")->id, 1);
  std::vector<int> class_ids, term_ids, term_class_ids, net_ids;
  for (tagBLOCKCLASS* c = r.root->classes; c; c = c->next) class_ids.push_back(c->id);
  for (tagPIN* t = r.design->pins; t; t = t->next) term_ids.push_back(t->id);
  for (tagPINCLASS* pc = r.root->pinclasses; pc; pc = pc->next) term_class_ids.push_back(pc->id);
  for (tagNET* n = r.design->nets; n; n = n->next) net_ids.push_back(n->id);
  EXPECT_EQ(class_ids, (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(term_ids, (std::vector<int>{1, 2}));
  EXPECT_EQ(term_class_ids, (std::vector<int>{1, 2}));
  EXPECT_EQ(net_ids, (std::vector<int>{1, 2, 3}));
  EXPECT_STREQ(r.design->pins->name, "p2");
  // The first net in the file is number 3, with degree 3.
  EXPECT_EQ(NetById(r.design, 3)->degree, 3);
  EXPECT_DOUBLE_EQ(NetById(r.design, 3)->weight, 1.0);
}

TEST_F(SmallBenchmarkRead, OutlineIsTheTerminalBoundingBox) {
  // p1 at (0, 50), p2 at (200, 100): the blocks (378 wide) do not matter.
  EXPECT_DOUBLE_EQ(r.design->width, 200);
  EXPECT_DOUBLE_EQ(r.design->height, 100);
  EXPECT_DOUBLE_EQ(r.root->width, 200);
  EXPECT_DOUBLE_EQ(r.root->height, 100);
  tagPIN* p1 = FindTerminal(r.design, "p1");
  tagPIN* p2 = FindTerminal(r.design, "p2");
  EXPECT_DOUBLE_EQ(p2->pinclass->x, 1.0);
  EXPECT_DOUBLE_EQ(p2->pinclass->y, 1.0);
  EXPECT_DOUBLE_EQ(p1->pinclass->x, 0.0);
  EXPECT_DOUBLE_EQ(p1->pinclass->y, 0.5);
  for (tagBLOCK* b = r.design->children; b; b = b->next) {
    EXPECT_EQ(b->region_x_lo, 0.0);
    EXPECT_EQ(b->region_y_lo, 0.0);
    EXPECT_DOUBLE_EQ(b->region_x_hi, 200);
    EXPECT_DOUBLE_EQ(b->region_y_hi, 100);
  }
}

TEST_F(SmallBenchmarkRead, PinOffsetsArePercentFromTheClassCentre) {
  tagNET* first = NetById(r.design, 3);
  tagPIN* on_a = BlockPin(first, "a");
  tagPIN* on_b = BlockPin(first, "b");
  ASSERT_NE(on_a, nullptr);
  ASSERT_NE(on_b, nullptr);
  EXPECT_DOUBLE_EQ(on_a->pinclass->x, 189);  // 0 %: centre of 378 x 336
  EXPECT_DOUBLE_EQ(on_a->pinclass->y, 168);
  EXPECT_DOUBLE_EQ(on_b->pinclass->x, 10);  // 50 %: upper-right corner of 10 x 20
  EXPECT_DOUBLE_EQ(on_b->pinclass->y, 20);
  tagPIN* low = BlockPin(NetById(r.design, 2), "b");
  EXPECT_DOUBLE_EQ(low->pinclass->x, 0);  // -50 %: lower-left corner
  EXPECT_DOUBLE_EQ(low->pinclass->y, 0);
  // Without offsets the pin has no class and sits at the block centre.
  tagPIN* on_c = BlockPin(NetById(r.design, 2), "c");
  EXPECT_EQ(on_c->pinclass, nullptr);
  EXPECT_EQ(on_c->net, NetById(r.design, 2));

  // Offset pin classes hang on the block's class, newest first.
  tagBLOCKCLASS* b_class = FindBlock(r.design, "b")->blkclass;
  ASSERT_NE(b_class->pinclasses, nullptr);
  EXPECT_EQ(b_class->pinclasses, low->pinclass);
  EXPECT_EQ(b_class->pinclasses->next, on_b->pinclass);
  EXPECT_EQ(b_class->pinclasses->next->next, nullptr);
}

TEST_F(SmallBenchmarkRead, NetPinsStandNewestFirstAndCountConnections) {
  std::vector<std::string> pins;
  for (tagPINLIST* node = NetById(r.design, 3)->pins; node; node = node->next)
    pins.push_back(PinName(static_cast<tagPIN*>(node->pin)));
  EXPECT_EQ(pins, (std::vector<std::string>{"B:b", "B:a", "T:p1"}));

  // One per pin line, plus the net weight per net in the block's list.
  EXPECT_EQ(FindBlock(r.design, "b")->degree, 4);
  EXPECT_EQ(FindBlock(r.design, "a")->degree, 2);
  // p1 is on nets 3 and 1: counted once by the net reader and once per list node.
  tagPIN* p1 = FindTerminal(r.design, "p1");
  EXPECT_EQ(p1->net_count, 4);
  std::vector<int> refs;
  for (tagPINLIST* n = p1->net_refs; n; n = n->next) refs.push_back(static_cast<tagNET*>(n->pin)->id);
  EXPECT_EQ(refs, (std::vector<int>{3, 1}));
  std::vector<int> b_refs;
  for (tagPINLIST* n = FindBlock(r.design, "b")->net_refs; n; n = n->next)
    b_refs.push_back(static_cast<tagNET*>(n->pin)->id);
  EXPECT_EQ(b_refs, (std::vector<int>{2, 3}));
}

TEST(BookshelfReader, OffsetsAreReadInSinglePrecision) {
  ScratchDir dir;
  Bookshelf files = SmallBenchmark();
  files.nets = Replace(files.nets, "a B : %0.0 %0.0", "a B : %12.3 %-7.1");
  WriteBookshelf(dir, "small", files);
  ReadDesign r(dir.file("small"));
  tagPIN* on_a = BlockPin(NetById(r.design, 3), "a");
  EXPECT_EQ(on_a->pinclass->x, (12.3f / 100 + 0.5) * 378);
  EXPECT_EQ(on_a->pinclass->y, (-7.1f / 100 + 0.5) * 336);
}

TEST(BookshelfReader, TerminalWinsOverBlockOfTheSameName) {
  ScratchDir dir;
  Bookshelf files =
      Transform(SmallBenchmark(), [](const std::string& s) { return Replace(s, "p2 ", "c "); });
  WriteBookshelf(dir, "small", files);
  ReadDesign r(dir.file("small"));
  // "c B" in net 2 is now the terminal c, not the block c.
  tagNET* second = NetById(r.design, 2);
  EXPECT_EQ(BlockPin(second, "c"), nullptr);
  EXPECT_EQ(second->pins->pin, FindTerminal(r.design, "c"));
  EXPECT_EQ(FindBlock(r.design, "c")->degree, 0);
}

TEST(BookshelfReader, UnknownPinNameIsSkippedWithAWarning) {
  ScratchDir dir;
  Bookshelf files = SmallBenchmark();
  files.nets = Replace(files.nets, "c B\n", "nowhere B\n");
  WriteBookshelf(dir, "small", files);
  CaptureStdout capture;
  ReadDesign r(dir.file("small"));
  EXPECT_EQ(capture.Finish(), "warning: illegal terminal name or block name\n!");
  tagNET* second = NetById(r.design, 2);
  EXPECT_EQ(second->degree, 2);
  EXPECT_EQ(CountNodes(second), 1);
}

TEST(BookshelfReader, UnknownTerminalInPlacementIsReportedAndCounted) {
  ScratchDir dir;
  Bookshelf files = SmallBenchmark();
  files.pl = Replace(files.pl, "p1 0 50", "ghost 500 500");
  WriteBookshelf(dir, "small", files);
  CaptureStdout capture;
  ReadDesign r(dir.file("small"));
  EXPECT_EQ(capture.Finish(), "Warning: Cannot find terminal ghost\n");
  // The unknown line still took p1's place; the outline comes from p2 alone.
  EXPECT_DOUBLE_EQ(r.design->width, 200);
  EXPECT_DOUBLE_EQ(r.design->height, 100);
  EXPECT_DOUBLE_EQ(FindTerminal(r.design, "p1")->pinclass->x, 0);
}

TEST(BookshelfReader, MissingPlacementLeavesTerminalsAtZeroAndNoNets) {
  ScratchDir dir;
  WriteBookshelf(dir, "small", SmallBenchmark());
  std::filesystem::remove(dir.file("small.pl"));
  CaptureStdout capture;
  ReadDesign r(dir.file("small"));
  EXPECT_EQ(capture.Finish(), "Cannot open .pl file " + dir.file("small.pl") + " for read!\n");
  EXPECT_EQ(r.design->block_count, 3);
  EXPECT_EQ(r.design->net_count, 0);
  EXPECT_EQ(r.design->nets, nullptr);
  for (tagPIN* t = r.design->pins; t; t = t->next) {
    EXPECT_EQ(t->pinclass->x, 0.0);
    EXPECT_EQ(t->pinclass->y, 0.0);
    EXPECT_EQ(t->net_refs, nullptr);
  }
}

TEST(BookshelfReader, MissingNetsFileLeavesNoNets) {
  ScratchDir dir;
  WriteBookshelf(dir, "small", SmallBenchmark());
  std::filesystem::remove(dir.file("small.nets"));
  CaptureStdout capture;
  ReadDesign r(dir.file("small"));
  EXPECT_EQ(capture.Finish(), "Cannot open .nets file " + dir.file("small.nets") + "\n");
  EXPECT_EQ(r.design->nets, nullptr);
  EXPECT_DOUBLE_EQ(r.design->width, 200);  // positions were read
  for (tagBLOCK* b = r.design->children; b; b = b->next) EXPECT_EQ(b->degree, 0);
}

TEST(BookshelfReader, NoPositiveTerminalCoordinateLeavesZeroFractions) {
  ScratchDir dir;
  Bookshelf files = SmallBenchmark();
  files.pl = Replace(files.pl, "p2 200 100", "p2 -30 100");
  WriteBookshelf(dir, "small", files);
  CaptureStdout capture;
  ReadDesign r(dir.file("small"));
  EXPECT_EQ(capture.Finish(), "Warning: No terminal in " + dir.file("small.pl") +
                                  " has a positive x; terminal x positions are set to 0.\n");
  EXPECT_EQ(r.design->width, 0.0);
  EXPECT_DOUBLE_EQ(r.design->height, 100);
  for (tagPIN* t = r.design->pins; t; t = t->next) {
    EXPECT_EQ(t->pinclass->x, 0.0);
    EXPECT_FALSE(std::isnan(t->pinclass->y));
  }
  EXPECT_DOUBLE_EQ(FindTerminal(r.design, "p1")->pinclass->y, 0.5);
}

TEST(BookshelfReader, ZeroTerminalsAndZeroNetsAreAccepted) {
  ScratchDir dir;
  Bookshelf files{
      "UCSC blocks 1.0\n\nNumSoftRectangularBlocks : 0\nNumHardRectilinearBlocks : 1\n"
      "NumTerminals : 0\n\nonly hardrectilinear 4 (0, 0) (0, 5) (7, 5) (7, 0)\n",
      "UCLA pl 1.0\n\nonly 0 0\n",
      "UCLA nets 1.0\n\nNumNets : 0\nNumPins : 0\n"};
  WriteBookshelf(dir, "lone", files);
  CaptureStdout capture;
  ReadDesign r(dir.file("lone"));
  const std::string out = capture.Finish();
  EXPECT_NE(out.find("positive x"), std::string::npos);
  EXPECT_NE(out.find("positive y"), std::string::npos);
  EXPECT_EQ(r.design->block_count, 1);
  EXPECT_EQ(r.design->pins, nullptr);
  EXPECT_EQ(r.design->nets, nullptr);
  EXPECT_EQ(r.design->children->net_refs, nullptr);
  EXPECT_EQ(r.design->children->degree, 0);
}

// --- layout variants ----------------------------------------------------------

// Line ends, blanks, comments and overlong lines: every variant of the small
// benchmark reads to exactly the same records, without a message.
TEST(BookshelfLayout, VariantsReadLikeThePlainLayout) {
  auto dump_of = [](const Bookshelf& files) {
    ScratchDir dir;
    WriteBookshelf(dir, "variant", files);
    CaptureStdout capture;
    ReadDesign r(dir.file("variant"));
    EXPECT_EQ(capture.Finish(), "");
    return Dump(r);
  };
  auto each = [](auto change) { return Transform(SmallBenchmark(), change); };
  auto swap = [&](const std::string& from, const std::string& to) {
    return each([=](const std::string& s) { return Replace(s, from, to); });
  };
  auto chop = [](const std::string& s) { return s.substr(0, s.size() - 1); };
  auto alternate = [](const std::string& s) {
    std::string out;
    bool crlf = false;
    for (char c : s) {
      if (c == '\n' && (crlf = !crlf)) out += '\r';
      out += c;
    }
    return out;
  };

  Bookshelf comments = SmallBenchmark();
  comments.blocks = Replace(comments.blocks, "UCSC blocks 1.0\n", "UCSC blocks 1.0\n# User : x\n# Platform : y\n");
  comments.blocks = Replace(comments.blocks, "b hardrect", "# a comment between blocks\nb hardrect");
  comments.blocks = Replace(comments.blocks, "p2 terminal", "# terminal comment\np2 terminal");
  comments.pl = Replace(comments.pl, "UCLA pl 1.0\n", "UCLA pl 1.0\n# Created : now\n");
  comments.pl = Replace(comments.pl, "p1 0 50\n", "p1 0 50 : N /FIXED\n");
  comments.pl = Replace(comments.pl, "b 10 0\n", "b 10 0 : FS\n");
  comments.nets = Replace(comments.nets, "UCLA nets 1.0\n", "UCLA nets 1.0\n# Created : 2000\n");
  comments.nets = Replace(comments.nets, "c B\n", "# pin comment\nc B\n");
  comments.nets = Replace(comments.nets, "NumPins : 7\n", "NumPins : 7\n\n");

  // A header comment far longer than a line buffer, and block and pin lines
  // with long tails: the tails must not read as records of their own.
  Bookshelf overlong = SmallBenchmark();
  const std::string tail(3000, 'x');
  overlong.blocks = Replace(overlong.blocks, "# Created : today", "# Created : " + tail);
  overlong.blocks =
      Replace(overlong.blocks, "(10, 0)\n", "(10, 0) " + std::string(1500, ' ') + "b " + tail + "\n");
  overlong.nets = Replace(overlong.nets, "%0.0 %0.0\n", "%0.0 %0.0 " + std::string(2000, ' ') + "c B\n");

  Bookshelf blank_lines = SmallBenchmark();
  blank_lines.blocks = Replace(blank_lines.blocks, "p1 terminal\n", "p1 terminal\n\n");
  blank_lines.blocks = Replace(blank_lines.blocks, "b hardrect", "\nb hardrect");
  blank_lines.pl = Replace(blank_lines.pl, "p2 200", "\np2 200");
  blank_lines.nets = Replace(blank_lines.nets, "c B\n", "\r\nc B\n");

  const std::pair<const char*, Bookshelf> variants[] = {
      {"crlf", swap("\n", "\r\n")},
      {"mixed line ends", each(alternate)},
      {"tabs", swap(" ", "\t")},
      {"padded blanks", swap(" ", " \t ")},
      {"no final line end", each(chop)},
      {"no final crlf", each([&](const std::string& s) { return chop(Replace(s, "\n", "\r\n")); })},
      {"lone cr line", swap("\n\n", "\n\r\n")},
      {"blank-only line", swap("\n\n", "\n \t \n")},
      {"comments and extra words", comments},
      {"overlong lines", overlong},
      {"blank lines inside lists", blank_lines},
  };
  const std::string reference = dump_of(SmallBenchmark());
  for (const auto& [label, files] : variants) EXPECT_EQ(dump_of(files), reference) << label;
}

TEST(BookshelfReader, AcceptsTheLargestSupportedDesign) {
  ScratchDir dir;
  std::string blocks = "UCSC blocks 1.0\n\nNumSoftRectangularBlocks : 0\nNumHardRectilinearBlocks : " +
                       std::to_string(kMaxBlocks) + "\nNumTerminals : 1\n\n";
  std::string pl = "UCLA pl 1.0\n\n";
  for (int i = 0; i < kMaxBlocks; ++i) {
    blocks += "b" + std::to_string(i) + " hardrectilinear 4 (0, 0) (0, 2) (3, 2) (3, 0)\n";
    pl += "b" + std::to_string(i) + " 0 0\n";
  }
  blocks += "\nio terminal\n";
  pl += "\nio 4 4\n";
  WriteBookshelf(dir, "big", {blocks, pl, "UCLA nets 1.0\n\nNumNets : 0\n"});
  ReadDesign r(dir.file("big"));
  EXPECT_EQ(r.design->block_count, kMaxBlocks);
  EXPECT_EQ(r.design->children->id, 1);
  EXPECT_STREQ(r.design->children->name, ("b" + std::to_string(kMaxBlocks - 1)).c_str());
}

// --- refused input --------------------------------------------------------------

struct BrokenCase {
  const char* label;
  const char* file;  // "blocks", "pl" or "nets"
  std::string from, to;  // textual change to the small benchmark
  std::string message;   // regular expression for the output
};

std::ostream& operator<<(std::ostream& out, const BrokenCase& c) { return out << c.label; }

// The small benchmark's file of the given kind cut just before `marker`.
std::string CutBefore(const std::string& text, const std::string& marker) {
  return text.substr(0, text.find(marker));
}

class BookshelfBroken : public testing::TestWithParam<BrokenCase> {};

TEST_P(BookshelfBroken, StopsWithAMessage) {
  const BrokenCase& c = GetParam();
  ScratchDir dir;
  Bookshelf files = SmallBenchmark();
  std::string& text = c.file == std::string("blocks") ? files.blocks
                      : c.file == std::string("pl")   ? files.pl
                                                      : files.nets;
  if (c.to == "<cut>") {
    ASSERT_NE(text.find(c.from), std::string::npos) << c.from;
    text = CutBefore(text, c.from);
  } else {
    ASSERT_NE(text.find(c.from), std::string::npos) << c.from;
    text = Replace(text, c.from, c.to);
  }
  WriteBookshelf(dir, "broken", files);
  const std::string base = dir.file("broken");
  EXPECT_EXIT(ReadWithOutputOnStderr(base), testing::ExitedWithCode(255),
              Replace(c.message, "@", base + "\\." + c.file));
}

INSTANTIATE_TEST_SUITE_P(
    TruncatedFiles, BookshelfBroken,
    testing::Values(
        BrokenCase{"blocks_before_hard", "blocks", "NumHard", "<cut>",
                   "Error: @ ends before the \"NumHardRectilinearBlocks\" line\\."},
        BrokenCase{"blocks_before_terminals_count", "blocks", "NumTerminals", "<cut>",
                   "Error: @ ends before the \"NumTerminals\" line\\."},
        BrokenCase{"blocks_before_header_end", "blocks", "\na hard", "<cut>",
                   "Error: @ ends before the empty line after the header\\."},
        BrokenCase{"blocks_inside_block_list", "blocks", "c hard", "<cut>",
                   "^Error: Unexpected end of file\\.\nError: @ ends after 2 of 3 blocks\\.\n$"},
        BrokenCase{"pl_inside_block_positions", "pl", "b 10 0", "<cut>",
                   "Error: @ ends after 1 of 3 block positions\\."},
        BrokenCase{"pl_before_terminal_separator", "pl", "\np1 0 50", "<cut>",
                   "Error: @ ends before the empty line before the terminal positions\\."},
        BrokenCase{"pl_inside_terminal_positions", "pl", "p2 200", "<cut>",
                   "Error: @ ends after 1 of 2 terminal positions\\."},
        BrokenCase{"nets_before_count", "nets", "NumNets", "<cut>",
                   "Error: @ ends before the \"NumNets\" line\\."},
        BrokenCase{"nets_missing_a_net", "nets", "NetDegree : 2\np1", "<cut>",
                   "Error: @ ends after 2 of 3 nets\\."}),
    [](const testing::TestParamInfo<BrokenCase>& info) { return std::string(info.param.label); });

INSTANTIATE_TEST_SUITE_P(
    MalformedFiles, BookshelfBroken,
    testing::Values(
        BrokenCase{"zero_blocks", "blocks", "Blocks : 3\n", "Blocks : 0\n",
                   "Error: @ line 5: \"NumHardRectilinearBlocks :\" must be followed by a number of "
                   "at least 1\\."},
        BrokenCase{"negative_terminals", "blocks", "NumTerminals : 2", "NumTerminals : -2",
                   "Error: @ line 6: \"NumTerminals :\" must be followed by a number of at least 0\\."},
        BrokenCase{"count_without_number", "nets", "NumNets : 3", "NumNets :",
                   "Error: @ line 3: \"NumNets :\" must be followed by a number of at least 0\\."},
        BrokenCase{"negative_net_degree", "nets", "NetDegree : 2\nb", "NetDegree : -2\nb",
                   "Error: @ line 9: \"NetDegree :\" must be followed by a number of at least 0\\."},
        BrokenCase{"soft_block_line", "blocks", "c hardrectilinear 4 (0, 0) (0, 40) (30, 40) (30, 0)",
                   "c softrectangular 1200 0.5 2.0", "Error: @ line 10: malformed block line\\."},
        BrokenCase{"duplicate_terminal", "blocks", "p2 terminal", "p1 terminal",
                   "Error: @ line 13: duplicate terminal name p1\\."}),
    [](const testing::TestParamInfo<BrokenCase>& info) { return std::string(info.param.label); });

TEST(BookshelfReaderDeath, EmptyBaseNameIsRefused) {
  EXPECT_EXIT(ReadWithOutputOnStderr(""), testing::ExitedWithCode(255),
              "You Must provide base filename of a test case!");
}

// --- the benchmark suite ------------------------------------------------------------

int HeaderNumber(const std::string& text, const std::string& key) {
  std::smatch match;
  if (!std::regex_search(text, match, std::regex(key + "\\s*:\\s*(-?\\d+)"))) return -1;
  return std::stoi(match[1]);
}

TEST(BookshelfBenchmarks, EveryBenchmarkReadsCompletely) {
  const std::string root_dir = BenchmarkDir();
  if (root_dir.empty()) GTEST_SKIP() << "no benchmark directory";
  int seen = 0;
  for (const auto& entry : std::filesystem::directory_iterator(root_dir)) {
    if (!entry.is_directory()) continue;
    const std::string name = entry.path().filename().string();
    const std::string base = (entry.path() / name).string();
    if (!FileExists(base + ".blocks")) continue;
    SCOPED_TRACE(name);
    ++seen;
    const std::string blocks_text = ReadFile(base + ".blocks");
    const std::string nets_text = ReadFile(base + ".nets");
    const std::string pl_text = ReadFile(base + ".pl");

    // Independent reference: terminal names from the .blocks lines and the
    // largest terminal coordinates from the .pl lines.
    std::set<std::string> terminal_names;
    std::regex terminal_line("(^|\n)(\\S+)[ \t]+terminal");
    for (std::sregex_iterator it(blocks_text.begin(), blocks_text.end(), terminal_line), end;
         it != end; ++it)
      terminal_names.insert((*it)[2]);
    int max_x = 0, max_y = 0;
    std::istringstream pl_lines(pl_text);
    for (std::string line; std::getline(pl_lines, line);) {
      std::istringstream fields(line);
      std::string word;
      int x, y;
      if (fields >> word >> x >> y && terminal_names.count(word)) {
        max_x = std::max(max_x, x);
        max_y = std::max(max_y, y);
      }
    }

    CaptureStdout capture;
    ReadDesign r(base);
    const std::string out = capture.Finish();
    EXPECT_EQ(out.find("arning"), std::string::npos) << out;

    EXPECT_EQ(r.design->block_count, HeaderNumber(blocks_text, "NumHardRectilinearBlocks"));
    EXPECT_EQ(r.design->pin_count, HeaderNumber(blocks_text, "NumTerminals"));
    EXPECT_EQ(static_cast<int>(terminal_names.size()), r.design->pin_count);
    EXPECT_EQ(r.design->net_count, HeaderNumber(nets_text, "NumNets"));
    int blocks = 0, terminals = 0, nets = 0, pins = 0, degrees = 0;
    for (tagBLOCK* b = r.design->children; b; b = b->next) EXPECT_EQ(b->id, ++blocks);
    for (tagPIN* t = r.design->pins; t; t = t->next) EXPECT_EQ(t->id, ++terminals);
    for (tagNET* n = r.design->nets; n; n = n->next) {
      EXPECT_EQ(n->id, ++nets);
      pins += CountNodes(n);
      degrees += n->degree;
    }
    EXPECT_EQ(blocks, r.design->block_count);
    EXPECT_EQ(terminals, r.design->pin_count);
    EXPECT_EQ(nets, r.design->net_count);
    EXPECT_EQ(degrees, HeaderNumber(nets_text, "NumPins"));
    EXPECT_EQ(pins, degrees);  // every pin name resolved
    EXPECT_DOUBLE_EQ(r.design->width, max_x);
    EXPECT_DOUBLE_EQ(r.design->height, max_y);
    if (name == "ami33") {
      EXPECT_EQ(r.design->block_count, 33);
      EXPECT_EQ(r.design->net_count, 123);
    }
  }
  EXPECT_GT(seen, 0);
}

}  // namespace
