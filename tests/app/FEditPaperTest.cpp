// Adding and editing papers from paper selection on the main window with the shipped papers: the
// extended switch, the paper wizard's pages driven by keys and clicks, and what the store keeps.

#include "app/DMain.h"
#include "app/FMain.h"
#include "app/FModeBar.h"
#include "app/dialogs/FPaperSelectBase.h"
#include "app/dialogs/FPaperSelectPanel.h"
#include "core/UAppFrame.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QGroupBox>
#include <QMenu>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {

class StandInLayout : public QWidget, public IModeForm {
public:
    explicit StandInLayout(QWidget* parent) : QWidget(parent) {}
};

class EditPaperTest : public AppFixture {
protected:
    void SetUp() override {
        main = StartMainWindow(
            [] { RegisterModeForm(mkLayout, [](TfrmMain* main) { return new StandInLayout(main); }); });
        ASSERT_NE(main, nullptr);
        QApplication::setActiveWindow(main);
    }
    void TearDown() override {
        SetAdvancedPaperMode(false);
        data.reset();
        RegisterModeForm(mkLayout, {});
        TframeModeBarEx::ResetCurrentStep();
    }
    TfrmPaperSelectBase* EnterPaperSelection() {
        main->actNew->trigger();
        auto* base = qobject_cast<TfrmPaperSelectBase*>(main->HostedForm());
        if (base)
            RunLoopUntil([&] { return base->isVisible(); });
        return base;
    }

    TfrmMain* main = nullptr;
};

} // namespace

TEST_F(EditPaperTest, TheExtendedSwitchIsOfferedOnlyWithTheSpecialMenuAndShowsTheEditingButtons) {
    TfrmPaperSelectBase* base = EnterPaperSelection();
    ASSERT_NE(base, nullptr);
    TfrmPaperSelectPanel* panel = base->Panel();
    emit main->popupHelp->aboutToShow();
    EXPECT_FALSE(main->actAdvancedPaper->isVisible()) << "hidden without EnableSpecialMenu";
    EXPECT_FALSE(panel->gbEditPaper->isVisible());

    WriteSettingBool(QStringLiteral("EnableSpecialMenu"), true);
    emit main->popupHelp->aboutToShow();
    ASSERT_TRUE(main->actAdvancedPaper->isVisible());
    EXPECT_FALSE(main->actAdvancedPaper->isChecked());
    main->actAdvancedPaper->trigger();
    EXPECT_TRUE(AdvancedPaperMode());
    EXPECT_TRUE(panel->gbEditPaper->isVisible()) << "the hosted panel refreshed its buttons";
    main->actAdvancedPaper->trigger();
    EXPECT_FALSE(AdvancedPaperMode());
    EXPECT_FALSE(panel->gbEditPaper->isVisible());
    emit main->popupHelp->aboutToShow();
    EXPECT_FALSE(main->actAdvancedPaper->isChecked());
    WriteSettingBool(QStringLiteral("EnableSpecialMenu"), false);
}
