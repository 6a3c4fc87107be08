// The LEF reader: macros with their class, size, origin, symmetry, site and
// pins (with the box of their port rectangles) go to the callbacks, and so do sites and the layers' types;
// vias, rules, properties and every other construct are checked for their shape and skipped without building
// anything.
#include <algorithm>
#include <cstring>
#include <string>

#include "io/lefdef.h"
#include "io/lefdef_tokenizer.h"

namespace {

struct LefCallbacks {
  lefrStringCbkFnType macro_begin = nullptr;
  lefrStringCbkFnType macro_class = nullptr;
  lefrMacroCbkFnType macro = nullptr;
  lefrPinCbkFnType pin = nullptr;
  lefrSiteCbkFnType site = nullptr;
  lefrLayerCbkFnType layer = nullptr;
};

LefCallbacks callbacks;
FILE* echo_file = nullptr;
UnusedConstructs unused;

// Sections closed by "END <their name>"; the last two hold inner sections
// (rule layers and vias, array floorplans) with ends of their own.
const char* const kNamedSections[] = {"VIA", "VIARULE"};
const char* const kNestingSections[] = {"NONDEFAULTRULE", "ARRAY"};
// Sections closed by "END <their keyword>".
const char* const kKeywordSections[] = {"UNITS",  "PROPERTYDEFINITIONS", "SPACING",
                                        "IRDROP", "NOISETABLE",          "CORRECTIONTABLE"};

template <size_t N>
bool IsOneOf(const LefDefToken& tok, const char* const (&keywords)[N]) {
  for (const char* keyword : keywords)
    if (LefDefTokenizer::Is(tok, keyword)) return true;
  return false;
}

// Checks "END <name>" after the END already consumed.
void ExpectEndName(LefDefTokenizer& in, const std::string& name, int opened) {
  const LefDefToken tok = in.Next();
  if (tok.end || tok.text != name) in.Fail(EndOf(name, opened), tok);
}

// "SYMMETRY X Y R90 ;" after its keyword, in any order and case.
int ReadSymmetry(LefDefTokenizer& in) {
  int symmetry = 0;
  while (!in.Accept(";")) {
    const LefDefToken tok = in.Next();
    if (LefDefTokenizer::Is(tok, "X"))
      symmetry |= kSymmetryX;
    else if (LefDefTokenizer::Is(tok, "Y"))
      symmetry |= kSymmetryY;
    else if (LefDefTokenizer::Is(tok, "R90"))
      symmetry |= kSymmetryR90;
    else
      in.Fail("X, Y, R90 or ';'", tok);
  }
  return symmetry;
}

// "SIZE w BY h ;" after its keyword.
void ReadSize(LefDefTokenizer& in, const char* what_w, const char* what_h, double* w, double* h) {
  *w = in.ExpectNumber(what_w);
  in.Expect("BY");
  *h = in.ExpectNumber(what_h);
  in.Expect(";");
}

void ReadSite(LefDefTokenizer& in, lefiUserData data, int opened) {
  lefiSite site;
  site.name_ = in.ExpectName("a site name");
  in.EndEcho();
  in.ReadSection(site.name_, opened, [&](const LefDefToken& keyword) {
    if (LefDefTokenizer::Is(keyword, "CLASS")) {
      site.class_ = in.ExpectName("a site class");
      in.Expect(";");
    } else if (LefDefTokenizer::Is(keyword, "SIZE")) {
      ReadSize(in, "a site width", "a site height", &site.size_x_, &site.size_y_);
    } else if (LefDefTokenizer::Is(keyword, "SYMMETRY")) {
      site.symmetry_ = ReadSymmetry(in);
    } else {
      return false;
    }
    return true;
  });
  unused.Call(callbacks.site, "SITE", lefrSiteCbkType, &site, data);
}

void ReadLayer(LefDefTokenizer& in, lefiUserData data, int opened) {
  lefiLayer layer;
  layer.name_ = in.ExpectName("a layer name");
  in.EndEcho();
  in.ReadSection(layer.name_, opened, [&](const LefDefToken& keyword) {
    if (!LefDefTokenizer::Is(keyword, "TYPE")) return false;
    layer.type_ = in.ExpectUpperName("a layer type");
    in.Expect(";");
    return true;
  });
  unused.Call(callbacks.layer, "LAYER", lefrLayerCbkType, &layer, data);
}

// The statements of a PORT through its bare END; each RECT widens the pin's box.
void ReadPort(LefDefTokenizer& in, int opened, lefiPin* pin) {
  in.ReadToBareEnd(opened, [&in, pin](const LefDefToken& tok) {
    if (!LefDefTokenizer::Is(tok, "RECT")) return false;
    in.Next();
    if (in.Accept("MASK")) in.ExpectNumber("a mask number");
    if (in.NextIs("ITERATE")) return false;
    const double x0 = in.ExpectNumber("a rectangle's x"), y0 = in.ExpectNumber("a rectangle's y");
    const double x1 = in.ExpectNumber("a rectangle's x"), y1 = in.ExpectNumber("a rectangle's y");
    in.Expect(";");
    if (!pin->has_box_) pin->xl_ = pin->xh_ = x0, pin->yl_ = pin->yh_ = y0, pin->has_box_ = true;
    pin->xl_ = std::min({pin->xl_, x0, x1}), pin->xh_ = std::max({pin->xh_, x0, x1});
    pin->yl_ = std::min({pin->yl_, y0, y1}), pin->yh_ = std::max({pin->yh_, y0, y1});
    return true;
  });
}

void ReadPin(LefDefTokenizer& in, lefiUserData data, int opened) {
  lefiPin pin;
  pin.name_ = in.ExpectName("a pin name");
  in.EndEcho();
  in.ReadSection(pin.name_, opened, [&in, &pin](const LefDefToken& keyword) {
    if (!LefDefTokenizer::Is(keyword, "PORT")) return false;
    ReadPort(in, keyword.line, &pin);
    return true;
  });
  unused.Call(callbacks.pin, "PIN", lefrPinCbkType, &pin, data);
}

void ReadMacro(LefDefTokenizer& in, lefiUserData data, int opened) {
  lefiMacro macro;
  macro.name_ = in.ExpectName("a macro name");
  in.EndEcho();
  unused.Call(callbacks.macro_begin, "MACRO", lefrMacroBeginCbkType, macro.name(), data);
  for (;;) {
    const LefDefToken& tok = in.Peek();
    if (tok.end) in.Fail(EndOf(macro.name_, opened), tok);
    const int line = tok.line;
    in.BeginEcho();
    const LefDefToken keyword = in.Next();
    if (LefDefTokenizer::Is(keyword, "END")) {
      ExpectEndName(in, macro.name_, opened);
      in.EndEcho();
      break;
    }
    if (LefDefTokenizer::Is(keyword, "CLASS")) {
      // A class and at most one subclass: "PAD INPUT", "CORE TIEHIGH".
      macro.class_ = in.ExpectName("a macro class");
      if (!in.NextIs(";")) macro.class_ += " " + in.ExpectName("a macro subclass or ';'");
      in.Expect(";");
      in.EndEcho();
      unused.Call(callbacks.macro_class, "CLASS", lefrMacroClassTypeCbkType, macro.macroClass(), data);
    } else if (LefDefTokenizer::Is(keyword, "SIZE")) {
      ReadSize(in, "a macro width", "a macro height", &macro.size_x_, &macro.size_y_);
      macro.has_size_ = true;
      in.EndEcho();
    } else if (LefDefTokenizer::Is(keyword, "SYMMETRY")) {
      macro.symmetry_ = ReadSymmetry(in);
      in.EndEcho();
    } else if (LefDefTokenizer::Is(keyword, "SITE")) {
      // A site pattern of several sites starts with the one the macro sits on.
      macro.site_ = in.ExpectName("a site name");
      in.SkipStatement();
      in.EndEcho();
    } else if (LefDefTokenizer::Is(keyword, "ORIGIN")) {
      const bool bracketed = in.Accept("(");
      macro.origin_x_ = in.ExpectNumber("an origin x");
      macro.origin_y_ = in.ExpectNumber("an origin y");
      if (bracketed) in.Expect(")");
      in.Expect(";");
      macro.has_origin_ = true;
      in.EndEcho();
    } else if (LefDefTokenizer::Is(keyword, "PIN")) {
      ReadPin(in, data, line);
    } else if (LefDefTokenizer::Is(keyword, "OBS") || LefDefTokenizer::Is(keyword, "DENSITY")) {
      in.EndEcho();
      unused.Count(keyword.text);
      in.SkipToBareEnd(line);
    } else if (LefDefTokenizer::Is(keyword, "TIMING")) {
      in.EndEcho();
      unused.Count(keyword.text);
      in.SkipSection("TIMING", false, line);
    } else {
      if (keyword.quoted || LefDefTokenizer::Is(keyword, ";")) in.Fail("a macro statement", keyword);
      in.SkipStatement();
      in.EndEcho();
      unused.Count(keyword.text);
    }
  }
  in.MarkConstruct(opened);
  unused.Call(callbacks.macro, "END MACRO", lefrMacroCbkType, &macro, data);
}

void ReadLibrary(LefDefTokenizer& in, lefiUserData data) {
  for (;;) {
    const LefDefToken& tok = in.Peek();
    // END LIBRARY may be left out at the end of the file.
    if (tok.end) return;
    const int line = tok.line;
    const LefDefToken keyword = in.NextStatement("a LEF statement");
    if (LefDefTokenizer::Is(keyword, "MACRO")) {
      ReadMacro(in, data, line);
      continue;
    }
    if (LefDefTokenizer::Is(keyword, "SITE")) {
      ReadSite(in, data, line);
      continue;
    }
    if (LefDefTokenizer::Is(keyword, "LAYER")) {
      ReadLayer(in, data, line);
      continue;
    }
    if (LefDefTokenizer::Is(keyword, "END")) {
      // Libraries concatenated into one file each end so: read on.
      in.Expect("LIBRARY");
      in.EndEcho();
      continue;
    }
    if (LefDefTokenizer::Is(keyword, "BUSBITCHARS")) {
      in.ReadBusBitChars();
    } else if (LefDefTokenizer::Is(keyword, "DIVIDERCHAR")) {
      in.ReadDividerChar();
    } else if (LefDefTokenizer::Is(keyword, "VERSION")) {
      in.ReadVersion();
    } else if (IsOneOf(keyword, kNamedSections) || IsOneOf(keyword, kNestingSections)) {
      const std::string name = in.ExpectName("a name");
      in.EndEcho();
      in.SkipSection(name, IsOneOf(keyword, kNestingSections), line);
    } else if (IsOneOf(keyword, kKeywordSections)) {
      in.EndEcho();
      in.SkipSection(keyword.text, false, line);
    } else if (LefDefTokenizer::Is(keyword, "BEGINEXT")) {
      in.SkipExtension(line);
    } else {
      in.SkipStatement();
    }
    in.EndEcho();
    unused.Count(keyword.text);
  }
}

}  // namespace

void lefrInit() {
  callbacks = LefCallbacks{};
  unused.Clear();
}

void lefrSetMacroBeginCbk(lefrStringCbkFnType f) { callbacks.macro_begin = f; }
void lefrSetMacroClassTypeCbk(lefrStringCbkFnType f) { callbacks.macro_class = f; }
void lefrSetMacroCbk(lefrMacroCbkFnType f) { callbacks.macro = f; }
void lefrSetPinCbk(lefrPinCbkFnType f) { callbacks.pin = f; }
void lefrSetSiteCbk(lefrSiteCbkFnType f) { callbacks.site = f; }
void lefrSetLayerCbk(lefrLayerCbkFnType f) { callbacks.layer = f; }
void lefwInit(FILE* echo) { echo_file = echo; }

int lefrRead(FILE* file, const char* path, lefiUserData data) {
  return ReadLefDefFile(file, path, echo_file, [data](LefDefTokenizer& in) { ReadLibrary(in, data); });
}

void lefrPrintUnusedCallbacks(FILE* out) { unused.Print(out, "LEF"); }
