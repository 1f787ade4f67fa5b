// Writes the data the program ships beside itself, drawn here from code so that two builds give
// equal bytes: the default shadow of album photos (AlbumShd.dat, an 8-bit grey bitmap).
//   MakeAppData <output folder>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QtEndian>
#include <algorithm>
#include <cstdio>

namespace {

constexpr int kShadowSize = 256;
// The soft edge: from black at the border to white this far in.
constexpr int kShadowEdge = 40;

void PutLE16(QByteArray& bytes, int value) {
    const quint16 v = qToLittleEndian(quint16(value));
    bytes.append(reinterpret_cast<const char*>(&v), 2);
}

void PutLE32(QByteArray& bytes, qint64 value) {
    const quint32 v = qToLittleEndian(quint32(value));
    bytes.append(reinterpret_cast<const char*>(&v), 4);
}

// A bottom-up 8-bit bitmap file with a grey palette; pixels top-down, width x height.
QByteArray GreyBitmapFile(const QByteArray& pixels, int width, int height) {
    const int stride = (width + 3) & ~3;
    constexpr int kHeaders = 14 + 40 + 256 * 4;
    QByteArray bytes;
    bytes.append("BM");
    PutLE32(bytes, kHeaders + qint64(stride) * height);
    PutLE32(bytes, 0);
    PutLE32(bytes, kHeaders);
    PutLE32(bytes, 40);
    PutLE32(bytes, width);
    PutLE32(bytes, height);
    PutLE16(bytes, 1);
    PutLE16(bytes, 8);
    PutLE32(bytes, 0);
    PutLE32(bytes, qint64(stride) * height);
    PutLE32(bytes, 2835);
    PutLE32(bytes, 2835);
    PutLE32(bytes, 256);
    PutLE32(bytes, 0);
    for (int i = 0; i < 256; ++i) {
        const char grey = char(i);
        bytes.append(grey).append(grey).append(grey).append('\0');
    }
    for (int y = height - 1; y >= 0; --y) {
        bytes.append(pixels.mid(qsizetype(y) * width, width));
        bytes.append(QByteArray(stride - width, '\0'));
    }
    return bytes;
}

QByteArray ShadowPixels() {
    QByteArray pixels(kShadowSize * kShadowSize, '\0');
    for (int y = 0; y < kShadowSize; ++y)
        for (int x = 0; x < kShadowSize; ++x) {
            const int d = std::min({x, y, kShadowSize - 1 - x, kShadowSize - 1 - y});
            const double t = std::min(1.0, double(d) / kShadowEdge);
            // Smooth at both ends of the edge.
            const double s = t * t * (3 - 2 * t);
            pixels[y * kShadowSize + x] = char(int(s * 255 + 0.5));
        }
    return pixels;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeAppData <output folder>\n");
        return 2;
    }
    const QString out = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(out);
    if (!WriteFile(out + QStringLiteral("/AlbumShd.dat"),
                   GreyBitmapFile(ShadowPixels(), kShadowSize, kShadowSize)))
        return 1;
    return 0;
}
