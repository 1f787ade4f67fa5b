#include "platform/ComponentResource.h"

#include "platform/Component.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Cp932.h"
#include "platform/Stream.h"

namespace {

constexpr uint16_t kResTypeRcData = 10;
constexpr uint16_t kResFlags = 0x1030; // moveable, pure, discardable
constexpr int kMaxResName = 63;

// The name as the header holds it: at most 63 bytes, ASCII letters in upper case. A
// double-byte character is neither split nor changed.
QByteArray HeaderName(const QString& resName) {
    const QByteArray bytes = Cp932::Encode(resName);
    QByteArray out;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        const qsizetype width = Cp932::IsLeadByte(b) && i + 1 < bytes.size() ? 2 : 1;
        if (out.size() + width > kMaxResName)
            break;
        if (width == 1)
            out += (b >= 'a' && b <= 'z') ? static_cast<char>(b - 'a' + 'A') : static_cast<char>(b);
        else
            out += bytes.mid(i, 2);
        i += width;
    }
    // A zero byte would end the name early.
    out.replace('\0', '?');
    return out;
}

} // namespace

void WriteComponentRes(TStream& stream, const QString& resName, TComponent* instance) {
    stream.WriteByte(0xFF);
    stream.WriteUInt16(kResTypeRcData);
    stream.WriteBytes(HeaderName(resName));
    stream.WriteByte(0);
    stream.WriteUInt16(kResFlags);
    stream.WriteUInt32(0);
    const int64_t origin = stream.GetPosition();
    WriteComponent(stream, instance);
    const int64_t size = stream.GetPosition() - origin;
    if (size > INT32_MAX)
        throw EWriteError(QStringLiteral("Component resource too large"));
    stream.SetPosition(origin - 4);
    stream.WriteUInt32(static_cast<uint32_t>(size));
    stream.SetPosition(origin + size);
}

void ReadResHeader(TStream& stream) {
    const auto invalid = [] { throw EReadError(QStringLiteral("Invalid stream format")); };
    if (stream.Remaining() < 3)
        invalid();
    if (stream.ReadByte() != 0xFF || stream.ReadUInt16() != kResTypeRcData)
        invalid();
    // The name ends at a zero byte; headers this system writes hold at most 63 bytes, but
    // a longer name from elsewhere is passed over as long as it ends within 255 bytes.
    for (int i = 0;; ++i) {
        if (i > 255 || stream.Remaining() < 1)
            invalid();
        if (stream.ReadByte() == 0)
            break;
    }
    // Flags and length: the length is not needed, the component stream ends itself.
    if (stream.Remaining() < 6)
        invalid();
    stream.Seek(6, TSeekOrigin::soCurrent);
}

std::unique_ptr<TComponent> ReadComponentRes(TStream& stream) {
    ReadResHeader(stream);
    return ReadComponent(stream);
}

void ReadComponentRes(TStream& stream, TComponent& instance) {
    ReadResHeader(stream);
    ReadComponent(stream, instance);
}
