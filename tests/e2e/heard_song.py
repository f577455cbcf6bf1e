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
