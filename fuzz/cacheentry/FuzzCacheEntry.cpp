// Reads arbitrary bytes as one thumbnail cache entry (flag, size, time, stored picture) and writes
// back what loads. A clean exception is fine; a crash, a sanitizer report or a read past the data
// is not.

#include "imaging/UImageCache.h"
#include "platform/Stream.h"

#include <QGuiApplication>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_cacheentry";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);

    TMemoryStream stream(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    TImageCacheItem item;
    try {
        item.ReadEntry(stream);
    } catch (const Exception&) {
        return 0;
    }
    if (stream.GetPosition() > stream.GetSize())
        std::abort();
    try {
        TMemoryStream out;
        item.WriteEntry(out);
        out.SetPosition(0);
        TImageCacheItem again;
        again.ReadEntry(out);
    } catch (const Exception&) {
    }
    return 0;
}
