#include "app/dialogs/FFrameBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FSelectFrame.h"
#include "app/dialogs/UMaterialBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "tests/app/MaterialTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

namespace {

class FrameBrowserTest : public MaterialFixture {
protected:
    FrameBrowserTest() {
        TfrmFrameBrowser::RememberedGenre() = 0;
        TfrmFrameBrowser::RememberedShade() = false;
        for (const char* name : {"t1.bmp", "f1.bmp", "s1.bmp", "t2.bmp"})
            Picture(QStringLiteral("Data/Frame/Plain/") + QLatin1String(name));
        Picture(QStringLiteral("Data/Frame/Alpha/a.bmp"));
        Picture(QStringLiteral("Data/Frame/Alpha/af.bmp"));
        Write(QStringLiteral("Data/Frame/Frame.dat"),
              QStringLiteral("[普通]\nFolder=Data\\Frame\\Plain\nFile1=t1.bmp,f1.bmp,s1.bmp\nFile2=t2.bmp\n"
                             "[透過]\nFolder=Data\\Frame\\Alpha\nAlphaFrame=1\nFile1=a.bmp,a.bmp,af.bmp\n"));
    }
};

} // namespace

TEST_F(FrameBrowserTest, AlphaGenresHandOutTheThirdPictureAsTheFrame) {
    TfrmFrameBrowser browser;
    EXPECT_FALSE(browser.IsAlphaFrame());
    EXPECT_EQ(browser.Browser()->Grid()->ItemText(1), u"No.2");
    browser.Browser()->SelectIndex(0);
    EXPECT_EQ(browser.GetFrameFile(), Path(QStringLiteral("Data/Frame/Plain/f1.bmp")));
    EXPECT_EQ(browser.GetShadowFile(), Path(QStringLiteral("Data/Frame/Plain/s1.bmp")));
    // Names left empty fall back to the thumbnail.
    browser.Browser()->SelectIndex(1);
    EXPECT_EQ(browser.GetFrameFile(), Path(QStringLiteral("Data/Frame/Plain/t2.bmp")));
    EXPECT_EQ(browser.GetShadowFile(), Path(QStringLiteral("Data/Frame/Plain/t2.bmp")));

    browser.cmbGenre->setCurrentIndex(1);
    EXPECT_TRUE(browser.IsAlphaFrame());
    EXPECT_TRUE(browser.cbShade->isChecked());
    browser.Browser()->SelectIndex(0);
    EXPECT_EQ(browser.GetFrameFile(), Path(QStringLiteral("Data/Frame/Alpha/af.bmp")));
    TfrmFrameBrowser second;
    EXPECT_TRUE(second.IsAlphaFrame());
}

TEST_F(FrameBrowserTest, TheSelectionWindowReturnsAFrameOrNone) {
    {
        TfrmSelectFrame dialog;
        EXPECT_EQ(dialog.property("HelpContext").toInt(), 5054);
        EXPECT_FALSE(dialog.actOK->isEnabled());
        dialog.FrameBrowser()->Browser()->SelectIndex(0);
        EXPECT_TRUE(dialog.actOK->isEnabled());
        dialog.actOK->trigger();
        EXPECT_EQ(dialog.result(), QDialog::Accepted);
        EXPECT_EQ(dialog.GetFrameFile(), Path(QStringLiteral("Data/Frame/Plain/f1.bmp")));
    }
    TfrmSelectFrame dialog;
    dialog.FrameBrowser()->Browser()->SelectIndex(0);
    dialog.btnClear->click();
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetFrameFile(), u"");
    EXPECT_EQ(dialog.GetShadowFile(), Path(QStringLiteral("Data/Frame/Plain/s1.bmp")));
}

TEST_F(FrameBrowserTest, ADamagedCatalogueShowsTheWarning) {
    Write(QStringLiteral("Data/Frame/Frame.dat"), QStringLiteral("[a]\nk=") + QString(40000, u'x'));
    TfrmFrameBrowser browser;
    EXPECT_EQ(browser.GenreCount(), 0);
    EXPECT_TRUE(browser.pnlWarning->isVisibleTo(&browser));
    EXPECT_EQ(browser.pnlWarning->Lines().first(), u"フレーム集が見つかりません");
}
