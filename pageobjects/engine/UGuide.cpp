#include "pageobjects/engine/UGuide.h"

#include "pageobjects/engine/UGrid.h"
#include "platform/Canvas.h"
#include "platform/Filer.h"
#include "platform/Stream.h"

#include <cstdlib>

namespace {

bool Near(const TPoint& a, const TPoint& b, int tolerance) {
    return std::llabs(int64_t(a.X) - b.X) <= tolerance && std::llabs(int64_t(a.Y) - b.Y) <= tolerance;
}

} // namespace

void TGuide::DeclareProperties(TPropertyBuilder<TGuide>& p) {
    p.Boolean("Visible", &TGuide::Visible, &TGuide::SetVisible);
    p.Boolean("Enabled", &TGuide::Enabled, &TGuide::SetEnabled);
    p.Integer("Count", &TGuide::Count, nullptr);
}

void TGuide::DefineProperties(TFiler& filer) {
    TPersistent::DefineProperties(filer);
    filer.DefineBinaryProperty(
        QStringLiteral("Pos"), [this](TStream& s) { ReadPos(s); }, [this](TStream& s) { WritePos(s); }, true);
}

void TGuide::ReadPos(TStream& stream) {
    const int32_t stored = stream.ReadInt32();
    int count = stored < 0 ? 0 : (stored > kCount ? kCount : stored);
    // A block cut short keeps the pairs that are whole.
    if (int64_t(count) > stream.Remaining() / 8)
        count = int(stream.Remaining() / 8);
    for (int i = 0; i < count; ++i) {
        const int32_t x = stream.ReadInt32();
        const int32_t y = stream.ReadInt32();
        pos_[size_t(i)] = TPoint(x, y);
    }
}

void TGuide::WritePos(TStream& stream) {
    stream.WriteInt32(kCount);
    for (const TPoint& p : pos_) {
        stream.WriteInt32(p.X);
        stream.WriteInt32(p.Y);
    }
}

TPoint TGuide::GetPos(int index) const {
    if (index < 0 || index >= kCount)
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return pos_[size_t(index)];
}

void TGuide::SetPos(int index, const TPoint& p) {
    if (index < 0 || index >= kCount)
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    pos_[size_t(index)] = p;
}

TPoint TGuide::GetSnapOffset(const TPoint& p, int tolerance) const {
    TPoint offset(kNoSnap, kNoSnap);
    if (!enabled_)
        return offset;
    for (const TPoint& g : pos_) {
        if (g.X != 0) {
            if (Near(TPoint(g.X, g.Y), TPoint(p.X, 0), tolerance)) {
                const int64_t dx = int64_t(g.X) - p.X;
                if (std::llabs(dx) < std::llabs(int64_t(offset.X)))
                    offset.X = int(dx);
            }
        } else if (g.Y != 0) {
            if (Near(TPoint(0, g.Y), TPoint(0, p.Y), tolerance)) {
                const int64_t dy = int64_t(g.Y) - p.Y;
                if (std::llabs(dy) < std::llabs(int64_t(offset.Y)))
                    offset.Y = int(dy);
            }
        }
    }
    return offset;
}

int TGuide::HitTest(int x, int y, int tolerance) const {
    if (!enabled_)
        return -1;
    for (int i = 0; i < kCount; ++i) {
        const TPoint& g = pos_[size_t(i)];
        if (g.X != 0 && Near(g, TPoint(x, 0), tolerance))
            return i;
        if (g.X == 0 && g.Y != 0 && Near(g, TPoint(0, y), tolerance))
            return i;
    }
    return -1;
}

int TGuide::FindFree() const {
    for (int i = 0; i < kCount; ++i)
        if (pos_[size_t(i)] == TPoint(0, 0))
            return i;
    return -1;
}

bool TGuide::IsEmpty() const {
    for (const TPoint& p : pos_)
        if (p != TPoint(0, 0))
            return false;
    return true;
}

bool TGuide::GuideInRect(const TPoint& p, const TRect& r) {
    if (p.X != 0 && p.Y == 0)
        return r.Left <= p.X && p.X <= r.Right;
    if (p.X != 0 && p.Y != 0)
        return false;
    return r.Top <= p.Y && p.Y <= r.Bottom;
}

void TGuide::RemoveOutside(const TRect& r) {
    for (TPoint& p : pos_)
        if (!GuideInRect(p, r))
            p = TPoint(0, 0);
    if (enabled_ && IsEmpty())
        enabled_ = false;
}

void TGuide::Draw(TCanvas& canvas, const TRect& r) const {
    if (!visible_)
        return;
    for (const TPoint& g : pos_) {
        if (g.X != 0) {
            canvas.MoveTo(g.X, r.Top);
            canvas.LineTo(g.X, r.Bottom);
        } else if (g.Y != 0) {
            canvas.MoveTo(r.Left, g.Y);
            canvas.LineTo(r.Right, g.Y);
        }
    }
}

void TGuide::Assign(const TPersistent* source) {
    if (const auto* other = dynamic_cast<const TGuide*>(source)) {
        pos_ = other->pos_;
        visible_ = other->visible_;
        enabled_ = other->enabled_;
        return;
    }
    TPersistent::Assign(source);
}
