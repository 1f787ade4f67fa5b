// Feeds arbitrary bytes, as the stored form of a page object, to a colour spec and an image data
// (with the clip rectangle and colour list they read themselves), then stores them again, builds
// the filtered picture and paints fills and previews. A clean exception is fine; a crash, a hang
// or an allocation without bound is not.

#include "imaging/UColorFill.h"
#include "imaging/UImageData.h"
#include "platform/Bitmap.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QGuiApplication>
#include <cstdint>
#include <memory>

namespace {

class TFuzzHolder : public TComponent {
    QUORLANE_CLASS(TFuzzHolder, TComponent)

public:
    explicit TFuzzHolder(TComponent* owner) : TComponent(owner) {}
    static void DeclareProperties(TPropertyBuilder<TFuzzHolder>& p) {
        p.Object("Fill", &TFuzzHolder::Fill);
        p.Object("Image", &TFuzzHolder::Image);
    }
    TColorSpec* Fill() { return &fill; }
    TImageData* Image() { return &image; }
    TColorSpec fill;
    TImageData image;
};

void Exercise(TFuzzHolder& holder) {
    try {
        TMemoryStream again;
        WriteComponent(again, &holder);
    } catch (const Exception&) {
    }
    try {
        holder.image.GetFilteredPicture();
    } catch (const Exception&) {
    }
    try {
        TBitmap target(32, 32, pf24bit);
        holder.fill.FillRect(target.Canvas(), Rect(0, 0, 32, 32));
        holder.fill.DrawPreview(target.Canvas(), Rect(0, 0, 32, 32));
    } catch (const Exception&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Painting needs a GUI application (offscreen in tests).
    static int argc = 1;
    static char name[] = "fuzz_colorfill";
    static char* argv[] = {name, nullptr};
    static QGuiApplication app(argc, argv);

    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TFuzzHolder holder(nullptr);
    try {
        TMemoryStream stream(bytes);
        ReadComponent(stream, holder);
    } catch (const Exception&) {
    }
    Exercise(holder);
    return 0;
}
