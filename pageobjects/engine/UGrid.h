#pragma once
// The snap grid of a page: drawn over the page as lines or dots, and asked by the ghosts for the
// offset that brings a dragged point onto the nearest grid point. Logical units.

#include "platform/Component.h"
#include "platform/Rect.h"

class TCanvas;

// An offset of kNoSnap in an axis means: no snap in that axis.
constexpr int kNoSnap = 0x7FFFFFFF;

class TGrid : public TPersistent {
    QUORLANE_CLASS(TGrid, TPersistent)

public:
    TGrid() = default;

    static void DeclareProperties(TPropertyBuilder<TGrid>& p);

    bool Visible() const { return visible_; }
    void SetVisible(bool value) { visible_ = value; }
    bool LineShape() const { return lineShape_; }
    void SetLineShape(bool value) { lineShape_ = value; }
    int Size() const { return size_; }
    // The pitch must be positive: 0 and below are refused (the old pitch stays).
    void SetSize(int value);
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }

    // The offset to the nearest grid point (a half pitch rounds up, also for negative
    // coordinates); (kNoSnap, kNoSnap) when snapping is off.
    TPoint GetSnapOffset(const TPoint& p) const;
    // Lines or dots over r with the canvas's pen, when visible.
    void Draw(TCanvas& canvas, const TRect& r) const;

    void Assign(const TPersistent* source) override;

private:
    bool visible_ = false;
    bool lineShape_ = false;
    int size_ = 50;
    bool enabled_ = false;
};
