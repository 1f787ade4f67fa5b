#pragma once
// A fill image with panel bevels drawn as filled bands with three brushes (highlight, border,
// shadow), which may carry patterns or pictures.

#include "controls/UFillImage.h"

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

// The two polygons of a band of width w inside r (top-left part, bottom-right part); r becomes the
// rectangle inside the band.
void BevelBandPolygons(TRect& r, int w, QPolygon& topLeft, QPolygon& bottomRight);

struct TBevelBrushes {
    QBrush highlight;
    QBrush border;
    QBrush shadow;
};
// Draws outer bevel, border and inner bevel into r, leaving r as the rectangle inside them.
void DrawBevelBands(QPainter& painter, TRect& r, TBevelCut outer, TBevelCut inner, int bevelWidth,
                    int borderWidth, const TBevelBrushes& brushes);

class TFillImageBevel : public TFillImage {
    Q_OBJECT

public:
    explicit TFillImageBevel(QWidget* parent = nullptr);

    TNoDefaultBrush& HighlightBrush() { return highlight_; }
    TNoDefaultBrush& BorderBrush() { return border_; }
    TNoDefaultBrush& ShadowBrush() { return shadow_; }
    TBevelCut BevelOuter() const { return bevelOuter_; }
    void SetBevelOuter(TBevelCut value) { Set(bevelOuter_, value); }
    TBevelCut BevelInner() const { return bevelInner_; }
    void SetBevelInner(TBevelCut value) { Set(bevelInner_, value); }
    int BevelWidth() const { return bevelWidth_; }
    void SetBevelWidth(int value) { Set(bevelWidth_, value); }
    int BorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value) { Set(borderWidth_, value); }

protected:
    void Paint(TCanvas& canvas) override;

private:
    template <class T>
    void Set(T& field, T value) {
        if (field == value)
            return;
        field = value;
        update();
    }
    TNoDefaultBrush highlight_;
    TNoDefaultBrush border_;
    TNoDefaultBrush shadow_;
    TBevelCut bevelOuter_ = bvRaised;
    TBevelCut bevelInner_ = bvNone;
    int bevelWidth_ = 1;
    int borderWidth_ = 0;
};
