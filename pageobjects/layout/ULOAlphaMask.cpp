#include "pageobjects/layout/ULOAlphaMask.h"

#include "core/UGeometryUtil.h"
#include "imaging/PixelKernel.h"
#include "imaging/UImageUtil.h"
#include "imaging/URotateBitmap.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/layout/UDisplayCopy.h"
#include "pageobjects/layout/ULOImage.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

// Off a site, an empty mask takes this size.
constexpr TSize kEmptyMaskSize{300, 200};

// b becomes an 8-bit grey bitmap holding the image's bytes.
void SetGreyBitmap(TBitmap& b, const QImage& grey) {
    b.SetPixelFormat(pf8bit);
    b.SetSize(grey.width(), grey.height());
    b.SetColorTable(GreyColorTable());
    for (int y = 0; y < grey.height(); ++y)
        std::memcpy(b.ScanLine(y), grey.constScanLine(y), size_t(grey.width()));
    b.Changed();
}

QImage GreyImage(TBitmap& b) {
    const TPixelView v = ReadPixelViewOf(b);
    QImage image(v.Width, v.Height, QImage::Format_Grayscale8);
    for (int y = 0; y < v.Height; ++y)
        std::memcpy(image.scanLine(y), v.Row(y), size_t(v.Width));
    return image;
}

} // namespace

TLOAlphaMask::TLOAlphaMask(TComponent* owner)
    : TLORectBase(owner), picture_(std::make_unique<TPictureEx>()),
      fillColor_(std::make_unique<TColorSpec>()) {
    Listener()->AddBroadcaster(fillColor_.get());
    Listener()->AddBroadcaster(picture_.get());
}

TLOAlphaMask::~TLOAlphaMask() = default;

void TLOAlphaMask::DeclareProperties(TPropertyBuilder<TLOAlphaMask>& p) {
    p.Integer("Angle", &TLOAlphaMask::Angle, &TLOAlphaMask::SetAngle).Default(0);
    p.Object("FillColor", &TLOAlphaMask::FillColor);
    p.Object("Picture", &TLOAlphaMask::Picture).TypeName(QStringLiteral("TPicture"));
    p.Integer("ShadeSize", &TLOAlphaMask::ShadeSize, &TLOAlphaMask::SetShadeSize).Default(0);
}

void TLOAlphaMask::SetAngle(int value) {
    if (value == Angle())
        return;
    rotator_.SetAngle(value);
    map_ = QImage();
    Changed();
    Invalidate();
    UpdateBounds();
}

void TLOAlphaMask::SetShadeSize(int value) {
    if (value == shadeSize_)
        return;
    shadeSize_ = value;
    map_ = QImage();
    Changed();
    Invalidate();
}

int TLOAlphaMask::EffectiveShadeSize() const {
    return std::clamp(shadeSize_, 0, kMaxShadeSize);
}

void TLOAlphaMask::SetLogRect(const TRect& r) {
    rotator_.Center = RectCenter(NormalizeRect(r));
    TLORectBase::SetLogRect(r);
    UpdateBounds();
}

void TLOAlphaMask::AdjustSizeToPicture() {
    TGraphic* graphic = picture_->Graphic();
    TRect r;
    if (graphic == nullptr || graphic->Empty()) {
        if (IsOnSite())
            return;
        r = TRect(0, 0, kEmptyMaskSize.cx, kEmptyMaskSize.cy);
    } else {
        const TSize natural = GetDefaultGraphicSize(*graphic);
        r = TRect(0, 0, natural.cx, natural.cy);
        if (IsOnSite() && !LogBounds().IsEmpty())
            r = FitRectInner(r, FitRectOuter(TRect(0, 0, 1, 1), LogBounds()));
    }
    SetLogRect(Bounds(LogLeft(), LogTop(), r.Width(), r.Height()));
}

void TLOAlphaMask::GetLogRect(TRect& r) {
    r = TurnedBounds(LogBounds(), rotator_);
}

bool TLOAlphaMask::HitTest(const TPoint& p) {
    return InTurnedRect(LogBounds(), rotator_, p);
}

void TLOAlphaMask::DrawOutline(TCanvas& canvas) {
    DrawTurnedOutline(canvas, LogBounds(), rotator_);
}

void TLOAlphaMask::SetEnclosingSize(int w, int h) {
    const TSize size = TurnedEnclosingSize(Angle(), TSize(LogWidth(), LogHeight()), TSize(w, h), LogRect());
    SetLogWidth(size.cx);
    SetLogHeight(size.cy);
}

void TLOAlphaMask::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr || LogBounds().IsEmpty())
        return;
    fillColor_->FillRect(*canvas, LogRect());
}

bool TLOAlphaMask::NeedsBlend() {
    if (BlendRatio() != 100 || BlendShade())
        return true;
    return picture_->Graphic() != nullptr && !picture_->Graphic()->Empty();
}

const QImage& TLOAlphaMask::Map(const TSize& device) {
    if (!map_.isNull() && mapSize_ == device)
        return map_;
    map_ = QImage();
    TGraphic* graphic = picture_->Graphic();
    if (graphic == nullptr || graphic->Empty())
        return map_;
    ++mapsBuilt_;
    // The map of the picture plus the margin on each side; where the object covers fewer device
    // pixels it is built at that size, the margin and blur scaled alike.
    const int s = EffectiveShadeSize();
    const int64_t fullW = int64_t(graphic->Width()) + 2 * s, fullH = int64_t(graphic->Height()) + 2 * s;
    const long double fx = std::min<long double>(1, (long double)device.cx / fullW);
    const long double fy = std::min<long double>(1, (long double)device.cy / fullH);
    const int mw = std::max(1, int(std::lround(fullW * fx))), mh = std::max(1, int(std::lround(fullH * fy)));
    const QRect inner(int(std::lround(s * fx)), int(std::lround(s * fy)),
                      std::max(1, int(std::lround(graphic->Width() * fx))),
                      std::max(1, int(std::lround(graphic->Height() * fy))));
    std::unique_ptr<TBitmap> copy = MakeDisplayCopy(*graphic, inner.width(), inner.height(), clNone);
    QImage a(mw, mh, QImage::Format_Grayscale8);
    a.fill(0);
    {
        QPainter painter(&a);
        painter.drawImage(inner, AlphaImage(*copy).convertToFormat(QImage::Format_RGB32));
    }
    TBitmap map;
    SetGreyBitmap(map, a);
    if (s != 0)
        GaussianBlurRect(&map, TRect(0, 0, mw, mh), s * fx, s * fy);
    if (Angle() != 0) {
        // Turned at no more detail than the picture has: the drawing stretches it over the object,
        // so a zoomed-in mask costs no more than the picture.
        const long double k = std::min<long double>(
            1, std::max((long double)fullW / device.cx, (long double)fullH / device.cy));
        const TPoint size(std::max(1, int(std::lround(device.cx * k))),
                          std::max(1, int(std::lround(device.cy * k))));
        TBitmap turned;
        RotateBitmap(&map, &turned, Angle(), clBlack, size);
        map_ = GreyImage(turned);
    } else {
        map_ = GreyImage(map);
    }
    mapSize_ = device;
    return map_;
}

void TLOAlphaMask::DrawAlphaMap(TBitmap& mask) {
    if (LogBounds().IsEmpty())
        return;
    TCanvas& canvas = mask.Canvas();
    const QImage& map = Map(DeviceSizeOf(canvas, LogBounds()));
    if (map.isNull())
        return;
    canvas.StretchBlt(LogRect(), map, TRect(0, 0, map.width(), map.height()), cmSrcCopy);
}

void TLOAlphaMask::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    auto* target = dynamic_cast<TLOAlphaMask*>(dest);
    if (target == nullptr)
        return;
    target->SetPicture(picture_.get());
    target->SetFillColor(*fillColor_);
    target->SetAngle(Angle());
    target->SetShadeSize(shadeSize_);
}

bool TLOAlphaMask::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOBlend>(this, iid, obj) || Offer<IDORotate>(this, iid, obj) ||
           Offer<IDOFill>(this, iid, obj) || TLORectBase::GetInterface(iid, obj);
}

void TLOAlphaMask::HandleNotify(TObject* sender, const TGUID& eventID) {
    if (eventID == GUID_Changed && (sender == static_cast<TObject*>(picture_.get()) ||
                                    sender == static_cast<TObject*>(fillColor_.get()))) {
        if (sender == static_cast<TObject*>(picture_.get()))
            map_ = QImage();
        Changed();
        Invalidate();
    }
    TLORectBase::HandleNotify(sender, eventID);
}
