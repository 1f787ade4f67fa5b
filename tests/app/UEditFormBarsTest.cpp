// The menu and step bars of an editing form and its panels in the host's status bar.

#include "app/FModeBar.h"
#include "app/UAppHost.h"
#include "app/UEditFormBars.h"
#include "controls/UExButtons.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A host that counts what reaches its status bar.
class StatusHost : public IAppHost {
public:
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QMenu file{QStringLiteral("ファイル(&F)")}, help{QStringLiteral("ヘルプ(&H)")};
    QAction action;
    std::vector<QIcon> icons;
    QString name;
    int statusCalls = 0;
    QWidget* HostWindow() override { return window.get(); }
    QMenu* FileMenu() const override { return const_cast<QMenu*>(&file); }
    QMenu* HelpMenu() const override { return const_cast<QMenu*>(&help); }
    QAction* Action(THostAction) const override { return const_cast<QAction*>(&action); }
    const std::vector<QIcon>& CommandIcons() const override { return icons; }
    TMatrixImagePack* CommandImages() const override { return nullptr; }
    TMatrixImagePack* ModeBarImages() const override { return nullptr; }
    TLabelData* Document() const override { return nullptr; }
    TLabelData* LeftDocument() const override { return nullptr; }
    bool ReturnToLeftDocument() override { return false; }
    bool NewDocument() override { return false; }
    const QString& FileName() const override { return name; }
    bool ClearModified() override { return true; }
    bool EnterModeKind(TModeKind, bool) override { return false; }
    bool PrintDocument() override { return false; }
    void EditObject(TObject*) override {}
    void ReportUnreadPart(const QString&) override {}
    void SetStatusPanels(const QObject*, const QStringList&) override { ++statusCalls; }
    void ReleaseStatusPanels(const QObject*) override { ++statusCalls; }
    bool HasStatusPanels(const QObject*) const override { return true; }
    void SetStatusText(const QObject*, int, const QString&) override { ++statusCalls; }
    void ShowStatusMessage(const QString&) override {}
};

TEST(EditFormBarsTest, TheFileMenuLeadsTheHelpMenuEndsAndTheStatusGoesQuietWithTheHostsWindow) {
    StatusHost host;
    QWidget form;
    auto* column = new QVBoxLayout(&form);
    TEditFormBars bars(&form, &host, column);
    ASSERT_NE(bars.tbMenu, nullptr);
    ASSERT_NE(bars.frameModeBar1, nullptr);
    EXPECT_TRUE(bars.frameModeBar1->btnEdit->isEnabled());
    QMenu edit(QStringLiteral("編集(&E)"));
    bars.AddMenus({{"btnEditMenu", &edit}});
    std::vector<QMenu*> menus;
    for (QToolButton* button : bars.tbMenu->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly))
        // The tool bar's own overflow button aside.
        if (button->objectName().startsWith(QLatin1String("btn"))) {
            menus.push_back(button->menu());
            EXPECT_EQ(button->text(), button->menu()->title());
        }
    EXPECT_EQ(menus, (std::vector<QMenu*>{&host.file, &edit, &host.help}));

    bars.ShowStatusPanels({QStringLiteral("999%"), QString()});
    bars.SetStatusText(0, QStringLiteral("100%"));
    EXPECT_TRUE(bars.HasStatusPanels());
    EXPECT_EQ(host.statusCalls, 2);
    // The main window went first (its forms are deleted later): nothing reaches the host any more.
    host.window.reset();
    bars.SetStatusText(0, QStringLiteral("100%"));
    bars.ReleaseStatusPanels();
    EXPECT_FALSE(bars.HasStatusPanels());
    EXPECT_EQ(host.statusCalls, 2);

    // Without a host: no bars, and the status calls do nothing.
    QWidget bare;
    TEditFormBars none(&bare, nullptr, new QVBoxLayout(&bare));
    EXPECT_EQ(none.tbMenu, nullptr);
    none.AddMenus({{"btnEditMenu", &edit}});
    none.ShowStatusPanels({QStringLiteral("x")});
    EXPECT_FALSE(none.HasStatusPanels());
}

} // namespace
