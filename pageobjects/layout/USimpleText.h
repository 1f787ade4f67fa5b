#pragma once
// The layout engine of text objects: a block of lines laid out in a rectangle, horizontal or
// vertical, with character and line spacing, four alignments, a feed angle that slants the line
// starts, a rotation and a bulge that bends the lines along arcs. It draws onto any canvas or
// captures the glyph outlines as a stroke. Lengths are logical units of 0.1 mm: measuring runs
// on one process-wide canvas of 254 units per inch, and drawing fits every line into its
// measured extent, so screen, PDF and printer lines have the same length.

#include "pageobjects/layout/TextUtil.h"
#include "platform/PersistentFont.h"
#include "platform/StringList.h"

#include <memory>
#include <vector>

class TStroke;
struct TArcInfo;

// Logical units per inch of every layout.
constexpr int kLayoutUnitsPerInch = 254;
// Point sizes beyond this are drawn at this size (the stored size is kept).
constexpr int kMaxFontPoints = 1638;

// A font stored by its point size, never by device height, so a stored text keeps its size on
// every device.
class TPointBasedFont : public TPersistentFont {
    QUORLANE_CLASS(TPointBasedFont, TPersistentFont)

public:
    TPointBasedFont();
    bool StoresSize() const override { return true; }
    // font takes face, colour, style, character set and pitch, and the size (held to
    // kMaxFontPoints) at the layout resolution.
    void ApplyTo(TFont& font) const;
};

class TSimpleText : public TPersistent {
    QUORLANE_CLASS(TSimpleText, TPersistent)

public:
    TSimpleText();
    ~TSimpleText() override;

    TStringList* Text() const { return text_.get(); }
    // Nothing when the lines are equal.
    void SetText(const TStringList& value);
    TPointBasedFont* Font() const { return font_.get(); }
    void SetFont(const TPersistentFont& value) { font_->Assign(&value); }
    int Align() const { return align_; }
    void SetAlign(int value);
    bool Vertical() const { return vertical_; }
    void SetVertical(bool value);
    int CharSpacing() const { return charSpacing_; }
    void SetCharSpacing(int value);
    int LineSpacing() const { return lineSpacing_; }
    void SetLineSpacing(int value);
    int Bulge() const { return bulge_; }
    void SetBulge(int value);
    int Angle() const { return angle_; }
    void SetAngle(int value);
    bool HanToZen() const { return hanToZen_; }
    void SetHanToZen(bool value);
    bool NumToKnj() const { return numToKnj_; }
    void SetNumToKnj(bool value);
    bool MinusExc() const { return minusExc_; }
    void SetMinusExc(bool value);
    int FeedAngle() const { return feedAngle_; }
    void SetFeedAngle(int value);
    TColor TextColor() const { return textColor_; }
    void SetTextColor(TColor value) { textColor_ = value; }

    void BeginUpdate();
    void EndUpdate();
    void Changed();

    const QStringList& GetDisplayLines();
    int GetLineHeight();
    void GetTextRect(const TRect& rect, bool justifyAsLeft, TRect& textRect);
    void Draw(TCanvas& canvas, const TRect& rect);
    void CaptureStroke(TStroke& stroke, const TRect& rect, bool decorations);
    // The arc the first line follows (chord turned by Angle, Bulge held to its bound); false when
    // the text is straight or the bulge forms no arc.
    bool GetArc(const TRect& rect, TArcInfo& arc, TPoint& p0, TPoint& p1) const;
    // The canvas font becomes the engine's font as it is drawn.
    void ApplyFont(TCanvas& canvas) const;

    TNotifyEvent OnChange;

    // The canvas every layout is measured on.
    static TCanvas& MeasureCanvas();

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    void TextChanged();
    void FontChanged();
    void ClearCache();
    void ClearDisplay();
    void EnsureLayout();
    int Pitch();
    void RenderTo(TCanvas& canvas, const TRect& rect, bool decorations, TStroke* decorationStroke);
    void RenderStraight(TCanvas& canvas, const TRect& rect, bool decorations);
    void RenderRotated(TCanvas& canvas, const TRect& rect, bool decorations, TStroke* decorationStroke);
    void RenderArc(TCanvas& canvas, const TRect& rect);

    QStringList displayLines_;
    bool displayValid_ = false;
    std::unique_ptr<TStringList> text_;
    std::unique_ptr<TPointBasedFont> font_;
    int align_ = 0;
    bool vertical_ = false;
    int charSpacing_ = 0;
    int lineSpacing_ = 0;
    int bulge_ = 0;
    int angle_ = 0;
    int32_t updateCount_ = 0;
    int32_t pendingCount_ = 0;
    bool numToKnj_ = false;
    bool hanToZen_ = false;
    bool minusExc_ = false;
    std::vector<TTextLine> cache_;
    bool cacheValid_ = false;
    int feedAngle_ = 0;
    TColor textColor_ = clBlack;
};

// The text shown for objects whose text is empty.
void SetSimpleTextEmptyText(const QString& text);
