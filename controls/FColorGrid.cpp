#include "controls/FColorGrid.h"

#include <QKeyEvent>

TfrmColorGrid::TfrmColorGrid(QWidget* parent) : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("frmColorGrid"));
    resize(169, 122);
    grid_ = new TColGrid(this);
    grid_->setObjectName(QStringLiteral("ColGrid"));
    grid_->setGeometry(6, 8, 157, 105);
    grid_->SetColCount(8);
    grid_->SetRowCount(5);
    grid_->SetUseOtherColor(true);
    grid_->SetColorList(
        {QStringLiteral("clBlack"),   QStringLiteral("clRed"),     QStringLiteral("clYellow"),
         QStringLiteral("clLime"),    QStringLiteral("clAqua"),    QStringLiteral("clBlue"),
         QStringLiteral("clFuchsia"), QStringLiteral("clWhite"),   QStringLiteral("clGray"),
         QStringLiteral("clMaroon"),  QStringLiteral("clOlive"),   QStringLiteral("clGreen"),
         QStringLiteral("clTeal"),    QStringLiteral("clNavy"),    QStringLiteral("clPurple"),
         QStringLiteral("clSilver"),  QStringLiteral("$003f3f3f"), QStringLiteral("$007f7fff"),
         QStringLiteral("$007fffff"), QStringLiteral("$007fff7f"), QStringLiteral("$00ffff7f"),
         QStringLiteral("$00ff7f7f"), QStringLiteral("$00ff7fff"), QStringLiteral("$00bf3f7f"),
         QStringLiteral("$00bf7f3f"), QStringLiteral("$007f7fbf"), QStringLiteral("$007fbfbf"),
         QStringLiteral("$007fbf7f"), QStringLiteral("$00bfbf7f"), QStringLiteral("$00bf7f7f"),
         QStringLiteral("$00bf7fbf"), QStringLiteral("$003f7fbf"), QStringLiteral("$007fbf3f"),
         QStringLiteral("$007fbfff"), QStringLiteral("$007fffbf"), QStringLiteral("$00bfff7f"),
         QStringLiteral("$00ffbf7f"), QStringLiteral("$00ff7fbf"), QStringLiteral("$00bf7fff"),
         QStringLiteral("$007f3fbf")});
    grid_->OnChangeColor = [this](TObject*, TColor color, bool) {
        grid_->SetDefaultColor(color);
        choosing_ = true;
        if (OnSelectColor)
            OnSelectColor(this);
        hide();
        choosing_ = false;
    };
}

void TfrmColorGrid::SetAllowTransparent(int value) {
    allowTransparent_ = value;
    grid_->SetUseTransparent(value >= 1);
}

void TfrmColorGrid::DropDown(QWidget* button, bool alignRight) {
    QPoint at = button->mapToGlobal(QPoint(0, button->height()));
    if (alignRight)
        at.rx() += button->width() - width();
    move(at);
    show();
}

void TfrmColorGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        hide();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TfrmColorGrid::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!choosing_ && OnCloseUp)
        OnCloseUp(this);
}
