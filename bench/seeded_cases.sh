#!/usr/bin/env bash
# Seeded runs of a set of cases, each checked by fpcheck (legal, inside the
# outline, soft shapes in area and range), reduced to one table row per case.
#
#   bench/seeded_cases.sh soft > table.md     soft blocks against their hard variants
#   bench/seeded_cases.sh large > table.md    large designs and short time limits
#
# A case is "design tiers sparearea [time_limit]"; the design is looked up
# in ../shared/benchmarks-soft, ../shared/benchmarks-ibm and
# ../shared/benchmarks, and a design named gN (g3300, say) is made by
# genbench --seed 1 with N blocks, min(2N, 1000) terminals and 6N nets.
# Environment: CASES (newline-separated cases instead of the set's), SEEDS
# (default 10), TIERPLAN, FPCHECK, GENBENCH (binaries, default under build/),
# BASELINE (an older tierplan: each seed runs it, then TIERPLAN, and each
# case gets a row "design (baseline)" too, so that a drift in the machine's
# speed, which moves time-limited results, falls on both alike).
# Runs are niced and one at a time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
shared=${SHARED:-$root/../shared}
tierplan=$(realpath "${TIERPLAN:-$root/build/src/tierplan}")
baseline=${BASELINE:+$(realpath "$BASELINE")}
fpcheck=$(realpath "${FPCHECK:-$root/build/tools/fpcheck}")
genbench=$(realpath "${GENBENCH:-$root/build/tools/genbench}")
seeds=${SEEDS:-10}
case ${1:-} in
  soft) set_cases="n100 1 10
n100_soft 1 10
n100_soft 1 5
n100_soft 2 10
n100_soft 4 10
n300 1 10
n300_soft 1 10
n300_soft 1 5
n300_soft 2 10
n300_soft 4 10
ibm01 1 15 120
ibm01 2 20 120
ibm02 1 15 120
ibm02 2 20 120" ;;
  large) set_cases="n300 1 10 1
n100 1 20 1
ami33 1 20 1
ibm01 1 15 60
ibm01 2 20 60
ibm01 4 20 60
ibm02 1 15 60
ibm02 2 20 60
ibm02 4 20 60
g3300 2 20 300
g3300 4 20 600" ;;
  *) [ -n "${CASES:-}" ] || { echo "usage: seeded_cases.sh soft|large (or CASES=...)" >&2; exit 1; } ;;
esac
cases=${CASES:-$set_cases}
for tool in "$tierplan" "$fpcheck" "$genbench" ${baseline:+"$baseline"}; do
  [ -x "$tool" ] || { echo "seeded_cases: $tool is missing; build first" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

find_design() {
  local d
  if [[ $1 =~ ^g([0-9]+)$ ]]; then
    local n=${BASH_REMATCH[1]}
    d=$work/$1
    [ -f "$d/$1.blocks" ] ||
      (mkdir -p "$d" && cd "$d" && "$genbench" --seed 1 "$1" "$n" $((2 * n < 1000 ? 2 * n : 1000)) $((6 * n)) > /dev/null)
    echo "$d"
    return
  fi
  for d in "$shared"/benchmarks-soft/"$1" "$shared"/benchmarks-ibm/"$1" "$shared"/benchmarks/"$1"; do
    [ -f "$d/$1.blocks" ] && { echo "$d"; return; }
  done
  return 1
}

# One run by the binary $7; prints "fit hpwl vias cpu_s peak_kb".
run_one() {
  local dir=$1 base=$2 tiers=$3 spare=$4 limit=$5 seed=$6 binary=$7
  local run=$work/$base-$tiers-$spare-$seed
  mkdir -p "$run"
  for ext in blocks nets pl; do ln -s "$dir/$base.$ext" "$run/$base.$ext"; done
  {
    printf 'aspect_ratio 100\nlayers %d\nseed %d\nsparearea %s\n' "$tiers" "$seed" "$spare"
    [ -n "$limit" ] && printf 'time_limit %s\n' "$limit"
    printf 'end\n'
  } > "$run/fl.prm"
  (cd "$run" && /usr/bin/time -f '%U %S %M' -o time.txt nice -n 10 "$binary" "$base" > out.txt 2>&1) ||
    { echo "run failed: $base tiers $tiers seed $seed" >&2; return 1; }
  local fit=1
  (cd "$run" && "$fpcheck" --require-fit "$base" > check.txt 2>&1) || fit=0
  awk -v fit="$fit" '
    FILENAME ~ /check/ && /^hpwl:/ { hpwl = $2 }
    FILENAME ~ /check/ && /^vias:/ { vias = $2 }
    FILENAME ~ /time/ { cpu = $1 + $2; kb = $3 }
    END { printf "%d %s %d %.1f %d\n", fit, hpwl, vias, cpu, kb }' "$run/check.txt" "$run/time.txt"
  rm -rf "$run"
}

echo "| design | tiers | sparearea | time_limit | runs | fit | median HPWL | mean vias | mean CPU s | peak MB |"
echo "|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|"
while read -r base tiers spare limit; do
  [ -n "$base" ] || continue
  dir=$(find_design "$base") || { echo "seeded_cases: no design $base under $shared" >&2; continue; }
  : > "$work/rows"
  : > "$work/baseline_rows"
  for seed in $(seq 1 "$seeds"); do
    [ -n "$baseline" ] &&
      { run_one "$dir" "$base" "$tiers" "$spare" "${limit:-}" "$seed" "$baseline" >> "$work/baseline_rows" || true; }
    run_one "$dir" "$base" "$tiers" "$spare" "${limit:-}" "$seed" "$tierplan" >> "$work/rows" || true
  done
  for rows in ${baseline:+baseline_rows} rows; do
    label=$base
    [ "$rows" = baseline_rows ] && label="$base (baseline)"
    sort -k2,2g "$work/$rows" | awk -v base="$label" -v tiers="$tiers" -v spare="$spare" -v limit="${limit:--}" '
    { runs++; fit += $1; hpwl[runs] = $2; vias += $3; cpu += $4; if ($5 > kb) kb = $5 }
    END { if (!runs) exit
          median = runs % 2 ? hpwl[(runs + 1) / 2] : (hpwl[runs / 2] + hpwl[runs / 2 + 1]) / 2
          printf "| %s | %d | %s | %s | %d | %d/%d | %.0f | %.0f | %.1f | %.0f |\n",
            base, tiers, spare, limit, runs, fit, runs, median, vias / runs, cpu / runs, kb / 1024 }'
  done
done <<< "$cases"
