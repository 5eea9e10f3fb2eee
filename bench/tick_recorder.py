"""Records the program's ticks as they land in the time file: for each one, when the program
closed the file (the moment this process heard of it through inotify, a fraction of a
millisecond later), the modification time the kernel gave it, and the line it holds. Only the
ticks' own writes touch the file, so this changes nothing a reader would see."""
import ctypes
import os
import select
import threading
import time

_IN_CLOSE_WRITE = 0x8
_CLOCK_REALTIME_COARSE = 5  # Linux
# The timer tick: the steps in which the kernel's coarse clock, and so file times, move.
TIMER_STEP_NS = round(time.clock_getres(_CLOCK_REALTIME_COARSE) * 1e9)
_libc = ctypes.CDLL(None, use_errno=True)


class Tick:
    def __init__(self, heard_ns, mtime_ns, line):
        self.heard_ns = heard_ns
        self.mtime_ns = mtime_ns
        self.line = line

    @property
    def heard(self):
        return self.heard_ns / 1e9

    @property
    def mtime_second(self):
        return self.mtime_ns // 10**9


class TickRecorder:
    """`with TickRecorder(path) as r:` records until the block is left; r.ticks is the list."""

    def __init__(self, path):
        self.path = path
        self.ticks = []
        self._stop = threading.Event()
        self._fd = _libc.inotify_init1(os.O_CLOEXEC | os.O_NONBLOCK)
        if self._fd < 0 or _libc.inotify_add_watch(self._fd, os.fsencode(path),
                                                   _IN_CLOSE_WRITE) < 0:
            raise OSError(ctypes.get_errno(), f"inotify on {path}")
        self._thread = threading.Thread(target=self._run, daemon=True)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()
        os.close(self._fd)

    def _run(self):
        while not self._stop.is_set():
            if not select.select([self._fd], [], [], 0.1)[0]:
                continue
            heard = time.time_ns()
            os.read(self._fd, 4096)
            with open(self.path, "rb") as f:
                mtime = os.fstat(f.fileno()).st_mtime_ns
                line = f.read().strip()
            if line:
                self.ticks.append(Tick(heard, mtime, line))


def start_ticking_at(phase_ms, path, start, tries=8):
    """Starts the program through start() so that its ticks are heard phase_ms after whole
    seconds of the wall clock, within half a millisecond, and returns the running process.
    Start-up and the first tick's overshoot put the ticks a few milliseconds after the moment
    of the start, and that offset varies, so it starts, looks where the first tick landed, and
    starts again with the offset corrected."""
    if not os.path.exists(path):
        open(path, "wb").close()
    offset_ms = 0.0
    for attempt in range(tries):
        time.sleep(((phase_ms - offset_ms) / 1000 - time.time()) % 1)
        with TickRecorder(path) as recorder:
            process = start()
            deadline = time.monotonic() + 5
            while not recorder.ticks and time.monotonic() < deadline:
                time.sleep(0.01)
        if not recorder.ticks:
            raise RuntimeError("the program wrote no tick in 5 s")
        landed_ms = recorder.ticks[0].heard_ns % 10**9 / 1e6
        error_ms = (landed_ms - phase_ms + 500) % 1000 - 500
        if abs(error_ms) < 0.5 or attempt == tries - 1:
            return process
        offset_ms += error_ms
        process.kill()
        process.wait()
