#pragma once
// The modal window "イメージの画質調整" in which the user adjusts the filters of one photo's picture
// (brightness, colour, focus) before the photo panel takes them. The window works on its own copy of
// the image data: the caller fills it before showing and reads it back after OK, so Cancel leaves
// the photo as it was.

#include <QDialog>
#include <memory>

class QAction;
class QLabel;
class QPushButton;
class QStatusBar;
class TBroadcastCatcher;
class TFormPanel;
class TImageData;
class TfrmBackEffectEditor;

class TfrmColorAdjuster : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 5023;
    static constexpr int kMinWidth = 630;
    static constexpr int kMinHeight = 460;

    explicit TfrmColorAdjuster(QWidget* parent = nullptr);
    ~TfrmColorAdjuster() override;

    // The window's image data takes all of imageData: picture, filters and transparent colour.
    void SetImageData(const TImageData* imageData);
    // The window's own image data; read it whole after OK.
    TImageData* ImageData() const { return imageData_.get(); }
    // The hosted editor, which does the editing.
    TfrmBackEffectEditor* Editor() const { return editor_; }

    QWidget* PanelEx1;
    TFormPanel* FormPanel1;
    QPushButton* btnOk;
    QPushButton* btnCancel;
    QWidget* pnlHelp;
    QPushButton* btnHelp;
    QWidget* pnlPreview;
    QLabel* lblPreview;
    QStatusBar* StatusBar1;
    TBroadcastCatcher* BroadcastCatcher1;
    // A double-click in the hosted editor confirms the window.
    QAction* actDoubleClick;

private:
    std::unique_ptr<TImageData> imageData_;
    TfrmBackEffectEditor* editor_;
};
