#!/usr/bin/env bash
# Fails when a C++ file of the project strays from .clang-format; with --fix
# it reformats them instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-packages.sh clang-format
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  clang-format -i "${files[@]}"
else
  clang-format --dry-run --Werror "${files[@]}"
  echo "format: ${#files[@]} files as .clang-format says"
fi
