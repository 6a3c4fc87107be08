// Tables of malformed input run through the real binary. Each case edits a
// small valid input set, writes it into a scratch directory, runs tierplan
// and checks the exit status and a fragment of what it printed; a refused
// run must leave no placement file behind.
#pragma once
#include <gtest/gtest.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

namespace testing_support {

using InputFiles = std::map<std::string, std::string>;  // file name -> text

// One change to one file. With `to` == kCut the file ends just before
// `from`; with an empty `from` the whole file becomes `to`.
struct Edit {
  std::string file, from, to;
};
extern const char kCut[];

struct BadInput {
  const char* label;
  std::vector<Edit> edits;
  std::string args;     // command line after the binary
  std::string message;  // fragment the output must hold
  int status;           // expected exit status
};

inline std::ostream& operator<<(std::ostream& out, const BadInput& c) { return out << c.label; }
// The case's label as the name of a parameterised test.
inline std::string LabelOf(const testing::TestParamInfo<BadInput>& info) { return info.param.label; }

// Applies the case's edits to `base`, runs it and checks the outcome.
void ExpectOutcome(const InputFiles& base, const BadInput& c);

}  // namespace testing_support
