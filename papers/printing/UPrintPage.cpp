#include "papers/printing/UPrintPage.h"

#include "core/UGeometryUtil.h"
#include "imaging/UCanvas.h"
#include "imaging/USafetyBitmap.h"

#include <QPainter>
#include <algorithm>

TPrintPageBase::~TPrintPageBase() = default;

TBandTable TBandTable::Make(const TRect& rect, int bandResolution, int targetResolution) {
    TBandTable table;
    table.Rect = rect;
    const int64_t rectWidth = int64_t(rect.Right) - rect.Left;
    const int64_t rectHeight = int64_t(rect.Bottom) - rect.Top;
    if (rectWidth <= 0 || rectHeight <= 0 || bandResolution <= 0 || targetResolution <= 0)
        return table;
    const auto scale = [&](int64_t v) {
        return (v * bandResolution + targetResolution / 2) / targetResolution;
    };
    const int64_t width = scale(rectWidth);
    const int64_t height = scale(rectHeight);
    if (width <= 0 || height <= 0)
        return table;
    // A band wider than the pixel budget still gets one row.
    const int64_t rows = std::max<int64_t>(1, MaxBandPixels / width);
    table.Width = width;
    table.Height = height;
    table.Count = rows < height ? (height + rows - 1) / rows : 1;
    return table;
}

TBandInfo TBandTable::Band(int64_t k) const {
    const int64_t rectHeight = int64_t(Rect.Bottom) - Rect.Top;
    TBandInfo band;
    band.Dest.Left = Rect.Left;
    band.Dest.Right = Rect.Right;
    band.Dest.Top = int(Rect.Top + rectHeight * k / Count);
    band.Dest.Bottom = int(Rect.Top + rectHeight * (k + 1) / Count);
    band.Width = int(std::min<int64_t>(Width, INT32_MAX));
    band.Height = int(Height * (k + 1) / Count - Height * k / Count);
    return band;
}

TStretchPrintPage::TStretchPrintPage(TCanvas& canvas, int resolution, bool banding, const TPoint& origin,
                                     const TRect& rect)
    : target_(canvas), rect_(rect), banding_(banding) {
    SaveCanvasState(target_, true, saver_);
    targetResolution_ = GetCanvasPixelsPerInch(target_);
    bandResolution_ = resolution > 0 ? resolution : targetResolution_;
    bandCanvas_ = std::make_unique<TMemoryCanvas>();
    bandCanvas_->SetReferenceDC(&target_);
    bandCanvas_->SetPixelsPerInchField(bandResolution_);
    // What is drawn moves by the origin (the window origin goes the other way).
    target_.OffsetWindowOrg(-origin.X, -origin.Y);
    if (banding_) {
        bands_ = TBandTable::Make(rect, bandResolution_, targetResolution_);
        bandCount_ = int(std::min<int64_t>(bands_.Count, INT32_MAX));
    } else {
        bandCount_ = 1;
    }
}

TStretchPrintPage::~TStretchPrintPage() {
    bandCanvas_->DeselectBitmap();
    band_.reset();
    saver_ = nullptr;
}

TCanvas& TStretchPrintPage::GetCanvas() {
    return banding_ ? static_cast<TCanvas&>(*bandCanvas_) : target_;
}

void TStretchPrintPage::TransferBand() {
    bandCanvas_->DeselectBitmap();
    const TBandInfo info = bands_.Band(nextBand_ - 1);
    const TRect dest = target_.LPtoDP(info.Dest);
    if (QPainter* painter = target_.Painter()) {
        // A band holds text and line art beside photos: stored losslessly (Flate), so edges carry
        // no JPEG ringing; the photos in it are already at their own quality.
        painter->setRenderHint(QPainter::LosslessImageRendering, true);
        painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter->drawImage(QRect(dest.Left, dest.Top, dest.Right - dest.Left, dest.Bottom - dest.Top),
                           band_->ImageForPainting());
    }
    band_.reset();
}

bool TStretchPrintPage::NextBand() {
    const bool more = nextBand_ < bandCount_;
    if (band_)
        TransferBand();
    if (more && banding_) {
        const TBandInfo info = bands_.Band(nextBand_);
        band_ = std::make_unique<TSafetyBitmap>(info.Width, info.Height, pf24bit);
        bandCanvas_->SelectBitmap(band_.get());
        bandCanvas_->SetMapMode(MM_TEXT);
        bandCanvas_->SetWindowOrg(0, 0);
        bandCanvas_->SetViewportOrg(0, 0);
        bandCanvas_->SelectClipRgn(nullptr);
        bandCanvas_->PatBlt(TRect(0, 0, info.Width, info.Height), cmWhiteness);
        bandCanvas_->SetWindowOrg(MulDiv(info.Dest.Left, bandResolution_, targetResolution_),
                                  MulDiv(info.Dest.Top, bandResolution_, targetResolution_));
    }
    if (more)
        ++nextBand_;
    return more;
}
