#!/usr/bin/env bash
# Installs what tierplan needs from Debian's packages and builds it into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-packages.sh g++ cmake make libgtest-dev libboost-graph-dev libmetis-dev gnuplot-nox

build_dir="${TIERPLAN_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
