#include "imaging/UImageData.h"

#include "core/UGeometryUtil.h"
#include "core/USupportUtil.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPNGImage.h"
#include "imaging/UPictureUtil.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Bitmap.h"

#include <algorithm>
#include <typeinfo>
#include <utility>

TImageData::TImageData()
    : listener_(std::make_unique<TListener>()), picture_(std::make_unique<TPictureEx>()),
      notifier_(std::make_unique<TChangeNotify>(this)), clipFilter_(std::make_unique<TClipFilter>()),
      blurFilter_(std::make_unique<TBlurFilter>()), lightFilter_(std::make_unique<TLightFilter>()),
      monotoneFilter_(std::make_unique<TMonotoneFilter>()), cache_(std::make_unique<TPictureEx>()) {
    listener_->OnNotify = [this](TObject* sender, const TGUID& eventID) { OnNotify(sender, eventID); };
    for (IBroadcaster* source : std::initializer_list<IBroadcaster*>{
             clipFilter_.get(), blurFilter_.get(), lightFilter_.get(), monotoneFilter_.get(), picture_.get()})
        source->AddListener(listener_.get());
}

TImageData::~TImageData() {
    // Our listeners go first, while the image data still answers for its notifier; then the
    // sources, each unlinking the listener as it goes.
    notifier_->DestroyLinks();
    cache_.reset();
    picture_.reset();
    clipFilter_.reset();
    blurFilter_.reset();
    lightFilter_.reset();
    monotoneFilter_.reset();
    notifier_.reset();
    listener_.reset();
}

void TImageData::DeclareProperties(TPropertyBuilder<TImageData>& p) {
    p.Object("Picture", &TImageData::Picture).TypeName(QStringLiteral("TPicture"));
    p.Object("ClipFilter", &TImageData::ClipFilter);
    p.Object("BlurFilter", &TImageData::BlurFilter);
    p.Object("LightFilter", &TImageData::LightFilter);
    p.Object("MonotoneFilter", &TImageData::MonotoneFilter);
    p.Color("TransparentColor", &TImageData::TransparentColor, &TImageData::SetTransparentColor)
        .Default(clNone);
}

void TImageData::SetPicture(const TPicture* value) {
    picture_->Assign(value);
}

void TImageData::SetResizedPicture(const TPicture* value) {
    const TSize from(picture_->Width(), picture_->Height());
    const TRect clip = clipFilter_->ClipRect();
    InUpdate(*notifier_, [&] {
        picture_->Assign(value);
        clipFilter_->SetClipRect(ScaleRect(clip, from, TSize(picture_->Width(), picture_->Height())));
    });
}

void TImageData::SetTransparentColor(TColor value) {
    if (value == transparentColor_)
        return;
    transparentColor_ = value;
    cache_->SetGraphic(nullptr);
    Changed();
}

bool TImageData::IsEmpty() const {
    return IsPictureEmpty(picture_.get());
}

bool TImageData::IsFilterable() const {
    const TGraphic* graphic = picture_->Graphic();
    return dynamic_cast<const TBitmap*>(graphic) != nullptr ||
           dynamic_cast<const TPNGImage*>(graphic) != nullptr ||
           dynamic_cast<const TJPEGGraphic*>(graphic) != nullptr;
}

bool TImageData::UsesTransparentColor() const {
    return IsFilterable() && transparentColor_ != clNone;
}

void TImageData::ResetClipRect(int width, int height) {
    const TRect whole = Rect(0, 0, picture_->Width(), picture_->Height());
    if (width == 0 || IsEmpty())
        clipFilter_->SetClipRect(whole);
    else
        clipFilter_->SetClipRect(FitRectInner(Rect(0, 0, width, height), whole));
}

TPictureEx* TImageData::GetFilteredPicture() {
    return GetFilteredPicture(nullptr, 0);
}

void TImageData::ClearFilteredPicture() {
    cache_->SetGraphic(nullptr);
}

TPictureEx* TImageData::GetFilteredPicture(TImageFilter* adjust, int sizeLimit) {
    if (IsEmpty() || !IsPictureEmpty(cache_.get()))
        return cache_.get();
    // Built apart and taken whole, so a filter that raises leaves no half-built cache behind.
    TPictureEx work;
    TBitmap mask;
    MakeWorkPicture(adjust, sizeLimit, work, mask);
    for (TGREFilter* filter : PixelFilters())
        ApplyPixelFilter(*filter, work);
    TPictureEx result;
    FinishFilteredPicture(work, mask, result);
    cache_->Assign(&result);
    return cache_.get();
}

TJPEGScale TImageData::ReducedClipScale(TImageFilter* adjust, int sizeLimit) const {
    const auto* jpeg = dynamic_cast<const TJPEGGraphic*>(picture_->Graphic());
    if (sizeLimit < 1 || sizeLimit > kLargestSizeLimit || jpeg == nullptr || UsesTransparentColor() ||
        (adjust != nullptr && adjust->CanApply(picture_.get())))
        return jsFullSize;
    const TRect clip = clipFilter_->ClipRect();
    const TRect whole = Rect(0, 0, picture_->Width(), picture_->Height());
    const TRect part = clip.IsEmpty() ? whole : clip;
    // The part must stay at least as large as the limit it is shrunk to after the clip.
    const int64_t longest = std::max<int64_t>(part.Width(), part.Height());
    TJPEGScale scale = jsFullSize;
    for (const auto& [candidate, denominator] : {std::pair{jsHalf, 2}, {jsQuarter, 4}, {jsEighth, 8}})
        if (longest / denominator >= sizeLimit)
            scale = candidate;
    return scale;
}

bool TImageData::NeedsDecodedSource(TImageFilter* adjust) const {
    if ((adjust != nullptr && adjust->CanApply(picture_.get())) || UsesTransparentColor() ||
        clipFilter_->IsActive(picture_.get()))
        return true;
    for (TGREFilter* filter : PixelFilters())
        if (filter->IsActive(picture_.get()))
            return true;
    // Only the size limit's shrink may be left, and it decodes at the scale it needs.
    return false;
}

void TImageData::MakeWorkPicture(TImageFilter* adjust, int sizeLimit, TPictureEx& work, TBitmap& mask) {
    work.SetGraphic(nullptr);
    mask.Clear();
    if (IsEmpty())
        return;
    auto* jpeg = dynamic_cast<TJPEGGraphic*>(picture_->Graphic());
    // A JPEG that is clipped and then shrunk to the size limit is decoded at the smallest scale
    // whose clipped part still covers the limit, and clipped at that scale.
    const TJPEGScale reduced = jpeg ? ReducedClipScale(adjust, sizeLimit) : jsFullSize;
    const bool clipping = clipFilter_->IsActive(picture_.get());
    TClipFilter scaledClip;
    TClipFilter* clipFilter = clipFilter_.get();
    if (reduced != jsFullSize && clipping) {
        auto scaled = std::make_unique<TJPEGGraphic>();
        scaled->Assign(*jpeg);
        scaled->SetScale(reduced);
        const auto map = [](int v, int from, int to) { return int((int64_t(v) * to + from / 2) / from); };
        const TRect clip = clipFilter_->ClipRect();
        const int w = picture_->Width(), h = picture_->Height();
        scaledClip.SetClipRect(TRect(map(clip.Left, w, scaled->Width()), map(clip.Top, h, scaled->Height()),
                                     map(clip.Right, w, scaled->Width()),
                                     map(clip.Bottom, h, scaled->Height())));
        clipFilter = &scaledClip;
        work.SetGraphic(scaled.get());
    } else {
        // The source keeps a full decode that the work copies share, so it is made once; a JPEG
        // that nothing but the size limit's shrink touches is decoded by the shrink at a reduced
        // scale, and one that nothing touches at all by whoever draws it, at the size drawn.
        if (jpeg && NeedsDecodedSource(adjust))
            jpeg->DIBNeeded();
        if (adjust != nullptr && adjust->CanApply(picture_.get())) {
            TRect adjusted;
            adjust->Apply(*picture_, work, adjusted);
        } else {
            work.Assign(picture_.get());
        }
    }
    // A framework bitmap becomes the system's bitmap, which carries masks through the filters.
    if (work.Graphic() && typeid(*work.Graphic()) == typeid(TBitmap))
        GetSafetyBitmap(work);

    const bool transparent = UsesTransparentColor();
    TRect rect;
    clipFilter->SetBackColor(transparent ? transparentColor_ : clWhite);
    clipFilter->SetForceBitmap(transparent);
    TPictureEx clipped;
    clipFilter->Apply(work, clipped, rect);
    work.Assign(&clipped);
    if (sizeLimit >= 1 && sizeLimit <= kLargestSizeLimit &&
        (work.Width() > sizeLimit || work.Height() > sizeLimit))
        ShrinkPictureToSize(&work, sizeLimit);

    // The mask is taken after clipping and before any filter changes colours, so the transparent
    // area stays exactly where the transparent colour was.
    if (transparent) {
        SetPictureTransparent(&work, transparentColor_, true);
        if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(work.Graphic()))
            bitmap->GetMask(mask);
    }
}

std::array<TGREFilter*, 3> TImageData::PixelFilters() const {
    return {blurFilter_.get(), monotoneFilter_.get(), lightFilter_.get()};
}

void TImageData::ApplyPixelFilter(TGREFilter& filter, TPictureEx& work) {
    if (!filter.CanApply(&work))
        return;
    TPictureEx filtered;
    TRect rect;
    filter.Apply(work, filtered, rect);
    work.Assign(&filtered);
}

void TImageData::FinishFilteredPicture(const TPictureEx& work, const TBitmap& mask, TPictureEx& dest) const {
    dest.Assign(&work);
    if (!mask.Empty()) {
        SetPictureTransparent(&dest, transparentColor_, true);
        if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(dest.Graphic()))
            bitmap->SetMask(mask);
    }
}

void TImageData::OnNotify(TObject* sender, const TGUID& eventID) {
    if (eventID != GUID_Changed)
        return;
    InUpdate(*notifier_, [&] {
        if (sender == static_cast<TObject*>(picture_.get())) {
            const int w = picture_->Width();
            const int h = picture_->Height();
            if (w != lastWidth_ && h != lastHeight_) {
                ResetClipRect(0, 0);
                notifier_->Broadcast(this, GUID_ImageDataSizeChanged);
            }
            lastWidth_ = w;
            lastHeight_ = h;
            // A JPEG is decoded when its pixels are first asked for (MakeWorkPicture), at the
            // scale the asker needs: a photo placed for the screen never needs its full size.
            notifier_->Broadcast(this, GUID_ImageDataPictureChanged);
        } else if (sender == static_cast<TObject*>(clipFilter_.get()) && clipFilter_->ClipRect().IsEmpty()) {
            ResetClipRect(0, 0);
        }
        cache_->SetGraphic(nullptr);
        notifier_->Changed();
    });
}

void TImageData::AssignTo(TPersistent* dest) const {
    auto* data = dynamic_cast<TImageData*>(dest);
    if (data == nullptr) {
        TPersistent::AssignTo(dest);
        return;
    }
    InUpdate(*data->notifier_, [&] {
        data->SetPicture(picture_.get());
        data->SetClipFilter(clipFilter_.get());
        data->SetBlurFilter(blurFilter_.get());
        data->SetLightFilter(lightFilter_.get());
        data->SetMonotoneFilter(monotoneFilter_.get());
        data->SetTransparentColor(transparentColor_);
        data->cache_->Assign(cache_.get());
    });
}
