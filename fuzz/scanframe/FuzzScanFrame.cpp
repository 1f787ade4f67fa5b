// Feeds what a scanner could deliver to the conversion into pixels: one to three frames, each a
// 10-byte header (format and depth as bytes; bytes per line, pixels per line, lines (signed) and
// data length as little-endian 16-bit) and its data. A refusal is fine; a crash, a read
// past the data or pixels of another size than the parameters give is not.

#include "platform/Scanner.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    constexpr size_t kHeader = 10;
    std::vector<Scanner::Frame> frames;
    size_t pos = 0;
    while (frames.size() < 3 && size - pos >= kHeader) {
        const uint8_t* h = data + pos;
        Scanner::Frame frame;
        frame.format = h[0] % 6;
        frame.depth = h[1];
        frame.bytesPerLine = Le16(h + 2);
        frame.pixelsPerLine = Le16(h + 4);
        frame.lines = int16_t(Le16(h + 6));
        const size_t length = std::min<size_t>(Le16(h + 8), size - pos - kHeader);
        frame.data = QByteArray(reinterpret_cast<const char*>(h + kHeader), qsizetype(length));
        pos += kHeader + length;
        frames.push_back(std::move(frame));
    }
    try {
        const PixelBuffer pixels = Scanner::FramesToPixels(frames);
        if (pixels.IsNull() || pixels.Width() != frames.front().pixelsPerLine)
            std::abort();
        if (frames.front().lines >= 0 && pixels.Height() > frames.front().lines)
            std::abort();
    } catch (const Exception&) {
    }
    return 0;
}
