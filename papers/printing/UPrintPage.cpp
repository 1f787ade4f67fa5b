#include "papers/printing/UPrintPage.h"

#include "core/UGeometryUtil.h"
#include "imaging/UCanvas.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawObject.h"
#include "imaging/PixelKernel.h"

#include <QPainter>
#include <algorithm>
#include <future>
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
        // With a second thread a band is drawn while the previous one goes to the target. The
        // bands stay as they are (where a band ends decides an edge pixel of a shape that
        // crosses it): the two at once are bounded by the target taking one band at a time.
        overlap_ = KernelThreadCount() > 1;
        bands_ = TBandTable::Make(rect, bandResolution_, targetResolution_);
        bandCount_ = int(std::min<int64_t>(bands_.Count, INT32_MAX));
    } else {
        bandCount_ = 1;
    }
}

TStretchPrintPage::~TStretchPrintPage() {
    try {
        target_.WaitForPaintElsewhere();
    } catch (...) {
        // Only on the way out of a failure or an abort: the last band's own failure was raised
        // by the NextBand that sent it.
    }
    sending_.reset();
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
    // Waits until the previous band is on the target.
    QPainter* painter = target_.Painter();
    sending_.reset();
    if (painter == nullptr) {
        band_.reset();
        photoArea_ = QRegion();
        return;
    }
    QImage band = band_->ImageForPainting();
    const QRectF to(dest.Left, dest.Top, dest.Right - dest.Left, dest.Bottom - dest.Top);
    auto send = [painter, to, band, photoArea = photoArea_ & band.rect()] {
        const double sx = to.width() / std::max(band.width(), 1), sy = to.height() / std::max(band.height(), 1);
        const auto at = [&](const QRect& r) {
            return QRectF(to.left() + r.left() * sx, to.top() + r.top() * sy, r.width() * sx, r.height() * sy);
        };
        // A part of the band as an image of its own, without copying it.
        const auto part = [&](const QRect& r) {
            return QImage(band.constScanLine(r.top()) + ptrdiff_t(r.left()) * (band.depth() / 8), r.width(),
                          r.height(), band.bytesPerLine(), band.format());
        };
        // Photo parts go as JPEG images of their own (Qt's quality 94), as a photo was stored to
        // begin with. The outermost pixels of each stay in the band too, so no seam shows where
        // the two meet.
        std::vector<QRect> photos;
        QRegion holes;
        for (const QRect& r : photoArea)
            if (r.width() >= MinPhotoPart && r.height() >= MinPhotoPart) {
                photos.push_back(r);
                holes += r.adjusted(PhotoEdge, PhotoEdge, -PhotoEdge, -PhotoEdge);
            }
        // The rest, text and line art beside photos, stored losslessly (Flate), so edges carry no
        // JPEG ringing: the band less the photos' insides, in pieces that overlap their neighbours
        // by the photo edge (the same pixels twice, so no seam shows between pieces either) and
        // reach no further into a photo than its edge, which its JPEG image covers.
        painter->setRenderHint(QPainter::LosslessImageRendering, true);
        painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
        if (holes.isEmpty()) {
            painter->drawImage(to, band);
        } else {
            for (const QRect& r : QRegion(band.rect()) - holes) {
                const QRect piece = r.adjusted(-PhotoEdge, -PhotoEdge, PhotoEdge, PhotoEdge) & band.rect();
                painter->drawImage(at(piece), part(piece));
            }
        }
        painter->setRenderHint(QPainter::LosslessImageRendering, false);
        for (const QRect& r : photos)
            painter->drawImage(at(r), part(r).convertToFormat(QImage::Format_RGB32));
        painter->setRenderHint(QPainter::LosslessImageRendering, true);
    };
    photoArea_ = QRegion();
    if (overlap_) {
        // Compressing a band into the PDF takes as long as drawing the next: both at once. The
        // band's pixels stay until the target has them.
        sending_ = std::move(band_);
        target_.PaintElsewhere(std::async(std::launch::async, std::move(send)));
    } else {
        send();
        band_.reset();
    }
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
    else
        target_.WaitForPaintElsewhere(); // the last band is on the target, or its failure raised
    return more;
}
