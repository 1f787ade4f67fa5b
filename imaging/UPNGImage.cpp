#include "imaging/UPNGImage.h"

#include "platform/Exception.h"
#include "platform/Picture.h"

#include <png.h>

#include <vector>

namespace {

[[noreturn]] void InvalidPng(const char* reason) {
    throw EInvalidGraphic(QStringLiteral("PNG image is not valid: %1").arg(QString::fromLatin1(reason)));
}

} // namespace

// libpng's simplified interface keeps its error handling (and its longjmp) to itself and
// answers 0 on failure, so no C++ frame is ever jumped over.
QImage TPNGImage::Decode(const QByteArray& data) const {
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data.constData(), size_t(data.size())))
        InvalidPng(png.message);
    if (!DecodedSizeAllowed(png.width, png.height, data.size())) {
        png_image_free(&png);
        InvalidPng("image too large");
    }
    png.format = PNG_FORMAT_BGRA; // the byte order of QImage::Format_ARGB32 in memory
    QImage image(int(png.width), int(png.height), QImage::Format_ARGB32);
    if (image.isNull()) {
        png_image_free(&png);
        InvalidPng("out of memory");
    }
    if (!png_image_finish_read(&png, nullptr, image.bits(), png_int_32(image.bytesPerLine()), nullptr))
        InvalidPng(png.message);
    return image;
}

QByteArray TPNGImage::Encode(const QImage& image) const {
    // Whole pixels compared as words: this runs over every pixel of large pictures.
    constexpr QRgb kAlphaMask = 0xFF000000u;
    bool alpha = false;
    bool grey = true;
    for (int y = 0; y < image.height() && !alpha; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const QRgb v = row[x];
            if ((v & kAlphaMask) != kAlphaMask) {
                alpha = true;
                break;
            }
            grey = grey && ((v ^ (v >> 8)) & 0xFFFFu) == 0;
        }
    }
    grey = grey && !alpha;
    // Grey pictures (masks) go in as one byte a pixel, a third of the colour form; plain colour as
    // B,G,R rows; with alpha the image's own B,G,R,A rows.
    QImage source = image;
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(image.width());
    png.height = png_uint_32(image.height());
    png.format = alpha ? PNG_FORMAT_BGRA : grey ? PNG_FORMAT_GRAY : PNG_FORMAT_BGR;
    std::vector<uint8_t> rows;
    const void* buffer = source.constBits();
    png_int_32 stride = png_int_32(source.bytesPerLine());
    if (grey) {
        const int w = image.width();
        rows.resize(size_t(w) * size_t(image.height()));
        for (int y = 0; y < image.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            uint8_t* out = rows.data() + size_t(y) * size_t(w);
            for (int x = 0; x < w; ++x)
                out[x] = uint8_t(in[x]);
        }
        buffer = rows.data();
        stride = png_int_32(w);
    } else if (!alpha) {
        const int w = image.width();
        rows.resize(size_t(w) * 3 * size_t(image.height()));
        for (int y = 0; y < image.height(); ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
            uint8_t* out = rows.data() + size_t(y) * size_t(w) * 3;
            for (int x = 0; x < w; ++x) {
                const QRgb v = in[x];
                out[3 * x] = uint8_t(v);
                out[3 * x + 1] = uint8_t(v >> 8);
                out[3 * x + 2] = uint8_t(v >> 16);
            }
        }
        buffer = rows.data();
        stride = png_int_32(w * 3);
    }
    // One pass into a buffer of the largest size the file can take (asking for the size first would
    // compress the picture twice).
    png_alloc_size_t size = PNG_IMAGE_PNG_SIZE_MAX(png);
    QByteArray bytes(qsizetype(size), Qt::Uninitialized);
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, buffer, stride, nullptr))
        InvalidPng(png.message);
    bytes.truncate(qsizetype(size));
    return bytes;
}
