// Opens arbitrary bytes as a thumbnail cache file: read-only lookups, then a writable open that
// stores, purges and compacts. A damaged file must be set aside or answer nothing; a crash, a
// sanitizer report or an exception leaving the cache is not.

#include "imaging/UImageCache.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

void WriteCacheFile(const QString& name, const uint8_t* data, size_t size) {
    QFile::remove(name);
    QFile f(name);
    if (!f.open(QIODevice::WriteOnly))
        std::abort();
    f.write(reinterpret_cast<const char*>(data), qint64(size));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_imagecache";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);
    static QTemporaryDir dir;
    const QString file = dir.filePath("cache.ic");
    const char* const keys[] = {"/p/a.jpg", "/p/b.jpg", "a.jpg", "/a.jpg", "/p/q/c.jpg"};

    try {
        WriteCacheFile(file, data, size);
        {
            TImageCacheStorage cache;
            cache.Open(file, true);
            for (const char* key : keys) {
                TImageCacheItem item;
                cache.LoadItem(QString::fromLatin1(key), item);
            }
        }
        {
            TImageCacheStorage cache;
            cache.Open(file, false);
            for (const char* key : keys) {
                TImageCacheItem item;
                cache.LoadItem(QString::fromLatin1(key), item);
            }
            TImageCacheItem item;
            TSafetyBitmap bitmap(3, 2);
            item.Picture()->SetGraphic(&bitmap);
            cache.SaveItem(QStringLiteral("/p/new.jpg"), item);
            cache.Shrink(0);
            cache.SaveItem(QStringLiteral("/p/a.jpg"), item);
        }
    } catch (const Exception&) {
        // The cache never lets a failure out.
        std::abort();
    }
    QFile::remove(file + QStringLiteral(".damaged"));
    return 0;
}
