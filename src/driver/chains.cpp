#include "driver/chains.h"

#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/stop_signals.h"
#include "driver/utilities.h"

namespace {

// The chain's ends of its two pipes and its held output; in one process
// only, as every chain is a process of its own.
struct ChainState {
  int to_parent = -1;
  int from_parent = -1;
  FILE* held = nullptr;  // standard output until the verdict
  int out = -1;          // the real standard output
};
ChainState chain;

bool ReadAll(int fd, void* data, size_t size) {
  char* p = static_cast<char*>(data);
  while (size > 0) {
    const ssize_t got = read(fd, p, size);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

bool WriteAll(int fd, const void* data, size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t put = write(fd, p, size);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    p += put;
    size -= static_cast<size_t>(put);
  }
  return true;
}

// How a chain ended, as waitpid tells it; -1 when it cannot be told.
int WaitFor(pid_t pid) {
  int status = 0;
  while (waitpid(pid, &status, 0) < 0)
    if (errno != EINTR) return -1;
  return status;
}

// "killed by signal 9" or "stopped with status 1".
std::string Ending(int status) {
  std::string end;
  if (status >= 0 && WIFSIGNALED(status))
    Appendf(end, "killed by signal %d", WTERMSIG(status));
  else
    Appendf(end, "stopped with status %d", status >= 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1);
  return end;
}

}  // namespace

int ForkChains(int starts, unsigned long first_seed,
               const std::function<bool(const tagChainScore&, const tagChainScore&)>& better) {
  std::fflush(stdout);
  const pid_t parent = getpid();
  std::vector<pid_t> pids(starts);
  std::vector<int> from_chain(starts), to_chain(starts);
  for (int i = 0; i < starts; ++i) {
    int up[2], down[2];
    if (pipe(up) != 0 || pipe(down) != 0) Refuse({}, 1, "Error: no pipe for the annealing chains.");
    const pid_t pid = fork();
    if (pid < 0) Refuse({}, 1, "Error: no process for the annealing chains.");
    if (pid == 0) {
      // A chain whose run is gone has no one to report to.
      prctl(PR_SET_PDEATHSIG, SIGTERM);
      if (getppid() != parent) _exit(1);
      ForgetChains();
      for (int j = 0; j < i; ++j) {
        close(from_chain[j]);
        close(to_chain[j]);
      }
      close(up[0]);
      close(down[1]);
      chain.to_parent = up[1];
      chain.from_parent = down[0];
      chain.held = std::tmpfile();
      chain.out = dup(STDOUT_FILENO);
      if (!chain.held || chain.out < 0 || dup2(fileno(chain.held), STDOUT_FILENO) < 0)
        Refuse({}, 1, "Error: no file to hold the output for the annealing chains.");
      std::printf("Annealing chain %d of %d, seed %lu.\n", i + 1, starts, first_seed + i);
      // The first chain goes on with the generator as a single run does.
      if (i > 0) init_genrand(first_seed + i);
      return i;
    }
    close(up[1]);
    close(down[0]);
    WatchChain(pid);
    pids[i] = pid;
    from_chain[i] = up[0];
    to_chain[i] = down[1];
  }

  std::vector<tagChainScore> scores(starts);
  std::vector<bool> done(starts);
  int kept = -1;
  for (int i = 0; i < starts; ++i) {
    done[i] = ReadAll(from_chain[i], &scores[i], sizeof scores[i]);
    if (done[i] && (kept < 0 || better(scores[i], scores[kept]))) kept = i;
  }
  for (int i = 0; i < starts; ++i) {
    if (done[i]) continue;
    // A chain that died before its score is lost; the others stand in.
    std::printf("Warning: annealing chain %d of %d lost: %s.\n", i + 1, starts,
                Ending(WaitFor(pids[i])).c_str());
  }
  if (kept < 0) Refuse({}, 1, "Error: no annealing chain finished.");
  std::printf("%d annealing chains from seed %lu: kept chain %d.\n", starts, first_seed, kept + 1);
  std::fflush(stdout);
  for (int i = 0; i < starts; ++i) {
    const char verdict = i == kept ? 1 : 0;
    WriteAll(to_chain[i], &verdict, 1);
    close(to_chain[i]);
    close(from_chain[i]);
  }
  for (int i = 0; i < starts; ++i)
    if (i != kept && done[i]) WaitFor(pids[i]);
  // The run ends as the kept chain ended.
  const int status = WaitFor(pids[kept]);
  if (status >= 0 && WIFEXITED(status)) StopRun(WEXITSTATUS(status));
  Refuse({}, status >= 0 && WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 1,
         "Error: annealing chain %d, the one kept, %s before its results were all written.", kept + 1,
         Ending(status).c_str());
}

void EndChain(const tagChainScore& score) {
  char verdict = 0;
  if (!WriteAll(chain.to_parent, &score, sizeof score) || !ReadAll(chain.from_parent, &verdict, 1) ||
      !verdict)
    _exit(0);  // a chain not kept leaves no trace: nothing flushed, nothing written
  close(chain.to_parent);
  close(chain.from_parent);
  std::fflush(stdout);
  dup2(chain.out, STDOUT_FILENO);
  close(chain.out);
  std::rewind(chain.held);
  char buffer[1 << 16];
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, chain.held)) > 0;)
    std::fwrite(buffer, 1, got, stdout);
  std::fclose(chain.held);
  chain = ChainState{};
}
