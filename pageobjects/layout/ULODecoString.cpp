#include "pageobjects/layout/ULODecoString.h"

#include "core/UGeometryUtil.h"
#include "imaging/UImagePack.h"
#include "imaging/URotateBitmap.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/layout/UAlignUtil.h"
#include "pageobjects/layout/ULOImage.h"
#include "platform/Canvas.h"
#include "platform/Cp932.h"
#include "platform/IntMath.h"

#include <vector>

TLODecoString::TLODecoString(TComponent* owner)
    : TLORectBase(owner), font_(std::make_unique<TImageFont>()), turned_(std::make_unique<TPictureEx>()) {
    Listener()->AddBroadcaster(font_.get());
    font_->SetFontNo(1);
}

TLODecoString::~TLODecoString() = default;

void TLODecoString::DeclareProperties(TPropertyBuilder<TLODecoString>& p) {
    p.String("Text", &TLODecoString::Text, &TLODecoString::SetText);
    p.Integer("FontNo", &TLODecoString::FontNo, &TLODecoString::SetFontNo);
    p.Integer("Align", &TLODecoString::Align, &TLODecoString::SetAlignValue).Default(0);
    p.Integer("Angle", &TLODecoString::Angle, &TLODecoString::SetAngle);
}

void TLODecoString::DropTurned() {
    turned_->SetGraphic(nullptr);
}

void TLODecoString::SetText(const QString& value) {
    if (value == text_)
        return;
    text_ = value;
    DropTurned();
    Changed();
    Invalidate();
}

void TLODecoString::SetAlignValue(int value) {
    if (value == align_)
        return;
    align_ = value;
    DropTurned();
    Changed();
    Invalidate();
}

void TLODecoString::SetAngle(int value) {
    if (value == Angle())
        return;
    rotator_.SetAngle(int((int64_t(value) % 360 + 360) % 360));
    DropTurned();
    Changed();
    Invalidate();
    UpdateBounds();
}

void TLODecoString::SetLogRect(const TRect& r) {
    rotator_.Center = RectCenter(NormalizeRect(r));
    TLORectBase::SetLogRect(r);
    font_->SetHeight(LogHeight());
    DropTurned();
    UpdateBounds();
}

void TLODecoString::Loaded() {
    TLORectBase::Loaded();
    // The pack is made and its first glyph read now, so the first paint does not wait for them.
    TImagePack& pack = ImageFontPack();
    if (pack.GetCount() > 0) {
        TRect first;
        pack.GetImageRect(0, first);
    }
}

void TLODecoString::DrawDecoString(TCanvas& canvas, const TRect& r) {
    const QByteArray bytes = Cp932::Encode(text_);
    std::vector<int32_t> sizes;
    sizes.reserve(size_t(bytes.size()));
    for (char ch : bytes) {
        TSize size;
        font_->GetCharSize(static_cast<unsigned char>(ch), size);
        sizes.push_back(size.cx);
    }
    std::vector<int32_t> positions;
    AlignSizes(sizes, r.Width(), 0, align_, positions);
    for (qsizetype i = 0; i < bytes.size(); ++i)
        font_->DrawChar(canvas, ClampToInt32(int64_t(r.Left) + positions[size_t(i)]),
                        static_cast<unsigned char>(bytes[i]), r.Top);
}

void TLODecoString::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr || LogBounds().IsEmpty())
        return;
    if (Angle() == 0) {
        DrawDecoString(*canvas, LogBounds());
        return;
    }
    if (turned_->Graphic() == nullptr) {
        const int w = LogWidth(), h = LogHeight();
        if (int64_t(w) * h > kMaxTurnPixels)
            return;
        TSafetyBitmap plain(w, h, pf24bit);
        plain.Canvas().FillSolid(TRect(0, 0, w, h), kPictureTransparentColor);
        DrawDecoString(plain.Canvas(), TRect(0, 0, w, h));
        plain.Canvas().FreeHandle();
        plain.SetTransparentColor(kPictureTransparentColor);
        plain.SetTransparent(true);
        TSafetyBitmap turned;
        RotateSafetyBitmap(&plain, &turned, Angle(), TPoint(w, h));
        turned_->SetGraphic(&turned);
        ++turnsBuilt_;
    }
    canvas->StretchDraw(LogRect(), *turned_->Graphic());
}

void TLODecoString::GetLogRect(TRect& r) {
    r = TurnedBounds(LogBounds(), rotator_);
}

bool TLODecoString::HitTest(const TPoint& p) {
    return InTurnedRect(LogBounds(), rotator_, p);
}

void TLODecoString::DrawOutline(TCanvas& canvas) {
    DrawTurnedOutline(canvas, LogBounds(), rotator_);
}

void TLODecoString::SetEnclosingSize(int w, int h) {
    const TSize size = TurnedEnclosingSize(Angle(), TSize(LogWidth(), LogHeight()), TSize(w, h), LogRect());
    SetLogWidth(size.cx);
    SetLogHeight(size.cy);
}

void TLODecoString::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    auto* target = dynamic_cast<TLODecoString*>(dest);
    if (target == nullptr)
        return;
    target->SetText(text_);
    target->font_->Assign(font_.get());
    target->SetAngle(Angle());
    target->SetAlignValue(align_);
}

bool TLODecoString::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDORotate>(this, iid, obj) || Offer<IDOAlign>(this, iid, obj) ||
           TLORectBase::GetInterface(iid, obj);
}

void TLODecoString::HandleNotify(TObject* sender, const TGUID& eventID) {
    if (eventID == GUID_Changed && sender == static_cast<TObject*>(font_.get())) {
        DropTurned();
        Changed();
        Invalidate();
    }
    TLORectBase::HandleNotify(sender, eventID);
}
