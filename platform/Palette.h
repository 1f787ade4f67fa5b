#pragma once
// Logical palettes, standing in for the graphics layer's palette objects: a list of entries
// (red, green, blue, flags) of version 0x300. Displays here are true-colour, so a palette is
// data for 8-bit pictures and colour tables, never realized on a device.

#include <cstdint>
#include <memory>
#include <vector>

struct TPaletteEntry {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
    friend bool operator==(const TPaletteEntry&, const TPaletteEntry&) = default;
};

struct TPalette {
    uint16_t Version = 0x300;
    std::vector<TPaletteEntry> Entries;
    int Count() const { return int(Entries.size()); }
};

// A palette shared by its users; null stands for "no palette".
using TPaletteRef = std::shared_ptr<TPalette>;
