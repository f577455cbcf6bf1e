"""Minimal PNG reading and writing with the standard library only.

Used by tools/render-art (to key rendered art onto magenta) and by the data
tests (to inspect the committed pictures), so neither needs an imaging
package. Reads 8-bit greyscale, grey+alpha, RGB, RGBA and palette images,
non-interlaced (what rsvg-convert and ImageMagick write); anything else
raises ValueError with the reason.
"""

import struct
import zlib

PNG_SIGNATURE = b"\x89PNG\r\n\x1a\n"
CHANNELS = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}


class Image:
    """Pixels as one flat bytearray of RGBA, row by row."""

    def __init__(self, width, height, rgba):
        self.width = width
        self.height = height
        self.rgba = rgba

    def pixel(self, x, y):
        i = 4 * (y * self.width + x)
        return tuple(self.rgba[i : i + 4])


def _chunks(data):
    pos = len(PNG_SIGNATURE)
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos : pos + 8])
        body = data[pos + 8 : pos + 8 + length]
        if len(body) != length:
            raise ValueError("truncated chunk")
        yield kind, body
        pos += 12 + length


def _paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def _unfilter(raw, height, stride, bpp):
    out = bytearray(height * stride)
    prev = bytearray(stride)
    pos = 0
    for y in range(height):
        ftype = raw[pos]
        line = bytearray(raw[pos + 1 : pos + 1 + stride])
        pos += 1 + stride
        if ftype == 1:
            for i in range(bpp, stride):
                line[i] = (line[i] + line[i - bpp]) & 0xFF
        elif ftype == 2:
            line = bytearray((a + b) & 0xFF for a, b in zip(line, prev))
        elif ftype == 3:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + ((left + prev[i]) >> 1)) & 0xFF
        elif ftype == 4:
            for i in range(stride):
                left = line[i - bpp] if i >= bpp else 0
                upleft = prev[i - bpp] if i >= bpp else 0
                line[i] = (line[i] + _paeth(left, prev[i], upleft)) & 0xFF
        elif ftype != 0:
            raise ValueError("unknown filter type %d" % ftype)
        out[y * stride : (y + 1) * stride] = line
        prev = line
    return out


def read(path):
    with open(path, "rb") as f:
        data = f.read()
    if not data.startswith(PNG_SIGNATURE):
        raise ValueError("not a PNG file")
    header = None
    palette = b""
    transparency = b""
    idat = []
    for kind, body in _chunks(data):
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"PLTE":
            palette = body
        elif kind == b"tRNS":
            transparency = body
        elif kind == b"IDAT":
            idat.append(body)
    if header is None:
        raise ValueError("no IHDR chunk")
    width, height, depth, ctype, _, _, interlace = header
    if depth != 8 or ctype not in CHANNELS or interlace:
        raise ValueError("unsupported PNG: depth %d, colour type %d, interlace %d" % (depth, ctype, interlace))
    bpp = CHANNELS[ctype]
    pixels = _unfilter(zlib.decompress(b"".join(idat)), height, width * bpp, bpp)
    if ctype == 6:
        return Image(width, height, pixels)
    rgba = bytearray(width * height * 4)
    if ctype == 2:
        rgba[0::4], rgba[1::4], rgba[2::4] = pixels[0::3], pixels[1::3], pixels[2::3]
        rgba[3::4] = b"\xff" * (width * height)
        if len(transparency) == 6:
            key = (transparency[1], transparency[3], transparency[5])
            for i in range(width * height):
                if tuple(pixels[3 * i : 3 * i + 3]) == key:
                    rgba[4 * i + 3] = 0
    elif ctype == 0:
        for c in range(3):
            rgba[c::4] = pixels
        rgba[3::4] = b"\xff" * (width * height)
    elif ctype == 4:
        for c in range(3):
            rgba[c::4] = pixels[0::2]
        rgba[3::4] = pixels[1::2]
    else:
        for i, index in enumerate(pixels):
            rgba[4 * i : 4 * i + 3] = palette[3 * index : 3 * index + 3]
            rgba[4 * i + 3] = transparency[index] if index < len(transparency) else 255
    return Image(width, height, rgba)


def _chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)


def write_rgb(path, image):
    """Writes the image as an opaque 8-bit RGB PNG (alpha is dropped)."""
    w, h = image.width, image.height
    rgb = bytearray(w * h * 3)
    rgb[0::3], rgb[1::3], rgb[2::3] = image.rgba[0::4], image.rgba[1::4], image.rgba[2::4]
    stride = 3 * w
    raw = bytearray()
    for y in range(h):
        raw.append(0)
        raw += rgb[y * stride : (y + 1) * stride]
    with open(path, "wb") as f:
        f.write(PNG_SIGNATURE)
        f.write(_chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 2, 0, 0, 0)))
        f.write(_chunk(b"IDAT", zlib.compress(bytes(raw), 9)))
        f.write(_chunk(b"IEND", b""))


def key_onto_magenta(image):
    """Every pixel under half alpha becomes pure magenta, every other one opaque."""
    px = image.rgba
    for i in range(0, len(px), 4):
        if px[i + 3] < 128:
            px[i : i + 4] = b"\xff\x00\xff\xff"
        else:
            px[i + 3] = 255
    return image


def flatten(image, background=(0, 0, 0)):
    """Composites the image over a plain colour, leaving it opaque."""
    px = image.rgba
    br, bg, bb = background
    for i in range(0, len(px), 4):
        a = px[i + 3]
        if a != 255:
            px[i] = (px[i] * a + br * (255 - a) + 127) // 255
            px[i + 1] = (px[i + 1] * a + bg * (255 - a) + 127) // 255
            px[i + 2] = (px[i + 2] * a + bb * (255 - a) + 127) // 255
            px[i + 3] = 255
    return image
