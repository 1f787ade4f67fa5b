#pragma once
// Synthetic image packs and widget grabs for the control tests.

#include "imaging/UImagePack.h"
#include "platform/Color.h"

#include <QImage>
#include <QWidget>
#include <memory>
#include <vector>

namespace ControlsTest {

// A pack of one row of cells, cell i filled with colors[i].
std::unique_ptr<TMatrixImagePack> MakePack(const std::vector<TColor>& colors, int cellWidth, int cellHeight);
// The widget as it paints itself, in RGB32.
QImage Grab(QWidget& widget);
// The 0x00BBGGRR colour of a pixel.
TColor PixelAt(const QImage& image, int x, int y);

} // namespace ControlsTest
