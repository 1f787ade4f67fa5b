#include "papers/printing/UmPrinterConfiguration.h"

#include "papers/UPaperInfo.h"
#include "papers/printing/UPrinterUtil.h"
#include "papers/printing/UmPaperPrintSetting.h"
#include "tests/FakeDialogService.h"
#include "tests/papers/printing/PrintingTestSupport.h"

#include <QLocale>

namespace {

TDevModeFields Working(ImPrinterConfiguration& config) {
    return TDevModeFields::Read(config.GetDevMode()->GetAnsiDevMode());
}

void Change(ImPrinterConfiguration& config, const std::function<void(TDevModeFields&)>& change) {
    QByteArray bytes = config.GetDevMode()->GetAnsiDevMode();
    TDevModeFields f = TDevModeFields::Read(bytes);
    change(f);
    f.WriteTo(bytes);
    config.GetDevMode()->SetDevModeA(bytes);
}

// A sheet of paper with one face; sizes in 0.1 mm as stored (portrait).
std::unique_ptr<TMatrixPaperInfo> Paper(int width, int height, bool landscape) {
    auto paper = std::make_unique<TMatrixPaperInfo>(nullptr);
    paper->SetWidth(width);
    paper->SetHeight(height);
    paper->Landscape = landscape;
    return paper;
}

using PrinterConfiguration = PrintingTest;

TEST_F(PrinterConfiguration, MadeByNameHasNoPortAndTheDriversDefaults) {
    TIntf<ImPrinterConfiguration> config = CreatePrinterConfigurationFor("Photo", "USB001");
    EXPECT_EQ(config->GetDeviceName(), QString("Photo"));
    EXPECT_TRUE(config->GetPort().isEmpty());
    EXPECT_EQ(Working(*config).PaperSize, DMPAPER_A4);
    EXPECT_THROW(CreatePrinterConfigurationFor("Gone", ""), EPrinter);

    // The current printer's configuration carries the settings it was given.
    Printer().SetPrinter("Photo", {}, {}, config->GetDevMode()->CreateHandle());
    Change(*config, [](TDevModeFields& f) { f.Copies = 3; });
    config->ApplyToPrinter();
    TIntf<ImPrinterConfiguration> current = CreatePrinterConfiguration();
    EXPECT_EQ(current->GetDeviceName(), QString("Photo"));
    EXPECT_EQ(Working(*current).Copies, 3);
    current->RevertDevMode();
    EXPECT_EQ(Working(*current).Copies, 1);
}

TEST_F(PrinterConfiguration, ValidationOffersOnlyFieldsTheWorkingSettingsSet) {
    // The driver's default marks no paper width: it is offered all the same.
    backend->queues["Office"].caps.CustomPageSizes = true;
    TIntf<ImPrinterConfiguration> config = CreatePrinterConfigurationFor("Office", "");
    Change(*config, [](TDevModeFields& f) {
        f.Fields = DM_ORIENTATION | DM_PAPERWIDTH | DM_PAPERLENGTH;
        f.Orientation = DMORIENT_LANDSCAPE;
        f.PaperWidth = 1000;
        f.PaperLength = 1480;
        f.Copies = 7; // not marked: not offered
        f.DefaultSource = DMBIN_FIRSTSLOT;
    });
    TIntf<ImPrinterForm> before = config->GetForms();
    config->ValidateDevMode();
    const TDevModeFields f = Working(*config);
    EXPECT_EQ(f.Orientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(f.PaperWidth, 1000);
    EXPECT_EQ(f.PaperLength, 1480);
    EXPECT_EQ(f.Copies, 1);
    EXPECT_EQ(f.DefaultSource, DMBIN_AUTO);
    EXPECT_NE(config->GetForms(), before); // forms read again after validation
}

TEST_F(PrinterConfiguration, PageSetupEditsTheWorkingSettings) {
    FakeDialogService dialogs;
    TIntf<ImPrinterConfiguration> config = CreatePrinterConfigurationFor("Office", "");
    EXPECT_FALSE(config->EditProperties(nullptr));
    ASSERT_EQ(dialogs.pageSetups.size(), 1u);
    EXPECT_EQ(dialogs.pageSetups[0].PageSize.id(), QPageSize::A4);
    dialogs.pageSetupAnswer = TPageSetupRequest{"Office", QPageSize(QPageSize::A5), QPageLayout::Landscape, 1, {}};
    EXPECT_TRUE(config->EditProperties(nullptr));
    const TDevModeFields f = Working(*config);
    EXPECT_EQ(f.PaperSize, 11); // A5
    EXPECT_EQ(f.Orientation, DMORIENT_LANDSCAPE);
}

// Qt's sizes without a paper code (A7, A8) are the PDF printer's too: chosen in the page set-up
// they keep a code of the printer's own instead of becoming the user size.
TEST_F(PrinterConfiguration, ThePdfPrinterOffersSizesWithoutAPaperCode) {
    FakeDialogService dialogs;
    TIntf<ImPrinterConfiguration> config = CreatePrinterConfigurationFor(TPrinter::PdfPrinterName, "");
    for (const QPageSize::PageSizeId id : {QPageSize::A7, QPageSize::A8, QPageSize::JisB5}) {
        dialogs.pageSetupAnswer = TPageSetupRequest{TPrinter::PdfPrinterName, QPageSize(id), QPageLayout::Portrait, 1, {}};
        ASSERT_TRUE(config->EditProperties(nullptr));
        const TDevModeFields f = Working(*config);
        EXPECT_EQ(f.PaperSize > DMPAPER_USER, QPageSize::windowsId(id) == 0) << f.PaperSize;
        EXPECT_EQ(Printer().PageSizeOf(TPrinter::PdfPrinterName, f).id(), id);
        config->ValidateDevMode();
        EXPECT_EQ(Working(*config).PaperSize, f.PaperSize);
    }
}

using PrinterForms = PrintingTest;

TEST_F(PrinterForms, ExactSizeWinsAndTheToleranceIsInclusive) {
    backend->queues["Office"].caps.PageSizes = {
        QPageSize(QPageSize::A4),
        QPageSize(QSizeF(211, 297.5), QPageSize::Millimeter, "Custom 211", QPageSize::ExactMatch)};
    TIntf<ImPrinterForm> forms = CreatePrinterConfigurationFor("Office", "")->GetForms();
    ASSERT_EQ(forms->GetFormList()->GetCount(), 3); // with the user size
    EXPECT_EQ(forms->IndexOfNearSize(TPoint(2105, 2975)), 0);
    EXPECT_EQ(forms->IndexOfNearSize(TPoint(2110, 2975)), 1);
    EXPECT_EQ(forms->IndexOfNearSize(TPoint(2120, 2970)), 0);
    EXPECT_EQ(forms->IndexOfNearSize(TPoint(2140, 2970)), -1);
    EXPECT_EQ(forms->IndexOfName("custom 211"), 1);
    // The size without a standard paper code has one of the queue's own; the user size keeps its code.
    EXPECT_EQ(forms->GetForm(1)->GetPaperID(), DMPAPER_USER + 1);
    EXPECT_EQ(forms->IndexOfPaperID(DMPAPER_USER), 2);
    EXPECT_THROW(forms->GetForm(3), EListError);
    EXPECT_TRUE(forms->GetNamesText().startsWith(forms->GetForm(0)->GetName() + "\r\n"));

    backend->unreachable = true;
    Printer().Refresh();
    EXPECT_TRUE(CreatePrinterForm("Office", "", nullptr)->GetNamesText().isEmpty());
}

using PaperPrintSetting = PrintingTest;

TEST_F(PaperPrintSetting, LandscapeA4TakesTheA4FormTurned) {
    TIntf<ImPrinterConfiguration> config = CreatePrinterConfigurationFor("Office", "");
    TIntf<ImPaperPrintSetting> setting = CreatePaperPrintSetting({}, 0);
    setting->ApplyPaperToPrinter(config.get(), *Paper(2100, 2970, true), QString());
    const TDevModeFields f = Working(*config);
    EXPECT_EQ(f.Orientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(f.PaperSize, DMPAPER_A4);
}

TEST_F(PaperPrintSetting, AnUnknownSizeGetsAFormOrAtLeastItsOrientation) {
    TIntf<ImPrinterConfiguration> config = CreatePrinterConfigurationFor("Office", "");
    TIntf<ImPaperPrintSetting> setting = CreatePaperPrintSetting({}, 0);
    setting->ApplyPaperToPrinter(config.get(), *Paper(1000, 1480, false), QString());
    TIntf<ImPrinterForm> forms = config->GetForms();
    const int added = forms->IndexOfName("100 x 148mm");
    ASSERT_GE(added, 0);
    EXPECT_EQ(Working(*config).PaperSize, forms->GetForm(added)->GetPaperID());
    config->ApplyToPrinter();
    EXPECT_NEAR(Printer().PageSize().size(QPageSize::Millimeter).width(), 100.0, 0.01);

    // No form fits and no user size: the sheet stays, the orientation is carried.
    TIntf<ImPrinterConfiguration> photo = CreatePrinterConfigurationFor("Photo", "");
    setting->ApplyPaperToPrinter(photo.get(), *Paper(1000, 1480, true), QString());
    EXPECT_EQ(Working(*photo).PaperSize, DMPAPER_A4);
    EXPECT_EQ(Working(*photo).Orientation, DMORIENT_LANDSCAPE);
}

TEST_F(PaperPrintSetting, EachOfAQueuesOwnSizesIsChosenAndPrintedOn) {
    // Photo sizes with no standard paper code, on a queue without custom sizes.
    const auto size = [](double w, double h, const char* name) {
        return QPageSize(QSizeF(w, h), QPageSize::Millimeter, name, QPageSize::ExactMatch);
    };
    backend->queues["Photo"].caps.PageSizes = {QPageSize(QPageSize::A4), size(89, 127, "L"),
                                               size(127, 178, "2L")};
    TIntf<ImPaperPrintSetting> setting = CreatePaperPrintSetting({}, 0);
    for (const auto& [w, h] : {std::pair(890, 1270), std::pair(1270, 1780)}) {
        TIntf<ImPrinterConfiguration> photo = CreatePrinterConfigurationFor("Photo", "");
        setting->ApplyPaperToPrinter(photo.get(), *Paper(w, h, false), QString());
        photo->ApplyToPrinter();
        const QSizeF mm = Printer().PageSize().size(QPageSize::Millimeter);
        EXPECT_NEAR(mm.width(), w / 10.0, 0.01);
        EXPECT_NEAR(mm.height(), h / 10.0, 0.01);
    }
}

TEST(PaperFormName, NamesStandardSizesAndIgnoresTheLocale) {
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German));
    EXPECT_EQ(PaperFormName(TPoint(2100, 2970)), QString("A4(210 x 297mm)"));
    EXPECT_EQ(PaperFormName(TPoint(1005, 1480)), QString("100.5 x 148mm"));
    QLocale::setDefault(saved);
}

using PrinterUtil = PrintingTest;

TEST_F(PrinterUtil, RefreshKeepsTheCurrentPrinterOrFallsBackToTheDefault) {
    TIntf<ImPrinterConfiguration> config = CreatePrinterConfigurationFor("Photo", "");
    Change(*config, [](TDevModeFields& f) { f.Copies = 4; });
    config->ApplyToPrinter();
    EXPECT_FALSE(RefreshPrinters());
    EXPECT_EQ(Printer().PrinterName(), QString("Photo"));
    EXPECT_EQ(TDevModeFields::Read(Printer().DevMode()).Copies, 4);

    backend->queues.erase("Photo");
    EXPECT_TRUE(RefreshPrinters());
    EXPECT_EQ(Printer().PrinterName(), QString("Office"));
    EXPECT_TRUE(TrySelectDefaultPrinter());

    // A4 at 600 x 300 dpi: the sheet in tenths on both axes.
    backend->queues["Office"].caps.ResolutionY = 300;
    Printer().Refresh();
    EXPECT_EQ(GetPhysicalPaperSize(254), TPoint(2100, 2970));
}

} // namespace
