#!/usr/bin/env python3
"""Fault tests on the real clock: the program must keep ticking, stay silent, never write
anything but its one line, and repair the file at the next tick once that is possible.
Each case runs the program for a few seconds; the cases run side by side.
Usage: fault_test.py PATH_TO_VARDILO"""
import concurrent.futures
import os
import re
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

PROGRAM = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/vardilo")
LINE = re.compile(rb"\A(\d\d+):([0-5]\d):([0-5]\d)\n\Z")


def read(path):
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def wait_for(predicate, seconds=3.0):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.02)
    return predicate()


class Run:
    """The program running in a directory of its own, started with the given arguments."""

    def __init__(self, d, args, as_nobody=False):
        self.dir = d
        drop = None
        if as_nobody and os.getuid() == 0:
            os.chmod(d, 0o777)
            drop = lambda: (os.setgid(65534), os.setuid(65534))  # root ignores file modes
        self.process = subprocess.Popen([PROGRAM] + args, cwd=d, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.PIPE, preexec_fn=drop)

    def path(self, name="vardilo.txt"):
        return os.path.join(self.dir, name)

    def running(self):
        return self.process.poll() is None

    def stop(self):
        self.process.kill()
        _, err = self.process.communicate()
        return err


def missing_directory(d):
    r = Run(d, ["-f", "later/t.txt"])
    time.sleep(1.5)
    nothing_yet = not os.path.exists(r.path("later"))
    os.mkdir(r.path("later"))
    line = wait_for(lambda: read(r.path("later/t.txt")))
    return [nothing_yet, r.running(), LINE.match(line or b""), r.stop() == b""]


def deleted_between_ticks(d):
    r = Run(d, [])
    first = wait_for(lambda: read(r.path()))
    os.remove(r.path())
    again = wait_for(lambda: read(r.path()))
    return [LINE.match(first or b""), LINE.match(again or b""), r.stop() == b""]


def read_only_file(d):
    path = os.path.join(d, "vardilo.txt")
    with open(path, "wb") as f:
        f.write(b"left as it was\n")
    os.chmod(path, stat.S_IRUSR | stat.S_IRGRP | stat.S_IROTH)
    r = Run(d, [], as_nobody=True)
    time.sleep(2.5)
    return [r.running(), read(path) == b"left as it was\n", r.stop() == b""]


def path_is_a_directory(d):
    os.mkdir(os.path.join(d, "dir"))
    r = Run(d, ["-f", "dir"])
    time.sleep(2.5)
    return [r.running(), os.listdir(r.path("dir")) == [], r.stop() == b""]


def device_full(d):
    r = Run(d, ["-f", "/dev/full"])
    time.sleep(2.5)
    return [r.running(), r.stop() == b""]


def named_pipe_without_reader(d):
    # Opening a pipe that nobody reads would wait for ever; the program must keep ticking and
    # so reach its stop hour after two ticks.
    os.mkfifo(os.path.join(d, "pipe"))
    r = Run(d, ["-f", "pipe", "-h", "-1", "-m", "59", "-s", "58", "-x", "0"])
    try:
        status = r.process.wait(timeout=6)
    except subprocess.TimeoutExpired:
        status = None
    return [status == 0, r.stop() == b""]


def stopped_for_five_seconds(d):
    r = Run(d, [])
    wait_for(lambda: read(r.path()))
    r.process.send_signal(signal.SIGSTOP)
    before = wait_for(lambda: LINE.match(read(r.path()) or b""))
    time.sleep(5)
    r.process.send_signal(signal.SIGCONT)
    time.sleep(0.5)
    after = LINE.match(read(r.path()) or b"")

    def seconds(m):
        return int(m[1]) * 3600 + int(m[2]) * 60 + int(m[3])

    return [before, after, after and before and seconds(after) == seconds(before) + 1,
            r.stop() == b""]


def huge_prefix(d):
    # One argument may hold at most 128 KiB on Linux; -p appends, so nine make over a MiB.
    chunk = b"p" * (120 * 1024)
    r = Run(d, ["-p", chunk] * 9 + ["-a", b"\n'\"\xff"])
    line = wait_for(lambda: (lambda b: b if b and b.endswith(b"\n'\"\xff\n") else None)(
        read(r.path())))
    return [line is not None and line.startswith(chunk * 9) and
            LINE.match(line[len(chunk) * 9:-5] + b"\n"), r.stop() == b""]


def texts_byte_for_byte(d):
    r = Run(d, ["-p", b"a\nb'c\"", "-a", b"\xe9\xff\n"])
    line = wait_for(lambda: read(r.path()))
    return [line is not None and line.startswith(b"a\nb'c\"") and line.endswith(b"\xe9\xff\n\n"),
            r.stop() == b""]


CASES = [missing_directory, deleted_between_ticks, read_only_file, path_is_a_directory,
         device_full, named_pipe_without_reader, stopped_for_five_seconds, huge_prefix,
         texts_byte_for_byte]


class Faults(unittest.TestCase):
    def test_faults(self):
        with concurrent.futures.ThreadPoolExecutor(len(CASES)) as pool:
            dirs = [tempfile.TemporaryDirectory() for _ in CASES]
            results = list(pool.map(lambda c, d: c(d.name), CASES, dirs))
            for d in dirs:
                d.cleanup()
        for case, checks in zip(CASES, results):
            with self.subTest(case=case.__name__):
                self.assertTrue(all(checks), checks)

    def test_readers_never_see_a_torn_or_doubled_line(self):
        with tempfile.TemporaryDirectory() as d:
            r = Run(d, ["-p", "T ", "-a", " s"])
            seen = {"empty": 0, "line": 0}
            deadline = time.monotonic() + 3.5
            while time.monotonic() < deadline:
                data = read(r.path())
                if not data:
                    seen["empty"] += 1
                    continue
                self.assertRegex(data, rb"\AT \d\d+:[0-5]\d:[0-5]\d s\n\Z")
                seen["line"] += 1
            self.assertEqual(r.stop(), b"")
            self.assertGreater(seen["line"], 1000, seen)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
