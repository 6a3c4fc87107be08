// Random generators, CPU timers, character readers and the message helper.
#pragma once
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>

// MT19937 (the published Mersenne Twister).
void init_genrand(unsigned long s);
uint32_t genrand_int32();
int32_t genrand_int31();
double genrand_real3();  // (0, 1)
double grandom();        // [0, 1]

// Additive-feedback generator of type 3; never reseeded, same sequence every run.
double frandom();

// Restores both generators to their state at process start (for tests).
void ResetRandomGenerators();

int GetCpuTime();     // user CPU time in milliseconds
int GetCurrentSec();  // time-of-day value used as the random seed

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
