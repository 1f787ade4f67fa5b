#pragma once
// The framework's icon graphic: an icon file (.ico) kept as its bytes, drawn from its largest,
// deepest image (a device-independent bitmap with an AND mask, or a PNG) with transparency.

#include "platform/Graphic.h"

#include <QByteArray>
#include <QImage>
#include <memory>

class TIcon : public TGraphic {
public:
    TIcon();
    ~TIcon() override;

    const char* ClassName() const override { return "TIcon"; }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TIcon>(); }

    void Assign(const TGraphic& source) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool Empty() const override { return image_.isNull(); }
    int Width() const override { return image_.width(); }
    int Height() const override { return image_.height(); }
    // An icon's size comes from its images.
    void SetWidth(int) override {}
    void SetHeight(int) override {}
    bool Transparent() const override { return true; }

    // Reads one icon file at the stream's position, up to the end of its last image; damaged
    // data raises EInvalidGraphic "Icon image is not valid".
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // The stored "Data" form: 32-bit length, then the icon file.
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;

    // Takes one bare icon image (what an icon resource holds: a bitmap with its mask, or a PNG)
    // by wrapping it in an icon file of one entry.
    void LoadFromIconImage(const QByteArray& image);

    const QByteArray& Data() const { return data_; }
    // The image drawn, with alpha.
    const QImage& Image() const { return image_; }

private:
    void SetData(const QByteArray& data);

    QByteArray data_;
    QImage image_;
};
