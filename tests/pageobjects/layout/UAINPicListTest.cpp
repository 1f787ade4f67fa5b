#include "pageobjects/layout/UAINPicList.h"

#include "LayoutTestSupport.h"
#include "core/UPhasedProgress.h"
#include "imaging/USafetyBitmap.h"
#include "pageobjects/layout/ULOAlbumPhoto.h"
#include "pageobjects/layout/ULORect.h"
#include "pageobjects/layout/ULabelSheets.h"
#include "platform/Stream.h"

#include <QFile>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// A document of sheets held as stored object lists (bottom object first, as documents store
// them), counting what the photo list does to it.
class TFakeSheets : public TLabelSheets {
public:
    std::vector<QByteArray> sheets;
    std::vector<int> stored;
    int current = 0;

    int GetSheetCount() const override { return int(sheets.size()); }
    int CurrentSheetNo() const override { return current; }
    void SetCurrentSheetNo(int index) override { current = index; }
    void LoadLabelObjects(int index, TOwnedDOList& list) override {
        EXPECT_EQ(index, 0);
        TMemoryStream stream(sheets.at(size_t(current)));
        TOwnedDOList read;
        read.LoadFromStream(stream);
        for (auto& object : read.TakeAll())
            list.Add(std::move(object));
    }
    void StoreLabelObjects(int index, const TDOList& list) override {
        EXPECT_EQ(index, 0);
        TDOList bottomFirst;
        for (int i = list.Count() - 1; i >= 0; --i)
            bottomFirst.Add(list.Items(i));
        TMemoryStream stream;
        bottomFirst.SaveToStream(stream);
        sheets.at(size_t(current)) = stream.Data();
        stored.push_back(current);
    }
    TOwnedDOList Objects(int sheet) {
        const int keep = current;
        current = sheet;
        TOwnedDOList list;
        LoadLabelObjects(0, list);
        current = keep;
        return list;
    }
};

// A photo of w x h pixels (none with w 0) with a frame, filter number 0.
std::unique_ptr<TDrawObject> Photo(int w, int h) {
    auto photo = std::make_unique<TLOAlbumPhoto>(nullptr);
    photo->SetLogRect(TRect(0, 0, 400, 300));
    if (w > 0) {
        TSafetyBitmap bitmap(w, h, pf24bit);
        photo->PhotoImageObj()->Picture()->SetGraphic(&bitmap);
        photo->FramePicture()->SetGraphic(&bitmap);
    }
    return photo;
}

QByteArray Sheet(std::vector<std::unique_ptr<TDrawObject>> objects) {
    TOwnedDOList list;
    for (auto& object : objects)
        list.Add(std::move(object));
    TMemoryStream stream;
    list.SaveToStream(stream);
    return stream.Data();
}

std::vector<std::unique_ptr<TDrawObject>> Objects(std::unique_ptr<TDrawObject> a,
                                                  std::unique_ptr<TDrawObject> b = {},
                                                  std::unique_ptr<TDrawObject> c = {}) {
    std::vector<std::unique_ptr<TDrawObject>> list;
    for (auto* p : {&a, &b, &c})
        if (*p)
            list.push_back(std::move(*p));
    return list;
}

class TCountingProgress : public TPhasedProgressBase {
public:
    int shown = 0;

protected:
    void ShowPosition(int32_t) override { ++shown; }
    void ShowRange(int32_t, int32_t, int32_t) override {}
};

class PhotoListTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterLayoutTestClasses();
        // Two cover sheets, then: rect + photo + empty photo; nothing; photo + photo.
        doc.sheets = {Sheet(Objects(Photo(8, 6))), Sheet(Objects(Photo(8, 6))),
                      Sheet(Objects(std::make_unique<TLORect>(nullptr), Photo(40, 30), Photo(0, 0))),
                      Sheet({}), Sheet(Objects(Photo(20, 10), Photo(10, 20)))};
    }
    TFakeSheets doc;
};

} // namespace

TEST_F(PhotoListTest, PhotosWaitInTemporaryFilesThatGoWithTheList) {
    auto list = std::make_unique<TAINPicList>();
    TCountingProgress progress;
    ASSERT_TRUE(list->LoadPhotos(&doc, &progress, true));
    EXPECT_EQ(progress.Level(), 0) << "the phase is closed";
    EXPECT_EQ(progress.shown, 3);
    ASSERT_EQ(list->GetCount(), 3);
    EXPECT_EQ((std::vector<int>{list->SheetOf(0), list->SheetOf(1), list->SheetOf(2)}),
              (std::vector<int>{2, 4, 4}));
    EXPECT_EQ((std::vector<int>{list->ObjectIndexOf(0), list->ObjectIndexOf(1), list->ObjectIndexOf(2)}),
              (std::vector<int>{1, 0, 1}));
    QStringList files;
    for (int i = 0; i < 3; ++i) {
        files << list->DrawnFile(i) << list->ResultFile(i);
        EXPECT_TRUE(list->GetImageData(i)->Picture()->Graphic() == nullptr)
            << "the picture waits in its file";
    }
    for (const QString& file : files)
        EXPECT_TRUE(QFile::exists(file)) << file.toStdString();
    EXPECT_EQ(list->GetResultPicture(0)->Width(), 40);
    EXPECT_EQ(list->GetSourcePicture(2)->Height(), 20);

    QFile::remove(list->DrawnFile(1));
    EXPECT_EQ(list->GetSourcePicture(1), list->GetImageData(1)->Picture())
        << "without its file, the photo's own";

    list.reset();
    for (const QString& file : files)
        EXPECT_FALSE(QFile::exists(file)) << file.toStdString();
}

TEST_F(PhotoListTest, OnlySheetsWithChangedPhotosAreWrittenOncePerRun) {
    TAINPicList list;
    ASSERT_TRUE(list.LoadPhotos(&doc, nullptr, false));
    ASSERT_EQ(list.GetCount(), 5);
    const QByteArray untouched = doc.sheets[0];
    list.SetFilterNo(1, 0); // as it was: not changed
    list.SetFilterNo(3, 1);
    list.SetFilterNo(4, 2);
    list.SetFilterNo(4, 2); // asked again: still to be written
    EXPECT_FALSE(list.Changed(1));
    EXPECT_TRUE(list.Changed(4));
    EXPECT_EQ(list.GetFilterNo(4), 2);

    list.SaveFilterNos(nullptr);
    EXPECT_EQ(doc.stored, std::vector<int>{4});
    EXPECT_EQ(doc.sheets[0], untouched);
    TOwnedDOList sheet = doc.Objects(4);
    ASSERT_EQ(sheet.Count(), 2);
    auto* first = dynamic_cast<TLOAlbumPhoto*>(sheet.Items(0));
    auto* second = dynamic_cast<TLOAlbumPhoto*>(sheet.Items(1));
    ASSERT_TRUE(first != nullptr && second != nullptr);
    EXPECT_EQ(first->NormalizeFilter()->FilterNo(), 1);
    EXPECT_EQ(second->NormalizeFilter()->FilterNo(), 2);
    EXPECT_EQ(first->PhotoImageObj()->Picture()->Width(), 20)
        << "the stored photo keeps its picture and order";

    // Photos stay changed: the next run writes sheets 0, 2 and 4, each once.
    list.SetFilterNo(2, 1);
    list.SetFilterNo(0, 1);
    list.SaveFilterNos(nullptr);
    EXPECT_EQ(doc.stored, (std::vector<int>{4, 0, 2, 4}));
}

TEST_F(PhotoListTest, ReducingRandomlyDeletesTheFilesOfWhatGoes) {
    std::vector<std::unique_ptr<TDrawObject>> many;
    for (int i = 0; i < 25; ++i)
        many.push_back(Photo(4 + i, 4));
    doc.sheets = {Sheet(std::move(many))};
    TAINPicList list;
    ASSERT_TRUE(list.LoadPhotos(&doc, nullptr, false));
    ASSERT_EQ(list.GetCount(), 25);
    QStringList files;
    for (int i = 0; i < 25; ++i)
        files << list.DrawnFile(i) << list.ResultFile(i);
    QRandomGenerator random(42);
    list.ReduceRandomly(10, random);
    ASSERT_EQ(list.GetCount(), 10);
    int left = 0;
    for (const QString& file : files)
        left += QFile::exists(file) ? 1 : 0;
    EXPECT_EQ(left, 20);
    for (int i = 0; i < 10; ++i)
        EXPECT_TRUE(QFile::exists(list.DrawnFile(i)) && QFile::exists(list.ResultFile(i)));
}

TEST_F(PhotoListTest, ALoadSurvivesItsWindowClosing) {
    auto* list = new TAINPicList;
    TCountingProgress progress;
    QTimer::singleShot(0, [&list] {
        delete list;
        list = nullptr;
    });
    EXPECT_FALSE(list->LoadPhotos(&doc, &progress, false));
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(progress.shown, 1) << "nothing more after the window went";
}

TEST_F(PhotoListTest, AnAbortedLoadLeavesNoEntriesNoFilesAndTheStartingSheet) {
    TAINPicList list;
    TCountingProgress progress;
    doc.current = 3;
    QStringList files;
    // Asked after each sheet: the third sheet (index 2) holds a photo, the abort comes after it.
    int asked = 0;
    const auto aborted = [&] {
        for (int i = 0; i < list.GetCount(); ++i)
            files << list.DrawnFile(i) << list.ResultFile(i);
        return ++asked == 3;
    };
    EXPECT_FALSE(list.LoadPhotos(&doc, &progress, false, aborted));
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(doc.current, 3);
    EXPECT_EQ(progress.Level(), 0);
    EXPECT_TRUE(doc.stored.empty());
    ASSERT_FALSE(files.isEmpty());
    for (const QString& file : files)
        EXPECT_FALSE(QFile::exists(file)) << file.toStdString();
}

TEST_F(PhotoListTest, PagePhotosAreAdjustedInPlace) {
    TOwnedDOList owned = doc.Objects(4);
    TDOList page;
    owned.ListObjects(page);
    TAINObjectList list;
    EXPECT_EQ(list.GetCount(), 0);
    list.SetList(&page);
    ASSERT_EQ(list.GetCount(), 2);
    list.SetFilterNo(1, 2);
    EXPECT_EQ(static_cast<TLOAlbumPhoto*>(page[1])->NormalizeFilter()->FilterNo(), 2);
    EXPECT_EQ(list.GetFilterNo(1), 2);
    EXPECT_EQ(list.GetResultPicture(0), static_cast<TLOAlbumPhoto*>(page[0])->GetPhotoPicture());
    EXPECT_EQ(list.GetImageData(0), static_cast<TLOAlbumPhoto*>(page[0])->PhotoImageObj());
    EXPECT_EQ(list.GetSourcePicture(1)->Width(), 10);
}
