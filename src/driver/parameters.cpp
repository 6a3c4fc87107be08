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

// The values fl.prm may give a keyword, as written in the file, and what
// they count; a value outside is refused before anything uses it.
struct Range {
  int lo = INT_MIN;
  int hi = INT_MAX;
  const char* meaning = nullptr;
};

struct Keyword {
  const char* name;
  Conversion conversion;
  int tagPARAMETERS::*int_field;
  double tagPARAMETERS::*real_field;
  double divisor;
  Range range;
};

constexpr Keyword IntKey(const char* name, int tagPARAMETERS::*field, Range range = {}) {
  return {name, Conversion::kInt, field, nullptr, 1.0, range};
}
constexpr Keyword PercentKey(const char* name, int tagPARAMETERS::*field) {
  return {name, Conversion::kPercent, field, nullptr, 1.0, {}};
}
constexpr Keyword RealKey(const char* name, double tagPARAMETERS::*field, double divisor = 1.0,
                          Range range = {}) {
  return {name, Conversion::kReal, nullptr, field, divisor, range};
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
    PercentKey("giveup", &P::giveup),
    PercentKey("depthmax", &P::depthmax),
    PercentKey("movenode", &P::movenode),
    IntKey("ipcand", &P::ipcand),
    RealKey("degobj", &P::degobj),
    RealKey("degobj_g", &P::degobj_g),
    IntKey("idle_g", &P::idle_g),
    IntKey("movarea", &P::movarea, {0, kMaxMoveAreaWeight, "area weight of a move"}),
    IntKey("movnet", &P::movnet),
    RealKey("movfix", &P::movfix),
    IntKey("allarea", &P::allarea, {0, kMaxAreaWeight, "area weight of the objective"}),
    RealKey("allnet", &P::allnet),
    RealKey("allfix", &P::allfix),
    RealKey("grpwgt", &P::grpwgt),
    RealKey("spcwgt", &P::spcwgt),
    IntKey("trace", &P::trace),
    RealKey("sparearea", &P::sparearea, 1.0, {-99, 10000, "percent white space"}),
    RealKey("expand", &P::expand),
    RealKey("dltmin", &P::dltmin),
    RealKey("ntlubd1", &P::ntlubd1),
    RealKey("ntpenalty1", &P::ntpenalty1),
    IntKey("srchlvl_a", &P::srchlvl_a),
    IntKey("srchlvl_b", &P::srchlvl_b),
    IntKey("rotate", &P::rotate),
    IntKey("itrlvl", &P::itrlvl),
    RealKey("frc", &P::frc, 10.0),
    IntKey("proc", &P::proc),
    RealKey("fil_l", &P::fil_l, 100.0),
    RealKey("repfact", &P::repfact, 100.0),
    IntKey("qp_itrmax", &P::qp_itrmax),
    IntKey("linecnt", &P::linecnt),
    IntKey("scan_fe", &P::scan_fe),
    RealKey("fld_ratio", &P::fld_ratio, 100.0),
    RealKey("fil_ratio", &P::fil_ratio, 100.0),
    RealKey("devi_upd", &P::devi_upd, 100.0),
    RealKey("grav_ofs", &P::grav_ofs, 100.0),
    RealKey("grav_wgt", &P::grav_wgt, 100.0),
    IntKey("trace_qp", &P::trace_qp),
    IntKey("display", &P::display),
    RealKey("delta_fil", &P::delta_fil, 1000000.0),
    IntKey("lu_ntdeg_thd", &P::lu_ntdeg_thd),
    IntKey("gs_ntdeg_thd", &P::gs_ntdeg_thd),
    RealKey("fix_cel_den", &P::fix_cel_den, 10.0),
    IntKey("gs_itr_max", &P::gs_itr_max),
    RealKey("gs_max_dev", &P::gs_max_dev, 1000000.0),
    RealKey("sor", &P::sor, 100.0),
    RealKey("sor2", &P::sor2, 100.0),
    IntKey("opt_method", &P::opt_method),
    RealKey("d_mult", &P::d_mult),
    RealKey("t_base", &P::t_base, 1000.0),
    IntKey("start_tempe", &P::start_tempe),
    IntKey("end_tempe", &P::end_tempe),
    IntKey("iterations", &P::iterations),
    RealKey("cooling_ratio", &P::cooling_ratio, 100.0),
    IntKey("anneal_rounds", &P::anneal_rounds),
    IntKey("time_limit", &P::time_limit, {0, kMaxTimeLimit, "CPU seconds; 0 runs the schedule"}),
    IntKey("starts", &P::starts, {1, kMaxStarts, "annealing chains"}),
    IntKey("layers", &P::layers, {1, kMaxTiers, "tiers"}),
    IntKey("wgt_via", &P::wgt_via),
    IntKey("thermal_opt", &P::thermal_opt),
    IntKey("pin_at_center", &P::pin_at_center),
    IntKey("opt_wire", &P::opt_wire),
    RealKey("aspect_ratio", &P::aspect_ratio, 100.0, {1, 10000, "height / width in hundredths"}),
    IntKey("svia_assignment", &P::svia_assignment),
    IntKey("setSizeOrDim", &P::setSizeOrDim),
    IntKey("signalvia_gridx", &P::signalvia_gridx, {1, kMaxViaGridCells, "via grid columns"}),
    IntKey("signalvia_gridy", &P::signalvia_gridy, {1, kMaxViaGridCells, "via grid rows"}),
    RealKey("signalvia_sizex", &P::signalvia_sizex, 1.0, {1, INT_MAX, "via grid cell width, input units"}),
    RealKey("signalvia_sizey", &P::signalvia_sizey, 1.0, {1, INT_MAX, "via grid cell height, input units"}),
    IntKey("opt_ws_dist", &P::opt_ws_dist),
    RealKey("wgt_wsdist", &P::wgt_wsdist),
    IntKey("init_rand", &P::init_rand),
    RealKey("deltac_wgt", &P::deltac_wgt, 10000.0),
    RealKey("deltnt_wgt", &P::deltnt_wgt, 10000.0),
    RealKey("deltvia_wgt", &P::deltvia_wgt, 10000.0),
    IntKey("seed", &P::seed),
    IntKey("cell_groups", &P::cell_groups, {1, kMaxBlocks, "standard-cell groups"}),
    IntKey("macro_blocks", &P::macro_blocks),
    IntKey("die_outline", &P::die_outline, {0, 1, "1 the die, 0 from the block area"}),
    RealKey("macro_halo", &P::macro_halo, 1000.0, {0, INT_MAX, "nanometres"}),
    RealKey("macro_net_weight", &P::macro_net_weight, 1.0, {0, INT_MAX, "0 for none"}),
    RealKey("fence_utilization", &P::fence_utilization, 100.0, {0, 99, "percent; 0 from the die"}),
    IntKey("bond_layer", &P::bond_layer, {0, INT_MAX, "routing layer from 1 at the bottom; 0 the top one"}),
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
  else if (key && key->range.hi == INT_MAX && v < key->range.lo)
    Appendf(fault, "Error: %s %d is out of range; %d or more (%s).", key->name, v, key->range.lo,
            key->range.meaning);
  else if (key && (v < key->range.lo || v > key->range.hi))
    Appendf(fault, "Error: %s %d is out of range; %d to %d (%s).", key->name, v, key->range.lo, key->range.hi,
            key->range.meaning);
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
  FILE* f = fopen(path, "r");
  if (!f) Refuse({}, 1, "cann't open %s", path);
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
      // The refusal takes a line of its own after the echo, and leaves no
      // file open behind a stop handler that throws.
      if (echoed % 4 != 0) printf("\n");
      const int line = LineAt(f, start);
      fclose(f);
      Refuse({path, line}, 1, "%s", fault.c_str());
    }
    if (key) Store(*key, p, v, n);
    if (!echo) continue;
    if (!key) printf(" %s ?", keyword);
    printf("( %-10s: %4d)", keyword, v);
    if (++echoed % 4 == 0) printf("\n");
  }
  if (echo) printf("\n");
  fclose(f);
  return 0;
}
