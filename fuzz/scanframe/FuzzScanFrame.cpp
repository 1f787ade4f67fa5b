// Feeds what a scanner could deliver to the conversion into pixels: one to three frames, each a
// 10-byte header (format and depth as bytes; bytes per line, pixels per line, lines (signed) and
// data length as little-endian 16-bit) and its data. A refusal is fine; a crash, a read
// past the data or pixels of another size than the parameters give is not. The same frames then
// come through the page reader as a device would send them, in reads of varying length with empty
// reads between, under small bounds: it ends with pixels or a reason, never with both or neither.

#include "platform/Scanner.h"

#include <cstdint>
#include <cstdlib>
#include <algorithm>
#include <cstring>

namespace {

uint16_t Le16(const uint8_t* p) {
    return uint16_t(p[0] | p[1] << 8);
}

// The frames as a device sends them: read lengths from the data's own bytes, an empty read before
// each read whose length byte is a multiple of 5; the last frame says it is the last.
class Replay final : public Scanner::Source {
public:
    explicit Replay(const std::vector<Scanner::Frame>& frames) : frames_(frames) {}
    int Start() override { return next_ < frames_.size() ? kScanGood : kScanIOError; }
    int Parameters(Scanner::Frame& frame, bool& last) override {
        frame = frames_[next_];
        frame.data.clear();
        last = next_ + 1 == frames_.size();
        pos_ = 0;
        ++next_;
        return kScanGood;
    }
    int Read(char* buffer, int max, int& got) override {
        got = 0;
        const QByteArray& data = frames_[next_ - 1].data;
        if (pos_ >= data.size())
            return kScanEof;
        const uint8_t step = uint8_t(data[pos_]);
        if (step % 5 == 0 && !waited_) {
            waited_ = true;
            return kScanGood;
        }
        waited_ = false;
        got = int(std::min<qsizetype>({qsizetype(step) + 1, data.size() - pos_, qsizetype(max)}));
        std::memcpy(buffer, data.constData() + pos_, size_t(got));
        pos_ += got;
        return kScanGood;
    }
    bool Cancelled() const override { return false; }

private:
    const std::vector<Scanner::Frame>& frames_;
    size_t next_ = 0;
    qsizetype pos_ = 0;
    bool waited_ = false;
};

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
    if (frames.empty())
        return 0;
    Replay replay(frames);
    ScanLimits limits;
    limits.bytes = 48 * 1024;
    limits.emptyReads = 1 + int(size % 2);
    const ScanResult page = Scanner::ReadPage(replay, limits);
    if (page.pixels.IsNull() == (page.status == kScanGood))
        std::abort();
    if (!page.pixels.IsNull() && page.pixels.Width() != frames.front().pixelsPerLine)
        std::abort();
    return 0;
}
