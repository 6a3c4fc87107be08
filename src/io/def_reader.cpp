// The DEF reader: units, die area, rows, tracks, components, pins, nets and
// blockages go to the callbacks, section counts too (SPECIALNETS are counted,
// not read); vias, regions, groups, routing and every other construct are
// checked for their shape and skipped without building anything.
#include <algorithm>
#include <cctype>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "io/lefdef.h"
#include "io/lefdef_tokenizer.h"

namespace {

struct DefCallbacks {
  defrDoubleCbkFnType units = nullptr;
  defrObjectCbkFnType die_area = nullptr;
  defrObjectCbkFnType pin = nullptr;
  defrIntegerCbkFnType component_start = nullptr;
  defrIntegerCbkFnType pins_start = nullptr;
  defrIntegerCbkFnType net_start = nullptr;
  defrIntegerCbkFnType snet_start = nullptr;
  defrComponentCbkFnType component = nullptr;
  defrNetCbkFnType net = nullptr;
  defrStringCbkFnType design = nullptr;
  defrStringCbkFnType version = nullptr;
  defrStringCbkFnType busbit = nullptr;
  defrStringCbkFnType divider = nullptr;
  defrRowCbkFnType row = nullptr;
  defrTrackCbkFnType track = nullptr;
  defrBlockageCbkFnType blockage = nullptr;
};

DefCallbacks callbacks;
FILE* echo_file = nullptr;
UnusedConstructs unused;

// Sections "KEYWORD n ; ... END KEYWORD" whose items are skipped.
const char* const kSkippedSections[] = {
    "VIAS",           "STYLES",     "NONDEFAULTRULES", "REGIONS", "PINPROPERTIES",        "BLOCKAGES",
    "SLOTS",          "FILLS",      "SCANCHAINS",      "GROUPS",  "FLOORPLANCONSTRAINTS", "IOTIMINGS",
    "TIMINGDISABLES", "PARTITIONS", "DEFAULTCAP"};

const char* const kOrientations[] = {"N", "W", "S", "E", "FN", "FW", "FS", "FE"};

void ReadPoint(LefDefTokenizer& in, double* x, double* y) {
  in.Expect("(");
  *x = in.ExpectNumber("an x coordinate");
  *y = in.ExpectNumber("a y coordinate");
  in.Expect(")");
}

int ReadOrientation(LefDefTokenizer& in) {
  const LefDefToken tok = in.Next();
  for (int code = 0; code < 8; ++code)
    if (LefDefTokenizer::Is(tok, kOrientations[code])) return code;
  in.Fail("an orientation (N, W, S, E, FN, FW, FS or FE)", tok);
}

// Skips the words of one "+ OPTION ..." up to the next "+" or ";".
void SkipOption(LefDefTokenizer& in) {
  while (!in.NextIs("+") && !in.NextIs(";")) {
    if (in.Peek().end) in.Fail("';'", in.Peek());
    in.Next();
  }
}

void ReadDieArea(LefDefTokenizer& in, defiUserData data) {
  defiBox box;
  int points = 0;
  while (in.NextIs("(")) {
    double x, y;
    ReadPoint(in, &x, &y);
    if (points == 0 || x < box.xl_) box.xl_ = x;
    if (points == 0 || y < box.yl_) box.yl_ = y;
    if (points == 0 || x > box.xh_) box.xh_ = x;
    if (points == 0 || y > box.yh_) box.yh_ = y;
    ++points;
  }
  if (points < 2) in.Fail("'(' starting a die area point", in.Peek());
  in.Expect(";");
  in.EndEcho();
  unused.Call(callbacks.die_area, "DIEAREA", defrDieAreaCbkType, static_cast<void*>(&box), data);
}

void ReadComponent(LefDefTokenizer& in, defiComponent& comp, defiUserData data) {
  comp.id_ = in.ExpectName("a component name");
  comp.name_ = in.ExpectName("a macro name");
  comp.status_ = defiComponent::kNone;
  comp.x_ = comp.y_ = 0;
  comp.orient_ = 0;
  comp.has_halo_ = false;
  for (;;) {
    const LefDefToken tok = in.Next();
    if (LefDefTokenizer::Is(tok, ";")) break;
    if (!LefDefTokenizer::Is(tok, "+")) in.Fail("'+' or ';'", tok);
    const LefDefToken option = in.Next();
    if (LefDefTokenizer::Is(option, "FIXED") || LefDefTokenizer::Is(option, "PLACED") ||
        LefDefTokenizer::Is(option, "COVER")) {
      comp.status_ = LefDefTokenizer::Is(option, "FIXED")    ? defiComponent::kFixed
                     : LefDefTokenizer::Is(option, "PLACED") ? defiComponent::kPlaced
                                                             : defiComponent::kCover;
      ReadPoint(in, &comp.x_, &comp.y_);
      comp.orient_ = ReadOrientation(in);
    } else if (LefDefTokenizer::Is(option, "UNPLACED")) {
      comp.status_ = defiComponent::kUnplaced;
      if (in.NextIs("(")) {
        ReadPoint(in, &comp.x_, &comp.y_);
        comp.orient_ = ReadOrientation(in);
      }
    } else if (LefDefTokenizer::Is(option, "HALO")) {
      in.Accept("SOFT");
      comp.has_halo_ = true;
      for (double& side : comp.halo_) side = in.ExpectNumber("a halo distance");
    } else {
      if (option.end || option.quoted) in.Fail("a component option", option);
      SkipOption(in);
    }
  }
  in.EndEcho();
  unused.Call(callbacks.component, "COMPONENT", defrComponentCbkType, &comp, data);
}

// "+ LAYER name [MASK n] [SPACING d | DESIGNRULEWIDTH w] ( x y ) ( x y )".
void ReadPinShape(LefDefTokenizer& in, defiPin& pin) {
  std::string layer = in.ExpectName("a layer name");
  while (!in.NextIs("(")) {
    if (in.Peek().end || in.NextIs("+") || in.NextIs(";")) in.Fail("'(' starting a pin shape", in.Peek());
    in.Next();
  }
  double xl, yl, xh, yh;
  ReadPoint(in, &xl, &yl);
  ReadPoint(in, &xh, &yh);
  if (pin.has_shape_) return;  // later ports add nothing to the pin's place
  pin.has_shape_ = true;
  pin.layer_ = std::move(layer);
  pin.shape_xl_ = std::min(xl, xh);
  pin.shape_yl_ = std::min(yl, yh);
  pin.shape_xh_ = std::max(xl, xh);
  pin.shape_yh_ = std::max(yl, yh);
}

void ReadPin(LefDefTokenizer& in, defiPin& pin, defiUserData data) {
  pin = defiPin{};
  pin.name_ = in.ExpectName("a pin name");
  for (;;) {
    const LefDefToken tok = in.Next();
    if (LefDefTokenizer::Is(tok, ";")) break;
    if (!LefDefTokenizer::Is(tok, "+")) in.Fail("'+' or ';'", tok);
    const LefDefToken option = in.Next();
    if (LefDefTokenizer::Is(option, "NET")) {
      pin.net_ = in.ExpectName("a net name");
    } else if (LefDefTokenizer::Is(option, "DIRECTION")) {
      pin.direction_ = in.ExpectUpperName("a direction");
    } else if (LefDefTokenizer::Is(option, "USE")) {
      pin.use_ = in.ExpectUpperName("a pin use");
    } else if (LefDefTokenizer::Is(option, "LAYER")) {
      ReadPinShape(in, pin);
    } else if (LefDefTokenizer::Is(option, "PLACED") || LefDefTokenizer::Is(option, "FIXED") ||
               LefDefTokenizer::Is(option, "COVER")) {
      double x, y;
      ReadPoint(in, &x, &y);
      const int orient = ReadOrientation(in);
      if (!pin.placed_) {
        pin.placed_ = true;
        pin.fixed_ = LefDefTokenizer::Is(option, "FIXED");
        pin.x_ = x;
        pin.y_ = y;
        pin.orient_ = orient;
      }
    } else {
      if (option.end || option.quoted) in.Fail("a pin option", option);
      SkipOption(in);
    }
  }
  in.EndEcho();
  unused.Call(callbacks.pin, "PIN", defrPinCbkType, static_cast<void*>(&pin), data);
}

void ReadNet(LefDefTokenizer& in, defiNet& net, defiUserData data) {
  net.name_ = in.ExpectName("a net name");
  net.use_.clear();
  net.connections_.clear();
  for (;;) {
    const LefDefToken tok = in.Next();
    if (LefDefTokenizer::Is(tok, ";")) break;
    if (LefDefTokenizer::Is(tok, "+")) {
      // Options and routing follow the connections; only USE is read.
      const LefDefToken option = in.Next();
      if (LefDefTokenizer::Is(option, "USE"))
        net.use_ = in.ExpectUpperName("a net use");
      else if (option.end || option.quoted)
        in.Fail("a net option", option);
      else
        SkipOption(in);
      continue;
    }
    if (!LefDefTokenizer::Is(tok, "(")) in.Fail("'(', '+' or ';'", tok);
    std::string instance = in.ExpectName("a component name or PIN");
    std::string pin = in.ExpectName("a pin name");
    while (!in.NextIs(")")) {  // "+ SYNTHESIZED" inside the brackets
      if (in.Peek().end || in.NextIs(";") || in.NextIs("(")) in.Fail("')'", in.Peek());
      in.Next();
    }
    in.Next();
    net.connections_.emplace_back(std::move(instance), std::move(pin));
  }
  in.EndEcho();
  unused.Call(callbacks.net, "NET", defrNetCbkType, &net, data);
}

// "- PLACEMENT | LAYER name [+ option ...] RECT pt pt | POLYGON pt pt pt ... ;"
// after its "-": several shapes may follow each other.
void ReadBlockage(LefDefTokenizer& in, defiBlockage& b, defiUserData data) {
  b = defiBlockage{};
  const LefDefToken first = in.Next();
  if (LefDefTokenizer::Is(first, "PLACEMENT"))
    b.placement_ = b.hard_ = true;
  else if (LefDefTokenizer::Is(first, "LAYER"))
    in.ExpectName("a layer name");
  else
    in.Fail("PLACEMENT or LAYER", first);
  for (;;) {
    const LefDefToken tok = in.Next();
    if (LefDefTokenizer::Is(tok, ";")) {
      b.text_.assign(first.text.data(), tok.text.data() + tok.text.size());
      break;
    }
    if (LefDefTokenizer::Is(tok, "+")) {
      const LefDefToken option = in.Next();
      const auto is = [&option](const char* word) { return LefDefTokenizer::Is(option, word); };
      if (is("SOFT") || is("PARTIAL") || is("COMPONENT")) b.hard_ = false;
      if (is("COMPONENT"))
        in.ExpectName("a component name");
      else if (is("PARTIAL") || is("SPACING") || is("DESIGNRULEWIDTH") || is("MASK"))
        in.ExpectNumber("a number");
      else if (!is("SOFT") && !is("PUSHDOWN") && !is("EXCEPTPGNET") && !is("SLOTS") && !is("FILLS"))
        in.Fail("a blockage option", option);
      continue;
    }
    const bool rect = LefDefTokenizer::Is(tok, "RECT");
    if (!rect && !LefDefTokenizer::Is(tok, "POLYGON")) in.Fail("RECT, POLYGON, '+' or ';'", tok);
    defiBox box;
    for (int points = 0; rect ? points < 2 : points < 3 || in.NextIs("("); ++points) {
      double x, y;
      ReadPoint(in, &x, &y);
      box = points == 0 ? defiBox{x, y, x, y}
                        : defiBox{std::min(box.xl_, x), std::min(box.yl_, y), std::max(box.xh_, x),
                                  std::max(box.yh_, y)};
    }
    b.boxes_.push_back(box);
  }
  in.EndEcho();
  unused.Call(callbacks.blockage, "BLOCKAGE", defrBlockageCbkType, &b, data);
}

// "ROW name site x y orient [DO nx BY ny [STEP sx sy]] [+ PROPERTY ...] ;"
// after its keyword.
void ReadRow(LefDefTokenizer& in, defiUserData data) {
  defiRow row;
  row.name_ = in.ExpectName("a row name");
  row.site_ = in.ExpectName("a site name");
  row.x_ = in.ExpectNumber("a row x");
  row.y_ = in.ExpectNumber("a row y");
  row.orient_ = ReadOrientation(in);
  if (in.Accept("DO")) {
    row.num_x_ = in.ExpectCount("a site count");
    in.Expect("BY");
    row.num_y_ = in.ExpectCount("a site count");
    if (in.Accept("STEP")) {
      row.step_x_ = in.ExpectNumber("a row step");
      row.step_y_ = in.ExpectNumber("a row step");
    }
  }
  in.SkipStatement();
  in.EndEcho();
  unused.Call(callbacks.row, "ROW", defrRowCbkType, &row, data);
}

// "TRACKS X|Y start DO n STEP step [MASK m [SAMEMASK]] [LAYER name ...] ;"
// after its keyword.
void ReadTracks(LefDefTokenizer& in, defiUserData data) {
  defiTrack track;
  const LefDefToken axis = in.Next();
  if (!LefDefTokenizer::Is(axis, "X") && !LefDefTokenizer::Is(axis, "Y")) in.Fail("X or Y", axis);
  track.axis_ = LefDefTokenizer::Is(axis, "X") ? 'X' : 'Y';
  track.start_ = in.ExpectNumber("a track start");
  in.Expect("DO");
  track.num_ = in.ExpectCount("a track count");
  in.Expect("STEP");
  track.step_ = in.ExpectNumber("a track step");
  while (!in.Accept(";")) {
    if (in.Peek().end) in.Fail("';'", in.Peek());
    if (in.Accept("LAYER")) {
      while (!in.NextIs(";") && !in.NextIs("MASK")) track.layers_.push_back(in.ExpectName("a layer name"));
    } else {
      in.Next();  // MASK m SAMEMASK
    }
  }
  in.EndEcho();
  unused.Call(callbacks.track, "TRACKS", defrTrackCbkType, &track, data);
}

// Items "- ... ;" of a section up to "END <keyword>"; `named` items begin
// with a name no other item of the section has.
template <typename Record>
void ReadItems(LefDefTokenizer& in, const char* keyword, int opened, defiUserData data,
               void (*read)(LefDefTokenizer&, Record&, defiUserData), bool named = true) {
  Record record;
  // The line each name was defined on; the names point into the file's text.
  std::unordered_map<std::string_view, int> defined;
  for (;;) {
    if (in.Accept("END")) {
      const LefDefToken closer = in.Next();
      if (!LefDefTokenizer::Is(closer, keyword)) in.Fail(EndOf(keyword, opened), closer);
      return;
    }
    if (!in.NextIs("-")) in.Fail("'-' or " + EndOf(keyword, opened), in.Peek());
    in.BeginEcho();
    in.Next();
    // The next tool refuses a design that defines a name twice.
    const LefDefToken name = in.Peek();
    const auto [first, fresh] =
        named ? defined.emplace(name.text, name.line) : std::pair{defined.end(), true};
    if (!fresh)
      in.Refuse(name.line, "Error: " + std::string(keyword) + " defines " + std::string(name.text) +
                               " a second time (first at line " + std::to_string(first->second) + ").");
    read(in, record, data);
  }
}

// "KEYWORD n ;" heading a section.
int ReadSectionCount(LefDefTokenizer& in) {
  const int count = in.ExpectCount("a count");
  in.Expect(";");
  in.EndEcho();
  return count;
}

void ReadDesign(LefDefTokenizer& in, defiUserData data) {
  // The line of each item section: a second one would define its items again.
  std::unordered_map<std::string, int> sections;
  const auto open_items = [&](const char* section, int line) {
    const auto [first, fresh] = sections.emplace(section, line);
    if (!fresh)
      in.Refuse(line, "Error: a second " + std::string(section) + " section (the first at line " +
                          std::to_string(first->second) + ").");
  };
  for (;;) {
    const LefDefToken& tok = in.Peek();
    if (tok.end) in.Fail("END DESIGN", tok);
    const int line = tok.line;
    const LefDefToken keyword = in.NextStatement("a DEF statement");
    if (LefDefTokenizer::Is(keyword, "END")) {
      in.Expect("DESIGN");
      in.EndEcho();
      return;
    }
    if (LefDefTokenizer::Is(keyword, "UNITS")) {
      in.Expect("DISTANCE");
      in.Expect("MICRONS");
      const double distance = in.ExpectNumber("a number of database units per micron");
      in.Expect(";");
      in.EndEcho();
      unused.Call(callbacks.units, "UNITS", defrUnitsCbkType, distance, data);
    } else if (LefDefTokenizer::Is(keyword, "DIEAREA")) {
      ReadDieArea(in, data);
    } else if (LefDefTokenizer::Is(keyword, "ROW")) {
      ReadRow(in, data);
    } else if (LefDefTokenizer::Is(keyword, "TRACKS")) {
      ReadTracks(in, data);
    } else if (LefDefTokenizer::Is(keyword, "COMPONENTS")) {
      open_items("COMPONENTS", line);
      unused.Call(callbacks.component_start, "COMPONENTS", defrComponentStartCbkType, ReadSectionCount(in),
                  data);
      ReadItems<defiComponent>(in, "COMPONENTS", line, data, ReadComponent);
    } else if (LefDefTokenizer::Is(keyword, "PINS")) {
      open_items("PINS", line);
      unused.Call(callbacks.pins_start, "PINS", defrStartPinsCbkType, ReadSectionCount(in), data);
      ReadItems<defiPin>(in, "PINS", line, data, ReadPin);
    } else if (LefDefTokenizer::Is(keyword, "NETS")) {
      open_items("NETS", line);
      unused.Call(callbacks.net_start, "NETS", defrNetStartCbkType, ReadSectionCount(in), data);
      ReadItems<defiNet>(in, "NETS", line, data, ReadNet);
    } else if (LefDefTokenizer::Is(keyword, "BLOCKAGES") && callbacks.blockage) {
      ReadSectionCount(in);
      ReadItems<defiBlockage>(in, "BLOCKAGES", line, data, ReadBlockage, false);
    } else if (LefDefTokenizer::Is(keyword, "SPECIALNETS")) {
      unused.Call(callbacks.snet_start, "SPECIALNETS", defrSNetStartCbkType, ReadSectionCount(in), data);
      in.SkipSection("SPECIALNETS", false, line);
    } else if (LefDefTokenizer::Is(keyword, "BUSBITCHARS")) {
      in.ReadBusBitChars();
      in.EndEcho();
      unused.Call(callbacks.busbit, "BUSBITCHARS", defrBusBitCbkType, in.busbit_chars().c_str(), data);
    } else if (LefDefTokenizer::Is(keyword, "DIVIDERCHAR")) {
      in.ReadDividerChar();
      in.EndEcho();
      const char divider[2] = {in.divider_char(), 0};
      unused.Call(callbacks.divider, "DIVIDERCHAR", defrDividerCbkType, static_cast<const char*>(divider),
                  data);
    } else if (LefDefTokenizer::Is(keyword, "VERSION")) {
      const std::string version = in.ReadVersion();
      in.EndEcho();
      unused.Call(callbacks.version, "VERSION", defrVersionStrCbkType, version.c_str(), data);
    } else if (LefDefTokenizer::Is(keyword, "DESIGN")) {
      const std::string name = in.ExpectName("a design name");
      in.Expect(";");
      in.EndEcho();
      unused.Call(callbacks.design, "DESIGN", defrDesignCbkType, name.c_str(), data);
    } else {
      bool section = false;
      for (const char* name : kSkippedSections) section = section || LefDefTokenizer::Is(keyword, name);
      if (section) {
        ReadSectionCount(in);
        in.SkipSection(keyword.text, false, line);
      } else if (LefDefTokenizer::Is(keyword, "PROPERTYDEFINITIONS")) {
        in.EndEcho();
        in.SkipSection(keyword.text, false, line);
      } else if (LefDefTokenizer::Is(keyword, "BEGINEXT")) {
        in.SkipExtension(line);
      } else {
        in.SkipStatement();  // GCELLGRID, HISTORY, ...
      }
      unused.Count(keyword.text);
    }
    in.EndEcho();
  }
}

}  // namespace

void defrInit() {
  callbacks = DefCallbacks{};
  unused.Clear();
}

void defrSetUnitsCbk(defrDoubleCbkFnType f) { callbacks.units = f; }
void defrSetDieAreaCbk(defrObjectCbkFnType f) { callbacks.die_area = f; }
void defrSetPinCbk(defrObjectCbkFnType f) { callbacks.pin = f; }
void defrSetComponentStartCbk(defrIntegerCbkFnType f) { callbacks.component_start = f; }
void defrSetStartPinsCbk(defrIntegerCbkFnType f) { callbacks.pins_start = f; }
void defrSetNetStartCbk(defrIntegerCbkFnType f) { callbacks.net_start = f; }
void defrSetSNetStartCbk(defrIntegerCbkFnType f) { callbacks.snet_start = f; }
void defrSetComponentCbk(defrComponentCbkFnType f) { callbacks.component = f; }
void defrSetNetCbk(defrNetCbkFnType f) { callbacks.net = f; }
void defrSetDesignCbk(defrStringCbkFnType f) { callbacks.design = f; }
void defrSetVersionStrCbk(defrStringCbkFnType f) { callbacks.version = f; }
void defrSetBusBitCbk(defrStringCbkFnType f) { callbacks.busbit = f; }
void defrSetDividerCbk(defrStringCbkFnType f) { callbacks.divider = f; }
void defrSetRowCbk(defrRowCbkFnType f) { callbacks.row = f; }
void defrSetTrackCbk(defrTrackCbkFnType f) { callbacks.track = f; }
void defrSetBlockageCbk(defrBlockageCbkFnType f) { callbacks.blockage = f; }
void defwInit(FILE* echo) { echo_file = echo; }

int defrRead(FILE* file, const char* path, defiUserData data) {
  return ReadLefDefFile(file, path, echo_file, [data](LefDefTokenizer& in) { ReadDesign(in, data); });
}

void defrPrintUnusedCallbacks(FILE* out) { unused.Print(out, "DEF"); }

int defrUnusedCount(const char* kind) {
  const auto found = unused.kinds.counts.find(kind);
  return found == unused.kinds.counts.end() ? 0 : found->second;
}
