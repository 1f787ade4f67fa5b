#include "imaging/UImageCache.h"

#include "imaging/UImageLoadThread.h"
#include "imaging/UImagePack.h"
#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/CompoundFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>
#include <utime.h>

namespace {

void Touch(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void FillItem(TImageCacheItem& item, int width, int seed) {
    TSafetyBitmap b(width, 4, pf24bit);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < width * 3; ++x)
            b.ScanLine(y)[x] = uint8_t(x * 7 + y + seed);
    item.Picture()->SetGraphic(&b);
}

QByteArray PixelsOf(const TImageCacheItem& item) {
    auto* b = dynamic_cast<TBitmap*>(item.Picture()->Graphic());
    return b ? QByteArray(reinterpret_cast<const char*>(b->Pixels().ConstBits()), b->Pixels().ByteCount())
             : QByteArray();
}

} // namespace

TEST(ImageCacheTest, KeysKeepDifferentNamesApart) {
    const QString longName = QString(40, u'a') + ".jpg";
    const QStringList names = {
        "/p/a.jpg",
        "/p/A.jpg",
        "/p/a:b.jpg",
        "/p/a?0b.jpg",
        "/p/a!b.jpg",
        "/p/a*b.jpg",
        "/p/a?b.jpg",
        "/p/a??b.jpg",
        "/p/a\\b.jpg",
        "/p/a?1b.jpg",
        "/P/a.jpg",
        "/p/é.jpg",
        "/p/É.jpg",
        "/p/ı.jpg",
        "/p/i.jpg",
        "/p/" + longName,
        "/p/" + longName + "x",
        "/p/" + QString(31, u'b'),
        "/p/" + QString(32, u'b'),
        "/p/" + QString(31, u'B'),
        "/p/写真.jpg",
    };
    QSet<QString> folded;
    for (const QString& name : names) {
        const QString key = ImageCacheKey(name);
        ASSERT_FALSE(key.isEmpty()) << name.toStdString();
        for (const QString& element : key.split(u'\\')) {
            EXPECT_LE(element.size(), 31) << key.toStdString();
            EXPECT_FALSE(element.contains(u':') || element.contains(u'!') || element.contains(u'/'));
        }
        // The file compares upper-cased: keys must still differ so.
        EXPECT_FALSE(folded.contains(key.toUpper())) << name.toStdString();
        folded.insert(key.toUpper());
    }
    EXPECT_EQ(ImageCacheKey("/p/a.jpg"), "p\\a.jpg");
    EXPECT_EQ(ImageCacheKey("/p/" + QString(31, u'b')), "p\\" + QString(31, u'b'));
    EXPECT_EQ(LegacyImageCacheKey("a!b.jpg"), "a*b.jpg");
    EXPECT_TRUE(ImageCacheKey(QString("/a").repeated(65)).isEmpty());
}

TEST(ImageCacheTest, EntriesRoundTripAndGoStaleWithTheirSource) {
    QTemporaryDir dir;
    const QString source = dir.filePath("Photo:1!.jpg");
    Touch(source, "some bytes");
    TImageCacheStorage cache;
    cache.Open(dir.filePath("cache.ic"), false);
    ASSERT_TRUE(cache.IsOpen());
    TImageCacheItem item;
    ASSERT_TRUE(item.SetSourceFile(source));
    EXPECT_EQ(item.Size(), 10u);
    FillItem(item, 5, 1);
    EXPECT_TRUE(item.IsValidFor(source));
    ASSERT_TRUE(cache.SaveItem(source, item));

    TImageCacheItem back;
    EXPECT_FALSE(cache.LoadItem(dir.filePath("other.jpg"), back));
    ASSERT_TRUE(cache.LoadItem(source, back));
    EXPECT_EQ(back.Time(), item.Time());
    EXPECT_EQ(PixelsOf(back), PixelsOf(item));
    EXPECT_TRUE(back.IsValidFor(source));
    // Same size, other write time.
    struct utimbuf times {
        100000, 100000
    };
    ASSERT_EQ(::utime(QFile::encodeName(source).constData(), &times), 0);
    EXPECT_FALSE(back.IsValidFor(source));
    EXPECT_FALSE(back.SetSourceFile(dir.filePath("missing.jpg")));
}

TEST(ImageCacheTest, DamageIsSetAsideNeverFatal) {
    QTemporaryDir dir;
    const QString file = dir.filePath("cache.ic");
    Touch(file, QByteArray(3000, 'x'));
    TImageCacheItem item;
    FillItem(item, 3, 2);

    TImageCacheStorage readOnly;
    readOnly.Open(file, true);
    EXPECT_FALSE(readOnly.IsOpen());
    EXPECT_FALSE(readOnly.LoadItem("/a.jpg", item));
    readOnly.Open(dir.filePath("missing.ic"), true);
    EXPECT_FALSE(readOnly.SaveItem("/a.jpg", item));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing.ic")));

    TImageCacheStorage cache;
    cache.Open(file, false);
    EXPECT_TRUE(QFileInfo::exists(file + ".damaged"));
    EXPECT_EQ(QFileInfo(file + ".damaged").size(), 3000);
    ASSERT_TRUE(cache.SaveItem("/p/a.jpg", item));
    ASSERT_TRUE(cache.SaveItem("/p/b.jpg", item));

    // A damaged entry reads as a miss and goes.
    cache.Close();
    {
        auto root = StgOpenStorage(file, STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
        auto p = root->OpenStorage("p", STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
        auto s = p->CreateStream("a.jpg", STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
        const char junk[] = {0, 0, 0, 0, 1, 2};
        s->Write(junk, sizeof junk);
        root->Commit();
    }
    cache.Open(file, false);
    TImageCacheItem back;
    EXPECT_FALSE(cache.LoadItem("/p/a.jpg", back));
    EXPECT_TRUE(cache.LoadItem("/p/b.jpg", back));
    cache.Close();
    auto root = StgOpenStorage(file, STGM_READ | STGM_SHARE_DENY_WRITE);
    auto p = root->OpenStorage("p", STGM_READ | STGM_SHARE_EXCLUSIVE);
    EXPECT_EQ(p->EnumElements().size(), 1u);
}

TEST(ImageCacheTest, ShrinkPurgesInOrderAndCompacts) {
    QTemporaryDir dir;
    const QString file = dir.filePath("cache.ic");
    TImageCacheStorage cache;
    cache.Open(file, false);
    TImageCacheItem item;
    FillItem(item, 300, 3); // about 3.6 kB an entry
    for (int i = 0; i < 900; ++i)
        ASSERT_TRUE(cache.SaveItem(QStringLiteral("/d%1/f%2.jpg").arg(i % 3).arg(i), item));
    const int64_t before = QFileInfo(file).size();
    ASSERT_GT(before, 3 * TImageCacheStorage::kBytesPerMB);
    cache.Shrink(TImageCacheStorage::kUnlimited);
    EXPECT_EQ(QFileInfo(file).size(), before);

    cache.Shrink(1);
    const int64_t after = QFileInfo(file).size();
    EXPECT_LT(after, before - 2 * TImageCacheStorage::kBytesPerMB);
    EXPECT_FALSE(QFileInfo::exists(file + "$"));
    TImageCacheItem back;
    // The first storage in the file's order went first.
    EXPECT_FALSE(cache.LoadItem("/d0/f0.jpg", back));
    EXPECT_TRUE(cache.LoadItem("/d2/f899.jpg", back));
    EXPECT_LT(after, TImageCacheStorage::kBytesPerMB);
    EXPECT_TRUE(cache.SaveItem("/new.jpg", item));

    cache.Close();
    const int64_t grown = QFileInfo(file).size();
    TImageCacheStorage readOnly;
    readOnly.Open(file, true);
    readOnly.Shrink(0);
    EXPECT_EQ(QFileInfo(file).size(), grown);
    EXPECT_TRUE(readOnly.LoadItem("/new.jpg", back));
}

namespace {

// Makes thumbnails of files through the shared cache, as the preview loader does.
class TCachedThumbPack : public TCustomImagePack {
public:
    TCachedThumbPack(TImageCacheStorage& cache, QStringList files)
        : TCustomImagePack(nullptr), cache_(cache), files_(std::move(files)) {
        OnGetCount = [this](TObject*, int& count) { count = int(files_.size()); };
        OnGetImage = [this](TObject*, TPictureEx& picture, int index) {
            TImageCacheItem item;
            const QString& file = files_[index];
            if (!cache_.LoadItem(file, item) || !item.IsValidFor(file)) {
                item.SetSourceFile(file);
                FillItem(item, 8 + index % 5, index);
                cache_.SaveItem(file, item);
            }
            picture.Assign(item.Picture());
        };
    }

private:
    TImageCacheStorage& cache_;
    QStringList files_;
};

} // namespace

TEST(ImageCacheTest, TwoLoadersAndTheUIThreadShareOneCache) {
    QTemporaryDir dir;
    QStringList files;
    for (int i = 0; i < 40; ++i) {
        files << dir.filePath(QStringLiteral("Photo %1.JPG").arg(i));
        Touch(files.last(), QByteArray::number(i));
    }
    const QString file = dir.filePath("cache.ic");
    TImageCacheStorage cache;
    cache.Open(file, false);
    TCachedThumbPack packA(cache, files), packB(cache, files);
    TImageLoadThread a, b;
    a.SetPack(&packA);
    b.SetPack(&packB);
    for (int i = 0; i < 40; ++i) {
        a.Request(i);
        b.Request(39 - i);
    }
    TImageCacheItem item;
    int taken = 0;
    QElapsedTimer timer;
    timer.start();
    for (int round = 0; taken < 80 && timer.elapsed() < 60000; ++round) {
        cache.LoadItem(files[round % 40], item);
        if (round % 50 == 0)
            cache.Shrink(TImageCacheStorage::kUnlimited);
        TPictureEx p;
        while (a.TakeLoaded(p) >= 0 || b.TakeLoaded(p) >= 0)
            ++taken;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(taken, 80);
    a.Clear();
    b.Clear();
    cache.Close();

    QProcess python;
    python.start(
        "/usr/bin/python3",
        {"-c",
         "import olefile,sys; o=olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT);"
         "print(sum(1 for p in o.listdir() if o.get_type(p)==olefile.STGTY_STREAM))",
         file});
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    EXPECT_EQ(python.readAllStandardOutput().trimmed(), "40");
}

TEST(ImageCacheTest, ReadsACacheWrittenFromTheFormatAlone) {
    TImageCacheStorage cache;
    cache.Open(QStringLiteral(QUORLANE_SOURCE_DIR "/fuzz/imagecache/corpus/valid"), true);
    TImageCacheItem item;
    ASSERT_TRUE(cache.LoadItem("/p/a.jpg", item));
    EXPECT_EQ(item.Size(), 1234u);
    EXPECT_EQ(item.Picture()->Width(), 3);
    ASSERT_TRUE(cache.LoadItem("a.jpg", item));
    EXPECT_FALSE(cache.LoadItem("/p/c.jpg", item));
}

TEST(ImageCacheTest, ACacheLeftMidChangeIsSetAside) {
    QTemporaryDir dir;
    const QString file = dir.filePath("cache.ic");
    TImageCacheItem item;
    FillItem(item, 3, 4);
    {
        TImageCacheStorage cache;
        cache.Open(file, false);
        ASSERT_TRUE(cache.SaveItem("/p/a.jpg", item));
    }
    // The mark a killed writer leaves: nobody holds it.
    Touch(file + ".changing", QByteArray());
    TImageCacheStorage cache;
    cache.Open(file, false);
    EXPECT_TRUE(QFileInfo::exists(file + ".damaged"));
    TImageCacheItem back;
    EXPECT_FALSE(cache.LoadItem("/p/a.jpg", back));
    EXPECT_TRUE(cache.SaveItem("/p/a.jpg", item));
    EXPECT_TRUE(cache.LoadItem("/p/a.jpg", back));
}

TEST(ImageCacheTest, FailedCompactionKeepsTheCacheInUse) {
    QTemporaryDir dir;
    const QString file = dir.filePath("cache.ic");
    TImageCacheStorage cache;
    cache.Open(file, false);
    TImageCacheItem item;
    FillItem(item, 300, 5);
    for (int i = 0; i < 20; ++i)
        ASSERT_TRUE(cache.SaveItem(QStringLiteral("/d/f%1.jpg").arg(i), item));
    // The copy cannot be made where it would go.
    ASSERT_TRUE(QDir(dir.path()).mkdir("cache.ic$"));
    cache.Shrink(0);
    EXPECT_TRUE(cache.IsOpen());
    TImageCacheItem back;
    EXPECT_FALSE(cache.LoadItem("/d/f0.jpg", back));
    cache.Shrink(TImageCacheStorage::kUnlimited);
    EXPECT_TRUE(cache.SaveItem("/d/f0.jpg", item));
    EXPECT_TRUE(cache.LoadItem("/d/f0.jpg", back));
}
