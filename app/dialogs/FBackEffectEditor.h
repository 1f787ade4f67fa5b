#pragma once
// The panel in which the user adjusts the effects of a picture held by an image data: brightness,
// contrast, focus (blur or sharpen) and a one-colour tint, either by choosing a ready-made style or
// by setting each value. Every change goes straight into the image data's filters; the data's change
// broadcast brings the panel up to date. The detail preview is made by a worker thread (see
// UEffectPreview), so the UI thread never runs the filters of a large picture.

#include "platform/Color.h"

#include <QImage>
#include <QWidget>
#include <memory>

class QAbstractButton;
class QAction;
class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSlider;
class TBroadcastCatcher;
class TExSpinEdit;
class TImageData;
class TImagePanel;
class TEffectPreviewThread;
class TfrmColorGrid;
class TfrmEffectStyleBrowser;
struct TEffectSource;
struct TEffectStyle;

class TfrmBackEffectEditor : public QWidget {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 5023;
    enum TSetMode { smStyle = 0, smDetail = 1 };
    // The tints of the radio buttons.
    static constexpr TColor kWhiteTint = 0xFFFFFF;
    static constexpr TColor kSepiaTint = 0x6680A0;
    static constexpr TColor kInitialCustomTint = 0xC0C0C0;

    explicit TfrmBackEffectEditor(QWidget* parent = nullptr);
    // Remembers the mode for the next editor.
    ~TfrmBackEffectEditor() override;

    // The data to edit (not owned; nullptr: none). It must outlive the editor or be unset first.
    void SetImageData(TImageData* data);
    TImageData* ImageData() const { return data_; }
    // Run by a double-click on a style when a style is selected (not owned).
    void SetDblClickAction(QAction* action) { hostDblClick_ = action; }

    int SetMode() const;
    void SetSetMode(int mode);
    TColor CustomColor() const { return customColor_; }
    // The rgBlur item that shows a blur count, and the blur count an item sets.
    static int BlurItemOfCount(int count);
    static int BlurCountOfItem(int item);

    // The mode chosen last, for the run (tests reset it).
    static int& RememberedMode();

    TfrmEffectStyleBrowser* StyleBrowser() const { return styleBrowser_; }
    TEffectPreviewThread* PreviewThread() const { return previewThread_.get(); }
    // The colour grid under btnMTColor, made on first use.
    TfrmColorGrid* ColorGrid() const { return colorGrid_; }
    // The number of the last preview shown in ipEffect (0: none yet); previews are numbered as
    // they are asked for.
    quint64 ShownPreview() const { return shownPreview_; }
    quint64 RequestedPreview() const { return requestedPreview_; }
    const QImage& PreviewImage() const { return previewImage_; }

    QGroupBox* rgSetMode;
    QButtonGroup* grpSetMode;
    QWidget* pnlStyle;
    QWidget* pnlDetail;
    QSlider* tbBrightness;
    TExSpinEdit* seBrightness;
    QSlider* tbContrast;
    TExSpinEdit* seContrast;
    QGroupBox* rgBlur;
    QButtonGroup* grpBlur;
    QGroupBox* gbMonoTone;
    QRadioButton* rbMTNone;
    QRadioButton* rbMTWhite;
    QRadioButton* rbMTSepia;
    QRadioButton* rbMTNoneColors;
    QPushButton* btnMTColor;
    QLabel* lblEffect;
    TImagePanel* ipEffect;
    TBroadcastCatcher* BroadcastCatcher1;
    TBroadcastCatcher* PictureCatcher;
    QAction* actClickStyle;
    QAction* actDoubleClickStyle;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void DataChanged();
    void ShowValues();
    void ShowCustomColor();
    void RequestPreview();
    void PreviewReady(const QImage& image, quint64 serial);
    void BrightnessEdited();
    void ContrastEdited();
    void TintClicked(QAbstractButton* button);
    void ColorButtonClicked();
    void ClickStyle();
    void DoubleClickStyle();

    TImageData* data_ = nullptr;
    TfrmEffectStyleBrowser* styleBrowser_ = nullptr;
    TfrmColorGrid* colorGrid_ = nullptr;
    QAction* hostDblClick_ = nullptr;
    std::unique_ptr<TEffectPreviewThread> previewThread_;
    std::shared_ptr<const TEffectSource> source_;
    TColor customColor_ = kInitialCustomTint;
    bool applyingStyle_ = false;
    bool previewOutOfDate_ = true;
    bool sourceOutOfDate_ = true;
    bool showing_ = false;
    quint64 requestedPreview_ = 0;
    quint64 shownPreview_ = 0;
    QImage previewImage_;
};
