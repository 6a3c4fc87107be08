#include "driver/utilities.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>

#include "test_support.h"

namespace {

// ---- random generators ---------------------------------------------------

class RandomTest : public ::testing::Test {
 protected:
  void SetUp() override { ResetRandomGenerators(); }
  void TearDown() override { ResetRandomGenerators(); }
};

const uint32_t kPublished5489[] = {3499211612u, 581869302u, 3890346734u, 3586334585u, 545404204u};

TEST_F(RandomTest, UnseededAndReseededTwisterMatchPublishedSeed5489) {
  for (uint32_t expected : kPublished5489) EXPECT_EQ(genrand_int32(), expected);
  init_genrand(5489);  // reseeding from elsewhere in the sequence starts it over
  for (uint32_t expected : kPublished5489) EXPECT_EQ(genrand_int32(), expected);
}

TEST_F(RandomTest, TwisterAgreesWithStandardLibraryAcrossRegenerations) {
  // std::mt19937 implements the same published recurrence and tempering.
  for (unsigned long seed : {1ul, 12345ul, 4294967295ul}) {
    init_genrand(seed);
    std::mt19937 reference(static_cast<std::mt19937::result_type>(seed));
    for (int i = 0; i < 2000; ++i) ASSERT_EQ(genrand_int32(), reference()) << "seed " << seed << " draw " << i;
  }
}

TEST_F(RandomTest, SeedUsesOnlyLow32Bits) {
  init_genrand(0x100000000ul + 7);
  uint32_t wide = genrand_int32();
  init_genrand(7);
  EXPECT_EQ(genrand_int32(), wide);
}

TEST_F(RandomTest, DerivedOutputsComeFromOneDraw) {
  std::mt19937 reference(5489u);
  for (int i = 0; i < 300; ++i) {
    uint32_t y = reference();
    switch (i % 3) {
      case 0:
        ASSERT_EQ(genrand_int31(), static_cast<int32_t>(y >> 1));
        break;
      case 1:
        ASSERT_EQ(genrand_real3(), (y + 0.5) / 4294967296.0);
        break;
      default:
        ASSERT_EQ(grandom(), y / 4294967295.0);
        break;
    }
  }
}

// The BSD type-3 table, indexed 0..30 (the words after the type word).
const uint32_t kAdditiveTable[31] = {
    0x9a319039, 0x32d9c024, 0x9b663182, 0x5da1f342, 0xde3b81e0, 0xdf0a6fb5, 0xf103bc02, 0x48f340fb,
    0x7449e56b, 0xbeb1dbb0, 0xab5c5918, 0x946554fd, 0x8c2e680f, 0xeb3d799f, 0xb11ee0b7, 0x2d436b86,
    0xda672e2a, 0x1588ca88, 0xe369735d, 0x904f35f7, 0xd7158fd6, 0x6fa6f051, 0x616e6b96, 0xac94efdc,
    0x36413f93, 0xc622c298, 0xf5a42ab8, 0x8a88d77b, 0xf5ad9d0e, 0x8999220b, 0x27fb47b9};

TEST_F(RandomTest, AdditiveMatchesModularReferencePastSeveralWraps) {
  uint32_t table[31];
  std::copy(std::begin(kAdditiveTable), std::end(kAdditiveTable), table);
  int front = 3, rear = 0;
  for (int i = 0; i < 200; ++i) {
    table[front] += table[rear];
    double expected = static_cast<int32_t>(table[front] >> 1) / 2147483647.0;
    front = (front + 1) % 31;
    rear = (rear + 1) % 31;
    double got = frandom();
    ASSERT_EQ(got, expected) << "call " << i;
    ASSERT_GE(got, 0.0);
    ASSERT_LE(got, 1.0);
  }
}

TEST_F(RandomTest, ResetRestoresBothSequences) {
  double first[40];
  for (double& v : first) v = frandom();
  uint32_t twister = genrand_int32();
  ResetRandomGenerators();
  for (double v : first) ASSERT_EQ(frandom(), v);
  EXPECT_EQ(genrand_int32(), twister);
}

// ---- character readers ----------------------------------------------------

// A read-only stream over `text`, closed on scope exit.
class TextStream {
 public:
  explicit TextStream(const std::string& text) {
    path_ = dir_.file("input.txt");
    testing_support::WriteFile(path_, text);
    f_ = fopen(path_.c_str(), "r");
  }
  ~TextStream() {
    if (f_) fclose(f_);
  }
  FILE* get() const { return f_; }
  // What remains unread.
  std::string Rest() {
    std::string rest;
    for (int c; (c = getc(f_)) != EOF;) rest.push_back(static_cast<char>(c));
    return rest;
  }

 private:
  testing_support::ScratchDir dir_;
  std::string path_;
  FILE* f_ = nullptr;
};

TEST(GetIntTest, ReadsSignedDecimalsAndLeavesTheFirstOtherCharacter) {
  TextStream s("-12x");
  EXPECT_EQ(GetInt(s.get()), -12);
  EXPECT_EQ(s.Rest(), "x");
  TextStream letter("abc");
  EXPECT_EQ(GetInt(letter.get()), 0);
  EXPECT_EQ(letter.Rest(), "abc");
  TextStream several("  \n\t 42\n-7 0 +5");
  EXPECT_EQ(GetInt(several.get()), 42);
  EXPECT_EQ(GetInt(several.get()), -7);
  EXPECT_EQ(GetInt(several.get()), 0);
  EXPECT_EQ(GetInt(several.get()), 0);  // a plus sign is not part of a number
  EXPECT_EQ(several.Rest(), "+5");
  TextStream blank("   ");
  EXPECT_EQ(GetInt(blank.get()), 0);
  EXPECT_EQ(GetInt(blank.get()), 0);
}

TEST(GetIntTest, LimitsAreExactAndLongerNumbersSaturate) {
  TextStream s("2147483647 -2147483648 2147483648 99999999999999999999999999 -2147483649 "
               "-77777777777777777777 5");
  for (int expected : {INT_MAX, INT_MIN, INT_MAX, INT_MAX, INT_MIN, INT_MIN, 5}) EXPECT_EQ(GetInt(s.get()), expected);
}

TEST(GetStringTest, ReadsWordsUpToTheEndOfTheFile) {
  TextStream s("  alpha beta\ngamma");
  char buf[16];
  EXPECT_EQ(GetString(s.get(), buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "alpha");
  EXPECT_EQ(GetString(s.get(), buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "beta");
  EXPECT_EQ(s.Rest(), "gamma");
  TextStream last("last \n\t ");
  EXPECT_EQ(GetString(last.get(), buf, sizeof buf), 0);
  EXPECT_STREQ(buf, "last");
  EXPECT_EQ(GetString(last.get(), buf, sizeof buf), EOF);
  EXPECT_STREQ(buf, "");
}

TEST(GetStringTest, OverlongWordIsCutAndItsRestDropped) {
  TextStream s("abcdefghij next abcd");
  char buf[6] = {'#', '#', '#', '#', '#', '#'};
  EXPECT_EQ(GetString(s.get(), buf, 5), 0);
  EXPECT_STREQ(buf, "abcd");
  EXPECT_EQ(buf[5], '#');  // nothing written past size
  EXPECT_EQ(GetString(s.get(), buf, 5), 0);
  EXPECT_STREQ(buf, "next");
  EXPECT_EQ(GetString(s.get(), buf, 5), 0);  // an exact fit is kept whole
  EXPECT_STREQ(buf, "abcd");
}

TEST(ReaderTest, SkipPutsBackFirstNonSpace) {
  TextStream s(" \n\t x y");
  EXPECT_EQ(Skip(s.get()), 0);
  EXPECT_EQ(s.Rest(), "x y");
}

TEST(ReaderTest, ReadCharConsumesFirstNonSpace) {
  TextStream s("\n  *rest");
  EXPECT_EQ(ReadChar(s.get()), '*');
  EXPECT_EQ(s.Rest(), "rest");
  TextStream empty("  ");
  EXPECT_EQ(ReadChar(empty.get()), EOF);
}

TEST(ReaderTest, SkipLineStopsAfterLineEnd) {
  TextStream s("comment text\nnext line\n");
  EXPECT_EQ(SkipLine(s.get()), 0);
  EXPECT_EQ(s.Rest(), "next line\n");
  TextStream unterminated("no line end");
  EXPECT_EQ(SkipLine(unterminated.get()), 0);
  EXPECT_EQ(unterminated.Rest(), "");
}

TEST(ReaderTest, EolTestSkipsOnlySpaces) {
  TextStream at_end("   \nz");
  EXPECT_EQ(EOL_Test(at_end.get()), 1);
  EXPECT_EQ(at_end.Rest(), "\nz");

  TextStream word("  7\n");
  EXPECT_EQ(EOL_Test(word.get()), 0);
  EXPECT_EQ(word.Rest(), "7\n");

  TextStream tab(" \t\n");  // a tab is not skipped, so no line end is seen
  EXPECT_EQ(EOL_Test(tab.get()), 0);
  EXPECT_EQ(tab.Rest(), "\t\n");
}

// ---- strings and messages ---------------------------------------------------

TEST(StringTest, StrcmpIsAnEqualityTestAndNullHasNoLength) {
  EXPECT_EQ(Strcmp("end", "end"), 1);
  EXPECT_EQ(Strcmp("en", "end"), 0);
  EXPECT_EQ(Strcmp("end", "en"), 0);
  EXPECT_EQ(Strcmp("End", "end"), 0);
  EXPECT_EQ(Strcmp("a", "b"), 0);  // ordering plays no part
  EXPECT_EQ(Strcmp("b", "a"), 0);
  EXPECT_EQ(Strcmp("", ""), 1);
  EXPECT_EQ(CountStr(nullptr), -1);  // a missing name has no copy size
}

}  // namespace
