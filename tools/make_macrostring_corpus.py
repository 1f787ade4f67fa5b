#!/usr/bin/env python3
"""Writes the corpus of the macro-string fuzz target: a macro table, an empty line, then the text."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, '..', 'fuzz', 'macrostring', 'corpus')

CASES = {
    'plain.txt': 'AppName=Quorlane\nShortVer=1.0\n\n$(AppName).$(ShortVer).Skarvane.Japan',
    'nested-name.txt': 'A=x\nBar=A\nFooA=found\n\n[$(Foo$(Bar))]',
    'cycle.txt': 'A=$(B)\nB=$(C)\nC=$(a)\n\n$(A)',
    'self.txt': 'Self=x$(SELF)\n\n$(Self)',
    'modifiers.txt': 'Path=C:\\Data\nE=\n\n$(Path:Drive)$(Path:shortPath)$(E:inessential)$(Path:upper)',
    'empty-reference.txt': 'A=1\n\na$()b',
    'unclosed.txt': 'A=1\n\n$(A)$($(A)',
    'deep.txt': 'A=x\n\n' + '$(' * 3000 + 'A' + ')' * 3000,
    'deep-values.txt': ''.join('M%d=$(M%d)\n' % (i, i + 1) for i in range(200)) + 'M200=end\n\n$(M0)',
    'quotes.txt': 'Q="quoted"\n\n"$(Q)" a,"b c",,d;"unclosed',
    'percent.txt': 'A=100%\n\n%s %d $(A) %',
    'only-text.txt': '$($($(',
    'close-only.txt': '\n\n))))$)(',
    'wide.txt': 'アプリ=写真\n\n「$(アプリ)」 $(ｱﾌﾟﾘ:inessential)',
    'binary.bin': '\x00\xff\xfe$(\x00)\n\n$(\x00',
}

os.makedirs(OUT, exist_ok=True)
for name, text in CASES.items():
    data = text.encode('utf-8', 'surrogatepass') if name != 'binary.bin' else bytes(ord(c) for c in text)
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(data)
