#include "pageobjects/layout/ULODecoLine.h"

#include "LayoutTestSupport.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Exception.h"

#include <gtest/gtest.h>

namespace {

class DecoLineTest : public ::testing::Test {
protected:
    void SetUp() override { RegisterLayoutTestClasses(); }

    // A 40 x 20 motif: red left half, blue right half, a transparent row in the middle.
    void Prepare(TLODecoLine& line, TPoint s, TPoint e) {
        TSafetyBitmap motif(40, 20, pf24bit);
        motif.Canvas().FillSolid(TRect(0, 0, 20, 20), clRed);
        motif.Canvas().FillSolid(TRect(20, 0, 40, 20), clBlue);
        motif.Canvas().FillSolid(TRect(0, 15, 40, 17), 0xF0F0F0);
        motif.Canvas().FreeHandle();
        line.Image()->SetGraphic(&motif);
        line.SetStartPoint(s);
        line.SetEndPoint(e);
        line.SetLineWidth(20);
    }
};

} // namespace

TEST_F(DecoLineTest, TilesFitAlongTheLine) {
    EXPECT_EQ(TLODecoLine::TileCount(1000, 50, 100, 50), 10);
    EXPECT_EQ(TLODecoLine::TileCount(1000, 50, 120, 50), 8);
    EXPECT_EQ(TLODecoLine::TileCount(30, 50, 100, 50), 1);
    EXPECT_EQ(TLODecoLine::TileCount(1000, 50, 0, 50), 0);
    // A long thin line with a tall motif counts in 64 bits.
    EXPECT_EQ(TLODecoLine::TileCount(int64_t(1) << 32, 1, 1, 1 << 30), int64_t(1) << 62);
}

TEST_F(DecoLineTest, MotifRepeatsAlongTheLineAtItsSlope) {
    TLODecoLine line(nullptr);
    Prepare(line, TPoint(0, 50), TPoint(200, 50));
    QImage out = RenderObjects({&line}, 220, 100);
    // Five tiles of 40: red, blue, red...
    EXPECT_EQ(Pixel(out, 10, 50), clRed);
    EXPECT_EQ(Pixel(out, 30, 50), clBlue);
    EXPECT_EQ(Pixel(out, 50, 50), clRed);
    EXPECT_EQ(Pixel(out, 190, 45), clBlue);
    // The motif's transparent row shows the page.
    EXPECT_EQ(Pixel(out, 10, 57), clWhite);
    EXPECT_EQ(line.StripsBuilt(), 1);
    RenderObjects({&line}, 220, 100);
    EXPECT_EQ(line.StripsBuilt(), 1);

    TLODecoLine vertical(nullptr);
    Prepare(vertical, TPoint(100, 0), TPoint(100, 200));
    out = RenderObjects({&vertical}, 220, 220);
    EXPECT_EQ(Pixel(out, 100, 10), clRed);
    EXPECT_EQ(Pixel(out, 100, 30), clBlue);
    EXPECT_EQ(Pixel(out, 60, 100), clWhite);
    TStroke band;
    vertical.GetOutlineStroke(band);
    EXPECT_EQ(band.GetBounds(), TRect(88, 0, 112, 200));
}

TEST_F(DecoLineTest, MissingMotifFailsAndShortLinesPaintNothing) {
    TLODecoLine bare(nullptr);
    bare.SetEndPoint(TPoint(100, 0));
    EXPECT_THROW(RenderObjects({&bare}, 120, 40), EInvalidGraphic);
    TLODecoLine dot(nullptr);
    Prepare(dot, TPoint(30, 30), TPoint(30, 30));
    const QImage out = RenderObjects({&dot}, 60, 60);
    EXPECT_EQ(Pixel(out, 30, 30), clWhite);
    dot.SetLineWidth(0);
    EXPECT_EQ(dot.LineWidth(), 1);
}

TEST_F(DecoLineTest, StoredFormRoundTrips) {
    TLODecoLine line(nullptr);
    Prepare(line, TPoint(3, 4), TPoint(500, 90));
    const QByteArray bytes = Store(&line);
    std::unique_ptr<TComponent> back = Load(bytes);
    auto* loaded = dynamic_cast<TLODecoLine*>(back.get());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->Image()->Width(), 40);
    EXPECT_EQ(loaded->EndX(), 500);
    EXPECT_EQ(Store(loaded), bytes);
}
