#!/usr/bin/env bash
# Sets up, builds and floorplans the bundled example in build/example-run/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
run_dir=build/example-run
mkdir -p "$run_dir"
cp examples/demo16/demo16.blocks examples/demo16/demo16.nets examples/demo16/demo16.pl examples/fl.prm "$run_dir"/
cd "$run_dir"
../src/tierplan demo16
echo "Results in $run_dir: demo16_final.pl, demo16_layer_*.plt, demo16.txt"
