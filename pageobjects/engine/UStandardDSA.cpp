#include "pageobjects/engine/UStandardDSA.h"

#include "core/UAppFrame.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/ULabelObject.h"
#include "platform/Clipboard.h"
#include "platform/Picture.h"

#include <QComboBox>
#include <QLineEdit>

// ---- TStandardDSA

TStandardDSA::TStandardDSA(TComponent* owner) : TDrawSiteActionBase(owner) {}

// ---- TStandardEditDSA

TStandardEditDSA::TStandardEditDSA(TComponent* owner) : TStandardDSA(owner) {}

void TStandardEditDSA::DeclareProperties(TPropertyBuilder<TStandardEditDSA>& p) {
    p.String("ClipboardFormat", &TStandardEditDSA::ClipboardFormat, &TStandardEditDSA::SetClipboardFormat);
}

unsigned TStandardEditDSA::FormatNumber() const {
    return RegisterClipboardFormat(ExpandMacros(clipboardFormat_));
}

QLineEdit* TStandardEditDSA::EditOf(QObject* target) {
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        return edit;
    if (auto* combo = qobject_cast<QComboBox*>(target); combo != nullptr && combo->isEditable())
        return combo->lineEdit();
    return nullptr;
}

bool TStandardEditDSA::HandlesTarget(QObject* target) {
    return TStandardDSA::HandlesTarget(target) || EditOf(target) != nullptr;
}

void TStandardEditDSA::UpdateTarget(QObject* target) {
    if (QLineEdit* edit = EditOf(target)) {
        SetEnabled(CanEdit(edit));
        return;
    }
    TStandardDSA::UpdateTarget(target);
}

void TStandardEditDSA::ExecuteTarget(QObject* target) {
    if (QLineEdit* edit = EditOf(target)) {
        if (CanEdit(edit))
            ExecuteEdit(edit);
        return;
    }
    TStandardDSA::ExecuteTarget(target);
}

bool TStandardEditDSA::CanEdit(QLineEdit*) {
    return false;
}

void TStandardEditDSA::ExecuteEdit(QLineEdit*) {}

// ---- z-order

TDSABringToFront::TDSABringToFront(TComponent* owner) : TStandardDSA(owner) {
    SetActionType(atLayer);
}

void TDSABringToFront::EachObject(TDrawSite*, TDrawObject* object) {
    object->BringToFrontInLayer();
}

TDSASendToBack::TDSASendToBack(TComponent* owner) : TStandardDSA(owner) {
    SetActionType(atLayer);
    SetFromFront(true);
}

void TDSASendToBack::EachObject(TDrawSite*, TDrawObject* object) {
    object->SendToBackInLayer();
}

// ---- clipboard and delete

TDSACopy::TDSACopy(TComponent* owner) : TStandardEditDSA(owner) {
    SetActionType(atNone);
}

void TDSACopy::ExecuteFirst(TDrawSite*) {
    Targets().CopyToClipboard(FormatNumber());
}

bool TDSACopy::CanEdit(QLineEdit* edit) {
    return edit->hasSelectedText();
}

void TDSACopy::ExecuteEdit(QLineEdit* edit) {
    edit->copy();
}

TDSAClear::TDSAClear(TComponent* owner) : TStandardEditDSA(owner) {
    SetActionType(atDelete);
}

void TDSAClear::EachObject(TDrawSite*, TDrawObject* object) {
    object->Changed();
    object->SetParent(nullptr);
}

bool TDSAClear::CanEdit(QLineEdit* edit) {
    return edit->hasSelectedText() && !edit->isReadOnly();
}

void TDSAClear::ExecuteEdit(QLineEdit* edit) {
    edit->del();
}

TDSACut::TDSACut(TComponent* owner) : TDSAClear(owner) {}

void TDSACut::ExecuteFirst(TDrawSite*) {
    Targets().CopyToClipboard(FormatNumber());
}

void TDSACut::ExecuteEdit(QLineEdit* edit) {
    edit->cut();
}

// ---- paste

TDSAPaste::TDSAPaste(TComponent* owner) : TStandardEditDSA(owner) {
    SetActionType(atAdd);
}

void TDSAPaste::MakeList(TDrawSite* site) {
    TDOList& list = Targets();
    list.Clear();
    pasted_.FreeObjects();
    if (site == nullptr)
        return;
    pasted_.LoadFromClipboard(FormatNumber());
    pasted_.ListObjects(list);
    KeepObjectsInRect(list, TRect(0, 0, site->LogWidth(), site->LogHeight()));
    if (!list.IsEmpty())
        return;
    for (unsigned format : Clipboard::Formats()) {
        if (format == kClipboardText || format == kClipboardUnicodeText) {
            DesignerList().DoCommand(site, QStringLiteral("TLOTextPaste"));
            return;
        }
        if (TPicture::SupportsClipboardFormat(uint16_t(format))) {
            DesignerList().DoCommand(site, QStringLiteral("TLOImagePaste"));
            return;
        }
    }
}

bool TDSAPaste::CanExecute(TDrawSite* site) {
    if (site == nullptr)
        return false;
    if (Clipboard::HasFormat(FormatNumber()) || Clipboard::HasText())
        return true;
    for (unsigned format : Clipboard::Formats())
        if (TPicture::SupportsClipboardFormat(uint16_t(format)))
            return true;
    return false;
}

void TDSAPaste::ExecuteTarget(QObject* target) {
    auto* site = dynamic_cast<TDrawSite*>(target);
    if (site == nullptr || !CanExecute(site)) {
        TStandardEditDSA::ExecuteTarget(target);
        return;
    }
    MakeList(site);
    // Text and pictures were placed by the designers; nothing of ours to add.
    if (!Targets().IsEmpty())
        RunInGroup(site);
}

void TDSAPaste::ExecuteFirst(TDrawSite* site) {
    site->SelectAll(false);
}

void TDSAPaste::EachObject(TDrawSite* site, TDrawObject* object) {
    if (TDrawObject* added = site->AdoptObject(pasted_.Take(object)))
        added->SetSelected(true);
}

bool TDSAPaste::CanEdit(QLineEdit* edit) {
    return !edit->isReadOnly() && Clipboard::HasText();
}

void TDSAPaste::ExecuteEdit(QLineEdit* edit) {
    edit->paste();
}

// ---- selection and lock

TDSASelectAll::TDSASelectAll(TComponent* owner) : TStandardDSA(owner) {
    SetSelectedOnly(false);
}

void TDSASelectAll::EachObject(TDrawSite*, TDrawObject* object) {
    object->SetSelected(true);
}

TDSALock::TDSALock(TComponent* owner) : TStandardDSA(owner) {
    SetActionType(atChange);
}

void TDSALock::MakeList(TDrawSite* site) {
    TStandardDSA::MakeList(site);
    FilterTargets([this](TDrawObject* object) { return object->Movable() == lockValue_; });
}

void TDSALock::EachObject(TDrawSite*, TDrawObject* object) {
    object->SetMovable(!lockValue_);
}

TDSAUnlock::TDSAUnlock(TComponent* owner) : TDSALock(owner) {
    lockValue_ = false;
}

TDSAEditProperty::TDSAEditProperty(TComponent* owner) : TStandardDSA(owner) {
    SetActionType(atChange);
    SetTargetClassName(QStringLiteral("TLabelObject"));
    SetMultiSelect(false);
}

void TDSAEditProperty::EachObject(TDrawSite*, TDrawObject* object) {
    if (auto* label = dynamic_cast<TLabelObject*>(object))
        label->EditProperty();
}

// ---- undo and redo

TDSAUndo::TDSAUndo(TComponent* owner) : TStandardEditDSA(owner) {}

bool TDSAUndo::CanExecute(TDrawSite* site) {
    return site != nullptr && UndoList().CanUndo();
}

void TDSAUndo::UpdateTarget(QObject* target) {
    TStandardEditDSA::UpdateTarget(target);
    if (dynamic_cast<TDrawSite*>(target) != nullptr && UndoList().CanUndo())
        SetCaption(QStringLiteral("%1の取り消し(&U)").arg(UndoList().UndoCaption()));
    else
        SetCaption(QStringLiteral("取り消し(&U)"));
}

void TDSAUndo::ExecuteTarget(QObject* target) {
    if (auto* site = dynamic_cast<TDrawSite*>(target)) {
        if (!UndoList().CanUndo())
            return;
        site->SelectAll(false);
        UndoList().Undo();
        return;
    }
    TStandardEditDSA::ExecuteTarget(target);
}

bool TDSAUndo::CanEdit(QLineEdit* edit) {
    return edit->isUndoAvailable();
}

void TDSAUndo::ExecuteEdit(QLineEdit* edit) {
    edit->undo();
}

TDSARedo::TDSARedo(TComponent* owner) : TStandardEditDSA(owner) {}

bool TDSARedo::CanExecute(TDrawSite* site) {
    return site != nullptr && UndoList().CanRedo();
}

void TDSARedo::UpdateTarget(QObject* target) {
    TStandardEditDSA::UpdateTarget(target);
    if (dynamic_cast<TDrawSite*>(target) != nullptr && UndoList().CanRedo())
        SetCaption(QStringLiteral("%1のやり直し(&R)").arg(UndoList().RedoCaption()));
    else
        SetCaption(QStringLiteral("やり直し(&R)"));
}

void TDSARedo::ExecuteTarget(QObject* target) {
    if (auto* site = dynamic_cast<TDrawSite*>(target)) {
        if (!UndoList().CanRedo())
            return;
        site->SelectAll(false);
        UndoList().Redo();
    }
}

bool TDSARedo::CanEdit(QLineEdit*) {
    return false;
}
