#include "pageobjects/layout/USimpleText.h"

#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UArcGeometry.h"
#include "pageobjects/engine/UStroke.h"
#include "pageobjects/engine/UTransformer.h"
#include "pageobjects/layout/UStringUtil.h"
#include "platform/Angle.h"

#include <QImage>
#include <climits>
#include <cmath>
#include <numbers>

namespace {

QStringList& Placeholder() {
    static QStringList lines{QStringLiteral("未入力項目")};
    return lines;
}

constexpr long double kTwoPi = 2 * std::numbers::pi_v<long double>;

long double Normalized(long double a) {
    a = std::fmod(a, kTwoPi);
    if (a < 0)
        a += kTwoPi;
    return a;
}

} // namespace

void SetSimpleTextEmptyText(const QString& text) {
    Placeholder() = QStringList{text};
}

// --- TPointBasedFont ---

TPointBasedFont::TPointBasedFont() {
    // At 72 per inch the height is the point size itself, so sizes survive every round trip.
    font_.PixelsPerInch = 72;
    font_.SetSize(8);
}

void TPointBasedFont::ApplyTo(TFont& font) const {
    const int points = std::clamp(Size(), -kMaxFontPoints, kMaxFontPoints);
    font.Name = font_.Name;
    font.Color = font_.Color;
    font.Style = font_.Style;
    font.Charset = font_.Charset;
    font.Pitch = font_.Pitch;
    font.Orientation = 0;
    font.PixelsPerInch = kLayoutUnitsPerInch;
    font.SetSize(points == 0 ? 1 : points);
}

// --- TSimpleText ---

TSimpleText::TSimpleText()
    : text_(std::make_unique<TStringList>()), font_(std::make_unique<TPointBasedFont>()) {
    text_->OnChange = [this](TObject*) { TextChanged(); };
    font_->OnChange = [this](TObject*) { FontChanged(); };
}

TSimpleText::~TSimpleText() {
    text_->OnChange = nullptr;
    font_->OnChange = nullptr;
}

TCanvas& TSimpleText::MeasureCanvas() {
    static QImage image(8, 8, QImage::Format_RGB32);
    static TCanvas canvas(&image);
    canvas.SetPixelsPerInch(kLayoutUnitsPerInch);
    return canvas;
}

void TSimpleText::SetText(const TStringList& value) {
    if (value.ToQStringList() == text_->ToQStringList())
        return;
    text_->Assign(value);
}

void TSimpleText::SetAlign(int value) {
    if (align_ == value)
        return;
    align_ = value;
    Changed();
}

void TSimpleText::SetVertical(bool value) {
    if (vertical_ == value)
        return;
    vertical_ = value;
    ClearCache();
    Changed();
}

void TSimpleText::SetCharSpacing(int value) {
    if (charSpacing_ == value)
        return;
    charSpacing_ = value;
    ClearCache();
    Changed();
}

void TSimpleText::SetLineSpacing(int value) {
    if (lineSpacing_ == value)
        return;
    lineSpacing_ = value;
    Changed();
}

void TSimpleText::SetBulge(int value) {
    if (bulge_ == value)
        return;
    bulge_ = value;
    Changed();
}

void TSimpleText::SetAngle(int value) {
    if (angle_ == value)
        return;
    angle_ = value;
    Changed();
}

void TSimpleText::SetHanToZen(bool value) {
    if (hanToZen_ == value)
        return;
    hanToZen_ = value;
    ClearDisplay();
    Changed();
}

void TSimpleText::SetNumToKnj(bool value) {
    if (numToKnj_ == value)
        return;
    numToKnj_ = value;
    ClearDisplay();
    Changed();
}

void TSimpleText::SetMinusExc(bool value) {
    if (minusExc_ == value)
        return;
    minusExc_ = value;
    ClearDisplay();
    Changed();
}

void TSimpleText::SetFeedAngle(int value) {
    if (feedAngle_ == value)
        return;
    feedAngle_ = value;
    Changed();
}

void TSimpleText::BeginUpdate() {
    ++updateCount_;
}

void TSimpleText::EndUpdate() {
    if (updateCount_ > 0)
        --updateCount_;
    if (updateCount_ == 0 && pendingCount_ >= 1) {
        pendingCount_ = 0;
        if (OnChange)
            OnChange(this);
    }
}

void TSimpleText::Changed() {
    if (updateCount_ > 0) {
        ++pendingCount_;
        return;
    }
    if (OnChange)
        OnChange(this);
}

void TSimpleText::TextChanged() {
    ClearDisplay();
    Changed();
}

void TSimpleText::FontChanged() {
    ClearCache();
    Changed();
}

void TSimpleText::ClearCache() {
    cache_.clear();
    cacheValid_ = false;
}

void TSimpleText::ClearDisplay() {
    displayLines_.clear();
    displayValid_ = false;
    ClearCache();
}

void TSimpleText::AssignTo(TPersistent* dest) const {
    auto* d = dynamic_cast<TSimpleText*>(dest);
    if (!d) {
        TPersistent::AssignTo(dest);
        return;
    }
    d->BeginUpdate();
    d->SetText(*text_);
    d->SetFont(*font_);
    d->SetAlign(align_);
    d->SetVertical(vertical_);
    d->SetCharSpacing(charSpacing_);
    d->SetLineSpacing(lineSpacing_);
    d->SetBulge(bulge_);
    d->SetAngle(angle_);
    d->SetHanToZen(hanToZen_);
    d->SetNumToKnj(numToKnj_);
    d->SetMinusExc(minusExc_);
    d->SetFeedAngle(feedAngle_);
    d->EndUpdate();
}

const QStringList& TSimpleText::GetDisplayLines() {
    if (text_->Count() == 0) {
        // The placeholder may be replaced at any time; it is never cached.
        displayValid_ = false;
        displayLines_ = Placeholder();
    } else if (!displayValid_) {
        displayLines_ = text_->ToQStringList();
        displayValid_ = true;
    } else {
        return displayLines_;
    }
    if (hanToZen_)
        HanToZenList(displayLines_, minusExc_ ? QStringLiteral("-") : QString());
    if (numToKnj_)
        NumToKnjList(displayLines_);
    return displayLines_;
}

void TSimpleText::ApplyFont(TCanvas& canvas) const {
    TFont& font = canvas.Font();
    font_->ApplyTo(font);
    font.Color = textColor_;
    font.Style &= ~(fsUnderline | fsStrikeOut);
    FixFontName(canvas);
    if (vertical_)
        SetVerticalFont(canvas.Font(), 0);
}

void TSimpleText::EnsureLayout() {
    const QStringList& lines = GetDisplayLines();
    // Rebuilt whenever the lines differ from those measured, not only when their count does (a
    // new placeholder of the same count must be measured too).
    bool valid = cacheValid_ && cache_.size() == size_t(lines.size());
    for (qsizetype i = 0; valid && i < lines.size(); ++i)
        valid = cache_[size_t(i)].Text == lines[i];
    if (valid)
        return;
    TCanvas& canvas = MeasureCanvas();
    ApplyFont(canvas);
    cache_.assign(size_t(lines.size()), TTextLine());
    for (qsizetype i = 0; i < lines.size(); ++i)
        LayoutLine(canvas, cache_[size_t(i)], lines[i], charSpacing_, amLeft, 0);
    cacheValid_ = true;
}

int TSimpleText::GetLineHeight() {
    TCanvas& canvas = MeasureCanvas();
    ApplyFont(canvas);
    TOutlineTextMetrics m;
    canvas.GetOutlineTextMetrics(m);
    return m.Height;
}

int TSimpleText::Pitch() {
    return ClampToInt32(int64_t(GetLineHeight()) + lineSpacing_);
}

void TSimpleText::GetTextRect(const TRect& rect, bool justifyAsLeft, TRect& textRect) {
    EnsureLayout();
    const int64_t n = int64_t(cache_.size());
    const int64_t pitch = Pitch();
    const int mode = (align_ == amJustify && justifyAsLeft) ? amLeft : align_;
    const int64_t blockDepth = n * pitch - lineSpacing_;
    double first = 0;
    double step = 0;
    if (feedAngle_ != 0) {
        const double s = std::sin(-double(feedAngle_) * std::numbers::pi / 180);
        step = double(pitch) * s;
        if (mode == amLeft && s < 0)
            first = double(pitch) * double(n - 1) * -s;
        else if (mode == amRight && s >= 0)
            first = -double(pitch) * double(n - 1) * s;
    }
    int64_t lo = INT_MAX;
    int64_t hi = int64_t(INT_MIN) + 1;
    const int64_t length = vertical_ ? int64_t(rect.Bottom) - rect.Top : int64_t(rect.Right) - rect.Left;
    for (size_t i = 0; i < cache_.size(); ++i) {
        TTextLine& line = cache_[i];
        if (line.Chars.empty())
            continue;
        RealignLine(line, ClampToInt32(length), mode, charSpacing_);
        if (feedAngle_ != 0) {
            const int shift =
                ClampToInt32(int64_t(std::nearbyint(std::clamp(first + double(i) * step, -1e9, 1e9))));
            for (int32_t& p : line.Positions)
                p = ClampToInt32(int64_t(p) + shift);
            line.Left = ClampToInt32(int64_t(line.Left) + shift);
            line.Right = ClampToInt32(int64_t(line.Right) + shift);
        }
        const TRect box =
            vertical_ ? GetLineBoxV(rect, line) : GetLineBoxH(TPoint(rect.Left, rect.Top), line);
        lo = std::min<int64_t>(lo, vertical_ ? box.Top : box.Left);
        hi = std::max<int64_t>(hi, vertical_ ? box.Bottom : box.Right);
    }
    const bool empty = lo == INT_MAX;
    if (!vertical_) {
        textRect.Left = empty ? rect.Left : ClampToInt32(lo);
        textRect.Right = empty ? rect.Right : ClampToInt32(hi);
        textRect.Top = rect.Top;
        textRect.Bottom = ClampToInt32(int64_t(rect.Top) + blockDepth);
    } else {
        textRect.Top = empty ? rect.Top : ClampToInt32(lo);
        textRect.Bottom = empty ? rect.Bottom : ClampToInt32(hi);
        textRect.Right = rect.Right;
        textRect.Left = ClampToInt32(int64_t(rect.Right) - blockDepth);
    }
}

void TSimpleText::Draw(TCanvas& canvas, const TRect& rect) {
    RenderTo(canvas, rect, true, nullptr);
}

void TSimpleText::CaptureStroke(TStroke& stroke, const TRect& rect, bool decorations) {
    TCanvas& canvas = MeasureCanvas();
    canvas.Brush().Style = bsClear;
    canvas.Pen().Style = psSolid;
    canvas.Pen().Width = 0;
    canvas.SetPolyFillMode(WINDING);
    canvas.BeginPath();
    RenderTo(canvas, rect, decorations, nullptr);
    canvas.EndPath();
    stroke.AddPath(canvas);
    canvas.AbortPath();
}

void TSimpleText::RenderTo(TCanvas& canvas, const TRect& rect, bool decorations, TStroke*) {
    TRect textRect;
    GetTextRect(rect, false, textRect);
    ApplyFont(canvas);
    // A bulge that forms no arc draws the text straight (turned when it is), as it is bounded
    // and hit-tested.
    TArcInfo arc;
    TPoint p0, p1;
    if (GetArc(rect, arc, p0, p1)) {
        RenderArc(canvas, rect);
        return;
    }
    if (angle_ != 0)
        RenderRotated(canvas, rect, decorations, nullptr);
    else
        RenderStraight(canvas, rect, decorations);
}

void TSimpleText::RenderStraight(TCanvas& canvas, const TRect& rect, bool decorations) {
    TDecorationMetrics metrics;
    const TFontStyles style = font_->Style();
    if (decorations)
        GetDecorationMetrics(canvas, metrics);
    TRect r = rect;
    TTextLine t;
    for (const TTextLine& line : cache_) {
        LayoutLine(canvas, t, line.Text, 0, amJustify, ClampToInt32(int64_t(line.Right) - line.Left));
        const int64_t advance = int64_t(line.Height) + lineSpacing_;
        if (!vertical_) {
            const TRect box = GetLineBoxH(TPoint(r.Left, r.Top), line);
            DrawLineH(canvas, box, t);
            if (decorations && !line.Chars.empty())
                DrawDecorationsH(canvas, box, t, style, metrics);
            r.Top = ClampToInt32(r.Top + advance);
        } else {
            const TRect box = GetLineBoxV(r, line);
            DrawLineV(canvas, box, t);
            if (decorations && !line.Chars.empty())
                DrawDecorationsV(canvas, box, t, style, metrics);
            r.Right = ClampToInt32(r.Right - advance);
        }
    }
}

void TSimpleText::RenderRotated(TCanvas& canvas, const TRect& rect, bool decorations, TStroke*) {
    TRotator rotator;
    rotator.SetAngle(angle_);
    rotator.Center = RectCenter(rect);
    // Reduced before the int is left, so the font turns as the rotator does.
    const int tenths = AngleWithinTurn(int64_t(angle_) * 10);
    if (vertical_)
        SetVerticalFont(canvas.Font(), tenths);
    else
        SetFontEscapement(canvas.Font(), tenths);
    TDecorationMetrics metrics;
    if (decorations)
        GetDecorationMetrics(canvas, metrics);
    TStroke decorationStroke;
    const TFontStyles style = font_->Style();
    TRect r = rect;
    TTextLine t;
    for (const TTextLine& line : cache_) {
        LayoutLine(canvas, t, line.Text, 0, amJustify, ClampToInt32(int64_t(line.Right) - line.Left));
        const int64_t advance = int64_t(line.Height) + lineSpacing_;
        const TRect box = vertical_ ? GetLineBoxV(r, line) : GetLineBoxH(TPoint(r.Left, r.Top), line);
        TPoint centre = RectCenter(box);
        rotator.TransformPoint(centre);
        DrawRotatedLine(canvas, t, vertical_ ? double(angle_) + 90 : double(angle_), centre.Y, centre.X);
        if (decorations && !line.Chars.empty()) {
            if (vertical_)
                AddDecorationsV(decorationStroke, box, style, metrics);
            else
                AddDecorationsH(decorationStroke, box, style, metrics);
        }
        if (vertical_)
            r.Right = ClampToInt32(r.Right - advance);
        else
            r.Top = ClampToInt32(r.Top + advance);
    }
    rotator.TransformStroke(decorationStroke);
    FillDecorations(canvas, decorationStroke);
}

bool TSimpleText::GetArc(const TRect& rect, TArcInfo& arc, TPoint& p0, TPoint& p1) const {
    const TPoint c = RectCenter(rect);
    p0 = vertical_ ? TPoint(c.X, rect.Top) : TPoint(rect.Left, c.Y);
    p1 = vertical_ ? TPoint(c.X, rect.Bottom) : TPoint(rect.Right, c.Y);
    TRotator rotator;
    rotator.SetAngle(angle_);
    rotator.Center = c;
    rotator.TransformPoint(p0);
    rotator.TransformPoint(p1);
    arc = TArcInfo();
    return bulge_ != 0 && GetBulgeArc(arc, p0, p1, std::clamp(bulge_, -kMaxBulge, kMaxBulge));
}

void TSimpleText::RenderArc(TCanvas& canvas, const TRect& rect) {
    TArcInfo arc;
    TPoint p0, p1;
    GetArc(rect, arc, p0, p1);
    const int bulge = std::clamp(bulge_, -kMaxBulge, kMaxBulge);
    const long double start = Normalized(std::atan2(static_cast<long double>(p0.Y) - arc.Centre.Y,
                                                    static_cast<long double>(p0.X) - arc.Centre.X));
    const long double end = Normalized(std::atan2(static_cast<long double>(p1.Y) - arc.Centre.Y,
                                                  static_cast<long double>(p1.X) - arc.Centre.X));
    const long double sweep = Normalized(bulge > 0 ? end - start : start - end);
    const int h = GetLineHeight();
    const long double sign = bulge > 0 ? 1 : -1;
    int64_t r = int64_t(arc.Radius) + h / 2;
    TTextLine t;
    for (const TTextLine& line : cache_) {
        LayoutLine(canvas, t, line.Text, charSpacing_, amLeft, 0);
        const long double length = static_cast<long double>(t.Right) - t.Left;
        const long double natural = r == h ? length : length / static_cast<long double>(r - h);
        long double lineStart = start;
        long double span = natural;
        switch (align_) {
        case amCenter:
            lineStart = start + sign * (sweep - natural) / 2;
            break;
        case amRight:
            lineStart = start + sign * (sweep - natural);
            break;
        case amJustify:
            span = sweep;
            break;
        default:
            break;
        }
        const TRect circle(ClampToInt32(arc.Centre.X - r), ClampToInt32(arc.Centre.Y - r),
                           ClampToInt32(arc.Centre.X + r), ClampToInt32(arc.Centre.Y + r));
        DrawArcLine(canvas, circle, t, bulge > 0, vertical_, double(span), double(lineStart));
        r -= int64_t(h) + lineSpacing_;
    }
}
