#pragma once
// The filters an image data applies to its picture: clipping to a rectangle, blur or sharpening,
// brightness and contrast, and a one-colour tint. Each is a persistent object whose settings are
// stored with the page object, with a change broadcast of its own, and one operation that writes
// a filtered copy of a picture into another picture. The pixel filters hand the work to the
// effectors; further filters (automatic adjustment) derive from TGREFilter.

#include "core/UBroadcaster.h"
#include "imaging/UGREffector.h"
#include "platform/Color.h"
#include "platform/Component.h"
#include "platform/Rect.h"

#include <memory>

class TPicture;

class TImageFilter : public TPersistent, public TChangeNotifyForwarder {
    QUORLANE_CLASS(TImageFilter, TPersistent)

public:
    TImageFilter();
    ~TImageFilter() override;

    // The class library's assignment inside one update bracket: several settings, one broadcast.
    void Assign(const TPersistent* source) override;

    virtual bool CanApply(TPicture* picture) = 0;
    // Writes the filtered source into dest (dest's graphic is replaced); rect becomes (0, 0,
    // dest's width, dest's height).
    virtual void Apply(TPicture& source, TPicture& dest, TRect& rect) = 0;
    virtual bool IsActive(TPicture* picture) = 0;

    TChangeNotify& Notifier() override { return *notifier_; }

protected:
    // Does nothing: a filter of another kind leaves the target as it is, and raises nothing.
    void AssignTo(TPersistent* dest) const override;

private:
    std::unique_ptr<TChangeNotify> notifier_;
};

class TClipFilter : public TImageFilter {
    QUORLANE_CLASS(TClipFilter, TImageFilter)

public:
    // Largest coordinate a stored clip rectangle may have; a rectangle beyond it is damaged data.
    static constexpr int kMaxClipCoordinate = 1 << 20;

    // Picture pixels; empty means "not set".
    const TRect& ClipRect() const { return clipRect_; }
    void SetClipRect(const TRect& value);
    // Set by the image data before every use; not stored.
    TColor BackColor() const { return backColor_; }
    void SetBackColor(TColor value) { backColor_ = value; }
    bool ForceBitmap() const { return forceBitmap_; }
    void SetForceBitmap(bool value) { forceBitmap_ = value; }

    // "ClipRect": a list of Left, Top, Right, Bottom, written only when the rectangle is not empty.
    void DefineProperties(TFiler& filer) override;
    bool CanApply(TPicture*) override { return true; }
    void Apply(TPicture& source, TPicture& dest, TRect& rect) override;
    // A clip rectangle that is set and differs from the whole picture, or a bitmap forced on a
    // graphic that is not yet a safety bitmap.
    bool IsActive(TPicture* picture) override;

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    void ClipToBitmap(TPicture& source, TPicture& dest, const TRect& clip) const;
    void ClipToMetafile(TPicture& source, TPicture& dest, const TRect& r) const;

    TRect clipRect_;
    TColor backColor_ = clWhite;
    bool forceBitmap_ = false;
};

// A filter whose work an effector does.
class TGREFilter : public TImageFilter {
    QUORLANE_CLASS(TGREFilter, TImageFilter)

public:
    // A bitmap or a JPEG image.
    bool CanApply(TPicture* picture) override;
    // Through the effector on a 24-bit copy of the picture; a copy of the source without one.
    void Apply(TPicture& source, TPicture& dest, TRect& rect) override;
    // The effector for the current settings; none when they change nothing.
    virtual std::unique_ptr<TGREffector> CreateEffector() = 0;
};

class TBlurFilter : public TGREFilter {
    QUORLANE_CLASS(TBlurFilter, TGREFilter)

public:
    static void DeclareProperties(TPropertyBuilder<TBlurFilter>& p);

    // n > 0 blurs n times, -a sharpens with amount a, 0 does nothing.
    int32_t BlurCount() const { return blurCount_; }
    void SetBlurCount(int32_t value);

    bool IsActive(TPicture*) override { return blurCount_ != 0; }
    std::unique_ptr<TGREffector> CreateEffector() override;

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    int32_t blurCount_ = 0;
};

class TLightFilter : public TGREFilter {
    QUORLANE_CLASS(TLightFilter, TGREFilter)

public:
    static void DeclareProperties(TPropertyBuilder<TLightFilter>& p);

    int32_t Brightness() const { return brightness_; }
    void SetBrightness(int32_t value);
    int32_t Contrast() const { return contrast_; }
    void SetContrast(int32_t value);

    bool IsActive(TPicture*) override { return brightness_ != 0 || contrast_ != 0; }
    std::unique_ptr<TGREffector> CreateEffector() override;

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    int32_t brightness_ = 0;
    int32_t contrast_ = 0;
};

class TMonotoneFilter : public TGREFilter {
    QUORLANE_CLASS(TMonotoneFilter, TGREFilter)

public:
    static void DeclareProperties(TPropertyBuilder<TMonotoneFilter>& p);

    // clNone: no tint.
    TColor RefColor() const { return refColor_; }
    void SetRefColor(TColor value);

    bool IsActive(TPicture*) override { return refColor_ != clNone; }
    std::unique_ptr<TGREffector> CreateEffector() override;

protected:
    void AssignTo(TPersistent* dest) const override;

private:
    TColor refColor_ = clNone;
};

// The picture's graphic as a new 24-bit safety bitmap: bitmaps converted, JPEG images decoded,
// any other graphic drawn on white at its own size.
class TSafetyBitmap;
std::unique_ptr<TSafetyBitmap> CopyToSafetyBitmap24(TPicture& picture);
