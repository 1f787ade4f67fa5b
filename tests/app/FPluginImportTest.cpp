// The plug-in window as the illustration panel makes it on the real editor: the data module's
// plug-ins from the program's "Plugins" folder, the test plug-in's picture, and the warning without
// any.

#include "app/dialogs/FPluginImport.h"

#include "AppTestSupport.h"
#include "app/FAMIllust.h"
#include "app/FMain.h"
#include "controls/UImagePanel.h"
#include "platform/Bitmap.h"
#include "platform/Exception.h"
#include "platform/Picture.h"
#include "tests/core/plugins/TestPluginProtocol.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLibrary>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class PluginImportTest : public AppFixture {
protected:
    TfrmPluginImprt* PluginWindow() {
        TfrmMain* main = StartMainWindow();
        EXPECT_NE(main, nullptr);
        TfrmLayout* editor = main ? OpenLayoutEditor(main) : nullptr;
        if (editor == nullptr)
            return nullptr;
        TriggerEditorAction(editor, "actModeIllust");
        auto* panel = dynamic_cast<TfrmAMIllust*>(EditorPanel(editor));
        return panel ? panel->PluginImport() : nullptr;
    }
};

} // namespace

TEST_F(PluginImportTest, TheTestPluginsPictureShowsAndAFailureChangesNothing) {
    const QString folder = QDir(ExeDir()).filePath(QStringLiteral("Plugins"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString library = QDir(folder).filePath(QStringLiteral("libgenerator.so"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUORLANE_TEST_PLUGIN), library));
    TfrmPluginImprt* window = PluginWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->pnlWarning->isVisibleTo(window));
    ASSERT_EQ(window->cmbPlugins->count(), 1);
    EXPECT_EQ(window->cmbPlugins->itemText(0), QStringLiteral("テスト取り込み"));
    ASSERT_TRUE(window->btnExecPlugin->isEnabled());

    QLibrary plugin(library);
    auto setRunResult = reinterpret_cast<TTestPluginSetRunResult>(plugin.resolve(kTestPluginSetRunResult));
    ASSERT_NE(setRunResult, nullptr);
    setRunResult(0);
    window->btnExecPlugin->click();
    EXPECT_EQ(window->GetPicture().Graphic(), nullptr) << "nothing made, nothing shown";

    setRunResult(1);
    window->btnExecPlugin->click();
    auto* bitmap = dynamic_cast<TBitmap*>(window->GetPicture().Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Width(), kTestPluginWidth);
    EXPECT_EQ(bitmap->Height(), kTestPluginHeight);
    // TColor is 0xBBGGRR.
    const uint32_t rgb = kTestPluginColour;
    EXPECT_EQ(bitmap->GetPixel(5, 7), TColor(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | (rgb >> 16)));

    setRunResult(-1);
    EXPECT_THROW(window->ExecPlugin(), EOleSysError);
    EXPECT_EQ(window->GetPicture().Width(), kTestPluginWidth) << "a failure keeps the picture";
    setRunResult(1);
}

TEST_F(PluginImportTest, WithoutPluginsTheWindowWarnsAndOffersNothing) {
    TfrmPluginImprt* window = PluginWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->pnlWarning->isVisibleTo(window));
    EXPECT_TRUE(window->pnlWarning->text().startsWith(QStringLiteral("画像生成プラグインが見つかりません")));
    EXPECT_FALSE(window->cmbPlugins->isEnabled());
    EXPECT_FALSE(window->btnExecPlugin->isEnabled());
}
