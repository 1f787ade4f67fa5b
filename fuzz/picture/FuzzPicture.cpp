// Feeds arbitrary bytes to the picture holder's reader (the stored form: class name, then the
// graphic's own data) and draws whatever loads, so every registered format's decoder runs. A
// clean exception is fine; a crash, a sanitizer report or a read past the data is not.

#include "imaging/UPictureEX.h"
#include "platform/Canvas.h"
#include "platform/Stream.h"

#include "fuzz/FuzzGuiApp.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Fonts and recorded pictures need a GUI application (offscreen in tests).
    StartFuzzGuiApp("fuzz_picture");

    TMemoryStream stream(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    TPictureEx picture;
    try {
        picture.LoadFromStream(stream);
    } catch (const Exception&) {
        return 0;
    }
    if (stream.GetPosition() > stream.GetSize())
        std::abort();
    if (TGraphic* graphic = picture.Graphic()) {
        QImage target(32, 32, QImage::Format_RGB32);
        target.fill(Qt::white);
        TCanvas canvas(&target);
        try {
            graphic->Draw(canvas, TRect(0, 0, 32, 32));
            TMemoryStream out;
            picture.SaveToStream(out);
        } catch (const Exception&) {
        }
    }
    return 0;
}
