#!/usr/bin/python3
"""Quick spectral check of the demo songs in music/: each must be a real level for the game.

For every song (OGG and MP3) it checks the tags (title, artist), the length (60..90 s), and
runs a close copy of the game's song analysis on the decoded audio: FFT blocks of 8192
frames every 4096 frames, no window, note levels 0..1000 with the game's loudness curve and
level scaling, the dominant note of each block, the note smoothing, the outlier correction
and the minimum intensity (10th percentile). It then wants at least one weapon per second
on average and a melody spread over at least two octaves of the cannon notes 36..95
(5th to 95th percentile of the weapons' notes). The octave folding step is left out: the
songs never leap by more than an octave.
Needs numpy (python3-numpy) and ffmpeg/ffprobe. Usage: check_songs.py REPO_ROOT
"""

import json
import os
import subprocess
import sys

import numpy as np

BLOCK = 8192
WEIGHTS = [0.55, 0.56, 0.57, 0.59, 0.60, 0.61, 0.63, 0.64, 0.65, 0.67, 0.68, 0.69,
           0.71, 0.72, 0.73, 0.74, 0.75, 0.76, 0.77, 0.78, 0.79, 0.80, 0.81, 0.82,
           0.83, 0.84, 0.86, 0.87, 0.89, 0.90, 0.92, 0.93, 0.95, 0.96, 0.98, 0.99,
           1.00, 0.97, 0.95, 0.92, 0.90, 0.87, 0.85, 0.82, 0.80, 0.77, 0.75, 0.72,
           0.71, 0.70, 0.69, 0.67, 0.66, 0.65, 0.63, 0.62, 0.61, 0.59, 0.58, 0.57]


def probe(path):
    out = subprocess.run(["ffprobe", "-v", "error", "-show_format", "-show_streams", "-of", "json", path],
                         capture_output=True, text=True, check=True).stdout
    info = json.loads(out)
    tags = {k.lower(): v for k, v in info["format"].get("tags", {}).items()}
    for stream in info["streams"]:
        tags.update({k.lower(): v for k, v in stream.get("tags", {}).items()})
    rate = int(info["streams"][0]["sample_rate"])
    return tags, float(info["format"]["duration"]), rate


def decode(path):
    raw = subprocess.run(["ffmpeg", "-v", "error", "-i", path, "-f", "s16le", "-ac", "2", "-"],
                         capture_output=True, check=True).stdout
    return np.frombuffer(raw, dtype="<i2").reshape(-1, 2).astype(np.float64)


def note_levels(pcm, rate):
    peak = max(1.0, np.abs(pcm).max())
    multiplier = np.float32(32767.0 / peak)
    mono = pcm.mean(axis=1) / 32768.0
    freqs = 440.0 * 2.0 ** ((np.arange(96) - 57) / 12.0)
    bins = np.maximum(1, np.floor(freqs * BLOCK / rate).astype(int))
    weights = np.array([1.0] * 36 + WEIGHTS)
    levels = []
    for start in range(0, len(mono) - BLOCK, BLOCK // 2):
        spectrum = np.abs(np.fft.rfft(mono[start:start + BLOCK]))[:BLOCK // 2] * 2 / BLOCK
        value = np.trunc(spectrum[bins] * multiplier * 1000.0)
        levels.append(np.minimum(1000, np.trunc(value * 10 * weights)))
    levels = np.array(levels, dtype=np.int64)
    if len(levels):
        levels[-1] = 0  # the last sample is silenced
    return levels


def find_dominant(level, low, high):
    sums = np.zeros(12, dtype=np.int64)
    for n in range(max(48, low), high + 1):
        sums[n % 12] += level[n]
    best = int(np.argmax(sums)) if sums.max() > 0 else 0
    dominant = low
    for octave in range(3, 8):
        n = 12 * octave + best
        if low <= n <= high and level[n] >= level[dominant]:
            dominant = n
    return dominant


def melody(levels):
    notes = []
    for level in levels:
        low = 36 if not notes else min(48, max(36, notes[-1] - 6))
        notes.append(find_dominant(level, low, 95))
    # Smoothing: keep the previous note where the levels are close.
    for i in range(1, len(notes) - 1):
        p, d = notes[i - 1], notes[i]
        if p != d:
            gap = abs(d - p)
            threshold = 15 if gap < 12 else (300 if gap % 12 == 0 else 150)
            if abs(levels[i][d] - levels[i][p]) < threshold:
                notes[i] = p
    # Outliers: notes more than 12 away from their 20-sample window's average are picked again.
    for w in range(0, len(notes), 20):
        window = notes[w:w + 20]
        avg = sum(window) // len(window)
        for i in range(w, w + len(window)):
            if abs(notes[i] - avg) > 12:
                low = avg - 12 if avg - 12 > 36 else 36
                high = avg + 12 if avg + 12 < 95 else 95
                if low < 48 and i > 0:
                    low = max(low, notes[i - 1] - 6)
                notes[i] = find_dominant(levels[i], low, high)
    dominant_levels = np.array([levels[i][n] for i, n in enumerate(notes)])
    return np.array(notes), dominant_levels


def min_intensity(dominant_levels):
    total = len(dominant_levels)
    for i in range(99, 0, -1):
        if np.count_nonzero(dominant_levels >= 10 * i) * 100 // total >= 90:
            return 10 * i
    return 10


def check(path):
    problems = []
    tags, seconds, rate = probe(path)
    for key in ("title", "artist"):
        if not tags.get(key):
            problems.append("no %s tag" % key)
    if not 60 <= seconds <= 90:
        problems.append("lasts %.1f s, not 60..90 s" % seconds)
    levels = note_levels(decode(path), rate)
    notes, dominant_levels = melody(levels)
    threshold = min_intensity(dominant_levels)
    weapon_notes = notes[dominant_levels >= threshold]
    per_second = len(weapon_notes) / seconds
    low, high = np.percentile(weapon_notes, [5, 95]).astype(int)
    octaves = sorted({int(n) // 12 for n in weapon_notes if np.count_nonzero(weapon_notes // 12 == n // 12) >= 0.05 * len(weapon_notes)})
    if per_second < 1.0:
        problems.append("%.2f weapons per second, fewer than 1" % per_second)
    if high - low < 24:
        problems.append("melody spans notes %d..%d, less than two octaves" % (low, high))
    print("%-26s %5.1f s  '%s' by %s  min intensity %d  %4d weapons (%.1f/s)  notes %d..%d  octaves %s" % (
        os.path.basename(path), seconds, tags.get("title", "?"), tags.get("artist", "?"), threshold,
        len(weapon_notes), per_second, low, high, ",".join(map(str, octaves))))
    return ["%s: %s" % (os.path.basename(path), p) for p in problems]


def main():
    folder = os.path.join(sys.argv[1], "music")
    songs = sorted(f for f in os.listdir(folder) if f.lower().endswith((".ogg", ".mp3")))
    problems = []
    if len(songs) < 6:
        problems.append("expected three songs in OGG and MP3, found %d files" % len(songs))
    size = sum(os.path.getsize(os.path.join(folder, f)) for f in os.listdir(folder))
    if size > 8 * 1024 * 1024:
        problems.append("music/ holds %.1f MB, more than 8 MB" % (size / 1048576))
    for song in songs:
        problems += check(os.path.join(folder, song))
    for p in problems:
        print("FAIL:", p)
    print("%d songs checked, %d problems" % (len(songs), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
