#pragma once
// Pixel memory in the layout of a device-independent bitmap, standing in for DIB sections:
// rows top-down, each padded to a multiple of 4 bytes; 24- and 32-bit pixels are B,G,R(,X) bytes,
// 1-, 4- and 8-bit pixels index a colour table (1 bit: the leftmost pixel in the highest bit).
// Copies share the memory until one of them writes (copy-on-write). QImage views of 1-, 8-, 24-
// and 32-bit buffers use the memory itself, so a QPainter draws straight into the pixels.

#include <QImage>
#include <cstdint>
#include <memory>
#include <vector>

// One colour-table entry as its RGBQUAD bytes read little-endian: 0x00RRGGBB.
using TRGBQuad = uint32_t;

class PixelBuffer {
public:
    // Largest width or height, and largest byte count, a buffer may have; above them
    // construction raises EOutOfResources rather than attempting the allocation.
    static constexpr int kMaxDimension = 65535;
    static constexpr int64_t kMaxBytes = int64_t(1) << 30;

    // A null buffer: no pixels, zero size.
    PixelBuffer() = default;
    // A zero-filled buffer; bitCount is 1, 4, 8, 24 or 32. Indexed buffers start with a grey
    // table of 2, 16 or 256 entries (black to white).
    PixelBuffer(int width, int height, int bitCount);

    // Bytes per row for a width and bit count, 64-bit so that no claim can wrap.
    static int64_t StrideFor(int64_t width, int bitCount);
    static bool IsSupportedBitCount(int bitCount);

    bool IsNull() const { return !share_; }
    int Width() const;
    int Height() const;
    int BitCount() const;
    int Stride() const;
    int64_t ByteCount() const;

    // Reading never copies; writing copies first when the memory is shared.
    const uint8_t* ConstBits() const;
    uint8_t* Bits();
    const uint8_t* ConstScanLine(int y) const;
    uint8_t* ScanLine(int y);

    // Colour table of an indexed buffer (empty for 24 and 32 bits); at most 2^bitCount entries.
    const std::vector<TRGBQuad>& ColorTable() const;
    void SetColorTable(const std::vector<TRGBQuad>& table);
    // True when the table is the 256-step grey ramp (entry i = i, i, i).
    bool HasGrayTable() const;

    // Colour of a pixel as 0x00RRGGBB (indexed pixels through the table); no range check.
    uint32_t PixelRGB(int x, int y) const;

    // Makes the memory this buffer's own (copies it when shared).
    void Detach();
    bool IsShared() const;
    bool SharesWith(const PixelBuffer& other) const;
    // Identity of the current memory; changes when a write copies it.
    const void* MemoryId() const;

    // Views without copying (1, 8, 24 and 32 bits; a null image for 4 bits): Format_Mono,
    // Format_Indexed8 (Format_Grayscale8 for a grey table), Format_BGR888, Format_RGB32.
    // View() detaches first and may be painted on; ConstView() must not be written to. A view
    // keeps the memory alive on its own, and sees later writes until the buffer copies them.
    QImage View();
    QImage ConstView() const;
    // A 32-bit copy (Format_RGB32) of any buffer, 4 bits included.
    QImage ToImage() const;
    // A new buffer of the given bit count with the image's pixels (RGB; alpha is dropped).
    // 1-bit results are black and white, 4- and 8-bit results use the image's colours when it
    // is indexed and has few enough, otherwise a uniform palette.
    static PixelBuffer FromImage(const QImage& image, int bitCount);
    // A buffer of `like`'s bit count and colour table holding the image's pixels, each indexed
    // pixel taking the nearest table colour (how drawing on an indexed bitmap lands in it).
    static PixelBuffer FromImageWithTable(const QImage& image, const PixelBuffer& like);
    // The same pixels converted to another bit count (this buffer when it already has it).
    PixelBuffer Converted(int bitCount) const;

    bool operator==(const PixelBuffer& other) const;

private:
    struct Block;
    struct Share;
    static QImage MakeView(const std::shared_ptr<Block>& block, bool grayTable);
    static void ReleaseBlock(void* info);
    std::shared_ptr<Share> share_;
};
