#include "run/driver.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "driver/chains.h"
#include "driver/orientations.h"
#include "driver/parameters.h"
#include "driver/records.h"
#include "driver/stop_signals.h"
#include "driver/utilities.h"
#include "io/io.h"
#include "io/tier_layout.h"
#include "seqpair/engine_state.h"
#include "seqpair/seqpair.h"
#include "seqpair/tier_state.h"
#include "signalvia/signalvia.h"
#include "tiers/tiers.h"

namespace {

// The word typed at the prompt: a path, so as long as a path may be.
constexpr int kPromptWordCap = 4096;
// A start this close to the outline's size on each side is refined cool.
constexpr double kNearOutline = 1.1;

struct CommandLine {
  std::string base;               // bookshelf base name, or the first LEF file
  std::vector<std::string> lefs;  // every LEF file, the first included
  std::string def;                // empty for a bookshelf run
  std::string part;               // optional partition file
};

// "x.lef" or "x.tlef", in any case: a LEF library rather than the DEF.
bool IsLefName(const std::string& name) {
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = name.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == "lef" || ext == "tlef";
}

// The first name is always a LEF file; the names after it that end in .lef
// or .tlef are LEF files too, then come the DEF and the partition file.
CommandLine ReadCommandLine(int argc, char** argv) {
  CommandLine line;
  if (argc < 2) {
    std::printf("data file > ");
    std::fflush(stdout);
    static char word[kPromptWordCap + 1];
    if (std::scanf("%4096s", word) != 1) Refuse({}, 1, "Error: no data file name given.");
    line.base = word;
  } else {
    line.base = argv[1];
  }
  if (line.base.empty()) Refuse({}, 1, "Error: empty data file name.");
  if (argc < 3) return line;
  int next = 1;
  while (next < argc - 1 && (next == 1 || IsLefName(argv[next]))) line.lefs.push_back(argv[next++]);
  line.def = argv[next++];
  if (next < argc) line.part = argv[next++];
  if (next < argc)
    std::printf("Warning: %d command-line name(s) after the partition file ignored, from '%s' on.\n",
                argc - next, argv[next]);
  if (line.def.empty() || IsLefName(line.def))
    Refuse({}, 1, "Error: no DEF file on the command line after the LEF files.");
  return line;
}

// Result files go to the working directory, named after the first name
// without its directories.
std::string ResultBase(const std::string& name) {
  const size_t slash = name.rfind('/');
  return slash == std::string::npos ? name : name.substr(slash + 1);
}

// Everything one run owns, released in order at the end.
struct Run {
  tagPARAMETERS params{};
  tagBLOCKCLASS* root = nullptr;
  tagBLOCK* design = nullptr;
  tagNORMPARA* norm = nullptr;
  tagBLOCK* pads = nullptr;
  tagBLOCK* left_out = nullptr;  // physical-only cells of a LEF/DEF design
  tagNET* cell_nets = nullptr;
  std::vector<tagBLOCK*> blka;
  std::vector<tagPIN*> pada;
  std::vector<tagNET*> neta;
  std::unique_ptr<tagLevelList> levels;
  tagBinTree btree, rtree;
  std::unique_ptr<tagSTACKS> stacks;
  std::unique_ptr<tagOptSolution> solution;
  std::unique_ptr<tagINSCANDS> candidates;
  tagDualSeq dualseq, optdseq;
  tagDualSeq unsettled;              // the start before preplaced blocks went first
  bool walk_from_unsettled = false;  // whether the search starts from it
  std::vector<int> scratch_b, scratch_r;
  int n = 0;
  int t = 0;
  unsigned long seed = 0;    // the random generator's seed
  bool lefdef = false;       // read from LEF/DEF rather than bookshelf
  std::string outline_miss;  // the warning that ends a run missing its outline
  ViaPlaces via_places;      // where via planning put each net's vias
  double via_pitch = 0;      // how far apart vias stand, input units
};

// Enters blocks, terminals and nets at their numbers and gives terminals the
// numbers after the blocks, so blocks and terminals form one range.
void IndexDesign(Run& run) {
  tagBLOCK* design = run.design;
  run.n = design->block_count;
  run.t = design->pin_count;
  if (run.n < 0 || run.n > kMaxBlocks)
    Refuse({}, 1, "Error: %d blocks; at most %d are supported.", run.n, kMaxBlocks);
  run.blka.assign(run.n + 1, nullptr);
  run.pada.assign(std::max(run.t, 0) + 1, nullptr);
  for (tagBLOCK* blk = design->children; blk; blk = blk->next)
    if (blk->id >= 1 && blk->id <= run.n) run.blka[blk->id] = blk;
  for (tagPIN* pin = design->pins; pin; pin = pin->next) {
    if (pin->id >= 1 && pin->id <= run.t) run.pada[pin->id] = pin;
    pin->id += run.n;
  }
  run.blka[0] = design;
  ntmax0 = ntmax = design->net_count;
  for (int i = run.n + 1; i <= kSizeClearEnd; ++i) ndsiz1_x[i] = ndsiz1_y[i] = 0.0;
  run.neta.assign(ntmax + 1, nullptr);
  for (tagNET* net = design->nets; net; net = net->next)
    if (net->id >= 1 && net->id <= ntmax) run.neta[net->id] = net;
}

// The keywords that decide how a LEF/DEF design's cells become blocks are
// needed before the design is read.
void ReadDesignParameters(Run& run) { InputPrm("fl.prm", &run.params, 0, false); }

void ReadParameters(Run& run) {
  InputPrm("fl.prm", &run.params, run.n);
  if (run.params.seed != 0) {
    run.seed = static_cast<unsigned long>(run.params.seed);
    init_genrand(run.seed);
  }
}

void PrepareEngine(Run& run) {
  run.levels = std::make_unique<tagLevelList>();
  AllocateWorkArrays(run.n, ntmax);
  InitTierState(run.params.layers);
  BinTreeInit(&run.btree, run.n);
  BinTreeInit(&run.rtree, run.n);
  p_btree = &run.btree;
  p_rtree = &run.rtree;
  run.stacks = std::make_unique<tagSTACKS>();
  run.stacks->top = 0;
  p_stacks = run.stacks.get();
  run.solution = std::make_unique<tagOptSolution>();
  run.candidates = std::make_unique<tagINSCANDS>();
  fixed_num = 0;
  DualSeqInit(&run.dualseq, run.n, 1);
  DualSeqInit(&run.optdseq, run.n, 0);
  run.scratch_b.assign(kLevelCap, 0);
  run.scratch_r.assign(kLevelCap, 0);
  ClearLevelLists(run.levels.get());
}

void Pack(Run& run) {
  CalCoords(run.blka.data(), &run.dualseq, run.levels.get(), p_btree, p_rtree, run.scratch_b.data(),
            run.scratch_r.data(), &mxdstva, &mxdstha);
}

// A block that fits the outline in no orientation it may take, or a soft
// block in no shape of its range, leaves no floorplan inside the outline,
// however long the run; says so at once.
void WarnOfBlocksLargerThanTheOutline(const Run& run) {
  const double rounding = OutlineRounding();
  const auto fits = [rounding](double w, double h) {
    return w <= shape_h + rounding && h <= shape_v + rounding;
  };
  const auto may_fit = [&](const tagBLOCK* blk) {
    if (IsSoftBlock(blk)) {
      // Its narrowest shape under the outline's height is the one to try.
      const SoftRange range = SoftRangeOf(blk->blkclass, run.norm->scale);
      const double w = SoftWidthUnder(range, shape_v + rounding);
      return fits(w, SoftHeightAt(range, w));
    }
    return fits(blk->width, blk->height) ||
           (run.params.rotate && MayTurn(blk->blkclass) && fits(blk->height, blk->width));
  };
  const tagBLOCK* largest = nullptr;
  int count = 0;
  for (int b = 1; b <= run.n; ++b) {
    const tagBLOCK* blk = run.blka[b];
    if (may_fit(blk)) continue;
    ++count;
    if (!largest || blk->width * blk->height > largest->width * largest->height) largest = blk;
  }
  if (count == 0) return;
  const double unscale = run.norm->unscale;
  std::printf(
      "Warning: %d block(s) fit the outline of %.2f x %.2f in no orientation (the largest: %s, %.2f x %.2f); "
      "no floorplan can fit it.\n",
      count, shape_h * unscale, shape_v * unscale, largest->name, largest->width * unscale,
      largest->height * unscale);
}

void BuildInitialSolution(Run& run) {
  if (tier_no < 2)
    InitData(run.blka.data(), run.pada.data(), &run.dualseq, run.norm, &run.params);
  else
    InitDataForMultiTiers(run.blka.data(), run.pada.data(), &run.dualseq, run.norm, &run.params);

  WarnOfBlocksLargerThanTheOutline(run);
  const double shelves = StartsFromShelves(run.n, &run.params)
                             ? LayShelves(run.blka.data(), run.neta.data(), &run.dualseq)
                             : 0.0;
  if (shelves > 0.0) {
    run.params.start_tempe = std::min(run.params.start_tempe, kShelfStartTemperature);
    std::printf(
        "Start: the blocks laid in shelves, %.0f%% of the outline's height; the annealing from "
        "temperature %d.\n",
        100.0 * shelves, run.params.start_tempe);
  }
  const double w = run.design->width, h = run.design->height;
  run.params.ntlubd1 = (w + h) / 2;
  run.params.ntlubd2 = w + h;
  run.params.ntpenalty1 = 2.0;
  run.params.ntpenalty2 = 4.0;

  if (tier_no > 1) {
    CountTierLoads(run.design, &run.dualseq);
    std::printf("Initial Inter Layer Via Number: %d\n", inter_layer_vias);
  }
  // The optimisers never let the best floorplan push a preplaced block
  // further than the start does, so the start must not push any.
  DualSeqInit(&run.unsettled, run.n, 0);
  const int settled = SettlePreplacedBlocks(run.blka.data(), run.neta.data(), run.pada.data(), &run.dualseq,
                                            run.levels.get(), run.norm, &run.params, &run.unsettled);
  run.walk_from_unsettled = settled == kSettledFirst;
  // Shelves around the preplaced blocks within a tenth of the outline are a
  // start worth keeping, as above; further off, the hot search fits more.
  if (settled == kSettledInShelves) {
    std::printf("Start: shelves around the preplaced blocks, %.0f%% x %.0f%% of the outline.\n",
                100.0 * mxdstha / shape_h, 100.0 * mxdstva / shape_v);
    if (mxdstha <= kNearOutline * shape_h && mxdstva <= kNearOutline * shape_v)
      run.params.start_tempe = std::min(run.params.start_tempe, kShelfStartTemperature);
  }
}

// Weights of the optimisation, scaled once the initial drawings are written.
void ScaleOptimisationWeights(Run& run) {
  tagPARAMETERS& p = run.params;
  p.d_mult = std::pow(2.0, 0.75);
  p.movarea = 100 * p.movarea;
  p.allarea = p.allarea * p.movarea;
  p.obj_area_wgt = p.allarea;
  p.area_wgt = p.movarea;
  p.net_wgt = 5.0 * p.movnet;
  p.srchlvl_a = p.srchlvl_b = SearchWindow(run.n);
  for (int id = ntmax0 + 1; id <= ntmax; ++id)
    if (run.neta[id]) run.neta[id]->weight = p.grpwgt;
}

// Whether chain result a beats b: fitting the outline first, then less
// bound excess, then the objective.
bool Better(const tagChainScore& a, const tagChainScore& b, tagPARAMETERS* params) {
  if (a.fits != b.fits) return a.fits > b.fits;
  const int by_gap = CompareGaps(a.gap, b.gap);
  if (by_gap != 0) return by_gap < 0;
  return improvement(b.area, a.area, b.wire, a.wire, b.vias, a.vias, params) > 0;
}

// With several starts the run forks before the first random draw of its
// floorplan, so that each chain is the single run with its own seed and the
// kept one is at least as good as each of those runs.
void StartChains(Run& run) {
  if (run.params.starts < 2) return;
  ForkChains(run.params.starts, run.seed,
             [&run](const tagChainScore& a, const tagChainScore& b) { return Better(a, b, &run.params); });
}

void Optimise(Run& run) {
  bt = GetCpuTime();
  // The full evaluation also measures the bound excess, which the saved
  // start keeps: no floorplan that pushes bounded blocks further replaces it.
  CalcObj(run.blka.data(), run.neta.data(), run.pada.data(), &run.dualseq, run.levels.get(), run.norm,
          &run.params);
  run.params.wgt_phase = 0;
  sa_flag = run.params.opt_method;
  // Without an accepted move the best floorplan stays the initial one.
  SaveOptG(run.blka.data(), run.pada.data(), &run.dualseq, &run.optdseq, run.solution.get());
  if (run.walk_from_unsettled) {
    // That start has every movable block above the preplaced ones, where no
    // single move shrinks the chip while others stay: the search walks from
    // the arrangement before it instead, and only floorplans that push no
    // preplaced block replace the saved start.
    CopyDualSeq(&run.unsettled, &run.dualseq);
    CalcObj(run.blka.data(), run.neta.data(), run.pada.data(), &run.dualseq, run.levels.get(), run.norm,
            &run.params);
  }
  tier_respread = SpreadOverTiersAgain;
  if (sa_flag != 0)
    SimulatedAnnealing(run.blka.data(), run.neta.data(), run.pada.data(), &run.dualseq, &run.optdseq,
                       run.solution.get(), run.candidates.get(), run.levels.get(), run.norm, &run.params);
  else
    Optimize(20 * run.n, run.blka.data(), run.neta.data(), run.pada.data(), &run.dualseq, &run.optdseq,
             run.solution.get(), run.candidates.get(), run.levels.get(), run.norm, &run.params);
  RestoreOptG(run.blka.data(), run.pada.data(), &run.dualseq, &run.optdseq, run.solution.get());
  TakeSoftShapes(run.blka.data(), run.n);
  if (tier_no > 1) inter_layer_vias = CountInterLayerVias(run.design->nets, &run.dualseq, tier_no);
  if (run.params.starts > 1)
    EndChain(tagChainScore{optsize_h <= shape_h && optsize_v <= shape_v, optngap, optsize_h * optsize_v,
                           SetNetLength(run.blka.data(), run.neta.data(), run.pada.data(), 3, &run.params),
                           inter_layer_vias});
  et = GetCpuTime();
  std::printf("Time consumed: %f seconds.\n", (et - bt) / 1000.0);
}

// The tiers of the last packing that reach past the outline, and by how much
// in input units, as the line that ends the run; empty when all fit.
std::string OutlineMiss(const tagNORMPARA& norm) {
  std::string tiers;
  // A block on the outline's edge may reach past it by rounding alone.
  const double rounding = OutlineRounding();
  for (size_t t = 0; t < tiera.size(); ++t) {
    const double over_w = std::max(0.0, tiera[t].width - shape_h - rounding) * norm.unscale;
    const double over_h = std::max(0.0, tiera[t].height - shape_v - rounding) * norm.unscale;
    if (over_w <= 0 && over_h <= 0) continue;
    char text[96];
    std::snprintf(text, sizeof text, "%stier %zu by %.2f x %.2f", tiers.empty() ? "" : ", ", t, over_w,
                  over_h);
    tiers += text;
  }
  if (tiers.empty()) return tiers;
  char head[128];
  std::snprintf(head, sizeof head,
                "Warning: the floorplan misses its outline of %.2f x %.2f: ", shape_h * norm.unscale,
                shape_v * norm.unscale);
  return head + tiers + ".";
}

void WriteResults(Run& run, const char* base) {
  OutputCellsForMultiTiers(base, 1, run.blka.data(), run.neta.data(), run.pada.data(), run.pads, &run.dualseq,
                           run.levels.get(), run.norm, &run.params, 20 * run.n);
  Pack(run);
  for (int b = 1; b <= run.n; ++b) run.blka[b]->tier = run.dualseq.tier[b];

  // A packing that overflows the outline is reported at its own extent.
  if (mxdstha / shape_h > 1 || mxdstva / shape_v > 1) {
    run.design->width = mxdstha;
    run.design->height = mxdstva;
  } else {
    run.design->width = shape_h;
    run.design->height = shape_v;
  }
  OutputGSRCFiles(base, run.design, run.norm, &run.params);
  if (run.lefdef) OutputBlockMap(base, run.design, run.pads, run.left_out);
  run.outline_miss = OutlineMiss(*run.norm);
}

// Plans the inter-tier signal vias on the final placement; the report files
// are only touched when planning is switched on.
void PlanSignalVias(Run& run) {
  if (run.params.svia_assignment == 0) return;
  std::printf("\nBegin inter-layer via planning......\n");
  const double scale = run.norm->scale;
  sigvia_size *= scale * scale;
  run.params.signalvia_sizex *= scale;
  run.params.signalvia_sizey *= scale;
  tagBLOCK* design = run.design;
  const double wire0 = SetNetLength(run.blka.data(), run.neta.data(), run.pada.data(), 1, &run.params);
  AppendToReport("via_assignment.txt", "%s;nets:%d;area:%.2f; wire0:%.2f;\n", design->name, design->net_count,
                 design->width * design->height * run.norm->unscale, wire0 * run.norm->unscale);
  AppendToReport("via_rt.txt", "%s:", design->name);
  bt = GetCpuTime();
  SignalViaPlanning(design, tier_no, &run.params, run.norm, &run.via_places);
  et = GetCpuTime();
  std::printf("Inter-layer Via Planning Time:%.2f\n", (et - bt) / 1000.0);
}

// A run that could not write all its results has failed: it says which and
// ends with status 1.
void RefuseUnwrittenResults() {
  const std::vector<std::string>& unwritten = UnwrittenResults();
  if (unwritten.empty()) return;
  std::string names;
  for (const std::string& name : unwritten) names += (names.empty() ? "" : ", ") + name;
  Refuse({}, 1, "Error: not written: %s.", names.c_str());
}

void Release(Run& run) {
  run.blka.clear();
  run.pada.clear();
  run.neta.clear();
  for (tagBLOCK** list : {&run.pads, &run.left_out}) {
    for (tagBLOCK* blk = *list; blk;) {
      tagBLOCK* next = blk->next;
      free_block(blk);
      blk = next;
    }
    *list = nullptr;
  }
  free_memory(run.design, run.root, run.cell_nets, run.norm);
  p_btree = p_rtree = nullptr;
  p_stacks = nullptr;
  mt_fixed.clear();
  ppblka.clear();
}

}  // namespace

int RunTierplan(int argc, char** argv) {
  InstallStopSignals();
  ResetResultFiles();
  Run run;
  bt = GetCurrentSec();
  run.seed = static_cast<unsigned long>(bt);
  init_genrand(run.seed);
  InitParameters(&run.params);

  CommandLine line = ReadCommandLine(argc, argv);
  const std::string result_base = ResultBase(line.base);
  const char* base = result_base.c_str();
  RemoveStaleTemporaries(base);
  run.root = NewBlkc();
  run.design = NewBlk();
  run.design->name = CopyName(base);
  run.norm = new tagNORMPARA{};

  if (line.def.empty()) {
    InputGSRCFiles(line.base.c_str(), run.root, run.design, run.norm, &run.params);
  } else {
    run.lefdef = true;
    ReadDesignParameters(run);
    InputDataFromLefDef(line.lefs, line.def.c_str(), line.part.empty() ? nullptr : line.part.c_str(),
                        &run.params, run.root, run.design, run.norm, &run.pads, &run.cell_nets,
                        &run.left_out);
  }

  IndexDesign(run);
  SetSizeParameters(&run.params, run.n);
  ReadParameters(run);
  std::printf(" Cell = %d, ExtCells = %d, Nets = %d\n\n", run.n, run.t, ntmax0);
  StartChains(run);

  SetPinListForBlocks(run.design);
  SetPinPositions(run.design, &run.params);
  PrepareEngine(run);
  BuildInitialSolution(run);

  OutputCellsForMultiTiers(base, 0, run.blka.data(), run.neta.data(), run.pada.data(), run.pads, &run.dualseq,
                           run.levels.get(), run.norm, &run.params, 0);
  ScaleOptimisationWeights(run);
  Optimise(run);
  WriteResults(run, base);
  run.via_pitch = std::sqrt(sigvia_size);
  PlanSignalVias(run);
  if (run.lefdef)
    OutputTierDefs(base, LayOutTiers(run.design, run.pads, run.cell_nets, &run.params, tier_no,
                                     run.via_places, run.via_pitch));

  Release(run);
  if (!run.outline_miss.empty()) std::printf("%s\n", run.outline_miss.c_str());
  RefuseUnwrittenResults();
  std::printf(" *** normally terminated.\n");
  return 0;
}
