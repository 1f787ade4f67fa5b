#include "pageobjects/engine/ULORectBase.h"

#include "platform/IntMath.h"

#include <algorithm>
#include <climits>

namespace {

// Stored geometry comes from outside and ghosts add offsets to it: every rect is computed in 64
// bits, normalized, held inside the int range and no wider or taller than an int can say, so that
// no edge, width or height ever wraps round.
TRect HeldRect(int64_t left, int64_t top, int64_t right, int64_t bottom) {
    const auto held = [](int64_t& from, int64_t& to) {
        if (from > to)
            std::swap(from, to);
        from = std::clamp<int64_t>(from, INT_MIN, INT_MAX);
        to = std::clamp<int64_t>(to, from, std::min<int64_t>(from + INT_MAX, INT_MAX));
    };
    held(left, right);
    held(top, bottom);
    return TRect(int(left), int(top), int(right), int(bottom));
}

} // namespace

TLORectBase::TLORectBase(TComponent* owner) : TLabelObject(owner) {}

void TLORectBase::DeclareProperties(TPropertyBuilder<TLORectBase>& p) {
    // The stored geometry is logical; these take the place of the control's pixel properties.
    p.Integer("Left", &TLORectBase::LogLeft, &TLORectBase::SetLogLeft);
    p.Integer("Top", &TLORectBase::LogTop, &TLORectBase::SetLogTop);
    p.Integer("Width", &TLORectBase::LogWidth, &TLORectBase::SetLogWidth);
    p.Integer("Height", &TLORectBase::LogHeight, &TLORectBase::SetLogHeight);
}

void TLORectBase::SetLogLeft(int x) {
    if (x == rect_.Left)
        return;
    SetLogRect(HeldRect(x, rect_.Top, int64_t(x) + rect_.Width(), rect_.Bottom));
}

void TLORectBase::SetLogTop(int y) {
    if (y == rect_.Top)
        return;
    SetLogRect(HeldRect(rect_.Left, y, rect_.Right, int64_t(y) + rect_.Height()));
}

void TLORectBase::SetLogWidth(int w) {
    SetLogRect(HeldRect(rect_.Left, rect_.Top, int64_t(rect_.Left) + w, rect_.Bottom));
}

void TLORectBase::SetLogHeight(int h) {
    SetLogRect(HeldRect(rect_.Left, rect_.Top, rect_.Right, int64_t(rect_.Top) + h));
}

void TLORectBase::SetLogRect(const TRect& r) {
    const TRect n = HeldRect(r.Left, r.Top, r.Right, r.Bottom);
    if (n == rect_)
        return;
    rect_ = n;
    UpdateBounds();
    Changed();
}

void TLORectBase::MoveBy(int dx, int dy) {
    SetLogLeft(ClampToInt32(int64_t(rect_.Left) + dx));
    SetLogTop(ClampToInt32(int64_t(rect_.Top) + dy));
}

void TLORectBase::AssignTo(TPersistent* dest) const {
    TLabelObject::AssignTo(dest);
    if (auto* target = dynamic_cast<TLORectBase*>(dest))
        target->SetLogRect(rect_);
}

bool TLORectBase::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOEncloseBounds>(this, iid, obj) || Offer<IDORectProps>(this, iid, obj) ||
           Offer<IDOGhostPaint>(this, iid, obj) || TLabelObject::GetInterface(iid, obj);
}
