// Feeds arbitrary bytes to the resource-file scanner, looking for a text and an ordinal entry.
// It must always end, stay inside the data and hand back only bytes that are there.

#include "imaging/UResStream.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const TResName names[] = {TResName("LOGO"), TResName(uint16_t(1))};
    const TResName types[] = {TResName(uint16_t(RT_BITMAP)), TResName("CBM")};
    for (const TResName& type : types)
        for (const TResName& name : names) {
            TMemoryStream stream(bytes);
            QByteArray found;
            try {
                if (FindResInResFile(stream, name, type, found) && found.size() > bytes.size())
                    std::abort();
            } catch (const Exception&) {
            }
        }
    return 0;
}
