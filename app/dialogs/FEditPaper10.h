#pragma once
// The paper wizard: page 1 names the paper, its use, maker and sheet size, and drives the later
// pages (the layout choice, then the grid or the free faces) as modal dialogs of their own. The
// wizard works on copies; the caller stores the result.

#include "papers/printing/UmPrinterForm.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QComboBox;
class QFontMetrics;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class TComponent;
class TExAlbumInfo;
class TExPaperInfo;
class TExSpinEdit;
class TFreePaperInfo;
class TImagePaperInfo;
class TMatrixPaperInfo;
class TPaperInfo;
class TPaperSite;
class TPapers;
class TPapersV2;

// text cut at its end, "..." appended, until it fits width pixels.
QString ShortenToWidth(const QString& text, const QFontMetrics& metrics, int width);
// The first "ユーザー用紙%d" (1, 2, ...) that names no paper of papers.
QString NewUserPaperName(const TPapers& papers);

class TfrmEditPaper10 : public QDialog {
    Q_OBJECT

public:
    explicit TfrmEditPaper10(QWidget* parent = nullptr);
    ~TfrmEditPaper10() override;

    QLabel* lblSourceKind;
    QLabel* lblSource;
    QLineEdit* edtName;
    QComboBox* cbGroup;
    QComboBox* cbMaker;
    QComboBox* cbSheet;
    TExSpinEdit* seWidth;
    TExSpinEdit* seHeight;
    QGroupBox* gbExtended;
    QComboBox* cbPurpose;
    QCheckBox* chkReadOnly;
    TExSpinEdit* seLeftMargin;
    QCheckBox* chkCanReverse;
    QLineEdit* edtPaperMemo;
    QCheckBox* chkFullPaint;
    QWidget* pnlPreview;
    TPaperSite* PaperSite;
    QPushButton* btnCancel;
    QPushButton* btnBack;
    QPushButton* btnNext;
    QPushButton* btnFinish;

    // Fills the page from a copy of paper; papers is borrowed and outlives the wizard.
    void Setup(const TPaperInfo& paper, TPapersV2& papers, bool isNew);
    // The working paper: the grid or the free one, as the layout choice says.
    TPaperInfo* GetResultPaper() const;
    bool IsMatrix() const { return isMatrix_; }
    TExPaperInfo& ExtraInfo() const { return *exInfo_; }
    TImagePaperInfo& PaperImages() const { return *images_; }
    TExAlbumInfo& AlbumInfo() const { return *album_; }
    // The page dialog open now (2 to 4), null on page 1.
    QDialog* CurrentPage() const { return page_; }

    void CollectPaper();
    // The first failing rule's message shown; false then.
    bool ValidatePage();
    // Pages 2 and 3 until one is finished or cancelled, or page 1 is shown again.
    void RunPages();

    // Page 1 stays modal while it hides for the later pages (a plain dialog's loop would end).
    int exec() override;

private:
    void SizeChanged();
    void SheetChosen();
    void SelectSheetOfSize();
    void ShowPreview();
    void Finish();

    std::unique_ptr<TComponent> owner_;
    std::unique_ptr<TMatrixPaperInfo> matrix_;
    std::unique_ptr<TFreePaperInfo> free_;
    std::unique_ptr<TExPaperInfo> exInfo_;
    std::unique_ptr<TImagePaperInfo> images_;
    std::unique_ptr<TExAlbumInfo> album_;
    TIntf<ImPrinterForm> forms_;
    TPapersV2* papers_ = nullptr;
    QDialog* page_ = nullptr;
    bool isMatrix_ = true;
    bool isNew_ = true;
    bool extended_ = false;
    bool sizeGuard_ = false;
};
