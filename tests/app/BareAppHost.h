#pragma once
// A host with its two menus and one command behind every action, and no data module behind it: what a
// form needs of the main window to be built alone. It counts the calls that reach its status bar; its
// window can be dropped before the form, as the main window's is.

#include "app/UAppHost.h"

#include <QAction>
#include <QMenu>
#include <QWidget>
#include <memory>
#include <vector>

class BareAppHost : public IAppHost {
public:
    std::unique_ptr<QWidget> window = std::make_unique<QWidget>();
    QMenu file{QStringLiteral("ファイル(&F)")}, help{QStringLiteral("ヘルプ(&H)")};
    QAction action;
    std::vector<QIcon> icons;
    QString name;
    int statusCalls = 0;
    bool statusPanels = false;
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
    bool HasStatusPanels(const QObject*) const override { return statusPanels; }
    void SetStatusText(const QObject*, int, const QString&) override { ++statusCalls; }
    void ShowStatusMessage(const QString&) override {}
};
