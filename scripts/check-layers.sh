#!/usr/bin/env bash
# Builds the subsystems as shared libraries that may resolve symbols only
# from the layers below them (src/CMakeLists.txt): an include or a call
# against the layers fails this build.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-layers -DCMAKE_BUILD_TYPE=Debug -DTIERPLAN_TESTS=OFF -DTIERPLAN_LAYER_CHECK=ON >/dev/null
cmake --build build-layers -j"$(nproc)" --target tierplan
echo "layers: every include and call goes downwards"
