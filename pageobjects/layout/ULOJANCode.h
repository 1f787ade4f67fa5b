#pragma once
// JAN (EAN-13, or EAN-8 for eight digits) bar codes: TJANCode draws one code into a rectangle of
// a canvas, turned by an angle, with or without the human-readable digits and a frame. Module
// edges are worked out in device pixels from their fractions of the rectangle, so a small code
// keeps its proportions on every device and scans.

#include "pageobjects/engine/UTransformer.h"
#include "platform/Rect.h"

#include <QString>

class QPainter;
class TCanvas;

// Whether code is 8 or 13 ASCII digits whose last is the check digit of the others (the editor
// warns about a wrong one; drawing encodes the digits as given).
bool IsValidJANCheckDigit(const QString& code);
// The check digit of 7 or 12 ASCII digits, or -1.
int JANCheckDigit(const QString& digits);

class TJANCode {
public:
    // Quiet zone on each side, and the modules of each kind across the rectangle.
    static constexpr int kQuietModules = 7;
    static constexpr int kEAN13Modules = 109;
    static constexpr int kEAN8Modules = 81;
    // The frame: its pen width, and how far the symbol lies inside it.
    static constexpr int kFrameWidth = 3;
    static constexpr int kFrameInset = 10;

    TJANCode(TCanvas& canvas, const TRect& rect, int angle, bool showNumber);
    // Draws nothing unless code is 8 or 13 ASCII digits.
    void Draw(const QString& code, bool showFrame);

private:
    void DrawPattern(int module, const char* pattern, bool guard);
    void DrawDigit(int module, QChar digit);
    // The polygon of modules first..last (inclusive) from top down to bottom, turned, in device
    // pixels.
    void FillModules(int first, int last, double bottom);

    TCanvas& canvas_;
    TRect rect_;
    int modules_ = kEAN13Modules;
    TRotator rotator_;
    bool showNumber_;
    int digitHeight_ = 0;
    QPainter* painter_ = nullptr;
};

// Makes a TJANCode for one drawing.
void DrawJANCode(TCanvas& canvas, const QString& code, const TRect& rect, bool showFrame, bool showNumber,
                 int angle);
