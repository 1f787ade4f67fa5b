// The printer set-up: the printers offered, the PDF-file printer when there is no queue, paper and
// orientation into the working settings, only OK changes the current printer, and the Epson and
// Canon pages over the queues' PPDs carry their choices into the job.

#include "app/dialogs/FPrinterSetting.h"

#include "app/dialogs/FCanonPrinterSetting.h"
#include "app/dialogs/FEpsonPrinterSetting.h"
#include "papers/UPaperInfo.h"
#include "papers/printing/UmPaperPrintSetting.h"
#include "tests/TestSupport.h"

#include "papers/printing/UmPrinterConfiguration.h"
#include "platform/DevMode.h"
#include "platform/Printer.h"
#include "tests/FakePrinterBackend.h"
#include "tests/PrivateCupsd.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QSlider>
#include <QStackedWidget>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

class PrinterSettingTest : public ::testing::Test {
protected:
    void SetUp() override { backend = FakePrinterBackend::Install(); }
    void TearDown() override { SetPrinterBackend(nullptr); }
    void AddOffice() {
        backend->queues["Office"] = FakePrinterBackend::OfficeQueue();
        backend->defaultQueue = "Office";
        Printer().Refresh();
    }
    static void Choose(TfrmPrinterSetting& dialog, const QString& name) {
        dialog.cmbPrinter->setCurrentIndex(dialog.cmbPrinter->findText(name));
        emit dialog.cmbPrinter->activated(dialog.cmbPrinter->currentIndex());
    }

    void AddPpdQueues() {
        for (const auto& [queue, file] : {std::pair{"PMA920", "EscprPhoto.ppd"}, {"IP4300", "GutenprintCanonA.ppd"}})
            backend->queues[queue] = FakePrinterBackend::PpdQueue(
                TestSupport::SourcePath(QStringLiteral("tests/data/ppd/") + QLatin1String(file)));
        backend->queues["Office"] = FakePrinterBackend::OfficeQueue();
        backend->defaultQueue = "Office";
        Printer().Refresh();
    }
    // One empty page on the current printer: the options the queue got.
    TPrinterJobOptions PrintPage() {
        Printer().BeginDoc();
        Printer().EndDoc();
        EXPECT_FALSE(backend->spool.empty());
        return backend->spool.empty() ? TPrinterJobOptions() : backend->spool.back().options;
    }
    static void Pick(QComboBox* combo, const QString& text) {
        const int index = combo->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        combo->setCurrentIndex(index);
    }

    FakePrinterBackend* backend = nullptr;
};

TEST_F(PrinterSettingTest, WithoutAQueueThePdfPrinterIsCurrentAndTheDialogSaysSo) {
    TfrmPrinterSetting dialog;
    EXPECT_EQ(dialog.PrinterNames(), QStringList{TPrinter::PdfPrinterName});
    EXPECT_EQ(dialog.cmbPrinter->currentText(), TPrinter::PdfPrinterName);
    EXPECT_TRUE(dialog.lblPdfNote->isVisibleTo(&dialog));
    EXPECT_EQ(dialog.lblPdfNote->text(), NoQueueText());
    EXPECT_EQ(dialog.lblPort->text(), QStringLiteral("PDFファイル"));
    EXPECT_GT(dialog.cmbPaper->count(), 0);

    AddOffice();
    TfrmPrinterSetting withQueue;
    EXPECT_EQ(withQueue.PrinterNames(), (QStringList{"Office", TPrinter::PdfPrinterName}));
    EXPECT_EQ(withQueue.cmbPrinter->currentText(), QStringLiteral("Office"));
    EXPECT_FALSE(withQueue.lblPdfNote->isVisibleTo(&withQueue));
    EXPECT_EQ(withQueue.lblPort->text(), QStringLiteral("Fake Office 600"));
}

TEST_F(PrinterSettingTest, OnlyOkMakesTheChoiceCurrent) {
    AddOffice();
    ASSERT_EQ(Printer().PrinterName(), QStringLiteral("Office"));
    {
        TfrmPrinterSetting dialog;
        Choose(dialog, TPrinter::PdfPrinterName);
        EXPECT_EQ(dialog.Configuration()->GetDeviceName(), TPrinter::PdfPrinterName);
        dialog.btnCancel->click();
    }
    EXPECT_EQ(Printer().PrinterName(), QStringLiteral("Office"));

    TfrmPrinterSetting dialog;
    // The user size is named with its millimetres.
    QStringList lines;
    for (int i = 0; i < dialog.cmbPaper->count(); ++i)
        lines << dialog.cmbPaper->itemText(i);
    const QStringList user =
        lines.filter(QRegularExpression(QStringLiteral("^ユーザー定義\\(\\d+ x \\d+mm\\)$")));
    EXPECT_EQ(user.size(), 1) << lines.join(u',').toStdString();
    dialog.cmbPaper->setCurrentIndex(dialog.cmbPaper->findText(QStringLiteral("A5")));
    dialog.rbLandscape->setChecked(true);
    const TDevModeFields fields =
        TDevModeFields::Read(dialog.Configuration()->GetDevMode()->GetAnsiDevMode());
    EXPECT_EQ(fields.Orientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(dialog.cmbPaper->currentText(), QStringLiteral("A5"));
    EXPECT_TRUE(dialog.rbLandscape->isChecked());
    dialog.btnOK->click();
    EXPECT_EQ(Printer().PrinterName(), QStringLiteral("Office"));
    EXPECT_EQ(Printer().Orientation(), QPageLayout::Landscape);
    EXPECT_EQ(Printer().PageSize().id(), QPageSize::A5);
}

TEST_F(PrinterSettingTest, TheEpsonPageSetsPaperTypeQualityAndBorderlessForTheJob) {
    AddPpdQueues();
    const QStringList table{"[Epson.Paper.ID]", "PM写真用紙=272", "[Epson.Paper.0]", "写真用紙 L判=PM写真用紙"};
    TIntf<ImPaperPrintSetting> setting = CreatePaperPrintSetting(table, 0);
    TMatrixPaperInfo paper(nullptr);
    paper.PaperName = QStringLiteral("写真用紙 L判");
    paper.SetWidth(890);
    paper.SetHeight(1270);

    TfrmPrinterSetting dialog;
    dialog.Setup(setting.get(), &paper, 0, true);
    EXPECT_EQ(dialog.nbVendor->currentWidget(), dialog.findChild<QWidget*>("lblOther"));
    Choose(dialog, QStringLiteral("PMA920"));
    // Choosing the printer applies the paper: its sheet and the table's type at the finest level.
    TframeEpsonPrinterSetting* epson = dialog.frameEpson;
    ASSERT_EQ(dialog.nbVendor->currentWidget(), epson);
    EXPECT_EQ(dialog.cmbPaper->currentText(), QStringLiteral("L 89x127mm"));
    EXPECT_EQ(epson->cmbPaperType->currentText(), QStringLiteral("PM写真用紙"));
    EXPECT_EQ(epson->tbQuality->value(), 1);
    EXPECT_EQ(epson->tbQuality->maximum(), 2);
    EXPECT_TRUE(epson->cmbPaperType->findText(QStringLiteral("普通紙")) >= 0);
    ASSERT_TRUE(epson->chkBorderless->isVisibleTo(&dialog));
    ASSERT_TRUE(epson->chkBorderless->isEnabled());

    epson->chkBorderless->click();
    // Plain paper does not go borderless: once ticked it is no longer offered.
    EXPECT_LT(epson->cmbPaperType->findText(QStringLiteral("普通紙")), 0);
    epson->tbQuality->setValue(2);
    EXPECT_TRUE(epson->chkBorderless->isChecked());
    dialog.btnOK->click();
    const TPrinterJobOptions job = PrintPage();
    EXPECT_EQ(job.PageSizeKeyword, QStringLiteral("TL"));
    EXPECT_EQ(DriverOption(job.DriverOptions, "MediaType"), QStringLiteral("PMPHOTO_NORMAL"));

    // A paper without a full face never offers borderless printing.
    TfrmPrinterSetting plain;
    plain.Setup(setting.get(), &paper, 0, false);
    EXPECT_EQ(plain.nbVendor->currentWidget(), plain.frameEpson);
    EXPECT_FALSE(plain.frameEpson->chkBorderless->isVisibleTo(&plain));
}

TEST_F(PrinterSettingTest, TheCanonPageAndOtherPrintersAndCancel) {
    AddPpdQueues();
    TfrmPrinterSetting dialog;
    dialog.Setup(nullptr, nullptr, 0, true);
    Choose(dialog, QStringLiteral("IP4300"));
    TframeCanonPrinterSetting* canon = dialog.frameCanon;
    ASSERT_EQ(dialog.nbVendor->currentWidget(), canon);
    EXPECT_EQ(canon->cmbCartridge->count(), 4);
    EXPECT_EQ(canon->cmbQuality->count(), 1);
    EXPECT_EQ(canon->cmbQuality->currentText(), QStringLiteral("標準"));
    Pick(canon->cmbPaperType, QStringLiteral("写真用紙・光沢プロ"));
    Pick(canon->cmbCartridge, QStringLiteral("Photo"));
    ASSERT_TRUE(canon->chkBorderless->isEnabled());
    canon->chkBorderless->click();
    dialog.btnOK->click();
    const TDriverOptions options = PrintPage().DriverOptions;
    EXPECT_EQ(DriverOption(options, "MediaType"), QStringLiteral("GlossyPro"));
    EXPECT_EQ(DriverOption(options, "StpInkType"), QStringLiteral("Photo"));
    EXPECT_EQ(DriverOption(options, "StpQuality"), QStringLiteral("Standard"));
    EXPECT_EQ(DriverOption(options, "StpFullBleed"), QStringLiteral("True"));

    // Another printer chosen and cancelled: the printer and its settings stay.
    {
        TfrmPrinterSetting other;
        Choose(other, QStringLiteral("Office"));
        EXPECT_EQ(other.nbVendor->currentWidget(), other.findChild<QWidget*>("lblOther"));
        other.btnCancel->click();
    }
    EXPECT_EQ(Printer().PrinterName(), QStringLiteral("IP4300"));
    EXPECT_EQ(DriverOption(PrintPage().DriverOptions, "MediaType"), QStringLiteral("GlossyPro"));

    // A queue gone under the open dialog gives way to the current printer when it is activated.
    TfrmPrinterSetting open;
    Choose(open, QStringLiteral("PMA920"));
    backend->queues.erase("PMA920");
    QEvent activate(QEvent::WindowActivate);
    QCoreApplication::sendEvent(&open, &activate);
    EXPECT_FALSE(open.PrinterNames().contains(QStringLiteral("PMA920")));
    EXPECT_EQ(open.Configuration()->GetDeviceName(), QStringLiteral("IP4300"));
    EXPECT_EQ(open.nbVendor->currentWidget(), open.frameCanon);
}

} // namespace

// The set-up over a private print server's queues: one made from the installed ESC/P-R driver and a
// raw one. The Epson page lists the driver's types in Japanese, and its choices reach the job's
// options; the raw queue shows "Other" and its job carries none.
TEST(PrinterSettingCupsTest, TheEpsonPageOverTheDriversQueueAndARawQueue) {
    REQUIRE_CHECKER(!PrivateCupsd::Executable().isEmpty(), "cupsd");
    REQUIRE_CHECKER(PrivateCupsd::HasVendorDrivers(), "printer-driver-escpr and printer-driver-gutenprint");
    PrivateCupsd cupsd;
    ASSERT_TRUE(cupsd.Start()) << cupsd.Log().toStdString();
    ASSERT_TRUE(cupsd.AddQueue("PMA920", "escpr:0/cups/model/epson-inkjet-printer-escpr/"
                                         "Epson-PM-A920-epson-escpr-en.ppd"))
        << cupsd.Log().toStdString();
    ASSERT_TRUE(cupsd.AddQueue("Raw", QString())) << cupsd.Log().toStdString();
    SetPrinterBackend(nullptr);
    Printer().Refresh();
    const auto printedOptions = [&] {
        Printer().BeginDoc();
        Printer().EndDoc();
        const int id = Printer().JobId();
        EXPECT_FALSE(cupsd.WaitForJob(id).isEmpty()) << cupsd.Log().toStdString();
        return cupsd.JobOptions(id).split(u' ');
    };

    const QStringList table{"[Epson.Paper.ID]", "PM写真用紙=272", "[Epson.Paper.0]", "写真用紙 L判=PM写真用紙"};
    TIntf<ImPaperPrintSetting> setting = CreatePaperPrintSetting(table, 0);
    TMatrixPaperInfo paper(nullptr);
    paper.PaperName = QStringLiteral("写真用紙 L判");
    paper.SetWidth(890);
    paper.SetHeight(1270);
    {
        TfrmPrinterSetting dialog;
        dialog.Setup(setting.get(), &paper, 0, true);
        dialog.cmbPrinter->setCurrentIndex(dialog.cmbPrinter->findText("PMA920"));
        emit dialog.cmbPrinter->activated(dialog.cmbPrinter->currentIndex());
        TframeEpsonPrinterSetting* epson = dialog.frameEpson;
        ASSERT_EQ(dialog.nbVendor->currentWidget(), epson);
        EXPECT_EQ(epson->cmbPaperType->currentText(), QStringLiteral("PM写真用紙"));
        ASSERT_TRUE(epson->chkBorderless->isEnabled());
        epson->chkBorderless->click();
        epson->tbQuality->setValue(2);
        dialog.btnOK->click();
    }
    const QStringList options = printedOptions();
    EXPECT_TRUE(options.contains("PageSize=TL")) << options.join(u' ').toStdString();
    EXPECT_TRUE(options.contains("MediaType=PMPHOTO_NORMAL")) << options.join(u' ').toStdString();

    {
        TfrmPrinterSetting dialog;
        dialog.cmbPrinter->setCurrentIndex(dialog.cmbPrinter->findText("Raw"));
        emit dialog.cmbPrinter->activated(dialog.cmbPrinter->currentIndex());
        EXPECT_EQ(dialog.nbVendor->currentWidget(), dialog.findChild<QWidget*>("lblOther"));
        dialog.btnOK->click();
    }
    EXPECT_TRUE(printedOptions().filter(QRegularExpression("^(MediaType|StpQuality|StpFullBleed)")).isEmpty());
}

