#pragma once
// The mode form's side of being hosted by the main window (the modes and the makers' registry are in
// UModeRegistry.h). The forms do not derive from it: the composition unit (UAppWindows) forwards it to
// each form, so changing it recompiles that unit and the main window, not every user of a form.

#include <QString>
#include <optional>

class TLabelData;
class TObject;

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
