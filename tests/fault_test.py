#!/usr/bin/env python3
"""Fault tests on the real clock: the program must keep ticking, stay silent, never write
anything but its one line, and repair the file at the next tick once that is possible.
The cases run side by side, each in a directory of its own.
Usage: fault_test.py PATH_TO_VARDILO"""
import concurrent.futures
import os
import pwd
import re
import shutil
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

from spawned import DEADLINE, Spawned, read, wait_for

PROGRAM = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/vardilo")
LINE = re.compile(rb"\A(\d\d+):([0-5]\d):([0-5]\d)\n\Z")
# Two ticks from -1:59:58 reach the stop hour 0: a run that ends with status 0 has ticked twice.
TWO_TICKS = ["-h", "-1", "-m", "59", "-s", "58", "-x", "0"]


def seconds(match):
    return int(match[1]) * 3600 + int(match[2]) * 60 + int(match[3])


def is_stopped(pid):
    with open(f"/proc/{pid}/stat") as f:
        return f.read().rsplit(")", 1)[1].split()[0] == "T"


def expect(condition, what):
    if not condition:
        raise AssertionError(what)


def start(d, args, program=PROGRAM, **popen):
    return Spawned([program] + args, cwd=d, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                   **popen)


def runs_two_ticks_silently(d, args, **popen):
    with start(d, TWO_TICKS + args, **popen) as p:
        expect(p.wait() == 0, f"no status 0 within {DEADLINE} s")
        expect(p.stop()[1] == b"", "wrote to standard error")


def missing_directory(d):
    with start(d, ["-f", "later/t.txt"]) as p:
        time.sleep(1.5)  # a tick or so finds no directory (a slow machine only makes this weaker)
        os.mkdir(os.path.join(d, "later"))
        line = wait_for(lambda: LINE.match(read(os.path.join(d, "later/t.txt")) or b""))
        expect(line, "no line once the directory exists")
        expect(p.running(), "stopped")
        expect(p.stop()[1] == b"", "wrote to standard error")


def deleted_between_ticks(d):
    path = os.path.join(d, "vardilo.txt")
    with start(d, []) as p:
        expect(wait_for(lambda: LINE.match(read(path) or b"")), "no first line")
        os.remove(path)
        expect(wait_for(lambda: LINE.match(read(path) or b"")), "not written again")
        expect(p.stop()[1] == b"", "wrote to standard error")


def unprivileged():
    """Popen arguments that take root's power to ignore file modes away (nothing as non-root),
    and a copy of the program that such a user can reach: the build may sit under a private
    directory such as /root."""
    if os.getuid() != 0:
        return {}, PROGRAM
    nobody = pwd.getpwnam("nobody")
    reachable = tempfile.mkdtemp()
    os.chmod(reachable, 0o755)
    shutil.copy(PROGRAM, reachable)
    return ({"user": nobody.pw_uid, "group": nobody.pw_gid, "extra_groups": []},
            os.path.join(reachable, os.path.basename(PROGRAM)))


def read_only_file(d):
    path = os.path.join(d, "vardilo.txt")
    with open(path, "wb") as f:
        f.write(b"left as it was\n")
    os.chmod(path, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
    os.chmod(d, 0o755)
    credentials, program = unprivileged()
    try:
        runs_two_ticks_silently(d, [], program=program, **credentials)
    finally:
        if program != PROGRAM:
            shutil.rmtree(os.path.dirname(program))
    expect(read(path) == b"left as it was\n", "the read-only file changed")


def path_is_a_directory(d):
    os.mkdir(os.path.join(d, "dir"))
    runs_two_ticks_silently(d, ["-f", "dir"])
    expect(os.listdir(os.path.join(d, "dir")) == [], "wrote into the directory")


def device_full(d):
    runs_two_ticks_silently(d, ["-f", "/dev/full"])


def named_pipe_without_reader(d):
    # Opening a pipe that nobody reads would wait for ever; the program must keep ticking.
    os.mkfifo(os.path.join(d, "pipe"))
    runs_two_ticks_silently(d, ["-f", "pipe"])


def named_pipe_with_reader(d):
    # A pipe cannot be positioned, so it gets nothing even while someone reads it.
    pipe = os.path.join(d, "pipe")
    os.mkfifo(pipe)
    reader = os.open(pipe, os.O_RDONLY | os.O_NONBLOCK)
    try:
        runs_two_ticks_silently(d, ["-f", "pipe"])
        try:
            received = os.read(reader, 4096)
        except BlockingIOError:
            received = b""
    finally:
        os.close(reader)
    expect(received == b"", f"the pipe received {received!r}")


def stopped_for_five_seconds(d):
    # A stall of any length adds one second, not one per second stalled.
    path = os.path.join(d, "vardilo.txt")
    with start(d, []) as p:
        expect(wait_for(lambda: LINE.match(read(path) or b"")), "no first line")
        before = None
        while before is None:
            p.signal(signal.SIGSTOP)
            expect(wait_for(lambda: is_stopped(p.process.pid)), "SIGSTOP did not stop it")
            before = LINE.match(read(path) or b"")
            if before is None:  # stopped in the middle of a rewrite: let it finish
                p.signal(signal.SIGCONT)
                time.sleep(0.01)
        time.sleep(5)
        p.signal(signal.SIGCONT)
        resumed = time.monotonic()
        after = wait_for(lambda: (lambda m: m if m and m[0] != before[0] else None)(
            LINE.match(read(path) or b"")))
        expect(after, "no tick after SIGCONT")
        # One tick at once, then one a second: however late this reader looked, a program
        # that made up for the stall would be at least four seconds further.
        gained = seconds(after) - seconds(before)
        allowed = 1 + int(time.monotonic() - resumed)
        expect(1 <= gained <= allowed and gained < 5, f"gained {gained} s, allowed {allowed}")


def huge_prefix(d):
    # One argument may hold at most 128 KiB on Linux; -p appends, so nine make over a MiB.
    chunk = b"p" * (120 * 1024)
    path = os.path.join(d, "vardilo.txt")
    with start(d, ["-p", chunk] * 9 + ["-a", b"\n'\"\xff"]):
        line = wait_for(lambda: (lambda b: b if b and b.endswith(b"\n'\"\xff\n") else None)(
            read(path)))
    expect(line and line.startswith(chunk * 9) and
           LINE.match(line[len(chunk) * 9:-5] + b"\n"), "the long line is not whole")


def texts_byte_for_byte(d):
    path = os.path.join(d, "vardilo.txt")
    with start(d, ["-p", b"a\nb'c\"", "-a", b"\xe9\xff\n"]):
        line = wait_for(lambda: read(path))
    expect(line and line.startswith(b"a\nb'c\"") and line.endswith(b"\xe9\xff\n\n"), line)


CASES = [missing_directory, deleted_between_ticks, read_only_file, path_is_a_directory,
         device_full, named_pipe_without_reader, named_pipe_with_reader, stopped_for_five_seconds,
         huge_prefix, texts_byte_for_byte]


class Faults(unittest.TestCase):
    def test_faults(self):
        def run(case):
            with tempfile.TemporaryDirectory() as d:
                case(d)

        with concurrent.futures.ThreadPoolExecutor(len(CASES)) as pool:
            futures = [pool.submit(run, case) for case in CASES]
        for case, future in zip(CASES, futures):
            with self.subTest(case=case.__name__):
                error = future.exception()
                if error is not None:
                    raise error

    def test_readers_never_see_a_torn_or_doubled_line(self):
        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "vardilo.txt")
            seen = {"empty": 0, "lines": set()}
            with start(d, ["-p", "T ", "-a", " s"]) as p:
                # Read across at least three rewrites, however slowly they come.
                deadline = time.monotonic() + DEADLINE
                while len(seen["lines"]) < 3 and time.monotonic() < deadline:
                    data = read(path)
                    if not data:
                        seen["empty"] += 1
                        continue
                    self.assertRegex(data, rb"\AT \d\d+:[0-5]\d:[0-5]\d s\n\Z")
                    seen["lines"].add(data)
                self.assertEqual(p.stop()[1], b"")
            self.assertEqual(len(seen["lines"]), 3, seen)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
