#pragma once
// The straight line and the curve on the page: two end points, a width and a colour
// fill that fills the stroked shape. They are edited through their end points (and the
// curve through its bulge point), not through a rectangle; the decorated line derives from the
// line.

#include "imaging/UColorFill.h"
#include "pageobjects/engine/ULabelObject.h"
#include "pageobjects/engine/UTransformer.h"

#include <memory>

// The bounding box of the region inside the current path (used up) of a canvas without a
// device or mapping; empty without a path. Extents of stroked shapes are measured this way.
TRect PathRegionBounds(TCanvas& canvas);
// A rectangle from 64-bit edges, held so that every edge and its width and height fit an int
// (stored coordinates may reach the ends of the range; extents around them must not wrap).
TRect HeldExtent(int64_t left, int64_t top, int64_t right, int64_t bottom);

class TLOLine : public TLabelObject,
                public virtual IDOBlend,
                public virtual IDORotate,
                public virtual IDOLine,
                public virtual IDOColor,
                public virtual IDOGhostPaint,
                public virtual IDOEncloseBounds {
    QUORLANE_CLASS(TLOLine, TLabelObject)

public:
    explicit TLOLine(TComponent* owner);
    ~TLOLine() override;

    static void DeclareProperties(TPropertyBuilder<TLOLine>& p);

    int StartX() const { return start_.X; }
    void SetStartX(int value) { SetStartPoint(TPoint(value, start_.Y)); }
    int StartY() const { return start_.Y; }
    void SetStartY(int value) { SetStartPoint(TPoint(start_.X, value)); }
    int EndX() const { return end_.X; }
    void SetEndX(int value) { SetEndPoint(TPoint(value, end_.Y)); }
    int EndY() const { return end_.Y; }
    void SetEndY(int value) { SetEndPoint(TPoint(end_.X, value)); }
    TColorSpec* LineColor() const { return lineColor_.get(); }
    void SetLineColor(const TColorSpec& value) { lineColor_->Assign(&value); }
    int LineWidth() const { return lineWidth_; }
    virtual void SetLineWidth(int value);
    // The direction from start to end in whole degrees, clockwise on the page.
    int Angle() const;
    void SetAngle(int value) override;
    const TRotator& Rotator() const { return rotator_; }

    // IDOLine
    void GetStartPoint(TPoint& p) override { p = start_; }
    void SetStartPoint(const TPoint& p) override;
    void GetEndPoint(TPoint& p) override { p = end_; }
    void SetEndPoint(const TPoint& p) override;
    // IDORotate
    int GetAngle() override { return Angle(); }
    // IDOColor
    TColorSpec& GetColor() override { return *lineColor_; }
    void SetColor(const TColorSpec& value) override { SetLineColor(value); }
    // IDOBlend
    void SetBlendShade(bool value) override { TLabelObject::SetBlendShade(value); }
    bool GetBlendShade() override { return BlendShade(); }
    void SetBlendRatio(int value) override { TLabelObject::SetBlendRatio(value); }
    int GetBlendRatio() override { return BlendRatio(); }
    // IDOEncloseBounds, IDOGhostPaint
    void MoveBy(int dx, int dy) override;
    void SetEnclosingSize(int w, int h) override;
    void GetLogRect(TRect& r) override;
    void PaintTo(TCanvas& canvas) override { TLabelObject::PaintTo(canvas); }
    void DrawOutline(TCanvas& canvas) override;

    bool HitTest(const TPoint& p) override;
    void DrawAlphaMap(TBitmap& mask) override;

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;
    void HandleNotify(TObject* sender, const TGUID& eventID) override;
    // The line's figure on the canvas (a path bracket collects it).
    virtual void AddFigure(TCanvas& canvas) const;
    // Sets the pen the line is stroked with for its extent and paint.
    virtual void SelectStrokePen(TCanvas& canvas) const;
    // Stores a new end point and does what follows from it; the curve centres its rotator on
    // its extent instead of the chord.
    void StorePoint(TPoint& point, const TPoint& value);
    virtual void CenterRotator();

    TPoint start_;
    TPoint end_;
    TRotator rotator_;

private:
    std::unique_ptr<TColorSpec> lineColor_;
    int lineWidth_ = 10;
};

class TLOCurve : public TLOLine, public virtual IDOCurve {
    QUORLANE_CLASS(TLOCurve, TLOLine)

public:
    explicit TLOCurve(TComponent* owner);

    static void DeclareProperties(TPropertyBuilder<TLOCurve>& p);

    int Bulge() const { return bulge_; }
    void SetBulge(int value);

    // IDOCurve (the end points are the line's)
    void BeginCurveEdit() override {}
    void EndCurveEdit() override {}
    void GetBulgePoint(TPoint& p) override;
    void SetBulgePoint(const TPoint& p) override;

    void SetEnclosingSize(int w, int h) override;

protected:
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;
    void AddFigure(TCanvas& canvas) const override;
    void SelectStrokePen(TCanvas& canvas) const override;
    void CenterRotator() override;

private:
    // Start, bulge point, end, in the order the arc runs (reversed for a bulge below 1).
    void ArcPoints(TPoint& p0, TPoint& p1, TPoint& p2) const;

    int bulge_ = 30;
};
