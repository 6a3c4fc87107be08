#!/usr/bin/env bash
# Runs clang-tidy with the checks of .clang-tidy over src/; any finding fails.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh clang-tidy
cmake -S . -B build-tidy -DTIERPLAN_TESTS=OFF -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null
mapfile -t files < <(git ls-files 'src/*.cpp')
printf '%s\n' "${files[@]}" | xargs -P "$(nproc)" -n 4 clang-tidy -p build-tidy --quiet
echo "clang-tidy: ${#files[@]} files clean"
