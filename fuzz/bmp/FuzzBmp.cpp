// Feeds arbitrary bytes to both bitmap readers: the device-independent block (read in place from
// a memory stream and copied from any other stream) and the bitmap class's file reader. A clean
// exception is fine; a crash, a read past the data, or a bitmap that does not survive being
// written and read again is not.

#include "imaging/UDIB.h"
#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QImage>
#include <cstdint>
#include <cstdlib>

namespace {

void CheckRoundTrip(const PixelBuffer& pixels) {
    if (pixels.IsNull())
        return;
    TMemoryStream again(EncodeBitmapFile(pixels));
    if (!(ReadBitmapFile(again) == pixels))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        TMemoryStream stream(bytes);
        TDIB dib;
        dib.LoadFromStream(stream);
        if (stream.GetPosition() > stream.GetSize())
            std::abort();
        const PixelBuffer pixels = dib.Pixels();
        if (pixels.Width() != dib.Width() || pixels.Height() != dib.Height())
            std::abort();
        CheckRoundTrip(pixels);
        QImage target(16, 16, QImage::Format_RGB32);
        TCanvas canvas(&target);
        dib.DrawDirect(canvas, Rect(0, 0, 16, 16), Rect(0, 0, dib.Width(), dib.Height()));
    } catch (const Exception&) {
    }
    try {
        TMemoryStream base(bytes);
        TSubStream window(base, 0, base.GetSize());
        TDIB dib;
        dib.LoadFromStream(window);
        if (window.GetPosition() > window.GetSize())
            std::abort();
    } catch (const Exception&) {
    }
    try {
        TMemoryStream stream(bytes);
        CheckRoundTrip(ReadBitmapFile(stream));
    } catch (const Exception&) {
    }
    return 0;
}
