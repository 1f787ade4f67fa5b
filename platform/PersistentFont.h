#pragma once
// The font as a published property of stored objects: name, height or size, colour, style,
// character set and pitch, stored by component streaming. A canvas font (TFont) is its value;
// drawing code copies it onto a canvas.

#include "platform/Canvas.h"
#include "platform/Component.h"
#include "platform/Object.h"

class TPersistentFont : public TPersistent {
    QUORLANE_CLASS(TPersistentFont, TPersistent)

public:
    TPersistentFont();

    static void DeclareProperties(TPropertyBuilder<TPersistentFont>& p);

    const TFont& Value() const { return font_; }
    // Takes every field of value; announces a change when any differs.
    void SetValue(const TFont& value);

    int Charset() const { return font_.Charset; }
    void SetCharset(int value);
    TColor Color() const { return font_.Color; }
    void SetColor(TColor value);
    int Height() const { return font_.Height; }
    void SetHeight(int value);
    QString Name() const { return font_.Name; }
    void SetName(const QString& value);
    TFontPitch Pitch() const { return font_.Pitch; }
    void SetPitch(TFontPitch value);
    int Size() const { return font_.Size(); }
    void SetSize(int value);
    TFontStyles Style() const { return font_.Style; }
    void SetStyle(TFontStyles value);

    // The stored form keeps Height (device units) unless a descendant keeps Size instead.
    virtual bool StoresSize() const { return false; }

    // From another persistent font.
    void Assign(const TPersistent* source) override;

    TNotifyEvent OnChange;

protected:
    virtual void Changed();
    TFont font_;
};
