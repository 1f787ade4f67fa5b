// Previews built stage by stage on the worker equal what the image data's own chain makes.

#include "app/UEffectPreview.h"
#include "imaging/UImageData.h"
#include "imaging/UImageFilter.h"
#include "imaging/UJPEGImage.h"
#include "imaging/USafetyBitmap.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <gtest/gtest.h>

namespace {

constexpr int kLimit = 120;

// A picture with structure in every channel, so blur, tint and light tables all show.
void FillPattern(TImageData& data, int width, int height) {
    TSafetyBitmap bitmap(width, height, pf24bit);
    for (int y = 0; y < height; ++y) {
        uint8_t* line = bitmap.ScanLine(y);
        for (int x = 0; x < width; ++x) {
            line[x * 3] = uint8_t(x * 255 / width);
            line[x * 3 + 1] = uint8_t((x * 7 + y * 13) % 256);
            line[x * 3 + 2] = uint8_t(((x / 9 + y / 9) % 2) * 200 + 20);
        }
    }
    data.Picture()->SetGraphic(&bitmap);
}

PixelBuffer Pixels24(TPictureEx& picture) {
    return CopyToSafetyBitmap24(picture)->Pixels();
}

TEffectStyle Effects(int brightness, int contrast, int focus, TColor color) {
    TEffectStyle style;
    style.Brightness = brightness;
    style.Contrast = contrast;
    style.Focus = focus;
    style.Color = color;
    return style;
}

// The preview of data with effects next to the image data's own chain on a copy.
void ExpectSameAsChain(TEffectPreviewBuilder& builder, const std::shared_ptr<const TEffectSource>& source,
                       TImageData& data, const TEffectStyle& effects, int stepsExpected) {
    TPictureEx& preview = builder.Build({source, effects});
    EXPECT_EQ(builder.StepsRun(), stepsExpected);
    TImageData reference;
    reference.Assign(&data);
    ApplyEffectStyle(effects, reference);
    TPictureEx* filtered = reference.GetFilteredPicture(nullptr, kLimit);
    ASSERT_EQ(preview.Width(), filtered->Width());
    ASSERT_EQ(preview.Height(), filtered->Height());
    EXPECT_TRUE(Pixels24(preview) == Pixels24(*filtered));
    const TColor transparent = data.UsesTransparentColor() ? data.TransparentColor() : clNone;
    EXPECT_EQ(EffectPreviewImage(preview, transparent), EffectPreviewImage(*filtered, transparent));
}

} // namespace

TEST(EffectPreview, EqualsTheImageDataChainOverATableOfSettingsRerunningOnlyChangedStages) {
    TImageData data;
    FillPattern(data, 300, 200);
    data.ClipFilter()->SetClipRect(TRect(10, 20, 290, 190));
    const std::shared_ptr<const TEffectSource> source = TakeEffectSource(data, kLimit);
    TEffectPreviewBuilder builder;
    struct Row {
        TEffectStyle effects;
        int steps;
    };
    const Row table[] = {
        {Effects(0, 0, 0, clNone), 4},      // the work picture and three pass-through filters
        {Effects(30, 0, 0, clNone), 1},     // brightness: only the light table
        {Effects(-20, 40, 0, clNone), 1},   // contrast too
        {Effects(-20, 40, 5, clNone), 3},   // focus: blur and everything after it
        {Effects(-20, 40, 5, 0x6680A0), 2}, // tint: the tint and the light table
        {Effects(10, 40, 5, 0x6680A0), 1},  // back to the light table only
        {Effects(10, 40, 5, 0x6680A0), 0},  // nothing changed
        {Effects(0, 0, -3, 0xFFFFFF), 3},   // sharpen with a white tint
        {Effects(0, 0, 10, 0x6680A0), 3},   // ソフト強 with セピア
        {Effects(-100, -100, -6, 0x336699), 3}, {Effects(0, 0, 0, clNone), 3},
    };
    for (size_t i = 0; i < std::size(table); ++i) {
        SCOPED_TRACE(i);
        ExpectSameAsChain(builder, source, data, table[i].effects, table[i].steps);
    }

    // A new source starts again from the work picture.
    data.ClipFilter()->SetClipRect(TRect(0, 0, 300, 200));
    ExpectSameAsChain(builder, TakeEffectSource(data, kLimit), data, Effects(10, 0, 1, clNone), 4);
}

TEST(EffectPreview, TransparentAndJPEGPicturesMatchTheChainAndShowTheirMask) {
    TImageData data;
    FillPattern(data, 90, 60);
    auto* bitmap = dynamic_cast<TBitmap*>(data.Picture()->Graphic());
    ASSERT_NE(bitmap, nullptr);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            uint8_t* p = bitmap->ScanLine(y) + x * 3;
            p[0] = 0x00, p[1] = 0xFF, p[2] = 0x00;
        }
    bitmap->Changed();
    data.SetTransparentColor(0x00FF00);
    TEffectPreviewBuilder builder;
    const auto source = TakeEffectSource(data, kLimit);
    ExpectSameAsChain(builder, source, data, Effects(0, 0, 2, 0x6680A0), 4);
    ExpectSameAsChain(builder, source, data, Effects(40, 0, 2, 0x6680A0), 1);
    const QImage image = EffectPreviewImage(builder.Build({source, Effects(40, 0, 2, 0x6680A0)}), 0x00FF00);
    EXPECT_EQ(qAlpha(image.pixel(3, 3)), 0) << "the transparent corner";
    EXPECT_EQ(image.pixel(3, 3) & 0xFFFFFFu, 0x00FF00u);
    EXPECT_EQ(qAlpha(image.pixel(60, 40)), 255);

    // A JPEG photo (as read from a file) is read back on the worker from its own bytes.
    TImageData photo;
    FillPattern(photo, 200, 150);
    TJPEGGraphic compressed;
    compressed.Assign(*photo.Picture()->Graphic());
    TJPEGGraphic jpeg;
    jpeg.SetData(compressed.Data());
    photo.Picture()->SetGraphic(&jpeg);
    ExpectSameAsChain(builder, TakeEffectSource(photo, kLimit), photo, Effects(-10, 20, -1, 0xFFFFFF), 4);
}

TEST(EffectPreview, TheWorkerAnswersTheNewestRequestByQueuedSignal) {
    TImageData data;
    FillPattern(data, 160, 100);
    const auto source = TakeEffectSource(data, kLimit);
    TEffectPreviewThread thread;
    std::vector<quint64> received;
    QImage last;
    QObject receiver;
    QObject::connect(&thread, &TEffectPreviewThread::PreviewReady, &receiver,
                     [&](const QImage& image, quint64 serial) {
                         EXPECT_EQ(QThread::currentThread(), receiver.thread());
                         received.push_back(serial);
                         last = image;
                     });
    quint64 newest = 0;
    for (int brightness = -50; brightness <= 50; brightness += 10)
        newest = thread.Request({source, Effects(brightness, 0, 3, clNone)});
    QElapsedTimer timer;
    timer.start();
    while ((received.empty() || received.back() != newest) && timer.elapsed() < 20000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received.back(), newest);
    EXPECT_TRUE(std::is_sorted(received.begin(), received.end()));
    EXPECT_LE(received.size(), size_t(newest));

    ApplyEffectStyle(Effects(50, 0, 3, clNone), data);
    EXPECT_EQ(last, EffectPreviewImage(*data.GetFilteredPicture(nullptr, kLimit), clNone));
}
