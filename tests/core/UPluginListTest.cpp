#include "core/UPluginList.h"

#include "tests/TestSupport.h"
#include "tests/core/plugins/TestPluginProtocol.h"

#include <QFile>
#include <QLibrary>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The host interface handed to plug-ins.
class Host final : public TInterfacedObjectEx {};

// A plug-in folder with copies of the test plug-in under the given names.
QString PluginFolder(QTemporaryDir& dir, std::initializer_list<const char*> names) {
    for (const char* name : names)
        EXPECT_TRUE(QFile::copy(QStringLiteral(QUORLANE_TEST_PLUGIN), dir.filePath(QString::fromUtf8(name))));
    return dir.path();
}

} // namespace

TEST(PluginList, AnEmptyOrMissingFolderGivesAnEmptyList) {
    Host host;
    TPluginList list(kImportCategory);
    list.LoadFromFolder(QStringLiteral("/nonexistent/plugins"), &host);
    QTemporaryDir dir;
    list.LoadFromFolder(dir.path(), &host);
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_THROW(list.GetServerName(0), EListError);
}

TEST(PluginList, ListsOnlyTheClassesOfItsCategory) {
    QTemporaryDir dir;
    const QString folder = PluginFolder(dir, {"libimport.so"});
    Host host;
    TPluginList import(kImportCategory);
    TPluginList second(kSecondCategory);
    import.LoadFromFolder(folder, &host);
    second.LoadFromFolder(folder, &host);
    ASSERT_EQ(import.GetCount(), 1);
    ASSERT_EQ(second.GetCount(), 1);
    EXPECT_EQ(import.GetServerName(0), u"テスト取り込み");
    EXPECT_EQ(import.Server(0).CLSID, kImportClass);
    EXPECT_EQ(import.Server(0).Category, kImportCategory);
    EXPECT_EQ(import.Server(0).DllName, dir.filePath(QStringLiteral("libimport.so")));
    EXPECT_EQ(second.GetServerName(0), u"Second");
    EXPECT_NE(second.Server(0).CLSID, import.Server(0).CLSID);
}

TEST(PluginList, CreatesThePluginAndHandsItTheHost) {
    QTemporaryDir dir;
    Host host;
    TPluginList list(kImportCategory);
    list.LoadFromFolder(PluginFolder(dir, {"libcreate.so"}), &host);
    ASSERT_EQ(list.GetCount(), 1);
    QLibrary library(dir.filePath(QStringLiteral("libcreate.so")));
    auto live = reinterpret_cast<TTestPluginLiveObjects>(library.resolve(kTestPluginLiveObjects));
    ASSERT_NE(live, nullptr);
    const int before = live();
    {
        TIntf<IComponentObject> object = list.CreateInstance(0, &host);
        ASSERT_TRUE(object);
        TIntf<ITestPluginObject> inside = Supports<ITestPluginObject>(object.get());
        ASSERT_TRUE(inside);
        EXPECT_EQ(inside->ClassID(), kImportClass);
        EXPECT_EQ(inside->Host(), static_cast<IUnknownEx*>(&host));
        EXPECT_EQ(live(), before + 1);
    }
    // The last reference frees the object inside the library.
    EXPECT_EQ(live(), before);
    EXPECT_THROW(list.CreateInstance(1, &host), EListError);
}

TEST(PluginList, BadFilesAreSkippedAndTheRestStillLoad) {
    QTemporaryDir dir;
    const QString folder = PluginFolder(dir, {"liba_good.so", "libb_failing.so", "libc_gone.so"});
    TestSupport::WriteFile(dir.filePath(QStringLiteral("libbroken.so")), "not a library at all");
    TestSupport::WriteFile(dir.filePath(QStringLiteral("readme.txt")), "\x7f"
                                                                       "ELF but not a library name");
    QLibrary failing(dir.filePath(QStringLiteral("libb_failing.so")));
    auto setFailing = reinterpret_cast<TTestPluginSetFailing>(failing.resolve(kTestPluginSetFailing));
    ASSERT_NE(setFailing, nullptr);
    setFailing(1);

    Host host;
    TPluginList list(kImportCategory);
    list.LoadFromFolder(folder, &host);
    setFailing(0);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.Server(0).DllName, dir.filePath(QStringLiteral("liba_good.so")));
    EXPECT_EQ(list.Server(1).DllName, dir.filePath(QStringLiteral("libc_gone.so")));

    // Libraries stay loaded once read: a plug-in whose file went away meanwhile can still be created.
    TPluginList other(kImportCategory);
    QTemporaryDir dir2;
    other.LoadFromFolder(PluginFolder(dir2, {"libgone.so"}), &host);
    ASSERT_EQ(other.GetCount(), 1);
    QFile::remove(dir2.filePath(QStringLiteral("libgone.so")));
    EXPECT_TRUE(other.CreateInstance(0, &host));
}
