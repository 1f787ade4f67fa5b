#pragma once
// Blending a bitmap into page pixels through an 8-bit alpha map and an overall percentage: each
// channel becomes dest + trunc((src - dest) x a / 255), a table lookup and a byte add.

#include "platform/Object.h"
#include "platform/Rect.h"

#include <cstdint>

class TBitmap;
struct TPixelView;

// Row a (weight 0..255), column d + 255 (d = -255..255): (d x a) div 255 as a two's complement
// byte, so that adding it to dest with 8-bit wrap-around gives the blend. Worked out at compile time.
extern const uint8_t (&BlendDeltaTable)[256][511];

class TGRBlender : public TObject {
public:
    TBitmap* Dest = nullptr;
    TRect DestRect;
    TBitmap* Source = nullptr;
    TRect SourceRect;

    // Dest and Source both pf24bit or both pf32bit.
    virtual bool CanBlend();
    // False when it refused and left Dest unchanged.
    virtual bool Blend() = 0;
};

class TGRBlendAlphaMapRatio : public TGRBlender {
public:
    TBitmap* AlphaMap = nullptr; // pf8bit, each byte a weight
    TRect AlphaRect;
    int32_t Ratio = 100; // percent, clamped into 0..100 when used

    bool CanBlend() override;
    // Refuses (false, Dest unchanged) for wrong formats, an alpha rectangle outside its map, and
    // areas that miss the bitmaps or differ in size.
    bool Blend() override;
};

// Clips a rectangle pair of two bitmaps (bounds1 / bounds2 are their sizes) so that they keep
// corresponding pixel for pixel. False when either becomes empty; scaled is set (and the pair
// left as it is) when r1 and r2 differ in size.
bool MapBlendRects(const TRect& bounds1, const TRect& bounds2, const TRect& r1, const TRect& r2, TRect& c1,
                   TRect& c2, bool& scaled);

// The blend of one area, all four views of equal size (alpha 1 byte a pixel; source and dest 3
// or 4), with the 256 effective weights already worked out. The fourth byte of a 4-byte pixel
// is left alone. Views of other pixel sizes, or smaller than dest, leave dest unchanged: false.
bool BlendAlphaPixels(const TPixelView& dest, const TPixelView& source, const TPixelView& alpha,
                      const uint8_t (&weights)[256]);
// Effective weight of each alpha value for a ratio: min(MulDiv(a, ratio, 100), 255).
void BlendWeights(int32_t ratio, uint8_t (&weights)[256]);

namespace Reference {
void BlendAlphaPixels(const TPixelView& dest, const TPixelView& source, const TPixelView& alpha,
                      const uint8_t (&weights)[256]);
}
