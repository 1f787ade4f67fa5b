#include "app/UPanelPicture.h"

#include "core/UAppFrame.h"
#include "core/USupportUtil.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "platform/Exception.h"

#include <QFile>
#include <QFileInfo>

bool PictureFileDamaged(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray bytes = file.readAll();
    return bytes.startsWith("\xFF\xD8") && JPEGDataDamaged(bytes);
}

void TellDamagedPicture(const QString& fileName) {
    AppShowMessage(QStringLiteral("画像ファイル「%1」は壊れているため、写真の一部しか表示されません。")
                       .arg(QFileInfo(fileName).fileName()));
}

TPanelPicture::TPanelPicture() = default;
TPanelPicture::~TPanelPicture() = default;

const TPictureEx* TPanelPicture::Get(QWidget* owner, const QString& fileName, bool loud) {
    if (fileName.isEmpty())
        return nullptr;
    if (picture_ && fileName == fileName_) {
        if (loud && damaged_ && !told_) {
            told_ = true;
            TellDamagedPicture(fileName);
        }
        return picture_.get();
    }
    auto picture = std::make_unique<TPictureEx>();
    QString failure;
    try {
        // A cancelled import window is the user's choice, not a failure to tell.
        if (!LoadPictureFile(owner, picture.get(), fileName))
            return nullptr;
        if (IsPictureEmpty(picture.get()))
            failure = QStringLiteral("画像がありません");
    } catch (const Exception& e) {
        failure = e.Message();
    }
    if (!failure.isEmpty()) {
        if (loud)
            AppShowMessage(QStringLiteral("画像ファイル「%1」を読み込めませんでした\n%2")
                               .arg(QFileInfo(fileName).fileName(), failure));
        return nullptr;
    }
    picture_ = std::move(picture);
    fileName_ = fileName;
    damaged_ = PictureFileDamaged(fileName);
    told_ = loud && damaged_;
    if (told_)
        TellDamagedPicture(fileName);
    return picture_.get();
}
