// The engine's ghosts driven by synthetic mouse input over real page objects on an offscreen
// site: each drag is one undo step that gives back the stored object and redoes to the dragged one.

#include "LayoutTestSupport.h"
#include "core/UGeometryUtil.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UCurveGhost.h"
#include "pageobjects/engine/UDOFunc.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGhost.h"
#include "pageobjects/engine/ULineGhost.h"
#include "pageobjects/engine/UMoveGhost.h"
#include "pageobjects/engine/URectGhost.h"
#include "pageobjects/engine/UTextGhost.h"
#include "pageobjects/layout/UDOGroup.h"
#include "pageobjects/layout/ULOLine.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULOText.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <climits>
#include <gtest/gtest.h>

namespace {

void Send(QWidget* w, QEvent::Type type, const QPoint& p, Qt::MouseButton button, Qt::MouseButtons buttons,
          Qt::KeyboardModifiers mods) {
    QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, mods);
    QCoreApplication::sendEvent(w, &e);
}

// A site of 400 x 300 units, a unit a screen pixel, with the ghost designers of the application.
class GhostDragTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterLayoutTestClasses();
        UndoList().Clear();
        MoveGhostOptions() = TMoveGhostOptions();
        SnapHook() = nullptr;
        site.Scaler().SetUnitDPI(site.Canvas().PixelsPerInch());
        site.SetLogWidth(400);
        site.SetLogHeight(300);
        site.SetBorder(false);
        LoadRotateCursor();
        designers = {new TDOLineGhostDesigner, new TDORectGhostDesigner, new TDOCurveGhostDesigner,
                     new TDOTextGhostDesigner};
        for (IDODesigner* d : designers)
            DesignerList().Add(d);
    }
    void TearDown() override {
        GhostList().ClearGhosts();
        for (IDODesigner* d : designers)
            DesignerList().Remove(d);
        UndoList().Clear();
    }

    template <class T>
    T* Add(const TRect& r) {
        auto* object = new T(&site);
        object->SetLogRect(r);
        site.AddObject(object);
        return object;
    }
    QPoint Dev(const TPoint& p) const {
        const TPoint d = site.LogToDev(p);
        return QPoint(d.X, d.Y);
    }
    // Press at from (logical units, or on the object's handle of that index), move through to and
    // release at its last point.
    void Drag(TDrawObject* object, int handle, TPoint from, const std::vector<TPoint>& to,
              Qt::KeyboardModifiers mods = Qt::NoModifier) {
        site.SelectAll(false);
        object->SetSelected(true);
        site.HidePivots();
        site.UpdatePivots();
        QPoint press = Dev(from);
        if (handle != ghMove) {
            TPivot* pivot = nullptr;
            for (int i = 0; i < site.ControlCount() && pivot == nullptr; ++i)
                if (auto* p = dynamic_cast<TPivot*>(site.Controls(i));
                    p && p->DrawObject() == object && p->Index == handle)
                    pivot = p;
            ASSERT_NE(pivot, nullptr) << "no handle " << handle;
            press = QPoint(pivot->Left() + pivot->Size / 2, pivot->Top() + pivot->Size / 2);
        }
        Send(&site, QEvent::MouseButtonPress, press, Qt::LeftButton, Qt::LeftButton, mods);
        for (const TPoint& p : to)
            Send(&site, QEvent::MouseMove, Dev(p), Qt::NoButton, Qt::LeftButton, mods);
        Send(&site, QEvent::MouseButtonRelease, Dev(to.back()), Qt::LeftButton, Qt::NoButton, mods);
    }
    // The drag was one step: undo gives back the stored form from before it, redo the one after.
    void ExpectOneStep(TComponent* object, const QByteArray& before) {
        const QByteArray after = Store(object);
        EXPECT_NE(after, before);
        EXPECT_EQ(UndoList().Count(), 1);
        UndoList().Undo();
        EXPECT_EQ(Store(object), before);
        UndoList().Redo();
        EXPECT_EQ(Store(object), after);
        UndoList().Clear();
    }

    TDrawSite site{nullptr};
    std::vector<IDODesigner*> designers;
};

} // namespace

TEST_F(GhostDragTest, LineEndsAndCurveBulge) {
    auto* line = new TLOLine(&site);
    line->SetStartPoint(TPoint(50, 50));
    line->SetEndPoint(TPoint(150, 80));
    site.AddObject(line);
    QByteArray before = Store(line);
    Drag(line, ghLineEnd, {}, {TPoint(170, 120), TPoint(180, 130)});
    TPoint p;
    line->GetEndPoint(p);
    EXPECT_EQ(p, TPoint(180, 130));
    line->GetStartPoint(p);
    EXPECT_EQ(p, TPoint(50, 50));
    ExpectOneStep(line, before);

    auto* curve = new TLOCurve(&site);
    curve->SetStartPoint(TPoint(100, 200));
    curve->SetEndPoint(TPoint(200, 200));
    site.AddObject(curve);
    before = Store(curve);
    Drag(curve, ghBulge, {}, {TPoint(150, 180), TPoint(150, 160)});
    curve->GetBulgePoint(p);
    EXPECT_NEAR(p.Y, 160, 1);
    EXPECT_NEAR(p.X, 150, 1);
    ExpectOneStep(curve, before);
}

TEST_F(GhostDragTest, RectResizesAndTurns) {
    auto* rect = Add<TLORect>(TRect(100, 100, 200, 160));
    QByteArray before = Store(rect);
    Drag(rect, ghBottomRight, {}, {TPoint(230, 180), TPoint(240, 190)});
    EXPECT_EQ(rect->LogBounds(), TRect(100, 100, 240, 190));
    ExpectOneStep(rect, before);

    // A quarter turn about the centre, in steps of 45 with Shift.
    before = Store(rect);
    const TPoint c = RectCenter(rect->LogBounds());
    Drag(rect, ghRotate, {}, {TPoint(c.X + 60, c.Y + 40), TPoint(c.X + 50, c.Y + 90)}, Qt::ShiftModifier);
    EXPECT_EQ(std::abs(rect->GetAngle()), 90);
    EXPECT_EQ(RectCenter(rect->LogBounds()), c);
    ExpectOneStep(rect, before);

    // A wild stored angle resizes as its remainder in a turn does.
    std::vector<TRect> resized;
    for (const int angle : {INT_MIN, INT_MIN % 360}) {
        auto* turned = Add<TLORect>(TRect(100, 100, 200, 160));
        turned->SetAngle(angle);
        Drag(turned, ghBottomRight, {}, {TPoint(230, 180), TPoint(240, 190)});
        resized.push_back(turned->LogBounds());
        UndoList().Clear();
    }
    EXPECT_NE(resized[0], TRect(100, 100, 200, 160));
    EXPECT_EQ(resized[0], resized[1]);
}

TEST_F(GhostDragTest, GroupMovesAndResizesItsMembers) {
    auto* group = new TDOGroup(&site);
    auto* a = new TLORect(group);
    a->SetLogRect(TRect(0, 0, 40, 20));
    auto* b = new TLORect(group);
    b->SetLogRect(TRect(60, 20, 100, 40));
    // Without frames the members' extents are their rects.
    a->SetFrameWidth(0);
    b->SetFrameWidth(0);
    group->SetLeft(100);
    group->SetTop(100);
    site.AddObject(group);
    const TRect g = group->LogRect();
    QByteArray before = Store(group);
    Drag(group, ghMove, TPoint(110, 110), {TPoint(130, 120), TPoint(140, 130)});
    TRect moved = g;
    OffsetRect(moved, 30, 20);
    EXPECT_EQ(group->LogRect(), moved);
    // A drop assigns the ghost's members: the members are new objects.
    EXPECT_EQ(group->Members(1)->LogRect(), TRect(190, 140, 231, 161));
    ExpectOneStep(group, before);

    before = Store(group);
    Drag(group, ghBottomRight, {}, {TPoint(300, 200), TPoint(g.Right + 100, g.Bottom + 40)});
    // Members scale with the group; each frameless rect's extent keeps its widened hairline, so
    // the corner may land a unit or two beyond the pointer.
    const TRect r = group->LogRect();
    EXPECT_EQ(TPoint(r.Left, r.Top), TPoint(moved.Left, moved.Top));
    EXPECT_NEAR(r.Right, g.Right + 100, 2);
    EXPECT_NEAR(r.Bottom, g.Bottom + 40, 2);
    EXPECT_EQ(group->Members(0)->LogRect().TopLeft(), TPoint(r.Left, r.Top));
    EXPECT_NEAR(group->Members(0)->LogRect().Width(), 70, 2);
    EXPECT_EQ(group->Members(1)->LogRect().BottomRight(), TPoint(r.Right, r.Bottom));
    ExpectOneStep(group, before);
}

TEST_F(GhostDragTest, TextMovesResizesAndBends) {
    auto* text = Add<TLOText>(TRect(100, 100, 260, 140));
    text->Text()->SetText(QStringLiteral("ゴースト"));
    text->Font()->SetSize(12);
    QByteArray before = Store(text);
    Drag(text, ghMove, TPoint(120, 120), {TPoint(130, 125), TPoint(140, 150)});
    EXPECT_EQ(text->LogRect(), TRect(120, 130, 280, 170));
    ExpectOneStep(text, before);

    before = Store(text);
    Drag(text, ghBottomRight, {}, {TPoint(300, 200)});
    EXPECT_EQ(text->LogBounds(), TRect(120, 130, 300, 200));
    ExpectOneStep(text, before);

    // Bent by its bulge handle well past the straightening band.
    before = Store(text);
    Drag(text, ghBulge, {}, {TPoint(210, 120), TPoint(210, 60)});
    EXPECT_NE(text->Bulge(), 0);
    ExpectOneStep(text, before);
}
