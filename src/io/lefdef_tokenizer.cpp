// Scanning LEF and DEF text in one pass over the file held in memory.
#include "io/lefdef_tokenizer.h"

#include <strings.h>

#include <cctype>
#include <charconv>
#include <cmath>

namespace {

// An echo line keeps the start of a long construct only.
constexpr size_t kEchoCap = 200;
// Longest piece of a token quoted in a message.
constexpr size_t kShownCap = 60;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

std::string Shown(const LefDefToken& tok) {
  if (tok.end) return "end of file";
  std::string text(tok.text.substr(0, kShownCap));
  if (tok.text.size() > kShownCap) text += "...";
  return tok.quoted ? "\"" + text + "\"" : "'" + text + "'";
}

}  // namespace

std::string EndOf(std::string_view name, int opened) {
  std::string text = "END";
  if (!name.empty()) text += " " + std::string(name);
  return text + " (opened at line " + std::to_string(opened) + ")";
}

namespace {

// The tokenizer of the read in progress, whose callbacks may refuse a value.
const LefDefTokenizer* reading = nullptr;

bool ReadWholeFile(FILE* file, std::string* text) {
  text->clear();
  char buffer[1 << 16];
  size_t got;
  while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
    if (text->size() + got > kMaxLefDefBytes) return false;
    text->append(buffer, got);
  }
  return !std::ferror(file);
}

}  // namespace

int ReadLefDefFile(FILE* file, const char* path, FILE* echo,
                   const std::function<void(LefDefTokenizer&)>& read) {
  std::string text;
  if (!file || !ReadWholeFile(file, &text)) {
    PrintRefusal({path ? path : ""}, "Error: cannot read the file, or it is larger than 1 GiB.");
    return 1;
  }
  LefDefTokenizer in(path, std::move(text), echo);
  reading = &in;
  int status = 0;
  try {
    read(in);
  } catch (const LefDefStop& stop) {
    status = stop.status;
  }
  reading = nullptr;
  return status;
}

InputPosition ReadPosition() { return reading ? reading->ConstructPosition() : InputPosition{}; }

void NameTally::Add(std::string_view name) {
  auto [it, inserted] = counts.emplace(std::string(name), 0);
  if (inserted) order.push_back(it->first);
  it->second += 1;
  total += 1;
}

void NameTally::Clear() {
  order.clear();
  counts.clear();
  total = 0;
}

std::string NameTally::Sample(size_t shown) const {
  std::string text;
  for (size_t i = 0; i < order.size() && i < shown; ++i)
    text += (i ? ", " : "") + order[i] + ": " + std::to_string(counts.at(order[i]));
  if (order.size() > shown) text += ", ...";
  return text;
}

void UnusedConstructs::Count(std::string_view kind) {
  std::string key(kind);
  for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  kinds.Add(key);
}

void UnusedConstructs::Print(FILE* out, const char* reader) const {
  if (!out || kinds.order.empty()) return;
  std::fprintf(out, "%s constructs read without a callback:\n", reader);
  for (const std::string& kind : kinds.order)
    std::fprintf(out, "  %s: %d\n", kind.c_str(), kinds.counts.at(kind));
}

LefDefTokenizer::LefDefTokenizer(const char* path, std::string text, FILE* echo)
    : path_(path ? path : ""), text_(std::move(text)), echo_(echo) {}

LefDefToken LefDefTokenizer::Scan() {
  const size_t size = text_.size();
  while (pos_ < size) {
    const char c = text_[pos_];
    if (c == '\n') {
      ++line_;
      ++pos_;
    } else if (IsBlank(c)) {
      ++pos_;
    } else if (c == '#') {
      while (pos_ < size && text_[pos_] != '\n') ++pos_;
    } else {
      break;
    }
  }
  LefDefToken tok;
  tok.line = line_;
  if (pos_ >= size) {
    // The end of the file lies on its last line, not on the empty one after it.
    if (size > 0 && text_[size - 1] == '\n') tok.line = line_ - 1;
    tok.end = true;
    return tok;
  }
  const char c = text_[pos_];
  if (c == '"') {
    size_t j = pos_ + 1;
    int lines = 0;
    for (; j < size && text_[j] != '"'; ++j) {
      if (text_[j] == '\\' && j + 1 < size) ++j;
      if (text_[j] == '\n') ++lines;
    }
    if (j >= size) {
      LefDefToken eof;
      eof.end = true;
      eof.line = line_;
      Fail("a closing '\"' for the string", eof);
    }
    tok.text = std::string_view(text_).substr(pos_ + 1, j - pos_ - 1);
    tok.quoted = true;
    line_ += lines;
    pos_ = j + 1;
    return tok;
  }
  if (c == '(' || c == ')' || c == ';') {
    tok.text = std::string_view(text_).substr(pos_, 1);
    ++pos_;
    return tok;
  }
  size_t end = pos_;
  int opens = 0, closes = 0;
  while (end < size && !IsBlank(text_[end]) && text_[end] != '"') {
    if (text_[end] == '(') ++opens;
    if (text_[end] == ')') ++closes;
    ++end;
  }
  // A ";" or an unmatched ")" written against the word ends it; a ")" that
  // closes a bus bit such as a(0) stays part of the name.
  while (end > pos_ + 1 && text_[end - 2] != '\\') {
    const char last = text_[end - 1];
    if (last == ';') {
      --end;
    } else if (last == ')' && closes > opens) {
      --closes;
      --end;
    } else {
      break;
    }
  }
  tok.text = std::string_view(text_).substr(pos_, end - pos_);
  pos_ = end;
  return tok;
}

const LefDefToken& LefDefTokenizer::Peek() {
  if (!has_peek_) {
    peek_ = Scan();
    has_peek_ = true;
  }
  return peek_;
}

LefDefToken LefDefTokenizer::Next() {
  Peek();
  has_peek_ = false;
  if (echoing_ && !peek_.end && echo_line_.size() < kEchoCap) {
    if (!echo_line_.empty()) echo_line_ += ' ';
    if (peek_.quoted) echo_line_ += '"';
    echo_line_.append(peek_.text);
    if (peek_.quoted) echo_line_ += '"';
    if (echo_line_.size() >= kEchoCap) echo_line_ += " ...";
  }
  return peek_;
}

bool LefDefTokenizer::Is(const LefDefToken& tok, const char* keyword) {
  if (tok.end || tok.quoted) return false;
  const size_t len = std::char_traits<char>::length(keyword);
  return tok.text.size() == len && strncasecmp(tok.text.data(), keyword, len) == 0;
}

bool LefDefTokenizer::Accept(const char* keyword) {
  if (!NextIs(keyword)) return false;
  Next();
  return true;
}

void LefDefTokenizer::Expect(const char* keyword) {
  if (!Accept(keyword)) Fail(std::string("'") + keyword + "'", Peek());
}

std::string LefDefTokenizer::ExpectName(const char* what) {
  const LefDefToken tok = Next();
  if (tok.end || Is(tok, ";") || Is(tok, "(") || Is(tok, ")")) Fail(what, tok);
  return std::string(tok.text);
}

std::string LefDefTokenizer::ExpectUpperName(const char* what) {
  std::string word = ExpectName(what);
  for (char& c : word) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return word;
}

double LefDefTokenizer::ExpectNumber(const char* what) {
  const LefDefToken tok = Next();
  double value = 0;
  const char* first = tok.text.data();
  const char* last = first + tok.text.size();
  if (!tok.end && !tok.quoted && first != last && *first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (tok.end || tok.quoted || first == last || ec != std::errc() || ptr != last || !std::isfinite(value))
    Fail(what, tok);
  return value;
}

int LefDefTokenizer::ExpectCount(const char* what) {
  const LefDefToken tok = Next();
  int value = -1;
  const char* first = tok.text.data();
  const char* last = first + tok.text.size();
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (tok.end || tok.quoted || first == last || ec != std::errc() || ptr != last || value < 0)
    Fail(what, tok);
  return value;
}

void LefDefTokenizer::SkipStatement() {
  for (;;) {
    const LefDefToken tok = Next();
    if (Is(tok, ";")) return;
    if (tok.end) Fail("';'", tok);
  }
}

void LefDefTokenizer::SkipSection(std::string_view closer, bool nested_ends, int opened) {
  const std::string expected = EndOf(closer, opened);
  for (;;) {
    const LefDefToken& tok = Peek();
    if (tok.end) Fail(expected, tok);
    if (!Is(tok, "END")) {
      SkipStatement();
      continue;
    }
    Next();
    const LefDefToken name = Next();
    if (!name.end && name.text == closer) return;
    // An inner section's end; its name was consumed with it.
    if (!nested_ends || name.end || Is(name, ";")) Fail(expected, name);
  }
}

void LefDefTokenizer::ReadSection(std::string_view closer, int opened,
                                  const std::function<bool(const LefDefToken&)>& read) {
  for (;;) {
    const LefDefToken& tok = Peek();
    if (tok.end) Fail(EndOf(closer, opened), tok);
    if (Accept("END")) {
      const LefDefToken name = Next();
      if (name.end || name.text != closer) Fail(EndOf(closer, opened), name);
      return;
    }
    const LefDefToken keyword = Next();
    if (keyword.quoted || Is(keyword, ";")) Fail("a statement", keyword);
    if (!read(keyword)) SkipStatement();
  }
}

void LefDefTokenizer::ReadToBareEnd(int opened, const std::function<bool(const LefDefToken&)>& read) {
  for (;;) {
    const LefDefToken& tok = Peek();
    if (tok.end) Fail(EndOf("", opened), tok);
    if (Is(tok, "END")) {
      Next();
      return;
    }
    if (!read(tok)) SkipStatement();
  }
}

void LefDefTokenizer::SkipToBareEnd(int opened) {
  ReadToBareEnd(opened, [](const LefDefToken&) { return false; });
}

void LefDefTokenizer::SkipExtension(int opened) {
  EndEcho();
  for (;;) {
    const LefDefToken tok = Next();
    if (Is(tok, "ENDEXT")) return;
    if (tok.end) Fail("ENDEXT (opened at line " + std::to_string(opened) + ")", tok);
  }
}

LefDefToken LefDefTokenizer::NextStatement(const char* what) {
  BeginEcho();
  const LefDefToken keyword = Next();
  if (keyword.quoted || Is(keyword, ";") || Is(keyword, "(") || Is(keyword, ")")) Fail(what, keyword);
  return keyword;
}

void LefDefTokenizer::Fail(const std::string& expected, const LefDefToken& found) const {
  Refuse(found.line, "syntax error: expected " + expected + ", found " + Shown(found));
}

void LefDefTokenizer::Refuse(int line, const std::string& message) const {
  PrintRefusal({path_, line}, "%s", message.c_str());
  throw LefDefStop{1};
}

InputPosition LefDefTokenizer::ConstructPosition() const { return {path_, construct_line_}; }

void LefDefTokenizer::BeginEcho() {
  MarkConstruct(Peek().line);
  echoing_ = echo_ != nullptr;
  echo_line_.clear();
}

void LefDefTokenizer::EndEcho() {
  if (echoing_) std::fprintf(echo_, "%s\n", echo_line_.c_str());
  echoing_ = false;
}

void LefDefTokenizer::ReadBusBitChars() {
  const LefDefToken tok = Next();
  if (!tok.quoted || tok.text.size() != 2 || tok.text[0] == tok.text[1])
    Fail("two different bus-bit characters in quotes", tok);
  busbit_ = std::string(tok.text);
  Expect(";");
}

void LefDefTokenizer::ReadDividerChar() {
  const LefDefToken tok = Next();
  if (!tok.quoted || tok.text.size() != 1) Fail("one divider character in quotes", tok);
  divider_ = tok.text[0];
  Expect(";");
}

std::string LefDefTokenizer::ReadVersion() {
  std::string version(Peek().text);
  ExpectNumber("a version number");
  Expect(";");
  return version;
}
