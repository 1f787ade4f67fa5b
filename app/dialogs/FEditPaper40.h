#pragma once
// The paper wizard's last page for freely placed faces: each face is an object on a draw site,
// moved and sized with the mouse or through the fields, added and deleted (one face always stays).
// Moving faces records nothing into the undo list while the page lives.

#include "app/dialogs/FEditPaper30.h"
#include "platform/Rect.h"

class QCheckBox;
class TFreePaperInfo;
class TLOFace;

class TfrmEditPaper40 : public TEditPaperPage {
    Q_OBJECT

public:
    explicit TfrmEditPaper40(QWidget* parent = nullptr);
    ~TfrmEditPaper40() override;

    TExSpinEdit* seLeft;
    TExSpinEdit* seTop;
    TExSpinEdit* seWidth;
    TExSpinEdit* seHeight;
    QWidget* pnlPreview;
    TDrawSite* DrawSite;
    QPushButton* btnAddFace;
    QPushButton* btnDeleteFace;
    QCheckBox* chkLockMoves;

    // Half the paper's width wide, a quarter of its height high, centred on the paper.
    static TRect DefaultFaceRect(const TPaperInfo& paper);
    void Setup(const TFreePaperInfo& paper, TPapersV2& papers);
    TPaperInfo& Paper() const override;
    int CurrentFace() const { return current_; }
    void SelectAndShow(int index);
    void ShowFace();
    void ApplyFace();
    void AddFace();
    void DeleteFace();
    // The paper's faces rebuilt from the face objects in site order.
    void CollectFaces();
    void FitPreview();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void PatternChanged() override;
    void ShowCheckedFace(const TFaceCheck& check) override;
    void CollectForFinish() override { CollectFaces(); }

private:
    void MakeFaceObjects();
    TLOFace* NewFaceObject();
    void RefreshHandles();

    // Recording into the undo list is off while the page lives, then as it was found.
    struct UndoGuard {
        UndoGuard();
        ~UndoGuard();
        bool saved;
    } undoGuard_;
    std::unique_ptr<TComponent> owner_;
    std::unique_ptr<TFreePaperInfo> paper_;
    int current_ = 0;
};
