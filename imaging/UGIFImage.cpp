#include "imaging/UGIFImage.h"

#include "platform/Exception.h"
#include "platform/Picture.h"
#include "platform/PixelBuffer.h"

#include <QVector>

#include <gif_lib.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

[[noreturn]] void InvalidGif(int error) {
    const char* text = GifErrorString(error);
    throw EInvalidGraphic(QStringLiteral("GIF image is not valid: %1")
                              .arg(text ? QString::fromLatin1(text) : QStringLiteral("unknown error")));
}

struct MemoryReader {
    const QByteArray* data;
    qsizetype position;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
    auto* reader = static_cast<MemoryReader*>(gif->UserData);
    const qsizetype n = std::min<qsizetype>(length, reader->data->size() - reader->position);
    if (n <= 0)
        return 0;
    std::memcpy(buffer, reader->data->constData() + reader->position, size_t(n));
    reader->position += n;
    return int(n);
}

int WriteToMemory(GifFileType* gif, const GifByteType* buffer, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(buffer), length);
    return length;
}

// Closes the decoder on every way out.
struct DecoderCloser {
    GifFileType* gif;
    ~DecoderCloser() {
        int error = 0;
        if (gif)
            DGifCloseFile(gif, &error);
    }
};

struct EncoderCloser {
    GifFileType* gif;
    ~EncoderCloser() {
        int error = 0;
        if (gif)
            EGifCloseFile(gif, &error);
    }
};

struct MapFreer {
    ColorMapObject* map;
    ~MapFreer() { GifFreeMapObject(map); }
};

} // namespace

QImage TGIFImage::Decode(const QByteArray& data) const {
    MemoryReader reader{&data, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
    if (!gif)
        InvalidGif(error);
    DecoderCloser closer{gif};

    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR)
            InvalidGif(gif->Error);
        if (type == TERMINATE_RECORD_TYPE)
            InvalidGif(D_GIF_ERR_NO_IMAG_DSCR);
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR)
                InvalidGif(gif->Error);
            while (block) {
                GraphicsControlBlock gcb;
                if (code == GRAPHICS_EXT_FUNC_CODE && DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
                    transparent = gcb.TransparentColor;
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR)
                    InvalidGif(gif->Error);
            }
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE)
            continue;

        if (DGifGetImageDesc(gif) == GIF_ERROR)
            InvalidGif(gif->Error);
        const GifImageDesc& desc = gif->Image;
        const int64_t fw = desc.Width, fh = desc.Height;
        // A logical screen of 0 (some writers) takes the frame's size.
        const int64_t sw = gif->SWidth > 0 ? gif->SWidth : desc.Left + fw;
        const int64_t sh = gif->SHeight > 0 ? gif->SHeight : desc.Top + fh;
        if (!DecodedSizeAllowed(sw, sh, data.size()) || !DecodedSizeAllowed(fw, fh, data.size()))
            InvalidGif(D_GIF_ERR_NOT_ENOUGH_MEM);
        const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
        if (!map || !map->Colors || map->ColorCount <= 0)
            InvalidGif(D_GIF_ERR_NO_COLOR_MAP);

        QImage image(int(sw), int(sh), QImage::Format_ARGB32);
        if (image.isNull())
            InvalidGif(D_GIF_ERR_NOT_ENOUGH_MEM);
        image.fill(Qt::transparent);
        std::vector<GifPixelType> line(static_cast<size_t>(fw));
        auto putRow = [&](int64_t row) {
            if (DGifGetLine(gif, line.data(), int(fw)) == GIF_ERROR)
                InvalidGif(gif->Error);
            const int64_t y = desc.Top + row;
            if (y < 0 || y >= sh)
                return;
            auto* out = reinterpret_cast<QRgb*>(image.scanLine(int(y)));
            for (int64_t x = 0; x < fw; ++x) {
                const int64_t sx = desc.Left + x;
                const int index = line[size_t(x)];
                if (sx >= sw || index == transparent || index >= map->ColorCount)
                    continue;
                const GifColorType& c = map->Colors[index];
                out[sx] = qRgb(c.Red, c.Green, c.Blue);
            }
        };
        if (desc.Interlace) {
            static const int kStart[] = {0, 4, 2, 1};
            static const int kStep[] = {8, 8, 4, 2};
            for (int pass = 0; pass < 4; ++pass)
                for (int64_t row = kStart[pass]; row < fh; row += kStep[pass])
                    putRow(row);
        } else {
            for (int64_t row = 0; row < fh; ++row)
                putRow(row);
        }
        return image;
    }
}

QByteArray TGIFImage::Encode(const QImage& image) const {
    const int w = image.width(), h = image.height();
    bool anyTransparent = false;
    for (int y = 0; y < h && !anyTransparent; ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x)
            if (qAlpha(row[x]) < 128) {
                anyTransparent = true;
                break;
            }
    }
    // Qt keeps up to 256 distinct colours exactly and dithers onto a colour cube beyond that.
    const QImage indexed =
        image.convertToFormat(QImage::Format_RGB32).convertToFormat(QImage::Format_Indexed8);
    std::vector<TRGBQuad> table;
    for (QRgb c : indexed.colorTable())
        table.push_back(c & 0xFFFFFF);
    table.resize(256, 0);
    // Transparency takes an index no pixel uses; when all 256 are used, the last one is given up
    // and its pixels take the nearest other colour.
    int transparentIndex = 255;
    int substitute = 255;
    if (anyTransparent) {
        std::vector<bool> used(256, false);
        for (int y = 0; y < h; ++y) {
            const uint8_t* src = indexed.constScanLine(y);
            for (int x = 0; x < w; ++x)
                used[src[x]] = true;
        }
        const auto unused = std::find(used.begin(), used.end(), false);
        if (unused != used.end()) {
            transparentIndex = int(unused - used.begin());
        } else {
            int best = 0;
            int64_t bestDistance = INT64_MAX;
            for (int i = 0; i < 255; ++i) {
                const int dr = int(table[size_t(i)] >> 16 & 0xFF) - int(table[255] >> 16 & 0xFF);
                const int dg = int(table[size_t(i)] >> 8 & 0xFF) - int(table[255] >> 8 & 0xFF);
                const int db = int(table[size_t(i)] & 0xFF) - int(table[255] & 0xFF);
                const int64_t d = int64_t(dr) * dr + int64_t(dg) * dg + int64_t(db) * db;
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            substitute = best;
        }
    }

    std::vector<GifColorType> colors(256);
    for (size_t i = 0; i < 256; ++i)
        colors[i] = {GifByteType(table[i] >> 16), GifByteType(table[i] >> 8), GifByteType(table[i])};
    ColorMapObject* map = GifMakeMapObject(256, colors.data());
    if (!map)
        InvalidGif(E_GIF_ERR_NOT_ENOUGH_MEM);
    MapFreer freer{map};

    QByteArray out;
    int error = 0;
    GifFileType* gif = EGifOpen(&out, WriteToMemory, &error);
    if (!gif)
        InvalidGif(error);
    EncoderCloser closer{gif};
    EGifSetGifVersion(gif, true);
    if (EGifPutScreenDesc(gif, w, h, 8, 0, map) == GIF_ERROR)
        InvalidGif(gif->Error);
    if (anyTransparent) {
        GraphicsControlBlock gcb{};
        gcb.DisposalMode = DISPOSAL_UNSPECIFIED;
        gcb.DelayTime = 0;
        gcb.TransparentColor = transparentIndex;
        GifByteType extension[4];
        const size_t length = EGifGCBToExtension(&gcb, extension);
        if (EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, int(length), extension) == GIF_ERROR)
            InvalidGif(gif->Error);
    }
    if (EGifPutImageDesc(gif, 0, 0, w, h, false, nullptr) == GIF_ERROR)
        InvalidGif(gif->Error);
    std::vector<GifPixelType> line(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = indexed.constScanLine(y);
        const auto* argb = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < w; ++x) {
            GifPixelType index = src[x];
            if (anyTransparent && index == transparentIndex)
                index = GifPixelType(substitute);
            if (anyTransparent && qAlpha(argb[x]) < 128)
                index = GifPixelType(transparentIndex);
            line[size_t(x)] = index;
        }
        if (EGifPutLine(gif, line.data(), w) == GIF_ERROR)
            InvalidGif(gif->Error);
    }
    closer.gif = nullptr;
    if (EGifCloseFile(gif, &error) == GIF_ERROR)
        InvalidGif(error);
    return out;
}
