#pragma once
// The main window's modes and the registry of the mode forms' makers: what the units that register a
// form, switch modes or enable a step know, without the mode form's interface (UModeForm.h).

#include <functional>

class IAppHost;
class QWidget;

enum TModeKind : int { mkStartMenu, mkPaper, mkLayout, mkSheet, mkPrint, mkModeCount };

// Makes a new mode form (a QWidget that is also an IModeForm) in the host's window.
using TModeFormMaker = std::function<QWidget*(IAppHost* host)>;
// The unit that builds a mode form registers it (an empty maker unregisters).
void RegisterModeForm(TModeKind kind, TModeFormMaker maker);
bool IsModeFormRegistered(TModeKind kind);
