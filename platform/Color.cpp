#include "platform/Color.h"

#include <iterator>

namespace {

// The classic scheme: what a freshly installed desktop shows, so drawings made with system
// colours look the same on every machine.
constexpr TColor kSystemColors[] = {
    RGB(192, 192, 192), RGB(0, 128, 128),   RGB(0, 0, 128),     RGB(128, 128, 128), RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(0, 0, 0),       RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(192, 192, 192), RGB(128, 128, 128), RGB(0, 0, 128),     RGB(255, 255, 255),
    RGB(192, 192, 192), RGB(128, 128, 128), RGB(128, 128, 128), RGB(0, 0, 0),       RGB(192, 192, 192),
    RGB(255, 255, 255), RGB(0, 0, 0),       RGB(192, 192, 192), RGB(0, 0, 0),       RGB(255, 255, 225),
    RGB(0, 0, 0),       RGB(0, 0, 255),     RGB(16, 132, 208),  RGB(181, 181, 181), RGB(0, 0, 128),
    RGB(192, 192, 192),
};

} // namespace

TColor ColorToRGB(TColor color) {
    if (color < 0) {
        const int index = color & 0xFF;
        return index < int(std::size(kSystemColors)) ? kSystemColors[index] : clBlack;
    }
    if (color == clNone || color == clDefault)
        return clBlack;
    return color & 0xFFFFFF;
}

QColor ToQColor(TColor color) {
    const TColor c = ColorToRGB(color);
    return QColor(GetRValue(c), GetGValue(c), GetBValue(c));
}

TColor FromQColor(const QColor& color) {
    return RGB(color.red(), color.green(), color.blue());
}
