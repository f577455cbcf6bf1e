#!/usr/bin/env python3
"""A scripted player for perfect.sh: plans the shield's moves from korvane-analyze's map of
the song and makes them as relative pointer motion (XTest), each when its weapon comes down.
It listens as a player would: the song's time is what the output has played, read from a
file that grows as the sound goes out (SDL's disk capture, two buffers ahead of what is
heard; a sound server's monitor), counted from the first sound after the battle's "Bytes per
lines" line. Silence inside the song is the output running dry: the song waits, and so do we.
A player who hears late (LAG_MS) does everything that much after the sound went out. With
--taps it answers the audio sync screen instead: Space on each of 16 clicks as it hears them.
When the sound server is restarted under it (RESTART_HEARD names the new server's monitor
capture, SONG_RAW the song decoded as the output plays it, for numpy's /usr/bin/python3), it
waits for sound there, finds by correlation which part of the song it hears (near where it
went away when PAUSED_THROUGH=1: the server was restarted under a pause), goes on from
there, and prints the least a player scores who misses only the weapons it could not follow
while the sound was away.
Usage: perfect_player.py ANALYSIS_CSV GAME_LOG HEARD_FILE HELD_FRAMES STEP_FRAMES [LAG_MS]
       perfect_player.py --taps HEARD_FILE HELD_FRAMES STEP_FRAMES LAG_MS"""
import array
import ctypes
import os
import sys
import time

from battle_log import bytes_per_line

OUTPUT_RATE = 44100  # the game's output
GAP = 256  # frames of exact silence that the song itself does not hold before its end
CATCH_ROW, SHIELD_TOP_ROW, REACH = 100, 105, 70  # the 90 px shield, as the game starts
MAX_MULTIPLIER, MISS_MULTIPLIER, STREAK_PER_STEP = 5, 3, 20  # points per catch
LEFT, RIGHT, WIDTH = 40, 760, 90


def beam_x(note):
    return 100 + 10 * (note - 36) + 5  # the middle of the note's column


def shield_under(note):
    return min(max(beam_x(note) - WIDTH // 2, LEFT), RIGHT - WIDTH)


def covers(minim, note):
    # Strictly inside, 15 px clear of either edge.
    return minim + 15 <= beam_x(note) <= minim + WIDTH - 15


def read_map(path):
    rate = channels = length = 0
    weapons = []  # (position, note)
    positions = []
    for line in open(path):
        if line.startswith("# rate:"):
            fields = line.split()
            rate, channels, length = int(fields[2]), int(fields[4]), int(fields[6])
        elif line[:1].isdigit():
            _, position, note, _, kind = map(int, line.split(","))
            positions.append(position)
            if kind:
                weapons.append((position, note))
    return rate * channels * 2, positions[1] - positions[0], weapons, length


def plan(weapons, span, per_line):
    """(song position at which to move, shield's left edge): each weapon's column is reached
    half a sample before its lower end is half-way through the catch rows; the first at once."""
    aim = (CATCH_ROW - (SHIELD_TOP_ROW + 1 - REACH + SHIELD_TOP_ROW) // 2) * per_line
    moves, minim = [], None
    for position, note in weapons:
        if minim is not None and covers(minim, note):
            continue
        minim = shield_under(note)
        moves.append((position + aim - span // 2, minim))
    return moves


class CDevice:
    """The output frame being heard, from the file's growth: `held` frames behind what it holds,
    and going on smoothly for up to `step` frames until it grows again; for a player who hears
    late, that much earlier."""

    def __init__(self, capture, held, step, lag_ms=0.0):
        self.capture, self.held, self.step = capture, held, step
        self.held += lag_ms * OUTPUT_RATE / 1000
        self.handed, self.at = 0, time.monotonic()
        self.song, self.silent, self.gaps = None, 0, 0

    def playing(self):
        handed = os.path.getsize(self.capture) // 4
        if handed != self.handed:
            self.handed, self.at = handed, time.monotonic()
            if self.song:
                self.scan()
        gaps = self.gaps + (self.silent if self.silent >= GAP else 0)
        return (self.handed - self.held - gaps +
                min(self.step, (time.monotonic() - self.at) * OUTPUT_RATE))

    def scan(self):
        data = self.song.read()
        whole = len(data) // 4 * 4
        self.song.seek(whole - len(data), os.SEEK_CUR)
        for frame in array.array("i", data[:whole]):
            if frame:
                self.gaps += self.silent if self.silent >= GAP else 0
                self.silent = 0
            else:
                self.silent += 1

    def first_sound(self, start):
        """The output frame of the first sound after the start-th frame of the capture; the
        song's gaps are counted from there on."""
        deadline = time.monotonic() + 10
        self.song = f = open(self.capture, "rb")
        f.seek(start * 4)
        while time.monotonic() < deadline:
            offset, chunk = f.tell(), f.read()
            quiet = len(chunk) - len(chunk.lstrip(b"\0"))
            if quiet < len(chunk):
                f.seek((offset + quiet) // 4 * 4)
                return (offset + quiet) // 4
            time.sleep(0.002)
        sys.exit("perfect_player: the song is not heard")

    def clicks_heard(self, count):
        """Yields as each of the next `count` clicks is heard: a click is the first sound half a
        beat (0.3 s at 100 per minute) or more after the one before."""
        deadline, gap = time.monotonic() + 30, OUTPUT_RATE * 3 // 10
        self.playing()
        look, onsets = self.handed, []
        with open(self.capture, "rb") as f:
            while count and time.monotonic() < deadline:
                f.seek(look * 4)
                chunk = f.read()
                quiet = len(chunk) - len(chunk.lstrip(b"\0"))
                if quiet < len(chunk):
                    onsets.append(look + quiet // 4)
                    look = onsets[-1] + gap
                else:
                    look += len(chunk) // 4
                while count and onsets and self.playing() >= onsets[0]:
                    onsets.pop(0)
                    count -= 1
                    yield
                time.sleep(0.0005)
        if count:
            sys.exit("perfect_player: the clicks are not heard")


class CHands:
    """What a player's hands do, through the X server's test extension."""

    def __init__(self):
        self.x11, self.xtst = ctypes.CDLL("libX11.so.6"), ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XFlush.argtypes = [ctypes.c_void_p]
        self.x11.XKeysymToKeycode.argtypes = [ctypes.c_void_p, ctypes.c_ulong]
        self.xtst.XTestFakeRelativeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int,
                                                           ctypes.c_int, ctypes.c_ulong]
        self.xtst.XTestFakeKeyEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            sys.exit("perfect_player: no X display")

    def move(self, dx):
        self.xtst.XTestFakeRelativeMotionEvent(self.display, dx, 0, 0)
        self.x11.XFlush(self.display)

    def space(self):
        key = self.x11.XKeysymToKeycode(self.display, 0x20)
        self.xtst.XTestFakeKeyEvent(self.display, key, 1, 0)
        self.xtst.XTestFakeKeyEvent(self.display, key, 0, 0)
        self.x11.XFlush(self.display)


def find_in_song(song_raw, capture, frame, guess):
    """The song frame heard at the capture's `frame`, searched 5 s around `guess`."""
    from heard_song import read_song, song_frame

    window = OUTPUT_RATE * 3 // 4
    deadline = time.monotonic() + 10
    while os.path.getsize(capture) < (frame + window) * 4:
        if time.monotonic() > deadline:
            sys.exit("perfect_player: too little sound after the server's return")
        time.sleep(0.01)
    return song_frame(read_song(song_raw), capture, frame, window, guess)


def tap_clicks():
    hands = CHands()
    device = CDevice(sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), float(sys.argv[5]))
    for _ in device.clicks_heard(16):
        hands.space()
    print("perfect_player: 16 clicks tapped")


def main():
    if sys.argv[1] == "--taps":
        return tap_clicks()
    per_second, span, weapons, length = read_map(sys.argv[1])
    move = CHands().move
    per_line = bytes_per_line(sys.argv[2], "perfect_player")
    lag_ms = float(sys.argv[6]) if len(sys.argv) > 6 else 0.0
    device = CDevice(sys.argv[3], int(sys.argv[4]), int(sys.argv[5]), lag_ms)
    device.playing()
    moves = plan(weapons, span, per_line)
    move(-800)  # against the field's left edge: from here on the shield is where we think
    move(moves[0][1] - LEFT)
    song = device.first_sound(device.handed)  # the count-in is silent
    deadline = time.monotonic() + weapons[-1][0] / per_second + 30
    restart = os.environ.get("RESTART_HEARD")
    paused = os.environ.get("PAUSED_THROUGH") == "1"  # the server went away during a pause
    lost_at = None  # song frames: where the sound went away, and where it came back

    def heard():
        return (device.playing() - song) * per_second / OUTPUT_RATE

    def come_back():
        """The new server's monitor, once sound is in it: the device and the song's start there."""
        nonlocal device, song, lost_at, restart
        if time.monotonic() - device.at < 0.5 or not os.path.exists(restart):
            return False
        if lost_at is None:
            lost_at = (int(device.playing()) - song, device.at)  # a pause's silence left out
        again = CDevice(restart, int(sys.argv[4]), int(sys.argv[5]), lag_ms)
        first = again.first_sound(0)
        heard_at = time.monotonic()
        guess = lost_at[0]
        if not paused:  # the song ran on meanwhile
            guess += int((time.monotonic() - lost_at[1]) * OUTPUT_RATE)
        found = find_in_song(os.environ["SONG_RAW"], restart, first, guess)
        device, song = again, first - found
        print(f"perfect_player: the sound came back at song frame {found}, "
              f"{(found - lost_at[0]) / OUTPUT_RATE:.3f} s after it went away, "
              f"{heard_at - lost_at[1]:.3f} s later")
        lost_at, restart = (lost_at[0], found), None
        return True

    def wait_heard(position):
        while heard() < position:
            if time.monotonic() > deadline:
                sys.exit("perfect_player: the song stopped")
            if restart:
                come_back()
            time.sleep(0.002)

    shield = moves[0][1]
    for index, (position, target) in enumerate(moves[1:], 1):
        wait_heard(position)
        # Late for the next move too (the sound came back further on): straight there, in one
        # move, as a player would, not in a burst of moves the pointer cannot follow.
        if index + 1 < len(moves) and heard() >= moves[index + 1][0]:
            continue
        move(target - shield)
        shield = target
    # The last weapon, or the end as a late player hears it: the silence after the song is no
    # gap to wait out.
    wait_heard(min(weapons[-1][0], length - int((lag_ms + 100) * per_second / 1000)))
    print(f"perfect_player: {len(moves)} moves for {len(weapons)} weapons")
    if lost_at:
        # The least a player scores who misses every weapon that came down from just before the
        # loss to a second after the return, and catches every other.
        frames = per_second / OUTPUT_RATE
        first, last = lost_at[0] * frames - per_second // 5, (lost_at[1] + OUTPUT_RATE) * frames
        score, multiplier, streak, away = 0, MAX_MULTIPLIER, 0, 0
        for position, _ in weapons:
            if first <= position <= last:
                multiplier, streak, away = MISS_MULTIPLIER, 0, away + 1
                continue
            score += multiplier
            streak += 1
            if multiplier < MAX_MULTIPLIER and streak >= STREAK_PER_STEP:
                multiplier, streak = multiplier + 1, 0
        least = 100 * score // (MAX_MULTIPLIER * len(weapons))
        print(f"perfect_player: {away} weapons while the sound was away; at least {least} %")


main()
