#pragma once
// The mode form's side of being hosted by the main window (the modes and the makers' registry are in
// UModeRegistry.h). The forms do not derive from it: the composition unit (UAppWindows) forwards it to
// each form, so changing it recompiles that unit and the main window, not every user of a form.

#include <QString>
#include <concepts>
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
    // The print mode opens its print dialog (the print command with no sheets chosen yet).
    virtual void OpenPrintDialog() {}
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

// How a form answers each member, as the forwarding in UAppWindows calls it.
template <class F> concept AnswersCloseQuery = requires(F& f) { { f.CloseQuery() } -> std::same_as<bool>; };
template <class F> concept AnswersStorePage = requires(F& f) { f.StorePage(); };
template <class F> concept AnswersAttachDocument = requires(F& f, TLabelData* d) { f.AttachDocument(d); };
template <class F> concept AnswersDetachDocument = requires(F& f) { f.DetachDocument(); };
template <class F> concept AnswersRefreshPreview = requires(F& f) { f.RefreshPreview(); };
template <class F> concept AnswersOpenPrintDialog = requires(F& f) { f.OpenPrintDialog(); };
template <class F> concept AnswersIsModified = requires(const F& f) { { f.IsModified() } -> std::same_as<bool>; };
template <class F> concept AnswersSetModified = requires(F& f) { f.SetModified(true); };
template <class F>
concept AnswersInsertPicture = requires(F& f, const QString& name) { { f.InsertPicture(name) } -> std::same_as<bool>; };
template <class F> concept AnswersEditObjectProperty = requires(F& f, TObject* o) { f.EditObjectProperty(o); };
template <class F> concept AnswersResetPapers = requires(F& f) { f.ResetPapers(); };
template <class F>
concept AnswersHasPageContent = requires(const F& f) { { f.HasPageContent() } -> std::same_as<std::optional<bool>>; };

// A form that declares one of these members under its name but in another form (a CloseQuery(bool),
// a non-const IsModified) would be passed over for the default without a word: it does not compile,
// and the message names the member and the form it must take.
template <class Form>
consteval bool ModeFormMembersMatch() {
    static_assert(AnswersCloseQuery<Form> || !requires { &Form::CloseQuery; },
                  "a mode form's CloseQuery must be: bool CloseQuery()");
    static_assert(AnswersStorePage<Form> || !requires { &Form::StorePage; },
                  "a mode form's StorePage must be: void StorePage()");
    static_assert(AnswersAttachDocument<Form> || !requires { &Form::AttachDocument; },
                  "a mode form's AttachDocument must be: void AttachDocument(TLabelData*)");
    static_assert(AnswersDetachDocument<Form> || !requires { &Form::DetachDocument; },
                  "a mode form's DetachDocument must be: void DetachDocument()");
    static_assert(AnswersRefreshPreview<Form> || !requires { &Form::RefreshPreview; },
                  "a mode form's RefreshPreview must be: void RefreshPreview()");
    static_assert(AnswersOpenPrintDialog<Form> || !requires { &Form::OpenPrintDialog; },
                  "a mode form's OpenPrintDialog must be: void OpenPrintDialog()");
    static_assert(AnswersIsModified<Form> || !requires { &Form::IsModified; },
                  "a mode form's IsModified must be: bool IsModified() const");
    static_assert(AnswersSetModified<Form> || !requires { &Form::SetModified; },
                  "a mode form's SetModified must be: void SetModified(bool)");
    static_assert(AnswersInsertPicture<Form> || !requires { &Form::InsertPicture; },
                  "a mode form's InsertPicture must be: bool InsertPicture(const QString&)");
    static_assert(AnswersEditObjectProperty<Form> || !requires { &Form::EditObjectProperty; },
                  "a mode form's EditObjectProperty must be: void EditObjectProperty(TObject*)");
    static_assert(AnswersResetPapers<Form> || !requires { &Form::ResetPapers; },
                  "a mode form's ResetPapers must be: void ResetPapers()");
    static_assert(AnswersHasPageContent<Form> || !requires { &Form::HasPageContent; },
                  "a mode form's HasPageContent must be: std::optional<bool> HasPageContent() const");
    return true;
}
