#include "controls/UCustomOpen.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>

QWidget* TPlaceHolders::Slot(int slot) const {
    return slot >= 0 && slot < kSlotCount ? slots_[size_t(slot)].data() : nullptr;
}

void TPlaceHolders::SetSlot(int slot, QWidget* control) {
    if (slot >= 0 && slot < kSlotCount)
        slots_[size_t(slot)] = control;
}

void TOpenDialogBody::accept() {
    if (BeforeAccept && !BeforeAccept())
        return;
    QFileDialog::accept();
}

TCustomOpenDialog::TCustomOpenDialog(QDialog* owner) : QObject(owner), owner_(owner) {
    dialog_ = new TOpenDialogBody(owner);
    dialog_->setObjectName(QStringLiteral("OpenDialogBody"));
    dialog_->setOption(QFileDialog::DontUseNativeDialog);
    dialog_->setWindowFlags(Qt::Widget);
    dialog_->setFileMode(QFileDialog::ExistingFile);
    dialog_->BeforeAccept = [this] { return FileOK(); };
    // Found once: once moved onto the form they are no longer the dialog's children.
    for (int slot = 0; slot < TPlaceHolders::kSlotCount; ++slot)
        for (QWidget* control : FindDialogControls(slot))
            controls_[size_t(slot)].emplace_back(control);
    connect(dialog_, &QFileDialog::directoryEntered, this, [this] {
        if (OnFolderChange)
            OnFolderChange(this);
    });
    connect(dialog_, &QFileDialog::currentChanged, this, [this] {
        if (OnSelChange)
            OnSelChange(this);
    });
    connect(dialog_, &QFileDialog::filterSelected, this, [this] {
        if (OnTypeChange)
            OnTypeChange(this);
    });
    connect(dialog_, &QFileDialog::accepted, this, [this] {
        if (owner_)
            owner_->accept();
    });
    connect(dialog_, &QFileDialog::rejected, this, [this] {
        if (owner_)
            owner_->reject();
    });
}

std::vector<QWidget*> TCustomOpenDialog::FindDialogControls(int slot) const {
    const auto named = [this](const char* name) -> QWidget* {
        return dialog_->findChild<QWidget*>(QString::fromLatin1(name));
    };
    auto* box = dialog_->findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
    switch (slot) {
    case TPlaceHolders::kLabelLocation:
        return {named("lookInLabel")};
    case TPlaceHolders::kLabelName:
        return {named("fileNameLabel")};
    case TPlaceHolders::kLabelKind:
        return {named("fileTypeLabel")};
    case TPlaceHolders::kButtonOK:
        if (box)
            for (auto which : {QDialogButtonBox::Open, QDialogButtonBox::Save})
                if (QPushButton* b = box->button(which))
                    return {b};
        return {};
    case TPlaceHolders::kButtonCancel:
        return {box ? box->button(QDialogButtonBox::Cancel) : nullptr};
    case TPlaceHolders::kComboLocation:
        return {named("lookInCombo")};
    case TPlaceHolders::kComboKind:
        return {named("fileTypeCombo")};
    case TPlaceHolders::kEditName:
        return {named("fileNameEdit")};
    case TPlaceHolders::kListFile:
        return {named("frame")};
    case TPlaceHolders::kToolBar:
        return {named("backButton"),      named("forwardButton"),  named("toParentButton"),
                named("newFolderButton"), named("listModeButton"), named("detailModeButton")};
    default: // the dialog has no help button and no read-only box
        return {};
    }
}

std::vector<QWidget*> TCustomOpenDialog::DialogControls(int slot) const {
    std::vector<QWidget*> controls;
    if (slot >= 0 && slot < TPlaceHolders::kSlotCount)
        for (const QPointer<QWidget>& control : controls_[size_t(slot)])
            controls.push_back(control.data());
    return controls;
}

void TCustomOpenDialog::Prepare() {
    hidden_.clear();
    if (owner_) {
        dialog_->setGeometry(owner_->rect());
        dialog_->lower();
        dialog_->show();
    }
    for (int slot : {TPlaceHolders::kLabelLocation, TPlaceHolders::kLabelName, TPlaceHolders::kLabelKind,
                     TPlaceHolders::kListFile, TPlaceHolders::kComboLocation, TPlaceHolders::kEditName,
                     TPlaceHolders::kComboKind, TPlaceHolders::kButtonOK, TPlaceHolders::kButtonCancel,
                     TPlaceHolders::kButtonHelp, TPlaceHolders::kCheckReadOnly, TPlaceHolders::kToolBar}) {
        QWidget* holder = placeHolders_.Slot(slot);
        if (!holder)
            continue;
        const bool shown = !holder->isHidden();
        int x = holder->x();
        for (QWidget* control : DialogControls(slot)) {
            if (!control)
                continue;
            if (!shown) {
                control->hide();
                continue;
            }
            // Onto the place holder's place in the form; a row of tool buttons starts there.
            control->setParent(holder->parentWidget());
            const int w = slot == TPlaceHolders::kToolBar ? control->sizeHint().width() : holder->width();
            control->setGeometry(x, holder->y(), w, holder->height());
            control->setEnabled(holder->isEnabled());
            control->show();
            control->raise();
            x += w;
        }
        if (shown)
            hidden_.emplace_back(holder);
        holder->hide();
    }
    if (OnInitDone)
        OnInitDone(this);
}

bool TCustomOpenDialog::FileOK() {
    if (!OnFileOK)
        return true;
    if (!owner_) {
        OnFileOK(this);
        return true;
    }
    // The handler refuses the file by setting the form's result to 0.
    owner_->setResult(QDialog::Accepted);
    OnFileOK(this);
    return owner_->result() != 0;
}

void TCustomOpenDialog::RestorePlaceHolders() {
    for (const QPointer<QWidget>& holder : hidden_)
        if (holder)
            holder->show();
    hidden_.clear();
}

bool TCustomOpenDialog::Execute() {
    if (!owner_)
        return false;
    Prepare();
    const int result = owner_->exec();
    RestorePlaceHolders();
    return result == QDialog::Accepted;
}
