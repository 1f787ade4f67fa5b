#!/usr/bin/env python3
"""Writes the corpus of stored object lists for fuzz/layoutobjects: a 32-bit count, then page
objects in the class library's binary form. Lines, curves, rectangles, circles, pictures, masks,
decorated lines, decorated strings, album photos, bar codes, groups (nested) and backgrounds, with ordinary and extreme values."""

import os
import struct
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_picture_corpus import bmp, stored  # noqa: E402
from stored_components import bounds, child, integer, objects, prop, short, write_corpus  # noqa: E402

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', 'fuzz', 'layoutobjects', 'corpus')

TRUE, FALSE = b'\x09', b'\x08'


def body(cls, props=b'', children=b''):
    return child(cls, '', props, children)


def component(cls, props=b'', children=b''):
    return b'TPF0' + body(cls, props, children)


def line_props(sx, sy, ex, ey, width):
    return (prop('StartX', integer(sx)) + prop('StartY', integer(sy)) + prop('EndX', integer(ex)) +
            prop('EndY', integer(ey)) + prop('LineColor.Color', integer(0xFF)) + prop('LineWidth', integer(width)))


def rect_props(l, t, w, h, extra=b''):
    return bounds(l, t, w, h) + extra


def main():
    line = component('TLOLine', line_props(10, 10, 150, 90, 8))
    curve = component('TLOCurve', line_props(10, 100, 190, 100, 4) + prop('Bulge', integer(-40)))
    rect = component('TLORect', rect_props(20, 20, 100, 60, prop('FrameWidth', integer(6)) +
                                           prop('FillInside', TRUE) + prop('Angle', integer(30)) +
                                           prop('Round', TRUE)))
    circle = component('TLOCircle', rect_props(50, 30, 80, 80, prop('FrameWidth', integer(1))))
    image = component('TLOAlbumIllust', rect_props(0, 0, 90, 60, prop('Angle', integer(45)) +
                                                   prop('ImageSource', b'\x07' + short('isOnePoint'))))
    mask = component('TLOAlphaMask', rect_props(5, 5, 100, 100, prop('ShadeSize', integer(0x7FFFFFFF)) +
                                                prop('Angle', integer(-90))))
    deco = component('TLODecoLine', line_props(0, 0, 180, 140, 20))
    back = component('TLOBackImage', rect_props(0, 0, 200, 150, prop('FrameWidth', integer(12)) +
                                                prop('BlendRatio', integer(40))))
    group = component('TDOGroup', b'', body('TLORect', rect_props(1, 1, 30, 30)) +
                      body('TDOGroup', b'', body('TLOLine', line_props(0, 0, 40, 40, 3))))
    def string(s):
        b = s.encode('cp932')
        return b'\x06' + bytes([len(b)]) + b

    deco_string = component('TLODecoString', rect_props(10, 10, 180, 40, prop('Text', string('Abc 漢字 9!?')) +
                                                          prop('FontNo', integer(2)) + prop('Align', integer(3)) +
                                                          prop('Angle', integer(30))))
    jan = component('TLOJANCode', rect_props(10, 60, 180, 60, prop('Angle', integer(90)) +
                                               prop('JANCode', string('4901234567894')) +
                                               prop('Font.Size', integer(8)) + prop('ShowNumber', TRUE) +
                                               prop('ShowFrame', TRUE)))
    picture = stored('TBitmap', bmp(8, 6))
    photo_props = (prop('PhotoImageObj.Picture.Data', b'\x0a' + struct.pack('<i', len(picture)) + picture) +
                   prop('ImageSource', b'\x07' + short('isFile')) + prop('Shadow', TRUE) +
                   prop('ShadowX', integer(3)) + prop('ShadowY', integer(3)) + prop('ShadowShade', TRUE) +
                   prop('FitOuter', TRUE) + prop('DisplayDate', TRUE) + prop('DateFormat', string('yyyy/mm/dd')) +
                   prop('PhotoAngle', integer(-1)) + prop('Angle', integer(20)))
    photo = component('TLOAlbumPhoto', rect_props(10, 10, 150, 100, photo_props))
    files = {
        'all_kinds': objects(back, line, curve, rect, circle, image, mask, deco, group, photo),
        'photo_extreme_shadow': objects(component('TLOAlbumPhoto', rect_props(
            -0x7FFFFFFF, 0, 0x7FFFFFFF, 0x7FFFFFFF, prop('Shadow', TRUE) + prop('ShadowX', integer(0x7FFFFFFF)) +
            prop('ShadowY', integer(-0x80000000)) + prop('Angle', integer(90))))),
        'photo_bad_date_format': objects(component('TLOAlbumPhoto', rect_props(0, 0, 50, 80, prop(
            'DisplayDate', TRUE) + prop('DateFormat', string('$(Nothing) yyyy')) +
            prop('PhotoAngle', integer(-0x80000000))))),
        'deco_string_jan': objects(deco_string, jan),
        'deco_string_hostile': objects(
            component('TLODecoString', rect_props(-0x40000000, 0, 0x7FFFFFFF, 0x7FFFFFFF, prop('Text', string(
                'AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA')) + prop('FontNo', integer(-0x80000000)) +
                prop('Align', integer(0x7FFFFFFF)) + prop('Angle', integer(-0x80000000)))),
            component('TLODecoString', rect_props(0, 0, 3000, 3000, prop('Text', string('Z?')) +
                                                  prop('FontNo', integer(0x7FFFFFFF)) + prop('Angle', integer(45))))),
        'jan_hostile': objects(
            component('TLOJANCode', rect_props(-0x80000000, -0x80000000, 0x7FFFFFFF, 0x7FFFFFFF, prop(
                'JANCode', string('96385074')) + prop('Font.Size', integer(0x7FFFFFFF)) +
                prop('Angle', integer(0x7FFFFFFF)))),
            component('TLOJANCode', rect_props(0, 0, 2, 1, prop('JANCode', string('490123456789A')) +
                                               prop('Font.Size', integer(-0x80000000))))),
        'line_extreme': objects(component('TLOLine', line_props(-0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF,
                                                                0x7FFFFFFF, 0x7FFFFFFF))),
        'curve_huge_bulge': objects(component('TLOCurve', line_props(0, 0, 3, 0, 1) +
                                              prop('Bulge', integer(-0x80000000)))),
        'rect_negative_frame': objects(component('TLORect', rect_props(0, 0, 50, 50, prop('FrameWidth',
                                                                                          integer(-100000))))),
        'rect_huge': objects(component('TLORect', rect_props(-0x40000000, -0x40000000, 0x7FFFFFFF,
                                                             0x7FFFFFFF, prop('FillInside', TRUE)))),
        'deco_long_thin': objects(component('TLODecoLine', line_props(-0x7FFFFFFF, 0, 0x7FFFFFFF, 0, 1))),
        'group_empty': objects(component('TDOGroup')),
        'group_cut': objects(group)[:-5],
        'mask_huge_angle': objects(component('TLOAlphaMask', rect_props(0, 0, 10, 10, prop('Angle', integer(
            0x7FFFFFFF))))),
    }
    deep = body('TLOLine', line_props(0, 0, 5, 5, 1))
    for _ in range(100):
        deep = body('TDOGroup', b'', deep)
    files['group_deep'] = objects(b'TPF0' + deep)
    write_corpus(OUT, files)
    return 0


if __name__ == '__main__':
    sys.exit(main())
