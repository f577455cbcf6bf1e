#!/usr/bin/env python3
"""Fails when a file the game loads from data/ is missing, so a renamed picture is caught
before a player sees an empty spot.

Names come from two places: every "data/..." string literal in the sources under src/, and
tests/data/expected-files.txt (names built at run time, scenes not written yet). Every
picture must also have a source drawing in art/manifest.txt, so it can be rendered again.
Usage: check_data_files.py REPO_ROOT
"""

import os
import re
import sys

LITERAL = re.compile(r'"data/([^"\\]+\.(?:png|wav|ttf))"')


def names_in_sources(src_root):
    found = {}
    for folder, _, files in os.walk(src_root):
        for name in files:
            if not name.endswith((".cpp", ".h", ".hpp", ".cc")):
                continue
            path = os.path.join(folder, name)
            with open(path, encoding="utf-8", errors="replace") as f:
                for match in LITERAL.finditer(f.read()):
                    found.setdefault(match.group(1), path)
    return found


def listed_names(path):
    with open(path, encoding="utf-8") as f:
        return [line.strip() for line in f if line.strip() and not line.startswith("#")]


def manifest_outputs(path):
    with open(path, encoding="utf-8") as f:
        return {line.split()[0] for line in f if line.split("#", 1)[0].strip()}


def main():
    root = sys.argv[1]
    data = os.path.join(root, "data")
    present = set(os.listdir(data))
    wanted = {name: "tests/data/expected-files.txt" for name in listed_names(os.path.join(root, "tests", "data", "expected-files.txt"))}
    wanted.update(names_in_sources(os.path.join(root, "src")))
    problems = []
    for name, where in sorted(wanted.items()):
        if name not in present:
            # Case matters on Linux: say so when only the case differs.
            near = [p for p in present if p.lower() == name.lower()]
            hint = " (found %s: the case differs)" % near[0] if near else ""
            problems.append("missing data/%s, named in %s%s" % (name, os.path.relpath(where, root), hint))
    drawn = manifest_outputs(os.path.join(root, "art", "manifest.txt"))
    for name in sorted(n for n in wanted if n.endswith(".png") and n not in drawn):
        problems.append("data/%s has no source drawing in art/manifest.txt" % name)
    for name in sorted(drawn - present):
        problems.append("art/manifest.txt lists %s but data/ has no such file (run tools/render-art)" % name)
    for p in problems:
        print("FAIL:", p)
    print("%d names checked (%d from the sources), %d problems" % (len(wanted), len(names_in_sources(os.path.join(root, "src"))), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
