// The image browser's report (sorting by value, rows of missing files, selection kept across a
// sort) and its actions; the photo-file browser's folders, history, sizes and selected files.

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FPhotoFileBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "core/UHistoryManager.h"
#include "imaging/UImageLoadThread.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureEX.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeView>

namespace {

void WriteBytes(const QString& path, qint64 size) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.resize(size);
}

TEST(ImageBrowser, ReportSortsSizesByValueAndKeepsTheSelection) {
    QTemporaryDir dir;
    const QStringList files = {dir.filePath("b.jpg"), dir.filePath("A.jpg"), dir.filePath("gone.jpg"),
                               dir.filePath("c.png")};
    WriteBytes(files[0], 1024 * 1024);
    WriteBytes(files[1], 999 * 1024);
    WriteBytes(files[3], 10);
    TfrmImageBrowser browser;
    browser.OnGetFileName = [&](int index, QString& name) { name = files[index]; };
    browser.SetReportView(true);
    browser.SetReportView(true); // unchanged: nothing emptied
    browser.SetItemCaptions({"b", "A", "gone", "c"});
    ASSERT_EQ(browser.ItemCount(), 4);
    // By name without regard to case.
    EXPECT_EQ(browser.ReportText(0, TfrmImageBrowser::rcName), QStringLiteral("A.jpg"));
    EXPECT_EQ(browser.ReportText(3, TfrmImageBrowser::rcName), QStringLiteral("gone.jpg"));
    // A missing file has its name only, and still stands for its own image.
    EXPECT_EQ(browser.ReportText(3, TfrmImageBrowser::rcSize), QString());
    EXPECT_EQ(browser.ItemImageIndex(3), 2);

    browser.SelectIndex(0); // b.jpg
    browser.ColumnClick(TfrmImageBrowser::rcSize);
    EXPECT_EQ(browser.SortColumn(), TfrmImageBrowser::rcSize);
    QStringList sizes;
    for (int row = 0; row < 4; ++row)
        sizes << browser.ReportText(row, TfrmImageBrowser::rcSize);
    EXPECT_EQ(sizes, (QStringList{"", "0KB", "999KB", "1,024KB"}));
    EXPECT_EQ(browser.SelectedIndex(), 0);
    EXPECT_TRUE(browser.IsSelected(3));
    // The sort column again: descending, and forgotten.
    browser.ColumnClick(TfrmImageBrowser::rcSize);
    EXPECT_EQ(browser.SortColumn(), -1);
    EXPECT_EQ(browser.ReportText(0, TfrmImageBrowser::rcSize), QStringLiteral("1,024KB"));
    EXPECT_EQ(browser.SelectedIndex(), 0);
    // Dates sort by value too: the oldest file first.
    {
        QFile old(files[3]);
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        ASSERT_TRUE(
            old.setFileTime(QDateTime::currentDateTime().addYears(-3), QFileDevice::FileModificationTime));
    }
    browser.SetItemCaptions({"b", "A", "gone", "c"});
    browser.ColumnClick(TfrmImageBrowser::rcDate);
    EXPECT_EQ(browser.ReportText(1, TfrmImageBrowser::rcName), QStringLiteral("c.png"));

    // Leaving the report empties the list for the host to fill.
    browser.SetReportView(false);
    EXPECT_EQ(browser.ItemCount(), 0);
}

TEST(ImageBrowser, ActionsTellOfClicksAndEnter) {
    TfrmImageBrowser browser;
    QAction click, dblClick;
    browser.ClickAction = &click;
    browser.DblClickAction = &dblClick;
    QSignalSpy clicks(&click, &QAction::triggered);
    QSignalSpy doubles(&dblClick, &QAction::triggered);
    browser.resize(400, 300);
    browser.SetThumbSize(50);
    EXPECT_EQ(browser.CellPack().GetCount(), 0); // no pack: no images
    browser.SetItemCaptions({"one", "two"});
    browser.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&browser));
    TThumbGrid* grid = browser.Grid();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->ItemRect(1).center());
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(browser.SelectedIndex(), 1);
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(doubles.count(), 1);

    QTemporaryDir dir;
    WriteBytes(dir.filePath("x.jpg"), 5);
    browser.OnGetFileName = [&](int, QString& name) { name = dir.filePath("x.jpg"); };
    browser.SetReportView(true);
    browser.SetItemCaptions({"x"});
    browser.SelectIndex(0);
    QTest::keyClick(browser.Report(), Qt::Key_Return);
    EXPECT_EQ(doubles.count(), 2);
}

class PhotoFileBrowserTest : public AppFixture {
protected:
    void SetUp() override {
        Start();
        THistoryManager history(nullptr);
        history.SetRegistryKey(QStringLiteral("$(UserPhotoHistory)"));
        history.Clear();
    }
    static void WritePicture(const QString& path, const QColor& color) {
        QImage image(64, 48, QImage::Format_RGB32);
        image.fill(color);
        ASSERT_TRUE(image.save(path, "PNG"));
    }
};

TEST_F(PhotoFileBrowserTest, ListsPicturesOfTheChosenFolderAndNamesTheSelectedFiles) {
    QTemporaryDir folder;
    WritePicture(folder.filePath("b.png"), Qt::red);
    WritePicture(folder.filePath("a.PNG"), Qt::blue);
    WriteBytes(folder.filePath("notes.txt"), 4);
    WriteBytes(folder.filePath("x.pn"), 4); // an extension that is only part of one
    WriteBytes(folder.filePath("png"), 4);  // no extension
    QDir(folder.path()).mkdir("sub.png");   // a folder is no picture

    auto browser = std::make_unique<TfrmPhotoFileBrowser>();
    // A first run offers the sample folder first, then the user's pictures.
    const TStringList& history = browser->HistoryManager1()->GetItems();
    ASSERT_GE(history.Count(), 1);
    EXPECT_TRUE(history[0].endsWith(QStringLiteral("Sample/Photo")));
    EXPECT_EQ(browser->Browser()->ThumbSize(), 80);

    dialogs.files = {folder.path()};
    QTest::keyClick(browser->edtPath, Qt::Key_Return);
    EXPECT_EQ(browser->CurrentFolder(), folder.path());
    EXPECT_EQ(browser->LastListed(), folder.path());
    ASSERT_EQ(browser->Browser()->ItemCount(), 2);
    EXPECT_EQ(browser->Browser()->Grid()->ItemText(0), QStringLiteral("a.PNG"));

    // The folder already shown is not listed again.
    browser->Browser()->SelectIndex(1);
    dialogs.files = {folder.path()};
    browser->btnReference->click();
    EXPECT_EQ(browser->Browser()->SelectedIndex(), 1);
    EXPECT_EQ(browser->GetSelectedFileName(0), folder.filePath("b.png"));
    EXPECT_EQ(browser->GetSelectedFileName(1), QString());

    // Thumbnails come from the data module's previews, for painted cells.
    browser->resize(500, 400);
    browser->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(browser.get()));
    RunLoopUntil([&] { return browser->Browser()->Loader() && browser->Browser()->Loader()->Idle(); });
    QCoreApplication::processEvents();
    TPictureEx cell;
    cell.Assign(&browser->Browser()->CellPack().GetCacheEntry(0));
    EXPECT_EQ(cell.Width(), 78); // 64 x 48 within 78 x 68
    EXPECT_EQ(cell.Height(), 59);

    // Multi-selection in the report, sorted by name descending: files still in list order.
    browser->SetMultiSelect(true);
    browser->btnListView->click();
    EXPECT_TRUE(browser->Browser()->ReportView());
    browser->Browser()->SelectAll(true);
    browser->Browser()->ColumnClick(TfrmImageBrowser::rcName);
    EXPECT_EQ(browser->SelectedCount(), 2);
    EXPECT_EQ(browser->GetSelectedFileName(0), folder.filePath("b.png"));
    // A size button leaves the report.
    browser->btnPix200->click();
    EXPECT_FALSE(browser->Browser()->ReportView());
    EXPECT_EQ(browser->Browser()->ThumbSize(), 200);
    EXPECT_EQ(browser->Browser()->ItemCount(), 2);
}

TEST_F(PhotoFileBrowserTest, HistoryMenuListsTheChosenFolder) {
    QTemporaryDir one, two;
    WritePicture(one.filePath("p.png"), Qt::green);
    auto browser = std::make_unique<TfrmPhotoFileBrowser>();
    browser->HistoryManager1()->Add(two.path());
    browser->HistoryManager1()->Add(one.path());
    browser->FormPaint();
    EXPECT_EQ(browser->LastListed(), one.path());
    EXPECT_EQ(browser->Browser()->ItemCount(), 1);
    browser->FormPaint(); // the first paint only

    ASSERT_TRUE(browser->actHistory->isEnabled());
    browser->actHistory->trigger();
    QAction* entry = nullptr;
    for (QAction* action : browser->popupHistory->actions())
        if (action->text().contains(QFileInfo(two.path()).fileName()))
            entry = action;
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    EXPECT_EQ(browser->CurrentFolder(), two.path());
    EXPECT_EQ(browser->LastListed(), two.path());
    EXPECT_EQ(browser->Browser()->ItemCount(), 0); // no pictures: an empty list
    browser->popupHistory->hide();
}

TEST(PhotoFileExtensions, MatchWholeExtensionsInAnyCase) {
    const QStringList list = {".JPG", ".JPEG", ".PNG"};
    EXPECT_TRUE(HasPictureExtension("/a/b.jpg", list));
    EXPECT_TRUE(HasPictureExtension("/a/b.Jpeg", list));
    EXPECT_FALSE(HasPictureExtension("/a/b.pg", list));
    EXPECT_FALSE(HasPictureExtension("/a/b.jp", list));
    EXPECT_FALSE(HasPictureExtension("/a/jpg", list));
}

} // namespace
