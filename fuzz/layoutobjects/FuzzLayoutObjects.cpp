// Feeds arbitrary bytes to the reader of stored object lists with every shape and picture class,
// album photos, decorated strings (over a small glyph pack with a picture of no size among them) and bar
// codes registered, then paints what was read onto a small page, hit-tests it and asks its bounds. A clean
// exception is fine; a crash, a hang or an allocation without bound is not.

#include "imaging/UImagePack.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/UDOGroup.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULODecoLine.h"
#include "pageobjects/layout/ULODecoString.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOJANCode.h"
#include "pageobjects/layout/ULOLine.h"
#include "pageobjects/layout/ULORect.h"
#include "platform/Canvas.h"
#include "platform/ClassRegistry.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include "fuzz/FuzzGuiApp.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

void Register() {
    StartFuzzGuiApp("fuzz_layoutobjects");
    static const bool done = [] {
        for (const TMetaClass* meta :
             {&TLOLine::StaticClass(), &TLOCurve::StaticClass(), &TLORect::StaticClass(),
              &TLOCircle::StaticClass(), &TLOImage::StaticClass(), &TLOWizardImage::StaticClass(),
              &TLOAlbumIllust::StaticClass(), &TLOAlphaMask::StaticClass(), &TLODecoLine::StaticClass(),
              &TDOGroup::StaticClass(), &TLOBackImage::StaticClass(), &TLODecoString::StaticClass(),
              &TLOJANCode::StaticClass(), &TLOAlbumPhoto::StaticClass(), &TLOPhotoImage::StaticClass(),
              &TLOAlbumShade::StaticClass()})
            if (GetClass(meta->Name()) == nullptr)
                RegisterClass(*meta);
        // 70 glyphs of varied proportions, the fifth without size, so font numbers wrap.
        static TCustomImagePack glyphs(nullptr);
        glyphs.SetCacheLimit(kImageFontGlyphs);
        glyphs.OnGetCount = [](TObject*, int& count) { count = 70; };
        glyphs.OnGetImage = [](TObject*, TPictureEx& picture, int index) {
            TSafetyBitmap b(index == 4 ? 0 : 1 + index % 7, index == 4 ? 0 : 1 + index % 5, pf24bit);
            picture.SetGraphic(&b);
        };
        SetImageFontPackProvider([] { return &glyphs; });
        // Photos prepared as on screen; stored date formats and Exif dates reach the stamp.
        SetImageDispLimitSize(800);
        return true;
    }();
    (void)done;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Register();
    TMemoryStream stream(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    TOwnedDOList list;
    try {
        list.LoadFromStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    // A page of 200 x 150 units at a quarter of a pixel each, and one at two pixels each.
    for (const int scale : {25, 200}) {
        QImage page(200 * scale / 100, 150 * scale / 100, QImage::Format_RGB32);
        page.fill(Qt::white);
        TCanvas canvas(&page);
        canvas.SetMapMode(MM_ANISOTROPIC);
        canvas.SetWindowExt(100, 100);
        canvas.SetViewportExt(scale, scale);
        for (int i = 0; i < list.Count(); ++i) {
            TDrawObject* object = list.Items(i);
            if (auto* back = dynamic_cast<TLOBackImage*>(object)) {
                TFaceInfo face;
                face.Rect = TRect(0, 0, 200, 150);
                face.FaceShape = fsDoughnut;
                face.FaceMargin = 5;
                back->SetFaceInfo(face);
            }
            try {
                object->PaintTo(canvas);
            } catch (const Exception&) {
                // A decorated line without a motif fails visibly; the others still paint.
            }
        }
        canvas.FreeHandle();
    }
    for (int i = 0; i < list.Count(); ++i) {
        TDrawObject* object = list.Items(i);
        (void)object->LogRect();
        for (const TPoint& p : {TPoint(0, 0), TPoint(50, 40), TPoint(199, 149), TPoint(-10, 1000)})
            (void)object->HitTest(p);
    }
    return 0;
}
