#include "platform/PixelBuffer.h"
#include "platform/Exception.h"

#include <QPainter>
#include <gtest/gtest.h>

TEST(PixelBuffer, RowsArePaddedToFourBytes) {
    EXPECT_EQ(PixelBuffer::StrideFor(1, 1), 4);
    EXPECT_EQ(PixelBuffer::StrideFor(33, 1), 8);
    EXPECT_EQ(PixelBuffer::StrideFor(3, 4), 4);
    EXPECT_EQ(PixelBuffer::StrideFor(5, 24), 16);
    EXPECT_EQ(PixelBuffer::StrideFor(3, 32), 12);
    // Claims that would wrap in 32 bits stay exact.
    EXPECT_EQ(PixelBuffer::StrideFor(int64_t(1) << 31, 32), int64_t(1) << 33);
    const PixelBuffer buffer(5, 3, 24);
    EXPECT_EQ(buffer.Stride(), 16);
    EXPECT_EQ(buffer.ByteCount(), 48);
    EXPECT_EQ(buffer.ConstScanLine(2) - buffer.ConstScanLine(0), 32);
}

TEST(PixelBuffer, RefusesUnsupportedOrOversizedBuffers) {
    EXPECT_THROW(PixelBuffer(4, 4, 16), EInvalidGraphic);
    EXPECT_THROW(PixelBuffer(70000, 1, 24), EOutOfResources);
    EXPECT_THROW(PixelBuffer(60000, 60000, 32), EOutOfResources);
    EXPECT_THROW(PixelBuffer(-1, 1, 8), EOutOfResources);
}

TEST(PixelBuffer, CopiesShareUntilOneWrites) {
    PixelBuffer a(2, 2, 24);
    a.ScanLine(0)[0] = 7;
    PixelBuffer b = a;
    EXPECT_TRUE(a.SharesWith(b));
    EXPECT_EQ(a.ConstBits(), b.ConstBits());
    b.ScanLine(1)[0] = 9;
    EXPECT_FALSE(a.SharesWith(b));
    EXPECT_EQ(a.ConstScanLine(1)[0], 0);
    EXPECT_EQ(b.ConstScanLine(1)[0], 9);
    EXPECT_EQ(b.ConstScanLine(0)[0], 7);
}

TEST(PixelBuffer, ViewsUseTheMemoryItself) {
    for (int bits : {1, 8, 24, 32}) {
        PixelBuffer buffer(9, 3, bits);
        const QImage view = buffer.ConstView();
        ASSERT_FALSE(view.isNull()) << bits;
        EXPECT_EQ(view.constBits(), buffer.ConstBits()) << bits;
        EXPECT_EQ(view.bytesPerLine(), buffer.Stride()) << bits;
    }
    EXPECT_TRUE(PixelBuffer(4, 4, 4).ConstView().isNull());
}

TEST(PixelBuffer, PaintingAViewChangesThePixels) {
    PixelBuffer buffer(4, 2, 24);
    {
        QImage view = buffer.View();
        QPainter painter(&view);
        painter.fillRect(1, 1, 2, 1, QColor(0x11, 0x22, 0x33));
    }
    const uint8_t* row = buffer.ConstScanLine(1);
    EXPECT_EQ(row[3], 0x33); // blue first
    EXPECT_EQ(row[4], 0x22);
    EXPECT_EQ(row[5], 0x11);
    EXPECT_EQ(buffer.PixelRGB(2, 1), 0x112233u);
    EXPECT_EQ(buffer.PixelRGB(0, 1), 0u);
}

TEST(PixelBuffer, ViewOutlivesItsBufferAndSharedWritesDetach) {
    QImage view;
    {
        PixelBuffer buffer(2, 1, 32);
        buffer.ScanLine(0)[0] = 0xAB;
        view = buffer.ConstView();
        PixelBuffer copy = buffer;
        copy.ScanLine(0)[0] = 0x01;
        EXPECT_EQ(view.constBits()[0], 0xAB);
    }
    EXPECT_EQ(view.constBits()[0], 0xAB);
}

TEST(PixelBuffer, IndexedPixelsReadThroughTheTable) {
    PixelBuffer four(3, 1, 4);
    four.SetColorTable({0x000000, 0x123456, 0xABCDEF});
    four.ScanLine(0)[0] = 0x12; // pixel 0 = 1, pixel 1 = 2
    four.ScanLine(0)[1] = 0x20; // pixel 2 = 2
    EXPECT_EQ(four.PixelRGB(0, 0), 0x123456u);
    EXPECT_EQ(four.PixelRGB(1, 0), 0xABCDEFu);
    EXPECT_EQ(four.PixelRGB(2, 0), 0xABCDEFu);
    EXPECT_EQ(four.ToImage().pixel(1, 0) & 0xFFFFFF, 0xABCDEFu);
    // Widening keeps indices and table.
    const PixelBuffer eight = four.Converted(8);
    EXPECT_EQ(eight.ConstScanLine(0)[0], 1);
    EXPECT_EQ(eight.ConstScanLine(0)[2], 2);
    EXPECT_EQ(eight.ColorTable(), four.ColorTable());
    // A table is never longer than the bit count allows.
    PixelBuffer mono(1, 1, 1);
    mono.SetColorTable({1, 2, 3, 4});
    EXPECT_EQ(mono.ColorTable().size(), 2u);
}

TEST(PixelBuffer, GrayTableGivesAGreyView) {
    PixelBuffer gray(2, 2, 8);
    EXPECT_TRUE(gray.HasGrayTable());
    EXPECT_EQ(gray.ConstView().format(), QImage::Format_Grayscale8);
    gray.SetColorTable({0xFF0000});
    EXPECT_FALSE(gray.HasGrayTable());
    EXPECT_EQ(gray.ConstView().format(), QImage::Format_Indexed8);
}

TEST(PixelBuffer, ConversionsKeepColours) {
    QImage image(3, 1, QImage::Format_RGB32);
    image.setPixel(0, 0, qRgb(255, 0, 0));
    image.setPixel(1, 0, qRgb(0, 0, 0));
    image.setPixel(2, 0, qRgb(255, 255, 255));
    for (int bits : {8, 24, 32}) {
        const PixelBuffer buffer = PixelBuffer::FromImage(image, bits);
        EXPECT_EQ(buffer.PixelRGB(0, 0), 0xFF0000u) << bits;
        EXPECT_EQ(buffer.PixelRGB(1, 0), 0x000000u) << bits;
        EXPECT_EQ(buffer.PixelRGB(2, 0), 0xFFFFFFu) << bits;
    }
    const PixelBuffer mono = PixelBuffer::FromImage(image, 1);
    EXPECT_EQ(mono.ConstScanLine(0)[0] & 0xE0, 0x20); // red is dark, white is light
    const PixelBuffer wide = PixelBuffer::FromImage(image, 24).Converted(32);
    EXPECT_EQ(wide.PixelRGB(0, 0), 0xFF0000u);
}

TEST(PixelBuffer, EqualityIgnoresRowPadding) {
    PixelBuffer a(3, 1, 24);
    PixelBuffer b(3, 1, 24);
    b.ScanLine(0)[10] = 0x55; // padding byte
    EXPECT_TRUE(a == b);
    b.ScanLine(0)[8] = 1;
    EXPECT_FALSE(a == b);
    PixelBuffer m(3, 1, 1);
    PixelBuffer n(3, 1, 1);
    n.ScanLine(0)[0] = 0x1F; // bits past the third pixel
    EXPECT_TRUE(m == n);
}
