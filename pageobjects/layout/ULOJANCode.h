#pragma once
// JAN (EAN-13, or EAN-8 for eight digits) bar codes: TJANCode draws one code into a rectangle of
// a canvas, turned by an angle, with or without the human-readable digits and a frame. Module
// edges are worked out in device pixels from their fractions of the rectangle, so a small code
// keeps its proportions on every device and scans. TLOJANCode is the page object holding a code
// and its settings.

#include "imaging/UColorFill.h"
#include "pageobjects/engine/UDOInterface.h"
#include "pageobjects/engine/ULORectBase.h"
#include "pageobjects/engine/UTransformer.h"
#include "pageobjects/layout/USimpleText.h"
#include "platform/Rect.h"

#include <QString>
#include <memory>

class QPainter;
class TCanvas;

// Whether code is 8 or 13 ASCII digits whose last is the check digit of the others; only such a
// code is drawn.
bool IsValidJANCheckDigit(const QString& code);
// The check digit of 7 or 12 ASCII digits, or -1.
int JANCheckDigit(const QString& digits);

class TJANCode {
public:
    // Quiet zone on each side, and the modules of each kind across the rectangle.
    static constexpr int kQuietModules = 7;
    static constexpr int kEAN13Modules = 109;
    static constexpr int kEAN8Modules = 81;
    // The frame: its pen width, and how far the symbol lies inside it.
    static constexpr int kFrameWidth = 3;
    static constexpr int kFrameInset = 10;

    TJANCode(TCanvas& canvas, const TRect& rect, int angle, bool showNumber);
    // Draws nothing unless code is 8 or 13 ASCII digits ending in their check digit.
    void Draw(const QString& code, bool showFrame);

private:
    void DrawPattern(int module, const char* pattern, bool guard);
    void DrawDigit(int module, QChar digit);
    // The polygon of modules first..last (inclusive) from top down to bottom, turned, in device
    // pixels.
    void FillModules(int first, int last, double bottom);

    TCanvas& canvas_;
    TRect rect_;
    int modules_ = kEAN13Modules;
    TRotator rotator_;
    bool showNumber_;
    int digitHeight_ = 0;
    QPainter* painter_ = nullptr;
};

// Makes a TJANCode for one drawing.
void DrawJANCode(TCanvas& canvas, const QString& code, const TRect& rect, bool showFrame, bool showNumber,
                 int angle);

class TLOJANCode : public TLORectBase,
                   public virtual IDOColor,
                   public virtual IDOFont,
                   public virtual IDORotate {
    QUORLANE_CLASS(TLOJANCode, TLORectBase)

public:
    // A new code is 30 x 10 mm.
    static constexpr int kDefaultWidth = 300;
    static constexpr int kDefaultHeight = 100;

    explicit TLOJANCode(TComponent* owner);
    ~TLOJANCode() override;

    static void DeclareProperties(TPropertyBuilder<TLOJANCode>& p);

    int Angle() const { return rotator_.Angle(); }
    void SetAngle(int value) override;
    const QString& JANCode() const { return janCode_; }
    void SetJANCode(const QString& value);
    TPointBasedFont* Font() const { return font_.get(); }
    void SetFontValue(const TPersistentFont& value) { font_->Assign(&value); }
    bool ShowNumber() const { return showNumber_; }
    void SetShowNumber(bool value);
    bool ShowFrame() const { return showFrame_; }
    void SetShowFrame(bool value);

    // IDOColor: the digits' colour. A set takes the whole TColorSpec, so what panels show is
    // what is drawn.
    TColorSpec& GetColor() override;
    void SetColor(const TColorSpec& value) override;
    // IDOFont, IDORotate
    TFont GetFont() override { return font_->Value(); }
    void SetFont(const TFont& value) override;
    int GetAngle() override { return Angle(); }

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
    TRotator rotator_;
    QString janCode_;
    std::unique_ptr<TPointBasedFont> font_;
    bool showNumber_ = true;
    bool showFrame_ = false;
    std::unique_ptr<TColorSpec> color_;
};
