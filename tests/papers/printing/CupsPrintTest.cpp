// Printing through a print server of the test's own (a private cupsd): jobs kept, copies and sheets
// carried, a waiting job cancelled, the server gone; and queues of the installed Epson and Canon
// drivers getting the paper type, quality and borderless printing the vendor settings chose.

#include "core/UPhasedProgress.h"
#include "core/USupportUtil.h"
#include "papers/ULabelData.h"
#include "papers/UPaperInfo.h"
#include "papers/printing/UPrintSite.h"
#include "papers/printing/UPrinterUtil.h"
#include "papers/printing/UmPaperPrintSetting.h"
#include "papers/printing/UmPrinterConfiguration.h"
#include "platform/DevMode.h"
#include "platform/Printer.h"
#include "tests/PrivateCupsd.h"
#include "tests/TestSupport.h"
#include "tests/pageobjects/engine/EngineTestObjects.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <cups/cups.h>
#include <gtest/gtest.h>

namespace {

constexpr int kJobMilliseconds = PrivateCupsd::JobMilliseconds;

class TQuietProgress : public TPhasedProgressBase {
protected:
    void ShowPosition(int32_t) override {}
    void ShowRange(int32_t, int32_t, int32_t) override {}
};

// A queue that keeps each job's document, and one that is stopped so that its jobs wait.
class CupsPrintTest : public ::testing::Test {
protected:
    void SetUp() override {
        REQUIRE_CHECKER(!PrivateCupsd::Executable().isEmpty(), "cupsd");
        ASSERT_TRUE(cupsd.Start(QStringLiteral("<DefaultPrinter Keep>\nDeviceURI %OUT%\nState Idle\n"
                                               "Accepting Yes\n</Printer>\n"
                                               "<Printer Held>\nDeviceURI %OUT%\nState Stopped\n"
                                               "Accepting Yes\n</Printer>\n"),
                                2))
            << cupsd.Log().toStdString();
        SetPrinterBackend(nullptr);
    }
    void TearDown() override { SetPrinterBackend(nullptr); }
    void StopServer() { cupsd.Stop(); }
    QString Path(const QString& relative) const { return cupsd.Path(relative); }
    QString Socket() const { return cupsd.Socket(); }

    PrivateCupsd cupsd;
};

} // namespace

TEST_F(CupsPrintTest, PrintsToAPrivateServerCancelsAWaitingJobAndFallsBackToPdfWhenItStops) {
    RegisterLabelDataClasses();
    RegisterTestClasses();
    Printer().Refresh();
    EXPECT_TRUE(Printer().Printers().contains(QStringLiteral("Keep")));
    EXPECT_TRUE(Printer().Printers().contains(TPrinter::PdfPrinterName));
    EXPECT_EQ(Printer().DefaultPrinterName(), QStringLiteral("Keep"));

    // A4 with one red rectangle from (200, 300).
    TLabelData doc(nullptr);
    TMatrixPaperInfo paper(nullptr);
    paper.SetWidth(2100);
    paper.SetHeight(2970);
    doc.SetPaperInfo(paper);
    {
        TOwnedDOList objects;
        auto rect = std::make_unique<TTestRect>(nullptr);
        rect->SetLogRect(TRect(200, 300, 800, 700));
        objects.Add(std::move(rect));
        TDOList view;
        objects.ListObjects(view);
        doc.StoreLabelObjects(0, view);
    }
    TPrintSpec spec;
    spec.AllFaces = true;
    spec.SetSheetPrinted(0, true);
    TQuietProgress progress;
    const auto print = [&](const QString& queue) {
        Printer().SetPrinter(queue, {}, {}, {});
        TPrintSite site(nullptr, &doc, &progress, &spec);
        site.Print();
        return Printer().JobId();
    };

    const int id = print(QStringLiteral("Keep"));
    ASSERT_GT(id, 0);
    const QString kept = Path(QStringLiteral("out/job%1").arg(id));
    ASSERT_TRUE(WaitFor([&] { return QFile::exists(kept) && QFile(kept).size() > 0; }, kJobMilliseconds))
        << TestSupport::ReadFile(Path("log/error_log")).toStdString();
    EXPECT_TRUE(TestSupport::ReadFile(kept).startsWith("%PDF"));
    if (TestSupport::HasPdftoppm()) {
        const QImage page = TestSupport::RasterisePdf(kept, 254);
        ASSERT_FALSE(page.isNull());
        const QColor inside = page.pixelColor(500, 500);
        EXPECT_TRUE(inside.red() > 200 && inside.green() < 60 && inside.blue() < 60);
        const QColor outside = page.pixelColor(190, 500);
        EXPECT_TRUE(outside.red() > 240 && outside.green() > 240 && outside.blue() > 240);
    }

    // The printer's copies and sheet go with the job.
    {
        QByteArray devMode = Printer().DefaultDevMode(QStringLiteral("Keep"));
        TDevModeFields fields = TDevModeFields::Read(devMode);
        fields.Copies = 3;
        fields.PaperSize = DMPAPER_A4;
        fields.Fields |= DM_COPIES | DM_PAPERSIZE;
        fields.WriteTo(devMode);
        Printer().SetPrinter(QStringLiteral("Keep"), {}, {}, devMode);
        TPrintSite site(nullptr, &doc, &progress, &spec);
        site.Print();
        const auto [copies, media] = cupsd.JobCopiesAndMedia(Printer().JobId());
        EXPECT_EQ(copies, 3);
        EXPECT_TRUE(media.contains(QStringLiteral("a4"), Qt::CaseInsensitive)) << media.toStdString();
        Printer().SetPrinter(QStringLiteral("Keep"), {}, {}, {});
    }

    // Two sheets are two jobs.
    spec.SetSheetPrinted(1, true);
    const int last = print(QStringLiteral("Keep"));
    spec.SetSheetPrinted(1, false);
    EXPECT_EQ(last, id + 3);
    for (const int job : {id + 2, id + 3}) {
        const QString file = Path(QStringLiteral("out/job%1").arg(job));
        EXPECT_TRUE(WaitFor([&] { return QFile::exists(file) && QFile(file).size() > 0; }, kJobMilliseconds))
            << job;
    }

    // A job waiting on a stopped queue is cancelled once; it never reaches the folder.
    const int waiting = print(QStringLiteral("Held"));
    ASSERT_GT(waiting, 0);
    EXPECT_TRUE(Printer().CancelJob(QStringLiteral("Held"), waiting));
    EXPECT_FALSE(Printer().CancelJob(QStringLiteral("Held"), waiting));
    EXPECT_FALSE(QFile::exists(Path(QStringLiteral("out/job%1").arg(waiting))));

    // The server goes away: printing to its queue fails naming it, and only the PDF printer is left.
    StopServer();
    Printer().SetPrinter(QStringLiteral("Keep"), {}, {}, {});
    try {
        TPrintSite site(nullptr, &doc, &progress, &spec);
        site.Print();
        ADD_FAILURE() << "printed without a server";
    } catch (const Exception& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("Keep"))) << e.Message().toStdString();
    }
    Printer().Refresh();
    EXPECT_EQ(Printer().Printers(), QStringList{TPrinter::PdfPrinterName});
    EXPECT_TRUE(HasDefaultPrinter());
    EXPECT_EQ(Printer().PrinterName(), TPrinter::PdfPrinterName);
}

// Queues made with lpadmin -m from the installed drivers: an ESC/P-R Epson PM-A920 and a Gutenprint
// Canon PIXMA iP4300. A photo paper's type and quality from the table, and borderless printing,
// reach the options cupsd gives the job's filters, and the filters write the job.
TEST(CupsVendorQueuesTest, PaperTypeQualityAndBorderlessReachTheJobsOfTheDrivers) {
    REQUIRE_CHECKER(!PrivateCupsd::Executable().isEmpty(), "cupsd");
    REQUIRE_CHECKER(PrivateCupsd::HasVendorDrivers(), "printer-driver-escpr and printer-driver-gutenprint");
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.Start()) << cupsd.Log().toStdString();
    ASSERT_TRUE(cupsd.AddQueue("PMA920", "escpr:0/cups/model/epson-inkjet-printer-escpr/"
                                         "Epson-PM-A920-epson-escpr-en.ppd"))
        << cupsd.Log().toStdString();
    ASSERT_TRUE(cupsd.AddQueue("IP4300", "gutenprint.5.3://bjc-PIXMA-iP4300/expert")) << cupsd.Log().toStdString();
    SetPrinterBackend(nullptr);
    Printer().Refresh();

    // The PPD is read once: unchanged, the server answers 304 and the same driver stays.
    const TPrinterCaps caps = Printer().Backend().Capabilities("PMA920");
    ASSERT_TRUE(caps.Driver);
    EXPECT_EQ(caps.Driver->ModelName, QStringLiteral("Epson PM-A920"));
    EXPECT_EQ(Printer().Backend().Capabilities("PMA920").Driver, caps.Driver);

    const QStringList table{"[Epson.Paper.ID]", "PM写真用紙=272", "[Epson.Paper.0]", "写真用紙 L判=PM写真用紙",
                            "[Canon.Paper.ID]", "写真用紙・光沢プロ=620", "[Canon.Paper.0]",
                            "写真用紙 L判=写真用紙・光沢プロ"};
    TIntf<ImPaperPrintSetting> setting = CreatePaperPrintSetting(table, 0);
    TMatrixPaperInfo paper(nullptr);
    paper.PaperName = QStringLiteral("写真用紙 L判");
    paper.SetWidth(890);
    paper.SetHeight(1270);
    const auto print = [&](const QString& queue, bool borderless) {
        TIntf<ImPrinterConfiguration> configuration = CreatePrinterConfigurationFor(queue, QString());
        setting->ApplyPaperToPrinter(configuration.get(), paper, QString());
        SetVendorPaperSource(*configuration, borderless);
        configuration->ApplyToPrinter();
        Printer().BeginDoc();
        Printer().EndDoc();
        const int id = Printer().JobId();
        const QString job = cupsd.WaitForJob(id);
        EXPECT_GT(QFileInfo(job).size(), 0) << cupsd.Log().toStdString();
        return cupsd.JobOptions(id).split(u' ');
    };

    QStringList options = print("PMA920", false);
    EXPECT_TRUE(options.contains("MediaType=PMPHOTO_HIGH")) << options.join(u' ').toStdString();
    EXPECT_TRUE(options.contains("PageSize=L")) << options.join(u' ').toStdString();
    // Qt states 1200 dpi for the queue; the driver rasterises at 360, so pages are drawn at 600.
    EXPECT_EQ(Printer().Geometry().DpiX, 600);
    options = print("PMA920", true);
    EXPECT_TRUE(options.contains("PageSize=TL")) << options.join(u' ').toStdString();
    EXPECT_TRUE(options.contains("MediaType=PMPHOTO_HIGH"));

    options = print("IP4300", true);
    EXPECT_TRUE(options.contains("MediaType=GlossyPro")) << options.join(u' ').toStdString();
    EXPECT_TRUE(options.contains("StpQuality=Standard"));
    EXPECT_TRUE(options.contains("StpFullBleed") || options.contains("StpFullBleed=True"));
}
