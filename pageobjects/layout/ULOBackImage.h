#pragma once
// The background of a face: fills the face's shape (rectangle, ellipse, rounded rectangle or
// barrel, with the bleed) with a colour fill, optionally with a frame band of another
// colour along the edge, and optionally blends a third colour over the fill through a grey
// picture. A centre hole is painted white. It lies below everything and is never hit.

#include "imaging/UColorFill.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/ULORectBase.h"
#include "papers/faces/UFaceInfo.h"

#include <QImage>
#include <memory>

// The face a background fills, read and replaced as a whole.
struct IDOFaceInfo : virtual IUnknownEx {
    static constexpr TGUID IID = GUIDLiteral("{94A6E450-4C8C-11D3-AD27-00500463098A}");
    virtual void SetFaceInfo(const TFaceInfo& value) = 0;
    virtual TFaceInfo& GetFaceInfo() = 0;

protected:
    ~IDOFaceInfo() = default;
};

class TLOBackImage : public TLORectBase, public virtual IDOFaceInfo {
    QUORLANE_CLASS(TLOBackImage, TLORectBase)

public:
    // Backgrounds lie below every other object (paper images lie at -50).
    static constexpr int kBackgroundLayerGroup = -100;

    explicit TLOBackImage(TComponent* owner);
    ~TLOBackImage() override;

    static void DeclareProperties(TPropertyBuilder<TLOBackImage>& p);

    TColorSpec* FillColor() const { return fillColor_.get(); }
    void SetFillColor(const TColorSpec& value) { fillColor_->Assign(&value); }
    TColorSpec* FrameColor() const { return frameColor_.get(); }
    void SetFrameColor(const TColorSpec& value) { frameColor_->Assign(&value); }
    int FrameWidth() const { return frameWidth_; }
    void SetFrameWidth(int value);
    TColorSpec* BlendColor() const { return blendColor_.get(); }
    void SetBlendColor(const TColorSpec& value) { blendColor_->Assign(&value); }
    TPictureEx* BlendPicture() const { return blendPicture_.get(); }
    void SetBlendPicture(const TPicture* value) { blendPicture_->Assign(value); }
    // This property hides the label object's BlendRatio: it is the blend picture's ratio.
    int BlendRatio() const { return blendRatio_; }
    void SetBlendRatio(int value);
    // The picture of FillColor's image data; reading it switches FillColor to its bitmap kind.
    TPicture* Image();

    // No frame, a solid white fill and no blend picture: the document stores such a page empty.
    bool IsPlainWhite() const;
    // Display copies of the fill picture built so far (tests and benchmarks watch the cache).
    int CopiesBuilt() const { return copiesBuilt_; }
    QSize BlendMapSize() const { return blendMap_.size(); }

    // IDOFaceInfo
    void SetFaceInfo(const TFaceInfo& value) override;
    TFaceInfo& GetFaceInfo() override { return faceInfo_; }

    bool HitTest(const TPoint&) override { return false; }
    void SetEnclosingSize(int w, int h) override;
    void DrawOutline(TCanvas& canvas) override;

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;
    void HandleNotify(TObject* sender, const TGUID& eventID) override;

private:
    void PaintBlend(TCanvas& canvas, const TRect& fillRect);
    // Fills fillRect with FillColor; a fill picture stretched over it is drawn from its display
    // copy at the device pixels the rect covers.
    void Fill(TCanvas& canvas, const TRect& fillRect);

    TFaceInfo faceInfo_;
    std::unique_ptr<TColorSpec> fillColor_;
    std::unique_ptr<TColorSpec> frameColor_;
    std::unique_ptr<TColorSpec> blendColor_;
    int frameWidth_ = 0;
    std::unique_ptr<TPictureEx> blendPicture_;
    int blendRatio_ = 100;
    // The blend picture as grey levels at the device size of the fill rect it was made for.
    QImage blendMap_;
    TSize blendMapSize_;
    // The fill picture at the device size it was last drawn at (never enlarged).
    QImage fillCopy_;
    TSize fillCopySize_;
    int copiesBuilt_ = 0;
};
