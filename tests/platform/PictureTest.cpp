#include "platform/Picture.h"
#include "platform/Bitmap.h"
#include "platform/Canvas.h"
#include "platform/Exception.h"
#include "platform/Filer.h"
#include "platform/Stream.h"
#include "tests/TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using TestSupport::Hex;

namespace {

struct DataProbe : TFiler {
    explicit DataProbe(TStream& s) : TFiler(s) {}
    void DefineProperty(const QString&, const TReaderProc&, const TWriterProc&, bool) override {}
    void DefineBinaryProperty(const QString& n, const TStreamProc&, const TStreamProc&, bool has) override {
        name = n;
        hasData = has;
    }
    QString name;
    bool hasData = false;
};

std::unique_ptr<TBitmap> OnePixel(TColor color) {
    auto b = std::make_unique<TBitmap>(1, 1, pf24bit);
    b->Canvas().FillSolid(TRect(0, 0, 1, 1), color);
    return b;
}

} // namespace

TEST(Picture, EmptyPictureStoresOneZeroByte) {
    TPicture p;
    TMemoryStream s;
    p.WriteData(s);
    EXPECT_EQ(s.Data(), Hex("00"));
    p.SetGraphic(OnePixel(clRed).get());
    s.SetPosition(0);
    p.ReadData(s);
    EXPECT_EQ(p.Graphic(), nullptr);

    TMemoryStream dummy;
    DataProbe probe(dummy);
    p.DefineProperties(probe);
    EXPECT_EQ(probe.name, QStringLiteral("Data"));
    EXPECT_FALSE(probe.hasData);
}

TEST(Picture, StoredFormIsClassNameThenGraphicData) {
    TPicture p;
    p.SetGraphic(OnePixel(RGB(1, 2, 3)).get());
    TMemoryStream s;
    p.WriteData(s);
    // Name, length of a 58-byte bitmap file, then that file ("BM", its size).
    EXPECT_TRUE(s.Data().startsWith(Hex("07") + "TBitmap" + Hex("3a000000") + "BM" + Hex("3a000000")));
    EXPECT_EQ(s.GetSize(), 1 + 7 + 4 + 58);
    s.WriteBytes("next");
    s.SetPosition(0);
    TPicture back;
    back.ReadData(s);
    ASSERT_NE(back.Graphic(), nullptr);
    EXPECT_STREQ(back.Graphic()->ClassName(), "TBitmap");
    EXPECT_EQ(static_cast<TBitmap*>(back.Graphic())->GetPixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(s.ReadBytes(4), QByteArray("next"));
}

TEST(Picture, UnknownClassGivesEmptyPictureAndLeavesItsDataUnread) {
    TPicture p;
    p.SetGraphic(OnePixel(clRed).get());
    TMemoryStream s(Hex("09") + "TFooImage" + "payload");
    p.ReadData(s);
    EXPECT_EQ(p.Graphic(), nullptr);
    EXPECT_EQ(s.GetPosition(), 10);
}

TEST(Picture, DamagedNamesAndGraphicsKeepTheFormerGraphic) {
    TPicture p;
    p.SetGraphic(OnePixel(clRed).get());
    TGraphic* before = p.Graphic();
    // A name longer than the 63 characters the form allows.
    TMemoryStream longName(Hex("40") + QByteArray(64, 'T'));
    EXPECT_THROW(p.ReadData(longName), EInvalidGraphic);
    // A bitmap whose stored length runs past the data.
    TMemoryStream cut(Hex("07") + "TBitmap" + Hex("ff000000") + "BM");
    EXPECT_ANY_THROW(p.ReadData(cut));
    EXPECT_EQ(p.Graphic(), before);
}

TEST(Picture, RegistryFindsFormatsByExtensionAndClass) {
    EXPECT_TRUE(TPicture::FindExtension(QStringLiteral(".BMP")));
    EXPECT_TRUE(TPicture::FindExtension(QStringLiteral("ico")));
    EXPECT_FALSE(TPicture::FindExtension(QStringLiteral("xyz")));
    EXPECT_TRUE(TPicture::FindClassName(QStringLiteral("TMetafile")));
    EXPECT_FALSE(TPicture::FindClassName(QStringLiteral("tmetafile")));
    EXPECT_TRUE(TPicture::SupportsClipboardFormat(CF_BITMAP));
    EXPECT_TRUE(TPicture::GraphicFilter().contains(QStringLiteral("|Bitmaps (*.bmp)|*.bmp")));

    // A later registration for an extension wins; unregistering removes it again.
    TPicture::RegisterFileFormat(QStringLiteral("TST"), QStringLiteral("Test"),
                                 QStringLiteral("TTestGraphic"),
                                 [] { return std::unique_ptr<TGraphic>(new TBitmap); });
    EXPECT_TRUE(TPicture::FindExtension(QStringLiteral("tst")));
    EXPECT_TRUE(TPicture::FindClassName(QStringLiteral("TTestGraphic")));
    TPicture::UnregisterGraphicClass(QStringLiteral("TTestGraphic"));
    EXPECT_FALSE(TPicture::FindExtension(QStringLiteral("tst")));
}

TEST(Picture, FilesLoadByExtensionAndChangesAreReported) {
    QTemporaryDir dir;
    const QString bmp = dir.filePath(QStringLiteral("a.bmp"));
    TPicture p;
    int changes = 0;
    p.OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, &p);
        ++changes;
    };
    p.SetGraphic(OnePixel(clBlue).get());
    EXPECT_EQ(changes, 1);
    p.SaveToFile(bmp);
    TPicture q;
    q.LoadFromFile(bmp);
    EXPECT_EQ(static_cast<TBitmap*>(q.Graphic())->GetPixel(0, 0), clBlue);

    try {
        q.LoadFromFile(dir.filePath(QStringLiteral("a.xyz")));
        ADD_FAILURE();
    } catch (const EInvalidGraphic& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("Unknown picture file extension (.xyz)"));
    }
    // A change of the held graphic reaches the picture.
    static_cast<TBitmap*>(p.Graphic())->SetSize(2, 2);
    EXPECT_EQ(changes, 2);
    // The picture holds a copy, not the graphic given.
    auto source = OnePixel(clRed);
    p.SetGraphic(source.get());
    EXPECT_NE(p.Graphic(), source.get());
    EXPECT_THROW(p.LoadFromClipboardFormat(999, QByteArray()), EInvalidGraphic);
}
