#include "imaging/UTemporaryPicture.h"

#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

// A graphic whose data cannot be written.
class TUnwritableGraphic : public TSafetyBitmap {
public:
    const char* ClassName() const override { return "TSafetyBitmap"; }
    std::unique_ptr<TGraphic> NewInstance() const override { return std::make_unique<TUnwritableGraphic>(); }
    void WriteData(TStream&) override { throw EWriteError("disk full"); }
};

} // namespace

TEST(TemporaryPictureTest, ParkedJPEGComesBackUnchanged) {
    TSafetyBitmap bitmap(16, 8, pf24bit);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 48; ++x)
            bitmap.ScanLine(y)[x] = uint8_t(x * 5 + y * 9);
    TPictureEx picture;
    TJPEGImage jpeg;
    jpeg.Assign(bitmap);
    jpeg.Compress();
    picture.SetGraphic(&jpeg);
    const QByteArray bytes = GetSafetyJPEG(picture).Data();

    const QString first = SaveToTempFile(&picture);
    const QString second = SaveToTempFile(&picture);
    EXPECT_NE(first, second);
    EXPECT_EQ(QFileInfo(first).absolutePath(), QFileInfo(second).absolutePath());
    EXPECT_EQ(QFileInfo(first).absolutePath(), TemporaryPictureFolder());
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(TemporaryPictureFolder()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_FALSE(TemporaryPictureFolder().startsWith(QDir::tempPath() + "/Quorlane.tmp"));

    TPictureEx back;
    LoadFromTempFile(&back, first);
    auto* loaded = dynamic_cast<TJPEGImage*>(back.Graphic());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Data(), bytes);

    DeleteTempFile(first);
    EXPECT_FALSE(QFileInfo::exists(first));
    EXPECT_NO_THROW(DeleteTempFile(first));
    EXPECT_THROW(LoadFromTempFile(&back, first), Exception);
    DeleteTempFile(second);
}

TEST(TemporaryPictureTest, FailedSaveLeavesNoFile) {
    const QStringList before = QDir(TemporaryPictureFolder()).entryList(QDir::Files);
    TPictureEx picture;
    picture.TakeGraphic(std::make_unique<TUnwritableGraphic>());
    picture.Graphic()->SetWidth(2);
    picture.Graphic()->SetHeight(2);
    EXPECT_THROW(SaveToTempFile(&picture), EWriteError);
    EXPECT_EQ(QDir(TemporaryPictureFolder()).entryList(QDir::Files), before);
}
