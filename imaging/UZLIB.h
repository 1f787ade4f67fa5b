#pragma once
// The compressed container: the 13-byte signature "ZLIBCompress" $1A, the unpacked length as a
// signed 32-bit little-endian integer, then one zlib stream. Packed bitmaps ("CBM"), packed
// resource images, face streams and the paper-update file all use it.

#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

QUORLANE_EXCEPTION(EZlibError, Exception)
QUORLANE_EXCEPTION(ECompressionError, EZlibError)
QUORLANE_EXCEPTION(EDecompressionError, EZlibError)

enum class TCompressionLevel { clNone, clFastest, clDefault, clMax };

// Size of the signature plus the length field.
constexpr int64_t kZLIBHeaderSize = 17;
// The stored length is untrusted: anything above this is refused before a byte is inflated.
constexpr int32_t kMaxZLIBContentSize = 1 << 30;

// Packs the bytes from source's position to its end into dest at dest's position.
void ZLIBCompressStream(TStream& source, TStream& dest, TCompressionLevel level);

// True, with size set and the stream at the zlib data, when the stream holds the signature at its
// position; otherwise false with the stream where it was. Never raises for a short stream.
bool ReadZLIBHeader(TStream& stream, int32_t& size);

// Inflates exactly size bytes from source (positioned at the zlib data) into dest. The zlib stream
// must end exactly there: fewer bytes raise EReadError, damaged data or more bytes EDecompressionError.
// Afterwards source stands just past the zlib stream, so whatever follows it can be read next.
void ZLIBDecompressStream(TStream& source, TStream& dest, int32_t size);

// A container's content read as it is inflated, front to back, so that it is never held whole in
// memory. Made at the zlib data (after ReadZLIBHeader) with the stated length, which is checked as
// ZLIBDecompressStream checks it, and raising as that does: damaged data EDecompressionError, data
// that ends short EReadError. Reads may seek back within the last 64 KiB read and forward anywhere
// (inflating what they pass). GetSize() is the stated length, lowered to what the source's bytes left
// could inflate to at most, so that lengths read from the content are bounded by real data. Writing
// raises.
class TZLIBInflateStream : public TStream {
public:
    TZLIBInflateStream(TStream& source, int32_t size);
    ~TZLIBInflateStream() override;
    TZLIBInflateStream(const TZLIBInflateStream&) = delete;
    TZLIBInflateStream& operator=(const TZLIBInflateStream&) = delete;

    int64_t Read(void* buffer, int64_t count) override;
    int64_t Write(const void* buffer, int64_t count) override;
    int64_t Seek(int64_t offset, TSeekOrigin origin) override;
    int64_t GetSize() override { return bound_; }
    void SetSize(int64_t newSize) override;

    // Inflates what is left after the bytes inflated so far (written to rest when given, also what
    // inflated before a failure, up to the stated length): the zlib stream must end at exactly the
    // stated length. The source then stands just past it, so whatever follows the container can be
    // read next.
    void Finish(TStream* rest = nullptr);

private:
    struct State;
    // Inflates up to count bytes into out and returns how many (0 only at the end of the content).
    int64_t Inflate(char* out, int64_t count);
    // The last bytes inflated into out, kept in the window for seeking back.
    void Remember(const char* data, int64_t count);

    TStream& source_;
    std::unique_ptr<State> state_;
    int64_t size_;
    int64_t bound_;
    int64_t produced_ = 0;
    int64_t position_ = 0;
    bool ended_ = false;
    std::vector<char> window_;
    int64_t windowLength_ = 0;
};

// Inflated bytes so far in this process (every container): tests and benchmarks compare two
// readings to see how often a document's pages were unpacked.
int64_t ZLIBInflatedBytes();

// Reads a whole container at the stream's position into memory; the caller has checked the header
// with ReadZLIBHeader. Memory grows with the inflated data, not with the stored claim.
QByteArray ZLIBDecompressToBytes(TStream& source, int32_t size);

bool IsZLIBCompressedFile(const QString& fileName);

// Writes the unpacked content of a container file to destName (replaced only once all of it is
// inflated); a file without the signature writes nothing and creates no file.
void ZLIBDecompressFile(const QString& sourceName, const QString& destName);
