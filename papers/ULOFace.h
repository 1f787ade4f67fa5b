#pragma once
// A face of a paper shown as an object on a draw site (its outline in the face's shape, filled when
// selected, with an optional caption; clicked to select it alone or with others), and the paper
// site: a draw site that shows a whole paper fitted into its parent, one face object per face, and
// reports clicks that changed the selection.

#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/ULORectBase.h"
#include "papers/faces/UFaceInfo.h"
#include "platform/Color.h"

class TPaperInfo;

// The fill of a selected face when nothing else is asked for.
constexpr TColor kDefaultFaceColor = 0xAFE7FF;

class TLOFace : public TLORectBase {
    QUORLANE_CLASS(TLOFace, TLORectBase)

public:
    explicit TLOFace(TComponent* owner);

    const TFaceInfo& FaceInfo() const { return faceInfo_; }
    // Copies the face and takes its outer rect, unless the face is fixed and already on a site.
    void SetFaceInfo(const TFaceInfo& info);
    void SetSelected(bool value) override;
    bool SingleSelect() const { return singleSelect_; }
    void SetSingleSelect(bool value);
    bool Editable = false;
    bool ShowCaption() const { return showCaption_; }
    void SetShowCaption(bool value);
    TColor FaceColor() const { return faceColor_; }
    void SetFaceColor(TColor value);
    // Its index among the faces of its site; -1 off a site.
    int GetFaceIndex() const;
    // "index [purpose]" in blue at the face's top-left, its size kept on screen at any scale.
    void DrawCaption(TCanvas& canvas);
    // Called after a click changed Selected.
    TNotifyEvent OnSelectionChange;

    bool HitTest(const TPoint& p) override;
    void MakePivots() override;
    void MakeGhost(int handle) override;
    void SetEnclosingSize(int w, int h) override;
    void DrawOutline(TCanvas& canvas) override;
    void SetLogRect(const TRect& r) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;

private:
    bool Fixed() const { return !Editable && IsOnSite(); }

    TFaceInfo faceInfo_;
    bool singleSelect_ = false;
    bool showCaption_ = false;
    TColor faceColor_ = kDefaultFaceColor;
};

// Face objects on a site, counted in control order.
int CountFaces(const TDrawSite& site);
TLOFace* GetFace(const TDrawSite& site, int index);
TLOFace* GetSelectedFace(const TDrawSite& site);
void SelectFace(const TDrawSite& site, int index);
// One face object of faceClass (TLOFace when nullptr) per face of paper, owned by the site.
void CreateFaces(TDrawSite& site, const TPaperInfo& paper, bool singleSelect, bool editable,
                 const TMetaClass* faceClass = nullptr);

class TPaperSite : public TDrawSite {
    QUORLANE_CLASS(TPaperSite, TDrawSite)

public:
    explicit TPaperSite(TComponent* owner, QWidget* parentWidget = nullptr);
    ~TPaperSite() override;

    // Shows paper (borrowed; the site forgets it when it is destroyed) fitted into the parent.
    void SetPaperInfo(TPaperInfo* paper);
    TPaperInfo* PaperInfo() const { return paper_; }
    int GetSelectedFaceIndex() const;

    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    bool DrawInfo = false;
    TColor FaceColor() const { return faceColor_; }
    void SetFaceColor(TColor value);
    const TMetaClass* FaceClass = nullptr;
    TNotifyEvent OnFaceClick;

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void Notification(TComponent* component, TOperation operation) override;

private:
    void RebuildFaces();

    TPaperInfo* paper_ = nullptr;
    bool multiSelect_ = false;
    TColor faceColor_ = kDefaultFaceColor;
    bool clickPending_ = false;
};

void RegisterFaceClasses();
