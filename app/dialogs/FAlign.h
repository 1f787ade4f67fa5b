#pragma once
// The alignment window of the layout editor: which edges or centres the selected objects are lined
// up on, or which spacing is made even.

#include "app/dialogs/UToolWindow.h"

class TfrmAlign : public TModeToolWindow {
    Q_OBJECT

public:
    explicit TfrmAlign(QWidget* parent = nullptr);

    // The mode chosen (a TOrderMode), kept for the next window.
    int Mode() const { return keptMode_; }
};

// The mode the next alignment window opens with.
int& AlignWindowMode();
