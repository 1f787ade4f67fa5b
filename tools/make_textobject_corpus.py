#!/usr/bin/env python3
"""Writes the corpus of stored text objects for fuzz/textobject from the golden text of the layout
tests: the text itself, cut short at several places, and with hostile values appended (a later
property overrides an earlier one): huge and negative font sizes, outline widths, shadow offsets,
spacings, bulges and angles, a distortion of huge counts, and bad tags. Date texts (the date as a
date value and as an extended value, out of the calendar, not a number, an unknown macro in the
format, a flag out of range) and wizard texts are made from it too."""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
GOLDEN = os.path.join(HERE, '..', 'tests', 'pageobjects', 'layout', 'data', 'lotext.bin')
OUT = os.path.join(HERE, '..', 'fuzz', 'textobject', 'corpus')


def short(s):
    b = s.encode('latin-1')
    return bytes([len(b)]) + b


def int32(v):
    return b'\x04' + struct.pack('<i', v)


def with_props(golden, props):
    # The object ends with the end of its properties and the end of its (no) children.
    assert golden.endswith(b'\x00\x00')
    return golden[:-2] + props + b'\x00\x00'


def main():
    golden = open(GOLDEN, 'rb').read()
    os.makedirs(OUT, exist_ok=True)
    cases = {'golden': golden}
    for cut in (5, 12, 40, 90, 200, len(golden) - 1):
        cases['cut%d' % cut] = golden[:cut]
    hostile = {
        'font-size-max': [('Font.Size', int32(0x7FFFFFFF))],
        'font-size-min': [('Font.Size', int32(-0x80000000))],
        'outline-huge': [('Outline', b'\x09'), ('OutLineWidth', int32(0x7FFFFFFF))],
        'shadow-huge': [('ShadowOffsetX', int32(0x7FFFFFFF)), ('ShadowOffsetY', int32(-0x80000000))],
        'spacing-huge': [('CharSpacing', int32(0x7FFFFFFF)), ('LineSpacing', int32(0x7FFFFFFF))],
        'bulge-max': [('Bulge', int32(0x7FFFFFFF))],
        'bulge-min': [('Bulge', int32(-0x80000000)), ('Vertical', b'\x08')],
        'angle-min': [('Angle', int32(-0x80000000)), ('FeedAngle', int32(0x7FFFFFFF))],
        'align-arc': [('Align', int32(4)), ('Width', int32(0x7FFFFFFF))],
        'align-arc-down': [('Align', int32(5)), ('Height', int32(-0x80000000))],
        'size-huge': [('Left', int32(-0x80000000)), ('Width', int32(0x7FFFFFFF)), ('Height', int32(0x7FFFFFFF))],
        'ratio-huge': [('DistortionRatio', int32(-0x80000000))],
        'diagonal': [('DiagonalAlign', int32(2))],
        'distortion-counts': [('CoonsDistortion.Data', b'\x0a' + struct.pack('<i', 32) + b'\x00' * 16 +
                               struct.pack('<iiii', 0x7FFFFFFF, 2, 2, 2))],
        'bad-tag': [('Bulge', b'\x7f\x01')],
        'charset-unknown': [('Font.Charset', b'\x07' + short('NO_CHARSET'))],
        'name-unknown': [('Font.Name', b'\x06' + short('No Such Face'))],
        'name-empty': [('Font.Name', b'\x06\x00')],
    }
    for name, props in hostile.items():
        cases[name] = with_props(golden, b''.join(short(n) + v for n, v in props))
    date = golden.replace(b'\x07TLOText', b'\x07TLODate', 1)
    fmt = short('Format') + b'\x06' + short('yyyy/mm/dd')
    flag = short('UpdateFlag') + b'\x07' + short('dufOpen')
    dated = {
        'date': [fmt, short('Date') + b'\x11' + struct.pack('<d', 37320.5), flag],
        'date-extended': [fmt, short('Date') + b'\x05' + b'\x00' * 6 + b'\x40\x92\x0e\x40'],
        'date-huge': [fmt, short('Date') + b'\x11' + struct.pack('<d', 1e300)],
        'date-nan': [fmt, short('Date') + b'\x11' + struct.pack('<Q', 0x7FF8000000000001)],
        'date-macro': [short('Format') + b'\x06' + short('$(NoSuchMacro) yyyy'),
                       short('Date') + b'\x11' + struct.pack('<d', 1.0)],
        'date-flag-bad': [short('UpdateFlag') + b'\x07' + short('dufLater')],
        'date-format-cut': [fmt[:9]],
    }
    for name, props in dated.items():
        cases[name] = with_props(date, b''.join(props))
    wizard = golden.replace(b'\x07TLOText', b'\x0dTLOWizardText', 1)
    cases['wizard'] = with_props(wizard, short('wizInputEnable') + b'\x09' + short('wizInputCaption') +
                                 b'\x06' + short('Name'))
    for name, data in cases.items():
        with open(os.path.join(OUT, name + '.bin'), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
