#include "imaging/UZLIB.h"

#include "platform/ByteOrder.h"

#include <zlib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr char kSignature[13] = {'Z', 'L', 'I', 'B', 'C', 'o', 'm', 'p', 'r', 'e', 's', 's', 0x1A};
constexpr int kBufferSize = 65536;
// What an inflating stream keeps of its content behind the reading position.
constexpr int64_t kKeptBehind = 65536;
// Deflate's greatest expansion: a 258-byte match in two bits.
constexpr int64_t kMaxInflateRatio = 1032;

std::atomic<int64_t> inflatedBytes{0};

[[noreturn]] void CompressionFailed() {
    throw ECompressionError(QStringLiteral("error"));
}
[[noreturn]] void DecompressionFailed() {
    throw EDecompressionError(QStringLiteral("error"));
}
[[noreturn]] void ReadFailed() {
    throw EReadError(QStringLiteral("Stream read error"));
}

int ZlibLevel(TCompressionLevel level) {
    switch (level) {
    case TCompressionLevel::clNone:
        return 0;
    case TCompressionLevel::clFastest:
        return 1;
    case TCompressionLevel::clDefault:
        return Z_DEFAULT_COMPRESSION;
    case TCompressionLevel::clMax:
        return 9;
    }
    return Z_DEFAULT_COMPRESSION;
}

// Some streams answer a large read in pieces; the header test wants all it can get.
int64_t ReadUpTo(TStream& stream, void* buffer, int64_t count) {
    int64_t got = 0;
    while (got < count) {
        const int64_t n = stream.Read(static_cast<char*>(buffer) + got, count - got);
        if (n <= 0)
            break;
        got += n;
    }
    return got;
}

struct DeflateGuard {
    z_stream* zs;
    ~DeflateGuard() { deflateEnd(zs); }
};

} // namespace

void ZLIBCompressStream(TStream& source, TStream& dest, TCompressionLevel level) {
    const int64_t count = std::max<int64_t>(0, source.GetSize() - source.GetPosition());
    // A length the field cannot hold, or that no reader would accept, is refused before anything is written.
    if (count > kMaxZLIBContentSize)
        CompressionFailed();
    dest.WriteBuffer(kSignature, sizeof kSignature);
    dest.WriteInt32(static_cast<int32_t>(count));

    z_stream zs{};
    if (deflateInit(&zs, ZlibLevel(level)) != Z_OK)
        CompressionFailed();
    DeflateGuard guard{&zs};
    std::vector<unsigned char> in(kBufferSize), out(kBufferSize);
    int64_t left = count;
    int flush = Z_NO_FLUSH;
    do {
        const int64_t n = std::min<int64_t>(left, kBufferSize);
        source.ReadBuffer(in.data(), n);
        left -= n;
        flush = left == 0 ? Z_FINISH : Z_NO_FLUSH;
        zs.next_in = in.data();
        zs.avail_in = static_cast<uInt>(n);
        int ret;
        do {
            zs.next_out = out.data();
            zs.avail_out = kBufferSize;
            ret = deflate(&zs, flush);
            if (ret == Z_STREAM_ERROR)
                CompressionFailed();
            dest.WriteBuffer(out.data(), kBufferSize - zs.avail_out);
        } while (zs.avail_out == 0);
        if (zs.avail_in != 0 || (flush == Z_FINISH && ret != Z_STREAM_END))
            CompressionFailed();
    } while (flush != Z_FINISH);
}

bool ReadZLIBHeader(TStream& stream, int32_t& size) {
    const int64_t start = stream.GetPosition();
    int64_t back = start;
    bool found = false;
    try {
        char signature[sizeof kSignature];
        if (ReadUpTo(stream, signature, sizeof signature) == int64_t(sizeof signature) &&
            std::memcmp(signature, kSignature, sizeof kSignature) == 0) {
            // A stream that ends inside the length field still counts as a container; the missing
            // bytes read as zero and the inflation that follows fails for want of data.
            uint8_t length[4] = {0, 0, 0, 0};
            const int64_t got = ReadUpTo(stream, length, 4);
            size = GetLEInt32(length);
            back = start + int64_t(sizeof kSignature) + got;
            found = true;
        }
    } catch (...) {
        stream.SetPosition(back);
        throw;
    }
    stream.SetPosition(back);
    return found;
}

struct TZLIBInflateStream::State {
    z_stream zs{};
    std::vector<unsigned char> in = std::vector<unsigned char>(kBufferSize);
    ~State() { inflateEnd(&zs); }
};

TZLIBInflateStream::TZLIBInflateStream(TStream& source, int32_t size)
    : source_(source), size_(size), bound_(size), window_(size_t(kKeptBehind + kBufferSize)) {
    if (size < 0 || size > kMaxZLIBContentSize)
        DecompressionFailed();
    auto state = std::make_unique<State>();
    if (inflateInit(&state->zs) != Z_OK)
        DecompressionFailed();
    state_ = std::move(state);
    const int64_t packed = std::max<int64_t>(0, source.GetSize() - source.GetPosition());
    if (packed < (std::numeric_limits<int64_t>::max() - kBufferSize) / kMaxInflateRatio)
        bound_ = std::min<int64_t>(size_, packed * kMaxInflateRatio + kBufferSize);
}

TZLIBInflateStream::~TZLIBInflateStream() = default;

int64_t TZLIBInflateStream::Inflate(char* out, int64_t count) {
    z_stream& zs = state_->zs;
    int64_t got = 0;
    while (got < count && !ended_) {
        if (zs.avail_in == 0) {
            const int64_t n = source_.Read(state_->in.data(), kBufferSize);
            if (n <= 0) {
                // The data ran out before the zlib stream ended.
                if (produced_ < size_)
                    ReadFailed();
                DecompressionFailed();
            }
            zs.next_in = state_->in.data();
            zs.avail_in = static_cast<uInt>(n);
        }
        const auto room = static_cast<uInt>(std::min<int64_t>(count - got, kBufferSize));
        zs.next_out = reinterpret_cast<unsigned char*>(out + got);
        zs.avail_out = room;
        const int ret = inflate(&zs, Z_NO_FLUSH);
        if (ret != Z_OK && ret != Z_STREAM_END && !(ret == Z_BUF_ERROR && zs.avail_in == 0))
            DecompressionFailed();
        const int64_t n = room - zs.avail_out;
        got += n;
        produced_ += n;
        inflatedBytes.fetch_add(n, std::memory_order_relaxed);
        // More bytes than the recorded length: the length or the data is damaged.
        if (produced_ > size_)
            DecompressionFailed();
        ended_ = ret == Z_STREAM_END;
    }
    if (ended_ && produced_ < size_)
        ReadFailed();
    return got;
}

void TZLIBInflateStream::Remember(const char* data, int64_t count) {
    const auto capacity = int64_t(window_.size());
    if (count >= capacity) {
        std::memcpy(window_.data(), data + count - capacity, size_t(capacity));
        windowLength_ = capacity;
        return;
    }
    const int64_t keep = std::min(windowLength_, capacity - count);
    std::memmove(window_.data(), window_.data() + windowLength_ - keep, size_t(keep));
    std::memcpy(window_.data() + keep, data, size_t(count));
    windowLength_ = keep + count;
}

int64_t TZLIBInflateStream::Read(void* buffer, int64_t count) {
    count = std::min(count, size_ - position_);
    auto* out = static_cast<char*>(buffer);
    int64_t done = 0;
    while (done < count) {
        if (position_ < produced_) {
            // From the window: it ends where the inflation stands.
            const int64_t n = std::min(count - done, produced_ - position_);
            std::memcpy(out + done, window_.data() + windowLength_ - (produced_ - position_), size_t(n));
            done += n;
            position_ += n;
            continue;
        }
        int64_t n = 0;
        if (count - done >= kBufferSize) {
            // A large read is inflated straight into the caller's buffer.
            n = Inflate(out + done, count - done);
            Remember(out + done, n);
            done += n;
            position_ += n;
        } else {
            const int64_t keep = std::min(windowLength_, kKeptBehind);
            std::memmove(window_.data(), window_.data() + windowLength_ - keep, size_t(keep));
            windowLength_ = keep;
            n = Inflate(window_.data() + keep, std::min<int64_t>(kBufferSize, size_ - produced_));
            windowLength_ += n;
        }
        if (n == 0)
            break;
    }
    return done;
}

int64_t TZLIBInflateStream::Write(const void*, int64_t) {
    throw EWriteError(QStringLiteral("Stream write error"));
}

void TZLIBInflateStream::SetSize(int64_t) {
    throw EWriteError(QStringLiteral("Stream write error"));
}

int64_t TZLIBInflateStream::Seek(int64_t offset, TSeekOrigin origin) {
    const int64_t target = SeekTarget(offset, origin, position_, size_, size_);
    if (target < produced_ - windowLength_)
        throw EReadError(QStringLiteral("Stream read error"));
    if (target <= produced_) {
        position_ = target;
        return position_;
    }
    std::vector<char> passed(kBufferSize);
    position_ = produced_;
    while (position_ < target) {
        const int64_t n = Read(passed.data(), std::min<int64_t>(kBufferSize, target - position_));
        if (n == 0)
            break;
    }
    return position_;
}

void TZLIBInflateStream::Finish(TStream* rest) {
    std::vector<char> buffer(kBufferSize);
    while (!ended_) {
        const int64_t before = produced_;
        int64_t n = 0;
        try {
            // Not bounded by the stated length, so that bytes beyond it are found.
            n = Inflate(buffer.data(), kBufferSize);
        } catch (...) {
            if (rest != nullptr)
                rest->WriteBuffer(buffer.data(), std::clamp<int64_t>(size_ - before, 0, produced_ - before));
            throw;
        }
        if (rest != nullptr)
            rest->WriteBuffer(buffer.data(), n);
        Remember(buffer.data(), n);
        position_ = produced_;
    }
    // Give back what was read ahead, so the caller finds what follows the container.
    source_.Seek(-int64_t(state_->zs.avail_in), TSeekOrigin::soCurrent);
}

int64_t ZLIBInflatedBytes() {
    return inflatedBytes.load(std::memory_order_relaxed);
}

void ZLIBDecompressStream(TStream& source, TStream& dest, int32_t size) {
    TZLIBInflateStream content(source, size);
    content.Finish(&dest);
}

QByteArray ZLIBDecompressToBytes(TStream& source, int32_t size) {
    TMemoryStream dest;
    ZLIBDecompressStream(source, dest, size);
    return dest.Data();
}

bool IsZLIBCompressedFile(const QString& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    int32_t size = 0;
    return ReadZLIBHeader(file, size);
}

void ZLIBDecompressFile(const QString& sourceName, const QString& destName) {
    TFileStream source(sourceName, fmOpenRead | fmShareDenyWrite);
    int32_t size = 0;
    if (!ReadZLIBHeader(source, size))
        return;
    TMemoryStream content;
    ZLIBDecompressStream(source, content, size);
    content.SaveToFile(destName);
}
