// Feeds arbitrary bytes to the Photo CD reader as a file: the header decides what opens, then
// every offered size is decoded in a format and transform taken from the data. A refusal is
// fine; a crash, a read past the data or a picture of the wrong size is not.

#include "imaging/UPCDAccess.h"
#include "platform/Stream.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    static constexpr int kFormats[] = {kPCDFormatGray, kPCDFormatRGB, kPCDFormatHalftone};
    const int choice = size > 0 ? data[size - 1] : 0;
    TPCDAccess pcd;
    if (!pcd.OpenStream(std::make_unique<TMemoryStream>(bytes)))
        return 0;
    try {
        pcd.SetFormat(kFormats[choice % 3]);
        pcd.SetTransform(choice / 3 % 8);
        for (int r = kPCDBase16; r <= kPCDBase; ++r) {
            if (!pcd.HasResolution(r))
                continue;
            pcd.SetResolution(r);
            const PixelBuffer pixels = pcd.LoadPixels();
            const bool turned = pcd.Transform() & kPCDTurnLeft;
            if (pixels.IsNull() || pixels.Width() != (turned ? PCDImageHeight(r) : PCDImageWidth(r)))
                std::abort();
        }
        TMemoryStream file;
        pcd.SaveToStream(file);
    } catch (const EPCDError&) {
        std::abort();
    }
    return 0;
}
