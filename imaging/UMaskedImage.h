#pragma once
// Transparent drawing by colour key in two passes: a monochrome mask (a set bit marks a
// transparent pixel) is merged onto the target (MERGEPAINT: opaque pixels turn white), then a
// copy of the image whose transparent pixels are white is and-ed over it (SRCAND). Both are
// built once and kept until the bitmap changes. On image canvases the raster operations run
// on the pixels; on printers the canvas composes the two passes into one image with alpha.

#include "platform/Bitmap.h"
#include "platform/Color.h"

class TCanvas;

class TMaskedImage {
public:
    TMaskedImage() = default;
    TMaskedImage(const TMaskedImage&) = delete;
    TMaskedImage& operator=(const TMaskedImage&) = delete;
    virtual ~TMaskedImage() = default;

    // Copies the two flags (variants copy their bitmaps first).
    virtual void Assign(const TMaskedImage& source);
    // Brings mask and drawing image up to date for the source and colour.
    virtual void Prepare(const TBitmap& source, TColor transparentColor) = 0;
    virtual void Draw(TCanvas& canvas, const TRect& rect) = 0;
    virtual void UpdateMask(const TBitmap& source, TColor transparentColor) = 0;
    // Takes a copy of mask as the mask (mask clean, image dirty).
    virtual void SetMask(const TBitmap& mask) = 0;
    virtual void GetMask(TBitmap& dest) = 0;

    // Marks mask and image for rebuilding.
    void Invalidate() { maskDirty_ = imageDirty_ = true; }
    bool MaskDirty() const { return maskDirty_; }
    bool ImageDirty() const { return imageDirty_; }

    // (Re)builds mask as a monochrome bitmap of source's size: a bit is set where the pixel's
    // blue, green and red equal those of transparentColor (its lowest 24 bits).
    static void CreateMask(const TBitmap& source, TBitmap& mask, TColor transparentColor);

protected:
    bool maskDirty_ = false;
    bool imageDirty_ = false;
};

// The variant that keeps mask and drawing image as framework bitmaps (the only one here: the
// device-independent variant served an older platform family).
class TMaskedImageNT : public TMaskedImage {
public:
    TMaskedImageNT();

    void Assign(const TMaskedImage& source) override;
    void Prepare(const TBitmap& source, TColor transparentColor) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    void UpdateMask(const TBitmap& source, TColor transparentColor) override;
    void SetMask(const TBitmap& mask) override;
    void GetMask(TBitmap& dest) override;

    const TBitmap& Mask() const { return mask_; }
    const TBitmap& Image() const { return image_; }

private:
    TBitmap mask_;
    TBitmap image_;
    // The colour the mask was built for: a mask of another colour is rebuilt whatever the flags say.
    TColor maskColor_ = clNone;
};
