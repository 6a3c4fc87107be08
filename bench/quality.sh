#!/usr/bin/env bash
# Result quality and speed of tierplan on the GSRC benchmarks: one run per
# benchmark, tier count and seed with the default parameters (fl.prm gives
# only the outline's aspect ratio, the tier count and the seed), reduced to
# one table row per benchmark and tier count.
#
#   bench/quality.sh [benchmark dir] > table.md
#
# Environment: TIERPLAN (binary, default build/src/tierplan), TIERS (default
# "1 2 4"), SEEDS (seeds per run set, default 10), LARGE_SEEDS (seeds for
# designs above LARGE_BLOCKS blocks, default 3), LARGE_BLOCKS (default 200),
# ONLY (space-separated benchmark names to run, default all), LIMIT (seconds
# per run, default 900). Runs are niced and made one after another.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
benchmarks="${1:-$root/../shared/benchmarks}"
tierplan="$(realpath "${TIERPLAN:-$root/build/src/tierplan}")"
tiers_list="${TIERS:-1 2 4}"
seeds="${SEEDS:-10}"
large_seeds="${LARGE_SEEDS:-3}"
large_blocks="${LARGE_BLOCKS:-200}"
limit="${LIMIT:-900}"
[ -d "$benchmarks" ] || { echo "no benchmark directory $benchmarks" >&2; exit 1; }
[ -x "$tierplan" ] || { echo "no tierplan binary at $tierplan" >&2; exit 1; }

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One run; prints "fit W H outW outH usage hpwl vias cpu rss_kb moves seconds rounds".
run_one() {
  local dir="$1" base="$2" tiers="$3" seed="$4"
  local run="$work/$base-$tiers-$seed"
  mkdir -p "$run"
  for ext in blocks nets pl; do ln -s "$dir/$base.$ext" "$run/$base.$ext"; done
  printf 'aspect_ratio 100\nlayers %d\nseed %d\nend\n' "$tiers" "$seed" > "$run/fl.prm"
  (cd "$run" && /usr/bin/time -v -o time.txt nice -n 10 timeout "$limit" "$tierplan" "$base" \
     > out.txt 2>&1) || { echo "run failed: $base tiers $tiers seed $seed" >&2; return 1; }
  # One tier prints no outline line: the outline is then the core area's
  # square root for the square aspect ratio that fl.prm asks for.
  awk -v tiers="$tiers" '
    /^Active Core Area =/ { core = $5 }
    /^Fixed-outline:/ { ow = $2; oh = $4 }
    /^ Cell Area=/ { w = $3; h = $5 }
    /^Area usage:/ { split($0, u, "="); usage = u[2] }
    /^Netlength =/ { hpwl = $3 }
    /^Outside the outline after round/ { rounds++ }
    /^ *[0-9]+\|/ { split($1, m, "|"); last = m[1] + 0 }
    /^ Cell = / { gsub(",", ""); n = $3 }
    END { if (ow == "") ow = oh = sqrt(core / tiers)
          printf "%d %s %s %s %s %s %s %d %d %d\n", (w <= ow + 1e-6 && h <= oh + 1e-6),
            w, h, ow, oh, usage, hpwl, n, last, rounds + 1 }' "$run/out.txt" \
    > "$run/summary.txt"
  # The via count of the result: the twelfth field of the statistics record.
  local vias
  vias=$(tail -n 1 "$run/$base.txt" | awk -F';' '{ gsub(/ /, "", $12); print $12 + 0 }')
  local user sys rss
  user=$(awk -F': ' '/User time/ {print $2}' "$run/time.txt")
  sys=$(awk -F': ' '/System time/ {print $2}' "$run/time.txt")
  rss=$(awk -F': ' '/Maximum resident/ {print $2}' "$run/time.txt")
  local opt
  opt=$(awk '/^Time consumed:/ {print $3}' "$run/out.txt")
  read -r fit w h ow oh usage hpwl n last rounds < "$run/summary.txt"
  # Moves: the counter of the last temperature's status line plus the moves
  # made at that temperature (R - 1 with R = 30 n for the default iterations).
  local moves=$((last + 30 * n - 1))
  echo "$fit $w $h $ow $oh $usage $hpwl $vias $(echo "$user + $sys" | bc) $rss $moves $opt $rounds"
}

echo "| benchmark | blocks | tiers | runs | fit | rounds | mean W x H | outline | area usage | HPWL | vias | CPU s | peak MB | us/move |"
echo "|---|---:|---:|---:|---:|---:|---|---|---:|---:|---:|---:|---:|---:|"
for dir in "$benchmarks"/*/; do
  base="$(basename "$dir")"
  dir="$(realpath "$dir")"
  [ -f "$dir/$base.blocks" ] || continue
  if [ -n "${ONLY:-}" ] && [[ " $ONLY " != *" $base "* ]]; then continue; fi
  blocks=$(awk -F: '/^Num(Hard|Soft)[A-Za-z]*Blocks/ {s += $2} END {print s + 0}' \
           "$dir/$base.blocks")
  count="$seeds"
  [ "${blocks:-0}" -gt "$large_blocks" ] && count="$large_seeds"
  for tiers in $tiers_list; do
    rows="$work/rows-$base-$tiers"
    : > "$rows"
    for seed in $(seq 1 "$count"); do
      run_one "$dir" "$base" "$tiers" "$seed" >> "$rows" || true
    done
    [ -s "$rows" ] || continue
    awk -v base="$base" -v blocks="$blocks" -v tiers="$tiers" '
      { runs++; fit += $1; w += $2; h += $3; ow = $4; oh = $5; use += $6; hpwl += $7;
        vias += $8; cpu += $9; if ($10 > rss) rss = $10; us += ($11 > 0 ? $12 * 1e6 / $11 : 0)
        rounds += $13 }
      END { printf "| %s | %s | %d | %d | %d/%d | %.1f | %.0f x %.0f | %.0f x %.0f | %.3f | %.0f | %.0f | %.1f | %.1f | %.0f |\n",
              base, blocks, tiers, runs, fit, runs, rounds / runs, w / runs, h / runs, ow, oh, use / runs,
              hpwl / runs, vias / runs, cpu / runs, rss / 1024, us / runs }' "$rows"
  done
done
