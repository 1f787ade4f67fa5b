// Feeds arbitrary bytes to the component reader as a stored text object (a plain, date or wizard
// text), then lays it out, takes
// its extent, hit-tests it and paints it with its alpha map, as a page would. A clean read error
// is fine; a crash, a hang on hostile sizes, a leak, or an object that does not store the same
// after a round trip is not.

#include "pageobjects/layout/ULODate.h"
#include "pageobjects/layout/ULOText.h"
#include "pageobjects/layout/ULOWizardText.h"
#include "platform/Bitmap.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"

#include "fuzz/FuzzGuiApp.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <cstdlib>

namespace {

void Register() {
    static const bool done = [] {
        for (const TMetaClass* meta :
             {&TLOText::StaticClass(), &TLODate::StaticClass(), &TLOWizardText::StaticClass()})
            if (GetClass(meta->Name()) == nullptr)
                RegisterClass(*meta);
        return true;
    }();
    (void)done;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Fonts need a GUI application (offscreen in tests).
    StartFuzzGuiApp("fuzz_textobject");
    Register();
    TMemoryStream stream(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    std::unique_ptr<TComponent> component;
    try {
        component = ReadComponent(stream);
    } catch (const Exception&) {
        return 0;
    }
    auto* text = dynamic_cast<TLOText*>(component.get());
    if (text == nullptr)
        return 0;
    TMemoryStream first;
    WriteComponent(first, text);
    first.Seek(0, TSeekOrigin::soBeginning);
    std::unique_ptr<TComponent> again = ReadComponent(first);
    TMemoryStream second;
    WriteComponent(second, again.get());
    if (first.Data() != second.Data())
        std::abort();

    TRect extent;
    text->GetLogRect(extent);
    text->HitTest(TPoint(text->LogLeft() + 1, text->LogTop() + 1));
    // Painted into a small image: only the part over it is worked on, whatever the stored sizes.
    QImage image(64, 64, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(kLayoutUnitsPerInch);
    canvas.SetWindowOrg(text->LogLeft(), text->LogTop());
    text->PaintTo(canvas);
    canvas.FreeHandle();
    return 0;
}
