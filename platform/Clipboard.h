#pragma once
// The clipboard as the system used it: numbered formats (the standard ones and names registered
// at run time), a block of bytes per format, and the order in which the clipboard lists what it
// holds. Over QClipboard/QMimeData: a registered name travels as the MIME type
// application/x-qt-windows-mime;value="<name>", which is how Qt itself carries such formats.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

// Standard format numbers the system refers to (bitmaps and metafiles: see Picture.h).
constexpr unsigned kClipboardText = 1;         // CF_TEXT
constexpr unsigned kClipboardMetafile = 3;     // CF_METAFILEPICT: a Windows metafile's bytes
constexpr unsigned kClipboardDIB = 8;          // CF_DIB
constexpr unsigned kClipboardUnicodeText = 13; // CF_UNICODETEXT
constexpr unsigned kClipboardEnhMetafile = 14; // CF_ENHMETAFILE: an enhanced metafile's bytes

// The number of a format name: the same name (compared without regard to case) always gives the
// same number, 0xC000 and up; 0 for an empty name.
unsigned RegisterClipboardFormat(const QString& name);
// The registered name of a number, or empty.
QString ClipboardFormatName(unsigned format);
// The MIME type a format travels as; empty for numbers that are neither standard nor registered.
QString ClipboardFormatMimeType(unsigned format);
// Every MIME type a format is taken from, the one it travels as first: metafiles come under the
// names office programs on Linux give them.
QStringList ClipboardFormatMimeTypes(unsigned format);

namespace Clipboard {
bool HasFormat(unsigned format);
// The bytes of a registered format or a metafile (empty when absent); for kClipboardDIB the
// clipboard's picture as a 24-bit bitmap file.
QByteArray GetData(unsigned format);
// Replaces the clipboard's contents with one block of a registered format.
void SetData(unsigned format, const QByteArray& data);
// The formats the clipboard holds, in its own order (text as kClipboardUnicodeText, metafiles as
// kClipboardEnhMetafile and kClipboardMetafile, any other image as kClipboardDIB, registered names by
// their numbers); types it cannot name are left out.
std::vector<unsigned> Formats();
bool HasText();
QString Text();
void SetText(const QString& text);
void Clear();
} // namespace Clipboard
