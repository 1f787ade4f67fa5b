#include "papers/printing/UPrintPage.h"

#include "core/UGeometryUtil.h"
#include "imaging/UCanvas.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawObject.h"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Band pixels around a photo part that stay with the band (rounding and smoothing at an object's
// edge; the seam between a photo image and the band).
constexpr int PhotoEdge = 2;
// Photo parts narrower or lower than this stay in the band: too small to gain by going apart.
constexpr int MinPhotoPart = 16;

} // namespace

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

void TStretchPrintPage::ObjectDrawn(TDrawObject& object) {
    if (!band_)
        return;
    TCanvas& canvas = *bandCanvas_;
    const TRect around(-PhotoEdge, -PhotoEdge, band_->Width() + PhotoEdge, band_->Height() + PhotoEdge);
    // An object paints within its rect (PaintTo clips to it); a little more for rounding.
    TRect covered = NormalizeRect(canvas.LPtoDP(object.LogRect()));
    if (!photoArea_.isEmpty() && IntersectRect(covered, covered, around))
        photoArea_ -= QRect(covered.Left - PhotoEdge, covered.Top - PhotoEdge,
                            covered.Width() + 2 * PhotoEdge, covered.Height() + 2 * PhotoEdge);
    TRect photo;
    if (object.PhotoInterior(canvas, photo) &&
        IntersectRect(photo, photo, TRect(0, 0, band_->Width(), band_->Height())))
        photoArea_ += QRect(photo.Left, photo.Top, photo.Width(), photo.Height());
}

void TStretchPrintPage::TransferBand() {
    bandCanvas_->DeselectBitmap();
    const TBandInfo info = bands_.Band(nextBand_ - 1);
    const TRect dest = target_.LPtoDP(info.Dest);
    if (QPainter* painter = target_.Painter()) {
        QImage band = band_->ImageForPainting();
        const QRectF to(dest.Left, dest.Top, dest.Right - dest.Left, dest.Bottom - dest.Top);
        const double sx = to.width() / std::max(band.width(), 1),
                     sy = to.height() / std::max(band.height(), 1);
        // The photo parts, cut out before the band is whitened beneath them. The outermost
        // pixels of each stay in the band too, so no seam shows where the two meet.
        std::vector<std::pair<QRectF, QImage>> photos;
        for (const QRect& part : photoArea_& band.rect()) {
            if (part.width() < MinPhotoPart || part.height() < MinPhotoPart)
                continue;
            photos.emplace_back(QRectF(to.left() + part.left() * sx, to.top() + part.top() * sy,
                                       part.width() * sx, part.height() * sy),
                                band.copy(part).convertToFormat(QImage::Format_RGB32));
            const QRect hole = part.adjusted(PhotoEdge, PhotoEdge, -PhotoEdge, -PhotoEdge);
            const int bytes = hole.width() * (band.depth() / 8);
            for (int y = hole.top(); y <= hole.bottom(); ++y)
                std::memset(band.scanLine(y) + hole.left() * (band.depth() / 8), 0xFF, size_t(bytes));
        }
        // A band holds text and line art beside photos: stored losslessly (Flate), so edges carry
        // no JPEG ringing. Photos go as JPEG images of their own (Qt's quality 94), as a photo
        // was stored to begin with.
        painter->setRenderHint(QPainter::LosslessImageRendering, true);
        painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter->drawImage(to, band);
        if (!photos.empty()) {
            painter->setRenderHint(QPainter::LosslessImageRendering, false);
            for (const auto& [where, photo] : photos)
                painter->drawImage(where, photo);
            painter->setRenderHint(QPainter::LosslessImageRendering, true);
        }
    }
    band_.reset();
    photoArea_ = QRegion();
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
