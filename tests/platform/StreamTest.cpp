#include "platform/Stream.h"
#include "platform/Exception.h"
#include "tests/TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(MemoryStream, WritePastEndGrowsAndZeroFillsGap) {
    TMemoryStream s;
    s.WriteUInt16(0x1234);
    s.Seek(6, TSeekOrigin::soBeginning);
    s.WriteByte(0xAB);
    EXPECT_EQ(s.GetSize(), 7);
    EXPECT_EQ(s.Data(), TestSupport::Hex("3412 00000000 ab"));
}

TEST(MemoryStream, ReadBufferFailsCleanlyWhenShort) {
    TMemoryStream s(TestSupport::Hex("01 02 03"));
    uint8_t buf[4];
    EXPECT_THROW(s.ReadBuffer(buf, 4), EReadError);
    s.SetPosition(0);
    EXPECT_THROW(s.ReadBytes(-1), EReadError);
    EXPECT_THROW(s.ReadBytes(int64_t(1) << 40), EReadError);
    EXPECT_EQ(s.ReadBytes(3), TestSupport::Hex("01 02 03"));
}

TEST(MemoryStream, LittleEndianHelpersRoundTrip) {
    TMemoryStream s;
    s.WriteUInt32(0xDEADBEEF);
    s.WriteUInt64(0x0102030405060708ull);
    s.WriteInt32(-2);
    EXPECT_EQ(s.Data(), TestSupport::Hex("efbeadde 0807060504030201 feffffff"));
    s.SetPosition(0);
    EXPECT_EQ(s.ReadUInt32(), 0xDEADBEEFu);
    EXPECT_EQ(s.ReadUInt64(), 0x0102030405060708ull);
    EXPECT_EQ(s.ReadInt32(), -2);
}

TEST(MemoryStream, SeekBeforeStartClampsAndSetSizeShrinksPosition) {
    TMemoryStream s(QByteArray(10, 'a'));
    EXPECT_EQ(s.Seek(-20, TSeekOrigin::soCurrent), 0);
    EXPECT_EQ(s.Seek(INT64_MIN, TSeekOrigin::soEnd), 0);
    s.Seek(0, TSeekOrigin::soEnd);
    s.SetSize(4);
    EXPECT_EQ(s.GetPosition(), 4);
    EXPECT_THROW(s.SetSize(-1), EStreamError);
}

TEST(SubStream, NeverReadsPastItsWindow) {
    TMemoryStream base(QByteArray("0123456789"));
    TSubStream sub(base, 2, 4);
    EXPECT_EQ(sub.GetSize(), 4);
    EXPECT_EQ(sub.ReadBytes(4), QByteArray("2345"));
    char c;
    EXPECT_EQ(sub.Read(&c, 1), 0);
    sub.SetPosition(1);
    EXPECT_THROW(sub.ReadBytes(4), EReadError);
}

TEST(SubStream, SeekFarPastTheEndStopsAtTheEnd) {
    TMemoryStream base(QByteArray("0123456789"));
    TSubStream sub(base, 2, 4);
    sub.SetPosition(3);
    EXPECT_EQ(sub.Seek(INT64_MAX, TSeekOrigin::soCurrent), 4);
    EXPECT_EQ(sub.Seek(INT64_MAX, TSeekOrigin::soEnd), 4);
    EXPECT_EQ(sub.Seek(INT64_MIN, TSeekOrigin::soEnd), 0);
}

TEST(FileStream, CreateReadWriteAndMissingFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.bin"));
    {
        TFileStream f(path, fmCreate);
        f.WriteBytes("hello");
        f.SetSize(3);
    }
    {
        TFileStream f(path, fmOpenRead);
        EXPECT_EQ(f.GetSize(), 3);
        EXPECT_EQ(f.ReadBytes(3), QByteArray("hel"));
        EXPECT_EQ(f.Write("x", 1), 0);
    }
    {
        // An offset read from a damaged file may be anything; the position never wraps below zero.
        TFileStream f(path, fmOpenRead);
        f.SetPosition(1);
        EXPECT_GE(f.Seek(INT64_MAX, TSeekOrigin::soCurrent), 1);
        f.SetPosition(1);
        EXPECT_EQ(f.ReadBytes(2), QByteArray("el"));
    }
    EXPECT_THROW(TFileStream(dir.filePath(QStringLiteral("missing")), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir.filePath(QStringLiteral("no/such/dir/x")), fmCreate), EFCreateError);
}

TEST(MemoryStream, SaveToFileKeepsOldFileWhenFolderMissing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("keep.bin"));
    TMemoryStream s(QByteArray("new"));
    s.SaveToFile(path);
    TMemoryStream back;
    back.LoadFromFile(path);
    EXPECT_EQ(back.Data(), QByteArray("new"));
    EXPECT_THROW(s.SaveToFile(dir.filePath(QStringLiteral("none/keep.bin"))), EFCreateError);
}
