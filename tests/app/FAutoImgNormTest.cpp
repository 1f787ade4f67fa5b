#include "app/dialogs/FAutoImgNorm.h"

#include "AppTestSupport.h"
#include "controls/UImagePanel.h"
#include "imaging/UAutoAdjustFilter.h"
#include "imaging/UImageData.h"
#include "imaging/UImagePack.h"
#include "imaging/UImgNormalize.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/UAINPicList.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "platform/Bitmap.h"
#include "platform/Exception.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QThread>
#include <QTimer>
#include <QToolButton>
#include <atomic>
#include <gtest/gtest.h>
#include <set>

namespace {

// Photos of grey ramps between 100 and 140 (the correction stretches them), handing out one work
// picture as the album lists do, and counting every call made off the UI thread.
class TRampList : public TImgNormalizeCallBackClass {
public:
    explicit TRampList(int count, int width = 300, int height = 200) {
        for (int i = 0; i < count; ++i) {
            TSafetyBitmap bitmap(width, height, pf24bit);
            for (int y = 0; y < height; ++y) {
                uint8_t* row = bitmap.ScanLine(y);
                for (int x = 0; x < width * 3; ++x)
                    row[x] = uint8_t(100 + (x / 3 + i) * 40 / width);
            }
            bitmap.Changed();
            pictures.push_back(std::make_unique<TPictureEx>());
            pictures.back()->SetGraphic(&bitmap);
            numbers.push_back(0);
        }
    }
    void SetFilterNo(int index, int filterNo) override { numbers.at(size_t(Checked(index))) = filterNo; }
    int GetFilterNo(int index) override { return numbers.at(size_t(Checked(index))); }
    int GetCount() override { return int(numbers.size()); }
    TPicture* GetSourcePicture(int index) override {
        if (index == unreadable)
            throw EReadError(QStringLiteral("Stream read error"));
        work.Assign(pictures.at(size_t(Checked(index))).get());
        return &work;
    }
    TPicture* GetResultPicture(int index) override { return GetSourcePicture(index); }
    TImageData* GetImageData(int index) override {
        Checked(index);
        return nullptr;
    }

    std::vector<std::unique_ptr<TPictureEx>> pictures;
    std::vector<int> numbers;
    TPictureEx work;
    std::atomic<int> offThread{0};
    int unreadable = -1;

private:
    int Checked(int index) {
        if (QThread::currentThread() != QApplication::instance()->thread())
            ++offThread;
        return index;
    }
};

// The darkest and lightest grey of a shown preview.
std::pair<int, int> GreyRange(TImagePanel* panel) {
    auto* bitmap = dynamic_cast<TBitmap*>(panel->Picture().Graphic());
    if (bitmap == nullptr)
        return {-1, -1};
    int low = 255, high = 0;
    for (int y = 0; y < bitmap->Height(); ++y)
        for (int x = 0; x < bitmap->Width(); ++x) {
            const int grey = int(bitmap->GetPixel(x, y) & 0xFF);
            low = std::min(low, grey);
            high = std::max(high, grey);
        }
    return {low, high};
}

// A stand-in for the printer maker's library: every JPEG has shooting information; the correction
// inverts every byte.
TBJExifPrintEntryPoints InvertingLibrary() {
    TBJExifPrintEntryPoints library;
    library.Loaded = true;
    library.dmGetDiPSInfoFromMem = [](const uint8_t*, int32_t, uint8_t* buffer) -> int32_t {
        if (buffer == nullptr)
            return 8;
        memset(buffer, '1', 8);
        return 0;
    };
    library.dmGetExifPrintImage = [](uint8_t* pixels, int32_t w, int32_t h, int32_t, const uint8_t*,
                                     uint8_t* dest) -> int32_t {
        const int stride = (w * 3 + 3) & ~3;
        for (int i = 0; i < stride * h; ++i)
            dest[i] = uint8_t(255 - pixels[i]);
        return 0;
    };
    return library;
}

// Whether row's popup offers the Exif Print correction.
bool ExifPrintOffered(TfrmAutoImgNorm& dialog, int row) {
    dialog.btnConv[row]->click();
    const bool offered =
        dialog.pmFilter->isVisible() && dialog.filterItems[TfrmAutoImgNorm::fnExifPrint]->isEnabled();
    dialog.pmFilter->hide();
    return offered;
}

} // namespace

TEST(AutoImageAdjustTest, PreviewsComeFromTheWorkerForTheNumberNowChosen) {
    TRampList list(7);
    list.unreadable = 6;
    TfrmAutoImgNorm dialog;
    dialog.SetSource(&list);
    dialog.show();
    RunLoopUntil([&] { return dialog.PreviewsPending() == 0; });
    ASSERT_EQ(dialog.PreviewsPending(), 0);
    ASSERT_EQ(dialog.imSrc[2]->Picture().Width(), 200);
    EXPECT_EQ(dialog.imSrc[2]->Picture().Height(), 133);
    EXPECT_EQ(dialog.imDst[0]->Picture().Width(), 200) << "uncorrected: the same picture";
    ASSERT_EQ(dialog.mipCheckbox->GetCount(), 2);
    const auto shownBox = [&](int row) { return dialog.btnConv[row]->icon().pixmap(16).toImage(); };
    EXPECT_FALSE(dialog.imgExifLogo->pixmap().isNull());
    EXPECT_FALSE(shownBox(0).isNull());
    EXPECT_EQ(shownBox(0), shownBox(1));
    const std::pair<int, int> plain = GreyRange(dialog.imSrc[0]);
    EXPECT_GE(plain.first, 99);
    EXPECT_LE(plain.second, 141);

    // Chosen, then scrolled away before it is made and back: the correction still comes, and it is
    // the one chosen last.
    dialog.ChooseFilter(0, TfrmAutoImgNorm::fnOwn);
    dialog.ChooseFilter(1, TfrmAutoImgNorm::fnOwn);
    dialog.ChooseFilter(1, TfrmAutoImgNorm::fnNone);
    dialog.ScrollBar1->setValue(4);
    dialog.ScrollBar1->setValue(0);
    EXPECT_NE(shownBox(0), shownBox(1)) << "ticked only where a correction is chosen";
    RunLoopUntil([&] { return dialog.PreviewsPending() == 0; });
    const std::pair<int, int> corrected = GreyRange(dialog.imDst[0]);
    EXPECT_LT(corrected.first, 60);
    EXPECT_GT(corrected.second, 200);
    const std::pair<int, int> left = GreyRange(dialog.imDst[1]);
    EXPECT_GE(left.first, 99);
    EXPECT_LE(left.second, 141);
    EXPECT_EQ(list.offThread.load(), 0) << "the list is only asked on the UI thread";

    // The photo the list could not give shows the error mark.
    dialog.ScrollBar1->setValue(4);
    EXPECT_EQ(dialog.imSrc[2]->Picture().Width(), ImagePackErrorMark().Width());
    EXPECT_EQ(list.numbers, std::vector<int>(7, 0)) << "nothing written before OK";
}

TEST(AutoImageAdjustTest, ClosingDuringACorrectionStopsTheWorker) {
    TRampList list(3, 3000, 2000);
    auto dialog = std::make_unique<TfrmAutoImgNorm>();
    dialog->SetSource(&list);
    dialog->show();
    dialog->ChooseFilter(0, TfrmAutoImgNorm::fnOwn);
    dialog->btnCancel->click();
    dialog.reset();
    QApplication::processEvents();
    EXPECT_EQ(list.numbers, std::vector<int>(3, 0));
}

TEST(AutoImageAdjustTest, APagePhotoIsShownWithItsClipAndTheBarFollowsItsCorrection) {
    TRampList ramps(1, 3000, 2000);
    TLOAlbumPhoto photo(nullptr);
    photo.SetPhotoPicture(ramps.pictures[0].get());
    photo.PhotoImageObj()->ClipFilter()->SetClipRect(TRect(0, 0, 1000, 2000));
    TDOList listed;
    listed.Add(&photo);
    // Counts the pictures drawn on the UI thread.
    struct TCountingList : TAINObjectList {
        TPicture* GetSourcePicture(int index) override {
            ++drawn;
            return TAINObjectList::GetSourcePicture(index);
        }
        int drawn = 0;
    } list;
    list.SetList(&listed);
    TfrmAutoImgNorm dialog;
    dialog.SetSource(&list);
    dialog.show();
    std::set<int> positions;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        if (dialog.ProgressBar1->isVisible())
            positions.insert(dialog.ProgressBar1->value());
    });
    sampler.start(5);
    dialog.ChooseFilter(0, TfrmAutoImgNorm::fnOwn);
    RunLoopUntil([&] { return dialog.PreviewsPending() == 0; }, 60000);
    ASSERT_EQ(dialog.PreviewsPending(), 0);
    EXPECT_GE(positions.size(), 2u) << "the bar moves while the correction runs";
    EXPECT_FALSE(dialog.ProgressBar1->isVisible());

    // Both previews show the photo's clip: its left third, 1000 x 2000.
    for (TImagePanel* shown : {dialog.imSrc[0], dialog.imDst[0]}) {
        EXPECT_EQ(shown->Picture().Width(), 100);
        EXPECT_EQ(shown->Picture().Height(), 200);
    }
    const std::pair<int, int> plain = GreyRange(dialog.imSrc[0]);
    EXPECT_GE(plain.first, 99);
    EXPECT_LE(plain.second, 115);
    EXPECT_LT(GreyRange(dialog.imDst[0]).first, 60);
    EXPECT_EQ(list.drawn, 0) << "the photo is drawn with its filters by the worker";
}

// Without the library it is never offered (the album and photo panel tests).
TEST(AutoImageAdjustTest, ExifPrintIsOfferedForAJpegWithTheLibraryAndShowsItsCorrection) {
    TRampList list(2);
    TPictureEx jpeg;
    GetSafetyJPEG(jpeg).Assign(*list.pictures[1]->Graphic());
    list.pictures[1]->Assign(&jpeg);
    SetBJExifPrintLoader(InvertingLibrary);
    {
        TfrmAutoImgNorm dialog;
        dialog.SetSource(&list);
        dialog.show();
        EXPECT_FALSE(ExifPrintOffered(dialog, 0)) << "a bitmap carries no shooting information";
        EXPECT_TRUE(ExifPrintOffered(dialog, 1));
        dialog.btnConv[1]->click();
        dialog.filterItems[TfrmAutoImgNorm::fnExifPrint]->trigger();
        EXPECT_EQ(dialog.Number(1), TfrmAutoImgNorm::fnExifPrint);
        EXPECT_EQ(dialog.lblConv[1]->text(), QStringLiteral("ExifPrint補整"));
        RunLoopUntil([&] { return dialog.PreviewsPending() == 0; });
        EXPECT_LT(GreyRange(dialog.imSrc[1]).first, 104);
        EXPECT_GT(GreyRange(dialog.imDst[1]).first, 110) << "the library's inverted picture";
    }
    SetBJExifPrintLoader({});
}
