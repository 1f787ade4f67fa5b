// The compound-file engine: round trips through the file, in-place changes, the directory tree, open
// rules, and damaged files.

#include "platform/CompoundFile.h"
#include "platform/CompoundFileVolume.h"
#include "tests/TestSupport.h"
#include "tests/platform/RawCompoundFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

constexpr uint32_t RW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr uint32_t RO = STGM_READ | STGM_SHARE_EXCLUSIVE;
constexpr uint32_t Create = STGM_CREATE | RW;

QByteArray Pattern(qsizetype size, int seed) {
    QByteArray b(size, Qt::Uninitialized);
    uint32_t x = 2463534242u + static_cast<uint32_t>(seed);
    for (qsizetype i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        b[i] = static_cast<char>(x);
    }
    return b;
}

void Put(CompoundStorage& stg, const QString& name, const QByteArray& data) {
    auto s = stg.CreateStream(name, Create);
    EXPECT_EQ(s->Write(data.constData(), static_cast<uint64_t>(data.size())),
              static_cast<uint64_t>(data.size()));
}

QByteArray Get(CompoundStorage& stg, const QString& name) {
    auto s = stg.OpenStream(name, RO);
    QByteArray b(static_cast<qsizetype>(s->Size()), Qt::Uninitialized);
    EXPECT_EQ(s->Read(b.data(), static_cast<uint64_t>(b.size())), static_cast<uint64_t>(b.size()));
    char extra;
    EXPECT_EQ(s->Read(&extra, 1), 0u);
    return b;
}

// Every stream below a storage as "path" -> bytes, and every storage as "path/" -> "".
void Collect(CompoundStorage& stg, const QString& prefix, std::map<QString, QByteArray>& out) {
    for (const STATSTG& st : stg.EnumElements()) {
        if (st.type == STGTY_STREAM) {
            out[prefix + st.name] = Get(stg, st.name);
        } else {
            out[prefix + st.name + u'/'] = QByteArray();
            auto sub = stg.OpenStorage(st.name, RO);
            Collect(*sub, prefix + st.name + u'/', out);
        }
    }
}

HRESULT CodeOf(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const EOleSysError& e) {
        return e.ErrorCode();
    }
    return S_OK;
}

// Checks ordering and the red-black rules below node; returns the black height (-1 on failure).
int CheckRedBlack(const RawFile& raw, uint32_t node, bool parentRed, const QString* low, const QString* high,
                  int& count) {
    if (node == Cfb::NoStream)
        return 1;
    ++count;
    const QString name = raw.Name(node);
    if ((low && Cfb::CompareNames(*low, name) >= 0) || (high && Cfb::CompareNames(name, *high) >= 0))
        return -1;
    const bool red = raw.Color(node) == 0;
    if (red && parentRed)
        return -1;
    const int l = CheckRedBlack(raw, raw.Field(node, 68), red, low, &name, count);
    const int r = CheckRedBlack(raw, raw.Field(node, 72), red, &name, high, count);
    if (l < 0 || r < 0 || l != r)
        return -1;
    return l + (red ? 0 : 1);
}

class CompoundFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString Path(const QString& name) const { return dir.filePath(name); }
};

} // namespace

TEST_F(CompoundFileTest, NestedTreeRoundTripsByteForByte) {
    const QString file = Path(QStringLiteral("tree.cfb"));
    std::map<QString, QByteArray> written;
    {
        auto root = StgCreateDocfile(file, Create);
        const std::vector<qsizetype> sizes{0, 1, 63, 64, 65, 4095, 4096, 4097, 70000, 3 * 1024 * 1024 + 17};
        int seed = 0;
        for (qsizetype size : sizes) {
            const QString name = QStringLiteral("s%1").arg(size);
            written[name] = Pattern(size, seed++);
            Put(*root, name, written[name]);
        }
        auto sheets = root->CreateStorage(QStringLiteral("Sheets"), Create);
        written[QStringLiteral("Sheets/")] = QByteArray();
        auto jp = sheets->CreateStorage(QStringLiteral("新規シート１"), Create);
        written[QStringLiteral("Sheets/新規シート１/")] = QByteArray();
        written[QStringLiteral("Sheets/新規シート１/写真データ")] = Pattern(5000, 99);
        Put(*jp, QStringLiteral("写真データ"), written[QStringLiteral("Sheets/新規シート１/写真データ")]);
        auto empty = jp->CreateStorage(QStringLiteral("Empty"), Create);
        written[QStringLiteral("Sheets/新規シート１/Empty/")] = QByteArray();
        for (int i = 0; i < 40; ++i) {
            const QString name = QStringLiteral("NameList%1").arg(i);
            written[QStringLiteral("Sheets/") + name] = Pattern(i * 37, i);
            Put(*sheets, name, written[QStringLiteral("Sheets/") + name]);
        }
    }
    auto root = StgOpenStorage(file, RO);
    std::map<QString, QByteArray> read;
    Collect(*root, QString(), read);
    EXPECT_EQ(read, written);
}

TEST_F(CompoundFileTest, InPlaceGrowShrinkAndDeleteKeepOtherStreamsIntact) {
    const QString file = Path(QStringLiteral("grow.cfb"));
    const QByteArray keepSmall = Pattern(300, 1);
    const QByteArray keepLarge = Pattern(9000, 2);
    {
        auto root = StgCreateDocfile(file, Create);
        Put(*root, QStringLiteral("small"), keepSmall);
        Put(*root, QStringLiteral("large"), keepLarge);
        Put(*root, QStringLiteral("victim"), Pattern(20000, 3));
    }
    // Each step: reopen, change "grow" in place, check every stream after another reopen.
    QByteArray expected;
    const auto step = [&](const std::function<void(CompoundStream&)>& change) {
        {
            auto root = StgOpenStorage(file, RW);
            auto s = root->OpenStream(QStringLiteral("grow"), RW);
            change(*s);
        }
        auto root = StgOpenStorage(file, RO);
        EXPECT_EQ(Get(*root, QStringLiteral("grow")), expected);
        EXPECT_EQ(Get(*root, QStringLiteral("small")), keepSmall);
        EXPECT_EQ(Get(*root, QStringLiteral("large")), keepLarge);
    };
    {
        auto root = StgOpenStorage(file, RW);
        root->CreateStream(QStringLiteral("grow"), Create)->Write("abc", 3);
        root->DestroyElement(QStringLiteral("victim"));
    }
    expected = "abc";
    // Past the cut-off: the bytes move from the mini stream to regular sectors.
    step([&](CompoundStream& s) {
        const QByteArray more = Pattern(6000, 4);
        s.Seek(0, CompoundStream::SeekEnd);
        s.Write(more.constData(), static_cast<uint64_t>(more.size()));
        expected += more;
    });
    // A write beyond the end leaves zeros in the gap.
    step([&](CompoundStream& s) {
        s.Seek(100000, CompoundStream::SeekSet);
        s.Write("Z", 1);
        expected += QByteArray(100000 - expected.size(), '\0') + "Z";
    });
    // Back under the cut-off: the bytes move into the mini stream.
    step([&](CompoundStream& s) {
        s.SetSize(4000);
        expected.truncate(4000);
    });
    step([&](CompoundStream& s) {
        s.SetSize(4096);
        expected += QByteArray(96, '\0');
    });
    step([&](CompoundStream& s) {
        s.SetSize(0);
        expected.clear();
    });
    step([&](CompoundStream& s) {
        s.SetSize(70);
        expected = QByteArray(70, '\0');
    });
    EXPECT_EQ(CodeOf([&] { StgOpenStorage(file, RO)->OpenStream(QStringLiteral("victim"), RO); }),
              STG_E_FILENOTFOUND);
}

TEST_F(CompoundFileTest, FreedSectorsAreReused) {
    const QString file = Path(QStringLiteral("reuse.cfb"));
    {
        auto root = StgCreateDocfile(file, Create);
        Put(*root, QStringLiteral("a"), Pattern(200000, 1));
        Put(*root, QStringLiteral("m"), Pattern(3000, 2));
    }
    const qint64 before = QFileInfo(file).size();
    for (int round = 0; round < 5; ++round) {
        auto root = StgOpenStorage(file, RW);
        root->DestroyElement(QStringLiteral("a"));
        root->DestroyElement(QStringLiteral("m"));
        Put(*root, QStringLiteral("a"), Pattern(200000, 10 + round));
        Put(*root, QStringLiteral("m"), Pattern(3000, 20 + round));
    }
    EXPECT_EQ(QFileInfo(file).size(), before);
    auto root = StgOpenStorage(file, RO);
    EXPECT_EQ(Get(*root, QStringLiteral("a")), Pattern(200000, 14));
    EXPECT_EQ(Get(*root, QStringLiteral("m")), Pattern(3000, 24));
}

TEST_F(CompoundFileTest, SiblingTreesAreValidRedBlackTreesInNameOrder) {
    const QString file = Path(QStringLiteral("rb.cfb"));
    auto root = StgCreateDocfile(file, Create);
    for (int n = 1; n <= 70; ++n) {
        // Names of mixed length and case, added out of order, then one deleted to force a rebuild.
        const QString name = QStringLiteral("%1%2").arg(n % 2 ? u'k' : u'K').arg((n * 7919) % 1000);
        root->CreateStream(name, Create);
        if (n % 10 == 0)
            root->DestroyElement(name);
        root->Commit();
        const RawFile raw(TestSupport::ReadFile(file));
        int count = 0;
        const uint32_t top = raw.Field(0, 76);
        ASSERT_EQ(raw.Color(top), 1) << "root of the tree must be black, n=" << n;
        ASSERT_GT(CheckRedBlack(raw, top, false, nullptr, nullptr, count), 0) << "n=" << n;
        EXPECT_EQ(static_cast<size_t>(count), root->EnumElements().size());
    }
    // Enumeration follows the file's order: shorter names first, then upper-cased.
    auto order = StgCreateDocfile(Path(QStringLiteral("order.cfb")), Create);
    for (const char* name : {"bb", "a", "AC", "ab", "c"})
        order->CreateStream(QString::fromLatin1(name), Create);
    QStringList names;
    for (const STATSTG& st : order->EnumElements())
        names << st.name;
    EXPECT_EQ(names, QStringList({"a", "c", "ab", "AC", "bb"}));
}

TEST_F(CompoundFileTest, HeaderAndRootEntryFollowThePublishedLayout) {
    const QString file = Path(QStringLiteral("layout.cfb"));
    {
        auto root = StgCreateDocfile(file, Create);
        Put(*root, QStringLiteral("x"), "hello");
    }
    const QByteArray b = TestSupport::ReadFile(file);
    EXPECT_EQ(b.left(8), TestSupport::Hex("d0 cf 11 e0 a1 b1 1a e1"));
    EXPECT_EQ(b.mid(24, 10), TestSupport::Hex("3e 00 03 00 fe ff 09 00 06 00"));
    EXPECT_EQ(U32(b, 56), 4096u);
    EXPECT_EQ(b.size() % 512, 0);
    const RawFile raw(b);
    EXPECT_EQ(raw.Name(0), QStringLiteral("Root Entry"));
    EXPECT_EQ(static_cast<uint8_t>(b[raw.EntryOffset(0) + 66]), 5);
    EXPECT_EQ(raw.Field(0, 120), 64u); // one mini sector in use
    EXPECT_EQ(raw.Field(0, 100), 0u);  // the root's creation time stays zero
    const uint32_t x = raw.Field(0, 76);
    EXPECT_EQ(raw.Name(x), QStringLiteral("x"));
    EXPECT_EQ(raw.Field(x, 120), 5u);
    EXPECT_EQ(raw.Field(x, 116), 0u); // first mini sector
}

TEST_F(CompoundFileTest, NamesAreCheckedAndComparedWithoutCase) {
    auto root = StgCreateDocfile(Path(QStringLiteral("names.cfb")), Create);
    const QString longest(31, u'ア');
    Put(*root, longest, "1");
    EXPECT_EQ(Get(*root, longest), QByteArray("1"));
    for (const QString& bad : {QString(32, u'a'), QString(), QStringLiteral("a/b"), QStringLiteral("a\\b"),
                               QStringLiteral("a:b"), QStringLiteral("a!b")}) {
        EXPECT_EQ(CodeOf([&] { root->CreateStream(bad, Create); }), STG_E_INVALIDNAME) << bad.toStdString();
    }
    Put(*root, QStringLiteral("Info"), "i");
    EXPECT_EQ(Get(*root, QStringLiteral("INFO")), QByteArray("i"));
    EXPECT_EQ(CodeOf([&] { root->CreateStream(QStringLiteral("info"), RW); }), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(CodeOf([&] { root->OpenStorage(QStringLiteral("Info"), RW); }), STG_E_FILENOTFOUND);
}

TEST_F(CompoundFileTest, ReplacingAnElementIsRefusedWhileAnythingInsideItIsOpen) {
    auto root = StgCreateDocfile(Path(QStringLiteral("replace.cfb")), Create);
    auto inner = root->CreateStorage(QStringLiteral("d"), Create)->CreateStream(QStringLiteral("t"), Create);
    EXPECT_EQ(CodeOf([&] { root->CreateStream(QStringLiteral("d"), Create); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(CodeOf([&] { root->CreateStorage(QStringLiteral("d"), Create); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(CodeOf([&] { inner->Write("x", 1); }), S_OK);
    inner.reset();
    EXPECT_EQ(CodeOf([&] { root->CreateStream(QStringLiteral("d"), Create); }), S_OK);
}

TEST_F(CompoundFileTest, ElementsOpenOnceAndDestroyedOnesAreReverted) {
    auto root = StgCreateDocfile(Path(QStringLiteral("open.cfb")), Create);
    auto stream = root->CreateStream(QStringLiteral("s"), Create);
    EXPECT_EQ(CodeOf([&] { root->OpenStream(QStringLiteral("s"), RO); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(CodeOf([&] { root->CreateStream(QStringLiteral("s"), Create); }), STG_E_ACCESSDENIED);
    auto sub = root->CreateStorage(QStringLiteral("d"), Create);
    auto inner = sub->CreateStream(QStringLiteral("t"), Create);
    EXPECT_EQ(CodeOf([&] { root->OpenStorage(QStringLiteral("d"), RW); }), STG_E_ACCESSDENIED);
    root->DestroyElement(QStringLiteral("d"));
    EXPECT_EQ(CodeOf([&] { inner->Write("x", 1); }), STG_E_REVERTED);
    EXPECT_EQ(CodeOf([&] { sub->EnumElements(); }), STG_E_REVERTED);
    stream.reset();
    EXPECT_EQ(CodeOf([&] { root->OpenStream(QStringLiteral("s"), RO); }), S_OK);
    // A read-only object refuses writes.
    auto ro = root->OpenStream(QStringLiteral("s"), RO);
    EXPECT_EQ(CodeOf([&] { ro->Write("x", 1); }), STG_E_ACCESSDENIED);
    EXPECT_EQ(CodeOf([&] { ro->SetSize(1); }), STG_E_ACCESSDENIED);
}

TEST_F(CompoundFileTest, RenameMoveAndCopyBetweenFiles) {
    const QString file = Path(QStringLiteral("move.cfb"));
    {
        auto root = StgCreateDocfile(file, Create);
        auto a = root->CreateStorage(QStringLiteral("A"), Create);
        auto b = root->CreateStorage(QStringLiteral("B"), Create);
        Put(*a, QStringLiteral("one"), Pattern(5000, 1));
        auto deep = a->CreateStorage(QStringLiteral("deep"), Create);
        Put(*deep, QStringLiteral("two"), Pattern(10, 2));
        a->RenameElement(QStringLiteral("one"), QStringLiteral("uno"));
        EXPECT_EQ(CodeOf([&] { a->RenameElement(QStringLiteral("uno"), QStringLiteral("deep")); }),
                  STG_E_FILEALREADYEXISTS);
        a->MoveElementTo(QStringLiteral("deep"), *b, QStringLiteral("moved"), STGMOVE_MOVE);
        // A storage cannot go below itself.
        deep.reset();
        auto moved = b->OpenStorage(QStringLiteral("moved"), RW);
        EXPECT_EQ(CodeOf([&] {
                      b->MoveElementTo(QStringLiteral("moved"), *moved, QStringLiteral("x"), STGMOVE_MOVE);
                  }),
                  STG_E_ACCESSDENIED);
        b->MoveElementTo(QStringLiteral("moved"), *a, QStringLiteral("copy"), STGMOVE_COPY);
    }
    auto root = StgOpenStorage(file, RO);
    std::map<QString, QByteArray> tree;
    Collect(*root, QString(), tree);
    const std::map<QString, QByteArray> expected{{"A/", {}},
                                                 {"A/uno", Pattern(5000, 1)},
                                                 {"A/copy/", {}},
                                                 {"A/copy/two", Pattern(10, 2)},
                                                 {"B/", {}},
                                                 {"B/moved/", {}},
                                                 {"B/moved/two", Pattern(10, 2)}};
    EXPECT_EQ(tree, expected);

    // Copying into another file merges storages and replaces streams of the same name.
    auto other = StgCreateDocfile(Path(QStringLiteral("other.cfb")), Create);
    {
        auto a = other->CreateStorage(QStringLiteral("A"), Create);
        Put(*a, QStringLiteral("uno"), "old");
        Put(*a, QStringLiteral("mine"), "kept");
        Put(*other, QStringLiteral("B"), "a stream where the source has a storage");
    }
    root->CopyTo(*other);
    std::map<QString, QByteArray> merged;
    Collect(*other, QString(), merged);
    auto want = expected;
    want["A/mine"] = "kept";
    EXPECT_EQ(merged, want);
}

TEST_F(CompoundFileTest, ChangesAreCountedAndReadsAreNot) {
    auto root = StgCreateDocfile(Path(QStringLiteral("count.cfb")), Create);
    const uint64_t start = root->ChangeCount();
    auto s = root->CreateStream(QStringLiteral("s"), Create);
    const uint64_t afterCreate = root->ChangeCount();
    EXPECT_GT(afterCreate, start);
    s->Write("abc", 3);
    const uint64_t afterWrite = root->ChangeCount();
    EXPECT_GT(afterWrite, afterCreate);
    char buf[3];
    s->Seek(0, CompoundStream::SeekSet);
    s->Read(buf, 3);
    s->SetSize(3);
    root->EnumElements();
    root->Commit();
    EXPECT_EQ(root->ChangeCount(), afterWrite);
    s->SetSize(2);
    EXPECT_GT(root->ChangeCount(), afterWrite);
    // The root's modification time follows the changes at each commit.
    const uint64_t before = root->Stat().mtime;
    EXPECT_GT(before, 0u);
    s->Write("x", 1);
    root->Commit();
    EXPECT_GE(root->Stat().mtime, before);
}

TEST_F(CompoundFileTest, FileShareModesKeepOtherOpenersOut) {
    const QString file = Path(QStringLiteral("share.cfb"));
    StgCreateDocfile(file, Create).reset();
    auto reader = StgOpenStorage(file, STGM_READ | STGM_SHARE_DENY_WRITE);
    EXPECT_EQ(CodeOf([&] { StgOpenStorage(file, STGM_READ | STGM_SHARE_DENY_WRITE); }), S_OK);
    EXPECT_EQ(CodeOf([&] { StgOpenStorage(file, RW); }), STG_E_SHAREVIOLATION);
    EXPECT_EQ(CodeOf([&] { StgCreateDocfile(file, Create); }), STG_E_SHAREVIOLATION);
    reader.reset();
    auto writer = StgOpenStorage(file, RW);
    EXPECT_EQ(CodeOf([&] { StgOpenStorage(file, RO); }), STG_E_SHAREVIOLATION);
    EXPECT_EQ(CodeOf([&] { StgOpenStorage(Path(QStringLiteral("missing.cfb")), RO); }), STG_E_FILENOTFOUND);
    EXPECT_EQ(CodeOf([&] { StgCreateDocfile(file, RW); }), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(CodeOf([&] { StgOpenStorage(file, 3 | STGM_SHARE_EXCLUSIVE); }), STG_E_INVALIDFLAG);
}

TEST_F(CompoundFileTest, SaveCopyAsReplacesWholeOrLeavesTheOldFile) {
    const QString target = Path(QStringLiteral("saved.cfb"));
    TestSupport::WriteFile(target, "previous contents");
    auto source = StgCreateDocfile(Path(QStringLiteral("work.cfb")), Create);
    auto sub = source->CreateStorage(QStringLiteral("sub"), Create);
    Put(*sub, QStringLiteral("data"), Pattern(12345, 5));
    // A source that fails half way (its storage is gone) must not touch the old file.
    source->DestroyElement(QStringLiteral("sub"));
    EXPECT_EQ(CodeOf([&] { StgSaveCopyAs(*sub, target); }), STG_E_REVERTED);
    EXPECT_EQ(TestSupport::ReadFile(target), QByteArray("previous contents"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);

    Put(*source, QStringLiteral("data"), Pattern(12345, 6));
    StgSaveCopyAs(*source, target);
    auto saved = StgOpenStorage(target, RO);
    EXPECT_EQ(Get(*saved, QStringLiteral("data")), Pattern(12345, 6));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(CompoundFileTest, DeleteOnReleaseRemovesTheFile) {
    const QString file = Path(QStringLiteral("temp.cfb"));
    auto root = StgCreateDocfile(file, Create | STGM_DELETEONRELEASE);
    Put(*root, QStringLiteral("s"), "x");
    EXPECT_TRUE(QFile::exists(file));
    root.reset();
    EXPECT_FALSE(QFile::exists(file));
}

// A version 4 file (4096-byte sectors) built by hand: header sector, FAT in sector 0, directory in
// sector 1, mini FAT in sector 2, mini stream in sector 3, a 5000-byte stream in sectors 4 and 5.
QByteArray MakeVersion4File() {
    QByteArray f(7 * 4096, '\0');
    std::memcpy(f.data(), "\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1", 8);
    f[24] = 0x3e;
    f[26] = 4;
    f[28] = char(0xfe);
    f[29] = char(0xff);
    f[30] = 12;
    f[32] = 6;
    SetU32(f, 40, 1); // directory sectors
    SetU32(f, 44, 1); // FAT sectors
    SetU32(f, 48, 1); // directory start
    SetU32(f, 56, 4096);
    SetU32(f, 60, 2); // mini FAT start
    SetU32(f, 64, 1);
    SetU32(f, 68, Cfb::EndOfChain);
    SetU32(f, 76, 0);
    for (int i = 1; i < 109; ++i)
        SetU32(f, 76 + 4 * i, Cfb::FreeSect);
    const auto sector = [](uint32_t id) { return (id + 1) * 4096; };
    const uint32_t fat[] = {Cfb::FatSect,   Cfb::EndOfChain, Cfb::EndOfChain, Cfb::EndOfChain, 5,
                            Cfb::EndOfChain};
    for (int i = 0; i < 1024; ++i)
        SetU32(f, sector(0) + 4 * i, i < 6 ? fat[i] : Cfb::FreeSect);
    for (int i = 0; i < 1024; ++i)
        SetU32(f, sector(2) + 4 * i, i < 2 ? (i == 0 ? 1u : Cfb::EndOfChain) : Cfb::FreeSect);
    const auto entry = [&](int id, const QString& name, int type, uint32_t child, uint32_t start,
                           uint32_t size, uint32_t right) {
        const qsizetype at = sector(1) + id * 128;
        for (qsizetype i = 0; i < name.size(); ++i) {
            f[at + 2 * i] = static_cast<char>(name[i].unicode() & 0xff);
            f[at + 2 * i + 1] = static_cast<char>(name[i].unicode() >> 8);
        }
        f[at + 64] = static_cast<char>((name.size() + 1) * 2);
        f[at + 66] = static_cast<char>(type);
        f[at + 67] = 1;
        SetU32(f, at + 68, Cfb::NoStream);
        SetU32(f, at + 72, right);
        SetU32(f, at + 76, child);
        SetU32(f, at + 116, start);
        SetU32(f, at + 120, size);
    };
    entry(0, QStringLiteral("Root Entry"), 5, 1, 3, 128, Cfb::NoStream);
    entry(1, QStringLiteral("mini"), 2, Cfb::NoStream, 0, 100, 2);
    entry(2, QStringLiteral("large"), 2, Cfb::NoStream, 4, 5000, Cfb::NoStream);
    for (int id = 3; id < 32; ++id) {
        SetU32(f, sector(1) + id * 128 + 68, Cfb::NoStream);
        SetU32(f, sector(1) + id * 128 + 72, Cfb::NoStream);
        SetU32(f, sector(1) + id * 128 + 76, Cfb::NoStream);
    }
    const QByteArray mini = Pattern(100, 7);
    std::memcpy(f.data() + sector(3), mini.constData(), 100);
    const QByteArray large = Pattern(5000, 8);
    std::memcpy(f.data() + sector(4), large.constData(), 5000);
    return f;
}

TEST_F(CompoundFileTest, Version4FilesAreReadAndModifiedInPlace) {
    const QString file = Path(QStringLiteral("v4.cfb"));
    TestSupport::WriteFile(file, MakeVersion4File());
    {
        auto root = StgOpenStorage(file, RW);
        EXPECT_EQ(Get(*root, QStringLiteral("mini")), Pattern(100, 7));
        EXPECT_EQ(Get(*root, QStringLiteral("large")), Pattern(5000, 8));
        auto s = root->OpenStream(QStringLiteral("mini"), RW);
        s->Seek(0, CompoundStream::SeekEnd);
        s->Write(Pattern(20000, 9).constData(), 20000);
        Put(*root, QStringLiteral("added"), "v4");
    }
    const QByteArray after = TestSupport::ReadFile(file);
    EXPECT_EQ(after[26], 4);
    EXPECT_EQ(after.size() % 4096, 0);
    auto root = StgOpenStorage(file, RO);
    EXPECT_EQ(Get(*root, QStringLiteral("mini")), Pattern(100, 7) + Pattern(20000, 9));
    EXPECT_EQ(Get(*root, QStringLiteral("large")), Pattern(5000, 8));
    EXPECT_EQ(Get(*root, QStringLiteral("added")), QByteArray("v4"));
}

TEST_F(CompoundFileTest, DamagedFilesFailWithAResultCode) {
    QByteArray good;
    {
        auto mem = std::make_unique<MemoryLockBytes>();
        MemoryLockBytes* bytes = mem.get();
        auto root = StgCreateDocfileOnLockBytes(std::move(mem), RW);
        Put(*root, QStringLiteral("big"), Pattern(5000, 1));
        Put(*root, QStringLiteral("tiny"), Pattern(100, 2));
        root->CreateStorage(QStringLiteral("sub"), Create);
        root->Commit();
        good = bytes->Data();
    }
    const RawFile raw(good);
    const auto open = [](const QByteArray& bytes) {
        return CodeOf([&] {
            auto root = StgOpenStorageOnLockBytes(std::make_unique<MemoryLockBytes>(bytes), RW);
            std::map<QString, QByteArray> all;
            Collect(*root, QString(), all);
        });
    };
    ASSERT_EQ(open(good), S_OK);
    EXPECT_EQ(open(QByteArray("not a compound file at all")), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(open(good.left(511)), STG_E_FILEALREADYEXISTS);
    EXPECT_EQ(open(good.left(1024)), STG_E_DOCFILECORRUPT);

    QByteArray badShift = good;
    badShift[30] = 10;
    EXPECT_EQ(open(badShift), STG_E_INVALIDHEADER);

    const uint32_t big = raw.Find(QStringLiteral("big"));
    const uint32_t tiny = raw.Find(QStringLiteral("tiny"));
    const uint32_t sub = raw.Find(QStringLiteral("sub"));
    ASSERT_TRUE(big && tiny && sub);
    const uint32_t bigStart = raw.Field(big, 116);
    const uint32_t fatSector = U32(good, 76);
    const auto fatEntry = [&](uint32_t id) { return (fatSector + 1) * 512 + 4 * id; };

    QByteArray loop = good; // a chain that runs back into itself
    SetU32(loop, fatEntry(bigStart + 1), bigStart);
    EXPECT_EQ(open(loop), STG_E_DOCFILECORRUPT);
    QByteArray outside = good; // a sector id past the end of the file
    SetU32(outside, fatEntry(bigStart), 0x00FFFFFF);
    EXPECT_EQ(open(outside), STG_E_DOCFILECORRUPT);
    QByteArray huge = good; // a size its chain cannot hold
    SetU32(huge, raw.EntryOffset(big) + 120, 0x7FFFFFFF);
    EXPECT_EQ(open(huge), STG_E_DOCFILECORRUPT);
    QByteArray shared = good; // two streams on one mini chain
    SetU32(shared, raw.EntryOffset(tiny) + 116, 0);
    SetU32(shared, raw.EntryOffset(big) + 120, 100);
    SetU32(shared, raw.EntryOffset(big) + 116, 0);
    EXPECT_EQ(open(shared), STG_E_DOCFILECORRUPT);
    QByteArray cycle = good; // a storage whose elements include itself
    SetU32(cycle, raw.EntryOffset(sub) + 76, sub);
    EXPECT_EQ(open(cycle), STG_E_DOCFILECORRUPT);
    QByteArray twice = good; // one name twice in a storage
    std::memcpy(twice.data() + raw.EntryOffset(tiny), twice.constData() + raw.EntryOffset(big), 66);
    EXPECT_EQ(open(twice), STG_E_DOCFILECORRUPT);
    QByteArray fatCount = good; // more FAT sectors than the file has
    SetU32(fatCount, 44, 0x10000000);
    EXPECT_EQ(open(fatCount), STG_E_DOCFILECORRUPT);
}

TEST_F(CompoundFileTest, ChainsRunningOnPastTheirStreamsAreReadAsFarAsTheirSizesNeed) {
    // Some writers end chains late: the mini stream's chain runs on through the next stream's
    // sectors. Such files open, and what is written to them afterwards ends every chain in time.
    const std::map<QString, QByteArray> streams{{QStringLiteral("big"), Pattern(5000, 1)},
                                                {QStringLiteral("big2"), Pattern(6000, 2)},
                                                {QStringLiteral("tiny"), Pattern(100, 3)},
                                                {QStringLiteral("tiny2"), Pattern(200, 4)}};
    QByteArray good;
    {
        auto mem = std::make_unique<MemoryLockBytes>();
        MemoryLockBytes* bytes = mem.get();
        auto root = StgCreateDocfileOnLockBytes(std::move(mem), RW);
        // "big2" last, so that its last sector is the file's last.
        for (const char* name : {"tiny", "tiny2", "big", "big2"})
            Put(*root, QString::fromLatin1(name), streams.at(QString::fromLatin1(name)));
        root->Commit();
        good = bytes->Data();
    }
    RawFile raw(good);
    const auto start = [&](const char* name) { return raw.Field(raw.Find(QString::fromLatin1(name)), 116); };
    raw.RunOn(raw.Field(0, 116), start("big"));
    raw.RunOn(start("big"), start("big2"));
    raw.RunOn(start("tiny"), start("tiny2"), true);
    const QByteArray longer = raw.bytes;
    // A stream's last sector marked free, its link never written, and that the file's last sector.
    QByteArray lastFree = good;
    {
        const RawFile plain(good);
        const uint32_t last = plain.Chain(plain.Field(plain.Find(QStringLiteral("big2")), 116)).back();
        ASSERT_EQ(last, good.size() / 512 - 2);
        SetU32(lastFree, plain.FatOffset(last), Cfb::FreeSect);
    }

    std::map<QString, QByteArray> expected = streams;
    expected[QStringLiteral("tiny")] += Pattern(3000, 5);
    expected[QStringLiteral("big")] += Pattern(2000, 6);
    expected[QStringLiteral("fresh")] = Pattern(9000, 7);
    for (const QByteArray& file : {longer, lastFree}) {
        QByteArray written;
        {
            auto mem = std::make_unique<MemoryLockBytes>(file);
            MemoryLockBytes* bytes = mem.get();
            auto root = StgOpenStorageOnLockBytes(std::move(mem), RW);
            std::map<QString, QByteArray> all;
            Collect(*root, QString(), all);
            EXPECT_EQ(all, streams);
            // Growing the mini stream and the big streams appends to their chains.
            auto tiny = root->OpenStream(QStringLiteral("tiny"), RW);
            tiny->Seek(0, CompoundStream::SeekEnd);
            tiny->Write(Pattern(3000, 5).constData(), 3000);
            auto big = root->OpenStream(QStringLiteral("big"), RW);
            big->Seek(0, CompoundStream::SeekEnd);
            big->Write(Pattern(2000, 6).constData(), 2000);
            Put(*root, QStringLiteral("fresh"), Pattern(9000, 7));
            tiny.reset();
            big.reset();
            root->Commit();
            written = bytes->Data();
        }
        std::map<QString, QByteArray> all;
        Collect(*StgOpenStorageOnLockBytes(std::make_unique<MemoryLockBytes>(written), RO), QString(), all);
        EXPECT_EQ(all, expected);
        // On disk every regular chain is as long as its size needs and no sector is in two of them.
        const RawFile after(written);
        std::set<uint32_t> seen;
        for (uint32_t id : {0u, after.Find(QStringLiteral("big")), after.Find(QStringLiteral("big2")),
                            after.Find(QStringLiteral("fresh"))}) {
            const auto chain = after.Chain(after.Field(id, 116));
            EXPECT_EQ(chain.size(), (after.Field(id, 120) + 511) / 512) << after.Name(id).toStdString();
            for (uint32_t sector : chain)
                EXPECT_TRUE(seen.insert(sector).second) << sector;
        }
    }

    // Within the length a size needs, sharing a sector stays refused.
    const auto open = [](const QByteArray& b) {
        return CodeOf([&] { StgOpenStorageOnLockBytes(std::make_unique<MemoryLockBytes>(b), RO); });
    };
    QByteArray rootTooLong = longer;
    SetU32(rootTooLong, raw.EntryOffset(0) + 120, raw.Field(0, 120) + 512);
    EXPECT_EQ(open(rootTooLong), STG_E_DOCFILECORRUPT);
    QByteArray bigTooLong = longer;
    SetU32(bigTooLong, raw.EntryOffset(raw.Find(QStringLiteral("big"))) + 120, 5000 + 512);
    EXPECT_EQ(open(bigTooLong), STG_E_DOCFILECORRUPT);
    QByteArray tinyTooLong = longer;
    SetU32(tinyTooLong, raw.EntryOffset(raw.Find(QStringLiteral("tiny"))) + 120, 100 + 64);
    EXPECT_EQ(open(tinyTooLong), STG_E_DOCFILECORRUPT);
}

TEST_F(CompoundFileTest, FuzzCorpusOpensOrFailsCleanly) {
    // The valid files of the corpus are built by hand from the published layout, so reading them is
    // a check against a writer other than ours; everything else must fail with a storage code.
    const QByteArray big = [] {
        QByteArray b(5000, Qt::Uninitialized);
        for (int i = 0; i < 5000; ++i)
            b[i] = static_cast<char>((i * 7 + 3) & 0xff);
        return b;
    }();
    QByteArray tiny(100, Qt::Uninitialized);
    for (int i = 0; i < 100; ++i)
        tiny[i] = static_cast<char>(i);
    // The last sector cut short (8191 of 8192 bytes) is read as if padded, as other readers do.
    // Chains running on past their streams' sizes are read as far as the sizes need.
    const QStringList readable{
        "valid_v3",       "valid_v4",          "stream_size_high_bits", "name_length_huge",
        "truncated_8191", "fat_runs_on_cycle", "minifat_runs_on_cycle", "ministream_runs_on",
        "stream_runs_on", "mini_runs_on",      "ministream_last_free",  "difat_listed"};
    int failures = 0;
    for (const QString& path :
         TestSupport::FilesIn(TestSupport::SourcePath(QStringLiteral("fuzz/compoundfile/corpus")))) {
        const QString name = QFileInfo(path).fileName();
        const QByteArray bytes = TestSupport::ReadFile(path);
        std::map<QString, QByteArray> tree;
        const HRESULT code = CodeOf([&] {
            auto root = StgOpenStorageOnLockBytes(std::make_unique<MemoryLockBytes>(bytes), RO);
            Collect(*root, QString(), tree);
        });
        if (readable.contains(name)) {
            ASSERT_EQ(code, S_OK) << name.toStdString();
            EXPECT_EQ(tree[QStringLiteral("tiny")], tiny) << name.toStdString();
            EXPECT_EQ(tree[QStringLiteral("Sheets/NameList")].size(), 12) << name.toStdString();
            if (name != QStringLiteral("name_length_huge")) {
                EXPECT_EQ(tree[QStringLiteral("big")], big) << name.toStdString();
            }
        } else {
            EXPECT_TRUE(code == STG_E_DOCFILECORRUPT || code == STG_E_INVALIDHEADER ||
                        code == STG_E_FILEALREADYEXISTS)
                << name.toStdString() << " gave " << std::hex << code;
            // A looping DIFAT chain or a count that disagrees is a damaged chain like the others.
            if (name.startsWith(QStringLiteral("difat_"))) {
                EXPECT_EQ(code, STG_E_DOCFILECORRUPT) << name.toStdString();
            }
            ++failures;
        }
    }
    EXPECT_GE(failures, 40);
}

TEST_F(CompoundFileTest, NewTableSectorsAreMarkedInTheFatOnDisk) {
    // A new FAT sector placed in the last slot an older FAT sector covers must be marked there too,
    // even when nothing else in that older sector changes; otherwise another writer would hand the
    // table's own sector out as free space.
    const QString file = Path(QStringLiteral("fatself.cfb"));
    {
        auto root = StgCreateDocfile(file, Create);
        Put(*root, QStringLiteral("a"), Pattern(125 * 512, 1)); // sectors 2..126
        root->Commit();
        Put(*root, QStringLiteral("b"), Pattern(8 * 512, 2)); // needs a second FAT sector
        root->Commit();
    }
    const RawFile raw(TestSupport::ReadFile(file));
    const QByteArray& b = raw.bytes;
    ASSERT_EQ(U32(b, 44), 2u);
    for (uint32_t i = 0; i < U32(b, 44); ++i) {
        const uint32_t sector = U32(b, 76 + 4 * i);
        ASSERT_LT(sector, raw.fat.size());
        EXPECT_EQ(raw.fat[sector], Cfb::FatSect) << "FAT sector " << sector;
    }
    auto root = StgOpenStorage(file, RO);
    EXPECT_EQ(Get(*root, QStringLiteral("a")), Pattern(125 * 512, 1));
    EXPECT_EQ(Get(*root, QStringLiteral("b")), Pattern(8 * 512, 2));
}

TEST_F(CompoundFileTest, SeekBeforeTheStartFailsForAnyOffset) {
    auto root = StgCreateDocfile(Path(QStringLiteral("seek.cfb")), Create);
    auto s = root->CreateStream(QStringLiteral("s"), Create);
    s->Write("abc", 3);
    EXPECT_EQ(CodeOf([&] { s->Seek(INT64_MIN, CompoundStream::SeekCur); }), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(CodeOf([&] { s->Seek(-4, CompoundStream::SeekEnd); }), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(CodeOf([&] { s->Seek(INT64_MAX, CompoundStream::SeekEnd); }), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(s->Seek(-3, CompoundStream::SeekEnd), 0u);
}

TEST_F(CompoundFileTest, ALockedFileReadThroughItsBlockCacheSeesItsOwnWrites) {
    // Reads, writes past the end (a hole reads as zeros), growing and shrinking, against a copy.
    const QString file = Path("cached.bin");
    QByteArray expected(150000, '\0');
    for (qsizetype i = 0; i < expected.size(); ++i)
        expected[i] = char(i * 7 + 3);
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(expected);
    }
    FileLockBytes bytes(file, true, FileLockBytes::OpenKind::OpenExisting, FileLock::Exclusive);
    uint32_t seed = 12345;
    const auto next = [&seed](uint32_t limit) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 8) % limit;
    };
    QByteArray got;
    for (int step = 0; step < 3000; ++step) {
        const uint64_t offset = next(uint32_t(expected.size()) + 70000);
        const size_t count = next(step % 50 == 0 ? 140000 : 3000);
        switch (next(8)) {
        case 0: {
            QByteArray data(qsizetype(count), Qt::Uninitialized);
            for (char& c : data)
                c = char(next(256));
            bytes.WriteAt(offset, data.constData(), count);
            if (offset + count > uint64_t(expected.size()))
                expected.resize(qsizetype(offset + count), '\0');
            std::memcpy(expected.data() + offset, data.constData(), count);
            break;
        }
        case 1:
            bytes.SetSize(offset);
            expected.resize(qsizetype(offset), '\0');
            break;
        default: {
            got.fill('\x55', qsizetype(count));
            const size_t n = bytes.ReadAt(offset, got.data(), count);
            const uint64_t there = offset < uint64_t(expected.size()) ? uint64_t(expected.size()) - offset : 0;
            ASSERT_EQ(n, std::min<uint64_t>(count, there)) << "step " << step;
            ASSERT_EQ(got.left(qsizetype(n)), expected.mid(qsizetype(offset), qsizetype(n))) << "step " << step;
        }
        }
    }
    ASSERT_EQ(bytes.Size(), uint64_t(expected.size()));
    QFile in(file);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(in.readAll(), expected) << "the file itself holds every write";
}
