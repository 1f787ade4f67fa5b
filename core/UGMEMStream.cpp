#include "core/UGMEMStream.h"

#include <QtGlobal>
#include <algorithm>
#include <cstring>
#include <limits>

namespace {
// QByteArray's own limit; growth beyond it is refused rather than wrapped.
constexpr int64_t MaxSize = std::numeric_limits<qsizetype>::max() / 2;
} // namespace

TGlobalHandle GlobalAllocHandle(int64_t size) {
    if (size < 0 || size > MaxSize)
        throw EGMEMStream(QStringLiteral("Out of memory"));
    return std::make_shared<QByteArray>(static_cast<qsizetype>(size), '\0');
}

TGMEMStream::TGMEMStream(TGlobalHandle handle) : handle_(std::move(handle)) {
    if (!handle_)
        return;
    handle_->detach(); // writes go into this block, not into a copy that shares its bytes
    locked_ = true;
    size_ = handle_->size();
}

TGMEMStream::~TGMEMStream() {
    if (locked_)
        ReleaseHandle();
}

const char* TGMEMStream::Memory() const {
    return locked_ ? handle_->constData() : own_.constData();
}

char* TGMEMStream::Data() {
    return locked_ ? handle_->data() : own_.data();
}

int64_t TGMEMStream::Read(void* buffer, int64_t count) {
    if (count <= 0 || position_ >= size_)
        return 0;
    const int64_t n = std::min(count, size_ - position_);
    std::memcpy(buffer, Memory() + position_, static_cast<size_t>(n));
    position_ += n;
    return n;
}

int64_t TGMEMStream::Write(const void* buffer, int64_t count) {
    if (count <= 0)
        return 0;
    if (count > MaxSize - position_)
        throw EGMEMStream(QStringLiteral("should not realloc Global Handle"));
    const int64_t end = position_ + count;
    if (end > size_) {
        const int64_t old = size_;
        Grow(end);
        // A write after a seek past the end leaves zeros in the gap.
        if (position_ > old)
            std::memset(Data() + old, 0, static_cast<size_t>(position_ - old));
    }
    std::memcpy(Data() + position_, buffer, static_cast<size_t>(count));
    position_ = end;
    return count;
}

int64_t TGMEMStream::Seek(int64_t offset, TSeekOrigin origin) {
    position_ = SeekTarget(offset, origin, position_, size_, MaxSize);
    return position_;
}

void TGMEMStream::SetSize(int64_t newSize) {
    if (newSize < 0)
        throw EGMEMStream(QStringLiteral("should not realloc Global Handle"));
    if (newSize > size_) {
        const int64_t old = size_;
        Grow(newSize);
        std::memset(Data() + old, 0, static_cast<size_t>(newSize - old));
    }
    size_ = newSize;
    position_ = std::min(position_, size_);
}

void TGMEMStream::Grow(int64_t newSize) {
    if (locked_) {
        // The clipboard owns the block's allocation; it is never moved while locked.
        if (newSize > handle_->size())
            throw EGMEMStream(QStringLiteral("should not realloc Global Handle"));
    } else {
        if (newSize > MaxSize)
            throw EGMEMStream(QStringLiteral("Out of memory"));
        own_.resize(static_cast<qsizetype>(newSize));
    }
    size_ = newSize;
}

TGlobalHandle TGMEMStream::ReleaseHandle() {
    if (!locked_)
        return {};
    const int64_t size = size_;
    locked_ = false;
    TGlobalHandle handle = std::move(handle_);
    handle_.reset();
    own_.clear();
    size_ = 0;
    position_ = 0;
    handle->resize(static_cast<qsizetype>(size));
    return handle;
}
