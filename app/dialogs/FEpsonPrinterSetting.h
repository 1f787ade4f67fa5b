#pragma once
// The page "Epson" of the printer set-up: paper type with a recommended quality level (one driver
// setting) and borderless printing (a paper source of the DEVMODE) of an Epson printer, through the
// Epson extension. Custom driver settings are shown, not changed.

#include "core/UInterfaces.h"

#include <QList>
#include <QString>
#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
struct ImEpsonEPDI;
struct ImPrinterConfiguration;

struct TEpsonSettingState {
    QString PaperTypeNames;
    QList<int> PaperTypeValues;
    int PaperTypeIndex = -1;
    int QualityMax = 0;
    int QualityLevel = 0;
    int PaperSource = 7;
    bool BorderlessEnabled = false;
    bool BorderlessVisible = false;
    bool operator==(const TEpsonSettingState&) const = default;
};

class TframeEpsonPrinterSetting : public QWidget {
    Q_OBJECT

public:
    explicit TframeEpsonPrinterSetting(QWidget* parent = nullptr);
    ~TframeEpsonPrinterSetting() override;

    QComboBox* cmbPaperType;
    QWidget* pnlQuality;
    QSlider* tbQuality;
    QWidget* pnlCustom;
    QLabel* lblCustomPaperType;
    QLabel* lblNoRecommended;
    QCheckBox* chkBorderless;
    QAction* actChanged;

    void SetConfiguration(ImPrinterConfiguration* configuration);
    bool IsAvailable();
    void SetFullFace(bool value);
    void RefreshControls();
    void ApplyToConfiguration();

    TEpsonSettingState ReadState();
    const TEpsonSettingState& ShownState() const { return shown_; }

private:
    bool CanBorderless();
    bool PaperTypeAllowsBorderless(int paperType);
    bool BorderlessKeepsPaperSize();

    TIntf<ImPrinterConfiguration> configuration_;
    TIntf<ImEpsonEPDI> extension_;
    bool fullFace_ = false;
    TEpsonSettingState shown_;
};
