#include "platform/Clipboard.h"
#include "platform/Dib.h"
#include "platform/PixelBuffer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <algorithm>

namespace {

constexpr unsigned kFirstRegistered = 0xC000;
// Pictures from the clipboard are handed on without alpha, as the bitmap formats carried them.
constexpr int kClipboardBitCount = 24;
const QString kWindowsMimePrefix = QStringLiteral("application/x-qt-windows-mime;value=\"");

std::vector<QString>& Names() {
    static std::vector<QString> names;
    return names;
}

QClipboard* SystemClipboard() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return nullptr;
    return QGuiApplication::clipboard();
}

bool IsText(unsigned format) {
    return format == kClipboardText || format == kClipboardUnicodeText;
}

const QStringList& EnhMetafileTypes() {
    static const QStringList types = {
        QStringLiteral("image/x-emf"), QStringLiteral("image/emf"),
        QStringLiteral("application/x-openoffice-emf;windows_formatname=\"Image EMF\"")};
    return types;
}

const QStringList& MetafileTypes() {
    static const QStringList types = {
        QStringLiteral("image/x-wmf"), QStringLiteral("image/wmf"),
        QStringLiteral("application/x-openoffice-wmf;windows_formatname=\"Image WMF\"")};
    return types;
}

// The first of a format's types the data holds, or empty.
QString OfferedType(const QMimeData* data, unsigned format) {
    if (data == nullptr)
        return {};
    for (const QString& mime : ClipboardFormatMimeTypes(format))
        if (data->hasFormat(mime))
            return mime;
    return {};
}

} // namespace

unsigned RegisterClipboardFormat(const QString& name) {
    if (name.isEmpty())
        return 0;
    std::vector<QString>& names = Names();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0)
            return kFirstRegistered + unsigned(i);
    names.push_back(name);
    return kFirstRegistered + unsigned(names.size() - 1);
}

QString ClipboardFormatName(unsigned format) {
    const std::vector<QString>& names = Names();
    if (format < kFirstRegistered || format - kFirstRegistered >= names.size())
        return {};
    return names[format - kFirstRegistered];
}

QString ClipboardFormatMimeType(unsigned format) {
    const QStringList types = ClipboardFormatMimeTypes(format);
    return types.isEmpty() ? QString() : types.front();
}

QStringList ClipboardFormatMimeTypes(unsigned format) {
    if (format == kClipboardEnhMetafile)
        return EnhMetafileTypes();
    if (format == kClipboardMetafile)
        return MetafileTypes();
    if (IsText(format))
        return {QStringLiteral("text/plain")};
    if (format == kClipboardDIB)
        return {QStringLiteral("application/x-qt-image")};
    const QString name = ClipboardFormatName(format);
    if (name.isEmpty())
        return {};
    return {kWindowsMimePrefix + name + QLatin1Char('"')};
}

namespace Clipboard {

bool HasFormat(unsigned format) {
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (data == nullptr)
        return false;
    if (IsText(format))
        return data->hasText();
    if (format == kClipboardDIB)
        return data->hasImage();
    return !OfferedType(data, format).isEmpty();
}

QByteArray GetData(unsigned format) {
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    // Pictures arrive in whatever form the copying program offered: handed on as a bitmap file,
    // which every bitmap reader here takes as device-independent bitmap data.
    if (format == kClipboardDIB) {
        const QImage image =
            data != nullptr && data->hasImage() ? qvariant_cast<QImage>(data->imageData()) : QImage();
        return image.isNull() ? QByteArray()
                              : EncodeBitmapFile(PixelBuffer::FromImage(image, kClipboardBitCount));
    }
    const QString mime = OfferedType(data, format);
    return mime.isEmpty() ? QByteArray() : data->data(mime);
}

void SetData(unsigned format, const QByteArray& bytes) {
    QClipboard* clipboard = SystemClipboard();
    const QString mime = ClipboardFormatMimeType(format);
    if (clipboard == nullptr || mime.isEmpty())
        return;
    auto* data = new QMimeData;
    data->setData(mime, bytes);
    clipboard->setMimeData(data);
}

std::vector<unsigned> Formats() {
    std::vector<unsigned> result;
    QClipboard* clipboard = SystemClipboard();
    const QMimeData* data = clipboard ? clipboard->mimeData() : nullptr;
    if (data == nullptr)
        return result;
    const auto add = [&result](unsigned format) {
        if (std::find(result.begin(), result.end(), format) == result.end())
            result.push_back(format);
    };
    for (const QString& mime : data->formats()) {
        if (mime.startsWith(kWindowsMimePrefix) && mime.endsWith(QLatin1Char('"'))) {
            const QString name =
                mime.mid(kWindowsMimePrefix.size(), mime.size() - kWindowsMimePrefix.size() - 1);
            add(RegisterClipboardFormat(name));
        } else if (EnhMetafileTypes().contains(mime)) {
            add(kClipboardEnhMetafile);
        } else if (MetafileTypes().contains(mime)) {
            add(kClipboardMetafile);
        } else if (mime == QLatin1String("text/plain") || mime.startsWith(QLatin1String("text/plain;"))) {
            add(kClipboardUnicodeText);
        } else if (mime == QLatin1String("application/x-qt-image") ||
                   mime.startsWith(QLatin1String("image/"))) {
            add(kClipboardDIB);
        }
    }
    return result;
}

bool HasText() {
    return HasFormat(kClipboardUnicodeText);
}

QString Text() {
    QClipboard* clipboard = SystemClipboard();
    return clipboard ? clipboard->text() : QString();
}

void SetText(const QString& text) {
    if (QClipboard* clipboard = SystemClipboard())
        clipboard->setText(text);
}

void Clear() {
    if (QClipboard* clipboard = SystemClipboard())
        clipboard->clear();
}

} // namespace Clipboard
