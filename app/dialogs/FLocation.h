#pragma once
// The positioning window of the layout editor: against which edge or centre of the page the
// selected objects are moved, or how they are turned towards the page centre.

#include "app/dialogs/UToolWindow.h"

class TfrmLocation : public TModeToolWindow {
    Q_OBJECT

public:
    explicit TfrmLocation(QWidget* parent = nullptr);

    // The mode of the first checked button (0 when none is).
    int Mode() const;
};

// The mode the next positioning window opens with.
int& LocationWindowMode();
