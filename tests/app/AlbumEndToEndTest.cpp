// An album made as a user makes one, on the main window: a shipped album paper, a folder of dated
// photos poured into its frames, pages reordered, renamed and copied in the sheet window, saved, and
// opened again in a new main window.

#include "app/FAMPhoto.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/FSheet.h"
#include "app/UAlbumFunc.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "app/dialogs/FPhotoFileBrowser.h"
#include "controls/UTabbedPanel.h"
#include "core/UAppUtil.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/Clipboard.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <memory>

namespace {

constexpr int kPhotoCount = 10;
// File names in this order; their shooting days and file times in other orders.
constexpr int kShotDay[kPhotoCount] = {7, 3, 10, 1, 5, 9, 2, 8, 4, 6};
const QString kAlbumPaper = QStringLiteral("QL-AB2 アルバム台紙 A4 L判4枚");
constexpr int kFirstPage = 2;

// Every sheet's name and the stored objects of each of its faces.
struct TAlbumState {
    QStringList names;
    std::vector<std::vector<QByteArray>> faces;
};

class AlbumEndToEndTest : public AppFixture {
protected:
    void SetUp() override {
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        main->resize(1000, 760);
        main->show();
        QApplication::setActiveWindow(main);
        ASSERT_TRUE(QDir().mkpath(PhotoFolder()));
        for (int i = 0; i < kPhotoCount; ++i) {
            QImage image(640, 480, QImage::Format_RGB32);
            image.fill(QColor(20 * i, 255 - 20 * i, 90));
            const QString path = PhotoFolder() + QStringLiteral("/trip-%1.jpg").arg(QChar(u'a' + i));
            TestSupport::WriteFile(path, ExifJpeg(image, QStringLiteral("2021:05:%1 09:30:00")
                                                             .arg(kShotDay[i], 2, 10, QLatin1Char('0'))
                                                             .toLatin1()));
            // File times run backwards: neither they nor the shooting dates give the names' order.
            QFile file(path);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            ASSERT_TRUE(file.setFileTime(FileTime(i), QFileDevice::FileModificationTime));
            files.push_back(TestSupport::ReadFile(path));
        }
    }

    QString PhotoFolder() const { return folder.filePath(QStringLiteral("photos")); }
    static QDateTime FileTime(int photo) { return QDateTime(QDate(2019, 1, 20 - photo), QTime(12, 0)); }
    TfrmLayout* Editor() const { return qobject_cast<TfrmLayout*>(main->HostedForm()); }
    TfrmSheet* Sheet() const { return qobject_cast<TfrmSheet*>(main->HostedForm()); }

    // The photos of a sheet in reading order, each as the index of the file it holds (-1 for an
    // empty frame, -2 for one that holds no file's bytes).
    std::vector<int> Photos(int sheet) {
        TOwnedDOList objects;
        LoadSheetFace(*main->Document(), sheet, 0, objects);
        TDOList list;
        objects.ListObjects(list);
        std::vector<int> photos;
        for (TLOAlbumPhoto* photo : AlbumFunc_PhotosInReadingOrder(list)) {
            if (AlbumFunc_IsEmptyPhoto(photo)) {
                photos.push_back(-1);
                continue;
            }
            auto* jpeg = dynamic_cast<TJPEGGraphic*>(photo->GetPhotoPicture()->Graphic());
            const auto found = jpeg ? std::find(files.begin(), files.end(), jpeg->Data()) : files.end();
            const int index = found == files.end() ? -2 : int(found - files.begin());
            photos.push_back(index);
            if (index < 0)
                continue;
            // The shooting date is what a shown date stamps, not the file's time the panel keeps.
            EXPECT_TRUE(photo->DisplayDate()) << index;
            EXPECT_EQ(
                photo->DateText().toStdString(),
                QStringLiteral("2021-05-%1").arg(kShotDay[index], 2, 10, QLatin1Char('0')).toStdString());
            EXPECT_EQ(photo->PhotoDate(), DateTimeFromParts(2019, 1, 20 - index, 12));
        }
        return photos;
    }

    TAlbumState State() {
        TLabelData* doc = main->Document();
        const int current = doc->CurrentSheetNo();
        TAlbumState state;
        for (int sheet = 0; sheet < doc->GetSheetCount(); ++sheet) {
            doc->SetCurrentSheetNo(sheet);
            state.names << doc->SheetName();
            std::vector<QByteArray> faces;
            for (int face = 0; face < doc->GetLayoutPaper()->GetFaceCount(); ++face) {
                TOwnedDOList objects;
                doc->LoadLabelObjects(face, objects);
                TDOList list;
                objects.ListObjects(list);
                TMemoryStream stream;
                list.SaveToStream(stream);
                faces.push_back(stream.Data());
            }
            state.faces.push_back(faces);
        }
        doc->SetCurrentSheetNo(current);
        return state;
    }

    // The tabs' texts, "|" between them.
    std::string Tabs() const {
        QStringList texts;
        for (int i = 0; i < Sheet()->TabSheet->count(); ++i)
            texts << Sheet()->TabSheet->tabText(i);
        return texts.join(u'|').toStdString();
    }
    void ClickTab(int index) {
        QTabBar* tabs = Sheet()->TabSheet;
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
        ASSERT_EQ(main->Document()->CurrentSheetNo(), index);
    }
    // A key on the sheet's view, the main window active again as after a closed dialog.
    void PressOnSheet(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QApplication::setActiveWindow(main);
        Sheet()->DrawSite1->setFocus();
        QTest::keyClick(Sheet()->DrawSite1, key, modifiers);
    }
    // Opens a menu button's menu and picks the entry by its mnemonic.
    void ChooseFromMenu(const char* button, Qt::Key mnemonic) {
        auto* menuButton = Sheet()->findChild<QToolButton*>(QLatin1String(button));
        ASSERT_NE(menuButton, nullptr) << button;
        // The menu runs its own loop; the timer outlives this call when it never opens.
        auto chosen = std::make_shared<bool>(false);
        QTimer::singleShot(0, [chosen, mnemonic] {
            if (QWidget* menu = QApplication::activePopupWidget()) {
                QTest::keyClick(menu, mnemonic);
                *chosen = true;
            }
        });
        QTest::mouseClick(menuButton, Qt::LeftButton);
        EXPECT_TRUE(*chosen) << button;
    }

    QTemporaryDir folder;
    std::vector<QByteArray> files;
    TfrmMain* main = nullptr;
};

TEST_F(AlbumEndToEndTest, PhotosPouredIntoAShippedAlbumPaperSurviveSheetWorkAndAReopening) {
    // A new document on the shipped album paper of four L prints a page.
    QTest::keyClick(main, Qt::Key_N, Qt::ControlModifier);
    auto* selection = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
    ASSERT_NE(selection, nullptr);
    RunLoopUntil([&] { return selection->isVisible(); });
    TfrmPaperSelectPanel* papers = selection->Panel();
    const QList<QListWidgetItem*> genre =
        papers->lbGenre->findItems(QStringLiteral("アルバム専用紙"), Qt::MatchExactly);
    ASSERT_EQ(genre.size(), 1);
    QTest::mouseClick(papers->lbGenre->viewport(), Qt::LeftButton, {},
                      papers->lbGenre->visualItemRect(genre[0]).center());
    const QList<QTreeWidgetItem*> row = papers->lvPaper->findItems(kAlbumPaper, Qt::MatchExactly);
    ASSERT_EQ(row.size(), 1);
    QTest::mouseClick(papers->lvPaper->viewport(), Qt::LeftButton, {},
                      papers->lvPaper->visualItemRect(row[0]).center());
    QTest::mouseClick(papers->btnToEdit, Qt::LeftButton);
    TfrmLayout* editor = Editor();
    ASSERT_NE(editor, nullptr);
    TLabelData* doc = main->Document();
    ASSERT_EQ(doc->GetPaperInfo()->PaperName, kAlbumPaper);
    ASSERT_EQ(doc->CurrentSheetNo(), kFirstPage);
    auto* panel = dynamic_cast<TfrmAMPhoto*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    RunLoopUntil([&] { return editor->isVisible(); });

    // Every frame of the first page shows its photo's date; the pages added copy its frames.
    QTest::keyClick(editor->DrawSite1, Qt::Key_A, Qt::ControlModifier);
    editor->EditPanelIdle();
    panel->SetPage(TfrmAMPhoto::pgSetup);
    ASSERT_TRUE(panel->cbDispDate->isEnabled());
    // On its box, as a user aims: the text ends well before the control does.
    QTest::mouseClick(panel->cbDispDate, Qt::LeftButton, {}, QPoint(8, panel->cbDispDate->height() / 2));
    panel->SetPage(TfrmAMPhoto::pgPhoto);
    QTest::mouseClick(editor->DrawSite1, Qt::LeftButton, {}, QPoint(2, 2));

    // The folder chosen in the panel's browser, all its photos selected, 一括貼込.
    TfrmPhotoFileBrowser* browser = panel->PhotoBrowser();
    dialogs.files = {PhotoFolder()};
    QTest::mouseClick(browser->btnReference, Qt::LeftButton);
    QTest::mouseClick(browser->btnSelectAll, Qt::LeftButton);
    ASSERT_EQ(panel->SelectedPhotoCount(), kPhotoCount);
    editor->EditPanelIdle();
    ASSERT_TRUE(panel->btnSetPhotoMulti->isEnabled());
    QTest::mouseClick(panel->btnSetPhotoMulti, Qt::LeftButton);
    editor->CommitPage();
    ASSERT_EQ(doc->GetSheetCount(), kFirstPage + 3);
    EXPECT_EQ(Photos(2), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Photos(3), (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(Photos(4), (std::vector<int>{8, 9, -1, -1}));
    EXPECT_TRUE(dialogs.boxes.empty());

    // The sheet window: the last page goes before the first through the sheet menu's order window.
    main->actSheet->trigger();
    ASSERT_NE(Sheet(), nullptr);
    const QStringList names = State().names;
    ASSERT_EQ(names.size(), kFirstPage + 3);
    const auto tabs = [&](std::initializer_list<QString> texts) {
        return QStringList(texts).join(u'|').toStdString();
    };
    ClickTab(4);
    WhenModal([&](QWidget* window) {
        auto* up = window->findChild<QPushButton*>(QStringLiteral("btnUP"));
        QTest::mouseClick(up, Qt::LeftButton);
        QTest::mouseClick(up, Qt::LeftButton);
        // A third press would take the back cover's slot: the page stays first.
        EXPECT_FALSE(up->isEnabled());
        QTest::mouseClick(up, Qt::LeftButton);
        QTest::mouseClick(window->findChild<QPushButton*>(QStringLiteral("btnOK")), Qt::LeftButton);
    });
    ChooseFromMenu("btnSheetMenu", Qt::Key_M);
    EXPECT_EQ(Tabs(), tabs({names[0], names[1], names[4], names[2], names[3]}));
    EXPECT_EQ(doc->CurrentSheetNo(), kFirstPage);
    EXPECT_EQ(Photos(2), (std::vector<int>{8, 9, -1, -1}));
    EXPECT_EQ(Photos(3), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Photos(4), (std::vector<int>{4, 5, 6, 7}));

    // Renamed as an input method types it.
    const QString name = QStringLiteral("おまけ&旅");
    WhenModal([&](QWidget* window) {
        auto* edit = window->findChild<QLineEdit*>(QStringLiteral("edtSheetName"));
        edit->selectAll();
        QInputMethodEvent typed;
        typed.setCommitString(name);
        QApplication::sendEvent(edit, &typed);
        QTest::keyClick(edit, Qt::Key_Return);
    });
    ChooseFromMenu("btnSheetMenu", Qt::Key_N);
    EXPECT_EQ(doc->SheetName().toStdString(), name.toStdString());
    const QString tab = QStringLiteral("おまけ&&旅");
    EXPECT_EQ(Tabs(), tabs({names[0], names[1], tab, names[2], names[3]}));

    // Its face copied by keys: the unused back cover's slot has no paper to take it; a sheet added
    // by the menu even from there is a page after the last, with its paper, and takes it without a
    // question.
    PressOnSheet(Qt::Key_C, Qt::ControlModifier);
    ClickTab(1);
    PressOnSheet(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.boxes.empty());
    EXPECT_TRUE(Photos(1).empty());
    ChooseFromMenu("btnSheetMenu", Qt::Key_A);
    ASSERT_EQ(doc->CurrentSheetNo(), kFirstPage + 3);
    PressOnSheet(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.boxes.empty());
    const TAlbumState before = State();
    EXPECT_TRUE(before.faces[5] == before.faces[2]) << "stored as they were copied";

    // Saved as by the file menu, then opened in a new main window by keys.
    const QString path = folder.filePath(QStringLiteral("album.qld"));
    dialogs.files = {path};
    ChooseFromMenu("btnFileMenu", Qt::Key_A);
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_FALSE(doc->Modified());
    data.reset();
    main = StartMainWindow();
    ASSERT_NE(main, nullptr);
    main->show();
    QApplication::setActiveWindow(main);
    dialogs.files = {path};
    QTest::keyClick(main, Qt::Key_O, Qt::ControlModifier);
    ASSERT_NE(Sheet(), nullptr);
    EXPECT_EQ(Tabs(), tabs({names[0], names[1], tab, names[2], names[3], before.names[5]}));
    const TAlbumState after = State();
    EXPECT_EQ(after.names.join(u'|').toStdString(), before.names.join(u'|').toStdString());
    ASSERT_EQ(after.faces.size(), before.faces.size());
    for (size_t sheet = 0; sheet < before.faces.size(); ++sheet)
        EXPECT_TRUE(after.faces[sheet] == before.faces[sheet]) << "sheet " << sheet;
    EXPECT_EQ(Photos(2), (std::vector<int>{8, 9, -1, -1}));
    EXPECT_EQ(Photos(3), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(Photos(4), (std::vector<int>{4, 5, 6, 7}));
    EXPECT_EQ(Photos(5), (std::vector<int>{8, 9, -1, -1}));
    EXPECT_TRUE(dialogs.boxes.empty());
}

} // namespace
