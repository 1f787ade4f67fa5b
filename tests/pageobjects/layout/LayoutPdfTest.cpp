// The same page of shapes and pictures drawn onto an image and into a PDF gives the same picture.

#include "LayoutTestSupport.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/layout/ULOAlphaMask.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOLine.h"
#include "pageobjects/layout/ULORect.h"
#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "tests/TestSupport.h"

#include <QFile>
#include <QPrinter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void PrintSite(TDrawSite& site, const QString& pdf) {
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setFullPage(true);
    printer.setPageSize(
        QPageSize(QSizeF(site.LogWidth() * 72.0 / 96, site.LogHeight() * 72.0 / 96), QPageSize::Point));
    printer.setPageMargins(QMarginsF(0, 0, 0, 0));
    printer.setResolution(96);
    TCanvas canvas(&printer);
    site.DrawTo(canvas, TPoint(0, 0), 100);
}

// A 400 x 200 page at 96 dpi, and a folder for its PDF.
class LayoutPdfTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterLayoutTestClasses();
        ASSERT_TRUE(dir.isValid());
        site.Scaler().SetUnitDPI(96);
        site.SetLogWidth(400);
        site.SetLogHeight(200);
    }
    // The page printed and read back at 96 dpi; null when that failed.
    QImage Printed() {
        const QString pdf = dir.filePath(QStringLiteral("page.pdf"));
        PrintSite(site, pdf);
        return TestSupport::RasterisePdf(pdf, 96);
    }
    QTemporaryDir dir;
    TDrawSite site{nullptr};
};

} // namespace

TEST_F(LayoutPdfTest, DrawToAnImageAndToAPdfAgree) {
    auto* rect = new TLORect(&site);
    rect->SetLogRect(TRect(20, 20, 180, 120));
    rect->SetFrameWidth(8);
    rect->FrameColor()->SetColor(clNavy);
    rect->SetFillInside(true);
    rect->FillColor()->SetColor(RGB(230, 230, 230));
    auto* line = new TLOLine(&site);
    line->SetStartPoint(TPoint(200, 30));
    line->SetEndPoint(TPoint(380, 30));
    line->LineColor()->SetColor(clRed);
    auto* image = new TLOImage(&site);
    image->SetLogRect(TRect(220, 60, 380, 180));
    TSafetyBitmap picture(80, 60, pf24bit);
    picture.Canvas().FillSolid(TRect(0, 0, 80, 60), clGreen);
    picture.Canvas().FillSolid(TRect(20, 15, 60, 45), clYellow);
    picture.Canvas().FreeHandle();
    image->ImageData()->Picture()->SetGraphic(&picture);
    image->SetBlendRatio(60);
    auto* mask = new TLOAlphaMask(&site);
    mask->SetLogRect(TRect(60, 60, 260, 160));
    mask->FillColor()->SetColor(clBlue);
    TSafetyBitmap shape(20, 10, pf24bit);
    shape.Canvas().FillSolid(TRect(0, 0, 20, 10), clBlack);
    shape.Canvas().FillSolid(TRect(5, 2, 15, 8), clWhite);
    shape.Canvas().FreeHandle();
    mask->Picture()->SetGraphic(&shape);
    for (TDrawObject* o : std::initializer_list<TDrawObject*>{rect, line, image, mask})
        site.AddObject(o);

    QImage drawn(400, 200, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
        TCanvas canvas(&drawn);
        canvas.SetPixelsPerInch(96);
        site.DrawTo(canvas, TPoint(0, 0), 100);
    }
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const QImage printed = Printed();
    ASSERT_FALSE(printed.isNull()) << "pdftoppm failed";
    EXPECT_EQ(Pixel(drawn, 100, 70), RGB(230, 230, 230));
    EXPECT_TRUE(TestSupport::ImagesMatch(printed, drawn, 3, {.SkipEdges = true}));
}

TEST_F(LayoutPdfTest, OneBitPictureFilesShowTheirOwnColoursOnScreenAndInPrint) {
    // Left column entry 0, right column entry 1: white-then-black, and dark blue on cream.
    const std::vector<std::vector<TRGBQuad>> tables{{0xFFFFFF, 0x000000}, {0xFFF8DC, 0x102060}};
    for (size_t i = 0; i < tables.size(); ++i) {
        PixelBuffer bits(2, 2, 1);
        bits.SetColorTable(tables[i]);
        bits.ScanLine(0)[0] = bits.ScanLine(1)[0] = 0x40;
        const QString path = dir.filePath(QStringLiteral("mono%1.bmp").arg(i));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(EncodeBitmapFile(bits)) > 0);
        file.close();
        TSafetyBitmap picture;
        picture.LoadFromFile(path);
        auto* rect = new TLORect(&site);
        const int left = 20 + 200 * int(i);
        rect->SetLogRect(TRect(left, 20, left + 160, 180));
        rect->SetFrameWidth(0);
        rect->SetFillInside(true);
        rect->FillColor()->SetBitmap(&picture);
        rect->FillColor()->SetKind(cskBitmap);
        site.AddObject(rect);
    }
    QImage drawn(400, 200, QImage::Format_RGB32);
    drawn.fill(Qt::white);
    {
        TCanvas canvas(&drawn);
        canvas.SetPixelsPerInch(96);
        // Left over from text drawn before: a picture's colours do not come from it.
        canvas.SetTextColor(clRed);
        canvas.SetBkColor(clLime);
        site.DrawTo(canvas, TPoint(0, 0), 100);
    }
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    const QImage printed = Printed();
    ASSERT_FALSE(printed.isNull()) << "pdftoppm failed";
    for (size_t i = 0; i < tables.size(); ++i)
        for (int column = 0; column < 2; ++column) {
            const int x = 60 + 200 * int(i) + 80 * column;
            const TColor expected = RGBQuadToColor(tables[i][size_t(column)]);
            EXPECT_EQ(Pixel(drawn, x, 100), expected) << i << "," << column;
            EXPECT_TRUE(
                TestSupport::ImagesMatch(printed.copy(x - 10, 90, 20, 20), drawn.copy(x - 10, 90, 20, 20), 3))
                << i << "," << column;
        }
}
