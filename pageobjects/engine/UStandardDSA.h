#pragma once
// The ready-made edit commands of the layout editor: clipboard, delete, select all, z-order,
// lock, property edit, undo and redo. The clipboard, undo and redo commands also serve edit
// fields, editable combo boxes and plain multi-line text fields, so the same menu commands work in
// text fields.

#include "pageobjects/engine/UDrawSiteAction.h"

class QLineEdit;
class QPlainTextEdit;

// The text field an edit command works on: a line edit or a plain multi-line text edit, both
// offering the same few edit operations.
class TEditField {
public:
    TEditField() = default;
    explicit TEditField(QLineEdit* edit) : line_(edit) {}
    explicit TEditField(QPlainTextEdit* edit) : text_(edit) {}

    explicit operator bool() const { return line_ != nullptr || text_ != nullptr; }
    bool HasSelectedText() const;
    bool IsReadOnly() const;
    bool IsUndoAvailable() const;
    void Copy();
    void Cut();
    void Paste();
    void Delete();
    void Undo();

private:
    QLineEdit* line_ = nullptr;
    QPlainTextEdit* text_ = nullptr;
};

class TStandardDSA : public TDrawSiteActionBase {
    QUORLANE_CLASS(TStandardDSA, TDrawSiteActionBase)

public:
    explicit TStandardDSA(TComponent* owner);
};

// A command that also serves the line edit of the focused edit field or editable combo box.
class TStandardEditDSA : public TStandardDSA {
    QUORLANE_CLASS(TStandardEditDSA, TStandardDSA)

public:
    explicit TStandardEditDSA(TComponent* owner);

    static void DeclareProperties(TPropertyBuilder<TStandardEditDSA>& p);

    // The clipboard format name of object lists, a macro text ("$(AppName)": the application's
    // name); FormatNumber registers its expansion.
    const QString& ClipboardFormat() const { return clipboardFormat_; }
    void SetClipboardFormat(const QString& value) { clipboardFormat_ = value; }
    unsigned FormatNumber() const;

    bool HandlesTarget(QObject* target) override;
    void UpdateTarget(QObject* target) override;
    void ExecuteTarget(QObject* target) override;

    // The field an edit command works on: the target itself or an editable combo box's line edit.
    static TEditField EditOf(QObject* target);

protected:
    // What the command does to an edit field, and when it can.
    virtual bool CanEdit(TEditField& edit);
    virtual void ExecuteEdit(TEditField& edit);

private:
    QString clipboardFormat_ = QStringLiteral("$(AppName)");
};

class TDSABringToFront : public TStandardDSA {
    QUORLANE_CLASS(TDSABringToFront, TStandardDSA)

public:
    explicit TDSABringToFront(TComponent* owner);
    void EachObject(TDrawSite* site, TDrawObject* object) override;
};

class TDSASendToBack : public TStandardDSA {
    QUORLANE_CLASS(TDSASendToBack, TStandardDSA)

public:
    explicit TDSASendToBack(TComponent* owner);
    void EachObject(TDrawSite* site, TDrawObject* object) override;
};

class TDSACopy : public TStandardEditDSA {
    QUORLANE_CLASS(TDSACopy, TStandardEditDSA)

public:
    explicit TDSACopy(TComponent* owner);
    void ExecuteFirst(TDrawSite* site) override;

protected:
    bool CanEdit(TEditField& edit) override;
    void ExecuteEdit(TEditField& edit) override;
};

// Deletes the targets from the site (the recorded delete actions keep them for undo).
class TDSAClear : public TStandardEditDSA {
    QUORLANE_CLASS(TDSAClear, TStandardEditDSA)

public:
    explicit TDSAClear(TComponent* owner);
    void EachObject(TDrawSite* site, TDrawObject* object) override;

protected:
    bool CanEdit(TEditField& edit) override;
    void ExecuteEdit(TEditField& edit) override;
};

class TDSACut : public TDSAClear {
    QUORLANE_CLASS(TDSACut, TDSAClear)

public:
    explicit TDSACut(TComponent* owner);
    void ExecuteFirst(TDrawSite* site) override;

protected:
    void ExecuteEdit(TEditField& edit) override;
};

class TDSAPaste : public TStandardEditDSA {
    QUORLANE_CLASS(TDSAPaste, TStandardEditDSA)

public:
    explicit TDSAPaste(TComponent* owner);

    // Objects from the clipboard, kept on the page; with none there, text or a picture on the
    // clipboard goes to the designers ("TLOTextPaste", "TLOImagePaste"), which place it.
    void MakeList(TDrawSite* site) override;
    // The clipboard holds objects, a picture or text.
    bool CanExecute(TDrawSite* site) override;
    void ExecuteFirst(TDrawSite* site) override;
    void EachObject(TDrawSite* site, TDrawObject* object) override;
    void ExecuteTarget(QObject* target) override;

protected:
    bool CanEdit(TEditField& edit) override;
    void ExecuteEdit(TEditField& edit) override;

private:
    // The objects read from the clipboard until the site takes each (the targets list them).
    TOwnedDOList pasted_;
};

class TDSASelectAll : public TStandardDSA {
    QUORLANE_CLASS(TDSASelectAll, TStandardDSA)

public:
    explicit TDSASelectAll(TComponent* owner);
    void EachObject(TDrawSite* site, TDrawObject* object) override;
};

class TDSALock : public TStandardDSA {
    QUORLANE_CLASS(TDSALock, TStandardDSA)

public:
    explicit TDSALock(TComponent* owner);
    // Targets already in the state are dropped.
    void MakeList(TDrawSite* site) override;
    void EachObject(TDrawSite* site, TDrawObject* object) override;

protected:
    bool lockValue_ = true;
};

class TDSAUnlock : public TDSALock {
    QUORLANE_CLASS(TDSAUnlock, TDSALock)

public:
    explicit TDSAUnlock(TComponent* owner);
};

class TDSAEditProperty : public TStandardDSA {
    QUORLANE_CLASS(TDSAEditProperty, TStandardDSA)

public:
    explicit TDSAEditProperty(TComponent* owner);
    void EachObject(TDrawSite* site, TDrawObject* object) override;
};

class TDSAUndo : public TStandardEditDSA {
    QUORLANE_CLASS(TDSAUndo, TStandardEditDSA)

public:
    explicit TDSAUndo(TComponent* owner);
    bool CanExecute(TDrawSite* site) override;
    void UpdateTarget(QObject* target) override;
    void ExecuteTarget(QObject* target) override;

protected:
    bool CanEdit(TEditField& edit) override;
    void ExecuteEdit(TEditField& edit) override;
};

class TDSARedo : public TStandardEditDSA {
    QUORLANE_CLASS(TDSARedo, TStandardEditDSA)

public:
    explicit TDSARedo(TComponent* owner);
    bool CanExecute(TDrawSite* site) override;
    void UpdateTarget(QObject* target) override;
    void ExecuteTarget(QObject* target) override;

protected:
    bool CanEdit(TEditField& edit) override;
};
