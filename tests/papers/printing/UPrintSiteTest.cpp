#include "papers/printing/UPrintSite.h"

#include "core/UAppFrame.h"
#include "core/UPhasedProgress.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULOBackImage.h"
#include "pageobjects/layout/ULOImage.h"
#include "pageobjects/layout/ULOText.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "platform/Canvas.h"
#include "platform/ClassRegistry.h"
#include "platform/Settings.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"
#include "tests/papers/printing/PrintingTestSupport.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <unistd.h>

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
    // The band is resampled from 254 to the PDF's 600 dpi and back by pdftoppm: edges blur.
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

// What a poppler tool prints about a PDF.
QString PdfTool(const QString& tool, const QStringList& arguments) {
    QProcess process;
    process.start(tool, arguments);
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return QString();
    return QString::fromUtf8(process.readAllStandardOutput());
}

// Adds objects to the first face of every sheet's stored objects.
void AddToFace(TLabelData& doc, std::vector<std::unique_ptr<TDrawObject>> added) {
    TOwnedDOList objects;
    doc.LoadLabelObjects(0, objects);
    for (auto& object : added)
        objects.Add(std::move(object));
    TDOList view;
    objects.ListObjects(view);
    doc.StoreLabelObjects(0, view);
}

// The "Banding" setting, under a settings key of the test's own.
class BandingSetting {
public:
    explicit BandingSetting(int value) : key_(QStringLiteral("Software\\PrintSiteTest%1").arg(getpid())) {
        frame_.Macro().SetValue(QStringLiteral("SysRegistryKey"), key_);
        WriteSettingInteger(QStringLiteral("Banding"), value);
    }
    ~BandingSetting() { SettingsStore::DeleteKey(key_); }

private:
    TAppFrame frame_{nullptr};
    QString key_;
};

TEST_F(PrintSiteTest, BandsReachThePdfLosslesslyAndDirectDrawingKeepsTextAsText) {
    REQUIRE_CHECKER(!QStandardPaths::findExecutable(QStringLiteral("pdffonts")).isEmpty(), "poppler-utils");
    if (GetClass(QStringLiteral("TLOText")) == nullptr)
        RegisterClass(TLOText::StaticClass());
    Document d;
    auto text = std::make_unique<TLOText>(nullptr);
    TStringList lines({QStringLiteral("Quorlane label")});
    text->Engine().SetText(lines);
    text->Font()->SetSize(24);
    text->SetLogRect(TRect(200, 900, 1600, 1100));
    std::vector<std::unique_ptr<TDrawObject>> added;
    added.push_back(std::move(text));
    AddToFace(d.doc, std::move(added));

    for (const int banding : {1, 2}) {
        BandingSetting setting(banding);
        const QString pdf = ToPdf(d.doc);
        const QStringList images = PdfTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        ASSERT_GT(images.size(), 2) << "banding " << banding; // two heading lines, then the bands
        for (const QString& line : images.mid(2))
            EXPECT_FALSE(line.contains(QLatin1String(" jpeg "))) << line.toStdString();
    }
    BandingSetting direct(0);
    const QString pdf = ToPdf(d.doc);
    EXPECT_TRUE(PdfTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")})
                    .contains(QLatin1String("Quorlane label")));
    // A heading of two lines, then one line a face.
    EXPECT_GT(PdfTool(QStringLiteral("pdffonts"), {pdf}).split(QLatin1Char('\n'), Qt::SkipEmptyParts).size(),
              2);
}

// Where a band shows a JPEG photo and nothing drawn over it, that part goes to the PDF as a JPEG
// image of its own; the rest of the band (here the text over the photo) stays lossless, and the
// page shows every part in its place with no seam between the band and the photo images.
TEST_F(PrintSiteTest, APhotoGoesAsAJpegImageWhileTextOverItStaysInTheLosslessBand) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm() &&
                        !QStandardPaths::findExecutable(QStringLiteral("pdfimages")).isEmpty(),
                    "poppler-utils");
    if (GetClass(QStringLiteral("TLOImage")) == nullptr)
        RegisterClass(TLOImage::StaticClass());
    if (GetClass(QStringLiteral("TLOText")) == nullptr)
        RegisterClass(TLOText::StaticClass());
    // Four flat quarters: a part put in the wrong place shows.
    const QRgb quarters[4] = {qRgb(200, 40, 40), qRgb(40, 160, 60), qRgb(40, 60, 200), qRgb(220, 190, 40)};
    QImage photo(1200, 800, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, quarters[(y >= 400 ? 2 : 0) + (x >= 600 ? 1 : 0)]);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && photo.save(&buffer, "JPEG", 95));
    Document d;
    const TRect photoRect(300, 1200, 1800, 2200), textRect(400, 1300, 1200, 1500);
    auto image = std::make_unique<TLOImage>(nullptr);
    TJPEGImage jpeg;
    jpeg.SetData(bytes);
    image->ImageData()->Picture()->SetGraphic(&jpeg);
    image->SetLogRect(photoRect);
    auto text = std::make_unique<TLOText>(nullptr);
    TStringList lines({QStringLiteral("Quorlane label")});
    text->Engine().SetText(lines);
    text->Font()->SetSize(24);
    text->SetLogRect(textRect);
    std::vector<std::unique_ptr<TDrawObject>> added;
    // The page draws its objects last stored first: the text over the photo.
    added.push_back(std::move(text));
    added.push_back(std::move(image));
    AddToFace(d.doc, std::move(added));

    for (const int banding : {1, 2}) {
        SCOPED_TRACE(banding);
        BandingSetting setting(banding);
        const QString pdf = ToPdf(d.doc);
        // pdfimages: two heading lines, then "page num type width height color comp bpc enc ...".
        const QStringList images = PdfTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), pdf})
                                       .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                       .mid(2);
        double jpegArea = 0;
        int lossless = 0;
        for (const QString& line : images) {
            const QStringList f = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
            ASSERT_GT(f.size(), 8);
            if (f[8] == QLatin1String("jpeg"))
                jpegArea += f[3].toDouble() * f[4].toDouble();
            else
                ++lossless;
        }
        EXPECT_GT(lossless, 0);
        // In band pixels: the photo less the part under the text.
        const double unit = banding == 1 ? 1.0 : 600.0 / 254;
        const double photoArea = photoRect.Width() * photoRect.Height() * unit * unit;
        EXPECT_GT(jpegArea, photoArea / 2);
        EXPECT_LT(jpegArea, photoArea - textRect.Width() * textRect.Height() * unit * unit);

        const QImage page = TestSupport::RasterisePdf(pdf, 300);
        ASSERT_FALSE(page.isNull());
        const auto px = [](int units) { return units * 300 / 254; };
        const QRect inner(px(photoRect.Left) + 4, px(photoRect.Top) + 4, px(photoRect.Width()) - 8,
                          px(photoRect.Height()) - 8);
        const QPoint middle(px((photoRect.Left + photoRect.Right) / 2),
                            px((photoRect.Top + photoRect.Bottom) / 2));
        const QRect underText =
            QRect(px(textRect.Left), px(textRect.Top), px(textRect.Width()), px(textRect.Height()))
                .adjusted(-6, -6, 6, 6);
        int wrong = 0, dark = 0;
        for (int y = inner.top(); y <= inner.bottom(); ++y)
            for (int x = inner.left(); x <= inner.right(); ++x) {
                const QRgb c = page.pixel(x, y);
                if (underText.contains(x, y)) {
                    dark += qGray(c) < 60 ? 1 : 0;
                    continue;
                }
                if (std::abs(x - middle.x()) < 6 || std::abs(y - middle.y()) < 6)
                    continue;
                const QRgb want = quarters[(y >= middle.y() ? 2 : 0) + (x >= middle.x() ? 1 : 0)];
                wrong += std::max({std::abs(qRed(c) - qRed(want)), std::abs(qGreen(c) - qGreen(want)),
                                   std::abs(qBlue(c) - qBlue(want))}) > 24;
            }
        EXPECT_EQ(wrong, 0);
        EXPECT_GT(dark, 200); // the text's letters
        if (wrong != 0 || dark <= 200)
            TestSupport::SavePicture(page, QStringLiteral("banding%1").arg(banding));
    }
}

TEST_F(PrintSiteTest, APhotoOnEveryPageOfAJobIsDecodedOnce) {
    if (GetClass(QStringLiteral("TLOImage")) == nullptr)
        RegisterClass(TLOImage::StaticClass());
    QImage photo(1200, 800, QImage::Format_RGB32);
    photo.fill(qRgb(30, 160, 90));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && photo.save(&buffer, "JPEG", 90));
    Document d;
    auto image = std::make_unique<TLOImage>(nullptr);
    TJPEGImage jpeg;
    jpeg.SetData(bytes);
    image->ImageData()->Picture()->SetGraphic(&jpeg);
    image->SetLogRect(TRect(1000, 1500, 1900, 2100));
    std::vector<std::unique_ptr<TDrawObject>> added;
    added.push_back(std::move(image));
    AddToFace(d.doc, std::move(added));

    spec.Copies = 4; // each page loads the face's objects afresh
    const TJPEGDecodeCounts before = JPEGDecodeCounts();
    ToPdf(d.doc);
    const TJPEGDecodeCounts after = JPEGDecodeCounts();
    int64_t decoded = 0;
    for (int scale = 0; scale < 4; ++scale)
        decoded += after.Scale[scale] - before.Scale[scale];
    EXPECT_EQ(decoded, 1);
    EXPECT_GE(after.FromCache - before.FromCache, 3);
}

double PeakResidentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').front().toDouble() / 1024;
    return 0;
}

// Run by CTest in a process of its own (the variable says so), with the sanitizer keeping no freed
// memory back: a job's memory must not grow with its pages (the finished PDF is not read whole,
// decoded pictures are kept once for the job).
TEST_F(PrintSiteTest, PeakMemoryStaysFlatFromTenToThirtyPages) {
    if (qEnvironmentVariableIsEmpty("QUORLANE_PRINT_MEMORY_TEST"))
        GTEST_SKIP() << "runs in a process of its own only";
    if (GetClass(QStringLiteral("TLOImage")) == nullptr)
        RegisterClass(TLOImage::StaticClass());
    // Fine noise, so that every page adds megabytes to the PDF.
    QImage photo(1600, 1200, QImage::Format_RGB32);
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            photo.setPixel(x, y, qRgb((x * 7 + y) & 255, (x ^ y) & 255, (x * y / 64) & 255));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly) && photo.save(&buffer, "JPEG", 90));
    Document d;
    auto image = std::make_unique<TLOImage>(nullptr);
    TJPEGImage jpeg;
    jpeg.SetData(bytes);
    image->ImageData()->Picture()->SetGraphic(&jpeg);
    image->SetLogRect(TRect(100, 100, 2000, 2800));
    std::vector<std::unique_ptr<TDrawObject>> added;
    added.push_back(std::move(image));
    AddToFace(d.doc, std::move(added));

    spec.Copies = 10;
    const QString ten = ToPdf(d.doc);
    const double afterTen = PeakResidentMegabytes();
    spec.Copies = 30;
    const QString thirty = ToPdf(d.doc);
    const double afterThirty = PeakResidentMegabytes();
    const double growth = double(QFile(thirty).size() - QFile(ten).size()) / (1 << 20);
    ASSERT_GT(growth, 40) << "the PDF must grow for the check to mean anything";
    EXPECT_LT(afterThirty - afterTen, growth / 2) << afterTen << " MB after 10 pages, " << afterThirty
                                                  << " MB after 30; the PDF grew by " << growth << " MB";
}

} // namespace
