#include "platform/DialogService.h"

#include "tests/FakeDialogService.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(DialogService, FiltersOfTheClassLibraryBecomeQtNameFilters) {
    EXPECT_EQ(
        FileDialogNameFilters(QStringLiteral("Quorlaneデータ(*.qla)|*.qla|すべてのファイル(*.*)|*.*")),
        QStringList({QStringLiteral("Quorlaneデータ (*.qla)"), QStringLiteral("すべてのファイル (*)")}));
    EXPECT_EQ(FileDialogNameFilters(QStringLiteral("画像|*.bmp;*.jpg; *.png")),
              QStringList({QStringLiteral("画像 (*.bmp *.jpg *.png)")}));
    // A description without its patterns is dropped.
    EXPECT_EQ(FileDialogNameFilters(QStringLiteral("a|*.a|b")), QStringList({QStringLiteral("a (*.a)")}));
    EXPECT_TRUE(FileDialogNameFilters(QString()).isEmpty());
    // Parentheses that hold no patterns are part of the description.
    EXPECT_EQ(FileDialogNameFilters(QStringLiteral("写真(JPEG)|*.jpg")),
              QStringList({QStringLiteral("写真(JPEG) (*.jpg)")}));
}

TEST(DialogService, AFileDialogWithoutAFolderOpensInTheUsersFolderNotTheWorkingOne) {
    EXPECT_EQ(FileDialogStartFolder(QStringLiteral("/some/where")), QStringLiteral("/some/where"));
    QTemporaryDir elsewhere;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(elsewhere.path()));
    const QString start = FileDialogStartFolder(QString());
    QDir::setCurrent(previous);
    EXPECT_TRUE(QFileInfo(start).isDir());
    EXPECT_NE(QFileInfo(start).canonicalFilePath(), QFileInfo(elsewhere.path()).canonicalFilePath());
}

TEST(DialogService, TheMessageDialogAnswersByButtonKind) {
    EXPECT_EQ(MessageDialogResult(bkOK), mrOk);
    EXPECT_EQ(MessageDialogResult(bkCancel), mrCancel);
    EXPECT_EQ(MessageDialogResult(bkYes), 6);
    EXPECT_EQ(MessageDialogResult(bkNo), 7);
    EXPECT_EQ(MessageDialogResult(bkCustom), mrYesToAll);
    EXPECT_EQ(MessageDialogResult(bkClose), mrNoToAll);
    EXPECT_EQ(MessageDialogResult(bkAll), mrAll);
    EXPECT_EQ(MessageDialogResult(bkHelp), mrNone);
}

TEST(DialogService, AnInstalledServiceAnswersUntilItGoes) {
    DialogService* windowSystem = &DialogService::Instance();
    {
        FakeDialogService fake;
        EXPECT_EQ(&DialogService::Instance(), &fake);
        fake.answers = {mrOk, mrCancel};
        EXPECT_TRUE(DialogService::Instance().Confirm(QStringLiteral("?")));
        EXPECT_FALSE(DialogService::Instance().Confirm(QStringLiteral("?")));
        EXPECT_EQ(fake.boxes[0].buttons, std::vector<TBitBtnKind>({bkOK, bkCancel}));
        EXPECT_EQ(fake.boxes[0].cancelIndex, 1);
    }
    EXPECT_EQ(&DialogService::Instance(), windowSystem);
}
