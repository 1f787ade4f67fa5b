#include "imaging/UImageData.h"

#include "imaging/UJPEGImage.h"
#include "imaging/USafetyBitmap.h"
#include "platform/Canvas.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using TestSupport::Hex;

namespace {

class TDataHolder : public TComponent {
    QUORLANE_CLASS(TDataHolder, TComponent)

public:
    explicit TDataHolder(TComponent* owner) : TComponent(owner) {}
    static void DeclareProperties(TPropertyBuilder<TDataHolder>& p) {
        p.Object("ImageData", &TDataHolder::ImageData);
    }
    TImageData* ImageData() { return &data; }
    TImageData data;
};

QByteArray S(const char* text) {
    return QByteArray(1, char(qstrlen(text))) + QByteArray(text);
}

QByteArray Write(TComponent* c) {
    TMemoryStream s;
    WriteComponent(s, c);
    return s.Data();
}

// Records the events of one broadcaster.
struct EventLog {
    std::unique_ptr<TListener> listener = std::make_unique<TListener>();
    std::vector<TGUID> events;
    std::vector<TObject*> senders;
    explicit EventLog(IBroadcaster* source) {
        listener->OnNotify = [this](TObject* sender, const TGUID& id) {
            events.push_back(id);
            senders.push_back(sender);
        };
        source->AddListener(listener.get());
    }
    int Count(const TGUID& id) const { return int(std::count(events.begin(), events.end(), id)); }
    void Clear() {
        events.clear();
        senders.clear();
    }
};

TSafetyBitmap& SetPictureSize(TImageData& data, int w, int h, TColor fill = clWhite) {
    TSafetyBitmap b(w, h, pf24bit);
    b.Canvas().FillSolid(Rect(0, 0, w, h), fill);
    data.Picture()->SetGraphic(&b);
    return GetSafetyBitmap(*data.Picture());
}

} // namespace

TEST(ImageData, EventIdentifiers) {
    EXPECT_EQ(GUID_ImageDataPictureChanged.ToString(), "{3C2CDFD1-5C80-11D3-AD58-00500463098A}");
    EXPECT_EQ(GUID_ImageDataSizeChanged.ToString(), "{386FA8F1-5C4E-11D3-AD57-00500463098A}");
}

TEST(ImageData, NewPictureSizeResetsTheClipOnlyWhenBothSidesChange) {
    TImageData data;
    EXPECT_TRUE(data.IsEmpty());
    EXPECT_EQ(data.TransparentColor(), clNone);
    EXPECT_EQ(data.MonotoneFilter()->RefColor(), clNone);
    SetPictureSize(data, 640, 480);
    EXPECT_EQ(data.ClipFilter()->ClipRect(), Rect(0, 0, 640, 480));
    data.ClipFilter()->SetClipRect(Rect(10, 20, 300, 200));

    EventLog log(&data);
    SetPictureSize(data, 800, 600);
    EXPECT_EQ(data.ClipFilter()->ClipRect(), Rect(0, 0, 800, 600));
    EXPECT_EQ(log.Count(GUID_ImageDataSizeChanged), 1);
    EXPECT_EQ(log.Count(GUID_ImageDataPictureChanged), 1);
    EXPECT_EQ(log.Count(GUID_Changed), 1);
    for (TObject* sender : log.senders)
        EXPECT_EQ(sender, static_cast<TObject*>(&data));

    data.ClipFilter()->SetClipRect(Rect(10, 20, 300, 200));
    log.Clear();
    SetPictureSize(data, 800, 400);
    EXPECT_EQ(data.ClipFilter()->ClipRect(), Rect(10, 20, 300, 200));
    EXPECT_EQ(log.Count(GUID_ImageDataSizeChanged), 0);
    EXPECT_EQ(log.Count(GUID_ImageDataPictureChanged), 1);
    EXPECT_EQ(log.Count(GUID_Changed), 1);

    // Clearing the clip rectangle puts the whole picture back.
    data.ClipFilter()->SetClipRect(TRect());
    EXPECT_EQ(data.ClipFilter()->ClipRect(), Rect(0, 0, 800, 400));
}

TEST(ImageData, ResetClipRectFitsTheAspectInTheMiddle) {
    TImageData data;
    data.ResetClipRect(4, 3);
    EXPECT_TRUE(data.ClipFilter()->ClipRect().IsEmpty());
    SetPictureSize(data, 800, 600);
    data.ResetClipRect(2, 1);
    EXPECT_EQ(data.ClipFilter()->ClipRect(), Rect(0, 100, 800, 500));
    data.ResetClipRect(0, 5);
    EXPECT_EQ(data.ClipFilter()->ClipRect(), Rect(0, 0, 800, 600));
}

TEST(ImageData, TransparentColourChangesBroadcastOnce) {
    TImageData data;
    SetPictureSize(data, 10, 10);
    TPictureEx* filtered = data.GetFilteredPicture();
    ASSERT_FALSE(filtered->Graphic() == nullptr);
    EventLog log(&data);
    data.SetTransparentColor(clNone);
    EXPECT_TRUE(log.events.empty());
    EXPECT_NE(filtered->Graphic(), nullptr);
    data.SetTransparentColor(clWhite);
    EXPECT_EQ(log.Count(GUID_Changed), 1);
    EXPECT_EQ(filtered->Graphic(), nullptr);
    EXPECT_TRUE(data.UsesTransparentColor());
}

TEST(ImageData, EmptyPictureAnswersTheEmptyCache) {
    TImageData data;
    TPictureEx* filtered = data.GetFilteredPicture();
    ASSERT_NE(filtered, nullptr);
    EXPECT_EQ(filtered->Graphic(), nullptr);
    EXPECT_FALSE(data.IsFilterable());
    data.SetTransparentColor(clRed);
    EXPECT_FALSE(data.UsesTransparentColor());
}

TEST(ImageData, FiltersApplyInTheOrderBlurMonotoneLight) {
    TImageData data;
    TSafetyBitmap& picture = SetPictureSize(data, 9, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 27; ++x)
            picture.ScanLine(y)[x] = uint8_t((x * 37 + y * 91) % 256);
    picture.Changed();
    TBitmap original;
    original.Assign(picture);

    data.BlurFilter()->SetBlurCount(1);
    data.MonotoneFilter()->SetRefColor(RGB(255, 128, 0));
    data.LightFilter()->SetContrast(40);
    data.LightFilter()->SetBrightness(-10);
    auto* result = dynamic_cast<TBitmap*>(data.GetFilteredPicture()->Graphic());
    ASSERT_NE(result, nullptr);

    auto run = [](TGREffector& e, TBitmap& in, TBitmap& out) {
        e.SetSource(&in);
        e.SetDest(&out);
        e.SetSourceRect(Rect(0, 0, in.Width(), in.Height()));
        e.Execute();
    };
    TGREffectBlur blur;
    blur.SetCount(1);
    TGREffectMonoTone mono;
    mono.SetRefColor(RGB(255, 128, 0));
    TGREffectBrightnessContrast light;
    light.SetBrightness(-10);
    light.SetContrast(40);
    TBitmap a, b, expected, swapped;
    run(blur, original, a);
    run(mono, a, b);
    run(light, b, expected);
    // The other order of the colour filters gives another picture, so the order is visible.
    run(light, a, b);
    run(mono, b, swapped);
    ASSERT_FALSE(swapped.Pixels() == expected.Pixels());
    EXPECT_TRUE(result->Pixels() == expected.Pixels());

    // Inactive filters pass the (clipped) picture through.
    TImageData plain;
    SetPictureSize(plain, 4, 4, clRed);
    plain.ClipFilter()->SetClipRect(Rect(1, 1, 3, 4));
    auto* clipped = dynamic_cast<TBitmap*>(plain.GetFilteredPicture()->Graphic());
    ASSERT_NE(clipped, nullptr);
    EXPECT_EQ(clipped->Width(), 2);
    EXPECT_EQ(clipped->Height(), 3);
    EXPECT_EQ(clipped->GetPixel(1, 2), clRed);
    // The cache is kept until something changes.
    EXPECT_EQ(plain.GetFilteredPicture()->Graphic(), static_cast<TGraphic*>(clipped));
    plain.BlurFilter()->SetBlurCount(2);
    EXPECT_EQ(plain.GetFilteredPicture()->Graphic()->Width(), 2);
}

TEST(ImageData, TransparencyIsTakenBeforeBlurAndFillsTheClipBorder) {
    TImageData data;
    // A white square in a black field, white transparent.
    TSafetyBitmap& picture = SetPictureSize(data, 8, 8, clBlack);
    picture.Canvas().FillSolid(Rect(2, 2, 6, 6), clWhite);
    data.ClipFilter()->SetClipRect(Rect(-2, 0, 8, 8));
    data.SetTransparentColor(clWhite);
    data.BlurFilter()->SetBlurCount(2);
    auto* result = dynamic_cast<TSafetyBitmap*>(data.GetFilteredPicture()->Graphic());
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Width(), 10);
    EXPECT_TRUE(result->Transparent());
    TBitmap mask;
    result->GetMask(mask);
    ASSERT_EQ(mask.Width(), 10);
    // Transparent where the picture was white (moved right by 2) and in the added border; the
    // blur has greyed the square's edge, yet the mask keeps exactly its old outline.
    auto transparentAt = [&](int x, int y) { return mask.GetPixel(x, y) != clBlack; };
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) {
            const bool expected = x < 2 || (x >= 4 && x < 8 && y >= 2 && y < 6);
            EXPECT_EQ(transparentAt(x, y), expected) << x << "," << y;
        }
    EXPECT_NE(result->GetPixel(4, 2), clWhite);
}

TEST(ImageData, StoresUnderTheHoldersNameAndReadsBack) {
    TDataHolder holder(nullptr);
    EXPECT_EQ(Write(&holder), QByteArray("TPF0") + S("TDataHolder") + Hex("00 00 00"));

    SetPictureSize(holder.data, 6, 4, clRed);
    holder.data.ClipFilter()->SetClipRect(Rect(1, 0, 5, 4));
    holder.data.BlurFilter()->SetBlurCount(2);
    holder.data.LightFilter()->SetBrightness(-7);
    holder.data.MonotoneFilter()->SetRefColor(clBlue);
    holder.data.SetTransparentColor(RGB(1, 2, 3));
    const QByteArray bytes = Write(&holder);
    const std::vector<QByteArray> names = {"ImageData.Picture.Data",
                                           "ImageData.ClipFilter.ClipRect",
                                           "ImageData.BlurFilter.BlurCount",
                                           "ImageData.LightFilter.Brightness",
                                           "ImageData.MonotoneFilter.RefColor",
                                           "ImageData.TransparentColor"};
    qsizetype at = 0;
    for (const QByteArray& name : names) {
        const qsizetype found = bytes.indexOf(S(name.constData()), at);
        EXPECT_GT(found, at) << name.toStdString();
        at = found;
    }
    EXPECT_FALSE(bytes.contains("Contrast"));
    EXPECT_TRUE(bytes.contains(S("ImageData.ClipFilter.ClipRect") + Hex("01 02 01 02 00 02 05 02 04 00")));
    EXPECT_TRUE(bytes.contains(S("ImageData.MonotoneFilter.RefColor") + Hex("07") + S("clBlue")));

    TDataHolder read(nullptr);
    TMemoryStream s(bytes);
    ReadComponent(s, read);
    // The stored rectangle replaces the one reset when the picture arrived.
    EXPECT_EQ(read.data.ClipFilter()->ClipRect(), Rect(1, 0, 5, 4));
    EXPECT_EQ(read.data.Picture()->Width(), 6);
    EXPECT_EQ(read.data.TransparentColor(), RGB(1, 2, 3));
    EXPECT_EQ(read.data.BlurFilter()->BlurCount(), 2);
    EXPECT_EQ(Write(&read), bytes);

    // Without a stored rectangle the whole picture is the clip.
    holder.data.ClipFilter()->SetClipRect(TRect());
    TDataHolder again(nullptr);
    TMemoryStream s2(Write(&holder));
    ReadComponent(s2, again);
    EXPECT_EQ(again.data.ClipFilter()->ClipRect(), Rect(0, 0, 6, 4));
}

TEST(ImageData, AssignCopiesEverythingWithOneBroadcast) {
    TImageData source;
    SetPictureSize(source, 5, 5, clGreen);
    source.ClipFilter()->SetClipRect(Rect(1, 1, 4, 4));
    source.LightFilter()->SetContrast(30);
    source.SetTransparentColor(clGreen);
    TPictureEx* filtered = source.GetFilteredPicture();

    TImageData dest;
    EventLog log(&dest);
    dest.Assign(&source);
    EXPECT_EQ(log.Count(GUID_Changed), 1);
    EXPECT_EQ(dest.ClipFilter()->ClipRect(), Rect(1, 1, 4, 4));
    EXPECT_EQ(dest.LightFilter()->Contrast(), 30);
    EXPECT_EQ(dest.TransparentColor(), clGreen);
    // The cache came along: no rebuild needed.
    auto* copied = dynamic_cast<TBitmap*>(dest.Picture()->Graphic());
    ASSERT_NE(copied, nullptr);
    EXPECT_EQ(copied->GetPixel(0, 0), clGreen);
    auto* cache = dynamic_cast<TBitmap*>(dest.GetFilteredPicture()->Graphic());
    ASSERT_NE(cache, nullptr);
    EXPECT_TRUE(cache->SharesImage(*dynamic_cast<TBitmap*>(filtered->Graphic())));

    TPictureEx other;
    EXPECT_THROW(other.Assign(&source), EConvertError);
}

TEST(ImageData, AFilterThatRaisesLeavesNoHalfBuiltPicture) {
    // A progressive JPEG whose header reads but whose second scan is damaged: decoding raises
    // only when the blur filter asks for the pixels, after the clip has run.
    TSafetyBitmap source(64, 48, pf24bit);
    source.Canvas().Brush().Color = TColor(0x3366CC);
    source.Canvas().FillRect(TRect(0, 0, 64, 48));
    TJPEGGraphic encoder;
    encoder.SetProgressiveEncoding(true);
    encoder.Assign(source);
    QByteArray bytes = encoder.Data();
    const qsizetype firstScan = bytes.indexOf(QByteArray("\xFF\xDA", 2));
    const qsizetype secondScan = bytes.indexOf(QByteArray("\xFF\xDA", 2), firstScan + 2);
    ASSERT_GT(secondScan, 0);
    const int components = uchar(bytes[secondScan + 4]);
    bytes[secondScan + 5 + 2 * components] = char(0x50); // spectral start beyond 63
    TJPEGGraphic damaged;
    damaged.SetData(bytes);

    TImageData data;
    data.BlurFilter()->SetBlurCount(1);
    EXPECT_NO_THROW(data.Picture()->SetGraphic(&damaged)); // decoded only when pixels are asked for
    ASSERT_FALSE(data.IsEmpty());
    EXPECT_ANY_THROW(data.GetFilteredPicture());
    // Tried again, not answered with the picture the clip had made.
    EXPECT_ANY_THROW(data.GetFilteredPicture());
}
