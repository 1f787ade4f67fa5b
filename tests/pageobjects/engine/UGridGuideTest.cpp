#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/UGuide.h"

#include "platform/Canvas.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// A component holding a grid and a guide, as a sheet stores them.
class TSheetHolder : public TComponent {
    QUORLANE_CLASS(TSheetHolder, TComponent)

public:
    explicit TSheetHolder(TComponent* owner) : TComponent(owner) {}
    static void DeclareProperties(TPropertyBuilder<TSheetHolder>& p) {
        p.Object("Grid", [](TSheetHolder& h) { return &h.grid; });
        p.Object("Guide", [](TSheetHolder& h) { return &h.guide; });
    }
    TGrid grid;
    TGuide guide;
};

// The "Pos" block: count, then (x, y) pairs, little-endian.
QByteArray PosBlock(int32_t count, const std::vector<TPoint>& pairs) {
    TMemoryStream s;
    s.WriteInt32(count);
    for (const TPoint& p : pairs) {
        s.WriteInt32(p.X);
        s.WriteInt32(p.Y);
    }
    return s.Data();
}

} // namespace

TEST(Grid, SnapsToTheNearestGridPoint) {
    TGrid grid;
    grid.SetSize(50);
    grid.SetEnabled(true);
    EXPECT_EQ(grid.GetSnapOffset(TPoint(74, 76)), TPoint(-24, 24));
    EXPECT_EQ(grid.GetSnapOffset(TPoint(75, 0)), TPoint(25, 0)) << "a half pitch rounds up";
    EXPECT_EQ(grid.GetSnapOffset(TPoint(100, 150)), TPoint(0, 0));
    grid.SetEnabled(false);
    EXPECT_EQ(grid.GetSnapOffset(TPoint(74, 76)), TPoint(kNoSnap, kNoSnap));
}

TEST(Grid, SnapsNegativeCoordinatesTheSameWay) {
    TGrid grid;
    grid.SetSize(50);
    grid.SetEnabled(true);
    // -74 is nearest to -50, -76 to -100; -75 (a half pitch) rounds up to -50.
    EXPECT_EQ(grid.GetSnapOffset(TPoint(-74, -76)), TPoint(24, -24));
    EXPECT_EQ(grid.GetSnapOffset(TPoint(-75, -25)), TPoint(25, 25));
    EXPECT_EQ(grid.GetSnapOffset(TPoint(-10, -40)), TPoint(10, -10));
}

TEST(Grid, RefusesAPitchOfZeroOrLess) {
    TGrid grid;
    grid.SetSize(20);
    grid.SetSize(0);
    grid.SetSize(-5);
    EXPECT_EQ(grid.Size(), 20);
}

TEST(Grid, DrawsLinesOrDots) {
    QImage image(20, 20, QImage::Format_RGB32);
    TGrid grid;
    grid.SetSize(5);
    grid.SetVisible(true);
    {
        image.fill(Qt::white);
        TCanvas canvas(&image);
        grid.Draw(canvas, TRect(0, 0, 20, 20));
    }
    EXPECT_EQ(image.pixel(5, 5), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(6, 6), qRgb(255, 255, 255)) << "dots only at grid points";
    EXPECT_EQ(image.pixel(5, 6), qRgb(255, 255, 255));
    grid.SetLineShape(true);
    {
        image.fill(Qt::white);
        TCanvas canvas(&image);
        grid.Draw(canvas, TRect(0, 0, 20, 20));
    }
    EXPECT_EQ(image.pixel(5, 7), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(7, 15), qRgb(0, 0, 0));
    EXPECT_EQ(image.pixel(7, 7), qRgb(255, 255, 255));
    grid.SetVisible(false);
    {
        image.fill(Qt::white);
        TCanvas canvas(&image);
        grid.Draw(canvas, TRect(0, 0, 20, 20));
    }
    EXPECT_EQ(image.pixel(5, 5), qRgb(255, 255, 255));
}

TEST(Guide, SnapsToTheNearestGuideWithinTolerance) {
    TGuide guide;
    guide.SetPos(0, TPoint(100, 0));
    guide.SetPos(1, TPoint(0, 200));
    guide.SetPos(2, TPoint(120, 0));
    EXPECT_EQ(guide.GetSnapOffset(TPoint(105, 195), 10), TPoint(kNoSnap, kNoSnap)) << "not enabled";
    guide.SetEnabled(true);
    EXPECT_EQ(guide.GetSnapOffset(TPoint(105, 195), 10), TPoint(-5, 5));
    EXPECT_EQ(guide.GetSnapOffset(TPoint(114, 500), 10), TPoint(6, kNoSnap));
    EXPECT_EQ(guide.GetSnapOffset(TPoint(110, 0), 10), TPoint(-10, kNoSnap))
        << "equally near: the lower slot";
    EXPECT_EQ(guide.GetSnapOffset(TPoint(111, 0), 10), TPoint(9, kNoSnap));
    EXPECT_EQ(guide.HitTest(96, 0, 5), 0);
    EXPECT_EQ(guide.HitTest(0, 204, 5), 1);
    EXPECT_EQ(guide.HitTest(50, 50, 5), -1);
    guide.SetEnabled(false);
    EXPECT_EQ(guide.HitTest(96, 0, 5), -1);
}

TEST(Guide, SlotsAndRemovalOutsideThePage) {
    TGuide guide;
    EXPECT_TRUE(guide.IsEmpty());
    EXPECT_EQ(guide.FindFree(), 0);
    for (int i = 0; i < 10; ++i)
        guide.SetPos(i, TPoint(10 * (i + 1), 0));
    EXPECT_EQ(guide.FindFree(), -1);
    EXPECT_THROW(guide.SetPos(10, TPoint(1, 0)), EListError);
    EXPECT_TRUE(TGuide::GuideInRect(TPoint(50, 0), TRect(0, 0, 50, 50)));
    EXPECT_FALSE(TGuide::GuideInRect(TPoint(5, 5), TRect(0, 0, 50, 50)));
    EXPECT_TRUE(TGuide::GuideInRect(TPoint(0, 50), TRect(0, 0, 50, 50)));

    guide.SetEnabled(true);
    guide.RemoveOutside(TRect(0, 0, 55, 55));
    EXPECT_EQ(guide.GetPos(4), TPoint(50, 0));
    EXPECT_EQ(guide.GetPos(5), TPoint(0, 0));
    EXPECT_EQ(guide.FindFree(), 5);
    EXPECT_TRUE(guide.Enabled());
    guide.RemoveOutside(TRect(0, 0, 5, 5));
    EXPECT_TRUE(guide.IsEmpty());
    EXPECT_FALSE(guide.Enabled()) << "snapping goes off with the last guide";
}

TEST(Guide, PosBlockReadsAtMostTenAndOnlyWhatIsThere) {
    TGuide guide;
    for (int i = 0; i < 10; ++i)
        guide.SetPos(i, TPoint(0, 7));
    {
        std::vector<TPoint> twelve;
        for (int i = 0; i < 12; ++i)
            twelve.emplace_back(i + 1, 0);
        TMemoryStream s(PosBlock(12, twelve));
        guide.ReadPos(s);
        EXPECT_EQ(guide.GetPos(9), TPoint(10, 0));
    }
    {
        TMemoryStream s(PosBlock(3, {{0, 1}, {0, 2}, {0, 3}}));
        guide.ReadPos(s);
        EXPECT_EQ(guide.GetPos(2), TPoint(0, 3));
        EXPECT_EQ(guide.GetPos(3), TPoint(4, 0)) << "slots beyond the count keep their values";
    }
    {
        TMemoryStream s(PosBlock(10, {{0, 9}, {0, 9}}));
        guide.ReadPos(s);
        EXPECT_EQ(guide.GetPos(1), TPoint(0, 9));
        EXPECT_EQ(guide.GetPos(2), TPoint(0, 3)) << "a block cut short keeps what is whole";
    }
    TMemoryStream out;
    guide.WritePos(out);
    EXPECT_EQ(out.Data().size(), 84);
    EXPECT_EQ(out.Data().left(12), TestSupport::Hex("0a000000 00000000 09000000"));
}

TEST(GridGuide, StoredFormRoundTrips) {
    TSheetHolder holder(nullptr);
    holder.grid.SetSize(25);
    holder.grid.SetVisible(true);
    holder.grid.SetEnabled(true);
    holder.guide.SetPos(0, TPoint(-30, 0));
    holder.guide.SetPos(3, TPoint(0, 1234));
    holder.guide.SetVisible(true);
    TMemoryStream first;
    WriteComponent(first, &holder);
    EXPECT_TRUE(first.Data().contains("Guide.Pos"));

    TSheetHolder read(nullptr);
    first.Seek(0, TSeekOrigin::soBeginning);
    ReadComponent(first, read);
    EXPECT_EQ(read.grid.Size(), 25);
    EXPECT_TRUE(read.grid.Visible());
    EXPECT_TRUE(read.grid.Enabled());
    EXPECT_FALSE(read.grid.LineShape());
    EXPECT_EQ(read.guide.GetPos(0), TPoint(-30, 0));
    EXPECT_EQ(read.guide.GetPos(3), TPoint(0, 1234));
    EXPECT_TRUE(read.guide.Visible());
    TMemoryStream second;
    WriteComponent(second, &read);
    EXPECT_EQ(second.Data(), first.Data());

    TGrid copy;
    copy.Assign(&holder.grid);
    EXPECT_EQ(copy.Size(), 25);
    TGuide guideCopy;
    guideCopy.Assign(&holder.guide);
    EXPECT_EQ(guideCopy.GetPos(3), TPoint(0, 1234));
}
