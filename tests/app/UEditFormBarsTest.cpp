// The menu and step bars of an editing form and its panels in the host's status bar.

#include "app/FModeBar.h"
#include "app/UAppHost.h"
#include "app/UEditFormBars.h"
#include "controls/UExButtons.h"
#include "tests/app/BareAppHost.h"

#include <QAction>
#include <QMenu>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>

namespace {

// A host whose status bar keeps the panels it was given.
struct StatusHost : BareAppHost {
    StatusHost() { statusPanels = true; }
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
