#include "imaging/UImageFilter.h"

#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Canvas.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Metafile.h"
#include "platform/Picture.h"

#include <QPicture>
#include <cstdlib>

// ---- TImageFilter

TImageFilter::TImageFilter() : notifier_(std::make_unique<TChangeNotify>(this)) {}

TImageFilter::~TImageFilter() {
    // Listeners are told and unlinked while the filter still answers for its notifier.
    notifier_->DestroyLinks();
}

void TImageFilter::Assign(const TPersistent* source) {
    InUpdate(*notifier_, [&] { TPersistent::Assign(source); });
}

void TImageFilter::AssignTo(TPersistent*) const {}

// ---- TClipFilter

void TClipFilter::SetClipRect(const TRect& value) {
    if (value == clipRect_)
        return;
    clipRect_ = value;
    Changed();
}

void TClipFilter::AssignTo(TPersistent* dest) const {
    if (auto* clip = dynamic_cast<TClipFilter*>(dest))
        clip->SetClipRect(clipRect_);
}

void TClipFilter::DefineProperties(TFiler& filer) {
    TImageFilter::DefineProperties(filer);
    filer.DefineProperty(
        QStringLiteral("ClipRect"),
        [this](TReader& reader) {
            int32_t v[4];
            reader.ReadListBegin();
            for (int32_t& c : v) {
                if (reader.EndOfList())
                    reader.Error(QStringLiteral("Invalid property value"));
                c = reader.ReadInteger();
                // Beyond this no picture can reach; a clip of that size would only allocate.
                if (std::abs(int64_t(c)) > kMaxClipCoordinate)
                    reader.Error(QStringLiteral("Invalid property value"));
            }
            reader.ReadListEnd();
            // Read without a change of its own: the holder is being loaded.
            clipRect_ = TRect(v[0], v[1], v[2], v[3]);
        },
        [this](TWriter& writer) {
            writer.WriteListBegin();
            writer.WriteInteger(clipRect_.Left);
            writer.WriteInteger(clipRect_.Top);
            writer.WriteInteger(clipRect_.Right);
            writer.WriteInteger(clipRect_.Bottom);
            writer.WriteListEnd();
        },
        !clipRect_.IsEmpty());
}

bool TClipFilter::IsActive(TPicture* picture) {
    if (picture == nullptr)
        return false;
    if (!clipRect_.IsEmpty() && clipRect_ != Rect(0, 0, picture->Width(), picture->Height()))
        return true;
    return forceBitmap_ && dynamic_cast<TSafetyBitmap*>(picture->Graphic()) == nullptr;
}

void TClipFilter::Apply(TPicture& source, TPicture& dest, TRect& rect) {
    const TRect whole = Rect(0, 0, source.Width(), source.Height());
    rect = whole;
    const TRect r = clipRect_.IsEmpty() ? whole : clipRect_;
    if (forceBitmap_) {
        ClipToBitmap(source, dest, r);
    } else if (clipRect_ == whole) {
        dest.Assign(&source);
        return;
    } else if (dynamic_cast<TMetafile*>(source.Graphic()) != nullptr) {
        ClipToMetafile(source, dest, r);
    } else {
        ClipToBitmap(source, dest, r);
    }
    rect = Rect(0, 0, dest.Width(), dest.Height());
}

void TClipFilter::ClipToBitmap(TPicture& source, TPicture& dest, const TRect& clip) const {
    // A border beyond half the picture's longer side (and a little more for small pictures) shows
    // nothing of it; a stored rectangle asking for more would only allocate.
    const int margin = std::max(source.Width(), source.Height()) / 2 + 1024;
    TRect r;
    if (!IntersectRect(r, clip, Rect(-margin, -margin, source.Width() + margin, source.Height() + margin)))
        r = TRect();
    dest.SetGraphic(nullptr);
    TSafetyBitmap& bitmap = GetSafetyBitmap(dest);
    if (const auto* sourceBitmap = dynamic_cast<const TBitmap*>(source.Graphic())) {
        bitmap.SetPixelFormat(sourceBitmap->PixelFormat());
        if (bitmap.BitCount() <= 8)
            bitmap.SetColorTable(sourceBitmap->ColorTable());
    } else {
        bitmap.SetPixelFormat(pf24bit);
    }
    bitmap.SetSize(std::max(0, r.Width()), std::max(0, r.Height()));
    if (bitmap.Empty())
        return;
    TCanvas& canvas = bitmap.Canvas();
    canvas.Brush().Color = backColor_;
    canvas.Brush().Style = bsSolid;
    canvas.FillRect(Rect(0, 0, bitmap.Width(), bitmap.Height()));
    canvas.Brush().Color = clWhite;
    if (TGraphic* graphic = source.Graphic())
        canvas.StretchDraw(Bounds(-r.Left, -r.Top, source.Width(), source.Height()), *graphic);
    bitmap.Changed();
}

void TClipFilter::ClipToMetafile(TPicture& source, TPicture& dest, const TRect& r) const {
    dest.SetGraphic(nullptr);
    TMetafile& metafile = dest.ForceType<TMetafile>();
    const int w = std::max(0, r.Width());
    const int h = std::max(0, r.Height());
    QPicture recording;
    {
        TCanvas canvas(&recording);
        canvas.IntersectClipRect(Rect(0, 0, w, h));
        if (TGraphic* graphic = source.Graphic())
            canvas.StretchDraw(Bounds(-r.Left, -r.Top, source.Width(), source.Height()), *graphic);
        // The recording's frame is the clip rectangle, whatever part of it was drawn on.
        canvas.Painter();
        recording.setBoundingRect(QRect(0, 0, w, h));
        canvas.FreeHandle();
    }
    metafile.SetRecording(recording);
    metafile.SetWidth(w);
    metafile.SetHeight(h);
}

// ---- TGREFilter

std::unique_ptr<TSafetyBitmap> CopyToSafetyBitmap24(TPicture& picture) {
    auto made = std::make_unique<TSafetyBitmap>();
    TGraphic* graphic = picture.Graphic();
    if (auto* bitmap = dynamic_cast<TBitmap*>(graphic)) {
        made->Assign(*bitmap);
    } else if (auto* jpeg = dynamic_cast<TJPEGGraphic*>(graphic)) {
        made->Assign(jpeg->Bitmap());
    } else if (graphic != nullptr && !graphic->Empty()) {
        made->SetSize(graphic->Width(), graphic->Height());
        made->Canvas().StretchDraw(Rect(0, 0, graphic->Width(), graphic->Height()), *graphic);
    }
    made->SetPixelFormat(pf24bit);
    return made;
}

bool TGREFilter::CanApply(TPicture* picture) {
    TGraphic* graphic = picture ? picture->Graphic() : nullptr;
    return dynamic_cast<TBitmap*>(graphic) != nullptr || dynamic_cast<TJPEGGraphic*>(graphic) != nullptr;
}

void TGREFilter::Apply(TPicture& source, TPicture& dest, TRect& rect) {
    std::unique_ptr<TGREffector> effector = CreateEffector();
    if (!effector) {
        dest.Assign(&source);
    } else {
        std::unique_ptr<TSafetyBitmap> work = CopyToSafetyBitmap24(source);
        TSafetyBitmap target;
        effector->SetSource(work.get());
        effector->SetDest(&target);
        effector->SetSourceRect(Rect(0, 0, work->Width(), work->Height()));
        effector->Execute();
        dest.SetGraphic(&target);
    }
    rect = Rect(0, 0, dest.Width(), dest.Height());
}

// ---- TBlurFilter

void TBlurFilter::DeclareProperties(TPropertyBuilder<TBlurFilter>& p) {
    p.Integer("BlurCount", &TBlurFilter::BlurCount, &TBlurFilter::SetBlurCount).Default(0);
}

void TBlurFilter::SetBlurCount(int32_t value) {
    if (value == blurCount_)
        return;
    blurCount_ = value;
    Changed();
}

void TBlurFilter::AssignTo(TPersistent* dest) const {
    if (auto* blur = dynamic_cast<TBlurFilter*>(dest))
        blur->SetBlurCount(blurCount_);
}

std::unique_ptr<TGREffector> TBlurFilter::CreateEffector() {
    if (blurCount_ > 0) {
        auto blur = std::make_unique<TGREffectBlur>();
        blur->SetCount(blurCount_);
        return blur;
    }
    if (blurCount_ < 0) {
        auto sharpen = std::make_unique<TGREffectUnsharpMask>();
        sharpen->SetAmount(-static_cast<long double>(blurCount_));
        return sharpen;
    }
    return nullptr;
}

// ---- TLightFilter

void TLightFilter::DeclareProperties(TPropertyBuilder<TLightFilter>& p) {
    p.Integer("Brightness", &TLightFilter::Brightness, &TLightFilter::SetBrightness).Default(0);
    p.Integer("Contrast", &TLightFilter::Contrast, &TLightFilter::SetContrast).Default(0);
}

void TLightFilter::SetBrightness(int32_t value) {
    if (value == brightness_)
        return;
    brightness_ = value;
    Changed();
}

void TLightFilter::SetContrast(int32_t value) {
    if (value == contrast_)
        return;
    contrast_ = value;
    Changed();
}

void TLightFilter::AssignTo(TPersistent* dest) const {
    if (auto* light = dynamic_cast<TLightFilter*>(dest)) {
        light->SetBrightness(brightness_);
        light->SetContrast(contrast_);
    }
}

std::unique_ptr<TGREffector> TLightFilter::CreateEffector() {
    if (brightness_ == 0 && contrast_ == 0)
        return nullptr;
    auto effect = std::make_unique<TGREffectBrightnessContrast>();
    effect->SetBrightness(brightness_);
    effect->SetContrast(contrast_);
    return effect;
}

// ---- TMonotoneFilter

void TMonotoneFilter::DeclareProperties(TPropertyBuilder<TMonotoneFilter>& p) {
    p.Color("RefColor", &TMonotoneFilter::RefColor, &TMonotoneFilter::SetRefColor).Default(clNone);
}

void TMonotoneFilter::SetRefColor(TColor value) {
    if (value == refColor_)
        return;
    refColor_ = value;
    Changed();
}

void TMonotoneFilter::AssignTo(TPersistent* dest) const {
    if (auto* mono = dynamic_cast<TMonotoneFilter*>(dest))
        mono->SetRefColor(refColor_);
}

std::unique_ptr<TGREffector> TMonotoneFilter::CreateEffector() {
    if (refColor_ == clNone)
        return nullptr;
    auto effect = std::make_unique<TGREffectMonoTone>();
    effect->SetRefColor(refColor_);
    return effect;
}
