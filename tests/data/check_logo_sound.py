#!/usr/bin/env python3
"""The logo sound must be a short chime (under 3 s, the splash lasts about 3.1 s) that the
audio engine plays as it is: 44100 Hz, 16-bit, stereo PCM WAV, and not silent.
Usage: check_logo_sound.py REPO_ROOT
"""

import array
import os
import sys
import wave


def main():
    path = os.path.join(sys.argv[1], "data", "tessel.wav")
    problems = []
    with wave.open(path, "rb") as w:
        rate, width, channels, frames = w.getframerate(), w.getsampwidth(), w.getnchannels(), w.getnframes()
        samples = array.array("h", w.readframes(frames))
    if (rate, width, channels) != (44100, 2, 2):
        problems.append("format %d Hz, %d bytes, %d channels; expected 44100 Hz 16-bit stereo" % (rate, width, channels))
    seconds = frames / rate if rate else 0
    if not 0.5 <= seconds < 3.0:
        problems.append("lasts %.2f s; expected 0.5 to 3 s" % seconds)
    peak = max((abs(s) for s in samples), default=0)
    if peak < 3000:
        problems.append("peak %d is nearly silent" % peak)
    if peak >= 32767:
        problems.append("clips (peak %d)" % peak)
    for p in problems:
        print("FAIL: tessel.wav", p)
    print("tessel.wav: %.2f s, peak %d, %d problems" % (seconds, peak, len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
