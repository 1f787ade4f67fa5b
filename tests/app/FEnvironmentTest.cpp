// The environment window: settings read and written back, the enabling rules, the proxy taken from
// the system, the password kept scrambled in a private file, and the cache commands.

#include "app/FMain.h"
#include "app/dialogs/FEnvironment.h"
#include "controls/Exspined.h"
#include "controls/UTabbedPanel.h"
#include "core/UAppFrame.h"
#include "imaging/UImageCache.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "platform/Settings.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <sys/stat.h>

namespace {

class EnvironmentTest : public AppFixture {
protected:
    void SetUp() override {
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
    }
    TfrmMain* main = nullptr;
};

TEST_F(EnvironmentTest, SettingsRoundTripAndTheControlsFollowTheChoices) {
    WriteSettingInteger(QStringLiteral("Banding"), 1);
    WriteSettingInteger(QStringLiteral("ImageDispLimitSize"), 0);
    {
        TfrmEnvironment form;
        EXPECT_TRUE(form.rbPrtNormal->isChecked());
        EXPECT_TRUE(form.rbDispUnlimit->isChecked());
        EXPECT_FALSE(form.udDispLimit->isEnabled());
        EXPECT_TRUE(form.rbProxyNone->isChecked());
        EXPECT_FALSE(form.pnlProxy->isEnabled());
        form.rbProxyUse->click();
        EXPECT_TRUE(form.pnlProxy->isEnabled());
        EXPECT_FALSE(form.edtAccount->isEnabled());
        form.cbAccount->click();
        EXPECT_TRUE(form.edtAccount->isEnabled());
        form.rbCacheDisable->click();
        EXPECT_FALSE(form.rbCacheLimit->isEnabled());
        form.rbCacheEnable->click();
        form.rbCacheLimit->click();
        EXPECT_TRUE(form.spnCacheSize->isEnabled());
        form.rbDispLimit->click();
        form.udDispLimit->setValue(400);
        form.rbPrtQuality->click();
        EXPECT_EQ(form.nbPrint->currentIndex(), 2);
        EXPECT_FALSE(form.rbPrtNormal->isChecked());
        form.rbHideHint->click();
        form.edtAddress->setText(QStringLiteral("proxy.example"));
        form.edtPort->setText(QStringLiteral("8080"));
        form.edtAccount->setText(QStringLiteral("user"));
        form.edtPassword->setText(QStringLiteral("s3cret-pass"));
        form.spnCacheSize->Edit()->setText(QStringLiteral("5"));
        dialogs.answers = {mrOk};
        form.btnOk->click();
        EXPECT_EQ(dialogs.boxes.back().text, CacheSizeRangeText()) << "the window stays open";
        EXPECT_EQ(form.result(), 0);
        form.spnCacheSize->Edit()->setText(QStringLiteral("300"));
        form.btnOk->click();
        EXPECT_EQ(form.result(), QDialog::Accepted);
    }
    EXPECT_FALSE(ApplicationHintsShown()) << "hints off at once";
    EXPECT_EQ(ImageDispLimitSize(), 400) << "the photo loader takes the limit at once";
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("Banding"), 1), 2);
    EXPECT_EQ(ReadSettingInteger(QStringLiteral("CacheLimit"), 0), 300);
    EXPECT_FALSE(ReadSettingBool(QStringLiteral("ProxyUse"), true));

    const QByteArray file = TestSupport::ReadFile(SettingsStore::FileName());
    EXPECT_EQ(file.indexOf("s3cret-pass"), -1) << "the password is kept scrambled";
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(SettingsStore::FileName()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    TfrmEnvironment again;
    EXPECT_TRUE(again.rbPrtQuality->isChecked());
    EXPECT_TRUE(again.rbDispLimit->isChecked());
    EXPECT_EQ(again.udDispLimit->value(), 400);
    EXPECT_TRUE(again.rbHideHint->isChecked());
    EXPECT_EQ(again.edtPassword->text(), "s3cret-pass");
    EXPECT_EQ(again.edtPort->text(), "8080");
    EXPECT_TRUE(again.rbCacheLimit->isChecked());
    ShowApplicationHints(true);
    WriteSettingBool(QStringLiteral("DefaultShowHint"), true);

    // Cancel writes nothing.
    const QByteArray bytes = TestSupport::ReadFile(SettingsStore::FileName());
    again.rbPrtSpeed->click();
    again.btnCancel->click();
    EXPECT_EQ(TestSupport::ReadFile(SettingsStore::FileName()), bytes);
}

TEST_F(EnvironmentTest, TheSystemsProxyIsOfferedAndNotWrittenUnchanged) {
    const QByteArray saved = qgetenv("http_proxy");
    qputenv("http_proxy", "http://someone:pw@sysproxy.example:3128/");
    WriteSettingString(QStringLiteral("ProxyAddress"), QString());
    WriteSettingString(QStringLiteral("ProxyPort"), QString());
    {
        TfrmEnvironment form;
        EXPECT_TRUE(form.ProxyFromSystem());
        EXPECT_EQ(form.edtAddress->text(), "sysproxy.example");
        EXPECT_EQ(form.edtPort->text(), "3128");
        form.rbProxyUse->click();
        form.btnOk->click();
    }
    EXPECT_EQ(ReadSettingString(QStringLiteral("ProxyAddress"), QString()), "") << "still following the system";
    {
        TfrmEnvironment form;
        form.edtPort->setText(QStringLiteral("8000"));
        form.btnOk->click();
    }
    EXPECT_EQ(ReadSettingString(QStringLiteral("ProxyAddress"), QString()), "sysproxy.example");
    EXPECT_EQ(ReadSettingString(QStringLiteral("ProxyPort"), QString()), "8000");
    if (saved.isNull())
        qunsetenv("http_proxy");
    else
        qputenv("http_proxy", saved);
}

TEST_F(EnvironmentTest, TheProxyActionOpensTheInternetTabAndClearEmptiesTheOneCache) {
    bool internetTab = false;
    WhenModal([&](QWidget* w) {
        auto* form = qobject_cast<TfrmEnvironment*>(w);
        ASSERT_NE(form, nullptr);
        internetTab = form->PageIndex() == 1 && form->TabbedPanel1->TabIndex() == 1;
        form->btnCancel->click();
    });
    main->actEnvProxy->trigger();
    EXPECT_TRUE(internetTab);

    TImageCacheStorage* cache = data->ImageCache();
    ASSERT_NE(cache, nullptr);
    const QString picture = ExeDir() + QStringLiteral("/photo.png");
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(picture));
    TPicture thumb;
    data->GetPreviewImage(picture, thumb);
    TImageCacheItem item;
    ASSERT_TRUE(cache->LoadItem(picture, item));

    TfrmEnvironment form;
    dialogs.answers = {mrOk};
    form.btnClearCache->click();
    EXPECT_EQ(dialogs.boxes.back().text, "キャッシュの内容をクリアしました");
    EXPECT_EQ(data->ImageCache(), cache) << "the object the loader threads hold stays";
    EXPECT_TRUE(cache->IsOpen());
    EXPECT_FALSE(cache->LoadItem(picture, item));
}

} // namespace
