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
    // The first size: this many frames a row, this many rows, and room for the scroll bar and margins
    // and for the browser's bars and the buttons below.
    static constexpr int kFirstColumns = 4;
    static constexpr int kFirstRows = 2;
    static constexpr int kChrome = 48;
    static constexpr int kBarsHeight = 140;
    // Around a thumbnail in the grid: its margins and its caption.
    static constexpr int kCellMargin = 16;
    static constexpr int kCellLabel = 24;

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

protected:
    void showEvent(QShowEvent* event) override;

private:
    void UpdateActions();

    TfrmFrameBrowser* browser_;
    bool cleared_ = false;
    bool placed_ = false;
};
