#!/usr/bin/env python3
"""Prints the lines of every text object a saved document holds, one line each, from every stream of
the document's compound file (a compressed stream is "ZLIBCompress", 0x1A, its size, then zlib data):
a stored text's lines follow its "Text.Strings" property as a list of strings (CP932, or UTF-16 or
UTF-8 when CP932 cannot hold them).
    saved_texts.py <document>"""

import struct
import sys
import zlib

import olefile

MARK = b'\x0cText.Strings\x01'
ZLIB = b'ZLIBCompress\x1a'


def strings(data, at):
    """The strings of the list that starts at `at`, up to its end marker (or the data's end)."""
    while at < len(data) and data[at] != 0:
        kind = data[at]
        at += 1
        if kind == 6:
            size, at = data[at], at + 1
            yield data[at:at + size].decode('cp932', 'replace')
        elif kind in (12, 18, 20):
            (size,) = struct.unpack_from('<i', data, at)
            at += 4
            if kind == 18:
                size *= 2
            raw = data[at:at + size]
            yield raw.decode({12: 'cp932', 18: 'utf-16-le', 20: 'utf-8'}[kind], 'replace')
        else:
            return
        at += size


def main():
    with olefile.OleFileIO(sys.argv[1]) as document:
        for path in document.listdir(streams=True, storages=False):
            data = document.openstream(path).read()
            if data.startswith(ZLIB):
                data = zlib.decompress(data[len(ZLIB) + 4:])
            at = data.find(MARK)
            while at >= 0:
                for line in strings(data, at + len(MARK)):
                    print(line)
                at = data.find(MARK, at + 1)


if __name__ == '__main__':
    main()
