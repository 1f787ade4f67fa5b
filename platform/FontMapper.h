#pragma once
// The font service behind all canvas text. Stored documents name the faces of another desktop
// ("ＭＳ 明朝", "Arial"); one substitution table maps them to installed faces of the same design
// and metrics (IPA faces for the Japanese ones, the metric-compatible Liberation faces for the
// Latin ones), so stored line lengths hold. The stored name is never changed: only drawing
// and measuring use the mapped face.
//
// Metrics come from the font tables in design units (through HarfBuzz, which Qt itself loads),
// scaled to the logical em and rounded once, so that a layout measured on one device gives the
// same logical positions on every other: no hinting, no device rounding. Names starting with
// "@" are the vertical faces: their wide characters take the vertical glyph forms and vertical
// advances, upright on a line that runs down the page.

#include <QFont>
#include <QPainterPath>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <unordered_map>

// Characters the stored code page held in one byte (ASCII and half-width katakana); in a vertical
// face these lie turned like Latin text, all others stand upright.
bool IsSingleByteChar(char32_t c);

// Character sets of stored fonts.
enum : int { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1, SYMBOL_CHARSET = 2, SHIFTJIS_CHARSET = 128 };

// One installed face: its tables, HarfBuzz objects and drawing fonts per pixel size.
class FontFace {
public:
    explicit FontFace(const QFont& font);
    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    bool IsValid() const { return font_ != nullptr; }
    int UnitsPerEm() const { return upem_; }
    // The ascent and descent that lines are built with (the OS/2 Windows values when present).
    int Ascent() const { return ascent_; }
    int Descent() const { return descent_; }
    int LineGap() const { return lineGap_; }
    int UnderlinePosition() const { return underlinePos_; }
    int UnderlineSize() const { return underlineSize_; }
    int StrikeoutPosition() const { return strikePos_; }
    int StrikeoutSize() const { return strikeSize_; }

    // 0 when the face has no glyph for c.
    uint32_t GlyphFor(char32_t c) const;
    // Design units: advance, and the ink's left edge and width.
    void HorizontalMetrics(uint32_t glyph, int& advance, int& inkLeft, int& inkWidth) const;
    // The vertical form of c (the face's 'vert' substitution), its vertical advance, and the offset
    // from the vertical origin (top centre of its cell) to the glyph's horizontal origin, y up.
    void VerticalGlyph(char32_t c, uint32_t& glyph, int& advance, int& originX, int& originY) const;
    // The drawing font at a device pixel size (cached for the calling thread; valid until its
    // next call there).
    const QRawFont& RawFont(double pixelSize);

private:
    QFont source_;
    QRawFont design_;
    struct HbObjects;
    std::unique_ptr<HbObjects> hb_;
    void* font_ = nullptr;
    int upem_ = 1000;
    int ascent_ = 0;
    int descent_ = 0;
    int lineGap_ = 0;
    int underlinePos_ = 0;
    int underlineSize_ = 0;
    int strikePos_ = 0;
    int strikeSize_ = 0;
};

// A character resolved to a face and glyph, with its metrics in design units of that face.
struct FontGlyph {
    FontFace* Face = nullptr;
    uint32_t Glyph = 0;
    // Upright vertical form (wide character of a vertical face).
    bool Vertical = false;
    int Advance = 0;
    int InkLeft = 0;
    int InkWidth = 0;
    int OriginX = 0;
    int OriginY = 0;
};

class FontMapper {
public:
    static FontMapper& Instance();

    static bool IsVerticalName(const QString& name) { return name.startsWith(QLatin1Char('@')); }
    // The installed family that draws a stored name ("@" ignored); empty when neither the table
    // nor the installed families know it.
    QString FamilyFor(const QString& name);
    // The family used when a name is unknown.
    QString DefaultFamily();
    // True when the name can be drawn as itself or through the table.
    bool IsKnownName(const QString& name);
    // SHIFTJIS_CHARSET for Japanese faces, ANSI_CHARSET for others, DEFAULT_CHARSET when unknown.
    int CharsetOf(const QString& name);
    // Installed families and the table's names, sorted; the vertical ones are "@" + each Japanese.
    QStringList HorizontalFaceNames();
    QStringList VerticalFaceNames();

    // The face for a stored name and style; the default family when the name is unknown.
    FontFace* Face(const QString& name, bool bold, bool italic);
    // c in the face of name, else in the next fallback face that has it, else the .notdef glyph
    // of the face itself: what is measured is always what is drawn.
    FontGlyph Resolve(const QString& name, bool bold, bool italic, char32_t c);

private:
    FontMapper();
    std::recursive_mutex lock_;
    std::map<QString, std::unique_ptr<FontFace>> faces_;
    std::map<QString, QString> families_;
    QStringList installed_;
    QStringList verticalNames_;
};
