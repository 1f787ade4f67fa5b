#pragma once
// The bitmap class of the whole system: the framework's bitmap with transparent drawing through
// a two-pass mask, printer drawing with the bitmap's canvas locked, bitmap files that may be
// packed in the compressed container ("CBM"), and clipboard bitmaps without a file header.

#include "imaging/UMaskedImage.h"
#include "imaging/UZLIB.h"
#include "platform/Bitmap.h"

#include <QByteArray>
#include <memory>

class TSafetyBitmap : public TBitmap {
public:
    TSafetyBitmap();
    TSafetyBitmap(int width, int height, TPixelFormat format = pf24bit);
    ~TSafetyBitmap() override;

    const char* ClassName() const override { return "TSafetyBitmap"; }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TSafetyBitmap>(); }

    // A bitmap sharing this one's image gives only its transparency settings; a safety bitmap
    // also hands over its mask and drawing image, so they are not rebuilt.
    void Assign(const TGraphic& source) override;
    void Changed() override;
    // White background and black text colour for the duration (monochrome sources draw in them);
    // transparent bitmaps draw through the masked image; copy mode and colours are restored.
    void Draw(TCanvas& canvas, const TRect& rect) override;
    // For a bitmap: true exactly when both share one image (no pixel comparison).
    bool Equals(const TGraphic* graphic) override;
    // The stored "Data" form, read through exactly its stored length.
    void ReadData(TStream& stream) override;
    // A bitmap file, or a compressed container holding one.
    void LoadFromStream(TStream& stream) override;
    // CF_DIB: a packed bitmap without file header (or a whole bitmap file); CF_BITMAP: a file.
    void LoadFromClipboardFormat(uint16_t format, const QByteArray& data);
    // A compressed container of the bitmap file (the "CBM" form).
    void SaveToCompressedStream(TStream& stream, TCompressionLevel level = TCompressionLevel::clMax);

    // The mask for the current transparent colour, copied into dest.
    void GetMask(TBitmap& dest);
    // Carries a mask over (to a filtered copy of a picture, say).
    void SetMask(const TBitmap& mask);
    // Prepares mask and drawing image when the bitmap is transparent.
    void UpdateMask();
    TMaskedImage& MaskedImage() { return *masked_; }

protected:
    // Printers: the framework's draw with this bitmap's canvas locked, so a loader thread
    // drawing into it waits.
    void DrawToPrinter(TCanvas& canvas, const TRect& rect);

private:
    std::unique_ptr<TMaskedImage> masked_;
    bool assigning_ = false;
};

// Registers the safety bitmap with the picture for "BMP" ("Bitmaps"), "CBM" ("Compressed
// Bitmaps") and the clipboard's CF_DIB. Called once at start-up (any number of times is fine).
void RegisterSafetyBitmap();
