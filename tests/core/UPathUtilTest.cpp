#include "core/UPathUtil.h"

#include "platform/StringList.h"
#include "tests/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString Resolve(const char* relative, const char* base) {
    return ResolvePath(QString::fromUtf8(relative), QString::fromUtf8(base));
}

} // namespace

TEST(PathUtil, ResolveJoinsRelativeElementsOntoBase) {
    EXPECT_EQ(Resolve("c\\d", "a\\b"), u"a\\b\\c\\d");
    EXPECT_EQ(Resolve("..\\c", "a\\b"), u"a\\c");
    EXPECT_EQ(Resolve("..", "a\\b"), u"a");
    EXPECT_EQ(Resolve(".\\c\\.", "a"), u"a\\c");
    EXPECT_EQ(Resolve("c\\..\\d", "a"), u"a\\d");
    EXPECT_EQ(Resolve("c\\", "a\\b\\"), u"a\\b\\c");
    EXPECT_EQ(Resolve("", ""), u"");
}

TEST(PathUtil, ResolveLeadingBackslashRestartsAtRoot) {
    // An absolute relative path drops the base; only a rooted base gives a rooted result.
    EXPECT_EQ(Resolve("\\x", "a\\b"), u"x");
    EXPECT_EQ(Resolve("c", "\\a"), u"\\a\\c");
    EXPECT_EQ(Resolve("\\x\\y", "\\a"), u"\\x\\y");
    EXPECT_EQ(Resolve("..", "\\a"), u"\\");
}

TEST(PathUtil, ResolveTooManyParentsRaises) {
    try {
        Resolve("..\\..\\..", "a\\b");
        FAIL() << "no exception";
    } catch (const EPathUtil& e) {
        EXPECT_EQ(e.Message(), u"too many \"..\"");
        EXPECT_STREQ(e.ClassName(), "EPathUtil");
    }
    EXPECT_THROW(Resolve("..", ""), EPathUtil);
}

TEST(PathUtil, ResolveSkipsEmptyElementsAndKeepsLongPaths) {
    EXPECT_EQ(Resolve("c\\\\d", "a"), u"a\\c\\d");
    QString longBase;
    for (int i = 0; i < 100; ++i)
        longBase = JoinElementPath(longBase, QStringLiteral("element%1").arg(i));
    ASSERT_GT(longBase.size(), 900);
    EXPECT_EQ(ResolvePath(QStringLiteral("leaf"), longBase), longBase + QStringLiteral("\\leaf"));
}

TEST(PathUtil, AddPathElementsTrailingParentTakesEffect) {
    QStringList list{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    AddPathElements(list, QStringLiteral("..\\.."));
    EXPECT_EQ(list, QStringList{QStringLiteral("a")});
    AddPathElements(list, QStringLiteral("\\r\\s"));
    EXPECT_EQ(list, (QStringList{QStringLiteral("r"), QStringLiteral("s")}));
}

TEST(PathUtil, SplitFirstElement) {
    QString path = QStringLiteral("Sheets\\Sheet1\\Info");
    QString first;
    SplitFirstElement(path, first);
    EXPECT_EQ(first, u"Sheets");
    EXPECT_EQ(path, u"Sheet1\\Info");
    path = QStringLiteral("Info");
    SplitFirstElement(path, first);
    EXPECT_EQ(first, u"Info");
    EXPECT_TRUE(path.isEmpty());
    path = QStringLiteral("\\x");
    SplitFirstElement(path, first);
    EXPECT_TRUE(first.isEmpty());
    EXPECT_EQ(path, u"x");
}

TEST(PathUtil, DiskHelpersUseSlash) {
    EXPECT_EQ(IncludeBackslash(QStringLiteral("/tmp/a")), u"/tmp/a/");
    EXPECT_EQ(IncludeBackslash(QStringLiteral("/tmp/a/")), u"/tmp/a/");
    EXPECT_EQ(IncludeBackslash(QString()), u"");
    // A "\" is an ordinary character of a Linux file name.
    EXPECT_EQ(IncludeBackslash(QStringLiteral("a\\")), u"a\\/");
    EXPECT_EQ(ExcludeBackslash(QStringLiteral("/tmp/a/")), u"/tmp/a");
    EXPECT_EQ(ExcludeBackslash(QStringLiteral("/tmp/a")), u"/tmp/a");
    EXPECT_EQ(ExcludeBackslash(QStringLiteral("/")), u"/");
    EXPECT_EQ(JoinPath(QString(), QStringLiteral("x")), u"x");
    EXPECT_EQ(JoinPath(QStringLiteral("/d"), QStringLiteral("x")), u"/d/x");
    EXPECT_EQ(ToLocalPath(QStringLiteral("Data\\Illust\\Illust.dat")), u"Data/Illust/Illust.dat");
}

TEST(PathUtil, ElementJoinAndDoubleByteEndings) {
    // U+8868 is 0x95 0x5C in the double-byte code page: its trail byte equals "\", yet the text
    // does not end with a separator.
    const QString hyo = QString::fromUtf8("\xE8\xA1\xA8");
    EXPECT_FALSE(EndsWithChar(hyo, ElementDelim));
    EXPECT_EQ(JoinElementPath(hyo, QStringLiteral("x")), hyo + QStringLiteral("\\x"));
    EXPECT_EQ(IncludeBackslash(hyo), hyo + QStringLiteral("/"));
    EXPECT_EQ(JoinElementPath(QStringLiteral("a\\"), QStringLiteral("b")), u"a\\b");
    EXPECT_EQ(JoinElementPath(QString(), QStringLiteral("b")), u"b");
    EXPECT_FALSE(EndsWithChar(QString(), u'\\'));
    EXPECT_TRUE(EndsWithChar(QStringLiteral("a/"), u'/'));
}

TEST(PathUtil, MakeTempFileNameCreatesDistinctEmptyFiles) {
    const QString a = MakeTempFileName(QStringLiteral("PPR"));
    const QString b = MakeTempFileName(QStringLiteral("PPR"));
    ASSERT_FALSE(a.isEmpty());
    ASSERT_FALSE(b.isEmpty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(QFileInfo(a).fileName().startsWith(u"PPR"));
    EXPECT_EQ(QFileInfo(a).absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
    EXPECT_TRUE(QFileInfo(a).isFile());
    EXPECT_EQ(QFileInfo(a).size(), 0);
    QFile::remove(a);
    QFile::remove(b);
}

TEST(PathUtil, AddFilesRecursiveListsFilesBelowFolder) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath(QStringLiteral("sub/deeper"));
    QDir(dir.path()).mkpath(QStringLiteral(".hidden"));
    TestSupport::WriteFile(dir.filePath(QStringLiteral("a.bmp")), "a");
    TestSupport::WriteFile(dir.filePath(QStringLiteral("sub/b.bmp")), "b");
    TestSupport::WriteFile(dir.filePath(QStringLiteral("sub/deeper/c.bmp")), "c");
    TestSupport::WriteFile(dir.filePath(QStringLiteral(".skip")), "s");
    TestSupport::WriteFile(dir.filePath(QStringLiteral(".hidden/d.bmp")), "d");

    TStringList files;
    AddFilesRecursive(files, dir.path() + QStringLiteral("/"));
    QStringList got = files.ToQStringList();
    got.sort();
    EXPECT_EQ(got,
              (QStringList{dir.filePath(QStringLiteral("a.bmp")), dir.filePath(QStringLiteral("sub/b.bmp")),
                           dir.filePath(QStringLiteral("sub/deeper/c.bmp"))}));

    TStringList none;
    AddFilesRecursive(none, dir.filePath(QStringLiteral("a.bmp")));
    AddFilesRecursive(none, dir.filePath(QStringLiteral("missing")));
    EXPECT_EQ(none.Count(), 0);
}

TEST(PathUtil, AddFilesRecursiveDoesNotLoopOnLinksToParents) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkpath(QStringLiteral("sub"));
    TestSupport::WriteFile(dir.filePath(QStringLiteral("sub/x.png")), "x");
    ASSERT_TRUE(QFile::link(dir.path(), dir.filePath(QStringLiteral("sub/up"))));
    ASSERT_TRUE(QFile::link(dir.filePath(QStringLiteral("sub")), dir.filePath(QStringLiteral("sub/self"))));

    TStringList files;
    AddFilesRecursive(files, dir.path());
    EXPECT_EQ(files.ToQStringList(), QStringList{dir.filePath(QStringLiteral("sub/x.png"))});
}

TEST(PathUtil, FileVersionOnlyForOwnProgram) {
    TFileVer own(QCoreApplication::applicationFilePath());
    TFileVersion v{};
    ASSERT_TRUE(own.GetFileVersion(v));
    EXPECT_EQ(v, TFileVer::BuildVersion());

    QTemporaryDir dir;
    const QString other = dir.filePath(QStringLiteral("plain.exe"));
    TestSupport::WriteFile(other, "MZ");
    own.SetFileName(other);
    EXPECT_FALSE(own.LoadVersionInfo());
    EXPECT_FALSE(own.GetFileVersion(v));
    TFileVer missing(dir.filePath(QStringLiteral("missing.exe")));
    EXPECT_FALSE(missing.GetFileVersion(v));
}
