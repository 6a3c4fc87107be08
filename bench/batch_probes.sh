#!/usr/bin/env bash
# What a batch user relies on, probed as such a user would: chains killed,
# stop signals, FIXED components, unwritable results, a file-size limit, via
# reports under stops and concurrent runs, bad parameter values and DEF names
# defined twice. Each probe runs the binary in a scratch directory, sends
# the signals and sets the limits itself, and prints one table row: the
# item, the case, the exit status and whether the outcome is the sound one.
# The FIXED probes need ../shared/lefdef/gcd_mem5 and tools/defcheck.
#
#   bench/batch_probes.sh > table.md     (TIERPLAN=binary, default build/src/tierplan)
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$(realpath "${TIERPLAN:-$root/build/src/tierplan}")"
shared="$root/../shared"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

echo "| item | case | status | outcome |"
echo "|---|---|---:|---|"
row() { printf '| %s | %s | %s | %s |\n' "$1" "$2" "$3" "$4"; }
verdict() { if [ "$1" = 0 ]; then echo "sound"; else echo "**unsound**: $2"; fi; }

# A scratch directory holding demo16 and examples/fl.prm with the lines given.
demo() {
  local d="$work/$1"
  rm -rf "$d" && mkdir -p "$d"
  cp "$root"/examples/demo16/demo16.* "$d"
  { sed '/^end/,$d' "$root/examples/fl.prm"; printf '%s\n' "${@:2}" end; } > "$d/fl.prm"
  echo "$d"
}
# The same with the bundled LEF/DEF example, its DEF edited by a sed script.
lefdef() {
  local d="$work/$1"
  rm -rf "$d" && mkdir -p "$d"
  cp "$root"/examples/lefdef/* "$d"
  sed -i "$2" "$d/demo.def"
  { sed '/^end/,$d' "$root/examples/fl.prm"; echo "iterations 20"; echo end; } > "$d/fl.prm"
  echo "$d"
}
run_lefdef() { (cd "$1" && "$bin" demo_tech.lef demo_cells.lef demo_ram.lef demo.def > out 2>&1); }
children() { wc -w < "/proc/$1/task/$1/children" 2>/dev/null || echo 0; }
# Processes of the list still running: a zombie has ended, whoever reaps it.
alive() {
  local n=0
  for p in $1; do
    [ -r "/proc/$p/stat" ] && [ "$(cut -d' ' -f3 "/proc/$p/stat" 2>/dev/null)" != Z ] && n=$((n + 1))
  done
  echo $n
}

# --- 1. annealing chains ---------------------------------------------------------
for signal in "KILL one chain" "TERM the run" "KILL the run"; do
  d=$(demo chains "seed 3" "time_limit 4" "starts 4")
  cd "$d"
  "$bin" demo16 > out 2>&1 &
  run=$!
  until [ "$(children $run)" -ge 4 ]; do sleep 0.05; done
  chains=$(cat /proc/$run/task/$run/children)
  case "$signal" in
    "KILL one chain") kill -KILL "${chains%% *}" ;;
    "TERM the run") kill -TERM $run ;;
    "KILL the run") kill -KILL $run ;;
  esac
  wait $run
  status=$?
  sleep 1
  left=$(alive "$chains")
  case "$signal" in
    "KILL one chain")
      ok=$([ $status = 0 ] && grep -q "lost: killed by signal 9" out && [ -f demo16_final.pl ] && echo 0)
      row 1 "starts 4, $signal" $status "$(verdict "${ok:-1}" "no result or no word of the lost chain")" ;;
    "TERM the run")
      ok=$([ $status = 143 ] && [ "$left" = 0 ] && grep -q "stopped by signal 15" out && echo 0)
      row 1 "starts 4, $signal" $status "$(verdict "${ok:-1}" "$left chains left running or no message")" ;;
    *)
      row 1 "starts 4, $signal" $status "$(verdict "$([ "$left" = 0 ] && echo 0)" "$left chains left running")" ;;
  esac
  cd "$root"
done

# --- 2. FIXED components -------------------------------------------------------
# How many FIXED components of the input leave their corners in the tier DEF.
moved_fixed() {
  python3 - "$1" "$2" <<'EOF'
import re, sys
fixed = lambda text: {m[0]: m[1:] for m in re.findall(r"-\s+(\S+)\s+\S+\s+\+\s+FIXED\s+\(\s*(\S+)\s+(\S+)\s*\)", text)}
given, placed = fixed(open(sys.argv[1]).read()), {}
for m in re.findall(r"-\s+(\S+)\s+\S+\s+\+\s+(?:FIXED|PLACED)\s+\(\s*(\S+)\s+(\S+)\s*\)", open(sys.argv[2]).read()):
    placed[m[0]] = m[1:]
print(sum(1 for name, at in given.items() if placed.get(name) != at), "of", len(given))
EOF
}
gcd="$shared/lefdef/gcd_mem5"
if [ -d "$gcd" ]; then
  for marked in "_473_ _475_ _479_" "every component"; do
    d="$work/fixed"
    rm -rf "$d" && mkdir -p "$d" && cp "$gcd"/*.lef "$gcd"/design.def "$d"
    if [ "$marked" = "every component" ]; then
      sed -i 's/+ PLACED (/+ FIXED (/' "$d/design.def"
    else
      for c in $marked; do sed -i "s/^\(\s*- $c .*\)+ PLACED (/\1+ FIXED (/" "$d/design.def"; done
    fi
    { sed '/^end/,$d' "$root/examples/fl.prm"; printf 'layers 1\nend\n'; } > "$d/fl.prm"
    (cd "$d" && "$bin" Nangate45.lef fakeram45_64x7.lef design.def > out 2>&1)
    status=$?
    moved=$(moved_fixed "$d/design.def" "$d/Nangate45.lef_tier0.def" 2>/dev/null || echo "no tier DEF")
    warned=$(grep -c "Topological Sorting Failed" "$d/out")
    row 2 "gcd_mem5, 1 tier, FIXED: $marked" $status \
      "$(verdict "$([ "${moved%% *}" = 0 ] && [ "$warned" = 0 ] && echo 0)" "$moved moved, $warned sort failures")"
  done
fi

# --- 3, 4. result files that cannot be written -----------------------------------
d=$(demo dir_result "iterations 100")
mkdir "$d/demo16_final.pl"
(cd "$d" && "$bin" demo16 > out 2>&1)
status=$?
row 3 "demo16_final.pl is a directory" $status "$(verdict "$([ $status != 0 ] && grep -q "not written: demo16_final.pl" "$d/out" && echo 0)" "success reported")"

d=$(demo size_limit "iterations 100")
head -c 2000 /dev/zero | tr '\0' 'x' > "$d/demo16.txt"
cp "$d/demo16.txt" "$d/before.txt"
(cd "$d" && ulimit -f 1 && "$bin" demo16 2>&1 | cat > /dev/null; exit "${PIPESTATUS[0]}")
status=$?
tmp=$(find "$d" -name '*.tmp' | wc -l)
ok=$([ $status != 0 ] && [ $status != 153 ] && [ "$tmp" = 0 ] && cmp -s "$d/demo16.txt" "$d/before.txt" && echo 0)
row 4 "ulimit -f 1 (1 KB files)" $status "$(verdict "${ok:-1}" "killed silently or $tmp temporaries left")"

# --- 5. via reports ---------------------------------------------------------------
# Every line of the via reports whole: one table header or a full data row,
# one design name at the head of each runtime line.
whole_reports() {
  local table runtimes
  table=$(grep -vc -e '^net; via; grid_size;' -e '^[0-9]*; [0-9]*; [0-9]*x[0-9]*; \([-0-9.]*; \)\{7\}$' \
    "$1/vp_table1.txt" 2>/dev/null)
  runtimes=$(grep -vc "^${design:-demo16}:\[NETBYNET\].*\]\$" "$1/via_rt.txt" 2>/dev/null)
  echo $((${table:-0} + ${runtimes:-0}))
}
d=$(demo via_stop "layers 3" "svia_assignment 1" "signalvia_gridx 1" "signalvia_gridy 1")
(cd "$d" && "$bin" demo16 > out 2>&1)
status=$?
sed -i 's/^signalvia_grid[xy] 1$//' "$d/fl.prm"
(cd "$d" && "$bin" demo16 > out2 2>&1)
bad=$(whole_reports "$d")
row 5 "via room short (status 255), then a full run" $status "$(verdict "$([ "$bad" = 0 ] && echo 0)" "$bad broken report lines")"

# Two runs whose via planning (seconds on n300 over 4 tiers) overlaps.
n300="$shared/benchmarks/n300"
if [ -d "$n300" ]; then
  d=$(demo via_together "layers 4" "svia_assignment 1" "iterations 20" "signalvia_gridx 50" "signalvia_gridy 50")
  cp "$n300"/n300.* "$d"
  (cd "$d" && { "$bin" n300 > out1 2>&1 & sleep 1 && "$bin" n300 > out2 2>&1 & wait; })
  bad=$(design=n300 whole_reports "$d")
  row 5 "two runs of n300 with via planning at once in one directory" 0 \
    "$(verdict "$([ "$bad" = 0 ] && echo 0)" "$bad broken report lines")"
fi

# --- 6, 8. parameter values -------------------------------------------------------
for values in "signalvia_gridx 0" "signalvia_gridx -1" "setSizeOrDim 1|signalvia_sizex 0" \
  "setSizeOrDim 1|signalvia_sizex -4" "signalvia_gridx 100000|signalvia_gridy 100000" "aspect_ratio 0" \
  "sparearea -100" "movarea 100000|allarea 100000"; do
  d=$(demo values "svia_assignment 1" "iterations 20" ${values//|/ })
  (cd "$d" && timeout 600 "$bin" demo16 > out 2>&1)
  status=$?
  item=6
  case "$values" in aspect* | spare* | mov*) item=8 ;; esac
  row $item "${values//|/, }" $status "$(verdict "$([ $status = 1 ] && grep -Eq "^fl\.prm:([0-9]+:)? Error:" "$d/out" && echo 0)" "not refused")"
done

# --- 7, 8. the DEF ---------------------------------------------------------------
for case in "component twice|s/  - ram0 RAM/  - u0 RAM/" "net twice|s/  - mem_out/  - mem_in/" \
  "pin twice|s/  - spare + NET spare/  - clk + NET spare/" "NETS section twice|s/^END NETS/END NETS\nNETS 0 ;\nEND NETS/" \
  "UNITS DISTANCE MICRONS 0|s/MICRONS 1000/MICRONS 0/"; do
  d=$(lefdef def "${case#*|}")
  run_lefdef "$d"
  status=$?
  ok=$([ $status = 1 ] && grep -q "^demo.def:[0-9]*: " "$d/out" && echo 0)
  item=7
  [ "${case%%|*}" = "UNITS DISTANCE MICRONS 0" ] && item=8
  row $item "DEF: ${case%%|*}" $status "$(verdict "${ok:-1}" "not refused with file and line")"
done

# --- 8. leftovers of killed runs ----------------------------------------------------
d=$(demo leftovers "iterations 100")
touch "$d/demo16_final.pl.4194304.tmp"  # no process has so large a number
(cd "$d" && "$bin" demo16 > out 2>&1)
status=$?
row 8 "a killed run's temporary" $status "$(verdict "$([ ! -e "$d/demo16_final.pl.4194304.tmp" ] && echo 0)" "left in place")"

d=$(demo drawings "time_limit 4")
(cd "$d" && "$bin" demo16 > out 2>&1)
sed -i 's/^seed 1$/seed 2/' "$d/fl.prm"
cp "$d/demo16_final.pl" "$d/placement" && cp "$d/demo16_layer_0.plt" "$d/drawing"
cd "$d"
"$bin" demo16 > out 2>&1 &
run=$!
sleep 2
kill -KILL $run
wait $run
status=$?
cd "$root"
ok=$(cmp -s "$d/demo16_final.pl" "$d/placement" && cmp -s "$d/demo16_layer_0.plt" "$d/drawing" && echo 0)
row 8 "run killed midway: earlier placement and drawings agree" $status "$(verdict "${ok:-1}" "drawings replaced, placement not")"
