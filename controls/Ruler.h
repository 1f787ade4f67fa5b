#pragma once
// The millimetre rulers beside the layout editor's page: zero at the page's edge, ticks following
// the display scale, numbers at every 10 mm (20 mm when one millimetre is 2 pixels or less), over a
// gradient from Color to EndColor.

#include "controls/UOriginalControl.h"

#include <functional>
#include <vector>

enum TRulerKind { rkHorizontal, rkVertical };

struct TRulerTick {
    int pos = 0;  // along the axis, before RulerOffset
    int from = 0; // across the axis
    int to = 0;
    bool longTick = false;
    int number = -1;   // millimetres shown, -1 for none
    int numberPos = 0; // horizontal: the text's left; vertical: its base (the text runs upward)
};

struct TRulerGeometry {
    int dpi = 96;
    int scale = 100;
    int lengthMm = 10;
    int thickness = 32;
    int textSize = 0; // 0 without numbers
    int percentage5 = 100;
    int percentage1 = 75;
    bool printNum = true;
    bool vertical = false;
};

// The device offset of n tenths of a millimetre at the ruler's scale.
int RulerPixel(int tenths, int dpi, int scale);
// The ticks in drawing order (the end lines not included); numberWidth gives a number's text
// extent along the axis.
std::vector<TRulerTick> RulerTicks(const TRulerGeometry& g,
                                   const std::function<int(int number)>& numberWidth);
// Channel c of gradient line i (0..255) from start to end.
int RulerGradientChannel(int start, int end, int i);

class TRuler : public TOriginalControl {
    Q_OBJECT

public:
    explicit TRuler(QWidget* parent = nullptr);

    int Scale() const { return scale_; }
    void SetScale(int value) { Set(scale_, value); }
    bool PrintNum() const { return printNum_; }
    void SetPrintNum(bool value) { Set(printNum_, value); }
    int Percentage5() const { return percentage5_; }
    void SetPercentage5(int value) { Set(percentage5_, value); }
    int Percentage1() const { return percentage1_; }
    void SetPercentage1(int value) { Set(percentage1_, value); }
    TRulerKind Kind() const { return kind_; }
    void SetKind(TRulerKind value) { Set(kind_, value); }
    int RulerOffset() const { return rulerOffset_; }
    void SetRulerOffset(int value) { Set(rulerOffset_, value); }
    int RulerLength() const { return rulerLength_; }
    void SetRulerLength(int value) { Set(rulerLength_, value); }
    TColor Color() const { return Brush().Color(); }
    void SetColor(TColor value);
    TColor EndColor() const { return endColor_; }
    void SetEndColor(TColor value);
    // Whether a gradient is held (it is built on the first paint that needs one).
    bool HasGradient() const { return !gradient_.isNull(); }

    TNotifyEvent OnMouseDownAt; // see MouseDownPos
    QPoint MouseDownPos() const { return mouseDownPos_; }

protected:
    void Paint(TCanvas& canvas) override;
    void BrushChanged() override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    using TOriginalControl::Brush;
    template <class T>
    void Set(T& field, const T& value) {
        if (field == value)
            return;
        field = value;
        update();
    }

    int scale_ = 100;
    bool printNum_ = true;
    int percentage5_ = 100;
    int percentage1_ = 75;
    TRulerKind kind_ = rkHorizontal;
    int rulerOffset_ = 0;
    int rulerLength_ = 10;
    TColor endColor_ = clBtnFace;
    QImage gradient_;
    QPoint mouseDownPos_;
};
