#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite, installing KLayout for it.
# With --sanitize the suite is built with AddressSanitizer and
# UndefinedBehaviorSanitizer into build-asan/ and any report (leaks included)
# fails the run. That build is unoptimised: it compiles several times faster.
set -euo pipefail
cd "$(dirname "$0")/.."
# KLayout reads the DEF files the end-to-end tests write, independently of us;
# tools/defcheck, in Python, checks them.
scripts/install-packages.sh klayout python3
if [ "${1:-}" = "--sanitize" ]; then
  export TIERPLAN_BUILD_DIR=build-asan TIERPLAN_TEST_TIMEOUT=900
  export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1
  export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
  scripts/setup.sh -DTIERPLAN_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DTIERPLAN_WERROR="${TIERPLAN_WERROR:-OFF}"
else
  scripts/setup.sh -DTIERPLAN_WERROR="${TIERPLAN_WERROR:-OFF}"
fi
# The unoptimised sanitizer build runs the end-to-end schedules several
# times slower: its tests get more time.
ctest --test-dir "${TIERPLAN_BUILD_DIR:-build}" --output-on-failure -j"$(nproc)" --timeout "${TIERPLAN_TEST_TIMEOUT:-300}"
