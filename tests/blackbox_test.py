#!/usr/bin/env python3
"""Runs the built program as a user would: messages, standard output, exit statuses, the time
file after short real-time runs. Usage: blackbox_test.py PATH_TO_VARDILO [runner words...]"""
import concurrent.futures
import fcntl
import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest

from spawned import DEADLINE, Spawned, read, wait_for

PROGRAM = sys.argv[1] if len(sys.argv) > 1 else "build/vardilo"
# Words to put before the program, e.g. "wine" for the Windows build.
RUNNER = [os.path.abspath(w) if os.path.exists(w) else w for w in sys.argv[2:]]
# Windows writes text-mode line ends on the console and in the time file alike.
LINE_END = b"\r\n" if PROGRAM.endswith(".exe") else b"\n"


def text(data):
    return data.replace(b"\n", LINE_END)

def release():
    with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "VERSION"), "rb") as f:
        return f.read().strip()


TITLE = b"[Vardilo by Zelvar]\n"
VERSION = TITLE + b"<> version: " + release()


def counter_banner(file=b"vardilo.txt", prefix=b"", suffix=b"", start=b"0:0:0"):
    return (TITLE + b"<> file '" + file + b"'\n<> prefix '" + prefix + b"' - suffix '" + suffix +
            b"'\n<> start '" + start + b"'\n<> press ctrl-c to quit\n")


def uptime_banner(file=b"vardilo.txt", prefix=b"", suffix=b""):
    return (TITLE + b"<> writing system uptime to file '" + file + b"'\n<> prefix '" + prefix +
            b"' - suffix '" + suffix + b"'\n<> press ctrl-c to quit\n")


def as_argument(arg):
    """Under Wine, arguments pass from the Unix locale (UTF-8) into the Windows code page
    (1252): a byte of 0x80 or above reaches the program when sent as its character."""
    if RUNNER and isinstance(arg, bytes):
        return arg.decode("cp1252").encode("utf-8")
    return arg


def command(args):
    return RUNNER + [os.path.abspath(PROGRAM)] + [as_argument(a) for a in args]


def run(args, cwd):
    """Runs to the end with standard output and standard error captured through pipes."""
    with Spawned(command(args), cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.PIPE) as p:
        try:
            out, err = p.process.communicate(timeout=DEADLINE)
        except subprocess.TimeoutExpired:
            raise AssertionError(f"{args} still running after {DEADLINE} s") from None
        return subprocess.CompletedProcess(args, p.process.returncode, out, err)


# Longer than a pipe's buffer once that is shrunk to a page, and still within the 32767
# characters of a Windows command line.
LONG_PREFIX = b"p" * 30000


def nonopt(*names):
    return b"".join(b"Non-option argument " + n + b"\n" for n in names)


class Quick(unittest.TestCase):
    """Runs that end before their first tick."""

    CASES = [
        # (arguments, standard output, standard error, exit status)
        ([b"-z"], b"", b"Unknown option `-z'.\n", 1),
        ([b"--help"], b"", b"Unknown option `--'.\n", 1),
        ([b"-?"], b"", b"Unknown option `-?'.\n", 1),
        ([b"-:"], b"", b"Unknown option `-:'.\n", 1),
        ([b"-i"], b"", b"Option -i requires an argument.\n", 1),
        ([b"-vp"], b"", b"Option -p requires an argument.\n", 1),
        ([b"-v", b"-z"], b"", b"Unknown option `-z'.\n", 1),
        ([b"-\x01"], b"", b"Unknown option character `\\x1'.\n", 1),
        ([b"-\xe9"], b"", b"Unknown option character `\\xe9'.\n", 1),
        ([b"-v"], VERSION, b"", 1),
        ([b"-uv"], VERSION, b"", 1),
        ([b"-v-"], nonopt(b"-v-") + VERSION, b"", 1),
        ([b"-v", b"extra", b""], nonopt(b"extra", b"") + VERSION, b"", 1),
        ([b"-x", b"0"], counter_banner(), b"", 0),
        ([b"-x0", b"-", b"-v"], nonopt(b"-", b"-v") + counter_banner(), b"", 0),
        ([b"-u", b"-x", b"0", b"--", b"-v"], nonopt(b"-v") + uptime_banner(), b"", 0),
        ([b"-h", b"7", b"-x", b"7", b"-h", b"9"], counter_banner(start=b"7:0:0"), b"", 0),
        ([b"-h", b"-2", b"-s", b"75", b"-x", b"-2"], counter_banner(start=b"-2:0:75"), b"", 0),
        ([b"-x", b"0", b"-f", b"it's.txt", b"-p", b"a\nb", b"-p", b"\xff'", b"-a", b"S"],
         counter_banner(file=b"it's.txt", prefix=b"a\nb\xff'", suffix=b"S"), b"", 0),
        ([b"-u", b"-f", b"up.txt", b"-p", b"Up ", b"-x", b"0"],
         uptime_banner(file=b"up.txt", prefix=b"Up "), b"", 0),
    ]

    @staticmethod
    def run_in_fresh_directory(args):
        with tempfile.TemporaryDirectory() as d:
            existing = os.path.join(d, "vardilo.txt")
            with open(existing, "wb") as f:
                f.write(b"keep me\n")
            r = run(args, d)
            with open(existing, "rb") as f:
                return r, f.read()

    def test_messages_output_and_status(self):
        # Wine takes seconds to start a program: run the cases side by side.
        with concurrent.futures.ThreadPoolExecutor(4) as pool:
            results = pool.map(self.run_in_fresh_directory, [c[0] for c in self.CASES])
        for (args, out, err, status), (r, time_file) in zip(self.CASES, results):
            with self.subTest(args=args):
                self.assertEqual((r.stdout, r.stderr, r.returncode),
                                 (text(out), text(err), status))
                # Nothing that ends before its first tick touches the time file.
                self.assertEqual(time_file, b"keep me\n")


class RealTime(unittest.TestCase):
    """Short runs on the real clock that end by themselves through -x."""

    def test_counter_counts_to_the_stop_hour(self):
        with tempfile.TemporaryDirectory() as d:
            begun = time.monotonic()
            r = run(["-h", "-1", "-m", "59", "-s", "58", "-x", "0", "-p", "T=", "-a", "!"], d)
            elapsed = time.monotonic() - begun
            self.assertEqual(r.returncode, 0)
            self.assertEqual(r.stdout, text(counter_banner(prefix=b"T=", suffix=b"!",
                                                           start=b"-1:59:58")))
            self.assertEqual(read(os.path.join(d, "vardilo.txt")), b"T=00:00:00!" + LINE_END)
            # Two ticks, each at least a second after the one before.
            self.assertGreaterEqual(elapsed, 2.0)

    def test_interval_and_carry_into_a_named_file(self):
        with tempfile.TemporaryDirectory() as d:
            r = run(["-s", "59", "-m", "59", "-h", "-1", "-x", "0", "-i", "20", "-fout.txt"], d)
            self.assertEqual(r.returncode, 0)
            self.assertEqual(read(os.path.join(d, "out.txt")), b"00:00:00" + LINE_END)
            self.assertFalse(os.path.exists(os.path.join(d, "vardilo.txt")))


class StandardOutput(unittest.TestCase):
    """What becomes of the console text when standard output is not a console."""

    @staticmethod
    def unread_pipe(full):
        """A pipe nobody reads, one page large and filled to the brim when full is set; returns
        (reader, writer)."""
        reader, writer = os.pipe()
        fcntl.fcntl(writer, fcntl.F_SETPIPE_SZ, 4096)
        if full:
            os.set_blocking(writer, False)
            try:
                while True:
                    os.write(writer, b"x" * 4096)
            except BlockingIOError:
                pass
            # The program shares this open file description: it must see a blocking pipe.
            os.set_blocking(writer, True)
        return reader, writer

    def test_start_up_text_goes_out_at_once_and_never_holds_up_the_first_tick(self):
        cases = [
            # (standard output, prefix, whether the whole text must be there at the first tick)
            ("a file", b"T", True),
            ("a full pipe nobody reads", b"T", False),
            ("a pipe nobody reads, text longer than the pipe holds", LONG_PREFIX, False),
        ]
        for kind, prefix, whole_text_shown in cases:
            with self.subTest(stdout=kind), tempfile.TemporaryDirectory() as d:
                log = os.path.join(d, "out.log")
                if kind == "a file":
                    reader, writer = None, os.open(log, os.O_WRONLY | os.O_CREAT, 0o644)
                else:
                    reader, writer = self.unread_pipe(full=kind.startswith("a full"))
                expected = text(nonopt(b"stray") + counter_banner(prefix=prefix, start=b"0:59:59"))
                try:
                    with Spawned(command(["-m", "59", "-s", "59", "-p", prefix, "stray"]), cwd=d,
                                 stdout=writer, stderr=subprocess.PIPE) as p:
                        line = wait_for(lambda: read(os.path.join(d, "vardilo.txt")))
                        self.assertEqual(line, prefix + b"01:00:00" + LINE_END, "no tick")
                        if whole_text_shown:
                            self.assertEqual(read(log), expected)
                            # Ended by a signal, as such a run normally is: the text stays.
                            p.signal(signal.SIGTERM)
                            self.assertIsNotNone(p.wait(), "SIGTERM did not end it")
                            self.assertEqual(read(log), expected)
                finally:
                    os.close(writer)
                    if reader is not None:
                        os.close(reader)

    def test_a_closed_pipe_neither_ends_the_program_nor_stops_the_time_file(self):
        reader, writer = os.pipe()
        os.close(reader)  # gone before the program writes anything
        with tempfile.TemporaryDirectory() as d:
            # A banner longer than an output buffer takes several writes, and each one fails.
            with Spawned(command(["-m", "59", "-s", "59", "-x", "1", "-p", LONG_PREFIX]),
                         cwd=d, stdout=writer, stderr=subprocess.PIPE) as p:
                os.close(writer)
                self.assertEqual(p.wait(), 0)
            self.assertEqual(read(os.path.join(d, "vardilo.txt")),
                             LONG_PREFIX + b"01:00:00" + LINE_END)


@unittest.skipUnless(PROGRAM.endswith(".exe"), "the Windows start-up expands wildcards")
class Wildcards(unittest.TestCase):
    def test_patterns_become_matching_file_names(self):
        with tempfile.TemporaryDirectory() as d:
            for name in ["b.txt", "a.txt", "c.log"]:
                open(os.path.join(d, name), "wb").close()
            r = run(["-x", "0", "*.txt", "?.log", "none*.xyz"], d)
            self.assertEqual(r.returncode, 0)
            self.assertEqual(r.stdout, text(nonopt(b"a.txt", b"b.txt", b"c.log", b"none*.xyz") +
                                            counter_banner()))


@unittest.skipIf(RUNNER or not os.path.exists("/proc/uptime"), "needs the Linux uptime")
class Uptime(unittest.TestCase):
    def test_uptime_agrees_with_proc_uptime(self):
        def proc_uptime():
            with open("/proc/uptime") as f:
                return int(float(f.read().split()[0]))

        with tempfile.TemporaryDirectory() as d:
            path = os.path.join(d, "up.txt")
            before = proc_uptime()
            with Spawned(command(["-u", "-f", path, "-p", "<", "-a", ">"]),
                         stdout=subprocess.DEVNULL):
                line = wait_for(lambda: (lambda b: b if b and b.endswith(b">\n") else None)(
                    read(path)))
                after = proc_uptime()
            self.assertTrue(line, f"no line in {DEADLINE} s")
            hours, minutes, seconds = (int(x) for x in line[1:-2].split(b":"))
            self.assertTrue(0 <= minutes < 60 and 0 <= seconds < 60, line)
            self.assertLessEqual(before, hours * 3600 + minutes * 60 + seconds, line)
            self.assertLessEqual(hours * 3600 + minutes * 60 + seconds, after, line)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
