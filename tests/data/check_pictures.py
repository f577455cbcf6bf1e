#!/usr/bin/env python3
"""Checks every picture of data/ against art/manifest.txt: its size, that it is opaque (the game
drops PNG alpha), and for colour-keyed pictures that no pixel is nearly magenta without being
exactly magenta, which would show as a pink fringe around the sprite.
Usage: check_pictures.py REPO_ROOT
"""

import os
import sys

sys.dont_write_bytecode = True  # keep the source tree free of caches
sys.path.insert(0, os.path.join(sys.argv[1], "art"))
import pngio  # noqa: E402

# A pixel is "nearly magenta" when every channel is within this distance of (255, 0, 255).
NEAR = 60


def read_manifest(path):
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.split("#", 1)[0].split()
            if fields:
                name, _, mode, size = fields
                width, height = (int(v) for v in size.split("x"))
                yield name, mode, width, height


def fringe_pixels(image):
    px = image.rgba
    bad = []
    for i in range(0, len(px), 4):
        r, g, b = px[i], px[i + 1], px[i + 2]
        if (r, g, b) != (255, 0, 255) and 255 - r <= NEAR and g <= NEAR and 255 - b <= NEAR:
            n = i // 4
            bad.append((n % image.width, n // image.width, (r, g, b)))
    return bad


def check(root, name, mode, width, height):
    path = os.path.join(root, "data", name)
    try:
        image = pngio.read(path)
    except (OSError, ValueError) as e:
        return ["%s: cannot be read: %s" % (name, e)]
    problems = []
    if (image.width, image.height) != (width, height):
        problems.append("%s: %dx%d, expected %dx%d" % (name, image.width, image.height, width, height))
    if any(a != 255 for a in image.rgba[3::4]):
        problems.append("%s: has transparent pixels; the game ignores PNG alpha" % name)
    if mode == "key":
        bad = fringe_pixels(image)
        if bad:
            x, y, rgb = bad[0]
            problems.append("%s: %d nearly magenta pixels, first at (%d, %d) = %s" % (name, len(bad), x, y, rgb))
    return problems


def main():
    root = sys.argv[1]
    entries = list(read_manifest(os.path.join(root, "art", "manifest.txt")))
    problems = []
    for entry in entries:
        problems += check(root, *entry)
    for p in problems:
        print("FAIL:", p)
    keyed = sum(1 for e in entries if e[1] == "key")
    print("%d pictures checked (%d colour-keyed), %d problems" % (len(entries), keyed, len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
