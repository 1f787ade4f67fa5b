#include "pageobjects/layout/TextUtil.h"

#include "core/UGeometryUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UCanvas.h"
#include "pageobjects/engine/UStroke.h"
#include "pageobjects/layout/UStringUtil.h"
#include "platform/Angle.h"
#include "platform/FontMapper.h"
#include "platform/IntMath.h"

#include <cmath>
#include <numbers>

namespace {

int ZeroWidth(TCanvas& canvas) {
    return canvas.TextWidth(QStringLiteral("0"));
}

// Degrees to the tenths the font's escapement takes, within a turn (a hostile spacing gives
// angles far beyond one), rounded half away from zero.
int ToTenths(double degrees) {
    return AngleWithinTurn(RoundAwayClamped(std::fmod(static_cast<long double>(degrees), 360.0L) * 10));
}

} // namespace

void MeasureCharABC(TCanvas& canvas, char32_t c, TCharABC& abc) {
    abc = TCharABC();
    if (c == kTabChar) {
        abc.B = ZeroWidth(canvas);
        return;
    }
    int a = 0, b = 0, cc = 0;
    if (canvas.GetCharABCWidths(c, a, b, cc)) {
        abc.A = a;
        abc.B = b;
        abc.C = cc;
        return;
    }
    const char32_t text[1] = {c};
    abc.B = canvas.TextWidth(QString::fromUcs4(text, 1));
}

void MeasureLine(std::vector<TCharABC>& widths, TCanvas& canvas, const std::u32string& chars) {
    widths.assign(chars.size(), TCharABC());
    int zero = -1;
    for (size_t i = 0; i < chars.size(); ++i) {
        if (chars[i] == kTabChar) {
            if (zero < 0)
                zero = ZeroWidth(canvas);
            widths[i].B = ClampToInt32(int64_t(zero) * (kTabStopChars - int64_t(i % kTabStopChars)));
        } else {
            MeasureCharABC(canvas, chars[i], widths[i]);
        }
    }
}

void LayoutLine(TCanvas& canvas, TTextLine& line, const QString& text, int spacing, int mode, int width) {
    line.Text = text;
    line.Chars = ToCodePoints(text);
    MeasureLine(line.Widths, canvas, line.Chars);
    TAlignExtent extent;
    AlignItems(line.Widths, width, spacing, mode, line.Positions, extent);
    line.Left = extent.Left;
    line.Right = extent.Right;
    TOutlineTextMetrics m;
    canvas.GetOutlineTextMetrics(m);
    line.Height = m.Height;
}

void RealignLine(TTextLine& line, int width, int mode, int spacing) {
    TAlignExtent extent;
    AlignItems(line.Widths, width, spacing, mode, line.Positions, extent);
    line.Left = extent.Left;
    line.Right = extent.Right;
}

TRect GetLineBoxH(const TPoint& origin, const TTextLine& line) {
    return TRect(ClampToInt32(int64_t(origin.X) + line.Left), origin.Y,
                 ClampToInt32(int64_t(origin.X) + line.Right), ClampToInt32(int64_t(origin.Y) + line.Height));
}

TRect GetLineBoxV(const TRect& rect, const TTextLine& line) {
    return TRect(ClampToInt32(int64_t(rect.Right) - line.Height), ClampToInt32(int64_t(rect.Top) + line.Left),
                 rect.Right, ClampToInt32(int64_t(rect.Top) + line.Right));
}

void DrawLineH(TCanvas& canvas, const TRect& box, const TTextLine& line) {
    for (size_t i = 0; i < line.Chars.size() && i < line.Positions.size(); ++i) {
        if (line.Chars[i] != kTabChar)
            canvas.CharOut(ClampToInt32(int64_t(box.Left) + line.Positions[i]), box.Top, line.Chars[i]);
    }
}

void DrawLineV(TCanvas& canvas, const TRect& box, const TTextLine& line) {
    for (size_t i = 0; i < line.Chars.size() && i < line.Positions.size(); ++i) {
        if (line.Chars[i] != kTabChar)
            canvas.CharOut(box.Right, ClampToInt32(int64_t(box.Top) + line.Positions[i]), line.Chars[i]);
    }
}

void DrawRotatedLine(TCanvas& canvas, const TTextLine& line, double angle, int centreY, int centreX) {
    const long double a = static_cast<long double>(angle) * std::numbers::pi_v<long double> / 180;
    const long double half = (static_cast<long double>(line.Left) - line.Right) / 2;
    const long double v = -static_cast<long double>(line.Height) / 2;
    const long double cosA = std::cos(a);
    const long double sinA = std::sin(a);
    for (size_t i = 0; i < line.Chars.size() && i < line.Positions.size(); ++i) {
        if (line.Chars[i] == kTabChar)
            continue;
        const long double u = line.Positions[i] + half - line.Left;
        const int x = RoundAwayClamped(u * cosA - v * sinA + centreX);
        const int y = RoundAwayClamped(u * sinA + v * cosA + centreY);
        canvas.CharOut(x, y, line.Chars[i]);
    }
}

void DrawArcLine(TCanvas& canvas, const TRect& circleRect, const TTextLine& line, bool clockwise,
                 bool vertical, double span, double start) {
    const size_t n = std::min(line.Chars.size(), line.Positions.size());
    if (int64_t(line.Right) - line.Left == 0 || line.Height == 0 || n == 0)
        return;
    const double cx = (double(circleRect.Left) + circleRect.Right) / 2;
    const double cy = (double(circleRect.Top) + circleRect.Bottom) / 2;
    const double r = std::min(std::abs(double(circleRect.Right) - circleRect.Left),
                              std::abs(double(circleRect.Bottom) - circleRect.Top)) /
                     2;
    const double rm = r - line.Height / 2.0;
    double ri = r - line.Height;
    if (ri == 0)
        ri = 1;
    const double step = n > 1 ? (span - (double(line.Right) - line.Left) / ri) / double(n - 1) : 0;
    TIntf<IUnknownEx> saver;
    SaveCanvasState(canvas, false, saver);
    for (size_t i = 0; i < n; ++i) {
        if (line.Chars[i] == kTabChar)
            continue;
        const TCharABC& w = line.Widths[i];
        const double m = double(line.Positions[i]) + w.A + w.B / 2.0;
        const double offset = double(i) * step + m / ri;
        const double t = clockwise ? start + offset : start - offset;
        const double glyphAngle = t * 180 / std::numbers::pi + (clockwise ? 90 : -90);
        if (vertical)
            SetVerticalFont(canvas.Font(), ToTenths(glyphAngle) + 2700);
        else
            SetFontEscapement(canvas.Font(), ToTenths(glyphAngle));
        TTextLine single;
        const char32_t text[1] = {line.Chars[i]};
        LayoutLine(canvas, single, QString::fromUcs4(text, 1), 0, amLeft, 0);
        const int px = RoundAwayClamped(std::cos(t) * rm + cx);
        const int py = RoundAwayClamped(std::sin(t) * rm + cy);
        DrawRotatedLine(canvas, single, glyphAngle, py, px);
    }
}

void GetDecorationMetrics(TCanvas& canvas, TDecorationMetrics& metrics) {
    TOutlineTextMetrics m;
    if (canvas.GetOutlineTextMetrics(m)) {
        metrics.UnderlineTop = m.Ascent - m.UnderscorePosition;
        metrics.UnderlineSize = m.UnderscoreSize;
        metrics.StrikeTop = m.Ascent - m.StrikeoutPosition;
        metrics.StrikeSize = m.StrikeoutSize;
        return;
    }
    metrics.UnderlineTop = m.Ascent + m.ExternalLeading;
    metrics.StrikeTop = MulDiv(m.Ascent, 3, 4) + m.ExternalLeading;
    metrics.UnderlineSize = 1;
    metrics.StrikeSize = 1;
}

namespace {

void AddFigure(TStroke& stroke, const TRect& r) {
    stroke.AddPoint(r.Left, r.Top, ptStrokeMoveTo);
    stroke.AddPoint(r.Right - 1, r.Top, ptStrokeLineTo);
    stroke.AddPoint(r.Right - 1, r.Bottom - 1, ptStrokeLineTo);
    stroke.AddPoint(r.Left, r.Bottom - 1, ptStrokeLineToClose);
}

} // namespace

void AddDecorationsH(TStroke& stroke, const TRect& box, TFontStyles style,
                     const TDecorationMetrics& metrics) {
    if (style & fsUnderline)
        AddFigure(stroke, TRect(box.Left, box.Top + metrics.UnderlineTop, box.Right,
                                box.Top + metrics.UnderlineTop + metrics.UnderlineSize));
    if (style & fsStrikeOut)
        AddFigure(stroke, TRect(box.Left, box.Top + metrics.StrikeTop, box.Right,
                                box.Top + metrics.StrikeTop + metrics.StrikeSize));
}

void AddDecorationsV(TStroke& stroke, const TRect& box, TFontStyles style,
                     const TDecorationMetrics& metrics) {
    if (style & fsUnderline)
        AddFigure(stroke, TRect(box.Right - metrics.UnderlineTop - metrics.UnderlineSize, box.Top,
                                box.Right - metrics.UnderlineTop, box.Bottom));
    if (style & fsStrikeOut)
        AddFigure(stroke, TRect(box.Right - metrics.StrikeTop - metrics.StrikeSize, box.Top,
                                box.Right - metrics.StrikeTop, box.Bottom));
}

void FillDecorations(TCanvas& canvas, const TStroke& stroke) {
    if (stroke.GetCount() == 0)
        return;
    TIntf<IUnknownEx> saver;
    SaveCanvasState(canvas, false, saver);
    canvas.Pen().Width = 0;
    canvas.Pen().Style = psSolid;
    canvas.Pen().Color = canvas.Font().Color;
    canvas.Brush().Style = bsSolid;
    canvas.Brush().Color = canvas.Font().Color;
    const std::vector<TPoint>& points = stroke.Points();
    for (size_t i = 0; i + 4 <= points.size(); i += 4)
        canvas.Polygon(&points[i], 4);
}

void DrawDecorationsH(TCanvas& canvas, const TRect& box, const TTextLine&, TFontStyles style,
                      const TDecorationMetrics& metrics) {
    TStroke stroke;
    AddDecorationsH(stroke, box, style, metrics);
    FillDecorations(canvas, stroke);
}

void DrawDecorationsV(TCanvas& canvas, const TRect& box, const TTextLine&, TFontStyles style,
                      const TDecorationMetrics& metrics) {
    TStroke stroke;
    AddDecorationsV(stroke, box, style, metrics);
    FillDecorations(canvas, stroke);
}

void SetFontEscapement(TFont& font, int tenths) {
    font.Orientation = -AngleWithinTurn(tenths);
}

void SetVerticalFont(TFont& font, int tenths) {
    QString name = font.Name;
    if (!FontMapper::IsVerticalName(name))
        name = QLatin1Char('@') + name;
    if (!FontMapper::Instance().VerticalFaceNames().contains(name))
        name = name.mid(1);
    font.Name = name;
    font.Orientation = ClampToInt32(2700 - int64_t(tenths));
}

const QStringList& FontFallbackNames() {
    static const QStringList names{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("ＭＳ Ｐ明朝"),
                                   QStringLiteral("ＭＳ ゴシック"),   QStringLiteral("ＭＳ 明朝"),
                                   QStringLiteral("標準ゴシック"),    QStringLiteral("標準明朝"),
                                   QStringLiteral("System")};
    return names;
}

bool IsUnusableFontName(const QString& name) {
    return !FontMapper::Instance().IsKnownName(name);
}

void FixFontName(TCanvas& canvas) {
    TFont& font = canvas.Font();
    if (IsUnusableFontName(font.Name)) {
        QString chosen = QStringLiteral("System");
        for (const QString& name : FontFallbackNames()) {
            if (!IsUnusableFontName(name)) {
                chosen = name;
                break;
            }
        }
        font.Name = chosen;
    }
    font.Charset = GetFontCharset(font.Name);
}

int GetFontCharset(const QString& faceName) {
    return FontMapper::Instance().CharsetOf(faceName);
}

void AssignFontList(QStringList& strings) {
    strings = FontMapper::Instance().HorizontalFaceNames();
}
