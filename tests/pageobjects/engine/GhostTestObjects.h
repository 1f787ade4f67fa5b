#pragma once
// Page objects with the interfaces the ghosts ask for, and a site fixture that drives drags with
// synthetic mouse input, for the ghost tests.

#include "EngineTestObjects.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/ULORectBase.h"
#include "pageobjects/engine/UMoveGhost.h"

#include <gtest/gtest.h>
#include <vector>

class IDODesigner;

// A rectangle that turns about its centre and may keep its proportions or fit itself to content.
class TGhostBox : public TLORectBase, public virtual IDORotate, public virtual IDOAutoSize {
    QUORLANE_CLASS(TGhostBox, TLORectBase)

public:
    explicit TGhostBox(TComponent* owner) : TLORectBase(owner) {}
    int GetAngle() override { return angle_; }
    void SetAngle(int value) override;
    bool GetAutoSize() override { return autoSize_; }
    void SetAutoSize(bool value) override;
    bool KeepAspectRatio() override { return keepAspect_; }
    void SetKeepAspect(bool value) { keepAspect_ = value; }
    void SetEnclosingSize(int w, int h) override;
    void DrawOutline(TCanvas& canvas) override;

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    int angle_ = 0;
    bool autoSize_ = false;
    bool keepAspect_ = false;
};

// A rectangle that cannot turn.
class TGhostPlainBox : public TLORectBase {
    QUORLANE_CLASS(TGhostPlainBox, TLORectBase)

public:
    explicit TGhostPlainBox(TComponent* owner) : TLORectBase(owner) {}
    void SetEnclosingSize(int w, int h) override;
    void DrawOutline(TCanvas& canvas) override;
};

// A straight line between two points.
class TGhostLine : public TLabelObject,
                   public virtual IDOLine,
                   public virtual IDOEncloseBounds,
                   public virtual IDOGhostPaint {
    QUORLANE_CLASS(TGhostLine, TLabelObject)

public:
    explicit TGhostLine(TComponent* owner) : TLabelObject(owner) {}
    void GetStartPoint(TPoint& p) override { p = start_; }
    void SetStartPoint(const TPoint& p) override;
    void GetEndPoint(TPoint& p) override { p = end_; }
    void SetEndPoint(const TPoint& p) override;
    void MoveBy(int dx, int dy) override;
    void SetEnclosingSize(int, int) override {}
    void GetLogRect(TRect& r) override;
    bool HitTest(const TPoint& p) override;
    void PaintTo(TCanvas& canvas) override { TLabelObject::PaintTo(canvas); }
    void DrawOutline(TCanvas& canvas) override;

protected:
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;

    TPoint start_;
    TPoint end_;
};

// A three-point curve; counts curve edits left open over all instances.
class TGhostCurve : public TGhostLine, public virtual IDOCurve {
    QUORLANE_CLASS(TGhostCurve, TGhostLine)

public:
    explicit TGhostCurve(TComponent* owner) : TGhostLine(owner) {}
    void BeginCurveEdit() override;
    void EndCurveEdit() override;
    void GetBulgePoint(TPoint& p) override { p = bulge_; }
    void SetBulgePoint(const TPoint& p) override;
    void GetLogRect(TRect& r) override;
    void MoveBy(int dx, int dy) override;
    // The same three points.
    void SetCurve(const TPoint& s, const TPoint& b, const TPoint& e);

    static int OpenEdits;
    static int EditsBegun;

protected:
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    TPoint bulge_;
};

// A text-like object: a turnable rectangle that is also a curve (its bulge point relative to the
// chord), honouring the straighten flag and turning about its origin.
class TGhostText : public TGhostBox, public virtual IDOCurve, public virtual IDOTextGhost {
    QUORLANE_CLASS(TGhostText, TGhostBox)

public:
    explicit TGhostText(TComponent* owner) : TGhostBox(owner) {}
    void GetStartPoint(TPoint& p) override { p = start_; }
    void SetStartPoint(const TPoint& p) override;
    void GetEndPoint(TPoint& p) override { p = end_; }
    void SetEndPoint(const TPoint& p) override;
    void BeginCurveEdit() override {}
    void EndCurveEdit() override {}
    void GetBulgePoint(TPoint& p) override { p = bulge_; }
    // While the straighten flag is set, a bulge between -50 and 50 becomes none.
    void SetBulgePoint(const TPoint& p) override;
    void RotateAroundOrigin(int newAngle) override;
    void SetStraighten(bool value) override { straighten_ = value; }
    bool Straighten() const { return straighten_; }
    int RotatedAroundOrigin = 0;
    void SetCurve(const TPoint& s, const TPoint& b, const TPoint& e);

protected:
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    TPoint start_, end_, bulge_;
    bool straighten_ = false;
};

// A site of 400 x 300 units where a unit is a screen pixel, with the ghost designers registered,
// the move mode, snap hook and snap-off modifier at their defaults.
class GhostTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    template <class T>
    T* Add(const TRect& r) {
        auto* object = new T(&site);
        object->SetLogRect(r);
        site.AddObject(object);
        return object;
    }
    TGhostLine* AddLine(const TPoint& s, const TPoint& e);
    TGhostCurve* AddCurve(const TPoint& s, const TPoint& b, const TPoint& e);

    // Press at from (logical units), move to each point, release at the last, all with mods.
    void Drag(const TPoint& from, const std::vector<TPoint>& to, Qt::KeyboardModifiers mods = Qt::NoModifier);
    // The same on a handle: the press goes to the object's pivot of that index.
    void DragHandle(TDrawObject* object, int index, const std::vector<TPoint>& to,
                    Qt::KeyboardModifiers mods = Qt::NoModifier);
    std::vector<TPivot*> Pivots(TDrawObject* object = nullptr);
    TPivot* PivotOf(TDrawObject* object, int index);
    // A snap hook onto a grid of the given pitch (offsets to the nearest multiple).
    void SnapToGrid(int pitch);

    TDrawSite site{nullptr};
    std::vector<IDODesigner*> designers;
};
