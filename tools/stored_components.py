"""The pieces of a stored object list the corpus writers build their inputs from: a 32-bit count,
then components in the class library's binary form ("TPF0", class and name, properties, children)."""

import os
import struct


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


def bounds(l, t, w, h):
    return prop('Left', integer(l)) + prop('Top', integer(t)) + prop('Width', integer(w)) + prop('Height', integer(h))


def child(cls, name, props=b'', children=b''):
    return short(cls) + short(name) + props + b'\x00' + children + b'\x00'


def component(cls, name, props=b'', children=b''):
    return b'TPF0' + child(cls, name, props, children)


def objects(*parts, count=None):
    return struct.pack('<i', len(parts) if count is None else count) + b''.join(parts)


def write_corpus(out, files):
    """Writes each input of files (name -> bytes) into the folder out."""
    os.makedirs(out, exist_ok=True)
    for name, data in files.items():
        with open(os.path.join(out, name), 'wb') as f:
            f.write(data)
