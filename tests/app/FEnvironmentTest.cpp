// The environment window: settings read and written back, the enabling rules, the proxy taken from
// the system, the password kept scrambled in a private file, and the cache commands.

#include "app/DMain.h"
#include "app/FMain.h"
#include "app/dialogs/FEnvironment.h"
#include "controls/Exspined.h"
#include "controls/UTabbedPanel.h"
#include "core/UAppFrame.h"
#include "imaging/UImageCache.h"
#include "imaging/UImageData.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawSite.h"
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
#include <QScopeGuard>
#include <QThread>
#include <atomic>
#include <sys/stat.h>
#include <thread>
#include <vector>

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

    // クリア while the browsers' loader threads read and fill the cache: the threads keep working
    // through the one object (a freed or reopened object would be used after its end).
    QStringList pictures;
    for (int i = 0; i < 4; ++i) {
        pictures << ExeDir() + QStringLiteral("/photo%1.png").arg(i);
        image.fill(QColor::fromHsv(i * 60, 200, 200));
        ASSERT_TRUE(image.save(pictures.back()));
    }
    std::atomic<bool> stop{false};
    std::atomic<int> loaded{0};
    std::vector<std::thread> loaders;
    for (int t = 0; t < 3; ++t)
        loaders.emplace_back([&, t] {
            for (int n = 0; !stop; ++n) {
                TPicture thumbnail;
                LoadPreviewImage(cache, pictures[(n + t) % pictures.size()], thumbnail);
                if (thumbnail.Width() > 0)
                    ++loaded;
            }
        });
    for (int i = 0; i < 8; ++i) {
        dialogs.answers = {mrOk};
        form.btnClearCache->click();
        QThread::msleep(20);
    }
    stop = true;
    for (std::thread& loader : loaders)
        loader.join();
    EXPECT_GT(loaded.load(), 0);
    EXPECT_EQ(data->ImageCache(), cache);
    ASSERT_TRUE(cache->IsOpen());
    TPicture again;
    data->GetPreviewImage(pictures[0], again);
    EXPECT_TRUE(cache->LoadItem(pictures[0], item)) << "the cache works on after the clears";
}

TEST_F(EnvironmentTest, ADisplayLimitSetInTheWindowReachesTheHostedEditorsPhoto) {
    const int limitWas = ImageDispLimitSize();
    const auto restore = qScopeGuard([&] {
        SetImageDispLimitSize(limitWas);
        WriteSettingInteger(QStringLiteral("ImageDispLimitSize"), limitWas);
    });
    TfrmLayout* editor = OpenLayoutEditor(main);
    ASSERT_NE(editor, nullptr);
    {
        auto photo = std::make_unique<TLOAlbumPhoto>(nullptr);
        photo->SetLogRect(TRect(100, 100, 900, 700));
        TPictureEx picture;
        TSafetyBitmap bitmap(1600, 1200, pf24bit);
        picture.SetGraphic(&bitmap);
        photo->SetPhotoPicture(&picture);
        auto* placed = static_cast<TLOAlbumPhoto*>(EditorSite(editor).AdoptObject(std::move(photo)));
        ASSERT_TRUE(placed->PreparePicture());
        EXPECT_EQ(placed->PhotoImage()->ImageData()->Picture()->Width(), 800) << "shown within the default limit";
    }
    WhenModal([&](QWidget* window) {
        auto* form = qobject_cast<TfrmEnvironment*>(window);
        ASSERT_NE(form, nullptr);
        form->rbDispLimit->click();
        form->udDispLimit->setValue(400);
        form->btnOk->click();
    });
    main->actEnvironment->trigger();
    QCoreApplication::processEvents();

    // The editor was left and entered again: its photo is shown from a copy within 400 pixels.
    editor = HostedEditor(main);
    ASSERT_NE(editor, nullptr);
    TDOList all;
    EditorSite(editor).ListObjects(all, false);
    TLOAlbumPhoto* shown = nullptr;
    for (int i = 0; i < all.Count(); ++i)
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(all[i]))
            shown = photo;
    ASSERT_NE(shown, nullptr) << "the page came back";
    const TPictureEx* copy = shown->PhotoImage()->ImageData()->Picture();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Width(), 400);
    EXPECT_EQ(copy->Height(), 300);
}

} // namespace
