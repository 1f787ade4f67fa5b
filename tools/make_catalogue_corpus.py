#!/usr/bin/env python3
"""Writes the corpus of the catalogue fuzz target: catalogues of every kind, sound and damaged, in CP932."""
import os

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, '..', 'fuzz', 'catalogue', 'corpus')

CASES = {
    'photo-sizes.dat': '[Photo Size]\r\nL判=890,1270\r\n2L判=1270,1780\r\nbad=12,x\r\nneg=-5,$10\r\n',
    'shades.dat': '[丸]\r\nFolder=Data\\Figure\\Round\r\nAlphaFrame=1\r\nFile1=t1.bmp,p1.bmp,b1.bmp\r\n'
                  'File2=t2.bmp\r\nFile3=,p.bmp\r\nFile4=a,b,c,d\r\nFile5=..\\x.bmp\r\n[星]\r\nFolder=\r\n',
    'backgrounds.dat': '[和紙,paper]\r\nCaption=和紙\r\nGenre=Data\\BackGrnd\\Plain\r\n'
                       'SubGenre1=タイル,Data\\BackGrnd\\Tile,1,0\r\nSubGenre2=one\r\nSubGenre3=a,b,x,$FFFFFFFF\r\n',
    'templates.dat': '[CD]\r\nDir=Sea,Sky,,..\\..\\up\r\nName=海,空\r\n[*]\r\nDir=\r\n',
    'ids.ids': '[Data\\Figure\\Round]\r\nr1=F001\r\nShortStyleDefine=S%s,3,1,50,F%s,4,100\r\n'
               '[Data\\Figure\\Round]\r\nr1=dup\r\n[Figure\\Round]\r\nr2=late\r\n[Cover]\r\nCOVER1,2,0=C100\r\n',
    'short-style-bad.ids': '[A]\r\nShortStyleDefine=%s,17,1,3,%s,4,1\r\n[B]\r\nShortStyleDefine=%s%s%d%n,2,0,99999,%x,16,2147383648\r\n'
                           '[C]\r\nShortStyleDefine=,,,,,,\r\n[D]\r\nShortStyleDefine=%s,0,0,0,,0,0\r\n',
    'short-style-max.ids': '[A]\r\nShortStyleDefine=K%s,16,0,99999,I%s,16,0\r\nX=1\r\n',
    'duplicates.dat': '[s]\r\nk=1\r\nK=2\r\n[S]\r\nk=3\r\n[s ]\r\n[]\r\n=v\r\n[broken\r\nk=4\r\n',
    'orphans.dat': 'k=before\r\n;comment\r\n\r\n   \r\n[x]\rcr=only\rlf=1\n',
    'trail-bytes.dat': '[ゾーン]\r\nソース=表示\r\n[表]\r\nFolder=Data\\表\r\n',
    'long-line.dat': '[s]\r\nk=' + 'x' * 40000 + '\r\n',
    'empty.dat': '',
}

os.makedirs(OUT, exist_ok=True)
for name, text in CASES.items():
    with open(os.path.join(OUT, name), 'wb') as f:
        f.write(text.encode('cp932'))
with open(os.path.join(OUT, 'binary.bin'), 'wb') as f:
    f.write(b'[\x81]\x00\xff\r\n\x83\x5d=\x82\r\n[\x00]\nFile1=\xfc\xfc,\x80\n')
with open(os.path.join(OUT, 'many-sections.dat'), 'wb') as f:
    f.write(b''.join(b'[s%d]\r\nShortStyleDefine=k%%s,2,1,99,i%%s,2,1\r\n' % i for i in range(300)))
