#pragma once
// An embedded object of another application on a page. There is no embedding service here: the
// bytes its container stored ("Data") are kept as they are, written back unchanged and copied by
// assignment, and the object is drawn from the presentation saved inside its compound file when
// that is a device-independent bitmap, else as a framed placeholder. The presentation's size is
// the object's natural extent. Editing and pasting embedded objects are not available.

#include "pageobjects/engine/ULORectBase.h"

#include <QByteArray>
#include <memory>

class TBitmap;
class TStream;

class TLOOLE : public TLORectBase {
    QUORLANE_CLASS(TLOOLE, TLORectBase)

public:
    // "Data": signature, draw aspect, N, then N bytes of the object's compound file.
    static constexpr uint32_t kDataSignature = 0x434F4442;
    static constexpr int kDataHeaderSize = 12;
    // The extent taken when no presentation tells one.
    static constexpr TSize kDefaultSize{100, 50};

    explicit TLOOLE(TComponent* owner);
    ~TLOOLE() override;

    bool HasObject() const { return !data_.isEmpty(); }
    // The stored bytes (empty without an object).
    const QByteArray& Data() const { return data_; }
    // 1 content, 4 icon; 0 without an object.
    int32_t DrawAspect() const;
    // The presentation's extent in 0.01 mm; (0, 0) when none was found.
    TSize Extent() const { return extent_; }
    // Whether a bitmap presentation was found to draw.
    bool HasPresentation() const { return presentation_ != nullptr; }

    // The stored form. Loading checks the signature and that N bytes follow; EReadError leaves the
    // object as it was.
    void SaveToStream(TStream& stream) const;
    void LoadFromStream(TStream& stream);
    // Width and height from the extent (0.01 mm to 0.1 mm), or kDefaultSize without one.
    void TakeNaturalExtent();
    // Not available here: raise EInvalidOperation with the message the editor shows, changing
    // nothing.
    void PasteFromClipboard();
    void OpenForEdit();

    void SetEnclosingSize(int w, int h) override;
    void DrawOutline(TCanvas& canvas) override;
    bool KeepAspectRatio() override { return true; }

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;
    void DefineProperties(TFiler& filer) override;

private:
    QByteArray data_;
    TSize extent_;
    std::shared_ptr<TBitmap> presentation_;
};

// The content presentation of an embedded object's compound file: its extent in 0.01 mm and, when
// it is a device-independent bitmap, the bitmap. Damaged or missing presentations give none.
struct TOLEPresentation {
    TSize Extent;
    std::shared_ptr<TBitmap> Bitmap;
};
TOLEPresentation ReadOLEPresentation(const QByteArray& compoundFile);
