#!/usr/bin/env python3
"""Writes the corpus of the compound-file fuzz target: two small valid files (versions 3 and 4),
built here straight from the published layout, variants with chains that run on past their streams
(readable), and damaged variants (truncations, loops in every kind of chain, sector ids out of range,
huge sizes, broken directory trees).

Usage: make_compound_corpus.py <corpus folder>
"""

import struct
import sys
from pathlib import Path

FREE, END, FATSECT, DIFSECT, NOSTREAM = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD, 0xFFFFFFFC, 0xFFFFFFFF


def entry(name, kind, color=1, left=NOSTREAM, right=NOSTREAM, child=NOSTREAM, start=0, size=0):
    raw = name.encode("utf-16-le")
    b = bytearray(128)
    b[0:len(raw)] = raw
    struct.pack_into("<HBBIII", b, 64, len(raw) + 2, kind, color, left, right, child)
    struct.pack_into("<IQ", b, 116, start, size)
    return b


def unused_entry():
    b = bytearray(128)
    struct.pack_into("<III", b, 68, NOSTREAM, NOSTREAM, NOSTREAM)
    return b


def build(shift):
    """Root with "big" (5000 bytes), "tiny" (100 bytes, mini) and storage "Sheets" holding the
    mini stream "NameList" (12 bytes). Returns the bytes and where things are."""
    ss = 1 << shift
    per_dir = ss // 128
    dir_count = -(-8 // per_dir)
    big_count = -(-5000 // ss)
    layout = {"fat": 0}
    next_id = 1
    layout["dir"] = list(range(next_id, next_id + dir_count))
    next_id += dir_count
    layout["minifat"] = next_id
    next_id += 1
    layout["big"] = list(range(next_id, next_id + big_count))
    next_id += big_count
    layout["ministream"] = next_id
    next_id += 1
    count = next_id

    fat = [FREE] * (ss // 4)
    fat[0] = FATSECT
    for chain in (layout["dir"], layout["big"], [layout["minifat"]], [layout["ministream"]]):
        for a, b in zip(chain, chain[1:] + [END]):
            fat[a] = b
    minifat = [FREE] * (ss // 4)
    minifat[0], minifat[1], minifat[2] = 1, END, END

    entries = [
        entry("Root Entry", 5, start=layout["ministream"], size=192, child=2),
        entry("big", 2, color=0, start=layout["big"][0], size=5000),
        entry("tiny", 2, left=1, right=3, start=0, size=100),
        entry("Sheets", 1, color=0, child=4),
        entry("NameList", 2, start=2, size=12),
    ]
    while len(entries) < dir_count * per_dir:
        entries.append(unused_entry())

    sectors = [bytearray(ss) for _ in range(count)]
    sectors[0][:] = struct.pack("<%dI" % (ss // 4), *fat)
    directory = b"".join(entries)
    for i, sid in enumerate(layout["dir"]):
        sectors[sid][:] = directory[i * ss:(i + 1) * ss]
    sectors[layout["minifat"]][:] = struct.pack("<%dI" % (ss // 4), *minifat)
    big = bytes((i * 7 + 3) & 0xFF for i in range(5000))
    for i, sid in enumerate(layout["big"]):
        chunk = big[i * ss:(i + 1) * ss]
        sectors[sid][:len(chunk)] = chunk
    ms = sectors[layout["ministream"]]
    ms[0:100] = bytes(range(100))
    ms[128:140] = b"\x03\x00\x00\x00NameList\r\n"[:12]

    header = bytearray(ss)
    header[0:8] = bytes.fromhex("d0cf11e0a1b11ae1")
    struct.pack_into("<HHHHH", header, 24, 0x3E, 3 if shift == 9 else 4, 0xFFFE, shift, 6)
    struct.pack_into("<IIIIIIIII", header, 40, dir_count if shift == 12 else 0, 1, layout["dir"][0], 0, 4096,
                     layout["minifat"], 1, END, 0)
    difat = [0] + [FREE] * 108
    struct.pack_into("<109I", header, 76, *difat)
    data = bytes(header) + b"".join(bytes(s) for s in sectors)
    layout["ss"] = ss
    return bytearray(data), layout


def main():
    out = Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    base, lay = build(9)
    ss = lay["ss"]

    def sector_offset(sid):
        return (sid + 1) * ss

    def fat_offset(index):
        return sector_offset(lay["fat"]) + 4 * index

    def entry_offset(eid):
        per = ss // 128
        return sector_offset(lay["dir"][eid // per]) + (eid % per) * 128

    files = {}

    def variant(name, edits, padding=0):
        b = bytearray(base) + bytes(padding * ss)
        for offset, fmt, value in edits:
            struct.pack_into(fmt, b, offset, value)
        files[name] = b

    files["valid_v3"] = bytearray(base)
    files["valid_v4"] = build(12)[0]
    for cut in (0, 7, 100, 511, 512, 1000, 2048, len(base) - 1, len(base) - 600):
        files["truncated_%d" % cut] = base[:cut]
    files["v4_truncated_3000"] = build(12)[0][:3000]
    files["v4_truncated_9000"] = build(12)[0][:9000]

    big, last = lay["big"][0], lay["big"][-1]
    # A loop within the sectors a stream's size needs; past them the links are not the stream's.
    variant("fat_cycle", [(fat_offset(lay["big"][5]), "<I", big)])
    variant("fat_runs_on_cycle", [(fat_offset(last), "<I", big)])
    variant("fat_self_loop", [(fat_offset(big), "<I", big)])
    variant("fat_id_out_of_range", [(fat_offset(big + 1), "<I", 0x7FFFFFF0)])
    variant("fat_free_in_chain", [(fat_offset(big + 1), "<I", FREE)])
    variant("dir_chain_loop", [(fat_offset(lay["dir"][-1]), "<I", lay["dir"][0])])
    variant("dir_start_out_of_range", [(48, "<I", 0x00100000)])
    variant("minifat_cycle", [(sector_offset(lay["minifat"]), "<I", 0)])
    variant("minifat_runs_on_cycle", [(sector_offset(lay["minifat"]) + 4, "<I", 0)])
    # Chains that run on past what their streams need, as some writers end them: into the next
    # stream's sectors, into a table's sector, into another mini stream. Too large a size then makes
    # two streams claim one sector.
    variant("ministream_runs_on", [(fat_offset(lay["ministream"]), "<I", big)])
    variant("stream_runs_on", [(fat_offset(last), "<I", lay["minifat"])])
    variant("mini_runs_on", [(sector_offset(lay["minifat"]) + 4, "<I", 2)])
    # The file's last sector, the mini stream's only one, marked free instead of ending its chain.
    variant("ministream_last_free", [(fat_offset(lay["ministream"]), "<I", FREE)])
    variant("ministream_runs_on_too_long", [(fat_offset(lay["ministream"]), "<I", big),
                                            (entry_offset(0) + 120, "<I", 192 + ss)])
    variant("mini_runs_on_too_long", [(sector_offset(lay["minifat"]) + 4, "<I", 2),
                                      (entry_offset(2) + 120, "<I", 100 + 64)])
    variant("minifat_start_on_fat", [(60, "<I", 0)])
    variant("mini_id_out_of_range", [(entry_offset(2) + 116, "<I", 1000)])
    variant("stream_size_huge", [(entry_offset(1) + 120, "<I", 0xFFFFFFF0)])
    variant("stream_size_2g", [(entry_offset(1) + 120, "<I", 0x7FFFFFFF)])
    variant("stream_size_high_bits", [(entry_offset(1) + 124, "<I", 0xFFFFFFFF)])
    variant("ministream_size_huge", [(entry_offset(0) + 120, "<I", 0x7FFFFFFF)])
    variant("tree_self_loop", [(entry_offset(2) + 68, "<I", 2)])
    variant("tree_storage_loop", [(entry_offset(3) + 76, "<I", 3)])
    variant("tree_shared_entry", [(entry_offset(1) + 68, "<I", 4)])
    variant("tree_id_out_of_range", [(entry_offset(2) + 72, "<I", 0x00FFFFFF)])
    variant("tree_reaches_root", [(entry_offset(1) + 72, "<I", 0)])
    variant("tree_reaches_unused", [(entry_offset(1) + 72, "<I", 6)])
    variant("root_not_root", [(entry_offset(0) + 66, "<B", 1)])
    variant("entry_type_garbage", [(entry_offset(1) + 66, "<B", 9)])
    variant("name_length_huge", [(entry_offset(1) + 64, "<H", 0xFFFF)])
    variant("cross_linked_chains", [(entry_offset(1) + 116, "<I", lay["ministream"])])
    variant("fat_count_huge", [(44, "<I", 0xFFFFFFFF)])
    variant("fat_count_zero", [(44, "<I", 0)])
    # More FAT sectors than the header lists need DIFAT sectors, and a file long enough to hold them.
    variant("difat_loop", [(44, "<I", 240), (68, "<I", lay["big"][0]), (72, "<I", 1),
                           (sector_offset(lay["big"][0]) + ss - 4, "<I", lay["big"][0])], padding=250)
    variant("difat_out_of_range", [(44, "<I", 120), (68, "<I", 0x0FFFFFFF), (72, "<I", 1)], padding=130)
    variant("fat_sector_listed_twice", [(44, "<I", 2), (80, "<I", 0)])

    def difat_variant(name, count, link):
        """110 FAT sectors, the last listed by the one DIFAT sector the file needs: the new FAT
        sectors (all free) and the DIFAT sector follow the file's own sectors."""
        first = len(base) // ss - 1
        fats = [lay["fat"]] + list(range(first, first + 109))
        difat_id = first + 109
        b = bytearray(base) + b"\xff" * (109 * ss) + bytes(ss)
        struct.pack_into("<III", b, 68, difat_id, count, 0)
        struct.pack_into("<I", b, 44, len(fats))
        struct.pack_into("<109I", b, 76, *fats[:109])
        sector = [fats[109]] + [FREE] * (ss // 4 - 2) + [difat_id if link == "self" else link]
        struct.pack_into("<%dI" % (ss // 4), b, sector_offset(difat_id), *sector)
        files[name] = b

    difat_variant("difat_listed", 1, END)
    # The DIFAT sector naming itself: counted twice, or once and running on; a count that disagrees.
    difat_variant("difat_self_link", 2, "self")
    difat_variant("difat_runs_on", 1, "self")
    difat_variant("difat_count_high", 2, END)
    difat_variant("difat_count_zero", 0, END)
    variant("bad_signature", [(0, "<B", 0xD1)])
    variant("bad_byte_order", [(28, "<H", 0xFEFF)])
    variant("v3_with_4k_sectors", [(30, "<H", 12)])
    variant("bad_mini_cutoff", [(56, "<I", 100)])
    files["duplicate_names"] = bytearray(base)
    # "tiny" renamed "TINY" next to... a second "tiny": rename "big" to "TINY" (length changes too).
    dup = files["duplicate_names"]
    raw = "TINY".encode("utf-16-le")
    dup[entry_offset(1):entry_offset(1) + 64] = raw + bytes(64 - len(raw))
    struct.pack_into("<H", dup, entry_offset(1) + 64, len(raw) + 2)
    files["signature_only"] = bytearray(bytes.fromhex("d0cf11e0a1b11ae1") + bytes(4088))

    for name, data in files.items():
        (out / name).write_bytes(bytes(data))
    print("wrote %d files to %s" % (len(files), out))


if __name__ == "__main__":
    main()
