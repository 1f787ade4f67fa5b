#include "papers/printing/UPrintSite.h"

#include "core/UPhasedProgress.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/Canvas.h"
#include "platform/ClassRegistry.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"
#include "tests/papers/printing/PrintingTestSupport.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TEST(PrintSpec, FlagsGrowOnDemandAndAllFacesOverridesThem) {
    TPrintSpec spec;
    EXPECT_FALSE(spec.IsFacePrinted(3));
    spec.SetFacePrinted(3, true);
    EXPECT_TRUE(spec.IsFacePrinted(3));
    EXPECT_FALSE(spec.IsFacePrinted(2));
    spec.AllFaces = true;
    EXPECT_TRUE(spec.IsFacePrinted(100));
    spec.SetSheetPrinted(1, true);
    EXPECT_TRUE(spec.IsSheetPrinted(1));
    EXPECT_FALSE(spec.IsSheetPrinted(0));
    EXPECT_FALSE(spec.IsSheetPrinted(-1));
    spec.SetSheetPrinted(2000000000, true); // no billion-flag array
    EXPECT_FALSE(spec.IsSheetPrinted(2000000000));

    // Without a "Banding" setting bands are 254 dpi; a stated resolution wins.
    QImage image(10, 10, QImage::Format_RGB32);
    TCanvas canvas(&image);
    canvas.SetPixelsPerInch(600);
    EXPECT_EQ(spec.GetResolution(canvas), 254);
    EXPECT_TRUE(IsBandingEnabled());
    spec.Resolution = 600;
    EXPECT_EQ(spec.GetResolution(canvas), 600);
}

class TCountingProgress : public TPhasedProgressBase {
public:
    int shown = 0;
    int abortAt = -1; // aborts the printer at that many shown positions
protected:
    void ShowPosition(int32_t) override {
        if (++shown == abortAt)
            Printer().Abort();
    }
    void ShowRange(int32_t, int32_t, int32_t) override {}
};

// A document on A4 (portrait or turned) whose sheets each hold one red rectangle.
struct Document {
    explicit Document(bool landscape = false) : doc(nullptr) {
        RegisterLabelDataClasses();
        RegisterTestClasses();
        TMatrixPaperInfo paper(nullptr);
        paper.SetWidth(2100);
        paper.SetHeight(2970);
        paper.Landscape = landscape;
        for (int sheet = 0; sheet < doc.GetSheetCount(); ++sheet) {
            doc.SetCurrentSheetNo(sheet);
            doc.SetPaperInfo(paper);
            TOwnedDOList objects;
            auto rect = std::make_unique<TTestRect>(nullptr);
            rect->SetLogRect(TRect(200, 300, 800, 700));
            objects.Add(std::move(rect));
            TDOList view;
            objects.ListObjects(view);
            doc.StoreLabelObjects(0, view);
        }
        doc.SetCurrentSheetNo(0);
    }
    TLabelData doc;
};

class PrintSiteTest : public PrintingTest {
protected:
    void SetUp() override {
        PrintingTest::SetUp();
        spec.AllFaces = true;
        spec.SetSheetPrinted(0, true);
    }
    QString ToPdf(TLabelData& doc) {
        const QString file = dir.filePath(QStringLiteral("print%1.pdf").arg(++files));
        Printer().SetPrinter(TPrinter::PdfPrinterName, {}, {}, {});
        Printer().SetOutputFileName(file);
        TPrintSite site(nullptr, &doc, &progress, &spec);
        site.Print();
        return file;
    }
    // Where the red rectangle starts on a row, in pixels; -1 when it is not there.
    static int RedFrom(const QImage& page, int y) {
        for (int x = 0; x < page.width(); ++x) {
            const QColor c = page.pixelColor(x, y);
            if (c.red() > 200 && c.green() < 60 && c.blue() < 60)
                return x;
        }
        return -1;
    }

    QTemporaryDir dir;
    int files = 0;
    TPrintSpec spec;
    TCountingProgress progress;
};

TEST_F(PrintSiteTest, PagesMatchTheEditorsDrawingAndTheOffsetMovesThem) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    Document d;
    const QImage whole = TestSupport::RasterisePdf(ToPdf(d.doc), 254);
    // 297 mm are 2970.03 pixels: pdftoppm gives the page a last partial row.
    ASSERT_EQ(whole.width(), 2100);
    ASSERT_NEAR(whole.height(), 2970, 1);
    const QImage page = whole.copy(0, 0, 2100, 2970);
    // What the editor draws of the same page at 254 dpi.
    QImage expected(2100, 2970, QImage::Format_RGB32);
    expected.fill(Qt::white);
    {
        TCanvas canvas(&expected);
        canvas.SetPixelsPerInch(254);
        TDrawSite site(nullptr);
        site.Scaler().SetUnitDPI(254);
        site.SetLogWidth(2100);
        site.SetLogHeight(2970);
        TOwnedDOList list;
        d.doc.LoadLabelObjects(0, list);
        for (auto& object : list.TakeAll())
            site.AdoptObject(std::move(object));
        site.DrawTo(canvas, TPoint(), 100);
    }
    // Pictures in the PDF are JPEG: their 8 x 8 blocks ring beside sharp edges.
    EXPECT_TRUE(TestSupport::ImagesMatch(page, expected, 40, {.SkipEdges = true}));
    const int left = RedFrom(page, 500);
    EXPECT_NEAR(left, 200, 1);

    spec.Offset = TPoint(10, 0);
    EXPECT_EQ(RedFrom(TestSupport::RasterisePdf(ToPdf(d.doc), 254), 500), left + 10);
}

// Notes the width of each album photo's prepared picture as it is printed.
class TPhotoWatchingPrintSite : public TPrintSite {
public:
    using TPrintSite::TPrintSite;
    std::vector<int> printedWidths;

protected:
    void DrawObject(TDrawObject* object) override {
        TPrintSite::DrawObject(object);
        if (auto* photo = dynamic_cast<TLOAlbumPhoto*>(object))
            printedWidths.push_back(photo->PhotoImage()->ImageData()->Picture()->Width());
    }
};

TEST_F(PrintSiteTest, PhotosPrintFromTheirFullPicturesAndEmptySlotsNotAtAll) {
    for (const TMetaClass* meta :
         {&TLOAlbumPhoto::StaticClass(), &TLOPhotoImage::StaticClass(), &TLOAlbumShade::StaticClass()})
        if (GetClass(meta->Name()) == nullptr)
            RegisterClass(*meta);
    SetImageDispLimitSize(300);
    SetImagePrintLimitSize(0);
    Document d;
    TOwnedDOList objects;
    auto photo = std::make_unique<TLOAlbumPhoto>(nullptr);
    photo->SetLogRect(TRect(100, 100, 700, 500));
    TSafetyBitmap picture(900, 600, pf24bit);
    photo->PhotoImageObj()->Picture()->SetGraphic(&picture);
    objects.Add(std::move(photo));
    auto empty = std::make_unique<TLOAlbumPhoto>(nullptr);
    empty->SetLogRect(TRect(100, 800, 700, 1200));
    objects.Add(std::move(empty));
    TDOList view;
    objects.ListObjects(view);
    d.doc.StoreLabelObjects(0, view);

    Printer().SetPrinter(TPrinter::PdfPrinterName, {}, {}, {});
    Printer().SetOutputFileName(dir.filePath(QStringLiteral("photos.pdf")));
    TPhotoWatchingPrintSite site(nullptr, &d.doc, &progress, &spec);
    site.Print();
    // The display limit would have made it 300 pixels wide; the empty slot (0) is hidden. Each
    // band draws the page again.
    ASSERT_FALSE(site.printedWidths.empty());
    for (const int width : site.printedWidths)
        EXPECT_EQ(width, 900);
    SetImageDispLimitSize(0);
}

TEST_F(PrintSiteTest, CopiesArePagesOfOneJobAndEachSheetIsAJob) {
    Document d(true);
    Printer().SetPrinter("Office", {}, {}, {});
    spec.Copies = 3;
    spec.SetSheetPrinted(2, true);
    spec.SolidOutline = true;
    TPrintSite site(nullptr, &d.doc, &progress, &spec);
    site.Print();
    ASSERT_EQ(backend->spool.size(), 2u);
    EXPECT_EQ(backend->spool[0].options.Orientation, QPageLayout::Landscape);
    EXPECT_EQ(d.doc.CurrentSheetNo(), 2); // left at the last sheet printed
    for (int job = 0; job < 2; ++job) {
        const QString file = dir.filePath(QStringLiteral("job%1.pdf").arg(job));
        TestSupport::WriteFile(file, backend->spool[size_t(job)].pdf);
        if (TestSupport::HasPdftoppm()) {
            EXPECT_EQ(TestSupport::PdfPageCount(file), 3);
            const QImage page = TestSupport::RasterisePdf(file, 72, 3);
            EXPECT_GT(page.width(), page.height());
        }
    }
}

TEST_F(PrintSiteTest, AbortInABandOrAFailingFaceLeavesNoJobNoFileAndTheSheet) {
    Document d;
    d.doc.SetCurrentSheetNo(1);
    Printer().SetPrinter("Office", {}, {}, {});
    spec.Resolution = 600; // seven bands on A4 at 600 dpi
    progress.abortAt = 4;
    {
        TPrintSite site(nullptr, &d.doc, &progress, &spec);
        site.Print();
    }
    EXPECT_TRUE(Printer().Aborted());
    EXPECT_GE(progress.shown, 4);
    EXPECT_TRUE(backend->spool.empty());
    EXPECT_FALSE(Printer().Printing());
    EXPECT_EQ(d.doc.CurrentSheetNo(), 1);

    // A face that cannot be read stops the print with its error.
    progress.abortAt = -1;
    d.doc.SetCurrentSheetNo(0);
    {
        std::unique_ptr<TStream> stream = d.doc.OpenLabelStream(0, true, false);
        stream->WriteBuffer("damaged", 7);
    }
    d.doc.SetCurrentSheetNo(1);
    TPrintSite site(nullptr, &d.doc, &progress, &spec);
    EXPECT_THROW(site.Print(), Exception);
    EXPECT_TRUE(backend->spool.empty());
    EXPECT_FALSE(Printer().Printing());
    EXPECT_TRUE(Printer().JobFileName().isEmpty() || !QFile::exists(Printer().JobFileName()));
    EXPECT_EQ(d.doc.CurrentSheetNo(), 1);
}

TEST_F(PrintSiteTest, BackgroundsAndThePageStayInThePrintableAreaLessTheAlbumStrip) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    if (GetClass(QStringLiteral("TLOBackImage")) == nullptr)
        RegisterClass(TLOBackImage::StaticClass());
    Document d;
    TExAlbumInfo album(nullptr);
    album.SetLeftMargin(300); // binds on the left of this page
    d.doc.SetPaperExtraAlbum(&album);
    TOwnedDOList objects;
    d.doc.LoadLabelObjects(0, objects);
    auto background = std::make_unique<TLOBackImage>(nullptr);
    background->FillColor()->SetColor(clBlue);
    objects.Add(std::move(background));
    TDOList view;
    objects.ListObjects(view);
    d.doc.StoreLabelObjects(0, view);

    Printer().SetPrinter("Office", {}, {}, {}); // 5 mm margins
    spec.Offset = TPoint(0, 0);
    TPrintSite site(nullptr, &d.doc, &progress, &spec);
    site.Print();
    ASSERT_EQ(backend->spool.size(), 1u);
    const QString file = dir.filePath(QStringLiteral("album.pdf"));
    TestSupport::WriteFile(file, backend->spool[0].pdf);
    const QImage page = TestSupport::RasterisePdf(file, 254);
    const auto blue = [&](int x, int y) {
        const QColor c = page.pixelColor(x, y);
        return c.blue() > 200 && c.red() < 60 && c.green() < 60;
    };
    // The red rectangle (from x 200) is cut at the strip; the background fills the rest of the
    // printable area (50 .. 2050 across, 50 .. 2920 down).
    EXPECT_NEAR(RedFrom(page, 500), 300, 2);
    EXPECT_TRUE(blue(305, 1500));
    EXPECT_FALSE(blue(295, 1500));
    EXPECT_TRUE(blue(2045, 1500));
    EXPECT_FALSE(blue(2055, 1500));
    EXPECT_TRUE(blue(1000, 55));
    EXPECT_FALSE(blue(1000, 45));
    EXPECT_TRUE(blue(1000, 2915));
    EXPECT_FALSE(blue(1000, 2925));
}

} // namespace
