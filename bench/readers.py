#!/usr/bin/env python3
"""What common readers of the time file show. Runs the program in counter mode for SECONDS and,
side by side, a tmux status line (#(cat FILE), interval 1), inotifywait -e close_write followed
by cat, a `while sleep 1; do cat FILE; done` loop, tail -F and a tight reading loop. Prints how
many of the written ticks each one showed, and how often two ticks carry the same whole-second
modification time (readers that compare that time miss the second tick). --phase-ms starts the
program that many milliseconds after a whole second of the wall clock, which is where its ticks
then fall. Needs tmux and inotify-tools.
Usage: readers.py VARDILO [--seconds N] [--phase-ms N] [PROGRAM OPTIONS...]"""
import argparse
import fcntl
import os
import pty
import re
import select
import shlex
import struct
import subprocess
import tempfile
import termios
import threading
import time

parser = argparse.ArgumentParser()
parser.add_argument("program")
parser.add_argument("--seconds", type=float, default=75)
parser.add_argument("--phase-ms", type=float)
ARGS, OPTIONS = parser.parse_known_args()
PROGRAM = os.path.abspath(ARGS.program)
SECONDS = ARGS.seconds
TIME = re.compile(rb"T=(\d\d):(\d\d):(\d\d)")


def tick_numbers(data):
    return {int(h) * 3600 + int(m) * 60 + int(s) for h, m, s in TIME.findall(data)}


def shell_reader(command):
    """A reader run by the shell; its standard output is what it showed."""
    return subprocess.Popen(["sh", "-c", command], stdout=subprocess.PIPE,
                            stderr=subprocess.STDOUT, start_new_session=True)


def tmux_status_line(path, socket):
    """A tmux client on a pseudo-terminal: what it draws is what a user would see."""
    conf = (f"set -g status-interval 1\nset -g status-left ''\n"
            f"set -g status-right '#(cat {shlex.quote(path)})'\n")
    conf_path = path + ".tmux.conf"
    with open(conf_path, "w") as f:
        f.write(conf)
    subprocess.run(["tmux", "-L", socket, "-f", conf_path, "new-session", "-d", "-x", "80",
                    "-y", "5", "sleep 100000"], check=True)
    pid, fd = pty.fork()
    if pid == 0:
        os.environ["TERM"] = "xterm"
        os.execvp("tmux", ["tmux", "-L", socket, "attach"])
    fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", 5, 80, 0, 0))
    return pid, fd


def main():
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "t.txt")
        if ARGS.phase_ms is not None:
            now = time.time()
            time.sleep((ARGS.phase_ms / 1000 - now % 1) % 1)
        program = subprocess.Popen([PROGRAM, "-p", "T=", "-f", path] + OPTIONS,
                                   stdout=subprocess.DEVNULL)
        socket = f"vardilo-readers-{os.getpid()}"
        readers = {}
        try:
            while not os.path.exists(path):
                time.sleep(0.01)
            # Readers start after the first tick; count the ticks from the next one.
            first_counted = 2
            q = shlex.quote(path)
            readers = {
                "inotifywait -e close_write, then cat": shell_reader(
                    f"inotifywait -q -m -e close_write {q} | while read -r _; do cat {q}; done"),
                "while sleep 1; do cat FILE; done": shell_reader(
                    f"while sleep 1; do cat {q}; done"),
                "tail -F": shell_reader(f"tail -F {q}"),
            }
            tmux_pid, tmux_fd = tmux_status_line(path, socket)
            tight = {"reads": 0, "empty": 0, "seen": set()}
            mtimes = []
            stop = threading.Event()

            def tight_reader():
                while not stop.is_set():
                    with open(path, "rb") as f:
                        data = f.read()
                    tight["reads"] += 1
                    tight["empty"] += not data
                    tight["seen"] |= tick_numbers(data)

            def mtime_watcher():
                last = None
                while not stop.is_set():
                    m = os.stat(path).st_mtime_ns
                    if m != last:
                        mtimes.append((time.monotonic(), m))
                        last = m
                    time.sleep(0.002)

            threads = [threading.Thread(target=t) for t in (tight_reader, mtime_watcher)]
            for t in threads:
                t.start()
            drawn = b""
            deadline = time.monotonic() + SECONDS
            while time.monotonic() < deadline:
                if select.select([tmux_fd], [], [], 0.2)[0]:
                    try:
                        drawn += os.read(tmux_fd, 65536)
                    except OSError:
                        break
            stop.set()
            for t in threads:
                t.join()
        finally:
            program.kill()
            program.wait()
            for r in readers.values():
                os.killpg(r.pid, 9)
            subprocess.run(["tmux", "-L", socket, "kill-server"], stderr=subprocess.DEVNULL)
        with open(path, "rb") as f:
            written = max(tick_numbers(f.read()) or {0})
        first = max(first_counted, min(tick_numbers(drawn) or {0}))
        outputs = {name: r.communicate()[0] for name, r in readers.items()}

    def showed(seen, start=first_counted):
        # A reader started late cannot show the ticks before it; count from its first one.
        wanted = set(range(start, written + 1))
        return f"{len(seen & wanted)} of {len(wanted)}"

    print(f"{written} ticks written in {SECONDS:.0f} s")
    print(f"tmux status line: {showed(tick_numbers(drawn), first)} (from its first)")
    for name, out in outputs.items():
        extra = ""
        if name == "tail -F":
            extra = f", 'file truncated' {out.count(b'file truncated')} times"
        print(f"{name}: {showed(tick_numbers(out))}{extra}")
    print(f"tight reader: {showed(tight['seen'])}, {tight['reads']} reads, "
          f"{tight['empty']} empty ({100 * tight['empty'] / max(tight['reads'], 1):.3f} %)")
    # Changes less than 0.1 s apart belong to one tick (the truncating open and the write).
    ticks = []
    for seen_at, m in mtimes:
        if ticks and seen_at - ticks[-1][0] < 0.1:
            ticks[-1] = (ticks[-1][0], m)
        else:
            ticks.append((seen_at, m))
    same = sum(1 for a, b in zip(ticks, ticks[1:]) if a[1] // 10**9 == b[1] // 10**9)
    print(f"consecutive ticks with the same whole-second mtime: {same} of {len(ticks) - 1}")


main()
