#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite. With --sanitize the suite is
# built with AddressSanitizer and UndefinedBehaviorSanitizer into build-asan/
# and any report fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "--sanitize" ]; then
  export TIERPLAN_BUILD_DIR=build-asan
  export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=0
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
  scripts/setup.sh -DTIERPLAN_SANITIZE=ON
else
  scripts/setup.sh
fi
ctest --test-dir "${TIERPLAN_BUILD_DIR:-build}" --output-on-failure -j"$(nproc)" --timeout 300
