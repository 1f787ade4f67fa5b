#include "platform/Printer.h"

#include "platform/Canvas.h"
#include "tests/FakePrinterBackend.h"
#include "tests/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr const char* Office = "Office";

class PrinterTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend = FakePrinterBackend::Install();
        backend->queues[Office] = FakePrinterBackend::OfficeQueue();
        backend->queues["Photo"] = FakePrinterBackend::OfficeQueue();
        backend->queues["Photo"].caps.CustomPageSizes = false;
    }
    void TearDown() override { SetPrinterBackend(nullptr); }

    static QByteArray DevModeWith(const std::function<void(TDevModeFields&)>& change) {
        QByteArray bytes = Printer().DefaultDevMode(Office);
        TDevModeFields f = TDevModeFields::Read(bytes);
        change(f);
        f.WriteTo(bytes);
        return bytes;
    }

    FakePrinterBackend* backend = nullptr;
};

TEST_F(PrinterTest, ListEndsWithThePdfPrinterAndTheDefaultFallsBackInOrder) {
    EXPECT_EQ(Printer().Printers(), (QStringList{Office, "Photo", TPrinter::PdfPrinterName}));
    EXPECT_EQ(Printer().PrinterName(), QString(Office)); // no default queue: the first one
    backend->defaultQueue = "Photo";
    Printer().Refresh();
    EXPECT_EQ(Printer().PrinterName(), QString("Photo"));
    EXPECT_EQ(Printer().PrinterIndex(), 1);

    // The current printer vanishes with its queue; a silent print system leaves only PDF output.
    Printer().SetPrinterIndex(0);
    backend->unreachable = true;
    Printer().Refresh();
    EXPECT_EQ(Printer().Printers(), QStringList{TPrinter::PdfPrinterName});
    EXPECT_EQ(Printer().PrinterName(), TPrinter::PdfPrinterName);
    EXPECT_THROW(Printer().SetPrinterIndex(1), EPrinter);
}

TEST_F(PrinterTest, DefaultDevModeComesFromTheQueueAndMergingHoldsToWhatItSupports) {
    const TDevModeFields def = TDevModeFields::Read(Printer().DefaultDevMode(Office));
    EXPECT_EQ(def.DeviceName, QString(Office));
    EXPECT_EQ(def.PaperSize, DMPAPER_A4);
    EXPECT_EQ(def.PaperWidth, 2100);
    EXPECT_EQ(def.PaperLength, 2970);
    EXPECT_TRUE(def.Fields & DM_DUPLEX);

    const QByteArray wanted = DevModeWith([](TDevModeFields& f) {
        f.Orientation = DMORIENT_LANDSCAPE;
        f.PaperSize = 70; // A6: not offered by the queue
        f.Copies = 5000;
        f.DefaultSource = DMBIN_FIRSTSLOT + 1;
        f.Duplex = DMDUP_VERTICAL;
    });
    const uint32_t all = 0xFFFFFFFF;
    TDevModeFields merged = TDevModeFields::Read(Printer().MergeDevMode(Office, wanted, all));
    EXPECT_EQ(merged.Orientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(merged.PaperSize, DMPAPER_A4);
    EXPECT_EQ(merged.Copies, 999);
    EXPECT_EQ(merged.DefaultSource, DMBIN_FIRSTSLOT + 1);
    EXPECT_EQ(merged.Duplex, DMDUP_VERTICAL);

    // Fields outside the mask are not taken; an unknown paper source becomes automatic.
    const QByteArray other = DevModeWith([](TDevModeFields& f) {
        f.Orientation = DMORIENT_LANDSCAPE;
        f.DefaultSource = 300;
    });
    merged = TDevModeFields::Read(Printer().MergeDevMode(Office, other, DM_DEFAULTSOURCE));
    EXPECT_EQ(merged.Orientation, DMORIENT_PORTRAIT);
    EXPECT_EQ(merged.DefaultSource, DMBIN_AUTO);

    // The user size is taken only by a queue with custom sizes.
    const QByteArray user = DevModeWith([](TDevModeFields& f) {
        f.PaperSize = DMPAPER_USER;
        f.PaperWidth = 1000;
        f.PaperLength = 1480;
    });
    EXPECT_EQ(TDevModeFields::Read(Printer().MergeDevMode(Office, user, all)).PaperSize, DMPAPER_USER);
    EXPECT_EQ(TDevModeFields::Read(Printer().MergeDevMode("Photo", user, all)).PaperSize, DMPAPER_A4);
}

TEST_F(PrinterTest, FormsListTheQueueSizesAddedFormsAndTheUserSize) {
    EXPECT_TRUE(Printer().AddForm(Office, "100 x 148mm", 1000, 1480));
    EXPECT_FALSE(Printer().AddForm("Photo", "100 x 148mm", 1000, 1480)); // no custom sizes
    const QList<TPaperForm> forms = Printer().Forms(Office);
    ASSERT_EQ(forms.size(), 5);
    EXPECT_EQ(forms[0].PaperID, DMPAPER_A4);
    EXPECT_EQ(forms[0].Width, 2100);
    EXPECT_EQ(forms[0].Height, 2970);
    EXPECT_EQ(forms[3].Name, QString("100 x 148mm"));
    EXPECT_EQ(forms[3].PaperID, TPrinter::FirstAddedFormId);
    EXPECT_EQ(forms[4].PaperID, DMPAPER_USER);

    // A DEVMODE naming the added form prints on its size.
    Printer().SetPrinter(Office, {}, {},
                         DevModeWith([](TDevModeFields& f) { f.PaperSize = TPrinter::FirstAddedFormId; }));
    const QSizeF mm = Printer().PageSize().size(QPageSize::Millimeter);
    EXPECT_NEAR(mm.width(), 100.0, 0.01);
    EXPECT_NEAR(mm.height(), 148.0, 0.01);
}

TEST_F(PrinterTest, GeometryFollowsPaperOrientationAndEachAxisResolution) {
    backend->queues[Office].caps.ResolutionY = 300;
    backend->queues[Office].margins = QMarginsF(4, 6, 4, 6);
    Printer().SetPrinter(Office, {}, {}, {});
    TPrinterGeometry g = Printer().Geometry();
    EXPECT_EQ(g.DpiX, 600);
    EXPECT_EQ(g.DpiY, 300);
    EXPECT_EQ(g.PhysicalWidth, 4961);  // 210 mm at 600 dpi
    EXPECT_EQ(g.PhysicalHeight, 3508); // 297 mm at 300 dpi
    EXPECT_EQ(g.OffsetX, 94);
    EXPECT_EQ(g.OffsetY, 71);
    EXPECT_EQ(g.PageWidth, 4961 - 2 * 94);
    EXPECT_EQ(g.PageHeight, 3508 - 2 * 71);

    Printer().SetOrientation(QPageLayout::Landscape);
    g = Printer().Geometry();
    EXPECT_EQ(g.PhysicalWidth, 7016);
    EXPECT_EQ(g.PhysicalHeight, 2480);

    // A queue that stops answering prints, as far as geometry goes, on the whole sheet.
    backend->unreachable = true;
    Printer().Refresh(); // the current printer goes, the PDF printer stays
    g = Printer().Geometry();
    EXPECT_EQ(g.OffsetX, 0);
    EXPECT_EQ(g.PageWidth, g.PhysicalWidth);
}

TEST_F(PrinterTest, PdfPrinterWritesEveryPageOnTheSheetsOrientation) {
    REQUIRE_CHECKER(TestSupport::HasPdftoppm(), "pdftoppm");
    QTemporaryDir dir;
    const QString file = dir.filePath("out.pdf");
    Printer().SetPrinter(TPrinter::PdfPrinterName, {}, {}, {});
    Printer().SetOrientation(QPageLayout::Landscape);
    Printer().SetOutputFileName(file);
    Printer().BeginDoc();
    const QString temp = Printer().JobFileName();
    TCanvas& canvas = Printer().Canvas();
    EXPECT_EQ(canvas.PixelsPerInch(), 600);
    canvas.Brush().Color = clBlack;
    canvas.FillRect(TRect(600, 600, 1200, 1200)); // one inch from the corner, one inch wide
    Printer().NewPage();
    canvas.FillRect(TRect(0, 0, 600, 600));
    Printer().EndDoc();
    EXPECT_FALSE(Printer().Printing());
    EXPECT_EQ(Printer().JobId(), 0);
    EXPECT_EQ(TestSupport::PdfPageCount(file), 2);
    const QImage page = TestSupport::RasterisePdf(file, 72);
    ASSERT_EQ(page.size(), QSize(842, 595)); // A4 landscape in points
    EXPECT_EQ(QColor(page.pixel(90, 90)), QColor(Qt::black));
    EXPECT_EQ(QColor(page.pixel(60, 60)), QColor(Qt::white));
    EXPECT_EQ(QColor(TestSupport::RasterisePdf(file, 72, 2).pixel(30, 30)), QColor(Qt::black));
    EXPECT_FALSE(QFile::exists(temp));
}

TEST_F(PrinterTest, QueueGetsTheFinishedPdfWithTheDevModesOptions) {
    Printer().SetPrinter(Office, {}, {}, DevModeWith([](TDevModeFields& f) {
                             f.Fields |= DM_DUPLEX;
                             f.Duplex = DMDUP_HORIZONTAL;
                             f.DefaultSource = DMBIN_FIRSTSLOT + 1;
                             f.PaperSize = 11; // A5
                         }));
    Printer().SetTitle("ラベル");
    Printer().BeginDoc();
    const QString temp = Printer().JobFileName();
    EXPECT_TRUE(QFile::exists(temp));
    Printer().Canvas().FillRect(TRect(0, 0, 10, 10));
    Printer().EndDoc();
    ASSERT_EQ(backend->spool.size(), 1u);
    const auto& job = backend->spool[0];
    EXPECT_EQ(Printer().JobId(), job.id);
    EXPECT_EQ(job.title, QString("ラベル"));
    EXPECT_TRUE(job.pdf.startsWith("%PDF"));
    EXPECT_EQ(job.options.PageSize.id(), QPageSize::A5);
    EXPECT_EQ(job.options.Duplex, DMDUP_HORIZONTAL);
    EXPECT_EQ(job.options.InputSlot, QString("Tray2"));
    EXPECT_FALSE(QFile::exists(temp));
    EXPECT_TRUE(Printer().CancelJob(Office, job.id));
    EXPECT_EQ(backend->cancelled, std::vector<int>{job.id});
}

TEST_F(PrinterTest, AbortAndRefusalLeaveNothingSubmittedOrBehind) {
    QTemporaryDir dir;
    Printer().SetPrinter(TPrinter::PdfPrinterName, {}, {}, {});
    Printer().SetOutputFileName(dir.filePath("never.pdf"));
    Printer().BeginDoc();
    QStringList temps{Printer().JobFileName()};
    TCanvas& canvas = Printer().Canvas();
    canvas.FillRect(TRect(0, 0, 100, 100));
    Printer().Abort();
    EXPECT_FALSE(Printer().Printing());
    EXPECT_TRUE(Printer().Aborted());
    canvas.FillRect(TRect(0, 0, 100, 100)); // a drawer still holding the canvas does no harm
    Printer().EndDoc();                     // an aborted job is not ended again
    EXPECT_FALSE(QFile::exists(dir.filePath("never.pdf")));

    Printer().SetPrinter(Office, {}, {}, {});
    backend->refuseSubmit = true;
    Printer().BeginDoc();
    temps.append(Printer().JobFileName());
    EXPECT_FALSE(Printer().Aborted());
    try {
        Printer().EndDoc();
        ADD_FAILURE() << "a refused job was reported as printed";
    } catch (const EPrinter& e) {
        EXPECT_TRUE(e.Message().contains(Office));
    }
    EXPECT_FALSE(Printer().Printing());
    EXPECT_TRUE(backend->spool.empty());

    // A queue gone since the list was read stops the job before anything is drawn.
    backend->queues.erase(Office);
    try {
        Printer().BeginDoc();
        ADD_FAILURE() << "a vanished queue started a job";
    } catch (const EPrinter& e) {
        EXPECT_EQ(e.Message(), QString("プリンタ「Office」が見つかりません。"));
    }
    EXPECT_FALSE(Printer().Printing());
    for (const QString& temp : temps)
        EXPECT_FALSE(QFile::exists(temp)) << temp.toStdString();
}

} // namespace
