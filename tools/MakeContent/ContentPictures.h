#pragma once
// The picture catalogues: frames, figures, backgrounds, illustrations and the sample photos. Each
// Make function draws its pictures, writes them and its catalogue files, and returns the cells of
// its contact sheet.

#include "tools/MakeContent/ContentOutput.h"

namespace Content {

// Print resolution of an L-size photo (89 x 127 mm) at 300 dpi.
inline constexpr int kLongSide = 1500;
inline constexpr int kShortSide = 1051;

std::vector<SheetCell> MakeFrames(const Output& out);
std::vector<SheetCell> MakeFigures(const Output& out);
std::vector<SheetCell> MakeBackgrounds(const Output& out);
std::vector<SheetCell> MakeIllustrations(const Output& out);
std::vector<SheetCell> MakePhotos(const Output& out);
// The image fonts of decorated texts: for each font one picture per character of the image-font
// alphabet, in Data/Font, named so that sorting the folder gives fonts and characters in order.
std::vector<SheetCell> MakeImageFonts(const Output& out);

} // namespace Content
