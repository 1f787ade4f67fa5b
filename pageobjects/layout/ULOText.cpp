#include "pageobjects/layout/ULOText.h"

#include "core/UGeometryUtil.h"
#include "imaging/UCanvas.h"
#include "pageobjects/engine/UArcGeometry.h"
#include "pageobjects/engine/UDOUtils.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace {

struct ShadowOffsetEntry {
    int x;
    int y;
};

// Offsets of the shadow codes 0 to 8 (percent of the line height); code 0 is no shadow.
constexpr ShadowOffsetEntry kShadowTable[] = {{0, 0}, {-7, -7}, {0, -7}, {7, -7}, {-7, 0},
                                              {7, 0}, {-7, 7},  {0, 7},  {7, 7}};
constexpr int kShadowCodes = int(std::size(kShadowTable));

// Old arc layouts (text on the upper and the lower half of a circle).
constexpr int kAlignArcUp = 4;
constexpr int kAlignArcDown = 5;

int Bounded(int v, int limit) {
    return std::clamp(v, -limit, limit);
}

TRect Inflated(const TRect& r, int d) {
    return TRect(ClampToInt32(int64_t(r.Left) - d), ClampToInt32(int64_t(r.Top) - d),
                 ClampToInt32(int64_t(r.Right) + d), ClampToInt32(int64_t(r.Bottom) + d));
}

TRect Moved(const TRect& r, int dx, int dy) {
    return TRect(ClampToInt32(int64_t(r.Left) + dx), ClampToInt32(int64_t(r.Top) + dy),
                 ClampToInt32(int64_t(r.Right) + dx), ClampToInt32(int64_t(r.Bottom) + dy));
}

TRect United(const TRect& a, const TRect& b) {
    return TRect(std::min(a.Left, b.Left), std::min(a.Top, b.Top), std::max(a.Right, b.Right),
                 std::max(a.Bottom, b.Bottom));
}

// The most device pixels the outlined text's kept pixels may cover (a mask byte each while they
// are made), and how far from the origin they may lie.
constexpr int64_t kMaxKeptPixels = int64_t(1) << 22;
constexpr int64_t kMaxPixelShift = int64_t(1) << 28;
// Device pixels around the outline strokes' logical reach (the wide pen's half-pixel shift and
// the rasteriser's rounding).
constexpr int kStrokeMargin = 4;

// The point turned by angle degrees about centre (as the rotator turns points).
TPoint Turned(const TPoint& p, const TPoint& centre, int angle) {
    TRotator r;
    r.SetAngle(angle);
    r.Center = centre;
    TPoint q = p;
    r.TransformPoint(q);
    return q;
}

} // namespace

TLOText::TLOText(TComponent* owner)
    : TLORectBase(owner), engine_(std::make_unique<TSimpleText>()),
      textColor_(std::make_unique<TColorSpec>()), outlineColor_(std::make_unique<TColorSpec>()),
      shadowColor_(std::make_unique<TColorSpec>()), distortion_(std::make_unique<TCoonsDistortion>()) {
    Listener()->AddBroadcaster(textColor_.get());
    Listener()->AddBroadcaster(outlineColor_.get());
    Listener()->AddBroadcaster(shadowColor_.get());
    engine_->Font()->SetSize(kDefaultFontPoints);
    engine_->OnChange = [this](TObject*) { TextChanged(); };
}

TLOText::~TLOText() {
    engine_->OnChange = nullptr;
}

void TLOText::DeclareProperties(TPropertyBuilder<TLOText>& p) {
    p.Integer("Version", &TLOText::Version, &TLOText::SetVersion);
    p.Strings("Text", &TLOText::Text);
    p.Object("Font", &TLOText::Font);
    p.Integer("Align", &TLOText::Align, &TLOText::SetAlignValue).Default(0);
    p.Boolean("Vertical", &TLOText::Vertical, &TLOText::SetVerticalValue).Default(false);
    p.Integer("CharSpacing", &TLOText::CharSpacing, &TLOText::SetCharSpacing).Default(0);
    p.Integer("LineSpacing", &TLOText::LineSpacing, &TLOText::SetLineSpacing).Default(0);
    p.Integer("Angle", &TLOText::Angle, &TLOText::SetAngle);
    p.Object("CoonsDistortion", &TLOText::CoonsDistortion);
    p.Integer("DistortionRatio", &TLOText::DistortionRatio, &TLOText::SetDistortionRatio);
    p.Object("TextColor", &TLOText::TextColor);
    p.Boolean("Outline", &TLOText::Outline, &TLOText::SetOutline);
    p.Object("OutlineColor", &TLOText::OutlineColor);
    p.Integer("OutLineWidth", &TLOText::OutLineWidth, &TLOText::SetOutLineWidth);
    p.Integer("Shadow", &TLOText::Shadow, &TLOText::SetShadow).Default(kCustomShadow);
    p.Integer("ShadowOffsetX", &TLOText::ShadowOffsetX, &TLOText::SetShadowOffsetX)
        .Stored([](const TLOText& t) { return t.Shadow() == kCustomShadow; });
    p.Integer("ShadowOffsetY", &TLOText::ShadowOffsetY, &TLOText::SetShadowOffsetY)
        .Stored([](const TLOText& t) { return t.Shadow() == kCustomShadow; });
    p.Object("ShadowColor", &TLOText::ShadowColor);
    p.Boolean("AutoSize", &TLOText::AutoSize, &TLOText::SetAutoSizeValue);
    p.Integer("Bulge", &TLOText::Bulge, &TLOText::SetBulge);
    p.Integer("FieldNo", &TLOText::FieldNo, &TLOText::SetFieldNo);
    p.Enumeration("FieldType", &TLOText::FieldType, &TLOText::SetFieldType,
                  {"ftProduct", "ftCreatorJapanese", "ftCreatorEnglish"}, QStringLiteral("TFieldType"));
    p.Boolean("HanToZen", &TLOText::HanToZen, &TLOText::SetHanToZen).Default(false);
    p.Boolean("NumToKnj", &TLOText::NumToKnj, &TLOText::SetNumToKnj).Default(false);
    p.Boolean("MinusExc", &TLOText::MinusExc, &TLOText::SetMinusExc).Default(false);
    p.Integer("FeedAngle", &TLOText::FeedAngle, &TLOText::SetFeedAngleValue).Default(0);
    p.Integer("DiagonalAlign", &TLOText::DiagonalAlign, &TLOText::SetDiagonalAlign).Stored(false);
}

// --- properties

void TLOText::Refresh() {
    ClearStrokes();
    Invalidate();
    Changed();
}

void TLOText::ClearStrokes() {
    glyphStroke_.Clear();
    glyphStrokeBuilt_ = false;
    drawStroke_.Clear();
    drawStrokeBuilt_ = false;
    outlinePixels_.reset();
}

void TLOText::TextChanged() {
    ClearStrokes();
    AdjustAutoSize();
    Changed();
    Invalidate();
    UpdateBounds();
}

void TLOText::HandleNotify(TObject* sender, const TGUID& eventID) {
    if (eventID == GUID_Changed &&
        (sender == textColor_.get() || sender == outlineColor_.get() || sender == shadowColor_.get())) {
        Invalidate();
        Changed();
    }
    TLORectBase::HandleNotify(sender, eventID);
}

void TLOText::SetVerticalValue(bool value) {
    if (value == Vertical())
        return;
    if (!assigning_ && !IsLoading()) {
        // The rect turns a quarter about the rotation centre: its sides exchange.
        const TRect r = LogBounds();
        const TPoint c = rotator_.Center;
        const int64_t l = int64_t(r.Left) - c.X, t = int64_t(r.Top) - c.Y;
        const int64_t rt = int64_t(r.Right) - c.X, b = int64_t(r.Bottom) - c.Y;
        SetLogRect(TRect(ClampToInt32(t + c.X), ClampToInt32(l + c.Y), ClampToInt32(b + c.X),
                         ClampToInt32(rt + c.Y)));
    }
    engine_->SetVertical(value);
}

void TLOText::SetAngle(int value) {
    // A true modulo: -400 is 320 (the remainder with the dividend's sign kept -40).
    const int normal = int(((int64_t(value) % 360) + 360) % 360);
    if (normal == Angle())
        return;
    rotator_.SetAngle(normal);
    engine_->SetAngle(normal);
    Refresh();
    UpdateBounds();
}

void TLOText::SetCoonsDistortion(const TCoonsDistortion& value) {
    distortion_->Assign(&value);
    Refresh();
    UpdateBounds();
}

void TLOText::SetDistortionRatio(int value) {
    if (value == distortionRatio_)
        return;
    distortionRatio_ = value;
    Refresh();
}

void TLOText::SetOutline(bool value) {
    if (value == outline_)
        return;
    outline_ = value;
    Refresh();
    UpdateBounds();
}

void TLOText::SetOutLineWidth(int value) {
    if (value == outlineWidth_)
        return;
    outlineWidth_ = value;
    Refresh();
    UpdateBounds();
}

int TLOText::Shadow() const {
    for (int i = 0; i < kShadowCodes; ++i)
        if (kShadowTable[i].x == shadowOffsetX_ && kShadowTable[i].y == shadowOffsetY_)
            return i;
    return kCustomShadow;
}

void TLOText::SetShadow(int value) {
    if (value < 0 || value >= kShadowCodes)
        return;
    SetShadowOffsetX(kShadowTable[value].x);
    SetShadowOffsetY(kShadowTable[value].y);
}

void TLOText::SetShadowOffsetX(int value) {
    if (value == shadowOffsetX_)
        return;
    shadowOffsetX_ = value;
    TextChanged();
}

void TLOText::SetShadowOffsetY(int value) {
    if (value == shadowOffsetY_)
        return;
    shadowOffsetY_ = value;
    TextChanged();
}

void TLOText::SetBulge(int value) {
    if (straighten_ && value > -50 && value < 50) {
        value = 0;
        if (editing_) {
            TPoint start, end;
            GetChordPoints(start, end);
            const TPoint middle =
                start == editOrigin_ ? TPoint((start.X + end.X) / 2, (start.Y + end.Y) / 2) : editBulgePoint_;
            SetLogRect(CenterRectAt(LogBounds(), middle));
        }
    }
    engine_->SetBulge(value);
}

void TLOText::SetDiagonalAlign(int value) {
    if (value == 1 || value == 4)
        SetFeedAngleValue(45);
    else if (value == 2 || value == 3)
        SetFeedAngleValue(-45);
}

TFont TLOText::GetFont() {
    return Font()->Value();
}

void TLOText::SetFont(const TFont& value) {
    TFont f = value;
    f.PixelsPerInch = Font()->Value().PixelsPerInch;
    f.SetSize(value.Size());
    Font()->SetValue(f);
}

bool TLOText::IsCoonsDistorted() const {
    return Bulge() == 0 && !distortion_->IsEmpty();
}

TPoint TLOText::ShadowOffset() {
    const int h = engine_->GetLineHeight();
    return TPoint(MulDiv(h, Bounded(shadowOffsetX_, kMaxShadowPercent), 100),
                  MulDiv(h, Bounded(shadowOffsetY_, kMaxShadowPercent), 100));
}

// --- geometry

void TLOText::SetLogRect(const TRect& r) {
    rotator_.Center = RectCenter(NormalizeRect(r));
    ClearStrokes();
    TLORectBase::SetLogRect(r);
    UpdateBounds();
}

void TLOText::GetChordPoints(TPoint& start, TPoint& end) {
    if (editing_) {
        start = editStart_;
        end = editEnd_;
        return;
    }
    const TRect r = LogBounds();
    const TPoint c = RectCenter(r);
    start = Vertical() ? TPoint(c.X, r.Top) : TPoint(r.Left, c.Y);
    end = Vertical() ? TPoint(c.X, r.Bottom) : TPoint(r.Right, c.Y);
    start = Turned(start, rotator_.Center, Angle());
    end = Turned(end, rotator_.Center, Angle());
}

bool TLOText::BulgeArc(TArcInfo& arc, int& thickness) {
    if (Bulge() == 0)
        return false;
    TPoint start, end;
    GetChordPoints(start, end);
    if (!GetBulgeArc(arc, start, end, std::clamp(Bulge(), -kMaxBulge, kMaxBulge)))
        return false;
    TRect tr;
    GetTextBounds(tr);
    // Stored sizes may make the text's box wider than an int says.
    thickness = ClampToInt32(Vertical() ? int64_t(tr.Right) - tr.Left : int64_t(tr.Bottom) - tr.Top);
    return true;
}

TRect TLOText::ExtentFigure() {
    const int ow = Bounded(outlineWidth_, kMaxOutlineWidth);
    TRect r = Inflated(LogBounds(), ow);
    const TPoint off = ShadowOffset();
    if (off.X != 0 || off.Y != 0) {
        // The shadow lies at the offset on the page: unturned by the text's angle here.
        const TPoint o = Turned(off, TPoint(0, 0), -Angle());
        r = United(r, Moved(LogBounds(), o.X, o.Y));
    }
    return r;
}

void TLOText::GetLogRect(TRect& r) {
    TArcInfo arc;
    int t = 0;
    if (BulgeArc(arc, t)) {
        const int h = engine_->GetLineHeight();
        arc.Radius = ClampToInt32(int64_t(arc.Radius) + h / 2 - t / 2);
        GetArcBounds(arc, r);
        const TPoint off = ShadowOffset();
        TRect shadowed = r;
        (off.X > 0 ? shadowed.Right : shadowed.Left) += off.X;
        (off.Y > 0 ? shadowed.Bottom : shadowed.Top) += off.Y;
        r = Inflated(United(shadowed, Inflated(r, Bounded(outlineWidth_, kMaxOutlineWidth))), t / 2);
        return;
    }
    TStroke figure;
    figure.MakeRect(ExtentFigure());
    rotator_.TransformStroke(figure);
    r = figure.GetBounds();
}

void TLOText::SetEnclosingSize(int w, int h) {
    const TRect extent = LogRect();
    if (Bulge() == 0 && Angle() == 0) {
        SetLogWidth(ClampToInt32(int64_t(w) - (int64_t(extent.Width()) - LogWidth())));
        SetLogHeight(ClampToInt32(int64_t(h) - (int64_t(extent.Height()) - LogHeight())));
        return;
    }
    // A side of the extent that is 0 keeps its side (the scale would be undefined).
    if (extent.Width() != 0)
        SetLogWidth(MulDiv(LogWidth(), w, extent.Width()));
    if (extent.Height() != 0)
        SetLogHeight(MulDiv(LogHeight(), h, extent.Height()));
}

void TLOText::GetTextBounds(TRect& r) {
    engine_->GetTextRect(LogBounds(), false, r);
}

void TLOText::BandFigure(TCanvas& canvas, const TArcInfo& arc, int radiusDelta, int thickness) {
    TArcInfo band = arc;
    band.Radius = ClampToInt32(int64_t(arc.Radius) + radiusDelta);
    TPoint a, m, b;
    GetArcPoints(a, m, b, band);
    canvas.Pen().Width = std::max(1, thickness);
    AddThreePointArcFigure(canvas, a, m, b);
}

bool TLOText::HitTest(const TPoint& p) {
    TArcInfo arc;
    int t = 0;
    if (Bulge() != 0 && BulgeArc(arc, t)) {
        TBitmap bitmap;
        PrepareHitTestCanvas(this, bitmap, p, t);
        TCanvas& canvas = bitmap.Canvas();
        canvas.Brush() = TBrush{clBlack, bsSolid};
        canvas.SetPolyFillMode(WINDING);
        canvas.BeginPath();
        BandFigure(canvas, arc, engine_->GetLineHeight() / 2 - t / 2, t);
        canvas.EndPath();
        canvas.FillPath();
        return bitmap.GetPixel(0, 0) == clBlack;
    }
    // Straight text, and bent text whose bulge forms no arc: the turned rect.
    const TPoint q = Turned(p, rotator_.Center, -Angle());
    return LogBounds().Contains(q);
}

void TLOText::RotateAroundOrigin(int newAngle) {
    if (Bulge() != 0) {
        const TPoint c = Turned(RectCenter(LogBounds()), rotator_.Center, newAngle - Angle());
        SetLogRect(CenterRectAt(LogBounds(), c));
    }
    SetAngle(newAngle);
}

void TLOText::SetParent(TWinControl* parent) {
    TLORectBase::SetParent(parent);
    AdjustAutoSize();
}

// --- automatic size

TRect TLOText::CalcAutoRect(const TRect& r) {
    TRect t;
    engine_->GetTextRect(r, true, t);
    if (t.Width() < kMinAutoSide) {
        int left = t.Left;
        if (!Vertical() && Align() == amCenter)
            left = r.Left + (r.Width() - kMinAutoSide) / 2;
        else if (Vertical() || Align() == amRight)
            left = r.Right - kMinAutoSide;
        t.Left = left;
        t.Right = left + kMinAutoSide;
    }
    if (t.Height() < kMinAutoSide) {
        int top = t.Top;
        if (Vertical() && Align() == amRight)
            top = r.Bottom - kMinAutoSide;
        else if (Vertical() && Align() == amCenter)
            top = r.Top + (r.Height() - kMinAutoSide) / 2;
        t.Top = top;
        t.Bottom = top + kMinAutoSide;
    }
    return t;
}

TPoint TLOText::GetAlignAnchor(const TRect& r) {
    TPoint a;
    const int align = Align();
    if (!Vertical())
        a = TPoint(align == amCenter ? (r.Left + r.Right) / 2 : align == amRight ? r.Right : r.Left, r.Top);
    else
        a = TPoint(r.Right, align == amCenter ? (r.Top + r.Bottom) / 2 : align == amRight ? r.Bottom : r.Top);
    return Turned(a, r.IsEmpty() ? rotator_.Center : RectCenter(r), Angle());
}

void TLOText::AdjustAutoSize() {
    if (!autoSize_ || !IsOnSite() || Bulge() != 0)
        return;
    const TRect old = LogBounds();
    TRect r;
    if (Angle() == 0 || (Align() == amJustify && old.Width() == 0 && old.Height() == 0)) {
        r = CalcAutoRect(old);
    } else {
        r = CalcAutoRect(old);
        const TPoint a = GetAlignAnchor(old);
        const TPoint b = GetAlignAnchor(r);
        r = Moved(r, a.X - b.X, a.Y - b.Y);
    }
    SetLogRect(r);
}

// --- curve editing

void TLOText::GetStartPoint(TPoint& p) {
    TPoint e;
    GetChordPoints(p, e);
}

void TLOText::GetEndPoint(TPoint& p) {
    TPoint s;
    GetChordPoints(s, p);
}

void TLOText::SetStartPoint(const TPoint& p) {
    autoSize_ = false;
    editStart_ = p;
}

void TLOText::SetEndPoint(const TPoint& p) {
    autoSize_ = false;
    editEnd_ = p;
}

void TLOText::BeginCurveEdit() {
    editing_ = false;
    GetChordPoints(editStart_, editEnd_);
    editing_ = true;
    editOrigin_ = editStart_;
    GetBulgePoint(editBulgePoint_);
}

void TLOText::GetBulgePoint(TPoint& p) {
    TPoint start, end;
    GetChordPoints(start, end);
    ::GetBulgePoint(end, start, Bulge(), p);
}

void TLOText::SetBulgePoint(const TPoint& p) {
    TPoint start, end;
    GetChordPoints(start, end);
    SetBulge(GetArcBulge(start, p, end));
}

void TLOText::EndCurveEdit() {
    autoSize_ = false;
    editing_ = false;
    TPoint start = editStart_;
    TPoint end = editEnd_;
    const long double deg =
        std::atan2(static_cast<long double>(start.Y) - end.Y, static_cast<long double>(start.X) - end.X) *
        180 / std::numbers::pi_v<long double>;
    const int a = int(std::nearbyint(deg)) - (Vertical() ? 270 : 180);
    const TPoint middle((start.X + end.X) / 2, (start.Y + end.Y) / 2);
    start = Turned(start, middle, -a);
    end = Turned(end, middle, -a);
    const TRect r = Vertical() ? TRect(start.X - LogWidth() / 2, start.Y, end.X + LogWidth() / 2, end.Y)
                               : TRect(start.X, start.Y - LogHeight() / 2, end.X, end.Y + LogHeight() / 2);
    SetLogRect(NormalizeRect(r));
    SetAngle(a);
}

// --- storage

void TLOText::Loaded() {
    TLORectBase::Loaded();
    if (outline_ && outlineWidth_ == 0)
        SetOutLineWidth(1);
    if (Align() == kAlignArcUp || Align() == kAlignArcDown) {
        const int h = engine_->GetLineHeight();
        const TRect r = LogBounds();
        const int s = std::min(r.Width(), r.Height());
        const TRect square = CenterRectAt(TRect(0, 0, s, s), RectCenter(r));
        SetBulge(Align() == kAlignArcUp ? (s - h) / 2 : (h - s) / 2);
        SetLogRect(Inflated(square, -(h / 2)));
        SetAlignValue(amCenter);
    }
    if (version_ != 1 && Bulge() != 0) {
        SetAlignValue(amCenter);
        SetCharSpacing(0);
        TStringList* lines = Text();
        while (lines->Count() > 1)
            lines->Delete(lines->Count() - 1);
        if (Vertical()) {
            const TRect r = LogBounds();
            SetLogRect(CenterRectAt(TRect(0, 0, r.Width(), r.Width()), RectCenter(r)));
            SetAngle(Angle() - 90);
        }
    }
}

void TLOText::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    auto* d = dynamic_cast<TLOText*>(dest);
    if (d == nullptr)
        return;
    d->assigning_ = true;
    d->SetVerticalValue(Vertical());
    d->autoSize_ = autoSize_;
    d->SetDistortionRatio(distortionRatio_);
    d->textColor_->Assign(textColor_.get());
    d->engine_->SetText(*Text());
    d->engine_->SetFont(*Font());
    d->SetAlignValue(Align());
    d->SetCharSpacing(CharSpacing());
    d->SetLineSpacing(LineSpacing());
    d->SetAngle(Angle());
    d->SetCoonsDistortion(*distortion_);
    d->SetOutline(outline_);
    d->outlineColor_->Assign(outlineColor_.get());
    d->SetOutLineWidth(outlineWidth_);
    d->SetShadowOffsetX(shadowOffsetX_);
    d->SetShadowOffsetY(shadowOffsetY_);
    d->shadowColor_->Assign(shadowColor_.get());
    d->SetBulge(Bulge());
    d->fieldNo_ = fieldNo_;
    d->fieldType_ = fieldType_;
    d->SetHanToZen(HanToZen());
    d->SetNumToKnj(NumToKnj());
    d->SetMinusExc(MinusExc());
    d->SetFeedAngleValue(FeedAngle());
    d->assigning_ = false;
}

bool TLOText::GetInterface(const TGUID& iid, void** obj) {
    // Text has no fill of its own; a distorted text is not bent by the curve handles.
    if (iid == IDOFill::IID || (iid == IDOCurve::IID && IsCoonsDistorted()))
        return false;
    return Offer<IDOFeedAngle>(this, iid, obj) || Offer<IDOBlend>(this, iid, obj) ||
           Offer<IDOColor>(this, iid, obj) || Offer<IDOCurve>(this, iid, obj) ||
           Offer<IDOLine>(this, iid, obj) || Offer<IDOAlign>(this, iid, obj) ||
           Offer<IDOFont>(this, iid, obj) || Offer<IDOVertical>(this, iid, obj) ||
           Offer<IDOAutoSize>(this, iid, obj) || Offer<IDORotate>(this, iid, obj) ||
           Offer<IDOTextGhost>(this, iid, obj) || TLORectBase::GetInterface(iid, obj);
}

// --- rendering

const TStroke& TLOText::GlyphStroke() {
    if (!glyphStrokeBuilt_) {
        glyphStroke_.Clear();
        engine_->CaptureStroke(glyphStroke_, LogBounds(), true);
        glyphStrokeBuilt_ = true;
    }
    return glyphStroke_;
}

const TStroke& TLOText::GetDrawStroke() {
    if (drawStrokeBuilt_)
        return drawStroke_;
    drawStroke_.Clear();
    drawStrokeBuilt_ = true;
    // A bent text is drawn from its glyph outline even when it also holds a distortion: the
    // bulge wins, as everywhere else the distortion is asked for.
    if (!IsCoonsDistorted()) {
        drawStroke_.Assign(&GlyphStroke());
        return drawStroke_;
    }
    TSimpleText large;
    large.Assign(engine_.get());
    large.SetAngle(0);
    if (std::abs(large.Font()->Size()) < kDistortCapturePoints)
        large.Font()->SetSize(kDistortCapturePoints);
    const int h = std::max(1, engine_->GetLineHeight());
    const int h72 = large.GetLineHeight();
    const TRect capture(0, 0, MulDiv(LogWidth(), h72, h), MulDiv(LogHeight(), h72, h));
    large.CaptureStroke(drawStroke_, capture, false);
    drawStroke_.SplitLines();
    TCoonsDistortion patch;
    patch.Assign(distortion_.get());
    patch.BlendCurves(distortionRatio_);
    TRect source;
    large.GetTextRect(capture, false, source);
    patch.SetSourceRect(source);
    patch.SetDestRect(LogBounds());
    patch.TransformStroke(drawStroke_);
    rotator_.TransformStroke(drawStroke_);
    return drawStroke_;
}

void TLOText::TextShape(TCanvas& canvas, bool useStroke) {
    if (useStroke) {
        GetDrawStroke().DrawTo(canvas);
    } else {
        engine_->Draw(canvas, LogBounds());
    }
}

void TLOText::DrawText(TCanvas& canvas, TColorSpec& fill, TColorSpec* outlineSpec) {
    TIntf<IUnknownEx> state;
    SaveCanvasState(canvas, true, state);
    canvas.SetPolyFillMode(WINDING);
    const TRect extent = LogRect();
    const int ow = Bounded(outlineWidth_, kMaxOutlineWidth);
    // Clip to the text's area.
    TArcInfo arc;
    int t = 0;
    canvas.BeginPath();
    if (BulgeArc(arc, t)) {
        const int thickness = ClampToInt32(int64_t(t) + (outlineSpec ? 2 * int64_t(ow) : 0));
        BandFigure(canvas, arc, engine_->GetLineHeight() / 2 - t / 2, thickness);
    } else {
        TStroke figure;
        figure.MakeRect(ExtentFigure());
        rotator_.TransformStroke(figure);
        figure.DrawTo(canvas);
    }
    canvas.EndPath();
    if (!canvas.SelectClipPath(RGN_AND))
        return;
    canvas.Brush().Style = bsClear;
    const bool distorted = IsCoonsDistorted();
    if (outlineSpec == nullptr) {
        if (!distorted && fill.IsExactSolidColor(canvas)) {
            engine_->SetTextColor(fill.Color());
            engine_->Draw(canvas, LogBounds());
            return;
        }
        TIntf<IUnknownEx> clip;
        SaveClipRegion(canvas, clip);
        canvas.BeginPath();
        TextShape(canvas, distorted);
        canvas.EndPath();
        if (canvas.SelectClipPath(RGN_AND))
            fill.FillRect(canvas, extent);
        return;
    }
    const TStroke& stroke = GetDrawStroke();
    const TOutlinePixels* pixels = OutlinePixels(canvas, stroke, ow);
    const int dx = pixels ? canvas.ViewportOrg().X - pixels->ViewportOrg.X : 0;
    const int dy = pixels ? canvas.ViewportOrg().Y - pixels->ViewportOrg.Y : 0;
    if (outlineSpec->Kind() != cskSolid) {
        TIntf<IUnknownEx> clip;
        SaveClipRegion(canvas, clip);
        canvas.Pen() = TPen{clBlack, 2 * ow, psSolid, pmCopy};
        stroke.SelectPath(canvas);
        canvas.WidenPath();
        if (canvas.SelectClipPath(RGN_AND))
            outlineSpec->FillRect(canvas, extent);
    } else if (pixels != nullptr) {
        TIntf<IUnknownEx> clip;
        SaveClipRegion(canvas, clip);
        const QRegion outline = pixels->Outline.translated(dx, dy);
        canvas.ExtSelectClipRgn(&outline, RGN_AND);
        canvas.FillSolid(extent, outlineSpec->Color());
    } else {
        canvas.Pen() = TPen{outlineSpec->Color(), 2 * ow, psSolid, pmCopy};
        stroke.DrawTo(canvas);
    }
    TIntf<IUnknownEx> clip;
    SaveClipRegion(canvas, clip);
    if (pixels != nullptr) {
        const QRegion letters = pixels->Letters.translated(dx, dy);
        canvas.ExtSelectClipRgn(&letters, RGN_AND);
        fill.FillRect(canvas, extent);
        return;
    }
    stroke.SelectPath(canvas);
    if (canvas.SelectClipPath(RGN_AND))
        fill.FillRect(canvas, extent);
}

const TLOText::TOutlinePixels* TLOText::OutlinePixels(TCanvas& canvas, const TStroke& stroke, int width) {
    // Vector devices keep the outlines as drawn.
    if (canvas.DeviceKind() != TCanvas::dkImage || canvas.TargetImage() == nullptr)
        return nullptr;
    auto& kept = outlinePixels_;
    const TPoint origin = canvas.ViewportOrg();
    const bool same = kept && kept->Width == width && kept->MapMode == canvas.MapMode() &&
                      kept->WindowOrg == canvas.WindowOrg() && kept->WindowExt == canvas.WindowExt() &&
                      kept->ViewportExt == canvas.ViewportExt();
    // A move within this range keeps every device point inside the int range.
    const auto near = [&](int a, int b) { return std::abs(int64_t(a) - b) < kMaxPixelShift; };
    if (same && near(origin.X, kept->ViewportOrg.X) && near(origin.Y, kept->ViewportOrg.Y))
        return &*kept;
    kept.reset();
    // The strokes' reach: half the pen on either side, the pixel the wide pen is shifted by and
    // the rasteriser's rounding.
    const TRect dev = NormalizeRect(canvas.LPtoDP(Inflated(stroke.GetBounds(), 2 * width)));
    const int64_t w = int64_t(dev.Right) - dev.Left + 2 * kStrokeMargin;
    const int64_t h = int64_t(dev.Bottom) - dev.Top + 2 * kStrokeMargin;
    if (w * h > kMaxKeptPixels || std::abs(int64_t(dev.Left)) > kMaxPixelShift ||
        std::abs(int64_t(dev.Top)) > kMaxPixelShift)
        return nullptr;
    const QRect area(dev.Left - kStrokeMargin, dev.Top - kStrokeMargin, int(w), int(h));
    TOutlinePixels pixels;
    pixels.Width = width;
    pixels.MapMode = canvas.MapMode();
    pixels.WindowOrg = canvas.WindowOrg();
    pixels.WindowExt = canvas.WindowExt();
    pixels.ViewportExt = canvas.ViewportExt();
    pixels.ViewportOrg = origin;
    {
        TCoverageCanvas outline(canvas, area);
        outline.Pen() = TPen{clWhite, 2 * width, psSolid, pmCopy};
        stroke.DrawTo(outline);
        pixels.Outline = outline.Coverage();
    }
    stroke.SelectPath(canvas);
    pixels.Letters = canvas.PathToRegion();
    kept = std::move(pixels);
    return &*kept;
}

void TLOText::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr)
        return;
    const TPoint off = ShadowOffset();
    if (off.X != 0 || off.Y != 0) {
        const int saved = canvas->SaveDC();
        canvas->OffsetWindowOrg(-off.X, -off.Y);
        DrawText(*canvas, *shadowColor_, nullptr);
        canvas->RestoreDC(saved);
    }
    DrawText(*canvas, *textColor_, outline_ ? outlineColor_.get() : nullptr);
}

void TLOText::DrawAlphaMap(TBitmap& mask) {
    TCanvas& canvas = mask.Canvas();
    const TRect extent = LogRect();
    const bool useStroke = IsCoonsDistorted() || (outline_ && outlineWidth_ != 0);
    auto shape = [&] {
        TIntf<IUnknownEx> state;
        SaveCanvasState(canvas, true, state);
        canvas.SetPolyFillMode(WINDING);
        canvas.BeginPath();
        TextShape(canvas, useStroke);
        canvas.EndPath();
        if (canvas.SelectClipPath(RGN_AND)) {
            canvas.Brush() = TBrush{clWhite, bsSolid};
            canvas.FillRect(extent);
        }
    };
    if (Shadow() != 0) {
        const TPoint off = ShadowOffset();
        const int saved = canvas.SaveDC();
        canvas.OffsetWindowOrg(-off.X, -off.Y);
        shape();
        canvas.RestoreDC(saved);
    }
    shape();
    if (outline_ && outlineWidth_ != 0) {
        TIntf<IUnknownEx> state;
        SaveCanvasState(canvas, true, state);
        canvas.Pen() = TPen{clWhite, 2 * Bounded(outlineWidth_, kMaxOutlineWidth), psSolid, pmCopy};
        canvas.Brush().Style = bsClear;
        GetDrawStroke().DrawTo(canvas);
    }
}

std::unique_ptr<TBitmap> TLOText::CreateImage() {
    return TLORectBase::CreateImage();
}

void TLOText::DrawOutline(TCanvas& canvas) {
    TArcInfo arc;
    int t = 0;
    if (BulgeArc(arc, t)) {
        const int width = canvas.Pen().Width;
        const bool inPath = canvas.InPathBracket();
        if (!inPath)
            canvas.BeginPath();
        BandFigure(canvas, arc, engine_->GetLineHeight() / 2 - t / 2, t);
        canvas.Pen().Width = width;
        if (!inPath) {
            canvas.EndPath();
            canvas.StrokePath();
        }
        return;
    }
    TRect tr;
    GetTextBounds(tr);
    TStroke figure;
    if (!IsCoonsDistorted()) {
        TRect inside;
        if (!IntersectRect(inside, tr, LogBounds()))
            inside = TRect();
        figure.MakeRect(inside);
        rotator_.TransformStroke(figure);
        const TPenStyle style = canvas.Pen().Style;
        canvas.Pen().Style = psSolid;
        figure.DrawTo(canvas);
        canvas.Pen().Style = style;
        figure.MakeRect(ExtentFigure());
        rotator_.TransformStroke(figure);
        figure.DrawTo(canvas);
        return;
    }
    figure.MakeRect(tr);
    figure.SplitLines();
    TCoonsDistortion patch;
    patch.Assign(distortion_.get());
    patch.BlendCurves(distortionRatio_);
    patch.SetSourceRect(tr);
    patch.SetDestRect(LogBounds());
    patch.TransformStroke(figure);
    rotator_.TransformStroke(figure);
    figure.DrawTo(canvas);
}
