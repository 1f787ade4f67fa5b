#pragma once
// The common part of the library-backed still-image graphics (PNG, GIF): the file's bytes are
// kept as they came, so a stored picture is written back unchanged, and decoded once into an
// image with alpha for drawing. A bitmap assigned to one is encoded into the format's bytes.

#include "platform/Graphic.h"

#include <QByteArray>
#include <QImage>

class TEncodedImage : public TGraphic {
public:
    // From a graphic of the same class: shares its bytes. From a bitmap: encodes its pixels.
    void Assign(const TGraphic& source) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool Empty() const override { return image_.isNull(); }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    // The size comes from the data; setting it does nothing.
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    // True when some pixel is not fully opaque.
    bool Transparent() const override { return hasAlpha_; }

    // Takes the rest of the stream as the file; damaged data raises EInvalidGraphic and leaves the
    // graphic as it was.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // The stored "Data" form: 32-bit length, then the file.
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;

    const QByteArray& Data() const { return data_; }
    void SetData(const QByteArray& data);
    // The decoded pixels (Format_ARGB32), null when empty.
    const QImage& Image() const { return image_; }
    // Encodes an image (its alpha kept where the format can) as this graphic's content.
    void SetImage(const QImage& image);

protected:
    // Decodes a whole file; raises EInvalidGraphic on damage or sizes beyond the pixel limits.
    virtual QImage Decode(const QByteArray& data) const = 0;
    virtual QByteArray Encode(const QImage& image) const = 0;

private:
    void Take(const QByteArray& data, const QImage& image);

    QByteArray data_;
    QImage image_;
    bool hasAlpha_ = false;
};
