#include "imaging/UResStream.h"
#include "tests/TestSupport.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// One entry of a 32-bit resource file: sizes, TYPE and NAME fields, padding, data, padding.
QByteArray Field(const TResName& n) {
    TMemoryStream s;
    if (n.IsOrdinal()) {
        s.WriteUInt16(0xFFFF);
        s.WriteUInt16(n.Ordinal());
    } else {
        for (QChar c : n.Text())
            s.WriteUInt16(c.unicode());
        s.WriteUInt16(0);
    }
    return s.Data();
}

QByteArray Entry(const TResName& type, const TResName& name, const QByteArray& data) {
    QByteArray fields = Field(type) + Field(name);
    while (fields.size() % 4)
        fields.append('\0');
    fields += QByteArray(16, '\0'); // version, flags, language, versions, characteristics
    TMemoryStream s;
    s.WriteUInt32(uint32_t(data.size()));
    s.WriteUInt32(uint32_t(8 + fields.size()));
    s.WriteBytes(fields);
    s.WriteBytes(data);
    while (s.GetSize() % 4)
        s.WriteByte(0);
    return s.Data();
}

QByteArray ResFile() {
    return Entry(uint16_t(0), uint16_t(0), {}) + Entry(uint16_t(RT_BITMAP), "LOGO2", "second") +
           Entry("CBM", "LOGO", "packed") + Entry(uint16_t(RT_BITMAP), "LOGO", "bitmap!") +
           Entry(uint16_t(RT_BITMAP), uint16_t(7), "ordinal");
}

bool Find(const QByteArray& file, const TResName& name, const TResName& type, QByteArray* data = nullptr) {
    TMemoryStream s(file);
    QByteArray found;
    const bool ok = FindResInResFile(s, name, type, found);
    if (data)
        *data = found;
    return ok;
}

} // namespace

TEST(ResFile, EntriesAreFoundByTypeAndWholeName) {
    QByteArray data;
    EXPECT_TRUE(Find(ResFile(), "logo", uint16_t(RT_BITMAP), &data));
    EXPECT_EQ(data, QByteArray("bitmap!"));
    EXPECT_TRUE(Find(ResFile(), "LOGO", "cbm", &data));
    EXPECT_EQ(data, QByteArray("packed"));
    EXPECT_TRUE(Find(ResFile(), uint16_t(7), uint16_t(RT_BITMAP), &data));
    EXPECT_EQ(data, QByteArray("ordinal"));
    // "LOGO2" begins with "LOG" but is another name; a text type is not the ordinal one.
    EXPECT_FALSE(Find(ResFile(), "LOG", uint16_t(RT_BITMAP)));
    EXPECT_FALSE(Find(ResFile(), "LOGO", "RT_BITMAP"));
}

TEST(ResFile, DamagedFilesEndTheScanInsideTheFile) {
    const QByteArray good = ResFile();
    QByteArray zeroHeader = good;
    zeroHeader[4] = zeroHeader[5] = zeroHeader[6] = zeroHeader[7] = 0; // no progress possible
    EXPECT_FALSE(Find(zeroHeader, "LOGO", uint16_t(RT_BITMAP)));
    QByteArray hugeData = good;
    hugeData[0] = hugeData[1] = hugeData[2] = char(0xFF);
    EXPECT_FALSE(Find(hugeData, "LOGO", uint16_t(RT_BITMAP)));
    EXPECT_FALSE(Find(good.left(good.size() - 3), uint16_t(7), uint16_t(RT_BITMAP)));
    // A name without its terminating zero runs into the end of its header: no match, no overrun.
    QByteArray unterminated = Entry("T", "NAMELONG", "x");
    unterminated[4] = char(16); // the header now ends after "T\0NA"
    EXPECT_FALSE(Find(unterminated, "NAMELONG", "T"));
}

TEST(ResStream, ReadsAnEntryOfAFileOrReportsItMissing) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("images.res"));
    TestSupport::WriteFile(path, ResFile());
    TResStream stream(path, "LOGO", "CBM");
    EXPECT_EQ(stream.ReadBytes(stream.GetSize()), QByteArray("packed"));
    try {
        TResStream missing(path, "NOPE", "CBM");
        ADD_FAILURE();
    } catch (const EResNotFound& e) {
        EXPECT_EQ(e.Message(), QStringLiteral("NOPE リソースが見つかりません"));
    }
    // Without the file, the program's own resources are asked (it has none of that name).
    EXPECT_THROW(TResStream(dir.filePath(QStringLiteral("none.res")), "LOGO", "CBM"), EResNotFound);
}
