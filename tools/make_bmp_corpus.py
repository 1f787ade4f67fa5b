#!/usr/bin/env python3
"""Writes the valid and damaged bitmap files that the bitmap fuzz target replays in CTest."""
import os
import struct
import sys
import zlib

SIG = b"ZLIBCompress\x1a"


def stride(width, bits):
    return ((width * bits + 31) & ~31) // 8


def info_header(width, height, bits, compression=0, size_image=0, clr_used=0, planes=1, size=40):
    head = struct.pack("<IiiHHIIiiII", 40, width, height, planes, bits, compression, size_image, 0, 0,
                       clr_used, 0)
    if size > 40:
        head = struct.pack("<I", size) + head[4:] + bytes(size - 40)
    return head


def bmp(width, height, bits, table=b"", rows=None, compression=0, clr_used=0, off_bits=None, planes=1,
        masks=b"", size_image=0, header=None):
    head = header if header is not None else info_header(width, height, bits, compression, size_image,
                                                         clr_used, planes)
    if rows is None:
        rows = bytes((i * 7) & 0xFF for i in range(stride(abs(width), bits) * abs(height)))
    prefix = 14 + len(head) + len(masks) + len(table)
    off = prefix if off_bits is None else off_bits
    return b"BM" + struct.pack("<IHHI", prefix + len(rows), 0, 0, off) + head + masks + table + rows


def table(n):
    return b"".join(struct.pack("<BBBB", i & 0xFF, (i * 3) & 0xFF, (i * 5) & 0xFF, 0) for i in range(n))


def container(payload, claim=None):
    claim = len(payload) if claim is None else claim
    return SIG + struct.pack("<i", claim) + zlib.compress(payload, 9)


def main(out):
    os.makedirs(out, exist_ok=True)
    good24 = bmp(5, 3, 24)
    cases = {
        "valid_1bit": bmp(17, 3, 1, table(2)),
        "valid_4bit": bmp(7, 4, 4, table(16)),
        "valid_8bit": bmp(9, 2, 8, table(256)),
        "valid_8bit_short_table": bmp(9, 2, 8, table(3), clr_used=3),
        "valid_16bit": bmp(3, 3, 16),
        "valid_16bit_fields": bmp(3, 3, 16, compression=3, masks=struct.pack("<III", 0xF800, 0x07E0, 0x1F)),
        "valid_24bit": good24,
        "valid_24bit_topdown": bmp(5, -3, 24),
        "valid_32bit": bmp(4, 2, 32),
        "valid_32bit_fields": bmp(4, 2, 32, compression=3, masks=struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)),
        "valid_v5_header": bmp(2, 2, 24, header=info_header(2, 2, 24, size=124)),
        "valid_core": b"BM" + struct.pack("<IHHI", 36, 0, 0, 32) + struct.pack("<IHHHH", 12, 1, 1, 1, 1)
        + b"\x00\x00\x00\xff\xff\xff" + b"\x80\x00\x00\x00",
        "valid_packed": container(good24),
        "valid_offset_gap": good24[:10] + struct.pack("<I", 60) + good24[14:54] + b"\x77" * 6 + good24[54:],
        "empty": b"",
        "one_byte": b"B",
        "signature_only": b"BM",
        "file_header_only": good24[:14],
        "header_cut": good24[:30],
        "rows_cut": good24[:-1],
        "wrong_signature": b"MB" + good24[2:],
        "header_size_huge": good24[:14] + struct.pack("<I", 0xFFFFFFF0) + good24[18:],
        "header_size_small": good24[:14] + struct.pack("<I", 20) + good24[18:],
        "width_huge": bmp(0x7FFFFFFF, 1, 24, rows=b"\x00" * 16),
        "width_negative": bmp(-5, 3, 24, rows=b"\x00" * 48),
        "height_most_negative": bmp(1, -0x80000000, 24, rows=b"\x00" * 4),
        "area_huge": bmp(60000, 60000, 32, rows=b"\x00" * 64),
        "planes_zero": bmp(2, 2, 24, planes=0),
        "planes_many": bmp(2, 2, 8, table(256), planes=0xFFFF),
        "bits_odd": bmp(2, 2, 7, rows=b"\x00" * 8),
        "bits_zero": bmp(2, 2, 0, rows=b"\x00" * 8),
        "rle8": bmp(4, 4, 8, table(256), rows=b"\x04\x01\x00\x01", compression=1),
        "rle4": bmp(4, 4, 4, table(16), rows=b"\x04\x11\x00\x01", compression=2),
        "jpeg_inside": bmp(4, 4, 24, rows=b"\xff\xd8\xff\xd9", compression=4),
        "fields_on_24bit": bmp(2, 2, 24, compression=3, masks=b"\x00" * 12),
        "valid_fields_zero_masks": bmp(2, 2, 32, compression=3, masks=b"\x00" * 12),
        "valid_fields_full_masks": bmp(2, 2, 16, compression=3, masks=b"\xff" * 12),
        "clr_used_huge": bmp(2, 2, 8, table(4), clr_used=0xFFFFFFFF),
        "clr_used_over_bits": bmp(2, 2, 1, table(4), clr_used=3),
        "valid_clr_used_on_24bit": bmp(2, 2, 24, table(200), clr_used=200),
        "size_image_huge": bmp(2, 2, 16, compression=3, masks=b"\x00" * 12, size_image=0x7FFFFFFF),
        "size_image_small": bmp(64, 64, 32, compression=3, masks=b"\x00" * 12, size_image=4, rows=b"\x00" * 4),
        "valid_offset_past_end": good24[:10] + struct.pack("<I", 0xFFFFFFFF) + good24[14:],
        "valid_offset_inside_header": good24[:10] + struct.pack("<I", 20) + good24[14:],
        "core_cut": b"BM" + struct.pack("<IHHI", 36, 0, 0, 32) + struct.pack("<IHH", 12, 1, 1),
        "core_16bit": b"BM" + struct.pack("<IHHI", 32, 0, 0, 26) + struct.pack("<IHHHH", 12, 1, 1, 1, 16)
        + b"\x00\x00\x00\x00",
        "packed_claim_huge": container(good24, 0x7FFFFFFF),
        "packed_claim_negative": container(good24, -1),
        "packed_claim_short": container(good24, 20),
        "packed_not_bitmap": container(b"not a bitmap at all"),
        "packed_cut": container(good24)[:25],
        "packed_packed": container(container(good24)),
    }
    for name, data in cases.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "bmp",
                                                                "corpus"))
