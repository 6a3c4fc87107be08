#!/usr/bin/env bash
# Scaling benchmark: floorplans genbench designs of growing size with fixed
# seeds and prints one markdown table row per run, then the fitted growth of
# the optimisation time with the block count.
#
#   bench/scaling.sh                     # all sizes, 2 and 4 tiers
#   SIZES="50 100" TIERS=2 bench/scaling.sh
#   PROFILE=3300 bench/scaling.sh        # also profile one run of that size with perf
#
# Runs are niced and one at a time; each is bounded by RUN_CPU CPU seconds.
# Large designs use fewer annealing iterations (column "iter"), chosen so that
# every run costs about the same: the cost per move is measured, and the time
# of a full schedule follows from it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TIERPLAN_BUILD_DIR:-$root/build}
sizes=${SIZES:-"50 100 200 500 1000 2000 3300"}
tiers=${TIERS:-"2 4"}
run_timeout=${RUN_TIMEOUT:-3600}  # wall clock; the machine may be busy
run_cpu=${RUN_CPU:-300}           # CPU seconds per run
tierplan=$build/src/tierplan
genbench=$build/tools/genbench
fpcheck=$build/tools/fpcheck
reader=$build/bench/bookshelf_read_bench
for tool in "$tierplan" "$genbench" "$fpcheck" "$reader" /usr/bin/time; do
  [ -x "$tool" ] || { echo "scaling: $tool is missing; build first (scripts/setup.sh)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The full schedule (3000) for small designs; above, fewer iterations so that
# a run costs about the same CPU time (the cost per move grows like n^1.2).
iterations_for() {
  awk -v n="$1" 'BEGIN { it = int(3000 * (100 / n) ^ 2.2); if (it > 3000) it = 3000; if (it < 1) it = 1; print it }'
}

# design(n): terminals and nets in the proportions of the GSRC n-series.
design() {
  local n=$1 dir=$2 t
  t=$((2 * n)); [ "$t" -gt 1000 ] && t=1000
  (cd "$dir" && "$genbench" --seed 1 "g$n" "$n" "$t" $((6 * n)))
}

prm() {
  sed '/^end/,$d' "$root/examples/fl.prm"
  echo "layers $1 iterations $2 seed 1"
  echo "end"
}

rows=$work/rows
echo "| blocks | tiers | iter | read s | initial+output s | optimise s | moves | µs/move | peak MB | outline | HPWL | vias |"
echo "|---:|---:|---:|---:|---:|---:|---:|---:|---:|:---|---:|---:|"
for n in $sizes; do
  dir=$work/n$n
  mkdir -p "$dir"
  design "$n" "$dir"
  read_ms=$(cd "$dir" && nice -n 10 "$reader" "g$n" 10 2>&1 >/dev/null | awk '/read_ms/ {print $2}')
  for layers in $tiers; do
    it=$(iterations_for "$n")
    prm "$layers" "$it" > "$dir/fl.prm"
    rm -f "$dir/g$n.txt"
    if ! (cd "$dir" && ulimit -t "$run_cpu" && nice -n 10 /usr/bin/time -v -o time.txt timeout "$run_timeout" "$tierplan" "g$n" > out.txt 2>&1); then
      echo "| $n | $layers | $it | run failed or exceeded ${run_cpu} CPU s |||||||||"
      continue
    fi
    user=$(awk -F': ' '/User time/ {print $2}' "$dir/time.txt")
    sys=$(awk -F': ' '/System time/ {print $2}' "$dir/time.txt")
    rss=$(awk -F': ' '/Maximum resident/ {print $2}' "$dir/time.txt")
    opt=$(awk '/^Time consumed:/ {print $3}' "$dir/out.txt")
    temps=$(grep -c '^Temperature:' "$dir/out.txt" || true)
    moves=$((temps * (it * n / 100)))
    check=$(cd "$dir" && "$fpcheck" "g$n" || true)
    echo "$check" | grep -q '^result: legal' ||
      echo "scaling: n=$n tiers=$layers: $(echo "$check" | tail -1)" >&2
    outline=$(echo "$check" | awk '
      /^outline:/ { w = $2; h = $4 }
      /exceeds the outline by/ { split($0, a, "by "); split(a[2], b, " x "); o = b[1] / w; if (b[2] / h > o) o = b[2] / h; if (o > worst) worst = o }
      END { if (worst > 0) printf "over %.0f%%", 100 * worst; else printf "fits" }')
    hpwl=$(echo "$check" | awk '/^hpwl:/ {print $2}')
    vias=$(echo "$check" | awk '/^vias:/ {print $2}')
    awk -v n="$n" -v l="$layers" -v it="$it" -v r="$read_ms" -v u="$user" -v s="$sys" -v o="$opt" -v m="$moves" \
        -v rss="$rss" -v fit="$outline" -v h="$hpwl" -v v="$vias" -v rows="$rows" 'BEGIN {
      read_s = r / 1000; init = u + s - read_s - o; if (init < 0) init = 0
      per = m > 0 ? 1e6 * o / m : 0
      printf "| %d | %d | %d | %.3f | %.2f | %.2f | %d | %.1f | %.1f | %s | %.0f | %d |\n", n, l, it, read_s, init, o, m, per, rss / 1024, fit, h, v
      if (per > 0) printf "%d %d %.6f\n", n, l, per >> rows
    }'
  done
done

# Least-squares slope of log(µs per move) against log(n), per tier count. A
# full schedule makes a number of moves proportional to n, so its time grows
# with one more power of n.
if [ -s "$rows" ]; then
  echo
  for layers in $tiers; do
    awk -v l="$layers" '$2 == l && $1 >= 200 { x = log($1); y = log($3); sx += x; sy += y; sxx += x * x; sxy += x * y; k++ }
      END { if (k >= 2) { b = (k * sxy - sx * sy) / (k * sxx - sx * sx)
            printf "%d tiers: cost per move ~ n^%.2f, full schedule ~ n^%.2f (fit over n >= 200, %d sizes)\n", l, b, b + 1, k } }' "$rows"
  done
fi

if [ -n "${PROFILE:-}" ]; then
  n=$PROFILE
  dir=$work/profile
  mkdir -p "$dir"
  design "$n" "$dir"
  prm 2 "$(iterations_for "$n")" > "$dir/fl.prm"
  echo
  echo "Profile of n=$n, 2 tiers, iterations $(iterations_for "$n") (perf, self time):"
  (cd "$dir" && nice -n 10 timeout "$run_timeout" perf record -q -g -o perf.data "$tierplan" "g$n" > /dev/null 2>&1 &&
    perf report -q -i perf.data --no-children --stdio --sort symbol 2>/dev/null |
    awk '/^ +[0-9.]+%/ && k < 15 { p = $1; s = $0; sub(/^ *[0-9.]+% +\[[^]]*\] +/, "", s); sub(/[ -]+$/, "", s); printf "  %7s  %s\n", p, s; k++ }')
fi
