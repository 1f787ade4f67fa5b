#pragma once
// The print dialog: which sheets of the document to print (all pages, a range with an odd/even
// filter, or the covers), a position adjustment, and whether to stop before every sheet for the
// paper. Its choices live for the rest of the run (never saved); the main window's print command
// reads them through FillPrintSpec.
//
// Sheets: 0 is the front cover, 1 the back cover, s >= 2 is page s - 1.

#include "app/UAppHost.h"

#include <QDialog>
#include <QImage>
#include <functional>
#include <vector>

class QAction;
class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class TLabelData;
class TPrintSpec;

// What the dialog remembers from one opening to the next.
struct TPrintChoices {
    int Mode = 0; // 0 all pages, 1 page range, 2 covers
    QString PageOption;
    QString CoverOption;
    int FirstPage = 1;
    int LastPage = 1;
    bool PaperChangeMsgOff = false; // the check box
    QString PreviewPage;
    int TopOffset = 0;             // 0.1 mm
    int LeftOffset = 0;            // 0.1 mm
    bool NoPaperChangeMsg = false; // in force
    std::vector<bool> SheetFlags;
    // The document the sheet flags were chosen for.
    const TLabelData* FlagsDocument = nullptr;
};

TPrintChoices& PrintChoices();
// Back to the start of a run (tests).
void ResetPrintChoices();
// Fills a new print request from the remembered choices.
void FillPrintSpec(TPrintSpec& spec);
// Some sheet of this document is chosen, and the choice still fits it (it has as many sheets as
// when they were chosen).
bool HasChosenSheets(const TLabelData* document);
// Asks where the PDF-file printer writes the next print: the file it wrote last is offered, else one
// named after the document (documentFileName; empty for an unnamed one). An existing file is replaced
// only when the user says so. False when the user cancelled or declined; the printer's file stays.
bool ChoosePdfOutputFile(const QString& documentFileName);

enum TPageOption { poBoth = 0, poOdd = 1, poEven = 2 };
// The flagged sheets: the covers named by coverText (mode 2), else pages first..last (all pages for
// mode 0) filtered by the odd/even choice (-1 when that choice is disabled).
std::vector<bool> ChooseSheets(int sheetCount, int mode, const QString& coverText, int pageOption,
                               int firstPage, int lastPage);
// A sheet's position in reading order (front cover when present, the pages, back cover when present).
int SheetToPreviewIndex(int sheet, int sheetCount, bool frontCover);
// "表表紙", "裏表紙" or "%dページ".
QString SheetCaption(int sheet);

class TfrmPrintDialog : public QDialog {
    Q_OBJECT

public:
    // host prints and sets the printer up (without one the dialog only shows the choices); the
    // dialog sits over parent, else over the host's window.
    explicit TfrmPrintDialog(IAppHost* host = nullptr, QWidget* parent = nullptr);
    ~TfrmPrintDialog() override;

    QRadioButton* rbAll;
    QRadioButton* rbAssign;
    QRadioButton* rbCover;
    QSpinBox* esStart;
    QSpinBox* esEnd;
    QLabel* lblTilde;
    QLabel* lblPage;
    QComboBox* cbCoverOption;
    QComboBox* cbPageOption;
    QDoubleSpinBox* spnTopMargin;
    QDoubleSpinBox* spnLeftMargin;
    QCheckBox* cbPaperChangeMsg;
    QLabel* imPreview;
    QComboBox* cbPages;
    QLabel* lblPrinter; // the printer the sheets go to, as the printer set-up left it
    QLabel* lblCopies;  // and the copies it makes of each
    QLabel* lblPaperNote; // shown when the printer has no sheet of the paper's size
    QPushButton* btnPrinter;
    QPushButton* btnPrint;
    QPushButton* btnCancel;
    QAction* actPrintStart;

    // The preview of the sheet at a reading-order position.
    std::function<QImage(int index)> OnGetPreview;

    void SetLabelData(TLabelData* document);
    // Recomputes the remembered sheet flags; true when some sheet is chosen.
    bool UpdateSheetFlags();
    void PrintStart();

private:
    void InitControls();
    void ShowPrinter();
    void SelectionChanged();
    void RefreshPageList();
    void ShowPagePreview();
    int SelectedSheet() const;
    QImage PreviewOf(int sheet) const;
    bool ConfirmPaper(int sheet);
    // Runs the main window's print once per chosen sheet set; false when it was aborted.
    bool PrintSheets(bool& printed);
    bool PrintSheetsOneByOne(bool& printed);

    IAppHost* host_;
    TLabelData* document_ = nullptr;
    bool frontCover_ = false;
    bool backCover_ = false;
    bool refreshing_ = false;
};
