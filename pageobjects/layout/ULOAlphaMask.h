#pragma once
// A colour fill painted through a grey picture: white shows the fill, black hides it.
// ShadeSize softens the edge with a Gaussian blur; the object turns by any angle. One object
// gives figures, soft shapes and the album photo's shade.

#include "imaging/UColorFill.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/ULORectBase.h"
#include "pageobjects/engine/UTransformer.h"

#include <memory>

class TLOAlphaMask : public TLORectBase,
                     public virtual IDOBlend,
                     public virtual IDORotate,
                     public virtual IDOFill {
    QUORLANE_CLASS(TLOAlphaMask, TLORectBase)

public:
    // The blur margin taken at most: the stored value is kept, but a larger one would only
    // allocate.
    static constexpr int kMaxShadeSize = 2048;

    explicit TLOAlphaMask(TComponent* owner);
    ~TLOAlphaMask() override;

    static void DeclareProperties(TPropertyBuilder<TLOAlphaMask>& p);

    int Angle() const { return rotator_.Angle(); }
    void SetAngle(int value) override;
    TColorSpec* FillColor() const { return fillColor_.get(); }
    void SetFillColor(const TColorSpec& value) override { fillColor_->Assign(&value); }
    TPictureEx* Picture() const { return picture_.get(); }
    void SetPicture(const TPicture* value) { picture_->Assign(value); }
    int ShadeSize() const { return shadeSize_; }
    void SetShadeSize(int value);
    // The blur margin used: ShadeSize held to 0..kMaxShadeSize.
    int EffectiveShadeSize() const;

    // On a site the picture's default size fitted in the square over the longer side; off a
    // site 300 x 200 for an empty picture, else the default size.
    void AdjustSizeToPicture();
    // Maps built so far (tests watch the cache).
    int MapsBuilt() const { return mapsBuilt_; }
    QSize MapSize() const { return map_.size(); }

    // IDOFill (a mask is always filled), IDORotate, IDOBlend
    TColorSpec& GetFillColor() override { return *fillColor_; }
    bool GetNoFill() override { return false; }
    void SetNoFill(bool) override {}
    int GetAngle() override { return Angle(); }
    void SetBlendShade(bool value) override { TLabelObject::SetBlendShade(value); }
    bool GetBlendShade() override { return BlendShade(); }
    void SetBlendRatio(int value) override { TLabelObject::SetBlendRatio(value); }
    int GetBlendRatio() override { return BlendRatio(); }

    bool NeedsBlend() override;
    void DrawAlphaMap(TBitmap& mask) override;
    bool HitTest(const TPoint& p) override;
    void GetLogRect(TRect& r) override;
    void SetEnclosingSize(int w, int h) override;
    void DrawOutline(TCanvas& canvas) override;
    void SetLogRect(const TRect& r) override;

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;
    void HandleNotify(TObject* sender, const TGUID& eventID) override;

private:
    // The turned, blurred map at the device size of the logical rect (cached per size).
    const QImage& Map(const TSize& device);

    std::unique_ptr<TPictureEx> picture_;
    std::unique_ptr<TColorSpec> fillColor_;
    TRotator rotator_;
    int shadeSize_ = 0;
    QImage map_;
    TSize mapSize_;
    int mapsBuilt_ = 0;
};
