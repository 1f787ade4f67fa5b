#include "pageobjects/engine/UTextGhost.h"

#include "GhostTestObjects.h"
#include "pageobjects/engine/UCurveGhost.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/ULabelObject.h"
#include "pageobjects/engine/URectGhost.h"

#include <gtest/gtest.h>
#include <map>

using TextGhostTest = GhostTest;

namespace {

// Handle classes by index: 'L' square label handle, 'R' rotate disc, 'B' bulge disc.
std::multimap<int, char> Kinds(const std::vector<TPivot*>& pivots) {
    std::multimap<int, char> result;
    for (TPivot* pivot : pivots) {
        const char kind = dynamic_cast<TRotatePivot*>(pivot) != nullptr  ? 'R'
                          : dynamic_cast<TBulgePivot*>(pivot) != nullptr ? 'B'
                          : dynamic_cast<TLabelPivot*>(pivot) != nullptr ? 'L'
                                                                         : '?';
        result.emplace(pivot->Index, kind);
    }
    return result;
}

const std::multimap<int, char> kStraightText = {{0, 'L'}, {1, 'L'}, {3, 'L'}, {4, 'L'}, {6, 'L'},
                                                {7, 'L'}, {8, 'R'}, {8, 'R'}, {12, 'B'}};
const std::multimap<int, char> kBentText = {{10, 'L'}, {11, 'L'}, {12, 'B'}};

} // namespace

TEST_F(TextGhostTest, StraightTextsShowRectangleHandlesAndABulgeHandle) {
    auto* text = Add<TGhostText>(TRect(100, 130, 200, 170));
    text->SetCurve(TPoint(100, 150), TPoint(150, 150), TPoint(200, 150));
    EXPECT_FALSE(IsBulgedText(text));
    ASSERT_NE(PivotOf(text, 12), nullptr);
    EXPECT_EQ(Kinds(Pivots(text)), kStraightText);
    EXPECT_EQ(PivotOf(text, 12)->BoundsRect(), TRect(147, 147, 153, 153));
    EXPECT_EQ(PivotOf(text, 0)->BoundsRect(), TRect(97, 127, 103, 133));

    // Turned, the handles follow but the bulge handle keeps the centre.
    text->SetAngle(90);
    ASSERT_NE(PivotOf(text, 12), nullptr);
    EXPECT_EQ(PivotOf(text, 12)->BoundsRect(), TRect(147, 147, 153, 153));
    EXPECT_EQ(PivotOf(text, 0)->BoundsRect(), TRect(167, 97, 173, 103));

    // The discs paint themselves: red for the bulge, green for turning.
    const QImage shot = site.grab().toImage();
    EXPECT_EQ(shot.pixel(150, 150) & 0xFFFFFF, 0xFF0000u);
    TPivot* rotate = PivotOf(text, 8);
    EXPECT_EQ(shot.pixel(rotate->Left() + 3, rotate->Top() + 3) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(TextGhostTest, BentTextsAreLeftToTheCurveHandles) {
    auto* text = Add<TGhostText>(TRect(100, 130, 200, 170));
    text->SetCurve(TPoint(100, 150), TPoint(150, 90), TPoint(200, 150));
    EXPECT_TRUE(IsBulgedText(text));
    ASSERT_NE(PivotOf(text, 12), nullptr);
    EXPECT_EQ(Kinds(Pivots(text)), kBentText);
    EXPECT_EQ(PivotOf(text, 12)->BoundsRect(), TRect(147, 87, 153, 93));

    // Bent back within 50 the text is straight again and shows the rectangle handles.
    DragHandle(text, 12, {TPoint(150, 125)});
    EXPECT_FALSE(IsBulgedText(text));
    ASSERT_NE(PivotOf(text, 12), nullptr);
    EXPECT_EQ(Kinds(Pivots(text)), kStraightText);
}

TEST_F(TextGhostTest, DesignersAreAskedTextFirst) {
    TDODesignerList list;
    RegisterGhostDesigners(list);
    EXPECT_EQ(list.Count(), 4);

    auto* text = Add<TGhostText>(TRect(100, 130, 200, 170));
    text->SetCurve(TPoint(100, 150), TPoint(150, 150), TPoint(200, 150));
    auto* bent = Add<TGhostText>(TRect(100, 30, 200, 70));
    bent->SetCurve(TPoint(100, 50), TPoint(150, 0), TPoint(200, 50));
    TGhostPlainBox* box = Add<TGhostPlainBox>(TRect(250, 30, 300, 70));
    TGhostLine* line = AddLine(TPoint(250, 150), TPoint(300, 200));
    site.ClearPivots();
    for (TDrawObject* object : {static_cast<TDrawObject*>(text), static_cast<TDrawObject*>(bent),
                                static_cast<TDrawObject*>(box), static_cast<TDrawObject*>(line)})
        EXPECT_TRUE(list.MakePivots(object));
    EXPECT_EQ(Kinds(Pivots(text)), kStraightText);
    EXPECT_EQ(Kinds(Pivots(bent)), kBentText);
    EXPECT_EQ(Pivots(box).size(), 8u);
    EXPECT_EQ(Kinds(Pivots(line)), (std::multimap<int, char>{{0, 'L'}, {1, 'L'}}));
    EXPECT_FALSE(IsBulgedText(box));
    site.ClearPivots();
}
