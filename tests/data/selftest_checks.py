#!/usr/bin/env python3
"""Shows that the data checks catch what they are meant to catch: in a copy of a tiny
repository, a renamed picture, a picture whose name differs only in case, a pink fringe
pixel on a colour-keyed sprite and a wrong size must each make the checks fail, while the
clean copy passes.
Usage: selftest_checks.py REPO_ROOT
"""

import os
import shutil
import subprocess
import sys
import tempfile

ROOT = sys.argv[1]
HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source tree free of caches
sys.path.insert(0, os.path.join(ROOT, "art"))
import pngio  # noqa: E402


def make_repo(tmp):
    for sub in ("data", "art", "src/battle", "tests/data"):
        os.makedirs(os.path.join(tmp, sub))
    shutil.copy(os.path.join(ROOT, "art", "pngio.py"), os.path.join(tmp, "art"))
    with open(os.path.join(tmp, "art", "manifest.txt"), "w") as f:
        f.write("sprite.png sprite.svg key 4x2\nback.png back.svg opaque 2x2\n")
    with open(os.path.join(tmp, "tests", "data", "expected-files.txt"), "w") as f:
        f.write("# test list\nback.png\n")
    with open(os.path.join(tmp, "src", "battle", "Loader.cpp"), "w") as f:
        f.write('Load("data/sprite.png", true);\n')
    sprite = pngio.Image(4, 2, bytearray(b"\xff\x00\xff\xff\x10\x20\x30\xff" * 4))
    pngio.write_rgb(os.path.join(tmp, "data", "sprite.png"), sprite)
    pngio.write_rgb(os.path.join(tmp, "data", "back.png"), pngio.Image(2, 2, bytearray(b"\xff\x00\xff\xff" * 4)))


def run(tmp, script):
    result = subprocess.run([sys.executable, os.path.join(HERE, script), tmp], capture_output=True, text=True)
    return result.returncode, result.stdout


def expect(label, tmp, script, should_fail, needle=""):
    code, out = run(tmp, script)
    ok = (code != 0) == should_fail and needle in out
    print("%s: %s" % ("ok  " if ok else "FAIL", label))
    if not ok:
        print(out)
    return ok


def main():
    results = []
    with tempfile.TemporaryDirectory() as tmp:
        make_repo(tmp)
        results.append(expect("clean copy passes the name check", tmp, "check_data_files.py", False))
        results.append(expect("clean copy passes the picture check", tmp, "check_pictures.py", False))

        os.rename(os.path.join(tmp, "data", "back.png"), os.path.join(tmp, "data", "Back.png"))
        results.append(expect("name differing in case is missing", tmp, "check_data_files.py", True, "the case differs"))
        os.rename(os.path.join(tmp, "data", "Back.png"), os.path.join(tmp, "data", "back.png"))

        os.rename(os.path.join(tmp, "data", "sprite.png"), os.path.join(tmp, "data", "sprite2.png"))
        results.append(expect("picture named in the sources but renamed", tmp, "check_data_files.py", True, "data/sprite.png"))
        os.rename(os.path.join(tmp, "data", "sprite2.png"), os.path.join(tmp, "data", "sprite.png"))

        fringe = pngio.Image(4, 2, bytearray(b"\xff\x00\xff\xff" * 7 + b"\xf0\x20\xf8\xff"))
        pngio.write_rgb(os.path.join(tmp, "data", "sprite.png"), fringe)
        results.append(expect("pink fringe pixel on a keyed sprite", tmp, "check_pictures.py", True, "(3, 1)"))

        pngio.write_rgb(os.path.join(tmp, "data", "sprite.png"), pngio.Image(3, 2, bytearray(b"\x10\x20\x30\xff" * 6)))
        results.append(expect("wrong size", tmp, "check_pictures.py", True, "3x2, expected 4x2"))
    print("%d passed, %d failed" % (results.count(True), results.count(False)))
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
