#include "imaging/UResStream.h"

#include <QFile>
#include <QFileInfo>

namespace {

constexpr int64_t kEntryPrefix = 8; // DataSize and HeaderSize
// HeaderSize covers the prefix and at least two ordinal fields.
constexpr int64_t kMinHeaderSize = kEntryPrefix + 8;

int64_t Align4(int64_t v) {
    return (v + 3) & ~int64_t(3);
}

QString ProgramResourcePath(const TResName& name, const TResName& type) {
    QString typeText;
    if (type.IsOrdinal())
        typeText = type.Ordinal() == RT_BITMAP ? QStringLiteral("BITMAP")
                   : type.Ordinal() == RT_ICON ? QStringLiteral("ICON")
                                               : type.ToString();
    else
        typeText = type.Text().toUpper();
    return QStringLiteral(":/resources/%1/%2").arg(typeText, name.ToString().toUpper());
}

} // namespace

QString TResName::ToString() const {
    return isOrdinal_ ? QStringLiteral("#%1").arg(ordinal_) : text_;
}

QString ResNotFoundMessage(const QString& name) {
    return QStringLiteral("%1 リソースが見つかりません").arg(name);
}

bool MatchResEntryName(TStream& stream, const TResName& name) {
    const uint16_t first = stream.ReadUInt16();
    if (first == 0xFFFF) {
        const uint16_t ordinal = stream.ReadUInt16();
        return name.IsOrdinal() && name.Ordinal() == ordinal;
    }
    QString text;
    for (uint16_t c = first; c != 0; c = stream.ReadUInt16())
        text.append(QChar(c));
    // The whole text must match: an entry whose name merely begins with the one sought is another.
    return !name.IsOrdinal() && text.compare(name.Text(), Qt::CaseInsensitive) == 0;
}

bool FindResInResFile(TStream& file, const TResName& name, const TResName& type, QByteArray& data) {
    const int64_t size = file.GetSize();
    int64_t pos = 0;
    while (pos < size) {
        if (size - pos < kEntryPrefix)
            return false;
        file.SetPosition(pos);
        const int64_t dataSize = file.ReadUInt32();
        const int64_t headerSize = file.ReadUInt32();
        if (headerSize < kMinHeaderSize || headerSize > size - pos)
            return false;
        const int64_t dataStart = pos + Align4(headerSize);
        if (dataStart > size || dataSize > size - dataStart)
            return false;
        // The fields are read inside the entry's header only.
        TSubStream header(file, pos + kEntryPrefix, headerSize - kEntryPrefix);
        bool match = false;
        try {
            match = MatchResEntryName(header, type) && MatchResEntryName(header, name);
        } catch (const EReadError&) {
            return false;
        }
        if (match) {
            file.SetPosition(dataStart);
            data = file.ReadBytes(dataSize);
            return true;
        }
        pos = dataStart + Align4(dataSize);
    }
    return false;
}

TResStream::TResStream(const QString& fileName, const TResName& resName, const TResName& resType) {
    QByteArray data;
    if (!fileName.isEmpty() && QFileInfo(fileName).isFile()) {
        TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
        if (!FindResInResFile(file, resName, resType, data))
            throw EResNotFound(ResNotFoundMessage(resName.ToString()));
    } else {
        QFile resource(ProgramResourcePath(resName, resType));
        if (!resource.open(QIODevice::ReadOnly))
            throw EResNotFound(ResNotFoundMessage(resName.ToString()));
        data = resource.readAll();
    }
    inner_ = std::make_unique<TMemoryStream>(data);
}

TResStream::~TResStream() = default;
