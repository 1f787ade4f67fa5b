#!/usr/bin/env python3
"""Writes the valid and damaged JPEG/Exif inputs that the Exif fuzz target replays in CTest."""
import os
import struct
import sys


def seg(marker, payload, length=None):
    length = len(payload) + 2 if length is None else length
    return bytes([0xFF, marker]) + struct.pack(">H", length & 0xFFFF) + payload


def jpeg(*segments, eoi=True):
    return b"\xff\xd8" + b"".join(segments) + (b"\xff\xd9" if eoi else b"")


class Tiff:
    """IFDs one after the other behind the header; values over 4 bytes follow their IFD."""

    def __init__(self, le):
        self.e = "<" if le else ">"
        self.le = le
        self.ifds = []

    def add(self, entries, chain=False):
        self.ifds.append((entries, chain))

    def build(self):
        e = self.e
        offsets, pos = [], 8
        for entries, _ in self.ifds:
            offsets.append(pos)
            pos += 2 + 12 * len(entries) + 4
            pos += sum(len(v) + (len(v) & 1) for (_, _, _, v) in entries if isinstance(v, bytes) and len(v) > 4)
        out = (b"II*\x00" if self.le else b"MM\x00*") + struct.pack(e + "I", 8)
        for i, (entries, chain) in enumerate(self.ifds):
            data = offsets[i] + 2 + 12 * len(entries) + 4
            extra = b""
            out += struct.pack(e + "H", len(entries))
            for tag, typ, count, value in entries:
                out += struct.pack(e + "HHI", tag, typ, count)
                if isinstance(value, int):  # a link to IFD number value
                    out += struct.pack(e + "I", offsets[value])
                elif len(value) > 4:
                    out += struct.pack(e + "I", data + len(extra))
                    extra += value + (b"\x00" if len(value) & 1 else b"")
                else:
                    out += value + bytes(4 - len(value))
            nxt = offsets[i + 1] if chain and i + 1 < len(self.ifds) else 0
            out += struct.pack(e + "I", nxt) + extra
        return out


def camera(le):
    e = "<" if le else ">"
    t = Tiff(le)
    date = b"2003:04:05 06:07:08\x00"
    t.add([(274, 3, 1, struct.pack(e + "H", 6)), (306, 2, len(date), date), (34665, 4, 1, 2)], chain=True)
    t.add([(513, 4, 1, struct.pack(e + "I", 100)), (514, 4, 1, struct.pack(e + "I", 200))])
    t.add([(36864, 7, 4, b"0220"), (33434, 5, 1, struct.pack(e + "II", 1, 60)),
           (37380, 10, 1, struct.pack(e + "ii", -2, 3)), (40965, 4, 1, 3)])
    t.add([(1, 2, 4, b"R98\x00")])
    return b"Exif\x00\x00" + t.build()


def patch(data, offset, raw):
    return data[:offset] + raw + data[offset + len(raw):]


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    le, be = camera(True), camera(False)
    files = {
        "valid_le.jpg": jpeg(seg(0xE0, b"JFIF\x00\x01\x01"), seg(0xE1, le)),
        "valid_be.jpg": jpeg(seg(0xE1, be)),
        "xmp_first.jpg": jpeg(seg(0xE1, b"http://ns.adobe.com/xap/1.0/\x00<x/>"), seg(0xE1, le)),
        "empty.jpg": b"",
        "soi_only.jpg": b"\xff\xd8\xff",
        "no_soi.jpg": b"GIF89a" + bytes(20),
        "length_zero.jpg": jpeg(seg(0xE0, b"", length=0), seg(0xE1, le)),
        "length_one.jpg": jpeg(seg(0xE1, b"", length=1)),
        "app1_truncated.jpg": jpeg(seg(0xE1, le))[:30],
        "segment_past_end.jpg": b"\xff\xd8\xff\xe0\xff\xf0" + bytes(10),
        "non_marker.jpg": b"\xff\xd8\x00\x01\x02\x03\x04",
        "fill_bytes.jpg": b"\xff\xd8" + b"\xff" * 64,
        "short_header.jpg": jpeg(seg(0xE1, b"Exif\x00\x00II*\x00")),
        "bad_order.jpg": jpeg(seg(0xE1, patch(le, 6, b"IM"))),
        "ifd0_far.jpg": jpeg(seg(0xE1, patch(le, 10, struct.pack("<I", 0xFFFFFFF0)))),
        "ifd0_count_huge.jpg": jpeg(seg(0xE1, patch(le, 14, b"\xff\xff"))),
        "ifd0_at_end.jpg": jpeg(seg(0xE1, patch(le, 10, struct.pack("<I", len(le) - 7)))),
        "exif_link_far.jpg": jpeg(seg(0xE1, le.replace(struct.pack("<HHI", 34665, 4, 1),
                                                       struct.pack("<HHI", 34665, 4, 1) + b"\xf0\xff\xff\x7f", 1)
                                      [:len(le)])),
    }
    # Entries with damaged types, counts and offsets.
    for name, entry in {
        "type_zero": (306, 0, 20, 0x100),
        "type_13": (306, 13, 1, 0),
        "type_ffff": (306, 0xFFFF, 1, 0),
        "count_wraps": (306, 4, 0x40000001, 8),
        "count_max": (306, 12, 0xFFFFFFFF, 8),
        "offset_far": (306, 2, 100, 0xFFFFFFF0),
        "offset_edge": (306, 2, 100, 0x7FFFFFFF),
    }.items():
        t = Tiff(name != "count_max")
        e = t.e
        tag, typ, count, off = entry
        t.add([(tag, typ, count, struct.pack(e + "I", off)), (34665, 4, 1, 1)], chain=True)
        t.add([(40965, 4, 1, 1), (36864, 7, 4, b"0230")])
        files[name + ".jpg"] = jpeg(seg(0xE1, b"Exif\x00\x00" + t.build()))
    # Directories that link to themselves and each other.
    t = Tiff(True)
    t.add([(34665, 4, 1, 0), (40965, 4, 1, 0)], chain=True)
    files["self_links.jpg"] = jpeg(seg(0xE1, b"Exif\x00\x00" + t.build()))
    # IFD0's next link pointing at IFD0 again.
    loop = bytearray(b"Exif\x00\x00" + Tiff(True).build())
    loop += struct.pack("<H", 1) + struct.pack("<HHII", 274, 3, 1, 1) + struct.pack("<I", 8)
    files["next_loop.jpg"] = jpeg(seg(0xE1, bytes(loop)))
    # Fill bytes before markers, Exif behind XMP and a second Exif block, Exif behind the image data.
    xmp = seg(0xE1, b"http://ns.adobe.com/xap/1.0/\x00<x/>")
    files["fill_before_app0.jpg"] = b"\xff\xd8\xff\xff\xff" + seg(0xE0, b"JFIF\x00\x01\x01")[1:] + b"\xff" + seg(0xE1, le)
    files["xmp_exif_exif.jpg"] = jpeg(xmp, seg(0xE1, b"Exif"), seg(0xE1, be), seg(0xE1, le))
    files["exif_after_sos.jpg"] = jpeg(seg(0xDA, bytes(10)), seg(0xE1, le))
    # Directory counts running past the block, and directories named again.
    files["exif_count_huge.jpg"] = jpeg(seg(0xE1, patch(le, 6 + 8 + 2 + 3 * 12 + 4 + 20 + 2 + 2 * 12 + 4, b"\xff\xff")))
    t = Tiff(True)
    t.add([(7, 3, 1, struct.pack("<H", 7)), (34665, 4, 1, 1)], chain=True)
    t.add([(8, 3, 1, struct.pack("<H", 8)), (40965, 4, 1, 1)])
    files["interop_is_exif.jpg"] = jpeg(seg(0xE1, b"Exif\x00\x00" + t.build()))
    t = Tiff(True)
    t.add([(1, 4, 1, struct.pack("<I", 0x10000)), (7, 3, 1, struct.pack("<H", 7)),
           (34665, 4, 1, struct.pack("<I", 8 + 12))])
    files["exif_inside_ifd0.jpg"] = jpeg(seg(0xE1, b"Exif\x00\x00" + t.build()))
    files["max_segment.jpg"] = jpeg(seg(0xE1, le + bytes(65533 - len(le))))
    for name, data in files.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "exif", "corpus"))
