#!/usr/bin/env bash
# The real LEF/DEF designs beside the project, run as a user runs them: each
# design of ../shared/lefdef with its separate LEF files (technology LEF
# first; a concatenation named like the DEF is left out when there are
# others), on 1, 2 and 4 tiers, with the partitioner and with its partition
# file, with the parameters of examples/fl.prm (seed 1). One row per run.
#
#   bench/lefdef_runs.sh [lefdef dir] > table.md
#
# Environment: TIERPLAN (binary, default build/src/tierplan), TIERS (default
# "1 2 4"), EXTRA (fl.prm lines added, e.g. "cell_groups 30"). Runs are
# niced and made one after another.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
designs="${1:-$root/../shared/lefdef}"
tierplan="$(realpath "${TIERPLAN:-$root/build/src/tierplan}")"
tiers_list="${TIERS:-1 2 4}"
[ -d "$designs" ] || { echo "no design directory $designs" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "| design | tiers | partition | components | physical-only left out | blocks | groups | macros | fixed cells | outline (um) | result | CPU s | peak MB |"
echo "|---|---:|---|---:|---:|---:|---:|---:|---:|---|---|---:|---:|"
for dir in "$designs"/*/; do
  name=$(basename "$dir")
  for def in "$dir"*.def; do
    lefs=()
    for lef in "$dir"*.tlef "$dir"*.lef; do [ -f "$lef" ] && lefs+=("$lef"); done
    if [ ${#lefs[@]} -gt 1 ]; then
      kept=()
      for lef in "${lefs[@]}"; do [ "$lef" = "${def%.def}.lef" ] || kept+=("$lef"); done
      lefs=("${kept[@]}")
    fi
    part="${def%.def}.part"
    for tiers in $tiers_list; do
      for partition in no yes; do
        [ "$partition" = no ] || [ -f "$part" ] || continue
        run="$work/$name-$tiers-$partition"
        mkdir -p "$run"
        sed '/^end/d' "$root/examples/fl.prm" | sed "s/layers [0-9]*/layers $tiers/" > "$run/fl.prm"
        printf '%s\nend\n' "${EXTRA:-}" >> "$run/fl.prm"
        args=("${lefs[@]}" "$def")
        [ "$partition" = no ] || args+=("$part")
        (cd "$run" && /usr/bin/time -v -o time.txt nice -n 10 "$tierplan" "${args[@]}" > out.txt 2>&1) ||
          { echo "run failed: $name tiers $tiers partition $partition" >&2; continue; }
        cpu=$(awk -F': ' '/User time/ {u = $2} /System time/ {s = $2} END {printf "%.1f", u + s}' "$run/time.txt")
        mb=$(awk -F': ' '/Maximum resident/ {printf "%.0f", $2 / 1024}' "$run/time.txt")
        awk -v design="$name" -v tiers="$tiers" -v partition="$partition" -v cpu="$cpu" -v mb="$mb" '
          /^Number of Components:/ { comps = $4 }
          /^Physical-only cells left out:/ { left = $5 }
          /^Made [0-9]+ blocks/ { blocks = $2; gsub(/\(/, "", $4); groups = $4; macros = $6; fixed = $8 }
          /^Active Core Area =/ { core = $5 }
          /^Fixed-outline:/ { outline = sprintf("%.1f x %.1f", $2, $4) }
          /^Fixed outline/ { outline = sprintf("%.1f x %.1f", $(NF - 2), $NF) }
          /^Warning: the floorplan misses/ { sub(/.*outline of [^:]*: /, ""); sub(/\.$/, ""); miss = "misses: " $0 }
          END {
            if (outline == "") outline = sprintf("%.1f x %.1f", sqrt(core / tiers), sqrt(core / tiers))
            printf "| %s | %d | %s | %d | %d | %d | %d | %d | %d | %s | %s | %s | %s |\n", design, tiers,
              partition, comps, left, blocks, groups, macros, fixed, outline, miss == "" ? "fits" : miss, cpu, mb }
        ' "$run/out.txt"
      done
    done
  done
done
