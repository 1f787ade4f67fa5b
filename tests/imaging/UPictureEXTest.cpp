#include "imaging/UPictureEX.h"
#include "imaging/UGIFImage.h"
#include "imaging/UPNGImage.h"
#include "imaging/UResStream.h"
#include "imaging/USafetyBitmap.h"
#include "imaging/UZLIB.h"
#include "platform/Canvas.h"
#include "platform/Dib.h"
#include "platform/Filer.h"
#include "platform/Icon.h"
#include "platform/Metafile.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QMimeData>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using TestSupport::Hex;

namespace {

std::unique_ptr<TSafetyBitmap> Bitmap(TColor color, int w = 3, int h = 2) {
    auto b = std::make_unique<TSafetyBitmap>(w, h, pf24bit);
    b->Canvas().FillSolid(TRect(0, 0, w, h), color);
    b->Canvas().FillSolid(TRect(0, 0, 1, 1), clWhite);
    return b;
}

QByteArray JpegBytes() {
    TJPEGImage jpeg;
    jpeg.Assign(*Bitmap(clBlue, 16, 8));
    QByteArray data = jpeg.Data();
    data.insert(2, QByteArray("\xff\xfe\x00\x06note", 8)); // a comment only the original keeps
    return data;
}

QImage Colours() {
    QImage image(2, 2, QImage::Format_ARGB32);
    image.fill(qRgba(0, 128, 255, 255));
    image.setPixel(1, 1, qRgba(0, 0, 0, 0));
    return image;
}

QByteArray IconBytes() {
    TMemoryStream s;
    for (uint16_t v : {0, 1, 1})
        s.WriteUInt16(v);
    s.WriteBytes(Hex("01 01 00 00 0100 2000 30000000 16000000"));
    s.WriteBytes(
        Hex("28000000 01000000 02000000 0100 2000 00000000 00000000 00000000 00000000 00000000 00000000"));
    s.WriteBytes(Hex("3040 50ff 00000000"));
    return s.Data();
}

// One picture of every registered kind the system stores.
std::vector<std::unique_ptr<TPictureEx>> EveryKind() {
    std::vector<std::unique_ptr<TPictureEx>> all;
    auto add = [&](std::unique_ptr<TGraphic> g) {
        auto p = std::make_unique<TPictureEx>();
        p->TakeGraphic(std::move(g));
        all.push_back(std::move(p));
    };
    add(Bitmap(clRed));
    auto jpeg = std::make_unique<TJPEGImage>();
    jpeg->SetData(JpegBytes());
    add(std::move(jpeg));
    auto png = std::make_unique<TPNGImage>();
    png->SetImage(Colours());
    add(std::move(png));
    auto gif = std::make_unique<TGIFImage>();
    gif->SetImage(Colours());
    add(std::move(gif));
    auto icon = std::make_unique<TIcon>();
    TMemoryStream iconStream(IconBytes());
    icon->LoadFromStream(iconStream);
    add(std::move(icon));
    auto meta = std::make_unique<TMetafile>();
    {
        TMetafileCanvas canvas(*meta);
        canvas.FillSolid(TRect(0, 0, 4, 4), clGreen);
    }
    add(std::move(meta));
    return all;
}

QByteArray Stored(TPictureEx& p) {
    TMemoryStream s;
    p.SaveToStream(s);
    return s.Data();
}

QByteArray ResEntry(const TResName& type, const QString& name, const QByteArray& data) {
    TMemoryStream f;
    if (type.IsOrdinal()) {
        f.WriteUInt16(0xFFFF);
        f.WriteUInt16(type.Ordinal());
    } else {
        for (QChar c : type.Text())
            f.WriteUInt16(c.unicode());
        f.WriteUInt16(0);
    }
    for (QChar c : name)
        f.WriteUInt16(c.unicode());
    f.WriteUInt16(0);
    while (f.GetSize() % 4)
        f.WriteByte(0);
    f.WriteBytes(QByteArray(16, '\0'));
    TMemoryStream s;
    s.WriteUInt32(uint32_t(data.size()));
    s.WriteUInt32(uint32_t(8 + f.GetSize()));
    s.WriteBytes(f.Data());
    s.WriteBytes(data);
    while (s.GetSize() % 4)
        s.WriteByte(0);
    return s.Data();
}

} // namespace

TEST(PictureEx, EmptyPictureIsOneZeroByte) {
    TPictureEx p;
    EXPECT_EQ(Stored(p), Hex("00"));
    p.TakeGraphic(Bitmap(clRed));
    TMemoryStream s(Hex("00"));
    p.LoadFromStream(s);
    EXPECT_EQ(p.Graphic(), nullptr);
}

TEST(PictureEx, EveryFormatRoundTripsThroughTheStoredForm) {
    for (auto& picture : EveryKind()) {
        const char* name = picture->Graphic()->ClassName();
        const QByteArray first = Stored(*picture);
        ASSERT_EQ(first.at(0), char(qstrlen(name))) << name;
        EXPECT_EQ(first.mid(1, first.at(0)), QByteArray(name));
        TMemoryStream s(first + QByteArray("after"));
        TPictureEx back;
        back.LoadFromStream(s);
        ASSERT_NE(back.Graphic(), nullptr) << name;
        EXPECT_STREQ(back.Graphic()->ClassName(), name);
        EXPECT_EQ(back.Width(), picture->Width()) << name;
        EXPECT_EQ(Stored(back), first) << name;
        EXPECT_EQ(s.ReadBytes(5), QByteArray("after")) << name;
    }
}

TEST(PictureEx, StoredJpegKeepsItsOriginalBytes) {
    TPictureEx p;
    GetSafetyJPEG(p).SetData(JpegBytes());
    TMemoryStream s;
    p.SaveToStream(s);
    s.SetPosition(0);
    TPictureEx back;
    back.LoadFromStream(s);
    auto* jpeg = dynamic_cast<TJPEGGraphic*>(back.Graphic());
    ASSERT_NE(jpeg, nullptr);
    EXPECT_EQ(jpeg->Data(), JpegBytes());
}

TEST(PictureEx, EveryFormatRoundTripsThroughFiles) {
    QTemporaryDir dir;
    const char* extensions[] = {"bmp", "jpg", "png", "gif", "ico", "emf"};
    auto all = EveryKind();
    for (size_t i = 0; i < all.size(); ++i) {
        const QString path = dir.filePath(QStringLiteral("file.") + QLatin1String(extensions[i]));
        all[i]->SaveToFile(path);
        TPictureEx back;
        back.LoadFromFile(path);
        ASSERT_NE(back.Graphic(), nullptr) << extensions[i];
        EXPECT_EQ(back.Width(), all[i]->Width()) << extensions[i];
        EXPECT_EQ(Stored(back).mid(back.Graphic() ? 1 + qstrlen(back.Graphic()->ClassName()) : 0),
                  Stored(*all[i]).mid(1 + qstrlen(all[i]->Graphic()->ClassName())))
            << extensions[i];
    }
    // The JPEG extensions give the system's JPEG class.
    TPictureEx jpeg;
    jpeg.LoadFromFile(dir.filePath(QStringLiteral("file.jpg")));
    EXPECT_STREQ(jpeg.Graphic()->ClassName(), "TSafetyJPEGImage");
}

TEST(PictureEx, DamagedStoredPictureKeepsTheFormerGraphic) {
    TPictureEx p;
    p.TakeGraphic(Bitmap(clRed));
    TGraphic* before = p.Graphic();
    TMemoryStream badJpeg(Hex("0a") + "TJPEGImage" + Hex("04000000") + "junk");
    EXPECT_THROW(p.LoadFromStream(badJpeg), EInvalidGraphic);
    TMemoryStream shortBitmap(Hex("0d") + "TSafetyBitmap" + Hex("10000000") + "BM");
    EXPECT_THROW(p.LoadFromStream(shortBitmap), EInvalidGraphic);
    EXPECT_EQ(p.Graphic(), before);
}

TEST(PictureEx, AssignReusesGraphicsOfOneClassButReplacesJpegs) {
    TPictureEx a, b;
    a.TakeGraphic(Bitmap(clRed));
    a.SetImageID(QStringLiteral("c:\\photo.bmp"));
    a.SetStorageID(QStringLiteral("S1"));
    b.TakeGraphic(Bitmap(clBlue));
    TGraphic* kept = b.Graphic();
    b.Assign(&a);
    EXPECT_EQ(b.Graphic(), kept);
    EXPECT_TRUE(static_cast<TBitmap*>(b.Graphic())->SharesImage(*static_cast<TBitmap*>(a.Graphic())));
    EXPECT_EQ(b.ImageID(), QStringLiteral("c:\\photo.bmp"));
    EXPECT_EQ(b.StorageID(), QStringLiteral("S1"));

    TPictureEx j1, j2;
    GetSafetyJPEG(j1).SetData(JpegBytes());
    GetSafetyJPEG(j2).SetData(JpegBytes());
    TGraphic* old = j2.Graphic();
    j2.Assign(&j1);
    EXPECT_NE(j2.Graphic(), old);

    // Two empty pictures: nothing happens, nothing is reported.
    TPictureEx e1, e2;
    int changes = 0;
    e2.OnChange = [&](TObject*) { ++changes; };
    e2.Assign(&e1);
    EXPECT_EQ(changes, 0);
}

TEST(PictureEx, ChangesAreBroadcastToListenersOfThePicture) {
    TPictureEx p;
    std::vector<TObject*> senders;
    TListener listener([&](TObject* sender, const TGUID& id) {
        if (id == GUID_Changed)
            senders.push_back(sender);
    });
    listener.AddBroadcaster(&p);
    EXPECT_EQ(p.Notifier().ListenerCount(), 1);

    // Replacing the graphic through the accessor is not reported.
    TSafetyBitmap& bitmap = GetSafetyBitmap(p);
    EXPECT_TRUE(senders.empty());
    EXPECT_FALSE(p.Modified());
    bitmap.SetSize(2, 2);
    ASSERT_EQ(senders.size(), 1u);
    EXPECT_EQ(senders[0], &p);
    EXPECT_TRUE(p.Modified());

    p.BeginUpdate();
    p.Changed();
    p.Changed();
    p.EndUpdate();
    EXPECT_EQ(senders.size(), 2u);
}

TEST(PictureEx, SafetyBitmapAccessorKeepsAFrameworkBitmapsImage) {
    TPictureEx p;
    auto plain = std::make_unique<TBitmap>(2, 1, pf24bit);
    plain->Canvas().FillSolid(TRect(0, 0, 2, 1), clLime);
    p.TakeGraphic(std::move(plain));
    TSafetyBitmap& safety = GetSafetyBitmap(p);
    EXPECT_EQ(safety.GetPixel(1, 0), clLime);
    EXPECT_EQ(p.Graphic(), &safety);
    // A JPEG is not a bitmap: it gives way to an empty one.
    GetSafetyJPEG(p).SetData(JpegBytes());
    EXPECT_TRUE(GetSafetyBitmap(p).Empty());
}

TEST(PictureEx, PastingPrefersTheFirstOfferedFormat) {
    TSafetyBitmap red(2, 1, pf24bit);
    red.Canvas().FillSolid(TRect(0, 0, 2, 1), clRed);
    QImage blue(2, 1, QImage::Format_RGB32);
    blue.fill(qRgb(0, 0, 255));

    QMimeData dibFirst;
    dibFirst.setData(QStringLiteral("image/bmp"), EncodePackedDIB(red.Pixels()));
    dibFirst.setImageData(blue);
    TPictureEx p;
    p.AssignMimeData(dibFirst);
    ASSERT_NE(dynamic_cast<TSafetyBitmap*>(p.Graphic()), nullptr);
    EXPECT_EQ(static_cast<TBitmap*>(p.Graphic())->GetPixel(0, 0), clRed);

    QMimeData imageOnly;
    imageOnly.setImageData(blue);
    p.AssignMimeData(imageOnly);
    EXPECT_EQ(static_cast<TBitmap*>(p.Graphic())->GetPixel(1, 0), clBlue);

    QMimeData text;
    text.setText(QStringLiteral("no picture"));
    EXPECT_THROW(p.AssignMimeData(text), EInvalidGraphic);
}

TEST(PictureEx, NoDataFlagHidesTheDataPropertyButNotTheStreamForm) {
    TPictureEx p;
    p.TakeGraphic(Bitmap(clRed));
    p.SetNoData(true);
    struct Probe : TFiler {
        using TFiler::TFiler;
        void DefineProperty(const QString&, const TReaderProc&, const TWriterProc&, bool) override {}
        void DefineBinaryProperty(const QString&, const TStreamProc&, const TStreamProc&, bool) override {
            ++defined;
        }
        int defined = 0;
    };
    TMemoryStream s;
    Probe probe(s);
    p.DefineProperties(probe);
    EXPECT_EQ(probe.defined, 0);
    EXPECT_TRUE(Stored(p).startsWith(Hex("0d") + "TSafetyBitmap"));
    EXPECT_TRUE(p.NoData());
}

TEST(ResourceImageLoader, LoadsBitmapsIconsAndJpegsFromAResFileBesideTheProgram) {
    QTemporaryDir dir;
    auto red = Bitmap(clRed);
    const QByteArray dib = EncodePackedDIB(red->Pixels());
    TMemoryStream file(EncodeBitmapFile(red->Pixels())), packed;
    ZLIBCompressStream(file, packed, TCompressionLevel::clMax);
    const QByteArray icon = IconBytes().mid(22);
    const QByteArray res = ResEntry(uint16_t(0), QString(), {}) + ResEntry(uint16_t(RT_BITMAP), "LOGO", dib) +
                           ResEntry("CBM", "PACKED", packed.Data()) + ResEntry("rt_bitmap", "LOGO", dib) +
                           ResEntry(uint16_t(RT_ICON), "ICON1", icon) +
                           ResEntry("JPEG", "PHOTO", JpegBytes());
    const QString path = dir.filePath(QStringLiteral("pictures.res"));
    TestSupport::WriteFile(path, res);
    const QString relative = QDir(QCoreApplication::applicationDirPath()).relativeFilePath(path);

    TPictureEx picture;
    TResourceImageLoader loader(&picture);
    loader.SetResFile(relative);
    loader.SetResType(QStringLiteral("RT_BITMAP"));
    loader.SetResName(QStringLiteral("LOGO"));
    EXPECT_EQ(picture.Graphic(), nullptr); // not ready yet
    loader.SetReady(true);
    loader.CheckAutoLoad();
    ASSERT_NE(dynamic_cast<TSafetyBitmap*>(picture.Graphic()), nullptr);
    EXPECT_EQ(static_cast<TSafetyBitmap*>(picture.Graphic())->Pixels(), red->Pixels());
    EXPECT_TRUE(picture.NoData());

    // Type and name change together: each setting would load on its own.
    loader.SetAutoLoad(false);
    auto load = [&](const char* type, const char* name) {
        loader.SetResType(QString::fromLatin1(type));
        loader.SetResName(QString::fromLatin1(name));
        loader.Load();
    };
    load("cbm", "PACKED");
    EXPECT_EQ(static_cast<TSafetyBitmap*>(picture.Graphic())->Pixels(), red->Pixels());

    load("RT_ICON", "ICON1");
    ASSERT_NE(dynamic_cast<TIcon*>(picture.Graphic()), nullptr);
    EXPECT_EQ(static_cast<TIcon*>(picture.Graphic())->Image().pixel(0, 0), qRgb(0x50, 0x40, 0x30));

    load("JPEG", "PHOTO");
    ASSERT_NE(dynamic_cast<TSafetyJPEGImage*>(picture.Graphic()), nullptr);
    EXPECT_EQ(static_cast<TJPEGGraphic*>(picture.Graphic())->Data(), JpegBytes());

    // "rt_bitmap" is a type name: the entry is found, but nothing is loaded from it.
    TPictureEx other;
    TResourceImageLoader byName(&other);
    byName.SetReady(true);
    byName.SetResFile(relative);
    byName.SetResType(QStringLiteral("rt_bitmap"));
    byName.SetResName(QStringLiteral("LOGO"));
    EXPECT_EQ(other.Graphic(), nullptr);
    EXPECT_FALSE(other.NoData());

    // Setting a name to its current value does not load again; a missing entry is reported.
    int loads = 0;
    byName.OnLoad = [&](TStream&, bool& handled) {
        ++loads;
        handled = true;
    };
    byName.SetResName(QStringLiteral("LOGO"));
    EXPECT_EQ(loads, 0);
    EXPECT_THROW(byName.SetResName(QStringLiteral("MISSING")), EResNotFound);
}

TEST(ResourceImageLoader, AssignCopiesTheNamesAndLoads) {
    TPictureEx a, b;
    TResourceImageLoader from(&a), to(&b);
    int loads = 0;
    to.OnLoad = [&](TStream&, bool& handled) {
        ++loads;
        handled = true;
    };
    to.SetReady(true);
    b.SetNoData(true);
    from.SetResType(QStringLiteral("CBM"));
    from.SetResName(QStringLiteral("X"));
    EXPECT_THROW(to.Assign(&from), EResNotFound); // the program has no such resource
    EXPECT_EQ(to.ResName(), QStringLiteral("X"));
    EXPECT_EQ(to.ResType(), QStringLiteral("CBM"));
    EXPECT_FALSE(b.NoData());
    EXPECT_EQ(loads, 0);
}
