#include "app/dialogs/FIllustFileBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "tests/app/MaterialTestSupport.h"

#include <QComboBox>

namespace {

class IllustBrowserTest : public MaterialFixture {
protected:
    IllustBrowserTest() { TfrmIllustFileBrowser::RememberedGenre() = 0; }
};

} // namespace

TEST_F(IllustBrowserTest, WithoutTheCatalogueTheDefaultGenresStay) {
    Picture(QStringLiteral("Data/Illust/Panel/p.bmp"));
    TfrmIllustFileBrowser browser;
    ASSERT_EQ(browser.cmbGenre->count(), 2);
    EXPECT_EQ(browser.cmbGenre->itemText(0), u"イラスト");
    EXPECT_EQ(browser.cmbGenre->itemData(1).toString(), u"パネル,Data\\Illust\\Panel");
    // The first genre's folder is not there.
    EXPECT_TRUE(browser.pnlWarning->isVisibleTo(&browser));
    EXPECT_EQ(browser.Browser()->ItemCount(), 0);
    browser.cmbGenre->setCurrentIndex(1);
    EXPECT_FALSE(browser.pnlWarning->isVisibleTo(&browser));
    ASSERT_EQ(browser.Browser()->ItemCount(), 1);
    browser.SelectIndex(0);
    EXPECT_EQ(browser.GetSelectedFileName(), Path(QStringLiteral("Data/Illust/Panel/p.bmp")));
    EXPECT_EQ(TfrmIllustFileBrowser::RememberedGenre(), 1);
}

TEST_F(IllustBrowserTest, TheCatalogueReplacesTheGenresAndARememberedGenreBeyondThemIsIgnored) {
    Picture(QStringLiteral("Data/Illust/Animals/cat.bmp"));
    Picture(QStringLiteral("Data/Illust/Animals/dog.bmp"));
    Write(QStringLiteral("Data/Illust/Illust.dat"),
          QStringLiteral("[a]\nName=動物\nDir=Data\\Illust\\Animals\n"));
    TfrmIllustFileBrowser::RememberedGenre() = 5;
    TfrmIllustFileBrowser browser;
    ASSERT_EQ(browser.cmbGenre->count(), 1);
    EXPECT_EQ(browser.cmbGenre->currentIndex(), 0);
    EXPECT_EQ(browser.cmbGenre->itemText(0), u"動物");
    EXPECT_EQ(browser.Browser()->ItemCount(), 2);
}
