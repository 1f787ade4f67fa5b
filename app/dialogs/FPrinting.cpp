#include "app/dialogs/FPrinting.h"

#include "platform/DialogService.h"
#include "platform/Printer.h"

#include <QCloseEvent>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace {

constexpr int kProgressMax = 100;
// The printer picture's size; the window fits it.
constexpr int kPictureWidth = 320;
constexpr int kPictureHeight = 120;

} // namespace

QString PrintingCaption() {
    return QStringLiteral("印刷中です。少しお待ちください．．．");
}

TfrmPrinting::TfrmPrinting(QWidget* parent)
    : QDialog(parent,
              Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("frmPrinting"));
    setWindowTitle(PrintingCaption());
    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setFixedSize(kPictureWidth, kPictureHeight);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, kProgressMax);
    ProgressBar1->setTextVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(Image1);
    layout->addWidget(ProgressBar1);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void TfrmPrinting::RequestAbort() {
    setResult(mrCancel);
    Printer().Abort();
    if (OnAbort)
        OnAbort();
}

void TfrmPrinting::reject() {
    RequestAbort();
}

void TfrmPrinting::closeEvent(QCloseEvent* event) {
    // The popup around the print ends the window once the print has returned.
    event->ignore();
    RequestAbort();
}
