#pragma once
// Measuring, placing and drawing single lines of text on a canvas, the decorations drawn as
// rectangles, font escapement and vertical faces, and the lists of usable faces. Every character
// is drawn by itself at its own point, so the layout's positions hold whatever the device.

#include "pageobjects/layout/UAlignUtil.h"
#include "platform/Canvas.h"

#include <QString>
#include <QStringList>
#include <string>
#include <vector>

class TStroke;

// A tab's width is that of "0" times the columns to the next stop of eight characters.
constexpr char32_t kTabChar = U'\t';
constexpr int kTabStopChars = 8;

struct TTextLine {
    std::vector<TCharABC> Widths;
    std::vector<int32_t> Positions;
    int32_t Left = 0;
    int32_t Right = 0;
    int32_t Height = 0;
    QString Text;
    // The characters of Text, one code point each.
    std::u32string Chars;
};

struct TDecorationMetrics {
    int UnderlineTop = 0;
    int UnderlineSize = 1;
    int StrikeTop = 0;
    int StrikeSize = 1;
};

void MeasureCharABC(TCanvas& canvas, char32_t c, TCharABC& abc);
void MeasureLine(std::vector<TCharABC>& widths, TCanvas& canvas, const std::u32string& chars);
void LayoutLine(TCanvas& canvas, TTextLine& line, const QString& text, int spacing, int mode, int width);
void RealignLine(TTextLine& line, int width, int mode, int spacing);

TRect GetLineBoxH(const TPoint& origin, const TTextLine& line);
TRect GetLineBoxV(const TRect& rect, const TTextLine& line);
void DrawLineH(TCanvas& canvas, const TRect& box, const TTextLine& line);
void DrawLineV(TCanvas& canvas, const TRect& box, const TTextLine& line);
// angle in degrees clockwise on the page; the canvas font is already turned.
void DrawRotatedLine(TCanvas& canvas, const TTextLine& line, double angle, int centreY, int centreX);
// Along the circle in circleRect from start over span (radians, clockwise on the page).
void DrawArcLine(TCanvas& canvas, const TRect& circleRect, const TTextLine& line, bool clockwise,
                 bool vertical, double span, double start);

void GetDecorationMetrics(TCanvas& canvas, TDecorationMetrics& metrics);
// The underline and strike-out rectangles of one line box as closed figures.
void AddDecorationsH(TStroke& stroke, const TRect& box, TFontStyles style, const TDecorationMetrics& metrics);
void AddDecorationsV(TStroke& stroke, const TRect& box, TFontStyles style, const TDecorationMetrics& metrics);
// Fills decoration figures in the canvas font's colour; the canvas's tools stay as they were.
void FillDecorations(TCanvas& canvas, const TStroke& stroke);
void DrawDecorationsH(TCanvas& canvas, const TRect& box, const TTextLine& line, TFontStyles style,
                      const TDecorationMetrics& metrics);
void DrawDecorationsV(TCanvas& canvas, const TRect& box, const TTextLine& line, TFontStyles style,
                      const TDecorationMetrics& metrics);

void SetFontEscapement(TFont& font, int tenths);
void SetVerticalFont(TFont& font, int tenths);

// The fallback faces, tried in order when a face is not usable.
const QStringList& FontFallbackNames();
bool IsUnusableFontName(const QString& name);
void FixFontName(TCanvas& canvas);
int GetFontCharset(const QString& faceName);
void AssignFontList(QStringList& strings);
