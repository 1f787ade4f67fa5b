#pragma once
// Builds small Photo CD image packs for tests: the signature, the rotation code and the three
// uncompressed sizes, each filled from a function of (resolution, x, y) giving luma and the two
// chroma values (chroma is sampled at even x and y).

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <functional>

struct PCDSample {
    uint8_t y, c1, c2;
};
using PCDFill = std::function<PCDSample(int resolution, int x, int y)>;

inline QByteArray MakePCDFile(const PCDFill& fill, int rotation = 0, int64_t size = 0xC0000) {
    QByteArray file(0xC0000, '\0');
    file.replace(0x800, 7, "PCD_IPI");
    file[0xE02] = char(rotation);
    const int64_t offsets[] = {0, 0x2000, 0xB800, 0x30000};
    for (int r = 1; r <= 3; ++r) {
        const int w = 192 << (r - 1);
        const int h = 128 << (r - 1);
        char* p = file.data() + offsets[r];
        for (int y = 0; y < h; y += 2) {
            for (int row = 0; row < 2; ++row)
                for (int x = 0; x < w; ++x)
                    *p++ = char(fill(r, x, y + row).y);
            for (int x = 0; x < w; x += 2)
                *p++ = char(fill(r, x, y).c1);
            for (int x = 0; x < w; x += 2)
                *p++ = char(fill(r, x, y).c2);
        }
    }
    file.resize(size);
    return file;
}

inline bool WritePCDFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}
