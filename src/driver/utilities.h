// Random generators, CPU timers, character readers and the message and
// refusal helpers.
#pragma once
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

// MT19937 (the published Mersenne Twister). The draws are inline: the
// insertion search takes one for every interval it visits.
namespace mersenne_twister {
constexpr int kMtN = 624;
// The generator's state words. Set by init_genrand (the driver's RunTierplan and ReadParameters,
// ForkChains) and NextState; read by genrand_int32, so by every random choice of the engine.
extern uint32_t mt[kMtN];
// Index of the next state word to draw (kMtN + 1: never seeded). Set by init_genrand, NextState,
// genrand_int32, ResetRandomGenerators; read by genrand_int32 and NextState.
extern int mti;
// Regenerates all kMtN words of the state at once.
void NextState();
}  // namespace mersenne_twister

void init_genrand(unsigned long s);

inline uint32_t genrand_int32() {
  using namespace mersenne_twister;
  if (mti >= kMtN) NextState();
  uint32_t y = mt[mti++];
  y ^= (y >> 11);
  y ^= (y << 7) & 0x9d2c5680U;
  y ^= (y << 15) & 0xefc60000U;
  y ^= (y >> 18);
  return y;
}

int32_t genrand_int31();

// (0, 1)
inline double genrand_real3() { return (static_cast<double>(genrand_int32()) + 0.5) * (1.0 / 4294967296.0); }

double grandom();  // [0, 1]

// Additive-feedback generator of type 3; never reseeded, same sequence every run.
double frandom();

// Restores both generators to their state at process start (for tests).
void ResetRandomGenerators();

int GetCpuTime();     // user CPU time in milliseconds
int GetCurrentSec();  // time-of-day value used as the random seed

// An open file, closed when it goes out of scope (also when a stop handler
// throws past it).
struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

int SkipLine(FILE* f);
int Skip(FILE* f);
int ReadChar(FILE* f);
int EOL_Test(FILE* f);
int GetInt(FILE* f);
// Copies the next word into buf (at most size - 1 characters; the rest of an
// over-long word is consumed and dropped). Returns 0, or EOF when the file
// ended before the word began.
int GetString(FILE* f, char* buf, int size);

int Strcmp(const char* a, const char* b);  // 1 when equal, else 0
int CountStr(const char* s);               // strlen + 1; -1 for null
void DclError(const char* msg);            // prints msg and a line end on stdout

// printf onto the end of a string; the va_list form serves other wrappers.
void Appendf(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void AppendfV(std::string& out, const char* format, va_list args);

// Ends the run with `status` once a reader has said why it refuses its input.
// A harness that reads many inputs in one process (the fuzz targets) installs
// a handler that throws instead; a handler that returns still ends the run.
[[noreturn]] void StopRun(int status);
void SetStopHandler(void (*handler)(int status));

// What a refusal points at: a line of a file, a whole file (line 0), or
// nothing (no file) for a fault of the run itself.
struct InputPosition {
  std::string file;
  int line = 0;
};

// Prints "file:line: message", "file: message" or the bare message as one
// line on standard output, flushed so that it comes before anything standard
// error says next. For readers that hand a status back rather than stop.
void PrintRefusal(const InputPosition& at, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Every refusal of the run: prints it as PrintRefusal does, then StopRun(status).
[[noreturn]] void Refuse(const InputPosition& at, int status, const char* format, ...)
    __attribute__((format(printf, 3, 4)));
