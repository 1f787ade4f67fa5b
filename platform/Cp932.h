#pragma once
// Code page 932 (Japanese Shift_JIS as Windows extends it) at the edges of files and
// streams; QString everywhere inside.

#include <QByteArray>
#include <QString>

namespace Cp932 {

// Bytes in CP932. Characters CP932 lacks become '?' and *lossless is set false.
QByteArray Encode(const QString& text, bool* lossless = nullptr);
// Text from CP932 bytes; invalid sequences become U+FFFD.
QString Decode(const QByteArray& bytes);
QString Decode(const char* bytes, qsizetype length);
// True when every character of text has a CP932 form, so storing it as CP932 loses nothing.
bool CanEncode(const QString& text);
// True when b starts a two-byte CP932 character.
bool IsLeadByte(unsigned char b);

} // namespace Cp932
