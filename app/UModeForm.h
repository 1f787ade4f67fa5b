#pragma once
// What the main window and its mode forms know of each other: the form's side of hosting and the
// registry of the forms' makers. Its own header, so that a mode form's header need not pull in the
// main window's.

#include <QString>
#include <functional>
#include <optional>

class QWidget;
class TLabelData;
class TObject;
class IAppHost;

// What the main window asks of a hosted mode form. Every operation has a harmless default, so a form
// implements only what it takes part in.
class IModeForm {
public:
    virtual ~IModeForm() = default;
    // May the form be replaced (its close query)?
    virtual bool CloseQuery() { return true; }
    // The layout editor writes its page into the document.
    virtual void StorePage() {}
    virtual void AttachDocument(TLabelData*) {}
    // The print mode lets go of the document before it is replaced.
    virtual void DetachDocument() {}
    // The print mode re-reads its previews (after the printer set-up).
    virtual void RefreshPreview() {}
    virtual bool IsModified() const { return false; }
    virtual void SetModified(bool) {}
    // The layout editor may take a dropped file as a picture; false when it does not.
    virtual bool InsertPicture(const QString&) { return false; }
    virtual void EditObjectProperty(TObject*) {}
    // Paper selection reloads its papers.
    virtual void ResetPapers() {}
    // The layout editor tells whether its page holds anything of the user's (the paper's own
    // pictures do not count); other forms leave it to the document.
    virtual std::optional<bool> HasPageContent() const { return std::nullopt; }
};

enum TModeKind : int { mkStartMenu, mkPaper, mkLayout, mkSheet, mkPrint, mkModeCount };

// Makes a new mode form (a QWidget that is also an IModeForm) in the host's window.
using TModeFormMaker = std::function<QWidget*(IAppHost* host)>;
// The unit that builds a mode form registers it (an empty maker unregisters).
void RegisterModeForm(TModeKind kind, TModeFormMaker maker);
bool IsModeFormRegistered(TModeKind kind);
