#pragma once
// What the main window gives the mode forms and dialogs it hosts: its menus, commands, pictures and
// status bar, the document and the mode switch. Handed to each form when it is made, so that no form
// looks the main window up or finds its commands by name.

#include <QString>
#include <QStringList>
#include <vector>

class QAction;
class QIcon;
class QMenu;
class QObject;
class QWidget;
class TLabelData;
class TMatrixImagePack;
class TComponent;
class TObject;
// The main window's modes (app/UModeRegistry.h).
enum TModeKind : int;

// The main window's commands a hosted form shows or triggers.
enum THostAction {
    haStartMenu,
    haNew,
    haOpen,
    haSave,
    haPrint,
    haTemplate,
    haExit,
    haLayout,
    haSheet,
    haPrinterSetup,
    haPaperInfoToPrinter,
};

class IAppHost {
public:
    virtual ~IAppHost() = default;

    // The window forms and dialogs are parented to.
    virtual QWidget* HostWindow() = 0;
    // The file and help menus every mode form's menu bar shows.
    virtual QMenu* FileMenu() const = 0;
    virtual QMenu* HelpMenu() const = 0;
    virtual QAction* Action(THostAction action) const = 0;
    // The command buttons' icons and the mode bars' glyph packs.
    virtual const std::vector<QIcon>& CommandIcons() const = 0;
    virtual TMatrixImagePack* CommandImages() const = 0;
    virtual TMatrixImagePack* ModeBarImages() const = 0;

    virtual TLabelData* Document() const = 0;
    // The document the editor left for the paper step (null without one) and the way back to it.
    virtual TLabelData* LeftDocument() const = 0;
    virtual bool ReturnToLeftDocument() = 0;
    virtual bool NewDocument() = 0;
    // The document's file; empty while it is unnamed.
    virtual const QString& FileName() const = 0;
    // The save question: true when the document may go.
    virtual bool ClearModified() = 0;
    virtual bool EnterModeKind(TModeKind kind, bool keepDocument = false) = 0;
    // Prints the sheets the print dialog chose; false when the user stopped it or declined the file
    // the file printer asks for. With no sheets chosen for the document it goes to the print mode.
    virtual bool PrintDocument() = 0;
    // The hosted form's property editing for object.
    virtual void EditObject(TObject* object) = 0;
    // A part of the document a form could not read.
    virtual void ReportUnreadPart(const QString& part) = 0;

    // The status bar's panels belong to the main window and show one form's texts at a time: owner's
    // panels, each as wide as its text in widest (an empty text: the panel takes the rest), replace
    // whatever panels were shown; an empty list leaves none.
    virtual void SetStatusPanels(const QObject* owner, const QStringList& widest) = 0;
    // Takes owner's panels away; another form's stay.
    virtual void ReleaseStatusPanels(const QObject* owner) = 0;
    virtual bool HasStatusPanels(const QObject* owner) const = 0;
    // Sets a text of owner's panels (nothing while they are not shown).
    virtual void SetStatusText(const QObject* owner, int panel, const QString& text) = 0;
    // A passing message in the status bar.
    virtual void ShowStatusMessage(const QString& text) = 0;
};

// A window that owns components beside its widgets (the main window's packs, histories, drop
// target): the component viewer lists them under the window.
class IComponentHolder {
public:
    virtual TComponent* OwnedComponents() const = 0;

protected:
    ~IComponentHolder() = default;
};
