#pragma once
// Character counting and the display conversions of text objects. Text is held as QString; a
// character is one code point, so a surrogate pair counts once, as a two-byte character did in
// the stored code page. "One-byte" characters are those the stored code page held in one byte:
// ASCII and the half-width katakana.

#include "platform/FontMapper.h"

#include <QString>
#include <QStringList>
#include <string>

// The characters of s as code points.
std::u32string ToCodePoints(const QString& s);

int MbcsLength(const QString& s);
// count characters from the 1-based character index; out-of-range parts are left out.
QString MbcsCopy(const QString& s, int index, int count);

// Half-width to full-width; except, when one character, is kept as it is.
QString HanToZenEx(const QString& s, const QString& except);
QString HanToZen(const QString& s);
// Full-width digits to kanji numerals.
QString NumToKnj(const QString& s);
QString HiraganaToKatakana(const QString& s);
void HanToZenList(QStringList& strings, const QString& except);
void NumToKnjList(QStringList& strings);
