// The LEF reader: macros with their class, size, origin and pins go to the
// callbacks; layers, vias, sites, rules, properties and every other construct
// are checked for their shape and skipped without building anything.
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
};

LefCallbacks callbacks;
FILE* echo_file = nullptr;
UnusedConstructs unused;

// Sections closed by "END <their name>"; the last two hold inner sections
// (rule layers and vias, array floorplans) with ends of their own.
const char* const kNamedSections[] = {"LAYER", "VIA", "VIARULE", "SITE"};
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

void ReadPin(LefDefTokenizer& in, lefiUserData data, int opened) {
  lefiPin pin;
  pin.name_ = in.ExpectName("a pin name");
  in.EndEcho();
  for (;;) {
    const LefDefToken& tok = in.Peek();
    if (tok.end) in.Fail(EndOf(pin.name_, opened), tok);
    const int line = tok.line;
    if (in.Accept("END")) {
      ExpectEndName(in, pin.name_, opened);
      break;
    }
    if (in.Accept("PORT"))
      in.SkipToBareEnd(line);
    else
      in.SkipStatement();
  }
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
      macro.size_x_ = in.ExpectNumber("a macro width");
      in.Expect("BY");
      macro.size_y_ = in.ExpectNumber("a macro height");
      in.Expect(";");
      macro.has_size_ = true;
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
void lefwInit(FILE* echo) { echo_file = echo; }

int lefrRead(FILE* file, const char* path, lefiUserData data) {
  return ReadLefDefFile(file, path, echo_file, [data](LefDefTokenizer& in) { ReadLibrary(in, data); });
}

void lefrPrintUnusedCallbacks(FILE* out) { unused.Print(out, "LEF"); }
