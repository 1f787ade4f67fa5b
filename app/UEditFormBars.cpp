#include "app/UEditFormBars.h"
#include "app/FModeBar.h"
#include "app/UAppHost.h"

#include <QBoxLayout>
#include <QMenu>
#include <QToolBar>

TEditFormBars::TEditFormBars(QWidget* form, IAppHost* host, QBoxLayout* column)
    : form_(form), host_(host), hostWindow_(host ? host->HostWindow() : nullptr) {
    if (host_ == nullptr)
        return;
    // Without these the user could leave the editor, save or print only by shortcut.
    tbMenu = new QToolBar(form);
    tbMenu->setObjectName(QStringLiteral("tbMenu"));
    column->addWidget(tbMenu);
    frameModeBar1 = new TframeModeBarEx(form, host_);
    column->addWidget(frameModeBar1);
    frameModeBar1->EnableEditingSteps();
}

void TEditFormBars::AddMenus(const std::vector<std::pair<const char*, QMenu*>>& menus) {
    if (tbMenu == nullptr)
        return;
    AddMenuButton(tbMenu, "btnFileMenu", QStringLiteral("ファイル(&F)"), host_->FileMenu());
    for (const auto& [name, menu] : menus)
        AddMenuButton(tbMenu, name, menu->title(), menu);
    AddMenuButton(tbMenu, "btnHelpMenu", QStringLiteral("ヘルプ(&H)"), host_->HelpMenu());
}

IAppHost* TEditFormBars::LiveHost() const {
    return hostWindow_ ? host_ : nullptr;
}

void TEditFormBars::ShowStatusPanels(const QStringList& widest) {
    if (IAppHost* host = LiveHost())
        host->SetStatusPanels(form_, widest);
}

bool TEditFormBars::HasStatusPanels() const {
    IAppHost* host = LiveHost();
    return host && host->HasStatusPanels(form_);
}

void TEditFormBars::SetStatusText(int panel, const QString& text) {
    if (IAppHost* host = LiveHost())
        host->SetStatusText(form_, panel, text);
}

void TEditFormBars::ReleaseStatusPanels() {
    if (IAppHost* host = LiveHost())
        host->ReleaseStatusPanels(form_);
}
