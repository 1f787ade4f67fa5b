// Feeds arbitrary bytes to the container reader: the header test, then inflation of the recorded
// length. A clean exception is fine; a crash, a read past the data or a wrong position is not. What
// inflates is read once more piecewise, seeking back and forward as a component reader does, and
// must give the same bytes.

#include "imaging/UZLIB.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    TMemoryStream stream(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    int32_t length = 0;
    if (!ReadZLIBHeader(stream, length)) {
        if (stream.GetPosition() != 0)
            std::abort();
        return 0;
    }
    const int64_t start = stream.GetPosition();
    TMemoryStream out;
    try {
        ZLIBDecompressStream(stream, out, length);
        if (out.GetSize() != length || stream.GetPosition() > stream.GetSize())
            std::abort();
    } catch (const Exception&) {
        return 0;
    }
    const int64_t end = stream.GetPosition();
    stream.SetPosition(start);
    TZLIBInflateStream piecewise(stream, length);
    // Steps from the input's own bytes: reads of 1 byte to 128 KiB, back seeks within 64 KiB.
    uint32_t seed = uint32_t(size) * 2654435761u;
    std::vector<char> buffer(1 << 17);
    while (piecewise.GetPosition() < length) {
        seed = seed * 1103515245u + 12345u;
        const int64_t at = piecewise.GetPosition();
        if (seed % 5 == 0) {
            const int64_t back = std::min<int64_t>(at, (seed >> 8) % 65536);
            if (piecewise.Seek(-back, TSeekOrigin::soCurrent) != at - back)
                std::abort();
            continue;
        }
        const int64_t count = 1 + int64_t((seed >> 4) % uint32_t(buffer.size()));
        const int64_t got = piecewise.Read(buffer.data(), count);
        if (got != std::min(count, int64_t(length) - at) ||
            std::memcmp(buffer.data(), out.Memory() + at, size_t(got)) != 0)
            std::abort();
    }
    piecewise.Finish();
    if (stream.GetPosition() != end)
        std::abort();
    return 0;
}
