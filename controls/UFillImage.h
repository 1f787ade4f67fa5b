#pragma once
// A container whose background is one image-pack cell, tiled or stretched; the property panels, mode
// bars and dialog backgrounds stand on it. Without a pack (or with an empty cell) it fills with its
// brush.

#include "controls/UBitmapControl.h"

#include <vector>

// The tiles of a cell of size cell laid from r's top-left corner over r; none when the cell has
// no area.
std::vector<TRect> TileRects(const TRect& r, TSize cell);

class TFillImage : public TBitmapControl {
    Q_OBJECT

public:
    explicit TFillImage(QWidget* parent = nullptr);

    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    bool Stretch() const { return stretch_; }
    void SetStretch(bool value);
    // Keeps the control over its parent's whole client area.
    void SetAlignClient(bool value);

    // Draws the background (the cell, or the brush) into the canvas.
    void PaintBackground(TCanvas& canvas);

protected:
    void Paint(TCanvas& canvas) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int imageIndex_ = 0;
    bool stretch_ = false;
    bool alignClient_ = false;
};

// Installs the form set-up's maker of form backgrounds: a fill image over the form's client area,
// tiling the pack's first cell, or filled with the plain colour when there is no pack. Start-up
// calls it once.
void InstallFillImageMaker();
