#include "imaging/UPCDAccess.h"

#include "PCDBuilder.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"

#include <QImage>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>

namespace {

// The published PhotoYCC matrix scaled 255/346, worked in doubles.
uint32_t ReferenceRGB(PCDSample s) {
    const auto clamp = [](double v) {
        return uint32_t(std::clamp(std::lround(v * 255.0 / 346.0), 0L, 255L));
    };
    const double l = 1.3584 * s.y;
    const double c1 = s.c1 - 156.0;
    const double c2 = s.c2 - 137.0;
    return clamp(l + 1.8215 * c2) << 16 | clamp(l - 0.4302726 * c1 - 0.9271435 * c2) << 8 |
           clamp(l + 2.2179 * c1);
}

int MaxChannelDifference(uint32_t a, uint32_t b) {
    int most = 0;
    for (int shift : {0, 8, 16})
        most = std::max(most, std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)));
    return most;
}

// Luma marks the position, chroma varies slowly so the averaging is exercised.
PCDSample Drawn(int, int x, int y) {
    return {uint8_t((x * 7 + y * 3) & 0xFF), uint8_t(100 + (x / 2) % 100), uint8_t(90 + (y / 2) % 120)};
}

std::unique_ptr<TStream> MemoryOf(const QByteArray& bytes) {
    return std::make_unique<TMemoryStream>(bytes);
}

} // namespace

TEST(PCDAccessTest, ColoursFollowThePhotoYccMatrixWithChromaAveraged) {
    TPCDAccess pcd;
    ASSERT_TRUE(pcd.OpenStream(MemoryOf(MakePCDFile(Drawn))));
    EXPECT_EQ(pcd.ResolutionMask(), 0b1110u);
    EXPECT_EQ(pcd.Resolution(), kPCDBase16);
    for (int r : {kPCDBase16, kPCDBase4, kPCDBase}) {
        pcd.SetResolution(r);
        const PixelBuffer pixels = pcd.LoadPixels();
        ASSERT_EQ(pixels.Width(), PCDImageWidth(r));
        ASSERT_EQ(pixels.Height(), PCDImageHeight(r));
        int worst = 0;
        for (int y = 0; y < pixels.Height(); y += 2)
            for (int x = 0; x < pixels.Width(); x += 2)
                worst = std::max(worst,
                                 MaxChannelDifference(pixels.PixelRGB(x, y), ReferenceRGB(Drawn(r, x, y))));
        EXPECT_LE(worst, 1) << r;
    }
    // Odd pixels take the rounded mean of the neighbouring chroma samples (x 1 between 100 and 101).
    pcd.SetResolution(kPCDBase16);
    const PixelBuffer pixels = pcd.LoadPixels();
    PCDSample between = Drawn(1, 1, 0);
    between.c1 = 101;
    EXPECT_LE(MaxChannelDifference(pixels.PixelRGB(1, 0), ReferenceRGB(between)), 1);
    // A neutral grey stays grey.
    TPCDAccess grey;
    ASSERT_TRUE(grey.OpenStream(MemoryOf(MakePCDFile([](int, int, int) {
        return PCDSample{128, 156, 137};
    }))));
    EXPECT_EQ(grey.LoadPixels().PixelRGB(5, 5), 0x808080u);
    grey.SetFormat(kPCDFormatGray);
    EXPECT_EQ(grey.LoadPixels().BitCount(), 8);
    EXPECT_EQ(grey.LoadPixels().PixelRGB(7, 9), 0x808080u);
    grey.SetFormat(kPCDFormatHalftone);
    EXPECT_EQ(grey.LoadPixels().PixelRGB(7, 9), 0x999999u);
}

TEST(PCDAccessTest, TransformsTurnLeftThenFlipAndOpenUpright) {
    // One bright pixel at the stored top-left corner.
    const auto corner = [](int, int x, int y) {
        return PCDSample{uint8_t(x == 0 && y == 0 ? 250 : 0), 156, 137};
    };
    struct Case {
        int transform;
        int x, y; // where the corner lands in a 192 x 128 (or turned 128 x 192) picture
    };
    for (const Case& c : {Case{0, 0, 0}, Case{kPCDFlipVertical, 0, 127}, Case{kPCDFlipHorizontal, 191, 0},
                          Case{kPCDTurnLeft, 0, 191}, Case{7, 127, 0}, Case{3, 191, 127}}) {
        TPCDAccess pcd;
        ASSERT_TRUE(pcd.OpenStream(MemoryOf(MakePCDFile(corner))));
        pcd.SetTransform(c.transform);
        const PixelBuffer pixels = pcd.LoadPixels();
        EXPECT_EQ(pixels.Width(), c.transform & kPCDTurnLeft ? 128 : 192);
        EXPECT_GT(pixels.PixelRGB(c.x, c.y) & 0xFF, 200u) << c.transform;
    }
    // The stored rotation code picks the upright transform.
    for (auto [code, transform] : {std::pair{1, 4}, std::pair{2, 3}, std::pair{3, 7}}) {
        TPCDAccess pcd;
        ASSERT_TRUE(pcd.OpenStream(MemoryOf(MakePCDFile(corner, code))));
        EXPECT_EQ(pcd.Transform(), transform);
    }
}

// Packs ImageMagick wrote from drawn pictures, beside its own reading of each size
// (tools/make-photocd-samples.sh): ours, opened upright, is within one level of it everywhere but at
// one pixel, the fourth of the stored first row, where ImageMagick's reading departs from the
// format's own neighbours (at the largest size it repeats the third pixel there).
TEST(PCDAccessTest, PacksAnotherWriterMadeReadAsItsOwnReaderReadsThem) {
    for (const char* name : {"landscape", "portrait"}) {
        TPCDAccess pcd;
        ASSERT_TRUE(pcd.Open(
            TestSupport::SourcePath(QStringLiteral("tests/data/photocd/%1.pcd").arg(QLatin1String(name)))));
        const bool portrait = QLatin1String(name) == QLatin1String("portrait");
        EXPECT_EQ(pcd.Transform(), portrait ? kPCDTurnLeft : 0) << name;
        for (int resolution = 1; resolution <= 3; ++resolution) {
            const QImage expected(TestSupport::SourcePath(
                QStringLiteral("tests/data/photocd/%1-%2.png").arg(QLatin1String(name)).arg(resolution)));
            ASSERT_FALSE(expected.isNull());
            pcd.SetResolution(resolution);
            const PixelBuffer pixels = pcd.LoadPixels();
            ASSERT_EQ(pixels.Width(), expected.width()) << name << resolution;
            ASSERT_EQ(pixels.Height(), expected.height()) << name << resolution;
            // Stored (x, 0) lands at (0, height - 1 - x) in a picture turned upright.
            const QPoint copied = portrait ? QPoint(0, expected.height() - 4) : QPoint(3, 0);
            int worst = 0;
            for (int y = 0; y < expected.height(); ++y)
                for (int x = 0; x < expected.width(); ++x)
                    if (QPoint(x, y) != copied)
                        worst = std::max(worst, MaxChannelDifference(pixels.PixelRGB(x, y),
                                                                     expected.pixel(x, y) & 0xFFFFFF));
            EXPECT_LE(worst, 1) << name << " at size " << resolution;
        }
    }
}

TEST(PCDAccessTest, DamagedAndForeignFilesAreRefusedWithTheirCode) {
    TPCDAccess pcd;
    // Only the two smaller sizes are complete.
    ASSERT_TRUE(pcd.OpenStream(MemoryOf(MakePCDFile(Drawn, 0, 0x30000 + 100))));
    EXPECT_TRUE(pcd.HasResolution(kPCDBase4));
    EXPECT_FALSE(pcd.HasResolution(kPCDBase));
    try {
        pcd.SetResolution(5);
        FAIL();
    } catch (const EPCDError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("cannot support specified Resolution(5)"));
    }
    EXPECT_THROW(pcd.SetFormat(12), EPCDError);
    EXPECT_EQ(pcd.LastError(), kPCDBadArgument);
    EXPECT_THROW(pcd.SetTransform(8), EPCDError);

    EXPECT_FALSE(pcd.OpenStream(MemoryOf(MakePCDFile(Drawn, 0, 0x2000 + 1000))));
    EXPECT_EQ(pcd.LastError(), kPCDNoImage);
    EXPECT_FALSE(pcd.IsOpen());
    QByteArray overview = MakePCDFile(Drawn);
    overview.replace(0, 7, "PCD_OPA");
    EXPECT_FALSE(pcd.OpenStream(MemoryOf(overview)));
    EXPECT_EQ(pcd.LastError(), kPCDOverview);
    EXPECT_FALSE(pcd.OpenStream(MemoryOf(QByteArray(0x900, 'x'))));
    EXPECT_EQ(pcd.LastError(), kPCDNotPhotoCD);
    EXPECT_FALSE(pcd.Open(QStringLiteral("/nonexistent/none.pcd")));
    EXPECT_EQ(pcd.LastError(), kPCDCannotOpen);
    EXPECT_THROW(pcd.Resolution(), EPCDError);
    EXPECT_TRUE(pcd.LoadPixels().IsNull());
}

TEST(PCDAccessTest, PicturesLoadPhotoCDFilesAndNameTheOnesTheyCannot) {
    RegisterPictureClasses();
    QTemporaryDir dir;
    const QString good = dir.filePath("good.pcd");
    ASSERT_TRUE(WritePCDFile(good, MakePCDFile(Drawn, 1)));
    TPictureEx picture;
    ASSERT_TRUE(LoadPictureFile(nullptr, &picture, good));
    EXPECT_EQ(picture.Width(), 128);
    EXPECT_EQ(picture.Height(), 192);
    // Stored and read back as the bitmap it became.
    TMemoryStream stored;
    picture.WriteData(stored);
    stored.SetPosition(0);
    TPicture again;
    again.ReadData(stored);
    EXPECT_EQ(again.Width(), 128);

    const QString bad = dir.filePath("bad.PCD");
    ASSERT_TRUE(WritePCDFile(bad, QByteArray(5000, '\0')));
    try {
        LoadPictureFile(nullptr, &picture, bad);
        FAIL();
    } catch (const EPCDError& e) {
        EXPECT_EQ(e.Message(), bad + QStringLiteral("をオープンできません"));
    }
    EXPECT_EQ(picture.Width(), 128);
}
