#include "app/UPanelPicture.h"

#include "core/UAppFrame.h"
#include "core/USupportUtil.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "platform/Exception.h"

#include <QFileInfo>

TPanelPicture::TPanelPicture() = default;
TPanelPicture::~TPanelPicture() = default;

const TPictureEx* TPanelPicture::Get(QWidget* owner, const QString& fileName, bool loud) {
    if (fileName.isEmpty())
        return nullptr;
    if (picture_ && fileName == fileName_)
        return picture_.get();
    auto picture = std::make_unique<TPictureEx>();
    QString failure;
    try {
        LoadPictureFile(owner, picture.get(), fileName);
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
    return picture_.get();
}
