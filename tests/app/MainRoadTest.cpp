// The main road as a user walks it on the real main window: papers chosen, pages shown, saved and
// opened again through the menus and keys a user reaches.

#include "app/FAMBackGround.h"
#include "app/FAMFigure.h"
#include "app/UModeRegistry.h"
#include "app/dialogs/FPrintDialog.h"
#include "app/dialogs/FPrintPaperBase.h"
#include "app/dialogs/FPrintPaperPanel.h"
#include "core/UAppFrame.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULOText.h"
#include "app/FAMPhoto.h"
#include "app/FLayout.h"
#include "app/FSheet.h"
#include "app/UPanelPicture.h"
#include "app/dialogs/FBackFileBrowser.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "app/FMain.h"
#include "core/UDocStorage.h"
#include "core/UHistoryManager.h"
#include "app/FAMText.h"
#include "app/dialogs/FAbout.h"
#include "app/dialogs/FEnvironment.h"
#include "app/dialogs/FPrinterSetting.h"
#include "app/dialogs/FSheetName.h"
#include "app/dialogs/FSheetPos.h"
#include "app/dialogs/FURLEdit.h"
#include "app/dialogs/FTemplate2.h"
#include "app/dialogs/FCoverTemplate.h"
#include "app/dialogs/FColorAdjuster.h"
#include "app/dialogs/FStringsEditor.h"
#include "app/dialogs/FEditPaper10.h"
#include "app/dialogs/FEditPaper20.h"
#include "app/dialogs/FAutoImgNorm.h"
#include "app/dialogs/FCoverPicture.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include <QPlainTextEdit>
#include "app/dialogs/FFrameBrowser.h"
#include "app/dialogs/FSelectFrame.h"
#include "app/dialogs/UThumbGrid.h"
#include "app/dialogs/FWaiting.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "imaging/UJPEGImage.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULORect.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/Settings.h"
#include "platform/StorageError.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFont>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QGuiApplication>
#include <QProcess>
#include <QScopeGuard>
#include <QScreen>
#include <QStandardPaths>
#include <QListWidget>
#include <QMenu>
#include <QDialog>
#include <QLineEdit>
#include <QAbstractSpinBox>
#include <QAbstractButton>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <QTreeWidget>

namespace {

const QString kCardPaper = QStringLiteral("QL-BC10 名刺 10面 A4");
const QString kAlbumPaper = QStringLiteral("QL-AB2 アルバム台紙 A4 L判4枚");
const QString kPlainPaper = QStringLiteral("QL-A4L01 A4ラベル ノーカット");

class MainRoadTest : public AppFixture {
protected:
    void SetUp() override {
        RegisterPageClasses();
        // The shipped backgrounds and frames, for their catalogues.
        for (const QString& folder : {QStringLiteral("BackGrnd"), QStringLiteral("Frame"), QStringLiteral("Figure")}) {
            const QString shipped = QStringLiteral(QUORLANE_EXE_DIR "/Data/") + folder;
            QDirIterator files(shipped, QDir::Files, QDirIterator::Subdirectories);
            while (files.hasNext()) {
                const QString from = files.next();
                const QString to = ExeDir() + QStringLiteral("/Data/") + folder + QStringLiteral("/") +
                                   QDir(shipped).relativeFilePath(from);
                QDir().mkpath(QFileInfo(to).path());
                QFile::copy(from, to);
            }
        }
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        main->resize(1000, 760);
        main->show();
        QApplication::setActiveWindow(main);
    }
    TfrmLayout* Editor() const { return qobject_cast<TfrmLayout*>(main->HostedForm()); }

    // Paper selection (entered by pressed), the paper's genre and row clicked, 編集画面へ.
    void ChoosePaper(const QString& genreName, const QString& paperName, const QString& group = {}) {
        auto* selection = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
        ASSERT_NE(selection, nullptr);
        RunLoopUntil([&] { return selection->isVisible(); });
        TfrmPaperSelectPanel* papers = selection->Panel();
        const QList<QListWidgetItem*> genre = papers->lbGenre->findItems(genreName, Qt::MatchExactly);
        ASSERT_EQ(genre.size(), 1) << genreName.toStdString();
        QTest::mouseClick(papers->lbGenre->viewport(), Qt::LeftButton, {},
                          papers->lbGenre->visualItemRect(genre[0]).center());
        if (!group.isEmpty()) {
            QComboBox* groups = papers->cbGroup;
            const int index = groups->findText(group);
            ASSERT_GE(index, 0) << group.toStdString();
            groups->setFocus();
            QTest::keyClick(groups, Qt::Key_Home);
            for (int i = 0; i < index; ++i)
                QTest::keyClick(groups, Qt::Key_Down);
        }
        const QList<QTreeWidgetItem*> row = papers->lvPaper->findItems(paperName, Qt::MatchExactly);
        QStringList shown;
        for (int i = 0; i < papers->lvPaper->topLevelItemCount(); ++i)
            shown << papers->lvPaper->topLevelItem(i)->text(0);
        ASSERT_EQ(row.size(), 1) << paperName.toStdString() << " among " << shown.join(u'|').toStdString();
        papers->lvPaper->scrollToItem(row[0]);
        QTest::mouseClick(papers->lvPaper->viewport(), Qt::LeftButton, {},
                          papers->lvPaper->visualItemRect(row[0]).center());
        QTest::mouseClick(papers->btnToEdit, Qt::LeftButton);
        ASSERT_NE(Editor(), nullptr);
        ASSERT_EQ(main->Document()->GetPaperInfo()->PaperName, paperName);
    }
    // The photo frames on the editor's page.
    int Frames() const {
        TDOList all;
        Editor()->DrawSite1->ListObjects(all, false);
        return int(std::count_if(all.begin(), all.end(), [](TDrawObject* object) {
            return dynamic_cast<TLOAlbumPhoto*>(object) != nullptr;
        }));
    }
    // Opens the file menu as a click would and closes it with Esc, as a user looking does.
    void LookIntoFileMenu() {
        QTimer::singleShot(0, [] {
            if (QWidget* menu = QApplication::activePopupWidget())
                QTest::keyClick(menu, Qt::Key_Escape);
        });
        main->popupFile->exec(main->mapToGlobal(QPoint(10, 10)));
    }

    QTemporaryDir folder;
    TfrmMain* main = nullptr;
};

TEST_F(MainRoadTest, NothingIsPrintedOrSavedFromTheStartMenuOrPaperSelectionUntilAModeHasADocument) {
    ASSERT_EQ(main->HostedKind(), mkStartMenu);
    const auto offered = [&] {
        return main->actPrint->isEnabled() || main->actSave->isEnabled() || main->actSaveAs->isEnabled();
    };
    EXPECT_FALSE(offered()) << "start menu, before its file menu was ever opened";
    QTest::keyClick(main, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(main->HostedKind(), mkStartMenu) << "Ctrl+P does not leave the start menu";
    main->actPaper->trigger();
    ASSERT_EQ(main->HostedKind(), mkPaper);
    EXPECT_FALSE(offered()) << "paper selection";
    ChoosePaper(QStringLiteral("定形"), kCardPaper, QStringLiteral("名刺"));
    ASSERT_NE(Editor(), nullptr);
    EXPECT_TRUE(main->actPrint->isEnabled() && main->actSave->isEnabled() && main->actSaveAs->isEnabled());
    QTest::keyClick(main, Qt::Key_P, Qt::ControlModifier);
    EXPECT_EQ(main->HostedKind(), mkPrint) << "Ctrl+P from the editor";
}

TEST_F(MainRoadTest, SaveWorksAfterOpeningFromTheRecentFilesMenu) {
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    ChoosePaper(QStringLiteral("定形"), kCardPaper, QStringLiteral("名刺"));
    const QString path = folder.filePath(QStringLiteral("名刺 です.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(main->Document()->Modified());
    EXPECT_FALSE(Editor()->IsModified());
    main->actStartMenu->trigger();
    ASSERT_EQ(main->HostedKind(), mkStartMenu);

    // The start menu's file menu offers no Save; the recent file opens the editor.
    LookIntoFileMenu();
    EXPECT_FALSE(main->actSave->isEnabled());
    QMenu* recent = main->mnuRecent;
    QAction* entry = nullptr;
    for (QAction* action : recent->actions())
        if (action->text().contains(QStringLiteral("名刺 です.qld")))
            entry = action;
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    RunLoopUntil([&] { return main->HostedKind() == mkLayout; });
    ASSERT_NE(Editor(), nullptr);

    // An edit, then Ctrl+S writes without the menu being opened again.
    const QByteArray before = TestSupport::ReadFile(path);
    Editor()->DrawSite1->SetModified(true);
    main->Document()->DataName = QStringLiteral("変更後");
    main->Document()->SetModified(true);
    EXPECT_TRUE(main->actSave->isEnabled());
    QApplication::setActiveWindow(main);
    QTest::keyClick(main, Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(main->Document()->Modified());
    EXPECT_NE(TestSupport::ReadFile(path), before);
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MainRoadTest, FramesMadeOnAPagesFirstVisitSurviveTheSheetWindowAndANewPaperMakesItsOwn) {
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    ChoosePaper(QStringLiteral("定形"), kCardPaper, QStringLiteral("名刺"));
    EXPECT_EQ(Frames(), 10);
    main->actSheet->trigger();
    ASSERT_EQ(main->HostedKind(), mkSheet);
    main->actLayout->trigger();
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Frames(), 10) << "the frames reached the document";

    // A page without frames seen first; the album paper chosen next makes its four.
    dialogs.answers = {mrNo, mrNo};
    main->actNew->trigger();
    ChoosePaper(QStringLiteral("定形"), kPlainPaper, QStringLiteral("ラベル"));
    EXPECT_EQ(Frames(), 0);
    main->actPaper->trigger();
    ASSERT_EQ(main->HostedKind(), mkPaper);
    ChoosePaper(QStringLiteral("アルバム専用紙"), kAlbumPaper);
    EXPECT_EQ(Frames(), 4);
}

TEST_F(MainRoadTest, ADocumentThatCannotBeOpenedOrSavedIsNamedWithItsCauseInJapanese) {
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    ChoosePaper(QStringLiteral("定形"), kCardPaper, QStringLiteral("名刺"));
    const QString good = folder.filePath(QStringLiteral("good.qld"));
    dialogs.files = {good};
    main->actSaveAs->trigger();
    ASSERT_TRUE(QFileInfo::exists(good));
    const QByteArray bytes = TestSupport::ReadFile(good);
    TLabelData* before = main->Document();
    // A sheet list and a DataInfo of garbage: opened, made-up empty sheets would hide the real ones.
    const QString scratch = folder.filePath(QStringLiteral("scratch"));
    QFile::copy(good, scratch);
    {
        TFileStorage file(scratch, 2);
        const QByteArray garbage("\x07\x00\x00\x00\x93\xfa\x01\x02\x8e\xa0zz\r\n\xff\xfe", 16);
        WriteElementBytes(&file, QStringLiteral("Sheets\\NameList"), garbage);
        WriteElementBytes(&file, QStringLiteral("DataInfo"), garbage);
        file.Storage()->Commit(true);
    }
    const QByteArray noSheets = TestSupport::ReadFile(scratch);
    {
        TFileStorage file(scratch, ModeCreate);
        WriteElementBytes(&file, QStringLiteral("WordDocument"), QByteArray("another program's"));
    }
    const QByteArray foreign = TestSupport::ReadFile(scratch);

    const struct {
        const char* name;
        QByteArray bytes;
        QString cause;
    } cases[] = {
        {"cut.qld", bytes.left(bytes.size() / 2), QStringLiteral("ファイルが壊れています")},
        {"empty.qld", QByteArray(), QStringLiteral("ファイルが空です")},
        {"photo.qld", QByteArray("\x89PNG\r\n\x1a\n and more"), QStringLiteral("別の形式のファイルです")},
        {"list.qld", noSheets, QStringLiteral("ファイルが壊れています（シート一覧が壊れています）")},
        {"other.qld", foreign, QStringLiteral("別の形式のファイルです")},
    };
    for (const auto& bad : cases) {
        const QString path = folder.filePath(QString::fromLatin1(bad.name));
        TestSupport::WriteFile(path, bad.bytes);
        dialogs.boxes.clear();
        dialogs.answers = {mrOk};
        EXPECT_FALSE(main->OpenDocument(path));
        ASSERT_EQ(dialogs.boxes.size(), 1u) << bad.name;
        const QString text = dialogs.boxes[0].text;
        EXPECT_TRUE(text.startsWith(QStringLiteral("指定されたファイルを開くことはできません"))) << bad.name;
        EXPECT_TRUE(text.contains(QStringLiteral("ファイル: ") + QDir::toNativeSeparators(path))) << bad.name;
        EXPECT_TRUE(text.contains(QStringLiteral("原因: ") + bad.cause)) << text.toStdString();
        EXPECT_EQ(main->Document(), before);
        EXPECT_EQ(main->FileName(), good);
    }

    // A save into a folder that is not there: named, the cause told, the document still modified.
    main->Document()->SetModified(true);
    const QString nowhere = folder.filePath(QStringLiteral("gone/新しい.qld"));
    dialogs.boxes.clear();
    dialogs.files = {nowhere};
    dialogs.answers = {mrOk};
    main->actSaveAs->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QDir::toNativeSeparators(nowhere)));
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("原因: 保存先のフォルダが見つかりません")));
    EXPECT_FALSE(dialogs.boxes[0].text.contains(QStringLiteral("予期しない")));
    EXPECT_EQ(main->FileName(), good);
    EXPECT_TRUE(main->Document()->Modified());
}

TEST_F(MainRoadTest, ADocumentWithADamagedPageOpensShowingItAndToldOnceKeepingItsBytes) {
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    ChoosePaper(QStringLiteral("定形"), kCardPaper, QStringLiteral("名刺"));
    const QString path = folder.filePath(QStringLiteral("傷んだ 名刺.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    ASSERT_TRUE(QFileInfo::exists(path));
    const int sheet = main->Document()->CurrentSheetNo();
    // The shown page's face stream cut short behind its packing header.
    const QString face = QStringLiteral("Sheets\\NameList%1\\NameList0").arg(sheet);
    const QByteArray damaged = QByteArray("ZLIBCompress\x1a", 13) + QByteArray("\xff\xff\xff\x7f", 4) + "zz";
    {
        TFileStorage file(path, 2);
        ASSERT_FALSE(ReadElementBytes(&file, face).isEmpty());
        WriteElementBytes(&file, face, damaged);
        file.Storage()->Commit(true);
    }
    ASSERT_TRUE(main->NewDocument());

    dialogs.boxes.clear();
    dialogs.answers = {mrOk};
    ASSERT_TRUE(main->OpenDocument(path));
    // Opened: its name in the caption, its page shown (empty), the file kept among the recent ones.
    EXPECT_EQ(main->FileName(), path);
    EXPECT_TRUE(main->windowTitle().contains(QStringLiteral("傷んだ 名刺.qld")));
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(Frames(), 0);
    EXPECT_TRUE(main->hmOpenFile->GetItems().IndexOf(path) >= 0);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("一部を読み込めませんでした")));
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("シート%1のページ").arg(sheet + 1)));

    // Saved untouched, the page keeps its bytes for a better reader.
    main->Document()->SetModified(true);
    main->actSave->trigger();
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    TFileStorage saved(path, 0);
    EXPECT_EQ(ReadElementBytes(&saved, face), damaged);
}

// As the program does today: a damaged page is not one of the parts that keep the file (its bytes
// stay inside the document), so Ctrl+S writes over the file; a page on a sheet not shown first is
// told only when it is shown.
TEST_F(MainRoadTest, ADamagedPagesBytesOutliveSavesOfOtherPagesUntilThatPageIsReplaced) {
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    ChoosePaper(QStringLiteral("定形"), kCardPaper, QStringLiteral("名刺"));
    const auto drawRect = [&](int at) {
        TfrmLayout* editor = Editor();
        TDrawSite* site = editor->DrawSite1;
        editor->actRect->trigger();
        const QPoint from(site->LogToDev(TPoint(at, at)).X, site->LogToDev(TPoint(at, at)).Y);
        const QPoint to(site->LogToDev(TPoint(at + 80, at + 60)).X, site->LogToDev(TPoint(at + 80, at + 60)).Y);
        QTest::mousePress(site, Qt::LeftButton, {}, from);
        QTest::mouseMove(site, (from + to) / 2);
        QTest::mouseMove(site, to);
        QTest::mouseRelease(site, Qt::LeftButton, {}, to);
    };
    const auto rectsShown = [&] {
        TDOList all;
        Editor()->DrawSite1->ListObjects(all, false);
        return std::count_if(all.begin(), all.end(),
                             [](TDrawObject* object) { return dynamic_cast<TLORect*>(object) != nullptr; });
    };
    const int first = main->Document()->CurrentSheetNo();
    ASSERT_GE(main->Document()->GetSheetCount(), 2);
    const int other = (first + 1) % main->Document()->GetSheetCount();
    Editor()->GoToPage(other);
    drawRect(40);
    Editor()->GoToPage(first);
    drawRect(40);
    const QString path = folder.filePath(QStringLiteral("傷んだ ページ.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    ASSERT_EQ(main->FileName(), path);
    const QString face = QStringLiteral("Sheets\\NameList%1\\NameList0");
    const auto faceBytes = [&](int sheet) {
        TFileStorage file(path, 0);
        return ReadElementBytes(&file, face.arg(sheet));
    };
    const QByteArray damaged = QByteArray("ZLIBCompress\x1a", 13) + QByteArray("\xff\xff\xff\x7f", 4) + "zz";
    {
        TFileStorage file(path, 2);
        ASSERT_FALSE(ReadElementBytes(&file, face.arg(other)).isEmpty());
        WriteElementBytes(&file, face.arg(other), damaged);
        file.Storage()->Commit(true);
    }
    ASSERT_TRUE(main->NewDocument());

    dialogs.boxes.clear();
    ASSERT_TRUE(main->OpenDocument(path));
    ASSERT_EQ(main->Document()->CurrentSheetNo(), first);
    EXPECT_TRUE(dialogs.boxes.empty()) << "a page of a sheet not shown is not read at opening";

    // Another page edited and saved over the file: the damaged page's bytes go along unchanged.
    const QByteArray firstBefore = faceBytes(first);
    drawRect(200);
    main->actSave->trigger();
    EXPECT_TRUE(dialogs.boxes.empty()) << "saved over the file without asking for another name";
    EXPECT_FALSE(main->Document()->Modified());
    EXPECT_NE(faceBytes(first), firstBefore);
    EXPECT_EQ(faceBytes(other), damaged);

    // Shown, the page is told about and empty; saving it untouched keeps its bytes still.
    dialogs.answers = {mrOk};
    Editor()->GoToPage(other);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.startsWith(QStringLiteral("シート%1のページを読み込めませんでした").arg(other + 1)))
        << qPrintable(dialogs.boxes[0].text);
    EXPECT_EQ(rectsShown(), 0);
    main->Document()->SetModified(true);
    main->actSave->trigger();
    EXPECT_EQ(faceBytes(other), damaged);

    // Only the user's own page in its place replaces them.
    drawRect(100);
    EXPECT_EQ(rectsShown(), 1);
    main->actSave->trigger();
    EXPECT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_NE(faceBytes(other), damaged);
    TLabelData reopened(nullptr);
    reopened.LoadFromFile(path);
    reopened.SetCurrentSheetNo(other);
    TOwnedDOList objects;
    reopened.LoadLabelObjects(0, objects);
    EXPECT_EQ(objects.Count(), 1);
}

TEST_F(MainRoadTest, ADocumentWithUnreadablePartsIsSavedOnlyUnderAnotherName) {
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    ChoosePaper(QStringLiteral("定形"), kCardPaper, QStringLiteral("名刺"));
    const QString path = folder.filePath(QStringLiteral("傷んだ シート.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    // A sheet other than the shown one: its Info and paper garbage, found only when it is read.
    const int sheet = (main->Document()->CurrentSheetNo() + 1) % 3;
    {
        TFileStorage file(path, 2);
        TDocStorage stored(&file, QStringLiteral("Sheets\\NameList%1").arg(sheet), false);
        const QByteArray garbage("\xff\x0a\x00INFO\x00\x30\x10\x08\x00\x00\x00TPF0junk", 22);
        WriteElementBytes(&stored, QStringLiteral("Info"), garbage);
        WriteElementBytes(&stored, QStringLiteral("PaperInfo"), garbage);
        file.Storage()->Commit(true);
    }
    const QByteArray damaged = TestSupport::ReadFile(path);
    ASSERT_TRUE(main->NewDocument());

    dialogs.boxes.clear();
    dialogs.files = {path};
    dialogs.answers = {mrOk};
    main->actOpen->trigger();
    ASSERT_EQ(main->FileName(), path) << "opened through the open command";
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    const QString told = dialogs.boxes[0].text;
    EXPECT_TRUE(told.contains(QStringLiteral("「傷んだ シート.qld」の一部を読み込めませんでした"))) << qPrintable(told);
    EXPECT_TRUE(told.contains(QStringLiteral("シート%1: Info, PaperInfo").arg(sheet + 1))) << qPrintable(told);
    EXPECT_TRUE(told.contains(QStringLiteral("別の名前"))) << qPrintable(told);

    // Save asks for another name; the same name again is refused, the file as it was.
    main->Document()->SetModified(true);
    dialogs.boxes.clear();
    dialogs.files = {path};
    dialogs.answers = {mrOk, mrOk};
    main->actSave->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    for (const auto& box : dialogs.boxes)
        EXPECT_TRUE(box.text.contains(QStringLiteral("「傷んだ シート.qld」は一部を読み込めなかった"))) << qPrintable(box.text);
    EXPECT_EQ(TestSupport::ReadFile(path), damaged);
    EXPECT_TRUE(main->Document()->Modified());
    // Another name takes it; the damaged file stays for a better reader.
    const QString other = folder.filePath(QStringLiteral("写し.qld"));
    dialogs.boxes.clear();
    dialogs.files = {other};
    dialogs.answers = {mrOk};
    main->actSave->trigger();
    EXPECT_EQ(main->FileName(), other);
    EXPECT_TRUE(QFileInfo::exists(other));
    EXPECT_FALSE(main->Document()->Modified());
    EXPECT_EQ(TestSupport::ReadFile(path), damaged);
}

TEST(DocumentFaults, StorageCodesGiveTheirCauseAndTheSystemTextStaysADetail) {
    const EOleSysError denied(StorageErrorMessage(STG_E_ACCESSDENIED) + QStringLiteral(" (/ro/a.qld)"),
                              STG_E_ACCESSDENIED);
    EXPECT_EQ(DocumentFaultCause(true, QStringLiteral("/ro/a.qld"), denied),
              QStringLiteral("保存先が読み取り専用か、書き込む権限がありません"));
    // The code is gone once the document wraps the fault; its text still tells.
    const ELabelData full(QStringLiteral("文書「/x/a.qld」を保存できません。") +
                          StorageErrorMessage(STG_E_MEDIUMFULL));
    EXPECT_EQ(DocumentFaultCause(true, QStringLiteral("/x/a.qld"), full),
              QStringLiteral("ディスクの空き容量が不足しています"));
    EXPECT_EQ(DocumentFaultText(true, QStringLiteral("/x/a.qld"), full),
              QStringLiteral("ファイルを保存できませんでした\r\nファイル: /x/a.qld\r\n"
                             "原因: ディスクの空き容量が不足しています\r\n"
                             "詳細: 操作を完了するためのディスクの空き容量が足りません。"));
}

TEST_F(MainRoadTest, TheWaitingWindowShowsAndTheMainWindowRepaintsBeforeASave) {
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    ChoosePaper(QStringLiteral("定形"), kCardPaper, QStringLiteral("名刺"));
    // What a closed menu leaves: a part of the main window waiting for its paint.
    struct PaintWatch : QObject {
        QWidget* main = nullptr;
        bool mainPaintedUnderWaiting = false;
        bool waitingPainted = false;
        bool eventFilter(QObject* watched, QEvent* event) override {
            if (event->type() == QEvent::Paint) {
                QWidget* waiting = nullptr;
                for (QWidget* top : QApplication::topLevelWidgets())
                    if (dynamic_cast<TfrmWaitingText*>(top) != nullptr && top->isVisible())
                        waiting = top;
                auto* widget = qobject_cast<QWidget*>(watched);
                if (waiting && widget && (widget == waiting || waiting->isAncestorOf(widget)))
                    waitingPainted = true;
                if (waiting && widget && (widget == main || main->isAncestorOf(widget)))
                    mainPaintedUnderWaiting = true;
            }
            return false;
        }
    } watch;
    watch.main = main;
    qApp->installEventFilter(&watch);
    main->update();
    dialogs.files = {folder.filePath(QStringLiteral("waited.qld"))};
    main->actSaveAs->trigger();
    qApp->removeEventFilter(&watch);
    EXPECT_TRUE(watch.waitingPainted);
    EXPECT_TRUE(watch.mainPaintedUnderWaiting);
}

TEST_F(MainRoadTest, TheWindowComesBackWhereItWasMaximisedAndWithinTheScreen) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QString key = QStringLiteral("Software\\Ovandrexa\\Quorlane\\1.0\\Settings");
    // A first start takes most of the screen, as much as it has.
    data.reset();
    for (const char* name : {"frmMainLeft", "frmMainTop", "frmMainWidth", "frmMainHeight", "frmMainMaximized"})
        SettingsStore::DeleteValue(key, QLatin1String(name));
    main = StartMainWindow();
    ASSERT_NE(main, nullptr);
    // The window's frame counts: with it, the window's foot (its status bar) is on the screen.
    const auto framed = [&] {
        const QRect r = main->frameGeometry();
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()).toStdString();
    };
    const QSize frame = main->frameGeometry().size() - main->size();
    EXPECT_EQ(main->size(),
              QSize(std::min(1200, area.width() - frame.width()), std::min(840, area.height() - frame.height())));
    EXPECT_TRUE(area.contains(main->frameGeometry())) << framed();

    // Closed maximised: it comes back maximised.
    main->showMaximized();
    RunLoopUntil([&] { return main->isMaximized(); });
    ASSERT_TRUE(main->close());
    EXPECT_TRUE(SettingsStore::ReadBool(key, QStringLiteral("frmMainMaximized"), false));
    // A placement from a larger screen is brought within this one.
    SettingsStore::WriteInteger(key, QStringLiteral("frmMainWidth"), area.width() + 900);
    SettingsStore::WriteInteger(key, QStringLiteral("frmMainHeight"), area.height() + 700);
    SettingsStore::WriteInteger(key, QStringLiteral("frmMainLeft"), area.left() + 40);
    SettingsStore::WriteInteger(key, QStringLiteral("frmMainTop"), area.top() + 30);
    data.reset();
    main = StartMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(main->isMaximized());
    main->showNormal();
    RunLoopUntil([&] { return !main->isMaximized(); });
    EXPECT_TRUE(area.contains(main->frameGeometry())) << framed();
    // Restored not maximised, from a placement the size of this screen's area.
    ASSERT_TRUE(main->close());
    SettingsStore::WriteBool(key, QStringLiteral("frmMainMaximized"), false);
    SettingsStore::WriteInteger(key, QStringLiteral("frmMainWidth"), area.width());
    SettingsStore::WriteInteger(key, QStringLiteral("frmMainHeight"), area.height());
    SettingsStore::WriteInteger(key, QStringLiteral("frmMainLeft"), area.left());
    SettingsStore::WriteInteger(key, QStringLiteral("frmMainTop"), area.top());
    data.reset();
    main = StartMainWindow();
    ASSERT_NE(main, nullptr);
    EXPECT_TRUE(area.contains(main->frameGeometry())) << framed();
    EXPECT_EQ(main->frameGeometry().size(), area.size()) << framed();
}

TEST_F(MainRoadTest, ABackgroundPastedFromTheCatalogueShowsAtOnce) {
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    ChoosePaper(QStringLiteral("定形"), kCardPaper, QStringLiteral("名刺"));
    TfrmLayout* editor = Editor();
    TDrawSite* site = editor->DrawSite1;
    RunLoopUntil([&] { return site->isVisible(); });
    const QImage before = site->grab().toImage();
    // The part of the page that changed colour.
    const auto changed = [&] {
        const QImage now = site->grab().toImage();
        int differing = 0;
        for (int y = 0; y < now.height(); y += 4)
            for (int x = 0; x < now.width(); x += 4)
                differing += now.pixel(x, y) != before.pixel(x, y);
        return double(differing) / ((now.height() / 4) * (now.width() / 4));
    };

    editor->actModeBackGround->trigger();
    auto* panel = dynamic_cast<TfrmAMBackGround*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    RunLoopUntil([&] { return panel->Browser()->Browser()->ItemCount() > 0; });
    ASSERT_GT(panel->Browser()->Browser()->ItemCount(), 0);
    panel->Browser()->Browser()->SelectIndex(0);
    editor->EditPanelIdle();
    ASSERT_TRUE(panel->btnPasteBackGround->isEnabled());
    QTest::mouseClick(panel->btnPasteBackGround, Qt::LeftButton);
    ASSERT_GT(UndoList().Count(), 0);
    // The frames cover most of the page: the margins around them show the pattern.
    EXPECT_GT(changed(), 0.1) << "the background shows without leaving the editor";
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MainRoadTest, TheStatusBarFollowsATurnAndShowsWholePositions) {
    TfrmLayout* editor = OpenLayoutEditor(main);
    ASSERT_NE(editor, nullptr);
    TDrawSite* site = editor->DrawSite1;
    auto owned = std::make_unique<TLORect>(nullptr);
    owned->SetLogRect(TRect(1000, 1000, 1400, 1200));
    TDrawObject* rect = site->AdoptObject(std::move(owned));
    site->SelectAll(false);
    rect->SetSelected(true);
    site->UpdatePivots();
    editor->UpdateStatusText(true);
    ASSERT_NE(main->StatusPanel(5), nullptr);
    EXPECT_EQ(main->StatusPanel(6), nullptr);
    EXPECT_TRUE(main->StatusPanel(1)->text().contains(QStringLiteral("サイズ(40.0mm,20.0mm)")));
    editor->DSARotate90->ExecuteTarget(site);
    editor->UpdateStatusText(true);
    EXPECT_TRUE(main->StatusPanel(1)->text().contains(QStringLiteral("サイズ(20.0mm,40.0mm)")))
        << main->StatusPanel(1)->text().toStdString();

    // The longest texts fit their fields.
    const auto fits = [](QLabel* panel, const QString& text) {
        return panel->fontMetrics().horizontalAdvance(text) <= panel->contentsRect().width();
    };
    EXPECT_TRUE(fits(main->StatusPanel(0), MouseStatusText(TPoint(-2999, -2999))));
    EXPECT_TRUE(fits(main->StatusPanel(1), PositionStatusText(TRect(-2999, -2999, 2999, 2999))));
}

TEST_F(MainRoadTest, TheFramePickerOpensShowingTwoRowsOfFramesCentredOnItsOwner) {
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    ChoosePaper(QStringLiteral("定形"), kCardPaper, QStringLiteral("名刺"));
    TfrmLayout* editor = Editor();
    TDrawSite* site = editor->DrawSite1;
    TDOList all;
    site->ListObjects(all, false);
    TDrawObject* frame = nullptr;
    for (TDrawObject* object : all)
        if (dynamic_cast<TLOAlbumPhoto*>(object) != nullptr)
            frame = object;
    ASSERT_NE(frame, nullptr);
    site->SelectAll(false);
    frame->SetSelected(true);
    site->UpdatePivots();
    auto* panel = dynamic_cast<TfrmAMPhoto*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    editor->EditPanelIdle();
    ASSERT_TRUE(panel->btnFrame->isEnabled());
    QSize shown;
    QSize cell;
    int items = 0;
    QPoint offCentre;
    WhenModal([&](QWidget* window) {
        auto* picker = qobject_cast<TfrmSelectFrame*>(window);
        ASSERT_NE(picker, nullptr);
        TThumbGrid* grid = picker->FrameBrowser()->Browser()->Grid();
        RunLoopUntil([&] { return picker->FrameBrowser()->Browser()->ItemCount() > 0; }, 2000);
        items = picker->FrameBrowser()->Browser()->ItemCount();
        shown = grid->viewport()->size();
        cell = QSize(grid->ThumbSize(), grid->ThumbSize());
        offCentre = window->frameGeometry().center() - main->frameGeometry().center();
        picker->reject();
    });
    QTest::mouseClick(panel->btnFrame, Qt::LeftButton);
    EXPECT_GT(items, 0) << "the shipped frames are listed";
    EXPECT_GE(shown.height(), 2 * cell.height()) << shown.height() << " for cells of " << cell.height();
    EXPECT_GE(shown.width(), 2 * cell.width());
    EXPECT_LE(std::abs(offCentre.x()), 2);
    EXPECT_LE(std::abs(offCentre.y()), 2);
}

TEST_F(MainRoadTest, APhotoCutInHalfIsPlacedWholeAndToldOnceAsDamaged) {
    TfrmLayout* editor = OpenLayoutEditor(main);
    ASSERT_NE(editor, nullptr);
    QImage picture(640, 480, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x % 256, y % 256, (x * y) % 256));
    const QString sound = folder.filePath(QStringLiteral("sound.jpg"));
    ASSERT_TRUE(picture.save(sound, "JPG", 90));
    const QByteArray whole = TestSupport::ReadFile(sound);
    const QString cut = folder.filePath(QStringLiteral("半分.jpg"));
    TestSupport::WriteFile(cut, whole.left(whole.size() / 2));

    // A sound photo says nothing; the cut one is placed, its bytes as they came, and told about.
    main->DropFiles({sound});
    EXPECT_TRUE(dialogs.boxes.empty());
    dialogs.answers = {mrOk};
    main->DropFiles({cut});
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("「半分.jpg」は壊れている")));
    TDOList selected;
    editor->DrawSite1->ListObjects(selected, true);
    ASSERT_EQ(selected.Count(), 1);
    auto* photo = dynamic_cast<TLOAlbumPhoto*>(selected[0]);
    ASSERT_NE(photo, nullptr);
    auto* jpeg = dynamic_cast<TJPEGGraphic*>(photo->GetPhotoPicture()->Graphic());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->Data(), whole.left(whole.size() / 2));

    // A panel's picture read quietly for its preview is told when first put into objects, once.
    TPanelPicture panel;
    dialogs.boxes.clear();
    dialogs.answers = {mrOk};
    ASSERT_NE(panel.Get(main, cut, false), nullptr);
    EXPECT_TRUE(dialogs.boxes.empty());
    panel.Get(main, cut, true);
    panel.Get(main, cut, true);
    EXPECT_EQ(dialogs.boxes.size(), 1u);
}

TEST_F(MainRoadTest, ANewPhotoOnAnAlbumPageKeepsOffTheBindingStrip) {
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    ChoosePaper(QStringLiteral("アルバム専用紙"), kAlbumPaper);
    TfrmLayout* editor = Editor();
    TDrawSite* site = editor->DrawSite1;
    // The paper binds on its left 20 mm on this page: its frames start right of that.
    TDOList all;
    site->ListObjects(all, false);
    int framesLeft = site->LogWidth();
    for (TDrawObject* object : all)
        if (auto* frame = dynamic_cast<TLOAlbumPhoto*>(object)) {
            TRect r;
            frame->GetLogRect(r);
            framesLeft = std::min(framesLeft, r.Left);
        }
    ASSERT_GE(framesLeft, 200);
    // A wide photo centred on the page would reach into the strip.
    QImage picture(1300, 700, QImage::Format_RGB32);
    picture.fill(QColor(30, 120, 200));
    const QString path = folder.filePath(QStringLiteral("wide.jpg"));
    ASSERT_TRUE(picture.save(path, "JPG", 90));
    for (int i = 0; i < 2; ++i) {
        main->DropFiles({path});
        TDOList selected;
        site->ListObjects(selected, true);
        ASSERT_EQ(selected.Count(), 1);
        TRect r;
        static_cast<TLOAlbumPhoto*>(selected[0])->GetLogRect(r);
        EXPECT_GE(r.Left, 200) << "photo " << i;
        EXPECT_LE(r.Right, site->LogWidth()) << "photo " << i;
    }
    EXPECT_TRUE(dialogs.boxes.empty());
}

TEST_F(MainRoadTest, AnEmptyGenreKeepsThePaperPreviewAndSaysItIsEmpty) {
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    auto* selection = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
    ASSERT_NE(selection, nullptr);
    RunLoopUntil([&] { return selection->isVisible(); });
    TfrmPaperSelectPanel* papers = selection->Panel();
    const QList<QListWidgetItem*> genre = papers->lbGenre->findItems(QStringLiteral("ユーザー定義"), Qt::MatchExactly);
    ASSERT_EQ(genre.size(), 1);
    QTest::mouseClick(papers->lbGenre->viewport(), Qt::LeftButton, {},
                      papers->lbGenre->visualItemRect(genre[0]).center());
    ASSERT_EQ(papers->lvPaper->topLevelItemCount(), 0) << "no papers of the user's own yet";
    QApplication::processEvents();
    EXPECT_TRUE(papers->pnlPreview->isVisible());
    EXPECT_GE(papers->pnlPreview->height(), 160);
    EXPECT_TRUE(papers->lblNoPaper->isVisible());
    EXPECT_EQ(papers->lblNoPaper->text(), QStringLiteral("この分類には用紙がありません"));
    EXPECT_FALSE(papers->btnToEdit->isEnabled());
}

// The rectangle in pixels of a page image that a logical rectangle of a page of that size covers.
QRect OnImage(const TRect& r, const QSize& page, const QSize& image) {
    const double sx = double(image.width()) / page.width();
    const double sy = double(image.height()) / page.height();
    return QRect(QPoint(int(r.Left * sx), int(r.Top * sy)), QPoint(int(r.Right * sx) - 1, int(r.Bottom * sy) - 1));
}

// The mean colour of a part of an image.
QColor MeanColour(const QImage& image, const QRect& part) {
    const QRect area = part.intersected(image.rect());
    long long r = 0, g = 0, b = 0, n = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = image.pixel(x, y);
            r += qRed(p), g += qGreen(p), b += qBlue(p), ++n;
        }
    return n == 0 ? QColor() : QColor(int(r / n), int(g / n), int(b / n));
}

TEST_F(MainRoadTest, TheWalkFromBusinessCardsToAPdfKeepsEveryObjectWhereTheEditorShowedIt) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    REQUIRE_CHECKER(!pdftotext.isEmpty(), "poppler-utils");
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    ChoosePaper(QStringLiteral("定形"), kCardPaper, QStringLiteral("名刺"));
    TfrmLayout* editor = Editor();
    TDrawSite* site = editor->DrawSite1;
    const auto newest = [&]() -> TDrawObject* {
        TDOList selected;
        site->ListObjects(selected, true);
        return selected.Count() == 1 ? selected[0] : nullptr;
    };
    const auto placeAt = [&](TDrawObject* object, const TRect& r) {
        TIntf<IDOEncloseBounds> bounds = Supports<IDOEncloseBounds>(static_cast<TObject*>(object));
        ASSERT_TRUE(bounds);
        TRect now;
        bounds->GetLogRect(now);
        bounds->MoveBy(r.Left - now.Left, r.Top - now.Top);
        bounds->SetEnclosingSize(r.Width(), r.Height());
    };
    // Where each object goes on the card, in parts of its width and height.
    const int w = site->LogWidth(), h = site->LogHeight();
    const auto part = [&](double l, double t, double r, double b) {
        return TRect(int(w * l), int(h * t), int(w * r), int(h * b));
    };
    const TRect rectPlace = part(0.05, 0.08, 0.30, 0.45), photoPlace = part(0.36, 0.08, 0.62, 0.45),
                illustPlace = part(0.68, 0.08, 0.94, 0.45), textPlace = part(0.05, 0.55, 0.60, 0.85);
    const auto acceptAnyWindow = [] {
        WhenModal([](QWidget* window) {
            if (auto* ok = window->findChild<QAbstractButton*>(QStringLiteral("btnOK")))
                ok->click();
            else if (auto* dialog = qobject_cast<QDialog*>(window))
                dialog->accept();
        });
    };

    // A text by its tool, a vertical text, a photo, a rectangle, an illustration, a figure.
    acceptAnyWindow();
    editor->actText->trigger();
    auto* text = dynamic_cast<TLOText*>(newest());
    ASSERT_NE(text, nullptr);
    TStringList words({QStringLiteral("Quorlane")});
    text->Engine().SetText(words);
    placeAt(text, textPlace);
    acceptAnyWindow();
    editor->actText->trigger();
    auto* vertical = dynamic_cast<TLOText*>(newest());
    ASSERT_NE(vertical, nullptr);
    editor->DSAVertText1->ExecuteTarget(site);
    TStringList column({QStringLiteral("縦")});
    vertical->Engine().SetText(column);
    QImage blue(300, 200, QImage::Format_RGB32);
    blue.fill(QColor(20, 60, 220));
    const QString photoFile = folder.filePath(QStringLiteral("blue.jpg"));
    ASSERT_TRUE(blue.save(photoFile, "JPG", 95));
    main->DropFiles({photoFile});
    TDrawObject* photo = newest();
    ASSERT_NE(dynamic_cast<TLOAlbumPhoto*>(photo), nullptr);
    placeAt(photo, photoPlace);
    editor->actRect->trigger();
    const QPoint from(site->LogToDev(rectPlace.TopLeft()).X, site->LogToDev(rectPlace.TopLeft()).Y);
    const QPoint to(site->LogToDev(rectPlace.BottomRight()).X, site->LogToDev(rectPlace.BottomRight()).Y);
    QTest::mousePress(site, Qt::LeftButton, {}, from);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(site, from + (to - from) * step / 4);
    QTest::mouseRelease(site, Qt::LeftButton, {}, to);
    TDOList all;
    site->ListObjects(all, false);
    TLORect* rect = nullptr;
    for (TDrawObject* object : all)
        if (auto* r = dynamic_cast<TLORect*>(object))
            rect = r;
    ASSERT_NE(rect, nullptr);
    rect->SetFillInside(true);
    rect->FillColor()->SetColor(RGB(220, 30, 30));
    QImage green(200, 200, QImage::Format_RGB32);
    green.fill(QColor(30, 200, 60));
    const QString illustFile = folder.filePath(QStringLiteral("green.png"));
    ASSERT_TRUE(green.save(illustFile, "PNG"));
    main->DropFiles({illustFile});
    TDrawObject* illust = newest();
    ASSERT_NE(dynamic_cast<TLOAlbumIllust*>(illust), nullptr);
    placeAt(illust, illustPlace);
    editor->actModeFigure->trigger();
    auto* figures = dynamic_cast<TfrmAMFigure*>(editor->EditPanel());
    ASSERT_NE(figures, nullptr);
    RunLoopUntil([&] { return figures->Browser()->Browser()->ItemCount() > 0; });
    ASSERT_GT(figures->Browser()->Browser()->ItemCount(), 0);
    figures->Browser()->Browser()->SelectIndex(0);
    editor->EditPanelIdle();
    acceptAnyWindow();
    figures->btnPasteFigure->click();
    ASSERT_NE(dynamic_cast<TLOAlphaMask*>(newest()), nullptr);

    // A background from the catalogue.
    editor->actModeBackGround->trigger();
    auto* backs = dynamic_cast<TfrmAMBackGround*>(editor->EditPanel());
    ASSERT_NE(backs, nullptr);
    RunLoopUntil([&] { return backs->Browser()->Browser()->ItemCount() > 0; });
    backs->Browser()->Browser()->SelectIndex(0);
    editor->EditPanelIdle();
    QTest::mouseClick(backs->btnPasteBackGround, Qt::LeftButton);
    site->SelectAll(false);
    const QImage shown = site->grab().toImage();
    // The middle of each object, clear of its edges, as the editor shows it.
    const auto middle = [](const TRect& r) {
        return TRect(r.Left + r.Width() / 4, r.Top + r.Height() / 4, r.Right - r.Width() / 4,
                     r.Bottom - r.Height() / 4);
    };
    const auto onScreen = [&](const TRect& r) {
        const TPoint a = site->LogToDev(r.TopLeft()), b = site->LogToDev(r.BottomRight());
        return MeanColour(shown, QRect(QPoint(a.X, a.Y), QPoint(b.X - 1, b.Y - 1)));
    };
    const QColor shownColours[] = {onScreen(middle(rectPlace)), onScreen(middle(photoPlace)),
                                   onScreen(middle(illustPlace))};

    // Saved into a folder with Japanese and spaces; the program closed and started again.
    QDir(folder.path()).mkpath(QStringLiteral("私の 名刺"));
    const QString path = folder.filePath(QStringLiteral("私の 名刺/営業 部.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    ASSERT_TRUE(QFileInfo::exists(path));
    ASSERT_TRUE(main->close());
    data.reset();
    main = StartMainWindow();
    ASSERT_NE(main, nullptr);
    main->resize(1000, 760);
    main->show();
    QApplication::setActiveWindow(main);

    // Opened from the recent files, changed, Ctrl+S writes.
    LookIntoFileMenu();
    QAction* entry = nullptr;
    for (QAction* action : main->mnuRecent->actions())
        if (action->text().contains(QStringLiteral("営業 部.qld")))
            entry = action;
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    RunLoopUntil([&] { return main->HostedKind() == mkLayout; });
    ASSERT_NE(Editor(), nullptr);
    site = Editor()->DrawSite1;
    all.Clear();
    site->ListObjects(all, false);
    int kinds = 0;
    for (TDrawObject* object : all)
        kinds += dynamic_cast<TLOText*>(object) || dynamic_cast<TLOAlbumIllust*>(object) ||
                 dynamic_cast<TLORect*>(object) || dynamic_cast<TLOAlphaMask*>(object) ||
                 dynamic_cast<TLOBackImage*>(object);
    EXPECT_GE(kinds, 6) << "two texts, rectangle, illustration, figure, background";
    const QByteArray saved = TestSupport::ReadFile(path);
    main->Document()->DataName = QStringLiteral("変更");
    main->Document()->SetModified(true);
    QApplication::setActiveWindow(main);
    QTest::keyClick(main, Qt::Key_S, Qt::ControlModifier);
    EXPECT_NE(TestSupport::ReadFile(path), saved);
    EXPECT_FALSE(main->Document()->Modified());

    // Printed to a PDF file, drawn directly: the objects where the editor showed them, the text as text.
    WriteSettingInteger(QStringLiteral("Banding"), 0);
    const auto banding = qScopeGuard([] { WriteSettingInteger(QStringLiteral("Banding"), 1); });
    const QString pdf = folder.filePath(QStringLiteral("名刺.pdf"));
    dialogs.files = {pdf};
    main->actPrint->trigger();
    auto* printMode = dynamic_cast<TfrmPrintPaperBase*>(main->HostedForm());
    ASSERT_NE(printMode, nullptr);
    QTimer::singleShot(0, main, [] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<TfrmPrintDialog*>(w); dialog && dialog->isVisible())
                dialog->btnPrint->click();
    });
    printMode->Panel()->btnStart->click();
    ASSERT_TRUE(QFileInfo::exists(pdf));
    QProcess reader;
    reader.start(pdftotext, {pdf, QStringLiteral("-")});
    ASSERT_TRUE(reader.waitForFinished(30000));
    EXPECT_TRUE(QString::fromUtf8(reader.readAllStandardOutput()).contains(QStringLiteral("Quorlane")));

    // The first card of the printed sheet against the editor's picture of it.
    const TMatrixPaperInfo* paper = main->Document()->GetLayoutPaper();
    ASSERT_NE(paper, nullptr);
    const TRect card = paper->GetFaceRect(0);
    const QImage sheet = TestSupport::RasterisePdf(pdf, 100, 1);
    const double perUnit = double(sheet.width()) / paper->Width();
    const QImage printed = sheet.copy(QRect(int(card.Left * perUnit), int(card.Top * perUnit),
                                            int(card.Width() * perUnit), int(card.Height() * perUnit)));
    const std::tuple<const char*, TRect, QColor> objects[] = {{"rectangle", rectPlace, QColor(220, 30, 30)},
                                                              {"photo", photoPlace, QColor(20, 60, 220)},
                                                              {"illustration", illustPlace, QColor(30, 200, 60)}};
    for (size_t i = 0; i < std::size(objects); ++i) {
        const auto& [what, r, colour] = objects[i];
        const QColor onPaper = MeanColour(printed, OnImage(middle(r), QSize(w, h), printed.size()));
        const QColor& onScreen = shownColours[i];
        // Printed as shown; shown in its own colour (a photo's frame may tone its picture).
        EXPECT_NEAR(onPaper.red(), onScreen.red(), 40) << what;
        EXPECT_NEAR(onPaper.green(), onScreen.green(), 40) << what;
        EXPECT_NEAR(onPaper.blue(), onScreen.blue(), 40) << what;
        const auto strongest = [](const QColor& c) {
            return c.red() >= std::max(c.green(), c.blue()) ? 0 : c.green() >= c.blue() ? 1 : 2;
        };
        EXPECT_EQ(strongest(onScreen), strongest(colour)) << what;
    }
}

// WCAG's contrast of two colours: 1 (none) to 21 (black on white).
double Contrast(const QColor& a, const QColor& b) {
    const auto luminance = [](const QColor& c) {
        const auto channel = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
    };
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

TEST_F(MainRoadTest, ADisabledCheckBoxLabelStaysReadable) {
    TfrmLayout* editor = OpenLayoutEditor(main);
    ASSERT_NE(editor, nullptr);
    editor->actModeText->trigger();
    auto* panel = editor->EditPanel();
    ASSERT_NE(panel, nullptr);
    auto* vertical = panel->findChild<QCheckBox*>(QStringLiteral("cbVertical"));
    ASSERT_NE(vertical, nullptr);
    vertical->setEnabled(false);
    const QPalette colours = vertical->palette();
    EXPECT_GE(Contrast(colours.color(QPalette::Disabled, QPalette::WindowText),
                       colours.color(QPalette::Disabled, QPalette::Window)),
              3.0);
    // Quieter than enabled text all the same.
    EXPECT_LT(Contrast(colours.color(QPalette::Disabled, QPalette::WindowText),
                       colours.color(QPalette::Disabled, QPalette::Window)),
              Contrast(colours.color(QPalette::Active, QPalette::WindowText),
                       colours.color(QPalette::Active, QPalette::Window)));
}

} // namespace

namespace {

// Calls act with the open pop-up menu once one is open.
void WhenPopup(const std::function<void(QMenu*)>& act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            timer->stop();
            timer->deleteLater();
            act(menu);
        }
    });
    timer->start(20);
}

TEST_F(MainRoadTest, TheKeyboardAloneMakesAndSavesADocumentWithAText) {
    const auto focused = [] { return QApplication::focusWidget(); };
    const auto tabTo = [&](QWidget* target) {
        for (int i = 0; i < 80 && focused() != target; ++i)
            QTest::keyClick(focused() ? focused() : main, Qt::Key_Tab);
        return focused() == target;
    };
    // Ctrl+N, a paper by arrows, Tab to 編集画面へ, Enter.
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    auto* selection = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
    ASSERT_NE(selection, nullptr);
    RunLoopUntil([&] { return selection->isVisible(); });
    QTest::keyClick(main, Qt::Key_N, Qt::AltModifier);
    ASSERT_EQ(focused(), selection->Panel()->lvPaper);
    QTest::keyClick(focused(), Qt::Key_Down);
    ASSERT_TRUE(tabTo(selection->Panel()->btnToEdit));
    QTest::keyClick(focused(), Qt::Key_Return);
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    RunUntilIdleHandled();

    // F2 opens the text panel in its memo; Tab leaves the memo without typing into it.
    QTest::keyClick(focused(), Qt::Key_F2);
    auto* panel = dynamic_cast<TfrmAMText*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    ASSERT_EQ(focused(), panel->memText);
    QTest::keyClicks(panel->memText, QStringLiteral("Keyboard 2026"));
    QTest::keyClick(panel->memText, Qt::Key_Tab);
    EXPECT_NE(focused(), panel->memText);
    EXPECT_EQ(panel->memText->toPlainText(), QStringLiteral("Keyboard 2026"));
    // Tab on to ≪貼る, Space places the text.
    ASSERT_TRUE(tabTo(panel->btnPastText));
    QTest::keyClick(panel->btnPastText, Qt::Key_Space);
    const auto texts = [&] {
        TDOList all;
        Editor()->DrawSite1->ListObjects(all, false);
        QStringList found;
        for (TDrawObject* object : all)
            if (auto* text = dynamic_cast<TLOText*>(object))
                found << text->Text()->Text().trimmed();
        return found;
    };
    ASSERT_EQ(texts(), QStringList{QStringLiteral("Keyboard 2026")});
    // Ctrl+S from the memo saves.
    QTest::keyClick(focused(), Qt::Key_F2);
    ASSERT_EQ(focused(), panel->memText);
    const QString path = folder.filePath(QStringLiteral("keys.qld"));
    dialogs.files = {path};
    QTest::keyClick(panel->memText, Qt::Key_S, Qt::ControlModifier);
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(main->Document()->Modified());
    ASSERT_TRUE(main->OpenDocument(path));
    ASSERT_NE(Editor(), nullptr);
    EXPECT_EQ(texts(), QStringList{QStringLiteral("Keyboard 2026")});

    // The edit menu by its mnemonic names the way into the memo; the arrows walk to the next menu.
    QString editItems;
    QMenu* walkedTo = nullptr;
    WhenPopup([&](QMenu* menu) {
        for (QAction* action : menu->actions())
            editItems += action->text() + u' ' + action->shortcut().toString() + u'\n';
        QTest::keyClick(menu, Qt::Key_Right);
        WhenPopup([&](QMenu* next) {
            walkedTo = next;
            QTest::keyClick(next, Qt::Key_Escape);
        });
    });
    // (The waiting window of the open took the offscreen activation with it.)
    QApplication::setActiveWindow(main);
    QTest::keyClick(main, Qt::Key_E, Qt::AltModifier);
    RunLoopUntil([&] { return walkedTo != nullptr && QApplication::activePopupWidget() == nullptr; });
    EXPECT_TRUE(editItems.contains(QStringLiteral("文字の入力(&W) F2"))) << editItems.toStdString();
    EXPECT_EQ(walkedTo, Editor()->popupPage) << "Right goes from 編集 to ページ";

}

TEST_F(MainRoadTest, TheStartMenusAndTheSheetWindowsMenusWalkWithTheArrows) {
    // Alt+F opens ファイル; the arrow goes on to the menu the window's tool bar has next.
    const auto walk = [&](Qt::Key key) {
        QMenu* walkedTo = nullptr;
        WhenPopup([&](QMenu* menu) {
            QTest::keyClick(menu, key);
            WhenPopup([&](QMenu* next) {
                walkedTo = next;
                QTest::keyClick(next, Qt::Key_Escape);
            });
        });
        QApplication::setActiveWindow(main);
        QTest::keyClick(main, Qt::Key_F, Qt::AltModifier);
        RunLoopUntil([&] { return walkedTo != nullptr && QApplication::activePopupWidget() == nullptr; });
        return walkedTo;
    };
    main->actStartMenu->trigger();
    EXPECT_EQ(walk(Qt::Key_Left), main->popupHelp) << "from ファイル round to ヘルプ";
    main->actNew->trigger();
    main->actSheet->trigger();
    auto* sheet = qobject_cast<TfrmSheet*>(main->HostedForm());
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(walk(Qt::Key_Right), sheet->popupEdit) << "from ファイル to 編集";
}

} // namespace

namespace {

// Every control of a window at least as large as it asks to be, so nothing is cut.
QStringList CrushedParts(QWidget* window) {
    QStringList crushed;
    const auto check = [&](QWidget* w, const QString& name) {
        QSize hint = w->minimumSizeHint();
        // A button needs room for its caption (and icon), not the style's wider minimum.
        if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            const QString caption = QString(button->text()).remove(u'&');
            hint = QSize(button->fontMetrics().horizontalAdvance(caption) +
                             (button->icon().isNull() ? 0 : button->iconSize().width()),
                         button->fontMetrics().height());
        }
        if (hint.isValid() && (w->width() < hint.width() || w->height() < hint.height()))
            crushed << QStringLiteral("%1 %2x%3 < %4x%5")
                           .arg(name)
                           .arg(w->width())
                           .arg(w->height())
                           .arg(hint.width())
                           .arg(hint.height());
    };
    check(window, window->objectName());
    for (QWidget* child : window->findChildren<QWidget*>()) {
        // Editors inside spin and combo boxes are measured with their box.
        if (!child->isVisibleTo(window) || qobject_cast<QAbstractSpinBox*>(child->parentWidget()) ||
            qobject_cast<QComboBox*>(child->parentWidget()))
            continue;
        if (qobject_cast<QAbstractButton*>(child) || qobject_cast<QComboBox*>(child) ||
            qobject_cast<QLineEdit*>(child) || qobject_cast<QAbstractSpinBox*>(child) ||
            (qobject_cast<QLabel*>(child) && !static_cast<QLabel*>(child)->wordWrap() &&
             static_cast<QLabel*>(child)->pixmap().isNull()))
            check(child, window->objectName() + u'.' + child->objectName() + u'(' +
                             QString::fromLatin1(child->metaObject()->className()) + u')');
    }
    return crushed;
}

TEST_F(MainRoadTest, EveryDialogOpensAtAFirstSizeThatCutsNoControl) {
    const std::vector<std::function<QDialog*()>> makers = {
        [&] { return new TfrmAbout(main); },
        [&] { return new TfrmEnvironment(main); },
        [&] { return new TfrmPrintDialog(main); },
        [&] { return new TfrmPrinterSetting(main); },
        [&] { return new TfrmSelectFrame(main); },
        [&] { return new TfrmSheetName(main); },
        [&] { return new TfrmSheetPos(main); },
        [&] { return new TfrmURLEdit(main); },
        [&] { return new TfrmTemplate2(main); },
        [&] { return new TfrmCoverTemplate(main); },
        [&] { return new TfrmColorAdjuster(main); },
        [&] { return new TfrmStringsEditor(main); },
        [&] { return new TfrmEditPaper10(main); },
        [&] { return new TfrmEditPaper20(main); },
        [&] { return new TfrmAutoImgNorm(main); },
        [&] { return new TfrmCoverPicture(main, 1u); },
    };
    QStringList crushed;
    for (const auto& make : makers) {
        std::unique_ptr<QDialog> dialog(make());
        dialog->show();
        QApplication::processEvents();
        const QStringList parts = CrushedParts(dialog.get());
        if (!parts.isEmpty())
            dialog->grab().save(QStringLiteral("/tmp/crushed-%1.png").arg(dialog->objectName()));
        crushed << parts;
        dialog->close();
    }
    EXPECT_TRUE(crushed.isEmpty()) << crushed.join(u'\n').toStdString();
}

} // namespace

namespace {

TEST_F(MainRoadTest, AWideWindowShowsThePaperNamesWhole) {
    main->resize(1900, 1000);
    main->actPaper->trigger();
    auto* selection = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
    ASSERT_NE(selection, nullptr);
    RunLoopUntil([&] { return selection->isVisible(); });
    TfrmPaperSelectPanel* papers = selection->Panel();
    const QList<QListWidgetItem*> genre = papers->lbGenre->findItems(QStringLiteral("定形"), Qt::MatchExactly);
    ASSERT_EQ(genre.size(), 1);
    QTest::mouseClick(papers->lbGenre->viewport(), Qt::LeftButton, {}, papers->lbGenre->visualItemRect(genre[0]).center());
    QTreeWidget* list = papers->lvPaper;
    ASSERT_GT(list->topLevelItemCount(), 0);
    int longest = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        longest = std::max(longest, list->fontMetrics().horizontalAdvance(list->topLevelItem(i)->text(0)));
    RunLoopUntil([&] { return list->columnWidth(0) > longest; }, 1000);
    EXPECT_GT(list->columnWidth(0), longest) << "names cut beside empty room";
    main->grab().save(QStringLiteral("/tmp/wide-paper.png"));

    // A maker of letter-sized sheets, on a 1366-pixel screen: the sizes ("レター / ANSI A") show
    // whole in the room the names leave.
    // A larger type stands for the longer Japanese names ("レター / ANSI A") of a started program.
    QFont larger = list->font();
    larger.setPointSizeF(larger.pointSizeF() * 1.5);
    list->setFont(larger);
    const int avery = papers->cbMaker->findText(QStringLiteral("Avery"));
    ASSERT_GE(avery, 0);
    papers->cbMaker->setCurrentIndex(avery);
    emit papers->cbMaker->activated(avery);
    main->resize(1366, 740);
    int longestSize = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        longestSize = std::max(longestSize, list->fontMetrics().horizontalAdvance(list->topLevelItem(i)->text(1)));
    RunLoopUntil([&] { return list->columnWidth(1) > longestSize; }, 1000);
    EXPECT_GT(list->columnWidth(1), longestSize) << "sizes cut beside empty room";
}

} // namespace
