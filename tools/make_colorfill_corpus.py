#!/usr/bin/env python3
"""Writes the valid and damaged stored colour specs and image data that the colour-spec fuzz
target replays in CTest: component streams of a holder with a "Fill" colour spec and an "Image"
image data, written by hand from the binary component stream format."""
import os
import struct
import sys


def s(text):
    b = text.encode("latin-1")
    return bytes([len(b)]) + b


def integer(v):
    if -128 <= v <= 127:
        return b"\x02" + struct.pack("<b", v)
    if -32768 <= v <= 32767:
        return b"\x03" + struct.pack("<h", v)
    return b"\x04" + struct.pack("<i", v)


def ident(name):
    return b"\x07" + s(name)


def binary(data):
    return b"\x0a" + struct.pack("<i", len(data)) + data


def int_list(*values):
    return b"\x01" + b"".join(integer(v) for v in values) + b"\x00"


def prop(name, value):
    return s(name) + value


def holder(*props):
    return b"TPF0" + s("TFuzzHolder") + s("") + b"".join(props) + b"\x00\x00"


def bmp(width, height, pixel=b"\x10\x80\xf0"):
    stride = (width * 3 + 3) & ~3
    rows = (pixel * width + bytes(stride - width * 3)) * height
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(rows), 0, 0, 0, 0)
    return b"BM" + struct.pack("<IHHI", 54 + len(rows), 0, 0, 54) + info + rows


def picture_data(width, height):
    # The picture's "Data": the graphic's class name, then its own data (length and bitmap file).
    file = bmp(width, height)
    return binary(s("TBitmap") + struct.pack("<i", len(file)) + file)


def colors(*values, count=None):
    count = len(values) if count is None else count
    return binary(struct.pack("<i", count) + b"".join(struct.pack("<i", v) for v in values))


def main(out_dir):
    os.makedirs(out_dir, exist_ok=True)
    gradation = holder(prop("Fill.Kind", ident("cskGradation")), prop("Fill.GradAngle", integer(45)),
                       prop("Fill.GradKind", ident("rgkConeClockwise")),
                       prop("Fill.GradColors.RepeatCount", integer(3)),
                       prop("Fill.GradColors.Colors", colors(0xFF, 0xFF0000, 0x00FF00)))
    tiled = holder(prop("Fill.Tile", b"\x09"), prop("Fill.Kind", ident("cskBitmap")), prop("Fill.TileShift", b"\x09"),
                   prop("Fill.ImageData.Picture.Data", picture_data(3, 2)),
                   prop("Fill.ImageData.ClipFilter.ClipRect", int_list(1, 0, 3, 2)))
    image = holder(prop("Image.Picture.Data", picture_data(5, 4)),
                   prop("Image.ClipFilter.ClipRect", int_list(-20, -20, 30, 30)),
                   prop("Image.BlurFilter.BlurCount", integer(-3)),
                   prop("Image.LightFilter.Brightness", integer(20)),
                   prop("Image.LightFilter.Contrast", integer(-200)),
                   prop("Image.MonotoneFilter.RefColor", integer(0x123456)),
                   prop("Image.TransparentColor", integer(0xF0F0F0)))
    files = {
        "gradation.bin": gradation,
        "tiled.bin": tiled,
        "image.bin": image,
        "repeat_huge.bin": holder(prop("Fill.Kind", ident("cskGradation")),
                                  prop("Fill.GradColors.RepeatCount", integer(0x7FFFFFFF))),
        "repeat_negative.bin": holder(prop("Fill.Kind", ident("cskGradation")),
                                      prop("Fill.GradColors.RepeatCount", integer(-5))),
        "colors_negative.bin": holder(prop("Fill.GradColors.Colors", colors(count=-1))),
        "colors_past_data.bin": holder(prop("Fill.GradColors.Colors", colors(1, 2, count=1000))),
        "colors_huge.bin": holder(prop("Fill.GradColors.Colors", colors(count=0x7FFFFFFF))),
        "colors_empty.bin": holder(prop("Fill.Kind", ident("cskGradation")),
                                   prop("Fill.GradColors.Colors", colors())),
        "colors_short.bin": holder(prop("Fill.GradColors.Colors", binary(b"\x01\x00"))),
        "clip_three.bin": holder(prop("Image.ClipFilter.ClipRect", int_list(1, 2, 3))),
        "clip_five.bin": holder(prop("Image.ClipFilter.ClipRect", int_list(1, 2, 3, 4, 5))),
        "clip_huge.bin": holder(prop("Image.Picture.Data", picture_data(2, 2)),
                                prop("Image.ClipFilter.ClipRect", int_list(-0x7FFFFFFF, -0x7FFFFFFF, 0x7FFFFFFF,
                                                                           0x7FFFFFFF))),
        "clip_wide.bin": holder(prop("Image.Picture.Data", picture_data(2, 2)),
                                prop("Image.ClipFilter.ClipRect", int_list(-1000000, 0, 1000000, 2))),
        "clip_inverted.bin": holder(prop("Image.Picture.Data", picture_data(2, 2)),
                                    prop("Image.ClipFilter.ClipRect", int_list(5, 5, -5, -5))),
        "clip_string.bin": holder(prop("Image.ClipFilter.ClipRect", b"\x01\x06" + s("x") + b"\x00")),
        "clip_not_list.bin": holder(prop("Image.ClipFilter.ClipRect", integer(4))),
        "kind_unknown.bin": holder(prop("Fill.Kind", ident("cskPlasma"))),
        "gradkind_number.bin": holder(prop("Fill.GradKind", integer(99))),
        "tile_zero_picture.bin": holder(prop("Fill.Tile", b"\x09"), prop("Fill.Kind", ident("cskBitmap")),
                                        prop("Fill.ImageData.Picture.Data", picture_data(0, 0))),
    }
    for name, data in list(files.items())[:3]:
        for cut in (5, len(data) // 3, len(data) // 2, len(data) - 3):
            files["cut%d_%s" % (cut, name)] = data[:cut]
    for name, data in files.items():
        with open(os.path.join(out_dir, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else
         os.path.join(os.path.dirname(__file__), "..", "fuzz", "colorfill", "corpus"))
