// The layout editor's tool windows, driven as a user would, and the rules of positioning and guides.

#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/ULayoutGuides.h"
#include "app/dialogs/FAlign.h"
#include "app/dialogs/FGrid.h"
#include "app/dialogs/FLocation.h"
#include "app/dialogs/FMessage.h"
#include "app/dialogs/FPhotoSize.h"
#include "app/dialogs/FPositionProperty.h"
#include "controls/Exspined.h"
#include "controls/Ruler.h"
#include "pageobjects/engine/UAction.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/engine/UDrawSiteAction.h"
#include "pageobjects/engine/UGrid.h"
#include "pageobjects/engine/UGuide.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULORect.h"
#include "platform/ClassRegistry.h"
#include "tests/app/AppTestSupport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QScreen>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

namespace {

TEST(LayoutToolRules, GuideRoundingAndHints) {
    EXPECT_EQ(RoundGuideCoord(123, false), 120);
    EXPECT_EQ(RoundGuideCoord(125, false), 130);
    EXPECT_EQ(RoundGuideCoord(123, true), 123);
    // Truncated toward zero: just above the page rounds onto its edge.
    EXPECT_EQ(RoundGuideCoord(-1, false), 0);
    EXPECT_EQ(RoundGuideCoord(-16, false), -10);
    EXPECT_EQ(RoundGuideCoord(INT32_MAX, false), INT32_MAX);
    EXPECT_EQ(GuideHintText(TPoint(120, 0), 2100, 2970), QStringLiteral("左から12.0mm 右から198.0mm"));
    EXPECT_EQ(GuideHintText(TPoint(0, 2970), 2100, 2970), QStringLiteral("上から297.0mm 下から0.0mm"));
    EXPECT_EQ(GuideHintText(TPoint(0, -10), 2100, 2970), QStringLiteral("ガイド削除"));
    EXPECT_EQ(GuideHintText(TPoint(2110, 0), 2100, 2970), QStringLiteral("ガイド削除"));
}

TEST(LayoutToolRules, PositionAgainstThePageAndItsCentre) {
    const TPoint centre(1000, 1000);
    EXPECT_EQ(PageCentreAngle(TPoint(1500, 1000), centre, apPerpendicular), 90);
    EXPECT_EQ(PageCentreAngle(TPoint(1500, 1000), centre, apParallel), 0);
    EXPECT_EQ(PageCentreAngle(TPoint(1000, 1400), centre, apPerpendicular), 180);
    EXPECT_EQ(PageCentreAngle(TPoint(1000, 1400), centre, apParallel), 90);
    EXPECT_EQ(PageCentreAngle(TPoint(500, 500), centre, apParallel), -135);

    // A round face: the edge is met where the object's span crosses the circle.
    const QRegion disc(QRect(0, 0, 1000, 1000), QRegion::Ellipse);
    const TRect box(400, 480, 500, 520);
    EXPECT_EQ(AdjustPosOffset(disc, box, apLeft, 1000, 1000).Y, 0);
    EXPECT_LE(AdjustPosOffset(disc, box, apLeft, 1000, 1000).X, -395);
    const TPoint right = AdjustPosOffset(disc, box, apRight, 1000, 1000);
    EXPECT_GE(box.Right + right.X, 995);
    EXPECT_LE(box.Right + right.X, 1000);
    const TRect high(100, 100, 200, 140);
    EXPECT_GT(AdjustPosOffset(disc, high, apTop, 1000, 1000).Y, 0) << "the circle is lower at its side";
    EXPECT_EQ(AdjustPosOffset(disc, box, apVertCentre, 1000, 1001), TPoint(0, 480 - 480));
    EXPECT_EQ(AdjustPosOffset(disc, box, apHorzCentre, 1001, 1000), TPoint(450 - 400, 0));
    EXPECT_EQ(AdjustPosOffset(disc, box, apParallel, 1000, 1000), TPoint(0, 0));
}

TEST(LayoutToolRules, RegisterCaption) {
    EXPECT_EQ(RegistDefPhotoSizeCaption(0, 1270), QStringLiteral("標準写真サイズに登録-未登録(&D)"));
    EXPECT_EQ(RegistDefPhotoSizeCaption(890, 1270),
              QStringLiteral("標準写真サイズに登録-89.0mm×127.0mm(&D)"));
    EXPECT_EQ(StandardPhotoSizeText(890, 1275), QStringLiteral("標準写真サイズ-89.0mm×127.5mm"));
}

// The site as the screen shows it, read back from the window (rendering it anew would lay out its
// hidden menus too, whose font fallback keeps memory the leak checker reports).
QImage Shown(QWidget& site) {
    site.repaint();
    const QPoint at = site.mapTo(site.window(), QPoint(0, 0));
    return site.screen()
        ->grabWindow(site.window()->winId(), at.x(), at.y(), site.width(), site.height())
        .toImage();
}

template <class T>
T* Child(QWidget* window, const char* name) {
    T* child = window->findChild<T*>(QLatin1String(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

// Near the left end, where check and radio buttons take clicks whatever their width.
void Click(QWidget* window, const char* name) {
    if (auto* button = Child<QAbstractButton>(window, name))
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

class LayoutToolWindowTest : public AppFixture {
protected:
    void SetUp() override {
        RegisterPageClasses();
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        editor = OpenLayoutEditor(main);
        ASSERT_NE(editor, nullptr);
        editor->DrawSite1->SelectAll(false);
    }
    template <class T>
    T* Add(const TRect& r) {
        auto object = std::make_unique<T>(nullptr);
        object->SetLogRect(r);
        auto* added = static_cast<T*>(editor->DrawSite1->AdoptObject(std::move(object)));
        added->SetSelected(true);
        return added;
    }

    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
};

TEST_F(LayoutToolWindowTest, GridWindowTurnsAShownGridOnAndEnterPressesOk) {
    TGrid& grid = *main->Document()->Grid();
    grid.SetVisible(true);
    grid.SetEnabled(false);
    grid.SetSize(50);
    bool seen = false;
    WhenModal([&](QWidget* window) {
        seen = true;
        EXPECT_TRUE(Child<QCheckBox>(window, "chkEnabled")->isChecked()) << "a shown grid counts as on";
        // Off: the shape choice goes grey; on again and lines.
        Click(window, "chkEnabled");
        EXPECT_FALSE(Child<QGroupBox>(window, "rgShape")->isEnabled());
        Click(window, "chkEnabled");
        EXPECT_TRUE(Child<QGroupBox>(window, "rgShape")->isEnabled());
        Click(window, "rbLines");
        auto* size = Child<TExSpinEdit>(window, "esSize");
        size->Edit()->selectAll();
        QTest::keyClicks(size, QStringLiteral("2.5"));
        QTest::keyClick(size, Qt::Key_Return);
    });
    editor->actGrid->trigger();
    ASSERT_TRUE(seen);
    EXPECT_TRUE(grid.Enabled());
    EXPECT_TRUE(grid.Visible());
    EXPECT_TRUE(grid.LineShape());
    EXPECT_EQ(grid.Size(), 25);
    EXPECT_TRUE(editor->Guides()->actSnapToGrid->isChecked());

    // Esc changes nothing.
    WhenModal([&](QWidget* window) {
        Click(window, "chkEnabled");
        QTest::keyClick(window, Qt::Key_Escape);
    });
    editor->actGrid->trigger();
    EXPECT_TRUE(grid.Enabled());
}

TEST_F(LayoutToolWindowTest, AlignWindowKeepsItsModeAndAlignsInOneStep) {
    auto* a = Add<TLORect>(TRect(100, 100, 300, 200));
    auto* b = Add<TLORect>(TRect(500, 400, 600, 700));
    AlignWindowMode() = 0;
    WhenModal([&](QWidget* window) {
        Click(window, "rbMode3");
        EXPECT_EQ(Child<QStackedWidget>(window, "pages")->currentWidget()->objectName(),
                  QStringLiteral("bottom"));
        Click(window, "btnOK");
    });
    editor->actOrder->trigger();
    EXPECT_EQ(a->LogBounds().Bottom, 700);
    EXPECT_EQ(b->LogBounds().Bottom, 700);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("位置揃え"));

    // The next window opens on bottom edges; Cancel moves nothing.
    const TRect before = a->LogRect();
    WhenModal([&](QWidget* window) {
        EXPECT_TRUE(Child<QRadioButton>(window, "rbMode3")->isChecked());
        Click(window, "rbMode0");
        Click(window, "btnCancel");
    });
    editor->actOrder->trigger();
    EXPECT_EQ(a->LogRect(), before);
    EXPECT_EQ(AlignWindowMode(), 0) << "the click was kept even though the window was cancelled";
}

TEST_F(LayoutToolWindowTest, LocationWindowCentresAndPositionWindowKeepsAClearedWidth) {
    auto* rect = Add<TLORect>(TRect(100, 100, 300, 200));
    const int logWidth = editor->DrawSite1->LogWidth();
    WhenModal([&](QWidget* window) {
        Click(window, "rbMode5");
        Click(window, "btnOK");
    });
    editor->actAlign->trigger();
    EXPECT_EQ(rect->LogBounds().Left, (logWidth - 200) / 2);
    EXPECT_EQ(rect->LogBounds().Top, 100);
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("設定変更"));
    editor->DSAUndo1->ExecuteTarget(editor->DrawSite1);
    EXPECT_EQ(rect->LogBounds().Left, 100);

    WhenModal([&](QWidget* window) {
        auto* width = Child<TExSpinEdit>(window, "esWidth");
        EXPECT_EQ(width->text(), QStringLiteral("20"));
        width->Edit()->clear();
        auto* left = Child<TExSpinEdit>(window, "esLeft");
        left->Edit()->selectAll();
        QTest::keyClicks(left, QStringLiteral("-3.5"));
        Click(window, "btnOK");
    });
    editor->actPosition->trigger();
    EXPECT_EQ(rect->LogBounds(), TRect(-35, 100, 165, 200)) << "the width stays, the left moves";
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("位置・サイズ変更"));
}

TEST_F(LayoutToolWindowTest, PhotoSizesFromTheWindowTheStandardAndThePage) {
    auto* first = Add<TLOAlbumPhoto>(TRect(0, 0, 500, 700));
    auto* second = Add<TLOAlbumPhoto>(TRect(600, 0, 900, 400));
    editor->DefPhotoWidth = 0;
    editor->DefPhotoHeight = 0;
    editor->UpdateArrangeActions();
    EXPECT_FALSE(editor->actChangeDefPhotoSize->isEnabled());
    EXPECT_FALSE(editor->actRegistDefPhotoSize->isEnabled()) << "two frames selected";
    EXPECT_TRUE(editor->actSamePhotoSize->isEnabled());

    // An emptied edit does nothing; typed sizes go to every frame in one step.
    WhenModal([&](QWidget* window) {
        Child<TExSpinEdit>(window, "esWidth")->Edit()->clear();
        Click(window, "btnOK");
    });
    editor->actDetailsPhotoSize->trigger();
    EXPECT_EQ(first->LogBounds(), TRect(0, 0, 500, 700));
    EXPECT_FALSE(UndoList().CanUndo());

    // The shipped sizes, beside the program.
    ASSERT_TRUE(QFile::copy(QStringLiteral(QUORLANE_EXE_DIR "/AlbumPht.Dat"),
                            ExeDir() + QStringLiteral("/AlbumPht.Dat")));
    TfrmPhotoSize window;
    window.SetStandardSize(0, 0);
    ASSERT_GE(window.lstSize->count(), 2) << "only the named sizes without a standard one";
    EXPECT_EQ(window.lstSize->item(0)->text(), QStringLiteral("L判"));
    const int named = window.lstSize->count();
    window.show();
    QTest::mouseClick(window.lstSize->viewport(), Qt::LeftButton, {},
                      window.lstSize->visualItemRect(window.lstSize->item(0)).center());
    int w = 0;
    int h = 0;
    window.GetSize(w, h);
    EXPECT_EQ(TPoint(w, h), TPoint(890, 1270));
    QTest::mouseClick(window.cbPotrait, Qt::LeftButton);
    window.GetSize(w, h);
    EXPECT_EQ(TPoint(w, h), TPoint(1270, 890));
    window.SetStandardSize(1000, 1500);
    ASSERT_EQ(window.lstSize->count(), named + 1);
    EXPECT_EQ(window.lstSize->item(0)->text(), QStringLiteral("標準写真サイズ-100.0mm×150.0mm"));
    QTest::mouseClick(window.lstSize->viewport(), Qt::LeftButton, {},
                      window.lstSize->visualItemRect(window.lstSize->item(2)).center());
    window.GetSize(w, h);
    EXPECT_EQ(TPoint(w, h), TPoint(1780, 1270));

    // The topmost frame gives its size to the others.
    editor->actSamePhotoSize->trigger();
    EXPECT_EQ(first->LogBounds(), TRect(0, 0, 300, 400));
    EXPECT_EQ(UndoList().UndoCaption(), QStringLiteral("写真サイズ変更"));

    // Registered from the one frame selected, then applied to another.
    second->SetSelected(false);
    editor->UpdateArrangeActions();
    EXPECT_TRUE(editor->actRegistDefPhotoSize->isEnabled());
    editor->actRegistDefPhotoSize->trigger();
    EXPECT_EQ(editor->actRegistDefPhotoSize->text(),
              QStringLiteral("標準写真サイズに登録-30.0mm×40.0mm(&D)"));
    first->SetSelected(false);
    second->SetSelected(true);
    second->SetLogRect(TRect(600, 0, 700, 100));
    editor->UpdateArrangeActions();
    editor->actChangeDefPhotoSize->trigger();
    EXPECT_EQ(second->LogBounds(), TRect(600, 0, 900, 400));

    editor->actPhotoFullSize->trigger();
    EXPECT_EQ(second->LogBounds(),
              TRect(0, 0, editor->DrawSite1->LogWidth(), editor->DrawSite1->LogHeight()));
    EXPECT_TRUE(second->FitOuter());
    editor->DSAUndo1->ExecuteTarget(editor->DrawSite1);
    EXPECT_EQ(second->LogBounds(), TRect(600, 0, 900, 400));
    EXPECT_FALSE(second->FitOuter());
}

} // namespace

namespace {

TEST_F(LayoutToolWindowTest, GuidesComeFromTheRulersMoveAndGoOffThePage) {
    main->show();
    TDrawSite& site = *editor->DrawSite1;
    TGuide& guide = *main->Document()->Guide();
    const auto device = [&](int x, int y) {
        const TPoint p = site.LogToDev(TPoint(x, y));
        return QPoint(p.X, p.Y);
    };
    // Pulled down from the top ruler: a horizontal guide on whole millimetres.
    QTest::mousePress(editor->rulerTop, Qt::LeftButton, {}, QPoint(40, 5));
    ASSERT_EQ(editor->Guides()->GuideIndex(), 0);
    ASSERT_NE(editor->Guides()->GuideHint(), nullptr);
    QTest::mouseMove(&site, device(300, 1234));
    EXPECT_EQ(editor->Guides()->GuideHint()->text().left(5), QStringLiteral("上から12"));
    QTest::mouseRelease(&site, Qt::LeftButton, {}, device(300, 1234));
    EXPECT_EQ(editor->Guides()->GuideIndex(), -1);
    EXPECT_EQ(editor->Guides()->GuideHint(), nullptr);
    const int y = guide.GetPos(0).Y;
    EXPECT_EQ(y % 10, 0);
    EXPECT_NEAR(y, 1234, 20) << "within a pixel of the mouse";
    EXPECT_TRUE(guide.Enabled() && guide.Visible());
    EXPECT_TRUE(editor->Guides()->actGuideBar->isChecked());

    // A press on it (not on an object) drags it; off the page it goes, and with it snapping.
    site.SelectAll(false);
    QTest::mousePress(&site, Qt::LeftButton, {}, device(2000, y));
    ASSERT_EQ(editor->Guides()->GuideIndex(), 0);
    QTest::mouseMove(&site, QPoint(10, -20));
    EXPECT_EQ(editor->Guides()->GuideHint()->text(), QStringLiteral("ガイド削除"));
    QTest::mouseRelease(&site, Qt::LeftButton, {}, QPoint(10, -20));
    EXPECT_TRUE(guide.IsEmpty());
    EXPECT_FALSE(guide.Enabled());
    EXPECT_FALSE(editor->Guides()->actGuideBar->isChecked());

    // On without guides: the two centre guides.
    editor->Guides()->actGuideBar->trigger();
    EXPECT_EQ(guide.GetPos(0), TPoint(0, site.LogHeight() / 2));
    EXPECT_EQ(guide.GetPos(1), TPoint(site.LogWidth() / 2, 0));
    // Drawn over the page, dotted blue, without the page being drawn anew.
    const QImage page = site.PageImage();
    const QImage shown = Shown(site);
    const QPoint across = device(site.LogWidth() / 2, 0);
    int blue = 0;
    for (int yy = 0; yy < shown.height(); ++yy)
        blue += shown.pixelColor(across.x(), yy) == QColor(0, 0, 255) ? 1 : 0;
    EXPECT_GT(blue, shown.height() / 4);
    EXPECT_EQ(site.PageImage(), page);

    // Full: the message, and no drag.
    for (int i = 0; i < guide.Count(); ++i)
        guide.SetPos(i, TPoint(100 + i, 0));
    dialogs.answers = {mrOk};
    QTest::mousePress(editor->rulerLeft, Qt::LeftButton, {}, QPoint(5, 40));
    EXPECT_EQ(editor->Guides()->GuideIndex(), -1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("ガイドは10本までです"));
}

TEST_F(LayoutToolWindowTest, GridButtonShowsTheGridAndShiftKeepsTenthsOfAGuide) {
    main->show();
    TDrawSite& site = *editor->DrawSite1;
    TGrid& grid = *main->Document()->Grid();
    grid.SetSize(100);
    QTest::mouseClick(editor->Guides()->btnGrid, Qt::LeftButton);
    EXPECT_TRUE(grid.Visible() && grid.Enabled());
    EXPECT_TRUE(editor->Guides()->actSnapToGrid->isChecked());
    const QImage shown = Shown(site);
    const TPoint dot = site.LogToDev(TPoint(500, 500));
    EXPECT_EQ(shown.pixelColor(dot.X, dot.Y), QColor(0, 0, 255)) << "a blue dot every 10 mm";
    QTest::mouseClick(editor->Guides()->btnGrid, Qt::LeftButton);
    EXPECT_FALSE(grid.Visible() || grid.Enabled());

    QTest::mousePress(editor->rulerLeft, Qt::LeftButton, {}, QPoint(5, 40));
    ASSERT_EQ(editor->Guides()->GuideIndex(), 0);
    const TPoint at = site.LogToDev(TPoint(1234, 100));
    QTest::mouseMove(&site, QPoint(at.X, at.Y));
    const TPoint exact = site.DevToLog(at);
    EXPECT_EQ(editor->Guides()->GuidePointFromMouse(ssShift, at.X, at.Y), TPoint(exact.X, 0));
    EXPECT_EQ(editor->Guides()->GuidePointFromMouse(0, at.X, at.Y), TPoint(RoundGuideCoord(exact.X, false), 0));
    // Leaving the window ends the drag; a guide still on its way from the ruler is not kept.
    editor->Guides()->CancelGuideDrag();
    EXPECT_EQ(editor->Guides()->GuideHint(), nullptr);
    EXPECT_EQ(main->Document()->Guide()->GetPos(0), TPoint(0, 0));
}

} // namespace
