#!/usr/bin/env python3
"""How far a file's modification time lies behind the write that sets it. Rewrites a file WRITES
times the way the program rewrites its time file (open with truncation, one write, close), at
random moments 5 to 15 ms apart, waiting in 1 ms sleeps as the program's polls do, and compares
the wall-clock time taken just before each write with the mtime the kernel gave the file.

The kernel stamps files from a coarse clock that moves in steps of one timer tick and takes up
each step a little after it. Prints the distribution of the lag, where the steps lie, and what
follows for ticks near a whole second: a write made before the kernel has taken up the first
step after a whole second carries the second before in its mtime, so of two consecutive ticks
the later one can carry the same whole second as the earlier one, and a reader that compares
whole seconds (OBS) sees no change. --look-between looks at the file's times between the
truncation and the write, as tail -F does. Usage: mtime_lag.py [--writes N] [--look-between]
[--dir DIR]"""
import argparse
import collections
import os
import random
import statistics
import tempfile
import time

from tick_recorder import TIMER_STEP_NS

parser = argparse.ArgumentParser()
parser.add_argument("--writes", type=int, default=2000)
parser.add_argument("--look-between", action="store_true")
parser.add_argument("--dir", help="folder for the file (default: the system's temporary one)")
ARGS = parser.parse_args()


def rewrite(path):
    """(wall-clock ns just before the write, mtime ns), or None when the write took so long
    (this process held up) that the moment before it says little."""
    fd = os.open(path, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
    try:
        if ARGS.look_between:
            os.fstat(fd)
        before = time.time_ns()
        os.write(fd, b"10:00:00\n")
        written = time.time_ns()
        mtime = os.fstat(fd).st_mtime_ns
    finally:
        os.close(fd)
    return (before, mtime) if written - before < 100_000 else None


def wait_until(moment):
    while time.time() < moment:
        time.sleep(0.001)


def percentile(sorted_values, share):
    return sorted_values[round(share * (len(sorted_values) - 1))]


def measure():
    with tempfile.TemporaryDirectory(dir=ARGS.dir) as d:
        path = os.path.join(d, "lag.txt")
        samples = []
        while len(samples) < ARGS.writes:
            wait_until(time.time() + random.uniform(0.005, 0.015))
            sample = rewrite(path)
            if sample:
                samples.append(sample)
        return samples


def print_distribution(lags):
    print(f"{len(lags)} writes (each under 0.1 ms); mtime behind the write, ms: "
          f"min {lags[0]:.2f}, "
          + ", ".join(f"{p}% {percentile(lags, p / 100):.2f}" for p in (1, 10, 50, 90, 99))
          + f", max {lags[-1]:.2f}, mean {statistics.mean(lags):.2f}")
    bins = collections.Counter(int(lag // 0.5) for lag in lags)
    for b in sorted(bins):
        bar = "#" * (60 * bins[b] // len(lags))
        print(f"  {b * 0.5:5.1f} to {b * 0.5 + 0.5:4.1f} ms: {bins[b]:5d} {bar}")


def main():
    samples = measure()
    print_distribution(sorted((before - mtime) / 1e6 for before, mtime in samples))
    step = TIMER_STEP_NS / 1e6
    places = collections.Counter(round(mtime % TIMER_STEP_NS / 1e6, 1) % step
                                 for _, mtime in samples)
    grid = places.most_common(1)[0][0]
    on_grid = sum(n for place, n in places.items()
                  if min(abs(place - grid), step - abs(place - grid)) <= 0.15)
    print(f"the mtimes lie on steps of {step:g} ms (the timer tick), {grid:.1f} ms past its "
          f"multiples: {on_grid} of {len(samples)} within 0.15 ms of that")
    if on_grid < 0.9 * len(samples):
        print("most mtimes lie off the timer's steps: the kernel stamped those writes with the "
              "exact time, so no write carries the second before")
        return
    # A write carries the step just before it once the kernel has taken that step up (a lag of
    # less than one step), else the step before that one.
    lags = [(before - mtime) / 1e6 for before, mtime in samples]
    earliest = min(lag for lag in lags if lag < step)
    latest = max((lag - step for lag in lags if lag >= step), default=0.0)
    print(f"the kernel took up a step {earliest:.2f} ms after it at the earliest; "
          f"{latest:.2f} ms after it, it had not always done so yet")
    start, end = grid + min(earliest, latest), grid + max(earliest, latest)
    print(f"so a write less than {start:.2f} ms after a whole second carries the second before "
          f"in its mtime, one more than {end:.2f} ms after it its own"
          + (", and one in between either" if end > start else "")
          + ". Two consecutive ticks share a whole second when the later one carries the second "
          f"before and the earlier one did not: both land near {start:.2f} to {end:.2f} ms "
          "after a whole second, the later one usually a little earlier in its second")

main()
