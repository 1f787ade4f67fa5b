#include "imaging/URectGrad.h"

#include "imaging/PixelKernel.h"
#include "imaging/UCanvas.h"
#include "imaging/UGraphicsUtil.h"
#include "imaging/UImageUtil.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

constexpr long double kPi = 3.141592653589793238462643383279502884L;
constexpr int32_t kQuarter = 6434, kHalf = 12868, kThreeQuarters = 19302, kFull = 25736;

struct OctantTables {
    std::vector<int32_t> dist, angle;
    OctantTables() {
        for (int y = 0; y < 64; ++y)
            for (int x = y; x < 64; ++x) {
                const long double dx = x - 63.5L, dy = y - 63.5L;
                dist.push_back(int32_t(std::lrint(std::hypot(dx, dy) * 4096.0L)));
                angle.push_back(int32_t(std::lrint(std::atan2(dx, dy) * 4096.0L)));
            }
    }
};

const OctantTables& Octants() {
    static const OctantTables tables;
    return tables;
}

// Builds both tables when the unit starts, as the template's users expect them ready.
const OctantTables& octantsAtStart = Octants();

int32_t NormaliseAngle(int32_t a) {
    while (a < 0)
        a += 360;
    while (a > 360)
        a -= 360;
    return a;
}

// The eight symmetric template pixels of an octant cell, each with the angle it takes.
template <typename Set>
void ForOctants(Set set) {
    const OctantTables& t = Octants();
    size_t i = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = y; x < 64; ++x, ++i) {
            const int32_t r = t.dist[i], a = t.angle[i];
            set(x, y, r, a);
            set(y, 127 - x, r, a + kQuarter);
            set(127 - x, 127 - y, r, a + kHalf);
            set(127 - y, x, r, a + kThreeQuarters);
            if (x != y) {
                set(y, x, r, -kThreeQuarters - a);
                set(x, 127 - y, r, -kHalf - a);
                set(127 - y, 127 - x, r, -kQuarter - a);
                set(127 - x, y, r, -a);
            }
        }
}

uint16_t ClampIndex(int64_t v) {
    return uint16_t(std::clamp<int64_t>(v, 0, kGradSteps - 1));
}

struct AngledTerms {
    long double c, s, C, S;
    explicit AngledTerms(int angle) {
        const long double theta = (360 - angle) * kPi / 180.0L;
        c = std::cos(theta);
        s = std::sin(theta);
        const long double m = std::max(std::fabs(c), std::fabs(s));
        C = c * m * 512.0L * 65536.0L;
        S = s * m * 512.0L * 65536.0L;
    }
};

int64_t Trunc(long double v) {
    return int64_t(v);
}

} // namespace

int GradIndex(int32_t v, int32_t min, int32_t max) {
    if (v <= min)
        return 0;
    if (v >= max)
        return kGradSteps - 1;
    // MulDiv: the product in 64 bits, rounded to the nearest (halves away from zero).
    const int64_t range = int64_t(max) - min;
    const int64_t result = (2 * (int64_t(v) - min) * kGradSteps + range) / (2 * range);
    return int(std::min<int64_t>(result, kGradSteps - 1));
}

TBitmap& GradTemplate() {
    static TBitmap bitmap(kGradSize, kGradSize, pf24bit);
    return bitmap;
}

const std::vector<int32_t>& GradDistTable() {
    return Octants().dist;
}
const std::vector<int32_t>& GradAngleTable() {
    return Octants().angle;
}

void TGradFill::SetColorCount(int n) {
    if (n < 0 || n == Count)
        return;
    Count = n;
    Colors.resize(size_t(n) + 1, clBlack);
}

void TGradFill::SetColor(int index, TColor color) {
    if (index >= Count)
        SetColorCount(index + 1);
    if (index >= 0 && index < Count && index < 256)
        Colors[size_t(index)] = color;
}

void TGradFill::BuildColorTableOf(int n) {
    if (n < 1) {
        // No colours: nothing to mix (the painter paints nothing then).
        std::fill(&ColorTable[0][0], &ColorTable[0][0] + sizeof(ColorTable), uint8_t(0));
        return;
    }
    for (int i = 0; i < kGradSteps; ++i) {
        const double p = Reversed ? double(int64_t(kGradSteps - 1 - i) * (n - 1)) / kGradSteps
                                  : double(int64_t(i) * (n - 1)) / kGradSteps;
        const int k = int(p);
        const double t = p - k;
        const TColor c1 = ColorToRGB(Colors[size_t(k)]), c2 = ColorToRGB(Colors[size_t(k) + 1]);
        const int from[3] = {GetRValue(c1), GetGValue(c1), GetBValue(c1)};
        const int to[3] = {GetRValue(c2), GetGValue(c2), GetBValue(c2)};
        for (int ch = 0; ch < 3; ++ch)
            ColorTable[i][ch] = uint8_t(std::clamp(from[ch] + int((to[ch] - from[ch]) * t), 0, 255));
    }
}

void TGradFill::EnsureSpareColor() {
    // Count is a public field: storage that does not match it is grown, never read past.
    if (Count >= 0 && Colors.size() < size_t(Count) + 1)
        Colors.resize(size_t(Count) + 1, clBlack);
}

void TGradFill::BuildColorTable() {
    EnsureSpareColor();
    BuildColorTableOf(Count);
}

void TGradFill::Render() {
    BuildIndexMap();
    BuildColorTable();
    TBitmap& bitmap = GradTemplate();
    if (bitmap.PixelFormat() != pf24bit)
        bitmap.SetPixelFormat(pf24bit);
    for (int y = 0; y < kGradSize; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < kGradSize; ++x) {
            const uint8_t* rgb = ColorTable[IndexMap[y][x]];
            row[x * 3] = rgb[2], row[x * 3 + 1] = rgb[1], row[x * 3 + 2] = rgb[0];
        }
    }
    bitmap.Changed();
}

void TGradFillAngled::SetAngle(int angle) {
    Angle = NormaliseAngle(angle);
}

void TGradFillAngled::BuildIndexMap() {
    const AngledTerms t(Angle);
    const int64_t stepY = Trunc(2 * t.C / 127), stepX = Trunc(2 * t.S / 127);
    const int64_t start = -Trunc(t.C) - Trunc(t.S - 33554432.0L);
    for (int y = 0; y < kGradSize; ++y) {
        int64_t value = start + y * stepY;
        for (int x = 0; x < kGradSize; ++x, value += stepX)
            IndexMap[y][x] = ClampIndex(value / 65536);
    }
}

void TGradFillDiamond::BuildIndexMap() {
    const AngledTerms t(Angle);
    const int64_t pStepY = Trunc(2 * t.C / 127), pStepX = Trunc(2 * t.S / 127);
    const int64_t pStart = -Trunc(t.C) - Trunc(t.S - 33554432.0L);
    const int64_t qStepY = Trunc(-2 * t.S / 127), qStepX = Trunc(2 * t.C / 127);
    const int64_t qStart = Trunc(t.S) - Trunc(t.C - 33554432.0L);
    for (int y = 0; y < kGradSize; ++y) {
        int64_t p = pStart + y * pStepY, q = qStart + y * qStepY;
        for (int x = 0; x < kGradSize; ++x, p += pStepX, q += qStepX) {
            const int64_t v = std::max(std::llabs(2 * q - 67108864), std::llabs(2 * p - 67108864));
            IndexMap[y][x] = ClampIndex(v / 65536);
        }
    }
}

void TGradFillCircle::BuildIndexMap() {
    CornerDistance = int32_t(std::lrint(std::sqrt(2.0L) * 63.5L * 4096.0L));
    ForOctants([this](int x, int y, int32_t r, int32_t) {
        IndexMap[y][x] = uint16_t(GradIndex(r, 0, CornerDistance));
    });
}

void TGradFillCone::SetAngle(int angle) {
    TGradFillAngled::SetAngle(angle);
    AngleOffset = int32_t(std::lrint(Angle * kPi / 180.0L * 4096.0L));
}

void TGradFillCone::BuildColorTable() {
    EnsureSpareColor();
    if (Count < 1) {
        BuildColorTableOf(0);
        return;
    }
    // The first colour again after the last closes the ring.
    Colors[size_t(Count)] = Colors[0];
    BuildColorTableOf(Count + 1);
}

void TGradFillCone::BuildIndexMap() {
    ForOctants([this](int x, int y, int32_t, int32_t angle) {
        int32_t a = angle + AngleOffset;
        while (a < -kHalf)
            a += kFull;
        while (a >= kHalf + 1)
            a -= kFull;
        IndexMap[y][x] = uint16_t(GradIndex(a, -kHalf, kHalf));
    });
}

rgGradationDir GradKindAngleToDir(rgGradationKind kind, int angle) {
    switch (kind) {
    case rgkSimple:
        for (int dir = 0; dir < 8; ++dir)
            if (GradDirToAngle(dir) == angle)
                return rgGradationDir(dir);
        return rgdLeftToRight;
    case rgkBoxToRim:
        return rgdCenterToRim;
    case rgkBoxToCenter:
        return rgdRimToCenter;
    default:
        return rgdLeftToRight;
    }
}

int GradDirToAngle(int dir) {
    static const int angles[8] = {270, 90, 0, 180, 315, 45, 135, 225};
    const int low = dir & 0x7F;
    return low < 8 ? angles[low] : 0;
}

void DrawGradation(TCanvas& canvas, const TRect& rect, const TColor* colors, int count, rgGradationKind kind,
                   int angle, bool invertMode) {
    if (!colors || count < 1 || rect.IsEmpty())
        return;
    std::unique_ptr<TGradFill> fill;
    switch (kind) {
    case rgkSimple: {
        auto angled = std::make_unique<TGradFillAngled>();
        angled->SetAngle(angle);
        fill = std::move(angled);
        break;
    }
    case rgkBoxToRim:
    case rgkBoxToCenter: {
        auto diamond = std::make_unique<TGradFillDiamond>();
        diamond->Reversed = kind == rgkBoxToRim;
        diamond->SetAngle(angle);
        fill = std::move(diamond);
        break;
    }
    case rgkCircleToRim:
    case rgkCircleToCenter:
        fill = std::make_unique<TGradFillCircle>();
        fill->Reversed = kind == rgkCircleToRim;
        break;
    default: {
        auto cone = std::make_unique<TGradFillCone>();
        cone->Reversed = kind == rgkConeClockwise;
        cone->SetAngle(angle);
        fill = std::move(cone);
        break;
    }
    }
    fill->SetColorCount(count);
    for (int i = 0; i < count; ++i)
        fill->SetColor(i, colors[i]);
    fill->Render();
    fill.reset();

    const TCopyMode saved = canvas.CopyMode();
    canvas.SetCopyMode(invertMode ? cmSrcInvert : cmSrcCopy);
    try {
        TBitmap& gradTemplate = GradTemplate();
        if (IsPrinterCanvas(canvas)) {
            // A page-sized gradation at printer resolution would be hundreds of megabytes: the
            // template is resampled to the rectangle's size a band of rows at a time.
            const int width = rect.Width(), height = rect.Height();
            const TPixelView source = ReadPixelViewOf(gradTemplate);
            if (width > kMaxResampleSide || height > kMaxResampleSide)
                throw EInvalidGraphic(
                    QStringLiteral("A gradation of %1 x %2 printer pixels is too large (%3 a side "
                                   "at most)")
                        .arg(width)
                        .arg(height)
                        .arg(kMaxResampleSide));
            TBitmap band(width, std::min(height, kGradPrinterBand), pf24bit);
            for (int first = 0; first < height; first += kGradPrinterBand) {
                const int rows = std::min(kGradPrinterBand, height - first);
                if (rows != band.Height())
                    band.SetSize(width, rows);
                ResampleRows(PixelViewOf(band), first, height, source, rkLinear);
                band.Changed();
                canvas.Draw(rect.Left, rect.Top + first, band);
            }
        } else {
            StretchDrawLocked(canvas, rect, &gradTemplate);
        }
    } catch (...) {
        canvas.SetCopyMode(saved);
        throw;
    }
    canvas.SetCopyMode(saved);
}
