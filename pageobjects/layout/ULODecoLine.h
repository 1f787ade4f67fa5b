#pragma once
// A line drawn with a picture instead of a pen: the motif is repeated along the line, each tile
// scaled to the line's width, and the strip is laid onto the line at its slope. $F0F0F0 in the
// motif shows what lies below.

#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UStroke.h"
#include "pageobjects/layout/ULOLine.h"

#include <QImage>
#include <memory>

class TLODecoLine : public TLOLine {
    QUORLANE_CLASS(TLODecoLine, TLOLine)

public:
    // Most pixels a laid strip may take; a longer line is not painted rather than allocating
    // without bound.
    static constexpr int64_t kMaxStripPixels = int64_t(1) << 26;

    explicit TLODecoLine(TComponent* owner);
    ~TLODecoLine() override;

    static void DeclareProperties(TPropertyBuilder<TLODecoLine>& p);

    TPictureEx* Image() const { return image_.get(); }
    void SetImage(const TPicture* value) { image_->Assign(value); }

    // The number of motif tiles along a line of length (64 bits: a long, thin line with a tall
    // motif must not overflow); at least 1. 0 when the motif has a zero side.
    static int64_t TileCount(int64_t length, int lineWidth, int motifWidth, int motifHeight);
    // The band the strip is laid on: flat ends, LineWidth + 4 wide, corners in strip order
    // (start above, end above, end below, start below for a left-to-right line).
    void GetOutlineStroke(TStroke& stroke) const;
    // Strips built so far (tests watch the cache).
    int StripsBuilt() const { return stripsBuilt_; }

    void SetStartPoint(const TPoint& p) override;
    void SetEndPoint(const TPoint& p) override;
    void SetLineWidth(int value) override;
    void DrawOutline(TCanvas& canvas) override;

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;
    void HandleNotify(TObject* sender, const TGUID& eventID) override;

private:
    void DropStrip() { strip_ = QImage(); }

    std::unique_ptr<TPictureEx> image_;
    // The strip laid onto the band, in device pixels, and the device scale it was built at.
    QImage strip_;
    QTransform stripMapping_;
    int stripsBuilt_ = 0;
};
