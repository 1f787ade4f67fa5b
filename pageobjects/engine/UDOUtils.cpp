#include "pageobjects/engine/UDOUtils.h"

#include "core/UGeometryUtil.h"
#include "imaging/UImageUtil.h"
#include "pageobjects/engine/UDrawSite.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Graphic.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstdint>

namespace {

constexpr int kKeepInside = 10;

// In 64 bits: a stored object may lie anywhere in the int range, and its way back to the page with it.
int KeepInside(int c, int low, int high) {
    int64_t offset = 0;
    if (int64_t(c) < int64_t(low) + kKeepInside)
        offset = int64_t(low) + kKeepInside - c;
    else if (int64_t(c) > int64_t(high) - kKeepInside)
        offset = int64_t(high) - kKeepInside - c;
    return int(std::clamp<int64_t>(offset, INT_MIN, INT_MAX));
}

} // namespace

TPoint GetKeepInsideOffset(const TRect& r, const TRect& limit) {
    const TPoint c = RectCenter(r);
    return TPoint(KeepInside(c.X, limit.Left, limit.Right), KeepInside(c.Y, limit.Top, limit.Bottom));
}

void KeepObjectsInRect(const TDOList& list, const TRect& r) {
    for (TDrawObject* object : list) {
        TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(object));
        if (!bounds)
            continue;
        TRect rect;
        bounds->GetLogRect(rect);
        const TPoint d = GetKeepInsideOffset(rect, r);
        if (d.X != 0 || d.Y != 0)
            bounds->MoveBy(d.X, d.Y);
    }
}

void RescaleObjects(const TDOList& list, const TRect& oldRect, const TRect& newRect) {
    if (oldRect == newRect)
        return;
    const auto mapX = [&](int x) {
        return MulDiv(x - oldRect.Left, newRect.Width(), oldRect.Width()) + oldRect.Left;
    };
    const auto mapY = [&](int y) {
        return MulDiv(y - oldRect.Top, newRect.Height(), oldRect.Height()) + oldRect.Top;
    };
    for (TDrawObject* object : list) {
        TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(object));
        if (!bounds)
            continue;
        TRect r;
        bounds->GetLogRect(r);
        TRect m(mapX(r.Left), mapY(r.Top), mapX(r.Right), mapY(r.Bottom));
        OffsetRect(m, newRect.Left - oldRect.Left, newRect.Top - oldRect.Top);
        bounds->MoveBy(m.Left - r.Left, m.Top - r.Top);
        bounds->SetEnclosingSize(m.Width(), m.Height());
    }
}

TSize GetDefaultGraphicSize(const TGraphic& graphic) {
    return TSize(std::max(MulDiv(graphic.Width(), 254, 180), 30),
                 std::max(MulDiv(graphic.Height(), 254, 180), 30));
}

namespace {

// 5 mm: clearly apart on screen at any zoom a user works at.
constexpr int kCascadeStep = 50;
constexpr int kCascadeLimit = 20;

} // namespace

void FitNewObject(TDrawObject* object, TDrawSite* site) {
    TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(object));
    if (!bounds || site == nullptr)
        return;
    TRect r;
    bounds->GetLogRect(r);
    const TRect page(0, 0, site->LogWidth(), site->LogHeight());
    TIntf<IDORectProps> props = Supports<IDORectProps>(static_cast<TObject*>(object));
    if (props && props->KeepAspectRatio()) {
        if (r.Width() > site->LogWidth() || r.Height() > site->LogHeight()) {
            r = FitRectInner(r, page);
            bounds->SetEnclosingSize(r.Width(), r.Height());
        }
    } else {
        r.Right = r.Left + std::min(r.Width(), site->LogWidth());
        r.Bottom = r.Top + std::min(r.Height(), site->LogHeight());
        r = CenterRectAt(r, TPoint(site->LogWidth() / 2, site->LogHeight() / 2));
        bounds->SetEnclosingSize(r.Width(), r.Height());
    }
    // The middle of what the user sees of the site.
    int clientWidth = site->width();
    int clientHeight = site->height();
    int left = 0;
    int top = 0;
    if (QWidget* parent = site->parentWidget()) {
        clientWidth = parent->width();
        clientHeight = parent->height();
        left = site->x();
        top = site->y();
    }
    const TPoint centre = site->DevToLog(TPoint(clientWidth / 2 - left, clientHeight / 2 - top));
    TRect current;
    bounds->GetLogRect(current);
    TRect placed = CenterRectAt(current, centre);
    // Objects made one after another would all land on the same middle, each hiding the last: a new
    // one steps down and right past every object already where it would go (a cascade), as far as
    // the page allows.
    TDOList others;
    site->ListObjects(others, false);
    const auto occupied = [&](const TRect& r) {
        for (TDrawObject* other : others) {
            if (other == object || !other->Selectable())
                continue;
            TIntf<IDOEncloseBounds> otherBounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(other));
            if (!otherBounds)
                continue;
            TRect o;
            otherBounds->GetLogRect(o);
            if (std::abs(o.Left - r.Left) < kCascadeStep / 2 && std::abs(o.Top - r.Top) < kCascadeStep / 2)
                return true;
        }
        return false;
    };
    for (int step = 0; step < kCascadeLimit && occupied(placed); ++step) {
        if (placed.Right + kCascadeStep > site->LogWidth() || placed.Bottom + kCascadeStep > site->LogHeight())
            break;
        OffsetRect(placed, kCascadeStep, kCascadeStep);
    }
    bounds->MoveBy(placed.Left - current.Left, placed.Top - current.Top);
}

void ReverseList(TDOList& list) {
    for (int i = 0, j = list.Count() - 1; i < j; ++i, --j)
        list.Exchange(i, j);
}

void DrawObjectsToBitmap(const TFaceGeometry& face, TOwnedDOList list, TBitmap& bitmap, int scale) {
    const TRect outer = face.GetOuterRect();
    TDrawSite site(nullptr);
    site.SetBorder(false);
    site.Scaler().SetUnitDPI(254);
    site.Scaler().SetScale(scale);
    site.SetLogWidth(outer.Width());
    site.SetLogHeight(outer.Height());
    bitmap.SetPixelFormat(pf24bit);
    bitmap.SetSize(std::max(site.width(), 0), std::max(site.height(), 0));
    if (list.IsEmpty() || bitmap.Empty())
        return;
    for (std::unique_ptr<TDrawObject>& object : list.TakeAll())
        site.AdoptObject(std::move(object));
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetPixelsPerInch(site.Canvas().PixelsPerInch());
    site.DrawTo(canvas, TPoint(0, 0), site.Scaler().Scale());

    // Only the face's shape shows: the rest is filled with the canvas brush.
    canvas.SaveDC();
    site.Scaler().PrepareCanvas(canvas);
    QRegion clip;
    if (canvas.GetClipRgn(clip) == 0)
        clip = QRegion(0, 0, bitmap.Width(), bitmap.Height());
    clip -= face.CreateRegion(canvas, true, TPoint(-outer.Left, -outer.Top));
    canvas.RestoreDC(-1);
    if (!clip.isEmpty())
        canvas.FillRegion(clip);
    canvas.FreeHandle();
}

void MakeObjectsThumbnail(const TFaceGeometry& face, TOwnedDOList list, TBitmap& dest, int maxWidth,
                          int maxHeight, int quality) {
    const TRect outer = face.GetOuterRect();
    int scale = 100;
    if (quality != -1 && outer.Width() > 0) {
        const TRect fitted = FitSizeInner(outer, maxWidth, maxHeight);
        scale = std::min(
            100, MulDiv(fitted.Width(), quality * 254, outer.Width() * TScaler::ScreenPixelsPerInch()));
    }
    TBitmap rendered;
    DrawObjectsToBitmap(face, std::move(list), rendered, scale);
    const TRect size = FitSizeInner(TRect(0, 0, rendered.Width(), rendered.Height()), maxWidth, maxHeight);
    dest.SetPixelFormat(pf24bit);
    dest.SetSize(std::max(size.Width(), 0), std::max(size.Height(), 0));
    if (!rendered.Empty() && !dest.Empty())
        ResampleBitmap(&dest, &rendered, rkCubic);
}

int GetMinLineWidth(TDrawObject* object, int width) {
    TDrawSite* site = object != nullptr ? object->Site() : nullptr;
    if (site == nullptr)
        return width;
    return std::max(width, site->DevToLog(TPoint(2, 2)).X);
}

void PrepareHitTestCanvas(TDrawObject* object, TBitmap& bitmap, const TPoint& p, int lineWidth) {
    bitmap.SetSize(1, 1);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetWindowOrg(p.X, p.Y);
    TDrawSite* site = object != nullptr ? object->Site() : nullptr;
    const int onePixel = site != nullptr ? site->DevToLog(TPoint(1, 1)).X : 3;
    // A stored width may reach the end of the int range.
    const int width = int(std::clamp<int64_t>(int64_t(lineWidth) + onePixel, 0, INT_MAX));
    canvas.Pen() = TPen{clBlack, width, psInsideFrame, pmCopy};
}
