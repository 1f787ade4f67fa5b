#include "pageobjects/engine/UScaler.h"

#include "platform/Canvas.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

// a x b / c rounded half away from zero in 64 bits, clamped into 32 bits; 0 when c is 0 so that a
// scaler set to 0 gives empty geometry instead of garbage.
int MulDiv64(int64_t a, int64_t b, int64_t c) {
    if (c == 0)
        return 0;
    const int64_t n = a * b;
    const bool negative = (n < 0) != (c < 0);
    const int64_t an = n < 0 ? -n : n;
    const int64_t ac = c < 0 ? -c : c;
    const int64_t q = (an + ac / 2) / ac;
    return int(std::clamp<int64_t>(negative ? -q : q, INT32_MIN, INT32_MAX));
}

// Floor and ceiling division for positive divisors, so that negative coordinates grow outward
// like positive ones.
int64_t FloorDiv(int64_t a, int64_t b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}
int64_t CeilDiv(int64_t a, int64_t b) {
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

int Clamp32(int64_t v) {
    return int(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
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
    return TPoint(MulDiv64(p.X, f, d), MulDiv64(p.Y, f, d));
}

TPoint TScaler::DevToLog(const TCanvas& canvas, const TPoint& p) const {
    const int64_t f = int64_t(canvas.PixelsPerInch()) * scale_;
    const int64_t d = int64_t(unitDPI_) * 100;
    return TPoint(MulDiv64(p.X, d, f), MulDiv64(p.Y, d, f));
}

TRect TScaler::LogRectToDev(const TCanvas& canvas, const TRect& r) const {
    const int64_t f = int64_t(canvas.PixelsPerInch()) * scale_;
    const int64_t d = int64_t(unitDPI_) * 100;
    if (d <= 0 || f <= 0)
        return TRect();
    return TRect(Clamp32(FloorDiv(r.Left * f, d)), Clamp32(FloorDiv(r.Top * f, d)),
                 Clamp32(CeilDiv(r.Right * f, d)), Clamp32(CeilDiv(r.Bottom * f, d)));
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
    canvas.SetWindowExt(Clamp32(den / g), Clamp32(den / g));
    canvas.SetViewportExt(Clamp32(num / g), Clamp32(num / g));
    canvas.SetViewportOrg(viewportOrg.X, viewportOrg.Y);

    TFont& font = canvas.Font();
    if (font.PixelsPerInch != unitDPI_ && unitDPI_ > 0) {
        const int points = font.Size();
        font.PixelsPerInch = unitDPI_;
        font.SetSize(points);
    }
}
