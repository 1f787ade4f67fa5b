#include "platform/Canvas.h"

#include "platform/Angle.h"
#include "platform/FontMapper.h"
#include "platform/Graphic.h"
#include "platform/IntMath.h"
#include "platform/PixelBuffer.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPagedPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <numbers>
#include <optional>

namespace {

QPainter::CompositionMode PenModeComposition(TPenMode mode) {
    switch (mode) {
    case pmBlack:
        return QPainter::RasterOp_ClearDestination;
    case pmWhite:
        return QPainter::RasterOp_SetDestination;
    case pmNot:
        return QPainter::RasterOp_NotDestination;
    case pmNotCopy:
        return QPainter::RasterOp_NotSource;
    case pmMergePenNot:
        return QPainter::RasterOp_SourceOrNotDestination;
    case pmMaskPenNot:
        return QPainter::RasterOp_SourceAndNotDestination;
    case pmMergeNotPen:
        return QPainter::RasterOp_NotSourceOrDestination;
    case pmMaskNotPen:
        return QPainter::RasterOp_NotSourceAndDestination;
    case pmMerge:
        return QPainter::RasterOp_SourceOrDestination;
    case pmNotMerge:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case pmMask:
        return QPainter::RasterOp_SourceAndDestination;
    case pmNotMask:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case pmXor:
        return QPainter::RasterOp_SourceXorDestination;
    case pmNotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    case pmNop:
    case pmCopy:
        break;
    }
    return QPainter::CompositionMode_SourceOver;
}

// The composition of a source-and-destination copy mode; none for modes that need a brush or
// no source, which are handled apart.
std::optional<QPainter::CompositionMode> CopyModeComposition(TCopyMode rop) {
    switch (rop) {
    case cmSrcCopy:
        return QPainter::CompositionMode_SourceOver;
    case cmSrcAnd:
        return QPainter::RasterOp_SourceAndDestination;
    case cmSrcPaint:
        return QPainter::RasterOp_SourceOrDestination;
    case cmSrcInvert:
        return QPainter::RasterOp_SourceXorDestination;
    case cmMergePaint:
        return QPainter::RasterOp_NotSourceOrDestination;
    case cmNotSrcCopy:
        return QPainter::RasterOp_NotSource;
    case cmNotSrcErase:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case cmSrcErase:
        return QPainter::RasterOp_SourceAndNotDestination;
    default:
        return std::nullopt;
    }
}

Qt::BrushStyle HatchStyle(TBrushStyle style) {
    switch (style) {
    case bsHorizontal:
        return Qt::HorPattern;
    case bsVertical:
        return Qt::VerPattern;
    case bsFDiagonal:
        return Qt::FDiagPattern;
    case bsBDiagonal:
        return Qt::BDiagPattern;
    case bsCross:
        return Qt::CrossPattern;
    case bsDiagCross:
        return Qt::DiagCrossPattern;
    case bsSolid:
        return Qt::SolidPattern;
    case bsClear:
        break;
    }
    return Qt::NoBrush;
}

QBrush QtBrush(const TBrush& brush) {
    if (brush.Style == bsSolid && !brush.Pattern.isNull())
        return QBrush(brush.Pattern);
    return QBrush(ToQColor(brush.Color), HatchStyle(brush.Style));
}

// Device rectangle from two mapped corners, in order.
QRect OrderedRect(const TRect& r) {
    const TRect n = NormalizeRect(r);
    const int w = ClampToInt32(int64_t(n.Right) - n.Left);
    const int h = ClampToInt32(int64_t(n.Bottom) - n.Top);
    // QRect(x, y, w, h) forms x + w - 1, which wraps for an empty rect at the least int.
    if ((w == 0 && n.Left == INT_MIN) || (h == 0 && n.Top == INT_MIN))
        return QRect();
    return QRect(n.Left, n.Top, w, h);
}

// Opaque 32-bit pixels of any image; 1-bit images as masks take the given colours for 0 and 1
// bits, otherwise their own table's.
QImage OpaqueSource(const QImage& source, TMonoColors mono, TColor zeroColor, TColor oneColor) {
    const bool oneBit = source.format() == QImage::Format_Mono || source.format() == QImage::Format_MonoLSB;
    if (oneBit && mono == mcTextAndBackground) {
        QImage mono = source;
        mono.setColorCount(2);
        mono.setColor(0, 0xFF000000u | ColorToRGBQuad(ColorToRGB(zeroColor)));
        mono.setColor(1, 0xFF000000u | ColorToRGBQuad(ColorToRGB(oneColor)));
        return mono.convertToFormat(QImage::Format_RGB32);
    }
    if (source.format() == QImage::Format_RGB32)
        return source;
    return source.convertToFormat(QImage::Format_RGB32);
}

// The first index from x on (up to width) whose byte is zero (covered) or non-zero (not
// covered), eight bytes at a time across long runs.
int SkipBytes(const uchar* row, int x, int width, bool covered) {
    const uint64_t whole = covered ? ~uint64_t(0) : 0;
    while (x + 8 <= width) {
        uint64_t word;
        std::memcpy(&word, row + x, sizeof word);
        if (word != whole)
            break;
        x += 8;
    }
    while (x < width && (row[x] != 0) == covered)
        ++x;
    return x;
}

// The rectangle the path is, when it is one axis-aligned rectangle (four corners, closed or not).
std::optional<QRectF> AxisAlignedRect(const QPainterPath& path) {
    const int count = path.elementCount();
    if (count != 4 && count != 5)
        return std::nullopt;
    QPointF corner[5];
    for (int i = 0; i < count; ++i) {
        const QPainterPath::Element e = path.elementAt(i);
        if (e.type != (i == 0 ? QPainterPath::MoveToElement : QPainterPath::LineToElement))
            return std::nullopt;
        corner[i] = QPointF(e.x, e.y);
    }
    if (count == 5 && corner[4] != corner[0])
        return std::nullopt;
    // Sides alternate between horizontal and vertical, starting with either.
    const bool horizontalFirst = corner[0].y() == corner[1].y();
    for (int i = 0; i < 4; ++i) {
        const QPointF& a = corner[i];
        const QPointF& b = corner[(i + 1) % 4];
        if ((i % 2 == 0) == horizontalFirst ? a.y() != b.y() : a.x() != b.x())
            return std::nullopt;
    }
    return QRectF(corner[0], corner[2]).normalized();
}

// The pixels within r that an aliased fill of the axis-aligned rectangle covers, where they are
// certain without rasterising: all of them for corners on the pixel grid (a pixel is covered when
// its centre is inside, and no centre lies on such an edge), else those whose centres lie a whole
// pixel inside it, when that is all of r.
std::optional<QRegion> RectPathPixels(const QPainterPath& path, const QRect& r) {
    const std::optional<QRectF> rect = AxisAlignedRect(path);
    if (!rect)
        return std::nullopt;
    const double left = rect->left(), right = rect->right(), top = rect->top(), bottom = rect->bottom();
    if (left == std::floor(left) && right == std::floor(right) && top == std::floor(top) &&
        bottom == std::floor(bottom))
        return QRegion(
            QRect(QPoint(int(left), int(top)), QPoint(int(right) - 1, int(bottom) - 1)).intersected(r));
    constexpr double kInside = 1.0;
    if (r.left() + 0.5 >= left + kInside && r.right() + 0.5 <= right - kInside &&
        r.top() + 0.5 >= top + kInside && r.bottom() + 0.5 <= bottom - kInside)
        return QRegion(r);
    return std::nullopt;
}

// The figures of a path that can cover a pixel of r: a closed figure whose control points all
// lie away from r adds as many crossings one way as the other along any row through r, so it
// changes no pixel there under either fill rule. Many-figure paths (text) keep only what r meets.
QPainterPath FiguresNear(const QPainterPath& path, const QRect& r) {
    // Past the rasteriser's rounding of edge crossings.
    constexpr double kNear = 2.0;
    const QRectF near = QRectF(r).adjusted(-kNear, -kNear, kNear, kNear);
    const int count = path.elementCount();
    QPainterPath kept;
    kept.setFillRule(path.fillRule());
    bool droppedAny = false;
    for (int start = 0; start < count;) {
        int end = start + 1;
        while (end < count && !path.elementAt(end).isMoveTo())
            ++end;
        double left = path.elementAt(start).x, right = left;
        double top = path.elementAt(start).y, bottom = top;
        for (int i = start + 1; i < end; ++i) {
            const QPainterPath::Element e = path.elementAt(i);
            left = std::min(left, e.x), right = std::max(right, e.x);
            top = std::min(top, e.y), bottom = std::max(bottom, e.y);
        }
        if (right < near.left() || left > near.right() || bottom < near.top() || top > near.bottom()) {
            droppedAny = true;
        } else {
            for (int i = start; i < end; ++i) {
                const QPainterPath::Element e = path.elementAt(i);
                if (e.isMoveTo()) {
                    kept.moveTo(e.x, e.y);
                } else if (e.isLineTo()) {
                    kept.lineTo(e.x, e.y);
                } else if (e.isCurveTo() && i + 2 < end) {
                    const QPainterPath::Element c2 = path.elementAt(i + 1), to = path.elementAt(i + 2);
                    kept.cubicTo(e.x, e.y, c2.x, c2.y, to.x, to.y);
                    i += 2;
                }
            }
        }
        start = end;
    }
    // A lone triangle or quadrilateral left over would be marked convex, which the whole path
    // was not: it is filled as it stands instead.
    if (!droppedAny || kept.elementCount() <= 4)
        return path;
    return kept;
}

// The non-zero pixels of an 8-bit mask as a region, its (0, 0) at offset.
QRegion MaskRegion(const QImage& mask, const QPoint& offset) {
    // Each row's runs of covered pixels; a row whose runs repeat the row above makes that band
    // taller instead of adding rectangles (the region's own coalesced form), so a plain figure
    // is a handful of rectangles however tall it is.
    const int width = mask.width();
    const int height = mask.height();
    QList<QRect> rects;
    std::vector<std::pair<int, int>> runs, bandRuns;
    qsizetype bandFirst = 0;
    for (int y = 0; y < height; ++y) {
        const uchar* row = mask.constScanLine(y);
        runs.clear();
        int x = 0;
        while (x < width) {
            x = SkipBytes(row, x, width, false);
            const int start = x;
            x = SkipBytes(row, x, width, true);
            if (x > start)
                runs.emplace_back(start, x - start);
        }
        if (!runs.empty() && runs == bandRuns && rects.size() > bandFirst &&
            rects.back().bottom() == offset.y() + y - 1) {
            for (qsizetype i = bandFirst; i < rects.size(); ++i)
                rects[i].setBottom(offset.y() + y);
            continue;
        }
        bandFirst = rects.size();
        for (const auto& [start, length] : runs)
            rects.append(QRect(offset.x() + start, offset.y() + y, length, 1));
        std::swap(runs, bandRuns);
    }
    QRegion region;
    region.setRects(rects.constData(), int(rects.size()));
    return region;
}

// The set of pixels that Qt's aliased fill covers, as a region: the exact counterpart of
// drawing the path, so clipping by a path and filling it agree pixel for pixel. Only the pixels
// within the given device rect are worked on (and given), so a huge path costs no more than the
// area it can matter in.
QRegion RasteriseToRegion(const QPainterPath& path, const std::optional<QRect>& within = std::nullopt) {
    // Paths reaching the ends of the int range (hostile sizes) have no pixels to give.
    constexpr double kFar = double(1 << 30);
    const QRectF far = path.boundingRect();
    if (!(far.left() > -kFar && far.top() > -kFar && far.right() < kFar && far.bottom() < kFar))
        return QRegion();
    QRect bounds = far.toAlignedRect().adjusted(-1, -1, 1, 1);
    if (within)
        bounds = bounds.intersected(*within);
    if (bounds.isEmpty() || int64_t(bounds.width()) * bounds.height() > (int64_t(1) << 28))
        return QRegion();
    // Rectangles (the common clip of a figure) need no rasterising.
    if (const std::optional<QRegion> pixels = RectPathPixels(path, bounds))
        return *pixels;
    QImage mask(bounds.size(), QImage::Format_Grayscale8);
    mask.fill(0);
    {
        QPainter p(&mask);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.translate(-bounds.topLeft());
        p.drawPath(FiguresNear(path, bounds));
    }
    return MaskRegion(mask, bounds.topLeft());
}

} // namespace

// Negated in 64 bits: the most negative height or size has no positive counterpart in 32.
int TFont::Size() const {
    return ClampToInt32(-MulDiv64(Height, 72, PixelsPerInch));
}

void TFont::SetSize(int points) {
    Height = ClampToInt32(-MulDiv64(points, PixelsPerInch, 72));
}

bool CopyModeUsesDestination(TCopyMode mode) {
    switch (mode) {
    case cmSrcAnd:
    case cmSrcPaint:
    case cmSrcInvert:
    case cmMergePaint:
    case cmNotSrcErase:
    case cmSrcErase:
    case cmDstInvert:
    case cmPatInvert:
    case cmPatPaint:
        return true;
    default:
        return false;
    }
}

// Image operations composed for a device without raster operations: the results of the
// operations so far over a white and over a black destination. A pixel that gives white over
// white and black over black leaves the destination alone (transparent); any other pixel is
// drawn opaque with its result over white, as it would print on paper.
struct TCanvas::Composite {
    QRect dest;
    QImage overWhite;
    QImage overBlack;
};

TCanvas::TCanvas() = default;

TCanvas::TCanvas(QImage* image) : kind_(dkImage), device_(image) {}

TCanvas::TCanvas(QWidget* widget) : kind_(dkWidget), device_(widget) {}

TCanvas::TCanvas(QPicture* picture) : kind_(dkPicture), device_(picture) {}

TCanvas::TCanvas(QPrinter* printer) : kind_(dkPrinter), device_(printer) {}

TCanvas::TCanvas(QPaintDevice* device, TDeviceKind kind) : kind_(kind), device_(device) {}

TCanvas::TCanvas(QPainter* painter) : external_(painter) {
    device_ = painter->device();
    switch (device_ ? device_->devType() : 0) {
    case QInternal::Image:
    case QInternal::Pixmap:
        kind_ = dkImage;
        break;
    case QInternal::Widget:
        kind_ = dkWidget;
        break;
    case QInternal::Picture:
        kind_ = dkPicture;
        break;
    case QInternal::Printer:
        kind_ = dkPrinter;
        break;
    default:
        kind_ = dkImage;
        break;
    }
}

TCanvas::~TCanvas() {
    try {
        FreeHandle();
    } catch (...) {
        // What the other thread's drawing raised has no one left to tell.
    }
}

void TCanvas::PaintElsewhere(std::future<void> work) {
    WaitForPaintElsewhere();
    elsewhere_ = std::move(work);
}

void TCanvas::WaitForPaintElsewhere() {
    if (elsewhere_.valid())
        elsewhere_.get();
}

QImage* TCanvas::TargetImage() {
    if (kind_ == dkImage && device_ && device_->devType() == QInternal::Image)
        return static_cast<QImage*>(device_);
    return nullptr;
}

int TCanvas::PixelsPerInch() const {
    if (pixelsPerInch_ > 0)
        return pixelsPerInch_;
    if (device_) {
        const int dpi = device_->logicalDpiY();
        if (dpi > 0)
            return dpi;
    }
    return 96;
}

TSize TCanvas::DeviceSize() const {
    if (!device_)
        return TSize();
    return TSize(device_->width(), device_->height());
}

QPaintDevice* TCanvas::AcquireDevice() {
    return device_;
}

void TCanvas::FreeHandle() {
    WaitForPaintElsewhere();
    if (!painter_)
        return;
    Flush();
    if (painter_ == external_) {
        external_->restore();
    } else if (own_) {
        own_->end();
        own_.reset();
        ReleaseDevice();
    }
    painter_ = nullptr;
    activeDevice_ = nullptr;
}

QPainter* TCanvas::Begin() {
    WaitForPaintElsewhere();
    ValidateDevice();
    if (!painter_) {
        if (external_) {
            external_->save();
            painter_ = external_;
        } else {
            QPaintDevice* device = AcquireDevice();
            if (!device)
                return nullptr;
            auto painter = std::make_unique<QPainter>();
            if (!painter->begin(device)) {
                ReleaseDevice();
                return nullptr;
            }
            own_ = std::move(painter);
            painter_ = own_.get();
            activeDevice_ = device;
        }
    }
    QPainter* p = painter_;
    p->resetTransform();
    if (state_.clip)
        p->setClipRegion(*state_.clip);
    else
        p->setClipping(false);
    p->setCompositionMode(QPainter::CompositionMode_SourceOver);
    p->setRenderHint(QPainter::Antialiasing, false);
    p->setRenderHint(QPainter::TextAntialiasing, true);
    p->setRenderHint(QPainter::SmoothPixmapTransform, state_.stretchMode == HALFTONE);
    // Printed pictures keep their exact pixels (a PDF would otherwise get JPEG-compressed ones).
    p->setRenderHint(QPainter::LosslessImageRendering, true);
    p->setOpacity(1.0);
    return p;
}

QPainter* TCanvas::Painter() {
    Flush();
    return Begin();
}

bool TCanvas::SupportsRasterOps() const {
    return kind_ == dkImage || kind_ == dkWidget;
}

void TCanvas::Changing() {
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange)
        OnChange(this);
}

void TCanvas::CopyTools(const TCanvas& source) {
    pen_ = source.pen_;
    brush_ = source.brush_;
    font_ = source.font_;
    copyMode_ = source.copyMode_;
}

// --- attributes ---

TColor TCanvas::SetTextColor(TColor color) {
    return std::exchange(state_.textColor, color);
}
TColor TCanvas::SetBkColor(TColor color) {
    return std::exchange(state_.bkColor, color);
}
int TCanvas::SetBkMode(int mode) {
    return std::exchange(state_.bkMode, mode);
}
unsigned TCanvas::SetTextAlign(unsigned align) {
    return std::exchange(state_.textAlign, align);
}
int TCanvas::SetPolyFillMode(int mode) {
    return std::exchange(state_.polyFillMode, mode);
}
int TCanvas::SetStretchBltMode(int mode) {
    return std::exchange(state_.stretchMode, mode);
}

// --- mapping ---

void TCanvas::FixedModeExtents() {
    const int dpi = PixelsPerInch();
    int units = 0;
    switch (state_.mapMode) {
    case MM_LOMETRIC:
        units = 254;
        break;
    case MM_HIMETRIC:
        units = 2540;
        break;
    case MM_LOENGLISH:
        units = 100;
        break;
    case MM_HIENGLISH:
        units = 1000;
        break;
    case MM_TWIPS:
    case MM_ISOTROPIC:
        units = state_.mapMode == MM_TWIPS ? 1440 : 254;
        break;
    case MM_TEXT:
        state_.windowExt = TSize(1, 1);
        state_.viewportExt = TSize(1, 1);
        return;
    default:
        return;
    }
    state_.windowExt = TSize(units, units);
    state_.viewportExt = TSize(dpi, -dpi);
}

int TCanvas::SetMapMode(int mode) {
    if (mode < MM_TEXT || mode > MM_ANISOTROPIC)
        return 0;
    Flush();
    const int old = state_.mapMode;
    state_.mapMode = mode;
    // Anisotropic keeps the extents of the mode before; every other mode sets its own.
    if (mode != MM_ANISOTROPIC)
        FixedModeExtents();
    return old;
}

TPoint TCanvas::SetWindowOrg(int x, int y) {
    return std::exchange(state_.windowOrg, TPoint(x, y));
}
TPoint TCanvas::SetViewportOrg(int x, int y) {
    return std::exchange(state_.viewportOrg, TPoint(x, y));
}

TPoint TCanvas::OffsetWindowOrg(int dx, int dy) {
    const TPoint old = state_.windowOrg;
    // Origins offset beyond the int range stop at its ends (hostile page geometry).
    state_.windowOrg = TPoint(ClampToInt32(int64_t(old.X) + dx), ClampToInt32(int64_t(old.Y) + dy));
    return old;
}

TPoint TCanvas::OffsetViewportOrg(int dx, int dy) {
    const TPoint old = state_.viewportOrg;
    state_.viewportOrg = TPoint(ClampToInt32(int64_t(old.X) + dx), ClampToInt32(int64_t(old.Y) + dy));
    return old;
}

void TCanvas::AdjustIsotropic() {
    if (state_.mapMode != MM_ISOTROPIC || state_.windowExt.cx == 0 || state_.windowExt.cy == 0)
        return;
    const double sx = std::abs(double(state_.viewportExt.cx) / state_.windowExt.cx);
    const double sy = std::abs(double(state_.viewportExt.cy) / state_.windowExt.cy);
    // The larger scale shrinks to the smaller one; signs stay.
    if (sx < sy) {
        const int v = RoundAwayClamped(std::abs(double(state_.windowExt.cy)) * sx);
        state_.viewportExt.cy = state_.viewportExt.cy < 0 ? -v : v;
    } else if (sy < sx) {
        const int v = RoundAwayClamped(std::abs(double(state_.windowExt.cx)) * sy);
        state_.viewportExt.cx = state_.viewportExt.cx < 0 ? -v : v;
    }
}

bool TCanvas::SetWindowExt(int cx, int cy, TSize* old) {
    if (old)
        *old = state_.windowExt;
    if (state_.mapMode != MM_ISOTROPIC && state_.mapMode != MM_ANISOTROPIC)
        return false;
    if (cx == 0 || cy == 0)
        return false;
    state_.windowExt = TSize(cx, cy);
    AdjustIsotropic();
    return true;
}

bool TCanvas::SetViewportExt(int cx, int cy, TSize* old) {
    if (old)
        *old = state_.viewportExt;
    if (state_.mapMode != MM_ISOTROPIC && state_.mapMode != MM_ANISOTROPIC)
        return false;
    if (cx == 0 || cy == 0)
        return false;
    state_.viewportExt = TSize(cx, cy);
    AdjustIsotropic();
    return true;
}

double TCanvas::ScaleX() const {
    return double(state_.viewportExt.cx) / state_.windowExt.cx;
}
double TCanvas::ScaleY() const {
    return double(state_.viewportExt.cy) / state_.windowExt.cy;
}

namespace {

// One axis of a mapping: v moved from one origin to the other and scaled by toExt / fromExt (never
// 0: the extents refuse it), held inside the int range at each step.
int MapAxis(int v, int fromOrg, int fromExt, int toExt, int toOrg) {
    return ClampToInt32(int64_t(ClampToInt32(MulDiv64(int64_t(v) - fromOrg, toExt, fromExt))) + toOrg);
}

} // namespace

TPoint TCanvas::LPtoDP(const TPoint& p) const {
    const DCState& s = state_;
    if (!s.world.isIdentity()) {
        const QPointF d = FullTransform().map(QPointF(p.X, p.Y));
        return TPoint(RoundAwayClamped(d.x()), RoundAwayClamped(d.y()));
    }
    if (s.mapMode == MM_TEXT)
        return TPoint(ClampToInt32(int64_t(p.X) - s.windowOrg.X + s.viewportOrg.X),
                      ClampToInt32(int64_t(p.Y) - s.windowOrg.Y + s.viewportOrg.Y));
    return TPoint(MapAxis(p.X, s.windowOrg.X, s.windowExt.cx, s.viewportExt.cx, s.viewportOrg.X),
                  MapAxis(p.Y, s.windowOrg.Y, s.windowExt.cy, s.viewportExt.cy, s.viewportOrg.Y));
}

TPoint TCanvas::DPtoLP(const TPoint& p) const {
    const DCState& s = state_;
    if (!s.world.isIdentity()) {
        bool invertible = false;
        const QTransform inverse = FullTransform().inverted(&invertible);
        const QPointF l = inverse.map(QPointF(p.X, p.Y));
        return TPoint(RoundAwayClamped(l.x()), RoundAwayClamped(l.y()));
    }
    if (s.mapMode == MM_TEXT)
        return TPoint(ClampToInt32(int64_t(p.X) - s.viewportOrg.X + s.windowOrg.X),
                      ClampToInt32(int64_t(p.Y) - s.viewportOrg.Y + s.windowOrg.Y));
    return TPoint(MapAxis(p.X, s.viewportOrg.X, s.viewportExt.cx, s.windowExt.cx, s.windowOrg.X),
                  MapAxis(p.Y, s.viewportOrg.Y, s.viewportExt.cy, s.windowExt.cy, s.windowOrg.Y));
}

void TCanvas::LPtoDP(TPoint* points, int count) const {
    for (int i = 0; i < count; ++i)
        points[i] = LPtoDP(points[i]);
}

void TCanvas::DPtoLP(TPoint* points, int count) const {
    for (int i = 0; i < count; ++i)
        points[i] = DPtoLP(points[i]);
}

TRect TCanvas::LPtoDP(const TRect& r) const {
    return TRect(LPtoDP(r.TopLeft()), LPtoDP(r.BottomRight()));
}

TRect TCanvas::DPtoLP(const TRect& r) const {
    return TRect(DPtoLP(r.TopLeft()), DPtoLP(r.BottomRight()));
}

QTransform TCanvas::MappingTransform() const {
    const double sx = ScaleX();
    const double sy = ScaleY();
    return QTransform(sx, 0, 0, sy, state_.viewportOrg.X - state_.windowOrg.X * sx,
                      state_.viewportOrg.Y - state_.windowOrg.Y * sy);
}

QTransform TCanvas::FullTransform() const {
    return state_.world * MappingTransform();
}

double TCanvas::WorldScale() const {
    return std::sqrt(std::abs(state_.world.determinant()));
}

double TCanvas::WorldTurnDegrees() const {
    if (!WorldTurns())
        return 0;
    const QTransform full = FullTransform();
    const QTransform mapping = MappingTransform();
    const QPointF turned = full.map(QPointF(1, 0)) - full.map(QPointF(0, 0));
    const QPointF plain = mapping.map(QPointF(1, 0)) - mapping.map(QPointF(0, 0));
    return (std::atan2(turned.y(), turned.x()) - std::atan2(plain.y(), plain.x())) * 180.0 / std::numbers::pi;
}

std::optional<QTransform> TCanvas::WorldSlant() const {
    const QTransform& w = state_.world;
    if (w.m12() == 0 && w.m21() == 0 && std::abs(w.m11()) == std::abs(w.m22()))
        return std::nullopt;
    // The world's linear part as it acts on device vectors, at unit size.
    const QTransform m = MappingTransform();
    const QTransform scale(m.m11(), m.m12(), m.m21(), m.m22(), 0, 0);
    bool invertible = false;
    const QTransform back = scale.inverted(&invertible);
    const double size = WorldScale();
    if (!invertible || !(size > 0))
        return std::nullopt;
    QTransform d = back * QTransform(w.m11(), w.m12(), w.m21(), w.m22(), 0, 0) * scale;
    d = QTransform(d.m11() / size, d.m12() / size, d.m21() / size, d.m22() / size, 0, 0);
    // A turn alone keeps the plain path; a mirroring world keeps glyphs readable, flipped back
    // across the baseline.
    if (std::abs(d.m11() - d.m22()) < 1e-9 && std::abs(d.m12() + d.m21()) < 1e-9)
        return std::nullopt;
    if (d.determinant() < 0)
        d = QTransform::fromScale(1, -1) * d;
    return d;
}

void TCanvas::DrawImageTurned(QPainter& painter, const TRect& dest, const QImage& source) {
    painter.save();
    painter.setTransform(FullTransform(), true);
    painter.drawImage(QRectF(QPointF(dest.Left, dest.Top), QPointF(dest.Right, dest.Bottom)).normalized(),
                      source, QRectF(source.rect()));
    painter.restore();
}

QPainterPath TCanvas::TurnedRect(const TRect& r) const {
    QPainterPath path;
    path.addPolygon(
        FullTransform().map(QPolygonF(QRectF(QPointF(r.Left, r.Top), QPointF(r.Right, r.Bottom)))));
    path.closeSubpath();
    return path;
}

namespace {

bool UsableTransform(const QTransform& t) {
    const double values[] = {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()};
    for (const double v : values)
        if (!std::isfinite(v))
            return false;
    // Only affine transforms; a vanishing determinant would collapse everything to a line.
    return t.type() <= QTransform::TxShear && std::abs(t.determinant()) > 1e-12;
}

} // namespace

bool TCanvas::SetWorldTransform(const QTransform& transform) {
    if (!UsableTransform(transform))
        return false;
    Flush();
    state_.world = transform;
    return true;
}

bool TCanvas::ModifyWorldTransform(const QTransform& transform, int mode) {
    switch (mode) {
    case MWT_IDENTITY:
        Flush();
        state_.world.reset();
        return true;
    case MWT_LEFTMULTIPLY:
        return SetWorldTransform(transform * state_.world);
    case MWT_RIGHTMULTIPLY:
        return SetWorldTransform(state_.world * transform);
    default:
        return false;
    }
}

void TCanvas::TakeMapping(const TCanvas& source, const TPoint& origin) {
    Flush();
    state_.mapMode = source.state_.mapMode;
    state_.world = source.state_.world;
    state_.windowOrg = source.state_.windowOrg;
    state_.windowExt = source.state_.windowExt;
    state_.viewportExt = source.state_.viewportExt;
    state_.viewportOrg = TPoint(ClampToInt32(int64_t(source.state_.viewportOrg.X) - origin.X),
                                ClampToInt32(int64_t(source.state_.viewportOrg.Y) - origin.Y));
    state_.polyFillMode = source.state_.polyFillMode;
    pixelsPerInch_ = source.PixelsPerInch();
}

QPointF TCanvas::MapF(const TPoint& p) const {
    if (!state_.world.isIdentity())
        return FullTransform().map(QPointF(p.X, p.Y));
    const TPoint d = LPtoDP(p);
    return QPointF(d.X, d.Y);
}

// --- clipping ---

QRegion TCanvas::DeviceRegion() const {
    const TSize size = DeviceSize();
    if (kind_ == dkNone || kind_ == dkPicture)
        return QRegion(-(1 << 24), -(1 << 24), 1 << 25, 1 << 25);
    return QRegion(0, 0, size.cx, size.cy);
}

QRegion TCanvas::VisibleRegion() const {
    const QRegion bounds = DeviceRegion();
    return state_.clip ? state_.clip->intersected(bounds) : bounds;
}

namespace {
int RegionKind(const QRegion& r) {
    if (r.isEmpty())
        return NULLREGION;
    return r.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}
} // namespace

int TCanvas::GetClipRgn(QRegion& region) const {
    if (!state_.clip)
        return 0;
    region = *state_.clip;
    return 1;
}

int TCanvas::SelectClipRgn(const QRegion* region) {
    Flush();
    if (!region) {
        state_.clip.reset();
        return SIMPLEREGION;
    }
    state_.clip = *region;
    return RegionKind(*region);
}

int TCanvas::ExtSelectClipRgn(const QRegion* region, int mode) {
    Flush();
    if (mode == RGN_COPY)
        return SelectClipRgn(region);
    if (!region)
        return RGN_ERROR;
    // Without a clip region the whole device is the base.
    const QRegion base = state_.clip ? *state_.clip : VisibleRegion();
    QRegion result;
    switch (mode) {
    case RGN_AND:
        result = base.intersected(*region);
        break;
    case RGN_OR:
        result = base.united(*region);
        break;
    case RGN_XOR:
        result = base.xored(*region);
        break;
    case RGN_DIFF:
        result = base.subtracted(*region);
        break;
    default:
        return RGN_ERROR;
    }
    state_.clip = result;
    return RegionKind(result);
}

namespace {

// The region inside a device path, cut to what is visible first: Qt's polygon regions leak on polygons
// without area and on coordinates far beyond any device.
QRegion PolygonRegion(const QPainterPath& path, const QRect& bounds) {
    QPainterPath box;
    box.addRect(QRectF(bounds.adjusted(-1, -1, 1, 1)));
    const QPolygon p = path.intersected(box).toFillPolygon().toPolygon();
    const QRect extent = p.boundingRect();
    if (extent.width() <= 1 || extent.height() <= 1)
        return QRegion();
    return QRegion(p);
}

} // namespace

int TCanvas::IntersectClipRect(const TRect& r) {
    const QRegion region = WorldTurns() ? PolygonRegion(TurnedRect(r), VisibleRegion().boundingRect())
                                        : QRegion(OrderedRect(LPtoDP(r)));
    return ExtSelectClipRgn(&region, RGN_AND);
}

int TCanvas::ExcludeClipRect(const TRect& r) {
    const QRegion region = WorldTurns() ? PolygonRegion(TurnedRect(r), VisibleRegion().boundingRect())
                                        : QRegion(OrderedRect(LPtoDP(r)));
    return ExtSelectClipRgn(&region, RGN_DIFF);
}

int TCanvas::GetClipBox(TRect& r) const {
    const QRegion visible = VisibleRegion();
    const QRect box = visible.boundingRect();
    r = NormalizeRect(DPtoLP(TRect::FromQRect(box)));
    return RegionKind(visible);
}

bool TCanvas::RectVisible(const TRect& r) const {
    const QRect device = OrderedRect(LPtoDP(r));
    return !device.isEmpty() && VisibleRegion().intersects(device);
}

bool TCanvas::PtVisible(int x, int y) const {
    const TPoint d = LPtoDP(TPoint(x, y));
    return VisibleRegion().contains(QPoint(d.X, d.Y));
}

// --- saved states ---

int TCanvas::SaveDC() {
    saved_.push_back(state_);
    return int(saved_.size());
}

bool TCanvas::RestoreDC(int level) {
    if (level < 0)
        level = int(saved_.size()) + 1 + level;
    if (level < 1 || level > int(saved_.size()))
        return false;
    Flush();
    state_ = saved_[size_t(level - 1)];
    saved_.resize(size_t(level - 1));
    return true;
}

// --- paths ---

void TCanvas::BeginPath() {
    pathPoints_.clear();
    pathTypes_.clear();
    pathOpen_ = true;
}

void TCanvas::EndPath() {
    pathOpen_ = false;
}

void TCanvas::AbortPath() {
    pathOpen_ = false;
    pathPoints_.clear();
    pathTypes_.clear();
}

void TCanvas::CloseFigure() {
    if (pathOpen_ && !pathTypes_.empty() && pathTypes_.back() != PT_MOVETO)
        pathTypes_.back() |= PT_CLOSEFIGURE;
}

void TCanvas::AppendPathPoint(const QPointF& p, uint8_t type) {
    pathPoints_.push_back(p);
    pathTypes_.push_back(type);
}

void TCanvas::AddToPath(const QPainterPath& devicePath, bool closed) {
    // A closed Qt sub-path ends with a line back to its start; the graphics layer's figures have a
    // close flag on their last point instead.
    const int n = devicePath.elementCount();
    size_t figureStart = pathPoints_.size();
    auto closeFigure = [&] {
        if (closed && pathTypes_.size() > figureStart)
            pathTypes_.back() |= PT_CLOSEFIGURE;
    };
    for (int i = 0; i < n; ++i) {
        const QPainterPath::Element e = devicePath.elementAt(i);
        const QPointF p(e.x, e.y);
        if (e.type == QPainterPath::MoveToElement) {
            if (i > 0)
                closeFigure();
            figureStart = pathPoints_.size();
            AppendPathPoint(p, PT_MOVETO);
        } else if (e.type == QPainterPath::LineToElement) {
            const bool last = i + 1 == n || devicePath.elementAt(i + 1).isMoveTo();
            if (closed && last && pathPoints_.size() > figureStart + 1 && p == pathPoints_[figureStart])
                continue;
            AppendPathPoint(p, PT_LINETO);
        } else {
            AppendPathPoint(p, PT_BEZIERTO);
        }
    }
    if (n > 0)
        closeFigure();
}

QPainterPath TCanvas::BuildPath() const {
    QPainterPath path;
    path.setFillRule(state_.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    for (size_t i = 0; i < pathTypes_.size(); ++i) {
        const uint8_t type = pathTypes_[i] & ~PT_CLOSEFIGURE;
        if (type == PT_MOVETO) {
            path.moveTo(pathPoints_[i]);
        } else if (type == PT_LINETO) {
            path.lineTo(pathPoints_[i]);
        } else if (type == PT_BEZIERTO && i + 2 < pathTypes_.size()) {
            path.cubicTo(pathPoints_[i], pathPoints_[i + 1], pathPoints_[i + 2]);
            i += 2;
        }
        if (pathTypes_[i] & PT_CLOSEFIGURE)
            path.closeSubpath();
    }
    return path;
}

QPainterPath TCanvas::DevicePath() const {
    return BuildPath();
}

int TCanvas::GetPath(std::vector<TPoint>& points, std::vector<uint8_t>& types) const {
    points.clear();
    types = pathTypes_;
    for (const QPointF& p : pathPoints_)
        points.push_back(DPtoLP(TPoint(RoundAwayClamped(p.x()), RoundAwayClamped(p.y()))));
    return int(points.size());
}

void TCanvas::WidenPath() {
    QPainterPathStroker stroker;
    stroker.setWidth(std::max(1.0, DevicePenWidth()));
    stroker.setCapStyle(pen_.Cap);
    stroker.setJoinStyle(pen_.Join);
    const QPainterPath widened = stroker.createStroke(BuildPath()).simplified();
    pathPoints_.clear();
    pathTypes_.clear();
    AddToPath(widened, true);
}

void TCanvas::StrokePath() {
    const QPainterPath path = BuildPath();
    AbortPath();
    DrawShape(path, false, true);
}

void TCanvas::FillPath() {
    const QPainterPath path = BuildPath();
    AbortPath();
    DrawShape(path, true, false);
}

void TCanvas::StrokeAndFillPath() {
    const QPainterPath path = BuildPath();
    AbortPath();
    DrawShape(path, true, true);
}

QRegion TCanvas::PathToRegion() {
    const QRegion region = RasteriseToRegion(BuildPath());
    AbortPath();
    return region;
}

bool TCanvas::SelectClipPath(int mode) {
    if (pathOpen_ || pathTypes_.empty())
        return false;
    // A clip can only matter where the device is, and an intersection or difference only within
    // the present clip: the path is made a region there alone (hostile sizes stay cheap).
    const bool withinClip = mode == RGN_AND || mode == RGN_DIFF;
    const QRect within = (withinClip ? VisibleRegion() : DeviceRegion()).boundingRect();
    const QRegion region = RasteriseToRegion(BuildPath(), within);
    AbortPath();
    return ExtSelectClipRgn(&region, mode) != RGN_ERROR;
}

// --- pens and brushes ---

double TCanvas::DevicePenWidth() const {
    if (pen_.Width <= 0)
        return 0;
    return std::round(pen_.Width * std::abs(ScaleX()) * WorldScale());
}

void TCanvas::ApplyPenMode(QPainter& painter) {
    if (SupportsRasterOps())
        painter.setCompositionMode(PenModeComposition(pen_.Mode));
}

bool TCanvas::PreparePen(QPainter& painter) {
    if (pen_.Style == psClear || pen_.Mode == pmNop) {
        painter.setPen(Qt::NoPen);
        return false;
    }
    QColor color = ToQColor(pen_.Color);
    if (!SupportsRasterOps() && pen_.Mode == pmBlack)
        color = Qt::black;
    if (!SupportsRasterOps() && pen_.Mode == pmWhite)
        color = Qt::white;
    QPen pen(color);
    const double width = DevicePenWidth();
    if (width <= 1.0) {
        // One device pixel; the flat cap leaves out the last point, as the graphics layer did.
        pen.setWidth(1);
        pen.setCosmetic(true);
        pen.setCapStyle(Qt::FlatCap);
        pen.setJoinStyle(Qt::MiterJoin);
        switch (pen_.Style) {
        case psDash:
            pen.setDashPattern({18, 6});
            break;
        case psDot:
            pen.setDashPattern({3, 3});
            break;
        case psDashDot:
            pen.setDashPattern({9, 6, 3, 6});
            break;
        case psDashDotDot:
            pen.setDashPattern({9, 3, 3, 3, 3, 3});
            break;
        default:
            break;
        }
    } else {
        pen.setWidthF(width);
        pen.setCapStyle(pen_.Cap);
        pen.setJoinStyle(pen_.Join);
        static const Qt::PenStyle styles[] = {Qt::SolidLine,      Qt::DashLine, Qt::DotLine,  Qt::DashDotLine,
                                              Qt::DashDotDotLine, Qt::NoPen,    Qt::SolidLine};
        pen.setStyle(styles[pen_.Style]);
    }
    painter.setPen(pen);
    ApplyPenMode(painter);
    return true;
}

bool TCanvas::PrepareBrush(QPainter& painter) {
    const Qt::BrushStyle style = HatchStyle(brush_.Style);
    if (style == Qt::NoBrush || pen_.Mode == pmNop) {
        painter.setBrush(Qt::NoBrush);
        return false;
    }
    painter.setBrush(QtBrush(brush_));
    ApplyPenMode(painter);
    return true;
}

namespace {

// The device rect within the clip's bounds.
QRect VisibleBounds(const TCanvas& canvas) {
    const TSize size = canvas.DeviceSize();
    QRect visible(0, 0, size.cx, size.cy);
    QRegion clip;
    if (canvas.GetClipRgn(clip))
        visible &= clip.boundingRect();
    return visible;
}

} // namespace

bool TCanvas::MissesClip(const QPainterPath& devicePath, bool outline) const {
    // A stroke reaches past its path by at most its miter limit (Qt's default, twice the pen's
    // width); a pixel more covers the half-pixel shift of wide pens and the aliased rounding.
    constexpr double kMiterReach = 2.0;
    const double reach = (outline ? kMiterReach * std::max(DevicePenWidth(), 1.0) : 0.0) + 2.0;
    const QRect visible = VisibleBounds(*this);
    const QRectF shape = devicePath.controlPointRect().adjusted(-reach, -reach, reach, reach);
    return visible.isEmpty() || !shape.intersects(QRectF(visible));
}

void TCanvas::DrawShape(const QPainterPath& devicePath, bool fill, bool outline) {
    if (pathOpen_) {
        AddToPath(devicePath, fill);
        return;
    }
    Flush();
    QPainter* p = Begin();
    if (!p)
        return;
    Changing();
    if (kind_ == dkImage && MissesClip(devicePath, outline)) {
        Changed();
        return;
    }
    if (fill && PrepareBrush(*p)) {
        p->setPen(Qt::NoPen);
        p->drawPath(devicePath);
    }
    if (outline && PreparePen(*p)) {
        p->setBrush(Qt::NoBrush);
        if (p->pen().isCosmetic())
            p->drawPath(devicePath);
        else
            p->drawPath(devicePath.translated(0.5, 0.5));
    }
    Changed();
}

// --- drawing ---

void TCanvas::MoveTo(int x, int y) {
    state_.penPos = TPoint(x, y);
    if (pathOpen_)
        AppendPathPoint(MapF(state_.penPos), PT_MOVETO);
}

void TCanvas::LineTo(int x, int y) {
    QPainterPath path(MapF(state_.penPos));
    path.lineTo(MapF(TPoint(x, y)));
    if (pathOpen_) {
        if (pathTypes_.empty() || (pathTypes_.back() & PT_CLOSEFIGURE))
            AppendPathPoint(MapF(state_.penPos), PT_MOVETO);
        AppendPathPoint(MapF(TPoint(x, y)), PT_LINETO);
    } else {
        DrawShape(path, false, true);
    }
    state_.penPos = TPoint(x, y);
}

void TCanvas::Polyline(const TPoint* points, int count) {
    if (count < 2)
        return;
    QPainterPath path(MapF(points[0]));
    for (int i = 1; i < count; ++i)
        path.lineTo(MapF(points[i]));
    DrawShape(path, false, true);
}

void TCanvas::Polygon(const TPoint* points, int count) {
    if (count < 2)
        return;
    QPolygonF polygon;
    for (int i = 0; i < count; ++i)
        polygon << MapF(points[i]);
    QPainterPath path;
    path.setFillRule(state_.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    path.addPolygon(polygon);
    path.closeSubpath();
    DrawShape(path, true, true);
}

void TCanvas::PolyPolygon(const TPoint* points, const int* counts, int polygons) {
    QPainterPath path;
    path.setFillRule(state_.polyFillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill);
    int64_t at = 0;
    for (int i = 0; i < polygons; ++i) {
        if (counts[i] >= 2) {
            QPolygonF polygon;
            polygon.reserve(counts[i]);
            for (int k = 0; k < counts[i]; ++k)
                polygon << MapF(points[at + k]);
            path.addPolygon(polygon);
            path.closeSubpath();
        }
        at += std::max(counts[i], 0);
    }
    if (!path.isEmpty())
        DrawShape(path, true, true);
}

void TCanvas::PolyPolyline(const TPoint* points, const int* counts, int lines) {
    QPainterPath path;
    int64_t at = 0;
    for (int i = 0; i < lines; ++i) {
        if (counts[i] >= 2) {
            path.moveTo(MapF(points[at]));
            for (int k = 1; k < counts[i]; ++k)
                path.lineTo(MapF(points[at + k]));
        }
        at += std::max(counts[i], 0);
    }
    if (!path.isEmpty())
        DrawShape(path, false, true);
}

void TCanvas::PolyBezier(const TPoint* points, int count) {
    if (count < 4 || (count - 1) % 3 != 0)
        return;
    QPainterPath path(MapF(points[0]));
    for (int i = 1; i + 2 < count; i += 3)
        path.cubicTo(MapF(points[i]), MapF(points[i + 1]), MapF(points[i + 2]));
    DrawShape(path, false, true);
}

void TCanvas::PolyBezierTo(const TPoint* points, int count) {
    if (count < 3 || count % 3 != 0)
        return;
    if (pathOpen_) {
        if (pathTypes_.empty() || (pathTypes_.back() & PT_CLOSEFIGURE))
            AppendPathPoint(MapF(state_.penPos), PT_MOVETO);
        for (int i = 0; i < count; ++i)
            AppendPathPoint(MapF(points[i]), PT_BEZIERTO);
    } else {
        QPainterPath path(MapF(state_.penPos));
        for (int i = 0; i + 2 < count; i += 3)
            path.cubicTo(MapF(points[i]), MapF(points[i + 1]), MapF(points[i + 2]));
        DrawShape(path, false, true);
    }
    state_.penPos = points[count - 1];
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
    if (WorldTurns()) {
        DrawShape(TurnedRect(TRect(left, top, right, bottom)), true, true);
        return;
    }
    const QRect d = OrderedRect(LPtoDP(TRect(left, top, right, bottom)));
    if (d.isEmpty())
        return;
    const double width = DevicePenWidth();
    const bool pen = pen_.Style != psClear && pen_.Mode != pmNop;
    if (pathOpen_) {
        QPainterPath path;
        path.addRect(QRectF(d.left(), d.top(), d.width() - 1, d.height() - 1));
        AddToPath(path, true);
        return;
    }
    Flush();
    QPainter* p = Begin();
    if (!p)
        return;
    Changing();
    if (!pen) {
        // Without a pen the filled area ends one pixel short on the right and bottom.
        if (PrepareBrush(*p)) {
            p->setPen(Qt::NoPen);
            p->drawRect(QRect(d.left(), d.top(), d.width() - 1, d.height() - 1));
        }
    } else if (width <= 1.0) {
        if (d.width() > 2 && d.height() > 2 && PrepareBrush(*p)) {
            p->setPen(Qt::NoPen);
            p->drawRect(d.adjusted(1, 1, -1, -1));
        }
        if (PreparePen(*p)) {
            p->setBrush(Qt::NoBrush);
            if (pen_.Style == psSolid || pen_.Style == psInsideFrame) {
                // Four edges that never overlap, so XOR outlines stay exact.
                const QColor c = p->pen().color();
                p->setPen(Qt::NoPen);
                p->setBrush(c);
                p->drawRect(QRect(d.left(), d.top(), d.width(), 1));
                if (d.height() > 1)
                    p->drawRect(QRect(d.left(), d.bottom(), d.width(), 1));
                if (d.height() > 2) {
                    p->drawRect(QRect(d.left(), d.top() + 1, 1, d.height() - 2));
                    if (d.width() > 1)
                        p->drawRect(QRect(d.right(), d.top() + 1, 1, d.height() - 2));
                }
            } else {
                p->drawRect(QRectF(d.left(), d.top(), d.width() - 1, d.height() - 1));
            }
        }
    } else {
        QRectF frame(d.left() + 0.5, d.top() + 0.5, d.width() - 1, d.height() - 1);
        if (pen_.Style == psInsideFrame)
            frame = QRectF(d.left() + width / 2, d.top() + width / 2, d.width() - width, d.height() - width);
        if (PrepareBrush(*p)) {
            p->setPen(Qt::NoPen);
            p->drawRect(QRect(d.left(), d.top(), d.width() - 1, d.height() - 1));
        }
        if (PreparePen(*p)) {
            QPen qpen = p->pen();
            qpen.setJoinStyle(Qt::MiterJoin);
            p->setPen(qpen);
            p->setBrush(Qt::NoBrush);
            p->drawRect(frame);
        }
    }
    Changed();
}

void TCanvas::RoundRect(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight) {
    if (WorldTurns()) {
        QPainterPath path;
        path.addRoundedRect(QRectF(QPointF(left, top), QPointF(right, bottom)).normalized(),
                            std::abs(ellipseWidth) / 2.0, std::abs(ellipseHeight) / 2.0);
        DrawShape(FullTransform().map(path), true, true);
        return;
    }
    const QRect d = OrderedRect(LPtoDP(TRect(left, top, right, bottom)));
    const TPoint e0 = LPtoDP(TPoint(0, 0));
    const TPoint e1 = LPtoDP(TPoint(ellipseWidth, ellipseHeight));
    QPainterPath path;
    // Corner sizes come from stored metafiles too: subtract in double so extreme values cannot overflow.
    path.addRoundedRect(QRectF(d.left(), d.top(), d.width() - 1, d.height() - 1),
                        std::abs(double(e1.X) - e0.X) / 2.0, std::abs(double(e1.Y) - e0.Y) / 2.0);
    DrawShape(path, true, true);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
    if (WorldTurns()) {
        QPainterPath path;
        path.addEllipse(QRectF(QPointF(left, top), QPointF(right, bottom)).normalized());
        DrawShape(FullTransform().map(path), true, true);
        return;
    }
    const QRect d = OrderedRect(LPtoDP(TRect(left, top, right, bottom)));
    QPainterPath path;
    path.addEllipse(QRectF(d.left(), d.top(), d.width() - 1, d.height() - 1));
    DrawShape(path, true, true);
}

QPainterPath TCanvas::ArcPath(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4,
                              int kind) const {
    // Under a turning world the arc is built in logical space and turned with it.
    const bool turns = WorldTurns();
    const QRect d = OrderedRect(LPtoDP(TRect(x1, y1, x2, y2)));
    const QRectF box = turns ? QRectF(QPointF(x1, y1), QPointF(x2, y2)).normalized()
                             : QRectF(d.left(), d.top(), d.width() - 1, d.height() - 1);
    const QPointF c = box.center();
    const QPointF s = turns ? QPointF(x3, y3) : MapF(TPoint(x3, y3));
    const QPointF e = turns ? QPointF(x4, y4) : MapF(TPoint(x4, y4));
    const double a = std::max(box.width() / 2, 1e-9);
    const double b = std::max(box.height() / 2, 1e-9);
    // The radials are true angles; Qt's arcs take the ellipse's own parameter, so convert.
    auto parameter = [&](const QPointF& p) {
        const double dx = p.x() - c.x();
        const double dy = c.y() - p.y();
        return std::atan2(dy / b, dx / a) * 180.0 / std::numbers::pi;
    };
    const double start = parameter(s);
    double sweep = parameter(e) - start;
    if (sweep <= 0)
        sweep += 360;
    QPainterPath path;
    if (kind == 2) {
        path.moveTo(c);
        path.arcTo(box, start, sweep);
        path.closeSubpath();
    } else {
        path.arcMoveTo(box, start);
        path.arcTo(box, start, sweep);
        if (kind == 1)
            path.closeSubpath();
    }
    return turns ? FullTransform().map(path) : path;
}

void TCanvas::Arc(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DrawShape(ArcPath(x1, y1, x2, y2, x3, y3, x4, y4, 0), false, true);
}

void TCanvas::Chord(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DrawShape(ArcPath(x1, y1, x2, y2, x3, y3, x4, y4, 1), true, true);
}

void TCanvas::Pie(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4) {
    DrawShape(ArcPath(x1, y1, x2, y2, x3, y3, x4, y4, 2), true, true);
}

void TCanvas::FillRect(const TRect& r) {
    const QRect d = OrderedRect(LPtoDP(r));
    const Qt::BrushStyle style = HatchStyle(brush_.Style);
    if (d.isEmpty() || style == Qt::NoBrush)
        return;
    Flush();
    QPainter* p = Begin();
    if (!p)
        return;
    Changing();
    if (WorldTurns())
        p->fillPath(TurnedRect(r), QtBrush(brush_));
    else
        p->fillRect(d, QtBrush(brush_));
    Changed();
}

void TCanvas::FillSolid(const TRect& r, TColor color) {
    const QRect d = OrderedRect(LPtoDP(r));
    if (d.isEmpty())
        return;
    Flush();
    QPainter* p = Begin();
    if (!p)
        return;
    Changing();
    if (WorldTurns())
        p->fillPath(TurnedRect(r), ToQColor(color));
    else
        p->fillRect(d, ToQColor(color));
    Changed();
}

void TCanvas::FrameRect(const TRect& r) {
    const TRect n = NormalizeRect(r);
    const QRegion outer(OrderedRect(LPtoDP(n)));
    const QRegion inner(OrderedRect(LPtoDP(TRect(n.Left + 1, n.Top + 1, n.Right - 1, n.Bottom - 1))));
    FillRegion(outer.subtracted(inner));
}

void TCanvas::FillRegion(const QRegion& region) {
    const Qt::BrushStyle style = HatchStyle(brush_.Style);
    if (region.isEmpty() || style == Qt::NoBrush)
        return;
    Flush();
    QPainter* p = Begin();
    if (!p)
        return;
    Changing();
    const QBrush brush = QtBrush(brush_);
    for (const QRect& rect : region)
        p->fillRect(rect, brush);
    Changed();
}

void TCanvas::InvertRect(const TRect& r) {
    PatBlt(r, cmDstInvert);
}

void TCanvas::PatBlt(const TRect& r, TCopyMode rop) {
    const QRect d = OrderedRect(LPtoDP(r));
    if (d.isEmpty())
        return;
    Flush();
    QPainter* p = Begin();
    if (!p)
        return;
    const QColor brush = ToQColor(brush_.Color);
    Changing();
    switch (rop) {
    case cmBlackness:
        p->fillRect(d, Qt::black);
        break;
    case cmWhiteness:
        p->fillRect(d, Qt::white);
        break;
    case cmPatCopy:
        p->fillRect(d, brush);
        break;
    case cmPatInvert:
        if (SupportsRasterOps()) {
            p->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            p->fillRect(d, brush);
        }
        break;
    case cmDstInvert:
        if (SupportsRasterOps()) {
            p->setCompositionMode(QPainter::RasterOp_NotDestination);
            p->fillRect(d, Qt::black);
        }
        break;
    default:
        break;
    }
    Changed();
}

TColor TCanvas::GetPixel(int x, int y) {
    Flush();
    QImage* image = TargetImage();
    const TPoint d = LPtoDP(TPoint(x, y));
    if (!image || !image->valid(d.X, d.Y))
        return clNone;
    return RGBQuadToColor(image->pixel(d.X, d.Y) & 0xFFFFFF);
}

void TCanvas::SetPixel(int x, int y, TColor color) {
    const TPoint d = LPtoDP(TPoint(x, y));
    Flush();
    QPainter* p = Begin();
    if (!p)
        return;
    Changing();
    p->fillRect(QRect(d.X, d.Y, 1, 1), ToQColor(color));
    Changed();
}

// --- text ---

QFont TCanvas::DeviceFont() const {
    FontMapper& mapper = FontMapper::Instance();
    QString family = mapper.FamilyFor(font_.Name);
    if (family.isEmpty())
        family = mapper.DefaultFamily();
    QFont font(family);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setBold((font_.Style & fsBold) != 0);
    font.setItalic((font_.Style & fsItalic) != 0);
    font.setUnderline((font_.Style & fsUnderline) != 0);
    font.setStrikeOut((font_.Style & fsStrikeOut) != 0);
    if (font_.Pitch == fpFixed)
        font.setFixedPitch(true);
    double pixels = std::abs(font_.Height) * std::abs(ScaleY()) * WorldScale();
    if (font_.Height > 0) {
        // A positive height is the cell (ascent plus descent); find the em size giving it.
        QFont probe = font;
        probe.setPixelSize(1000);
        const QFontMetricsF metrics(probe);
        const double cell = metrics.ascent() + metrics.descent();
        if (cell > 0)
            pixels = pixels * 1000.0 / cell;
    }
    font.setPixelSize(std::max(1, RoundAwayClamped(pixels)));
    return font;
}

double TCanvas::LogicalEm(int upem, int cell) const {
    if (font_.Height < 0)
        return -double(font_.Height);
    // A positive height is the cell (ascent plus descent).
    return cell > 0 ? double(font_.Height) * upem / cell : double(font_.Height);
}

namespace {

FontFace* CanvasFace(const TFont& font) {
    return FontMapper::Instance().Face(font.Name, (font.Style & fsBold) != 0, (font.Style & fsItalic) != 0);
}

FontGlyph CanvasGlyph(const TFont& font, char32_t c) {
    return FontMapper::Instance().Resolve(font.Name, (font.Style & fsBold) != 0, (font.Style & fsItalic) != 0,
                                          c);
}

} // namespace

bool TCanvas::GetCharABCWidths(char32_t c, int& a, int& b, int& cc) {
    a = b = cc = 0;
    FontFace* primary = CanvasFace(font_);
    if (!primary->IsValid())
        return false;
    const FontGlyph g = CanvasGlyph(font_, c);
    const double em = LogicalEm(primary->UnitsPerEm(), primary->Ascent() + primary->Descent());
    const double scale = em / g.Face->UnitsPerEm();
    a = RoundAwayClamped(g.InkLeft * scale);
    b = RoundAwayClamped(g.InkWidth * scale);
    cc = RoundAwayClamped(g.Advance * scale) - a - b;
    return true;
}

bool TCanvas::GetOutlineTextMetrics(TOutlineTextMetrics& m) {
    m = TOutlineTextMetrics();
    FontFace* face = CanvasFace(font_);
    if (!face->IsValid())
        return false;
    const double em = LogicalEm(face->UnitsPerEm(), face->Ascent() + face->Descent());
    const double scale = em / face->UnitsPerEm();
    m.Ascent = RoundAwayClamped(face->Ascent() * scale);
    m.Descent = RoundAwayClamped(face->Descent() * scale);
    m.Height = m.Ascent + m.Descent;
    m.EmHeight = RoundAwayClamped(em);
    m.InternalLeading = std::max(0, m.Height - m.EmHeight);
    m.ExternalLeading = RoundAwayClamped(face->LineGap() * scale);
    m.UnderscorePosition = RoundAwayClamped(face->UnderlinePosition() * scale);
    m.UnderscoreSize = std::max(1, RoundAwayClamped(face->UnderlineSize() * scale));
    m.StrikeoutPosition = RoundAwayClamped(face->StrikeoutPosition() * scale);
    m.StrikeoutSize = std::max(1, RoundAwayClamped(face->StrikeoutSize() * scale));
    return true;
}

TSize TCanvas::TextExtent(const QString& text) {
    TOutlineTextMetrics m;
    GetOutlineTextMetrics(m);
    int64_t width = 0;
    for (const uint c : text.toUcs4()) {
        int a = 0, b = 0, cc = 0;
        GetCharABCWidths(c, a, b, cc);
        width += int64_t(a) + b + cc;
    }
    return TSize(ClampToInt32(width), m.Height);
}

namespace {
// Qt's raster engine draws larger glyphs as outlines itself; the bound only matters where its
// measure (size times the square root of the determinant) and the glyph's true size part.
constexpr double kMaxCachedGlyphPixels = 256;
} // namespace

void TCanvas::DrawGlyph(QPainter* p, const QTransform& frame, const FontGlyph& g, double pixelSize) {
    const QRawFont& raw = g.Face->RawFont(pixelSize);
    if (!p) {
        AddToPath(frame.map(raw.pathForGlyph(g.Glyph)), true);
        return;
    }
    if (kind_ == dkImage) {
        // A glyph wholly outside the clip changes no pixel. Its box is the font's measure of its
        // outline; the margin holds hinting, smoothing and any emboldening.
        const double margin = 2.0 + pixelSize / 8;
        const QRectF box =
            frame.mapRect(raw.boundingRect(g.Glyph)).adjusted(-margin, -margin, margin, margin);
        const QRect visible = VisibleBounds(*this);
        if (visible.isEmpty() || !box.intersects(QRectF(visible)))
            return;
    }
    p->save();
    p->setTransform(frame, true);
    // A raster painter caches a glyph as a bitmap while its size times the mean scale is small;
    // under a one-sided stretch that bitmap would be the stretched glyph, millions of pixels
    // tall. Such a glyph (sized by its larger axis) is filled as its outline instead, which the
    // painter's clip bounds.
    const QTransform& t = p->transform();
    const double larger = std::max(std::hypot(t.m11(), t.m12()), std::hypot(t.m21(), t.m22()));
    if (p->paintEngine() && p->paintEngine()->type() == QPaintEngine::Raster &&
        !(pixelSize * larger <= kMaxCachedGlyphPixels)) {
        p->setRenderHint(QPainter::Antialiasing, true);
        p->fillPath(raw.pathForGlyph(g.Glyph), ToQColor(font_.Color));
    } else {
        QGlyphRun run;
        run.setRawFont(raw);
        run.setGlyphIndexes({quint32(g.Glyph)});
        run.setPositions({QPointF(0, 0)});
        p->setPen(ToQColor(font_.Color));
        p->drawGlyphRun(QPointF(0, 0), run);
    }
    p->restore();
}

void TCanvas::DrawTextAt(const QPointF& devicePoint, const QString& text, const QRectF* opaqueClip,
                         const std::vector<int>* advances) {
    FontFace* primary = CanvasFace(font_);
    if (!primary->IsValid())
        return;
    const double em = LogicalEm(primary->UnitsPerEm(), primary->Ascent() + primary->Descent());
    const double deviceScale = std::abs(ScaleY()) * WorldScale();
    const double deviceEm = em * deviceScale;
    const double primaryScale = deviceEm / primary->UnitsPerEm();
    const double ascent = primary->Ascent() * primaryScale;
    const double cell = (primary->Ascent() + primary->Descent()) * primaryScale;
    const QList<uint> chars = text.toUcs4();
    std::vector<FontGlyph> glyphs;
    std::vector<double> offsets;
    glyphs.reserve(size_t(chars.size()));
    double width = 0;
    for (const uint c : chars) {
        glyphs.push_back(CanvasGlyph(font_, c));
        offsets.push_back(width);
        // Advances are the logical ones, rounded as measured, so drawing matches measuring.
        const size_t index = glyphs.size() - 1;
        const double advance =
            advances && index < advances->size()
                ? double((*advances)[index])
                : double(RoundAwayClamped(glyphs.back().Advance * em / glyphs.back().Face->UnitsPerEm()));
        width += advance * std::abs(ScaleX()) * WorldScale();
    }
    double dx = 0;
    if ((state_.textAlign & TA_CENTER) == TA_CENTER)
        dx = -width / 2;
    else if (state_.textAlign & TA_RIGHT)
        dx = -width;
    double dy = 0;
    if ((state_.textAlign & TA_BASELINE) == TA_BASELINE)
        dy = -ascent;
    else if (state_.textAlign & TA_BOTTOM)
        dy = -cell;
    QTransform base;
    base.translate(devicePoint.x(), devicePoint.y());
    // Counter-clockwise on the page is clockwise in device coordinates. Within a turn first: the
    // escapement may come from a file, and any int must turn the run by its remainder.
    const double turn = -AngleWithinTurn(font_.Orientation) / 10.0;
    if (const std::optional<QTransform> slant = WorldSlant()) {
        // The run is laid out upright at the world's size, then sheared and stretched as the
        // world shears and stretches its lines, the glyphs with it.
        base = QTransform().rotate(turn) * *slant * base;
    } else {
        base.rotate(turn + WorldTurnDegrees());
    }
    QPainter* p = nullptr;
    if (!pathOpen_) {
        Flush();
        p = Begin();
        if (!p)
            return;
        Changing();
        p->save();
        if (opaqueClip)
            p->setClipRect(*opaqueClip, state_.clip ? Qt::IntersectClip : Qt::ReplaceClip);
        // The framework draws text over the brush unless the brush is clear.
        if (brush_.Style != bsClear && !opaqueClip) {
            p->setTransform(base, true);
            p->fillRect(QRectF(dx, dy, width, cell), ToQColor(brush_.Color));
            p->resetTransform();
        }
    }
    for (size_t i = 0; i < glyphs.size(); ++i) {
        const FontGlyph& g = glyphs[i];
        const double s = deviceEm / g.Face->UnitsPerEm();
        QTransform frame = base;
        frame.translate(dx + offsets[i], dy);
        if (g.Vertical) {
            // Upright in a cell that the turned line runs through: a quarter turn back, centred
            // across the cell, from the vertical origin at the top of the cell.
            frame.translate(0, cell / 2);
            frame.rotate(-90);
            frame.translate(g.OriginX * s, -g.OriginY * s);
        } else {
            frame.translate(0, ascent);
        }
        DrawGlyph(p, frame, g, deviceEm);
    }
    if (p) {
        p->restore();
        Changed();
    }
}

void TCanvas::CharOut(int x, int y, char32_t c) {
    const char32_t text[1] = {c};
    const unsigned align = state_.textAlign;
    state_.textAlign = TA_TOP | TA_LEFT;
    DrawTextAt(MapF(TPoint(x, y)), QString::fromUcs4(text, 1), nullptr);
    state_.textAlign = align;
}

void TCanvas::TextOut(int x, int y, const QString& text) {
    TPoint origin(x, y);
    if (state_.textAlign & TA_UPDATECP)
        origin = state_.penPos;
    DrawTextAt(MapF(origin), text, nullptr);
    state_.penPos = TPoint(origin.X + TextWidth(text), origin.Y);
}

void TCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* rect, const QString& text,
                         const std::vector<int>* advances) {
    TPoint origin(x, y);
    if (state_.textAlign & TA_UPDATECP)
        origin = state_.penPos;
    std::optional<QRectF> clip;
    if (rect && (options & ETO_OPAQUE) && !pathOpen_) {
        const TBrush brush = brush_;
        brush_ = TBrush{state_.bkColor, bsSolid};
        FillRect(*rect);
        brush_ = brush;
    }
    if (rect && (options & ETO_CLIPPED))
        clip = WorldTurns() ? TurnedRect(*rect).boundingRect() : QRectF(OrderedRect(LPtoDP(*rect)));
    // The brush behind the text is the framework canvas's habit; here only the options paint it.
    const TBrush brush = brush_;
    brush_.Style = bsClear;
    DrawTextAt(MapF(origin), text, clip ? &*clip : nullptr, advances);
    brush_ = brush;
    if (state_.textAlign & TA_UPDATECP) {
        int64_t width = 0;
        if (advances) {
            for (const int a : *advances)
                width += a;
        } else {
            width = TextWidth(text);
        }
        state_.penPos = TPoint(ClampToInt32(int64_t(origin.X) + width), origin.Y);
    }
}

void TCanvas::TextRect(const TRect& r, int x, int y, const QString& text) {
    const QRect d = OrderedRect(LPtoDP(r));
    if (brush_.Style != bsClear)
        FillRect(r);
    const QRectF clip(d);
    DrawTextAt(MapF(TPoint(x, y)), text, &clip);
}

int TCanvas::DrawText(const QString& text, TRect& rect, unsigned format) {
    const QFont font = DeviceFont();
    const QRect d = OrderedRect(LPtoDP(rect));
    int flags = 0;
    if (format & DT_CENTER)
        flags |= Qt::AlignHCenter;
    else if (format & DT_RIGHT)
        flags |= Qt::AlignRight;
    else
        flags |= Qt::AlignLeft;
    if (format & DT_SINGLELINE) {
        flags |= Qt::TextSingleLine;
        if (format & DT_VCENTER)
            flags |= Qt::AlignVCenter;
        else if (format & DT_BOTTOM)
            flags |= Qt::AlignBottom;
        else
            flags |= Qt::AlignTop;
    } else {
        flags |= Qt::AlignTop;
    }
    if (format & DT_WORDBREAK)
        flags |= Qt::TextWordWrap;
    if (format & DT_EXPANDTABS)
        flags |= Qt::TextExpandTabs;
    if (!(format & DT_NOPREFIX))
        flags |= Qt::TextShowMnemonic;
    const QFontMetricsF metrics(font);
    const QRectF bounds = metrics.boundingRect(QRectF(d), flags, text);
    const double scaleY = std::abs(ScaleY());
    const int height = RoundAwayClamped(bounds.height() / scaleY);
    if (format & DT_CALCRECT) {
        const TRect n = NormalizeRect(rect);
        rect.Bottom = n.Top + height;
        if ((format & DT_SINGLELINE) || !(format & DT_WORDBREAK))
            rect.Right = n.Left + RoundAwayClamped(bounds.width() / std::abs(ScaleX()));
        return height;
    }
    QString shown = text;
    if (format & DT_END_ELLIPSIS)
        shown = metrics.elidedText(text, Qt::ElideRight, d.width());
    if (pathOpen_)
        return height;
    Flush();
    QPainter* p = Begin();
    if (!p)
        return height;
    Changing();
    if (!(format & DT_NOCLIP))
        p->setClipRect(d, state_.clip ? Qt::IntersectClip : Qt::ReplaceClip);
    if (state_.bkMode == OPAQUE && brush_.Style != bsClear)
        p->fillRect(metrics.boundingRect(QRectF(d), flags, shown), ToQColor(brush_.Color));
    p->setFont(font);
    p->setPen(ToQColor(font_.Color));
    p->drawText(QRectF(d), flags, shown);
    Changed();
    return height;
}

// --- images ---

void TCanvas::DrawImageDevice(QPainter& painter, const QRect& deviceDest, const QImage& source) {
    painter.drawImage(QRectF(deviceDest), source, QRectF(source.rect()));
}

bool TCanvas::CutSourceToPicture(const QSize& size, TRect& source, TRect& dest) {
    // In 64 bits: a rectangle may run from one end of the int range to the other.
    const auto cut = [](int& s0, int& s1, int& d0, int& d1, int64_t side) {
        const int64_t low = std::max<int64_t>(0, std::min(s0, s1));
        const int64_t high = std::min<int64_t>(side, std::max(s0, s1));
        if (low >= high)
            return false;
        if (low == std::min(s0, s1) && high == std::max(s0, s1))
            return true;
        const double scale = (double(d1) - d0) / (double(s1) - s0);
        const auto place = [&](int64_t s) {
            return int(std::clamp<double>(std::round(d0 + double(s - s0) * scale), INT_MIN, INT_MAX));
        };
        const int64_t n0 = s0 <= s1 ? low : high;
        const int64_t n1 = s0 <= s1 ? high : low;
        const int e0 = place(n0), e1 = place(n1);
        d0 = e0, d1 = e1;
        s0 = int(n0), s1 = int(n1);
        return d0 != d1;
    };
    return cut(source.Left, source.Right, dest.Left, dest.Right, size.width()) &&
           cut(source.Top, source.Bottom, dest.Top, dest.Bottom, size.height());
}

void TCanvas::StretchBlt(const TRect& destRect, const QImage& source, const TRect& sourceRect, TCopyMode rop,
                         TMonoColors mono) {
    if (pathOpen_)
        return;
    TRect dest = destRect;
    TRect dr = LPtoDP(dest);
    // Edges are compared rather than subtracted: a rect from one end of the int range to the other is valid.
    if (dr.Left == dr.Right || dr.Top == dr.Bottom || sourceRect.Left == sourceRect.Right ||
        sourceRect.Top == sourceRect.Bottom)
        return;
    if (rop == cmBlackness || rop == cmWhiteness || rop == cmPatCopy || rop == cmPatInvert ||
        rop == cmDstInvert) {
        PatBlt(dest, rop);
        return;
    }
    if (source.isNull())
        return;
    // Copying the whole reach would allocate what the caller claims (gigabytes from a lying record),
    // not what the picture holds; past its edges nothing is drawn.
    TRect cutSource = sourceRect;
    if (!CutSourceToPicture(source.size(), cutSource, dest))
        return;
    dr = LPtoDP(dest);
    if (dr.Left == dr.Right || dr.Top == dr.Bottom)
        return;
    // Negative extents on either side mirror the picture, as the graphics layer did.
    const QRect sr = OrderedRect(cutSource);
    QImage part = OpaqueSource(source.copy(sr), mono, state_.textColor, state_.bkColor);
    // Under a turning world the transform itself mirrors; only the rectangles' own order counts.
    const TRect& order = WorldTurns() ? dest : dr;
    const bool mirrorX = (order.Right < order.Left) != (cutSource.Right < cutSource.Left);
    const bool mirrorY = (order.Bottom < order.Top) != (cutSource.Bottom < cutSource.Top);
    if (mirrorX || mirrorY)
        part = part.mirrored(mirrorX, mirrorY);
    const QRect d = OrderedRect(dr);

    if (rop == cmMergeCopy || rop == cmPatPaint) {
        // Source combined with the brush first: S and P, or P or not S (then or'ed with D).
        const QRgb brush = 0xFF000000u | ColorToRGBQuad(ColorToRGB(brush_.Color));
        for (int y = 0; y < part.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(part.scanLine(y));
            for (int x = 0; x < part.width(); ++x)
                row[x] =
                    rop == cmMergeCopy ? (row[x] & brush) | 0xFF000000u : (brush | ~row[x]) | 0xFF000000u;
        }
        rop = rop == cmMergeCopy ? cmSrcCopy : cmSrcPaint;
    }
    // Modes without a composition of their own (brush-only ones) go down as plain copies.
    const std::optional<QPainter::CompositionMode> composition = CopyModeComposition(rop);
    if (!composition)
        rop = cmSrcCopy;
    const QPainter::CompositionMode mode = composition.value_or(QPainter::CompositionMode_SourceOver);
    if (!SupportsRasterOps() && CopyModeUsesDestination(rop) && !WorldTurns()) {
        ComposeBlt(d, part, rop);
        return;
    }
    Flush();
    QPainter* p = Begin();
    if (!p)
        return;
    Changing();
    if (SupportsRasterOps()) {
        p->setCompositionMode(mode);
    } else if (rop == cmNotSrcCopy) {
        part.invertPixels();
    }
    if (WorldTurns())
        DrawImageTurned(*p, NormalizeRect(dest), part);
    else
        DrawImageDevice(*p, d, part);
    Changed();
}

void TCanvas::DrawImage(const TRect& dest, const QImage& image) {
    const TRect dr = LPtoDP(dest);
    if (pathOpen_ || image.isNull() || dr.Left == dr.Right || dr.Top == dr.Bottom)
        return;
    const TRect& order = WorldTurns() ? dest : dr;
    const bool mirrorX = order.Right < order.Left;
    const bool mirrorY = order.Bottom < order.Top;
    const QImage shown = (mirrorX || mirrorY) ? image.mirrored(mirrorX, mirrorY) : image;
    Flush();
    QPainter* p = Begin();
    if (!p)
        return;
    Changing();
    if (WorldTurns())
        DrawImageTurned(*p, NormalizeRect(dest), shown);
    else
        DrawImageDevice(*p, OrderedRect(dr), shown);
    Changed();
}

void TCanvas::StretchPixels(const TRect& dest, const PixelBuffer& source, const TRect& sourceRect,
                            TCopyMode rop, TMonoColors mono) {
    if (source.IsNull())
        return;
    const QImage view = source.BitCount() == 4 ? source.ToImage() : source.ConstView();
    StretchBlt(dest, view, sourceRect, rop, mono);
}

void TCanvas::ComposeBlt(const QRect& deviceDest, const QImage& source, TCopyMode rop) {
    if (composite_ && composite_->dest != deviceDest)
        Flush();
    Changing();
    if (!composite_) {
        composite_ = std::make_unique<Composite>();
        composite_->dest = deviceDest;
        composite_->overWhite = QImage(source.size(), QImage::Format_RGB32);
        composite_->overWhite.fill(Qt::white);
        composite_->overBlack = QImage(source.size(), QImage::Format_RGB32);
        composite_->overBlack.fill(Qt::black);
    }
    const QSize size = composite_->overWhite.size();
    const QImage scaled = source.size() == size ? source : source.scaled(size);
    // The caller passes only modes with a composition; any other would go down as a plain copy.
    const QPainter::CompositionMode mode =
        CopyModeComposition(rop).value_or(QPainter::CompositionMode_SourceOver);
    for (QImage* layer : {&composite_->overWhite, &composite_->overBlack}) {
        QPainter p(layer);
        p.setCompositionMode(mode);
        p.drawImage(0, 0, scaled);
    }
    Changed();
}

void TCanvas::Flush() {
    WaitForPaintElsewhere();
    if (!composite_)
        return;
    const std::unique_ptr<Composite> composite = std::move(composite_);
    QImage result(composite->overWhite.size(), QImage::Format_ARGB32);
    for (int y = 0; y < result.height(); ++y) {
        const auto* white = reinterpret_cast<const QRgb*>(composite->overWhite.constScanLine(y));
        const auto* black = reinterpret_cast<const QRgb*>(composite->overBlack.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const bool keepsDestination = (white[x] & 0xFFFFFF) == 0xFFFFFF && (black[x] & 0xFFFFFF) == 0;
            out[x] = keepsDestination ? 0 : (white[x] | 0xFF000000u);
        }
    }
    QPainter* p = Begin();
    if (!p)
        return;
    DrawImageDevice(*p, composite->dest, result);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas& source, const TRect& sourceRect) {
    source.Flush();
    QImage* image = source.TargetImage();
    if (!image)
        return;
    const TRect sr = source.LPtoDP(sourceRect);
    // A copy, so that copying within one canvas reads the pixels as they were.
    const QImage copy = image->copy(OrderedRect(sr));
    // The copy is at most the image's size, so its extents fit an int whatever the source rect held.
    const int w = copy.width(), h = copy.height();
    TRect local(0, 0, w, h);
    if (sr.Right < sr.Left)
        local = TRect(w, local.Top, 0, local.Bottom);
    if (sr.Bottom < sr.Top)
        local = TRect(local.Left, h, local.Right, 0);
    StretchBlt(dest, copy, local, copyMode_);
}

void TCanvas::Draw(int x, int y, TGraphic& graphic) {
    if (graphic.Empty())
        return;
    graphic.Draw(*this, TRect(x, y, x + graphic.Width(), y + graphic.Height()));
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic& graphic) {
    if (graphic.Empty())
        return;
    graphic.Draw(*this, rect);
}

// --- coverage ---

TCoverageCanvas::TCoverageCanvas(const TCanvas& like, const QRect& area)
    : TCanvas(&mask_), mask_(area.size(), QImage::Format_Grayscale8), origin_(area.topLeft()) {
    mask_.fill(0);
    TakeMapping(like, TPoint(origin_.x(), origin_.y()));
    CopyTools(like);
    Pen().Color = clWhite;
    Brush() = TBrush{clWhite, bsSolid};
}

TCoverageCanvas::~TCoverageCanvas() {
    // The painter ends while the mask is still there.
    FreeHandle();
}

QRegion TCoverageCanvas::Coverage() {
    FreeHandle();
    return MaskRegion(mask_, origin_);
}
