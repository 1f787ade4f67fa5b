#pragma once
// The rectangle and the circle on the page: a logical rectangle (the circle an ellipse inscribed
// in it), optionally with rounded corners, turned about its centre, with a frame band of one
// colour fill and an optional fill of another.

#include "imaging/UColorFill.h"
#include "pageobjects/engine/ULORectBase.h"
#include "pageobjects/engine/UStroke.h"
#include "pageobjects/engine/UTransformer.h"

#include <memory>
#include <optional>
#include <utility>

class TLORect : public TLORectBase,
                public virtual IDOBlend,
                public virtual IDOFill,
                public virtual IDOColor,
                public virtual IDORotate {
    QUORLANE_CLASS(TLORect, TLORectBase)

public:
    explicit TLORect(TComponent* owner);
    ~TLORect() override;

    static void DeclareProperties(TPropertyBuilder<TLORect>& p);

    int FrameWidth() const { return frameWidth_; }
    void SetFrameWidth(int value);
    TColorSpec* FrameColor() const { return frameColor_.get(); }
    void SetFrameColor(const TColorSpec& value) { frameColor_->Assign(&value); }
    TColorSpec* FillColor() const { return fillColor_.get(); }
    void SetFillColor(const TColorSpec& value) override { fillColor_->Assign(&value); }
    bool FillInside() const { return fillInside_; }
    void SetFillInside(bool value);
    int Angle() const { return rotator_.Angle(); }
    void SetAngle(int value) override;
    bool RoundRect() const { return roundRect_; }
    void SetRoundRect(bool value);
    // The outline, built on first use after a change of rect, angle or corner style.
    const TStroke& Stroke();

    // IDOFill, IDOColor, IDORotate, IDOBlend
    TColorSpec& GetFillColor() override { return *fillColor_; }
    bool GetNoFill() override { return !fillInside_; }
    void SetNoFill(bool value) override { SetFillInside(!value); }
    TColorSpec& GetColor() override { return *frameColor_; }
    void SetColor(const TColorSpec& value) override { SetFrameColor(value); }
    int GetAngle() override { return Angle(); }
    void SetBlendShade(bool value) override { TLabelObject::SetBlendShade(value); }
    bool GetBlendShade() override { return BlendShade(); }
    void SetBlendRatio(int value) override { TLabelObject::SetBlendRatio(value); }
    int GetBlendRatio() override { return BlendRatio(); }

    void SetLogRect(const TRect& r) override;
    void SetEnclosingSize(int w, int h) override;
    void DrawOutline(TCanvas& canvas) override;
    void GetLogRect(TRect& r) override;
    bool HitTest(const TPoint& p) override;
    void DrawAlphaMap(TBitmap& mask) override;
    void DefineProperties(TFiler& filer) override;

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;
    void HandleNotify(TObject* sender, const TGUID& eventID) override;
    bool SolidInterior(TCanvas& canvas, TRect& deviceRect, TColor& color) override;
    // Fills the outline stroke (untransformed shape, then turned by Angle).
    virtual void BuildStroke(TStroke& stroke);
    // Whether the fill shows: asked for and the rect larger than the frame both ways.
    bool ShowsFill() const;
    // Paints the fill through the outline.
    void PaintFill(TCanvas& canvas, const TRect& extent);
    // Paints the frame by widening the outline with a pen of width w.
    void PaintWidenedFrame(TCanvas& canvas, const TRect& extent, int w, bool geometric);

    TRotator rotator_;

private:
    void Restroke();

    int frameWidth_ = 10;
    std::unique_ptr<TColorSpec> frameColor_;
    std::unique_ptr<TColorSpec> fillColor_;
    bool fillInside_ = false;
    TStroke stroke_;
    bool strokeBuilt_ = false;
    bool roundRect_ = false;
    // The widened outline's bounds, asked on every paint and bounds update, with the values it
    // was worked out from (the frame pen's width follows the zoom).
    struct TExtentKey {
        TRect Bounds;
        TPoint Center;
        int Angle = 0;
        bool Round = false;
        int PenWidth = 0;
        friend bool operator==(const TExtentKey&, const TExtentKey&) = default;
    };
    std::optional<std::pair<TExtentKey, TRect>> extent_;
};

class TLOCircle : public TLORect {
    QUORLANE_CLASS(TLOCircle, TLORect)

public:
    explicit TLOCircle(TComponent* owner) : TLORect(owner) {}

protected:
    void Paint() override;
    bool SolidInterior(TCanvas& canvas, TRect& deviceRect, TColor& color) override;
    void BuildStroke(TStroke& stroke) override;
};
