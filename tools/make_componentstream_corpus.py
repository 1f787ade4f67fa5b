#!/usr/bin/env python3
"""Writes the corpus of the component-stream fuzz target: well-formed streams of the target's
classes and damaged ones (truncated, huge lengths and counts, deep nesting, unknown tags and
classes, bad names, references that go nowhere). Run from the repository root."""

import os
import struct

OUT = os.path.join("fuzz", "componentstream", "corpus")


def s(text):
    b = text.encode("cp932")
    return bytes([len(b)]) + b


def i8(v):
    return b"\x02" + struct.pack("<b", v)


def i16(v):
    return b"\x03" + struct.pack("<h", v)


def i32(v):
    return b"\x04" + struct.pack("<i", v)


def i64(v):
    return b"\x13" + struct.pack("<q", v)


def string(text):
    b = text.encode("cp932")
    return (b"\x06" + bytes([len(b)]) if len(b) < 256 else b"\x0c" + struct.pack("<i", len(b))) + b


def wide(text):
    b = text.encode("utf-16-le")
    return b"\x12" + struct.pack("<i", len(b) // 2) + b


def ident(text):
    return b"\x07" + s(text)


def ext_one():
    return b"\x05" + bytes(7) + b"\x80\xff\x3f"


def binary(data):
    return b"\x0a" + struct.pack("<i", len(data)) + data


def prop(name, value):
    return s(name) + value


def component(cls, name, props=b"", children=b""):
    return s(cls) + s(name) + props + b"\x00" + children + b"\x00"


def stream(root):
    return b"TPF0" + root


def resource(name, body):
    n = name.upper().encode("cp932")[:63]
    return b"\xff\x0a\x00" + n + b"\x00\x30\x10" + struct.pack("<i", len(body)) + body


NESTED = (prop("Nested.Kind", ident("fkThree")) + prop("Nested.Flags", b"\x0b" + s("ffA") + s("ffD") + b"\x00")
          + prop("Nested.Color", ident("clRed")) + prop("Nested.Angle", ext_one())
          + prop("Nested.Data", binary(struct.pack("<iii", 2, 7, -1))))
ITEMS = prop("Items", b"\x0e" + b"\x01" + prop("Left", i16(-300)) + prop("Text", string("日本")) +
             prop("Nested.Kind", ident("fkTwo")) + b"\x00" + i8(1) + b"\x01" + prop("Text", wide("한")) + b"\x00" +
             b"\x00")
FULL_PROPS = (prop("Tag", i32(100000)) + prop("Big", i64(1 << 40)) + prop("Flag", b"\x09") +
              prop("Caption", string("見出し")) + prop("Wide", wide("A한")) +
              prop("Lines.Strings", b"\x01" + string("one") + wide("두") + b"\x00") +
              prop("Half", b"\x0f" + struct.pack("<f", 1.5)) + prop("Price", b"\x10" + struct.pack("<q", 15000)) +
              prop("When", b"\x11" + struct.pack("<d", 36526.5)) + NESTED + ITEMS + prop("Link", ident("Child1")) +
              prop("OnDone", ident("Root1Done")))
CHILD = component("TFzRoot", "Child1", prop("Caption", string("child")) + prop("Link", ident("Owner")))
FULL = stream(component("TFzRoot", "Root1", FULL_PROPS, CHILD))


def write(name, data):
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(data)


def main():
    os.makedirs(OUT, exist_ok=True)
    write("valid_full", FULL)
    write("valid_resource", resource("TFzRoot", FULL))
    write("valid_alias", stream(component("TFzOld", "", prop("Caption", string("old")))))
    write("valid_empty_root", stream(component("TFzRoot", "")))
    write("valid_prefix_childpos", b"TPF0\xf2" + i8(3) + component("TFzRoot", "", b"", b"\xf3" + i16(9) +
                                                                     component("TFzRoot", "Kid")))
    write("valid_long_string", stream(component("TFzRoot", "", prop("Caption", string("x" * 400)))))
    for cut in (3, 4, 9, 15, 40, 77, 150, 230, len(FULL) - 2, len(FULL) - 1):
        write("truncated_%03d" % cut, FULL[:cut])
    write("truncated_resource", resource("TFzRoot", FULL)[:20])
    write("empty", b"")
    # Found by fuzzing: a single read from an extended too small for a single must be stored as
    # the zero it rounds to, or a second round trip drops it.
    write("single_from_tiny_extended", bytes.fromhex("545046300754467a526f6f7400044861"
                                                     "6c66053f0000ff0505000000" "3f0000"))
    write("single_beyond_range", stream(component("TFzRoot", "", prop("Half", b"\x15" + struct.pack("<d", 1e300)))))
    write("bad_signature", b"TPF1" + FULL[4:])
    write("bad_resource_header", b"\xff\x0b\x00AB\x00\x30\x10\x00\x00\x00\x00" + FULL)
    write("resource_name_unterminated", b"\xff\x0a\x00" + b"N" * 400)
    huge = {
        "huge_lstring": prop("Caption", b"\x0c\xff\xff\xff\x7f" + b"abc"),
        "negative_lstring": prop("Caption", b"\x0c\xfe\xff\xff\xff"),
        "huge_wstring": prop("Wide", b"\x12\xff\xff\xff\x3f" + b"a\x00"),
        "huge_utf8": prop("Caption", b"\x14\x00\x00\x00\x40"),
        "huge_binary": prop("Nested.Data", b"\x0a\xf0\xff\xff\x7f" + bytes(8)),
        "binary_bad_count": prop("Nested.Data", binary(struct.pack("<i", 0x7fffffff))),
        "unknown_huge_binary": prop("Gone", b"\x0a\xff\xff\xff\x7f"),
        "set_unterminated": prop("Nested.Flags", b"\x0b" + s("ffA") + s("ffB")),
        "set_unknown_member": prop("Nested.Flags", b"\x0b" + s("ffZ") + b"\x00"),
        "enum_unknown": prop("Nested.Kind", ident("fkNine")),
        "color_unknown": prop("Nested.Color", ident("clPlaid")),
        "int_as_string": prop("Tag", string("12")),
        "int64_into_integer": prop("Tag", i64(1 << 40)),
        "strings_not_list": prop("Lines.Strings", string("x")),
        "items_not_collection": prop("Items", i8(1)),
        "unknown_tag_in_value": prop("Gone", b"\x16\x00"),
        "unknown_tag_ff": prop("Gone", b"\xff"),
        "deep_lists": prop("Gone", b"\x01" * 500),
        "deep_unknown_collection": prop("Gone", (b"\x0e\x01" + s("X")) * 100),
        "many_items": prop("Items", b"\x0e" + b"\x01\x00" * 3000 + b"\x00"),
        "many_strings": prop("Lines.Strings", b"\x01" + b"\x06\x00" * 5000 + b"\x00"),
        "dotted_nowhere": prop("Nested.Nested.Nested", i8(1)) + prop("..", i8(2)) + prop(".Kind", i8(3)),
        "link_nowhere": prop("Link", ident("A.B.C")),
        "link_self": prop("Link", ident("Owner")),
        "event_nil": prop("OnDone", b"\x0d"),
        "float_tags": prop("Half", ext_one()) + prop("When", i32(-5)) + prop("Price", b"\x15" + struct.pack("<d", -1e300)),
        # Currency at the limits of its 64-bit count, as another writer stores them, and as floats:
        # the nearest extended of each limit, one just past the top, and an integer too large.
        "currency_max": prop("Price", b"\x10" + struct.pack("<q", 2**63 - 1)),
        "currency_min": prop("Price", b"\x10" + struct.pack("<q", -2**63)),
        "currency_units": prop("Price", b"\x10" + struct.pack("<q", -1)) + prop("Price", b"\x10" + struct.pack("<q", 1)),
        "currency_extended_limits": prop("Price", b"\x05" + bytes.fromhex("2a6519e25817b7d13040")) + prop(
            "Price", b"\x05" + bytes.fromhex("2c6519e25817b7d130c0")),
        "currency_extended_past": prop("Price", b"\x05" + bytes.fromhex("2c6519e25817b7d13040")),
        "currency_int64_past": prop("Price", i64(922337203685478)),
        "extended_nan_inf": prop("Nested.Angle", b"\x05" + bytes(7) + b"\xc0\xff\x7f") + prop(
            "Half", b"\x05" + bytes(7) + b"\x80\xff\xff"),
    }
    for name, props in huge.items():
        write(name, stream(component("TFzRoot", "", props)))
    write("unknown_class", stream(component("TFzNothing", "")))
    write("abstract_class", stream(component("TFzAbstract", "")))
    write("item_class_as_component", stream(component("TFzRoot", "", b"", component("TFzItem", ""))))
    write("duplicate_child_names", stream(component("TFzRoot", "", b"", component("TFzRoot", "Twin") +
                                                    component("TFzRoot", "Twin"))))
    write("invalid_child_name", stream(component("TFzRoot", "", b"", component("TFzRoot", "9 x"))))
    write("invalid_root_name", stream(component("TFzRoot", "a-b")))
    deep = b""
    for _ in range(120):
        deep = component("TFzRoot", "", b"", deep) if deep else component("TFzRoot", "")
    write("deep_children", stream(component("TFzRoot", "", b"", deep)))
    write("many_children", stream(component("TFzRoot", "", b"", component("TFzRoot", "") * 3000)))
    write("children_unterminated", stream(s("TFzRoot") + s("") + b"\x00" + component("TFzRoot", "K")))
    write("random_after_signature", b"TPF0" + bytes((i * 37 + 11) % 256 for i in range(300)))


if __name__ == "__main__":
    main()
