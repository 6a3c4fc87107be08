#!/usr/bin/env bash
# What a CPU time limit buys: every shared benchmark on 1, 2 and 4 tiers with
# the default schedule and with time_limit 1, 3, 10 and 30 s, 10 seeds each;
# per row the runs that fit the outline, median HPWL and vias (from fpcheck,
# which also checks every result is legal) and median CPU seconds of the
# optimiser and of the whole run.
#
#   bench/time_quality.sh [benchmark dir] > table.md
#
# Environment: TIERPLAN (binary, default build/src/tierplan), FPCHECK
# (default build/tools/fpcheck), TIERS (default "1 2 4"), LIMITS (default
# "0 1 3 10 30"; 0 is the default schedule), SEEDS (default 10), ONLY
# (space-separated benchmark names, default all), PRM (extra fl.prm lines,
# e.g. "sparearea 10"), STARTS (annealing chains per run, default 1). The full
# table takes days on 2 cores, most of it in the default schedule of the
# large designs; ONLY, TIERS, LIMITS and SEEDS cut it down. Runs are niced
# and made one after another.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
benchmarks="${1:-$root/../shared/benchmarks}"
tierplan="$(realpath "${TIERPLAN:-$root/build/src/tierplan}")"
fpcheck="$(realpath "${FPCHECK:-$root/build/tools/fpcheck}")"
tiers_list="${TIERS:-1 2 4}"
limits="${LIMITS:-0 1 3 10 30}"
seeds="${SEEDS:-10}"
starts="${STARTS:-1}"
[ -d "$benchmarks" ] || { echo "no benchmark directory $benchmarks" >&2; exit 1; }
for tool in "$tierplan" "$fpcheck"; do
  [ -x "$tool" ] || { echo "time_quality: $tool is missing; build first (scripts/setup.sh)" >&2; exit 1; }
done

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# One run; prints "legal fits hpwl vias optimiser_s total_s".
run_one() {
  local dir=$1 base=$2 tiers=$3 limit=$4 seed=$5
  local run="$work/$base-$tiers-$limit-$seed"
  mkdir -p "$run"
  for ext in blocks nets pl; do ln -s "$dir/$base.$ext" "$run/$base.$ext"; done
  { sed '/^end/,$d' "$root/examples/fl.prm"
    printf 'layers %d\nseed %d\ntime_limit %d\nstarts %d\n%s\nend\n' "$tiers" "$seed" "$limit" \
      "$starts" "${PRM:-}"; } > "$run/fl.prm"
  (cd "$run" && /usr/bin/time -f '%U %S' -o time.txt nice -n 10 "$tierplan" "$base" > out.txt 2>&1) ||
    { echo "run failed: $base tiers $tiers limit $limit seed $seed" >&2; return 1; }
  (cd "$run" && "$fpcheck" "$base" > check.txt 2>&1) || true
  awk -v opt="$(awk '/^Time consumed:/ { print $3 }' "$run/out.txt" | tail -n 1)" \
      -v total="$(awk '{ print $1 + $2 }' "$run/time.txt")" '
    /^result: legal/ { legal = 1 }
    /exceeds the outline by/ { over = 1 }
    /^hpwl:/ { hpwl = $2 }
    /^vias:/ { vias = $2 }
    END { print legal + 0, (legal && !over) ? 1 : 0, hpwl, vias, opt, total }' "$run/check.txt"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "| benchmark | blocks | tiers | setting | runs | legal | fit | median HPWL | median vias | median optimiser CPU s | median run CPU s |"
echo "|---|---:|---:|---|---:|---:|---:|---:|---:|---:|---:|"
for dir in "$benchmarks"/*/; do
  base="$(basename "$dir")"
  dir="$(realpath "$dir")"
  [ -f "$dir/$base.blocks" ] || continue
  if [ -n "${ONLY:-}" ] && [[ " $ONLY " != *" $base "* ]]; then continue; fi
  blocks=$(awk -F: '/^Num(Hard|Soft)[A-Za-z]*Blocks/ {s += $2} END {print s + 0}' "$dir/$base.blocks")
  for tiers in $tiers_list; do
    for limit in $limits; do
      rows="$work/rows-$base-$tiers-$limit"
      : > "$rows"
      for seed in $(seq 1 "$seeds"); do
        run_one "$dir" "$base" "$tiers" "$limit" "$seed" >> "$rows" || true
      done
      [ -s "$rows" ] || continue
      setting="default"
      [ "$limit" -gt 0 ] && setting="time_limit $limit"
      printf '| %s | %s | %d | %s | %d | %d | %d | %.0f | %.0f | %.2f | %.2f |\n' "$base" "$blocks" \
        "$tiers" "$setting" "$(wc -l < "$rows")" "$(awk '{ s += $1 } END { print s }' "$rows")" \
        "$(awk '{ s += $2 } END { print s }' "$rows")" "$(cut -d' ' -f3 "$rows" | median)" \
        "$(cut -d' ' -f4 "$rows" | median)" "$(cut -d' ' -f5 "$rows" | median)" \
        "$(cut -d' ' -f6 "$rows" | median)"
    done
  done
done
