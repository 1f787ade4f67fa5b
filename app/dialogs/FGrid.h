#pragma once
// The grid window of the layout editor: the grid's pitch, whether it is shown and snapped to, and
// whether it is drawn as dots or lines.

#include "app/dialogs/UToolWindow.h"

class QCheckBox;
class QGroupBox;
class QRadioButton;
class TGrid;

class TfrmGrid : public TToolWindow {
    Q_OBJECT

public:
    explicit TfrmGrid(QWidget* parent = nullptr);

    TExSpinEdit* esSize;
    QCheckBox* chkEnabled;
    QGroupBox* rgShape;
    QRadioButton* rbDots;
    QRadioButton* rbLines;

    // 0 dots, 1 lines.
    int ShapeIndex() const;
    // A grid shown but not snapped to counts as on.
    void LoadGrid(const TGrid& grid);
    // Shown and snapped to go together.
    void StoreGrid(TGrid& grid) const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void UpdateShapeEnabled();
};
