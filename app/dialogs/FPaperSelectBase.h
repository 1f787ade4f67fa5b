#pragma once
// Paper selection as the main window's mode: the menus, the step bar on the paper step, and the
// panel that does the work. Going on puts the chosen paper into the document and enters the layout
// editor.

#include "app/UAppHost.h"

#include <QWidget>

class QAction;
class QMenu;
class QToolBar;
class QToolButton;
class TFormPanel;
class TfrmPaperSelectPanel;
class TframeModeBarEx;

class TfrmPaperSelectBase : public QWidget {
    Q_OBJECT

public:
    explicit TfrmPaperSelectBase(IAppHost* host);

    QToolBar* tbMenu;
    QToolButton* btnFileMenu;
    QToolButton* btnEditMenu;
    QToolButton* btnHelpMenu;
    QMenu* mnuEditPaper;
    QAction* mnuNewPaper;
    QAction* mnuEditPaperItem;
    QAction* mnuDeletePaper;
    TframeModeBarEx* frameModeBar1;
    TFormPanel* FormPanel1;
    QAction* actNext;
    // Null while there is no paper database to choose from.
    TfrmPaperSelectPanel* Panel() const { return panel_; }

    // The chosen paper goes into the document and the layout editor follows; false when nothing
    // was accepted or the user kept the old document.
    bool GoToLayout();
    void UpdatePanelButtons();
    void ResetPapers();

protected:
    void showEvent(QShowEvent* event) override;

private:
    bool Fix();
    // The selected paper's name, orientation and face side.
    QString CurrentChoice() const;
    bool ReturnUnchanged();

    IAppHost* host_;
    TfrmPaperSelectPanel* panel_ = nullptr;
    bool shown_ = false;
    QString shownChoice_;
};

// What paper selection says when the paper database is not there: "用紙情報が読み込まれていないため、
// 用紙を選択できません".
QString NoPaperStoreText();
