#!/usr/bin/env python3
"""Writes the inputs that the picture and resource-file fuzz targets replay in CTest: valid
stored pictures of every registered class, and damaged ones (cut, huge claims, bad lengths)."""
import os
import struct
import sys
import zlib

ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..")


def bmp(width=2, height=2, bpp=24, compression=0, clr_used=0, off_bits=None, rows=None):
    stride = ((width * bpp + 31) // 32) * 4 if 0 < width < 1 << 16 else 4
    table = b"" if bpp > 8 else b"\x00\x00\x00\x00\xff\xff\xff\x00" * (1 << bpp >> 1)
    pixels = rows if rows is not None else bytes(range(stride * abs(height) if abs(height) < 64 else 4))
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(pixels), 2835, 2835,
                       clr_used, 0)
    offset = 14 + len(info) + len(table) if off_bits is None else off_bits
    return b"BM" + struct.pack("<IHHI", 14 + len(info) + len(table) + len(pixels), 0, 0, offset) + info + table + pixels


def container(payload, claim=None):
    return b"ZLIBCompress\x1a" + struct.pack("<i", len(payload) if claim is None else claim) + zlib.compress(payload, 9)


def png(width=2, height=2, crc_ok=True, raw=None):
    def chunk(kind, body):
        crc = zlib.crc32(kind + body) & 0xFFFFFFFF
        if not crc_ok and kind == b"IHDR":
            crc ^= 1
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", crc)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    if raw is None:
        raw = b"".join(b"\x00" + b"".join(bytes([x * 60, y * 90, 200]) for x in range(width)) for y in range(height))
    data = raw
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(data)) + chunk(b"IEND", b"")


def jpeg(width=8, height=8):
    """A baseline grey JPEG whose every block has DC 0 and no AC: one-code Huffman tables."""
    out = b"\xff\xd8"
    out += b"\xff\xdb" + struct.pack(">H", 67) + b"\x00" + b"\x01" * 64
    out += b"\xff\xc0" + struct.pack(">HBHHB", 11, 8, height, width, 1) + b"\x01\x11\x00"
    bits = b"\x01" + b"\x00" * 15
    out += b"\xff\xc4" + struct.pack(">H", 2 + 1 + 16 + 1) + b"\x00" + bits + b"\x00"
    out += b"\xff\xc4" + struct.pack(">H", 2 + 1 + 16 + 1) + b"\x10" + bits + b"\x00"
    out += b"\xff\xda" + struct.pack(">HB", 8, 1) + b"\x01\x00" + b"\x00\x3f\x00"
    blocks = max(1, ((width + 7) // 8) * ((height + 7) // 8))
    nbits = 2 * min(blocks, 4096)
    data = bytearray(b"\x00" * (nbits // 8))
    if nbits % 8:
        data.append((0xFF >> (nbits % 8)) & 0xFF)
    return out + bytes(data) + b"\xff\xd9"


# 1 x 1, colour 0 transparent; LZW codes clear, 0, end of 3 bits each.
GIF_1X1 = (b"GIF89a" + bytes.fromhex("0100 0100 80 00 00 000000 ffffff") +
           bytes.fromhex("21f9 04 01 0000 00 00 2c 0000 0000 0100 0100 00 02 02 4401 00 3b"))


def icon(image, count=1, offset=22, size=None):
    entry = struct.pack("<BBBBHHII", 1, 1, 0, 0, 1, 32, len(image) if size is None else size, offset)
    return struct.pack("<HHH", 0, 1, count) + entry + image


ICON_IMAGE = struct.pack("<IiiHHIIiiII", 40, 1, 2, 1, 32, 0, 0, 0, 0, 0, 0) + b"\x30\x40\x50\xff" + b"\x00" * 4

EMF = struct.pack("<II4i4iIII", 1, 88, 0, 0, 0, 0, 0, 0, 2540, 2540, 0x464D4520, 0x10000, 88) + b"\x00" * 36


def stored(name, data, length=None):
    name = name.encode("latin-1")
    return bytes([len(name)]) + name + struct.pack("<i", len(data) if length is None else length) + data


def res_entry(kind, name, data, header_size=None, data_size=None):
    def field(v):
        if isinstance(v, int):
            return struct.pack("<HH", 0xFFFF, v)
        return v.encode("utf-16-le") + b"\x00\x00"
    fields = field(kind) + field(name)
    fields += b"\x00" * (-len(fields) % 4) + b"\x00" * 16
    head = struct.pack("<II", len(data) if data_size is None else data_size,
                       8 + len(fields) if header_size is None else header_size)
    body = head + fields + data
    return body + b"\x00" * (-len(body) % 4)


def main():
    pictures = {
        "empty": b"\x00",
        "bitmap": stored("TSafetyBitmap", bmp()),
        "bitmap_framework": stored("TBitmap", bmp(3, -2)),
        "bitmap_packed": stored("TSafetyBitmap", container(bmp(4, 4, 8))),
        "bitmap_packed_claim_huge": stored("TSafetyBitmap", container(bmp(), 0x7FFFFFFF)),
        "bitmap_1bit": stored("TSafetyBitmap", bmp(9, 3, 1)),
        "bitmap_huge_width": stored("TSafetyBitmap", bmp(0x7FFFFFFF, 2)),
        "bitmap_huge_height": stored("TSafetyBitmap", bmp(2, -0x7FFFFFFF)),
        "bitmap_bad_bits": stored("TSafetyBitmap", bmp(2, 2, 7)),
        "bitmap_rle": stored("TSafetyBitmap", bmp(2, 2, 8, compression=1)),
        "bitmap_colours_overflow": stored("TSafetyBitmap", bmp(2, 2, 8, clr_used=0xFFFFFFFF)),
        "bitmap_offset_beyond": stored("TSafetyBitmap", bmp(off_bits=0x7FFFFFF0)),
        "bitmap_short_rows": stored("TSafetyBitmap", bmp(16, 16, rows=b"\x01\x02")),
        "bitmap_length_negative": stored("TSafetyBitmap", bmp(), -1),
        "bitmap_length_beyond": stored("TSafetyBitmap", bmp(), 100000),
        "jpeg": stored("TJPEGImage", jpeg()),
        "jpeg_safety": stored("TSafetyJPEGImage", jpeg(20, 12)),
        "jpeg_cut": stored("TJPEGImage", jpeg()[:-6]),
        "jpeg_header_only": stored("TJPEGImage", jpeg()[:40]),
        "jpeg_huge": stored("TJPEGImage", jpeg(65500, 65500)),
        "jpeg_tall_claim": stored("TJPEGImage", jpeg(15324, 65500)[:200]),
        "jpeg_zero_width": stored("TJPEGImage", jpeg(0, 8)),
        "jpeg_empty": stored("TJPEGImage", b""),
        "png": stored("TPNGImage", png()),
        "png_huge": stored("TPNGImage", png(100000, 100000, raw=b"\x00")),
        "png_bad_crc": stored("TPNGImage", png(crc_ok=False)),
        "png_cut": stored("TPNGImage", png()[:30]),
        "gif": stored("TGIFImage", GIF_1X1),
        "gif_huge_screen": stored("TGIFImage", GIF_1X1[:6] + b"\xff\xff\xff\xff" + GIF_1X1[10:]),
        "gif_no_image": stored("TGIFImage", b"GIF89a\x01\x00\x01\x00\x00\x00\x00\x3b"),
        "gif_cut": stored("TGIFImage", GIF_1X1[:-4]),
        "icon": stored("TIcon", icon(ICON_IMAGE)),
        "icon_offset_beyond": stored("TIcon", icon(ICON_IMAGE, offset=0x7FFFFFF0)),
        "icon_many_entries": stored("TIcon", icon(ICON_IMAGE, count=0xFFFF)),
        "icon_bad_png": stored("TIcon", icon(b"\x89PNG\r\n\x1a\n" + b"\x00" * 20)),
        "metafile_emf": stored("TMetafile", EMF),
        "metafile_recording_damaged": stored("TMetafile", b"QPIC" + b"\x07" * 40),
        "metafile_unknown": stored("TMetafile", b"nothing known"),
        "unknown_class": stored("TFooImage", b"payload"),
        "name_too_long": bytes([200]) + b"T" * 200,
        "name_cut": b"\x0dTSafety",
    }
    out = os.path.join(ROOT, "fuzz", "picture", "corpus")
    os.makedirs(out, exist_ok=True)
    for name, data in pictures.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)

    good = res_entry(0, 0, b"") + res_entry(2, "LOGO", bmp()[14:]) + res_entry("CBM", 1, container(bmp()))
    resfiles = {
        "valid": good,
        "zero_header": res_entry(2, "LOGO", b"x", header_size=0) + good,
        "header_beyond": res_entry(2, "LOGO", b"x", header_size=0x7FFFFFFF),
        "data_beyond": res_entry(2, "LOGO", b"x", data_size=0xFFFFFFF0),
        "cut": good[:-7],
        "unterminated_name": res_entry("CBM", "LOGOLOGOLOGO", b"x", header_size=18),
        "many_empty": res_entry(0, 0, b"") * 500 + res_entry(2, 1, b"found"),
        "tiny": b"\x00\x00\x00",
    }
    out = os.path.join(ROOT, "fuzz", "resfile", "corpus")
    os.makedirs(out, exist_ok=True)
    for name, data in resfiles.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    sys.exit(main())
