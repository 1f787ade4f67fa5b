#include "platform/Cp932.h"
#include "platform/Exception.h"
#include "platform/Guid.h"
#include "platform/Stream.h"
#include "platform/StringList.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

TEST(Cp932, EncodesJapaneseAndHalfWidthKanaToKnownBytes) {
    EXPECT_EQ(Cp932::Encode(QStringLiteral("日本語")), TestSupport::Hex("93fa 967b 8cea"));
    EXPECT_EQ(Cp932::Encode(QStringLiteral("ｱ")), TestSupport::Hex("b1"));
    // CP932's own mapping of the wave dash and the numbered circle (not JIS X 0208's).
    EXPECT_EQ(Cp932::Encode(QStringLiteral("～①")), TestSupport::Hex("8160 8740"));
    EXPECT_EQ(Cp932::Decode(TestSupport::Hex("93fa 967b 8cea 41")), QStringLiteral("日本語A"));
}

TEST(Cp932, ReportsLossForCharactersOutsideTheCodePage) {
    bool lossless = true;
    const QByteArray bytes = Cp932::Encode(QStringLiteral("a😀b한"), &lossless);
    EXPECT_FALSE(lossless);
    EXPECT_EQ(bytes, QByteArray("a?b?"));
    EXPECT_TRUE(Cp932::CanEncode(QStringLiteral("写真ラベル123")));
    EXPECT_FALSE(Cp932::CanEncode(QStringLiteral("😀")));
}

TEST(Cp932, DecodesBrokenSequencesWithoutLosingTheRest) {
    // A lead byte at the end and an invalid trail byte each become one replacement character.
    EXPECT_EQ(Cp932::Decode(TestSupport::Hex("41 81")), QStringLiteral("A\uFFFD"));
    EXPECT_EQ(Cp932::Decode(TestSupport::Hex("ff 42")), QStringLiteral("\uFFFDB"));
    // A byte that cannot end a pair (below 0x40) is not swallowed by the lead byte before it: line
    // ends and ASCII after a damaged character survive.
    EXPECT_EQ(Cp932::Decode(TestSupport::Hex("81 0d 0a 41")), QStringLiteral("\uFFFD\r\nA"));
    EXPECT_EQ(Cp932::Decode(TestSupport::Hex("e0 22 93fa")), QStringLiteral("\uFFFD\"日"));
    EXPECT_TRUE(Cp932::IsLeadByte(0x81));
    EXPECT_FALSE(Cp932::IsLeadByte(0xA0));
}

TEST(StringList, TextFormEndsEveryLineWithCrLf) {
    TStringList l;
    l.SetText(QStringLiteral("a\r\nb\nc\rd"));
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l.Text(), QStringLiteral("a\r\nb\r\nc\r\nd\r\n"));
    l.SetText(QStringLiteral("x\r\n\r\n"));
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l[1], QString());
}

TEST(StringList, StreamFormIsCp932) {
    TStringList l;
    l.Add(QStringLiteral("写真"));
    TMemoryStream s;
    l.SaveToStream(s);
    EXPECT_EQ(s.Data(), TestSupport::Hex("8eca 905e 0d0a"));
    s.SetPosition(0);
    TStringList back;
    back.LoadFromStream(s);
    EXPECT_EQ(back.Text(), l.Text());
}

TEST(StringList, SortedListIgnoresDuplicatesCaseInsensitively) {
    TStringList l;
    l.SetSorted(true);
    l.Add(QStringLiteral("b"));
    l.Add(QStringLiteral("A"));
    EXPECT_EQ(l.Add(QStringLiteral("a")), 0);
    EXPECT_EQ(l.Count(), 2);
    EXPECT_EQ(l.IndexOf(QStringLiteral("B")), 1);
    EXPECT_THROW(l.Insert(0, QStringLiteral("z")), EListError);
    l.SetDuplicates(TDuplicates::dupError);
    EXPECT_THROW(l.Add(QStringLiteral("b")), EListError);
}

TEST(StringList, NameValueAccessAndBounds) {
    TStringList l;
    l.Add(QStringLiteral("Width=10"));
    l.Add(QStringLiteral("novalue"));
    EXPECT_EQ(l.Values(QStringLiteral("width")), QStringLiteral("10"));
    l.SetValue(QStringLiteral("Height"), QStringLiteral("20"));
    EXPECT_EQ(l.IndexOfName(QStringLiteral("HEIGHT")), 2);
    l.SetValue(QStringLiteral("Width"), QString());
    EXPECT_EQ(l.IndexOfName(QStringLiteral("Width")), -1);
    EXPECT_THROW(l.Strings(5), EListError);
    EXPECT_THROW(l.Delete(-1), EListError);
}

TEST(StringList, CommaTextQuotesWhatNeedsIt) {
    TStringList l;
    l.Add(QStringLiteral("plain"));
    l.Add(QStringLiteral("with space"));
    l.Add(QStringLiteral("q\"uote"));
    l.Add(QString());
    EXPECT_EQ(l.CommaText(), QStringLiteral("plain,\"with space\",\"q\"\"uote\",\"\""));
    TStringList back;
    back.SetCommaText(l.CommaText());
    EXPECT_EQ(back.Text(), l.Text());
}

TEST(StringList, ChangeEventsFireOncePerUpdateBlock) {
    TStringList l;
    int changes = 0;
    l.OnChange = [&](TObject*) { ++changes; };
    l.Add(QStringLiteral("a"));
    l.BeginUpdate();
    l.Add(QStringLiteral("b"));
    l.Add(QStringLiteral("c"));
    l.EndUpdate();
    EXPECT_EQ(changes, 2);
}

TEST(Guid, ParsesAndPrintsBracedForm) {
    const TGUID g = StringToGUID("{1153AE63-523C-11D3-AD37-00500463098A}");
    EXPECT_EQ(g.D1, 0x1153AE63u);
    EXPECT_EQ(g.D2, 0x523C);
    EXPECT_EQ(g.D4[7], 0x8A);
    EXPECT_EQ(g.ToString(), QStringLiteral("{1153AE63-523C-11D3-AD37-00500463098A}"));
    TGUID out;
    EXPECT_FALSE(TGUID::TryParse(QStringLiteral("{1153AE63-523C-11D3-AD37-00500463098}"), out));
    EXPECT_FALSE(TGUID::TryParse(QStringLiteral("{1153AE63+523C-11D3-AD37-00500463098A}"), out));
    EXPECT_THROW(TGUID::FromString(QStringLiteral("nonsense")), EConvertError);
    EXPECT_NE(TGUID::Create(), TGUID::Create());
}
