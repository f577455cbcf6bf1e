"""Which part of a song a recording of what was heard holds, for the end-to-end players: the
song frame at a frame of the recording, by normalised cross-correlation of `window` frames of it
(left channels) with the song, within `span` frames of a guess or anywhere. The demo songs
repeat bars almost exactly, so the window must be long (a second or so) to pick the right
one: a third of a second matches a repeat 60 ms away nearly as well."""
import numpy

OUTPUT_RATE = 44100


def read_song(path):
    """The song's left channel, as the game plays it (s16le stereo at the output rate)."""
    return numpy.fromfile(path, "<i2")[0::2].astype(float)


def song_frame(song, capture, frame, window, guess=None, span=5 * OUTPUT_RATE):
    heard = numpy.fromfile(capture, "<i2", window * 2, offset=frame * 4)[0::2].astype(float)
    start = 0 if guess is None else max(0, guess - span)
    part = song[start:len(song) if guess is None else guess + span + window]
    size = 1 << (len(part) + window).bit_length()
    scores = numpy.fft.irfft(numpy.fft.rfft(part, size) * numpy.conj(numpy.fft.rfft(heard, size)),
                             size)[:len(part) - window + 1]
    energy = numpy.concatenate(([0.0], numpy.cumsum(part * part)))
    scores /= numpy.sqrt(energy[window:window + len(scores)] - energy[:len(scores)]) + 1e-9
    return start + int(numpy.argmax(scores))


def read_frames(path, first=0, count=-1):
    """Stereo frames of a raw s16le file, as integers."""
    return numpy.fromfile(path, "<i2", count * 2 if count > 0 else -1,
                          offset=first * 4).reshape(-1, 2).astype(numpy.int32)


def song_path(song, heard, expected, chunk=4096, span=OUTPUT_RATE // 2):
    """(frame of `heard`, song frame) for every chunk of `heard` that is the song's own (within a
    decoder's rounding), each searched within `span` of where the one before leads (the first
    at `expected`); silent chunks and chunks with a break inside are left out. `song` and
    `heard` are stereo frames."""
    path = []
    for at in range(0, len(heard) - chunk + 1, chunk):
        part = heard[at:at + chunk]
        if not part[:, 0].any():
            expected += chunk
            continue
        low, high = max(0, expected - span), min(len(song) - chunk, expected + span)
        starts = numpy.nonzero(numpy.abs(song[low:high, 0] - part[0, 0]) <= 4)[0] + low
        found = next((s for s in starts[numpy.argsort(numpy.abs(starts - expected))]
                      if numpy.abs(song[s:s + 64] - part[:64]).max() <= 4 and
                      numpy.abs(song[s:s + chunk] - part).max() <= 4), None)
        if found is not None:
            path.append((at, int(found)))
            expected = int(found)
        expected += chunk
    return path
