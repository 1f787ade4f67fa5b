#include "platform/DevMode.h"

#include "platform/ByteOrder.h"
#include "platform/Cp932.h"

namespace DevMode {

QByteArray Empty() {
    QByteArray bytes(AnsiSize, '\0');
    WriteWord(bytes, SizeOffset, AnsiSize);
    return bytes;
}

uint16_t ReadWord(const QByteArray& bytes, int offset) {
    if (offset < 0 || bytes.size() - offset < 2)
        return 0;
    return GetLE16(bytes.constData() + offset);
}

uint32_t ReadDword(const QByteArray& bytes, int offset) {
    if (offset < 0 || bytes.size() - offset < 4)
        return 0;
    return GetLE32(bytes.constData() + offset);
}

void WriteWord(QByteArray& bytes, int offset, uint16_t value) {
    if (offset >= 0 && bytes.size() - offset >= 2)
        PutLE16(bytes.data() + offset, value);
}

void WriteDword(QByteArray& bytes, int offset, uint32_t value) {
    if (offset >= 0 && bytes.size() - offset >= 4)
        PutLE32(bytes.data() + offset, value);
}

QString ReadAnsiName(const QByteArray& bytes, int offset) {
    if (offset < 0 || bytes.size() - offset < NameChars)
        return {};
    const char* name = bytes.constData() + offset;
    return Cp932::Decode(name, qstrnlen(name, NameChars));
}

void WriteAnsiName(QByteArray& bytes, int offset, const QString& text) {
    if (offset < 0 || bytes.size() - offset < NameChars)
        return;
    const QByteArray name = Cp932::Encode(text);
    int length = 0;
    while (length < name.size()) {
        const int step = Cp932::IsLeadByte(uchar(name[length])) ? 2 : 1;
        if (length + step > NameChars - 1)
            break;
        length += step;
    }
    std::fill(bytes.data() + offset, bytes.data() + offset + NameChars, '\0');
    std::copy(name.constData(), name.constData() + length, bytes.data() + offset);
}

QString ReadWideName(const QByteArray& bytes, int offset) {
    if (offset < 0 || bytes.size() - offset < 2 * NameChars)
        return {};
    QString name;
    for (int i = 0; i < NameChars; ++i) {
        const uint16_t c = ReadWord(bytes, offset + 2 * i);
        if (c == 0)
            break;
        name.append(QChar(c));
    }
    return name;
}

void WriteWideName(QByteArray& bytes, int offset, const QString& text) {
    if (offset < 0 || bytes.size() - offset < 2 * NameChars)
        return;
    std::fill(bytes.data() + offset, bytes.data() + offset + 2 * NameChars, '\0');
    int length = std::min<int>(int(text.size()), NameChars - 1);
    if (length > 0 && text[length - 1].isHighSurrogate())
        --length;
    for (int i = 0; i < length; ++i)
        WriteWord(bytes, offset + 2 * i, text[i].unicode());
}

} // namespace DevMode

TDevModeFields TDevModeFields::Read(const QByteArray& ansi) {
    using namespace DevMode;
    TDevModeFields f;
    if (ansi.size() < AnsiSize)
        return f;
    f.DeviceName = ReadAnsiName(ansi, DeviceNameOffset);
    f.Fields = ReadDword(ansi, FieldsOffset);
    f.Orientation = int16_t(ReadWord(ansi, OrientationOffset));
    f.PaperSize = int16_t(ReadWord(ansi, PaperSizeOffset));
    f.PaperLength = int16_t(ReadWord(ansi, PaperLengthOffset));
    f.PaperWidth = int16_t(ReadWord(ansi, PaperWidthOffset));
    f.Copies = int16_t(ReadWord(ansi, CopiesOffset));
    f.DefaultSource = int16_t(ReadWord(ansi, DefaultSourceOffset));
    f.PrintQuality = int16_t(ReadWord(ansi, PrintQualityOffset));
    f.Duplex = int16_t(ReadWord(ansi, DuplexOffset));
    f.YResolution = int16_t(ReadWord(ansi, YResolutionOffset));
    return f;
}

void TDevModeFields::WriteTo(QByteArray& ansi) const {
    using namespace DevMode;
    if (ansi.size() < AnsiSize)
        ansi = Empty();
    WriteAnsiName(ansi, DeviceNameOffset, DeviceName);
    if (ReadWord(ansi, SpecVersionOffset) == 0)
        WriteWord(ansi, SpecVersionOffset, SpecVersion);
    WriteDword(ansi, FieldsOffset, Fields);
    WriteWord(ansi, OrientationOffset, uint16_t(Orientation));
    WriteWord(ansi, PaperSizeOffset, uint16_t(PaperSize));
    WriteWord(ansi, PaperLengthOffset, uint16_t(PaperLength));
    WriteWord(ansi, PaperWidthOffset, uint16_t(PaperWidth));
    WriteWord(ansi, CopiesOffset, uint16_t(Copies));
    WriteWord(ansi, DefaultSourceOffset, uint16_t(DefaultSource));
    WriteWord(ansi, PrintQualityOffset, uint16_t(PrintQuality));
    WriteWord(ansi, DuplexOffset, uint16_t(Duplex));
    WriteWord(ansi, YResolutionOffset, uint16_t(YResolution));
}

QString DriverOption(const TDriverOptions& options, const QString& option) {
    for (const auto& [key, choice] : options)
        if (key == option)
            return choice;
    return {};
}

void SetDriverOption(TDriverOptions& options, const QString& option, const QString& choice) {
    for (auto& [key, value] : options)
        if (key == option) {
            value = choice;
            return;
        }
    options.append({option, choice});
}

void RemoveDriverOption(TDriverOptions& options, const QString& option) {
    options.removeIf([&](const std::pair<QString, QString>& entry) { return entry.first == option; });
}
