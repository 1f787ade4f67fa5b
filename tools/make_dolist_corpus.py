#!/usr/bin/env python3
"""Writes the corpus of stored object lists for fuzz/dolist: a 32-bit count, then components in
the class library's binary form ("TPF0", class and name, properties, children). Valid lists and
damaged ones: truncated, huge and negative counts, unknown classes, deep nesting, bad tags."""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from stored_components import bounds, child, component, integer, objects, prop, short, write_corpus  # noqa: E402

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'fuzz', 'dolist', 'corpus')


def rect(name='', l=10, t=20, w=100, h=50, extra=b''):
    return component('TFuzzRect', name, bounds(l, t, w, h) + extra)


def main():
    strings = b'\x01' + b'\x06' + short('key=value') + b'\x06' + short('x') + b'\x00'
    flags = prop('DontPrint', b'\x09') + prop('BlendRatio', integer(40)) + prop('Movable', b'\x08')
    valid = objects(rect('A'), rect('B', -5, -5, 3000, 70000, prop('Appendix.Strings', strings) + flags))
    files = {
        'valid_two': valid,
        'empty': objects(),
        'count_only_huge': struct.pack('<i', 0x7FFFFFFF),
        'count_negative': struct.pack('<i', -1) + rect(),
        'count_larger_than_data': objects(rect(), count=50),
        'count_cut': b'\x01\x00',
        'unknown_class': objects(component('TNoSuchClass', '', prop('Left', integer(1)))),
        'other_component': objects(component('TFuzzThing', 'T', prop('Tag', integer(5))), rect()),
        'other_with_children': objects(component('TFuzzThing', '', b'', child('TFuzzThing', 'C') * 3), rect()),
        'abstract_class': objects(component('TLORectBase', '')),
        'bad_signature': struct.pack('<i', 1) + b'TPF1' + rect()[4:],
        'bad_value_tag': objects(component('TFuzzRect', '', prop('Left', b'\x63\x01'))),
        'wrong_kind': objects(component('TFuzzRect', '', prop('Left', b'\x06' + short('text')))),
        'negative_string_length': objects(component('TFuzzRect', '', prop('Appendix.Strings', b'\x01\x0c\xff\xff\xff\xff\x00'))),
        'unknown_property': objects(component('TFuzzRect', '', prop('NoSuch', integer(3)) + prop('Left', integer(7)))),
        'bad_name': objects(component('TFuzzRect', '1bad')),
        # Found by fuzzing: a stored Top and Height whose sum passes the int range.
        'rect_edge_overflow_cut': bytes.fromhex('0200000054504630095446757a7a52656374014103546f70'
                                                '047000aa8a06486569676874047011' '01aa'),
        'rect_edge_overflow': objects(rect('', -0x7FFFFFFF, -0x75558000, 0x7FFFFFFF, -0x7FFFFFFF)),
    }
    deep = b''
    for _ in range(200):
        deep = child('TFuzzThing', '', b'', deep)
    files['deep_children'] = objects(component('TFuzzThing', '', b'', deep))
    for cut in (4, 9, 20, len(valid) // 2, len(valid) - 1):
        files['valid_cut_%d' % cut] = valid[:cut]
    write_corpus(OUT, files)
    return 0


if __name__ == '__main__':
    sys.exit(main())
