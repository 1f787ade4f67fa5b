// Feeds arbitrary bytes to the reader of an embedded object's stored "Data" and, when they are
// taken, writes them back and paints the object (its presentation or the placeholder). A clean
// read error is fine; a crash, an allocation the bytes cannot back, or a written form that differs
// from the bytes read is not.

#include "imaging/USafetyBitmap.h"
#include "pageobjects/layout/ULOOLE.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QImage>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    RegisterSafetyBitmap();
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TMemoryStream in(bytes);
    TLOOLE ole(nullptr);
    try {
        ole.LoadFromStream(in);
    } catch (const EReadError&) {
        if (ole.HasObject())
            std::abort();
        return 0;
    }
    TMemoryStream out;
    ole.SaveToStream(out);
    if (out.Data() != bytes.left(qsizetype(in.GetPosition())))
        std::abort();
    ole.TakeNaturalExtent();
    ole.SetLogRect(TRect(0, 0, 64, 48));
    QImage image(64, 48, QImage::Format_RGB32);
    TCanvas canvas(&image);
    ole.PaintTo(canvas);
    canvas.FreeHandle();
    return 0;
}
