// Files written by the engine must open in an independent reader: Debian's python3-olefile lists
// them strictly (every defect it knows of raises) and hashes every stream; the listing must match ours.

#include "platform/CompoundFile.h"
#include "tests/TestSupport.h"
#include "tests/platform/RawCompoundFile.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

constexpr uint32_t RW = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr uint32_t Create = STGM_CREATE | RW;

const char* const ListScript = R"PY(
import hashlib, sys
import olefile
ole = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)
out = []
for path in ole.listdir(streams=True, storages=True):
    name = "/".join(path)
    if ole.get_type(path) == olefile.STGTY_STREAM:
        data = ole.openstream(path).read()
        out.append("stream %s %d %s" % (name, len(data), hashlib.sha256(data).hexdigest()))
    else:
        out.append("storage %s" % name)
sys.stdout.buffer.write("\n".join(sorted(out)).encode("utf-8"))
)PY";

// The interpreter that has olefile: the system one first (a user-installed python may lack it).
QString FindPythonWithOlefile() {
    for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess p;
        p.start(candidate, {QStringLiteral("-c"), QStringLiteral("import olefile")});
        if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return candidate;
    }
    return QString();
}

QByteArray Pattern(qsizetype size, int seed) {
    QByteArray b(size, Qt::Uninitialized);
    for (qsizetype i = 0; i < size; ++i)
        b[i] = static_cast<char>((i * 31 + seed * 7 + (i >> 9)) & 0xff);
    return b;
}

void Put(CompoundStorage& stg, const QString& name, const QByteArray& data) {
    stg.CreateStream(name, Create)->Write(data.constData(), static_cast<uint64_t>(data.size()));
}

void ListOurs(CompoundStorage& stg, const QString& prefix, QStringList& out) {
    for (const STATSTG& st : stg.EnumElements()) {
        const QString name = prefix + st.name;
        if (st.type == STGTY_STREAM) {
            auto s = stg.OpenStream(st.name, STGM_READ | STGM_SHARE_EXCLUSIVE);
            QByteArray data(static_cast<qsizetype>(s->Size()), Qt::Uninitialized);
            s->Read(data.data(), static_cast<uint64_t>(data.size()));
            out << QStringLiteral("stream %1 %2 %3")
                       .arg(name)
                       .arg(data.size())
                       .arg(QString::fromLatin1(
                           QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex()));
        } else {
            out << QStringLiteral("storage %1").arg(name);
            auto sub = stg.OpenStorage(st.name, STGM_READ | STGM_SHARE_EXCLUSIVE);
            ListOurs(*sub, name + u'/', out);
        }
    }
}

} // namespace

TEST(CompoundFileOlefile, IndependentReaderAgreesWithOurFiles) {
    const QString python = FindPythonWithOlefile();
    REQUIRE_CHECKER(!python.isEmpty(), "python3-olefile");
    QTemporaryDir dir;
    const QString script = dir.filePath(QStringLiteral("list.py"));
    TestSupport::WriteFile(script, ListScript);

    QStringList files;
    // A tree of every size class, Japanese names, empty storages.
    files << dir.filePath(QStringLiteral("tree.cfb"));
    {
        auto root = StgCreateDocfile(files.back(), Create);
        int seed = 0;
        for (qsizetype size : {0, 1, 64, 4095, 4096, 4097, 100000})
            Put(*root, QStringLiteral("s%1").arg(size), Pattern(size, seed++));
        auto sheets = root->CreateStorage(QStringLiteral("Sheets"), Create);
        for (int i = 0; i < 25; ++i)
            Put(*sheets, QStringLiteral("NameList%1").arg(i), Pattern(i * 100, i));
        auto jp = sheets->CreateStorage(QStringLiteral("表面ラベル"), Create);
        Put(*jp, QStringLiteral("写真"), Pattern(7000, 3));
        jp->CreateStorage(QStringLiteral("空"), Create);
        root->SetClass(StringToGUID("{00020906-0000-0000-C000-000000000046}"));
    }
    // More than 109 FAT sectors: the allocation table spills into DIFAT sectors.
    files << dir.filePath(QStringLiteral("difat.cfb"));
    {
        auto root = StgCreateDocfile(files.back(), Create);
        Put(*root, QStringLiteral("big"), Pattern(9 * 1024 * 1024 + 3, 1));
        Put(*root, QStringLiteral("after"), Pattern(3000, 2));
    }
    // A file worn by in-place changes: growth, shrinking, deletions, renames and moves.
    files << dir.filePath(QStringLiteral("worn.cfb"));
    {
        auto root = StgCreateDocfile(files.back(), Create);
        for (int i = 0; i < 30; ++i)
            Put(*root, QStringLiteral("e%1").arg(i), Pattern(500 + i * 300, i));
        auto box = root->CreateStorage(QStringLiteral("box"), Create);
        for (int i = 0; i < 30; i += 3)
            root->DestroyElement(QStringLiteral("e%1").arg(i));
        for (int i = 1; i < 30; i += 3) {
            auto s = root->OpenStream(QStringLiteral("e%1").arg(i), RW);
            s->SetSize(i % 2 ? 9000 : 10);
        }
        root->RenameElement(QStringLiteral("e2"), QStringLiteral("renamed"));
        root->MoveElementTo(QStringLiteral("e5"), *box, QStringLiteral("moved"), STGMOVE_MOVE);
        root->MoveElementTo(QStringLiteral("e8"), *box, QStringLiteral("copied"), STGMOVE_COPY);
    }

    // Chains that run on past their streams, as another writer leaves them, read and changed in
    // place: what goes back is ended in time.
    files << dir.filePath(QStringLiteral("runs_on.cfb"));
    {
        {
            auto root = StgCreateDocfile(files.back(), Create);
            Put(*root, QStringLiteral("big"), Pattern(5000, 1));
            Put(*root, QStringLiteral("big2"), Pattern(6000, 2));
            Put(*root, QStringLiteral("tiny"), Pattern(100, 3));
            Put(*root, QStringLiteral("tiny2"), Pattern(200, 4));
        }
        RawFile raw(TestSupport::ReadFile(files.back()));
        const auto start = [&](const char* name) {
            return raw.Field(raw.Find(QString::fromLatin1(name)), 116);
        };
        raw.RunOn(raw.Field(0, 116), start("big"));
        raw.RunOn(start("big"), start("big2"));
        raw.RunOn(start("tiny"), start("tiny2"), true);
        TestSupport::WriteFile(files.back(), raw.bytes);
        files << dir.filePath(QStringLiteral("runs_on_changed.cfb"));
        TestSupport::WriteFile(files.back(), raw.bytes);
        auto root = StgOpenStorage(files.back(), RW);
        auto tiny = root->OpenStream(QStringLiteral("tiny"), RW);
        tiny->Seek(0, CompoundStream::SeekEnd);
        tiny->Write(Pattern(3000, 5).constData(), 3000);
        auto big = root->OpenStream(QStringLiteral("big"), RW);
        big->Seek(0, CompoundStream::SeekEnd);
        big->Write(Pattern(2000, 6).constData(), 2000);
        Put(*root, QStringLiteral("fresh"), Pattern(9000, 7));
    }

    for (const QString& file : files) {
        QProcess p;
        p.start(python, {script, file});
        ASSERT_TRUE(p.waitForFinished(120000));
        const QString theirs = QString::fromUtf8(p.readAllStandardOutput());
        ASSERT_EQ(p.exitCode(), 0) << file.toStdString() << ": " << p.readAllStandardError().toStdString();
        QStringList ours;
        auto root = StgOpenStorage(file, STGM_READ | STGM_SHARE_EXCLUSIVE);
        ListOurs(*root, QString(), ours);
        ours.sort();
        EXPECT_GE(ours.size(), 2);
        EXPECT_EQ(theirs.toStdString(), ours.join(u'\n').toStdString()) << file.toStdString();
    }
}
