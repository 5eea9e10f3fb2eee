#!/usr/bin/env python3
"""What OBS Studio shows of the time file. Runs the built program and OBS Studio side by side for
SECONDS: OBS headless under Xvfb, with one Text (FreeType 2) source that has "Read from file" set
to the time file. Every 0.1 s it takes a picture of OBS's scene through obs-websocket and reads
the time in it with tesseract; strace records each time OBS looks at the file's modification time
and each time it opens the file to reload it. Prints the ticks written and shown, the skipped
ones with their cause, blank or partial pictures, and the delay from a tick's write to the
first picture that shows it. --phase-ms places the ticks that many milliseconds after whole
seconds of the wall clock (bench/mtime_lag.py tells where ticks share a second);
--file-after-source starts the program only after the source is made. Options after the
program's path go to the program (-u, -i ...).

Needs Debian's obs-studio, xvfb, tesseract-ocr and strace; installs nothing.
Usage: obs.py VARDILO [--seconds N] [--fps N] [--phase-ms N] [--file-after-source] [--dir DIR]
              [PROGRAM OPTIONS...]"""
import argparse
import base64
import configparser
import hashlib
import json
import os
import re
import shutil
import signal
import socket
import statistics
import struct
import subprocess
import sys
import tempfile
import time

from tick_recorder import TIMER_STEP_NS, TickRecorder, start_ticking_at

PACKAGES = {"obs": "obs-studio", "Xvfb": "xvfb", "tesseract": "tesseract-ocr",
            "strace": "strace"}
SHOT_INTERVAL = 0.1
# OBS needs some seconds to start and to show its first reload; ticks written in the last
# seconds of a run have had no chance to be shown yet.
SETTLE_SECONDS = 3.0
TAIL_SECONDS = 2.5

parser = argparse.ArgumentParser(usage=__doc__.split("Usage: ")[1], add_help=False,
                                 allow_abbrev=False)
parser.add_argument("program")
parser.add_argument("--seconds", type=float, default=75)
parser.add_argument("--fps", type=int, default=30)
parser.add_argument("--phase-ms", type=float)
parser.add_argument("--file-after-source", action="store_true",
                    help="make OBS's source before the time file exists")
parser.add_argument("--dir", help="folder for the time file (default: a temporary one)")
ARGS, OPTIONS = parser.parse_known_args()


class ObsWebSocket:
    """Just enough of a WebSocket client (RFC 6455) to speak obs-websocket 5: text frames, no
    password, no events."""

    def __init__(self, port):
        self.sock = socket.create_connection(("127.0.0.1", port), timeout=10)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall((f"GET / HTTP/1.1\r\nHost: 127.0.0.1:{port}\r\nUpgrade: websocket\r\n"
                           f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                           "Sec-WebSocket-Protocol: obswebsocket.json\r\n"
                           "Sec-WebSocket-Version: 13\r\n\r\n").encode())
        reply = b""
        while b"\r\n\r\n" not in reply:
            reply += self._exactly(1)
        if b" 101 " not in reply.split(b"\r\n")[0]:
            raise OSError(f"obs-websocket refused the connection: {reply[:60]!r}")
        self.requests = 0
        self.receive()  # Hello
        self.send({"op": 1, "d": {"rpcVersion": 1, "eventSubscriptions": 0}})
        self.receive()  # Identified

    def _exactly(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise OSError("OBS closed the connection")
            data += chunk
        return data

    def send(self, message):
        payload = json.dumps(message).encode()
        n = len(payload)
        length = (bytes([0x80 | n]) if n < 126 else
                  bytes([0x80 | 126]) + struct.pack(">H", n) if n < 65536 else
                  bytes([0x80 | 127]) + struct.pack(">Q", n))
        mask = os.urandom(4)
        masked = bytes(b ^ mask[i % 4] for i, b in enumerate(payload))
        self.sock.sendall(b"\x81" + length + mask + masked)

    def receive(self):
        while True:
            first, second = self._exactly(2)
            n = second & 0x7F
            if n == 126:
                n = struct.unpack(">H", self._exactly(2))[0]
            elif n == 127:
                n = struct.unpack(">Q", self._exactly(8))[0]
            payload = self._exactly(n)
            if first & 0x0F == 1:
                return json.loads(payload)

    def request(self, kind, **data):
        self.requests += 1
        rid = str(self.requests)
        self.send({"op": 6, "d": {"requestType": kind, "requestId": rid, "requestData": data}})
        while True:
            reply = self.receive()["d"]
            if reply.get("requestId") == rid:
                if not reply["requestStatus"]["result"]:
                    raise RuntimeError(f"{kind}: {reply['requestStatus']}")
                return reply.get("responseData", {})


class Processes:
    """Every process the measurement starts, each in a session of its own, so that stopping it
    also stops what it started (OBS's helpers, strace's tracee)."""

    def __init__(self):
        self.started = []

    def start(self, argv, **popen):
        popen.setdefault("stdin", subprocess.DEVNULL)
        popen.setdefault("stdout", subprocess.DEVNULL)
        popen.setdefault("stderr", subprocess.DEVNULL)
        p = subprocess.Popen(argv, start_new_session=True, **popen)
        self.started.append(p)
        return p

    def stop_all(self):
        for p in reversed(self.started):
            for sig in (signal.SIGTERM, signal.SIGKILL):
                try:
                    os.killpg(p.pid, sig)
                except ProcessLookupError:
                    break
                try:
                    p.wait(5)
                    break
                except subprocess.TimeoutExpired:
                    pass


def wait_until(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = predicate()
        if value:
            return value
        time.sleep(0.05)
    raise RuntimeError(f"{what}: nothing after {seconds:.0f} s")


def start_xvfb(processes):
    read_end, write_end = os.pipe()
    processes.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
                     "-nolisten", "tcp"], pass_fds=[write_end])
    os.close(write_end)
    with os.fdopen(read_end) as f:
        return ":" + f.readline().strip()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def write_obs_config(home, port):
    """A profile and a global configuration that skip OBS's first-run wizard and turn the
    WebSocket server on, without a password, on loopback."""
    config = os.path.join(home, ".config", "obs-studio")
    profile = os.path.join(config, "basic", "profiles", "Vardilo")
    os.makedirs(profile)
    ini = configparser.ConfigParser()
    ini.optionxform = str
    ini["General"] = {"FirstRun": "true"}
    ini["Basic"] = {"Profile": "Vardilo", "ProfileDir": "Vardilo", "SceneCollection": "Vardilo",
                    "SceneCollectionFile": "Vardilo"}
    ini["OBSWebSocket"] = {"FirstLoad": "false", "ServerEnabled": "true",
                           "ServerPort": str(port), "AlertsEnabled": "false",
                           "AuthRequired": "false"}
    with open(os.path.join(config, "global.ini"), "w") as f:
        ini.write(f, space_around_delimiters=False)
    ini = configparser.ConfigParser()
    ini.optionxform = str
    ini["General"] = {"Name": "Vardilo"}
    ini["Video"] = {"BaseCX": "640", "BaseCY": "160", "OutputCX": "640", "OutputCY": "160",
                    "FPSType": "1", "FPSInt": str(ARGS.fps)}
    with open(os.path.join(profile, "basic.ini"), "w") as f:
        ini.write(f, space_around_delimiters=False)


def connect(port):
    def attempt():
        try:
            return ObsWebSocket(port)
        except OSError:
            return None
    return wait_until(attempt, 90, "obs-websocket")


def add_text_source(obs, path):
    scene = obs.request("GetCurrentProgramScene")["currentProgramSceneName"]
    obs.request("CreateInput", sceneName=scene, inputName="Time", inputKind="text_ft2_source_v2",
                sceneItemEnabled=True,
                inputSettings={"from_file": True, "text_file": path,
                               "font": {"face": "DejaVu Sans Mono", "size": 96,
                                        "style": "Book", "flags": 0}})
    return scene


def take_pictures(obs, scene, seconds):
    """(moment, picture key) every SHOT_INTERVAL, and the pictures by key."""
    shots, pictures = [], {}
    end = time.time() + seconds
    while time.time() < end:
        asked = time.time()
        data = obs.request("GetSourceScreenshot", sourceName=scene, imageFormat="pgm")
        answered = time.time()
        picture = base64.b64decode(data["imageData"].split(",", 1)[1])
        key = hashlib.sha1(picture).hexdigest()
        pictures.setdefault(key, picture)
        shots.append(((asked + answered) / 2, key))
        time.sleep(max(0.0, asked + SHOT_INTERVAL - time.time()))
    return shots, pictures


def read_picture(picture, scratch):
    """The text in one picture (white on black): None if it is blank."""
    magic, size, maxval, pixels = picture.split(b"\n", 3)
    if max(pixels) < 64:
        return None
    path = os.path.join(scratch, "picture.pgm")
    with open(path, "wb") as f:
        f.write(b"\n".join([magic, size, maxval]) + b"\n" + bytes(255 - p for p in pixels))
    out = subprocess.run(["tesseract", path, "stdout", "--psm", "7", "-c",
                          "tessedit_char_whitelist=0123456789:-"],
                         capture_output=True, check=True).stdout
    return out.strip()


TRACE_LINE = re.compile(rb"^\d+ +(\d+\.\d+) (\w+)\((AT_FDCWD, )?\"")
MTIME = re.compile(rb"st_mtime=(\d+) .*?st_mtime_nsec=(\d+)")


OPENED_SIZE = re.compile(rb"^\d+ +\d+\.\d+ newfstatat\(\d+, \"\", \{.*?st_size=(\d+)")


def read_trace(path):
    """OBS's looks at the time file by name, each (moment, mtime in ns), and its reloads, each
    [moment, size]: the size comes from the fstat that follows the open."""
    checks, reloads = [], []
    with open(path, "rb") as f:
        for line in f:
            size = OPENED_SIZE.match(line)
            if size and reloads and reloads[-1][1] is None:
                reloads[-1][1] = int(size.group(1))
            m = TRACE_LINE.match(line)
            if not m or not re.search(rb" = \d+$", line.rstrip()):
                continue
            moment, call = float(m.group(1)), m.group(2)
            if call == b"openat":
                reloads.append([moment, None])
            elif b"stat" in call:
                mtime = MTIME.search(line)
                if mtime:
                    checks.append((moment, int(mtime.group(1)) * 10**9 + int(mtime.group(2))))
    return checks, reloads


def skip_cause(index, ticks, checks):
    """Why OBS never showed ticks[index]. OBS looks at the file's modification time about once
    a second, and reloads the file at the look after one that found a new whole second."""
    start = ticks[index].heard
    end = ticks[index + 1].heard if index + 1 < len(ticks) else float("inf")
    during = [i for i, (moment, _) in enumerate(checks) if start <= moment < end]
    if not during:
        before = [moment for moment, _ in checks if moment < start]
        after = [moment for moment, _ in checks if moment >= end]
        gap = after[0] - before[-1] if before and after else float("nan")
        return f"check spacing: no look while the file held it ({gap:.3f} s between looks)"
    for i in during:
        if i < 2:
            continue
        seen, stored = checks[i - 1][1], checks[i - 2][1]
        if seen != stored and seen // 10**9 == stored // 10**9:
            return (f"shared whole-second mtime: the look before found a new tick with the "
                    f"same whole second as the tick before it (mtimes {stored % 10**9 / 1e6:.1f} "
                    f"and {seen % 10**9 / 1e6:.1f} ms past it), so no reload followed")
    return "check spacing: the two looks before it fell on one tick"


def predicted_reloads(checks):
    """The looks at which OBS's rule reloads the file: those after a look that found a whole
    second different from the one it had stored."""
    stored, pending, moments = None, False, []
    for moment, mtime in checks:
        if pending:
            moments.append(moment)
        pending = stored is not None and mtime // 10**9 != stored
        stored = mtime // 10**9
    return moments


def report(ticks, shots, texts, checks, reloads, begun, ended):
    window = [t for t in ticks if begun + SETTLE_SECONDS <= t.heard <= ended - TAIL_SECONDS]
    indices = {id(t): i for i, t in enumerate(ticks)}
    first_seen = {}
    blank, partial = 0, []
    known = {t.line for t in ticks}
    for moment, key in shots:
        text = texts[key]
        if moment < begun + SETTLE_SECONDS:
            continue
        if text is None:
            blank += 1
        elif text not in known:
            partial.append(text)
        else:
            first_seen.setdefault(text, moment)
    shown = [t for t in window if t.line in first_seen]
    delays = [first_seen[t.line] - t.heard for t in shown]
    skipped = [t for t in window if t.line not in first_seen]
    pairs = sum(1 for t in window
                if indices[id(t)] > 0 and ticks[indices[id(t)] - 1].mtime_second == t.mtime_second)
    spacing = [b[0] - a[0] for a, b in zip(checks, checks[1:])
               if begun <= a[0] and b[0] <= ended]

    print(f"ticks written in the measured window: {len(window)}")
    print(f"shown: {len(shown)}, skipped: {len(skipped)}")
    print(f"blank pictures: {blank}, partial pictures: {len(partial)} "
          f"(of {sum(1 for m, _ in shots if m >= begun + SETTLE_SECONDS)})"
          + "".join(f"\n  partial: {text!r}" for text in sorted(set(partial))))
    if delays:
        print(f"delay from write to first picture: median {statistics.median(delays):.2f} s, "
              f"max {max(delays):.2f} s (pictures every {SHOT_INTERVAL} s)")
    print(f"consecutive ticks with the same whole-second mtime: {pairs}")
    if spacing:
        print(f"OBS's looks at the file: {len(spacing) + 1}, {min(spacing):.3f} to "
              f"{max(spacing):.3f} s apart, {statistics.mean(spacing):.4f} s on average")
    measured = begun + SETTLE_SECONDS
    seen = [(r, size) for r, size in reloads if measured <= r <= ended]
    expected = [r for r in predicted_reloads(checks) if measured <= r <= ended]
    matched = sum(1 for r, _ in seen if any(abs(r - e) < 0.005 for e in expected))
    print(f"reloads: {len(seen)}, of which {matched} at a look where the rule predicts one "
          f"(it predicts {len(expected)}); {sum(1 for _, size in seen if size == 0)} found the "
          f"file empty, between a tick's truncation and its write")
    tick_spacing = [b.heard - a.heard for a, b in zip(window, window[1:])]
    if tick_spacing:
        places = [t.heard_ns % 10**9 / 1e6 for t in window]
        stamps = sorted({f"{t.mtime_ns % TIMER_STEP_NS / 1e6:.1f}" for t in window})
        print(f"ticks {statistics.mean(tick_spacing):.4f} s apart on average, heard "
              f"{places[0]:.1f} ms past a whole second at first and {places[-1]:.1f} ms at "
              f"last; their mtimes lie {', '.join(stamps[:8])} ms past a "
              f"multiple of {TIMER_STEP_NS / 1e6:g} ms (the timer tick)")
    if not checks:
        print("OBS never looked at the file: its source was made before the file existed")
        return
    for t in skipped:
        print(f"  skipped {t.line.decode()}: {skip_cause(indices[id(t)], ticks, checks)}")


def main():
    # Stopped from outside, it still stops everything it started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(1))
    missing = [PACKAGES[tool] for tool in PACKAGES if not shutil.which(tool)]
    if missing:
        sys.exit(f"obs.py needs these Debian packages: {' '.join(missing)}")
    processes = Processes()
    with tempfile.TemporaryDirectory() as scratch:
        folder = ARGS.dir or scratch
        path = os.path.abspath(os.path.join(folder, "vardilo-obs.txt"))
        home = os.path.join(scratch, "home")
        trace = os.path.join(scratch, "obs.trace")
        port = free_port()
        write_obs_config(home, port)
        if not ARGS.file_after_source:
            open(path, "wb").close()
        try:
            display = start_xvfb(processes)
            processes.start(["strace", "-f", "--seccomp-bpf", "-qq", "-ttt", "-v", "-o", trace,
                             "-e", "trace=stat,lstat,newfstatat,statx,openat", "-P", path,
                             "obs", "--multi", "--minimize-to-tray"],
                            env=dict(os.environ, HOME=home, DISPLAY=display), cwd=scratch)
            obs = connect(port)
            scene = add_text_source(obs, path)

            def start():
                return processes.start([os.path.abspath(ARGS.program), "-f", path] + OPTIONS)

            # Placed once OBS runs, so that the ticks are still where asked while measured.
            if ARGS.phase_ms is None:
                start()
            else:
                start_ticking_at(ARGS.phase_ms, path, start)
            wait_until(lambda: os.path.exists(path), 5, "the time file")
            with TickRecorder(path) as recorder:
                begun = time.time()
                shots, pictures = take_pictures(obs, scene, ARGS.seconds)
                ended = time.time()
        finally:
            processes.stop_all()
        texts = {key: read_picture(picture, scratch) for key, picture in pictures.items()}
        checks, reloads = read_trace(trace)
        mode = "uptime" if "-u" in OPTIONS else "counter"
        print(f"OBS Studio and {os.path.basename(ARGS.program)} {' '.join(OPTIONS)} ({mode} "
              f"mode), {ARGS.seconds:.0f} s at {ARGS.fps} frames a second")
        report(recorder.ticks, shots, texts, checks, reloads, begun, ended)


main()
