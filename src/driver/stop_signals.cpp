#include "driver/stop_signals.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <initializer_list>

namespace {

// Read by the signal handler, so held in fixed storage the handler can walk
// without allocating. A run writes one replaced file at a time; the slots
// leave room for a few more.
constexpr int kTemporarySlots = 8;
constexpr size_t kPathBytes = 4096;
constexpr int kChainSlots = 64;

struct StopSignalState {
  char temporaries[kTemporarySlots][kPathBytes];
  volatile sig_atomic_t held[kTemporarySlots];
  pid_t chains[kChainSlots];
  volatile sig_atomic_t chain_count;
};
StopSignalState stop_signals;

// The decimal digits of a non-negative number, written without stdio.
size_t FormatNumber(int value, char* out) {
  char digits[12];
  size_t n = 0;
  do {
    digits[n++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value > 0 && n < sizeof digits);
  for (size_t i = 0; i < n; ++i) out[i] = digits[n - 1 - i];
  return n;
}

void WriteText(const char* text) { (void)!write(STDOUT_FILENO, text, std::strlen(text)); }

void OnStopSignal(int sig) {
  const int saved_errno = errno;
  for (int i = 0; i < kTemporarySlots; ++i)
    if (stop_signals.held[i]) unlink(stop_signals.temporaries[i]);
  for (int i = 0; i < stop_signals.chain_count; ++i) kill(stop_signals.chains[i], sig);
  for (int i = 0; i < stop_signals.chain_count; ++i)
    while (waitpid(stop_signals.chains[i], nullptr, 0) < 0 && errno == EINTR) {
    }
  char number[12] = {};
  FormatNumber(sig, number);
  WriteText("Error: stopped by signal ");
  WriteText(number);
  WriteText("; the results of this run are not all written.\n");
  errno = saved_errno;
  _exit(128 + sig);
}

}  // namespace

void InstallStopSignals() {
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  struct sigaction action = {};
  action.sa_handler = OnStopSignal;
  sigfillset(&action.sa_mask);  // one stop at a time
  for (int sig : {SIGTERM, SIGINT, SIGHUP}) sigaction(sig, &action, nullptr);
}

void HoldTemporary(const char* path) {
  if (std::strlen(path) >= kPathBytes) return;
  for (int i = 0; i < kTemporarySlots; ++i) {
    if (stop_signals.held[i]) continue;
    std::memcpy(stop_signals.temporaries[i], path, std::strlen(path) + 1);
    // The handler must never see the slot held before its path is whole.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    stop_signals.held[i] = 1;
    return;
  }
}

void DropTemporary(const char* path) {
  for (int i = 0; i < kTemporarySlots; ++i)
    if (stop_signals.held[i] && std::strcmp(stop_signals.temporaries[i], path) == 0) {
      stop_signals.held[i] = 0;
      return;
    }
}

void WatchChain(pid_t pid) {
  if (stop_signals.chain_count < kChainSlots) {
    stop_signals.chains[stop_signals.chain_count] = pid;
    std::atomic_signal_fence(std::memory_order_seq_cst);
    stop_signals.chain_count = stop_signals.chain_count + 1;
  }
}

void ForgetChains() { stop_signals.chain_count = 0; }
