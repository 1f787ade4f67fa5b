#include "imaging/UZLIB.h"

#include "platform/ByteOrder.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr char kSignature[13] = {'Z', 'L', 'I', 'B', 'C', 'o', 'm', 'p', 'r', 'e', 's', 's', 0x1A};
constexpr int kBufferSize = 65536;

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

struct InflateGuard {
    z_stream* zs;
    ~InflateGuard() { inflateEnd(zs); }
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

void ZLIBDecompressStream(TStream& source, TStream& dest, int32_t size) {
    if (size < 0 || size > kMaxZLIBContentSize)
        DecompressionFailed();
    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        DecompressionFailed();
    InflateGuard guard{&zs};
    std::vector<unsigned char> in(kBufferSize), out(kBufferSize);
    int64_t left = size;
    bool ended = false;
    while (!ended) {
        if (zs.avail_in == 0) {
            const int64_t n = source.Read(in.data(), kBufferSize);
            if (n <= 0) {
                // The data ran out before the zlib stream ended.
                if (left > 0)
                    ReadFailed();
                DecompressionFailed();
            }
            zs.next_in = in.data();
            zs.avail_in = static_cast<uInt>(n);
        }
        zs.next_out = out.data();
        zs.avail_out = kBufferSize;
        const int ret = inflate(&zs, Z_NO_FLUSH);
        if (ret != Z_OK && ret != Z_STREAM_END && !(ret == Z_BUF_ERROR && zs.avail_in == 0))
            DecompressionFailed();
        const int64_t produced = kBufferSize - zs.avail_out;
        dest.WriteBuffer(out.data(), std::min(produced, left));
        // More bytes than the recorded length: the length or the data is damaged.
        if (produced > left)
            DecompressionFailed();
        left -= produced;
        ended = ret == Z_STREAM_END;
    }
    if (left > 0)
        ReadFailed();
    // Give back what was read ahead, so the caller finds what follows the container.
    source.Seek(-int64_t(zs.avail_in), TSeekOrigin::soCurrent);
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
