#include "pageobjects/engine/ULORectBase.h"

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
    SetLogRect(Bounds(x, rect_.Top, rect_.Width(), rect_.Height()));
}

void TLORectBase::SetLogTop(int y) {
    if (y == rect_.Top)
        return;
    SetLogRect(Bounds(rect_.Left, y, rect_.Width(), rect_.Height()));
}

void TLORectBase::SetLogWidth(int w) {
    TRect r = rect_;
    r.Right = r.Left + w;
    SetLogRect(NormalizeRect(r));
}

void TLORectBase::SetLogHeight(int h) {
    TRect r = rect_;
    r.Bottom = r.Top + h;
    SetLogRect(NormalizeRect(r));
}

void TLORectBase::SetLogRect(const TRect& r) {
    const TRect n = NormalizeRect(r);
    if (n == rect_)
        return;
    rect_ = n;
    UpdateBounds();
    Changed();
}

void TLORectBase::MoveBy(int dx, int dy) {
    SetLogLeft(rect_.Left + dx);
    SetLogTop(rect_.Top + dy);
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
