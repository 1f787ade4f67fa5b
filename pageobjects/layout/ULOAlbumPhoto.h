#pragma once
// The photo slot of an album page. The user's photo is prepared once into the picture that is
// shown: automatic adjustment, the filters, a cut to the slot's proportions, a quarter turn to
// the slot's orientation, a size limit for the screen or the printer, and a date stamp. An inner
// image shows it with its frame; an inner mask casts the drop shadow. Every change the prepared
// picture depends on drops it, and the next paint builds it again.

#include "core/UAppUtil.h"
#include "imaging/UAutoAdjustFilter.h"
#include "imaging/UImageData.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/ULOImage.h"
#include "papers/faces/UFaceInfo.h"
#include "platform/PersistentFont.h"

#include <QString>
#include <memory>

class TDOList;
class TImagePack;

// The photo of an album photo: ForPrint chooses the print size limit over the display limit.
class TPhotoImageData : public TImageData {
    QUORLANE_CLASS(TPhotoImageData, TImageData)

public:
    TPhotoImageData() = default;
    bool ForPrint() const { return forPrint_; }
    void SetForPrint(bool value) { forPrint_ = value; }

private:
    bool forPrint_ = false;
};

// The album photo's inner image and shade: the image and mask classes under their own stored names.
class TLOPhotoImage : public TLOWizardImage {
    QUORLANE_CLASS(TLOPhotoImage, TLOWizardImage)

public:
    explicit TLOPhotoImage(TComponent* owner) : TLOWizardImage(owner) {}
};

class TLOAlbumShade : public TLOAlphaMask {
    QUORLANE_CLASS(TLOAlbumShade, TLOAlphaMask)

public:
    explicit TLOAlbumShade(TComponent* owner) : TLOAlphaMask(owner) {}
};

// Process-wide settings of album photos (UI thread). A limit outside 1 to 2147483646 is none.
void SetImageDispLimitSize(int limit);
void SetImagePrintLimitSize(int limit);
int ImageDispLimitSize();
int ImagePrintLimitSize();
// The glyphs of stamped dates, one cell per character of kPhotoDateGlyphs; null stamps with the
// date font. Borrowed: the owner clears it before freeing the pack.
void SetPhotoDateImagePack(TImagePack* pack);
// The shade picture of photos without their own, from a bitmap file (errors pass to the caller).
void LoadDefaultShadowPicture(const QString& fileName);
TPictureEx* DefaultShadowPicture();
// Every album photo of the list takes the print limit from now on; one without a picture is hidden.
void PreparePhotosForPrint(const TDOList& list);

// The characters of the date glyph pack's cells, in order.
inline constexpr char kPhotoDateGlyphs[] = "0123456789-/' ";

// An Exif date-time text ("2002:07:15 10:20:30", separators as they come) as a date and time;
// false when it does not make a valid date and time.
bool ParseExifDateTime(const QString& text, TDateTime& value);

class TLOAlbumPhoto : public TLORectBase,
                      public virtual IDOBlend,
                      public virtual IDORotate,
                      public virtual IDOPhotoRotate {
    QUORLANE_CLASS(TLOAlbumPhoto, TLORectBase)

public:
    // The shadow offsets' default, in percent of the longer side.
    static constexpr int kDefaultShadowOffset = 3;
    static constexpr TColor kDefaultDateColor = 0x0080FF;
    static constexpr int kDefaultDatePoints = 32;

    explicit TLOAlbumPhoto(TComponent* owner);
    ~TLOAlbumPhoto() override;

    static void DeclareProperties(TPropertyBuilder<TLOAlbumPhoto>& p);

    TPhotoImageData* PhotoImageObj() const { return photo_.get(); }
    // Copies picture and filters; the prepared picture is built again.
    void SetPhotoImageObj(const TImageData* value);
    TImageSource ImageSource() const { return photoImage_->ImageSource(); }
    void SetImageSource(TImageSource value) { photoImage_->SetImageSource(value); }
    bool AlphaFrame() const { return photoImage_->AlphaFrame(); }
    void SetAlphaFrame(bool value);
    TPictureEx* FramePicture() const { return photoImage_->FramePicture(); }
    void SetFramePicture(const TPicture* value) { photoImage_->SetFramePicture(value); }
    bool Shadow() const { return shadow_; }
    void SetShadow(bool value);
    int ShadowX() const { return shadowX_; }
    void SetShadowX(int value);
    int ShadowY() const { return shadowY_; }
    void SetShadowY(int value);
    TColor ShadowColor() const { return shade_->FillColor()->Color(); }
    void SetShadowColor(TColor value);
    TPictureEx* ShadowPicture() const { return shadowPicture_.get(); }
    void SetShadowPicture(const TPicture* value) { shadowPicture_->Assign(value); }
    bool ShadowShade() const { return shadowShade_; }
    void SetShadowShade(bool value);
    bool FitOuter() const { return fitOuter_; }
    void SetFitOuter(bool value);
    bool FrameFitPhoto() const { return frameFitPhoto_; }
    void SetFrameFitPhoto(bool value);
    bool DisplayDate() const { return displayDate_; }
    void SetDisplayDate(bool value);
    const QString& DateFormat() const { return dateFormat_; }
    void SetDateFormat(const QString& value);
    TPersistentFont* DateFont() const { return dateFont_.get(); }
    void SetDateFont(const TPersistentFont* value) { dateFont_->Assign(value); }
    TAutoAdjustFilter* NormalizeFilter() const { return normalizeFilter_.get(); }
    void SetNormalizeFilter(const TAutoAdjustFilter* value) { normalizeFilter_->Assign(value); }
    int PhotoAngle() const { return photoAngle_; }
    void SetPhotoAngleValue(int value);
    TDateTime PhotoDate() const { return photoDate_; }
    void SetPhotoDate(TDateTime value);
    // The text a shown date stamps: the Exif date of the photo, else PhotoDate, formatted; empty
    // when neither formats.
    QString DateText() const;
    int Angle() const { return rotator_.Angle(); }
    void SetAngle(int value) override;

    TPictureEx* GetPhotoPicture() const { return photo_->Picture(); }
    void SetPhotoPicture(const TPicture* value) { photo_->SetPicture(value); }
    // The photo through the photo chain at the display limit, with its filters or only its
    // picture, with or without the automatic adjustment, into dest.
    void CopyPhotoPicture(bool withAdjustments, bool withNormalize, TPicture& dest) const;
    // A picture's natural size on a page (off any site); 0 x 0 for an empty one.
    static TSize GetPictureSize(const TPicture* picture);
    void AdjustSizeToPicture();
    bool HasAlphaFrame() const;

    // The shape of the face the frame belongs to (a disc with its hole, a circle, rounded
    // corners), in page units where the face lies: the frame shows and prints only inside it,
    // however it is resized. Not stored with the frame: whoever places it on a page sets it
    // from the paper.
    void SetFaceShape(const TFaceInfo& face);
    void ClearFaceShape();
    const TFaceInfo* FaceShape() const { return faceShape_.get(); }

    // The inner objects and the prepared picture (tests and the print path look at them).
    TLOPhotoImage* PhotoImage() const { return photoImage_.get(); }
    TLOAlbumShade* Shade() const { return shade_.get(); }
    // Builds the prepared picture when it is empty; true when there is one.
    bool PreparePicture();
    void DropPreparedPicture();
    // The turn the photo gets inside the slot (0, 90, 180, 270 or PhotoAngle as given).
    int PhotoTurn() const;
    // The shadow offset: ShadowX and ShadowY percent of the longer side.
    TPoint ShadowOffset() const;

    // IDORotate, IDOPhotoRotate, IDOBlend
    int GetAngle() override { return Angle(); }
    int GetPhotoAngle() override { return photoAngle_; }
    void SetPhotoAngle(int value) override { SetPhotoAngleValue(value); }
    void SetBlendShade(bool value) override { TLabelObject::SetBlendShade(value); }
    bool GetBlendShade() override { return BlendShade(); }
    void SetBlendRatio(int value) override { TLabelObject::SetBlendRatio(value); }
    int GetBlendRatio() override { return BlendRatio(); }

    void Loaded() override;
    bool NeedsBlend() override;
    // The photo painted plainly (a JPEG, no shadow, shape or blend): its part inside the slot.
    bool PhotoInterior(TCanvas& canvas, TRect& deviceRect) override;
    void DrawAlphaMap(TBitmap& mask) override;
    bool HitTest(const TPoint& p) override;
    void GetLogRect(TRect& r) override;
    void SetEnclosingSize(int w, int h) override;
    void DrawOutline(TCanvas& canvas) override;
    bool KeepAspectRatio() override { return true; }
    void SetLogRect(const TRect& r) override;

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;
    void HandleNotify(TObject* sender, const TGUID& eventID) override;

private:
    void Refresh();
    void LayoutPhotoImage();
    void LayoutShade();
    void UpdateShadeMask();
    void StampDate(TPictureEx& picture) const;
    // Narrows the canvas's clip to the face shape over the frame; false without a shape.
    bool ClipToFaceShape(TCanvas& canvas);

    std::unique_ptr<TLOPhotoImage> photoImage_;
    std::unique_ptr<TLOAlbumShade> shade_;
    TRotator rotator_;
    std::unique_ptr<TPhotoImageData> photo_;
    std::unique_ptr<TPictureEx> shadowPicture_;
    std::unique_ptr<TPersistentFont> dateFont_;
    std::unique_ptr<TAutoAdjustFilter> normalizeFilter_;
    int photoAngle_ = 0;
    bool shadow_ = false;
    bool fitOuter_ = false;
    bool frameFitPhoto_ = false;
    bool shadowShade_ = false;
    bool displayDate_ = false;
    int shadowX_ = kDefaultShadowOffset;
    int shadowY_ = kDefaultShadowOffset;
    QString dateFormat_;
    TDateTime photoDate_ = 0;
    std::unique_ptr<TFaceInfo> faceShape_;
    bool destroying_ = false;
    // Set while the prepared picture is built: the photo's own changes then are the build's.
    bool preparing_ = false;
};
