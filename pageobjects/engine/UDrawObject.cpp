#include "pageobjects/engine/UDrawObject.h"

#include "imaging/PixelKernel.h"
#include "imaging/UCanvas.h"
#include "imaging/UGRBlender.h"
#include "pageobjects/engine/UDrawSite.h"
#include "platform/Application.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Gives a bitmap's canvas the mapping of another canvas, moved so that device point `origin` of
// that canvas lands on the bitmap's (0, 0).
void CopyMapping(const TCanvas& from, TCanvas& to, const TPoint& origin) {
    to.SetPixelsPerInch(from.PixelsPerInch());
    to.SetMapMode(from.MapMode());
    if (from.MapMode() == MM_ANISOTROPIC || from.MapMode() == MM_ISOTROPIC) {
        to.SetWindowExt(from.WindowExt().cx, from.WindowExt().cy);
        to.SetViewportExt(from.ViewportExt().cx, from.ViewportExt().cy);
    }
    to.SetWindowOrg(from.WindowOrg().X, from.WindowOrg().Y);
    to.SetViewportOrg(from.ViewportOrg().X - origin.X, from.ViewportOrg().Y - origin.Y);
}

void ResetMapping(TCanvas& canvas) {
    canvas.SetMapMode(MM_TEXT);
    canvas.SetWindowOrg(0, 0);
    canvas.SetViewportOrg(0, 0);
}

// The most bytes one band of a blended paint may take (image, map and destination together), so
// that a large object on a high-resolution printer is blended piece by piece.
constexpr int64_t kBlendBandBytes = int64_t(24) << 20;
// What one pixel of a band takes: the 24-bit image painted twice or over what lies beneath, the
// 24-bit destination and the 8-bit map, rounded up.
constexpr int64_t kBlendBytesPerPixel = 12;
// The clip box is grown by this many logical units before blending, so that antialiased edges
// just outside it are blended too.
constexpr int kBlendMargin = 5;
// A blend ratio that paints the object fully opaque.
constexpr int kOpaqueRatio = 100;
// The alpha map's palette index of a fully opaque pixel, and an area that covers any page.
constexpr TColor kOpaqueAlpha = RGB(255, 255, 255);
constexpr int kAlphaMapExtent = 32767;
// The error frame's caption: its font, size and place.
constexpr int kErrorFontSize = 12;
constexpr TPoint kErrorTextPos(1, 1);

// Mixes one colour into a 32-bit image's pixels within region, as a blend does where the
// object's alpha map is full: one row of the colour stands for every row of the source.
void BlendColorInPlace(QImage& image, const QRegion& region, TColor color, const uint8_t (&weights)[256]) {
    const int width = region.boundingRect().width();
    if (region.isEmpty() || width < 1)
        return;
    const TColor rgb = ColorToRGB(color);
    std::vector<uint8_t> colorRow(size_t(width) * 4);
    for (size_t x = 0; x < colorRow.size(); x += 4) {
        colorRow[x] = uint8_t(GetBValue(rgb));
        colorRow[x + 1] = uint8_t(GetGValue(rgb));
        colorRow[x + 2] = uint8_t(GetRValue(rgb));
    }
    const std::vector<uint8_t> fullRow(size_t(width), 255);
    uint8_t* bits = image.bits();
    for (const QRect& r : region) {
        TPixelView dest;
        dest.Bits = bits + ptrdiff_t(r.top()) * image.bytesPerLine() + ptrdiff_t(r.left()) * 4;
        dest.Stride = image.bytesPerLine();
        dest.Width = r.width();
        dest.Height = r.height();
        dest.BytesPerPixel = 4;
        TPixelView source = dest;
        source.Bits = colorRow.data();
        source.Stride = 0;
        TPixelView alpha = source;
        alpha.Bits = const_cast<uint8_t*>(fullRow.data());
        alpha.BytesPerPixel = 1;
        BlendAlphaPixels(dest, source, alpha, weights);
    }
}

} // namespace

std::unique_ptr<TDrawObject> CloneDrawObject(const TDrawObject* object) {
    if (object == nullptr)
        return nullptr;
    std::unique_ptr<TComponent> instance(object->NewInstance(nullptr));
    std::unique_ptr<TDrawObject> clone(dynamic_cast<TDrawObject*>(instance.get()));
    if (!clone)
        return nullptr;
    instance.release();
    clone->Assign(object);
    return clone;
}

TDrawObject::TDrawObject(TComponent* owner)
    : TGraphicControl(owner), notify_(std::make_unique<TChangeNotify>(this)),
      listener_(std::make_unique<TListener>()), appendix_(std::make_unique<TStringList>()) {
    notify_->OnChange = [this](TObject*) { DoChange(); };
    listener_->OnNotify = [this](TObject* sender, const TGUID& eventID) { HandleNotify(sender, eventID); };
    appendix_->OnChange = [this](TObject*) { DoChange(); };
}

TDrawObject::~TDrawObject() {
    alive_.reset();
    // The notifier goes first, while the object can still answer for its IBroadcaster.
    notify_->DestroyLinks();
    notify_.reset();
    listener_.reset();
    appendix_->OnChange = nullptr;
}

void TDrawObject::DeclareProperties(TPropertyBuilder<TDrawObject>& p) {
    p.Integer("Left", &TDrawObject::Left, &TDrawObject::SetLeft).Stored(false);
    p.Integer("Top", &TDrawObject::Top, &TDrawObject::SetTop).Stored(false);
    p.Integer("Width", &TDrawObject::Width, &TDrawObject::SetWidth).Stored(false);
    p.Integer("Height", &TDrawObject::Height, &TDrawObject::SetHeight).Stored(false);
    p.Boolean("Border", &TDrawObject::Border, &TDrawObject::SetBorder).Default(false);
    p.Boolean("Movable", &TDrawObject::Movable, &TDrawObject::SetMovable).Default(true);
    p.Boolean("Selectable", &TDrawObject::Selectable, &TDrawObject::SetSelectable).Default(true);
    p.Integer("LayerGroup", &TDrawObject::LayerGroup, &TDrawObject::SetLayerGroup).Default(0);
    p.Strings("Appendix", &TDrawObject::Appendix);
}

// ---- interfaces

HRESULT TDrawObject::QueryInterface(const TGUID& iid, void** obj) {
    *obj = nullptr;
    return GetInterface(iid, obj) ? S_OK : E_NOINTERFACE;
}

int32_t TDrawObject::AddRef() {
    return ++refCount_;
}

int32_t TDrawObject::Release() {
    // The owner frees the object; references only count, so a stray release cannot free it.
    const int32_t count = --refCount_;
    if (count < 0) {
        refCount_ = 0;
        return 0;
    }
    return count;
}

bool TDrawObject::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IUnknownEx>(this, iid, obj) || Offer<IBroadcaster>(this, iid, obj) ||
           Offer<IDOLogRect>(this, iid, obj);
}

void TDrawObject::Broadcast(TObject* sender, const TGUID& eventID) {
    if (notify_)
        notify_->Broadcast(sender, eventID);
}

void TDrawObject::AddListener(IListener* listener) {
    if (notify_)
        notify_->AddListener(listener);
}

void TDrawObject::RemoveListener(IListener* listener) {
    if (notify_)
        notify_->RemoveListener(listener);
}

void TDrawObject::BeginUpdate() {
    notify_->BeginUpdate();
}

void TDrawObject::EndUpdate() {
    notify_->EndUpdate();
}

void TDrawObject::Changed() {
    notify_->Changed();
}

void TDrawObject::DoChange() {
    if (TDrawSite* site = Site())
        site->SetModified(true);
    if (OnModify)
        OnModify(this);
}

// ---- state

void TDrawObject::SetBorder(bool value) {
    if (value == border_)
        return;
    border_ = value;
    Invalidate();
}

void TDrawObject::SetSelected(bool value) {
    if (value && !selectable_)
        return;
    selected_ = value;
    Broadcast(this, GUID_SelectionChanged);
}

void TDrawObject::SetMovable(bool value) {
    if (value == movable_)
        return;
    movable_ = value;
    Broadcast(this, GUID_MovableChanged);
}

void TDrawObject::SetSelectable(bool value) {
    if (value == selectable_)
        return;
    selectable_ = value;
    if (!value && selected_)
        SetSelected(false);
}

void TDrawObject::SetAppendix(const TStringList& value) {
    if (appendix_->Text() == value.Text())
        return;
    appendix_->Assign(value);
}

TDrawSite* TDrawObject::Site() const {
    return dynamic_cast<TDrawSite*>(Parent());
}

void TDrawObject::UpdateBounds() {
    if (TDrawSite* site = Site())
        site->UpdateObjectBounds(this);
}

TCanvas* TDrawObject::GetDrawCanvas() const {
    return paintTarget_ != nullptr ? paintTarget_ : Canvas();
}

void TDrawObject::HandleNotify(TObject*, const TGUID&) {}

// ---- assignment

void TDrawObject::Assign(const TPersistent* source) {
    InUpdate(*this, [&] { TGraphicControl::Assign(source); });
}

void TDrawObject::AssignTo(TPersistent* dest) const {
    auto* target = dynamic_cast<TDrawObject*>(dest);
    if (target == nullptr) {
        TGraphicControl::AssignTo(dest);
        return;
    }
    target->SetBorder(border_);
    target->SetSelected(selected_);
    target->SetAppendix(*appendix_);
}

// ---- z-order

void TDrawObject::BringToFrontInLayer() {
    TWinControl* parent = Parent();
    if (parent == nullptr) {
        BringToFront();
        return;
    }
    const int i = parent->IndexOfControl(this);
    int j = i;
    for (int k = 0; k < parent->ControlCount(); ++k) {
        auto* other = dynamic_cast<TDrawObject*>(parent->Controls(k));
        if (other == nullptr)
            continue;
        j = k;
        if (other->LayerGroup() > layerGroup_) {
            if (j > i)
                --j;
            break;
        }
    }
    if (j != i) {
        parent->SetChildOrder(this, j);
        Changed();
    }
}

void TDrawObject::SendToBackInLayer() {
    TWinControl* parent = Parent();
    if (parent == nullptr) {
        SendToBack();
        return;
    }
    const int i = parent->IndexOfControl(this);
    int target = 0;
    for (int k = parent->ControlCount() - 1; k >= 0; --k) {
        auto* other = dynamic_cast<TDrawObject*>(parent->Controls(k));
        if (other == nullptr || other->LayerGroup() >= layerGroup_)
            continue;
        target = k + 1 > i ? k : k + 1;
        break;
    }
    if (target != i) {
        parent->SetChildOrder(this, target);
        Changed();
    }
}

// ---- input

bool TDrawObject::HitTestControl(int x, int y) {
    TDrawSite* site = Site();
    if (site == nullptr)
        return TGraphicControl::HitTestControl(x, y);
    return HitTest(site->DevToLog(TPoint(x + Left(), y + Top())));
}

void TDrawObject::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if ((shift & ssDouble) != 0)
        return;
    if (TDrawSite* site = Site())
        site->ObjectMouseDown(button, shift, this, ghMove, x + Left(), y + Top());
}

// ---- painting

void TDrawObject::PaintMessage() {
    TCanvas* canvas = Canvas();
    TDrawSite* site = Site();
    if (canvas == nullptr || site == nullptr)
        return;
    if (paintFailed_) {
        canvas->Pen() = TPen{clRed, 1, psSolid, pmCopy};
        canvas->Brush() = TBrush{clRed, bsDiagCross};
        canvas->Rectangle(0, 0, Width(), Height());
        canvas->Font().Name = QStringLiteral("System");
        canvas->Font().SetSize(kErrorFontSize);
        canvas->SetBkMode(TRANSPARENT);
        canvas->TextOut(kErrorTextPos.X, kErrorTextPos.Y, QStringLiteral("描画に失敗しました"));
        return;
    }
    try {
        paintFailed_ = true;
        if (border_) {
            canvas->Pen() = TPen{clBlue, 1, psSolid, pmCopy};
            canvas->Brush().Style = bsClear;
            canvas->Rectangle(0, 0, Width(), Height());
            canvas->Brush() = TBrush();
            canvas->Pen() = TPen();
        }
        canvas->OffsetWindowOrg(Left(), Top());
        site->ActiveScaler().PrepareCanvas(*canvas);
        PaintContent();
        paintFailed_ = false;
    } catch (const std::exception& e) {
        Invalidate();
        TApplication::HandleException(this, e);
    }
}

void TDrawObject::PaintTo(TCanvas& canvas) {
    const TRect r = LogRect();
    if (!canvas.RectVisible(r))
        return;
    TIntf<IUnknownEx> saver;
    SaveCanvasState(canvas, true, saver);
    canvas.Pen() = TPen();
    canvas.Brush() = TBrush();
    if (TCanvas* own = Canvas())
        canvas.Font() = own->Font();
    canvas.SetCopyMode(cmSrcCopy);
    paintTarget_ = &canvas;
    struct Clear {
        TCanvas*& target;
        ~Clear() { target = nullptr; }
    } clear{paintTarget_};
    canvas.IntersectClipRect(r);
    PaintContent();
}

bool TDrawObject::NeedsBlend() {
    TIntf<IDOBlend> blend = Supports<IDOBlend>(static_cast<TGraphicControl*>(this));
    if (!blend)
        return false;
    return blend->GetBlendRatio() != kOpaqueRatio || blend->GetBlendShade();
}

void TDrawObject::PaintContent() {
    if (NeedsBlend() && GetDrawCanvas() != nullptr) {
        int ratio = kOpaqueRatio;
        if (TIntf<IDOBlend> blend = Supports<IDOBlend>(static_cast<TGraphicControl*>(this)))
            ratio = blend->GetBlendRatio();
        if (BlendPaint(ratio))
            return;
    }
    Paint();
}

void TDrawObject::DrawAlphaMap(TBitmap& mask) {
    TCanvas& c = mask.Canvas();
    c.Brush().Color = kOpaqueAlpha;
    c.Brush().Style = bsSolid;
    c.FillRect(TRect(0, 0, kAlphaMapExtent, kAlphaMapExtent));
    c.Brush().Color = 0;
}

std::unique_ptr<TBitmap> TDrawObject::CreateImage() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr)
        return nullptr;
    TRect dev = NormalizeRect(canvas->LPtoDP(LogRect()));
    auto image = std::make_unique<TBitmap>(std::max(dev.Width(), 1), std::max(dev.Height(), 1), pf24bit);
    TCanvas& ic = image->Canvas();
    ic.FillSolid(TRect(0, 0, image->Width(), image->Height()), clWhite);
    CopyMapping(*canvas, ic, dev.TopLeft());
    ic.CopyTools(*canvas);
    TCanvas* saved = paintTarget_;
    paintTarget_ = &ic;
    try {
        Paint();
    } catch (...) {
        paintTarget_ = saved;
        throw;
    }
    paintTarget_ = saved;
    ResetMapping(ic);
    ic.FreeHandle();
    return image;
}

bool TDrawObject::BlendPaint(int ratio) {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr)
        return false;
    TRect clip;
    canvas->GetClipBox(clip);
    InflateRect(clip, kBlendMargin, kBlendMargin);
    TRect work;
    if (!IntersectRect(work, clip, LogRect()))
        return true;
    TRect dev = NormalizeRect(canvas->LPtoDP(work));
    const TSize deviceSize = canvas->DeviceSize();
    if (deviceSize.cx > 0 && deviceSize.cy > 0 &&
        !IntersectRect(dev, dev, TRect(0, 0, deviceSize.cx, deviceSize.cy)))
        return true;
    if (dev.IsEmpty())
        return true;

    uint8_t weights[256];
    BlendWeights(ratio, weights);

    // Where the object is one plain colour, that colour is mixed straight into the page's pixels
    // (no copy of them, no painting of the object); the edges around go the general way.
    QImage* target = canvas->TargetImage();
    TRect interior;
    TColor color = clNone;
    if (target != nullptr && target->format() == QImage::Format_RGB32 && target->isDetached() &&
        SolidInterior(*canvas, interior, color) && IntersectRect(interior, interior, dev)) {
        canvas->Flush();
        BlendColorInPlace(*target, canvas->VisibleRegion().intersected(interior.ToQRect()), color, weights);
        const TRect around[4] = {TRect(dev.Left, dev.Top, dev.Right, interior.Top),
                                 TRect(dev.Left, interior.Bottom, dev.Right, dev.Bottom),
                                 TRect(dev.Left, interior.Top, interior.Left, interior.Bottom),
                                 TRect(interior.Right, interior.Top, dev.Right, interior.Bottom)};
        for (const TRect& part : around)
            if (!part.IsEmpty() && !BlendArea(*canvas, part, ratio, weights))
                return false;
        return true;
    }
    return BlendArea(*canvas, dev, ratio, weights);
}

bool TDrawObject::SolidInterior(TCanvas&, TRect&, TColor&) {
    return false;
}

std::function<void()> TDrawObject::PaintPreparation(TCanvas&) {
    return {};
}

bool TDrawObject::PhotoInterior(TCanvas&, TRect&) {
    return false;
}

bool TDrawObject::BlendArea(TCanvas& canvas, const TRect& dev, int ratio, const uint8_t (&weights)[256]) {
    QImage* target = canvas.TargetImage();
    if (target != nullptr)
        canvas.Flush();
    const int64_t rowBytes = int64_t(dev.Width()) * kBlendBytesPerPixel;
    const int bandRows =
        int(std::clamp<int64_t>(kBlendBandBytes / std::max<int64_t>(rowBytes, 1), 1, dev.Height()));

    TCanvas* saved = paintTarget_;
    struct Restore {
        TCanvas*& target;
        TCanvas* value;
        ~Restore() { target = value; }
    } restore{paintTarget_, saved};

    for (int top = dev.Top; top < dev.Bottom; top += bandRows) {
        const TRect band(dev.Left, top, dev.Right, std::min(dev.Bottom, top + bandRows));
        const int w = band.Width();
        const int h = band.Height();

        // The object's weights: 0 outside its shape.
        TBitmap map(w, h, pf8bit);
        {
            TCanvas& mc = map.Canvas();
            CopyMapping(canvas, mc, band.TopLeft());
            paintTarget_ = &mc;
            DrawAlphaMap(map);
            ResetMapping(mc);
            mc.FreeHandle();
        }

        // The object painted over the band, starting from what lies beneath where that is known.
        auto render = [&](TColor background, const PixelBuffer* beneath) {
            auto image = std::make_unique<TBitmap>(w, h, pf24bit);
            if (beneath != nullptr)
                image->SetPixels(*beneath);
            TCanvas& ic = image->Canvas();
            if (beneath == nullptr)
                ic.FillSolid(TRect(0, 0, w, h), background);
            CopyMapping(canvas, ic, band.TopLeft());
            ic.CopyTools(canvas);
            paintTarget_ = &ic;
            Paint();
            ResetMapping(ic);
            ic.FreeHandle();
            return image;
        };

        if (target != nullptr) {
            // Exact blending into the page pixels; drawn back through the canvas clip, so pixels
            // outside it stay as they are.
            const PixelBuffer beneath = PixelBuffer::FromImage(target->copy(band.ToQRect()), 24);
            const std::unique_ptr<TBitmap> source = render(clWhite, &beneath);
            TBitmap dest;
            dest.SetPixels(beneath);
            TGRBlendAlphaMapRatio blender;
            blender.Dest = &dest;
            blender.DestRect = TRect(0, 0, w, h);
            blender.Source = source.get();
            blender.SourceRect = TRect(0, 0, w, h);
            blender.AlphaMap = &map;
            blender.AlphaRect = TRect(0, 0, w, h);
            blender.Ratio = ratio;
            // The three bitmaps are made alike just above; a refusal is a fault, shown as a failed paint.
            if (!blender.Blend())
                throw EInvalidOperation(QStringLiteral("Blending refused the object's band"));
            paintTarget_ = saved;
            QPainter* painter = canvas.Painter();
            if (painter == nullptr)
                return false;
            painter->setCompositionMode(QPainter::CompositionMode_Source);
            painter->drawImage(band.Left, band.Top, dest.Pixels().ConstView());
            painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
        } else {
            // A device without readable pixels (printers, recordings): the object goes down as an
            // image with per-pixel opacity, which the device blends over what it already holds.
            // Pixels the object leaves unpainted (alike over white and black) stay transparent.
            const std::unique_ptr<TBitmap> overWhite = render(clWhite, nullptr);
            const std::unique_ptr<TBitmap> overBlack = render(clBlack, nullptr);
            const PixelBuffer& ws = overWhite->Pixels();
            const PixelBuffer& bs = overBlack->Pixels();
            const PixelBuffer& ms = map.Pixels();
            QImage argb(w, h, QImage::Format_ARGB32);
            for (int y = 0; y < h; ++y) {
                const uint8_t* wrow = ws.ConstScanLine(y);
                const uint8_t* brow = bs.ConstScanLine(y);
                const uint8_t* a = ms.ConstScanLine(y);
                auto* out = reinterpret_cast<QRgb*>(argb.scanLine(y));
                for (int x = 0; x < w; ++x) {
                    const uint8_t* px = wrow + 3 * x;
                    const bool painted = std::memcmp(px, brow + 3 * x, 3) == 0;
                    out[x] = qRgba(px[2], px[1], px[0], painted ? weights[a[x]] : 0);
                }
            }
            paintTarget_ = saved;
            QPainter* painter = canvas.Painter();
            if (painter == nullptr)
                return false;
            painter->drawImage(band.Left, band.Top, argb);
        }
    }
    return true;
}
