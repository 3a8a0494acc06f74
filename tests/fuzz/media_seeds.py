"""Small valid media files for the reader targets, written byte by byte so every layout the
readers tell apart is there without a tool that writes it: PNG, TIFF, OpenEXR, y4m and raw RGBA
frames. DPX comes from FFmpeg's encoder (make-seeds). Pictures are a few pixels, so each file
is a few hundred bytes."""
import struct
import zlib


def ramp(width, height, channels, top):
    """Samples that differ across the picture, row-major, as whole numbers up to top."""
    return [((x * 37 + y * 11 + c * 53) * 97) % (top + 1)
            for y in range(height) for x in range(width) for c in range(channels)]


# PNG ---------------------------------------------------------------------------------------

def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))


# Adam7's passes: first column and row, then the step between them.
_ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def png(width, height, colour, depth, interlaced=False, palette=None):
    channels = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour]
    samples = ramp(width, height, channels, (1 << depth) - 1 if colour != 3 else len(palette) // 3 - 1)
    fmt = ">%dH" if depth == 16 else ">%dB"

    def rows(x0, y0, dx, dy):
        out = b""
        for y in range(y0, height, dy):
            row = [s for x in range(x0, width, dx) for s in samples[(y * width + x) * channels:][:channels]]
            if row:
                out += b"\0" + struct.pack(fmt % len(row), *row)
        return out
    raw = b"".join(rows(*p) for p in _ADAM7) if interlaced else rows(0, 0, 1, 1)
    out = b"\x89PNG\r\n\x1a\n" + _chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, depth, colour, 0, 0,
                                                             int(interlaced)))
    if palette:
        out += _chunk(b"PLTE", bytes(palette)) + _chunk(b"tRNS", bytes([0, 128]))
    return out + _chunk(b"IDAT", zlib.compress(raw)) + _chunk(b"IEND", b"")


# TIFF --------------------------------------------------------------------------------------

def tiff(width, height, spp, bits, *, big=False, fmt=1, photometric=None, planar=1, tile=None,
         rows_per_strip=4, deflate=False, colormap=None):
    """Strips (or tiles of `tile` pixels), contiguous or separate planes, uncompressed or
    deflated; samples are unsigned (fmt 1) or IEEE floats (fmt 3)."""
    e = ">" if big else "<"
    code = {8: "B", 16: "H", 32: "f" if fmt == 3 else "I"}[bits]
    top = (1 << bits) - 1 if fmt == 1 else 1
    samples = ramp(width, height, spp, 255 if fmt == 3 else top)
    if fmt == 3:
        samples = [s / 255.0 for s in samples]
    photometric = photometric if photometric is not None else (2 if spp >= 3 else 1)

    def pack(values):
        return struct.pack(e + code * len(values), *values)

    def at(x, y, c):
        return samples[(y * width + x) * spp + c] if x < width and y < height else 0
    planes = range(spp) if planar == 2 else [None]
    blocks = []
    if tile:
        tw, th = tile
        for p in planes:
            for ty in range(0, height, th):
                for tx in range(0, width, tw):
                    cs = [p] if p is not None else range(spp)
                    blocks.append(pack([at(tx + x, ty + y, c) for y in range(th) for x in range(tw) for c in cs]))
    else:
        for p in planes:
            for y0 in range(0, height, rows_per_strip):
                cs = [p] if p is not None else range(spp)
                ys = range(y0, min(y0 + rows_per_strip, height))
                blocks.append(pack([at(x, y, c) for y in ys for x in range(width) for c in cs]))
    if deflate:
        blocks = [zlib.compress(b) for b in blocks]
    data = b""
    offsets = []
    for b in blocks:
        offsets.append(8 + len(data))
        data += b + (b"\0" if len(b) % 2 else b"")
    extra = b""  # values too long for their entry, after the pixels

    def entry(tag, kind, values):
        nonlocal extra
        packed = struct.pack(e + ("H" if kind == 3 else "I") * len(values), *values)
        if len(packed) <= 4:
            return struct.pack(e + "HHI", tag, kind, len(values)) + packed.ljust(4, b"\0")
        at_ = 8 + len(data) + len(extra)
        extra += packed
        return struct.pack(e + "HHII", tag, kind, len(values), at_)
    tags = [(256, 4, [width]), (257, 4, [height]), (258, 3, [bits] * spp), (259, 3, [8 if deflate else 1]),
            (262, 3, [photometric])]
    if not tile:
        tags.append((273, 4, offsets))
    tags += [(277, 3, [spp])]
    if not tile:
        tags += [(278, 4, [rows_per_strip]), (279, 4, [len(b) for b in blocks])]
    tags.append((284, 3, [planar]))
    if colormap:
        tags.append((320, 3, colormap))
    if tile:
        tags += [(322, 4, [tile[0]]), (323, 4, [tile[1]]), (324, 4, offsets), (325, 4, [len(b) for b in blocks])]
    if (photometric == 2 and spp == 4) or (photometric == 1 and spp == 2):
        tags.append((338, 3, [2]))
    tags.append((339, 3, [fmt] * spp))
    entries = b"".join(entry(*t) for t in tags)
    ifd_at = 8 + len(data) + len(extra)
    head = (b"MM\0*" if big else b"II*\0") + struct.pack(e + "I", ifd_at)
    return head + data + extra + struct.pack(e + "H", len(tags)) + entries + struct.pack(e + "I", 0)


# OpenEXR -----------------------------------------------------------------------------------

def _attr(name, kind, value):
    return name.encode() + b"\0" + kind.encode() + b"\0" + struct.pack("<i", len(value)) + value


def _box(x0, y0, x1, y1):
    return struct.pack("<4i", x0, y0, x1, y1)


def _exr_header(channels, data, display, *, tiles=None, extra=b""):
    chlist = b"".join(n.encode() + b"\0" + struct.pack("<iB3xii", kind, 0, 1, 1) for n, kind in channels) + b"\0"
    out = _attr("channels", "chlist", chlist) + _attr("compression", "compression", b"\0")
    out += _attr("dataWindow", "box2i", _box(*data)) + _attr("displayWindow", "box2i", _box(*display))
    out += _attr("lineOrder", "lineOrder", b"\0") + _attr("pixelAspectRatio", "float", struct.pack("<f", 1))
    out += _attr("screenWindowCenter", "v2f", struct.pack("<ff", 0, 0))
    out += _attr("screenWindowWidth", "float", struct.pack("<f", 1))
    if tiles:
        out += _attr("tiles", "tiledesc", struct.pack("<IIB", tiles[0], tiles[1], 0))
    return out + extra + b"\0"


def _exr_lines(channels, x0, x1, ys, shade):
    """Uncompressed samples of lines `ys`: each line holds every channel's run in turn."""
    out = b""
    for y in ys:
        for i, (_, kind) in enumerate(channels):
            values = [((x * 3 + y * 5 + i * 7 + shade) % 17) / 16.0 for x in range(x0, x1 + 1)]
            out += struct.pack("<%d%s" % (len(values), "e" if kind == 1 else "f"), *values)
    return out


def _exr_scanline_chunks(channels, data, shade=0, part=None):
    x0, y0, x1, y1 = data
    lead = struct.pack("<i", part) if part is not None else b""
    return [lead + struct.pack("<ii", y, len(pix)) + pix
            for y in range(y0, y1 + 1) for pix in [_exr_lines(channels, x0, x1, [y], shade)]]


def _exr_file(flags, headers, tables):
    """The magic, version and headers, then each part's offset table and its chunks."""
    head = b"v/1\x01" + struct.pack("<I", 2 | flags) + b"".join(headers)
    at = len(head) + 8 * sum(len(t) for t in tables)
    offsets, body = b"", b""
    for chunks in tables:
        for c in chunks:
            offsets += struct.pack("<Q", at + len(body))
            body += c
    return head + offsets + body


def exr_scanline(width, height, kind=1, names="ABGR", data=None, extra=b""):
    channels = [(n, kind) for n in names]
    data = data or (0, 0, width - 1, height - 1)
    header = _exr_header(channels, data, (0, 0, width - 1, height - 1), extra=extra)
    return _exr_file(0, [header], [_exr_scanline_chunks(channels, data)])


def exr_tiled(width, height, tile, kind=1):
    channels = [(n, kind) for n in "ABGR"]
    header = _exr_header(channels, (0, 0, width - 1, height - 1), (0, 0, width - 1, height - 1), tiles=tile)
    chunks = []
    for ty in range(0, (height + tile[1] - 1) // tile[1]):
        for tx in range(0, (width + tile[0] - 1) // tile[0]):
            x0, y0 = tx * tile[0], ty * tile[1]
            x1, y1 = min(x0 + tile[0], width) - 1, min(y0 + tile[1], height) - 1
            pix = _exr_lines(channels, x0, x1, range(y0, y1 + 1), 0)
            chunks.append(struct.pack("<iiiii", tx, ty, 0, 0, len(pix)) + pix)
    return _exr_file(0x200, [header], [chunks])


def exr_multiview(width, height, kind=1):
    """One part: the left view's channels unprefixed, the right's as right.R and so on."""
    names = ["left", "right"]
    views = struct.pack("<i", len(names[0])) + names[0].encode() + struct.pack("<i", len(names[1])) + names[1].encode()
    return exr_scanline(width, height, kind, names=["A", "B", "G", "R", "right.A", "right.B", "right.G", "right.R"],
                        extra=_attr("multiView", "stringvector", views))


def exr_parts(width, height, views=("left", "right"), kind=2):
    """One part a view, each named by its view."""
    channels = [(n, kind) for n in "ABGR"]
    box = (0, 0, width - 1, height - 1)
    headers, tables = [], []
    for p, view in enumerate(views):
        extra = _attr("name", "string", view.encode()) + _attr("type", "string", b"scanlineimage")
        extra += _attr("view", "string", view.encode()) + _attr("chunkCount", "int", struct.pack("<i", height))
        headers.append(_exr_header(channels, box, box, extra=extra))
        tables.append(_exr_scanline_chunks(channels, box, shade=p * 5, part=p))
    return _exr_file(0x1000, headers + [b"\0"], tables)


# Pipes -------------------------------------------------------------------------------------

def y4m(width, height, colour, frames=2, tags=""):
    """Planes of `colour` (a y4m C tag), `frames` frames of them."""
    chroma = {"420jpeg": (2, 2), "420mpeg2": (2, 2), "422": (2, 1), "444": (1, 1), "mono": None,
              "444alpha": (1, 1), "420p10": (2, 2), "422p12": (2, 1), "444p16": (1, 1)}[colour]
    wide = any(d in colour for d in ("p10", "p12", "p16"))
    bits = int(colour[-2:]) if wide else 8
    sizes = [width * height]
    if chroma:
        cw, ch = (width + chroma[0] - 1) // chroma[0], (height + chroma[1] - 1) // chroma[1]
        sizes += [cw * ch] * 2
    if colour == "444alpha":
        sizes.append(width * height)
    out = ("YUV4MPEG2 W%d H%d F25:1 Ip A1:1 C%s%s\n" % (width, height, colour, tags)).encode()
    for f in range(frames):
        out += b"FRAME\n"
        for n in sizes:
            values = [(i * 29 + f * 13) % (1 << bits) for i in range(n)]
            out += struct.pack("<%d%s" % (n, "H" if wide else "B"), *values)
    return out


def raw_pipe(wide, width, height, frames, rate=(25, 1)):
    """What fuzz_raw_pipe reads: depth, size and rate as the user gives them, then frames
    (a fraction of one where `frames` is not whole)."""
    den_index = {1: 0, 1001: 1, 1000: 2}[rate[1]]
    num = rate[0] if rate[1] == 1 else rate[0] // 1000
    head = bytes([int(wide)]) + struct.pack("<4H", width - 1, height - 1, den_index, num - 1)
    size = int(width * height * 4 * (2 if wide else 1) * frames)
    return head + bytes((i * 7) % 256 for i in range(size))


def exr_header_only(display, data, right_data=None):
    """A file that ends after its headers and offset tables: what the reader has decided by
    then, before any pixel, is what it costs. With `right_data`, a second part holds the
    right view, whose data window that is (parts share their display window)."""
    channels = [(n, 1) for n in "ABGR"]

    def lines(box):
        return [b""] * (box[3] - box[1] + 1)
    if right_data is None:
        return _exr_file(0, [_exr_header(channels, data, display)], [lines(data)])
    headers, tables = [], []
    for view, box in (("left", data), ("right", right_data)):
        extra = _attr("name", "string", view.encode()) + _attr("type", "string", b"scanlineimage")
        extra += _attr("view", "string", view.encode())
        extra += _attr("chunkCount", "int", struct.pack("<i", box[3] - box[1] + 1))
        headers.append(_exr_header(channels, box, display, extra=extra))
        tables.append(lines(box))
    return _exr_file(0x1000, headers + [b"\0"], tables)
