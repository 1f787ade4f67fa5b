#pragma once
// The layout editor: the mode form in which the user edits one page of the document. It shows face
// CurrentLabelNo of the current sheet on a draw site inside a centring scroll box with millimetre
// rulers, loads each page from the document (paper images, photo frames on a page's first visit, the
// stored objects) and writes it back whenever the page changes, the mode is left or the document is
// saved.

#include "app/FMain.h"
#include "papers/ULabelData.h"
#include "papers/faces/UFaceInfo.h"

#include <QString>
#include <QWidget>
#include <memory>

class QLabel;
class TComponent;
class TDrawSite;
class TExScrollBox;
class TRuler;

// ---- the editor's rules, free of the form

// Whether a sheet is printed on the back side of the paper: never for front-only documents, always
// for back-only ones; for two-sided ones alternate sheets, starting from the covers' sides.
bool IsBackSidePage(TFaceSides sides, bool landscape, int sheetIndex);

// The page strip shows the front cover (when used) first, the inner pages in sheet order, and the back
// cover (when used) last.
int PageStripCellCount(int sheetCount, bool frontCover, bool backCover);
int PageStripColToSheet(int col, int sheetCount, bool frontCover, bool backCover);
int PageStripSheetToCol(int sheet, int sheetCount, bool frontCover, bool backCover);
// The caption of a page strip cell: "表", "裏" or the page number.
QString PageStripCaption(int col, int sheetCount, bool frontCover, bool backCover);
// The page label: "表表紙", "裏表紙" or "page/pages".
QString PageLabelText(int sheet, int sheetCount, bool frontCover, bool backCover);

// Zoom steps in percent, ascending.
const std::vector<int>& LayoutZoomSteps();
// The first step above (magnify) or below (reduce) the scale; the scale itself when there is none.
int NextZoomStep(int scale, bool magnify);
// An automatic scale never goes below 1 %: a view shrunk to nothing would fit at 0.
int ClampAutoScale(int fitScale);

// A length in tenths of a millimetre as "12.3mm" ("-0.5mm" for negatives).
QString FormatTenthsMm(int tenths);

class TfrmLayout : public QWidget, public IModeForm {
    Q_OBJECT

public:
    explicit TfrmLayout(QWidget* parent = nullptr);
    ~TfrmLayout() override;

    // ---- the main window's interface
    void AttachDocument(TLabelData* document) override;
    // Writes the site's objects into the current face when the site was modified.
    void StorePage() override;
    bool IsModified() const override;
    void SetModified(bool value) override;

    void ReloadPage();
    // CommitPage then LoadPage onto sheet index (only the strip is refreshed for the current one).
    void GoToPage(int index);
    void LoadPage();
    // A page whose frames were just created is written even when the user changed nothing.
    void CommitPage();
    void CreatePhotoFrames();
    void UpdateLogicalSize();
    void UpdatePageLabel();

    // ---- zoom
    bool AutoScale() const { return autoScale_; }
    // A step's scale (auto scale goes off).
    void SetZoom(int scale);
    void SetAutoScale();
    void Magnify();
    void Reduce();
    int Scale() const;
    // Re-lays the site in the scroll box: an automatic scale fits the page to the view.
    void Relayout();

    TLabelData* Document() const { return document_; }
    const TFaceInfo& FaceInfo() const { return faceInfo_; }

    TDrawSite* DrawSite1 = nullptr;
    TExScrollBox* ScrollBox1 = nullptr;
    TRuler* rulerTop = nullptr;
    TRuler* rulerLeft = nullptr;
    QLabel* lblPage = nullptr;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void PlacePaperImages();
    void SiteAdjusted();

    std::unique_ptr<TComponent> components_;
    TLabelData* document_ = nullptr;
    TFaceInfo faceInfo_;
    int lastPageLabelSheet_ = -1;
    bool autoScale_ = true;
};

// Makes the layout editor the main window's layout mode form.
void RegisterLayoutEditor();
