#pragma once
// Up to ten guide lines of a page, stored with each sheet: a slot (x, 0) with x <> 0 is a
// vertical guide at x, a slot (0, y) with y <> 0 a horizontal guide at y, (0, 0) an unused slot.
// The ghosts snap to them within a tolerance. Logical units.

#include "platform/Component.h"
#include "platform/Rect.h"

#include <array>

class TCanvas;
class TStream;

class TGuide : public TPersistent {
    QUORLANE_CLASS(TGuide, TPersistent)

public:
    static constexpr int kCount = 10;

    TGuide() = default;

    static void DeclareProperties(TPropertyBuilder<TGuide>& p);
    // The slots as the binary property "Pos": a 32-bit count (10), then (x, y) pairs.
    void DefineProperties(TFiler& filer) override;

    bool Visible() const { return visible_; }
    void SetVisible(bool value) { visible_ = value; }
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool value) { enabled_ = value; }
    int Count() const { return kCount; }

    // Slots outside 0..9 raise EListError.
    TPoint GetPos(int index) const;
    void SetPos(int index, const TPoint& p);

    // The offset to the nearest guide within tolerance in each axis ((kNoSnap, kNoSnap) where
    // none); of equally near guides the lower slot wins.
    TPoint GetSnapOffset(const TPoint& p, int tolerance) const;
    // The first slot whose guide passes within tolerance of (x, y); -1 when none or not enabled.
    int HitTest(int x, int y, int tolerance) const;
    // The first unused slot, -1 when all are used.
    int FindFree() const;
    bool IsEmpty() const;
    static bool GuideInRect(const TPoint& p, const TRect& r);
    // Clears the guides outside r; snapping goes off when none remain.
    void RemoveOutside(const TRect& r);
    void Draw(TCanvas& canvas, const TRect& r) const;

    void Assign(const TPersistent* source) override;

    void ReadPos(TStream& stream);
    void WritePos(TStream& stream);

private:
    bool visible_ = false;
    bool enabled_ = false;
    std::array<TPoint, kCount> pos_{};
};
