// Feeds arbitrary bytes to the Exif reader as a JPEG file and asks every query of every
// directory for the tags the system reads and a few others. A clean stream error is fine; a
// crash, a read outside the block, a hang or an answer that contradicts HasTag is not.

#include "imaging/UExifReader.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void Query(const TExifReader& reader) {
    static const uint16_t kTags[] = {1,   2,   256,   257,   259,   271,   274,   306,
                                     513, 514, 33434, 34665, 36864, 37377, 40965, 65535};
    for (int ifd = -1; ifd <= 4; ++ifd) {
        for (uint16_t tag : kTags) {
            const bool has = reader.HasTag(ifd, tag);
            const int32_t value = reader.GetInteger(ifd, tag);
            std::vector<TExifRational> list;
            reader.GetRationals(ifd, tag, list);
            TExifRational one;
            reader.GetRational(ifd, tag, one);
            QString text;
            reader.GetText(ifd, tag, text);
            if (!has && (value != 0 || !list.empty() || !text.isEmpty() || one != TExifRational{}))
                std::abort();
            if (!reader.HasExif() && has)
                std::abort();
        }
    }
    (void)reader.ExifVersion();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TExifReader reader;
    try {
        TMemoryStream stream(bytes);
        reader.LoadFromStream(stream);
        if (reader.Data().size() > 65533)
            std::abort();
    } catch (const Exception&) {
    }
    Query(reader);
    // The same bytes taken as the Exif block itself behind a minimal JPEG frame.
    if (size <= 65533) {
        QByteArray jpeg("\xFF\xD8\xFF\xE1", 4);
        const int length = int(size) + 2;
        jpeg += char(length >> 8);
        jpeg += char(length & 0xFF);
        jpeg += bytes;
        try {
            TMemoryStream stream(jpeg);
            reader.LoadFromStream(stream);
        } catch (const Exception&) {
        }
        Query(reader);
    }
    return 0;
}
