// Feeds arbitrary bytes to the reader of a distortion's stored "Data" and, when they are taken,
// maps points through the patch it describes. A clean read error is fine; a crash, a read past
// the block, an allocation the data cannot back, or a written form that differs from the bytes
// read is not.

#include "pageobjects/engine/UCoonsDistortion.h"
#include "pageobjects/engine/UStroke.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    TMemoryStream in(bytes);
    TCoonsDistortion d;
    try {
        d.ReadData(in);
    } catch (const EReadError&) {
        return 0;
    }
    TMemoryStream out;
    d.WriteData(out);
    if (out.Data() != bytes.left(qsizetype(in.GetPosition())))
        std::abort();

    d.SetSourceRect(Rect(0, 0, 1000, 500));
    d.SetDestRect(Rect(-100, 50, 900, 1550));
    TStroke s;
    s.MakeRoundRect(Rect(0, 0, 1000, 500), 120);
    s.SplitLines();
    d.TransformStroke(s);
    TPoint far(-2000000000, 2000000000);
    d.TransformPoint(far);
    for (int side = 0; side < 4; ++side)
        for (int i = -3; i < d.GetCount(side) + 3; ++i) {
            (void)d.GetPoint(side, i);
            (void)d.GetParam(side, i);
        }
    d.BlendCurves(37);
    d.TransformStroke(s);
    return 0;
}
