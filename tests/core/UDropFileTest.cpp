#include "core/UDropFile.h"

#include "tests/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

namespace {

using TestSupport::DropOn;

struct Tree {
    Tree() {
        root = dir.path();
        QDir(root).mkpath(QStringLiteral("album/sub"));
        QDir(root).mkpath(QStringLiteral("album/.hidden"));
        for (const char* f : {"a.jpg", "b.jpg", "c.jpg", "album/1.jpg", "album/sub/2.jpg", "album/.x.jpg",
                              "album/.hidden/3.jpg"})
            TestSupport::WriteFile(root + QLatin1Char('/') + QString::fromUtf8(f), "x");
    }
    QString Path(const char* name) const { return root + QLatin1Char('/') + QString::fromUtf8(name); }
    QTemporaryDir dir;
    QString root;
};

} // namespace

TEST(DropFile, TakesTheDroppedFilesAndFiresOnDrop) {
    Tree tree;
    QWidget window;
    TDropFile drop(nullptr);
    int fired = 0;
    drop.OnDrop = [&](TObject* sender) {
        EXPECT_EQ(sender, &drop);
        ++fired;
    };
    drop.SetWindow(&window);
    EXPECT_TRUE(window.acceptDrops());

    const QStringList three = {tree.Path("a.jpg"), tree.Path("b.jpg"), tree.Path("c.jpg")};
    EXPECT_TRUE(DropOn(&window, three));
    EXPECT_EQ(fired, 1);
    EXPECT_EQ(drop.Files().ToQStringList(), three);
    EXPECT_EQ(drop.DroppedCount(), 3);

    drop.OneFileOnly = true;
    DropOn(&window, three);
    EXPECT_EQ(drop.Files().ToQStringList(), QStringList({tree.Path("a.jpg")}));
    EXPECT_EQ(drop.DroppedCount(), 3);
    EXPECT_EQ(fired, 2);
}

TEST(DropFile, TakesADragTheWindowSystemSendsRatherThanPosts) {
    // The X11 platform hands a drag to the window under the mouse by a sent event.
    Tree tree;
    QWidget window;
    TDropFile drop(nullptr);
    drop.SetWindow(&window);
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(tree.Path("a.jpg"))});
    QDragEnterEvent enter(QPoint(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    enter.setAccepted(false);
    QApplication::sendEvent(&window, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent dropped(QPointF(2, 2), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&window, &dropped);
    EXPECT_EQ(drop.Files().ToQStringList(), QStringList({tree.Path("a.jpg")}));
}

TEST(DropFile, ExpandsFoldersWhenAskedAndIgnoresLinksToOtherPlaces) {
    Tree tree;
    QWidget window;
    TDropFile drop(nullptr);
    drop.SetWindow(&window);

    DropOn(&window, {tree.Path("album"), tree.Path("a.jpg")});
    EXPECT_EQ(drop.Files().ToQStringList(), QStringList({tree.Path("album"), tree.Path("a.jpg")}));

    drop.ExpandFolder = true;
    DropOn(&window, {tree.Path("album"), QStringLiteral("https://example.com/x.jpg")});
    QStringList files = drop.Files().ToQStringList();
    files.sort();
    EXPECT_EQ(files, QStringList({tree.Path("album/1.jpg"), tree.Path("album/sub/2.jpg")}));
    EXPECT_EQ(drop.DroppedCount(), 1);

    // A drag of nothing but remote links is refused, so it cannot be dropped.
    EXPECT_FALSE(DropOn(&window, {QStringLiteral("https://example.com/y.jpg")}));
    EXPECT_EQ(drop.Files().Count(), 2);
}

TEST(DropFile, TwoWindowsKeepTheirOwnDropsAfterOneComponentGoes) {
    Tree tree;
    QWidget first;
    QWidget second;
    auto dropFirst = std::make_unique<TDropFile>(nullptr);
    TDropFile dropSecond(nullptr);
    dropFirst->SetWindow(&first);
    dropSecond.SetWindow(&second);

    DropOn(&first, {tree.Path("a.jpg")});
    EXPECT_EQ(dropFirst->Files().Count(), 1);
    EXPECT_EQ(dropSecond.Files().Count(), 0);

    dropFirst.reset();
    EXPECT_FALSE(first.acceptDrops());
    EXPECT_FALSE(DropOn(&first, {tree.Path("b.jpg")}));
    EXPECT_TRUE(DropOn(&second, {tree.Path("b.jpg")}));
    EXPECT_EQ(dropSecond.Files().ToQStringList(), QStringList({tree.Path("b.jpg")}));

    // Moving to another window turns dropping off on the old one.
    dropSecond.SetWindow(&first);
    EXPECT_FALSE(second.acceptDrops());
    EXPECT_TRUE(first.acceptDrops());
}

TEST(DropFile, AFormThatOwnsItIsWatchedOnceLoaded) {
    // Forms are windows and components at once.
    struct TestForm : QWidget, TComponent {
        TestForm() : TComponent(nullptr) {}
    };
    Tree tree;
    TestForm form;
    auto* watching = new TDropFile(&form);
    auto* idle = new TDropFile(&form);
    idle->OwnerIsTarget = false;
    EXPECT_EQ(GetOrdProp(idle, QStringLiteral("OwnerIsTarget")), 0);
    SetOrdProp(watching, QStringLiteral("OneFileOnly"), 1);
    EXPECT_TRUE(watching->OneFileOnly);
    watching->Loaded();
    idle->Loaded();
    EXPECT_EQ(watching->Window(), &form);
    EXPECT_EQ(idle->Window(), nullptr);
    EXPECT_TRUE(DropOn(&form, {tree.Path("a.jpg"), tree.Path("b.jpg")}));
    EXPECT_EQ(watching->Files().Count(), 1);
    EXPECT_EQ(form.ComponentCount(), 2);
}
