#pragma once
// The text object: a rectangle on the page holding one layout engine (TSimpleText) with colour
// fills for its text, outline and shadow, an outline width, a shadow offset, a turn, an
// arc bend edited through the curve interface, and a Coons-patch distortion blended in by a
// ratio. Its stored form is its published properties; older forms convert when loaded.

#include "imaging/UColorFill.h"
#include "pageobjects/engine/UCoonsDistortion.h"
#include "pageobjects/engine/UDOInterface.h"
#include "pageobjects/engine/ULORectBase.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/engine/UStroke.h"
#include "pageobjects/engine/UTransformer.h"
#include "pageobjects/layout/USimpleText.h"

#include <QRegion>
#include <memory>
#include <optional>

enum TFieldType { ftProduct, ftCreatorJapanese, ftCreatorEnglish };

class TLOText : public TLORectBase,
                public virtual IDOFeedAngle,
                public virtual IDOBlend,
                public virtual IDOColor,
                public virtual IDOCurve,
                public virtual IDOAlign,
                public virtual IDOFont,
                public virtual IDOVertical,
                public virtual IDOAutoSize,
                public virtual IDORotate,
                public virtual IDOTextGhost {
    QUORLANE_CLASS(TLOText, TLORectBase)

public:
    // Shadow offsets of the stored shadow codes 0 to 8, in percent of the line height; 9 is
    // custom offsets.
    static constexpr int kCustomShadow = 9;
    // The size of a new text, in points.
    static constexpr int kDefaultFontPoints = 24;
    // Automatic sizing never makes a text smaller than this either way.
    static constexpr int kMinAutoSide = 20;
    // The distorted outline is captured at no less than this size, so bending keeps its detail.
    static constexpr int kDistortCapturePoints = 72;
    // Outline widths, shadow offsets (percent) beyond these are drawn at these (the stored
    // values are kept).
    static constexpr int kMaxOutlineWidth = 2000;
    static constexpr int kMaxShadowPercent = 1000;

    explicit TLOText(TComponent* owner);
    ~TLOText() override;

    static void DeclareProperties(TPropertyBuilder<TLOText>& p);

    TSimpleText& Engine() const { return *engine_; }

    int Version() const { return 1; }
    void SetVersion(int value) { version_ = value; }
    int StoredVersion() const { return version_; }
    TStringList* Text() const { return engine_->Text(); }
    TPointBasedFont* Font() const { return engine_->Font(); }
    int Align() const { return engine_->Align(); }
    void SetAlignValue(int value) { engine_->SetAlign(value); }
    bool Vertical() const { return engine_->Vertical(); }
    void SetVerticalValue(bool value);
    int CharSpacing() const { return engine_->CharSpacing(); }
    void SetCharSpacing(int value) { engine_->SetCharSpacing(value); }
    int LineSpacing() const { return engine_->LineSpacing(); }
    void SetLineSpacing(int value) { engine_->SetLineSpacing(value); }
    int Angle() const { return rotator_.Angle(); }
    void SetAngle(int value) override;
    TCoonsDistortion* CoonsDistortion() const { return distortion_.get(); }
    void SetCoonsDistortion(const TCoonsDistortion& value);
    int DistortionRatio() const { return distortionRatio_; }
    void SetDistortionRatio(int value);
    TColorSpec* TextColor() const { return textColor_.get(); }
    bool Outline() const { return outline_; }
    void SetOutline(bool value);
    TColorSpec* OutlineColor() const { return outlineColor_.get(); }
    int OutLineWidth() const { return outlineWidth_; }
    void SetOutLineWidth(int value);
    int Shadow() const;
    void SetShadow(int value);
    int ShadowOffsetX() const { return shadowOffsetX_; }
    void SetShadowOffsetX(int value);
    int ShadowOffsetY() const { return shadowOffsetY_; }
    void SetShadowOffsetY(int value);
    TColorSpec* ShadowColor() const { return shadowColor_.get(); }
    bool AutoSize() const { return autoSize_; }
    void SetAutoSizeValue(bool value) { autoSize_ = value; }
    int Bulge() const { return engine_->Bulge(); }
    void SetBulge(int value);
    int FieldNo() const { return fieldNo_; }
    void SetFieldNo(int value) { fieldNo_ = value; }
    TFieldType FieldType() const { return fieldType_; }
    void SetFieldType(TFieldType value) { fieldType_ = value; }
    bool HanToZen() const { return engine_->HanToZen(); }
    void SetHanToZen(bool value) { engine_->SetHanToZen(value); }
    bool NumToKnj() const { return engine_->NumToKnj(); }
    void SetNumToKnj(bool value) { engine_->SetNumToKnj(value); }
    bool MinusExc() const { return engine_->MinusExc(); }
    void SetMinusExc(bool value) { engine_->SetMinusExc(value); }
    int FeedAngle() const { return engine_->FeedAngle(); }
    void SetFeedAngleValue(int value) { engine_->SetFeedAngle(value); }
    int DiagonalAlign() const { return 0; }
    void SetDiagonalAlign(int value);

    bool IsCoonsDistorted() const;
    // The shadow's offset on the page in logical units (of the line height).
    TPoint ShadowOffset();
    void AdjustAutoSize();
    void GetTextBounds(TRect& r);
    // The chord the bent text runs on (turned by Angle); the stored one during a curve edit.
    void GetChordPoints(TPoint& start, TPoint& end);

    // IDOFeedAngle, IDOColor, IDOAlign, IDOFont, IDOVertical, IDOAutoSize, IDORotate, IDOBlend
    int GetFeedAngle() override { return FeedAngle(); }
    void SetFeedAngle(int value) override { SetFeedAngleValue(value); }
    TColorSpec& GetColor() override { return *textColor_; }
    void SetColor(const TColorSpec& value) override { textColor_->Assign(&value); }
    int GetAlign() override { return Align(); }
    void SetAlign(int value) override { SetAlignValue(value); }
    TFont GetFont() override;
    void SetFont(const TFont& value) override;
    bool GetVertical() override { return Vertical(); }
    void SetVertical(bool value) override { SetVerticalValue(value); }
    bool GetAutoSize() override { return AutoSize(); }
    void SetAutoSize(bool value) override { SetAutoSizeValue(value); }
    int GetAngle() override { return Angle(); }
    void SetBlendShade(bool value) override { TLabelObject::SetBlendShade(value); }
    bool GetBlendShade() override { return BlendShade(); }
    void SetBlendRatio(int value) override { TLabelObject::SetBlendRatio(value); }
    int GetBlendRatio() override { return BlendRatio(); }
    // IDOCurve
    void GetStartPoint(TPoint& p) override;
    void SetStartPoint(const TPoint& p) override;
    void GetEndPoint(TPoint& p) override;
    void SetEndPoint(const TPoint& p) override;
    void BeginCurveEdit() override;
    void EndCurveEdit() override;
    void GetBulgePoint(TPoint& p) override;
    void SetBulgePoint(const TPoint& p) override;
    // IDOTextGhost
    void RotateAroundOrigin(int newAngle) override;
    void SetStraighten(bool value) override { straighten_ = value; }

    void SetLogRect(const TRect& r) override;
    void SetEnclosingSize(int w, int h) override;
    void GetLogRect(TRect& r) override;
    bool HitTest(const TPoint& p) override;
    void DrawOutline(TCanvas& canvas) override;
    void DrawAlphaMap(TBitmap& mask) override;
    std::unique_ptr<TBitmap> CreateImage() override;
    void SetParent(TWinControl* parent) override;
    void Loaded() override;

    // Paints the text in fill, with its outline in outlineSpec (none: no outline).
    void DrawText(TCanvas& canvas, TColorSpec& fill, TColorSpec* outlineSpec);
    // The outline the renderer fills and strokes, built when first needed.
    const TStroke& GetDrawStroke();

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;
    void HandleNotify(TObject* sender, const TGUID& eventID) override;

private:
    void Refresh();
    void TextChanged();
    void ClearStrokes();
    const TStroke& GlyphStroke();
    // The unturned figure of the extent: the rect inflated by the outline, with the shadow copy.
    TRect ExtentFigure();
    bool BulgeArc(TArcInfo& arc, int& thickness);
    void BandFigure(TCanvas& canvas, const TArcInfo& arc, int radiusDelta, int thickness);
    TRect CalcAutoRect(const TRect& r);
    TPoint GetAlignAnchor(const TRect& r);
    void TextShape(TCanvas& canvas, bool useStroke);

    // The pixels of the outlined text on a raster canvas, its outline strokes and its letters,
    // in the device space of the canvas they were made on. They are made once over the whole
    // text and kept while the text, the outline's width and the canvas's mapping stay; a canvas
    // that differs only by its viewport origin (another tile of the page) moves them.
    struct TOutlinePixels {
        int Width = 0;
        int MapMode = 0;
        TPoint WindowOrg;
        TSize WindowExt;
        TSize ViewportExt;
        TPoint ViewportOrg;
        QRegion Outline;
        QRegion Letters;
    };
    // Null where the pixels are not kept (vector devices, huge texts): the text is drawn instead.
    const TOutlinePixels* OutlinePixels(TCanvas& canvas, const TStroke& stroke, int width);

    int version_ = 0;
    std::unique_ptr<TSimpleText> engine_;
    std::unique_ptr<TColorSpec> textColor_;
    std::unique_ptr<TColorSpec> outlineColor_;
    bool outline_ = false;
    int outlineWidth_ = 0;
    int shadowOffsetX_ = 0;
    int shadowOffsetY_ = 0;
    std::unique_ptr<TColorSpec> shadowColor_;
    bool autoSize_ = false;
    int fieldNo_ = 0;
    TFieldType fieldType_ = ftProduct;
    TPoint editStart_;
    TPoint editEnd_;
    bool editing_ = false;
    TPoint editOrigin_;
    TPoint editBulgePoint_;
    TRotator rotator_;
    TStroke glyphStroke_;
    bool glyphStrokeBuilt_ = false;
    TStroke drawStroke_;
    bool drawStrokeBuilt_ = false;
    std::optional<TOutlinePixels> outlinePixels_;
    int distortionRatio_ = 100;
    std::unique_ptr<TCoonsDistortion> distortion_;
    bool assigning_ = false;
    bool straighten_ = false;
};
