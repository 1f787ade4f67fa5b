#include "tests/controls/ControlsTestSupport.h"

#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Canvas.h"

namespace ControlsTest {

std::unique_ptr<TMatrixImagePack> MakePack(const std::vector<TColor>& colors, int cellWidth, int cellHeight) {
    auto pack = std::make_unique<TMatrixImagePack>(nullptr);
    const int count = int(colors.size());
    TSafetyBitmap bitmap(cellWidth * count, cellHeight, pf24bit);
    for (int i = 0; i < count; ++i)
        bitmap.Canvas().FillSolid(TRect(i * cellWidth, 0, (i + 1) * cellWidth, cellHeight),
                                  colors[size_t(i)]);
    pack->Image()->SetGraphic(&bitmap);
    pack->SetCountCol(count);
    pack->SetCountRow(1);
    return pack;
}

QImage Grab(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TColor PixelAt(const QImage& image, int x, int y) {
    return RGBQuadToColor(image.pixel(x, y) & 0xFFFFFF);
}

} // namespace ControlsTest
