#pragma once
// PNG pictures over libpng. The stored "Data" form is a 32-bit length followed by the PNG file.

#include "imaging/UEncodedImage.h"

#include <memory>

class TPNGImage : public TEncodedImage {
public:
    const char* ClassName() const override { return "TPNGImage"; }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TPNGImage>(); }

protected:
    QImage Decode(const QByteArray& data) const override;
    // Colour with alpha when the image has any, else plain colour.
    QByteArray Encode(const QImage& image) const override;
};
