#!/usr/bin/env bash
# The real LEF/DEF designs beside the project, run as a user runs them: each
# design of ../shared/lefdef with its separate LEF files (a concatenation
# named like the DEF is left out when there are others; a gzipped DEF is
# unzipped first), on 1, 2 and 4 tiers, with the parameters of
# examples/fl.prm. Each run's tier DEFs are checked by tools/defcheck
# against the input DEF; on one tier, a design whose input is placed is
# compared with that placement by tools/wirelength-compare. One row per run.
#
#   bench/lefdef_runs.sh [lefdef dir] > table.md
#
# Environment: TIERPLAN (binary, default build/src/tierplan), TIERS (default
# "1 2 4"), SEEDS (default "1"), EXTRA (fl.prm lines added, e.g.
# "cell_groups 30"), PARTITION=yes (with the design's partition file where
# it has one). Runs are niced and made one after another.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
designs="${1:-$root/../shared/lefdef}"
tierplan="$(realpath "${TIERPLAN:-$root/build/src/tierplan}")"
[ -d "$designs" ] || { echo "no design directory $designs" >&2; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "| design | tiers | seed | blocks | fences | outline on each tier (um) | result | defcheck | macro-and-pin / flow | centroid / flow | CPU s | peak MB |"
echo "|---|---:|---:|---|---:|---|---|---|---:|---:|---:|---:|"
for dir in "$designs"/*/; do
  name=$(basename "$dir")
  for def in "$dir"*.def "$dir"*.def.gz; do
    [ -f "$def" ] || continue
    if [[ "$def" == *.gz ]]; then
      gzip -dc "$def" > "$work/$name.def"
      def="$work/$name.def"
      joined="${dir}design.lef"
    else
      joined="${def%.def}.lef"
    fi
    lefs=()
    for lef in "$dir"*.tlef "$dir"*.lef; do [ -f "$lef" ] && [ "$lef" != "$joined" ] && lefs+=("$lef"); done
    [ ${#lefs[@]} -gt 0 ] || lefs=("$joined")
    part=""
    [ "${PARTITION:-no}" = yes ] && [ -f "${dir}design.part" ] && part="${dir}design.part"
    for tiers in ${TIERS:-1 2 4}; do
      for seed in ${SEEDS:-1}; do
        run="$work/$name-$tiers-$seed"
        mkdir -p "$run"
        sed '/^end/d' "$root/examples/fl.prm" | sed "s/layers [0-9]*/layers $tiers/; s/seed [0-9]*/seed $seed/" \
          > "$run/fl.prm"
        printf '%s\nend\n' "${EXTRA:-}" >> "$run/fl.prm"
        status=0
        (cd "$run" && /usr/bin/time -v -o time.txt nice -n 10 "$tierplan" "${lefs[@]}" "$def" $part > out.txt 2>&1) ||
          status=$?
        check="-" wire="- | -"
        if [ "$status" = 0 ]; then
          tier_defs=()
          for ((t = 0; t < tiers; t++)); do tier_defs+=("$run/$(basename "${lefs[0]}")_tier$t.def"); done
          target=$(sed -n 's/.* groups at \([0-9.]*\) % utilisation.*/\1/p' "$run/out.txt")
          check=$("$root/tools/defcheck" --target-util "$(awk -v u="${target:-100}" 'BEGIN {print u / 100}')" \
            --input "$def" "${lefs[@]}" "${tier_defs[@]}" 2>&1 | tail -1 | sed 's/^defcheck: [0-9]* tier DEFs, //' || true)
          if [ "$tiers" = 1 ]; then
            wire=$("$root/tools/wirelength-compare" "${lefs[@]}" "$def" "${tier_defs[0]}" \
              "$run/$(basename "${lefs[0]}")_blocks.map" 2>/dev/null | tail -1 |
              sed -n 's/ratio_macro_pin=\(.*\) ratio_centroid=\(.*\)/\1 | \2/p' || true)
            [ -n "$wire" ] || wire="- | -"
          fi
        fi
        cpu=$(awk -F': ' '/User time/ {u = $2} /System time/ {s = $2} END {printf "%.1f", u + s}' "$run/time.txt")
        mb=$(awk -F': ' '/Maximum resident/ {printf "%.0f", $2 / 1024}' "$run/time.txt")
        awk -v design="$name" -v tiers="$tiers" -v seed="$seed" -v status="$status" -v check="$check" \
          -v wire="$wire" -v cpu="$cpu" -v mb="$mb" '
          /^Made [0-9]+ blocks/ { blocks = $2 " (" $6 " macros)" }
          /^Cell fences:/ { fences = $6 " %" }
          /^Outline:/ { outline = $2 " x " $4 }
          /FIXED components lie beyond/ { released = "; " $2 " FIXED released" }
          /^Warning: the floorplan misses/ { sub(/.*outline of [^:]*: /, ""); sub(/\.$/, ""); miss = "misses: " $0 }
          /(^|: )Error:/ { error = $0; sub(/^.*: Error:/, "Error:", error) }
          END {
            result = status != 0 ? "refused: " error : (miss == "" ? "fits" : miss)
            printf "| %s | %d | %d | %s | %s | %s | %s%s | %s | %s | %s | %s |\n", design, tiers, seed, blocks,
              fences, outline, result, released, check, wire, cpu, mb }
        ' "$run/out.txt"
        rm -rf "$run"
      done
    done
  done
done
