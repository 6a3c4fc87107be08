// Tokens of LEF and DEF text and the grammar helpers both readers share:
// words, quoted strings, "(", ")" and ";" with "#" comments dropped, line
// numbers for messages, section skipping, the echo line of each construct and
// the tally of constructs read without a callback.
#pragma once
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "driver/utilities.h"

struct LefDefToken {
  std::string_view text;
  int line = 0;
  bool quoted = false;
  bool end = false;  // past the last token of the file
};

// Thrown to abandon a read: a syntax error (status 1) or a callback that
// returned a non-zero status. The reader returns the status.
struct LefDefStop {
  int status;
};

// Passes a callback's status on: a non-zero one abandons the read.
inline void Deliver(int status) {
  if (status != 0) throw LefDefStop{status};
}

// "END name (opened at line N)", what a section still waits for.
std::string EndOf(std::string_view name, int opened);

// The largest LEF or DEF file read: the whole file is held in memory.
constexpr size_t kMaxLefDefBytes = size_t{1} << 30;

// Names counted in the order first met.
struct NameTally {
  std::vector<std::string> order;
  std::unordered_map<std::string, int> counts;
  int total = 0;
  void Add(std::string_view name);
  void Clear();
  // "a: 3, b: 1" for the first `shown` names, then ", ..." if there are more.
  std::string Sample(size_t shown) const;
};

// Kinds of constructs that were read but had no callback, in first-seen order.
struct UnusedConstructs {
  NameTally kinds;  // upper case
  void Count(std::string_view kind);
  void Print(FILE* out, const char* reader) const;
  void Clear() { kinds.Clear(); }
  // Hands a construct to its callback, or counts its kind when none is set.
  template <typename Callback, typename... Args>
  void Call(Callback callback, std::string_view kind, Args... args) {
    if (callback)
      Deliver(callback(args...));
    else
      Count(kind);
  }
};

class LefDefTokenizer {
 public:
  LefDefTokenizer(const char* path, std::string text, FILE* echo);

  const LefDefToken& Peek();
  LefDefToken Next();

  // Keywords compare without regard to case and never match a quoted string.
  static bool Is(const LefDefToken& tok, const char* keyword);
  bool NextIs(const char* keyword) { return Is(Peek(), keyword); }
  bool Accept(const char* keyword);
  void Expect(const char* keyword);
  std::string ExpectName(const char* what);
  std::string ExpectUpperName(const char* what);  // upper case, as keywords compare
  double ExpectNumber(const char* what);
  int ExpectCount(const char* what);

  // The keyword opening the next statement, its echo begun; a string or a
  // bracket cannot open one. `what` names the statement for the message.
  LefDefToken NextStatement(const char* what);

  // Everything through the next ";".
  void SkipStatement();
  // Statements up to and including "END <closer>". With nested_ends an
  // "END <other>" closes an inner section and skipping goes on; without, it is
  // an error. `opened` is the line of the section's keyword, for messages.
  void SkipSection(std::string_view closer, bool nested_ends, int opened);
  // The statements of a section up to and including "END <closer>": each
  // keyword goes to `read`, which reads the rest of its statement and
  // returns true, or returns false to have the statement skipped.
  void ReadSection(std::string_view closer, int opened, const std::function<bool(const LefDefToken&)>& read);
  // Statements up to and including a bare "END" (macro ports and obstructions):
  // `read` sees each statement's first token before it is taken, and reads the
  // statement and returns true, or returns false to have it skipped.
  void ReadToBareEnd(int opened, const std::function<bool(const LefDefToken&)>& read);
  void SkipToBareEnd(int opened);
  // "BEGINEXT ... ENDEXT", after its keyword: every token up to the ENDEXT.
  void SkipExtension(int opened);

  [[noreturn]] void Fail(const std::string& expected, const LefDefToken& found) const;
  // Abandons the read with "path:line: message" (PrintRefusal).
  [[noreturn]] void Refuse(int line, const std::string& message) const;

  // The construct being read: it begins with BeginEcho, or here where its
  // callback comes after its statements (a macro at its END).
  void MarkConstruct(int line) { construct_line_ = line; }
  // Where that construct stands, for a callback's refusal.
  InputPosition ConstructPosition() const;

  // The echo line: tokens consumed between BeginEcho and EndEcho.
  void BeginEcho();
  void EndEcho();

  // The rest of "BUSBITCHARS "[]" ;", "DIVIDERCHAR "/" ;" and "VERSION n ;",
  // the characters kept for the names that follow; the version as written.
  void ReadBusBitChars();
  void ReadDividerChar();
  std::string ReadVersion();
  const std::string& busbit_chars() const { return busbit_; }
  char divider_char() const { return divider_; }

 private:
  LefDefToken Scan();

  std::string path_;
  std::string text_;
  size_t pos_ = 0;
  int line_ = 1;
  int construct_line_ = 0;
  LefDefToken peek_;
  bool has_peek_ = false;
  FILE* echo_;
  bool echoing_ = false;
  std::string echo_line_;
  std::string busbit_ = "[]";
  char divider_ = '/';
};

// Reads an open file completely (at most kMaxLefDefBytes) and runs `read`
// over its tokens, echoing to `echo`. Returns 1 when the file cannot be read,
// the status a syntax error or a callback stopped the read with, else 0.
int ReadLefDefFile(FILE* file, const char* path, FILE* echo,
                   const std::function<void(LefDefTokenizer&)>& read);

// Where the construct whose callback runs stands, for the callbacks'
// refusals; no position outside a read.
InputPosition ReadPosition();
