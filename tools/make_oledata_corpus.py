#!/usr/bin/env python3
"""Writes the valid and damaged embedded-object "Data" blocks that the oledata fuzz target replays.

Each block is the signature, the draw aspect, N and N bytes of a compound file (version 3, 512-byte
sectors) whose one stream is a presentation; streams are kept at 4096 bytes or more so that the
file needs no mini stream."""
import os
import struct
import sys

SIGNATURE = 0x434F4442
END, FREE, FATSECT, NOSTREAM = 0xFFFFFFFE, 0xFFFFFFFF, 0xFFFFFFFD, 0xFFFFFFFF


def direntry(name, kind, child=NOSTREAM, start=END, size=0):
    encoded = (name + "\0").encode("utf-16-le") if name else b""
    return (encoded.ljust(64, b"\0") + struct.pack("<HBB3I", len(encoded), kind, 1, NOSTREAM, NOSTREAM, child)
            + bytes(16) + struct.pack("<I", 0) + bytes(16) + struct.pack("<IQ", start, size))


def compound(name, payload):
    payload = payload.ljust(4096, b"\0") if len(payload) < 4096 else payload
    sectors = (len(payload) + 511) // 512
    fat = [FATSECT, END] + [3 + i for i in range(sectors - 1)] + [END]
    fat += [FREE] * (128 - len(fat))
    header = (bytes.fromhex("D0CF11E0A1B11AE1") + bytes(16) + struct.pack("<HHHHH", 0x3E, 3, 0xFFFE, 9, 6)
              + bytes(6) + struct.pack("<IIIIIIIII", 0, 1, 1, 0, 4096, END, 0, END, 0)
              + struct.pack("<I", 0) + struct.pack("<I", FREE) * 108)
    directory = direntry("Root Entry", 5, child=1) + direntry(name, 2, start=2, size=len(payload))
    directory += direntry("", 0) * 2
    return header + struct.pack("<128I", *fat) + directory + payload.ljust(sectors * 512, b"\0")


def dib(width, height, colour=(0, 0, 255)):
    row = bytes(colour) * width
    row += bytes((-len(row)) % 4)
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(row) * height, 0, 0, 0, 0) + row * height


def presentation(fmt, data, width=5000, height=2500, aspect=1, device=4, marker=None):
    head = struct.pack("<II", 0xFFFFFFFF, fmt) if marker is None else marker
    return (head + struct.pack("<I", device) + bytes(min(max(device - 4, 0), 64))
            + struct.pack("<IiIIiiI", aspect, -1, 0, 0, width, height, len(data)) + data + bytes(18))


def block(body, aspect=1, size=None):
    return struct.pack("<IiI", SIGNATURE, aspect, len(body) if size is None else size) + body


def main(folder):
    os.makedirs(folder, exist_ok=True)
    good_dib = dib(40, 20)
    good = compound("\x02OlePres000", presentation(8, good_dib))
    files = {
        "dib_presentation": block(good),
        "metafile_presentation": block(compound("\x02OlePres000", presentation(3, bytes(64)))),
        "icon_view_only": block(compound("\x02OlePres000", presentation(8, good_dib, aspect=4))),
        "named_format": block(compound("\x02OlePres000", presentation(0, good_dib, marker=struct.pack("<I", 6) + b"Embed\0"))),
        "target_device": block(compound("\x02OlePres000", presentation(8, good_dib, device=40))),
        "target_device_huge": block(compound("\x02OlePres000", presentation(8, good_dib, device=0x7FFFFFF0))),
        "target_device_small": block(compound("\x02OlePres000", presentation(8, good_dib, device=2))),
        "dib_size_beyond": block(compound("\x02OlePres000", presentation(8, good_dib)[:-200])),
        "dib_huge_header": block(compound("\x02OlePres000", presentation(8, dib(1, 1)[:4] + struct.pack("<ii", 60000, 60000) + dib(1, 1)[12:]))),
        "negative_extent": block(compound("\x02OlePres000", presentation(8, good_dib, width=-5, height=-7))),
        "other_stream_only": block(compound("CONTENTS", good_dib)),
        "not_compound": block(b"not a compound file at all" * 20),
        "empty_body": block(b""),
        "size_beyond": block(good, size=len(good) + 1),
        "size_negative": block(good, size=0xFFFFFFFF),
        "bad_signature": struct.pack("<IiI", 0x12345678, 1, 4) + b"abcd",
        "header_cut": struct.pack("<Ii", SIGNATURE, 1),
        "compound_cut": block(good[:1500]),
        "trailing": block(good) + b"\x01\x02",
        "empty": b"",
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "oledata", "corpus"))
