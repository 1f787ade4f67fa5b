#include "pageobjects/layout/ULOJANCode.h"

#include "LayoutTestSupport.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/ULORect.h"
#include "platform/Canvas.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

constexpr TColor kPage = 0x80C0FF;
// A code of 0.34 mm modules (EAN-13) centred on a page 50 x 50 mm, so it fits at every turn.
const TRect kCodeRect(64, 190, 436, 310);
constexpr TSize kPageSize{500, 500};

// The code drawn at dpi on a coloured page (logical units of 0.1 mm).
QImage DrawCode(const QString& code, int dpi, int angle, bool frame, bool digits, TRect rect = kCodeRect) {
    QImage image(int(int64_t(kPageSize.cx) * dpi / 254), int(int64_t(kPageSize.cy) * dpi / 254),
                 QImage::Format_RGB32);
    image.fill(QColor(GetRValue(kPage), GetGValue(kPage), GetBValue(kPage)));
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(dpi);
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExt(254, 254);
    canvas.SetViewportExt(dpi, dpi);
    canvas.Font().Height = -28;
    canvas.Font().Color = clBlack;
    DrawJANCode(canvas, code, rect, frame, digits, angle);
    canvas.FreeHandle();
    return image;
}

} // namespace

TEST(JANCodeTest, CheckDigitTestFindsWrongDigitsAndNonDigits) {
    EXPECT_TRUE(IsValidJANCheckDigit(QStringLiteral("4901234567894")));
    EXPECT_TRUE(IsValidJANCheckDigit(QStringLiteral("96385074")));
    EXPECT_FALSE(IsValidJANCheckDigit(QStringLiteral("4901234567895")));
    EXPECT_FALSE(IsValidJANCheckDigit(QStringLiteral("9638507A")));
    EXPECT_FALSE(IsValidJANCheckDigit(QStringLiteral("490123456789")));
    EXPECT_EQ(JANCheckDigit(QStringLiteral("456995111617")), 9);
}

TEST(JANCodeTest, EightDigitCodeDrawsItsModulesBetweenWhiteQuietZones) {
    // 96385074: guard 101, L-set 9 6 3 8, centre 01010, R-set 5 0 7 4, guard 101 (worked by hand
    // from the published tables), 81 modules with the quiet zones, at 0.5 mm each and 600 dpi.
    const QString expected = QStringLiteral("0000000"
                                            "101"
                                            "0001011"
                                            "0101111"
                                            "0111101"
                                            "0110111"
                                            "01010"
                                            "1001110"
                                            "1110010"
                                            "1000100"
                                            "1011100"
                                            "101"
                                            "0000000");
    const TRect rect(45, 50, 45 + 405, 250);
    const QImage out = DrawCode(QStringLiteral("96385074"), 600, 0, false, false, rect);
    QString modules;
    for (int i = 0; i < TJANCode::kEAN8Modules; ++i) {
        const int x = int((rect.Left + (i + 0.5) * 5) * 600 / 254);
        const TColor c = Pixel(out, x, int(150 * 600 / 254));
        modules += c == clBlack ? QLatin1Char('1') : c == clWhite ? QLatin1Char('0') : QLatin1Char('?');
    }
    EXPECT_EQ(modules, expected);
    // The white rectangle ends where the rect does; the page shows around it.
    EXPECT_EQ(Pixel(out, int(44 * 600 / 254), int(150 * 600 / 254)), kPage);
    // Without digits every bar reaches the bottom.
    EXPECT_EQ(Pixel(out, int((rect.Left + 7.5 * 5) * 600 / 254), int(248 * 600 / 254)), clBlack);
}

TEST(JANCodeTest, CodesOfTheWrongLengthWithNonDigitsOrAWrongCheckDigitDrawNothing) {
    const QImage blank = DrawCode(QString(), 300, 0, true, true);
    for (const QString& code : {QStringLiteral("490123456789"), QStringLiteral("49012345678A4"),
                                QStringLiteral("4901 345"), QStringLiteral("４901234567894"),
                                QStringLiteral("4901234567895"), QStringLiteral("96385075")})
        EXPECT_EQ(DrawCode(code, 300, 0, true, true), blank) << qPrintable(code);
}

TEST(JANCodeTest, CodesScanAtEveryTurnResolutionAndStyle) {
    REQUIRE_CHECKER(HasZbarimg(), "zbarimg (zbar-tools)");
    for (const QString& code : {QStringLiteral("4901234567894"), QStringLiteral("96385074")})
        for (int dpi : {300, 600})
            for (int angle : {0, 90, 180, 270})
                for (const auto& [frame, digits] : {std::pair{false, true}, {true, false}, {true, true}}) {
                    const QImage out = DrawCode(code, dpi, angle, frame, digits);
                    const QStringList found = DecodeBarcodes(out);
                    if (found != QStringList{code})
                        SavePicture(out, QStringLiteral("%1-%2-%3").arg(code).arg(dpi).arg(angle));
                    EXPECT_EQ(found, QStringList{code})
                        << qPrintable(code) << " at " << dpi << " dpi, " << angle << " degrees, frame "
                        << frame << ", digits " << digits;
                }
    // A wrong check digit gives nothing a reader could take for a code.
    EXPECT_TRUE(DecodeBarcodes(DrawCode(QStringLiteral("4901234567895"), 300, 0, false, true)).isEmpty());
}

namespace {

// A code object on a coloured site of 50 x 50 mm, the site drawn at dpi.
QImage DrawObjectCode(const QString& code, int dpi, int angle, bool frame) {
    RegisterLayoutTestClasses();
    auto site = MakeSite(kPageSize.cx, kPageSize.cy);
    auto* page = new TLORect(site.get());
    page->SetLogRect(TRect(0, 0, kPageSize.cx, kPageSize.cy));
    page->SetFrameWidth(0);
    page->FillColor()->SetColor(kPage);
    page->SetFillInside(true);
    site->AddObject(page);
    auto* jan = new TLOJANCode(site.get());
    jan->SetLogRect(kCodeRect);
    jan->SetJANCode(code);
    jan->SetAngle(angle);
    jan->SetShowFrame(frame);
    site->AddObject(jan);
    return RenderSite(*site, dpi);
}

} // namespace

TEST(LOJANCodeTest, ObjectCodesScanWhenTheSiteIsDrawn) {
    REQUIRE_CHECKER(HasZbarimg(), "zbarimg (zbar-tools)");
    for (int dpi : {300, 600})
        for (int angle : {0, 90, 180, 270}) {
            const QImage out = DrawObjectCode(QStringLiteral("4901234567894"), dpi, angle, angle == 90);
            EXPECT_EQ(DecodeBarcodes(out), QStringList{QStringLiteral("4901234567894")})
                << dpi << " dpi, " << angle << " degrees";
        }
    // Eight or thirteen characters that are not all digits draw nothing, not even the white.
    const QImage blank = DrawObjectCode(QString(), 300, 0, true);
    EXPECT_EQ(Pixel(blank, 300 * 250 / 254, 300 * 250 / 254), kPage);
    EXPECT_EQ(DrawObjectCode(QStringLiteral("4901234567８94"), 300, 0, true), blank);
    EXPECT_EQ(DrawObjectCode(QStringLiteral("9638-074"), 300, 0, true), blank);
}

TEST(LOJANCodeTest, StoredFormRoundTripsInOrder) {
    RegisterLayoutTestClasses();
    TLOJANCode jan(nullptr);
    EXPECT_EQ(jan.LogBounds(), TRect(0, 0, 300, 100));
    EXPECT_TRUE(jan.ShowNumber());
    jan.SetLogRect(TRect(10, 10, 382, 130));
    jan.SetAngle(90);
    jan.SetJANCode(QStringLiteral("96385074"));
    jan.Font()->SetSize(10);
    jan.SetShowFrame(true);
    EXPECT_EQ(jan.LogRect(), TRect(136, -116, 256, 256));
    const QByteArray bytes = Store(&jan);
    qsizetype last = bytes.indexOf("\x06"
                                   "Height");
    for (const char* name : {"\x05"
                             "Angle",
                             "\x07"
                             "JANCode",
                             "\x09"
                             "Font.Size",
                             "\x0a"
                             "ShowNumber\x09",
                             "\x09"
                             "ShowFrame\x09"}) {
        const qsizetype at = bytes.indexOf(name);
        EXPECT_GT(at, last) << name;
        last = at;
    }
    auto back = Load(bytes);
    auto* loaded = dynamic_cast<TLOJANCode*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->JANCode(), QStringLiteral("96385074"));
    EXPECT_EQ(loaded->Angle(), 90);
    EXPECT_EQ(loaded->Font()->Size(), 10);
    EXPECT_EQ(Store(loaded), bytes);
    TLOJANCode copy(nullptr);
    copy.Assign(loaded);
    EXPECT_EQ(Store(&copy), bytes);
}

TEST(LOJANCodeTest, ColourSetThroughTheInterfaceIsTheColourShown) {
    TLOJANCode jan(nullptr);
    TIntf<IDOColor> colour = Supports<IDOColor>(static_cast<TGraphicControl*>(&jan));
    ASSERT_TRUE(colour);
    TColorSpec red;
    red.SetColor(clRed);
    colour->SetColor(red);
    EXPECT_EQ(jan.Font()->Color(), clRed);
    EXPECT_EQ(colour->GetColor().Color(), clRed);
    // The stored font colour is what a loaded code shows.
    jan.Font()->SetColor(clBlue);
    EXPECT_EQ(colour->GetColor().Color(), clBlue);
}
