#!/usr/bin/python3
"""For perfect.sh: where the song is heard after a sound server came back, against where the
battle's lane stands, or (--preview) where the browser's preview would have been had the server
stayed. What is heard is read from the server's monitor, recorded as it plays, whose song
position is found by correlation with the song decoded as the game plays it. The lane is read
off the screen: the cannon whose column holds a weapon in the lane's top row is drawn firing,
so each change of the firing cannon (polled on the X server) marks the moment the top row
crossed a known sample of korvane-analyze's map.
Both are measured in windows of two seconds around given moments after the sound came back in the
recording (its first sound), and 3 s into the song before the loss (from the first sound
CAPTURE_BEFORE records once the battle's song is analysed: the count-in is silent), as offsets
from the wall clock: each the least late of its readings (a picture shows the lane up to a
frame's time after it stood there; the recording grows in chunks), so both read a few
milliseconds early, the lane more: 5 to 20 ms, as the window before the loss shows. So the
lane must be within the tolerance of what is heard before the loss, and after the return
within the tolerance of where it stood against what is heard before the loss. What is
heard from the first buffer after the return to the last moment must be the song itself,
frame after frame (the monitor records the game's samples as they are, a decoder's rounding
aside), but where the device ran dry: no jump back or forward. A busy machine may starve SDL's
thread of its 23 ms of buffer, with or without an outage: silence comes in, and the song goes
on from where it stopped (or a little further, never further than the silence was long).
Usage: lane_watch.py MAP_CSV GAME_LOG WINDOW_ID CAPTURE_BEFORE CAPTURE SONG_RAW SECONDS[,SECONDS...]
       [TOLERANCE_MS]
       lane_watch.py --preview CAPTURE_BEFORE FRAME CAPTURE SONG_RAW SECONDS [TOLERANCE_MS]
With --preview the moment before the loss is two seconds after the preview was first heard in
CAPTURE_BEFORE from its FRAME on (the server goes later), and the preview must come back within
the tolerance of where it stood against the wall clock then."""
import ctypes
import os
import sys
import time

import numpy

from battle_log import bytes_per_line
from heard_song import OUTPUT_RATE, read_frames, read_song, song_frame, song_path

TOP_ROW = 399  # rows of the lane above the catch line
CANNONS, CANNON_LEFT, CANNON_TOP, GLOW_ROWS = 60, 100, 37, 13  # where a firing cannon glows
HALF_WINDOW = 1.0  # seconds either side of each moment
SONG_WINDOW = OUTPUT_RATE * 6 // 5  # frames correlated
CHUNK = 4096  # frames of the recording matched with the song at a time


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class CCannons:
    """Which cannon the game window shows firing now: its column, or -1."""

    def __init__(self, window):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XGetImage.restype = ctypes.POINTER(XImage)
        self.x11.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_uint, ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        self.x11.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            sys.exit("lane_watch: no X display")
        self.window = window

    def firing(self):
        width = CANNONS * 10
        image = self.x11.XGetImage(self.display, self.window, CANNON_LEFT, CANNON_TOP, width,
                                   GLOW_ROWS, 0xFFFFFFFF, 2)  # ZPixmap, 32 bits a pixel
        if not image:
            return None
        line = image.contents.bytes_per_line
        pixels = numpy.frombuffer(ctypes.string_at(image.contents.data, line * GLOW_ROWS),
                                  numpy.uint8).reshape(GLOW_ROWS, line // 4, 4)[:, :width]
        self.x11.XDestroyImage(image)
        blue, green, red = (pixels[:, :, i].astype(int) for i in range(3))
        glow = ((red > 200) & (green > 150) & (blue < 160)).sum(axis=0)
        per_cannon = glow.reshape(CANNONS, 10).sum(axis=1)
        best = int(per_cannon.argmax())
        return best if per_cannon[best] >= 20 else -1


class CHeard:
    """What the monitor recording says is heard: its frames, found in the song."""

    def __init__(self, capture, song_raw):
        self.capture = capture
        self.left, self.song = read_song(song_raw), read_frames(song_raw)
        self.guess = None  # song frame at the recording's first sound, once found
        self.first = None

    def frames(self):
        return os.path.getsize(self.capture) // 4 if os.path.exists(self.capture) else 0

    def wait_first_sound(self, seconds, after=0):
        """The recording's first frame of sound from frame `after` on, and when it was seen."""
        deadline, seen = time.monotonic() + seconds, after * 4
        while time.monotonic() < deadline:
            size = self.frames() * 4
            if size > seen:
                with open(self.capture, "rb") as f:
                    f.seek(seen)
                    chunk = f.read(size - seen)
                quiet = len(chunk) - len(chunk.lstrip(b"\0"))
                if quiet < len(chunk):
                    self.first = (seen + quiet) // 4
                    return self.first, time.monotonic()
                seen = size
            time.sleep(0.002)
        sys.exit(f"lane_watch: no sound in {self.capture}")

    def song_at(self, frame):
        """The song frame heard at the recording's `frame`: 5 s around where it should be, or
        anywhere in the song the first time."""
        guess = None if self.guess is None else self.guess + frame - self.first
        found = song_frame(self.left, self.capture, frame, SONG_WINDOW, guess)
        self.guess = found - (frame - self.first)
        return found

    def path(self, start, end):
        """(recording frame, song frame) of each stretch of the recording from `start` to `end`
        that is the song's own, frame after frame."""
        reference = max(self.first, end - SONG_WINDOW - OUTPUT_RATE // 10)
        expected = self.song_at(reference) - (reference - start)
        heard = read_frames(self.capture, start, end - start)
        return [(start + at, song) for at, song in song_path(self.song, heard, expected)]

    def breaks(self, seconds):
        """The breaks in the `seconds` after the first buffer heard again, against the song
        frame after frame from where that buffer left it: (recording frame, song frames it
        moved by, silent frames before it), and the silent frames in all. Where the device ran
        dry (a busy machine starves SDL's thread of its 23 ms) a stretch of silence comes in
        and the song goes on from where it stopped, or a little further: no further than the
        silence was long."""
        start = self.first + 1024
        path = self.path(start, start + int(seconds * OUTPUT_RATE))
        silence = read_frames(self.capture, start, int(seconds * OUTPUT_RATE))[:, 0] == 0
        steps = []
        for (was_at, was), (at, now) in zip(path, path[1:]):
            moved = (now - was) - (at - was_at)
            if moved:
                steps.append((at - start, moved, int(silence[was_at - start:at - start].sum())))
        return steps, sum(silent for _, moved, silent in steps if -silent <= moved <= 0)

    def offset(self, readings):
        """Song frame heard minus output frames of wall time, from (time, recording frames):
        each stretch of the recording that is the song's own, timed by the first reading that
        holds its end (and followed to that reading's frames, so a device that ran dry before
        it shifts nothing), the least late of them."""
        start = max(self.first, readings[0][1] - CHUNK)
        best, index = None, 0
        for at, song in self.path(start, readings[-1][1]):
            while index < len(readings) and readings[index][1] < at + CHUNK:
                index += 1
            if index == len(readings):
                break
            seen, frames = readings[index]
            value = song + min(frames - at, 2 * CHUNK) - OUTPUT_RATE * seen
            best = value if best is None else max(best, value)
        return best


def read_map(path):
    """(position of each sample, the cannon that fires while it is in the lane's top row)."""
    samples = []
    for line in open(path):
        if line[:1].isdigit():
            _, position, note, _, kind = map(int, line.split(","))
            samples.append((position, note - 36 if kind and 36 <= note <= 95 else -1))
    return samples


def lane_offset(changes, samples, per_line, near):
    """Lane frame minus output frames of wall time, from (time, cannon before, cannon after)
    changes, each explained by a boundary of the map within 5 s of `near`: those that agree
    within a frame of the game, the most there are."""
    boundaries = {}
    for (_, before), (position, after) in zip(samples, samples[1:]):
        if before != after:
            boundaries.setdefault((before, after), []).append((position - TOP_ROW * per_line) // 4)
    found = sorted(frame - OUTPUT_RATE * at for at, before, after in changes
                   for frame in boundaries.get((before, after), [])
                   if abs(frame - OUTPUT_RATE * at - near) < 5 * OUTPUT_RATE)
    spread = OUTPUT_RATE * 0.025
    groups = [[f for f in found if low <= f <= low + spread] for low in found]
    agreeing = max(groups, key=len, default=[])
    return agreeing


def watch(seconds, cannons, heard):
    """(time, recording frames) and (time, cannon before, cannon after) for `seconds`."""
    readings, changes = [], []
    last = cannons.firing() if cannons else None
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        now = time.monotonic()
        readings.append((now, heard.frames()))
        if cannons:
            column = cannons.firing()
            if column is not None and column != last:
                changes.append((now, last, column))
                last = column
        time.sleep(0.001)
    return readings, changes


def sleep_until(moment):
    while time.monotonic() < moment:
        time.sleep(0.005)


def compare(moment, readings, changes, heard, samples, per_line):
    """Prints where the lane stood against what was heard: milliseconds, or None when that
    could not be told."""
    sound = heard.offset(readings)
    agreeing = [] if sound is None else lane_offset(changes, samples, per_line, sound)
    if len(agreeing) < 3:
        print(f"lane_watch: {moment} {len(changes)} changes of the firing cannon, "
              f"{len(agreeing)} explained by the map alike"
              + ("" if sound is not None else ", nothing of the song heard"))
        return None
    difference_ms = (max(agreeing) - sound) * 1000 / OUTPUT_RATE
    spread_ms = (max(agreeing) - min(agreeing)) * 1000 / OUTPUT_RATE
    print(f"lane_watch: {moment} the lane is {difference_ms:+.1f} ms from what is heard "
          f"({len(agreeing)} of {len(changes)} cannon changes, {spread_ms:.0f} ms apart)")
    return difference_ms


def battle(arguments):
    map_csv, log, window, before, capture, song_raw, moments = arguments[:7]
    tolerance_ms = float(arguments[7]) if len(arguments) > 7 else 30.0
    samples, per_line = read_map(map_csv), bytes_per_line(log, "lane_watch")
    cannons = CCannons(int(window, 0))
    # Before the loss, as a player heard the song from its start (after the silent count-in):
    # how early this reads the lane where nothing went wrong.
    earlier = CHeard(before, song_raw)
    _, started_at = earlier.wait_first_sound(30, earlier.frames())
    sleep_until(started_at + 3 - HALF_WINDOW)
    early = compare("3 s into the song", *watch(2 * HALF_WINDOW, cannons, earlier), earlier,
                    samples, per_line)
    failed = early is None or abs(early) > tolerance_ms
    heard = CHeard(capture, song_raw)
    first, back_at = heard.wait_first_sound(90)
    print(f"lane_watch: sound back at frame {first} of the recording")
    for moment in map(float, moments.split(",")):
        sleep_until(back_at + moment - HALF_WINDOW)
        after = compare(f"{moment:g} s after the return", *watch(2 * HALF_WINDOW, cannons, heard),
                        heard, samples, per_line)
        if after is not None and early is not None:
            print(f"lane_watch: that is {after - early:+.1f} ms from where it was before the loss")
        failed |= after is None or early is None or abs(after - early) > tolerance_ms
    return failed | broken(heard, moment)


def broken(heard, seconds):
    """Prints how the sound went on after its return; true when it jumped, back or forward,
    other than where the device ran dry."""
    steps, dry = heard.breaks(seconds)
    jumps = [(at, moved) for at, moved, silent in steps if not -silent <= moved <= 0]
    print(f"lane_watch: the {seconds:g} s after the first buffer heard again are the song, frame "
          f"after frame, but for {len(steps) - len(jumps)} times the device ran dry "
          f"({dry * 1000 // OUTPUT_RATE} ms of silence) and {len(jumps)} jumps"
          + "".join(f"; {moved:+d} frames {at / OUTPUT_RATE:.2f} s in" for at, moved in jumps))
    return bool(jumps)


def preview(arguments):
    before, after, capture, song_raw, moment = arguments[:5]
    tolerance_ms = float(arguments[5]) if len(arguments) > 5 else 30.0
    earlier = CHeard(before, song_raw)
    _, first_at = earlier.wait_first_sound(30, int(after))
    sleep_until(first_at + 2 - HALF_WINDOW)  # up to a second before the server goes
    went = earlier.offset(watch(2 * HALF_WINDOW, None, earlier)[0])
    heard = CHeard(capture, song_raw)
    first, back_at = heard.wait_first_sound(60)
    print(f"lane_watch: the preview back at frame {first} of the recording")
    sleep_until(back_at + float(moment) - HALF_WINDOW)
    came = heard.offset(watch(2 * HALF_WINDOW, None, heard)[0])
    if went is None or came is None:
        print("lane_watch: the preview not found in the song")
        return True
    difference_ms = (came - went) * 1000 / OUTPUT_RATE
    print(f"lane_watch: {float(moment):g} s after the return the preview is "
          f"{difference_ms:+.1f} ms from where it would have been")
    return abs(difference_ms) > tolerance_ms or broken(heard, float(moment))


def main():
    failed = preview(sys.argv[2:]) if sys.argv[1] == "--preview" else battle(sys.argv[1:])
    sys.exit(1 if failed else 0)


main()
