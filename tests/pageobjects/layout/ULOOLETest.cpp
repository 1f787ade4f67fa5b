#include "pageobjects/layout/ULOOLE.h"

#include "LayoutTestSupport.h"
#include "imaging/USafetyBitmap.h"
#include "platform/CompoundFile.h"
#include "platform/Exception.h"
#include "platform/Picture.h"
#include "platform/Stream.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void Put32(QByteArray& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.append(char((v >> (8 * i)) & 0xFF));
}

// A packed 24-bit bitmap of w x h in one colour (bytes blue, green, red).
QByteArray Dib(int w, int h, TColor colour) {
    QByteArray b;
    const int stride = (w * 3 + 3) & ~3;
    for (uint32_t v : {40u, uint32_t(w), uint32_t(h)})
        Put32(b, v);
    b.append(char(1)).append(char(0)).append(char(24)).append(char(0));
    for (uint32_t v : {0u, uint32_t(stride * h), 0u, 0u, 0u, 0u})
        Put32(b, v);
    for (int y = 0; y < h; ++y) {
        QByteArray row;
        for (int x = 0; x < w; ++x)
            row.append(char(GetBValue(colour)))
                .append(char(GetGValue(colour)))
                .append(char(GetRValue(colour)));
        b.append(row.leftJustified(stride, '\0'));
    }
    return b;
}

// A presentation stream of the given clipboard format and aspect.
QByteArray Presentation(uint32_t format, const QByteArray& data, int w, int h, uint32_t aspect = 1) {
    QByteArray b;
    for (uint32_t v : {0xFFFFFFFFu, format, 4u, aspect, 0xFFFFFFFFu, 0u, 0u, uint32_t(w), uint32_t(h),
                       uint32_t(data.size())})
        Put32(b, v);
    return b + data + QByteArray(18, '\0');
}

// An embedded object's compound file holding the given streams, as "Data".
QByteArray ObjectData(const std::vector<std::pair<QString, QByteArray>>& streams) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("object.cfb"));
    {
        CompoundStoragePtr root = StgCreateDocfile(path, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE);
        for (const auto& [name, bytes] : streams) {
            CompoundStreamPtr s = root->CreateStream(name, STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
            s->Write(bytes.constData(), uint64_t(bytes.size()));
        }
        root->Commit();
    }
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray file = f.readAll();
    QByteArray data;
    Put32(data, TLOOLE::kDataSignature);
    Put32(data, 1);
    Put32(data, uint32_t(file.size()));
    return data + file;
}

std::unique_ptr<TLOOLE> LoadData(const QByteArray& data) {
    auto ole = std::make_unique<TLOOLE>(nullptr);
    TMemoryStream s(data);
    ole->LoadFromStream(s);
    return ole;
}

class OLETest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterLayoutTestClasses();
        RegisterSafetyBitmap();
    }
};

} // namespace

TEST_F(OLETest, StoredDataRoundTripsAndDrawsItsBitmapPresentation) {
    const QByteArray data =
        ObjectData({{QStringLiteral("\x02OlePres000"), Presentation(CF_DIB, Dib(8, 4, clRed), 5000, 2500)},
                    {QStringLiteral("CONTENTS"), QByteArray(300, 'x')}});
    std::unique_ptr<TLOOLE> ole = LoadData(data);
    ASSERT_TRUE(ole->HasPresentation());
    EXPECT_EQ(ole->DrawAspect(), 1);
    ole->SetLogRect(TRect(10, 20, 11, 21));
    ole->TakeNaturalExtent();
    EXPECT_EQ(ole->LogBounds(), TRect(10, 20, 510, 270));

    const QByteArray stored = Store(ole.get());
    std::unique_ptr<TComponent> back = Load(stored);
    auto* copy = dynamic_cast<TLOOLE*>(back.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Data(), data);
    EXPECT_EQ(Store(copy), stored);

    copy->SetLogRect(TRect(0, 0, 40, 20));
    const QImage out = RenderObjects({copy}, 40, 20);
    EXPECT_EQ(Pixel(out, 20, 10), clRed);
}

TEST_F(OLETest, ObjectWithoutDrawablePresentationKeepsItsBytesAndDrawsAPlaceholder) {
    // A metafile presentation gives the extent only; an icon aspect or no presentation gives none.
    std::unique_ptr<TLOOLE> metafile = LoadData(
        ObjectData({{QStringLiteral("\x02OlePres000"), Presentation(3, QByteArray(40, '\0'), 3000, 1000)}}));
    EXPECT_FALSE(metafile->HasPresentation());
    metafile->TakeNaturalExtent();
    EXPECT_EQ(metafile->LogBounds(), TRect(0, 0, 300, 100));

    std::unique_ptr<TLOOLE> icon = LoadData(ObjectData(
        {{QStringLiteral("\x02OlePres000"), Presentation(CF_DIB, Dib(2, 2, clRed), 3000, 1000, 4)}}));
    icon->TakeNaturalExtent();
    EXPECT_EQ(icon->LogBounds(), TRect(0, 0, TLOOLE::kDefaultSize.cx, TLOOLE::kDefaultSize.cy));

    QByteArray notCompound;
    Put32(notCompound, TLOOLE::kDataSignature);
    Put32(notCompound, 1);
    Put32(notCompound, 5);
    notCompound += "hello";
    std::unique_ptr<TLOOLE> damaged = LoadData(notCompound);
    EXPECT_EQ(damaged->Data(), notCompound);
    damaged->SetLogRect(TRect(0, 0, 40, 20));
    const QImage out = RenderObjects({damaged.get()}, 40, 20);
    EXPECT_EQ(Pixel(out, 0, 10), clGray);
    EXPECT_EQ(Pixel(out, 10, 2), clWhite);
}

TEST_F(OLETest, DamagedDataIsRefusedAndLeavesTheObjectAsItWas) {
    const QByteArray good = ObjectData({});
    std::unique_ptr<TLOOLE> ole = LoadData(good);
    QByteArray badSignature = good;
    badSignature[0] = 'X';
    QByteArray tooLong = good;
    tooLong[8] = char(uchar(tooLong[8]) + 1);
    for (const QByteArray& bad : {badSignature, tooLong, good.left(10)}) {
        TMemoryStream s(bad);
        EXPECT_THROW(ole->LoadFromStream(s), EReadError);
        EXPECT_EQ(ole->Data(), good);
    }
}

TEST_F(OLETest, FreshObjectWritesNoDataAndCopiesAreEqualAndIndependent) {
    TLOOLE fresh(nullptr);
    EXPECT_FALSE(Store(&fresh).contains("Data"));

    const QByteArray data =
        ObjectData({{QStringLiteral("\x02OlePres000"), Presentation(CF_DIB, Dib(2, 2, clBlue), 1000, 1000)}});
    std::unique_ptr<TLOOLE> ole = LoadData(data);
    TLOOLE copy(nullptr);
    copy.Assign(ole.get());
    EXPECT_EQ(copy.Data(), data);
    EXPECT_TRUE(copy.HasPresentation());
    ole.reset();
    EXPECT_EQ(copy.Data(), data);

    // Editing and pasting are refused without touching the object.
    EXPECT_THROW(copy.OpenForEdit(), EInvalidOperation);
    EXPECT_THROW(copy.PasteFromClipboard(), EInvalidOperation);
    EXPECT_EQ(copy.Data(), data);
}
