#!/usr/bin/env bash
# Builds the libFuzzer targets of the readers with clang (into build-fuzz/)
# and runs each for the given number of seconds, one after the other, from
# the seed corpus in bench/fuzz/corpus/. Prints executions and crashes per
# target; inputs that crashed are kept in build-fuzz/fuzz-results/<target>-crashes/.
# Usage: bench/fuzz.sh [seconds per target (60)] [target ...]
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(bookshelf_fuzz parameters_fuzz lef_fuzz def_fuzz partition_fuzz)

# clang and its libFuzzer runtime (libclang-rt-dev follows Debian's clang version).
scripts/install-packages.sh clang libclang-rt-dev

build=${TIERPLAN_FUZZ_BUILD_DIR:-build-fuzz}
CXX=clang++ cmake -S . -B "$build" -DTIERPLAN_FUZZ=ON -DTIERPLAN_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}" >/dev/null

results=$root/$build/fuzz-results
mkdir -p "$results"
printf '%-16s %12s %8s %s\n' target executions crashes seconds
for target in "${targets[@]}"; do
  seeds=$root/bench/fuzz/corpus/${target%_fuzz}
  corpus=$results/$target-corpus
  crashes=$results/$target-crashes
  mkdir -p "$corpus" "$crashes"
  work=$(mktemp -d)
  # Fork mode goes on after a crash, so one bad input does not end the run.
  (cd "$work" && "$root/$build/bench/fuzz/$target" "$corpus" "$seeds" -fork=1 \
    -ignore_crashes=1 -ignore_ooms=1 -ignore_timeouts=1 -max_total_time="$seconds" \
    -timeout=10 -rss_limit_mb=2048 -detect_leaks=0 -close_fd_mask=1 -print_funcs=0 \
    -artifact_prefix="$crashes/") >"$results/$target.log" 2>&1 || true
  rm -rf "$work"
  # The last status line: "#<executions>: cov: ... oom/timeout/crash: a/b/c ...".
  status=$(grep '^#[0-9]*:' "$results/$target.log" | tail -1 || true)
  execs=$(sed -n 's/^#\([0-9]*\):.*/\1/p' <<<"$status")
  failures=$(sed -n 's|.*oom/timeout/crash: \([0-9/]*\).*|\1|p' <<<"$status")
  found=$(find "$crashes" -type f | wc -l)
  printf '%-16s %12s %8d %s (oom/timeout/crash %s)\n' "$target" "${execs:-0}" "$found" "$seconds" \
    "${failures:-0/0/0}"
done
