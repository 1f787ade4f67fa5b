#!/usr/bin/env python3
"""Writes the PPD fuzz corpus: the test queues' PPDs and damaged variants of them (cut short,
unbalanced groups, overlong lines and texts, binary noise, bad encodings, too many options)."""
import os
import sys

here = os.path.dirname(os.path.abspath(__file__))
src = os.path.join(here, '..', 'tests', 'data', 'ppd')
out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'fuzz', 'ppd', 'corpus')
os.makedirs(out, exist_ok=True)


def write(name, data):
    with open(os.path.join(out, name), 'wb') as f:
        f.write(data)


for name in sorted(os.listdir(src)):
    if not name.endswith('.ppd'):
        continue
    data = open(os.path.join(src, name), 'rb').read()
    stem = name[:-4]
    write(stem + '.ppd', data)
    write(stem + '-half.ppd', data[:len(data) // 2])
    write(stem + '-noclose.ppd', data.replace(b'*CloseUI: *MediaType', b''))
    write(stem + '-nul.ppd', data.replace(b'\n*', b'\n\0*', 5))
    write(stem + '-sjis.ppd', data.replace(b'ISOLatin1', b'JIS83-RKSJ').replace(b'Standard"', b'\x82\xa0\x82"'))
    write(stem + '-longtext.ppd', data.replace(b'/Media Type:', b'/' + b'M' * 300 + b':'))
    write(stem + '-badconst.ppd', data + b'*UIConstraints: *\n*UIConstraints: *PageSize\n*UIConstraints: * * * *\n')
    if b'HWResolution[' in data:
        # Resolutions past any number, negative, unclosed, spread over lines.
        write(stem + '-hwres.ppd', data.replace(b'HWResolution[720 360]', b'HWResolution[99999999999 -3', 1)
              .replace(b'HWResolution[360 180]', b'HWResolution [\n1440\t720 ]', 1)
              .replace(b'HWResolution[720 720]', b'HWResolution[', 1))

head = b'*PPD-Adobe: "4.3"\n*FormatVersion: "4.3"\n*ModelName: "Many"\n'
many = head + b''.join(b'*OpenUI *Opt%d/O: PickOne\n*DefaultOpt%d: A\n*Opt%d A/A: ""\n*CloseUI: *Opt%d\n'
                        % (i, i, i, i) for i in range(600))
write('too-many-options.ppd', many)
choices = head + b'*OpenUI *Big/B: PickOne\n*DefaultBig: C0\n' + b''.join(
    b'*Big C%d/C: ""\n' % i for i in range(2100)) + b'*CloseUI: *Big\n'
write('too-many-choices.ppd', choices)
write('empty.ppd', b'')
write('header-only.ppd', b'*PPD-Adobe: "4.3"\n')
write('noise.ppd', bytes(range(256)) * 4)
write('quote-open.ppd', head + b'*NickName: "never closed\n' + b'x' * 5000)
