#!/usr/bin/env python3
"""Runs the README's shell examples as written, so that they cannot drift from the program:
every line of a sh block that starts the program must print its banner, write a time line and
say nothing on standard error. Each runs in a home of its own that holds a time file at
01:02:03, which the resume example must start from. Usage: readme_test.py VARDILO README"""
import os
import re
import sys
import tempfile
import unittest

from spawned import DEADLINE, Spawned, wait_for

PROGRAM = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build/vardilo")
README = sys.argv[2] if len(sys.argv) > 2 else "README.md"
BANNER_END = b"<> press ctrl-c to quit\n"
TIME = re.compile(rb"\d\d+:[0-5]\d:[0-5]\d")


def examples():
    with open(README) as f:
        # Blocks inside a list are indented.
        blocks = re.findall(r"^ *```sh\n(.*?)^ *```", f.read(), re.M | re.S)
    lines = (line.strip() for block in blocks for line in block.splitlines())
    return [line for line in lines if re.search(r"(^|&& |^nohup )vardilo ", line)]


def files_under(home):
    for top, _, names in os.walk(home):
        for name in names:
            with open(os.path.join(top, name), "rb") as f:
                yield name, f.read()


class ReadmeExamples(unittest.TestCase):
    def test_examples_start_the_program_as_described(self):
        found = examples()
        self.assertGreaterEqual(len(found), 5, found)
        for line in found:
            with self.subTest(line=line), tempfile.TemporaryDirectory() as home:
                self.run_example(line, home)

    def run_example(self, line, home):
        bin_dir = os.path.join(home, ".bin")
        os.mkdir(bin_dir)
        # The program as `vardilo` on the PATH. It dies with the shell that started it, even
        # when the example puts it in the background.
        wrapper = os.path.join(bin_dir, "vardilo")
        with open(wrapper, "w") as f:
            f.write(f'#!/bin/sh\nexec setpriv --pdeathsig KILL -- "{PROGRAM}" "$@"\n')
        os.chmod(wrapper, 0o755)
        with open(os.path.join(home, "vardilo.txt"), "wb") as f:
            f.write(b"01:02:03\n")
        env = dict(os.environ, HOME=home, PATH=bin_dir + os.pathsep + os.environ["PATH"])
        with open(os.path.join(home, "stdout"), "wb") as out, open(
                os.path.join(home, "stderr"), "wb") as err, Spawned(
                    ["sh", "-c", line + "\nwait"], cwd=home, env=env, stdout=out,
                    stderr=err) as shell:

            def banner():
                return next((data for _, data in files_under(home) if data.endswith(BANNER_END)),
                            None)

            def written():
                return [name for name, data in files_under(home) if name not in (
                    "stdout", "stderr") and TIME.search(data) and data != b"01:02:03\n"]

            # An example that ends (an option error, say) need not be waited for.
            wait_for(lambda: (banner() and written()) or not shell.running())
            shown, files = banner(), written()
        self.assertTrue(shown, f"no banner: the example ended, or {DEADLINE} s passed")
        self.assertTrue(files, "no time line written")
        with open(os.path.join(home, "stderr"), "rb") as f:
            self.assertEqual(f.read(), b"")
        if "read -r" in line:
            self.assertIn(b"<> start '1:2:3'\n", shown)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
