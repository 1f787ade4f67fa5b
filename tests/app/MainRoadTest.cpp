// The main road as a user walks it on the real main window: papers chosen, pages shown, saved and
// opened again through the menus and keys a user reaches.

#include "app/FAMBackGround.h"
#include "app/FAMPhoto.h"
#include "app/FLayout.h"
#include "app/UPanelPicture.h"
#include "app/dialogs/FBackFileBrowser.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "app/FMain.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPaperSelectPanel.h"
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
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QLabel>
#include <QGuiApplication>
#include <QScreen>
#include <QListWidget>
#include <QMenu>
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
        for (const QString folder : {QStringLiteral("BackGrnd"), QStringLiteral("Frame")}) {
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

    const struct {
        const char* name;
        QByteArray bytes;
        QString cause;
    } cases[] = {
        {"cut.qld", bytes.left(bytes.size() / 2), QStringLiteral("ファイルが壊れています")},
        {"empty.qld", QByteArray(), QStringLiteral("ファイルが空です")},
        {"photo.qld", QByteArray("\x89PNG\r\n\x1a\n and more"), QStringLiteral("別の形式のファイルです")},
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
                             "詳細: There is insufficient disk space to complete the operation."));
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
    EXPECT_EQ(main->size(), QSize(std::min(1200, area.width()), std::min(840, area.height())));
    EXPECT_TRUE(area.contains(QRect(main->pos(), main->size())));

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
    EXPECT_TRUE(area.contains(QRect(main->pos(), main->size())))
        << main->x() << "," << main->y() << " " << main->width() << "x" << main->height();
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
    ASSERT_EQ(editor->statusPanels.size(), 6u);
    EXPECT_TRUE(editor->statusPanels[1]->text().contains(QStringLiteral("サイズ(40.0mm,20.0mm)")));
    editor->DSARotate90->ExecuteTarget(site);
    editor->UpdateStatusText(true);
    EXPECT_TRUE(editor->statusPanels[1]->text().contains(QStringLiteral("サイズ(20.0mm,40.0mm)")))
        << editor->statusPanels[1]->text().toStdString();

    // The longest texts fit their fields.
    const auto fits = [](QLabel* panel, const QString& text) {
        return panel->fontMetrics().horizontalAdvance(text) <= panel->contentsRect().width();
    };
    EXPECT_TRUE(fits(editor->statusPanels[0], MouseStatusText(TPoint(-2999, -2999))));
    EXPECT_TRUE(fits(editor->statusPanels[1], PositionStatusText(TRect(-2999, -2999, 2999, 2999))));
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
