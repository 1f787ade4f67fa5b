#include "platform/Metafile.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <gtest/gtest.h>

namespace {

QByteArray EmfHeader(int32_t frameRight, int32_t frameBottom) {
    TMemoryStream s;
    s.WriteUInt32(1);  // EMR_HEADER
    s.WriteUInt32(88); // record size
    for (int i = 0; i < 4; ++i)
        s.WriteInt32(0); // rclBounds
    s.WriteInt32(0);
    s.WriteInt32(0);
    s.WriteInt32(frameRight);
    s.WriteInt32(frameBottom);
    s.WriteUInt32(0x464D4520); // " EMF"
    s.WriteUInt32(0x10000);
    s.WriteUInt32(88);
    while (s.GetSize() < 88)
        s.WriteByte(0);
    return s.Data();
}

} // namespace

TEST(Metafile, RecordingIsReplayedScaledIntoTheRectangle) {
    TMetafile meta;
    {
        TMetafileCanvas canvas(meta);
        canvas.FillSolid(TRect(0, 0, 10, 10), clRed);
        canvas.FillSolid(TRect(10, 0, 20, 10), clBlue);
    }
    EXPECT_EQ(meta.Kind(), TMetafile::mkRecording);
    EXPECT_EQ(meta.Width(), 20);
    EXPECT_EQ(meta.Height(), 10);

    QImage target(40, 20, QImage::Format_RGB32);
    target.fill(Qt::white);
    {
        TCanvas canvas(&target);
        canvas.StretchDraw(TRect(0, 0, 40, 20), meta);
    }
    EXPECT_EQ(target.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(target.pixel(30, 10), qRgb(0, 0, 255));

    // Stored and read back verbatim, then drawn the same.
    TMemoryStream s;
    meta.WriteData(s);
    s.SetPosition(0);
    TMetafile back;
    back.ReadData(s);
    EXPECT_EQ(back.Data(), meta.Data());
    EXPECT_EQ(back.Width(), 20);
}

TEST(Metafile, ForeignMetafilesKeepBytesAndHeaderSize) {
    TMetafile meta;
    const QByteArray emf = EmfHeader(2540, 1270) + QByteArray("records");
    meta.SetData(emf);
    EXPECT_EQ(meta.Kind(), TMetafile::mkEnhanced);
    EXPECT_EQ(meta.Width(), 96);
    EXPECT_EQ(meta.Height(), 48);
    TMemoryStream out;
    meta.SaveToStream(out);
    EXPECT_EQ(out.Data(), emf);

    // Placeable: bounding box 0,0 - 1440,720 at 1440 units an inch.
    TMemoryStream wmf;
    wmf.WriteUInt32(0x9AC6CDD7);
    wmf.WriteUInt16(0);
    for (int v : {0, 0, 1440, 720})
        wmf.WriteUInt16(uint16_t(v));
    wmf.WriteUInt16(1440);
    wmf.WriteUInt32(0);
    wmf.WriteUInt16(0);
    // The Windows metafile header and an end record.
    for (int v : {1, 9, 0x300, 12, 0, 0, 3, 0, 0, 3, 0, 0})
        wmf.WriteUInt16(uint16_t(v));
    meta.SetData(wmf.Data());
    EXPECT_EQ(meta.Kind(), TMetafile::mkPlaceable);
    EXPECT_EQ(meta.Width(), 96);
    EXPECT_EQ(meta.Height(), 48);
}

TEST(Metafile, UnknownOrDamagedDataIsRefused) {
    TMetafile meta;
    meta.SetData(EmfHeader(100, 100));
    EXPECT_THROW(meta.SetData("not a metafile at all"), EInvalidGraphic);
    EXPECT_THROW(meta.SetData(QByteArray("QPIC") + QByteArray(40, '\x11')), EInvalidGraphic);
    EXPECT_EQ(meta.Kind(), TMetafile::mkEnhanced);
    TMemoryStream s;
    s.WriteInt32(-5);
    s.SetPosition(0);
    EXPECT_THROW(meta.ReadData(s), EReadError);
}
