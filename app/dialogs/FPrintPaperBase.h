#pragma once
// The print step as the main window's mode: the file and help menus, the step bar on the print step,
// and the panel that previews the sheets and opens the print dialog.

#include "app/UAppHost.h"

#include <QWidget>

class QToolBar;
class QToolButton;
class TFormPanel;
class TfrmPrintPaperPanel;
class TframeModeBarEx;

class TfrmPrintPaperBase : public QWidget {
    Q_OBJECT

public:
    explicit TfrmPrintPaperBase(IAppHost* host);

    QToolBar* tbMenu;
    QToolButton* btnFileMenu;
    QToolButton* btnHelpMenu;
    TframeModeBarEx* frameModeBar1;
    TFormPanel* FormPanel1;
    TfrmPrintPaperPanel* Panel() const { return panel_; }

    // The document is about to be replaced: the panel lets go of it.
    void DetachDocument();
    // After the printer set-up: the browser re-reads its tiles (the rendered previews stay).
    void RefreshPreview();
    // Opens the print dialog, as the panel's "印刷..." button does.
    void OpenPrintDialog();

private:
    TfrmPrintPaperPanel* panel_;
};
