#pragma once
// GIF pictures over giflib. The first frame is the picture, shown as a still on the file's logical
// screen (outside the frame, and its transparent colour, stay transparent). The stored "Data"
// form is a 32-bit length followed by the GIF file, animation and all.

#include "imaging/UEncodedImage.h"

#include <memory>

class TGIFImage : public TEncodedImage {
public:
    const char* ClassName() const override { return "TGIFImage"; }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TGIFImage>(); }

protected:
    QImage Decode(const QByteArray& data) const override;
    // 8 bits a pixel with at most 256 colours; pixels less than half opaque become the
    // transparent colour.
    QByteArray Encode(const QImage& image) const override;
};
