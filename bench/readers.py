#!/usr/bin/env python3
"""What common readers of the time file show. Runs the program in counter mode for SECONDS and,
side by side, a tmux status line (#(cat FILE), interval 1), inotifywait -e close_write followed
by cat, a `while sleep 1; do cat FILE; done` loop, tail -F and a tight reading loop. Prints how
many of the written ticks each one showed, and how often two consecutive ticks carry the same
whole-second modification time (a reader that compares that time, as OBS does, then sees no
change). --phase-ms places the ticks that many milliseconds after whole seconds of the wall
clock (bench/mtime_lag.py tells where ticks share a second) and leaves tail -F out, since it
makes the kernel stamp the ticks exactly. Needs tmux and inotify-tools.
Usage: readers.py VARDILO [--seconds N] [--phase-ms N] [PROGRAM OPTIONS...]"""
import argparse
import fcntl
import os
import pty
import re
import select
import shlex
import signal
import struct
import subprocess
import sys
import tempfile
import termios
import threading
import time

from tick_recorder import TickRecorder, start_ticking_at

parser = argparse.ArgumentParser()
parser.add_argument("program")
parser.add_argument("--seconds", type=float, default=75)
parser.add_argument("--phase-ms", type=float)
ARGS, OPTIONS = parser.parse_known_args()
PROGRAM = os.path.abspath(ARGS.program)
SECONDS = ARGS.seconds
TIME = re.compile(rb"T=(\d\d):(\d\d):(\d\d)")
# Each start writes a first tick, and --phase-ms may start the program several times: the
# ticks are counted from the second on.
FIRST_COUNTED = 2


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
    # Stopped from outside, it still stops everything it started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    with tempfile.TemporaryDirectory() as d:
        path = os.path.join(d, "t.txt")
        # There before the readers, which all start before the program: ticks placed with
        # --phase-ms are then placed under the load the readers make.
        open(path, "wb").close()
        q = shlex.quote(path)
        socket = f"vardilo-readers-{os.getpid()}"
        readers = {}
        programs = []
        stop = threading.Event()
        tight = {"reads": 0, "empty": 0, "seen": set()}

        def tight_reader():
            # os.open, not open(): Python's open() looks at the file's times (fstat), and on
            # Linux 6.13 and later a look between a tick's truncation and its write makes the
            # kernel stamp the write with the exact time instead of its coarse clock.
            while not stop.is_set():
                fd = os.open(path, os.O_RDONLY)
                try:
                    data = os.read(fd, 65536)
                finally:
                    os.close(fd)
                if not tight["seen"] and not data:
                    continue  # the program has not written its first tick yet
                tight["reads"] += 1
                tight["empty"] += not data
                tight["seen"] |= tick_numbers(data)

        def start():
            programs.append(subprocess.Popen([PROGRAM, "-p", "T=", "-f", path] + OPTIONS,
                                             stdout=subprocess.DEVNULL))
            return programs[-1]

        tight_thread = threading.Thread(target=tight_reader)
        try:
            readers = {
                "inotifywait -e close_write, then cat": shell_reader(
                    f"inotifywait -q -m -e close_write {q} | while read -r _; do cat {q}; done"),
                "while sleep 1; do cat FILE; done": shell_reader(
                    f"while sleep 1; do cat {q}; done"),
            }
            if ARGS.phase_ms is None:
                # It looks at the file's times right after each truncation, which gives the
                # tick's write an exact stamp (see tight_reader) and so hides shared seconds.
                readers["tail -F"] = shell_reader(f"tail -F {q}")
            tmux_pid, tmux_fd = tmux_status_line(path, socket)
            tight_thread.start()
            if ARGS.phase_ms is None:
                start()
            else:
                start_ticking_at(ARGS.phase_ms, path, start)
            drawn = b""
            with TickRecorder(path) as recorder:
                deadline = time.monotonic() + SECONDS
                while time.monotonic() < deadline:
                    if select.select([tmux_fd], [], [], 0.2)[0]:
                        try:
                            drawn += os.read(tmux_fd, 65536)
                        except OSError:
                            break
        finally:
            stop.set()
            if tight_thread.is_alive():
                tight_thread.join()
            for program in programs:
                program.kill()
                program.wait()
            for r in readers.values():
                os.killpg(r.pid, 9)
            subprocess.run(["tmux", "-L", socket, "kill-server"], stderr=subprocess.DEVNULL)
        with open(path, "rb") as f:
            written = max(tick_numbers(f.read()) or {0})
        first = max(FIRST_COUNTED, min(tick_numbers(drawn) or {0}))
        outputs = {name: r.communicate()[0] for name, r in readers.items()}

    def showed(seen, start=FIRST_COUNTED):
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
    ticks = recorder.ticks
    same = sum(1 for a, b in zip(ticks, ticks[1:]) if a.mtime_second == b.mtime_second)
    places = [t.heard_ns % 10**9 / 1e6 for t in ticks]
    print(f"consecutive ticks with the same whole-second mtime: {same} of {len(ticks) - 1} "
          f"(ticks heard {places[0]:.1f} ms past a whole second at first, {places[-1]:.1f} ms "
          f"at last)")

main()
