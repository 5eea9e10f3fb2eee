#!/usr/bin/env python3
"""How far the counter falls behind a real clock, and the processor it takes, for several -i
values run side by side for SECONDS. Usage: drift.py VARDILO [SECONDS] [INTERVAL...]"""
import os
import subprocess
import sys
import tempfile
import time

PROGRAM = os.path.abspath(sys.argv[1])
SECONDS = float(sys.argv[2]) if len(sys.argv) > 2 else 600
INTERVALS = sys.argv[3:] or ["1", "10", "100", "300", "999", "1000", "1500", "0"]


def read_line(path):
    with open(path) as f:
        return f.read()


def at_next_tick(path):
    """The counter's seconds and the moment it changed, so no part of a second is lost. A read
    between truncation and write finds the file empty; that is no tick."""
    before = read_line(path)
    while True:
        line = read_line(path)
        if line and line != before:
            h, m, s = (int(x) for x in line.split(":"))
            return h * 3600 + m * 60 + s, time.monotonic()
        time.sleep(0.0005)


def main():
    with tempfile.TemporaryDirectory() as d:
        runs = {}
        for i in INTERVALS:
            path = os.path.join(d, f"i{i}.txt")
            runs[i] = (path, time.monotonic(),
                       subprocess.Popen([PROGRAM, "-i", i, "-f", path], stdout=subprocess.DEVNULL))
        time.sleep(SECONDS)
        print(f"after {SECONDS:.0f} s side by side:")
        print("| -i | counter shows (s) | real time (s) | behind per hour (s) | CPU (% of a core) |")
        print("|---|---|---|---|---|")
        for i, (path, started, p) in runs.items():
            shown, seen_at = at_next_tick(path)
            elapsed = seen_at - started
            p.kill()
            _, _, usage = os.wait4(p.pid, 0)
            behind = (elapsed - shown) / elapsed * 3600
            cpu = (usage.ru_utime + usage.ru_stime) / elapsed * 100
            print(f"| {i} | {shown} | {elapsed:.1f} | {behind:.1f} | {cpu:.1f} |")


main()
