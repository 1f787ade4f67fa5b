#pragma once
// A picture on the page: a user picture, a catalogue illustration, a scanned image or a pasted
// bitmap or metafile, shown through its filter chain, optionally turned by any angle and
// overlaid with a frame picture (or faded by it, as an alpha frame). The wizard image adds the
// page wizard's input fields; the album illustration is what the tools create.

#include "imaging/UImageData.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/engine/ULORectBase.h"
#include "pageobjects/engine/UTransformer.h"
#include "platform/Bitmap.h"

#include <QImage>
#include <memory>

enum TImageSource { isFile, isOnePoint, isTwain, isPlugin };

// Key colours of picture material: $F0F0F0 shows what lies below; $607090 in a frame cuts a hole
// through picture and frame.
constexpr TColor kPictureTransparentColor = 0xF0F0F0;
constexpr TColor kFrameHoleColor = 0x607090;

// The four corners of r turned by the rotator, in order (left-top, right-top, right-bottom,
// left-bottom).
void TurnedCorners(const TRect& r, TRotator& rotator, TPoint (&corners)[4]);
// Their bounding box (right and bottom the largest coordinates).
TRect CornersBounds(const TPoint (&corners)[4]);
// Whether p lies in the turned rectangle (an unturned one excludes its right and bottom edge).
bool InTurnedRect(const TRect& r, TRotator& rotator, const TPoint& p);
// The side scaled by wanted / bounding, a bounding side of 0 keeping the side (MulDiv's -1).
int ScaledEnclosingSide(int side, int wanted, int bounding);
// What the turned-rectangle objects share: their bounds, outline and enclosing size.
TRect TurnedBounds(const TRect& r, TRotator& rotator);
void DrawTurnedOutline(TCanvas& canvas, const TRect& r, TRotator& rotator);
// The unturned width and height (cx, cy) whose turned extent becomes wanted: an unturned object
// takes wanted as it is, a turned one scales each side by wanted over its present extent.
TSize TurnedEnclosingSize(int angle, TSize side, TSize wanted, const TRect& extent);

class TLOImage : public TLORectBase, public virtual IDOBlend, public virtual IDORotate {
    QUORLANE_CLASS(TLOImage, TLORectBase)

public:
    explicit TLOImage(TComponent* owner);
    ~TLOImage() override;

    static void DeclareProperties(TPropertyBuilder<TLOImage>& p);

    TImageData* ImageData() const { return imageData_.get(); }
    void SetImageData(const TImageData* value) { imageData_->Assign(value); }
    TPictureEx* FramePicture() const { return framePicture_.get(); }
    void SetFramePicture(const TPicture* value) { framePicture_->Assign(value); }
    bool AlphaFrame() const { return alphaFrame_; }
    void SetAlphaFrame(bool value);
    int Angle() const { return rotator_.Angle(); }
    void SetAngle(int value) override;
    TImageSource ImageSource() const { return imageSource_; }
    void SetImageSource(TImageSource value) { imageSource_ = value; }
    // The picture of ImageData; reading or writing it marks the picture touched (older streams
    // stored the picture itself).
    TPictureEx* Picture();
    void SetPicture(const TPicture* value);
    bool PictureTouched() const { return pictureTouched_; }

    // Width and height become the natural size of the filtered picture.
    void AdjustSizeToPicture();
    // The factory's pastes: the clipboard's bitmap (packed first), or its metafile.
    void PasteBitmap();
    void PasteMetafile();
    // The painted form (picture, frame and turn) at the given work size, built when needed;
    // null for an empty picture. Exposed for the album photo and for tests.
    const TBitmap* ShownPicture(const TSize& workSize);
    // The size the shown picture is built at on canvas: the filtered picture's, or the device
    // pixels of the logical rect where those are fewer (never enlarged).
    TSize WorkSize(TCanvas& canvas);
    // Display copies built so far (tests and benchmarks watch the cache).
    int CopiesBuilt() const { return copiesBuilt_; }
    // Drops the shown picture (every change of what it shows does).
    void DropCache();

    // IDORotate, IDOBlend
    int GetAngle() override { return Angle(); }
    void SetBlendShade(bool value) override { TLabelObject::SetBlendShade(value); }
    bool GetBlendShade() override { return BlendShade(); }
    void SetBlendRatio(int value) override { TLabelObject::SetBlendRatio(value); }
    int GetBlendRatio() override { return BlendRatio(); }

    void Loaded() override;
    bool NeedsBlend() override;
    // NeedsBlend's answer once a picture is set, from the settings alone (decodes nothing).
    bool BlendsWhenShown();
    // A JPEG picture painted plainly: its device rectangle.
    bool PhotoInterior(TCanvas& canvas, TRect& deviceRect) override;
    std::function<void()> PaintPreparation(TCanvas& canvas) override;
    // After a paint onto canvas: the device rectangle that its shown picture covered opaquely (no
    // turn, frame, transparent colour or blend), its edge pixels left out; whatever the picture.
    bool OpaqueInterior(TCanvas& canvas, TRect& deviceRect);
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
    std::unique_ptr<TImageData> imageData_;
    TRotator rotator_;
    std::unique_ptr<TPictureEx> framePicture_;
    // The painted form and the work size it was built at.
    std::unique_ptr<TBitmap> shown_;
    QImage shownImage_;
    TSize shownSize_;
    bool alphaFrame_ = false;
    TImageSource imageSource_ = isFile;
    bool pictureTouched_ = false;
    bool busy_ = false;
    int copiesBuilt_ = 0;
};

class TLOWizardImage : public TLOImage, public virtual IDOWizardInput {
    QUORLANE_CLASS(TLOWizardImage, TLOImage)

public:
    explicit TLOWizardImage(TComponent* owner) : TLOImage(owner) {}
    static void DeclareProperties(TPropertyBuilder<TLOWizardImage>& p);

    bool WizInputEnable() const { return wizInputEnable_; }
    void SetWizInputEnableValue(bool value) { wizInputEnable_ = value; }
    const QString& WizInputCaption() const { return wizInputCaption_; }
    void SetWizInputCaptionValue(const QString& value) { wizInputCaption_ = value; }

    bool GetWizInputEnable() override { return wizInputEnable_; }
    void SetWizInputEnable(bool value) override { wizInputEnable_ = value; }
    QString GetWizInputCaption() override { return wizInputCaption_; }
    void SetWizInputCaption(const QString& value) override { wizInputCaption_ = value; }

protected:
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;

private:
    bool wizInputEnable_ = false;
    QString wizInputCaption_;
};

class TLOAlbumIllust : public TLOWizardImage {
    QUORLANE_CLASS(TLOAlbumIllust, TLOWizardImage)

public:
    explicit TLOAlbumIllust(TComponent* owner) : TLOWizardImage(owner) {}
};
