#include "tests/app/MaterialTestSupport.h"

#include "platform/Cp932.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>

namespace {

class NoVolumes : public TAppEnvironment {
public:
    QStringList Volumes() override { return {}; }
};

} // namespace

MaterialFixture::MaterialFixture() {
    frame.SetEnvironment(std::make_shared<NoVolumes>());
    frame.Macro().SetValue(QStringLiteral("ExeDir"), dir.path() + QLatin1Char('/'));
    frame.Macro().SetValue(QStringLiteral("AppName"), QStringLiteral("Quorlane"));
    frame.Macro().SetValue(QStringLiteral("ImageFileExtentions"), QStringLiteral(".bmp;.jpg;.png"));
    frame.Macro().SetValue(QStringLiteral("SysRegistryKey"),
                           QStringLiteral("Software\\MaterialTest\\Settings"));
    frame.Macro().SetValue(QStringLiteral("UserIllustHistory"),
                           QStringLiteral("$(SysRegistryKey)\\UserIllustHistory"));
    frame.Macro().SetValue(QStringLiteral("LabelDataHistory"),
                           QStringLiteral("$(SysRegistryKey)\\LabelDataHistory"));
}

QString MaterialFixture::Write(const QString& relative, const QString& text) {
    const QString path = dir.filePath(relative);
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Cp932::Encode(text));
    return path;
}

QString MaterialFixture::Picture(const QString& relative, const QColor& color) {
    const QString path = dir.filePath(relative);
    QDir().mkpath(QFileInfo(path).path());
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(color);
    EXPECT_TRUE(image.save(path, "BMP"));
    return path;
}
