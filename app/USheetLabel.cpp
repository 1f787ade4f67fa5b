#include "app/USheetLabel.h"

#include "pageobjects/engine/UDrawObject.h"
#include "pageobjects/engine/UDrawSite.h"
#include "platform/Application.h"
#include "platform/Clipboard.h"
#include "platform/Stream.h"

#include <cstdlib>

namespace {

constexpr int kSizeDigits = 8;
const QLatin1String kSizePrefix("Size");

} // namespace

unsigned SheetLabelFormat() {
    return RegisterClipboardFormat(TApplication::Title() + QStringLiteral(".SheetLabel"));
}

QString SheetLabelSizeName(int width, int height) {
    return QString::asprintf("Size%08X%08X", uint32_t(width), uint32_t(height));
}

std::optional<TSheetLabelSize> ParseSheetLabelSizeName(const QString& name) {
    if (name.size() != kSizePrefix.size() + 2 * kSizeDigits || !name.startsWith(kSizePrefix))
        return std::nullopt;
    // Digits one by one: a sign, blanks or a "0x" must not pass as a number.
    const auto hex = [&](qsizetype from, uint32_t& value) {
        value = 0;
        for (qsizetype i = from; i < from + kSizeDigits; ++i) {
            const char16_t c = name.at(i).unicode();
            uint32_t digit = 0;
            if (c >= u'0' && c <= u'9')
                digit = c - u'0';
            else if (c >= u'A' && c <= u'F')
                digit = c - u'A' + 10;
            else if (c >= u'a' && c <= u'f')
                digit = c - u'a' + 10;
            else
                return false;
            value = (value << 4) | digit;
        }
        return true;
    };
    TSheetLabelSize size;
    if (!hex(kSizePrefix.size(), size.Width) || !hex(kSizePrefix.size() + kSizeDigits, size.Height))
        return std::nullopt;
    return size;
}

QByteArray SheetLabelBytes(const TOwnedDOList& faceObjects, int width, int height) {
    TDOList reversed;
    for (int i = faceObjects.Count() - 1; i >= 0; --i)
        reversed.Add(faceObjects[i]);
    if (!reversed.IsEmpty())
        reversed[0]->SetName(SheetLabelSizeName(width, height));
    TMemoryStream stream;
    reversed.SaveToStream(stream);
    return stream.Data();
}

std::optional<TSheetLabelSize> ReadSheetLabel(const QByteArray& bytes, TOwnedDOList& objects) {
    TMemoryStream stream(bytes);
    objects.LoadFromStream(stream);
    if (objects.IsEmpty())
        return std::nullopt;
    TDrawObject* first = objects[0];
    const std::optional<TSheetLabelSize> size = ParseSheetLabelSizeName(first->Name());
    first->SetName(QString());
    return size;
}

int FacePasteConditions(const std::optional<TSheetLabelSize>& source, int targetWidth, int targetHeight,
                        bool targetHoldsData) {
    int conditions = targetHoldsData ? kPasteTargetHoldsData : 0;
    const auto differs = [](uint32_t from, int to) {
        return std::llabs(int64_t(to) - int64_t(from)) > kPasteSizeTolerance;
    };
    if (!source || differs(source->Width, targetWidth) || differs(source->Height, targetHeight))
        conditions |= kPasteSizeDiffers;
    return conditions;
}

QString FacePasteQuestion(int conditions) {
    if (conditions & kPasteSizeDiffers)
        return QStringLiteral(
            "複写先のﾗﾍﾞﾙｻｲｽﾞが異なっています。\r\nﾃﾞｰﾀの位置関係が変わりますが複写しますか？");
    if (conditions & kPasteTargetHoldsData)
        return QStringLiteral("複写先ﾗﾍﾞﾙのﾃﾞｰﾀを削除してから複写します。\r\n複写してもよろしいですか？");
    return QString();
}
