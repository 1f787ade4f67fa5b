#include "pageobjects/engine/UCoonsDistortion.h"

#include "core/UInterfaces.h"
#include "pageobjects/engine/UStroke.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include "tests/TestSupport.h"

#include <gtest/gtest.h>

using TestSupport::Hex;

namespace {

// The unit square's straight edges, two points a side.
void MakeSquare(TCoonsDistortion& d) {
    d.SetTopCount(2);
    d.SetRightCount(2);
    d.SetBottomCount(2);
    d.SetLeftCount(2);
    d.SetTopPoint(0, {0, 0});
    d.SetTopPoint(1, {1, 0});
    d.SetBottomPoint(0, {0, 1});
    d.SetBottomPoint(1, {1, 1});
}

// The square with a three-point top whose middle node lies 0.2 above the edge.
void MakeBentTop(TCoonsDistortion& d, bool smooth) {
    MakeSquare(d);
    d.SetTopCount(3);
    d.SetTopPoint(0, {0, 0});
    d.SetTopPoint(1, {0.5L, -0.2L});
    d.SetTopPoint(2, {1, 0});
    d.SetFlag(TCoonsDistortion::cdTop, 1, smooth ? 1 : 0);
}

TPoint Mapped(TCoonsDistortion& d, TPoint p) {
    d.TransformPoint(p);
    return p;
}

QByteArray DataOf(const TCoonsDistortion& d) {
    TMemoryStream s;
    d.WriteData(s);
    return s.Data();
}

void ReadBytes(TCoonsDistortion& d, const QByteArray& bytes) {
    TMemoryStream s(bytes);
    d.ReadData(s);
}

} // namespace

TEST(CoonsDistortion, StraightSquareScalesSourceOntoDestination) {
    TCoonsDistortion d;
    MakeSquare(d);
    d.SetSourceRect(Rect(0, 0, 100, 100));
    d.SetDestRect(Rect(200, 100, 400, 300));
    ASSERT_TRUE(d.IsActive());
    EXPECT_EQ(Mapped(d, TPoint(0, 0)), TPoint(200, 100));
    EXPECT_EQ(Mapped(d, TPoint(50, 50)), TPoint(300, 200));
    EXPECT_EQ(Mapped(d, TPoint(25, 75)), TPoint(250, 250));
    EXPECT_EQ(Mapped(d, TPoint(100, 100)), TPoint(400, 300));
}

TEST(CoonsDistortion, InactiveDistortionsLeavePointsAlone) {
    TCoonsDistortion d;
    EXPECT_TRUE(d.IsEmpty());
    d.SetSourceRect(Rect(0, 0, 100, 100));
    d.SetDestRect(Rect(0, 0, 50, 50));
    EXPECT_EQ(Mapped(d, TPoint(40, 60)), TPoint(40, 60));

    MakeSquare(d);
    d.SetLeftCount(0);
    EXPECT_FALSE(d.IsEmpty());
    EXPECT_FALSE(d.IsActive());
    EXPECT_EQ(Mapped(d, TPoint(40, 60)), TPoint(40, 60));

    // One point makes no edge.
    d.SetLeftCount(1);
    EXPECT_FALSE(d.IsActive());
    EXPECT_EQ(Mapped(d, TPoint(40, 60)), TPoint(40, 60));

    d.SetLeftCount(2);
    d.SetLeftPoint(1, {0, 1});
    EXPECT_TRUE(d.IsActive());
    d.SetSourceRect(Rect(0, 0, 100, 0));
    EXPECT_FALSE(d.IsActive());
    EXPECT_EQ(Mapped(d, TPoint(40, 60)), TPoint(40, 60));
    d.SetSourceRect(Rect(0, 0, 100, 100));
    d.SetDestRect(Rect(5, 5, 5, 50));
    EXPECT_FALSE(d.IsActive());
}

TEST(CoonsDistortion, CornersAreSharedBetweenSides) {
    TCoonsDistortion d;
    MakeSquare(d);
    d.SetTopPoint(0, {0.1L, 0.2L});
    EXPECT_EQ(d.GetLeftPoint(0), (TCoonsPoint{0.1L, 0.2L}));
    d.SetRightPoint(1, {0.9L, 1.1L});
    EXPECT_EQ(d.GetBottomPoint(1), (TCoonsPoint{0.9L, 1.1L}));
    d.SetLeftPoint(1, {-0.1L, 0.95L});
    EXPECT_EQ(d.GetBottomPoint(0), (TCoonsPoint{-0.1L, 0.95L}));
    d.SetRightPoint(0, {1.05L, 0});
    EXPECT_EQ(d.GetTopPoint(1), (TCoonsPoint{1.05L, 0}));
    // Writing outside a curve does nothing.
    d.SetTopPoint(2, {7, 7});
    d.SetTopPoint(-1, {7, 7});
    EXPECT_EQ(d.GetTopCount(), 2);
    EXPECT_EQ(d.GetLeftPoint(1), (TCoonsPoint{-0.1L, 0.95L}));
}

TEST(CoonsDistortion, ReadingPastTheEndsContinuesAroundTheRing) {
    TCoonsDistortion d;
    d.SetTopCount(3);
    d.SetRightCount(4);
    d.SetBottomCount(3);
    d.SetLeftCount(4);
    for (int i = 0; i < 4; ++i) {
        d.SetRightPoint(i, {1, i / 3.0L});
        d.SetLeftPoint(i, {0, i / 3.0L});
    }
    for (int i = 0; i < 3; ++i) {
        d.SetTopPoint(i, {i / 2.0L, 0});
        d.SetBottomPoint(i, {i / 2.0L, 1});
    }
    EXPECT_EQ(d.GetTopPoint(-1), d.GetLeftPoint(1));
    EXPECT_EQ(d.GetTopPoint(3), d.GetRightPoint(1));
    EXPECT_EQ(d.GetRightPoint(-1), d.GetTopPoint(1));
    EXPECT_EQ(d.GetRightPoint(4), d.GetBottomPoint(1));
    EXPECT_EQ(d.GetBottomPoint(-1), d.GetLeftPoint(2));
    EXPECT_EQ(d.GetBottomPoint(3), d.GetRightPoint(2));
    EXPECT_EQ(d.GetLeftPoint(-1), d.GetTopPoint(1));
    EXPECT_EQ(d.GetLeftPoint(4), d.GetBottomPoint(1));
    EXPECT_EQ(d.GetTopFlag(5), 0);

    // Node parameters: even along the curve, continued as distances into the neighbours.
    EXPECT_DOUBLE_EQ(double(d.GetParam(TCoonsDistortion::cdTop, -1)), 0.0);
    EXPECT_DOUBLE_EQ(double(d.GetParam(TCoonsDistortion::cdTop, 0)), 0.5);
    EXPECT_DOUBLE_EQ(double(d.GetParam(TCoonsDistortion::cdTop, 1)), 1.0);
    EXPECT_DOUBLE_EQ(double(d.GetParam(TCoonsDistortion::cdTop, 2)), 1.0 + 1.0 / 3);
    EXPECT_DOUBLE_EQ(double(d.GetParam(TCoonsDistortion::cdTop, -2)), -1.0 / 3);
    EXPECT_DOUBLE_EQ(double(d.GetParam(TCoonsDistortion::cdRight, 0)), 1.0 / 3);
    EXPECT_DOUBLE_EQ(double(d.GetParam(TCoonsDistortion::cdRight, -2)), -0.5);
}

TEST(CoonsDistortion, CornerAndSmoothNodes) {
    TCoonsDistortion corner;
    MakeBentTop(corner, false);
    TCoonsPoint p = corner.CurvePoint(TCoonsDistortion::cdTop, 0.5L);
    EXPECT_NEAR(double(p.X), 0.5, 1e-15);
    EXPECT_NEAR(double(p.Y), -0.2, 1e-15);
    p = corner.CurvePoint(TCoonsDistortion::cdTop, 0.375L);
    EXPECT_NEAR(double(p.Y), -0.15, 1e-15);

    // Rounded between the midpoints of its two segments: at the node 1/4 M1 + 1/2 P + 1/4 M2.
    TCoonsDistortion smooth;
    MakeBentTop(smooth, true);
    p = smooth.CurvePoint(TCoonsDistortion::cdTop, 0.5L);
    EXPECT_NEAR(double(p.X), 0.5, 1e-15);
    EXPECT_NEAR(double(p.Y), -0.15, 1e-15);
    p = smooth.CurvePoint(TCoonsDistortion::cdTop, 0.375L);
    EXPECT_NEAR(double(p.X), 0.375, 1e-15);
    EXPECT_NEAR(double(p.Y), -0.1375, 1e-15);
    p = smooth.CurvePoint(TCoonsDistortion::cdTop, 0.25L);
    EXPECT_NEAR(double(p.Y), -0.1, 1e-15);

    // A two-point curve is straight whatever its flags.
    TCoonsDistortion flagged;
    MakeSquare(flagged);
    flagged.SetTopPoint(0, {0, 0.2L});
    for (int side = 0; side < 4; ++side)
        for (int i = 0; i < 2; ++i)
            flagged.SetFlag(side, i, 1);
    p = flagged.CurvePoint(TCoonsDistortion::cdTop, 0.25L);
    EXPECT_NEAR(double(p.X), 0.25, 1e-15);
    EXPECT_NEAR(double(p.Y), 0.15, 1e-15);
}

TEST(CoonsDistortion, PatchBlendsTheFourSides) {
    TCoonsDistortion d;
    MakeBentTop(d, false);
    d.SetSourceRect(Rect(0, 0, 100, 100));
    d.SetDestRect(Rect(0, 0, 100, 100));
    EXPECT_EQ(Mapped(d, TPoint(50, 0)), TPoint(50, -20));
    // Ruled (1.0, 0.9) minus corners (0.5, 0.5).
    EXPECT_EQ(Mapped(d, TPoint(50, 50)), TPoint(50, 40));
    EXPECT_EQ(Mapped(d, TPoint(50, 100)), TPoint(50, 100));
    EXPECT_EQ(Mapped(d, TPoint(0, 50)), TPoint(0, 50));

    // Whole strokes are mapped point by point.
    TStroke s;
    s.MakeRect(Rect(0, 0, 100, 100));
    s.SplitLines();
    d.TransformStroke(s);
    EXPECT_EQ(s.GetBounds(), TRect(0, -20, 100, 100));
}

TEST(CoonsDistortion, BlendCurvesMovesTowardTheSquare) {
    TCoonsDistortion d;
    MakeBentTop(d, false);
    d.SetRightPoint(0, {1.2L, -0.1L});
    d.BlendCurves(50);
    EXPECT_NEAR(double(d.GetTopPoint(1).Y), -0.1, 1e-15);
    EXPECT_NEAR(double(d.GetRightPoint(0).X), 1.1, 1e-15);
    EXPECT_EQ(d.GetTopPoint(2), d.GetRightPoint(0));

    d.SetLeftCount(3);
    d.SetLeftPoint(0, {0.3L, 0.3L});
    d.SetLeftPoint(1, {-0.5L, 0.5L});
    d.SetLeftPoint(2, {0.1L, 0.9L});
    d.BlendCurves(0);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(d.GetTopPoint(i), (TCoonsPoint{i / 2.0L, 0})) << i;
        EXPECT_EQ(d.GetLeftPoint(i), (TCoonsPoint{0, i / 2.0L})) << i;
    }
    EXPECT_EQ(d.GetRightPoint(0), (TCoonsPoint{1, 0}));
    EXPECT_EQ(d.GetBottomPoint(0), (TCoonsPoint{0, 1}));
    EXPECT_EQ(d.GetBottomPoint(1), (TCoonsPoint{1, 1}));
}

TEST(CoonsDistortion, DataFormIsExactBytes) {
    // Identity, counts 2/0/0/1, top (1, 0.5) (0.25, -2), left (3, 0), flags 01 00 | 07.
    const QByteArray bytes = Hex("33221100 5544 7766 8899AABBCCDDEEFF"
                                 "02000000 00000000 00000000 01000000"
                                 "0000000000000080FF3F 0000000000000080FE3F"
                                 "0000000000000080FD3F 000000000000008000C0"
                                 "00000000000000C00040 00000000000000000000"
                                 "0100 07");
    TCoonsDistortion d;
    ReadBytes(d, bytes);
    EXPECT_EQ(d.Identity(), GUIDLiteral("{00112233-4455-6677-8899-AABBCCDDEEFF}"));
    EXPECT_EQ(d.GetTopCount(), 2);
    EXPECT_EQ(d.GetRightCount(), 0);
    EXPECT_EQ(d.GetLeftCount(), 1);
    EXPECT_EQ(d.GetTopPoint(0), (TCoonsPoint{1, 0.5L}));
    EXPECT_EQ(d.GetTopPoint(1), (TCoonsPoint{0.25L, -2}));
    EXPECT_EQ(d.GetLeftPoint(0), (TCoonsPoint{3, 0}));
    EXPECT_EQ(d.GetTopFlag(0), 1);
    EXPECT_EQ(d.GetTopFlag(1), 0);
    EXPECT_EQ(d.GetLeftFlag(0), 7);
    EXPECT_TRUE(d.Dirty());
    EXPECT_EQ(DataOf(d), bytes);

    // Values no arithmetic produced come back as they were stored.
    const QByteArray odd = Hex("00000000000000000000000000000000"
                               "01000000 00000000 00000000 00000000"
                               "0123456789ABCDEF1234 FFFFFFFFFFFFFFFF FE7F"
                               "00");
    TCoonsDistortion e;
    ReadBytes(e, odd);
    EXPECT_EQ(DataOf(e), odd);
}

TEST(CoonsDistortion, StoredShapeComesBackWithParametersRebuilt) {
    TCoonsDistortion d;
    MakeBentTop(d, true);
    d.SetSourceRect(Rect(0, 0, 100, 100));
    d.SetDestRect(Rect(0, 0, 100, 100));
    const TPoint before = Mapped(d, TPoint(30, 20));
    const QByteArray stored = DataOf(d);
    EXPECT_EQ(stored.size(), 16 + 16 + (3 + 2 + 2 + 2) * 21);

    TCoonsDistortion e;
    e.SetSourceRect(Rect(0, 0, 100, 100));
    e.SetDestRect(Rect(0, 0, 100, 100));
    ReadBytes(e, stored);
    EXPECT_EQ(e.Identity(), d.Identity());
    EXPECT_EQ(e.GetTopFlag(1), 1);
    EXPECT_DOUBLE_EQ(double(e.GetParam(TCoonsDistortion::cdTop, 0)), 0.5);
    EXPECT_EQ(Mapped(e, TPoint(30, 20)), before);
    EXPECT_EQ(DataOf(e), stored);

    TCoonsDistortion f;
    EXPECT_NE(f.Identity(), d.Identity());
    f.Assign(&d);
    EXPECT_EQ(f.Identity(), d.Identity());
    EXPECT_EQ(f.SourceRect(), d.SourceRect());
    EXPECT_EQ(Mapped(f, TPoint(30, 20)), before);
}

TEST(CoonsDistortion, DamagedDataIsRefusedAndChangesNothing) {
    TCoonsDistortion d;
    MakeSquare(d);
    const QByteArray good = DataOf(d);
    const QByteArray header = good.left(16);

    // A negative count.
    EXPECT_THROW(ReadBytes(d, header + Hex("FFFFFFFF 00000000 00000000 00000000")), EReadError);
    // Counts that claim more points than the data holds (here a huge one).
    EXPECT_THROW(ReadBytes(d, header + Hex("FFFFFF7F 00000000 00000000 00000000") + QByteArray(64, 0)),
                 EReadError);
    EXPECT_THROW(ReadBytes(d, header + Hex("02000000 00000000 00000000 00000000") + QByteArray(41, 0)),
                 EReadError);
    // Cut inside the header or the counts.
    EXPECT_THROW(ReadBytes(d, header.left(9)), EReadError);
    EXPECT_THROW(ReadBytes(d, header + Hex("01000000")), EReadError);
    EXPECT_EQ(DataOf(d), good);
    EXPECT_FALSE(d.IsActive()); // no rects set
    EXPECT_EQ(d.GetTopCount(), 2);
}
