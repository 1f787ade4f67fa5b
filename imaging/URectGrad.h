#pragma once
// Gradation fills through a fixed 128 x 128 template: a gradation object works out, for every
// template pixel, a position 0..1023 along the gradation (the index map) and 1024 colours along
// its colour list (the colour table), paints the template from the two, and the template is
// stretched over the target rectangle on screen or resampled to the rectangle's size, a band of
// rows at a time, on a printer. The cost does not grow with the area painted.

#include "platform/Bitmap.h"
#include "platform/Color.h"
#include "platform/Object.h"
#include "platform/Rect.h"

#include <cstdint>
#include <vector>

class TCanvas;

enum rgGradationKind : uint8_t {
    rgkSimple = 0,
    rgkBoxToRim = 1,
    rgkBoxToCenter = 2,
    rgkCircleToRim = 3,
    rgkCircleToCenter = 4,
    rgkConeClockwise = 5,
    rgkConeCounterClockwise = 6
};

enum rgGradationDir : uint8_t {
    rgdLeftToRight = 0,
    rgdRightToLeft = 1,
    rgdTopToBottom = 2,
    rgdBottomToTop = 3,
    rgdLeftTopToRightBottom = 4,
    rgdRightTopToLeftBottom = 5,
    rgdRightBottomToLeftTop = 6,
    rgdLeftBottomToRightTop = 7,
    rgdCenterToRim = 8,
    rgdRimToCenter = 9
};

constexpr int kGradSize = 128;
constexpr int kGradSteps = 1024;

class TGradFill : public TObject {
public:
    // Storage always one entry longer than Count (the cone closes its ring with it).
    std::vector<TColor> Colors = std::vector<TColor>(1, clBlack);
    int32_t Count = 0;
    bool Reversed = false;
    uint16_t IndexMap[kGradSize][kGradSize] = {};
    uint8_t ColorTable[kGradSteps][3] = {}; // red, green, blue

    void SetColorCount(int n);
    void SetColor(int index, TColor color);
    virtual void BuildColorTable();
    virtual void BuildIndexMap() = 0;
    // Builds both and paints GradTemplate() from them.
    void Render();

protected:
    void BuildColorTableOf(int count);
    void EnsureSpareColor();
};

class TGradFillAngled : public TGradFill {
public:
    int32_t Angle = 0;
    virtual void SetAngle(int angle);
    void BuildIndexMap() override;
};

class TGradFillDiamond : public TGradFillAngled {
public:
    void BuildIndexMap() override;
};

class TGradFillCircle : public TGradFill {
public:
    int32_t CornerDistance = 0;
    void BuildIndexMap() override;
};

class TGradFillCone : public TGradFillAngled {
public:
    int32_t AngleOffset = 0;
    void SetAngle(int angle) override;
    void BuildColorTable() override;
    void BuildIndexMap() override;
};

// Paints the gradation into rect of the canvas (inverting what is there when invertMode). A colour
// list without colours paints nothing.
void DrawGradation(TCanvas& canvas, const TRect& rect, const TColor* colors, int count, rgGradationKind kind,
                   int angle, bool invertMode);

rgGradationDir GradKindAngleToDir(rgGradationKind kind, int angle);
int GradDirToAngle(int dir);

// Position of v between the bounds: 0 at or below min, 1023 at or above max, else
// MulDiv(v - min, 1024, max - min) capped at 1023.
int GradIndex(int32_t v, int32_t min, int32_t max);

// The template every gradation is painted into (128 x 128, 24 bits), and the octant tables of the
// circle and cone maps: for row y = 0..63 and column x = y..63, the distance (1/4096 pixel) and
// angle (1/4096 radian) of the cell from the template's centre.
TBitmap& GradTemplate();
const std::vector<int32_t>& GradDistTable();
const std::vector<int32_t>& GradAngleTable();
// Rows of the template resampled at a time for a printer.
constexpr int kGradPrinterBand = 256;
