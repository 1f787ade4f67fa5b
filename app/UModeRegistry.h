#pragma once
// The main window's modes and the registry of the mode forms' makers: what the units that register a
// form, switch modes or enable a step know, without the mode form's interface (UModeForm.h).

#include <functional>

class IAppHost;
class IModeForm;
class QWidget;

enum TModeKind : int { mkStartMenu, mkPaper, mkLayout, mkSheet, mkPrint, mkModeCount };

// A new mode form: the widget the main window shows, and what the main window asks of it. The
// IModeForm lives as long as the widget (the widget itself, or an object it owns), so a form's
// header need not know the interface.
struct TModeFormMade {
    QWidget* form = nullptr;
    IModeForm* mode = nullptr;
};
// Makes a new mode form in the host's window.
using TModeFormMaker = std::function<TModeFormMade(IAppHost* host)>;
// The unit that builds a mode form registers it (an empty maker unregisters).
void RegisterModeForm(TModeKind kind, TModeFormMaker maker);
bool IsModeFormRegistered(TModeKind kind);
