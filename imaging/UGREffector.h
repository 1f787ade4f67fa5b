#pragma once
// Pixel algorithms behind the image filters: a one-colour tint, brightness and contrast, box blur,
// unsharp masking and the automatic normalisation of photos. An effector reads a rectangle of a 24-
// or 32-bit source bitmap and writes a destination bitmap of the rectangle's size, in integer
// arithmetic over tables (floating point only builds the tables), reporting into an optional
// phased progress. The rectangle is clipped to the source, so no pixel outside it is ever read;
// the fourth byte of 32-bit pixels is carried from the source pixel to its result.

#include "platform/Color.h"
#include "platform/Object.h"
#include "platform/Rect.h"

#include <array>
#include <cstdint>

class PixelBuffer;
class TBitmap;
class TPhasedProgressBase;

class TGREffector : public TObject {
public:
    TGREffector() = default;
    ~TGREffector() override = default;
    TGREffector(const TGREffector&) = delete;
    TGREffector& operator=(const TGREffector&) = delete;

    // Does nothing unless the source is 24- or 32-bit; otherwise dest takes the source's pixel
    // format and the size of the part of the rectangle that lies inside the source.
    virtual void Execute() = 0;

    TBitmap* Source() const { return source_; }
    void SetSource(TBitmap* value) { source_ = value; }
    TBitmap* Dest() const { return dest_; }
    void SetDest(TBitmap* value) { dest_ = value; }
    const TRect& SourceRect() const { return rect_; }
    void SetSourceRect(const TRect& value) { rect_ = value; }
    TPhasedProgressBase* Progress() const { return progress_; }
    void SetProgress(TPhasedProgressBase* value) { progress_ = value; }

protected:
    // The common frame: checks the source, clips the rectangle, gives dest its format and size.
    // False when there is nothing to do.
    // input receives the source's pixels as they were.
    bool Prepare(TRect& area, PixelBuffer& input);

private:
    TBitmap* source_ = nullptr;
    TBitmap* dest_ = nullptr;
    TRect rect_;
    TPhasedProgressBase* progress_ = nullptr;
};

// Tints by luminance with the hue and saturation of RefColor.
class TGREffectMonoTone : public TGREffector {
public:
    TColor RefColor() const { return refColor_; }
    void SetRefColor(TColor value) { refColor_ = value; }
    void Execute() override;

    // Entry Y: the colour (0x00BBGGRR) a pixel of luminance Y becomes.
    static std::array<TColor, 256> BuildTable(TColor refColor);

private:
    TColor refColor_ = 0;
};

// One 256-entry table for every channel.
class TGREffectBrightnessContrast : public TGREffector {
public:
    int32_t Brightness() const { return brightness_; }
    void SetBrightness(int32_t value) { brightness_ = value; }
    int32_t Contrast() const { return contrast_; }
    void SetContrast(int32_t value) { contrast_ = value; }
    void Execute() override;

    static std::array<uint8_t, 256> BuildTable(int32_t brightness, int32_t contrast);

private:
    int32_t brightness_ = 0;
    int32_t contrast_ = 0;
};

// Count passes of a 3 x 3 box blur (edge pixels stand in for their missing neighbours).
class TGREffectBlur : public TGREffector {
public:
    // Most passes run: a count read from a document is not trusted to end in reasonable time.
    static constexpr int32_t kMaxPasses = 1000;

    int32_t Count() const { return count_; }
    void SetCount(int32_t value) { count_ = value; }
    void Execute() override;

private:
    int32_t count_ = 0;
};

// 2 x source - blurred, with Amount (rounded) blur passes.
class TGREffectUnsharpMask : public TGREffector {
public:
    long double Amount() const { return amount_; }
    void SetAmount(long double value) { amount_ = value; }
    void Execute() override;

private:
    long double amount_ = 0;
};

// Tone curve from the luminance histogram, colour balance of the extremes, then sharpening.
class TGREffectAutoNormalize : public TGREffector {
public:
    void Execute() override;

    // The statistics of the 12-bit luminance of an area (see Execute). The level count is taken
    // without the dither: the dither alone spreads one flat colour over four levels, which the
    // tone curve would then stretch into a pattern.
    struct TStatistics {
        std::array<uint32_t, 4096> Histogram{};
        std::array<uint8_t, 4096> PlainLevels{};
        int32_t LevelCount = 0;
        int32_t MinY = 65536;
        int32_t MinCb = 2048;
        int32_t MinCr = 2048;
        int32_t MaxY = -1;
        int32_t MaxCb = 2048;
        int32_t MaxCr = 2048;
    };
    struct TLevels {
        int32_t Low = 0;
        int32_t Mid = 0;
        int32_t High = 0;
    };
    using TCurve = std::array<uint16_t, 4096>;

    static TLevels ComputeLevels(const TStatistics& stats);
    static void BuildToneCurve(const TLevels& levels, TCurve& curve);
    static void ComputeCorrectionTables(const TStatistics& stats, TCurve& yTable, TCurve& cbTable,
                                        TCurve& crTable);
};

// Colour conversions of the tint, on channels 0..1 (hue in degrees, 0 <= H < 360).
void RGBToHSL(long double r, long double g, long double b, long double& h, long double& s, long double& l);
void HSLToRGB(long double h, long double s, long double l, long double& r, long double& g, long double& b);
