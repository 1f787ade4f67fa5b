// The cover collage: its grid, every picture drawn (counted by colour), and the window's sources.

#include "app/dialogs/FCoverPicture.h"

#include "app/UAlbumFunc.h"
#include "imaging/UImgNormalize.h"
#include "imaging/UPictureEX.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "papers/ULabelData.h"
#include "platform/Bitmap.h"
#include "platform/ClassRegistry.h"
#include "platform/Picture.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QCoreApplication>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <set>

namespace {

TColor ColorOf(int i) {
    // Distinct, far from white.
    return TColor(uint32_t(20 + 10 * i) | (uint32_t(200 - 10 * i) << 8) | (uint32_t(40) << 16));
}

// Solid pictures of distinct colours.
class ColorSource : public TImgNormalizeCallBackClass {
public:
    explicit ColorSource(int count) {
        for (int i = 0; i < count; ++i) {
            TBitmap bitmap(40 + i, 30, pf24bit);
            TCanvas& canvas = bitmap.Canvas();
            canvas.Brush().Color = ColorOf(i);
            canvas.Brush().Style = bsSolid;
            canvas.FillRect(TRect(0, 0, bitmap.Width(), bitmap.Height()));
            pictures_.push_back(std::make_unique<TPicture>());
            pictures_.back()->Assign(&bitmap);
        }
    }
    void SetFilterNo(int, int) override {}
    int GetFilterNo(int) override { return 0; }
    int GetCount() override { return int(pictures_.size()); }
    TPicture* GetSourcePicture(int index) override { return pictures_.at(size_t(index)).get(); }
    TPicture* GetResultPicture(int index) override { return GetSourcePicture(index); }
    TImageData* GetImageData(int) override { return nullptr; }

private:
    std::vector<std::unique_ptr<TPicture>> pictures_;
};

std::set<TColor> Colors(TPicture& picture) {
    auto* bitmap = dynamic_cast<TBitmap*>(picture.Graphic());
    std::set<TColor> colors;
    if (bitmap == nullptr)
        return colors;
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x)
            colors.insert(bitmap->GetPixel(x, y));
    return colors;
}

TEST(CoverCollage, GridGivesEveryPictureACellAndEveryPictureIsDrawn) {
    const std::vector<std::pair<int, int>> grids = {{1, 1}, {2, 2}, {4, 2}, {5, 3}, {8, 3}, {9, 4}, {16, 4}};
    for (const auto& [n, k] : grids)
        EXPECT_EQ(CollageGridSize(n), k) << n;

    for (const int n : {16, 12, 5, 2, 1}) {
        ColorSource source(n);
        TPicture result;
        std::mt19937 random(n);
        int drawings = 0;
        MakeCoverCollage(source, result, 320, 240, random, [&] { ++drawings; });
        const int k = CollageGridSize(n);
        EXPECT_EQ(drawings, k * k) << n;
        ASSERT_NE(result.Graphic(), nullptr);
        EXPECT_EQ(result.Graphic()->Width(), 320);
        const std::set<TColor> colors = Colors(result);
        for (int i = 0; i < n; ++i)
            EXPECT_TRUE(colors.count(ColorOf(i))) << "picture " << i << " of " << n;
        // Nothing but the pictures and the white page: no blend, no black.
        EXPECT_EQ(colors.size() - colors.count(clWhite), size_t(n)) << n;
        // Drawings of one and a half cells cover a page of nine or fewer cells; the corners
        // around each turned picture are transparent, so no white shows over a neighbour.
        if (k <= 3) {
            EXPECT_EQ(colors.count(clWhite), 0u) << n;
        }
    }
}

class CoverPictureWindow : public AppFixture {};

TEST_F(CoverPictureWindow, TakesAtMostSixteenOfAFolderOrTheAlbumsPhotos) {
    Start();
    if (GetClass(TLOAlbumPhoto::StaticClass().Name()) == nullptr)
        RegisterClass(TLOAlbumPhoto::StaticClass());
    QTemporaryDir folder;
    for (int i = 0; i < 18; ++i) {
        QImage image(30, 20, QImage::Format_RGB32);
        const TColor c = ColorOf(i);
        image.fill(QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)));
        image.save(folder.filePath(QStringLiteral("p%1.png").arg(i)), "PNG");
    }
    QImage(4, 4, QImage::Format_RGB32).save(folder.filePath(QStringLiteral("notes.txt")), "PNG");
    TLabelData document(nullptr);
    TfrmCoverPicture window(nullptr, 7u);
    window.SetDocument(&document);
    EXPECT_FALSE(window.btnOK->isEnabled());
    EXPECT_FALSE(window.actReMake->isEnabled());

    window.show();
    QCoreApplication::processEvents();
    const QSize shown = window.size();
    dialogs.files = {folder.path()};
    window.btnFromFolder->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(window.size(), shown) << "the progress shown on the way leaves the window as it was";
    EXPECT_EQ(window.LastFolder(), folder.path());
    EXPECT_TRUE(window.btnOK->isEnabled());
    EXPECT_TRUE(window.actReMake->isEnabled());
    EXPECT_EQ(window.GetResult().Graphic()->Width(), TfrmCoverPicture::kOutputWidth);
    EXPECT_EQ(Colors(window.GetResult()).size(), 17u) << "16 of the 18 pictures, and white";

    QTemporaryDir empty;
    dialogs.files = {empty.path()};
    dialogs.answers = {mrOk};
    window.btnFromFolder->click();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("画像ファイルが見つかりません"));
    EXPECT_FALSE(window.actReMake->isEnabled());

    dialogs.answers = {mrOk};
    window.btnFromAlbum->click();
    ASSERT_EQ(dialogs.boxes.size(), 2u);
    EXPECT_EQ(dialogs.boxes[1].text, NoPhotoMessage());

    // Photos of an album page and of the front cover: only the page's are used.
    for (const int sheet : {2, 0}) {
        document.SetCurrentSheetNo(sheet);
        TLOAlbumPhoto photo(nullptr);
        photo.SetLogRect(TRect(0, 0, 300, 200));
        TPicture picture;
        picture.LoadFromFile(folder.filePath(QStringLiteral("p%1.png").arg(sheet)));
        photo.SetPhotoPicture(&picture);
        TDOList list;
        list.Add(&photo);
        document.StoreLabelObjects(0, list);
    }
    document.SetCurrentSheetNo(1);
    window.btnFromAlbum->click();
    EXPECT_EQ(document.CurrentSheetNo(), 1) << "the current sheet comes back";
    EXPECT_EQ(dialogs.boxes.size(), 2u);
    const std::set<TColor> colors = Colors(window.GetResult());
    EXPECT_TRUE(colors.count(ColorOf(2)));
    EXPECT_FALSE(colors.count(ColorOf(0))) << "the cover's photo stays out";
}

} // namespace
