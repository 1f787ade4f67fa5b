#include "app/dialogs/FShadeFileBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "tests/app/MaterialTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>

namespace {

class ShadeBrowserTest : public MaterialFixture {
protected:
    ShadeBrowserTest() {
        TfrmShadeFileBrowser::RememberedGenre() = 0;
        TfrmShadeFileBrowser::RememberedBlurredEdge() = false;
    }

    // Genre 丸 has blurred-edge variants and IDs; genre 星 has none; genre 無 names a missing folder.
    void MakeContent() {
        for (const char* name : {"t1.bmp", "p1.bmp", "b1.bmp", "t2.bmp", "p2.bmp"})
            Picture(QStringLiteral("Data/Figure/Round/") + QLatin1String(name));
        Picture(QStringLiteral("Data/Figure/Star/s1.bmp"));
        Write(QStringLiteral("Data/Figure/Figure.dat"),
              QStringLiteral(
                  "[丸]\nFolder=Data\\Figure\\Round\nFile1=t1.bmp,p1.bmp,b1.bmp\nFile2=t2.bmp,p2.bmp\n"
                  "[星]\nFolder=Data\\Figure\\Star\nFile1=s1.bmp,s1.bmp\n"
                  "[無]\nFolder=Data\\Figure\\None\nFile1=x.bmp\n"));
        Write(QStringLiteral("Data/Figure/Figure.ids"), QStringLiteral("[Data\\Figure\\Round]\nT1=F001\n"));
    }
};

} // namespace

TEST_F(ShadeBrowserTest, WithoutContentTheWarningShowsAndNothingIsListed) {
    TfrmShadeFileBrowser browser;
    EXPECT_TRUE(browser.pnlWarning->isVisibleTo(&browser));
    EXPECT_EQ(browser.pnlWarning->Lines(),
              (QStringList{QStringLiteral("図形が見つかりません"), QString(), QStringLiteral("Quorlaneの"),
                           QStringLiteral("CDを正しくセットしてください")}));
    EXPECT_EQ(browser.Browser()->ItemCount(), 0);
    EXPECT_FALSE(browser.cmbGenre->isVisibleTo(&browser));
    EXPECT_EQ(browser.GetSelectedFile(), u"");
    browser.SelectFile(Path(QStringLiteral("Data/Figure/Round/t1.bmp")));
    EXPECT_FALSE(browser.HasSelection());
}

TEST_F(ShadeBrowserTest, GenresListTheirThumbnailsCaptionedByID) {
    MakeContent();
    TfrmShadeFileBrowser browser;
    EXPECT_FALSE(browser.pnlWarning->isVisibleTo(&browser));
    EXPECT_EQ(browser.cmbGenre->count(), 3);
    EXPECT_EQ(browser.ListedFiles(), (QStringList{Path(QStringLiteral("Data/Figure/Round/t1.bmp")),
                                                  Path(QStringLiteral("Data/Figure/Round/t2.bmp"))}));
    // One file has an ID: the others are captioned empty, not numbered.
    ASSERT_EQ(browser.Browser()->ItemCount(), 2);
    EXPECT_EQ(browser.Browser()->Grid()->ItemText(0), u"F001");
    EXPECT_EQ(browser.Browser()->Grid()->ItemText(1), u"");

    browser.cmbGenre->setCurrentIndex(1);
    EXPECT_EQ(TfrmShadeFileBrowser::RememberedGenre(), 1);
    EXPECT_EQ(browser.Browser()->Grid()->ItemText(0), u"No.1");
    browser.cmbGenre->setCurrentIndex(2);
    EXPECT_TRUE(browser.pnlWarning->isVisibleTo(&browser));
    EXPECT_EQ(browser.Browser()->ItemCount(), 0);
}

TEST_F(ShadeBrowserTest, TheBlurredEdgeChoiceDecidesTheFileHandedOut) {
    MakeContent();
    QAction changed;
    int changes = 0;
    QObject::connect(&changed, &QAction::triggered, [&] { ++changes; });
    TfrmShadeFileBrowser browser;
    browser.ChangeStatusAction = &changed;
    browser.Browser()->SelectIndex(0);
    browser.actClick->trigger();
    EXPECT_TRUE(browser.cbShade->isEnabled());
    EXPECT_EQ(browser.GetSelectedFile(), Path(QStringLiteral("Data/Figure/Round/p1.bmp")));
    browser.cbShade->click();
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(TfrmShadeFileBrowser::RememberedBlurredEdge());
    EXPECT_EQ(browser.GetSelectedFile(), Path(QStringLiteral("Data/Figure/Round/b1.bmp")));
    // An entry without a blurred-edge name disables the choice and hands out its picture.
    browser.Browser()->SelectIndex(1);
    browser.actClick->trigger();
    EXPECT_FALSE(browser.cbShade->isEnabled());
    EXPECT_TRUE(browser.cbShade->isChecked());
    EXPECT_EQ(browser.GetSelectedFile(), Path(QStringLiteral("Data/Figure/Round/p2.bmp")));

    // A second browser starts where the first left off.
    browser.cmbGenre->setCurrentIndex(1);
    TfrmShadeFileBrowser second;
    EXPECT_EQ(second.cmbGenre->currentIndex(), 1);
    EXPECT_TRUE(second.cbShade->isChecked());
}

TEST_F(ShadeBrowserTest, FilesOfTheCatalogueFindTheirEntryAndVariants) {
    MakeContent();
    TfrmShadeFileBrowser browser;
    browser.cmbGenre->setCurrentIndex(1);
    browser.SelectFile(Path(QStringLiteral("Data/Figure/Round/b1.bmp")));
    EXPECT_EQ(browser.cmbGenre->currentIndex(), 0);
    EXPECT_EQ(browser.SelectedIndex(), 0);

    const QString picture = Path(QStringLiteral("Data/Figure/Round/p1.bmp"));
    EXPECT_EQ(browser.GetVariantFile(picture, true), Path(QStringLiteral("Data/Figure/Round/b1.bmp")));
    EXPECT_EQ(browser.GetVariantFile(Path(QStringLiteral("Data/Figure/Round/b1.bmp")), false), picture);
    // A file of the genre's folder that no entry names gives the first entry; one outside, nothing.
    Picture(QStringLiteral("Data/Figure/Round/other.bmp"));
    EXPECT_EQ(browser.GetVariantFile(Path(QStringLiteral("Data/Figure/Round/other.bmp")), false), picture);
    EXPECT_EQ(browser.GetVariantFile(Path(QStringLiteral("elsewhere/p1.bmp")), false), u"");
    EXPECT_TRUE(browser.IsBlurredEdgeFile(Path(QStringLiteral("Data/Figure/Round/b1.bmp"))));
    EXPECT_FALSE(browser.IsBlurredEdgeFile(picture));
}
