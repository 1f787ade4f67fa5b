#include "pageobjects/engine/ULabelObject.h"

#include "imaging/UCanvas.h"
#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/UDrawSite.h"
#include "platform/Canvas.h"

TLabelObject::TLabelObject(TComponent* owner) : TDrawObject(owner) {
    OnDblClick = [this](TObject* sender) { DoubleClickEditor(sender); };
}

void TLabelObject::DeclareProperties(TPropertyBuilder<TLabelObject>& p) {
    p.Boolean("DontPrint", &TLabelObject::DontPrint, &TLabelObject::SetDontPrint);
    p.Integer("BlendRatio", &TLabelObject::BlendRatio, &TLabelObject::SetBlendRatio).Default(100);
    p.Boolean("BlendShade", &TLabelObject::BlendShade, &TLabelObject::SetBlendShade).Default(false);
}

void TLabelObject::SetDontPrint(bool value) {
    if (value == dontPrint_)
        return;
    dontPrint_ = value;
    Broadcast(this, GUID_DontPrintChanged);
    Changed();
}

void TLabelObject::SetBlendRatio(int value) {
    if (value == blendRatio_)
        return;
    blendRatio_ = value;
    Changed();
    Invalidate();
}

void TLabelObject::SetBlendShade(bool value) {
    if (value == blendShade_)
        return;
    blendShade_ = value;
    Changed();
    Invalidate();
}

void TLabelObject::SetMovable(bool value) {
    if (value != Movable())
        Changed();
    TDrawObject::SetMovable(value);
}

void TLabelObject::AssignTo(TPersistent* dest) const {
    TDrawObject::AssignTo(dest);
    auto* target = dynamic_cast<TLabelObject*>(dest);
    if (target == nullptr)
        return;
    target->SetPopupMenu(PopupMenu());
    target->SetSelectable(Selectable());
    target->SetEnabled(Enabled());
    target->SetMovable(Movable());
    target->SetTag(Tag());
    target->SetHint(Hint());
    target->SetCursor(Cursor());
    target->SetDontPrint(dontPrint_);
    target->SetBlendShade(blendShade_);
    target->SetBlendRatio(blendRatio_);
}

bool TLabelObject::EditProperty() {
    return DesignerList().EditObject(this);
}

void TLabelObject::DoubleClickEditor(TObject*) {
    if (EditProperty()) {
        if (TDrawSite* site = Site(); site != nullptr && site->OnClearGhost)
            site->OnClearGhost(this);
    }
}

void TLabelObject::MakePivots() {
    DesignerList().MakePivots(this);
}

void TLabelObject::MakeGhost(int handle) {
    DesignerList().MakeGhost(this, handle);
}

void TLabelObject::PaintTo(TCanvas& canvas) {
    if (dontPrint_ && IsPrinterCanvas(canvas))
        return;
    TDrawObject::PaintTo(canvas);
}

bool TLabelObject::HitTestControl(int x, int y) {
    if (!GhostList().IsEmpty())
        return false;
    return TDrawObject::HitTestControl(x, y);
}

void TLabelObject::MouseMove(TShiftState shift, int x, int y) {
    if (TDrawSite* site = Site())
        site->MouseMove(shift, x + Left(), y + Top());
}

// ---- TLabelPivot

TLabelPivot::TLabelPivot(TComponent* owner) : TPivot(owner) {
    Size = 6;
}

TLabelPivot::TLabelPivot(TDrawObject* object, TCursor cursor, int index) : TPivot(object, cursor, index) {
    Size = 6;
}

void TLabelPivot::Paint() {
    PaintSolid(TPen{clWhite, 1, psSolid, pmCopy}, TBrush{clBlack, bsSolid}, false);
}
