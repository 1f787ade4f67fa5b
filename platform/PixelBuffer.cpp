#include "platform/PixelBuffer.h"

#include "platform/Exception.h"

#include <QColor>
#include <cstring>

// The memory itself. Views hold the block alone; owners hold it through a share, so that
// copy-on-write counts only owners and a canvas view keeps drawing into the owner's pixels.
struct PixelBuffer::Block {
    int width = 0;
    int height = 0;
    int bitCount = 0;
    int stride = 0;
    std::unique_ptr<uint8_t[]> bytes;
    std::vector<TRGBQuad> colors;

    int64_t ByteCount() const { return int64_t(stride) * height; }
};

struct PixelBuffer::Share {
    std::shared_ptr<Block> block;
};

namespace {

std::vector<TRGBQuad> GrayTable(int bitCount) {
    const int count = 1 << bitCount;
    std::vector<TRGBQuad> table(count);
    for (int i = 0; i < count; ++i) {
        const uint32_t v = uint32_t(i * 255 / (count - 1));
        table[i] = (v << 16) | (v << 8) | v;
    }
    return table;
}

} // namespace

bool PixelBuffer::IsSupportedBitCount(int bitCount) {
    return bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 24 || bitCount == 32;
}

int64_t PixelBuffer::StrideFor(int64_t width, int bitCount) {
    return ((width * bitCount + 31) & ~int64_t(31)) / 8;
}

PixelBuffer::PixelBuffer(int width, int height, int bitCount) {
    if (!IsSupportedBitCount(bitCount))
        throw EInvalidGraphic(QStringLiteral("Unsupported pixel format"));
    if (width < 0 || height < 0 || width > kMaxDimension || height > kMaxDimension)
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    const int64_t stride = StrideFor(width, bitCount);
    if (height != 0 && stride > kMaxBytes / height)
        throw EOutOfResources(QStringLiteral("Out of system resources"));
    auto block = std::make_shared<Block>();
    block->width = width;
    block->height = height;
    block->bitCount = bitCount;
    block->stride = int(stride);
    const int64_t bytes = block->ByteCount();
    // Never an empty allocation: QImage views need a non-null pointer.
    block->bytes.reset(new uint8_t[bytes > 0 ? bytes : 4]());
    if (bitCount <= 8)
        block->colors = GrayTable(bitCount);
    share_ = std::make_shared<Share>();
    share_->block = std::move(block);
}

int PixelBuffer::Width() const {
    return share_ ? share_->block->width : 0;
}
int PixelBuffer::Height() const {
    return share_ ? share_->block->height : 0;
}
int PixelBuffer::BitCount() const {
    return share_ ? share_->block->bitCount : 0;
}
int PixelBuffer::Stride() const {
    return share_ ? share_->block->stride : 0;
}
int64_t PixelBuffer::ByteCount() const {
    return share_ ? share_->block->ByteCount() : 0;
}

const uint8_t* PixelBuffer::ConstBits() const {
    return share_ ? share_->block->bytes.get() : nullptr;
}

uint8_t* PixelBuffer::Bits() {
    if (!share_)
        return nullptr;
    Detach();
    return share_->block->bytes.get();
}

const uint8_t* PixelBuffer::ConstScanLine(int y) const {
    return share_ ? share_->block->bytes.get() + int64_t(y) * share_->block->stride : nullptr;
}

uint8_t* PixelBuffer::ScanLine(int y) {
    uint8_t* bits = Bits();
    return bits ? bits + int64_t(y) * share_->block->stride : nullptr;
}

const std::vector<TRGBQuad>& PixelBuffer::ColorTable() const {
    static const std::vector<TRGBQuad> none;
    return share_ ? share_->block->colors : none;
}

void PixelBuffer::SetColorTable(const std::vector<TRGBQuad>& table) {
    if (!share_ || share_->block->bitCount > 8)
        return;
    Detach();
    const size_t limit = size_t(1) << share_->block->bitCount;
    share_->block->colors.assign(table.begin(), table.begin() + std::min(limit, table.size()));
}

bool PixelBuffer::HasGrayTable() const {
    if (!share_ || share_->block->bitCount != 8)
        return false;
    const auto& colors = share_->block->colors;
    if (colors.size() != 256)
        return false;
    for (uint32_t i = 0; i < 256; ++i) {
        if ((colors[i] & 0xFFFFFF) != ((i << 16) | (i << 8) | i))
            return false;
    }
    return true;
}

uint32_t PixelBuffer::PixelRGB(int x, int y) const {
    const Block& b = *share_->block;
    const uint8_t* row = b.bytes.get() + int64_t(y) * b.stride;
    int index = 0;
    switch (b.bitCount) {
    case 32:
    case 24: {
        const uint8_t* p = row + int64_t(x) * (b.bitCount / 8);
        return (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
    }
    case 8:
        index = row[x];
        break;
    case 4:
        index = (x & 1) ? (row[x / 2] & 0x0F) : (row[x / 2] >> 4);
        break;
    case 1:
        index = (row[x / 8] >> (7 - (x & 7))) & 1;
        break;
    default:
        return 0;
    }
    return size_t(index) < b.colors.size() ? (b.colors[index] & 0xFFFFFF) : 0;
}

void PixelBuffer::Detach() {
    if (!share_ || share_.use_count() == 1)
        return;
    const Block& old = *share_->block;
    auto block = std::make_shared<Block>();
    block->width = old.width;
    block->height = old.height;
    block->bitCount = old.bitCount;
    block->stride = old.stride;
    const int64_t bytes = old.ByteCount();
    block->bytes.reset(new uint8_t[bytes > 0 ? bytes : 4]);
    if (bytes > 0)
        std::memcpy(block->bytes.get(), old.bytes.get(), size_t(bytes));
    block->colors = old.colors;
    auto share = std::make_shared<Share>();
    share->block = std::move(block);
    share_ = std::move(share);
}

bool PixelBuffer::IsShared() const {
    return share_ && share_.use_count() > 1;
}

bool PixelBuffer::SharesWith(const PixelBuffer& other) const {
    return share_ && share_ == other.share_;
}

const void* PixelBuffer::MemoryId() const {
    return share_ ? share_->block.get() : nullptr;
}

void PixelBuffer::ReleaseBlock(void* info) {
    delete static_cast<std::shared_ptr<Block>*>(info);
}

QImage PixelBuffer::MakeView(const std::shared_ptr<Block>& blockPtr, bool grayTable) {
    const Block& b = *blockPtr;
    const int width = b.width;
    const int height = b.height;
    const int bitCount = b.bitCount;
    const auto& colors = b.colors;
    QImage::Format format;
    switch (bitCount) {
    case 1:
        format = QImage::Format_Mono;
        break;
    case 8:
        format = grayTable ? QImage::Format_Grayscale8 : QImage::Format_Indexed8;
        break;
    case 24:
        format = QImage::Format_BGR888;
        break;
    case 32:
        format = QImage::Format_RGB32;
        break;
    default:
        return QImage();
    }
    if (width == 0 || height == 0)
        return QImage();
    auto* keep = new std::shared_ptr<Block>(blockPtr);
    QImage image(b.bytes.get(), width, height, b.stride, format, ReleaseBlock, keep);
    if (format == QImage::Format_Mono || format == QImage::Format_Indexed8) {
        QList<QRgb> table;
        table.reserve(qsizetype(colors.size()));
        for (TRGBQuad c : colors)
            table.append(0xFF000000u | (c & 0xFFFFFF));
        while (table.size() < (1 << bitCount))
            table.append(0xFF000000u);
        image.setColorTable(table);
    }
    return image;
}

QImage PixelBuffer::View() {
    if (!share_)
        return QImage();
    Detach();
    return MakeView(share_->block, HasGrayTable());
}

QImage PixelBuffer::ConstView() const {
    if (!share_)
        return QImage();
    return MakeView(share_->block, HasGrayTable());
}

QImage PixelBuffer::ToImage() const {
    if (!share_ || Width() == 0 || Height() == 0)
        return QImage();
    if (BitCount() != 4)
        return ConstView().convertToFormat(QImage::Format_RGB32);
    QImage image(Width(), Height(), QImage::Format_RGB32);
    for (int y = 0; y < Height(); ++y) {
        auto* out = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < Width(); ++x)
            out[x] = 0xFF000000u | PixelRGB(x, y);
    }
    return image;
}

namespace {

// A 6x7x6 colour cube padded with greys: enough for a fair 8-bit rendering of any picture.
std::vector<TRGBQuad> UniformTable(int bitCount) {
    std::vector<TRGBQuad> table;
    if (bitCount == 4) {
        // The 16 colours every display adapter had.
        static const TRGBQuad vga[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                         0x008080, 0x808080, 0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00,
                                         0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
        table.assign(vga, vga + 16);
        return table;
    }
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 7; ++g)
            for (int b = 0; b < 6; ++b)
                table.push_back((TRGBQuad(r * 255 / 5) << 16) | (TRGBQuad(g * 255 / 6) << 8) |
                                TRGBQuad(b * 255 / 5));
    for (int i = 0; table.size() < 256; ++i) {
        const TRGBQuad v = TRGBQuad(i * 255 / 3);
        table.push_back((v << 16) | (v << 8) | v);
    }
    return table;
}

int NearestIndex(const std::vector<TRGBQuad>& table, QRgb rgb) {
    int best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (int i = 0; i < int(table.size()); ++i) {
        const int dr = int((table[i] >> 16) & 0xFF) - qRed(rgb);
        const int dg = int((table[i] >> 8) & 0xFF) - qGreen(rgb);
        const int db = int(table[i] & 0xFF) - qBlue(rgb);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDistance) {
            bestDistance = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return best;
}

} // namespace

PixelBuffer PixelBuffer::FromImage(const QImage& image, int bitCount) {
    PixelBuffer result(image.width(), image.height(), bitCount);
    if (image.isNull())
        return result;
    const int w = image.width();
    const int h = image.height();
    if (bitCount == 24 || bitCount == 32) {
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            uint8_t* out = result.ScanLine(y);
            for (int x = 0; x < w; ++x) {
                out[0] = uint8_t(qBlue(in[x]));
                out[1] = uint8_t(qGreen(in[x]));
                out[2] = uint8_t(qRed(in[x]));
                if (bitCount == 32)
                    out[3] = 0;
                out += bitCount / 8;
            }
        }
        return result;
    }
    if (bitCount == 1) {
        result.SetColorTable({0x000000, 0xFFFFFF});
        const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
        for (int y = 0; y < h; ++y) {
            const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
            uint8_t* out = result.ScanLine(y);
            for (int x = 0; x < w; ++x) {
                if (qGray(in[x]) >= 128)
                    out[x / 8] |= uint8_t(0x80 >> (x & 7));
            }
        }
        return result;
    }
    // Indexed targets keep an indexed source's own table when it fits.
    std::vector<TRGBQuad> table;
    const bool keepIndices =
        image.format() == QImage::Format_Indexed8 && image.colorCount() <= (1 << bitCount);
    if (keepIndices) {
        for (QRgb c : image.colorTable())
            table.push_back(c & 0xFFFFFF);
    } else if (bitCount == 8 && image.format() == QImage::Format_Grayscale8) {
        table = GrayTable(8);
    } else {
        table = UniformTable(bitCount);
    }
    result.SetColorTable(table);
    const QImage rgb = keepIndices ? image : image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        uint8_t* out = result.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            int index;
            if (keepIndices)
                index = rgb.constScanLine(y)[x];
            else if (bitCount == 8 && image.format() == QImage::Format_Grayscale8)
                index = image.constScanLine(y)[x];
            else
                index = NearestIndex(table, reinterpret_cast<const QRgb*>(rgb.constScanLine(y))[x]);
            if (bitCount == 8)
                out[x] = uint8_t(index);
            else
                out[x / 2] |= uint8_t((x & 1) ? index : (index << 4));
        }
    }
    return result;
}

PixelBuffer PixelBuffer::FromImageWithTable(const QImage& image, const PixelBuffer& like) {
    const int bitCount = like.BitCount();
    if (bitCount > 8)
        return FromImage(image, bitCount);
    PixelBuffer result(image.width(), image.height(), bitCount);
    const std::vector<TRGBQuad> table = like.ColorTable();
    result.SetColorTable(table);
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    QRgb lastColor = 0;
    int lastIndex = -1;
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        uint8_t* out = result.ScanLine(y);
        for (int x = 0; x < rgb.width(); ++x) {
            if (lastIndex < 0 || in[x] != lastColor) {
                lastColor = in[x];
                lastIndex = table.empty() ? 0 : NearestIndex(table, in[x]);
            }
            const int index = lastIndex;
            if (bitCount == 8)
                out[x] = uint8_t(index);
            else if (bitCount == 4)
                out[x / 2] |= uint8_t((x & 1) ? index : (index << 4));
            else if (index)
                out[x / 8] |= uint8_t(0x80 >> (x & 7));
        }
    }
    return result;
}

PixelBuffer PixelBuffer::Converted(int bitCount) const {
    if (IsNull() || bitCount == BitCount())
        return *this;
    if (BitCount() == 24 && bitCount == 32) {
        PixelBuffer result(Width(), Height(), 32);
        for (int y = 0; y < Height(); ++y) {
            const uint8_t* in = ConstScanLine(y);
            uint8_t* out = result.ScanLine(y);
            for (int x = 0; x < Width(); ++x, in += 3, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
            }
        }
        return result;
    }
    if (BitCount() == 8 && bitCount != 1 && bitCount != 4) {
        // Keep indexed colours exact through the table.
        PixelBuffer result(Width(), Height(), bitCount);
        const int step = bitCount / 8;
        for (int y = 0; y < Height(); ++y) {
            uint8_t* out = result.ScanLine(y);
            for (int x = 0; x < Width(); ++x, out += step) {
                const uint32_t c = PixelRGB(x, y);
                out[0] = uint8_t(c);
                out[1] = uint8_t(c >> 8);
                out[2] = uint8_t(c >> 16);
            }
        }
        return result;
    }
    if (BitCount() <= 8 && bitCount <= 8 && BitCount() < bitCount) {
        // Widening an indexed buffer keeps its indices and table.
        PixelBuffer result(Width(), Height(), bitCount);
        result.SetColorTable(ColorTable());
        for (int y = 0; y < Height(); ++y) {
            const uint8_t* in = ConstScanLine(y);
            uint8_t* out = result.ScanLine(y);
            for (int x = 0; x < Width(); ++x) {
                const int index = BitCount() == 1 ? (in[x / 8] >> (7 - (x & 7))) & 1
                                                  : ((x & 1) ? (in[x / 2] & 0x0F) : (in[x / 2] >> 4));
                if (bitCount == 8)
                    out[x] = uint8_t(index);
                else
                    out[x / 2] |= uint8_t((x & 1) ? index : (index << 4));
            }
        }
        return result;
    }
    return FromImage(ToImage(), bitCount);
}

bool PixelBuffer::operator==(const PixelBuffer& other) const {
    if (IsNull() || other.IsNull())
        return IsNull() == other.IsNull();
    if (Width() != other.Width() || Height() != other.Height() || BitCount() != other.BitCount())
        return false;
    if (ColorTable() != other.ColorTable())
        return false;
    // Compare whole bytes of each row, then the bits of a partly used last byte.
    const int64_t bits = int64_t(Width()) * BitCount();
    const size_t whole = size_t(bits / 8);
    const int rest = int(bits % 8);
    for (int y = 0; y < Height(); ++y) {
        const uint8_t* a = ConstScanLine(y);
        const uint8_t* b = other.ConstScanLine(y);
        if (std::memcmp(a, b, whole) != 0)
            return false;
        if (rest != 0) {
            const uint8_t mask = uint8_t(0xFF << (8 - rest));
            if ((a[whole] & mask) != (b[whole] & mask))
                return false;
        }
    }
    return true;
}
