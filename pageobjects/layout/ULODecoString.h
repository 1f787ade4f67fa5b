#pragma once
// A short text drawn with the pictures of an image font instead of a typeface, laid out across
// its rectangle with an alignment and turned by any angle. The turned string is kept as a
// picture until something it depends on changes.

#include "imaging/UPictureEX.h"
#include "pageobjects/engine/UDOInterface.h"
#include "pageobjects/engine/ULORectBase.h"
#include "pageobjects/engine/UTransformer.h"
#include "pageobjects/layout/UImageFont.h"

#include <memory>

class TLODecoString : public TLORectBase, public virtual IDORotate, public virtual IDOAlign {
    QUORLANE_CLASS(TLODecoString, TLORectBase)

public:
    // The turned string is drawn at its logical size; one larger than this is not painted rather
    // than allocating without bound.
    static constexpr int64_t kMaxTurnPixels = int64_t(1) << 22;

    explicit TLODecoString(TComponent* owner);
    ~TLODecoString() override;

    static void DeclareProperties(TPropertyBuilder<TLODecoString>& p);

    const QString& Text() const { return text_; }
    void SetText(const QString& value);
    int FontNo() const { return font_->FontNo(); }
    void SetFontNo(int value) { font_->SetFontNo(value); }
    int Align() const { return align_; }
    void SetAlignValue(int value);
    int Angle() const { return rotator_.Angle(); }
    void SetAngle(int value) override;
    TImageFont& ImageFont() const { return *font_; }

    // The string laid out in r: the text's CP932 bytes, each as wide as its glyph, aligned across
    // r's width and drawn at r's top.
    void DrawDecoString(TCanvas& canvas, const TRect& r);
    // Turned pictures built so far (tests watch the cache).
    int TurnsBuilt() const { return turnsBuilt_; }

    // IDORotate, IDOAlign
    int GetAngle() override { return Angle(); }
    int GetAlign() override { return align_; }
    void SetAlign(int value) override { SetAlignValue(value); }

    bool HitTest(const TPoint& p) override;
    void GetLogRect(TRect& r) override;
    void SetEnclosingSize(int w, int h) override;
    void DrawOutline(TCanvas& canvas) override;
    void SetLogRect(const TRect& r) override;
    void Loaded() override;

protected:
    void Paint() override;
    void AssignTo(TPersistent* dest) const override;
    bool GetInterface(const TGUID& iid, void** obj) override;
    void HandleNotify(TObject* sender, const TGUID& eventID) override;

private:
    void DropTurned();

    QString text_;
    std::unique_ptr<TImageFont> font_;
    std::unique_ptr<TPictureEx> turned_;
    int align_ = 0;
    TRotator rotator_;
    int turnsBuilt_ = 0;
};
