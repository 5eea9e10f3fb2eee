"""A program started by a test and owned by it: `with Spawned([...]) as p:` stops the program
when the block is left, however it is left (passed, failed, raised, timed out, interrupted)."""
import shutil
import signal
import subprocess
import time

# If the test process itself dies first, even by SIGKILL from a test runner's timeout, the
# kernel kills the program too. setpriv comes with util-linux; this must not be done in a
# preexec_fn, which is unsafe while other threads run.
_KILL_WITH_PARENT = ["setpriv", "--pdeathsig", "KILL", "--"] if shutil.which("setpriv") else []

# Waits are for events, not windows: a deadline only ends a wait that would never succeed, so
# it is generous enough for a loaded machine and for Wine's start-up.
DEADLINE = 30.0


class Spawned:
    def __init__(self, argv, **popen):
        popen.setdefault("stdin", subprocess.DEVNULL)
        self.process = subprocess.Popen(_KILL_WITH_PARENT + list(argv), **popen)
        self._output = None

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()

    def running(self):
        return self.process.poll() is None

    def wait(self, timeout=DEADLINE):
        """The exit status, or None if the program is still running after the timeout."""
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            return None

    def signal(self, number):
        if self.running():
            self.process.send_signal(number)

    def stop(self):
        """Kills the program if it still runs; returns what it wrote to pipes (stdout, stderr)."""
        if self._output is None:
            self.signal(signal.SIGKILL)
            self._output = self.process.communicate()
        return self._output


def read(path):
    """A file's bytes, or None while it cannot be read (not there yet, say)."""
    try:
        with open(path, "rb") as f:
            return f.read()
    except OSError:
        return None


def wait_for(predicate, seconds=DEADLINE):
    """The first true value of predicate() within the deadline, else its last value."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.02)
    return predicate()
