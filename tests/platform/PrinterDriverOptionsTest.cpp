// Queues with a PPD driver: driver settings beside the DEVMODE reach the job as far as the driver
// takes them, borderless printing goes out on the sheet's twin or with the driver's full bleed, and
// two sheets of one standard size keep codes of their own.

#include "platform/Printer.h"

#include "platform/Canvas.h"

#include "tests/FakePrinterBackend.h"
#include "tests/TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class PrinterDriverOptionsTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend = FakePrinterBackend::Install();
        backend->queues["Escpr"] = FakePrinterBackend::PpdQueue(Fixture("EscprPhoto.ppd"));
        backend->queues["Canon"] = FakePrinterBackend::PpdQueue(Fixture("GutenprintCanonA.ppd"));
        ASSERT_TRUE(backend->queues["Escpr"].caps.Driver);
    }
    void TearDown() override { SetPrinterBackend(nullptr); }

    static QString Fixture(const char* name) {
        return TestSupport::SourcePath(QStringLiteral("tests/data/ppd/") + QLatin1String(name));
    }
    static int CodeOf(const QString& queue, const QString& formName) {
        for (const TPaperForm& form : Printer().Forms(queue))
            if (form.Name == formName)
                return form.PaperID;
        return 0;
    }
    static QByteArray DevMode(const QString& queue, int paper, int source) {
        QByteArray bytes = Printer().DefaultDevMode(queue);
        TDevModeFields f = TDevModeFields::Read(bytes);
        f.PaperSize = int16_t(paper);
        f.DefaultSource = int16_t(source);
        f.Fields |= DM_PAPERSIZE | DM_DEFAULTSOURCE;
        f.WriteTo(bytes);
        return Printer().MergeDevMode(queue, bytes, DM_PAPERSIZE | DM_DEFAULTSOURCE);
    }
    // One empty page printed on queue; the job the backend got.
    FakePrinterBackend::SpooledJob PrintOn(const QString& queue, const QByteArray& devMode,
                                           const TDriverOptions& options) {
        Printer().SetPrinter(queue, {}, {}, devMode, options);
        Printer().BeginDoc();
        Printer().EndDoc();
        EXPECT_FALSE(backend->spool.empty());
        return backend->spool.empty() ? FakePrinterBackend::SpooledJob() : backend->spool.back();
    }

    FakePrinterBackend* backend = nullptr;
};

} // namespace

TEST_F(PrinterDriverOptionsTest, TwoSheetsOfOneSizeKeepTheirOwnCodesAndTheTwinPrintsAsItself) {
    const int a4 = CodeOf("Escpr", "A4");
    const int borderless = CodeOf("Escpr", "A4 (Borderless)");
    EXPECT_EQ(a4, DMPAPER_A4);
    EXPECT_GT(borderless, DMPAPER_USER);
    EXPECT_LT(borderless, TPrinter::FirstAddedFormId);
    const QByteArray devMode = DevMode("Escpr", borderless, DMBIN_AUTO);
    EXPECT_EQ(TDevModeFields::Read(devMode).PaperSize, borderless);
    EXPECT_EQ(PrintOn("Escpr", devMode, {}).options.PageSizeKeyword, QStringLiteral("TA4"));
    EXPECT_EQ(PrintOn("Escpr", DevMode("Escpr", a4, DMBIN_AUTO), {}).options.PageSizeKeyword,
              QStringLiteral("A4"));
}

TEST_F(PrinterDriverOptionsTest, BorderlessSourceStaysOnlyWhereTheSheetCanGoBorderless) {
    const int l = CodeOf("Escpr", "L 89x127mm");
    const int a6 = DMPAPER_A6;
    ASSERT_GT(l, 0);
    EXPECT_EQ(TDevModeFields::Read(DevMode("Escpr", l, DMBIN_BORDERLESS)).DefaultSource, DMBIN_BORDERLESS);
    EXPECT_EQ(TDevModeFields::Read(DevMode("Escpr", a6, DMBIN_BORDERLESS)).DefaultSource, DMBIN_AUTO);
    // A Gutenprint driver bleeds any sheet on request; a queue without a driver never.
    EXPECT_EQ(TDevModeFields::Read(DevMode("Canon", DMPAPER_A4, DMBIN_BORDERLESS)).DefaultSource,
              DMBIN_BORDERLESS);
    backend->queues["Office"] = FakePrinterBackend::OfficeQueue();
    Printer().Refresh();
    EXPECT_EQ(TDevModeFields::Read(DevMode("Office", DMPAPER_A4, DMBIN_BORDERLESS)).DefaultSource, DMBIN_AUTO);
}

TEST_F(PrinterDriverOptionsTest, JobsCarryTheSettingsTheDriverTakes) {
    const int l = CodeOf("Escpr", "L 89x127mm");
    const TDriverOptions asked{{"MediaType", "PLAIN_NORMAL"}, {"PageSize", "A4"}, {"InputSlot", "Rear"},
                               {"Ink", "NOSUCH"},             {"Ink", "MONO"},    {"Duplex", "None"}};
    // Bordered L: plain paper is allowed; PageSize, InputSlot, Duplex and unknown choices never go.
    FakePrinterBackend::SpooledJob job = PrintOn("Escpr", DevMode("Escpr", l, DMBIN_AUTO), asked);
    EXPECT_EQ(job.options.DriverOptions, (TDriverOptions{{"MediaType", "PLAIN_NORMAL"}, {"Ink", "MONO"}}));
    EXPECT_EQ(job.options.PageSizeKeyword, QStringLiteral("L"));

    // Borderless L prints on its twin, where plain paper is excluded, and at the sheet's edges.
    const QByteArray borderless = DevMode("Escpr", l, DMBIN_BORDERLESS);
    job = PrintOn("Escpr", borderless, {{"MediaType", "PMPHOTO_NORMAL"}});
    EXPECT_EQ(job.options.PageSizeKeyword, QStringLiteral("TL"));
    EXPECT_EQ(job.options.DriverOptions, (TDriverOptions{{"MediaType", "PMPHOTO_NORMAL"}}));
    EXPECT_TRUE(PrintOn("Escpr", borderless, {{"MediaType", "PLAIN_NORMAL"}}).options.DriverOptions.isEmpty());
    Printer().SetPrinter("Escpr", {}, {}, borderless);
    const TPrinterGeometry g = Printer().Geometry();
    EXPECT_EQ(g.OffsetX, 0);
    EXPECT_EQ(g.PageWidth, g.PhysicalWidth);

    // Gutenprint goes borderless by its own option.
    job = PrintOn("Canon", DevMode("Canon", DMPAPER_A4, DMBIN_BORDERLESS), {{"MediaType", "GlossyPro"}});
    EXPECT_EQ(job.options.DriverOptions,
              (TDriverOptions{{"MediaType", "GlossyPro"}, {"StpFullBleed", "True"}}));
    // The PDF printer takes no driver settings.
    QTemporaryDir dir;
    Printer().SetOutputFileName(dir.filePath("out.pdf"));
    Printer().SetPrinter(TPrinter::PdfPrinterName, {}, {}, {}, {{"MediaType", "GlossyPro"}});
    Printer().BeginDoc();
    Printer().EndDoc();
    EXPECT_EQ(backend->spool.size(), 4u);
}

// Qt states 1200 dpi for these queues; the job is drawn at 600 unless the chosen settings make the
// driver rasterise finer, and never finer than the queue states.
TEST_F(PrinterDriverOptionsTest, JobsAreDrawnAtTheResolutionTheDriversSettingsNeed) {
    backend->queues["R800"] = FakePrinterBackend::PpdQueue(Fixture("GutenprintEpson.ppd"));
    const auto drawnAt = [](const QString& queue, const TDriverOptions& options) {
        Printer().SetPrinter(queue, {}, {}, Printer().DefaultDevMode(queue), options);
        const TPrinterGeometry g = Printer().Geometry();
        EXPECT_EQ(g.DpiX, g.DpiY);
        Printer().BeginDoc();
        const int job = Printer().Canvas().PixelsPerInch();
        Printer().Abort();
        EXPECT_EQ(job, g.DpiX) << queue.toStdString();
        return g.DpiX;
    };
    EXPECT_EQ(drawnAt("Escpr", {}), 600);
    EXPECT_EQ(Printer().Geometry().PhysicalWidth, 4961); // A4 at 600 dpi
    // The R800's manual quality rasterises at 720 x 360.
    EXPECT_EQ(drawnAt("R800", {}), 720);
    EXPECT_EQ(drawnAt("R800", {{"StpQuality", "Draft"}}), 600);
    EXPECT_EQ(drawnAt("R800", {{"StpQuality", "Photo"}}), 1200);
    // The Resolution option counts only under the manual quality.
    EXPECT_EQ(drawnAt("R800", {{"StpQuality", "High"}, {"Resolution", "2880x1440dpi"}}), 720);
    EXPECT_EQ(drawnAt("R800", {{"Resolution", "2880x1440dpi"}}), 1200);
    backend->queues["R800"].caps.ResolutionX = backend->queues["R800"].caps.ResolutionY = 300;
    Printer().Refresh();
    EXPECT_EQ(drawnAt("R800", {{"StpQuality", "Photo"}}), 300);
}
