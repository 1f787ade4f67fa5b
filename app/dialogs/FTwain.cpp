#include "app/dialogs/FTwain.h"

#include "controls/Rdynotfy.h"
#include "core/UAppUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/UTwain.h"
#include "platform/Application.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

bool AcquireTwainPicture(QWidget* owner, TPicture& picture) {
    TTWainSelectDialog select;
    bool chosen = false;
    if (!TApplication::Guard(nullptr, [&] { chosen = select.Execute(); }) || !chosen)
        return false;
    TfrmTwain acquisition(owner);
    if (acquisition.exec() != QDialog::Accepted)
        return false;
    picture.Assign(&acquisition.Picture());
    return !IsPictureEmpty(&picture);
}

TfrmTwain::TfrmTwain(QWidget* parent)
    : QDialog(parent), Twain1(new TTwain(this)), picture_(std::make_unique<TPictureEx>()),
      ready_(new TReadyNotifier(this)) {
    setObjectName(QStringLiteral("frmTwain"));
    setWindowTitle(QStringLiteral("TWAINからの取込み"));
    lblMsg = new QLabel(QStringLiteral("TWAINソースから画像を取込中です。\nTWAIN機器のドライバ画面で画像を選択してください。"), this);
    lblMsg->setObjectName(QStringLiteral("lblMsg"));
    btnCancel = new QPushButton(QStringLiteral("中止"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblMsg);
    layout->addWidget(btnCancel, 0, Qt::AlignHCenter);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmTwain::reject);
    Twain1->OnTransferFromStream = [this](TStream* stream, bool canceled) { Transferred(stream, canceled); };
    Twain1->OnDisableSource = [this] { SourceDisabled(); };
    ready_->OnReady = [this](TObject*) { Start(); };
    SetupForm(this);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

TfrmTwain::~TfrmTwain() {
    QApplication::restoreOverrideCursor();
}

void TfrmTwain::Start() {
    repaint();
    try {
        Twain1->Acquire();
    } catch (const Exception& e) {
        TApplication::HandleException(nullptr, e);
        reject();
    }
}

void TfrmTwain::Transferred(TStream* stream, bool canceled) {
    if (canceled || stream == nullptr)
        return;
    TSafetyBitmap bitmap;
    bitmap.LoadFromStream(*stream);
    picture_->SetGraphic(&bitmap);
    const int limit = PictureSizeLimit.load();
    if (picture_->Width() > limit || picture_->Height() > limit)
        ShrinkPictureToLimit(picture_.get());
}

void TfrmTwain::SourceDisabled() {
    // The user closed the source's window, or the page came and the source closed itself.
    done(IsPictureEmpty(picture_.get()) ? QDialog::Rejected : QDialog::Accepted);
}

void TfrmTwain::reject() {
    // Whatever is still coming counts as cancelled; the picture goes with it.
    if (TTwainManager::Instance().Client() == Twain1)
        TTwainManager::Instance().CloseSource();
    picture_->SetGraphic(nullptr);
    QDialog::done(QDialog::Rejected);
}
