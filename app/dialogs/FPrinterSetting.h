#pragma once
// The printer set-up: which printer prints (the print system's queues and the PDF-file printer),
// its paper form and orientation, and the driver's own page set-up. The dialog works on a printer
// configuration of its own; only OK makes it the current printer.

#include "core/UInterfaces.h"

#include <QDialog>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QStackedWidget;
class TPaperInfo;
class TframeCanonPrinterSetting;
class TframeEpsonPrinterSetting;
struct ImPaperPrintSetting;
struct ImPrinterConfiguration;
struct ImPrinterForm;

// The paper list's lines: every form's name, the user size (code 256) as "ユーザー定義(W x Hmm)".
QStringList PaperFormLines(ImPrinterForm& forms);
// The user-size form's line (paper code 256) named with its millimetres.
void NameUserSizeForm(ImPrinterForm& forms, QStringList& lines);
// Sets the combo box's items to lines, only when they differ.
void SetComboItems(QComboBox* combo, const QStringList& lines);
// The paper has exactly one face and it is as wide or as tall as the paper.
bool PaperFillsItsFace(const TPaperInfo* paper);
// The sorted printer names without repeats.
QStringList SortedPrinterNames(const QStringList& printers);

class TfrmPrinterSetting : public QDialog {
    Q_OBJECT

public:
    explicit TfrmPrinterSetting(QWidget* parent = nullptr);
    ~TfrmPrinterSetting() override;

    QComboBox* cmbPrinter;
    QLabel* lblPort;
    QLabel* lblPdfNote;
    QPushButton* btnProperty;
    QComboBox* cmbPaper;
    QRadioButton* rbPortrait;
    QRadioButton* rbLandscape;
    QLabel* imgPrinter;
    QLabel* imgPortrait;
    QLabel* imgLandscape;
    QStackedWidget* nbVendor;
    TframeCanonPrinterSetting* frameCanon;
    TframeEpsonPrinterSetting* frameEpson;
    QPushButton* btnOK;
    QPushButton* btnCancel;

    // The paper-print setting (not owned, may be null), the document's paper and its paper source
    // flag, used when another printer is chosen; fullFace is for the vendor settings.
    void Setup(ImPaperPrintSetting* paperPrintSetting, const TPaperInfo* paper, uint8_t paperSourceFlag,
               bool fullFace);
    ImPrinterConfiguration* Configuration() const { return configuration_.get(); }
    const QStringList& PrinterNames() const { return printerNames_; }

    void ListPrinters();
    void FillPrinterCombo();
    void RefreshFromConfiguration();
    void ChangePrinter();
    void ApplyDialogToConfiguration();
    // The print system's printers changed (or may have): the list is read again, and a printer gone
    // meanwhile gives way to the current one.
    void PrintersChanged();
    void done(int result) override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SelectCurrentPrinter();
    void ShowPaper();
    void ShowOrientation();
    void ShowPrinterNote();
    void SetFramesConfiguration();

    TIntf<ImPrinterConfiguration> configuration_;
    QStringList printerNames_;
    ImPaperPrintSetting* paperPrintSetting_ = nullptr;
    const TPaperInfo* paper_ = nullptr;
    uint8_t paperSourceFlag_ = 0;
    bool fullFace_ = false;
    bool updating_ = false;
};

// "このプリンタではBrisko印刷設定をご使用になれません。..."
QString VendorUnavailableText();
// The note shown while no print queue exists.
QString NoQueueText();
