#pragma once
// The compressed container: the 13-byte signature "ZLIBCompress" $1A, the unpacked length as a
// signed 32-bit little-endian integer, then one zlib stream. Packed bitmaps ("CBM"), packed
// resource images, face streams and the paper-update file all use it.

#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QString>
#include <cstdint>

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

// Reads a whole container at the stream's position into memory; the caller has checked the header
// with ReadZLIBHeader. Memory grows with the inflated data, not with the stored claim.
QByteArray ZLIBDecompressToBytes(TStream& source, int32_t size);

bool IsZLIBCompressedFile(const QString& fileName);

// Writes the unpacked content of a container file to destName (replaced only once all of it is
// inflated); a file without the signature writes nothing and creates no file.
void ZLIBDecompressFile(const QString& sourceName, const QString& destName);
