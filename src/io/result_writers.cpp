// Result output: the final placement, one gnuplot drawing per tier with the
// nets on tier 0, the floorplan summary on standard output and the appended
// statistics record. Replaced files are written under a temporary name and
// renamed into place, so an interrupted run never leaves a truncated result;
// an appended record is built in memory and written whole or not at all.
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "driver/stop_signals.h"
#include "driver/utilities.h"
#include "io/io.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"

namespace {

// The result files of this run that could not be written, in the order met.
struct ResultFileState {
  std::vector<std::string> unwritten;
};
ResultFileState result_files;

// Truncation toward zero of a coordinate, kept inside the int range.
int Trunc(double v) {
  if (!(v == v)) return 0;
  if (v >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (v <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(v);
}

// a / b, or 0 when there is nothing to divide by.
double Ratio(double a, double b) { return b != 0.0 ? a / b : 0.0; }

void WriteCorner(FILE* f, int x, int y, int tier) { fprintf(f, "%d %d %d\n", x, y, tier); }

// A closed rectangle as five corners, then the data-set separator.
void WriteRectangle(FILE* f, int xl, int yl, int xh, int yh, int tier) {
  WriteCorner(f, xl, yl, tier);
  WriteCorner(f, xl, yh, tier);
  WriteCorner(f, xh, yh, tier);
  WriteCorner(f, xh, yl, tier);
  WriteCorner(f, xl, yl, tier);
  fprintf(f, "\n\n");
}

void WriteTierPlot(FILE* f, int tier, tagBLOCK** blka, tagDualSeq* seq, tagNORMPARA* norm) {
  const tagBLOCK* design = blka[0];
  const double u = norm->unscale;
  fprintf(f, "set nokey\n\n\n");
  fprintf(f, tier == 0 ? "plot '-' w l, '-' w l lt 3\n" : "plot '-' w l\n");
  const int F = Trunc(std::max((mxdstha + design->region_x_lo) * u, design->region_x_hi * u));
  WriteRectangle(f, 0, 0, F, F, tier);
  for (int b = 1; b <= seq->count; ++b) {
    if (seq->tier[b] != tier) continue;
    const tagBLOCK* blk = blka[b];
    const double X = blk->x + design->region_x_lo, Y = blk->y + design->region_y_lo;
    // Drawn one unit inside the block so that neighbours stay apart.
    WriteRectangle(f, Trunc(X * u) + 1, Trunc(Y * u) + 1, Trunc((X + blk->width) * u) - 1,
                   Trunc((Y + blk->height) * u) - 1, seq->tier[b]);
  }
  if (tier == 0) OutputNetsForPlot(design->nets, norm, f, 0);
  fprintf(f, "EOF\n\n");
  fprintf(f, "pause -1 'Press any key'\n");
  fprintf(f, "\r\n");
}

struct Summary {
  double width, height, area;
  double adjust_w, adjust_h;
  double usage;
  double wire;  // nets read, internal units
};

void WriteStatistics(std::string& f, const Summary& s, tagBLOCK** blka, tagDualSeq* seq, tagNORMPARA* norm,
                     tagPARAMETERS* p, int budget) {
  const tagBLOCK* design = blka[0];
  if (design->name)
    Appendf(f, "\nCircuit:%s\n ", design->name);
  else
    DclError("Warning: No circuit Name!");
  Appendf(f, "BlockNo.; NetNo.; Pins; ");
  Appendf(f,
          "Width vs. Height; Cell Area(mm2); NetArea; Usage; Adjust; Wire(mm); vias; "
          "(all_fix,mov_fix,(wgt_movarea_b,itr_lmt),qp_itrmax) time, ipcand, deltac_wgt, "
          "deltnt_wgt, deltvia_wgt\n");
  Appendf(f, "%d; %d; %d; ", design->block_count, design->net_count, design->pin_count);
  Appendf(f, "%8.2fx%8.2f; %8.1f; (%6.2f); ", s.width * norm->unscale, s.height * norm->unscale,
          s.area * norm->unscale_sq, s.area);
  Appendf(f, "%dX%5.4f; %5.4f; ", tier_no, Ratio(zarea_all * norm->unscale_sq, static_cast<double>(tier_no)),
          s.usage);
  Appendf(f, "%8.6fx%8.6f;", s.adjust_w, s.adjust_h);
  Appendf(f, "%8.2f; (%8.2f); ", s.wire * norm->unscale, s.wire);
  Appendf(f, "%d;", inter_layer_vias);
  Appendf(f, "(%7.0f,%7.0f,(%d,%d)%d)", p->allfix, p->movfix, p->movarea, budget, p->qp_itrmax);
  if (sa_flag != 0)
    Appendf(f, "(%d,%d,%d,%.2f,%.2f,", p->start_tempe, p->end_tempe,
            Trunc(std::floor(p->iterations / 100.0 * seq->count)), p->cooling_ratio, p->sparearea / 100);
  else
    Appendf(f, "(%d,%d,%.2f,", p->movarea, budget, p->sparearea / 100);
  Appendf(f, "%d,%d,%4.2f,%d,%3.2f);", p->movarea, p->movnet, p->allnet, p->wgt_via, p->aspect_ratio);
  Appendf(f, "%8.2f; ", (et - bt) / 1000.0);
  Appendf(f, "%d; ", p->ipcand);
  for (double w : {p->deltac_wgt, p->deltnt_wgt, p->deltvia_wgt})
    Appendf(f, "%d; ", Trunc(std::floor(w * 10000)));
}

}  // namespace

ReplacedFile::ReplacedFile(std::string path)
    : path_(std::move(path)),
      // One temporary per process: annealing chains write their first
      // drawings at the same time.
      temp_(path_ + "." + std::to_string(getpid()) + ".tmp"),
      f_(fopen(temp_.c_str(), "w")) {
  if (f_)
    HoldTemporary(temp_.c_str());
  else
    NoteUnwritten(path_);
}

ReplacedFile::~ReplacedFile() {
  if (!f_) return;
  fclose(f_);
  remove(temp_.c_str());
  DropTemporary(temp_.c_str());
}

void ReplacedFile::Commit() {
  const bool written = !ferror(f_);
  const bool closed = fclose(f_) == 0;
  f_ = nullptr;
  const bool placed = written && closed && rename(temp_.c_str(), path_.c_str()) == 0;
  if (!placed) remove(temp_.c_str());
  DropTemporary(temp_.c_str());
  if (placed) return;
  printf("Warning: Cannot write %s!\n", path_.c_str());
  NoteUnwritten(path_);
}

void NoteUnwritten(const std::string& path) { result_files.unwritten.push_back(path); }

const std::vector<std::string>& UnwrittenResults() { return result_files.unwritten; }

void ResetResultFiles() { result_files = ResultFileState{}; }

void RemoveStaleTemporaries(const char* base) {
  DIR* dir = opendir(".");
  if (!dir) return;
  const std::string own = std::string(base) + "_";
  while (const dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    // "<result>.<pid>.tmp", the name ReplacedFile writes under.
    const size_t tmp = name.size() >= 4 ? name.size() - 4 : std::string::npos;
    if (tmp == std::string::npos || name.compare(tmp, 4, ".tmp") != 0) continue;
    const size_t dot = name.rfind('.', tmp - 1);
    if (dot == std::string::npos || dot + 1 == tmp) continue;
    const std::string digits = name.substr(dot + 1, tmp - dot - 1);
    if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
    if (name.compare(0, own.size(), own) != 0 && name.compare(0, 9, "via_dist_") != 0) continue;
    const pid_t pid = static_cast<pid_t>(std::stol(digits));
    if (pid > 0 && kill(pid, 0) != 0 && errno == ESRCH) remove(name.c_str());
  }
  closedir(dir);
}

int AppendRecord(const char* path, const std::string& record) {
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return -1;
  struct stat before;
  const bool sized = fstat(fd, &before) == 0;
  size_t done = 0;
  while (done < record.size()) {
    const ssize_t n = write(fd, record.data() + done, record.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  const bool complete = done == record.size();
  // A record cut short is taken back, so the file keeps whole records only.
  if (!complete && sized && done > 0) (void)!ftruncate(fd, before.st_size);
  const bool closed = close(fd) == 0;
  return complete && closed ? 0 : -1;
}

namespace {

// "<base>_final.blocks": the design with every block hard, a soft one as the
// rectangle it got, so that any bookshelf tool reads the result as it stands.
void OutputFinalBlocks(const char* base, const tagBLOCK* design, const tagNORMPARA* norm) {
  ReplacedFile out(std::string(base) + "_final.blocks");
  FILE* f = out.get();
  if (!f) {
    printf("Warning: Cannot write %s!\n", out.path().c_str());
    return;
  }
  int terminals = 0;
  for (const tagPIN* term = design->pins; term; term = term->next) ++terminals;
  fprintf(
      f,
      "UCSC blocks 1.0\n\nNumSoftRectangularBlocks : 0\nNumHardRectilinearBlocks : %d\nNumTerminals : %d\n\n",
      design->block_count, terminals);
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next) {
    const long long w = std::llround(blk->blkclass->width * norm->unscale);
    const long long h = std::llround(blk->blkclass->height * norm->unscale);
    fprintf(f, "%s hardrectilinear 4 (0, 0) (0, %lld) (%lld, %lld) (%lld, 0)\n",
            blk->name ? blk->name : "UNKNOWN", h, w, h, w);
  }
  fprintf(f, "\n");
  for (const tagPIN* term = design->pins; term; term = term->next)
    fprintf(f, "%s terminal\n", term->name ? term->name : "UNKNOWN");
  out.Commit();
}

}  // namespace

int OutputGSRCFiles(const char* base, tagBLOCK* design, tagNORMPARA* norm, tagPARAMETERS* /*params*/) {
  if (!base || !*base) {
    DclError("You Must provide base filename of a test case!");
    return 0;
  }
  ReplacedFile out(std::string(base) + "_final.pl");
  FILE* f = out.get();
  if (!f) {
    printf("Cannot open .pl file %s for write!\n", out.path().c_str());
    return 0;
  }
  fprintf(f, "UCSC blocks 1.0\n");
  fprintf(f, "#name x y direction tier(device layer)\n\n");
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next)
    fprintf(f, "%s %d %d %d %d\n", blk->name ? blk->name : "UNKNOWN", Trunc(blk->x * norm->unscale),
            Trunc(blk->y * norm->unscale), blk->orient, blk->tier);
  out.Commit();
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next)
    if (blk->blkclass && blk->blkclass->soft_area > 0) {
      OutputFinalBlocks(base, design, norm);
      break;
    }
  return 0;
}

int OutputBlockMap(const char* base, const tagBLOCK* design, const tagBLOCK* pads, const tagBLOCK* left_out) {
  ReplacedFile out(std::string(base) + "_blocks.map");
  FILE* f = out.get();
  if (!f) {
    printf("Cannot open block map %s for write!\n", out.path().c_str());
    return -1;
  }
  fprintf(f,
          "# block component macro: the DEF components of every block; \"pad\" marks the\n"
          "# fixed pads of the pad ring, \"-\" the physical-only cells left out\n");
  auto write = [f](const char* block, const tagBLOCK* cell) {
    fprintf(f, "%s %s %s\n", block, cell->name ? cell->name : "UNKNOWN",
            cell->blkclass && cell->blkclass->name ? cell->blkclass->name : "UNKNOWN");
  };
  for (const tagBLOCK* blk = design->children; blk; blk = blk->next)
    for (const tagBLOCK* cell = blk->children; cell; cell = cell->next) write(blk->name, cell);
  for (const tagBLOCK* pad = pads; pad; pad = pad->next) write("pad", pad);
  for (const tagBLOCK* cell = left_out; cell; cell = cell->next) write("-", cell);
  out.Commit();
  return 0;
}

int OutputCellsForMultiTiers(const char* base, int flag, tagBLOCK** blka, tagNET** neta, tagPIN** pada,
                             tagBLOCK* /*pads*/, tagDualSeq* seq, tagLevelList* levels, tagNORMPARA* norm,
                             tagPARAMETERS* params, int budget) {
  static int rest_b[kLevelCap], rest_r[kLevelCap];
  const tagBLOCK* design = blka[0];
  const double u = norm->unscale;

  CalCoords(blka, seq, levels, p_btree, p_rtree, rest_b, rest_r, &mxdstva, &mxdstha);
  Summary s;
  s.width = mxdstha;
  s.height = mxdstva;
  s.area = mxdstha * mxdstva;
  s.adjust_w = Ratio(design->width, mxdstha);
  s.adjust_h = Ratio(design->height, mxdstva);
  s.usage = Ratio(Ratio(zarea_all, static_cast<double>(tier_no)), s.area);
  SetCellPos(mxdstha, mxdstva, 0, blka, pada, seq, levels, norm);

  s.wire = SetNetLength(blka, neta, pada, 1, params);
  printf("\n");
  printf(" Cell Area= %8.2f x %8.2f (%5.4f mm2)\n", s.width * u, s.height * u,
         s.area * norm->unscale_sq / 1000000);
  printf(" Adjust   = %8.6f x %8.6f\n", s.adjust_w, s.adjust_h);
  printf("Netlength = %8.2f\n", s.wire * u);
  printf("CellGap   = %8.2f + %8.2f\n", optngap_h * u, optngap_v * u);
  const double added = SetNetLength(blka, neta, pada, 2, params);
  printf("Grp.div   = %8.2f\n", Ratio(added * u, params->grpwgt));
  printf("Area usage:%f/%d/%f=%f\n", zarea_all, tier_no, s.area, s.usage);

  if (flag == 1) {
    std::string record;
    WriteStatistics(record, s, blka, seq, norm, params, budget);
    if (!base || AppendRecord((std::string(base) + ".txt").c_str(), record) != 0) {
      DclError("Warning: Cannot open results file!");
      NoteUnwritten(base ? std::string(base) + ".txt" : std::string("the statistics record"));
    }
  }

  // Only the final floorplan's drawings replace the earlier run's, so that
  // drawings and placement never describe different floorplans.
  if (!base || flag != 1) return 0;
  for (int t = 0; t < tier_no; ++t) {
    ReplacedFile plot(std::string(base) + "_layer_" + std::to_string(t) + ".plt");
    if (!plot.get()) {
      printf("Warning: Cannot write %s!\n", plot.path().c_str());
      continue;
    }
    WriteTierPlot(plot.get(), t, blka, seq, norm);
    plot.Commit();
  }
  return 0;
}

void OutputNetsForPlot(tagNET* nets, tagNORMPARA* norm, FILE* f, int /*flag*/) {
  fprintf(f, "\nEOF\n");
  std::vector<const tagPIN*> pins;
  for (const tagNET* net = nets; net; net = net->next) {
    pins.clear();
    for (const tagPINLIST* node = net->pins; node; node = node->next)
      pins.push_back(static_cast<const tagPIN*>(node->pin));
    // Joining the pins from left to right draws a spanning path of the net.
    std::stable_sort(pins.begin(), pins.end(), [](const tagPIN* a, const tagPIN* b) { return a->x < b->x; });
    for (size_t k = 1; k < pins.size(); ++k) {
      fprintf(f, " %d  %d \n", Trunc(pins[k - 1]->x * norm->unscale), Trunc(pins[k - 1]->y * norm->unscale));
      fprintf(f, " %d  %d \n", Trunc(pins[k]->x * norm->unscale), Trunc(pins[k]->y * norm->unscale));
      fprintf(f, "\n\n");
    }
  }
  fprintf(f, "\r\n");
}
