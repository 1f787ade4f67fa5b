#include "controls/FColorGrid.h"
#include "tests/FakeDialogService.h"
#include "tests/controls/ControlsTestSupport.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <gtest/gtest.h>
#include <set>

using namespace ControlsTest;

namespace {

void Mouse(QWidget& w, QEvent::Type type, QPoint p) {
    QMouseEvent event(type, p, w.mapToGlobal(p), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&w, &event);
}

QPoint Centre(const TRect& r) {
    return QPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
}

} // namespace

TEST(ColGridTest, LayoutSharesTheRemainderPixels) {
    const std::vector<TRect> cells = ColGridLayout(157, 105, 8, 5, true, false);
    ASSERT_EQ(cells.size(), 41u);
    std::set<int> widths, heights;
    int rowWidth = 0;
    for (int c = 0; c < 8; ++c) {
        widths.insert(cells[size_t(c)].Width());
        rowWidth += cells[size_t(c)].Width();
    }
    for (int r = 0; r < 5; ++r)
        heights.insert(cells[size_t(r * 8)].Height());
    EXPECT_EQ(widths, (std::set<int>{19, 20}));
    EXPECT_EQ(heights, (std::set<int>{17, 18}));
    EXPECT_EQ(rowWidth, 157);
    EXPECT_EQ(cells[3], TRect(57, 0, 77, 17));
    EXPECT_EQ(cells.back(), TRect(0, 87, 157, 105));

    const std::vector<TRect> both = ColGridLayout(100, 30, 4, 2, true, true);
    EXPECT_EQ(both[8], TRect(0, 20, 70, 30));
    EXPECT_EQ(both[9], TRect(70, 20, 100, 30));
    EXPECT_TRUE(ColGridLayout(100, 30, 0, 2, true, true).empty());
    EXPECT_TRUE(ColGridLayout(100, 30, 4, -1, false, false).empty());
}

TEST(ColGridTest, ColourTextsAndCustomColours) {
    EXPECT_EQ(ColorFromText(QStringLiteral("clFuchsia")), clFuchsia);
    EXPECT_EQ(ColorFromText(QStringLiteral("$00bf3f7f")), TColor(0xBF3F7F));
    EXPECT_EQ(ColorFromText(QStringLiteral("$zz")), std::nullopt);
    DialogService::TCustomColors colors;
    for (size_t i = 0; i < colors.size(); ++i)
        colors[i] = uint32_t(i * 0x010203);
    const QString text = CustomColorsToText(colors);
    EXPECT_TRUE(text.startsWith(QStringLiteral("ColorA=000000\r\nColorB=010203")));
    EXPECT_EQ(CustomColorsFromText(text), colors);
    const DialogService::TCustomColors odd =
        CustomColorsFromText(QStringLiteral("ColorC=0000FF\nColorZ=123456\nrubbish\nColorD=xyz\nColorEE=1"));
    EXPECT_EQ(odd[2], 0xFFu);
    EXPECT_EQ(odd[3], 0xFFFFFFu);
    EXPECT_EQ(odd[0], 0xFFFFFFu);
}

TEST(ColGridTest, SelectionPaintingAndPicks) {
    FakeDialogService dialogs;
    TfrmColorGrid form;
    TColGrid& grid = *form.Grid();
    std::vector<std::pair<TColor, bool>> picks;
    grid.OnChangeColor = [&](TObject*, TColor c, bool t) { picks.emplace_back(c, t); };
    grid.SetDefaultColor(clRed);
    EXPECT_TRUE(grid.CellSelected(1));
    EXPECT_FALSE(grid.CellSelected(grid.OtherColorCell()));
    QImage image = Grab(grid);
    const TRect red = grid.Cells()[1];
    EXPECT_EQ(PixelAt(image, Centre(red).x(), Centre(red).y()), clRed);
    EXPECT_EQ(PixelAt(image, red.Left + 1, red.Top + 1), TColor(0xE0E0E0));
    EXPECT_EQ(PixelAt(image, red.Left + 2, red.Top + 5), TColor(0x808080));

    grid.SetDefaultColor(TColor(0x123456));
    EXPECT_TRUE(grid.CellSelected(grid.OtherColorCell()));
    grid.SetTransparent(true);
    EXPECT_EQ(grid.DefaultColor(), kColGridTransparent);
    grid.SetTransparent(false);
    EXPECT_EQ(grid.DefaultColor(), clBlack);

    const QPoint yellow = Centre(grid.Cells()[2]);
    Mouse(grid, QEvent::MouseButtonPress, yellow);
    EXPECT_EQ(grid.PressedCell(), 2);
    Mouse(grid, QEvent::MouseButtonRelease, yellow);
    ASSERT_EQ(picks.size(), 1u);
    EXPECT_EQ(picks[0], std::make_pair(clYellow, false));
    // Pressed on one cell and released on another: no pick.
    Mouse(grid, QEvent::MouseButtonPress, yellow);
    Mouse(grid, QEvent::MouseButtonRelease, Centre(grid.Cells()[3]));
    Mouse(grid, QEvent::MouseButtonPress, QPoint(500, 500));
    Mouse(grid, QEvent::MouseButtonRelease, QPoint(500, 500));
    EXPECT_EQ(picks.size(), 1u);

    // The other-colour cell asks the colour dialog; cancelling changes nothing.
    const QPoint other = Centre(grid.Cells()[size_t(grid.OtherColorCell())]);
    dialogs.colors = {std::nullopt, 0xABCDEFu};
    Mouse(grid, QEvent::MouseButtonPress, other);
    Mouse(grid, QEvent::MouseButtonRelease, other);
    EXPECT_EQ(picks.size(), 1u);
    EXPECT_EQ(grid.DefaultColor(), clYellow);
    Mouse(grid, QEvent::MouseButtonPress, other);
    Mouse(grid, QEvent::MouseButtonRelease, other);
    ASSERT_EQ(picks.size(), 2u);
    EXPECT_EQ(picks[1], std::make_pair(TColor(0xABCDEF), false));
    ASSERT_EQ(dialogs.colorRequests.size(), 2u);
    EXPECT_EQ(dialogs.colorRequests[1].first, uint32_t(clYellow));
}

TEST(ColGridTest, PopupReportsAChoiceOrClosingUp) {
    TfrmColorGrid form;
    int selected = 0, closed = 0;
    form.OnSelectColor = [&](TObject*) { ++selected; };
    form.OnCloseUp = [&](TObject*) { ++closed; };
    form.SetAllowTransparent(1);
    EXPECT_TRUE(form.Grid()->UseTransparent());
    QWidget button;
    button.resize(30, 20);
    button.show();
    form.DropDown(&button);
    EXPECT_TRUE(form.isVisible());
    const QPoint blue = Centre(form.Grid()->Cells()[5]);
    Mouse(*form.Grid(), QEvent::MouseButtonPress, blue);
    Mouse(*form.Grid(), QEvent::MouseButtonRelease, blue);
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(closed, 0);
    EXPECT_EQ(form.DefaultColor(), clBlue);
    EXPECT_FALSE(form.isVisible());
    form.DropDown(&button, true);
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(&form, &escape);
    EXPECT_EQ(closed, 1);
    EXPECT_FALSE(form.isVisible());
}
