#include "papers/UBackImageFit.h"

#include "pageobjects/layout/ULOBackImage.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "tests/FakePrinterBackend.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"

#include <gtest/gtest.h>

namespace {

class BackImageFitTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterLabelDataClasses();
        RegisterTestClasses();
        FakePrinterBackend* backend = FakePrinterBackend::Install();
        backend->queues["Office"] = FakePrinterBackend::OfficeQueue(); // A4, 5 mm margins
        backend->defaultQueue = "Office";
        Printer().SetPrinterIndex(-1);
    }
    void TearDown() override { SetPrinterBackend(nullptr); }

    void SetPaper(int width, int height, bool landscape, int strip) {
        TMatrixPaperInfo paper(nullptr);
        paper.SetWidth(width);
        paper.SetHeight(height);
        paper.Landscape = landscape;
        doc.SetPaperInfo(paper);
        TExAlbumInfo album(nullptr);
        album.SetLeftMargin(strip);
        doc.SetPaperExtraAlbum(&album);
    }

    TLabelData doc{nullptr};
};

} // namespace

TEST_F(BackImageFitTest, PrintableAreaKeepsOffTheFarEdgesAndTheAlbumStrip) {
    SetPaper(2100, 2970, false, 0);
    EXPECT_EQ(GetBackImageRect(doc, 254), TRect(50, 50, 2050, 2920));
    // The same at 600 units an inch.
    EXPECT_EQ(GetBackImageRect(doc, 600), TRect(118, 118, 4843, 6898));
    // A smaller paper: as far from its right and bottom edges as from its left and top.
    SetPaper(1000, 1200, false, 0);
    EXPECT_EQ(GetBackImageRect(doc, 254), TRect(50, 50, 950, 1150));
    // The PDF file has no margins and takes any paper: an A3 sheet is covered whole.
    Printer().SetPrinter(TPrinter::PdfPrinterName, {}, {}, {});
    SetPaper(2970, 4200, false, 0);
    EXPECT_EQ(GetBackImageRect(doc, 254), TRect(0, 0, 2970, 4200));
    Printer().SetPrinterIndex(-1);

    // The strip binds on the right of matching pages, on the left of the others.
    SetPaper(2100, 2970, false, 300);
    doc.FaceSides = fsBack;
    EXPECT_EQ(GetBackImageRect(doc, 254), TRect(50, 50, 1800, 2920));
    doc.FaceSides = fsFront;
    EXPECT_EQ(GetBackImageRect(doc, 254), TRect(300, 50, 2050, 2920));
    // Turned papers bind at the top or the bottom (the printer still gives its portrait area).
    SetPaper(2100, 2970, true, 300);
    doc.FaceSides = fsBack;
    EXPECT_EQ(GetBackImageRect(doc, 254).Top, 300);
    doc.FaceSides = fsFront;
    EXPECT_EQ(GetBackImageRect(doc, 254).Bottom, 2100 - 300);
}

TEST_F(BackImageFitTest, OnlyBackgroundsAreFitted) {
    SetPaper(2100, 2970, false, 0);
    TDrawSite site(nullptr);
    site.Scaler().SetUnitDPI(254);
    TDrawObject* background = site.AdoptObject(std::make_unique<TLOBackImage>(nullptr));
    TTestRect* rect = AddRect(site, TRect(0, 0, 10, 10));
    FitBackImagesOnSite(doc, site);
    TRect r;
    static_cast<TLOBackImage*>(background)->GetLogRect(r);
    EXPECT_EQ(r, TRect(50, 50, 2050, 2920));
    rect->GetLogRect(r);
    EXPECT_EQ(r, TRect(0, 0, 10, 10));
}
