#include "platform/ComponentResource.h"
#include "tests/TestSupport.h"
#include "tests/platform/StreamTestClasses.h"

#include <gtest/gtest.h>

using namespace StreamTest;
using TestSupport::Hex;

TEST(ComponentResource, HeaderIsWrittenByteForByte) {
    RegisterStreamTestClasses();
    TPart part(nullptr);
    part.SetName(QStringLiteral("P"));
    TMemoryStream s;
    s.WriteByte(0xAA); // the resource starts wherever the stream is
    WriteComponentRes(s, QStringLiteral("TColorSpecWrapper"), &part);
    const QByteArray component = QByteArray("TPF0") + S("TPart") + S("P") + Hex("00 00");
    EXPECT_EQ(s.Data(),
              Hex("aa ff 0a00") + QByteArray("TCOLORSPECWRAPPER") + Hex("00 3010 0e000000") + component);
    EXPECT_EQ(s.GetPosition(), s.GetSize());

    s.SetPosition(1);
    std::unique_ptr<TComponent> back = ReadComponentRes(s);
    EXPECT_EQ(back->ClassName(), QStringLiteral("TPart"));
    EXPECT_EQ(back->Name(), QStringLiteral("P"));
    EXPECT_EQ(s.GetPosition(), s.GetSize());

    TPart into(nullptr);
    s.SetPosition(1);
    ReadComponentRes(s, into);
    EXPECT_EQ(into.Name(), QStringLiteral("P"));
}

TEST(ComponentResource, LongNamesAreCutTo63AndDoubleByteCharactersKept) {
    TPart part(nullptr);
    TMemoryStream s;
    WriteComponentRes(s, QString(70, QLatin1Char('a')), &part);
    EXPECT_EQ(s.Data().mid(3, 64), QByteArray(63, 'A') + '\0');
    // 62 ASCII bytes then a two-byte character: it does not fit whole, so it is left out.
    TMemoryStream j;
    WriteComponentRes(j, QString(62, QLatin1Char('b')) + QStringLiteral("日z"), &part);
    EXPECT_EQ(j.Data().mid(3, 63), QByteArray(62, 'B') + '\0');
    TMemoryStream k;
    WriteComponentRes(k, QStringLiteral("ab日x"), &part);
    EXPECT_EQ(k.Data().mid(3, 6), Hex("4142 93fa 58 00"));
}

TEST(ComponentResource, DamagedHeadersAreRefused) {
    RegisterStreamTestClasses();
    for (const QByteArray& bytes :
         {Hex(""), Hex("ff"), Hex("fe 0a00 4100 3010 00000000"), Hex("ff 0b00 4100"), Hex("ff 0a00 41"),
          Hex("ff 0a00 4100 3010 0000"), Hex("ff 0a00") + QByteArray(300, 'x') + Hex("00 3010 00000000")}) {
        TMemoryStream s(bytes);
        try {
            ReadComponentRes(s);
            ADD_FAILURE() << "no error for " << bytes.toHex().constData();
        } catch (const EReadError& e) {
            EXPECT_EQ(e.Message(), QStringLiteral("Invalid stream format")) << bytes.toHex().constData();
        }
    }
}
