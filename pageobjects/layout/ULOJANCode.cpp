#include "pageobjects/layout/ULOJANCode.h"

#include "core/UGeometryUtil.h"
#include "imaging/UCanvas.h"
#include "pageobjects/layout/ULOImage.h"
#include "platform/Angle.h"
#include "platform/Canvas.h"
#include "platform/IntMath.h"

#include <QPainter>
#include <QPolygonF>
#include <cmath>
#include <numbers>

namespace {

const char* const kStartGuard = "101";
const char* const kCentreGuard = "01010";
// Parity of the six left digits of an EAN-13 code by its first digit (O odd set L, E even set G).
const char* const kParity13[10] = {"OOOOOO", "OOEOEE", "OOEEOE", "OOEEEO", "OEOOEE",
                                   "OEEOOE", "OEEEOO", "OEOEOE", "OEOEEO", "OEEOEO"};
const char* const kParity8 = "OOOO";
const char* const kSetL[10] = {"0001101", "0011001", "0010011", "0111101", "0100011",
                               "0110001", "0101111", "0111011", "0110111", "0001011"};
const char* const kSetG[10] = {"0100111", "0110011", "0011011", "0100001", "0011101",
                               "0111001", "0000101", "0010001", "0001001", "0010111"};
const char* const kSetR[10] = {"1110010", "1100110", "1101100", "1000010", "1011100",
                               "1001110", "1010000", "1000100", "1001000", "1110100"};
constexpr int kDigitModules = 7;

bool AllDigits(const QString& s) {
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    return true;
}

} // namespace

int JANCheckDigit(const QString& digits) {
    if ((digits.size() != 7 && digits.size() != 12) || !AllDigits(digits))
        return -1;
    // Weights 3 and 1 alternate from the digit next to the check digit.
    int sum = 0;
    for (qsizetype i = 0; i < digits.size(); ++i) {
        const int d = digits[digits.size() - 1 - i].unicode() - '0';
        sum += (i % 2 == 0) ? 3 * d : d;
    }
    return (10 - sum % 10) % 10;
}

bool IsValidJANCheckDigit(const QString& code) {
    if (code.size() != 8 && code.size() != 13)
        return false;
    const int check = JANCheckDigit(code.left(code.size() - 1));
    return check >= 0 && code.back().unicode() - '0' == check;
}

TJANCode::TJANCode(TCanvas& canvas, const TRect& rect, int angle, bool showNumber)
    : canvas_(canvas), rect_(rect), showNumber_(showNumber) {
    rotator_.Center = RectCenter(rect);
    rotator_.SetAngle(angle);
}

void TJANCode::FillModules(int first, int last, double bottom) {
    const double width = double(rect_.Right) - rect_.Left;
    const double left = rect_.Left + double(first) * width / modules_;
    const double right = rect_.Left + double(last + 1) * width / modules_;
    QPolygonF bar(
        {QPointF(left, rect_.Top), QPointF(right, rect_.Top), QPointF(right, bottom), QPointF(left, bottom)});
    // Turned about the centre exactly (clockwise on the page), then mapped to device pixels.
    const double a = rotator_.Angle() * std::numbers::pi / 180;
    QTransform turn;
    turn.translate(rotator_.Center.X, rotator_.Center.Y);
    turn.rotateRadians(a);
    turn.translate(-rotator_.Center.X, -rotator_.Center.Y);
    painter_->drawPolygon(canvas_.MappingTransform().map(turn.map(bar)));
}

void TJANCode::DrawPattern(int module, const char* pattern, bool guard) {
    double bottom = rect_.Bottom;
    if (showNumber_)
        bottom -= guard ? digitHeight_ / 2 + 2 : digitHeight_ + 2;
    for (int i = 0; pattern[i] != '\0';) {
        if (pattern[i] != '1') {
            ++i;
            continue;
        }
        int j = i;
        while (pattern[j + 1] == '1')
            ++j;
        FillModules(module + i, module + j, bottom);
        i = j + 1;
    }
}

void TJANCode::DrawDigit(int module, QChar digit) {
    const QString text(digit);
    const TSize size = canvas_.TextExtent(text);
    const int cellLeft = rect_.Left + MulDiv(module, rect_.Width(), modules_);
    const int cellRight = rect_.Left + MulDiv(module + kDigitModules, rect_.Width(), modules_);
    const int cell = cellRight - cellLeft;
    const int offset = size.cx < cell ? (cell - size.cx) / 2 : 0;
    TPoint p(offset != 0 ? cellLeft + offset : cellLeft + 1, rect_.Bottom - size.cy - 1);
    rotator_.TransformPoint(p);
    canvas_.TextOut(p.X, p.Y, text);
}

void TJANCode::Draw(const QString& code, bool showFrame) {
    const qsizetype n = code.size();
    // A wrong check digit would print bars that no reader accepts, or that one reads as another
    // article: such a code draws nothing, as a code of the wrong length does.
    if (!IsValidJANCheckDigit(code))
        return;
    modules_ = n == 8 ? kEAN8Modules : kEAN13Modules;
    TIntf<IUnknownEx> saver;
    SaveCanvasState(canvas_, true, saver);

    if (showNumber_) {
        const int angle = ((rotator_.Angle() % 360) + 360) % 360;
        canvas_.Font().Orientation = (kTenthsPerTurn - 10 * angle) % kTenthsPerTurn;
        digitHeight_ = canvas_.TextHeight(QStringLiteral("0"));
    }

    // The white rectangle (framed when asked) behind the symbol, turned.
    canvas_.Brush() = TBrush{clWhite, bsSolid};
    canvas_.Pen() = showFrame ? TPen{clBlack, kFrameWidth, psInsideFrame} : TPen{clWhite, 0};
    canvas_.SetCopyMode(cmSrcCopy);
    TPoint corners[4] = {TPoint(rect_.Left, rect_.Top), TPoint(rect_.Right - 1, rect_.Top),
                         TPoint(rect_.Right - 1, rect_.Bottom - 1), TPoint(rect_.Left, rect_.Bottom - 1)};
    for (TPoint& p : corners)
        rotator_.TransformPoint(p);
    canvas_.Polygon(corners, 4);
    if (showFrame)
        rect_ = TRect(rect_.Left + kFrameInset, rect_.Top + kFrameInset, rect_.Right - kFrameInset,
                      rect_.Bottom - kFrameInset);

    canvas_.Pen() = TPen{clBlack, 0};
    canvas_.Brush() = TBrush{clBlack, bsSolid};
    painter_ = canvas_.Painter();
    if (painter_ == nullptr)
        return;
    // Bars are filled without an outline: a pen would widen every bar by a pixel.
    painter_->save();
    painter_->setRenderHint(QPainter::Antialiasing, false);
    painter_->setPen(Qt::NoPen);
    painter_->setBrush(Qt::black);

    const QString digits = n == 13 ? code.mid(1) : code;
    const char* parity = n == 13 ? kParity13[code[0].unicode() - '0'] : kParity8;
    const int half = n == 13 ? 6 : 4;
    const auto digitAt = [&](int i) { return digits[i].unicode() - '0'; };

    int m = kQuietModules;
    DrawPattern(m, kStartGuard, true);
    m += 3;
    for (int i = 0; i < half; ++i, m += kDigitModules)
        DrawPattern(m, parity[i] == 'E' ? kSetG[digitAt(i)] : kSetL[digitAt(i)], false);
    DrawPattern(m, kCentreGuard, true);
    m += 5;
    for (int i = half; i < 2 * half; ++i, m += kDigitModules)
        DrawPattern(m, kSetR[digitAt(i)], false);
    DrawPattern(m, kStartGuard, true);
    painter_->restore();

    if (showNumber_) {
        canvas_.Brush().Style = bsClear;
        if (n == 13)
            DrawDigit(0, code[0]);
        m = kQuietModules + 3;
        for (int i = 0; i < half; ++i, m += kDigitModules)
            DrawDigit(m, digits[i]);
        m += 5;
        for (int i = half; i < 2 * half; ++i, m += kDigitModules)
            DrawDigit(m, digits[i]);
    }
}

void DrawJANCode(TCanvas& canvas, const QString& code, const TRect& rect, bool showFrame, bool showNumber,
                 int angle) {
    TJANCode jan(canvas, rect, angle, showNumber);
    jan.Draw(code, showFrame);
}

// ---- TLOJANCode

TLOJANCode::TLOJANCode(TComponent* owner)
    : TLORectBase(owner), font_(std::make_unique<TPointBasedFont>()), color_(std::make_unique<TColorSpec>()) {
    Listener()->AddBroadcaster(color_.get());
    font_->OnChange = [this](TObject*) {
        Changed();
        Invalidate();
        UpdateBounds();
    };
    SetLogRect(TRect(0, 0, kDefaultWidth, kDefaultHeight));
}

TLOJANCode::~TLOJANCode() {
    font_->OnChange = nullptr;
}

void TLOJANCode::DeclareProperties(TPropertyBuilder<TLOJANCode>& p) {
    p.Integer("Angle", &TLOJANCode::Angle, &TLOJANCode::SetAngle);
    p.String("JANCode", &TLOJANCode::JANCode, &TLOJANCode::SetJANCode);
    p.Object("Font", &TLOJANCode::Font);
    p.Boolean("ShowNumber", &TLOJANCode::ShowNumber, &TLOJANCode::SetShowNumber);
    p.Boolean("ShowFrame", &TLOJANCode::ShowFrame, &TLOJANCode::SetShowFrame);
}

void TLOJANCode::SetAngle(int value) {
    if (value == Angle())
        return;
    rotator_.SetAngle(value);
    Changed();
    Invalidate();
    UpdateBounds();
}

void TLOJANCode::SetJANCode(const QString& value) {
    if (value == janCode_)
        return;
    janCode_ = value;
    Invalidate();
    Changed();
}

void TLOJANCode::SetShowNumber(bool value) {
    if (value == showNumber_)
        return;
    showNumber_ = value;
    Changed();
    Invalidate();
}

void TLOJANCode::SetShowFrame(bool value) {
    if (value == showFrame_)
        return;
    showFrame_ = value;
    Changed();
    Invalidate();
}

TColorSpec& TLOJANCode::GetColor() {
    // The digits are drawn in the font's colour, which a stored code keeps while its TColorSpec
    // is not stored: the TColorSpec follows it.
    if (color_->Color() != font_->Color())
        color_->SetColor(font_->Color());
    return *color_;
}

void TLOJANCode::SetColor(const TColorSpec& value) {
    color_->Assign(&value);
    font_->SetColor(value.Color());
}

void TLOJANCode::SetFont(const TFont& value) {
    TFont f = value;
    f.PixelsPerInch = font_->Value().PixelsPerInch;
    f.SetSize(value.Size());
    font_->SetValue(f);
}

void TLOJANCode::SetLogRect(const TRect& r) {
    rotator_.Center = RectCenter(NormalizeRect(r));
    TLORectBase::SetLogRect(r);
    UpdateBounds();
}

void TLOJANCode::Paint() {
    TCanvas* canvas = GetDrawCanvas();
    if (canvas == nullptr)
        return;
    font_->ApplyTo(canvas->Font());
    DrawJANCode(*canvas, janCode_, LogBounds(), showFrame_, showNumber_, Angle());
}

void TLOJANCode::GetLogRect(TRect& r) {
    r = TurnedBounds(LogBounds(), rotator_);
}

bool TLOJANCode::HitTest(const TPoint& p) {
    return InTurnedRect(LogBounds(), rotator_, p);
}

void TLOJANCode::DrawOutline(TCanvas& canvas) {
    DrawTurnedOutline(canvas, LogBounds(), rotator_);
}

void TLOJANCode::SetEnclosingSize(int w, int h) {
    const TSize size = TurnedEnclosingSize(Angle(), TSize(LogWidth(), LogHeight()), TSize(w, h), LogRect());
    SetLogWidth(size.cx);
    SetLogHeight(size.cy);
}

void TLOJANCode::AssignTo(TPersistent* dest) const {
    TLORectBase::AssignTo(dest);
    auto* target = dynamic_cast<TLOJANCode*>(dest);
    if (target == nullptr)
        return;
    target->SetAngle(Angle());
    target->SetJANCode(janCode_);
    target->SetFontValue(*font_);
    target->SetShowNumber(showNumber_);
    target->SetShowFrame(showFrame_);
}

bool TLOJANCode::GetInterface(const TGUID& iid, void** obj) {
    return Offer<IDOColor>(this, iid, obj) || Offer<IDOFont>(this, iid, obj) ||
           Offer<IDORotate>(this, iid, obj) || TLORectBase::GetInterface(iid, obj);
}

void TLOJANCode::HandleNotify(TObject* sender, const TGUID& eventID) {
    if (eventID == GUID_Changed && sender == static_cast<TObject*>(color_.get()))
        font_->SetColor(color_->Color());
    TLORectBase::HandleNotify(sender, eventID);
}
