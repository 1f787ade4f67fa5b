#pragma once
// What the layout editor's property panels have in common: the editor's contract with its apply and
// insert handlers, a tab row over a note panel of pages, pages that host an embedded browser or take
// the scanner's picture, the paste button, and the actions a click and a double click in a browser
// run. Each panel keeps its own controls, captions and behaviour.

#include "app/UEditModePanel.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class QAction;
class QBoxLayout;
class QPushButton;
class QVBoxLayout;
class TFormPanel;
class TImagePanel;
class TMaterialBrowserBase;
class TNotePanel;
class TTabbedPanel;

class TEditModePanelBase : public QWidget,
                           public IEditModePanel,
                           public IEditModeApplyHook,
                           public IEditModeInsertHook,
                           public IEditModeDefaults,
                           public IEditModeIdle {
    Q_OBJECT

public:
    ~TEditModePanelBase() override;

    // The tab row over the pages; null on a panel without pages.
    TTabbedPanel* TabbedPanel1 = nullptr;
    // What a click and a double click in the panel's browser run; null on a panel without one.
    QAction* actSingleClick = nullptr;
    QAction* actDoubleClick = nullptr;

    // Shows page and marks its tab.
    virtual void SetPage(int page);

    void SetApplyHandler(const TEditPanelHandler& handler) override { apply_ = handler; }
    void SetInsertHandler(const TEditPanelHandler& handler) override { insert_ = handler; }
    void LoadDefaults() override {}
    void SaveDefaults() override {}
    // Through ApplyChange and DefaultTarget, unless a panel writes and shows its objects otherwise.
    void ApplyToObject(TDrawObject* object) override;
    void ApplyToDefault() override;
    void ShowDefault() override;

protected:
    // A panel named name whose parts are laid top to bottom without margins.
    TEditModePanelBase(QWidget* owner, const char* name);

    QVBoxLayout* PanelLayout() const { return layout_; }
    // The tab row with captions over a note panel named noteName that takes the panel's spare
    // height. Pages are made with NewPage and added to the note panel.
    TNotePanel* AddTabbedPages(const QStringList& captions, const char* noteName);
    // Starts on page; a tab the user picks shows its page through SetPage.
    void StartOnPage(int page);
    // A page for the note panel, named name (unnamed for nullptr).
    QWidget* NewPage(const char* name) const;
    // A page filled by a form panel, host, that shows an embedded form.
    QWidget* NewFormPage(const char* name, TFormPanel*& host) const;
    // The scanner's page: its picture over the acquire button, which chooses a source and shows the
    // page the acquisition window brings.
    QWidget* NewTwainPage(TImagePanel*& picture, QPushButton*& acquire);
    void AcquireTwain(TImagePanel* picture);
    // The paste button named name, laid into row, else below everything laid so far.
    QPushButton* AddPasteButton(const char* name, QBoxLayout* row = nullptr);
    // Creates actSingleClick and actDoubleClick.
    void CreateClickActions();
    // A browser made in host whose clicks run the click actions.
    template <class B>
    B* EmbedBrowser(TFormPanel* host) {
        auto* browser = new B(host);
        HostBrowser(host, browser);
        return browser;
    }

    // The apply handler is asked only while the controls are not being loaded from an object.
    bool CanApply() const { return !showing_ && apply_ != nullptr; }
    void RequestApply();
    bool CanInsert() const { return insert_ != nullptr; }
    void RequestInsert();
    // Set while the editor places what the panel asked it to: only then does a new object take the
    // panel's picture (a menu command that makes one, a scanner's for one, brings its own).
    bool Inserting() const { return inserting_; }
    // Whether something is selected on site and every selected object is wanted.
    static bool OnlySelected(TDrawSite* site, const std::function<bool(TDrawObject*)>& wanted);

    // Writes the pending change into object when it is of the panel's kind; replace: also what only
    // an object on the page takes (its picture).
    virtual void ApplyChange(TDrawObject* object, bool replace);
    // The object whose settings new objects take; null for none.
    virtual TDrawObject* DefaultTarget() const;

    // Set while the controls are loaded from an object: their change signals apply nothing.
    bool showing_ = false;

private:
    void HostBrowser(TFormPanel* host, TMaterialBrowserBase* browser);

    TEditPanelHandler apply_;
    TEditPanelHandler insert_;
    bool inserting_ = false;
    QVBoxLayout* layout_;
    TNotePanel* notes_ = nullptr;
};
