// A queue's PPD read into the driver description the vendor settings work over: its options and
// constraints, its sheets with their borderless twins, and the bounds past which it is no driver.

#include "platform/Printer.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

namespace {

TPrinterDriver ReadFixture(const QString& name) {
    std::optional<TPrinterDriver> driver =
        ReadPpdDriver(TestSupport::ReadFile(TestSupport::SourcePath(QStringLiteral("tests/data/ppd/") + name)));
    EXPECT_TRUE(driver.has_value()) << name.toStdString();
    return driver.value_or(TPrinterDriver());
}

} // namespace

TEST(PpdDriverTest, ReadsOptionsConstraintsAndBorderlessTwins) {
    const TPrinterDriver escpr = ReadFixture(QStringLiteral("EscprPhoto.ppd"));
    EXPECT_EQ(escpr.Manufacturer, QStringLiteral("Epson"));
    EXPECT_EQ(escpr.ModelName, QStringLiteral("Epson PM-A920"));
    EXPECT_TRUE(escpr.HasFilter(QStringLiteral("epson-escpr-wrapper")));
    EXPECT_TRUE(escpr.StpDriverName.isEmpty());
    const TPpdOption* media = escpr.Option(QStringLiteral("MediaType"));
    ASSERT_NE(media, nullptr);
    EXPECT_EQ(media->Choices.size(), 13);
    EXPECT_EQ(media->DefaultChoice, QStringLiteral("PLAIN_NORMAL"));
    EXPECT_EQ(media->Choices[5].Text, QStringLiteral("Premium Glossy Photo Paper - Standard"));

    // The same sheet without margins is a size's twin; a size without one has none.
    ASSERT_NE(escpr.Size(QStringLiteral("L")), nullptr);
    EXPECT_EQ(escpr.Size(QStringLiteral("L"))->Twin, QStringLiteral("TL"));
    EXPECT_EQ(escpr.Size(QStringLiteral("A4"))->Twin, QStringLiteral("TA4"));
    EXPECT_TRUE(escpr.Size(QStringLiteral("A6"))->Twin.isEmpty());
    EXPECT_TRUE(escpr.Size(QStringLiteral("TL"))->Twin.isEmpty());
    EXPECT_EQ(escpr.Size(QStringLiteral("TA4"))->Text, QStringLiteral("A4 (Borderless)"));
    EXPECT_NEAR(escpr.Size(QStringLiteral("A4"))->Margins.top(), 8.5, 0.01);

    // Plain paper is refused on the borderless sheet, from either side, and not on the bordered one.
    const TDriverOptions onTL{{QStringLiteral("PageSize"), QStringLiteral("TL")}};
    EXPECT_TRUE(escpr.Excluded(QStringLiteral("MediaType"), QStringLiteral("PLAIN_NORMAL"), onTL));
    EXPECT_FALSE(escpr.Excluded(QStringLiteral("MediaType"), QStringLiteral("PMPHOTO_HIGH"), onTL));
    EXPECT_FALSE(escpr.Excluded(QStringLiteral("MediaType"), QStringLiteral("PLAIN_NORMAL"), {}));
    EXPECT_TRUE(escpr.Excluded(QStringLiteral("PageSize"), QStringLiteral("TL"), {}));

    const TPrinterDriver canon = ReadFixture(QStringLiteral("GutenprintCanonB.ppd"));
    EXPECT_EQ(canon.StpDriverName, QStringLiteral("bjc-PIXMA-MP287"));
    EXPECT_TRUE(canon.HasFilter(QStringLiteral("rastertogutenprint.5.3")));
    EXPECT_EQ(canon.Option(QStringLiteral("StpInkSet"))->Choices.size(), 3);
    const TDriverOptions fullBleed{{QStringLiteral("StpFullBleed"), QStringLiteral("True")}};
    EXPECT_TRUE(canon.Excluded(QStringLiteral("MediaType"), QStringLiteral("Plain"), fullBleed));
    EXPECT_FALSE(canon.Excluded(QStringLiteral("MediaType"), QStringLiteral("GlossyPro"), fullBleed));
    EXPECT_TRUE(canon.Size(QStringLiteral("A4"))->Twin.isEmpty());
}

TEST(PpdDriverTest, AnOptionDeclaredAgainInAnotherGroupIsOneOptionWithEveryChoice) {
    const QByteArray ppd = TestSupport::ReadFile(
        TestSupport::SourcePath(QStringLiteral("fuzz/ppd/corpus/EscprPhoto-repeated-option.ppd")));
    const std::optional<TPrinterDriver> driver = ReadPpdDriver(ppd);
    ASSERT_TRUE(driver.has_value());
    int declared = 0;
    for (const TPpdOption& option : driver->Options)
        declared += option.Keyword == QStringLiteral("MediaType");
    EXPECT_EQ(declared, 1);
    const TPpdOption* media = driver->Option(QStringLiteral("MediaType"));
    ASSERT_NE(media, nullptr);
    // The first declaration's thirteen, then the repeat's one new choice; its default does not win.
    EXPECT_EQ(media->Choices.size(), 14);
    EXPECT_EQ(media->DefaultChoice, QStringLiteral("PLAIN_NORMAL"));
    EXPECT_TRUE(driver->HasChoice(QStringLiteral("MediaType"), QStringLiteral("Photo")));
    EXPECT_EQ(media->Choices.last().Text, QStringLiteral("Photo Paper"));
}

TEST(PpdDriverTest, DamagedOrOversizedPpdsAreNoDriver) {
    EXPECT_FALSE(ReadPpdDriver(QByteArray()).has_value());
    EXPECT_FALSE(ReadPpdDriver(QByteArray("not a PPD at all\n")).has_value());
    const QByteArray corpus = QStringLiteral("fuzz/ppd/corpus/").toUtf8();
    for (const char* name : {"too-many-options.ppd", "too-many-choices.ppd", "noise.ppd"})
        EXPECT_FALSE(ReadPpdDriver(TestSupport::ReadFile(TestSupport::SourcePath(QString::fromUtf8(corpus + name)))))
            << name;
    QByteArray huge = TestSupport::ReadFile(TestSupport::SourcePath(QStringLiteral("tests/data/ppd/Office.ppd")));
    huge.append(QByteArray(TPrinterDriver::MaxBytes, '\n'));
    EXPECT_FALSE(ReadPpdDriver(huge).has_value());
}

TEST(PpdDriverTest, ChoicesKeepTheRasterResolutionTheirCodeSets) {
    const QByteArray ppd =
        TestSupport::ReadFile(TestSupport::SourcePath(QStringLiteral("tests/data/ppd/GutenprintEpson.ppd")));
    const auto photo = [&](const char* from, const char* to) {
        std::optional<TPrinterDriver> driver = ReadPpdDriver(QByteArray(ppd).replace(from, to));
        EXPECT_TRUE(driver.has_value());
        const TPpdOption* quality = driver ? driver->Option(QStringLiteral("StpQuality")) : nullptr;
        return quality ? quality->Choices[quality->IndexOf(QStringLiteral("Photo"))].Resolution : QSize(-1, -1);
    };
    EXPECT_EQ(photo("", ""), QSize(1440, 720));
    EXPECT_EQ(photo("HWResolution[1440 720]", "HWResolution [ 1440\n 720 ] "), QSize(1440, 720));
    for (const char* bad : {"HWResolution[1440]", "HWResolution[99999999999 720]", "HWResolution[-1440 720]",
                            "HWResolution[0 720]", "HWResolution 1440 720", "HWResolution[1440 720"})
        EXPECT_EQ(photo("HWResolution[1440 720]", bad), QSize()) << bad;
    // No code, no resolution: the ESC/P-R fixture's types set none.
    const TPrinterDriver escpr = ReadFixture(QStringLiteral("EscprPhoto.ppd"));
    EXPECT_EQ(escpr.ChosenResolution({}), 0);
}
