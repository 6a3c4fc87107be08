#include "driver/utilities.h"

#include <sys/resource.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

// ---- Mersenne Twister MT19937 -------------------------------------------

constexpr int kMtM = 397;
constexpr uint32_t kMatrixA = 0x9908b0dfU;
constexpr uint32_t kUpperMask = 0x80000000U;
constexpr uint32_t kLowerMask = 0x7fffffffU;
constexpr unsigned long kDefaultSeed = 5489UL;

}  // namespace

namespace mersenne_twister {

// kMtN + 1 means "never seeded": the first draw seeds with kDefaultSeed.
uint32_t mt[kMtN];
int mti = kMtN + 1;

void NextState() {
  static const uint32_t mag01[2] = {0U, kMatrixA};
  if (mti == kMtN + 1) init_genrand(kDefaultSeed);
  int kk = 0;
  for (; kk < kMtN - kMtM; ++kk) {
    uint32_t y = (mt[kk] & kUpperMask) | (mt[kk + 1] & kLowerMask);
    mt[kk] = mt[kk + kMtM] ^ (y >> 1) ^ mag01[y & 1U];
  }
  for (; kk < kMtN - 1; ++kk) {
    uint32_t y = (mt[kk] & kUpperMask) | (mt[kk + 1] & kLowerMask);
    mt[kk] = mt[kk + (kMtM - kMtN)] ^ (y >> 1) ^ mag01[y & 1U];
  }
  uint32_t y = (mt[kMtN - 1] & kUpperMask) | (mt[0] & kLowerMask);
  mt[kMtN - 1] = mt[kMtM - 1] ^ (y >> 1) ^ mag01[y & 1U];
  mti = 0;
}

}  // namespace mersenne_twister

namespace {

// ---- Additive-feedback generator (BSD random(3), type 3) -----------------

constexpr int kAddDegree = 31;
constexpr int kAddSeparation = 3;

// Word 0 is the type word; words 1..31 are the table.
struct AdditiveWords {
  uint32_t word[kAddDegree + 1];
};
constexpr AdditiveWords kAddInitial = {
    {3,          0x9a319039, 0x32d9c024, 0x9b663182, 0x5da1f342, 0xde3b81e0, 0xdf0a6fb5, 0xf103bc02,
     0x48f340fb, 0x7449e56b, 0xbeb1dbb0, 0xab5c5918, 0x946554fd, 0x8c2e680f, 0xeb3d799f, 0xb11ee0b7,
     0x2d436b86, 0xda672e2a, 0x1588ca88, 0xe369735d, 0x904f35f7, 0xd7158fd6, 0x6fa6f051, 0x616e6b96,
     0xac94efdc, 0x36413f93, 0xc622c298, 0xf5a42ab8, 0x8a88d77b, 0xf5ad9d0e, 0x8999220b, 0x27fb47b9}};

// Constant-initialised, so the generator is ready before any other start-up code.
AdditiveWords add_state = kAddInitial;
uint32_t* const add_table = add_state.word + 1;
uint32_t* const add_end = add_table + kAddDegree;
uint32_t* add_front = add_table + kAddSeparation;
uint32_t* add_rear = add_table;

bool IsSpace(int c) { return c != EOF && std::isspace(static_cast<unsigned char>(c)); }

// Reads past white space and returns the first other character (or EOF), consumed.
int NextNonSpace(FILE* f) {
  int c;
  do c = getc(f);
  while (IsSpace(c));
  return c;
}

}  // namespace

void init_genrand(unsigned long s) {
  using namespace mersenne_twister;
  mt[0] = static_cast<uint32_t>(s & 0xffffffffUL);
  for (mti = 1; mti < kMtN; ++mti)
    mt[mti] = 1812433253U * (mt[mti - 1] ^ (mt[mti - 1] >> 30)) + static_cast<uint32_t>(mti);
}

int32_t genrand_int31() { return static_cast<int32_t>(genrand_int32() >> 1); }

double grandom() { return static_cast<double>(genrand_int32()) * (1.0 / 4294967295.0); }

double frandom() {
  *add_front += *add_rear;
  int32_t result = static_cast<int32_t>(*add_front >> 1);
  // The front pointer is tested first; when it wraps, the rear pointer is
  // already in the table's middle and need not be tested.
  if (++add_front >= add_end) {
    add_front = add_table;
    ++add_rear;
  } else if (++add_rear >= add_end) {
    add_rear = add_table;
  }
  return result / 2147483647.0;
}

void ResetRandomGenerators() {
  mersenne_twister::mti = mersenne_twister::kMtN + 1;
  add_state = kAddInitial;
  add_front = add_table + kAddSeparation;
  add_rear = add_table;
}

int GetCpuTime() {
  struct rusage usage;
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<int>(usage.ru_utime.tv_sec * 1000 + usage.ru_utime.tv_usec / 1000);
}

int GetCurrentSec() {
  time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  // Only a seed: the hour is deliberately counted twice, as the seed always was.
  return local.tm_sec + 60 * local.tm_min + 3600 * local.tm_hour + 86400 * local.tm_hour;
}

int SkipLine(FILE* f) {
  int c;
  do c = getc(f);
  while (c != '\n' && c != EOF);
  return 0;
}

int Skip(FILE* f) {
  ungetc(NextNonSpace(f), f);
  return 0;
}

int ReadChar(FILE* f) { return NextNonSpace(f); }

int EOL_Test(FILE* f) {
  int c;
  do c = getc(f);
  while (c == ' ');
  ungetc(c, f);
  return c == '\n' ? 1 : 0;
}

// Long digit strings saturate at the int range; every digit is still consumed
// so the tail of the number is not mistaken for the next item.
int GetInt(FILE* f) {
  constexpr long long kCap = static_cast<long long>(INT_MAX) + 1;  // magnitude of INT_MIN
  int c = NextNonSpace(f);
  bool negative = false;
  if (c == '-') {
    negative = true;
    c = getc(f);
  }
  long long magnitude = 0;
  while (c != EOF && std::isdigit(static_cast<unsigned char>(c))) {
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > kCap) magnitude = kCap;
    c = getc(f);
  }
  ungetc(c, f);
  if (negative) return static_cast<int>(-magnitude);
  return static_cast<int>(magnitude > INT_MAX ? INT_MAX : magnitude);
}

int GetString(FILE* f, char* buf, int size) {
  int c = NextNonSpace(f);
  if (size > 0) buf[0] = '\0';
  if (c == EOF) return EOF;
  int len = 0;
  for (; c != EOF && !IsSpace(c); c = getc(f))
    if (len < size - 1) buf[len++] = static_cast<char>(c);
  if (size > 0) buf[len] = '\0';
  return 0;
}

int Strcmp(const char* a, const char* b) { return std::strcmp(a, b) == 0 ? 1 : 0; }

int CountStr(const char* s) { return s ? static_cast<int>(std::strlen(s)) + 1 : -1; }

void DclError(const char* msg) { printf("%s\n", msg); }

void AppendfV(std::string& out, const char* format, va_list args) {
  va_list again;
  va_copy(again, args);
  const int size = std::vsnprintf(nullptr, 0, format, args);
  if (size > 0) {
    const size_t old = out.size();
    out.resize(old + size + 1);
    std::vsnprintf(&out[old], size + 1, format, again);
    out.resize(old + size);
  }
  va_end(again);
}

void Appendf(std::string& out, const char* format, ...) {
  va_list args;
  va_start(args, format);
  AppendfV(out, format, args);
  va_end(args);
}

namespace {
void (*stop_handler)(int) = nullptr;
}  // namespace

void SetStopHandler(void (*handler)(int status)) { stop_handler = handler; }

void StopRun(int status) {
  std::fflush(stdout);
  if (stop_handler) stop_handler(status);
  std::exit(status);
}

namespace {
void PrintRefusalV(const InputPosition& at, const char* format, va_list args) {
  std::string line;
  if (!at.file.empty()) line = at.file + (at.line > 0 ? ":" + std::to_string(at.line) : "") + ": ";
  AppendfV(line, format, args);
  std::printf("%s\n", line.c_str());
  std::fflush(stdout);
}
}  // namespace

void PrintRefusal(const InputPosition& at, const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintRefusalV(at, format, args);
  va_end(args);
}

void Refuse(const InputPosition& at, int status, const char* format, ...) {
  va_list args;
  va_start(args, format);
  PrintRefusalV(at, format, args);
  va_end(args);
  StopRun(status);
}
