#!/usr/bin/env python3
"""Writes the corpus of sheet-label clipboard data for fuzz/sheetlabel: a stored object list (a 32-bit
count, then components in the class library's binary form) whose first object's name carries the size
of the face it was copied from ("Size" and sixteen hexadecimal digits). Valid lists and damaged ones:
names too short, too long, of other letters or case, sizes at the ends of the range, empty lists, lists
cut short, bad counts, unknown classes."""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from stored_components import bounds, component, integer, objects, prop, write_corpus  # noqa: E402

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'fuzz', 'sheetlabel', 'corpus')


def rect(name='', l=100, t=200, w=300, h=150, extra=b''):
    return component('TLORect', name, bounds(l, t, w, h) + extra)


def size_name(w, h):
    return 'Size%08X%08X' % (w & 0xFFFFFFFF, h & 0xFFFFFFFF)


def main():
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
    write_corpus(OUT, files)
    return 0


if __name__ == '__main__':
    sys.exit(main())
