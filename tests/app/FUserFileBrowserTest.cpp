#include "app/dialogs/FUserFileBrowser.h"

#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/UThumbGrid.h"
#include "core/UHistoryManager.h"
#include "imaging/UImagePack.h"
#include "tests/app/MaterialTestSupport.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

TEST_F(MaterialFixture, UserFileBrowserListsPicturesOfTheChosenFolder) {
    const QString folder = Path(QStringLiteral("My Photos"));
    Picture(QStringLiteral("My Photos/b.BMP"));
    Picture(QStringLiteral("My Photos/a.bmp"));
    Write(QStringLiteral("My Photos/bmp"), QStringLiteral("no extension"));
    Write(QStringLiteral("My Photos/c.bmpx"), QStringLiteral("other extension"));
    {
        TfrmUserFileBrowser browser;
        browser.HistoryManager1->Clear();
        dialogs.files = {folder};
        browser.btnRefer->click();
        EXPECT_EQ(browser.Folder(), folder + u'/');
        EXPECT_EQ(browser.HistoryManager1->GetItems()[0], folder + u'/');
        EXPECT_TRUE(browser.actHistory->isEnabled());
        // Extensions match whole, without regard to case; sorted by name.
        ASSERT_EQ(browser.Browser()->ItemCount(), 2);
        EXPECT_EQ(browser.Browser()->Grid()->ItemText(0), u"a.bmp");
        EXPECT_EQ(browser.Browser()->Grid()->ItemText(1), u"b.BMP");
        browser.SelectIndex(1);
        EXPECT_EQ(browser.GetSelectedFileName(), folder + QStringLiteral("/b.BMP"));
        // The folder shown chosen again lists nothing anew: the selection stays.
        dialogs.files = {folder + QStringLiteral("/")};
        browser.btnRefer->click();
        EXPECT_TRUE(browser.HasSelection());
        browser.btnListView->setChecked(true);
        browser.Scan();
        EXPECT_TRUE(browser.Browser()->ReportView());
        browser.SetThumbSize(200);
        EXPECT_FALSE(browser.Browser()->ReportView());
    }
    // The next browser starts in the newest folder and selects the remembered file once shown.
    TfrmUserFileBrowser browser;
    EXPECT_EQ(browser.Folder(), folder + u'/');
    browser.SetInitialFileName(QStringLiteral("B.bmp"));
    browser.show();
    EXPECT_EQ(browser.GetSelectedFileName(), folder + QStringLiteral("/b.BMP"));
    browser.HistoryManager1->Clear();
}
