#!/usr/bin/env python3
"""Writes the corpora of the thumbnail-cache fuzz targets: cache files (small compound files laid out
as the cache keeps them, built here from the published format, and damaged variants), single cache
entries (flag, size, time, stored picture) and folder list files.

Usage: make_imagecache_corpus.py  (writes fuzz/imagecache, fuzz/cacheentry and fuzz/folderlist corpora)
"""

import os
import struct
import sys
from pathlib import Path

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_picture_corpus import bmp, jpeg, stored  # noqa: E402

ROOT = Path(__file__).resolve().parent.parent
FREE, END, FATSECT, NOSTREAM = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFF
SS, MINI = 512, 64


def entry(name, kind, left=NOSTREAM, right=NOSTREAM, child=NOSTREAM, start=0, size=0):
    raw = name.encode("utf-16-le")
    b = bytearray(128)
    b[0:len(raw)] = raw
    struct.pack_into("<HBBIII", b, 64, len(raw) + 2, kind, 1, left, right, child)
    struct.pack_into("<IQ", b, 116, start, size)
    return b


def compound(tree):
    """A version 3 file of a tree {name: bytes | {subtree}}; every stream lives in the mini stream.
    Siblings are chained through their right links in the file's name order."""
    entries, mini = [None], bytearray()

    def add(node):
        ids = []
        for name in sorted(node, key=lambda n: (len(n), n.upper())):
            value = node[name]
            index = len(entries)
            entries.append(None)
            if isinstance(value, dict):
                child = add(value)
                entries[index] = ["s", name, child]
            else:
                start = len(mini) // MINI
                mini.extend(value + b"\0" * (-len(value) % MINI))
                entries[index] = ["f", name, start, len(value)]
            ids.append(index)
        for a, b in zip(ids, ids[1:]):
            entries[a].append(b)
        return ids[0] if ids else NOSTREAM

    first = add(tree)
    mini_sectors = len(mini) // MINI
    mini_count = max(1, -(-len(mini) // SS))
    dir_count = -(-len(entries) // 4)
    minifat_count = max(1, -(-mini_sectors * 4 // SS))
    layout, next_id = {}, 1
    for key, count in (("dir", dir_count), ("minifat", minifat_count), ("mini", mini_count)):
        layout[key] = list(range(next_id, next_id + count))
        next_id += count
    fat = [FREE] * (SS // 4)
    fat[0] = FATSECT
    for chain in layout.values():
        for a, b in zip(chain, chain[1:] + [END]):
            fat[a] = b
    minifat = [FREE] * (minifat_count * SS // 4)
    raw_entries = [entry("Root Entry", 5, child=first, start=layout["mini"][0], size=len(mini))]
    for e in entries[1:]:
        right = e[-1] if (e[0] == "s" and len(e) == 4) or (e[0] == "f" and len(e) == 5) else NOSTREAM
        if e[0] == "s":
            raw_entries.append(entry(e[1], 1, right=right, child=e[2]))
        else:
            sectors = -(-e[3] // MINI)
            for i in range(sectors):
                minifat[e[2] + i] = e[2] + i + 1 if i + 1 < sectors else END
            raw_entries.append(entry(e[1], 2, right=right, start=e[2], size=e[3]))
    while len(raw_entries) % 4:
        b = bytearray(128)
        struct.pack_into("<III", b, 68, NOSTREAM, NOSTREAM, NOSTREAM)
        raw_entries.append(b)
    body = bytearray(SS * (next_id))
    body[0:SS] = struct.pack("<128I", *fat)
    directory = b"".join(raw_entries)
    for i, sid in enumerate(layout["dir"]):
        body[sid * SS:(sid + 1) * SS] = directory[i * SS:(i + 1) * SS].ljust(SS, b"\0")
    mf = struct.pack("<%dI" % len(minifat), *minifat)
    for i, sid in enumerate(layout["minifat"]):
        body[sid * SS:(sid + 1) * SS] = mf[i * SS:(i + 1) * SS]
    for i, sid in enumerate(layout["mini"]):
        chunk = bytes(mini[i * SS:(i + 1) * SS])
        body[sid * SS:sid * SS + len(chunk)] = chunk
    header = bytearray(SS)
    header[0:8] = bytes.fromhex("d0cf11e0a1b11ae1")
    struct.pack_into("<HHHHH", header, 24, 0x3E, 3, 0xFFFE, 9, 6)
    struct.pack_into("<IIIIIIIII", header, 40, 0, 1, layout["dir"][0], 0, 4096, layout["minifat"][0],
                     minifat_count, END, 0)
    struct.pack_into("<109I", header, 76, *([0] + [FREE] * 108))
    return bytes(header) + bytes(body)


def cache_entry(picture, flag=0, size=1234, time=0x01D0000000000000):
    return struct.pack("<iIq", flag, size, time) + picture


def main():
    bitmap = stored("TSafetyBitmap", bmp(3, 2))
    entries = {
        "bitmap": cache_entry(bitmap),
        "jpeg": cache_entry(stored("TJPEGImage", jpeg(16, 8))),
        "empty_flag": struct.pack("<i", 1),
        "empty_picture": cache_entry(b"\0"),
        "negative_flag": cache_entry(bitmap, flag=-5),
        "cut_header": cache_entry(bitmap)[:10],
        "cut_picture": cache_entry(bitmap)[:40],
        "huge_picture_claim": cache_entry(stored("TSafetyBitmap", bmp(0x7FFFFFFF, 2))),
        "unknown_class": cache_entry(stored("TNoSuchGraphic", b"abc")),
    }
    caches = {
        "valid": compound({"p": {"a.jpg": entries["bitmap"], "b.jpg": entries["jpeg"]}, "a.jpg": entries["bitmap"]}),
        "nested": compound({"p": {"q": {"c.jpg": entries["bitmap"]}, "a.jpg": entries["cut_picture"]}}),
        "damaged_entries": compound({"p": {"a.jpg": entries["cut_header"], "b.jpg": entries["unknown_class"]}}),
        "empty": compound({}),
    }
    valid = caches["valid"]
    caches["cut"] = valid[:len(valid) // 2]
    caches["bad_signature"] = b"\0" * 8 + valid[8:]
    loop = bytearray(valid)
    struct.pack_into("<I", loop, 512 + 4, 1)  # the directory chain points at itself
    caches["directory_loop"] = bytes(loop)
    caches["not_compound"] = b"x" * 3000
    lists = {
        "basic": b"a.jpg\r\nFOLDER=Sub\r\nb.jpg\r\n;comment\r\n[Group]\r\n\r\nFOLDER=Sub\\Deep\r\nC.PNG\r\n",
        "windows_paths": b"FOLDER = ..\\..\\x\r\n..\\a.jpg\r\nsub\\..\\..\\b.jpg\r\n\\\\server\\share\\c.jpg\r\n",
        "cp932": "FOLDER=写真\r\n画像.jpg\r\n".encode("cp932"),
        "broken_cp932": b"\x82\r\n\x81\x40.jpg\r\nfolder\r\n",
        "deep": b"FOLDER=" + b"a\\" * 500 + b"\r\nx.jpg\r\n",
    }
    for folder, items in (("imagecache", caches), ("cacheentry", entries), ("folderlist", lists)):
        out = ROOT / "fuzz" / folder / "corpus"
        out.mkdir(parents=True, exist_ok=True)
        for name, data in items.items():
            (out / name).write_bytes(data)


if __name__ == "__main__":
    main()
