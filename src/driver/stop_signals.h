// How a run ends on a signal: the temporaries it is writing are removed, its
// annealing chains are stopped and waited for, one line says what happened,
// and the status is 128 + the signal, as a shell reports a killed process.
#pragma once
#include <sys/types.h>

// SIGTERM, SIGINT and SIGHUP end the run as above. SIGPIPE and SIGXFSZ are
// ignored: a write to a lost chain, a closed pipe or beyond the file-size
// limit then fails, and the writer reports what it could not write.
void InstallStopSignals();

// The temporary files being written, removed when a signal ends the run.
void HoldTemporary(const char* path);
void DropTemporary(const char* path);

// A chain process, signalled and waited for when a signal ends the run.
void WatchChain(pid_t pid);
// In a new chain: the chains forked before it are its parent's, not its own.
void ForgetChains();
