#include "imaging/UImageFilter.h"

#include "imaging/UPictureEX.h"
#include "imaging/USafetyBitmap.h"
#include "platform/ByteOrder.h"
#include "platform/Canvas.h"
#include "platform/ComponentReader.h"
#include "platform/ComponentWriter.h"
#include "platform/Metafile.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using TestSupport::Hex;

namespace {

// A component holding one filter of each kind, as page objects hold them inside an image data.
class TFilterHolder : public TComponent {
    QUORLANE_CLASS(TFilterHolder, TComponent)

public:
    explicit TFilterHolder(TComponent* owner) : TComponent(owner) {}
    static void DeclareProperties(TPropertyBuilder<TFilterHolder>& p) {
        p.Object("Clip", &TFilterHolder::Clip);
        p.Object("Blur", &TFilterHolder::Blur);
        p.Object("Light", &TFilterHolder::Light);
        p.Object("Mono", &TFilterHolder::Mono);
    }
    TClipFilter* Clip() { return &clip; }
    TBlurFilter* Blur() { return &blur; }
    TLightFilter* Light() { return &light; }
    TMonotoneFilter* Mono() { return &mono; }

    TClipFilter clip;
    TBlurFilter blur;
    TLightFilter light;
    TMonotoneFilter mono;
};

QByteArray S(const char* text) {
    return QByteArray(1, char(qstrlen(text))) + QByteArray(text);
}

QByteArray Write(TComponent* c) {
    TMemoryStream s;
    WriteComponent(s, c);
    return s.Data();
}

// Counts the change broadcasts of one source.
struct ChangeCounter {
    std::unique_ptr<TListener> listener = std::make_unique<TListener>();
    int changes = 0;
    explicit ChangeCounter(IBroadcaster* source) {
        listener->OnNotify = [this](TObject*, const TGUID& id) {
            if (id == GUID_Changed)
                ++changes;
        };
        source->AddListener(listener.get());
    }
};

// A 24-bit picture with a colour per pixel from its position.
void FillPattern(TBitmap& b, int w, int h) {
    b.SetPixelFormat(pf24bit);
    b.SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            row[3 * x] = uint8_t(x * 2);
            row[3 * x + 1] = uint8_t(y * 2);
            row[3 * x + 2] = uint8_t(100 + (x ^ y) % 50);
        }
    }
    b.Changed();
}

} // namespace

TEST(ClipFilter, ClipBeyondThePictureAddsABorderOfTheBackgroundColour) {
    TPictureEx source;
    FillPattern(GetSafetyBitmap(source), 100, 100);
    TPictureEx dest;
    TClipFilter clip;
    clip.SetClipRect(Rect(-10, -10, 110, 110));
    clip.SetBackColor(RGB(1, 2, 3));
    EXPECT_TRUE(clip.IsActive(&source));
    TRect r;
    clip.Apply(source, dest, r);
    EXPECT_EQ(r, Rect(0, 0, 120, 120));
    auto* out = dynamic_cast<TSafetyBitmap*>(dest.Graphic());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->PixelFormat(), pf24bit);
    EXPECT_EQ(out->GetPixel(0, 0), RGB(1, 2, 3));
    EXPECT_EQ(out->GetPixel(9, 60), RGB(1, 2, 3));
    EXPECT_EQ(out->GetPixel(119, 119), RGB(1, 2, 3));
    EXPECT_EQ(out->GetPixel(110, 50), RGB(1, 2, 3));
    const auto* in = dynamic_cast<TBitmap*>(source.Graphic());
    for (int i = 0; i < 100; i += 7)
        ASSERT_EQ(out->GetPixel(10 + i, 10 + (i * 3) % 100), in->GetPixel(i, (i * 3) % 100)) << i;

    // An inner rectangle cuts the picture.
    clip.SetClipRect(Rect(20, 30, 50, 35));
    clip.Apply(source, dest, r);
    EXPECT_EQ(r, Rect(0, 0, 30, 5));
    EXPECT_EQ(dest.Graphic()->Width(), 30);
    EXPECT_EQ(dynamic_cast<TBitmap*>(dest.Graphic())->GetPixel(0, 0), in->GetPixel(20, 30));

    // A border far beyond anything the picture could fill is cut to half its side plus 1024.
    clip.SetClipRect(Rect(-1000000, 0, 100, 1000000));
    clip.Apply(source, dest, r);
    EXPECT_EQ(r, Rect(0, 0, 1074 + 100, 1074 + 100));
}

TEST(ClipFilter, WholePictureKeepsTheGraphicClassUnlessABitmapIsForced) {
    TBitmap bitmap;
    FillPattern(bitmap, 16, 16);
    TPictureEx source;
    GetSafetyJPEG(source).Assign(bitmap);
    TPictureEx dest;
    TClipFilter clip;
    clip.SetClipRect(Rect(0, 0, 16, 16));
    EXPECT_FALSE(clip.IsActive(&source));
    TRect r;
    clip.Apply(source, dest, r);
    EXPECT_EQ(r, Rect(0, 0, 16, 16));
    EXPECT_NE(dynamic_cast<TSafetyJPEGImage*>(dest.Graphic()), nullptr);

    clip.SetForceBitmap(true);
    EXPECT_TRUE(clip.IsActive(&source));
    clip.Apply(source, dest, r);
    auto* out = dynamic_cast<TSafetyBitmap*>(dest.Graphic());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->PixelFormat(), pf24bit);
    EXPECT_EQ(out->Width(), 16);

    // Forcing a bitmap on what is already the system's bitmap changes nothing.
    TPictureEx safety;
    FillPattern(GetSafetyBitmap(safety), 8, 8);
    clip.SetClipRect(Rect(0, 0, 8, 8));
    EXPECT_FALSE(clip.IsActive(&safety));
    clip.SetClipRect(TRect());
    clip.SetForceBitmap(false);
    EXPECT_FALSE(clip.IsActive(&safety));
}

TEST(ClipFilter, PalettedBitmapsKeepFormatAndPalette) {
    TPictureEx source;
    TSafetyBitmap& b = GetSafetyBitmap(source);
    b.SetPixelFormat(pf8bit);
    b.SetSize(10, 10);
    std::vector<TRGBQuad> table(256, 0);
    table[1] = 0x00FF0000;
    b.SetColorTable(table);
    TPictureEx dest;
    TClipFilter clip;
    clip.SetClipRect(Rect(2, 2, 6, 6));
    TRect r;
    clip.Apply(source, dest, r);
    auto* out = dynamic_cast<TBitmap*>(dest.Graphic());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->PixelFormat(), pf8bit);
    EXPECT_EQ(out->ColorTable()[1], 0x00FF0000u);
    EXPECT_EQ(r, Rect(0, 0, 4, 4));
}

TEST(ClipFilter, MetafilesClipToMetafiles) {
    TPictureEx source;
    TMetafile& meta = source.ForceType<TMetafile>();
    {
        TMetafileCanvas canvas(meta);
        canvas.Brush().Color = clRed;
        canvas.FillRect(Rect(0, 0, 100, 80));
    }
    ASSERT_FALSE(meta.Empty());
    TPictureEx dest;
    TClipFilter clip;
    clip.SetClipRect(Rect(10, 10, 60, 40));
    TRect r;
    clip.Apply(source, dest, r);
    auto* out = dynamic_cast<TMetafile*>(dest.Graphic());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->Width(), 50);
    EXPECT_EQ(out->Height(), 30);
    EXPECT_EQ(r, Rect(0, 0, 50, 30));
    // Drawn, the clipped metafile covers its whole frame in the source's colour.
    TBitmap check(50, 30, pf24bit);
    check.Canvas().StretchDraw(Rect(0, 0, 50, 30), *out);
    EXPECT_EQ(check.GetPixel(1, 1), clRed);
    EXPECT_EQ(check.GetPixel(48, 28), clRed);
}

// An outside EMF (frame 20 x 10 mm on a reference device of a pixel a millimetre: red left half,
// blue right half) clipped to its left half draws only the red.
TEST(ClipFilter, AnEnhancedMetafileShowsOnlyItsClippedPart) {
    QByteArray records;
    int count = 0;
    const auto add = [&](uint32_t type, std::initializer_list<int32_t> params) {
        AppendLE32(records, type);
        AppendLE32(records, uint32_t(8 + 4 * params.size()));
        for (const int32_t v : params)
            AppendLE32(records, uint32_t(v));
        ++count;
    };
    add(37, {int32_t(0x80000008)}); // the null pen
    add(39, {1, 0, 0x0000FF, 0});   // a red brush into slot 1
    add(37, {1});
    add(43, {0, 0, 10, 10});
    add(39, {2, 0, 0xFF0000, 0}); // blue into slot 2
    add(37, {2});
    add(43, {10, 0, 20, 10});
    add(14, {0, 16, 20});
    QByteArray emf;
    for (const int v : {1, 88, 0, 0, 20, 10, 0, 0, 2000, 1000, 0x464D4520, 0x10000})
        AppendLE32(emf, uint32_t(v));
    AppendLE32(emf, uint32_t(88 + records.size()));
    AppendLE32(emf, uint32_t(count + 1));
    AppendLE32(emf, 3); // handles, and the reserved word
    for (const int v : {0, 0, 0, 100, 100, 100, 100})
        AppendLE32(emf, uint32_t(v));
    TPictureEx source;
    TMetafile& meta = source.ForceType<TMetafile>();
    meta.SetData(emf + records);
    ASSERT_GT(meta.Width(), 1);
    TPictureEx dest;
    TClipFilter clip;
    clip.SetClipRect(Rect(0, 0, meta.Width() / 2, meta.Height()));
    TRect r;
    clip.Apply(source, dest, r);
    ASSERT_NE(dynamic_cast<TMetafile*>(dest.Graphic()), nullptr);
    TBitmap check(40, 40, pf24bit);
    check.Canvas().Brush().Color = clWhite;
    check.Canvas().FillRect(Rect(0, 0, 40, 40));
    check.Canvas().StretchDraw(Rect(0, 0, 40, 40), *dest.Graphic());
    int red = 0, blue = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x) {
            red += check.GetPixel(x, y) == clRed;
            blue += check.GetPixel(x, y) == clBlue;
        }
    EXPECT_GT(red, 40 * 40 * 9 / 10);
    EXPECT_EQ(blue, 0);
}

TEST(ClipFilter, StoredRectangleIsAListOfSmallestIntegers) {
    TFilterHolder holder(nullptr);
    EXPECT_EQ(Write(&holder), QByteArray("TPF0") + S("TFilterHolder") + Hex("00 00 00"));
    holder.clip.SetClipRect(Rect(5, -3, 300, 70000));
    const QByteArray bytes = Write(&holder);
    EXPECT_EQ(bytes, QByteArray("TPF0") + S("TFilterHolder") + Hex("00") + S("Clip.ClipRect") +
                         Hex("01 02 05 02 fd 03 2c01 04 70110100 00") + Hex("00 00"));

    TFilterHolder read(nullptr);
    ChangeCounter counter(&read.clip);
    TMemoryStream s(bytes);
    ReadComponent(s, read);
    EXPECT_EQ(read.clip.ClipRect(), Rect(5, -3, 300, 70000));
    EXPECT_EQ(counter.changes, 0);
    EXPECT_EQ(Write(&read), bytes);
}

TEST(ClipFilter, DamagedStoredRectanglesAreRefused) {
    const QByteArray head = QByteArray("TPF0") + S("TFilterHolder") + Hex("00") + S("Clip.ClipRect");
    const QByteArray tail = Hex("00 00");
    for (const QByteArray& value : {
             Hex("01 02 01 02 02 02 03 00"),             // three values
             Hex("01 02 01 02 02 02 03 02 04 02 05 00"), // five values
             Hex("01 02 01 02 02 02 03 04 00000080 00"), // far outside any picture
             Hex("01 02 01 02 02 02 03 06 01 41 00"),    // a string
             Hex("02 05"),                               // not a list
             Hex("01 02 01 02 02"),                      // cut short
         }) {
        SCOPED_TRACE(value.toHex(' ').toStdString());
        TFilterHolder read(nullptr);
        TMemoryStream s(head + value + tail);
        EXPECT_THROW(ReadComponent(s, read), EReadError);
    }
}

TEST(ImageFilters, SettingsStoreUnderTheirNamesAndDefaults) {
    TFilterHolder holder(nullptr);
    holder.blur.SetBlurCount(-3);
    holder.light.SetBrightness(20);
    holder.light.SetContrast(-200);
    holder.mono.SetRefColor(RGB(0x12, 0x34, 0x56));
    const QByteArray bytes = Write(&holder);
    EXPECT_EQ(bytes, QByteArray("TPF0") + S("TFilterHolder") + Hex("00") + S("Blur.BlurCount") +
                         Hex("02 fd") + S("Light.Brightness") + Hex("02 14") + S("Light.Contrast") +
                         Hex("03 38ff") + S("Mono.RefColor") + Hex("04 12345600") + Hex("00 00"));
    TFilterHolder read(nullptr);
    TMemoryStream s(bytes);
    ReadComponent(s, read);
    EXPECT_EQ(read.blur.BlurCount(), -3);
    EXPECT_EQ(read.light.Contrast(), -200);
    EXPECT_EQ(read.mono.RefColor(), RGB(0x12, 0x34, 0x56));
    EXPECT_EQ(Write(&read), bytes);

    TMonotoneFilter fresh;
    EXPECT_EQ(fresh.RefColor(), clNone);
    EXPECT_FALSE(fresh.IsActive(nullptr));
}

TEST(ImageFilters, ChangesBroadcastOnlyWhenSomethingChanges) {
    TLightFilter light;
    ChangeCounter counter(&light);
    light.SetBrightness(0);
    EXPECT_EQ(counter.changes, 0);
    light.SetBrightness(10);
    light.SetBrightness(10);
    EXPECT_EQ(counter.changes, 1);

    // Several settings assigned at once: one broadcast.
    TLightFilter other;
    other.SetBrightness(-5);
    other.SetContrast(40);
    light.Assign(&other);
    EXPECT_EQ(counter.changes, 2);
    EXPECT_EQ(light.Contrast(), 40);

    // A filter of another kind leaves the target alone and raises nothing.
    TBlurFilter blur;
    blur.SetBlurCount(4);
    ChangeCounter blurCounter(&blur);
    EXPECT_NO_THROW(blur.Assign(&light));
    EXPECT_EQ(blur.BlurCount(), 4);
    EXPECT_EQ(blurCounter.changes, 0);

    TClipFilter clip;
    ChangeCounter clipCounter(&clip);
    clip.SetClipRect(Rect(1, 2, 3, 4));
    clip.SetClipRect(Rect(1, 2, 3, 4));
    clip.SetBackColor(clRed);
    clip.SetForceBitmap(true);
    EXPECT_EQ(clipCounter.changes, 1);
}

TEST(ImageFilters, EffectorsChosenBySettings) {
    TBlurFilter blur;
    EXPECT_EQ(blur.CreateEffector(), nullptr);
    blur.SetBlurCount(2);
    auto e = blur.CreateEffector();
    ASSERT_NE(dynamic_cast<TGREffectBlur*>(e.get()), nullptr);
    EXPECT_EQ(dynamic_cast<TGREffectBlur*>(e.get())->Count(), 2);
    blur.SetBlurCount(-3);
    e = blur.CreateEffector();
    ASSERT_NE(dynamic_cast<TGREffectUnsharpMask*>(e.get()), nullptr);
    EXPECT_EQ(dynamic_cast<TGREffectUnsharpMask*>(e.get())->Amount(), 3.0L);

    TLightFilter light;
    EXPECT_EQ(light.CreateEffector(), nullptr);
    EXPECT_FALSE(light.IsActive(nullptr));
    light.SetContrast(1);
    EXPECT_TRUE(light.IsActive(nullptr));
    EXPECT_NE(dynamic_cast<TGREffectBrightnessContrast*>(light.CreateEffector().get()), nullptr);

    TMonotoneFilter mono;
    EXPECT_EQ(mono.CreateEffector(), nullptr);
    mono.SetRefColor(clBlack);
    EXPECT_NE(dynamic_cast<TGREffectMonoTone*>(mono.CreateEffector().get()), nullptr);
}

TEST(ImageFilters, PixelFiltersApplyToBitmapsAndJpegs) {
    TBitmap bitmap;
    FillPattern(bitmap, 12, 8);
    TPictureEx source;
    GetSafetyBitmap(source).Assign(bitmap);
    TPictureEx dest;
    TLightFilter light;
    EXPECT_TRUE(light.CanApply(&source));
    TRect r;
    // Nothing to do: a copy of the source.
    light.Apply(source, dest, r);
    EXPECT_EQ(r, Rect(0, 0, 12, 8));
    EXPECT_TRUE(dynamic_cast<TBitmap*>(dest.Graphic())->SharesImage(bitmap));

    light.SetBrightness(100);
    light.Apply(source, dest, r);
    auto* out = dynamic_cast<TSafetyBitmap*>(dest.Graphic());
    ASSERT_NE(out, nullptr);
    EXPECT_EQ(out->PixelFormat(), pf24bit);
    EXPECT_EQ(out->GetPixel(5, 5), clWhite);

    TPictureEx jpeg;
    GetSafetyJPEG(jpeg).Assign(bitmap);
    EXPECT_TRUE(light.CanApply(&jpeg));
    light.Apply(jpeg, dest, r);
    EXPECT_NE(dynamic_cast<TSafetyBitmap*>(dest.Graphic()), nullptr);
    EXPECT_EQ(r, Rect(0, 0, 12, 8));

    TPictureEx meta;
    meta.ForceType<TMetafile>();
    EXPECT_FALSE(light.CanApply(&meta));
    EXPECT_FALSE(light.CanApply(nullptr));

    // Sharpening by 3 is twice the picture less its three-times blur.
    TBlurFilter blur;
    blur.SetBlurCount(-3);
    blur.Apply(source, dest, r);
    TGREffectBlur three;
    three.SetCount(3);
    TBitmap blurred;
    three.SetSource(&bitmap);
    three.SetDest(&blurred);
    three.SetSourceRect(Rect(0, 0, 12, 8));
    three.Execute();
    auto* sharp = dynamic_cast<TBitmap*>(dest.Graphic());
    for (int x = 0; x < 12; ++x) {
        const int expected = std::clamp(2 * bitmap.ScanLine(3)[3 * x] - blurred.ScanLine(3)[3 * x], 0, 255);
        EXPECT_EQ(sharp->ScanLine(3)[3 * x], expected) << x;
    }
}
