#pragma once
// The logical unit and zoom of a drawing surface: one logical unit is 1/UnitDPI inch at Scale
// 100 percent. Page sites use UnitDPI 254, so one unit is a tenth of a millimetre. Every draw
// site owns one; objects, ghosts and printers convert through it, and PrepareCanvas maps a
// canvas so that objects draw directly in logical units.

#include "platform/Component.h"
#include "platform/Rect.h"

class TCanvas;

class TScaler : public TPersistent {
    QUORLANE_CLASS(TScaler, TPersistent)

public:
    // Scale 100, UnitDPI the screen's vertical pixels per inch.
    TScaler();

    static void DeclareProperties(TPropertyBuilder<TScaler>& p);

    int Scale() const { return scale_; }
    void SetScale(int value);
    int UnitDPI() const { return unitDPI_; }
    void SetUnitDPI(int value);

    // With dpi the canvas's pixels per inch, f = dpi x Scale and d = UnitDPI x 100:
    // each coordinate x becomes MulDiv(x, f, d), rounded to nearest.
    TPoint LogToDev(const TCanvas& canvas, const TPoint& p) const;
    // The reverse: MulDiv(x, d, f).
    TPoint DevToLog(const TCanvas& canvas, const TPoint& p) const;
    // Left and top truncated, right and bottom rounded up for positive values; 64-bit products,
    // so printer resolutions at high zoom on large pages cannot overflow.
    TRect LogRectToDev(const TCanvas& canvas, const TRect& r) const;
    // Maps the canvas to logical units (anisotropic, reduced extents), keeping any device
    // offset already applied to it; dpi 0 means the canvas's own resolution. The canvas font
    // takes UnitDPI as its resolution, keeping its point size.
    void PrepareCanvas(TCanvas& canvas, int dpi = 0) const;

    // Copies Scale and UnitDPI from another scaler and fires OnChange once.
    void Assign(const TPersistent* source) override;

    // Fired when Scale or UnitDPI change, or when a scaler is assigned.
    TNotifyEvent OnChange;

    // The screen's vertical pixels per inch (96 without a screen).
    static int ScreenPixelsPerInch();

protected:
    void Changed();

private:
    int scale_ = 100;
    int unitDPI_ = 96;
};
