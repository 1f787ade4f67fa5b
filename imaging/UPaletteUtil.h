#pragma once
// The system's palettes for 8-bit work: the default palette (from the program's palette
// resource, else a halftone palette), the 256-step grey ramp of alpha maps, conversion between
// palettes and colour tables, and the identity layout with the static colours at both ends.

#include "platform/Palette.h"
#include "platform/PixelBuffer.h"

#include <QString>

class TStream;

// Created on first use and kept for the life of the process.
TPaletteRef GetDefaultPalette();
TPaletteRef GetGrayPalette();

// A palette resource of the program (the Qt resource ":/<resType>/<resName>"); null when there
// is none or it is not a palette file.
TPaletteRef LoadPaletteResource(const QString& resName, const QString& resType);
// A RIFF palette file ("RIFF", size, "PAL data", data size, logical palette) at the stream's
// position; null when the header does not match or the data is damaged (a data chunk of more than
// 1028 bytes, more entries than it holds).
TPaletteRef LoadPaletteFromStream(TStream& stream);

TPaletteRef CreatePaletteFromColorTable(const TRGBQuad* colorTable, int count);
// Writes min(256, entries) colour-table entries and answers that number (0 for no palette).
int CopyPaletteToColorTable(const TPaletteRef& palette, TRGBQuad* colorTable);

// The 20 static colours of the platform's stock palette.
const std::vector<TPaletteEntry>& SystemPaletteColors();
// A 256-colour halftone palette: the 6x6x6 colour cube and a grey ramp.
TPaletteRef CreateHalftonePalette();

// Rearranges a palette into `count` entries with the system colours split over both ends (only
// black first and white last with blackWhiteOnly), its own colours between, filled up with
// unused near-black colours.
void FixPaletteEntries(TPalette& palette, bool blackWhiteOnly, int count);
void FixPaletteSystemColors(TPalette& palette, bool blackWhiteOnly);
