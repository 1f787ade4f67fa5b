#pragma once
// Rendering, streaming and site helpers shared by the layout object tests.

#include "pageobjects/engine/UDrawSite.h"
#include "platform/Color.h"

#include <QByteArray>
#include <QImage>
#include <initializer_list>
#include <memory>

class TComponent;
class TCustomImagePack;
class TDrawObject;

// Registers the layout classes for streaming (the factory does it in the application).
void RegisterLayoutTestClasses();

// White image of w x h pixels at one logical unit a pixel, the objects painted in order.
QImage RenderObjects(std::initializer_list<TDrawObject*> objects, int w, int h);
// The site's page drawn onto a white image at dpi pixels per inch (the site's unit is 0.1 mm).
QImage RenderSite(TDrawSite& site, int dpi);
TColor Pixel(const QImage& image, int x, int y);
// Whether each channel of the pixel is within tolerance of the colour.
bool Near(TColor a, TColor b, int tolerance);
// The component stream of an object, and an object read back from one.
QByteArray Store(TComponent* object);
std::unique_ptr<TComponent> Load(const QByteArray& bytes);
// A site of w x h logical units of 0.1 mm, its own canvas at 96 dpi and 100 percent.
std::unique_ptr<TDrawSite> MakeSite(int w, int h);

// A glyph pack of count pictures of w x h, picture i filled with GlyphColor(i); the pictures
// listed in empty have no size.
std::unique_ptr<TCustomImagePack> MakeGlyphPack(int count, int w, int h,
                                                std::initializer_list<int> empty = {});
TColor GlyphColor(int index);
