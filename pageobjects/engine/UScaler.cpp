#include "pageobjects/engine/UScaler.h"

#include "platform/Canvas.h"
#include "platform/IntMath.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// Products of a coordinate, a resolution and a stored scale may pass 64 bits; they are formed
// in 128.
__extension__ typedef __int128 TWide;

TWide Clamp32Wide(TWide v) {
    return v < INT32_MIN ? TWide(INT32_MIN) : (v > INT32_MAX ? TWide(INT32_MAX) : v);
}

// Floor and ceiling of a x b / c for positive c, so that negative coordinates grow outward like
// positive ones.
int FloorMulDiv(int64_t a, int64_t b, int64_t c) {
    const TWide n = TWide(a) * b;
    return int(Clamp32Wide(n >= 0 ? n / c : -((-n + c - 1) / c)));
}

int CeilMulDiv(int64_t a, int64_t b, int64_t c) {
    const TWide n = TWide(a) * b;
    return int(Clamp32Wide(n >= 0 ? (n + c - 1) / c : -((-n) / c)));
}

} // namespace

int TScaler::ScreenPixelsPerInch() {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (const QScreen* screen = QGuiApplication::primaryScreen()) {
            const int dpi = int(std::lround(screen->logicalDotsPerInchY()));
            if (dpi > 0)
                return dpi;
        }
    }
    return 96;
}

TScaler::TScaler() : unitDPI_(ScreenPixelsPerInch()) {}

void TScaler::DeclareProperties(TPropertyBuilder<TScaler>& p) {
    p.Integer("Scale", &TScaler::Scale, &TScaler::SetScale).Default(100);
    p.Integer("UnitDPI", &TScaler::UnitDPI, &TScaler::SetUnitDPI);
}

void TScaler::SetScale(int value) {
    if (value == scale_)
        return;
    scale_ = value;
    Changed();
}

void TScaler::SetUnitDPI(int value) {
    if (value == unitDPI_)
        return;
    unitDPI_ = value;
    Changed();
}

void TScaler::Changed() {
    if (OnChange)
        OnChange(this);
}

void TScaler::Assign(const TPersistent* source) {
    if (const auto* other = dynamic_cast<const TScaler*>(source)) {
        scale_ = other->scale_;
        unitDPI_ = other->unitDPI_;
        Changed();
        return;
    }
    TPersistent::Assign(source);
}

TPoint TScaler::LogToDev(const TCanvas& canvas, const TPoint& p) const {
    const int64_t f = int64_t(canvas.PixelsPerInch()) * scale_;
    const int64_t d = int64_t(unitDPI_) * 100;
    return TPoint(ClampToInt32(MulDiv64(p.X, f, d)), ClampToInt32(MulDiv64(p.Y, f, d)));
}

TPoint TScaler::DevToLog(const TCanvas& canvas, const TPoint& p) const {
    const int64_t f = int64_t(canvas.PixelsPerInch()) * scale_;
    const int64_t d = int64_t(unitDPI_) * 100;
    return TPoint(ClampToInt32(MulDiv64(p.X, d, f)), ClampToInt32(MulDiv64(p.Y, d, f)));
}

TRect TScaler::LogRectToDev(const TCanvas& canvas, const TRect& r) const {
    const int64_t f = int64_t(canvas.PixelsPerInch()) * scale_;
    const int64_t d = int64_t(unitDPI_) * 100;
    if (d <= 0 || f <= 0)
        return TRect();
    return TRect(FloorMulDiv(r.Left, f, d), FloorMulDiv(r.Top, f, d), CeilMulDiv(r.Right, f, d),
                 CeilMulDiv(r.Bottom, f, d));
}

void TScaler::PrepareCanvas(TCanvas& canvas, int dpi) const {
    const TPoint oldWindowOrg = canvas.SetWindowOrg(0, 0);
    const TPoint oldViewportOrg = canvas.SetViewportOrg(0, 0);
    const TPoint shift = canvas.LPtoDP(oldWindowOrg);
    const TPoint viewportOrg(oldViewportOrg.X - shift.X, oldViewportOrg.Y - shift.Y);

    if (dpi == 0)
        dpi = canvas.PixelsPerInch();
    int64_t num = int64_t(scale_) * dpi;
    int64_t den = int64_t(unitDPI_) * 100;
    if (num <= 0 || den <= 0) {
        // A zero or negative scale maps nothing sensibly; keep a one-to-one mapping.
        num = 1;
        den = 1;
    }
    const int64_t g = std::gcd(den, num);
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExt(ClampToInt32(den / g), ClampToInt32(den / g));
    canvas.SetViewportExt(ClampToInt32(num / g), ClampToInt32(num / g));
    canvas.SetViewportOrg(viewportOrg.X, viewportOrg.Y);

    TFont& font = canvas.Font();
    if (font.PixelsPerInch != unitDPI_ && unitDPI_ > 0) {
        const int points = font.Size();
        font.PixelsPerInch = unitDPI_;
        font.SetSize(points);
    }
}
