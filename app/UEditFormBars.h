#pragma once
// What a mode form that edits the document shows of its host: the menu tool bar (the file menu, the
// form's own menus, the help menu, each opened by one click) above the step bar with the editing
// steps on, and the form's panels in the host's status bar. Without a host there are no bars and the
// status calls do nothing; once the host's window is gone they do nothing either, so a form that goes
// after the main window still may call them.

#include <QPointer>
#include <QStringList>
#include <utility>
#include <vector>

class IAppHost;
class QBoxLayout;
class QMenu;
class QString;
class QToolBar;
class QWidget;
class TframeModeBarEx;

class TEditFormBars {
public:
    // The bars go into column, at its end, for form.
    TEditFormBars(QWidget* form, IAppHost* host, QBoxLayout* column);
    TEditFormBars(const TEditFormBars&) = delete;
    TEditFormBars& operator=(const TEditFormBars&) = delete;

    // The menu buttons: the file menu, each (button name, menu) under the menu's title, the help menu.
    void AddMenus(const std::vector<std::pair<const char*, QMenu*>>& menus);

    // The form's panels, each as wide as its widest text (an empty text: the panel takes the rest);
    // none empties the status bar.
    void ShowStatusPanels(const QStringList& widest);
    bool HasStatusPanels() const;
    void SetStatusText(int panel, const QString& text);
    // Takes the form's panels away (another form's stay).
    void ReleaseStatusPanels();

    // Null without a host.
    QToolBar* tbMenu = nullptr;
    TframeModeBarEx* frameModeBar1 = nullptr;

private:
    // The host, while its window is there.
    IAppHost* LiveHost() const;
    QWidget* form_;
    IAppHost* host_;
    QPointer<QWidget> hostWindow_;
};
