#pragma once
// The framework's bitmap class over our pixel buffer: size, pixel format, top-down scan lines, a
// canvas that draws into the pixels, colour table, transparency by colour key, and the bitmap
// file as its stream form. Copies (Assign) share the pixels until one of them changes.

#include "platform/Color.h"
#include "platform/Graphic.h"
#include "platform/PixelBuffer.h"

#include <cstdint>
#include <memory>
#include <vector>

class TCanvas;
class TBitmapCanvas;

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };
// bmDDB: a monochrome device bitmap (made by SetMonochrome), the kind masks are: its 0 bits are
// black and its 1 bits white, and drawing paints them in the canvas's text and background colours.
// bmDIB: every other bitmap, drawn in its own colours (a one-bit picture in its table's).
enum TBitmapHandleType { bmDIB, bmDDB };

// Bits per pixel that a format is held in here: pfDevice, pfCustom, pf15bit and pf16bit become
// pf24bit when set (the buffer keeps only 1, 4, 8, 24 and 32 bits).
int PixelFormatBitCount(TPixelFormat format);
TPixelFormat BitCountPixelFormat(int bitCount);

class TBitmap : public TGraphic {
public:
    TBitmap();
    TBitmap(int width, int height, TPixelFormat format = pf24bit);
    ~TBitmap() override;

    const char* ClassName() const override { return "TBitmap"; }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TBitmap>(); }

    // From another TBitmap: shares its pixels and copies format and transparency settings.
    void Assign(const TGraphic& source) override;
    // Stretches the pixels onto the rectangle with the canvas's copy mode; a transparent bitmap
    // leaves the pixels of its transparent colour unpainted.
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool Empty() const override { return Width() == 0 || Height() == 0; }
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int value) override { SetSize(value, height_); }
    void SetHeight(int value) override { SetSize(width_, value); }
    // Keeps the pixels that stay inside; new ones are white, as a new device bitmap would be.
    void SetSize(int width, int height);

    TPixelFormat PixelFormat() const { return format_; }
    // Converts the existing pixels into the new format.
    void SetPixelFormat(TPixelFormat format);
    bool Monochrome() const { return BitCount() == 1; }
    // true makes a monochrome device bitmap (bmDDB), the pixels turned black and white by colour;
    // false makes a 24-bit one.
    void SetMonochrome(bool value);
    TBitmapHandleType HandleType() const { return deviceMonochrome_ ? bmDDB : bmDIB; }
    int BitCount() const { return PixelFormatBitCount(format_); }

    // Row y from the top; raises EInvalidGraphic ("Scan line index out of range") outside.
    uint8_t* ScanLine(int y);
    const uint8_t* ScanLine(int y) const;

    // The canvas that draws into this bitmap (created on first use, owned by the bitmap).
    TCanvas& Canvas();
    bool HasCanvas() const { return canvas_ != nullptr; }

    // The pixels, with everything the canvas drew so far. Taking a copy shares the memory.
    const PixelBuffer& Pixels() const;
    // Replaces the pixels; the pixel format follows the buffer's bit count. A monochrome device
    // bitmap given one-bit pixels stays one, their colours turned black and white.
    void SetPixels(const PixelBuffer& pixels);
    // A view to paint on from another canvas (24- and 32-bit bitmaps and grey 8-bit ones; a
    // null image otherwise): the pixels are made this bitmap's own first. It stays valid until
    // the pixels are replaced or shared again (compare Pixels().MemoryId()).
    QImage ImageForPainting();
    // True when both hold the same pixel memory (the framework's shared image).
    bool SharesImage(const TBitmap& other) const;

    // Colour table of 1-, 4- and 8-bit bitmaps (RGBQUAD values); empty for the others. Setting
    // one makes the bitmap device-independent.
    std::vector<TRGBQuad> ColorTable() const { return pixels_.ColorTable(); }
    void SetColorTable(const std::vector<TRGBQuad>& table);

    // Colour of a pixel (0x00BBGGRR); clNone outside the bitmap.
    TColor GetPixel(int x, int y) const;

    TTransparentMode TransparentMode() const { return transparentMode_; }
    void SetTransparentMode(TTransparentMode mode);
    // tmAuto: the colour of the bottom-left pixel; tmFixed: the colour set.
    TColor TransparentColor() const;
    // Sets the colour and switches to tmFixed.
    void SetTransparentColor(TColor color);

    // The bitmap file form (file header, header, colour table, rows bottom-up); a bitmap read from
    // one is device-independent.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // The "Data" form: 32-bit length, then the bitmap file.
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;
    bool Equals(const TGraphic* graphic) override;

    // Makes the bitmap empty (no pixels).
    void Clear();

    // Changed() is public so that pixel code writing through ScanLine can report its change.
    void Changed() override;

private:
    friend class TBitmapCanvas;
    // Ends the canvas's drawing before the pixel memory is replaced, reformatted or shared.
    void ReleaseCanvas() const;
    // Detaches the pixels (when shared) so the canvas draws into this bitmap alone.
    QImage CanvasImage();

    PixelBuffer pixels_;
    int width_ = 0;
    int height_ = 0;
    TPixelFormat format_ = pf24bit;
    TTransparentMode transparentMode_ = tmAuto;
    TColor transparentColor_ = clDefault;
    bool deviceMonochrome_ = false;
    mutable std::unique_ptr<TBitmapCanvas> canvas_;
};
