#pragma once
// The start menu: the mode form shown on a start without a document and when the user returns to the
// start. Three big buttons (new, open, exit) under the logo, the file and help menus, and the step bar
// with the start step current.

#include "app/UAppHost.h"

#include <QWidget>
#include <memory>

class QAction;
class QToolBar;
class QToolButton;
class TBitmapButton;
class TComponent;
class TFormPanel;
class TImageEx;
class TframeModeBarEx;

// The inner form: logo and buttons. Each button runs the action the base form hands it.
class TfrmStartMenu : public QWidget {
    Q_OBJECT

public:
    explicit TfrmStartMenu(QWidget* parent = nullptr);
    ~TfrmStartMenu() override;

    TImageEx* imgLogoStart;
    TBitmapButton* btnNew;
    TBitmapButton* btnOpen;
    TBitmapButton* btnExit;
    QAction* NewAction = nullptr;
    QAction* OpenAction = nullptr;
    QAction* ExitAction = nullptr;

private:
    std::unique_ptr<TComponent> packs_;
};

class TfrmStartMenuBase : public QWidget {
    Q_OBJECT

public:
    explicit TfrmStartMenuBase(IAppHost* host);

    QToolBar* tbMenu;
    QToolButton* btnFileMenu;
    QToolButton* btnHelpMenu;
    TframeModeBarEx* frameModeBar1;
    TFormPanel* FormPanel1;
    QAction* actNew;
    QAction* actOpen;
    QAction* actExit;
    TfrmStartMenu* Inner() const { return inner_; }

private:
    TfrmStartMenu* inner_;
};
