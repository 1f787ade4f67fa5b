#include "pageobjects/engine/UGrid.h"

#include "platform/Canvas.h"

namespace {

// The offset from c to the nearest multiple of size, halves rounding up: floor((c + size/2) /
// size) x size - c, in 64 bits so that coordinates near the limits cannot wrap.
int SnapAxis(int c, int size) {
    const int64_t shifted = int64_t(c) + size / 2;
    int64_t q = shifted / size;
    if (shifted % size != 0 && shifted < 0)
        --q;
    return int(q * size - c);
}

} // namespace

void TGrid::DeclareProperties(TPropertyBuilder<TGrid>& p) {
    p.Boolean("Visible", &TGrid::Visible, &TGrid::SetVisible);
    p.Boolean("LineShape", &TGrid::LineShape, &TGrid::SetLineShape);
    p.Integer("Size", &TGrid::Size, &TGrid::SetSize);
    p.Boolean("Enabled", &TGrid::Enabled, &TGrid::SetEnabled);
}

void TGrid::SetSize(int value) {
    // Snapping divides by the pitch and drawing steps by it; a stored page with a damaged pitch
    // still opens, keeping the old one.
    if (value > 0)
        size_ = value;
}

TPoint TGrid::GetSnapOffset(const TPoint& p) const {
    if (!enabled_ || size_ <= 0)
        return TPoint(kNoSnap, kNoSnap);
    return TPoint(SnapAxis(p.X, size_), SnapAxis(p.Y, size_));
}

void TGrid::Draw(TCanvas& canvas, const TRect& r) const {
    if (!visible_ || size_ <= 0)
        return;
    if (lineShape_) {
        for (int64_t x = r.Left; x < r.Right; x += size_) {
            canvas.MoveTo(int(x), r.Top);
            canvas.LineTo(int(x), r.Bottom);
        }
        for (int64_t y = r.Top; y < r.Bottom; y += size_) {
            canvas.MoveTo(r.Left, int(y));
            canvas.LineTo(r.Right, int(y));
        }
        return;
    }
    const TColor color = canvas.Pen().Color;
    for (int64_t x = r.Left; x < r.Right; x += size_)
        for (int64_t y = r.Top; y < r.Bottom; y += size_)
            canvas.SetPixel(int(x), int(y), color);
}

void TGrid::Assign(const TPersistent* source) {
    if (const auto* other = dynamic_cast<const TGrid*>(source)) {
        lineShape_ = other->lineShape_;
        visible_ = other->visible_;
        size_ = other->size_;
        enabled_ = other->enabled_;
        return;
    }
    TPersistent::Assign(source);
}
