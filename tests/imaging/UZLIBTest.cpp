#include "imaging/UZLIB.h"
#include "tests/TestSupport.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using TestSupport::Hex;

namespace {

const QByteArray kSig = QByteArray("ZLIBCompress") + '\x1a';

QByteArray Pack(const QByteArray& data, TCompressionLevel level = TCompressionLevel::clMax) {
    TMemoryStream src(data), dst;
    ZLIBCompressStream(src, dst, level);
    return dst.Data();
}

QByteArray Unpack(TStream& s) {
    int32_t size = -1;
    if (!ReadZLIBHeader(s, size))
        throw std::runtime_error("no container");
    TMemoryStream out;
    ZLIBDecompressStream(s, out, size);
    return out.Data();
}

QByteArray Int32(int32_t v) {
    TMemoryStream s;
    s.WriteInt32(v);
    return s.Data();
}

} // namespace

TEST(ZLIBContainer, StoredBlockMatchesHandBuiltBytes) {
    // Level none gives a stored deflate block: header 78 01, final block of length 1 (01 0001 fffe),
    // the byte, then Adler-32 of "A" = 0x00420042 big-endian.
    EXPECT_EQ(Pack("A", TCompressionLevel::clNone), kSig + Hex("01000000 7801 01 0100 feff 41 00420042"));
}

TEST(ZLIBContainer, EveryLevelRoundTripsAndRecordsTheLength) {
    QByteArray data(200000, '\0');
    for (int i = 0; i < data.size(); ++i)
        data[i] = char((i * 7) % 13 + (i / 1000));
    for (auto level : {TCompressionLevel::clNone, TCompressionLevel::clFastest, TCompressionLevel::clDefault,
                       TCompressionLevel::clMax}) {
        TMemoryStream packed(Pack(data, level));
        EXPECT_EQ(packed.Data().mid(13, 4), Int32(200000));
        EXPECT_EQ(Unpack(packed), data);
        EXPECT_EQ(packed.GetPosition(), packed.GetSize());
    }
    TMemoryStream one(Pack("x", TCompressionLevel::clMax));
    EXPECT_EQ(one.Data().mid(13, 4), Int32(1));
    EXPECT_EQ(Unpack(one), QByteArray("x"));
}

TEST(ZLIBContainer, PacksFromTheSourcePositionAndAnEmptyRestRoundTrips) {
    TMemoryStream src(QByteArray("headerPAYLOAD")), dst;
    src.SetPosition(6);
    ZLIBCompressStream(src, dst, TCompressionLevel::clDefault);
    dst.SetPosition(0);
    EXPECT_EQ(Unpack(dst), QByteArray("PAYLOAD"));

    TMemoryStream empty(Pack(QByteArray()));
    EXPECT_EQ(empty.Data().mid(13, 4), Int32(0));
    EXPECT_EQ(Unpack(empty), QByteArray());
}

TEST(ZLIBContainer, HeaderTestLeavesNonContainersWhereTheyWere) {
    const QByteArray cases[] = {QByteArray(), QByteArray("ZLIBCompres"), QByteArray("ZLIBCompress"),
                                QByteArray("ZLIBCompress") + '\x1b' + Hex("01000000"),
                                QByteArray("zlibCompress") + '\x1a' + Hex("01000000")};
    for (const QByteArray& tail : cases) {
        TMemoryStream s(QByteArray("prefix") + tail);
        s.SetPosition(6);
        int32_t size = 1234;
        EXPECT_FALSE(ReadZLIBHeader(s, size)) << tail.toHex().constData();
        EXPECT_EQ(s.GetPosition(), 6);
        EXPECT_EQ(size, 1234);
    }
}

TEST(ZLIBContainer, EmbeddedContainerIsFoundAndReadingStopsAtItsEnd) {
    QByteArray data(100000, 'q');
    TMemoryStream s(QByteArray("before") + Pack(data) + QByteArray("after"));
    s.SetPosition(6);
    EXPECT_EQ(Unpack(s), data);
    EXPECT_EQ(s.ReadBytes(5), QByteArray("after"));
}

TEST(ZLIBContainer, BareHeaderIsAContainerButInflatingItFails) {
    TMemoryStream s(kSig + Int32(5));
    int32_t size = 0;
    ASSERT_TRUE(ReadZLIBHeader(s, size));
    EXPECT_EQ(size, 5);
    EXPECT_EQ(s.GetPosition(), 17);
    TMemoryStream out;
    EXPECT_THROW(ZLIBDecompressStream(s, out, size), EReadError);
    EXPECT_EQ(out.GetSize(), 0);

    // A stream that ends inside the length field: the header test answers, inflation still fails.
    TMemoryStream cut(kSig + Hex("0000"));
    ASSERT_TRUE(ReadZLIBHeader(cut, size));
    EXPECT_EQ(size, 0);
    EXPECT_EQ(cut.GetPosition(), 15);
    EXPECT_THROW(ZLIBDecompressStream(cut, out, size), EZlibError);
}

TEST(ZLIBContainer, UntrustedLengthsAndDamagedDataFailCleanly) {
    const QByteArray data(5000, 'z');
    const QByteArray packed = Pack(data);
    const QByteArray body = packed.mid(17);

    auto inflateWith = [&](int32_t claim, const QByteArray& zlib, QByteArray* out = nullptr) {
        TMemoryStream s(zlib);
        TMemoryStream d;
        try {
            ZLIBDecompressStream(s, d, claim);
        } catch (...) {
            if (out)
                *out = d.Data();
            throw;
        }
    };
    // Claims more than the data holds: the stream layer's read error, and only what inflated is written.
    QByteArray partial;
    EXPECT_THROW(inflateWith(5001, body, &partial), EReadError);
    EXPECT_EQ(partial, data);
    // Claims fewer: the data runs long.
    EXPECT_THROW(inflateWith(4999, body, &partial), EDecompressionError);
    EXPECT_EQ(partial, data.left(4999));
    // Negative and absurd claims are refused before inflating.
    EXPECT_THROW(inflateWith(-1, body), EDecompressionError);
    EXPECT_THROW(inflateWith(INT32_MAX, body), EDecompressionError);
    // A damaged byte in the deflate data or in the Adler-32 check.
    QByteArray bad = body;
    bad[3] = char(bad[3] ^ 0x55);
    EXPECT_THROW(inflateWith(5000, bad), EZlibError);
    bad = body;
    bad[bad.size() - 1] = char(bad[bad.size() - 1] ^ 1);
    try {
        inflateWith(5000, bad);
        ADD_FAILURE() << "a wrong check value must not pass";
    } catch (const EDecompressionError& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("error"));
    }
    // Truncated zlib data.
    EXPECT_THROW(inflateWith(5000, body.left(body.size() - 2)), EZlibError);
}

TEST(ZLIBContainer, RandomDataSurvivesAndLevelsAgree) {
    QByteArray data(70000, Qt::Uninitialized);
    QRandomGenerator gen(42);
    for (char& c : data)
        c = char(gen.bounded(256));
    TMemoryStream a(Pack(data, TCompressionLevel::clFastest)), b(Pack(data, TCompressionLevel::clNone));
    EXPECT_EQ(Unpack(a), data);
    EXPECT_EQ(Unpack(b), data);
}

TEST(ZLIBContainerFile, DecompressFileWritesOnlyForContainers) {
    QTemporaryDir dir;
    const QString packed = dir.filePath(QStringLiteral("a.cbm"));
    const QString plain = dir.filePath(QStringLiteral("a.bmp"));
    const QString out = dir.filePath(QStringLiteral("out.bin"));
    TestSupport::WriteFile(packed, Pack("content of the file"));
    TestSupport::WriteFile(plain, "BM not packed at all");

    EXPECT_TRUE(IsZLIBCompressedFile(packed));
    EXPECT_FALSE(IsZLIBCompressedFile(plain));
    EXPECT_THROW(IsZLIBCompressedFile(dir.filePath(QStringLiteral("missing"))), EFOpenError);

    ZLIBDecompressFile(plain, out);
    EXPECT_FALSE(QFile::exists(out));
    ZLIBDecompressFile(packed, out);
    EXPECT_EQ(TestSupport::ReadFile(out), QByteArray("content of the file"));

    // A damaged container leaves the previous file as it was.
    QByteArray damaged = Pack("other content");
    damaged.chop(3);
    TestSupport::WriteFile(packed, damaged);
    EXPECT_THROW(ZLIBDecompressFile(packed, out), EZlibError);
    EXPECT_EQ(TestSupport::ReadFile(out), QByteArray("content of the file"));
    EXPECT_THROW(ZLIBDecompressFile(dir.filePath(QStringLiteral("missing")), out), EFOpenError);
}
