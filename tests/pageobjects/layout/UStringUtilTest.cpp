#include "pageobjects/layout/UStringUtil.h"

#include <gtest/gtest.h>

TEST(StringUtil, SurrogatePairsCountAsOneCharacter) {
    const QString s = QStringLiteral("a𠮷b");
    EXPECT_EQ(MbcsLength(s), 3);
    EXPECT_EQ(MbcsCopy(s, 2, 1), QStringLiteral("𠮷"));
    EXPECT_EQ(MbcsCopy(s, 3, 10), QStringLiteral("b"));
    EXPECT_EQ(MbcsCopy(s, 0, 2), QStringLiteral("a"));
    EXPECT_EQ(MbcsCopy(s, 9, 2), QString());
}

TEST(StringUtil, HalfWidthBecomesFullWidth) {
    EXPECT_EQ(HanToZen(QStringLiteral("ｶﾞｳﾞﾊﾟﾌﾞ")), QStringLiteral("ガヴパブ"));
    EXPECT_EQ(HanToZen(QStringLiteral("Ab9 \"*\\~")), QStringLiteral("Ａｂ９ ”×￥″"));
    EXPECT_EQ(HanToZen(QStringLiteral("ｶｹｬﾜｰ｡")), QStringLiteral("カケャワー。"));
    // A kana and a mark that form no pair: the kana unchanged, then the mark converted.
    EXPECT_EQ(HanToZen(QStringLiteral("ｱﾞ")), QStringLiteral("ｱ゛"));
    // The mark after a long-vowel sign is kept as the next character, not dropped.
    EXPECT_EQ(HanToZen(QStringLiteral("ｰﾞ")), QStringLiteral("ｰ゛"));
    EXPECT_EQ(HanToZenEx(QStringLiteral("1-2"), QStringLiteral("-")), QStringLiteral("１-２"));
    EXPECT_EQ(HanToZen(QStringLiteral("漢𠮷")), QStringLiteral("漢𠮷"));
}

TEST(StringUtil, DigitsToKanjiAndHiraganaToKatakana) {
    EXPECT_EQ(NumToKnj(QStringLiteral("12１２０")), QStringLiteral("12一二〇"));
    EXPECT_EQ(HiraganaToKatakana(QStringLiteral("ぶかけゐっ漢")), QStringLiteral("ブカケヰッ漢"));
    QStringList lines{QStringLiteral("１"), QStringLiteral("2")};
    NumToKnjList(lines);
    HanToZenList(lines, QString());
    EXPECT_EQ(lines, (QStringList{QStringLiteral("一"), QStringLiteral("２")}));
}
