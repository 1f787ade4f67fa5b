#!/usr/bin/env python3
"""Writes the corpus of sheet-label clipboard data for fuzz/sheetlabel: a stored object list (a 32-bit
count, then components in the class library's binary form) whose first object's name carries the size
of the face it was copied from ("Size" and sixteen hexadecimal digits). Valid lists and damaged ones:
names too short, too long, of other letters or case, sizes at the ends of the range, empty lists, lists
cut short, bad counts, unknown classes."""

import os
import struct
import sys

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'fuzz', 'sheetlabel', 'corpus')


def short(s):
    b = s.encode('latin-1')
    return bytes([len(b)]) + b


def integer(v):
    if -128 <= v <= 127:
        return b'\x02' + struct.pack('<b', v)
    if -32768 <= v <= 32767:
        return b'\x03' + struct.pack('<h', v)
    return b'\x04' + struct.pack('<i', v)


def prop(name, value):
    return short(name) + value


def component(cls, name, props=b''):
    return b'TPF0' + short(cls) + short(name) + props + b'\x00' + b'\x00'


def rect(name='', l=100, t=200, w=300, h=150, extra=b''):
    return component('TLORect', name,
                     prop('Left', integer(l)) + prop('Top', integer(t)) + prop('Width', integer(w)) +
                     prop('Height', integer(h)) + extra)


def objects(*parts, count=None):
    return struct.pack('<i', len(parts) if count is None else count) + b''.join(parts)


def size_name(w, h):
    return 'Size%08X%08X' % (w & 0xFFFFFFFF, h & 0xFFFFFFFF)


def main():
    os.makedirs(OUT, exist_ok=True)
    filled = prop('FillInside', b'\x09') + prop('Angle', integer(450))
    valid = objects(rect(size_name(1000, 600)), rect('', 600, 400, 500, 300, filled))
    files = {
        'valid_same_size': valid,
        'valid_other_size': objects(rect(size_name(2000, 1200)), rect()),
        'valid_lower_case': objects(rect(size_name(1000, 600).lower().replace('size', 'Size')), rect()),
        'size_all_ones': objects(rect(size_name(-1, -1))),
        'size_zero': objects(rect(size_name(0, 0), 0, 0, 0, 0)),
        'name_missing': objects(rect(), rect()),
        'name_short': objects(rect(size_name(1000, 600)[:-1])),
        'name_long': objects(rect(size_name(1000, 600) + '0')),
        'name_other_letters': objects(rect('Size000003E80000025G')),
        'name_other_prefix': objects(rect('Sise000003E800000258')),
        'name_on_second': objects(rect(), rect(size_name(1000, 600))),
        'far_off_page': objects(rect(size_name(1000, 600), -0x7FFFFFFF, 0x7FFFFF00, 0x7FFFFFFF, 5)),
        'empty': objects(),
        'count_only_huge': struct.pack('<i', 0x7FFFFFFF),
        'count_negative': struct.pack('<i', -1) + rect(),
        'count_larger_than_data': objects(rect(size_name(1000, 600)), count=40),
        'unknown_class': objects(component('TNoSuchClass', size_name(1000, 600))),
        'abstract_class': objects(component('TLORectBase', size_name(1000, 600))),
        'bad_name': objects(rect('Size 00003E800000258')),
        # Found by fuzzing: a centre so far off the page that the way back passed the int range.
        'keep_inside_overflow': objects(component('TLORect', size_name(1000, 600), prop('Left', integer(-0x7FFFFFFF)) +
                                                  prop('Top', integer(0x7FFFFF00)) +
                                                  prop('Widtx', integer(0x7FFFFFFF)) + prop('Height', integer(5)))),
    }
    for cut in (3, 4, 12, len(valid) // 2, len(valid) - 1):
        files['valid_cut_%d' % cut] = valid[:cut]
    for name, data in files.items():
        with open(os.path.join(OUT, name), 'wb') as f:
            f.write(data)
    return 0


if __name__ == '__main__':
    sys.exit(main())
