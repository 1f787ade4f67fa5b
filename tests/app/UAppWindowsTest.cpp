#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/FSheet.h"
#include "app/UModeForm.h"
#include "app/UModeRegistry.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULORect.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class HostedModeFormTest : public AppFixture {
protected:
    void SetUp() override {
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
    }
    TfrmMain* main = nullptr;
};

// The forms do not derive from the mode form interface: what the main window asks must still reach
// the real form registered at start-up, and the answer come back from it.
TEST_F(HostedModeFormTest, TheMainWindowsRequestsReachTheRealForms) {
    main->actNew->trigger();
    ASSERT_EQ(main->HostedKind(), mkPaper);
    ASSERT_NE(main->HostedMode(), nullptr);
    EXPECT_EQ(main->HostedMode()->HasPageContent(), std::nullopt) << "paper selection leaves it to the document";

    main->actLayout->trigger();
    auto* editor = qobject_cast<TfrmLayout*>(main->HostedForm());
    ASSERT_NE(editor, nullptr);
    IModeForm* mode = main->HostedMode();
    ASSERT_NE(mode, nullptr);
    mode->SetModified(true);
    EXPECT_TRUE(editor->IsModified());
    editor->SetModified(false);
    EXPECT_FALSE(mode->IsModified());
    EXPECT_EQ(mode->HasPageContent(), std::optional<bool>(false));
    auto rect = std::make_unique<TLORect>(nullptr);
    rect->SetLogRect(TRect(100, 200, 600, 500));
    editor->DrawSite1->AdoptObject(std::move(rect));
    EXPECT_EQ(mode->HasPageContent(), std::optional<bool>(true));
    QTemporaryDir folder;
    const QString picture = folder.filePath(QStringLiteral("dot.png"));
    QImage dot(8, 8, QImage::Format_RGB32);
    dot.fill(Qt::red);
    ASSERT_TRUE(dot.save(picture));
    EXPECT_TRUE(mode->InsertPicture(picture));

    // The stored page and the document reach the sheet window through its own link.
    main->actSheet->trigger();
    auto* sheet = qobject_cast<TfrmSheet*>(main->HostedForm());
    ASSERT_NE(sheet, nullptr);
    EXPECT_NE(main->HostedMode(), mode);
    EXPECT_EQ(sheet->Document(), main->Document());
    EXPECT_TRUE(main->Document()->Modified()) << "the editor's rectangle was written into the document";
}

} // namespace
