#!/usr/bin/env python3
"""Writes the damaged and valid inputs that the container fuzz target replays in CTest."""
import os
import struct
import sys
import zlib

SIG = b"ZLIBCompress\x1a"


def container(payload, claim=None, level=9):
    claim = len(payload) if claim is None else claim
    return SIG + struct.pack("<i", claim) + zlib.compress(payload, level)


def main(out):
    os.makedirs(out, exist_ok=True)
    text = b"the quick brown fox " * 200
    good = container(text)
    cases = {
        "valid": good,
        "valid_empty": container(b""),
        "valid_stored": container(b"A", level=0),
        "signature_only": SIG,
        "length_cut": SIG + b"\x10\x00",
        "bare_header": SIG + struct.pack("<i", 5),
        "wrong_marker": b"ZLIBCompress\x1b" + good[13:],
        "short_signature": b"ZLIBCompres",
        "claim_negative": container(text, -1),
        "claim_huge": container(text, 0x7FFFFFFF),
        "claim_longer": container(text, len(text) + 1),
        "claim_shorter": container(text, len(text) - 1),
        "claim_zero": container(text, 0),
        "truncated_data": good[:40],
        "truncated_check": good[:-2],
        "bad_check": good[:-1] + bytes([good[-1] ^ 1]),
        "flipped_deflate": good[:20] + bytes([good[20] ^ 0xFF]) + good[21:],
        "bad_zlib_header": SIG + struct.pack("<i", 4) + b"\x00\x00\x00\x00",
        "preset_dictionary": SIG + struct.pack("<i", 4) + b"\x78\xbb\x00\x00\x00\x01\x00",
        "trailing_garbage": good + b"garbage after the stream",
        "bomb_claim_small": container(b"\x00" * 1000000, 100),
        "nested": container(good),
    }
    for name, data in cases.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", "fuzz", "container", "corpus"))
