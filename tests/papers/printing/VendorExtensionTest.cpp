// The Epson and Canon extensions, on scripted drivers for their own rules and on the queues' PPDs
// for what the drivers here offer, and the paper print settings that drive them from the table.

#include "papers/UPaperInfo.h"
#include "papers/printing/UExtDDI.h"
#include "papers/printing/UPrinterUtil.h"
#include "papers/printing/UVendorMedia.h"
#include "papers/printing/UmEpsonEPDI.h"
#include "papers/printing/UmPaperPrintSetting.h"
#include "platform/Cp932.h"
#include "tests/FakePrinterBackend.h"
#include "tests/FakeVendorDrivers.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

namespace {

class VendorExtensionTest : public ::testing::Test {
protected:
    void SetUp() override {
        backend = FakePrinterBackend::Install();
        for (const auto& [queue, file] : {std::pair{"PMA920", "EscprPhoto.ppd"}, {"IP4300", "GutenprintCanonA.ppd"},
                                          {"MP287", "GutenprintCanonB.ppd"}, {"R800", "GutenprintEpson.ppd"},
                                          {"Office", "Office.ppd"}})
            backend->queues[queue] = FakePrinterBackend::PpdQueue(
                TestSupport::SourcePath(QStringLiteral("tests/data/ppd/") + QLatin1String(file)));
        Printer().Refresh();
    }
    void TearDown() override {
        SetEpsonLibraryFactory(nullptr);
        SetExtDDICallerFactory(nullptr);
        SetPrinterBackend(nullptr);
    }
    static TIntf<ImPrinterConfiguration> Configure(const QString& queue, int paperCode = 0, int source = 0) {
        TIntf<ImPrinterConfiguration> configuration = CreatePrinterConfigurationFor(queue, QString());
        if (paperCode || source) {
            TIntf<ImDeviceMode> devMode = configuration->GetDevMode();
            QByteArray bytes = devMode->GetAnsiDevMode();
            TDevModeFields f = TDevModeFields::Read(bytes);
            if (paperCode)
                f.PaperSize = int16_t(paperCode);
            if (source)
                f.DefaultSource = int16_t(source);
            f.Fields |= DM_PAPERSIZE | DM_DEFAULTSOURCE;
            f.WriteTo(bytes);
            devMode->SetDevModeA(bytes);
            configuration->ValidateDevMode();
        }
        return configuration;
    }
    static int FormCode(const QString& queue, const QString& name) {
        for (const TPaperForm& form : Printer().Forms(queue))
            if (form.Name == name)
                return form.PaperID;
        return 0;
    }
    void UseFakeEpson() {
        SetEpsonLibraryFactory(
            [this](ImPrinterConfiguration&) { return std::make_unique<FakeEpsonLibrary>(&epson); });
    }

    FakePrinterBackend* backend = nullptr;
    FakeEpsonScript epson;
};

} // namespace

TEST_F(VendorExtensionTest, EpsonLibraryRulesOnAScriptedLibrary) {
    UseFakeEpson();
    epson.missingEntries = {"EPDM_UpdateDevMode"};
    TIntf<ImEpsonEPDI> rejected = CreateEpsonEPDI(Configure("Office").get());
    EXPECT_FALSE(rejected->IsOpen());
    EXPECT_EQ(rejected->GetCommandLevel(epdmRecommended), -1);
    EXPECT_TRUE(epson.calls.isEmpty());

    epson.missingEntries.clear();
    TIntf<ImPrinterConfiguration> configuration = Configure("Office");
    TIntf<ImEpsonEPDI> extension = CreateEpsonEPDI(configuration.get());
    ASSERT_TRUE(extension->IsOpen());
    EXPECT_EQ(extension->GetDriverKind(), 4);
    epson.driverInfo = QByteArray("\x28\x00", 2);
    EXPECT_EQ(extension->GetDriverKind(), 2);

    // Names only from calls that succeeded and within bounds, else the table's, else the message.
    epson.names[272] = Cp932::Encode(QStringLiteral("ドライバの名前"));
    EXPECT_EQ(extension->GetPaperTypeName(272), QStringLiteral("ドライバの名前"));
    epson.nameSecondCallFails = true;
    EXPECT_EQ(extension->GetPaperTypeName(272), QStringLiteral("PM写真用紙"));
    epson.nameSecondCallFails = false;
    epson.lengthAnswer = 1 << 20;
    EXPECT_EQ(extension->GetPaperTypeName(272), QStringLiteral("PM写真用紙"));
    EXPECT_EQ(extension->GetPaperTypeName(999), QStringLiteral("不明な用紙種類(999)"));

    // The probe keeps the highest level the library keeps, and leaves the DEVMODE as it found it.
    TDriverOptions before{{"MediaType", "X"}};
    configuration->GetDevMode()->SetDriverOptions(before);
    const QByteArray bytes = configuration->GetDevMode()->GetAnsiDevMode();
    epson.keptLevels = {1, 2};
    EXPECT_EQ(extension->ProbeItem70Max(), 2);
    epson.keptLevels = {1};
    EXPECT_EQ(extension->ProbeItem70Max(), 1);
    EXPECT_EQ(configuration->GetDevMode()->GetAnsiDevMode(), bytes);
    EXPECT_EQ(configuration->GetDevMode()->GetDriverOptions(),
              (TDriverOptions{{"MediaType", "X"}, {"FakeLevel", "1"}}));
    epson.maximumFails = true;
    EXPECT_EQ(extension->ProbeItem70Max(), 0);
}

TEST_F(VendorExtensionTest, CanonExtensionRulesOnAScriptedDriver) {
    FakeCanonScript canon;
    canon.items[cdiQuality] = {CanonListType, {1, 3, 7}, {}, 3};
    canon.items[cdiPaperType] = {CanonListType, {1, 620}, {"Plain", "Glossy"}, 1};
    SetExtDDICallerFactory([&](ImPrinterConfiguration* c) { return std::make_unique<FakeCanonCaller>(c, &canon); });
    TIntf<ImCanonExtDDI> extension = GetCanonExtDDI(Configure("Office").get());
    ASSERT_TRUE(extension->IsAvailable());
    EXPECT_EQ(extension->GetQualityNames(), QStringLiteral("きれい\r\nはやい\r\nカスタム\r\n"));
    EXPECT_EQ(extension->GetItemNames(cdiPaperType), QStringLiteral("Plain\r\nGlossy\r\n"));
    canon.calls.clear();
    EXPECT_FALSE(extension->SetItemValue(cdiQuality, 9, true));
    EXPECT_FALSE(canon.calls.contains(QStringLiteral("3/5")));
    EXPECT_TRUE(extension->SetItemValueByIndex(cdiPaperType, 1));
    EXPECT_EQ(canon.items[cdiPaperType].current, 620);
    EXPECT_EQ(extension->IndexOfItemValue(cdiPaperType), 1);

    canon.version = 0x00020000;
    EXPECT_FALSE(GetCanonExtDDI(Configure("Office").get())->IsAvailable());
    EXPECT_EQ(GetCanonExtDDI(Configure("Office").get())->CallExtension(cdmItemCount, cdiQuality, nullptr, 0), 1);
}

TEST_F(VendorExtensionTest, EpsonItemsOverTheQueuesPpds) {
    const int l = FormCode("PMA920", "L 89x127mm");
    ASSERT_GT(l, 0);
    TIntf<ImPrinterConfiguration> configuration = Configure("PMA920", l);
    TIntf<ImEpsonEPDI> extension = CreateEpsonEPDI(configuration.get());
    ASSERT_EQ(extension->GetCommandLevel(epdmRecommended), 1);
    EXPECT_TRUE(extension->GetItem60Values().contains(1));
    EXPECT_EQ(extension->GetItem40Values(), (QList<int>{DMBIN_AUTO, DMBIN_BORDERLESS}));
    // Plain paper does not go borderless: once the source is 259 it is not offered.
    EXPECT_TRUE(extension->SetItem40(DMBIN_BORDERLESS));
    EXPECT_FALSE(extension->GetItem60Values().contains(1));
    EXPECT_TRUE(extension->GetItem60Values().contains(272));
    EXPECT_EQ(extension->GetPaperTypeName(272), QStringLiteral("PM写真用紙"));
    EXPECT_EQ(extension->GetPaperTypeName(1000 + 6), QStringLiteral("Glossy X"));

    // HIGH is level 1 whatever the PPD's order; a card has one level only.
    TEpdmRecord record{{1, 2, 272, 2}};
    ASSERT_TRUE(extension->SetItem70(record));
    extension->ReadDevMode();
    EXPECT_EQ(DriverOption(configuration->GetDevMode()->GetDriverOptions(), "MediaType"),
              QStringLiteral("PMPHOTO_NORMAL"));
    EXPECT_EQ(extension->ProbeItem70Max(), 2);
    EXPECT_EQ(extension->GetItem70(), record);
    record.Words = {1, 1, 601, 2};
    ASSERT_TRUE(extension->SetItem70(record));
    EXPECT_EQ(extension->ProbeItem70Max(), 1);
    record.Words = {1, 2, 601, 2};
    EXPECT_FALSE(extension->SetItem70(record));

    // A Gutenprint Epson under StpQuality None is a custom setting; the office printer has none.
    TIntf<ImEpsonEPDI> r800 = CreateEpsonEPDI(Configure("R800").get());
    EXPECT_EQ(r800->GetItem70().Words[0], 0);
    EXPECT_EQ(r800->ProbeItem70Max(), 5);
    EXPECT_FALSE(CreateEpsonEPDI(Configure("Office").get())->IsOpen());
    EXPECT_FALSE(CreateEpsonEPDI(Configure("IP4300").get())->IsOpen());
}

TEST_F(VendorExtensionTest, CanonItemsOverTheQueuesPpds) {
    TIntf<ImPrinterConfiguration> configuration = Configure("IP4300");
    TIntf<ImCanonExtDDI> ip4300 = GetCanonExtDDI(configuration.get());
    ASSERT_TRUE(ip4300->IsAvailable());
    EXPECT_EQ(ip4300->GetItemCount(cdiCartridge), 4);
    EXPECT_EQ(ip4300->GetQualityNames(), QStringLiteral("標準\r\n"));
    EXPECT_EQ(ip4300->GetItemCount(cdiPaperFeed), 2);
    EXPECT_EQ(ip4300->GetItemNames(cdiPaperType).split("\r\n").first(), QStringLiteral("普通紙"));
    EXPECT_FALSE(ip4300->GetItemValues(cdiBorderlessTypes).contains(1));
    EXPECT_TRUE(ip4300->GetItemValues(cdiBorderlessTypes).contains(620));
    EXPECT_TRUE(ip4300->SetItemValue(cdiPaperFeed, 1, true));
    EXPECT_EQ(TDevModeFields::Read(configuration->GetDevMode()->GetAnsiDevMode()).DefaultSource, DMBIN_BORDERLESS);
    EXPECT_EQ(DriverOption(configuration->GetDevMode()->GetDriverOptions(), "StpFullBleed"), QStringLiteral("True"));
    EXPECT_FALSE(ip4300->SetItemValue(cdiQuality, 1, true));

    TIntf<ImCanonExtDDI> mp287 = GetCanonExtDDI(Configure("MP287").get());
    EXPECT_EQ(mp287->GetItemNames(cdiCartridge), QStringLiteral("Both\r\nColor\r\nBlack\r\n"));
    EXPECT_EQ(mp287->GetQualityValues(), (QList<int>{3, 2, 1, 4}));
    EXPECT_FALSE(GetCanonExtDDI(Configure("PMA920").get())->IsAvailable());
}

TEST_F(VendorExtensionTest, PaperPrintSettingSearchesTheTableAndSetsTheDriver) {
    const QStringList table{
        "[Epson.PrinterGroup]", "Epson PM-A920=PM",
        "[Epson.Paper.ID]",     "PM写真用紙=272", "普通紙=1", "カード=601", "ない=999",
        // The driver's family lacks n = 0: its n = 1 is never reached.
        "[Epson.Epson PM-A920.Paper.1]", "写真用紙 L判=普通紙",
        // The group's: a type the driver does not offer is passed over for the next.
        "[Epson.PM.Paper.0]",   "写真用紙 L判=ない",
        "[Epson.PM.Paper.1]",   "写真用紙 L判=PM写真用紙",
        "[Epson.Paper.0]",      "@@default=普通紙",
        "[Canon.Paper.ID]",     "写真用紙・光沢プロ=620",
        "[Canon.Paper.0]",      "写真用紙 L判=写真用紙・光沢プロ",
    };
    TIntf<ImPaperPrintSetting> setting = CreatePaperPrintSetting(table, 0);
    TMatrixPaperInfo paper(nullptr);
    paper.PaperName = QStringLiteral("写真用紙 L判");
    paper.SetWidth(890);
    paper.SetHeight(1270);

    TIntf<ImPrinterConfiguration> pma920 = Configure("PMA920");
    setting->ApplyPaperToPrinter(pma920.get(), paper, QString());
    EXPECT_EQ(TDevModeFields::Read(pma920->GetDevMode()->GetAnsiDevMode()).PaperSize, FormCode("PMA920", "L 89x127mm"));
    EXPECT_EQ(DriverOption(pma920->GetDevMode()->GetDriverOptions(), "MediaType"), QStringLiteral("PMPHOTO_HIGH"));
    SetVendorPaperSource(*pma920, true);
    EXPECT_EQ(TDevModeFields::Read(pma920->GetDevMode()->GetAnsiDevMode()).DefaultSource, DMBIN_BORDERLESS);

    paper.PaperName = QStringLiteral("何かの紙");
    TIntf<ImPrinterConfiguration> other = Configure("PMA920");
    setting->ApplyPaperToPrinter(other.get(), paper, QString());
    EXPECT_EQ(DriverOption(other->GetDevMode()->GetDriverOptions(), "MediaType"), QStringLiteral("PLAIN_HIGH"));

    // A Canon printer: its paper type and finest quality; the Epson step never runs.
    UseFakeEpson();
    paper.PaperName = QStringLiteral("写真用紙 L判");
    TIntf<ImPrinterConfiguration> canon = Configure("MP287");
    setting->ApplyPaperToPrinter(canon.get(), paper, QString());
    EXPECT_TRUE(epson.calls.isEmpty());
    const TDriverOptions options = canon->GetDevMode()->GetDriverOptions();
    EXPECT_EQ(DriverOption(options, "MediaType"), QStringLiteral("GlossyPro"));
    EXPECT_EQ(DriverOption(options, "StpQuality"), QStringLiteral("High"));
}
