#!/usr/bin/env python3
"""Via planning on the placed shared benchmarks.

For every benchmark, tier count and grid, runs tierplan in a scratch
directory with via planning switched on (a short, seeded annealing gives the
placement; the same seed gives the same placement for every grid) and prints
per stage the via-aware wire length, the failed nets (vias for the flow
stage) and the stage's CPU seconds, as a Markdown table.

    bench/via_planning_bench.py [--binary build/src/tierplan]
        [--benchmarks ../shared/benchmarks] [--tiers 2 4] [--grids 10 20 40]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

PLACEMENT = "seed 1\niterations 100 start_tempe 1000 end_tempe 100\n"


def parameters(tiers, grid):
    with open(os.path.join(ROOT, "examples", "fl.prm")) as f:
        prm = f.read()
    prm = prm[: prm.rfind("end")]
    return (prm + PLACEMENT + "layers %d\nsvia_assignment 1\nsignalvia_gridx %d\n"
            "signalvia_gridy %d\nend\n" % (tiers, grid, grid))


def number(pattern, text, default=None, last=False):
    found = re.findall(pattern, text)
    if not found:
        return default
    return float(found[-1] if last else found[0])


def zero_length_warnings(text):
    return text.count("Warning: Some nets required vias have zero hpwl")


def parse(out, via_rt):
    """Per-stage figures from one run's standard output followed by its
    via_assignment.txt, and its via_rt.txt line."""
    if "Begin inter-layer via planning" not in out:
        return None
    row = {}
    row["vias"] = int(number(r"\[NETS\]\[net_num:\d+;via_num:(\d+)", via_rt + out, 0))
    row["nets"] = int(number(r"The number of nets demand vias: (\d+)", out, 0))
    if "is not enough" in out:
        row["note"] = "capacity check failed"
        return row
    nb, rest = out.split("Begin min-cost max-flow based assignment", 1)
    row["nb_len"] = number(r"Viaed Net Wire length\(net by net\): ([-\d.]+)", nb)
    row["nb_failed"] = zero_length_warnings(nb)
    row["nb_cpu"] = number(r"\[NETBYNET\]\[via_inserted:\d+; wire:[-\d.]+; time:([\d.]+)", nb)
    row["flow_len"] = number(r"total_cap:\d+\) cost:([-\d.]+);", rest)
    inserted = number(r"via_inserted:(\d+) \(total_vias", rest, 0)
    row["flow_failed"] = int(row["vias"] - inserted)
    row["flow_cpu"] = number(r"\[TOTAL\]\[Time:([\d.]+)", rest)
    row["lr_len"] = number(r"Viaed Net Wire length: ([-\d.]+), time:", rest)
    row["lr_cpu"] = number(r"Viaed Net Wire length: [-\d.]+, time:([\d.]+)", rest)
    row["lr_relaxed_failed"] = int(number(r"nets failed to be viaed: (\d+)", rest, 0))
    row["lr_failed"] = int(number(r"failed viaed:(\d+);", via_rt, 0))
    row["total_cpu"] = number(r"Inter-layer Via Planning Time:([\d.]+)", rest)
    return row


def run(binary, bench_dir, name, tiers, grid, timeout):
    with tempfile.TemporaryDirectory(prefix="via-bench-") as work:
        for ext in ("blocks", "nets", "pl"):
            shutil.copy(os.path.join(bench_dir, name, "%s.%s" % (name, ext)), work)
        with open(os.path.join(work, "fl.prm"), "w") as f:
            f.write(parameters(tiers, grid))
        try:
            done = subprocess.run([binary, name], cwd=work, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, timeout=timeout)
        except subprocess.TimeoutExpired:
            return {"note": "timeout"}
        rt_path = os.path.join(work, "via_rt.txt")
        via_rt = open(rt_path).read() if os.path.exists(rt_path) else ""
        log_path = os.path.join(work, "via_assignment.txt")
        log = open(log_path).read() if os.path.exists(log_path) else ""
        row = parse(done.stdout.decode(errors="replace") + log, via_rt)
        if row is None:
            return {"note": "exit %d" % done.returncode}
        return row


def cell(row, key, fmt="%.0f"):
    value = row.get(key)
    return "-" if value is None else fmt % value


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--binary", default=os.path.join(ROOT, "build", "src", "tierplan"))
    ap.add_argument("--benchmarks", default=os.path.join(ROOT, "..", "shared", "benchmarks"))
    ap.add_argument("--tiers", type=int, nargs="+", default=[2, 4])
    ap.add_argument("--grids", type=int, nargs="+", default=[10, 20, 40])
    ap.add_argument("--only", nargs="*", default=None, help="benchmark names")
    ap.add_argument("--timeout", type=int, default=600)
    args = ap.parse_args()
    if not os.path.isdir(args.benchmarks):
        print("no benchmarks at %s" % args.benchmarks)
        return 0
    names = sorted(args.only or os.listdir(args.benchmarks))
    print("| design | tiers | grid | nets | vias | net by net: length / failed / s "
          "| flow: length / failed vias / s | relaxation: length / failed / s "
          "| relaxed placement failed | planning s |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for name in names:
        for tiers in args.tiers:
            for grid in args.grids:
                r = run(args.binary, args.benchmarks, name, tiers, grid, args.timeout)
                if "note" in r:
                    print("| %s | %d | %dx%d | %s | %s | %s | | | | |" %
                          (name, tiers, grid, grid, r.get("nets", "-"), r.get("vias", "-"), r["note"]))
                else:
                    print("| %s | %d | %dx%d | %d | %d | %s / %d / %s | %s / %d / %s | %s / %d / %s | %d | %s |" % (
                        name, tiers, grid, grid, r["nets"], r["vias"],
                        cell(r, "nb_len"), r["nb_failed"], cell(r, "nb_cpu", "%.2f"),
                        cell(r, "flow_len"), r["flow_failed"], cell(r, "flow_cpu", "%.2f"),
                        cell(r, "lr_len"), r["lr_failed"], cell(r, "lr_cpu", "%.2f"),
                        r["lr_relaxed_failed"], cell(r, "total_cpu", "%.2f")))
                sys.stdout.flush()
    return 0


if __name__ == "__main__":
    sys.exit(main())
