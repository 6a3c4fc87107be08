#include "driver/parameters.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/records.h"
#include "driver/utilities.h"

namespace {

// How a keyword's integer value becomes its field.
enum class Conversion {
  kInt,      // the integer itself
  kPercent,  // v * n / 100 in integer arithmetic, n the block count
  kReal,     // v / divisor as a double
};

// The values fl.prm may give a keyword, as written in the file; a value
// outside is refused before anything uses it.
struct Range {
  int lo = INT_MIN;
  int hi = INT_MAX;
};

// A keyword's rules in one place: how its value is stored, the values it
// may take and what it means in one line (the range refusal quotes it).
struct Keyword {
  const char* name;
  Conversion conversion;
  int tagPARAMETERS::*int_field;
  double tagPARAMETERS::*real_field;
  double divisor;
  Range range;
  const char* help;
};

constexpr Keyword IntKey(const char* name, int tagPARAMETERS::*field, const char* help, Range range = {}) {
  return {name, Conversion::kInt, field, nullptr, 1.0, range, help};
}
constexpr Keyword PercentKey(const char* name, int tagPARAMETERS::*field, const char* help) {
  return {name, Conversion::kPercent, field, nullptr, 1.0, {}, help};
}
constexpr Keyword RealKey(const char* name, double tagPARAMETERS::*field, double divisor, const char* help,
                          Range range = {}) {
  return {name, Conversion::kReal, nullptr, field, divisor, range, help};
}

// Beyond these the weights' products in the optimiser leave the int range.
constexpr int kMaxMoveAreaWeight = 10000;
constexpr int kMaxAreaWeight = 1000;
// Eleven days: ample for any design, and its milliseconds fit an int.
constexpr int kMaxTimeLimit = 1000000;
// Chains are processes with a copy of the design each.
constexpr int kMaxStarts = 64;

using P = tagPARAMETERS;

// Searched in this order; the first match takes the value.
constexpr Keyword kKeywords[] = {
    PercentKey("giveup", &P::giveup, "legacy; read by no stage (percent of the blocks)"),
    PercentKey("depthmax", &P::depthmax, "legacy; read by no stage (percent of the blocks)"),
    PercentKey("movenode", &P::movenode, "legacy; read by no stage (percent of the blocks)"),
    IntKey("ipcand", &P::ipcand, "insertion points kept per move, the best chosen among them"),
    RealKey("degobj", &P::degobj, 1.0, "legacy; read by no stage"),
    RealKey("degobj_g", &P::degobj_g, 1.0, "legacy; read by no stage"),
    IntKey("idle_g", &P::idle_g, "insertion optimiser: moves without a gain before it stops"),
    IntKey("movarea", &P::movarea, "area weight of a move", {0, kMaxMoveAreaWeight}),
    IntKey("movnet", &P::movnet, "wire weight of a move"),
    RealKey("movfix", &P::movfix, 1.0, "printed in the statistics record only"),
    IntKey("allarea", &P::allarea, "area weight of the objective", {0, kMaxAreaWeight}),
    RealKey("allnet", &P::allnet, 1.0, "wire weight of the objective"),
    RealKey("allfix", &P::allfix, 1.0, "weight of the preplaced blocks' bound excess in the objective"),
    RealKey("grpwgt", &P::grpwgt, 1.0, "weight of the nets that hold a LEF/DEF group together"),
    RealKey("spcwgt", &P::spcwgt, 1.0, "legacy; read by no stage"),
    IntKey("trace", &P::trace, "1 prints the optimiser's progress per step"),
    RealKey("sparearea", &P::sparearea, 1.0, "percent white space", {-99, 10000}),
    RealKey("expand", &P::expand, 1.0, "legacy; read by no stage"),
    RealKey("dltmin", &P::dltmin, 1.0, "legacy; read by no stage"),
    RealKey("ntlubd1", &P::ntlubd1, 1.0, "replaced by the run before use"),
    RealKey("ntpenalty1", &P::ntpenalty1, 1.0, "replaced by the run before use"),
    IntKey("srchlvl_a", &P::srchlvl_a, "replaced by the run before use (search window of sequence A)"),
    IntKey("srchlvl_b", &P::srchlvl_b, "replaced by the run before use (search window of sequence B)"),
    IntKey("rotate", &P::rotate, "1 lets the search turn blocks"),
    IntKey("itrlvl", &P::itrlvl, "legacy; read by no stage"),
    RealKey("frc", &P::frc, 10.0, "legacy; read by no stage"),
    IntKey("proc", &P::proc, "legacy; read by no stage"),
    RealKey("fil_l", &P::fil_l, 100.0, "legacy; read by no stage"),
    RealKey("repfact", &P::repfact, 100.0, "legacy; read by no stage"),
    IntKey("qp_itrmax", &P::qp_itrmax, "printed in the statistics record only"),
    IntKey("linecnt", &P::linecnt, "legacy; read by no stage"),
    IntKey("scan_fe", &P::scan_fe, "legacy; read by no stage"),
    RealKey("fld_ratio", &P::fld_ratio, 100.0, "legacy; read by no stage"),
    RealKey("fil_ratio", &P::fil_ratio, 100.0, "legacy; read by no stage"),
    RealKey("devi_upd", &P::devi_upd, 100.0, "legacy; read by no stage"),
    RealKey("grav_ofs", &P::grav_ofs, 100.0, "legacy; read by no stage"),
    RealKey("grav_wgt", &P::grav_wgt, 100.0, "legacy; read by no stage"),
    IntKey("trace_qp", &P::trace_qp, "legacy; read by no stage"),
    IntKey("display", &P::display, "legacy; read by no stage"),
    RealKey("delta_fil", &P::delta_fil, 1000000.0, "legacy; read by no stage"),
    IntKey("lu_ntdeg_thd", &P::lu_ntdeg_thd, "legacy; read by no stage"),
    IntKey("gs_ntdeg_thd", &P::gs_ntdeg_thd, "legacy; read by no stage"),
    RealKey("fix_cel_den", &P::fix_cel_den, 10.0, "legacy; read by no stage"),
    IntKey("gs_itr_max", &P::gs_itr_max, "legacy; read by no stage"),
    RealKey("gs_max_dev", &P::gs_max_dev, 1000000.0, "legacy; read by no stage"),
    RealKey("sor", &P::sor, 100.0, "legacy; read by no stage"),
    RealKey("sor2", &P::sor2, 100.0, "legacy; read by no stage"),
    IntKey("opt_method", &P::opt_method, "1 simulated annealing, 0 the insertion optimiser"),
    RealKey("d_mult", &P::d_mult, 1.0,
            "replaced by the run before use (insertion optimiser's acceptance scale)"),
    RealKey("t_base", &P::t_base, 1000.0, "insertion optimiser: base temperature, in thousandths"),
    IntKey("start_tempe", &P::start_tempe, "annealing: first temperature"),
    IntKey("end_tempe", &P::end_tempe, "annealing: the schedule ends at or below this temperature"),
    IntKey("iterations", &P::iterations, "annealing: moves per temperature, in percent of the block count"),
    RealKey("cooling_ratio", &P::cooling_ratio, 100.0,
            "annealing: each temperature times this, in hundredths"),
    IntKey("anneal_rounds", &P::anneal_rounds,
           "multi-tier runs: annealing rounds from new tier splits while the outline is missed"),
    IntKey("time_limit", &P::time_limit, "CPU seconds; 0 runs the schedule", {0, kMaxTimeLimit}),
    IntKey("starts", &P::starts, "annealing chains", {1, kMaxStarts}),
    IntKey("layers", &P::layers, "tiers", {1, kMaxTiers}),
    IntKey("wgt_via", &P::wgt_via, "via weight of the objective"),
    IntKey("thermal_opt", &P::thermal_opt, "legacy; read by no stage"),
    IntKey("pin_at_center", &P::pin_at_center, "1 puts every pin at its block's centre"),
    IntKey("opt_wire", &P::opt_wire, "1 weighs wire length in the search"),
    RealKey("aspect_ratio", &P::aspect_ratio, 100.0, "outline width / height, in hundredths", {1, 10000}),
    IntKey("svia_assignment", &P::svia_assignment, "1 plans the signal vias after the floorplan"),
    IntKey("setSizeOrDim", &P::setSizeOrDim, "via grid by cell count (0) or by cell size (1)"),
    IntKey("signalvia_gridx", &P::signalvia_gridx, "via grid columns", {1, kMaxViaGridCells}),
    IntKey("signalvia_gridy", &P::signalvia_gridy, "via grid rows", {1, kMaxViaGridCells}),
    RealKey("signalvia_sizex", &P::signalvia_sizex, 1.0, "via grid cell width, input units", {1, INT_MAX}),
    RealKey("signalvia_sizey", &P::signalvia_sizey, 1.0, "via grid cell height, input units", {1, INT_MAX}),
    IntKey("opt_ws_dist", &P::opt_ws_dist, "1 spreads the white space evenly over the tiers"),
    RealKey("wgt_wsdist", &P::wgt_wsdist, 1.0, "weight of that spread"),
    IntKey("init_rand", &P::init_rand, "1 splits the blocks over the tiers at random, 0 by area"),
    RealKey("deltac_wgt", &P::deltac_wgt, 10000.0,
            "printed in the statistics record only, in ten-thousandths"),
    RealKey("deltnt_wgt", &P::deltnt_wgt, 10000.0,
            "printed in the statistics record only, in ten-thousandths"),
    RealKey("deltvia_wgt", &P::deltvia_wgt, 10000.0,
            "printed in the statistics record only, in ten-thousandths"),
    IntKey("seed", &P::seed, "random seed; 0 seeds from the time of day"),
    IntKey("cell_groups", &P::cell_groups, "standard-cell groups", {1, kMaxBlocks}),
    IntKey("macro_blocks", &P::macro_blocks,
           "LEF/DEF: 1 makes every macro a block, 0 groups macros with the cells"),
    IntKey("die_outline", &P::die_outline, "1 the die, 0 from the block area", {0, 1}),
    RealKey("macro_halo", &P::macro_halo, 1000.0, "nanometres", {0, INT_MAX}),
    RealKey("macro_net_weight", &P::macro_net_weight, 1.0, "0 for none", {0, INT_MAX}),
    RealKey("fence_utilization", &P::fence_utilization, 100.0, "percent; 0 from the die", {0, 99}),
    RealKey("fence_aspect", &P::fence_aspect, 100.0,
            "a fence's height / width from 1/r to r, in hundredths; 100 keeps one shape", {100, 10000}),
    IntKey("bond_layer", &P::bond_layer, "routing layer from 1 at the bottom; 0 the top one", {0, INT_MAX}),
};

// A keyword buffer of this size holds every known keyword; a longer word is
// cut to size - 1 characters, which then matches nothing and is reported as
// unknown.
constexpr int kKeywordCap = 100;

// v * n / 100 without intermediate overflow; results beyond int saturate.
int PercentOf(int v, int n) {
  int64_t share = static_cast<int64_t>(v) * n / 100;
  if (share > INT_MAX) return INT_MAX;
  if (share < INT_MIN) return INT_MIN;
  return static_cast<int>(share);
}

// Why fl.prm's pair `word` `v` is refused, or "" when it is not: a word too
// long for a keyword, or a value outside its keyword's range.
std::string PairFault(const char* word, const Keyword* key, int v) {
  std::string fault;
  if (std::strlen(word) >= kKeywordCap)
    Appendf(fault, "Error: the word %.40s... is longer than %d characters.", word, kKeywordCap - 1);
  else if (key && (v < key->range.lo || v > key->range.hi))
    Appendf(fault, "Error: %s %d is out of range; %d %s (%s).", key->name, v, key->range.lo,
            key->range.hi == INT_MAX ? "or more" : ("to " + std::to_string(key->range.hi)).c_str(),
            key->help);
  return fault;
}

// The row of the keyword `name`; null for an unknown word.
const Keyword* FindKeyword(const char* name) {
  for (const Keyword& key : kKeywords)
    if (Strcmp(name, key.name)) return &key;
  return nullptr;
}

void Store(const Keyword& key, tagPARAMETERS* p, int v, int n) {
  switch (key.conversion) {
    case Conversion::kInt:
      p->*key.int_field = v;
      break;
    case Conversion::kPercent:
      p->*key.int_field = PercentOf(v, n);
      break;
    case Conversion::kReal:
      p->*key.real_field = v / key.divisor;
      break;
  }
}

// The line that byte `offset` of the file stands on, counted by reading the
// file again from its start: only a refusal asks. 0 when the file cannot
// tell offsets (a pipe).
int LineAt(FILE* f, long offset) {
  if (offset < 0 || fseek(f, 0, SEEK_SET) != 0) return 0;
  int line = 1;
  for (long i = 0; i < offset; ++i)
    if (getc(f) == '\n') ++line;
  return line;
}

}  // namespace

std::vector<KeywordRule> KeywordRules() {
  std::vector<KeywordRule> rules;
  for (const Keyword& key : kKeywords) rules.push_back({key.name, key.range.lo, key.range.hi, key.help});
  return rules;
}

int InitParameters(tagPARAMETERS* p) {
  if (!p) {
    DclError("Null pointer!");
    return -1;
  }
  // Everything not named below starts at 0: the driver-set fields (giveup,
  // depthmax, movenode, ntlubd*, ntpenalty*, the objective weights, d_mult)
  // until the driver fills them, and seed, lb_shift, placed_area.
  *p = tagPARAMETERS{};
  p->ipcand = 3;
  p->degobj = 3.0;
  p->degobj_g = 7.0;
  p->idle_g = 1000;
  p->movarea = 5;
  p->movnet = 5;
  p->movfix = 100.0;
  p->allarea = 20;
  p->allnet = 1.0;
  p->allfix = 100.0;
  p->grpwgt = 100.0;
  p->trace = 0;
  p->sparearea = 20.0;
  p->expand = 130.0;
  p->dltmin = 30.0;
  p->srchlvl_a = 100;
  p->srchlvl_b = 100;
  p->rotate = 1;
  p->itrlvl = 1;
  p->proc = 0;
  p->fil_l = 0.2;
  p->repfact = 0.3;
  p->qp_itrmax = 300;
  p->linecnt = 25000;
  p->fld_ratio = 0.65;
  p->fil_ratio = 0.65;
  p->devi_upd = 0.55;
  p->grav_ofs = 0.1;
  p->grav_wgt = 1.1;
  p->trace_qp = 0;
  p->display = 0;
  p->gs_itr_max = 30;
  p->gs_max_dev = 0.01;
  p->sor = 1.85;
  p->sor2 = 1.85;
  p->opt_method = 1;
  p->net_scale = 1.0;
  p->start_tempe = 50000;
  p->end_tempe = 100;
  p->iterations = 3000;
  p->cooling_ratio = 0.85;
  p->anneal_rounds = 10;
  p->starts = 1;
  p->layers = 2;
  p->wgt_via = 1;
  p->thermal_opt = 0;
  p->pin_at_center = 1;
  p->svia_assignment = 0;
  p->setSizeOrDim = 0;
  p->signalvia_gridx = 10;
  p->signalvia_gridy = 10;
  p->signalvia_sizex = 4.0;
  p->signalvia_sizey = 4.0;
  p->opt_ws_dist = 0;
  p->wgt_wsdist = 0.0;
  p->init_rand = 1;
  p->deltac_wgt = 1.0;
  p->deltnt_wgt = 1.0;
  p->deltvia_wgt = 1.0;
  p->cell_groups = 20;
  p->macro_blocks = 1;
  p->die_outline = 1;
  // Two microns keep about ten NanGate45 routing tracks (and more than a
  // cell row) around a RAM: room for its pins to escape and for a power ring.
  p->macro_halo = 2.0;
  p->macro_net_weight = 5.0;
  // Room to fill a die that squares would leave gaps in, and fences still
  // compact enough for short wires inside.
  p->fence_aspect = 3.0;

  // Values fl.prm is expected to give. These stand in when it does not: a
  // square outline, the insertion optimiser's base temperature of 50/1000,
  // and net length on in the search. The remaining such fields (spcwgt, frc,
  // scan_fe, delta_fil, lu_ntdeg_thd, gs_ntdeg_thd, fix_cel_den) stay 0.
  p->aspect_ratio = 1.0;
  p->t_base = 0.05;
  p->opt_wire = 1;
  return 0;
}

void SetSizeParameters(tagPARAMETERS* p, int n) {
  p->giveup = 5 * n;
  p->movenode = n;
  // The product is truncated before it is compared with 50.
  const int depth = n > 0 ? static_cast<int>(0.5 * n / std::sqrt(std::sqrt(static_cast<double>(n)))) : 0;
  p->depthmax = std::min(n, std::max(50, depth));
}

int InputPrm(const char* path, tagPARAMETERS* p, int n, bool echo) {
  const FilePtr file(fopen(path, "r"));
  if (!file) Refuse({}, 1, "cann't open %s", path);
  FILE* f = file.get();
  // One byte more than a keyword may use, so that a longer word shows.
  char keyword[kKeywordCap + 1];
  int echoed = 0;
  for (;;) {
    Skip(f);
    int c = getc(f);
    if (c == '*') {
      SkipLine(f);
      continue;
    }
    ungetc(c, f);
    const long start = ftell(f);  // where the word begins, for a refusal's line
    // The end of the file ends the list as "end" does.
    if (GetString(f, keyword, sizeof keyword) == EOF) break;
    int v = GetInt(f);
    if (Strcmp(keyword, "end")) break;
    const Keyword* key = FindKeyword(keyword);
    const std::string fault = PairFault(keyword, key, v);
    if (!fault.empty()) {
      // The refusal takes a line of its own after the echo.
      if (echoed % 4 != 0) printf("\n");
      Refuse({path, LineAt(f, start)}, 1, "%s", fault.c_str());
    }
    if (key) Store(*key, p, v, n);
    if (!echo) continue;
    if (!key) printf(" %s ?", keyword);
    printf("( %-10s: %4d)", keyword, v);
    if (++echoed % 4 == 0) printf("\n");
  }
  if (echo) printf("\n");
  return 0;
}
