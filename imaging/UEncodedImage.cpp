#include "imaging/UEncodedImage.h"

#include "platform/Bitmap.h"
#include "platform/Picture.h"
#include "platform/PixelBuffer.h"
#include "platform/Stream.h"

namespace {

bool HasAlpha(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(row[x]) != 255)
                return true;
    }
    return false;
}

} // namespace

void TEncodedImage::Take(const QByteArray& data, const QImage& image) {
    data_ = data;
    image_ = image;
    hasAlpha_ = !image_.isNull() && HasAlpha(image_);
    Changed();
}

void TEncodedImage::Assign(const TGraphic& source) {
    if (qstrcmp(source.ClassName(), ClassName()) == 0) {
        if (const auto* same = dynamic_cast<const TEncodedImage*>(&source)) {
            Take(same->data_, same->image_);
            return;
        }
    }
    if (const auto* bitmap = dynamic_cast<const TBitmap*>(&source)) {
        SetImage(bitmap->Empty() ? QImage() : bitmap->Pixels().ToImage());
        return;
    }
    TGraphic::Assign(source);
}

void TEncodedImage::SetImage(const QImage& image) {
    if (image.isNull()) {
        Take(QByteArray(), QImage());
        return;
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const QByteArray bytes = Encode(argb);
    // Decoding what was encoded gives exactly what a later load will show (GIF reduces colours).
    Take(bytes, Decode(bytes));
}

void TEncodedImage::SetData(const QByteArray& data) {
    if (data.isEmpty()) {
        Take(QByteArray(), QImage());
        return;
    }
    const QImage image = Decode(data);
    Take(data, image);
}

void TEncodedImage::Draw(TCanvas& canvas, const TRect& rect) {
    StretchDrawImage(canvas, rect, image_);
}

void TEncodedImage::LoadFromStream(TStream& stream) {
    SetData(stream.ReadBytes(stream.Remaining()));
}

void TEncodedImage::SaveToStream(TStream& stream) {
    stream.WriteBytes(data_);
}

void TEncodedImage::ReadData(TStream& stream) {
    SetData(ReadGraphicBlock(stream));
}

void TEncodedImage::WriteData(TStream& stream) {
    WriteGraphicBlock(stream, data_);
}
