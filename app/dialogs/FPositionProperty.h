#pragma once
// The position and size window of the layout editor: left, top, width and height of one object in
// millimetres.

#include "app/dialogs/UToolWindow.h"

class TDrawObject;

class TfrmPositionProperty : public TToolWindow {
    Q_OBJECT

public:
    explicit TfrmPositionProperty(QWidget* parent = nullptr);

    TExSpinEdit* esLeft;
    TExSpinEdit* esTop;
    TExSpinEdit* esWidth;
    TExSpinEdit* esHeight;

    // From the object's rectangle properties (nothing for an object without them).
    void LoadFrom(TDrawObject* object);
    // Each property whose edit holds a valid number; the others stay as they are.
    void StoreTo(TDrawObject* object) const;
};
