#!/usr/bin/env bash
# Cost of one annealing move, and whether a faster build still gives the same
# results.
#
#   bench/move_speed.sh                          # time per move of build/src/tierplan
#   BASELINE=/path/to/old/tierplan bench/move_speed.sh
#
# Timing: genbench designs of 100, 300, 1000 and 3300 blocks (SIZES), the
# GSRC n300 and its soft variant n300_soft, 2 tiers (TIERS), each with a short
# seeded schedule (iterations
# chosen so that a run makes about MOVES moves); CPU seconds of the
# optimisation ("Time consumed") over the moves made. With BASELINE the old
# and the new binary run alternately, REPEAT times each, and the table gives
# both medians and their ratio.
#
# Identity (only with BASELINE): every shared benchmark and the bundled
# examples on 1, 2 and 4 tiers, with both optimisers and via planning on,
# seeded, run by both binaries; every file a run writes and its standard
# output must be equal byte for byte once CPU times are masked. Differences
# are listed and make the exit status 1. PART=timing or PART=identity runs
# one part only.
#
# Runs are niced and one at a time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${TIERPLAN_BUILD_DIR:-$root/build}
tierplan=$(realpath "${TIERPLAN:-$build/src/tierplan}")
baseline=${BASELINE:+$(realpath "$BASELINE")}
genbench=$build/tools/genbench
benchmarks=${BENCHMARKS:-$root/../shared/benchmarks}
soft_benchmarks=${SOFT_BENCHMARKS:-$root/../shared/benchmarks-soft}
sizes=${SIZES:-"100 300 1000 3300"}
tiers=${TIERS:-2}
moves_wanted=${MOVES:-20000}
repeat=${REPEAT:-3}
part=${PART:-all}
for tool in "$tierplan" "$genbench" ${baseline:+"$baseline"}; do
  [ -x "$tool" ] || { echo "move_speed: $tool is missing; build first (scripts/setup.sh)" >&2; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Run directory with the design's files linked in and the given fl.prm lines.
prepare() {
  local dir=$1 src=$2 prm=$3
  shift 3
  mkdir -p "$dir"
  for f in "$@"; do ln -sf "$src/$f" "$dir/$f"; done
  { sed '/^end/,$d' "$root/examples/fl.prm"; echo "$prm"; echo end; } > "$dir/fl.prm"
}

# --- timing ------------------------------------------------------------------

# CPU microseconds per move of one run: "Time consumed" over the moves, which
# are temperatures x (moves per temperature - 1).
per_move() {
  local binary=$1 dir=$2 base=$3 n=$4 it=$5
  (cd "$dir" && nice -n 10 "$binary" "$base" > out.txt 2>&1) || { echo "run failed" >&2; return 1; }
  awk -v n="$n" -v it="$it" '
    /^Temperature:/ { temps++ }
    /^Time consumed:/ { s = $3 }
    END { m = temps * (int(it * n / 100) - 1); printf "%.1f\n", (m > 0 ? 1e6 * s / m : 0) }' "$dir/out.txt"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

timing() {
  echo "| design | blocks | tiers | iterations | moves | us/move${baseline:+ old | us/move new | old / new} |"
  echo "|---|---:|---:|---:|---:|---:${baseline:+|---:|---:}|"
  local designs=()
  for n in $sizes; do designs+=("g$n:$n"); done
  [ -f "$benchmarks/n300/n300.blocks" ] && designs+=("n300:300")
  [ -f "$soft_benchmarks/n300_soft/n300_soft.blocks" ] && designs+=("n300_soft:300")
  for entry in "${designs[@]}"; do
    local base=${entry%%:*} n=${entry##*:} src
    if [ "$base" = n300 ]; then
      src=$benchmarks/n300
    elif [ "$base" = n300_soft ]; then
      src=$soft_benchmarks/n300_soft
    else
      src=$work/designs/$base
      mkdir -p "$src"
      local t=$((2 * n)); [ "$t" -gt 1000 ] && t=1000
      (cd "$src" && "$genbench" --seed 1 "$base" "$n" "$t" $((6 * n)) > /dev/null)
    fi
    # 39 temperatures of it * n / 100 moves each.
    local it=$(( (moves_wanted * 100 / 39 + n - 1) / n ))
    [ "$it" -lt 1 ] && it=1
    for layers in $tiers; do
      local old=() new=()
      for r in $(seq 1 "$repeat"); do
        local dir=$work/time/$base-$layers-$r
        if [ -n "$baseline" ]; then
          prepare "$dir/old" "$src" "layers $layers iterations $it seed 1 anneal_rounds 1" \
            "$base.blocks" "$base.nets" "$base.pl"
          old+=("$(per_move "$baseline" "$dir/old" "$base" "$n" "$it")")
        fi
        prepare "$dir/new" "$src" "layers $layers iterations $it seed 1 anneal_rounds 1" \
          "$base.blocks" "$base.nets" "$base.pl"
        new+=("$(per_move "$tierplan" "$dir/new" "$base" "$n" "$it")")
      done
      local moves=$((39 * (it * n / 100 - 1)))
      local m_new
      m_new=$(printf '%s\n' "${new[@]}" | median)
      if [ -n "$baseline" ]; then
        local m_old
        m_old=$(printf '%s\n' "${old[@]}" | median)
        awk -v d="$base" -v n="$n" -v l="$layers" -v it="$it" -v m="$moves" -v o="$m_old" -v w="$m_new" \
          'BEGIN { printf "| %s | %d | %d | %d | %d | %.1f | %.1f | %.2f |\n", d, n, l, it, m, o, w, (w > 0 ? o / w : 0) }'
      else
        echo "| $base | $n | $layers | $it | $moves | $m_new |"
      fi
    done
  done
}

# --- identity ----------------------------------------------------------------

# CPU times are the only output allowed to differ: the time column of the
# statistics record, "time" fields of the via reports and timing lines.
mask_times() {
  local f=$1
  case "$(basename "$f")" in
    *.txt)
      if head -n 3 "$f" | grep -q 'BlockNo\.'; then
        awk -F';' -v OFS=';' 'NF >= 15 { $14 = "#" } 1' "$f"
      elif [ "$(basename "$f")" = vp_table1.txt ]; then
        # Data rows: nets; vias; grid; length, time (net by net); length, time
        # (flow); relaxed length; length, time (relaxation).
        awk -F';' -v OFS=';' 'NR > 1 && NF >= 10 { $5 = $7 = $10 = "#" } 1' "$f"
      else
        sed -E 's/(time[a-z0-9]*:) *[0-9.]+/\1#/g' "$f"
      fi ;;
    *) sed -E 's/([Tt]ime[^0-9]*)[0-9.]+/\1#/g' "$f" ;;
  esac
}

identity() {
  local cases=() failed=0 runs=0
  for dir in "$benchmarks"/*/; do
    local base
    base=$(basename "$dir")
    [ -f "$dir/$base.blocks" ] || continue
    cases+=("$base:$(realpath "$dir"):$base:$base.blocks $base.nets $base.pl")
  done
  cases+=("demo16:$root/examples/demo16:demo16:demo16.blocks demo16.nets demo16.pl")
  local lefdef="demo_tech.lef demo_cells.lef demo_ram.lef demo.def demo.part"
  cases+=("lefdef:$root/examples/lefdef:$lefdef:$lefdef")
  for entry in "${cases[@]}"; do
    IFS=: read -r name src args files <<< "$entry"
    for layers in 1 2 4; do
      for method in 1 0; do
        local prm="layers $layers opt_method $method iterations 100 seed 7 svia_assignment 1"
        prm+=" signalvia_gridx 20 signalvia_gridy 20"
        local dir=$work/same/$name-$layers-$method
        for which in old new; do
          local binary=$tierplan
          [ "$which" = old ] && binary=$baseline
          # shellcheck disable=SC2086
          prepare "$dir/$which" "$src" "$prm" $files
          # shellcheck disable=SC2086
          (cd "$dir/$which" && nice -n 10 "$binary" $args > stdout.log 2>&1; echo "exit $?" >> stdout.log)
        done
        runs=$((runs + 1))
        local differ=""
        for f in "$dir/new"/*; do
          local name_f
          name_f=$(basename "$f")
          [ -L "$f" ] || [ "$name_f" = fl.prm ] && continue
          if [ ! -f "$dir/old/$name_f" ] || ! cmp -s <(mask_times "$dir/old/$name_f") <(mask_times "$f"); then
            differ+=" $name_f"
          fi
        done
        for f in "$dir/old"/*; do
          [ -e "$dir/new/$(basename "$f")" ] || differ+=" $(basename "$f")(missing)"
        done
        if [ -n "$differ" ]; then
          echo "differ: $name, $layers tiers, opt_method $method:$differ"
          failed=1
        fi
      done
    done
  done
  echo "identity: $runs seeded runs compared, $([ "$failed" = 0 ] && echo "all files equal" || echo "differences above")"
  return "$failed"
}

status=0
if [ "$part" != identity ]; then timing; fi
if [ "$part" != timing ] && [ -n "$baseline" ]; then
  echo
  identity || status=1
fi
exit "$status"
