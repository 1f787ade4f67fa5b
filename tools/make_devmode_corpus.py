#!/usr/bin/env python3
"""Writes the corpus of the DEVMODE fuzz target: sound ANSI records with and without private
bytes, and damaged ones (short, lying about their private bytes, names without an ending)."""
import os
import struct
import sys

out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "devmode", "corpus")
os.makedirs(out, exist_ok=True)


def devmode(name=b"Office", extra=b"", fields=0x1 | 0x2, orientation=1, paper=9, width=2100, length=2970,
            copies=1, source=7, claimed_extra=None):
    head = name.ljust(32, b"\0")[:32]
    block = struct.pack("<HHHHIhhhhhhhhhhhhh", 0x401, 0, 156, len(extra) if claimed_extra is None else claimed_extra,
                        fields, orientation, paper, length, width, 100, copies, source, 600, 1, 1, 600, 0, 1)
    form = b"A4".ljust(32, b"\0")
    tail = bytes(156 - 102)
    return head + block + form + tail + extra


def write(name, data):
    with open(os.path.join(out, name), "wb") as f:
        f.write(data)


write("plain.bin", devmode())
write("private.bin", devmode(extra=bytes(range(200))))
write("japanese-name.bin", devmode(name="写真プリンタ".encode("cp932")))
write("user-size.bin", devmode(paper=256, width=1000, length=1480, fields=0x2 | 0x4 | 0x8))
write("lying-extra.bin", devmode(claimed_extra=65535))
write("short.bin", devmode()[:60])
write("name-unended.bin", devmode(name=b"\x82" * 32))
write("empty.bin", b"")
write("negative.bin", devmode(orientation=-5, paper=-1, width=-100, length=-1, copies=-3, source=-9, fields=0xFFFFFFFF))
