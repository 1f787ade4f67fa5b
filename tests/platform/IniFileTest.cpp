#include "platform/IniFile.h"

#include "platform/Cp932.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

IniFile Parse(const QString& text) {
    IniFile ini;
    ini.LoadFromBytes(Cp932::Encode(text), QStringLiteral("test.ini"));
    return ini;
}

} // namespace

TEST(IniFileTest, SectionsAndKeysKeepFileOrderAndFirstNameWins) {
    const IniFile ini = Parse(QStringLiteral("orphan=1\r\n"
                                             "; comment\r\n"
                                             "[Zeta]\r\n"
                                             " b = two words \r\n"
                                             "a=1=2\r\n"
                                             "B=later\r\n"
                                             "no equals sign\r\n"
                                             "=no key\r\n"
                                             "[alpha]\rx=1\r"
                                             "[ZETA]\n"
                                             "c=3\n"
                                             "[broken\n"
                                             "d=4\n"));
    EXPECT_EQ(ini.SectionNames(), (QStringList{QStringLiteral("Zeta"), QStringLiteral("alpha")}));
    EXPECT_EQ(ini.KeyNames(QStringLiteral("zeta")), (QStringList{QStringLiteral("b"), QStringLiteral("a")}));
    EXPECT_EQ(ini.ReadString(QStringLiteral("ZETA"), QStringLiteral("B")), u"two words");
    EXPECT_EQ(ini.ReadString(QStringLiteral("Zeta"), QStringLiteral("a")), u"1=2");
    // A later section of the same name is skipped whole, and a broken header ends the section before.
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("Zeta"), QStringLiteral("c")));
    EXPECT_FALSE(ini.ValueExists(QStringLiteral("alpha"), QStringLiteral("d")));
    EXPECT_EQ(ini.ReadInteger(QStringLiteral("Alpha"), QStringLiteral("X"), -1), 1);
    EXPECT_EQ(ini.ReadString(QStringLiteral("none"), QStringLiteral("x"), QStringLiteral("def")), u"def");
    EXPECT_TRUE(ini.Entries(QStringLiteral("none")).empty());
}

TEST(IniFileTest, Cp932TrailBytesAreNotTakenForBrackets) {
    // ゾ ends in the byte of "]", ー in that of "[": the text is decoded before it is split.
    const IniFile ini = Parse(QStringLiteral("[ゾーン]\r\nソース=表示\r\n"));
    ASSERT_EQ(ini.SectionNames(), QStringList{QStringLiteral("ゾーン")});
    EXPECT_EQ(ini.ReadString(QStringLiteral("ゾーン"), QStringLiteral("ソース")), u"表示");
}

TEST(IniFileTest, BoundsAndMissingFilesRaiseClearErrors) {
    IniFile ini;
    EXPECT_THROW(ini.LoadFromBytes(QByteArray(IniFile::MaxFileSize + 1, 'a')), EIniFile);
    QByteArray longLine = "[s]\nk=" + QByteArray(IniFile::MaxLineLength, 'x');
    EXPECT_THROW(ini.LoadFromBytes(longLine), EIniFile);
    QByteArray many;
    for (int i = 0; i <= IniFile::MaxSections; ++i)
        many += "[s" + QByteArray::number(i) + "]\n";
    EXPECT_THROW(ini.LoadFromBytes(many), EIniFile);

    QTemporaryDir dir;
    try {
        IniFile missing(dir.filePath(QStringLiteral("none.ini")));
        FAIL() << "a missing file was read";
    } catch (const EIniFile& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("none.ini")));
    }
    QFile file(dir.filePath(QStringLiteral("a.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(Cp932::Encode(QStringLiteral("[写真]\nサイズ=1\n")));
    file.close();
    const IniFile read(file.fileName());
    EXPECT_EQ(read.ReadInteger(QStringLiteral("写真"), QStringLiteral("サイズ"), 0), 1);
}

TEST(IniFileTest, IntegersReadAsTheSystemConvertsThem) {
    int v = 0;
    const std::pair<const char*, int> good[] = {{"12", 12},
                                                {" -5 ", -5},
                                                {"+7", 7},
                                                {"$ff", 255},
                                                {"0x10", 16},
                                                {"$FFFFFFFF", -1},
                                                {"-2147483648", INT32_MIN},
                                                {"2147483647", INT32_MAX}};
    for (const auto& [text, value] : good) {
        EXPECT_TRUE(IniFile::ParseInteger(QString::fromLatin1(text), v)) << text;
        EXPECT_EQ(v, value) << text;
    }
    for (const char* text : {"", "-", "$", "12a", "2147483648", "$100000000", "1 2", "９"})
        EXPECT_FALSE(IniFile::ParseInteger(QString::fromUtf8(text), v)) << text;
    EXPECT_EQ(IniFile::StrToIntDef(QStringLiteral("x"), 42), 42);
}
