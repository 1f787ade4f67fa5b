#pragma once
// The paper wizard's last page for a grid of equal faces (TfrmEditPaper30), the fields it shares
// with the page of free faces (bleed, purpose, shape, hole, corners, photo size, the paper's
// pattern), and the checks that finish either page: no face may leave the paper or overlap
// another (touching is fine).

#include <QDialog>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

#include "papers/faces/UFaceInfo.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QVBoxLayout;
class QGridLayout;
class TComponent;
class TDrawSite;
class TExAlbumInfo;
class TExSpinEdit;
class TImagePaperInfo;
class TMatrixPaperInfo;
class TPaperInfo;
class TPapersV2;
class TPurposeList;

// What the finish checks found: the face concerned and, for an overlap, the earlier face it meets
// (indices from 0; the message counts from 1).
struct TFaceCheck {
    int Face = -1;
    int Other = -1;
    QString Message;
    bool Passed() const { return Face < 0; }
};
TFaceCheck CheckPaperFaces(const TPaperInfo& paper);

// The shapes a purpose allows, in shape order: all six for an empty mask or a purpose the list
// does not hold.
std::vector<TFaceShape> ShapesForPurpose(const TPurposeList& purposes, const QString& purposeId);

// The fields both last pages share; the page's own paper is the subclass's.
class TEditPaperPage : public QDialog {
    Q_OBJECT

public:
    explicit TEditPaperPage(QWidget* parent);
    ~TEditPaperPage() override;

    QLabel* lblPaperName;
    QLabel* lblSheet;
    QLabel* lblPurposeText;
    TExSpinEdit* seFaceMargin;
    QComboBox* cbPurpose;
    QComboBox* cbShape;
    QLabel* lblCutCenter;
    TExSpinEdit* seCutCenter;
    QLabel* lblRoundSize;
    TExSpinEdit* seRoundSize;
    QComboBox* cbPhotoSize;
    QCheckBox* chkLabelFixed;
    QPushButton* btnAddPattern;
    QPushButton* btnDeletePattern;
    QPushButton* btnCancel;
    QPushButton* btnBack;
    QPushButton* btnNext;
    QPushButton* btnFinish;

    void SetExtended(bool value);
    void SetPaperImages(const TImagePaperInfo& images);
    void SetHeaders(const QString& paperName, const QString& sheet, const QString& purpose);
    void SetAlbumInfo(const TExAlbumInfo& album);
    const TImagePaperInfo& PaperImages() const { return *images_; }
    // With "写真枠を固定" as the check box has it now.
    const TExAlbumInfo& AlbumInfo() const;

    virtual TPaperInfo& Paper() const = 0;

protected:
    // The row of the paper's name, sheet and (hidden) purpose over the page, first in page.
    void BuildHeaders(QVBoxLayout* page);
    // The rows of the common fields go into fields; the page's own layout is the subclass's.
    void BuildCommon(QGridLayout* fields, int firstRow, QVBoxLayout* page);
    void SetupCommon(TPapersV2& papers);
    // Fills the shapes the purpose allows and chooses shapeName again (entry 0 when gone).
    void FillShapes(const QString& purposeId, const QString& shapeName);
    TFaceShape ChosenShape() const;
    // The purpose's ID, or the face's own when the list holds none chosen.
    QString ChosenPurpose(const QString& current) const;
    void ShowShapeRows(TFaceShape shape);
    void SelectPurpose(const QString& purposeId);
    // The paper's images laid on the preview's faces (extended mode).
    void ApplyImages(TDrawSite& site);
    virtual void PatternChanged() = 0;
    void AddPattern();
    void FinishPage();
    // The checks' failures shown (the face chosen first by the free page).
    virtual void ShowCheckedFace(const TFaceCheck&) {}
    virtual void CollectForFinish() {}

    TPapersV2* papers_ = nullptr;
    std::unique_ptr<TImagePaperInfo> images_;
    std::unique_ptr<TExAlbumInfo> album_;
    QStringList shapeNames_;
    std::vector<TFaceShape> shownShapes_;
    QLabel* cutCenterUnit_ = nullptr;
    QLabel* roundSizeUnit_ = nullptr;
    bool extended_ = false;
    // Set while fields are filled from the paper: their change handlers stay quiet.
    bool guard_ = false;
};

class TfrmEditPaper30 : public TEditPaperPage {
    Q_OBJECT

public:
    explicit TfrmEditPaper30(QWidget* parent = nullptr);
    ~TfrmEditPaper30() override;

    TExSpinEdit* seCountX;
    TExSpinEdit* seCountY;
    TExSpinEdit* seFaceWidth;
    TExSpinEdit* seFaceHeight;
    TExSpinEdit* seLeftOffset;
    TExSpinEdit* seTopOffset;
    TExSpinEdit* seGapX;
    TExSpinEdit* seGapY;
    QWidget* pnlPreview;
    TDrawSite* DrawSite;

    // The first grid of a new paper: 2 x 3 faces sized and spaced from the paper's sides.
    static void SetDefaults(TMatrixPaperInfo& paper);
    void Setup(const TMatrixPaperInfo& paper, TPapersV2& papers);
    TPaperInfo& Paper() const override;
    void FitPreview();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void PatternChanged() override;

private:
    void FieldChanged();
    void PaintPreview();

    std::unique_ptr<TComponent> owner_;
    std::unique_ptr<TMatrixPaperInfo> paper_;
};
