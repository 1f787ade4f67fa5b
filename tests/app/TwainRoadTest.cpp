// Scanning as a user scans, on the main window: the TWAIN page's 取り込み, a source chosen, the page
// it scans placed into a photo frame that keeps it through save and reopen. The scanner is SANE's
// test backend configured from tests/data/sane only (the system configuration searches the network).

#include "app/FAMPhoto.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/dialogs/FTwain.h"
#include "controls/UImagePanel.h"
#include "core/USupportUtil.h"
#include "imaging/UPictureEX.h"
#include "imaging/UTwain.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "platform/Bitmap.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>

namespace {

class TwainRoadTest : public AppFixture {
protected:
    static void SetUpTestSuite() { qputenv("SANE_CONFIG_DIR", QUORLANE_SOURCE_DIR "/tests/data/sane"); }
    void SetUp() override {
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        main->resize(1000, 760);
        main->show();
        QApplication::setActiveWindow(main);
        editor = OpenLayoutEditor(main);
        ASSERT_NE(editor, nullptr);
        panel = dynamic_cast<TfrmAMPhoto*>(editor->EditPanel());
        ASSERT_NE(panel, nullptr);
    }
    // The pixels of a photo's picture; null unless it is a bitmap.
    static QImage Pixels(TLOAlbumPhoto* photo) {
        auto* bitmap = dynamic_cast<TBitmap*>(photo->GetPhotoPicture()->Graphic());
        return bitmap ? bitmap->ImageForPainting().copy() : QImage();
    }
    std::vector<TLOAlbumPhoto*> Photos() const {
        TDOList page;
        editor->DrawSite1->ListObjects(page, false);
        std::vector<TLOAlbumPhoto*> found;
        for (TDrawObject* object : page)
            if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object))
                found.push_back(photo);
        return found;
    }

    QTemporaryDir folder;
    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
    TfrmAMPhoto* panel = nullptr;
};

TEST_F(TwainRoadTest, APhotoFrameKeepsTheScannedPageThroughSaveAndReopen) {
    panel->SetPage(TfrmAMPhoto::pgTwain);
    ASSERT_TRUE(panel->btnTwain->isEnabled());
    // No source chosen: no acquisition window.
    dialogs.scanners = {-1};
    bool windowShown = false;
    WhenModalOf<TfrmTwain>([&](TfrmTwain*) { windowShown = true; }, 5);
    panel->btnTwain->click();
    ASSERT_EQ(dialogs.scannerLists.size(), 1u);
    ASSERT_EQ(dialogs.scannerLists[0].size(), 1);
    EXPECT_TRUE(dialogs.scannerLists[0][0].endsWith(QStringLiteral("(test:0)")));
    EXPECT_FALSE(windowShown);
    EXPECT_TRUE(IsPictureEmpty(&panel->ipTwain->Picture()));

    // The whole bed, 80 x 100 mm, at 150 dpi.
    dialogs.scanners = {0};
    panel->btnTwain->click();
    const TPicture& scanned = panel->ipTwain->Picture();
    ASSERT_EQ(scanned.Width(), 472);
    ASSERT_EQ(scanned.Height(), 590);
    EXPECT_FALSE(TTwainManager::Instance().SourceOpen()) << "the source closes after the page";
    EXPECT_TRUE(dialogs.boxes.empty());

    editor->EditPanelIdle();
    ASSERT_TRUE(panel->btnPasteImage->isEnabled());
    panel->btnPasteImage->click();
    ASSERT_EQ(Photos().size(), 1u);
    EXPECT_EQ(Photos()[0]->ImageSource(), isTwain);
    const QImage taken = Pixels(Photos()[0]);

    const QString path = folder.filePath(QStringLiteral("scanned.qld"));
    dialogs.files = {path};
    main->actSaveAs->trigger();
    main->actNew->trigger();
    ASSERT_TRUE(main->OpenDocument(path));
    editor = qobject_cast<TfrmLayout*>(main->HostedForm());
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(Photos().size(), 1u);
    EXPECT_EQ(Pixels(Photos()[0]), taken);
    EXPECT_EQ(taken.size(), QSize(472, 590));
}

} // namespace
