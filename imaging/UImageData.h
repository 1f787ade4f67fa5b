#pragma once
// The adjustable picture of image, photo and background page objects: a source picture, four
// filters (clip, blur, light, monotone) and a transparent colour, stored with the page object as
// published properties, plus a cache of the filtered result. Every change of picture, filters or
// transparent colour empties the cache and reaches the holder as one change broadcast.

#include "core/UBroadcaster.h"
#include "imaging/UImageFilter.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "platform/Color.h"
#include "platform/Component.h"

#include <array>
#include <memory>

class TBitmap;

// After every change of the source picture; the sender is the image data.
inline constexpr TGUID GUID_ImageDataPictureChanged = GUIDLiteral("{3C2CDFD1-5C80-11D3-AD58-00500463098A}");
// When a new picture differs from the last in both dimensions and the clip rectangle was reset.
inline constexpr TGUID GUID_ImageDataSizeChanged = GUIDLiteral("{386FA8F1-5C4E-11D3-AD57-00500463098A}");

// The largest size limit of a filtered picture; larger (and below 1) limit nothing.
inline constexpr int kLargestSizeLimit = 2147483646;

class TImageData : public TPersistent, public TChangeNotifyForwarder {
    QUORLANE_CLASS(TImageData, TPersistent)

public:
    TImageData();
    ~TImageData() override;

    static void DeclareProperties(TPropertyBuilder<TImageData>& p);

    // The source picture; the write accessors assign into the owned objects.
    TPictureEx* Picture() const { return picture_.get(); }
    void SetPicture(const TPicture* value);
    // value, a copy of the picture at another size, becomes the picture, and the clip rectangle is
    // scaled along so that it keeps to the same part (one change).
    void SetResizedPicture(const TPicture* value);
    TClipFilter* ClipFilter() const { return clipFilter_.get(); }
    void SetClipFilter(const TClipFilter* value) { clipFilter_->Assign(value); }
    TBlurFilter* BlurFilter() const { return blurFilter_.get(); }
    void SetBlurFilter(const TBlurFilter* value) { blurFilter_->Assign(value); }
    TLightFilter* LightFilter() const { return lightFilter_.get(); }
    void SetLightFilter(const TLightFilter* value) { lightFilter_->Assign(value); }
    TMonotoneFilter* MonotoneFilter() const { return monotoneFilter_.get(); }
    void SetMonotoneFilter(const TMonotoneFilter* value) { monotoneFilter_->Assign(value); }
    // clNone: no colour is transparent.
    TColor TransparentColor() const { return transparentColor_; }
    void SetTransparentColor(TColor value);

    // The picture with every filter applied, built on first use after a change; it belongs to the
    // image data. Empty while the source is.
    TPictureEx* GetFilteredPicture();
    // The same chain with two additions for photos: adjust (when given and it can apply) makes
    // the work picture from the source, and after the clip a picture larger than sizeLimit
    // (1 to 2147483646; anything else is no limit) either way is shrunk to fit within it. A filter
    // that raises leaves the cache empty, so the next request tries again.
    TPictureEx* GetFilteredPicture(TImageFilter* adjust, int sizeLimit);
    // The chain's steps, for builders that keep each stage (the effect previews). The work picture
    // after adjust, clip and size limit, with the transparency mask taken from it (left empty
    // without a transparent colour):
    void MakeWorkPicture(TImageFilter* adjust, int sizeLimit, TPictureEx& work, TBitmap& mask);
    // the pixel filters in the order the chain applies them, each through ApplyPixelFilter:
    std::array<TGREFilter*, 3> PixelFilters() const;
    // filter over work in place, when it can apply to it;
    static void ApplyPixelFilter(TGREFilter& filter, TPictureEx& work);
    // the filtered picture from the last stage and the mask.
    void FinishFilteredPicture(const TPictureEx& work, const TBitmap& mask, TPictureEx& dest) const;
    // Drops the filtered picture; the next request builds it again.
    void ClearFilteredPicture();
    // The clip rectangle: the whole picture with width 0 or an empty picture, otherwise the
    // largest rectangle of aspect width : height centred in the picture.
    void ResetClipRect(int width, int height);

    bool IsEmpty() const;
    // A bitmap, PNG or JPEG picture.
    bool IsFilterable() const;
    bool UsesTransparentColor() const;

    TChangeNotify& Notifier() override { return *notifier_; }

protected:
    // Into another image data inside one update of its notifier (one broadcast), the cache
    // included; any other destination is the class library's error.
    void AssignTo(TPersistent* dest) const override;
    void OnNotify(TObject* sender, const TGUID& eventID);

private:
    // The scale a JPEG source is decoded at when it is only clipped and shrunk to sizeLimit: the
    // smallest whose clipped part still covers the limit (full size when anything else applies).
    TJPEGScale ReducedClipScale(TImageFilter* adjust, int sizeLimit) const;
    // True when the chain needs the source's pixels at full size (a filter, the adjuster, the
    // transparent colour or a clip that cannot work at a reduced scale).
    bool NeedsDecodedSource(TImageFilter* adjust) const;

    std::unique_ptr<TListener> listener_;
    std::unique_ptr<TPictureEx> picture_;
    std::unique_ptr<TChangeNotify> notifier_;
    std::unique_ptr<TClipFilter> clipFilter_;
    std::unique_ptr<TBlurFilter> blurFilter_;
    std::unique_ptr<TLightFilter> lightFilter_;
    std::unique_ptr<TMonotoneFilter> monotoneFilter_;
    std::unique_ptr<TPictureEx> cache_;
    TColor transparentColor_ = clNone;
    int lastWidth_ = 0;
    int lastHeight_ = 0;
};
