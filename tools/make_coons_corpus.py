#!/usr/bin/env python3
"""Writes the valid and damaged distortion "Data" blocks that the coonsdata fuzz target replays."""
import os
import struct
import sys

GUID = bytes.fromhex("33221100554477668899aabbccddeeff")


def ext(value):
    """The x87 80-bit extended form of a float that is exact in it."""
    if value != value:
        return struct.pack("<QH", 0xC000000000000000, 0x7FFF)
    sign = 0x8000 if value < 0 else 0
    if value in (float("inf"), -float("inf")):
        return struct.pack("<QH", 1 << 63, sign | 0x7FFF)
    if value == 0:
        return bytes(10)
    value = abs(value)
    exp = 0
    while value >= 2:
        value /= 2
        exp += 1
    while value < 1:
        value *= 2
        exp -= 1
    mantissa = int(value * (1 << 63))
    return struct.pack("<QH", mantissa, sign | (exp + 16383))


def block(curves, counts=None, guid=GUID):
    """curves: four lists of (x, y, flag)."""
    counts = [len(c) for c in curves] if counts is None else counts
    out = guid + struct.pack("<4i", *counts)
    for c in curves:
        for x, y, _ in c:
            out += ext(x) + ext(y)
    for c in curves:
        out += bytes(f for _, _, f in c)
    return out


def square(n=2, bend=0.0, flag=0):
    top = [(i / (n - 1), -bend if 0 < i < n - 1 else 0.0, flag) for i in range(n)]
    bottom = [(i / (n - 1), 1.0, 0) for i in range(n)]
    right = [(1.0, 0.0, 0), (1.0, 1.0, 0)]
    left = [(0.0, 0.0, 0), (0.0, 1.0, 0)]
    return [top, right, bottom, left]


def main(folder):
    os.makedirs(folder, exist_ok=True)
    good = block(square(5, 0.25, 1))
    files = {
        "square": block(square()),
        "arch_smooth": good,
        "arch_corner": block(square(3, 0.5, 0)),
        "empty_curves": block([[], [], [], []]),
        "one_point_sides": block([[(0.5, 0.5, 1)]] * 4),
        "negative_count": GUID + struct.pack("<4i", 2, -1, 2, 2) + bytes(200),
        "count_max": GUID + struct.pack("<4i", 0x7FFFFFFF, 0, 0, 0) + bytes(64),
        "counts_sum_wrap": GUID + struct.pack("<4i", 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF, 0x7FFFFFFF),
        "points_cut": good[:-40],
        "flags_cut": good[:-1],
        "header_cut": GUID[:7],
        "counts_cut": GUID + struct.pack("<2i", 2, 2),
        "empty": b"",
        "trailing_bytes": block(square()) + b"\x01\x02\x03",
        "nan_and_inf": block([[(float("nan"), 0.0, 1), (float("inf"), 0.0, 1), (1.0, -float("inf"), 0)],
                              [(1.0, 0.0, 0), (1.0, 1.0, 0)], [(0.0, 1.0, 0), (1.0, 1.0, 0)],
                              [(0.0, 0.0, 0), (0.0, 1.0, 0)]]),
        "huge_values": block([[(1e300, -1e300, 1), (2.0 ** 1000, 0.0, 1), (1.0, 0.0, 1)],
                              [(1.0, 0.0, 1), (1.0, 1.0, 1)], [(0.0, 1.0, 1), (1.0, 1.0, 1)],
                              [(0.0, 0.0, 1), (0.0, 1.0, 1)]]),
        "unnormal_bytes": GUID + struct.pack("<4i", 1, 0, 0, 0) + bytes.fromhex("00000000000000407f3f")
        + bytes.fromhex("ffffffffffffffffff7f") + b"\x05",
        "many_points": block(square(400, 0.1, 1)),
    }
    for name, data in files.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "coonsdata", "corpus"))
