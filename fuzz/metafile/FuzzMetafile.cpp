// Feeds arbitrary bytes to the metafile graphic and plays them: onto an image (with a turned and
// scaled caller mapping, so every path of the player's transforms is taken) and onto a recording
// canvas. Refusal by the header is fine; a crash, a read past the data, a hang or a canvas left
// otherwise than found is not.

#include "platform/Exception.h"
#include "platform/Metafile.h"
#include "platform/MetafilePlayer.h"

#include "fuzz/FuzzGuiApp.h"

#include <QGuiApplication>
#include <QImage>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Fonts and recorded pictures need a GUI application (offscreen in tests).
    StartFuzzGuiApp("fuzz_metafile");
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TMetafilePlayer::Complete(bytes);
    TMetafile meta;
    try {
        meta.SetData(bytes);
    } catch (const Exception&) {
        return 0;
    }
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::white);
    {
        TCanvas canvas(&image);
        canvas.SetMapMode(MM_ANISOTROPIC);
        canvas.SetWindowExt(100, 100);
        canvas.SetViewportExt(64, -48);
        canvas.SetViewportOrg(0, 48);
        const int level = canvas.SavedLevel();
        TMetafilePlayReport report;
        TMetafilePlayer::Play(canvas, bytes, TRect(10, 10, 90, 90), &report);
        if (canvas.SavedLevel() != level || canvas.HasClipRegion() || !canvas.WorldTransform().isIdentity())
            std::abort();
        QTransform turn;
        turn.rotate(30);
        canvas.SetWorldTransform(turn);
        canvas.StretchDraw(TRect(0, 0, 50, 40), meta);
    }
    TMetafile recording;
    {
        TMetafileCanvas canvas(recording);
        canvas.StretchDraw(TRect(0, 0, 30, 20), meta);
    }
    return 0;
}
