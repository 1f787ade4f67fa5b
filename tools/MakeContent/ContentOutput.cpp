#include "tools/MakeContent/ContentOutput.h"

#include "imaging/UImageUtil.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPNGImage.h"
#include "platform/Bitmap.h"
#include "platform/Cp932.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QDir>
#include <QFile>
#include <QFont>
#include <QPainter>
#include <algorithm>
#include <atomic>
#include <exception>
#include <thread>

namespace Content {

namespace {

QList<QRgb> GreyTable() {
    QList<QRgb> table(256);
    for (int i = 0; i < 256; ++i)
        table[i] = qRgb(i, i, i);
    return table;
}

// The picture as the library's bitmap: 8-bit with the grey palette for grey images, else 24-bit.
void ToBitmap(const QImage& image, TBitmap& bitmap) {
    if (image.format() == QImage::Format_Grayscale8) {
        QImage indexed(image.size(), QImage::Format_Indexed8);
        indexed.setColorTable(GreyTable());
        // Grey levels map to themselves: write the indexes straight from the grey values.
        for (int y = 0; y < image.height(); ++y)
            std::copy_n(image.constScanLine(y), image.width(), indexed.scanLine(y));
        bitmap.SetPixels(PixelBuffer::FromImage(indexed, 8));
    } else {
        bitmap.SetPixels(PixelBuffer::FromImage(image.convertToFormat(QImage::Format_RGB32), 24));
    }
}

QByteArray BitmapFile(TBitmap& bitmap) {
    TMemoryStream stream;
    bitmap.SaveToStream(stream);
    return QByteArray(stream.Memory(), qsizetype(stream.GetSize()));
}

// The PNG form of an image without decoding it again (the tool never shows what it writes).
class PngEncoder : public TPNGImage {
public:
    QByteArray EncodeImage(const QImage& image) const { return Encode(image); }
};

} // namespace

QString Output::Folder(const QString& relative) const {
    const QString path = Root + QLatin1Char('/') + relative;
    if (!QDir().mkpath(path))
        throw Exception(QStringLiteral("cannot make folder %1").arg(path));
    return path;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw Exception(QStringLiteral("cannot write %1").arg(path));
}

QString WritePicture(const Output& out, const QString& folder, const QString& base, const QImage& image) {
    const bool grey = image.format() == QImage::Format_Grayscale8;
    const QByteArray png = PngEncoder().EncodeImage(image.convertToFormat(QImage::Format_RGB32));
    // The bitmap file's size follows from its dimensions; it is made only when it is the smaller.
    const int bits = grey ? 8 : 24;
    const qint64 stride = ((qint64(image.width()) * bits + 31) / 32) * 4;
    const qint64 bitmapSize = 14 + 40 + (grey ? 256 * 4 : 0) + stride * image.height();
    QString name;
    if (png.size() < bitmapSize) {
        name = base + QStringLiteral(".png");
        WriteBytes(out.Folder(folder) + QLatin1Char('/') + name, png);
    } else {
        TBitmap bitmap;
        ToBitmap(image, bitmap);
        name = base + QStringLiteral(".bmp");
        WriteBytes(out.Folder(folder) + QLatin1Char('/') + name, BitmapFile(bitmap));
    }
    return name;
}

QString WriteAlphaPng(const Output& out, const QString& folder, const QString& base, const QImage& image) {
    const QString name = base + QStringLiteral(".png");
    WriteBytes(out.Folder(folder) + QLatin1Char('/') + name,
               PngEncoder().EncodeImage(image.convertToFormat(QImage::Format_ARGB32)));
    return name;
}

QString WriteJpeg(const Output& out, const QString& folder, const QString& base, const QImage& image,
                  int quality) {
    TBitmap bitmap;
    ToBitmap(image, bitmap);
    TJPEGGraphic jpeg;
    jpeg.SetCompressionQuality(quality);
    jpeg.Assign(bitmap);
    const QString name = base + QStringLiteral(".jpg");
    WriteBytes(out.Folder(folder) + QLatin1Char('/') + name, jpeg.Data());
    return name;
}

void WriteCatalogue(const Output& out, const QString& relativePath, const QStringList& lines) {
    bool lossless = true;
    const QByteArray bytes =
        Cp932::Encode(lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n"), &lossless);
    if (!lossless)
        throw Exception(QStringLiteral("%1 holds text without a CP932 form").arg(relativePath));
    const int slash = int(relativePath.lastIndexOf(QLatin1Char('/')));
    WriteBytes(out.Folder(relativePath.left(slash)) + relativePath.mid(slash), bytes);
}

QImage Blurred(const QImage& grey, double radius) {
    TBitmap bitmap;
    ToBitmap(grey, bitmap);
    GaussianBlurRect(&bitmap, TRect(0, 0, grey.width(), grey.height()), radius, radius);
    QImage result(grey.width(), grey.height(), QImage::Format_Grayscale8);
    for (int y = 0; y < grey.height(); ++y)
        std::copy_n(bitmap.ScanLine(y), grey.width(), result.scanLine(y));
    return result;
}

void KeepKeyExact(QImage& image, unsigned key, const QImage& mask) {
    const QRgb keyRgb = qRgb(int(key >> 16) & 255, int(key >> 8) & 255, int(key) & 255);
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        const uchar* m = mask.constScanLine(y);
        for (int x = 0; x < image.width(); ++x)
            if ((row[x] | 0xFF000000u) == (keyRgb | 0xFF000000u) && m[x] < 128)
                row[x] = qRgb(qRed(keyRgb), qGreen(keyRgb), qBlue(keyRgb) ^ 1);
    }
}

QImage FlattenOnKey(const QImage& drawing, unsigned key) {
    const int kr = int(key >> 16) & 255, kg = int(key >> 8) & 255, kb = int(key) & 255;
    QImage result(drawing.size(), QImage::Format_RGB32);
    const QImage source = drawing.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < source.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(source.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < source.width(); ++x) {
            const int a = qAlpha(in[x]);
            if (a == 0) {
                out[x] = qRgb(kr, kg, kb);
                continue;
            }
            const int r = qRed(in[x]) + (kr * (255 - a) + 127) / 255;
            const int g = qGreen(in[x]) + (kg * (255 - a) + 127) / 255;
            int b = qBlue(in[x]) + (kb * (255 - a) + 127) / 255;
            if (r == kr && g == kg && b == kb)
                b ^= 1;
            out[x] = qRgb(std::min(r, 255), std::min(g, 255), std::min(b, 255));
        }
    }
    return result;
}

QImage NewGrey(int width, int height, int grey) {
    QImage image(width, height, QImage::Format_Grayscale8);
    image.fill(QColor(grey, grey, grey));
    return image;
}

QImage NewRgb(int width, int height, unsigned rgb) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(int(rgb >> 16) & 255, int(rgb >> 8) & 255, int(rgb) & 255));
    return image;
}

QImage Fit(const QImage& image, int width, int height) {
    return image.scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

void WriteContactSheet(const QString& path, const QString& title, const std::vector<SheetCell>& cells) {
    constexpr int kCell = 180, kPicture = 160, kCaption = 22, kTitle = 44, kColumns = 6, kGap = 10;
    const int rows = std::max(1, int((cells.size() + kColumns - 1) / kColumns));
    QImage sheet(kColumns * (kCell + kGap) + kGap, kTitle + rows * (kCell + kCaption + kGap) + kGap,
                 QImage::Format_RGB32);
    sheet.fill(QColor(0xE4, 0xE7, 0xEC));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    QFont font(QStringLiteral("IPAGothic"));
    font.setPixelSize(22);
    p.setFont(font);
    p.setPen(QColor(0x30, 0x38, 0x48));
    p.drawText(QRect(kGap, 0, sheet.width(), kTitle), Qt::AlignVCenter, title);
    font.setPixelSize(14);
    p.setFont(font);
    for (size_t i = 0; i < cells.size(); ++i) {
        const int x = kGap + int(i % kColumns) * (kCell + kGap);
        const int y = kTitle + int(i / kColumns) * (kCell + kCaption + kGap);
        p.fillRect(QRect(x, y, kCell, kCell), Qt::white);
        const QImage picture = Fit(cells[i].Picture, kPicture, kPicture);
        p.drawImage(x + (kCell - picture.width()) / 2, y + (kCell - picture.height()) / 2, picture);
        p.drawText(QRect(x, y + kCell, kCell, kCaption), Qt::AlignCenter, cells[i].Caption);
    }
    p.end();
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (!sheet.save(path, "PNG"))
        throw Exception(QStringLiteral("cannot write %1").arg(path));
}

void RunAll(const std::vector<std::function<void()>>& jobs) {
    std::atomic<size_t> next{0};
    std::exception_ptr failure;
    std::mutex failureLock;
    const unsigned threads = std::clamp(std::thread::hardware_concurrency(), 1u, 4u);
    std::vector<std::thread> pool;
    for (unsigned t = 0; t < threads; ++t)
        pool.emplace_back([&] {
            for (size_t i = next++; i < jobs.size(); i = next++) {
                try {
                    jobs[i]();
                } catch (...) {
                    std::lock_guard lock(failureLock);
                    if (!failure)
                        failure = std::current_exception();
                }
            }
        });
    for (std::thread& t : pool)
        t.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace Content
