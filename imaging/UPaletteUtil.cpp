#include "imaging/UPaletteUtil.h"

#include "platform/ByteOrder.h"
#include "platform/Stream.h"

#include <QFile>
#include <algorithm>
#include <cstring>
#include <mutex>

namespace {

constexpr int kRiffHeaderSize = 20;
// A logical palette of at most 256 entries: version, count, 4 bytes each.
constexpr uint32_t kMaxPaletteData = 4 + 256 * 4;

bool SameColor(const TPaletteEntry& a, const TPaletteEntry& b) {
    return a.peRed == b.peRed && a.peGreen == b.peGreen && a.peBlue == b.peBlue;
}

TPaletteEntry Entry(int r, int g, int b) {
    return TPaletteEntry{uint8_t(r), uint8_t(g), uint8_t(b), 0};
}

} // namespace

const std::vector<TPaletteEntry>& SystemPaletteColors() {
    static const std::vector<TPaletteEntry> colors = {
        Entry(0, 0, 0),       Entry(128, 0, 0),     Entry(0, 128, 0),     Entry(128, 128, 0),
        Entry(0, 0, 128),     Entry(128, 0, 128),   Entry(0, 128, 128),   Entry(192, 192, 192),
        Entry(192, 220, 192), Entry(166, 202, 240), Entry(255, 251, 240), Entry(160, 160, 164),
        Entry(128, 128, 128), Entry(255, 0, 0),     Entry(0, 255, 0),     Entry(255, 255, 0),
        Entry(0, 0, 255),     Entry(255, 0, 255),   Entry(0, 255, 255),   Entry(255, 255, 255),
    };
    return colors;
}

TPaletteRef CreateHalftonePalette() {
    auto palette = std::make_shared<TPalette>();
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                palette->Entries.push_back(Entry(r * 51, g * 51, b * 51));
    // Greys between the cube's steps.
    for (int i = 1; palette->Count() < 256; ++i) {
        const int v = i * 255 / 41;
        if (v % 51 != 0)
            palette->Entries.push_back(Entry(v, v, v));
    }
    return palette;
}

TPaletteRef LoadPaletteFromStream(TStream& stream) {
    uint8_t header[kRiffHeaderSize];
    if (stream.Read(header, kRiffHeaderSize) != kRiffHeaderSize)
        return nullptr;
    if (std::memcmp(header, "RIFF", 4) != 0 || std::memcmp(header + 8, "PAL data", 8) != 0)
        return nullptr;
    const uint32_t dataSize = GetLE32(header + 16);
    // A chunk that claims more than 256 entries can hold is refused rather than cut.
    if (dataSize < 4 || dataSize > kMaxPaletteData)
        return nullptr;
    uint8_t data[kMaxPaletteData];
    if (stream.Read(data, dataSize) != int64_t(dataSize))
        return nullptr;
    const int count = GetLE16(data + 2);
    if (count > 256 || 4 + 4 * uint32_t(count) > dataSize)
        return nullptr;
    auto palette = std::make_shared<TPalette>();
    palette->Version = GetLE16(data);
    for (int i = 0; i < count; ++i) {
        const uint8_t* e = data + 4 + 4 * i;
        palette->Entries.push_back(TPaletteEntry{e[0], e[1], e[2], e[3]});
    }
    return palette;
}

TPaletteRef LoadPaletteResource(const QString& resName, const QString& resType) {
    QFile file(QStringLiteral(":/%1/%2").arg(resType, resName));
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    TMemoryStream stream(file.readAll());
    return LoadPaletteFromStream(stream);
}

TPaletteRef CreatePaletteFromColorTable(const TRGBQuad* colorTable, int count) {
    auto palette = std::make_shared<TPalette>();
    for (int i = 0; i < count; ++i) {
        const TRGBQuad q = colorTable[i];
        palette->Entries.push_back(Entry(int((q >> 16) & 0xFF), int((q >> 8) & 0xFF), int(q & 0xFF)));
    }
    return palette;
}

int CopyPaletteToColorTable(const TPaletteRef& palette, TRGBQuad* colorTable) {
    if (!palette)
        return 0;
    const int count = std::min(256, palette->Count());
    for (int i = 0; i < count; ++i) {
        const TPaletteEntry& e = palette->Entries[size_t(i)];
        colorTable[i] = (TRGBQuad(e.peRed) << 16) | (TRGBQuad(e.peGreen) << 8) | e.peBlue;
    }
    return count;
}

void FixPaletteEntries(TPalette& palette, bool blackWhiteOnly, int count) {
    const std::vector<TPaletteEntry> system =
        blackWhiteOnly ? std::vector<TPaletteEntry>{Entry(0, 0, 0), Entry(255, 255, 255)}
                       : SystemPaletteColors();
    count = std::max(count, int(system.size()));
    std::vector<TPaletteEntry> list = system;
    auto addNew = [&](const TPaletteEntry& e) {
        if (int(list.size()) >= count)
            return;
        for (const TPaletteEntry& present : list) {
            if (SameColor(present, e))
                return;
        }
        list.push_back(Entry(e.peRed, e.peGreen, e.peBlue));
    };
    for (const TPaletteEntry& e : palette.Entries)
        addNew(e);
    for (int green = 0; green <= 1 && int(list.size()) < count; ++green) {
        for (int blue = 1; blue <= 255 && int(list.size()) < count; ++blue)
            addNew(Entry(0, green, blue));
    }
    const size_t s = system.size();
    const size_t h = s / 2;
    std::vector<TPaletteEntry> result(static_cast<size_t>(count));
    for (size_t i = 0; i < h; ++i)
        result[i] = system[i];
    for (size_t i = s; i < list.size(); ++i)
        result[h + (i - s)] = list[i];
    for (size_t i = h; i < s; ++i)
        result[size_t(count) - s + i] = system[i];
    palette.Entries = std::move(result);
}

void FixPaletteSystemColors(TPalette& palette, bool blackWhiteOnly) {
    FixPaletteEntries(palette, blackWhiteOnly, 256);
}

TPaletteRef GetDefaultPalette() {
    static TPaletteRef palette;
    static std::once_flag once;
    std::call_once(once, [] {
        TPaletteRef loaded = LoadPaletteResource(QStringLiteral("DefaultPalette"), QStringLiteral("Palette"));
        if (!loaded)
            loaded = CreateHalftonePalette();
        FixPaletteSystemColors(*loaded, false);
        palette = loaded;
    });
    return palette;
}

TPaletteRef GetGrayPalette() {
    static TPaletteRef palette;
    static std::once_flag once;
    std::call_once(once, [] {
        auto gray = std::make_shared<TPalette>();
        for (int i = 0; i < 256; ++i)
            gray->Entries.push_back(Entry(i, i, i));
        palette = gray;
    });
    return palette;
}
