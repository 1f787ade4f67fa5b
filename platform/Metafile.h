#pragma once
// The framework's metafile graphic. Metafile bytes are kept verbatim (enhanced and placeable
// Windows metafiles keep their size from their header, a Windows metafile without one is
// measured from what it draws); they are drawn by the metafile player. Recordings made here are
// QPicture data and are drawn by replaying them, scaled into the rectangle.

#include "platform/Canvas.h"
#include "platform/Graphic.h"

#include <QByteArray>
#include <QPicture>
#include <QRectF>
#include <memory>

class TMetafile : public TGraphic {
public:
    enum TKind { mkNone, mkEnhanced, mkPlaceable, mkWindows, mkRecording, mkUnknown };

    TMetafile();
    ~TMetafile() override;

    const char* ClassName() const override { return "TMetafile"; }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TMetafile>(); }

    void Assign(const TGraphic& source) override;
    void Draw(TCanvas& canvas, const TRect& rect) override;
    bool Empty() const override { return data_.isEmpty(); }
    // Pixels at 96 per inch, from the header (or as set).
    int Width() const override { return width_; }
    int Height() const override { return height_; }
    void SetWidth(int value) override;
    void SetHeight(int value) override;

    // Takes the rest of the stream as the metafile's bytes; a metafile cut short (records past
    // its end, or no end record) is refused as damaged.
    void LoadFromStream(TStream& stream) override;
    void SaveToStream(TStream& stream) override;
    // The stored "Data" form: 32-bit length, then the bytes.
    void ReadData(TStream& stream) override;
    void WriteData(TStream& stream) override;

    const QByteArray& Data() const { return data_; }
    void SetData(const QByteArray& data);
    TKind Kind() const { return kind_; }
    // Keeps a recording made here.
    void SetRecording(const QPicture& picture);

private:
    QByteArray data_;
    TKind kind_ = mkNone;
    // An EMF's frame taken from its drawing when its header's frame misses it (empty otherwise).
    QRectF drawnFrame_;
    int width_ = 0;
    int height_ = 0;
};

// A canvas that records into a metafile: what is drawn on it becomes the metafile's content
// when the canvas is destroyed.
namespace MetafileDetail {
// Holds the recording so that it exists before the canvas that draws into it.
struct Recording {
    QPicture picture;
};
} // namespace MetafileDetail

class TMetafileCanvas : private MetafileDetail::Recording, public TCanvas {
public:
    explicit TMetafileCanvas(TMetafile& metafile);
    ~TMetafileCanvas() override;

private:
    TMetafile& metafile_;
};
