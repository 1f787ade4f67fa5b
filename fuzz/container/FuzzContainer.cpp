// Feeds arbitrary bytes to the container reader: the header test, then inflation of the recorded
// length. A clean exception is fine; a crash, a read past the data or a wrong position is not.

#include "imaging/UZLIB.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream stream(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    int32_t length = 0;
    if (!ReadZLIBHeader(stream, length)) {
        if (stream.GetPosition() != 0)
            std::abort();
        return 0;
    }
    try {
        TMemoryStream out;
        ZLIBDecompressStream(stream, out, length);
        if (out.GetSize() != length || stream.GetPosition() > stream.GetSize())
            std::abort();
    } catch (const Exception&) {
    }
    return 0;
}
