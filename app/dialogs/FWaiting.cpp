#include "app/dialogs/FWaiting.h"

#include "controls/UImagePanel.h"
#include "controls/UShadowPanel.h"
#include "core/UAppFrame.h"
#include "core/UAppUtil.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

namespace {

constexpr int kSmallWidth = 360;
constexpr int kTextHeight = 150;
constexpr int kPictureWidth = 420;
constexpr int kPictureHeight = 200;

} // namespace

QString WaitingCaption() {
    return QStringLiteral("処理中です。少しお待ちください．．．");
}

// ---- shared

TWaitingBase::TWaitingBase(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setWindowTitle(WaitingCaption());
    savedCursor_ = QApplication::overrideCursor() ? *QApplication::overrideCursor() : cursor();
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    lblCounter = new QLabel(this);
    lblCounter->setObjectName(QStringLiteral("lblCounter"));
    lblCounter->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    lblCounter->hide();
    btnAbort = new QPushButton(QStringLiteral("中 断"), this);
    btnAbort->setObjectName(QStringLiteral("btnAbort"));
    btnAbort->setAutoDefault(false);
    // The abort button shows the arrow; the rest of the window the operation's cursor.
    btnAbort->setCursor(Qt::ArrowCursor);
    connect(btnAbort, &QPushButton::pressed, this, [this] { AskAbort(); });
}

void TWaitingBase::SetCounter(int position, int count) {
    lblCounter->setText(QStringLiteral("%1/%2").arg(position).arg(count));
    lblCounter->show();
}

void TWaitingBase::AskAbort() {
    if (AppConfirm(QStringLiteral("処理を中断しますか？")))
        abort_ = true;
    btnAbort->setDown(false);
}

void TWaitingBase::closeEvent(QCloseEvent* event) {
    // The operation ends the window; the user does not.
    event->ignore();
    setResult(QDialog::Rejected);
    setCursor(savedCursor_);
}

void TWaitingBase::reject() {
    if (KeysAsk())
        AskAbort();
}

void TWaitingBase::keyPressEvent(QKeyEvent* event) {
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && KeysAsk()) {
        AskAbort();
        return;
    }
    QDialog::keyPressEvent(event);
}

// ---- text

TfrmWaitingText::TfrmWaitingText(QWidget* parent) : TWaitingBase(parent) {
    setObjectName(QStringLiteral("frmWaitingText"));
    pbLarge = new QWidget(this);
    pbLarge->setObjectName(QStringLiteral("pbLarge"));
    pbLarge->setGeometry(0, 0, kSmallWidth, kTextHeight);
    pbSmall = new QWidget(this);
    pbSmall->setObjectName(QStringLiteral("pbSmall"));
    pbSmall->setGeometry(0, 0, kSmallWidth, kTextHeight);
    pnlMainMessage = new QLabel(WaitingCaption(), this);
    pnlMainMessage->setObjectName(QStringLiteral("pnlMainMessage"));
    pnlMainMessage->setGeometry(12, 12, kSmallWidth - 24, 40);
    pnlMainMessage->setAlignment(Qt::AlignCenter);
    pnlMainMessage->setFrameShape(QFrame::StyledPanel);
    lblCounter->setParent(pnlMainMessage);
    lblCounter->setGeometry(pnlMainMessage->width() - 84, 2, 80, 36);
    ProgressBar1->setGeometry(12, 64, kSmallWidth - 24, 20);
    btnAbort->setGeometry((kSmallWidth - 96) / 2, 100, 96, 32);
    btnAbort->setEnabled(false);
    SetupForm(this);
    setFixedSize(pbSmall->width(), kTextHeight);
}

void TfrmWaitingText::SetMessage(const QString& text) {
    pnlMainMessage->setText(text);
}

bool TfrmWaitingText::KeysAsk() const {
    return btnAbort->isEnabled();
}

// ---- picture

TfrmWaiting::TfrmWaiting(QWidget* parent) : TWaitingBase(parent) {
    setObjectName(QStringLiteral("frmWaiting"));
    imgPanel = new TImagePanel(this);
    imgPanel->setObjectName(QStringLiteral("imgPanel"));
    imgPanel->setGeometry(12, 12, 120, 120);
    ShadowPanel1 = new TShadowPanel(this);
    ShadowPanel1->setObjectName(QStringLiteral("ShadowPanel1"));
    ShadowPanel1->setGeometry(144, 12, kPictureWidth - 156, 60);
    ShadowPanel1->Brush().SetColor(clWhite);
    Label1 = new QLabel(WaitingCaption(), ShadowPanel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(8, 8, ShadowPanel1->width() - 16, 44);
    lblCounter->setGeometry(144, 76, kPictureWidth - 156, 20);
    ProgressBar1->setGeometry(144, 100, kPictureWidth - 156, 20);
    btnAbort->setGeometry(kPictureWidth - 108, kPictureHeight - 48, 96, 32);
    SetupForm(this);
    setFixedSize(kPictureWidth, kPictureHeight);
}

void TfrmWaiting::SetPicture(const TPicture& picture) {
    imgPanel->SetPicture(picture);
}
