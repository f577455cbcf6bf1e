#!/usr/bin/env python3
"""Runs the game's own analysis (korvane-analyze) on every demo song in music/ and wants a
playable level from each: at least one weapon per second on average, and weapons whose
notes spread over at least two octaves of the cannons (5th to 95th percentile).
Usage: check_songs_game.py KORVANE_ANALYZE REPO_ROOT
"""

import os
import subprocess
import sys

SAMPLE_SPACING_S = 4096 / 44100  # one analysed half block, for the songs' 44.1 kHz


def main():
    tool, root = sys.argv[1], sys.argv[2]
    folder = os.path.join(root, "music")
    songs = sorted(f for f in os.listdir(folder) if f.lower().endswith((".ogg", ".mp3")))
    problems = [] if songs else ["no songs in music/"]
    for song in songs:
        result = subprocess.run([tool, os.path.join(folder, song)], capture_output=True, text=True)
        if result.returncode != 0:
            problems.append("%s: korvane-analyze failed (%d)" % (song, result.returncode))
            continue
        rows = [line.split(",") for line in result.stdout.splitlines() if line[:1].isdigit()]
        notes = sorted(int(r[2]) for r in rows if r[4] != "0")
        seconds = len(rows) * SAMPLE_SPACING_S
        if not notes or seconds <= 0:
            problems.append("%s: no weapons" % song)
            continue
        low, high = notes[len(notes) * 5 // 100], notes[len(notes) * 95 // 100]
        per_second = len(notes) / seconds
        print("%-24s %4d weapons in %.1f s (%.1f/s), notes %d..%d" % (song, len(notes), seconds, per_second, low, high))
        if per_second < 1.0:
            problems.append("%s: %.2f weapons per second" % (song, per_second))
        if high - low < 24:
            problems.append("%s: weapons only over notes %d..%d" % (song, low, high))
    for p in problems:
        print("FAIL:", p)
    print("%d songs analysed, %d problems" % (len(songs), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
