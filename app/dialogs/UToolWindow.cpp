#include "app/dialogs/UToolWindow.h"

#include "app/dialogs/FMessage.h"
#include "controls/Exspined.h"
#include "core/UAppUtil.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kTenthsPerMm = 10;

} // namespace

TToolWindow::TToolWindow(QWidget* parent) : QDialog(parent) {
    btnOK = new TBitBtn(this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->SetKind(bkOK);
    btnOK->setDefault(true);
    btnCancel = new TBitBtn(this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setText(QStringLiteral("キャンセル"));
    btnCancel->SetModalResult(mrCancel);
    btnCancel->SetCancel(true);
    btnHelp = new QPushButton(QStringLiteral("ヘルプ(&H)"), this);
    btnHelp->setObjectName(QStringLiteral("btnHelp"));
    btnHelp->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

TModalResult TToolWindow::ShowModal() {
    return exec() == QDialog::Accepted ? mrOk : mrCancel;
}

void TToolWindow::Finish(QLayout* content) {
    auto* column = new QVBoxLayout(this);
    column->addLayout(content);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnOK);
    buttons->addWidget(btnCancel);
    buttons->addWidget(btnHelp);
    column->addLayout(buttons);
    column->setSizeConstraint(QLayout::SetFixedSize);
    for (TExSpinEdit* edit : findChildren<TExSpinEdit*>())
        edit->installEventFilter(this);
    // Sized before the set-up centres it on the main form.
    adjustSize();
    SetupForm(this);
}

void TToolWindow::AcceptWhen(std::function<bool()> check) {
    disconnect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnOK, &QPushButton::clicked, this, [this, check = std::move(check)] {
        if (check())
            accept();
    });
}

bool TToolWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            btnOK->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

TExSpinEdit* NewLengthEdit(QWidget* parent, const char* name, int minValue, int maxValue) {
    auto* edit = new TExSpinEdit(parent);
    edit->setObjectName(QLatin1String(name));
    edit->SetValueRatio(kTenthsPerMm);
    edit->SetMinValue(minValue);
    edit->SetMaxValue(maxValue);
    edit->SetIncrement(kTenthsPerMm);
    edit->SetValue(minValue);
    return edit;
}

int ValidLength(const TExSpinEdit& edit) {
    return edit.IsValidText() ? edit.Value() : 0;
}

namespace {

// A sample picture: the mode's drawing on white.
class TModeSample : public QWidget {
public:
    TModeSample(QWidget* parent, int mode, TModeToolWindow::TSamplePainter painter)
        : QWidget(parent), mode_(mode), painter_(painter) {
        setFixedSize(kSampleSize, kSampleSize);
    }

    static constexpr int kSampleSize = 120;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::white);
        painter.setPen(Qt::gray);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
        painter.setRenderHint(QPainter::Antialiasing);
        painter_(painter, rect().adjusted(kInset, kInset, -kInset, -kInset), mode_);
    }

private:
    static constexpr int kInset = 10;
    int mode_;
    TModeToolWindow::TSamplePainter painter_;
};

} // namespace

TModeToolWindow::TModeToolWindow(QWidget* parent, int& keptMode, const QString& groupCaption,
                                 const std::vector<TModeItem>& items, TSamplePainter painter)
    : TToolWindow(parent), keptMode_(keptMode) {
    auto* content = new QHBoxLayout;
    grpModes = new QGroupBox(groupCaption, this);
    grpModes->setObjectName(QStringLiteral("grpModes"));
    auto* column = new QVBoxLayout(grpModes);
    pages = new QStackedWidget(this);
    pages->setObjectName(QStringLiteral("pages"));
    for (int mode = 0; mode < int(items.size()); ++mode) {
        const TModeItem& item = items[size_t(mode)];
        auto* button = new QRadioButton(item.caption, grpModes);
        button->setObjectName(QStringLiteral("rbMode%1").arg(mode));
        button->setProperty("Tag", mode);
        button->setToolTip(item.hint);
        column->addWidget(button);
        connect(button, &QRadioButton::clicked, this, [this, mode] {
            keptMode_ = mode;
            ShowMode(mode);
        });
        modeButtons.push_back(button);
        auto* sample = new TModeSample(pages, mode, painter);
        sample->setObjectName(item.page);
        pages->addWidget(sample);
    }
    content->addWidget(grpModes);
    content->addWidget(pages, 0, Qt::AlignTop);
    Finish(content);
    ShowMode(keptMode_);
}

void TModeToolWindow::ShowMode(int mode) {
    if (mode < 0 || mode >= int(modeButtons.size()))
        mode = 0;
    modeButtons[size_t(mode)]->setChecked(true);
    pages->setCurrentIndex(mode);
}

void TModeToolWindow::showEvent(QShowEvent* event) {
    ShowMode(keptMode_);
    TToolWindow::showEvent(event);
}
