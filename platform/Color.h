#pragma once
// Colours as the graphics layer stores them: 0x00BBGGRR values, with the framework's special
// values (no colour, default colour, system colours with the high bit set).

#include <QColor>
#include <cstdint>

using TColor = int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours: the high bit and the platform's colour index.
constexpr TColor clSystemColor = TColor(0x80000000u);
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBtnHighlight = clSystemColor | 20;

constexpr TColor RGB(int r, int g, int b) {
    return TColor((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int GetRValue(TColor c) {
    return c & 0xFF;
}
constexpr int GetGValue(TColor c) {
    return (c >> 8) & 0xFF;
}
constexpr int GetBValue(TColor c) {
    return (c >> 16) & 0xFF;
}

// The 0x00BBGGRR value of any colour: system colours take the classic default scheme's values;
// clNone and clDefault give black.
TColor ColorToRGB(TColor color);
// Opaque Qt colour of a TColor (after ColorToRGB).
QColor ToQColor(TColor color);
TColor FromQColor(const QColor& color);
// 0x00RRGGBB (RGBQUAD, QRgb without alpha) <-> 0x00BBGGRR.
constexpr uint32_t ColorToRGBQuad(TColor c) {
    return (uint32_t(c & 0xFF) << 16) | (uint32_t(c) & 0xFF00) | ((uint32_t(c) >> 16) & 0xFF);
}
constexpr TColor RGBQuadToColor(uint32_t q) {
    return TColor(((q >> 16) & 0xFF) | (q & 0xFF00) | ((q & 0xFF) << 16));
}
