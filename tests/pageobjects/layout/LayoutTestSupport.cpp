#include "LayoutTestSupport.h"

#include "imaging/UImagePack.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/layout/UDOGroup.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULODate.h"
#include "pageobjects/layout/ULODecoLine.h"
#include "pageobjects/layout/ULODecoString.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOJANCode.h"
#include "pageobjects/layout/ULOLine.h"
#include "pageobjects/layout/ULOOLE.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOWizardText.h"
#include "platform/Canvas.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

void RegisterLayoutTestClasses() {
    RegisterEngineClasses();
    for (const TMetaClass* meta :
         {&TLOLine::StaticClass(), &TLOCurve::StaticClass(), &TLORect::StaticClass(),
          &TLOCircle::StaticClass(), &TLOImage::StaticClass(), &TLOWizardImage::StaticClass(),
          &TLOAlbumIllust::StaticClass(), &TLOAlphaMask::StaticClass(), &TLODecoLine::StaticClass(),
          &TDOGroup::StaticClass(), &TLOBackImage::StaticClass(), &TLOOLE::StaticClass(),
          &TLODate::StaticClass(), &TLOWizardText::StaticClass(), &TLODecoString::StaticClass(),
          &TLOJANCode::StaticClass(), &TLOAlbumPhoto::StaticClass(), &TLOPhotoImage::StaticClass(),
          &TLOAlbumShade::StaticClass()})
        if (GetClass(meta->Name()) == nullptr)
            RegisterClass(*meta);
}

QImage RenderObjects(std::initializer_list<TDrawObject*> objects, int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    for (TDrawObject* object : objects)
        object->PaintTo(canvas);
    canvas.FreeHandle();
    return image;
}

QImage RenderSite(TDrawSite& site, int dpi) {
    const int w = int(int64_t(site.LogWidth()) * dpi / 254);
    const int h = int(int64_t(site.LogHeight()) * dpi / 254);
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(dpi);
    site.DrawTo(canvas, TPoint(0, 0), 100);
    canvas.FreeHandle();
    return image;
}

TColor Pixel(const QImage& image, int x, int y) {
    const QRgb c = image.pixel(x, y);
    return RGB(qRed(c), qGreen(c), qBlue(c));
}

bool Near(TColor a, TColor b, int tolerance) {
    for (int shift : {0, 8, 16})
        if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > tolerance)
            return false;
    return true;
}

QByteArray Store(TComponent* object) {
    TMemoryStream stream;
    WriteComponent(stream, object);
    return stream.Data();
}

std::unique_ptr<TComponent> Load(const QByteArray& bytes) {
    TMemoryStream stream(bytes);
    return ReadComponent(stream);
}

std::unique_ptr<TDrawSite> MakeSite(int w, int h) {
    auto site = std::make_unique<TDrawSite>(nullptr);
    site->Scaler().SetUnitDPI(254);
    site->Canvas().SetPixelsPerInch(96);
    site->SetLogWidth(w);
    site->SetLogHeight(h);
    site->SetColor(clWhite);
    site->SetBorder(false);
    return site;
}

TColor GlyphColor(int index) {
    return RGB(index % 256, 0x40, 0xC0);
}

std::unique_ptr<TCustomImagePack> MakeGlyphPack(int count, int w, int h, std::initializer_list<int> empty) {
    auto pack = std::make_unique<TCustomImagePack>(nullptr);
    pack->SetCacheLimit(64);
    pack->OnGetCount = [count](TObject*, int& n) { n = count; };
    pack->OnGetImage = [w, h, none = std::vector<int>(empty)](TObject*, TPictureEx& picture, int index) {
        if (std::find(none.begin(), none.end(), index) != none.end()) {
            TSafetyBitmap nothing;
            picture.SetGraphic(&nothing);
            return;
        }
        TSafetyBitmap b(w, h, pf24bit);
        b.Canvas().FillSolid(TRect(0, 0, w, h), GlyphColor(index));
        b.Canvas().FreeHandle();
        picture.SetGraphic(&b);
    };
    return pack;
}
