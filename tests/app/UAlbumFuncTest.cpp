// The album functions: reading order, photos moving across pages on insert, delete and fill,
// covers, and the editor's album commands.

#include "app/UAlbumFunc.h"

#include "app/FAMPhoto.h"
#include "app/FLayout.h"
#include "app/FMain.h"
#include "app/dialogs/FAutoImgNorm.h"
#include "app/dialogs/FCoverPicture.h"
#include "app/dialogs/FCoverTemplate.h"
#include "app/dialogs/FImageBrowser.h"
#include "app/dialogs/FPhotoFileBrowser.h"
#include "app/dialogs/FTemplateBrowser.h"
#include "app/dialogs/FWaiting.h"
#include "core/USupportUtil.h"
#include "imaging/UJPEGImage.h"
#include "imaging/UPictureEX.h"
#include "imaging/UPictureUtil.h"
#include "pageobjects/engine/UDrawSite.h"
#include "pageobjects/layout/UAINPicList.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULORect.h"
#include "papers/UPaperInfo.h"
#include "platform/ClassRegistry.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"
#include "tests/app/AppTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTimer>
#include <map>

namespace {

std::unique_ptr<TLOAlbumPhoto> Frame(const TRect& r) {
    auto photo = std::make_unique<TLOAlbumPhoto>(nullptr);
    photo->SetLogRect(r);
    return photo;
}

TEST(AlbumReadingOrder, RowsLeftToRightAndEveryFrameOnceWhereTheOrderTurnsBack) {
    // A 2 x 2 grid listed out of order; the top-right frame a little higher than the top-left.
    auto bottomRight = Frame(TRect(200, 300, 300, 400));
    auto topRight = Frame(TRect(200, -20, 300, 80));
    auto bottomLeft = Frame(TRect(0, 300, 100, 400));
    auto topLeft = Frame(TRect(0, 0, 100, 100));
    TDOList list;
    for (TLOAlbumPhoto* p : {bottomRight.get(), topRight.get(), bottomLeft.get(), topLeft.get()})
        list.Add(p);
    EXPECT_EQ(
        AlbumFunc_PhotosInReadingOrder(list),
        (std::vector<TLOAlbumPhoto*>{topLeft.get(), topRight.get(), bottomLeft.get(), bottomRight.get()}));
    EXPECT_EQ(AlbumFunc_NextPhotoInReadingOrder(list, topRight.get(), false), bottomLeft.get());
    EXPECT_EQ(AlbumFunc_NextPhotoInReadingOrder(list, bottomRight.get(), false), nullptr);
    // A second-column frame starting below the first's centre line belongs to the next row.
    auto low = Frame(TRect(200, 60, 300, 160));
    EXPECT_TRUE(AlbumFunc_IsBefore(topLeft.get(), low.get()));
    EXPECT_FALSE(AlbumFunc_IsBefore(low.get(), topLeft.get()));

    // Here each frame comes before the other: the walk must end and still hold both.
    auto a = Frame(TRect(0, 0, 100, 100));
    auto b = Frame(TRect(200, -50, 300, 50));
    ASSERT_TRUE(AlbumFunc_IsBefore(a.get(), b.get()) && AlbumFunc_IsBefore(b.get(), a.get()));
    TDOList cycle;
    cycle.Add(a.get());
    cycle.Add(b.get());
    const std::vector<TLOAlbumPhoto*> order = AlbumFunc_PhotosInReadingOrder(cycle);
    ASSERT_EQ(order.size(), 2u);
    EXPECT_NE(order[0], order[1]);
}

// A JPEG file of width x 8 pixels dated by its Exif block.
void WriteExifJpeg(const QString& path, int width, const QByteArray& date) {
    QImage image(width, 8, QImage::Format_RGB32);
    image.fill(QColor(200, 120, 40));
    TestSupport::WriteFile(path, ExifJpeg(image, date));
}

class AlbumTest : public AppFixture {
protected:
    void SetUp() override {
        RegisterPageClasses();
        main = StartMainWindow();
        ASSERT_NE(main, nullptr);
        editor = OpenLayoutEditor(main);
        ASSERT_NE(editor, nullptr);
        document = main->Document();
        UseFourSlots(*document);
        document->FaceInit = false;
        editor->LoadPage();
    }

    // A photo picture known by its width in pixels.
    TPictureEx* Picture(int tag) {
        auto& picture = pictures[tag];
        if (!picture) {
            QImage image(tag, 8, QImage::Format_RGB32);
            image.fill(QColor(tag, 100, 50));
            const QString path = folder.filePath(QStringLiteral("%1.jpg").arg(tag));
            image.save(path, "JPG");
            picture = std::make_unique<TPictureEx>();
            LoadPictureFile(nullptr, picture.get(), path);
        }
        return picture.get();
    }
    static int Tag(const TLOAlbumPhoto* photo) {
        return AlbumFunc_IsEmptyPhoto(photo) ? 0 : photo->GetPhotoPicture()->Width();
    }
    std::vector<TLOAlbumPhoto*> Frames() { return AlbumFunc_SitePhotosInReadingOrder(*editor->DrawSite1); }
    // The photos of a sheet in reading order, by tag.
    std::vector<int> Tags(int sheet) {
        editor->GoToPage(sheet);
        std::vector<int> tags;
        for (TLOAlbumPhoto* photo : Frames())
            tags.push_back(Tag(photo));
        return tags;
    }
    void FillPage(std::initializer_list<int> tags) {
        std::vector<TLOAlbumPhoto*> frames = Frames();
        size_t i = 0;
        for (int tag : tags)
            frames.at(i++)->SetPhotoPicture(tag ? Picture(tag) : nullptr);
    }
    void Select(int index) {
        editor->DrawSite1->SelectAll(false);
        Frames().at(size_t(index))->SetSelected(true);
    }
    // Two full pages: 10 20 30 40 | 50 60 70 80.
    void TwoFullPages() {
        FillPage({10, 20, 30, 40});
        editor->AddPage();
        FillPage({50, 60, 70, 80});
        editor->GoToPage(2);
    }
    // Every sheet's stored page bytes.
    std::vector<QByteArray> StoredPages() {
        editor->CommitPage();
        const int current = document->CurrentSheetNo();
        std::vector<QByteArray> pages;
        for (int sheet = 0; sheet < document->GetSheetCount(); ++sheet) {
            document->SetCurrentSheetNo(sheet);
            std::unique_ptr<TStream> stream = document->OpenLabelStream(0, false, false);
            pages.push_back(stream ? stream->ReadBytes(stream->GetSize()) : QByteArray());
        }
        document->SetCurrentSheetNo(current);
        return pages;
    }

    QTemporaryDir folder;
    std::map<int, std::unique_ptr<TPictureEx>> pictures;
    TfrmMain* main = nullptr;
    TfrmLayout* editor = nullptr;
    TLabelData* document = nullptr;
};

TEST_F(AlbumTest, InsertIntoAFullAlbumMovesEveryPhotoOnAndAppendsAPageForTheLast) {
    TwoFullPages();
    Select(0);
    editor->PhotoInsert();
    EXPECT_EQ(document->CurrentSheetNo(), 2) << "back on the page it started from";
    ASSERT_EQ(document->GetSheetCount(), 5);
    EXPECT_EQ(Tags(2), (std::vector<int>{0, 10, 20, 30}));
    EXPECT_EQ(Tags(3), (std::vector<int>{40, 50, 60, 70}));
    EXPECT_EQ(Tags(4), (std::vector<int>{80, 0, 0, 0}));
    EXPECT_TRUE(dialogs.boxes.empty());

    // With room on the page only the photos up to the first empty frame move.
    editor->GoToPage(2);
    Select(1);
    TAlbumFuncContext context = editor->MakeAlbumContext();
    ASSERT_TRUE(AlbumFunc_InsertPhoto(context));
    EXPECT_EQ(Tags(2), (std::vector<int>{0, 0, 10, 20}));
    EXPECT_EQ(Tags(3), (std::vector<int>{30, 40, 50, 60}));
    EXPECT_EQ(Tags(4), (std::vector<int>{70, 80, 0, 0}));
}

TEST_F(AlbumTest, AnInsertWhoseAppendFailsPutsEveryPageBackByteForByte) {
    TwoFullPages();
    Select(2);
    const std::vector<QByteArray> before = StoredPages();
    const bool modified = document->Modified();
    TAlbumFuncContext context = editor->MakeAlbumContext();
    context.CopyPageFrames = [](int) { throw Exception(QStringLiteral("disk full")); };
    dialogs.answers = {mrOk};
    EXPECT_FALSE(AlbumFunc_InsertPhoto(context));
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("元に戻しました")));
    EXPECT_TRUE(dialogs.boxes[0].text.contains(QStringLiteral("disk full")));
    EXPECT_EQ(document->GetSheetCount(), 4) << "the appended page went";
    EXPECT_EQ(document->CurrentSheetNo(), 2);
    EXPECT_EQ(document->Modified(), modified);
    EXPECT_EQ(Tags(2), (std::vector<int>{10, 20, 30, 40})) << "the page shown is the stored one";
    EXPECT_EQ(StoredPages(), before);
}

TEST_F(AlbumTest, DeleteMovesLaterPhotosBackOverPagesWithoutFrames) {
    // One side only: no page is mirrored when a page is inserted before it.
    document->FaceSides = fsFront;
    TwoFullPages();
    // A page without frames between the two.
    editor->AddPage();
    for (TLOAlbumPhoto* frame : Frames())
        ReleaseFromOwner(frame);
    editor->DrawSite1->SetModified(true);
    editor->GoToPage(2);
    Select(1);
    editor->PhotoDelete();
    EXPECT_EQ(document->CurrentSheetNo(), 2);
    EXPECT_EQ(Tags(2), (std::vector<int>{10, 30, 40, 50}));
    EXPECT_TRUE(Tags(3).empty());
    EXPECT_EQ(Tags(4), (std::vector<int>{60, 70, 80, 0}));

    // The last frame of the last page: it is left empty.
    editor->GoToPage(4);
    Select(2);
    editor->PhotoDelete();
    EXPECT_EQ(Tags(4), (std::vector<int>{60, 70, 0, 0}));
    EXPECT_EQ(document->GetSheetCount(), 5);
}

TEST_F(AlbumTest, FillPlacesTheSelectedFilesAddingPagesAndStopsOnAPageWithoutFrames) {
    std::vector<int> loaded;
    TAlbumFuncContext context = editor->MakeAlbumContext();
    context.SelectedPhotoCount = [] { return 6; };
    context.LoadSelectedPhoto = [&](TLOAlbumPhoto* photo, int index) {
        loaded.push_back(index);
        photo->SetPhotoPicture(Picture(10 * (index + 1)));
    };
    FillPage({0, 0, 90, 0});
    EXPECT_EQ(AlbumFunc_FillEmptyFrames(context), 6);
    EXPECT_EQ(loaded, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(document->GetSheetCount(), 4);
    EXPECT_EQ(Tags(2), (std::vector<int>{10, 20, 90, 30}));
    EXPECT_EQ(Tags(3), (std::vector<int>{40, 50, 60, 0}));
    EXPECT_TRUE(dialogs.boxes.empty());

    // A page added without frames would be followed by another for ever.
    context.AddPage = [this] {
        editor->CommitPage();
        document->AddSheet();
        document->FaceInit = true;
        editor->LoadPage();
    };
    dialogs.answers = {mrOk};
    EXPECT_EQ(AlbumFunc_FillEmptyFrames(context), 1);
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, NoPhotoFrameMessage());
    EXPECT_EQ(document->GetSheetCount(), 5);
    dialogs.answers = {mrOk};
    EXPECT_EQ(AlbumFunc_FillEmptyFrames(context), 0) << "the frameless page itself";
    EXPECT_EQ(dialogs.boxes.back().text, NoPhotoFrameMessage());
}

TEST_F(AlbumTest, ACoverTakesTheTemplateScaledOntoThePageAndAFaceWithoutAreaIsRefused) {
    FillPage({10, 20, 0, 0});
    editor->CommitPage();
    TOwnedDOList objects;
    objects.Add(Frame(TRect(100, 100, 200, 300)));
    TDOList view;
    objects.ListObjects(view);
    EXPECT_FALSE(AlbumFunc_SetCover(true, *document, view, TRect(50, 50, 50, 500)));
    EXPECT_FALSE(document->FrontCover);
    ASSERT_TRUE(AlbumFunc_SetCover(true, *document, view, TRect(500, 500, 1500, 1900)));
    EXPECT_TRUE(document->FrontCover);
    EXPECT_EQ(document->CurrentSheetNo(), 2);
    editor->GoToPage(0);
    // No frames from the paper's slots join the template's.
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_EQ(Frames()[0]->LogBounds(), TRect(210, 212, 420, 636));

    // The photos for the collage leave the covers out when asked.
    document->SetCurrentSheetNo(0);
    TOwnedDOList coverPhoto;
    coverPhoto.Add(Frame(TRect(0, 0, 300, 300)));
    static_cast<TLOAlbumPhoto*>(coverPhoto[0])->SetPhotoPicture(Picture(30));
    TDOList coverView;
    coverPhoto.ListObjects(coverView);
    document->StoreLabelObjects(0, coverView);
    TAINPicList inner, all;
    ASSERT_TRUE(AlbumFunc_CollectPhotos(inner, *document, editor, true));
    ASSERT_TRUE(AlbumFunc_CollectPhotos(all, *document, editor, false));
    EXPECT_EQ(inner.GetCount(), 2);
    EXPECT_EQ(all.GetCount(), 3);
    EXPECT_EQ(all.SheetOf(0), 0);
}

TEST_F(AlbumTest, BatchAdjustmentWritesTheChosenNumbersBackAndCancelLeavesEveryPage) {
    dialogs.answers = {mrOk};
    editor->actPhotoAdjustAll->trigger();
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("写真が一枚も設定されていません"));

    // Five photos: one on the front cover, then 10 20 | 30 | 40 on three sheets.
    FillPage({10, 20, 0, 0});
    editor->AddPage();
    FillPage({30, 0, 0, 0});
    editor->AddPage();
    FillPage({40, 0, 0, 0});
    editor->GoToPage(2);
    editor->CommitPage();
    TOwnedDOList cover;
    cover.Add(Frame(TRect(0, 0, 300, 300)));
    static_cast<TLOAlbumPhoto*>(cover[0])->SetPhotoPicture(Picture(60));
    const auto coverNumber = [&](const TDOList* store) {
        document->SetCurrentSheetNo(0);
        TOwnedDOList read;
        if (store != nullptr)
            document->StoreLabelObjects(0, *store);
        document->LoadLabelObjects(0, read);
        document->SetCurrentSheetNo(2);
        return read.Count() == 1 ? static_cast<TLOAlbumPhoto*>(read[0])->NormalizeFilter()->FilterNo() : -1;
    };
    TDOList coverView;
    cover.ListObjects(coverView);
    ASSERT_EQ(coverNumber(&coverView), 0);
    const std::vector<QByteArray> before = StoredPages();
    WhenModalOf<TfrmAutoImgNorm>([](TfrmAutoImgNorm* dialog) {
        EXPECT_TRUE(dialog->ScrollBar1->isEnabled());
        EXPECT_EQ(dialog->ScrollBar1->maximum(), 2);
        dialog->ChooseFilterAll(TfrmAutoImgNorm::fnOwn);
        dialog->btnCancel->click();
    });
    editor->actPhotoAdjustAll->trigger();
    EXPECT_EQ(StoredPages(), before);
    EXPECT_EQ(document->CurrentSheetNo(), 2);

    // The fourth photo (on the next sheet) after scrolling; the number survives more scrolling.
    WhenModalOf<TfrmAutoImgNorm>([](TfrmAutoImgNorm* dialog) {
        dialog->ChooseFilter(0, TfrmAutoImgNorm::fnOwn);
        dialog->ScrollBar1->setValue(2);
        EXPECT_EQ(dialog->lbNo[1]->text(), QStringLiteral("No.4"));
        EXPECT_FALSE(dialog->CanApplyNumber(3, TfrmAutoImgNorm::fnExifPrint));
        dialog->ChooseFilterAll(TfrmAutoImgNorm::fnExifPrint);
        EXPECT_EQ(dialog->Number(3), 0);
        dialog->ChooseFilter(1, TfrmAutoImgNorm::fnOwn);
        EXPECT_EQ(dialog->lblConv[1]->text(), QStringLiteral("Quorlane補整"));
        dialog->ScrollBar1->setValue(0);
        dialog->ScrollBar1->setValue(1);
        EXPECT_EQ(dialog->Number(3), 1);
        EXPECT_EQ(dialog->lblConv[2]->text(), QStringLiteral("Quorlane補整"));
        dialog->btnOK->click();
    });
    editor->actPhotoAdjustAll->trigger();
    EXPECT_EQ(document->CurrentSheetNo(), 2);
    EXPECT_EQ(coverNumber(nullptr), 1);
    editor->GoToPage(3);
    std::vector<int> numbers;
    for (TLOAlbumPhoto* photo : Frames())
        numbers.push_back(photo->NormalizeFilter()->FilterNo());
    std::sort(numbers.begin(), numbers.end());
    EXPECT_EQ(numbers, (std::vector<int>{0, 0, 0, 1}));
    editor->GoToPage(2);
    for (TLOAlbumPhoto* photo : Frames())
        EXPECT_EQ(photo->NormalizeFilter()->FilterNo(), 0);

    // Aborted while the photos are collected: no window, no message, every page and the sheet kept.
    const std::vector<QByteArray> kept = StoredPages();
    dialogs.boxes.clear();
    dialogs.answers = {mrOk};
    QTimer pressAbort;
    QObject::connect(&pressAbort, &QTimer::timeout, [&pressAbort] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* waiting = qobject_cast<TfrmWaitingText*>(window); waiting && waiting->btnAbort->isEnabled()) {
                pressAbort.stop();
                waiting->btnAbort->click();
            }
    });
    pressAbort.start(0);
    editor->actPhotoAdjustAll->trigger();
    ASSERT_FALSE(pressAbort.isActive()) << "the popup was not seen";
    ASSERT_EQ(dialogs.boxes.size(), 1u);
    EXPECT_EQ(dialogs.boxes[0].text, QStringLiteral("処理を中断しますか？"));
    EXPECT_EQ(document->CurrentSheetNo(), 2);
    EXPECT_EQ(StoredPages(), kept);
}

TEST_F(AlbumTest, ThePhotoPanelFillsFramesOverNewPagesInFileOrderAndMakesACoverPhoto) {
    auto* panel = dynamic_cast<TfrmAMPhoto*>(editor->EditPanel());
    ASSERT_NE(panel, nullptr);
    QDir().mkpath(folder.filePath(QStringLiteral("Photos")));
    for (int i = 0; i < 10; ++i)
        WriteExifJpeg(folder.filePath(QStringLiteral("Photos/p%1.jpg").arg(i, 2, 10, QLatin1Char('0'))),
                      10 * (i + 1),
                      QStringLiteral("2020:01:%1 10:00:00").arg(i + 1, 2, 10, QLatin1Char('0')).toLatin1());
    panel->PhotoBrowser()->FillFromFolder(folder.filePath(QStringLiteral("Photos")));
    panel->PhotoBrowser()->Browser()->SelectAll(true);
    editor->UpdateActions();
    editor->EditPanelIdle();
    ASSERT_TRUE(panel->btnSetPhotoMulti->isEnabled());
    panel->btnSetPhotoMulti->click();
    ASSERT_EQ(document->GetSheetCount(), 5);
    EXPECT_EQ(Tags(2), (std::vector<int>{10, 20, 30, 40}));
    EXPECT_EQ(Tags(3), (std::vector<int>{50, 60, 70, 80}));
    EXPECT_EQ(Tags(4), (std::vector<int>{90, 100, 0, 0}));
    auto* jpeg = dynamic_cast<TJPEGGraphic*>(Frames()[1]->GetPhotoPicture()->Graphic());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_TRUE(jpeg->Data().contains("2020:01:10 10:00:00")) << "the file's Exif date goes with it";
    EXPECT_TRUE(dialogs.boxes.empty());

    // The shipped album cover: the collage of a folder goes into its photo's place.
    const QString shipped = QStringLiteral(QUORLANE_EXE_DIR "/Data/Cover");
    QDirIterator files(shipped, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString from = files.next();
        const QString to = ExeDir() + QStringLiteral("/Data/Cover") + from.mid(shipped.size());
        QDir().mkpath(QFileInfo(to).path());
        ASSERT_TRUE(QFile::copy(from, to));
    }
    WhenModal([](QWidget* window) {
        auto* covers = qobject_cast<TfrmCoverTemplate*>(window);
        ASSERT_NE(covers, nullptr);
        covers->TemplateBrowser()->edtImageID->setText(QStringLiteral("TA01"));
        covers->TemplateBrowser()->btnImageID->click();
        covers->actOK->trigger();
        if (covers->isVisible())
            covers->reject();
    });
    editor->actCoverFront->trigger();
    ASSERT_TRUE(document->FrontCover);
    ASSERT_EQ(document->CurrentSheetNo(), 0);
    ASSERT_EQ(Frames().size(), 1u);
    EXPECT_TRUE(AlbumFunc_IsEmptyPhoto(Frames()[0]));
    editor->UpdateActions();
    EXPECT_FALSE(editor->actCoverPhoto->isEnabled()) << "no photo selected";
    Select(0);
    editor->UpdateActions();
    ASSERT_TRUE(editor->actCoverPhoto->isEnabled());
    dialogs.files = {folder.filePath(QStringLiteral("Photos"))};
    WhenModal([](QWidget* window) {
        auto* collage = qobject_cast<TfrmCoverPicture*>(window);
        ASSERT_NE(collage, nullptr);
        collage->btnFromFolder->click();
        collage->btnOK->click();
    });
    editor->actCoverPhoto->trigger();
    EXPECT_EQ(document->CurrentSheetNo(), 0);
    EXPECT_EQ(Tag(Frames().at(0)), TfrmCoverPicture::kOutputWidth);
}

} // namespace
