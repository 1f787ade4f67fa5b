#include "app/dialogs/FEditPaper20.h"

#include "app/dialogs/UPaperEditing.h"
#include "core/UAppUtil.h"
#include "imaging/UImagePack.h"

#include <QButtonGroup>
#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int kHelpContext = 5043;
constexpr int kGlyph = 64;

// Up, disabled, down and hot faces of the strip as the button's icon modes.
QIcon StripIcon(const QString& name) {
    const std::vector<QIcon> cells = LoadImageList(name);
    if (cells.size() < 4)
        return {};
    QIcon icon;
    icon.addPixmap(cells[0].pixmap(kGlyph), QIcon::Normal, QIcon::Off);
    icon.addPixmap(cells[1].pixmap(kGlyph), QIcon::Disabled, QIcon::Off);
    icon.addPixmap(cells[2].pixmap(kGlyph), QIcon::Normal, QIcon::On);
    icon.addPixmap(cells[3].pixmap(kGlyph), QIcon::Active, QIcon::Off);
    return icon;
}

} // namespace

TfrmEditPaper20::TfrmEditPaper20(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmEditPaper20"));
    setWindowTitle(QStringLiteral("用紙の編集・登録-2/3-写真枠のレイアウト"));
    setProperty("HelpContext", kHelpContext);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    const QString hint = QStringLiteral("写真枠の種類を選択して下さい");
    auto* group = new QButtonGroup(this);
    const auto makeRow = [&](int row, const char* name, const QString& strip, const QString& caption,
                             const QString& text, QToolButton*& button, QRadioButton*& radio) {
        button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name).replace(QStringLiteral("rb"), QStringLiteral("btn")));
        button->setCheckable(true);
        button->setIcon(StripIcon(strip));
        button->setIconSize(QSize(kGlyph, kGlyph));
        button->setToolTip(hint);
        group->addButton(button);
        radio = new QRadioButton(caption, this);
        radio->setObjectName(QString::fromLatin1(name));
        radio->setToolTip(hint);
        auto* label = new QLabel(text, this);
        label->setWordWrap(true);
        auto* side = new QVBoxLayout;
        side->addWidget(radio);
        side->addWidget(label);
        grid->addWidget(button, row, 0);
        grid->addLayout(side, row, 1);
        button->installEventFilter(this);
        radio->installEventFilter(this);
    };
    makeRow(0, "rbMatrix", QStringLiteral("BTNMATRIXPAPER"), QStringLiteral("繰り返し写真(&M)"),
            QStringLiteral("同じ大きさの写真枠が規則正しく並んでいる用紙"), btnMatrix, rbMatrix);
    makeRow(1, "rbFree", QStringLiteral("BTNFREEPAPER"), QStringLiteral("フリー写真(&R)"),
            QStringLiteral("大きさの異なる写真枠が不規則に並んでいる用紙"), btnFree, rbFree);
    group->setExclusive(true);
    layout->addLayout(grid);
    layout->addStretch(1);
    TWizardButtons buttons = MakeWizardButtons(this, layout, true);
    btnCancel = buttons.Cancel;
    btnBack = buttons.Back;
    btnNext = buttons.Next;
    btnFinish = buttons.Finish;
    connect(rbMatrix, &QRadioButton::toggled, btnMatrix, [this](bool on) {
        if (on)
            btnMatrix->setChecked(true);
    });
    connect(rbFree, &QRadioButton::toggled, btnFree, [this](bool on) {
        if (on)
            btnFree->setChecked(true);
    });
    connect(btnMatrix, &QToolButton::clicked, this, [this] {
        if (btnMatrix->isChecked())
            rbMatrix->setChecked(true);
    });
    connect(btnFree, &QToolButton::clicked, this, [this] {
        if (btnFree->isChecked())
            rbFree->setChecked(true);
    });
    SetupForm(this);
    Setup(true);
}

void TfrmEditPaper20::Setup(bool isMatrix) {
    (isMatrix ? rbMatrix : rbFree)->setChecked(true);
}

bool TfrmEditPaper20::IsMatrix() const {
    return rbMatrix->isChecked();
}

bool TfrmEditPaper20::eventFilter(QObject* watched, QEvent* event) {
    // A double click on a choice takes it and goes on.
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == btnMatrix || watched == rbMatrix)
            rbMatrix->setChecked(true);
        else
            rbFree->setChecked(true);
        btnNext->click();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
