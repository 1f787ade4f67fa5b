#include "platform/PersistentFont.h"

#include "platform/PropertyRegistry.h"

TPersistentFont::TPersistentFont() = default;

void TPersistentFont::DeclareProperties(TPropertyBuilder<TPersistentFont>& p) {
    p.Charset("Charset", &TPersistentFont::Charset, &TPersistentFont::SetCharset);
    p.Color("Color", &TPersistentFont::Color, &TPersistentFont::SetColor);
    p.Integer("Height", &TPersistentFont::Height, &TPersistentFont::SetHeight)
        .Stored([](const TPersistentFont& f) { return !f.StoresSize(); });
    p.String("Name", &TPersistentFont::Name, &TPersistentFont::SetName);
    p.Enumeration("Pitch", &TPersistentFont::Pitch, &TPersistentFont::SetPitch,
                  {"fpDefault", "fpVariable", "fpFixed"}, QStringLiteral("TFontPitch"))
        .Default(fpDefault);
    p.Integer("Size", &TPersistentFont::Size, &TPersistentFont::SetSize).Stored([](const TPersistentFont& f) {
        return f.StoresSize();
    });
    p.Set("Style", &TPersistentFont::Style, &TPersistentFont::SetStyle,
          {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"}, QStringLiteral("TFontStyles"));
}

void TPersistentFont::SetValue(const TFont& value) {
    TFont font = value;
    if (font.Name.isEmpty())
        font.Name = font_.Name;
    if (font_ == font)
        return;
    font_ = font;
    Changed();
}

void TPersistentFont::SetCharset(int value) {
    if (font_.Charset == value)
        return;
    font_.Charset = value;
    Changed();
}

void TPersistentFont::SetColor(TColor value) {
    if (font_.Color == value)
        return;
    font_.Color = value;
    Changed();
}

void TPersistentFont::SetHeight(int value) {
    if (font_.Height == value)
        return;
    font_.Height = value;
    Changed();
}

// A font always names a face. An empty name is never written (it is the default of a string), so
// taking one would make a stored font read back with another face: it keeps the current one.
void TPersistentFont::SetName(const QString& value) {
    if (value.isEmpty() || font_.Name == value)
        return;
    font_.Name = value;
    Changed();
}

void TPersistentFont::SetPitch(TFontPitch value) {
    if (font_.Pitch == value)
        return;
    font_.Pitch = value;
    Changed();
}

void TPersistentFont::SetSize(int value) {
    const int height = font_.Height;
    font_.SetSize(value);
    if (font_.Height != height)
        Changed();
}

void TPersistentFont::SetStyle(TFontStyles value) {
    if (font_.Style == value)
        return;
    font_.Style = value;
    Changed();
}

void TPersistentFont::Assign(const TPersistent* source) {
    if (const auto* font = dynamic_cast<const TPersistentFont*>(source)) {
        SetValue(font->font_);
        return;
    }
    TPersistent::Assign(source);
}

void TPersistentFont::Changed() {
    if (OnChange)
        OnChange(this);
}
