// The layout editor under the mouse: drags that snap to the grid and the guides, and what the screen
// shows after grouping and after edits near guides drawn from the rulers.

#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/ULayoutGuides.h"
#include "controls/Ruler.h"
#include "imaging/UColorFill.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/UGuide.h"
#include "pageobjects/layout/UDOGroup.h"
#include "pageobjects/layout/ULORect.h"
#include "papers/ULabelData.h"
#include "tests/app/AppTestSupport.h"

#include <QApplication>
#include <QImage>
#include <QScreen>
#include <QToolButton>
#include <QTest>
#include <QWindow>

namespace {

class LayoutDragRoadTest : public AppFixture {
protected:
    void SetUp() override {
        RegisterPageClasses();
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        editor = OpenLayoutEditorShown(main, QSize(1000, 800));
        ASSERT_NE(editor, nullptr);
        editor->SetZoom(50);
        site = editor->DrawSite1;
        site->setFocus();
        Settle();
    }
    void Settle() {
        for (int i = 0; i < 3; ++i)
            QTest::qWait(20);
    }
    TLORect* AddRect(const TRect& r, TColor fill) {
        auto owned = std::make_unique<TLORect>(nullptr);
        owned->SetLogRect(r);
        TColorSpec spec;
        spec.SetColor(fill);
        owned->SetFillColor(spec);
        owned->SetFillInside(true);
        return static_cast<TLORect*>(site->AdoptObject(std::move(owned)));
    }
    QPoint At(const TPoint& p) const {
        const TPoint d = site->LogToDev(p);
        return QPoint(d.X, d.Y);
    }
    // The left button pressed at from, moved in steps and released at to, keys held throughout.
    void Drag(const QPoint& from, const QPoint& to, Qt::KeyboardModifiers keys = {}) {
        QTest::mousePress(site, Qt::LeftButton, keys, from);
        for (int step = 1; step <= 4; ++step) {
            QMouseEvent move(QEvent::MouseMove, from + (to - from) * step / 4,
                             site->mapToGlobal(from + (to - from) * step / 4), Qt::NoButton, Qt::LeftButton, keys);
            QApplication::sendEvent(site, &move);
        }
        QTest::mouseRelease(site, Qt::LeftButton, keys, to);
        Settle();
    }
    // The site as the screen shows it now, without painting it anew.
    QImage Shown() const {
        const QPoint at = site->mapTo(site->window(), QPoint(0, 0));
        return site->screen()
            ->grabWindow(site->window()->winId(), at.x(), at.y(), site->width(), site->height())
            .toImage();
    }
    QColor ShownAt(const TPoint& p) const { return Shown().pixelColor(At(p)); }

    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
    TDrawSite* site = nullptr;
};

TEST_F(LayoutDragRoadTest, MovesAndNewShapesSnapToTheGridAndTheGuidesButNotWithAlt) {
    TLabelData& document = *editor->Document();
    document.Grid()->SetSize(100);
    editor->Guides()->btnGrid->click();
    ASSERT_TRUE(document.Grid()->Enabled());
    // 20 mm by 10 mm with a 1 mm frame, dropped 4 mm off the grid: its corners land on grid points,
    // not the outer edge of its frame.
    TLORect* rect = AddRect(TRect(105, 123, 305, 223), clRed);
    Drag(At(TPoint(150, 150)), At(TPoint(150 + 287, 150 + 318)));
    EXPECT_EQ(rect->LogBounds(), TRect(400, 400, 600, 500));
    // Alt held: it goes where the mouse takes it.
    Drag(At(TPoint(450, 450)), At(TPoint(450 + 143, 450 + 137)), Qt::AltModifier);
    EXPECT_NE(rect->LogBounds().Left % 100, 0) << rect->LogBounds().Left;
    EXPECT_NE(rect->LogBounds().Top % 100, 0) << rect->LogBounds().Top;

    // A new rectangle drawn between two off-grid points has both its corners on the grid.
    editor->actRect->trigger();
    Drag(At(TPoint(1213, 1190)), At(TPoint(1588, 1420)));
    TDOList selected;
    site->ListObjects(selected, true);
    ASSERT_EQ(selected.Count(), 1);
    auto* drawn = dynamic_cast<TLORect*>(selected[0]);
    ASSERT_NE(drawn, nullptr);
    EXPECT_EQ(drawn->LogBounds(), TRect(1200, 1200, 1600, 1400));

    // Guides alone: a left edge dropped within ten screen pixels of a vertical guide takes it.
    editor->Guides()->btnGrid->click();
    ASSERT_FALSE(document.Grid()->Enabled());
    document.Guide()->SetPos(0, TPoint(1234, 0));
    document.Guide()->SetEnabled(true);
    const TRect before = rect->LogBounds();
    Drag(At(TPoint(before.Left + 50, before.Top + 50)), At(TPoint(1234 + 17 + 50, before.Top + 50)));
    EXPECT_EQ(rect->LogBounds().Left, 1234);
}

TEST_F(LayoutDragRoadTest, AGroupStaysWhereItsTopmostMemberLaySoNothingAboveItIsCovered) {
    TLORect* red = AddRect(TRect(100, 100, 500, 400), clRed);
    TLORect* blue = AddRect(TRect(100, 700, 500, 1000), clBlue);
    AddRect(TRect(400, 900, 800, 1200), clYellow);
    const auto shown = [&](const TPoint& p) { return Shown().pixelColor(At(p)).rgb() & 0xFFFFFF; };
    Settle();
    // Yellow, drawn last, over blue.
    ASSERT_EQ(shown(TPoint(450, 950)), 0xFFFF00u);
    site->SelectAll(false);
    red->SetSelected(true);
    blue->SetSelected(true);
    Settle();
    QTest::keyClick(site, Qt::Key_G, Qt::ControlModifier);
    Settle();
    TDOList selected;
    site->ListObjects(selected, true);
    ASSERT_EQ(selected.Count(), 1);
    ASSERT_NE(dynamic_cast<TDOGroup*>(selected[0]), nullptr);
    EXPECT_EQ(shown(TPoint(450, 950)), 0xFFFF00u) << "yellow still over the grouped blue";
    EXPECT_EQ(shown(TPoint(200, 200)), 0xFF0000u);
    EXPECT_EQ(shown(TPoint(200, 800)), 0x0000FFu);
    EditorUndo(editor);
    Settle();
    EXPECT_EQ(shown(TPoint(450, 950)), 0xFFFF00u);
    EXPECT_EQ(shown(TPoint(200, 200)), 0xFF0000u);
}

TEST_F(LayoutDragRoadTest, UngroupedMembersTakeTheGroupsPlaceSoNothingAboveThemIsCovered) {
    TLORect* red = AddRect(TRect(100, 100, 600, 600), clRed);
    AddRect(TRect(400, 400, 900, 900), clLime);
    TLORect* blue = AddRect(TRect(700, 100, 1200, 600), clBlue);
    AddRect(TRect(500, 200, 800, 500), clYellow);
    const auto shown = [&](const TPoint& p) { return Shown().pixelColor(At(p)).rgb() & 0xFFFFFF; };
    // Yellow, drawn last, over red and blue; green over red.
    const auto yellowOnTop = [&] {
        EXPECT_EQ(shown(TPoint(550, 300)), 0xFFFF00u);
        EXPECT_EQ(shown(TPoint(750, 300)), 0xFFFF00u);
    };
    Settle();
    yellowOnTop();
    ASSERT_EQ(shown(TPoint(450, 450)), 0x00FF00u);
    site->SelectAll(false);
    red->SetSelected(true);
    blue->SetSelected(true);
    Settle();
    QTest::keyClick(site, Qt::Key_G, Qt::ControlModifier);
    Settle();
    QTest::keyClick(site, Qt::Key_U, Qt::ControlModifier);
    Settle();
    TDOList selected;
    site->ListObjects(selected, true);
    ASSERT_EQ(selected.Count(), 2);
    EXPECT_EQ(dynamic_cast<TDOGroup*>(selected[0]), nullptr);
    yellowOnTop();
    EXPECT_EQ(shown(TPoint(1100, 200)), 0x0000FFu);
    // Undone twice: back to the group, then as before it.
    EditorUndo(editor);
    Settle();
    EXPECT_EQ(site->DrawObjectCount(), 3);
    yellowOnTop();
    EditorUndo(editor);
    Settle();
    yellowOnTop();
    EXPECT_EQ(shown(TPoint(450, 450)), 0x00FF00u);
}

} // namespace
