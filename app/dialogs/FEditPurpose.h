#pragma once
// The purpose editor: the paper database's purposes (ID, display name, the face shapes each allows)
// and their display order, edited on a copy the caller stores on OK.

#include "papers/UPurposeList.h"

#include <QDialog>
#include <array>
#include <memory>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TPapersV2;

// An empty mask allows every shape, so it shows all six checked; all six checked store the empty
// mask.
std::array<bool, kFaceShapeCount> ShapeChecksOfMask(TFaceShapes mask);
TFaceShapes ShapeMaskOfChecks(const std::array<bool, kFaceShapeCount>& checks);
// The smallest n (1 to 999) for which no purpose has the ID "NewID<n>" (in any case); 0 when all
// are taken.
int NewPurposeNumber(const TPurposeList& list);
// Why the list cannot be stored: an ID given twice (in any case; the empty one too), which would
// leave the first unreachable, or an ID the validator drops; empty when it can. at, when given,
// receives the position of the purpose refused.
QString CheckPurposeIDs(const TPurposeList& list, int* at = nullptr);

class TfrmEditPurpose : public QDialog {
    Q_OBJECT

public:
    explicit TfrmEditPurpose(QWidget* parent = nullptr);
    ~TfrmEditPurpose() override;

    QLabel* lblOrder;
    QListWidget* lbPurpose;
    QPushButton* btnUp;
    QPushButton* btnDown;
    QPushButton* btnAdd;
    QPushButton* btnDelete;
    QLineEdit* edtID;
    QLineEdit* edtName;
    QListWidget* clbShapes;
    QPushButton* btnOK;
    QPushButton* btnCancel;
    QPushButton* btnCheck;

    // Edits a copy of list (validated as it is taken).
    void SetPurposeList(const TPurposeList& list);
    // Kept for the check.
    void SetPapers(TPapersV2* papers) { papers_ = papers; }
    // The edited list, for the caller to store on OK.
    const TPurposeList& PurposeList() const { return *list_; }

    void AddPurpose();
    void DeletePurpose();
    void MoveUp();
    void MoveDown();
    void CheckPurposes();

private:
    void ShowPurpose();
    void Select(int row);
    void UpdateButtons();
    void OkClicked();
    TPurposeInfo* Selected() const;

    std::unique_ptr<TPurposeList> list_;
    TPapersV2* papers_ = nullptr;
    // Set while the fields are filled from the purpose, so they write nothing back.
    bool showing_ = false;
};
