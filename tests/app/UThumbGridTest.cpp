// The thumbnail grid: cells made only for painted items and never from an earlier size or pack,
// a list view's selection and keys, and a grid freed while its loader works.

#include "app/dialogs/UThumbGrid.h"
#include "imaging/UImageLoadThread.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "tests/app/AppTestSupport.h"

#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <thread>

namespace {

// A source of 40 x 20 pictures that records the indexes loaded and can hold its loads at a gate.
class RecordingPack : public TCustomImagePack {
public:
    explicit RecordingPack(int count, int width = 40, int height = 20) : TCustomImagePack(nullptr) {
        OnGetCount = [count](TObject*, int& n) { n = count; };
        OnGetImage = [this, width, height](TObject*, TPictureEx& picture, int index) {
            {
                std::unique_lock<std::mutex> guard(lock);
                loaded.insert(index);
                ++running;
                changed.notify_all();
                changed.wait(guard, [this] { return open; });
                --running;
            }
            TSafetyBitmap bitmap(width, height, pf24bit);
            picture.Assign(&bitmap);
        };
    }
    void SetOpen(bool value) {
        std::lock_guard<std::mutex> guard(lock);
        open = value;
        changed.notify_all();
    }
    void WaitRunning() {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [this] { return running > 0; });
    }
    std::set<int> LoadedIndexes() {
        std::lock_guard<std::mutex> guard(lock);
        return loaded;
    }

    std::mutex lock;
    std::condition_variable changed;
    std::set<int> loaded;
    int running = 0;
    bool open = true;
};

std::set<int> VisiblePositions(const TThumbGrid& grid) {
    std::set<int> visible;
    for (int i = 0; i < grid.Count(); ++i)
        if (grid.ItemRect(i).intersects(grid.viewport()->rect()))
            visible.insert(i);
    return visible;
}

// Paints the grid and waits until the loader has nothing left.
void PaintAndSettle(TThumbGrid& grid) {
    grid.viewport()->repaint();
    RunLoopUntil([&] { return grid.Loader() && grid.Loader()->Idle(); });
    QCoreApplication::processEvents();
}

QSize CellPictureSize(TThumbGrid& grid, int index) {
    TPictureEx picture;
    grid.CellPack().GetCacheEntry(index);
    picture.Assign(&grid.CellPack().GetCacheEntry(index));
    return QSize(picture.Width(), picture.Height());
}

TEST(ThumbGrid, LoadsOnlyPaintedCellsArrangedInCentredRows) {
    RecordingPack pack(100);
    TThumbGrid grid;
    grid.resize(420, 300);
    grid.SetImagePack(&pack);
    grid.SetThumbSize(80);
    grid.RefreshItems();
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    ASSERT_EQ(grid.Count(), 100);
    EXPECT_EQ(grid.ItemText(99), QStringLiteral("No.100"));
    // Cells 84 wide, 94 apart: as many columns as fit, the rest shared out as a margin on both sides.
    const int width = grid.viewport()->width();
    EXPECT_EQ(grid.ColumnCount(), width / 94);
    EXPECT_EQ(grid.ItemRect(0).left(), (width - (grid.ColumnCount() * 94 - 10)) / 2);
    EXPECT_EQ(grid.ItemRect(1).left() - grid.ItemRect(0).left(), 94);

    PaintAndSettle(grid);
    const std::set<int> visible = VisiblePositions(grid);
    ASSERT_FALSE(visible.empty());
    EXPECT_LT(visible.size(), size_t(100));
    EXPECT_EQ(pack.LoadedIndexes(), visible);
    // A 40 x 20 picture is enlarged to the largest size of its ratio within 78 x 68.
    EXPECT_EQ(CellPictureSize(grid, 0), QSize(78, 39));

    // Scrolling to the end asks for the cells now shown, not those passed over.
    grid.verticalScrollBar()->setValue(grid.verticalScrollBar()->maximum());
    PaintAndSettle(grid);
    const std::set<int> end = VisiblePositions(grid);
    EXPECT_TRUE(end.count(99));
    std::set<int> expected = visible;
    expected.insert(end.begin(), end.end());
    EXPECT_EQ(pack.LoadedIndexes(), expected);

    // Hidden, the grid holds no cells and loads nothing.
    grid.hide();
    EXPECT_EQ(grid.CellPack().CachedCount(), 0);
    EXPECT_EQ(grid.Loader()->QueuedCount(), 0);
}

TEST(ThumbGrid, NoCellOfAnEarlierSizeOrPackIsKept) {
    RecordingPack first(4);
    RecordingPack second(4, 10, 40);
    TThumbGrid grid;
    grid.resize(600, 400);
    grid.SetImagePack(&first);
    grid.SetThumbSize(80);
    grid.RefreshItems();
    // A load in hand while the size changes is finished and thrown away.
    first.SetOpen(false);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.viewport()->repaint();
    first.WaitRunning();
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        first.SetOpen(true);
    });
    grid.SetThumbSize(50);
    release.join();
    PaintAndSettle(grid);
    for (int index = 0; index < 4; ++index)
        EXPECT_EQ(CellPictureSize(grid, index), QSize(48, 24)) << index;

    // The same for a pack change: the new pack's pictures only.
    first.SetOpen(false);
    grid.SetThumbSize(80);
    grid.viewport()->repaint();
    first.WaitRunning();
    std::thread release2([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        first.SetOpen(true);
    });
    grid.SetImagePack(&second);
    release2.join();
    PaintAndSettle(grid);
    for (int index = 0; index < 4; ++index)
        EXPECT_EQ(CellPictureSize(grid, index), QSize(17, 68)) << index;

    // The earlier pack is heard no more: its change leaves the cells alone.
    const int cached = grid.CellPack().CachedCount();
    first.Changed();
    EXPECT_EQ(grid.CellPack().CachedCount(), cached);
    second.Changed();
    EXPECT_EQ(grid.CellPack().CachedCount(), 0);
}

TEST(ThumbGrid, CellsWhoseLoadWasDroppedAreMadeAgain) {
    RecordingPack pack(4);
    TThumbGrid grid;
    grid.resize(600, 300);
    grid.SetImagePack(&pack);
    grid.SetThumbSize(80);
    grid.RefreshItems();
    pack.SetOpen(false);
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.viewport()->repaint();
    pack.WaitRunning();
    EXPECT_EQ(grid.PendingCount(), 4);
    // The pack is about to change, but then does not: the dropped loads are asked for again.
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pack.SetOpen(true);
    });
    pack.NotifyUpdate();
    release.join();
    EXPECT_EQ(grid.PendingCount(), 0);
    PaintAndSettle(grid);
    for (int index = 0; index < 4; ++index)
        EXPECT_EQ(CellPictureSize(grid, index), QSize(78, 39)) << index;
}

TEST(ThumbGrid, WithoutTheLoaderCellsComeAtOnce) {
    RecordingPack pack(3);
    TThumbGrid grid;
    grid.resize(600, 300);
    grid.SetUseLoader(false);
    grid.SetImagePack(&pack);
    grid.SetThumbSize(80);
    grid.RefreshItems();
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    grid.viewport()->repaint();
    EXPECT_EQ(grid.Loader(), nullptr);
    EXPECT_EQ(pack.LoadedIndexes(), (std::set<int>{0, 1, 2}));
    EXPECT_EQ(CellPictureSize(grid, 2), QSize(78, 39));
}

TEST(ThumbGrid, SelectsByMouseAndKeysAsAListView) {
    TThumbGrid grid;
    grid.resize(420, 300);
    grid.SetThumbSize(80);
    grid.SetItemCaptions(
        {"a", "b", "c", "d", "e", "f", "g", QStringLiteral("とても長いファイルの名前なので縮められる.jpg")});
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy clicks(&grid, &TThumbGrid::clicked);
    QSignalSpy doubles(&grid, &TThumbGrid::doubleClicked);
    const int columns = grid.ColumnCount();
    ASSERT_GE(columns, 2);

    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.ItemRect(1).center());
    EXPECT_EQ(grid.SelectedIndex(), 1);
    EXPECT_EQ(clicks.count(), 1);
    QTest::keyClick(&grid, Qt::Key_Right);
    EXPECT_EQ(grid.SelectedIndex(), 2);
    QTest::keyClick(&grid, Qt::Key_Down);
    EXPECT_EQ(grid.SelectedIndex(), 2 + columns);
    QTest::keyClick(&grid, Qt::Key_End);
    EXPECT_EQ(grid.SelectedIndex(), 7);
    QTest::keyClick(&grid, Qt::Key_Down); // at the edge: stays
    EXPECT_EQ(grid.SelectedIndex(), 7);
    QTest::keyClick(&grid, Qt::Key_Return);
    EXPECT_EQ(doubles.count(), 1);
    QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, grid.ItemRect(0).center());
    EXPECT_EQ(doubles.count(), 2);
    EXPECT_EQ(grid.SelectedCount(), 1);

    // The long caption is shortened to the cell, its full text kept for the tip.
    EXPECT_TRUE(grid.ItemCaption(7).endsWith(QStringLiteral("...")));
    EXPECT_LT(grid.ItemCaption(7).size(), grid.ItemText(7).size());
    EXPECT_EQ(grid.ItemCaption(0), QStringLiteral("a"));

    // An index no item has leaves the selection; single selection ignores Select all.
    grid.SelectIndex(3);
    grid.SelectIndex(42);
    EXPECT_EQ(grid.SelectedIndex(), 3);
    grid.SelectAll(true);
    EXPECT_EQ(grid.SelectedCount(), 1);

    grid.SetMultiSelect(true);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ControlModifier, grid.ItemRect(5).center());
    EXPECT_EQ(grid.SelectedCount(), 2);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, Qt::ShiftModifier, grid.ItemRect(1).center());
    EXPECT_EQ(grid.SelectedCount(), 5); // 1 to 5 from the anchor
    EXPECT_TRUE(grid.IsSelected(1) && grid.IsSelected(5) && !grid.IsSelected(6));
    QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(grid.SelectedCount(), 8);
    grid.SetMultiSelect(false);
    EXPECT_EQ(grid.SelectedCount(), 1);
    // A click on no item clears the selection.
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(1, grid.viewport()->height() - 2));
    EXPECT_EQ(grid.SelectedIndex(), -1);
}

TEST(ThumbGrid, FreedWhileItsLoaderWorksEndsCleanly) {
    RecordingPack pack(50);
    auto grid = std::make_unique<TThumbGrid>();
    grid->resize(600, 400);
    grid->SetImagePack(&pack);
    grid->SetThumbSize(50);
    grid->RefreshItems();
    pack.SetOpen(false);
    grid->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(grid.get()));
    grid->viewport()->repaint();
    pack.WaitRunning();
    ASSERT_GT(grid->Loader()->QueuedCount(), 0);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pack.SetOpen(true);
    });
    grid.reset();
    release.join();
    // The loader's late report, if any, finds nothing.
    QCoreApplication::processEvents();
    EXPECT_EQ(pack.running, 0);
}

} // namespace
