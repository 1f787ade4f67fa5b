#include "imaging/UMaskedImage.h"

#include "platform/Canvas.h"

void TMaskedImage::Assign(const TMaskedImage& source) {
    maskDirty_ = source.maskDirty_;
    imageDirty_ = source.imageDirty_;
}

void TMaskedImage::CreateMask(const TBitmap& source, TBitmap& mask, TColor transparentColor) {
    const int w = source.Width();
    const int h = source.Height();
    const uint32_t key = uint32_t(transparentColor) & 0xFFFFFF;
    const uint8_t red = uint8_t(key), green = uint8_t(key >> 8), blue = uint8_t(key >> 16);
    mask.SetMonochrome(true);
    PixelBuffer bits(w, h, 1);
    if (w > 0 && h > 0) {
        const PixelBuffer& pixels = source.Pixels();
        const int bitCount = pixels.BitCount();
        int keyIndex = -1;
        if (bitCount == 8) {
            // The palette entry that is exactly the colour; without one nothing is transparent.
            const std::vector<TRGBQuad> table = pixels.ColorTable();
            for (size_t i = 0; i < table.size(); ++i)
                if (RGBQuadToColor(table[i]) == TColor(key)) {
                    keyIndex = int(i);
                    break;
                }
            if (keyIndex < 0) {
                mask.SetPixels(bits);
                return;
            }
        }
        for (int y = 0; y < h; ++y) {
            const uint8_t* row = pixels.ConstScanLine(y);
            uint8_t* out = bits.ScanLine(y);
            for (int x = 0; x < w; ++x) {
                bool transparent;
                switch (bitCount) {
                case 8:
                    transparent = row[x] == keyIndex;
                    break;
                case 24:
                    transparent = row[3 * x] == blue && row[3 * x + 1] == green && row[3 * x + 2] == red;
                    break;
                case 32:
                    transparent = row[4 * x] == blue && row[4 * x + 1] == green && row[4 * x + 2] == red;
                    break;
                default:
                    transparent = source.GetPixel(x, y) == TColor(key);
                    break;
                }
                if (transparent)
                    out[x >> 3] |= uint8_t(0x80 >> (x & 7));
            }
        }
    }
    mask.SetPixels(bits);
}

TMaskedImageNT::TMaskedImageNT() {
    mask_.SetMonochrome(true);
}

void TMaskedImageNT::Assign(const TMaskedImage& source) {
    if (const auto* same = dynamic_cast<const TMaskedImageNT*>(&source)) {
        mask_.Assign(same->mask_);
        image_.Assign(same->image_);
        maskColor_ = same->maskColor_;
    }
    TMaskedImage::Assign(source);
}

void TMaskedImageNT::UpdateMask(const TBitmap& source, TColor transparentColor) {
    const TColor key = TColor(uint32_t(transparentColor) & 0xFFFFFF);
    // A mask of another size or colour than the bitmap's cannot be right, whatever the flags say.
    if (maskDirty_ || mask_.Width() != source.Width() || mask_.Height() != source.Height() ||
        (maskColor_ != clNone && maskColor_ != key)) {
        TBitmap built;
        CreateMask(source, built, transparentColor);
        mask_.Assign(built);
        maskColor_ = key;
        maskDirty_ = false;
        imageDirty_ = true;
    }
}

void TMaskedImageNT::Prepare(const TBitmap& source, TColor transparentColor) {
    UpdateMask(source, transparentColor);
    if (!imageDirty_ && image_.Width() == source.Width() && image_.Height() == source.Height())
        return;
    // A 24-bit copy in which every transparent pixel is white: the same pixels as painting
    // the mask over a copy with SRCPAINT.
    PixelBuffer pixels = source.Pixels().Converted(24);
    const PixelBuffer& mask = mask_.Pixels();
    for (int y = 0; y < pixels.Height() && y < mask.Height(); ++y) {
        const uint8_t* m = mask.ConstScanLine(y);
        uint8_t* row = pixels.ScanLine(y);
        for (int x = 0; x < pixels.Width() && x < mask.Width(); ++x)
            if (m[x >> 3] & (0x80 >> (x & 7)))
                row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = 0xFF;
    }
    image_.SetPixels(pixels);
    imageDirty_ = false;
}

void TMaskedImageNT::Draw(TCanvas& canvas, const TRect& rect) {
    canvas.SetStretchBltMode(COLORONCOLOR);
    canvas.SetCopyMode(cmMergePaint);
    canvas.StretchDraw(rect, mask_);
    canvas.SetCopyMode(cmSrcAnd);
    canvas.StretchDraw(rect, image_);
}

void TMaskedImageNT::SetMask(const TBitmap& mask) {
    mask_.Assign(mask);
    // Drawn as a mask whatever it was made as; a picture's white (by colour) is transparent.
    mask_.SetMonochrome(true);
    // A mask given from outside stands for whatever colour the bitmap has.
    maskColor_ = clNone;
    maskDirty_ = false;
    imageDirty_ = true;
}

void TMaskedImageNT::GetMask(TBitmap& dest) {
    dest.Assign(mask_);
}
