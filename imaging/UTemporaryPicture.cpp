#include "imaging/UTemporaryPicture.h"

#include "core/UPathUtil.h"
#include "imaging/UPictureEX.h"
#include "platform/ClassRegistry.h"
#include "platform/ComponentResource.h"
#include "platform/Stream.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <mutex>

namespace {

const char* const kResourceName = "ImageData";
const char* const kFolderName = "Quorlane.tmp";
const char* const kFilePrefix = "qzw";

} // namespace

TTemporaryPicture::TTemporaryPicture(TComponent* owner)
    : TComponent(owner), picture_(std::make_unique<TPictureEx>()) {}

TTemporaryPicture::~TTemporaryPicture() = default;

void TTemporaryPicture::DeclareProperties(TPropertyBuilder<TTemporaryPicture>& p) {
    p.Object("Picture", &TTemporaryPicture::Picture);
}

void TTemporaryPicture::SetPicture(TPicture* value) {
    picture_->Assign(value);
    picture_->OnChange = nullptr;
}

void RegisterTemporaryPicture() {
    RegisterClass<TTemporaryPicture>();
}

QString TemporaryPictureFolder() {
    static std::once_flag once;
    static QString folder;
    std::call_once(once, [] {
        const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
        const QString path =
            JoinPath(JoinPath(base, QStringLiteral("Quorlane")), QString::fromLatin1(kFolderName));
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QStringList leftovers = QDir(path).entryList(
            QStringList(QString::fromLatin1(kFilePrefix) + u'*'), QDir::Files | QDir::Hidden);
        for (const QString& name : leftovers)
            QFile::remove(JoinPath(path, name));
        folder = path;
    });
    return folder;
}

QString SaveToTempFile(TPicture* picture) {
    RegisterTemporaryPicture();
    TTemporaryPicture holder(nullptr);
    holder.SetPicture(picture);
    TMemoryStream bytes;
    WriteComponentRes(bytes, QString::fromLatin1(kResourceName), &holder);

    QTemporaryFile file(JoinPath(TemporaryPictureFolder(), QString::fromLatin1(kFilePrefix) + "XXXXXX"));
    if (!file.open())
        throw EFCreateError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(file.fileTemplate(), file.errorString()));
    if (file.write(bytes.Data()) != bytes.Data().size() || !file.flush())
        throw EWriteError(QStringLiteral("Stream write error"));
    file.setAutoRemove(false);
    return file.fileName();
}

void LoadFromTempFile(TPicture* picture, const QString& fileName) {
    RegisterTemporaryPicture();
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    TTemporaryPicture holder(nullptr);
    ReadComponentRes(stream, holder);
    if (picture)
        picture->Assign(holder.Picture());
}

void DeleteTempFile(const QString& fileName) {
    if (QFile::exists(fileName))
        QFile::remove(fileName);
}
