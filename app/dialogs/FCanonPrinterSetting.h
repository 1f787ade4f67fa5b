#pragma once
// The page "Canon" of the printer set-up: cartridge, paper type, print quality and borderless
// printing of a Canon printer, read from its driver through the Canon extension and written back
// into the printer configuration's working settings.

#include "core/UInterfaces.h"

#include <QList>
#include <QString>
#include <QWidget>

class QAction;
class QCheckBox;
class QComboBox;
struct ImCanonExtDDI;
struct ImPrinterConfiguration;

struct TCanonSettingState {
    QString QualityNames;
    QString CartridgeNames;
    QString PaperTypeNames;
    QList<int> QualityValues;
    QList<int> CartridgeValues;
    QList<int> PaperTypeValues;
    int QualityIndex = -1;
    int CartridgeIndex = -1;
    int PaperTypeIndex = -1;
    int BorderlessValue = 0;
    bool BorderlessEnabled = false;
    bool BorderlessVisible = false;
    bool operator==(const TCanonSettingState&) const = default;
};

class TframeCanonPrinterSetting : public QWidget {
    Q_OBJECT

public:
    explicit TframeCanonPrinterSetting(QWidget* parent = nullptr);
    ~TframeCanonPrinterSetting() override;

    QComboBox* cmbCartridge;
    QComboBox* cmbPaperType;
    QComboBox* cmbQuality;
    QCheckBox* chkBorderless;
    // Fires on every change the user makes.
    QAction* actChanged;

    void SetConfiguration(ImPrinterConfiguration* configuration);
    bool IsAvailable();
    void SetFullFace(bool value);
    void RefreshControls();
    void ApplyToConfiguration();

    TCanonSettingState ReadState();
    const TCanonSettingState& ShownState() const { return shown_; }

private:
    // Item 4's values, and their names one a line, narrowed to item 24's while item 21 is on.
    QList<int> PaperTypeValuesForBorderless();
    QString PaperTypeNamesForBorderless(const QList<int>& offered);
    bool CanBorderless();
    bool PaperTypeAllowsBorderless();
    bool BorderlessKeepsPaperSize();

    TIntf<ImPrinterConfiguration> configuration_;
    TIntf<ImCanonExtDDI> extension_;
    bool fullFace_ = false;
    TCanonSettingState shown_;
};
