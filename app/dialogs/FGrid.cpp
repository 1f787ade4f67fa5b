#include "app/dialogs/FGrid.h"

#include "app/dialogs/FMessage.h"
#include "controls/Exspined.h"
#include "pageobjects/engine/UGrid.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

constexpr int kLeastGridSize = 10;
constexpr int kMostGridSize = 1000;

} // namespace

TfrmGrid::TfrmGrid(QWidget* parent) : TToolWindow(parent) {
    setObjectName(QStringLiteral("frmGrid"));
    setWindowTitle(QStringLiteral("グリッド設定"));
    auto* content = new QGridLayout;
    esSize = NewLengthEdit(this, "esSize", kLeastGridSize, kMostGridSize);
    auto* sizeLabel = new QLabel(QStringLiteral("グリッド間隔(&G)"), this);
    sizeLabel->setBuddy(esSize);
    content->addWidget(sizeLabel, 0, 0);
    content->addWidget(esSize, 0, 1);
    content->addWidget(new QLabel(QStringLiteral("mm"), this), 0, 2);
    chkEnabled = new QCheckBox(QStringLiteral("有効にする(&E)"), this);
    chkEnabled->setObjectName(QStringLiteral("chkEnabled"));
    content->addWidget(chkEnabled, 1, 0, 1, 3);
    rgShape = new QGroupBox(QStringLiteral("表示方法(&D)"), this);
    rgShape->setObjectName(QStringLiteral("rgShape"));
    auto* shapes = new QVBoxLayout(rgShape);
    rbDots = new QRadioButton(QStringLiteral("点"), rgShape);
    rbDots->setObjectName(QStringLiteral("rbDots"));
    rbLines = new QRadioButton(QStringLiteral("線"), rgShape);
    rbLines->setObjectName(QStringLiteral("rbLines"));
    rbDots->setChecked(true);
    shapes->addWidget(rbDots);
    shapes->addWidget(rbLines);
    content->addWidget(rgShape, 2, 0, 1, 3);
    connect(chkEnabled, &QCheckBox::clicked, this, [this] { UpdateShapeEnabled(); });
    Finish(content);
    UpdateShapeEnabled();
}

int TfrmGrid::ShapeIndex() const {
    return rbLines->isChecked() ? 1 : 0;
}

void TfrmGrid::UpdateShapeEnabled() {
    rgShape->setEnabled(chkEnabled->isChecked());
}

void TfrmGrid::LoadGrid(const TGrid& grid) {
    chkEnabled->setChecked(grid.Enabled() || grid.Visible());
    esSize->SetValue(grid.Size());
    (grid.LineShape() ? rbLines : rbDots)->setChecked(true);
    UpdateShapeEnabled();
}

void TfrmGrid::StoreGrid(TGrid& grid) const {
    grid.SetVisible(chkEnabled->isChecked());
    grid.SetEnabled(chkEnabled->isChecked());
    // An unreadable pitch keeps the old one.
    if (esSize->IsValidText())
        grid.SetSize(esSize->Value());
    grid.SetLineShape(ShapeIndex() == 1);
}

void TfrmGrid::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        btnOK->click();
        return;
    case Qt::Key_Escape:
        btnCancel->click();
        return;
    default:
        TToolWindow::keyPressEvent(event);
    }
}
