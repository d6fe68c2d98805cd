#!/usr/bin/env python3
"""Runs every benchmark program once, briefly (the shortest minimum time: a
single iteration per benchmark), so that a benchmark that breaks fails CI.

    bench-smoke.py BENCH_FOLDER

Runs each BENCH_FOLDER/*/bench_* with a temporary HOME and XDG folders and
fails when a program ends with a status other than 0, reports an error for a
benchmark, reports no benchmark at all, or reports a counter of -1 (a figure
it could not take). The real runs are scripts/bench.sh's.
"""
import glob
import json
import os
import subprocess
import sys
import tempfile
import time


def smoke(program, env, folder):
    """Runs program once; returns the list of faults found."""
    out = os.path.join(folder, os.path.basename(program) + ".json")
    start = time.monotonic()
    run = subprocess.run([program, "--benchmark_min_time=0", "--benchmark_out=" + out, "--benchmark_out_format=json"],
                         env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, errors="replace")
    seconds = time.monotonic() - start
    faults = []
    if run.returncode != 0:
        faults.append("ended with status %d" % run.returncode)
    try:
        with open(out) as f:
            benchmarks = json.load(f).get("benchmarks", [])
    except (OSError, ValueError) as e:
        benchmarks = []
        faults.append("wrote no readable report (%s)" % e)
    if not benchmarks and not faults:
        faults.append("reported no benchmark")
    for b in benchmarks:
        if b.get("error_occurred"):
            faults.append("%s: error: %s" % (b.get("name"), b.get("error_message", "")))
        for key, value in b.items():
            if isinstance(value, (int, float)) and value == -1:
                faults.append("%s: %s is -1" % (b.get("name"), key))
    print("bench-smoke: %-16s %3d benchmarks, %5.1f s%s" % (os.path.basename(program), len(benchmarks), seconds,
                                                            "" if not faults else ", FAILED"))
    if faults:
        sys.stdout.write(run.stdout)
        for fault in faults:
            print("bench-smoke: %s: %s" % (program, fault))
    return faults


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    programs = sorted(p for p in glob.glob(os.path.join(sys.argv[1], "*", "bench_*")) if os.access(p, os.X_OK))
    if not programs:
        print("bench-smoke: no benchmark programs in %s" % sys.argv[1], file=sys.stderr)
        return 1
    failed = 0
    with tempfile.TemporaryDirectory(prefix="bench-smoke-") as home:
        env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, ".local/share"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"), XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_STATE_HOME=os.path.join(home, ".local/state"))
        for program in programs:
            if smoke(program, env, home):
                failed += 1
    if failed:
        print("bench-smoke: %d of %d benchmark programs failed" % (failed, len(programs)))
        return 1
    print("bench-smoke: all %d benchmark programs ran" % len(programs))
    return 0


if __name__ == "__main__":
    sys.exit(main())
