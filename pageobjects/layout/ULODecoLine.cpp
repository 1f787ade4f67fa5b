#include "pageobjects/layout/ULODecoLine.h"

#include "core/UGeometryUtil.h"
#include "imaging/PixelKernel.h"
#include "imaging/URotateBitmap.h"
#include "pageobjects/layout/UDisplayCopy.h"
#include "pageobjects/layout/ULOImage.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"

#include <algorithm>
#include <cmath>

namespace {

// The band is this much wider than the line.
constexpr int kBandExtra = 4;

} // namespace

TLODecoLine::TLODecoLine(TComponent* owner) : TLOLine(owner), image_(std::make_unique<TPictureEx>()) {
    Listener()->AddBroadcaster(image_.get());
}

TLODecoLine::~TLODecoLine() = default;

void TLODecoLine::DeclareProperties(TPropertyBuilder<TLODecoLine>& p) {
    p.Object("Image", &TLODecoLine::Image).TypeName(QStringLiteral("TPicture"));
}

int64_t TLODecoLine::TileCount(int64_t length, int lineWidth, int motifWidth, int motifHeight) {
    if (motifWidth <= 0 || motifHeight <= 0)
        return 0;
    const __int128 n = __int128(motifHeight) * length / (__int128(std::max(lineWidth, 1)) * motifWidth);
    return n < 1 ? 1 : n > INT64_MAX ? INT64_MAX : int64_t(n);
}

void TLODecoLine::GetOutlineStroke(TStroke& stroke) const {
    stroke.Clear();
    const long double dx = (long double)end_.X - start_.X, dy = (long double)end_.Y - start_.Y;
    const long double length = std::sqrt(dx * dx + dy * dy);
    const long double half = (LineWidth() + kBandExtra) / 2.0L;
    // The unit normal to the line's left (upwards for a left-to-right line).
    const long double nx = length > 0 ? dy / length * half : 0, ny = length > 0 ? -dx / length * half : half;
    const auto at = [&](const TPoint& p, long double sx, long double sy) {
        return TPoint(int(std::lround(p.X + sx)), int(std::lround(p.Y + sy)));
    };
    const TPoint c[4] = {at(start_, nx, ny), at(end_, nx, ny), at(end_, -nx, -ny), at(start_, -nx, -ny)};
    stroke.AddPoint(c[0].X, c[0].Y, ptStrokeMoveTo);
    stroke.AddPoint(c[1].X, c[1].Y, ptStrokeLineTo);
    stroke.AddPoint(c[2].X, c[2].Y, ptStrokeLineTo);
    stroke.AddPoint(c[3].X, c[3].Y, ptStrokeLineToClose);
}

void TLODecoLine::SetStartPoint(const TPoint& p) {
    if (p != start_)
        DropStrip();
    TLOLine::SetStartPoint(p);
}

void TLODecoLine::SetEndPoint(const TPoint& p) {
    if (p != end_)
        DropStrip();
    TLOLine::SetEndPoint(p);
}

void TLODecoLine::SetLineWidth(int value) {
    value = std::max(value, 1);
    if (value != LineWidth())
        DropStrip();
    TLOLine::SetLineWidth(value);
}

void TLODecoLine::DrawOutline(TCanvas& canvas) {
    TStroke stroke;
    GetOutlineStroke(stroke);
    stroke.DrawTo(canvas);
}

void TLODecoLine::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr)
        return;
    TGraphic* motif = image_->Graphic();
    // A motif with a zero side is no motif: the paint fails visibly instead of dividing by zero.
    if (motif == nullptr || motif->Empty())
        throw EInvalidGraphic(QStringLiteral("No motif to draw the line with"));
    const long double dx = (long double)end_.X - start_.X, dy = (long double)end_.Y - start_.Y;
    const long double length = std::sqrt(dx * dx + dy * dy);
    if (length < 1)
        return;
    TStroke band;
    GetOutlineStroke(band);
    TPoint corners[4];
    for (int i = 0; i < 4; ++i)
        corners[i] = canvas->LPtoDP(band.GetPoint(i));
    const TRect logical =
        CornersBounds({band.GetPoint(0), band.GetPoint(1), band.GetPoint(2), band.GetPoint(3)});
    const QTransform mapping = canvas->MappingTransform();
    if (strip_.isNull() || stripMapping_ != mapping) {
        strip_ = QImage();
        // The strip in device pixels: as long as the line and as high as its width there.
        const QLineF deviceLine(mapping.map(QPointF(start_.X, start_.Y)),
                                mapping.map(QPointF(end_.X, end_.Y)));
        const long double scale = deviceLine.length() / length;
        const int64_t stripLength = std::llround(deviceLine.length());
        const int64_t stripHeight = std::max<int64_t>(std::llround(LineWidth() * scale), 1);
        if (stripLength < 1 || stripLength > kMaxStripPixels / stripHeight)
            return;
        // Tiles narrower than a device pixel cannot be told apart: at most one a pixel.
        const int64_t tiles = std::clamp<int64_t>(
            TileCount(std::llround(length), LineWidth(), motif->Width(), motif->Height()), 1, stripLength);
        std::unique_ptr<TBitmap> source = MakeDisplayCopy(*motif, motif->Width(), motif->Height(), clNone);
        const TPixelView m = ReadPixelViewOf(*source);
        TBitmap strip(int(stripLength), int(stripHeight), pf32bit);
        const TPixelView s = PixelViewOf(strip);
        // Tile i covers MulDiv(L, i, n) .. MulDiv(L, i + 1, n), the motif stretched over it.
        std::vector<int> column(static_cast<size_t>(stripLength));
        for (int64_t x = 0; x < stripLength; ++x) {
            const int64_t i = int64_t(__int128(x) * tiles / stripLength);
            const int64_t x0 = int64_t(__int128(stripLength) * i / tiles);
            const int64_t x1 = std::max<int64_t>(int64_t(__int128(stripLength) * (i + 1) / tiles), x0 + 1);
            column[size_t(x)] = int(std::min<int64_t>((x - x0) * m.Width / (x1 - x0), m.Width - 1));
        }
        ParallelBands(s.Height, 8, [&](int begin, int end) {
            for (int y = begin; y < end; ++y) {
                const uint8_t* row = m.Row(int(int64_t(y) * m.Height / s.Height));
                uint32_t* out = reinterpret_cast<uint32_t*>(s.Row(y));
                for (int x = 0; x < s.Width; ++x) {
                    const uint8_t* p = row + column[size_t(x)] * 4;
                    out[x] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | 0xFF000000u;
                }
            }
        });
        strip.Changed();
        const TRect device = NormalizeRect(canvas->LPtoDP(logical));
        TPoint quad[4];
        for (int i = 0; i < 4; ++i)
            quad[i] = TPoint(corners[i].X - device.Left, corners[i].Y - device.Top);
        TBitmap laid;
        TRect bounds;
        MapBitmapToQuad(&laid, bounds, quad, &strip, TRect(0, 0, strip.Width() - 1, strip.Height() - 1),
                        kPictureTransparentColor);
        // $F0F0F0, of the motif or around the band, shows what lies below.
        QImage image = AlphaImage(laid);
        for (int y = 0; y < image.height(); ++y) {
            QRgb* row = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                row[x] = (row[x] & 0xFFFFFF) == 0xF0F0F0 ? 0 : row[x] | 0xFF000000u;
        }
        strip_ = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
        stripMapping_ = mapping;
        ++stripsBuilt_;
    }
    canvas->DrawImage(logical, strip_);
}

void TLODecoLine::AssignTo(TPersistent* dest) const {
    TLOLine::AssignTo(dest);
    if (auto* target = dynamic_cast<TLODecoLine*>(dest)) {
        target->SetImage(image_.get());
        target->strip_ = strip_;
        target->stripMapping_ = stripMapping_;
    }
}

void TLODecoLine::HandleNotify(TObject* sender, const TGUID& eventID) {
    if (eventID == GUID_Changed && sender == static_cast<TObject*>(image_.get())) {
        DropStrip();
        Changed();
        Invalidate();
    }
    TLOLine::HandleNotify(sender, eventID);
}
