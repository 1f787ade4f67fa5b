#include "platform/Stream.h"

#include "platform/ByteOrder.h"
#include "platform/Exception.h"

#include <QSaveFile>
#include <algorithm>
#include <cstring>
#include <limits>

namespace {
// Memory streams hold a QByteArray, whose size is an int-sized count on some builds;
// refuse growth past what it can carry rather than wrap.
constexpr int64_t kMaxMemoryStreamSize = std::numeric_limits<qsizetype>::max() / 2;
} // namespace

int64_t TStream::GetSize() {
    const int64_t pos = Seek(0, TSeekOrigin::soCurrent);
    const int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(pos, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, int64_t count) {
    if (count < 0 || (count != 0 && Read(buffer, count) != count))
        throw EReadError(QStringLiteral("Stream read error"));
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
    if (count < 0 || (count != 0 && Write(buffer, count) != count))
        throw EWriteError(QStringLiteral("Stream write error"));
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.GetSize();
    }
    const int64_t total = count;
    char buffer[65536];
    while (count > 0) {
        const int64_t n = std::min<int64_t>(count, sizeof buffer);
        source.ReadBuffer(buffer, n);
        WriteBuffer(buffer, n);
        count -= n;
    }
    return total;
}

int64_t TStream::SeekTarget(int64_t offset, TSeekOrigin origin, int64_t current, int64_t end, int64_t limit) {
    int64_t base = 0;
    switch (origin) {
    case TSeekOrigin::soBeginning:
        base = 0;
        break;
    case TSeekOrigin::soCurrent:
        base = current;
        break;
    case TSeekOrigin::soEnd:
        base = end;
        break;
    }
    if (offset < -base)
        return 0;
    if (offset > limit - base)
        return limit;
    return base + offset;
}

uint8_t TStream::ReadByte() {
    uint8_t v;
    ReadBuffer(&v, 1);
    return v;
}

uint16_t TStream::ReadUInt16() {
    uint8_t b[2];
    ReadBuffer(b, 2);
    return GetLE16(b);
}

uint32_t TStream::ReadUInt32() {
    uint8_t b[4];
    ReadBuffer(b, 4);
    return GetLE32(b);
}

uint64_t TStream::ReadUInt64() {
    const uint64_t lo = ReadUInt32();
    const uint64_t hi = ReadUInt32();
    return lo | (hi << 32);
}

void TStream::WriteUInt16(uint16_t v) {
    uint8_t b[2];
    PutLE16(b, v);
    WriteBuffer(b, 2);
}

void TStream::WriteUInt32(uint32_t v) {
    uint8_t b[4];
    PutLE32(b, v);
    WriteBuffer(b, 4);
}

void TStream::WriteUInt64(uint64_t v) {
    WriteUInt32(uint32_t(v));
    WriteUInt32(uint32_t(v >> 32));
}

QByteArray TStream::ReadBytes(int64_t count) {
    if (count < 0 || count > Remaining())
        throw EReadError(QStringLiteral("Stream read error"));
    QByteArray bytes(static_cast<qsizetype>(count), Qt::Uninitialized);
    ReadBuffer(bytes.data(), count);
    return bytes;
}

// ---- TMemoryStream

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ >= data_.size())
        return 0;
    const int64_t n = std::min<int64_t>(count, data_.size() - position_);
    std::memcpy(buffer, data_.constData() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    if (count > kMaxMemoryStreamSize - position_)
        return 0;
    const int64_t end = position_ + count;
    if (end > data_.size()) {
        const qsizetype old = data_.size();
        data_.resize(static_cast<qsizetype>(end));
        // A write after a seek past the end leaves zeros in the gap, never stale memory.
        if (position_ > old)
            std::memset(data_.data() + old, 0, static_cast<size_t>(position_ - old));
    }
    std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
    // Past the end is allowed and grows on write.
    position_ = SeekTarget(offset, origin, position_, data_.size(), kMaxMemoryStreamSize);
    return position_;
}

void TMemoryStream::SetSize(int64_t newSize) {
    if (newSize < 0 || newSize > kMaxMemoryStreamSize)
        throw EStreamError(QStringLiteral("Out of memory while expanding memory stream"));
    const qsizetype old = data_.size();
    data_.resize(static_cast<qsizetype>(newSize));
    if (newSize > old)
        std::memset(data_.data() + old, 0, static_cast<size_t>(newSize - old));
    if (position_ > newSize)
        position_ = newSize;
}

void TMemoryStream::Clear() {
    data_.clear();
    position_ = 0;
}

void TMemoryStream::SetData(const QByteArray& data) {
    data_ = data;
    position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
    source.SetPosition(0);
    const int64_t size = source.GetSize();
    QByteArray bytes = source.ReadBytes(size);
    SetData(bytes);
}

void TMemoryStream::SaveToStream(TStream& target) const {
    target.WriteBuffer(data_.constData(), data_.size());
}

void TMemoryStream::LoadFromFile(const QString& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TMemoryStream::SaveToFile(const QString& fileName) const {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    if (file.write(data_) != data_.size() || !file.commit())
        throw EWriteError(QStringLiteral("Stream write error"));
}

// ---- TFileStream

TFileStream::TFileStream(const QString& fileName, uint16_t mode) : fileName_(fileName), file_(fileName) {
    if (mode == fmCreate) {
        if (!file_.open(QIODevice::ReadWrite | QIODevice::Truncate))
            throw EFCreateError(
                QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file_.errorString()));
        return;
    }
    QIODevice::OpenMode qtMode;
    switch (mode & 0x3) {
    case fmOpenWrite:
        qtMode = QIODevice::WriteOnly | QIODevice::ExistingOnly;
        break;
    case fmOpenReadWrite:
        qtMode = QIODevice::ReadWrite | QIODevice::ExistingOnly;
        break;
    default:
        qtMode = QIODevice::ReadOnly;
        break;
    }
    if (!file_.open(qtMode))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, file_.errorString()));
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    const qint64 n = file_.read(static_cast<char*>(buffer), count);
    return n < 0 ? 0 : n;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    const qint64 n = file_.write(static_cast<const char*>(buffer), count);
    return n < 0 ? 0 : n;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t target =
        SeekTarget(offset, origin, file_.pos(), file_.size(), std::numeric_limits<int64_t>::max());
    if (!file_.seek(target))
        return file_.pos();
    return target;
}

void TFileStream::SetSize(int64_t newSize) {
    if (newSize < 0 || !file_.resize(newSize))
        throw EStreamError(QStringLiteral("Cannot set the size of \"%1\"").arg(fileName_));
    if (file_.pos() > newSize)
        file_.seek(newSize);
}

// ---- TSubStream

TSubStream::TSubStream(TStream& base, int64_t offset, int64_t length)
    : base_(base), offset_(offset), length_(length < 0 ? 0 : length) {}

int64_t TSubStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ >= length_)
        return 0;
    const int64_t n = std::min(count, length_ - position_);
    base_.SetPosition(offset_ + position_);
    const int64_t got = base_.Read(buffer, n);
    position_ += got;
    return got;
}

int64_t TSubStream::Write(const void* buffer, int64_t count) {
    if (count <= 0 || position_ >= length_)
        return 0;
    const int64_t n = std::min(count, length_ - position_);
    base_.SetPosition(offset_ + position_);
    const int64_t put = base_.Write(buffer, n);
    position_ += put;
    return put;
}

int64_t TSubStream::Seek(int64_t offset, TSeekOrigin origin) {
    position_ = SeekTarget(offset, origin, position_, length_, length_);
    return position_;
}

void TSubStream::SetSize(int64_t) {
    throw EStreamError(QStringLiteral("A stream window cannot be resized"));
}
