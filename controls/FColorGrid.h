#pragma once
// The drop-down colour grid the text panel and the back-effect editor show under a colour button:
// 40 colours and the other-colour cell. Choosing a colour calls OnSelectColor; closing it any other
// way (a click elsewhere, Escape) calls OnCloseUp.

#include "controls/UColGrid.h"

class TfrmColorGrid : public QWidget, public TObject {
    Q_OBJECT

public:
    explicit TfrmColorGrid(QWidget* parent = nullptr);

    TColGrid* Grid() const { return grid_; }
    TColor DefaultColor() const { return grid_->DefaultColor(); }
    void SetDefaultColor(TColor value) { grid_->SetDefaultColor(value); }
    int AllowTransparent() const { return allowTransparent_; }
    void SetAllowTransparent(int value);
    // Shows the grid under button: at its bottom-left corner, or with alignRight at its right edge.
    void DropDown(QWidget* button, bool alignRight = false);

    TNotifyEvent OnSelectColor;
    TNotifyEvent OnCloseUp;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    TColGrid* grid_;
    int allowTransparent_ = 0;
    bool choosing_ = false;
};
