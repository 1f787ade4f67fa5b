// Document storage classes: path opening and sharing, streams, name lists, modified state and the
// temporary working copy.

#include "core/UDocStorage.h"
#include "platform/Cp932.h"
#include "tests/TestSupport.h"

#include "platform/CrashSafety.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

HRESULT CodeOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const EOleSysError& e) {
        return e.ErrorCode();
    }
    return S_OK;
}

QByteArray StreamBytes(TDocStorage& storage, const QString& path) {
    TDocStream s(&storage, fmOpenRead, path);
    return s.ReadBytes(s.GetSize());
}

void WriteStream(TDocStorage& storage, const QString& path, const QByteArray& bytes) {
    TDocStream s(&storage, ModeCreate, path);
    s.WriteBytes(bytes);
}

const char* const kSaverTarget = "QUORLANE_SAVER_TARGET";
const char* const kSaverStep = "QUORLANE_SAVER_STEP";
const char* const kSaverCache = "QUORLANE_SAVER_CACHE";

// A second process that saves a document over target and stops at a step until it is killed.
int SaveAndStop() {
    const auto stopAt = SaveCopyStep(qEnvironmentVariableIntValue(kSaverStep));
    // Its working copies go where the test looks for them, not to a cache folder of its own.
    qputenv("XDG_CACHE_HOME", qgetenv(kSaverCache));
    TTemporaryStorage doc;
    WriteStream(doc, QStringLiteral("Sheets\\Info"), "new");
    SetSaveCopyStepHook([stopAt](SaveCopyStep step) {
        if (step != stopAt)
            return;
        std::printf("stopped\n");
        std::fflush(stdout);
        QThread::sleep(60); // until the test kills it
    });
    doc.SaveToFile(qEnvironmentVariable(kSaverTarget));
    return 0;
}
const bool kSaverRegistered = TestSupport::RegisterChild("saver", &SaveAndStop);

std::unique_ptr<QProcess> StartSaver(const QString& target, SaveCopyStep step) {
    QProcessEnvironment env;
    env.insert(QString::fromLatin1(kSaverTarget), target);
    env.insert(QString::fromLatin1(kSaverStep), QString::number(int(step)));
    env.insert(QString::fromLatin1(kSaverCache), qEnvironmentVariable("XDG_CACHE_HOME"));
    return TestSupport::StartChild("saver", env);
}

class DocStorageTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }
};

} // namespace

TEST(DocStorageFlags, ModesMapToStorageFlags) {
    EXPECT_EQ(StorageFlags(ModeCreate), 0x1012u);
    EXPECT_EQ(StorageFlags(fmOpenRead), 0x10u); // a plain read opens exclusively
    EXPECT_EQ(StorageFlags(fmOpenWrite), 0x11u);
    EXPECT_EQ(StorageFlags(fmOpenReadWrite | fmShareExclusive), 0x12u);
    EXPECT_EQ(StorageFlags(fmOpenRead | fmShareDenyWrite), 0x20u);
    EXPECT_EQ(StorageFlags(fmOpenRead | fmShareDenyRead), 0x30u);
    EXPECT_EQ(StorageFlags(fmOpenReadWrite | fmShareDenyNone), 0x42u);
    EXPECT_EQ(CodeOf([] { StorageFlags(3); }), STG_E_INVALIDFLAG);
    EXPECT_EQ(CodeOf([] { StorageFlags(0x50); }), STG_E_INVALIDFLAG);
}

TEST_F(DocStorageTest, OpenStoragesAreSharedAlongPaths) {
    TFileStorage root(Path(QStringLiteral("share.dat")), ModeCreate);
    auto ab = std::make_unique<TDocStorage>(&root, QStringLiteral("A\\B"), true);
    EXPECT_EQ(ab->Name(), QStringLiteral("A\\B"));
    // A\B\C reuses the open A and B and opens only C.
    TDocStorage abc(&root, QStringLiteral("a\\b\\C"), true);
    ASSERT_EQ(abc.Chain().size(), 4u);
    EXPECT_EQ(abc.Chain()[1], ab->Chain()[1]);
    EXPECT_EQ(abc.Chain()[2], ab->Chain()[2]);
    // A\B twice: two objects over one storage.
    TDocStorage again(&root, QStringLiteral("A\\B"), false);
    EXPECT_EQ(again.Storage(), ab->Storage());
    EXPECT_EQ(root.OpenStorages().size(), 3u);
    // Freeing the storage that opened A and B leaves the others working.
    ab.reset();
    EXPECT_EQ(root.OpenStorages().size(), 2u);
    WriteStream(again, QStringLiteral("s"), "still open");
    TDocStorage ad(&root, QStringLiteral("A\\D"), true);
    EXPECT_EQ(ad.Chain()[1], abc.Chain()[1]);
    EXPECT_EQ(StreamBytes(abc, QStringLiteral("..\\s")), QByteArray("still open"));
    // Relative paths resolve against the storage's own path; ".." steps out.
    TDocStorage x(&abc, QStringLiteral("..\\..\\X"), true);
    EXPECT_EQ(x.Name(), QStringLiteral("a\\X"));
    EXPECT_EQ(CodeOf([&] { TDocStorage(&root, QStringLiteral("Missing\\Deeper"), false); }),
              STG_E_FILENOTFOUND);
    EXPECT_EQ(root.OpenStorages().size(), 4u);
}

TEST_F(DocStorageTest, ExistenceTestsNeverRaise) {
    TFileStorage root(Path(QStringLiteral("exists.dat")), ModeCreate);
    WriteStream(root, QStringLiteral("Sheets\\Info"), "x");
    EXPECT_TRUE(root.StreamExists(QStringLiteral("Sheets\\Info")));
    EXPECT_TRUE(root.StorageExists(QStringLiteral("Sheets")));
    EXPECT_FALSE(root.StreamExists(QStringLiteral("Sheets")));
    EXPECT_FALSE(root.StorageExists(QStringLiteral("Sheets\\Info")));
    EXPECT_FALSE(root.StreamExists(QStringLiteral("Nope\\Info")));
    EXPECT_FALSE(root.StreamExists(QStringLiteral("..\\..\\Info")));
    // A stream open in a TDocStream tests as absent (the test opens it exclusively).
    {
        TDocStream open(&root, fmOpenReadWrite, QStringLiteral("Sheets\\Info"));
        EXPECT_FALSE(root.StreamExists(QStringLiteral("Sheets\\Info")));
    }
    EXPECT_TRUE(root.StreamExists(QStringLiteral("Sheets\\Info")));
}

TEST_F(DocStorageTest, StreamsReadWriteSeekAndResize) {
    TFileStorage root(Path(QStringLiteral("stream.dat")), ModeCreate);
    {
        TDocStream s(&root, ModeCreate, QStringLiteral("Sheets\\NameList0\\Face0"));
        EXPECT_EQ(s.Write("ignored", 0), 0);
        EXPECT_EQ(s.Write("ignored", -5), 0);
        s.WriteBytes(QByteArray(5000, 'a'));
        EXPECT_EQ(s.Seek(-10, TSeekOrigin::soEnd), 4990);
        s.SetSize(100);
        EXPECT_EQ(s.GetPosition(), 100);
        EXPECT_EQ(s.GetSize(), 100);
        char c;
        EXPECT_EQ(s.Read(&c, 0), 0);
        EXPECT_EQ(s.Read(&c, 1), 0); // at the end
    }
    EXPECT_EQ(StreamBytes(root, QStringLiteral("Sheets\\NameList0\\Face0")), QByteArray(100, 'a'));
    // Creating replaces an existing stream.
    WriteStream(root, QStringLiteral("Sheets\\NameList0\\Face0"), "new");
    EXPECT_EQ(StreamBytes(root, QStringLiteral("Sheets\\NameList0\\Face0")), QByteArray("new"));
    EXPECT_EQ(CodeOf([&] { TDocStream(&root, fmOpenRead, QStringLiteral("Sheets\\Missing")); }),
              STG_E_FILENOTFOUND);
    TDocStream ro(&root, fmOpenRead, QStringLiteral("Sheets\\NameList0\\Face0"));
    EXPECT_EQ(CodeOf([&] { ro.Write("x", 1); }), STG_E_ACCESSDENIED);
}

TEST_F(DocStorageTest, NameListKeepsCounterAfterDelete) {
    TFileStorage root(Path(QStringLiteral("list.dat")), ModeCreate);
    {
        TDocStorageList list(&root, QStringLiteral("Sheets\\NameList"));
        EXPECT_EQ(list.ListName(), QStringLiteral("NameList"));
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(list.Counter(), 0);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(list.AddNewName(), i);
            list.OpenStorage(i, true);
        }
        EXPECT_EQ(list.GetElementPath(2), QStringLiteral("Sheets\\NameList2"));
        list.DeleteStorage(0);
        EXPECT_FALSE(root.StorageExists(QStringLiteral("Sheets\\NameList0")));
        EXPECT_TRUE(root.StorageExists(QStringLiteral("Sheets\\NameList1")));
    }
    EXPECT_EQ(StreamBytes(root, QStringLiteral("Sheets\\NameList")),
              TestSupport::Hex("03 00 00 00") + "NameList1\r\nNameList2\r\n");
    TDocStorageList reloaded(&root, QStringLiteral("Sheets\\NameList"));
    EXPECT_EQ(reloaded.Counter(), 3);
    EXPECT_EQ(reloaded.Count(), 2);
    EXPECT_EQ(reloaded.Strings(reloaded.AddNewName()), QStringLiteral("NameList3"));
    // Deleting the element keeps the name.
    EXPECT_TRUE(reloaded.DeleteElement(0));
    EXPECT_FALSE(reloaded.DeleteElement(0));
    EXPECT_EQ(reloaded.Count(), 3);
}

TEST_F(DocStorageTest, NameListAtTheEndOfItsCounterRefusesNewNames) {
    TFileStorage root(Path(QStringLiteral("full.dat")), ModeCreate);
    for (const char* counter : {"ff ff ff 7f", "fe ff ff ff"}) {
        WriteStream(root, QStringLiteral("NameList"), TestSupport::Hex(counter) + "NameList0\r\n");
        TDocStreamList list(&root, QStringLiteral("NameList"));
        EXPECT_EQ(CodeOf([&] { list.AddNewName(); }), STG_E_MEDIUMFULL) << counter;
        EXPECT_EQ(list.Count(), 1) << "no name given out twice";
    }
}

TEST_F(DocStorageTest, StreamListsAndEmptyOrJapaneseLists) {
    TFileStorage root(Path(QStringLiteral("streams.dat")), ModeCreate);
    WriteStream(root, QStringLiteral("Empty"), QByteArray());
    TDocStreamList empty(&root, QStringLiteral("Empty"));
    EXPECT_EQ(empty.Count(), 0);
    EXPECT_EQ(empty.Counter(), 0);

    TDocStreamList list(&root, QStringLiteral("Infos\\NameList"));
    list.AddNewName();
    EXPECT_FALSE(list.StreamExists(0));
    {
        auto s = list.OpenStream(0, ModeCreate);
        s->WriteBytes("record");
    }
    EXPECT_TRUE(list.StreamExists(0));
    EXPECT_FALSE(list.StreamExists(1));
    EXPECT_FALSE(list.StreamExists(-1));
    EXPECT_EQ(StreamBytes(root, list.GetElementPath(0)), QByteArray("record"));
    list.Add(QStringLiteral("表紙"));
    // The list holds its stream open; read it through the list's own stream.
    list.ListStream().SetPosition(0);
    EXPECT_EQ(list.ListStream().ReadBytes(list.ListStream().GetSize()),
              TestSupport::Hex("01 00 00 00") + "NameList0\r\n" + Cp932::Encode(QStringLiteral("表紙")) +
                  "\r\n");
    list.DeleteStream(0);
    EXPECT_FALSE(root.StreamExists(QStringLiteral("Infos\\NameList0")));
    EXPECT_EQ(list.Count(), 1);
}

TEST_F(DocStorageTest, ReadOnlyRootRefusesChanges) {
    const QString file = Path(QStringLiteral("ro.dat"));
    {
        TFileStorage root(file, ModeCreate);
        TDocStorageList list(&root, QStringLiteral("NameList"));
        list.AddNewName();
        WriteStream(root, QStringLiteral("S"), "s");
    }
    TFileStorage root(file, fmOpenRead);
    EXPECT_FALSE(root.Writable());
    TDocStorageList list(&root, QStringLiteral("NameList"));
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(CodeOf([&] { list.AddNewName(); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(CodeOf([&] { root.DeleteElement(QStringLiteral("S")); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(StreamBytes(root, QStringLiteral("S")), QByteArray("s"));
}

TEST_F(DocStorageTest, DeleteMoveEnumerateAndCopy) {
    TFileStorage root(Path(QStringLiteral("ops.dat")), ModeCreate);
    WriteStream(root, QStringLiteral("A\\one"), "1");
    WriteStream(root, QStringLiteral("A\\Sub\\two"), "2");
    WriteStream(root, QStringLiteral("B\\three"), "3");
    EXPECT_FALSE(root.DeleteElement(QStringLiteral("A\\missing")));
    EXPECT_FALSE(root.DeleteElement(QStringLiteral("Nowhere\\x")));
    root.MoveElement(QStringLiteral("A\\one"), QStringLiteral("B\\uno"));
    root.MoveElement(QStringLiteral("B\\three"), QStringLiteral("B\\tres"));
    TDocStorage b(&root, QStringLiteral("B"), false);
    TStringList names;
    names.Add(QStringLiteral("kept"));
    b.GetStreamNames(names);
    EXPECT_EQ(names.CommaText(), QStringLiteral("kept,uno,tres"));
    TStringList storages;
    root.GetStorageNames(storages);
    EXPECT_EQ(storages.CommaText(), QStringLiteral("A,B"));
    TDocStorage copy(&root, QStringLiteral("Copy"), true);
    TDocStorage a(&root, QStringLiteral("A"), false);
    a.CopyTo(copy);
    EXPECT_EQ(StreamBytes(root, QStringLiteral("Copy\\Sub\\two")), QByteArray("2"));
    EXPECT_TRUE(root.DeleteElement(QStringLiteral("A")));
    EXPECT_FALSE(root.StorageExists(QStringLiteral("A\\Sub")));
}

TEST_F(DocStorageTest, ModifiedCountsChangesNotClockTicks) {
    TTemporaryStorage temp;
    EXPECT_FALSE(temp.GetModified());
    // A change right after the clean mark, within the same clock tick, is seen.
    WriteStream(temp, QStringLiteral("x"), "1");
    EXPECT_TRUE(temp.GetModified());
    temp.SetModified(false);
    EXPECT_FALSE(temp.GetModified());
    EXPECT_TRUE(temp.StreamExists(QStringLiteral("x"))); // reading changes nothing
    EXPECT_FALSE(temp.GetModified());
    temp.SetModified(true);
    temp.Storage()->Commit();
    EXPECT_TRUE(temp.GetModified());
    EXPECT_TRUE(temp.GetModified());
    temp.SetModified(false);
    EXPECT_FALSE(temp.GetModified());
    temp.DeleteElement(QStringLiteral("x"));
    EXPECT_TRUE(temp.GetModified());
}

TEST_F(DocStorageTest, WorkingCopiesStartOnAnAccountWithoutACacheFolder) {
    const QByteArray saved = qgetenv("XDG_CACHE_HOME");
    const QString fresh = Path(QStringLiteral("no/cache/yet"));
    qputenv("XDG_CACHE_HOME", QFile::encodeName(fresh));
    EXPECT_NO_THROW({ TTemporaryStorage temp; });
    qputenv("XDG_CACHE_HOME", saved);
    EXPECT_TRUE(QFileInfo(fresh + QStringLiteral("/Quorlane/WorkingCopies")).isDir());
}

TEST_F(DocStorageTest, TemporaryCopyLoadsSavesAndKeepsFilesOnFailure) {
    const QString doc = Path(QStringLiteral("doc.lbl"));
    // Working copies go to the private folder (this test program's own cache folder).
    const QString tempDir = WorkingCopyFolder();
    EXPECT_EQ(QFileInfo(tempDir).permissions() & 0x0077, QFileDevice::Permissions());
    {
        TTemporaryStorage temp;
        WriteStream(temp, QStringLiteral("Sheets\\Info"), "first");
        temp.SaveToFile(doc);
        EXPECT_FALSE(temp.GetModified());

        TTemporaryStorage other;
        other.LoadFromFile(doc);
        EXPECT_FALSE(other.GetModified());
        EXPECT_EQ(StreamBytes(other, QStringLiteral("Sheets\\Info")), QByteArray("first"));
        // Loading what is missing or no compound file raises and keeps the contents.
        TestSupport::WriteFile(Path(QStringLiteral("text.txt")), "plain text");
        EXPECT_EQ(CodeOf([&] { other.LoadFromFile(Path(QStringLiteral("missing.lbl"))); }),
                  STG_E_FILENOTFOUND);
        EXPECT_EQ(CodeOf([&] { other.LoadFromFile(Path(QStringLiteral("text.txt"))); }),
                  STG_E_FILEALREADYEXISTS);
        EXPECT_EQ(StreamBytes(other, QStringLiteral("Sheets\\Info")), QByteArray("first"));

        // Saving over a file someone holds open fails and leaves it byte for byte.
        const QByteArray before = TestSupport::ReadFile(doc);
        WriteStream(temp, QStringLiteral("Sheets\\Info"), "second");
        {
            TFileStorage holder(doc, fmOpenReadWrite);
            EXPECT_EQ(CodeOf([&] { temp.SaveToFile(doc); }), STG_E_SHAREVIOLATION);
            EXPECT_TRUE(temp.GetModified());
        }
        EXPECT_EQ(TestSupport::ReadFile(doc), before);
        temp.SaveToFile(doc);
        TFileStorage saved(doc, fmOpenRead);
        EXPECT_EQ(StreamBytes(saved, QStringLiteral("Sheets\\Info")), QByteArray("second"));
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2); // no leftovers
        const QStringList working = QDir(tempDir).entryList(QDir::Files);
        ASSERT_EQ(working.size(), 2);
        EXPECT_TRUE(working[0].startsWith(QStringLiteral("mtf%1-").arg(::getpid())));
    }
    // The working copies are gone with their objects.
    EXPECT_TRUE(QDir(tempDir).entryList(QDir::Files).isEmpty());
}

TEST_F(DocStorageTest, ASaveKilledAtAnyStepLeavesAWholeDocumentAndNoStrayFile) {
    const QString doc = Path(QStringLiteral("doc.lbl"));
    const auto save = [&](const QByteArray& info) {
        TTemporaryStorage temp;
        WriteStream(temp, QStringLiteral("Sheets\\Info"), info);
        temp.SaveToFile(doc);
    };
    save("old");
    const QString work = WorkingCopyFolder();
    TTemporaryStorage running; // this process's working copy: never anyone's leftover
    for (const SaveCopyStep step :
         {SaveCopyStep::TemporaryWritten, SaveCopyStep::TemporarySynced, SaveCopyStep::Renamed}) {
        SCOPED_TRACE(int(step));
        auto saver = StartSaver(doc, step);
        ASSERT_TRUE(TestSupport::WaitForLine(*saver, "stopped"));
        const QString saverCopies = QStringLiteral("mtf%1-*").arg(saver->processId());
        EXPECT_EQ(QDir(work).entryList({saverCopies}, QDir::Files).size(), 1);
        saver->kill();
        saver->waitForFinished(30000);

        {
            TFileStorage opened(doc, fmOpenRead);
            EXPECT_EQ(StreamBytes(opened, QStringLiteral("Sheets\\Info")),
                      step == SaveCopyStep::Renamed ? "new" : "old");
        }
        const QStringList strays = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter(u"tmp");
        EXPECT_EQ(strays.size(), step == SaveCopyStep::Renamed ? 0 : 1);
        // The next save of the document, or the next start-up, removes what the killed save left.
        if (step == SaveCopyStep::TemporaryWritten)
            save("old");
        else
            RemoveStaleStorageFiles({dir.path()});
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"doc.lbl"});
        RemoveStaleStorageFiles({});
        EXPECT_TRUE(QDir(work).entryList({saverCopies}, QDir::Files).isEmpty());
        EXPECT_EQ(QDir(work).entryList(QDir::Files).size(), 1);
    }
}

TEST_F(DocStorageTest, AFailedFolderSyncIsReportedAndTheDocumentStaysModified) {
    const QString doc = Path(QStringLiteral("doc.lbl"));
    TestSupport::WriteFile(doc, "old");
    const auto shared = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    QFile::setPermissions(doc, shared);
    TTemporaryStorage temp;
    WriteStream(temp, QStringLiteral("x"), "1");
    {
        struct FailingSync {
            FolderSyncFunction previous = SetFolderSync([](const QString&) { return false; });
            ~FailingSync() { SetFolderSync(previous); }
        } failing;
        try {
            temp.SaveToFile(doc);
            ADD_FAILURE() << "a save whose folder was not synced succeeded";
        } catch (const EOleSysError& e) {
            EXPECT_EQ(e.ErrorCode(), STG_E_WRITEFAULT);
            EXPECT_TRUE(e.Message().contains(QStringLiteral("may be lost if the power fails")));
        }
    }
    EXPECT_TRUE(temp.GetModified());
    // The new file is in place, with the old file's permissions, and nothing else is left.
    {
        TFileStorage saved(doc, fmOpenRead);
        EXPECT_EQ(StreamBytes(saved, QStringLiteral("x")), QByteArray("1"));
    }
    EXPECT_EQ(QFile::permissions(doc) & 0x7077, shared);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"doc.lbl"});
    // A whole new file makes void what a stale mark said of the old one.
    TestSupport::WriteFile(ChangeMark::MarkName(doc), "");
    temp.SaveToFile(doc);
    EXPECT_FALSE(temp.GetModified());
    EXPECT_EQ(ChangeMark::Check(doc), ChangeMark::State::None);
}

TEST_F(DocStorageTest, StorageFreedAfterItsRootStaysHarmless) {
    auto root = std::make_unique<TFileStorage>(Path(QStringLiteral("orphan.dat")), ModeCreate);
    auto sub = std::make_unique<TDocStorage>(root.get(), QStringLiteral("Sub"), true);
    WriteStream(*sub, QStringLiteral("s"), "x");
    root.reset();
    EXPECT_FALSE(sub->StreamExists(QStringLiteral("s")));
    EXPECT_EQ(CodeOf([&] { TDocStorage(sub.get(), QStringLiteral("Deeper"), true); }), STG_E_INVALIDHANDLE);
    sub.reset();
    TFileStorage reopened(Path(QStringLiteral("orphan.dat")), fmOpenRead);
    EXPECT_EQ(StreamBytes(reopened, QStringLiteral("Sub\\s")), QByteArray("x"));
}
