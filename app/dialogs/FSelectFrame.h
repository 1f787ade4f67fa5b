#pragma once
// The modal window "フレームの選択" in which the user picks a frame for a photo, or no frame. The photo
// property panel opens it; it embeds the frame browser.

#include <QDialog>
#include <QString>

class QAction;
class QPushButton;
class QStatusBar;
class TFormPanel;
class TfrmFrameBrowser;

class TfrmSelectFrame : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 5054;

    explicit TfrmSelectFrame(QWidget* parent = nullptr);
    ~TfrmSelectFrame() override;

    QWidget* pnlBase;
    TFormPanel* FormPanel1;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    QPushButton* btnClear;
    QWidget* pnlHelp;
    QPushButton* btnHelp;
    QStatusBar* StatusBar1;
    QAction* actOK;

    TfrmFrameBrowser* FrameBrowser() const { return browser_; }
    // Empty after "フレームなし", else the frame browser's frame file.
    QString GetFrameFile() const;
    QString GetShadowFile() const;
    bool IsAlphaFrame() const;

private:
    void UpdateActions();

    TfrmFrameBrowser* browser_;
    bool cleared_ = false;
};
