// The printer set-up: the printers offered, the PDF-file printer when there is no queue, paper and
// orientation into the working settings, and only OK changes the current printer.

#include "app/dialogs/FPrinterSetting.h"

#include "papers/printing/UmPrinterConfiguration.h"
#include "platform/DevMode.h"
#include "platform/Printer.h"
#include "tests/FakePrinterBackend.h"

#include <QComboBox>
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

} // namespace
