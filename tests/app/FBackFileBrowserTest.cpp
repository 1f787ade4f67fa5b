#include "app/dialogs/FBackFileBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "tests/app/MaterialTestSupport.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

class BackBrowserTest : public MaterialFixture {
protected:
    BackBrowserTest() {
        TfrmBackFileBrowser::RememberedGenre() = 0;
        TfrmBackFileBrowser::RememberedSubGenre() = 0;
    }

    void MakeContent() {
        Picture(QStringLiteral("Data/BackGrnd/Tile/a001.bmp"));
        Picture(QStringLiteral("Data/BackGrnd/Tile/a002.BMP"));
        Write(QStringLiteral("Data/BackGrnd/Tile/notes.txt"), QStringLiteral("x"));
        Picture(QStringLiteral("Data/BackGrnd/Photo/p.bmp"));
        Picture(QStringLiteral("Data/BackGrnd/Plain/q.bmp"));
        Write(QStringLiteral("Data/BackGrnd/BackGrnd.dat"),
              QStringLiteral(
                  "[柄]\nCaption=柄\nGenre=Data\\BackGrnd\nSubGenre1=タイル,Data\\BackGrnd\\Tile,1,1\n"
                  "SubGenre2=写真,Data\\BackGrnd\\Photo,0,0\n"
                  "[無地]\nCaption=無地\nGenre=Data\\BackGrnd\\Plain\n"));
        Write(QStringLiteral("Data/BackGrnd/BackGrnd.ids"),
              QStringLiteral("[Data\\BackGrnd\\Tile]\nShortStyleDefine=A%s,3,1,2,B%s,3,1\n"));
    }

    // The lists are filled on the first painting.
    static void Paint(TfrmBackFileBrowser& browser) {
        browser.resize(400, 300);
        browser.grab();
    }
};

} // namespace

TEST_F(BackBrowserTest, WithoutTheCatalogueTheWarningShowsFromTheFirstPainting) {
    TfrmBackFileBrowser browser;
    Paint(browser);
    EXPECT_TRUE(browser.pnlWarning->isVisibleTo(&browser));
    EXPECT_EQ(browser.cmbSubGenre->count(), 0);
    browser.SelectFile(Path(QStringLiteral("Data/BackGrnd/Tile/a001.bmp")));
    EXPECT_FALSE(browser.HasSelection());
}

TEST_F(BackBrowserTest, SubGenresListPicturesCaptionedByIDAndTellTiling) {
    MakeContent();
    TfrmBackFileBrowser browser;
    Paint(browser);
    EXPECT_FALSE(browser.pnlWarning->isVisibleTo(&browser));
    ASSERT_EQ(browser.cmbSubGenre->count(), 2);
    EXPECT_TRUE(browser.IsTile());
    EXPECT_TRUE(browser.IsTileShift());
    // Pictures only, extensions matched without regard to case.
    ASSERT_EQ(browser.Browser()->ItemCount(), 2);
    EXPECT_EQ(browser.Browser()->Grid()->ItemText(0), u"B001");
    EXPECT_EQ(browser.Browser()->Grid()->ItemText(1), u"B002");

    browser.cmbSubGenre->setCurrentIndex(1);
    EXPECT_FALSE(browser.IsTile());
    EXPECT_EQ(browser.Browser()->Grid()->ItemText(0), u"No.1");
    // A genre without sub-genres shows its own folder, not tiled.
    browser.cmbGenre->setCurrentIndex(1);
    EXPECT_FALSE(browser.cmbSubGenre->isEnabled());
    EXPECT_FALSE(browser.IsTile());
    ASSERT_EQ(browser.Browser()->ItemCount(), 1);
    browser.Browser()->SelectIndex(0);
    EXPECT_EQ(browser.GetSelectedFileName(), Path(QStringLiteral("Data/BackGrnd/Plain/q.bmp")));
}

TEST_F(BackBrowserTest, AnIDOfFourCharactersFindsItsPicture) {
    MakeContent();
    TfrmBackFileBrowser browser;
    Paint(browser);
    browser.cmbGenre->setCurrentIndex(1);
    browser.edtImageID->setText(QStringLiteral("B00"));
    EXPECT_FALSE(browser.btnImageID->isEnabled());
    browser.edtImageID->setText(QStringLiteral("b002"));
    ASSERT_TRUE(browser.btnImageID->isEnabled());
    browser.btnImageID->click();
    EXPECT_EQ(browser.cmbGenre->currentIndex(), 0);
    EXPECT_EQ(browser.GetSelectedFileName(), Path(QStringLiteral("Data/BackGrnd/Tile/a002.BMP")));

    dialogs.answers = {mrOk};
    browser.edtImageID->setText(QStringLiteral("ZZZZ"));
    browser.btnImageID->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, u"「ZZZZ」は見つかりませんでした");
}

TEST_F(BackBrowserTest, AFailingFirstPaintingStaysInsideTheBrowser) {
    MakeContent();
    // Without the extension list the listing raises; the event loop must never see it.
    frame.Macro().Delete(frame.Macro().IndexOfName(QStringLiteral("ImageFileExtentions")));
    TfrmBackFileBrowser browser;
    EXPECT_NO_THROW(Paint(browser));
    EXPECT_TRUE(browser.pnlWarning->isVisibleTo(&browser));
}
