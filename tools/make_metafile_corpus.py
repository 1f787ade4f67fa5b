#!/usr/bin/env python3
"""Writes the hand-made and damaged metafiles that the metafile fuzz target replays in CTest.

Usage: make_metafile_corpus.py <corpus folder> [writer files...]
Writer files (from tools/MakeMetafileCorpus) are copied in as they are, and damaged copies of
them are written beside them."""
import os
import struct
import sys


def emf_record(rtype, payload=b""):
    return struct.pack("<II", rtype, 8 + len(payload)) + payload


def ints(*values):
    return struct.pack("<%di" % len(values), *values)


def floats(*values):
    return struct.pack("<%df" % len(values), *values)


def emf(records, frame=(0, 0, 10000, 10000), handles=16, size_override=None):
    body = b"".join(records)
    eof = emf_record(14, ints(0, 16, 20))
    total = 108 + len(body) + len(eof)
    header = ints(0, 0, 100, 100, *frame) + struct.pack("<II", 0x464D4520, 0x10000)
    header += struct.pack("<IIHHIII", total if size_override is None else size_override, len(records) + 2,
                          handles, 0, 0, 0, 0)
    header += ints(1000, 1000, 250, 250, 0, 0, 0, 250000, 250000)
    return emf_record(1, header) + body + eof


def dib(width, height, bits, compression=0, rows=None, colors=None):
    if colors is None:
        colors = (1 << bits) if bits <= 8 else 0
    table = b"".join(struct.pack("<BBBB", (i * 37) & 0xFF, (i * 91) & 0xFF, (i * 13) & 0xFF, 0)
                     for i in range(colors))
    stride = ((width * bits + 31) // 32) * 4
    if rows is None:
        rows = bytes((i * 7) & 0xFF for i in range(stride * abs(height)))
    head = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, compression, len(rows), 0, 0, colors, 0)
    return head + table, rows


def stretchdibits(x, y, w, h, info, rows, rop=0x00CC0020, src=None):
    sw, sh = src if src else (struct.unpack("<i", info[4:8])[0], abs(struct.unpack("<i", info[8:12])[0]))
    off_bmi = 80
    off_bits = off_bmi + len(info)
    payload = ints(0, 0, 100, 100, x, y, 0, 0, sw, sh) + struct.pack(
        "<IIIIIIii", off_bmi, len(info), off_bits, len(rows), 0, rop, w, h)
    return emf_record(81, payload + info + rows)


def logfont_w(height, face, charset=128, weight=400, escapement=0):
    name = face.encode("utf-16-le")[:62].ljust(64, b"\0")
    return ints(height, 0, escapement, 0, weight) + bytes([0, 0, 0, charset, 0, 0, 0, 0]) + name


def exttextoutw(x, y, text, dx=None, options=0, rect=(0, 0, 0, 0)):
    units = text.encode("utf-16-le")
    n = len(units) // 2
    off_string = 76
    padded = units + (b"\0\0" if n % 2 else b"")
    off_dx = off_string + len(padded) if dx else 0
    body = ints(0, 0, 100, 100, 1) + floats(1.0, 1.0)
    body += ints(x, y, n, off_string, options, *rect, off_dx)
    body += padded + (ints(*dx) if dx else b"")
    return emf_record(84, body)


def region(rects):
    data = b"".join(ints(*r) for r in rects)
    return struct.pack("<IIII", 32, 1, len(rects), len(data)) + ints(0, 0, 100, 100) + data


def emf_shapes():
    r = []
    r.append(emf_record(38, ints(1, 0, 3, 0, 0x0000FF)))                      # CreatePen red 3
    r.append(emf_record(95, ints(2, 0, 0, 0, 0, 0x10101, 4, 0, 0x00FF00, 0, 0)))  # ExtCreatePen dashed
    r.append(emf_record(39, ints(3, 0, 0xFF0000, 0)))                        # solid blue brush
    r.append(emf_record(39, ints(4, 2, 0x008080, 5)))                        # hatched brush
    r.append(emf_record(37, ints(1)))
    r.append(emf_record(37, ints(3)))
    r.append(emf_record(3, ints(0, 0, 50, 50, 3, 10, 10, 40, 10, 25, 40)))     # Polygon
    r.append(emf_record(87, ints(0, 0, 50, 50, 3) + struct.pack("<6h", 5, 5, 60, 5, 60, 60)))  # Polyline16
    r.append(emf_record(85, ints(0, 0, 50, 50, 4) + struct.pack("<8h", 0, 0, 20, 80, 60, 0, 90, 90)))
    r.append(emf_record(91, ints(0, 0, 50, 50, 2, 8, 4, 4) +
                        struct.pack("<16h", 0, 0, 80, 0, 80, 80, 0, 80, 20, 20, 60, 20, 60, 60, 20, 60)))
    r.append(emf_record(37, ints(2)))
    r.append(emf_record(37, ints(4)))
    r.append(emf_record(19, ints(2)))                                        # winding
    r.append(emf_record(43, ints(10, 10, 40, 40)))
    r.append(emf_record(42, ints(20, 20, 70, 60)))
    r.append(emf_record(44, ints(5, 50, 45, 95, 10, 10)))
    r.append(emf_record(45, ints(50, 50, 95, 95, 95, 70, 50, 70)))
    r.append(emf_record(46, ints(50, 5, 95, 45, 95, 25, 50, 25)))
    r.append(emf_record(47, ints(0, 60, 40, 99, 40, 80, 20, 99)))
    r.append(emf_record(33))                                                # SaveDC
    r.append(emf_record(35, floats(0.8, 0.3, -0.3, 0.8, 20.0, 5.0)))          # SetWorldTransform
    r.append(emf_record(30, ints(0, 0, 60, 60)))                             # IntersectClipRect
    r.append(emf_record(59))
    r.append(emf_record(3, ints(0, 0, 50, 50, 4, 0, 0, 50, 0, 50, 50, 0, 50)))
    r.append(emf_record(60))
    r.append(emf_record(63))                                                # StrokeAndFillPath
    r.append(emf_record(34, ints(-1)))                                       # RestoreDC
    r.append(emf_record(75, ints(48, 1) + region([(0, 0, 70, 70), (70, 0, 100, 30)])))
    r.append(emf_record(82, ints(5) + logfont_w(-12, "ＭＳ ゴシック")))
    r.append(emf_record(37, ints(5)))
    r.append(emf_record(24, ints(0x000080)))
    r.append(exttextoutw(10, 70, "写真 Photo", dx=[12, 12, 6, 7, 7, 7, 7, 7], options=2, rect=(8, 68, 90, 84)))
    r.append(emf_record(75, ints(0, 5)))                                     # clip reset
    info, rows = dib(4, 4, 8, 1, rows=bytes([4, 1, 0, 0, 2, 3, 2, 4, 0, 0, 4, 5, 0, 0, 4, 6, 0, 1]))
    r.append(stretchdibits(60, 60, 30, 30, info, rows))
    info, rows = dib(3, 2, 24)
    r.append(stretchdibits(0, 90, 20, 10, info, rows))
    r.append(emf_record(40, ints(1)))
    r.append(emf_record(38, ints(1, 0, 1, 0, 0)))                            # slot 1 reused
    return emf(r)


def wmf_record(function, words=(), raw=b""):
    payload = struct.pack("<%dh" % len(words), *words) + raw
    if len(payload) % 2:
        payload += b"\0"
    return struct.pack("<IH", 3 + len(payload) // 2, function) + payload


def wmf(records, objects=8, box=(0, 0, 1000, 1000)):
    body = b"".join(records) + wmf_record(0)
    out = b""
    if box is not None:
        head = struct.pack("<IHhhhhHI", 0x9AC6CDD7, 0, *box, 1440, 0)
        check = 0
        for i in range(10):
            check ^= struct.unpack("<H", head[i * 2:i * 2 + 2])[0]
        out = head + struct.pack("<H", check)
    words = 9 + len(body) // 2
    return out + struct.pack("<HHHIHIH", 1, 9, 0x300, words, objects, 64, 0) + body


def wmf_shapes(box=(0, 0, 1000, 1000)):
    r = [wmf_record(0x020B, (0, 0)), wmf_record(0x020C, (1000, 1000))]
    r.append(wmf_record(0x02FC, (0, 0x00FF, 0, 0)))            # slot 0 red brush
    r.append(wmf_record(0x02FC, (0, 0, 0x00FF, 0)))            # slot 1 blue brush
    r.append(wmf_record(0x02FA, (0, 20, 0, 0x0080, 0)))        # slot 2 pen
    r.append(wmf_record(0x01F0, (0,)))
    r.append(wmf_record(0x02FC, (2, 0x7F00, 0, 3)))            # hatched, takes slot 0
    for slot in (0, 2):
        r.append(wmf_record(0x012D, (slot,)))
    r.append(wmf_record(0x041B, (400, 400, 100, 100)))
    r.append(wmf_record(0x0418, (900, 900, 500, 500)))
    r.append(wmf_record(0x0324, (4, 100, 600, 400, 600, 400, 900, 100, 900)))
    r.append(wmf_record(0x0538, (2, 4, 4, 500, 100, 900, 100, 900, 400, 500, 400,
                                 600, 200, 800, 200, 800, 300, 600, 300)))
    r.append(wmf_record(0x0817, (900, 700, 500, 500, 900, 900, 500, 500)))
    face = "ＭＳ ゴシック".encode("cp932").ljust(32, b"\0")
    r.append(wmf_record(0x02FB, (-80, 0, 0, 0, 400), bytes([0, 0, 0, 128, 0, 0, 0, 0]) + face))
    r.append(wmf_record(0x012D, (3,)))
    r.append(wmf_record(0x0102, (1,)))
    text = "写真".encode("cp932")
    r.append(wmf_record(0x0521, (len(text),), text + struct.pack("<hh", 100, 100)))
    r.append(wmf_record(0x0A32, (200, 100, len(text), 0), text + struct.pack("<4h", 40, 40, 40, 40)))
    rgn = struct.pack("<hhihhhhhhh", 0, 6, 0, 40, 1, 4, 0, 0, 100, 100) + struct.pack("<HhhhhH", 2, 0, 100, 0, 100, 2)
    r.append(wmf_record(0x06FF, (), rgn))
    r.append(wmf_record(0x0228, (4, 1)))
    r.append(wmf_record(0x012C, (4,)))
    r.append(wmf_record(0x001E))
    r.append(wmf_record(0x0127, (-1,)))
    info, rows = dib(2, 2, 24)
    r.append(wmf_record(0x0F43, (0x0020, 0x00CC, 0, 2, 2, 0, 0, 200, 200, 700, 700), info + rows))
    return wmf(r, box=box)


def damaged(name, data):
    yield name + "_cut_header", data[:30]
    yield name + "_cut_half", data[:len(data) // 2]
    yield name + "_cut_last", data[:-3]
    for at in range(0, min(len(data), 4000), 97):
        d = bytearray(data)
        d[at] ^= 0xFF
        yield "%s_flip_%d" % (name, at), bytes(d)
    for at in range(108 if data[:4] == b"\x01\0\0\0" else 40, min(len(data) - 4, 2000), 131):
        d = bytearray(data)
        d[at:at + 4] = struct.pack("<I", 0x7FFFFFF0)
        yield "%s_lie_%d" % (name, at), bytes(d)


def main():
    out = sys.argv[1]
    os.makedirs(out, exist_ok=True)
    files = {
        "emf_shapes.emf": emf_shapes(),
        "wmf_placeable.wmf": wmf_shapes(),
        "wmf_plain.wmf": wmf_shapes(box=None),
        "emf_empty_frame.emf": emf([emf_record(43, ints(10, 10, 40, 40))], frame=(0, 0, 0, 0)),
        "emf_bad_handles.emf": emf([emf_record(37, ints(9999)), emf_record(40, ints(-1)),
                                    emf_record(39, ints(70000, 0, 0, 0)), emf_record(43, ints(0, 0, 9, 9))]),
        "emf_savedc_flood.emf": emf([emf_record(33)] * 100000 + [emf_record(34, ints(-100000))]),
        "wmf_tiny_records.wmf": wmf([wmf_record(0x001E)] * 1000000),
        "emf_huge_dashed.emf": emf([emf_record(95, ints(1, 0, 0, 0, 0, 0x10001, 1, 0, 0xFF, 0, 0)),
                                    emf_record(37, ints(1)),
                                    emf_record(42, ints(-2000000000, -2000000000, 2000000000, 2000000000)),
                                    emf_record(4, ints(0, 0, 1, 1, 2, -16000000, 0, 16000000, 9000))]),
        "emf_singular.emf": emf([emf_record(35, floats(0, 0, 0, 0, 1, 1)), emf_record(36, floats(1e38, 0, 0, 1e38, 0, 0) + ints(2)),
                                 emf_record(17, ints(8)), emf_record(9, ints(0, 0)), emf_record(11, ints(0, 5)),
                                 emf_record(43, ints(0, 0, 9, 9))]),
        "emf_rle_overrun.emf": emf([stretchdibits(0, 0, 50, 50, *dib(4, 4, 8, 1, rows=bytes([255, 1, 0, 2, 200, 200, 3, 1, 2, 3, 0, 0])))]),
        "emf_lying_dib.emf": emf([stretchdibits(0, 0, 50, 50, dib(30000, 30000, 32)[0], b"\0" * 64),
                                  stretchdibits(0, 0, 50, 50, dib(-4, 4, 8)[0], b"\0" * 64),
                                  stretchdibits(0, 0, 50, 50, dib(4, 4, 4, 2)[0][:44], b"\x04\x12" * 8)]),
        "emf_lying_counts.emf": emf([emf_record(3, ints(0, 0, 1, 1, 0x40000000, 1, 1)),
                                     emf_record(8, ints(0, 0, 1, 1, 2, 5, 3, 3, 0, 0))]),
        # 64 megapixels from a few bytes of RLE, drawn into a small target and onto a recording.
        "wmf_huge_rle.wmf": wmf([wmf_record(0x0F43, (0x0020, 0x00CC, 0, 8000, 8000, 0, 0, 200, 200, 700, 700),
                                            b"".join(dib(8000, 8000, 8, 1, rows=b"\0\1")))]),
        "emf_lying_size.emf": emf([emf_record(43, ints(0, 0, 9, 9))], size_override=0x7FFFFFFF),
    }
    for path in sys.argv[2:]:
        with open(path, "rb") as f:
            files[os.path.basename(path)] = f.read()
    for name, data in list(files.items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
    for name in ("emf_shapes.emf", "wmf_placeable.wmf"):
        for dname, data in damaged(name.split(".")[0], files[name]):
            with open(os.path.join(out, dname), "wb") as f:
                f.write(data)


if __name__ == "__main__":
    main()
