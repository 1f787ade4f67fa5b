#pragma once
// Edit modes of the layout editor and the contract between the editor and its property panels.
//
// The editor hosts one panel at a time in its side panel; which one is the edit mode. A panel never
// writes page objects on its own: it sets what it is about to change (its operation) and calls the
// apply handler; the editor then hands every target of the mode to ApplyToObject inside one undo
// group, so that each change of a panel is one undo step however many objects it touches. The panels
// themselves come from a factory per mode; a mode without one leaves the side panel empty.
//
// A panel is a QWidget that implements any of the interfaces below; a method whose interface the
// panel lacks is skipped.

#include "core/UInterfaces.h"

#include <QString>
#include <functional>
#include <typeinfo>

class QWidget;
class TDrawObject;
class TDrawSite;

// The modes, in the order of the edit-mode bar's buttons.
enum TEditMode { emNone = -1, emPhoto = 0, emText, emIllust, emFigure, emBackGround, emModeCount };

// A handler called with the panel as sender.
using TEditPanelHandler = std::function<void(QWidget* sender)>;

struct IEditModeInsertHook {
    static constexpr TGUID IID = GUIDLiteral("{BB462D95-77B5-461B-A8B3-4AD17AD2BE40}");
    virtual ~IEditModeInsertHook() = default;
    virtual void SetInsertHandler(const TEditPanelHandler& handler) = 0;
};

struct IEditModeApplyHook {
    static constexpr TGUID IID = GUIDLiteral("{4058F1CD-CD15-4D39-A0BB-B59D90D89814}");
    virtual ~IEditModeApplyHook() = default;
    virtual void SetApplyHandler(const TEditPanelHandler& handler) = 0;
};

struct IEditModePanel {
    static constexpr TGUID IID = GUIDLiteral("{FDFCDB02-A3CF-4E84-BB81-F5C46D23DD5A}");
    virtual ~IEditModePanel() = default;
    // Style properties of src onto dst (not their content).
    virtual void CopyStyle(TDrawObject* src, TDrawObject* dst) = 0;
    // Loads the controls from an object.
    virtual void ShowObject(TDrawObject* object) = 0;
    // Writes the settings of the pending operation into an object (objects of other kinds are left).
    virtual void ApplyToObject(TDrawObject* object) = 0;
    // Writes them into the panel's own default object.
    virtual void ApplyToDefault() = 0;
    // Loads the controls from the default object.
    virtual void ShowDefault() = 0;
    // Prepares a freshly created object from the settings.
    virtual void InitNewObject(TDrawObject* object) = 0;
};

struct IEditModeDefaults {
    static constexpr TGUID IID = GUIDLiteral("{75F6C82F-895F-4D16-AAB6-5F14313EE9FF}");
    virtual ~IEditModeDefaults() = default;
    virtual void LoadDefaults() = 0;
    virtual void SaveDefaults() = 0;
};

struct IEditModeIdle {
    static constexpr TGUID IID = GUIDLiteral("{F4EBEF30-5EAE-4C5A-9439-BA41502868E3}");
    virtual ~IEditModeIdle() = default;
    virtual void IdleUpdate(TDrawSite* site) = 0;
};

// The illustration panel tells where its next picture comes from (1 illustration, 2 scanner, else a
// file), which decides what its insert request creates.
struct IEditModeInsertSource {
    virtual ~IEditModeInsertSource() = default;
    virtual int InsertSource() const = 0;
};
constexpr int kInsertSourceOnePoint = 1;
constexpr int kInsertSourceTwain = 2;

// What the editor knows of each mode.
struct TEditModeInfo {
    // The editor's action that shows the mode, and the one its panel's insert request executes.
    const char* ModeAction;
    const char* InsertAction;
    // The apply operation's name and undo caption.
    const char* Operation;
    const char* UndoCaption;
    // Every matching object of the page is a target, selected or not.
    bool WholePage;
};
const TEditModeInfo& EditModeInfo(TEditMode mode);
// The insert action of a panel's mode: the illustration mode's depends on the panel's source.
QString InsertActionOf(TEditMode mode, QWidget* panel);

// Whether an object is one the mode's apply operation works on.
bool IsEditModeTarget(TEditMode mode, TDrawObject* object);
// The mode whose panel shows an object of this kind (a double-click on it), emNone for others.
TEditMode EditModeForObject(TDrawObject* object);

// ---- the panel factory

using TEditPanelMaker = std::function<QWidget*(QWidget* owner)>;
// The unit that builds a mode's panel registers it with its class (an empty maker unregisters).
void RegisterEditModePanel(TEditMode mode, const std::type_info& panelClass, TEditPanelMaker maker);
template <class P>
void RegisterEditModePanel(TEditMode mode) {
    RegisterEditModePanel(mode, typeid(P), [](QWidget* owner) -> QWidget* { return new P(owner); });
}
bool IsEditModePanelRegistered(TEditMode mode);
// A new panel for the mode, owned by owner; nullptr when none is registered.
QWidget* CreateEditModePanel(TEditMode mode, QWidget* owner);
// The mode of a panel by its class; emNone for any other widget (and for nullptr).
TEditMode EditModeOf(const QWidget* panel);

// ---- the routing, on a site

// Runs the apply request of panel on site through the mode's operation: ApplyToObject for every
// target, one change record each, all in one undo group under the mode's caption; then, when nothing
// is selected, ApplyToDefault. Backgrounds take it only when their fill is a picture, unless
// backForced. False when the panel has no mode or no IEditModePanel.
bool ApplyPanelProperties(TDrawSite& site, QWidget* panel, bool backForced);
// Prepares an object the site just received: the panel's InitNewObject, then the topmost selected
// object's style (CopyStyle) when one is selected.
void PanelObjectCreated(TDrawSite& site, QWidget* panel, TDrawObject* object);
// Selection following: the panel shows the first selected target of its mode, then IdleUpdate.
void PanelIdle(TDrawSite& site, QWidget* panel);
// Nothing is selected any more: the panel shows its default object.
void PanelSelectionCleared(TDrawSite& site, QWidget* panel);
void PanelLoadDefaults(QWidget* panel);
void PanelSaveDefaults(QWidget* panel);
