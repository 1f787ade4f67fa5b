#include "pageobjects/engine/UStandardDSA.h"

#include "core/UAppFrame.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/UDOUtils.h"
#include "pageobjects/engine/ULabelObject.h"
#include "pageobjects/engine/UUniversalGhost.h"
#include "platform/Clipboard.h"
#include "platform/Picture.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

// ---- TEditField

bool TEditField::HasSelectedText() const {
    return line_ ? line_->hasSelectedText() : text_ != nullptr && text_->textCursor().hasSelection();
}

bool TEditField::IsReadOnly() const {
    return line_ ? line_->isReadOnly() : text_ == nullptr || text_->isReadOnly();
}

bool TEditField::IsUndoAvailable() const {
    return line_ ? line_->isUndoAvailable() : text_ != nullptr && text_->document()->isUndoAvailable();
}

void TEditField::Copy() {
    if (line_)
        line_->copy();
    else if (text_)
        text_->copy();
}

void TEditField::Cut() {
    if (line_)
        line_->cut();
    else if (text_)
        text_->cut();
}

void TEditField::Paste() {
    if (line_)
        line_->paste();
    else if (text_)
        text_->paste();
}

void TEditField::Delete() {
    if (line_) {
        line_->del();
    } else if (text_) {
        QTextCursor cursor = text_->textCursor();
        cursor.removeSelectedText();
        text_->setTextCursor(cursor);
    }
}

void TEditField::Undo() {
    if (line_)
        line_->undo();
    else if (text_)
        text_->undo();
}

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

TEditField TStandardEditDSA::EditOf(QObject* target) {
    if (auto* edit = qobject_cast<QLineEdit*>(target))
        return TEditField(edit);
    if (auto* text = qobject_cast<QPlainTextEdit*>(target))
        return TEditField(text);
    if (auto* combo = qobject_cast<QComboBox*>(target); combo != nullptr && combo->isEditable())
        return TEditField(combo->lineEdit());
    return {};
}

bool TStandardEditDSA::HandlesTarget(QObject* target) {
    return TStandardDSA::HandlesTarget(target) || bool(EditOf(target));
}

void TStandardEditDSA::UpdateTarget(QObject* target) {
    if (TEditField edit = EditOf(target)) {
        SetEnabled(CanEdit(edit));
        return;
    }
    TStandardDSA::UpdateTarget(target);
}

void TStandardEditDSA::ExecuteTarget(QObject* target) {
    if (TEditField edit = EditOf(target)) {
        if (CanEdit(edit))
            ExecuteEdit(edit);
        return;
    }
    TStandardDSA::ExecuteTarget(target);
}

bool TStandardEditDSA::CanEdit(TEditField&) {
    return false;
}

void TStandardEditDSA::ExecuteEdit(TEditField&) {}

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

bool TDSACopy::CanEdit(TEditField& edit) {
    return edit.HasSelectedText();
}

void TDSACopy::ExecuteEdit(TEditField& edit) {
    edit.Copy();
}

TDSAClear::TDSAClear(TComponent* owner) : TStandardEditDSA(owner) {
    SetActionType(atDelete);
}

void TDSAClear::EachObject(TDrawSite*, TDrawObject* object) {
    object->Changed();
    object->SetParent(nullptr);
}

bool TDSAClear::CanEdit(TEditField& edit) {
    return edit.HasSelectedText() && !edit.IsReadOnly();
}

void TDSAClear::ExecuteEdit(TEditField& edit) {
    edit.Delete();
}

TDSACut::TDSACut(TComponent* owner) : TDSAClear(owner) {}

void TDSACut::ExecuteFirst(TDrawSite*) {
    Targets().CopyToClipboard(FormatNumber());
}

void TDSACut::ExecuteEdit(TEditField& edit) {
    edit.Cut();
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
    if (TDrawObject* added = site->AdoptObject(pasted_.Take(object))) {
        added->SetSelected(true);
        ObjectPlaced(added);
    }
}

bool TDSAPaste::CanEdit(TEditField& edit) {
    return !edit.IsReadOnly() && Clipboard::HasText();
}

void TDSAPaste::ExecuteEdit(TEditField& edit) {
    edit.Paste();
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
    if (auto* label = dynamic_cast<TLabelObject*>(object)) {
        label->EditProperty();
        // The dialog may have moved or sized it.
        ObjectPlaced(object);
    }
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

bool TDSAUndo::CanEdit(TEditField& edit) {
    return edit.IsUndoAvailable();
}

void TDSAUndo::ExecuteEdit(TEditField& edit) {
    edit.Undo();
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

bool TDSARedo::CanEdit(TEditField&) {
    return false;
}
