#include "app/dialogs/FSelectFrame.h"

#include "app/dialogs/FFrameBrowser.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UHostDialog.h"
#include "app/dialogs/UThumbGrid.h"
#include "controls/UFormPanel.h"
#include "core/UAppUtil.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

TfrmSelectFrame::TfrmSelectFrame(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmSelectFrame"));
    setWindowTitle(QStringLiteral("フレームの選択"));
    setProperty("HelpContext", kHelpContext);
    const THostDialogFrame frame = BuildHostDialogFrame(this, QStringLiteral("pnlBase"));
    pnlBase = frame.Base;
    FormPanel1 = frame.FormPanel;
    btnOk = frame.Ok;
    btnCancel = frame.Cancel;
    pnlHelp = frame.HelpPanel;
    btnHelp = frame.Help;
    StatusBar1 = frame.StatusBar;
    btnClear = new QPushButton(QStringLiteral("フレームなし"), this);
    btnClear->setObjectName(QStringLiteral("btnClear"));
    frame.Buttons->insertWidget(0, btnClear);
    actOK = new QAction(QStringLiteral("OK"), this);
    actOK->setObjectName(QStringLiteral("actOK"));

    browser_ = new TfrmFrameBrowser(FormPanel1);
    FormPanel1->SetForm(browser_);
    browser_->SetDblClickAction(actOK);

    connect(btnOk, &QPushButton::clicked, actOK, &QAction::trigger);
    connect(actOK, &QAction::triggered, this, [this] {
        if (actOK->isEnabled() && browser_->HasSelection())
            accept();
    });
    connect(btnClear, &QPushButton::clicked, this, [this] {
        // OK without a frame: the caller removes the photo's frame.
        cleared_ = true;
        accept();
    });
    connect(browser_->Browser()->Grid(), &TThumbGrid::selectionChanged, this,
            &TfrmSelectFrame::UpdateActions);
    UpdateActions();
    SetupForm(this);
}

TfrmSelectFrame::~TfrmSelectFrame() = default;

void TfrmSelectFrame::showEvent(QShowEvent* event) {
    if (!placed_) {
        placed_ = true;
        // The controls' own wish is a thin strip: the first size shows several frames in at least
        // two rows, as much of it as the screen has, centred on the window that asked.
        const int thumb = browser_->Browser()->Grid()->ThumbSize();
        const QSize cell(thumb + kCellMargin, thumb + kCellMargin + kCellLabel);
        const QSize wish(std::max(sizeHint().width(), kFirstColumns * cell.width() + kChrome),
                         std::max(sizeHint().height(), kFirstRows * cell.height() + kChrome + kBarsHeight));
        QRect area(QPoint(0, 0), wish);
        if (QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen())
            area = screen->availableGeometry();
        resize(wish.boundedTo(area.size()));
        if (QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr) {
            QRect r(QPoint(0, 0), frameGeometry().size().boundedTo(area.size()));
            r.moveCenter(owner->frameGeometry().center());
            r.moveLeft(std::clamp(r.left(), area.left(), area.right() + 1 - r.width()));
            r.moveTop(std::clamp(r.top(), area.top(), area.bottom() + 1 - r.height()));
            move(r.topLeft());
        }
    }
    QDialog::showEvent(event);
}

void TfrmSelectFrame::UpdateActions() {
    const bool selected = browser_->HasSelection();
    actOK->setEnabled(selected);
    btnOk->setEnabled(selected);
}

QString TfrmSelectFrame::GetFrameFile() const {
    return cleared_ ? QString() : browser_->GetFrameFile();
}

QString TfrmSelectFrame::GetShadowFile() const {
    return browser_->GetShadowFile();
}

bool TfrmSelectFrame::IsAlphaFrame() const {
    return browser_->IsAlphaFrame();
}
