// The paper database that ships: built from tools/SystemPapers.json at build time.

#include "papers/UPapers.h"
#include "tests/TestSupport.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

namespace {

QJsonObject Table() {
    return QJsonDocument::fromJson(TestSupport::ReadFile(TestSupport::SourcePath("tools/SystemPapers.json")))
        .object();
}

// Runs the generator as the build does.
bool Generate(const QString& out) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SOURCE_DATE_EPOCH", "0");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUORLANE_MAKEPAPERDB), {TestSupport::SourcePath("tools/SystemPapers.json"), out});
    return p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

} // namespace

TEST(SystemPapers, TheBuiltDatabaseHoldsTheTable) {
    const QJsonObject table = Table();
    const QJsonArray entries = table.value("papers").toArray();
    ASSERT_GE(entries.size(), 60);
    TPapersV2 db(QStringLiteral(QUORLANE_SYSTEM_PAPERS), true);
    db.AddStandardExtraInfoBases();
    EXPECT_TRUE(db.OpenWarning().isEmpty()) << qPrintable(db.OpenWarning());
    ASSERT_EQ(db.GetCount(), entries.size());
    EXPECT_EQ(db.GetUpdateInfo().PPRNo, table.value("pprNo").toInt());
    const QJsonObject sheets = table.value("sheets").toObject();
    for (int i = 0; i < db.GetCount(); ++i) {
        const QJsonObject e = entries[i].toObject();
        const TPaperInfo* paper = db.GetPaper(i);
        const QString name = e.value("code").toString() + ' ' + e.value("name").toString();
        SCOPED_TRACE(qPrintable(name));
        EXPECT_EQ(paper->PaperName, name) << "table order";
        EXPECT_TRUE(paper->ReadOnly);
        EXPECT_EQ(paper->GroupName, e.value("group").toString());
        const QJsonArray sheet = sheets.value(e.value("sheet").toString()).toArray();
        EXPECT_EQ(paper->Width(), sheet[0].toInt());
        EXPECT_EQ(paper->Height(), sheet[1].toInt());
        const QJsonObject g = e.value("grid").toObject();
        ASSERT_EQ(paper->GetFaceCount(), g.value("cols").toInt() * g.value("rows").toInt());
        const int last = paper->GetFaceCount() - 1;
        const int col = last % g.value("cols").toInt();
        const int row = last / g.value("cols").toInt();
        const int left = g.value("left").toInt() + col * (g.value("width").toInt() + g.value("gapX").toInt());
        const int top = g.value("top").toInt() + row * (g.value("height").toInt() + g.value("gapY").toInt());
        EXPECT_EQ(paper->GetFaceRect(last),
                  Bounds(left, top, g.value("width").toInt(), g.value("height").toInt()));
        EXPECT_EQ(paper->GetFaceShape(0), FaceShapeIdents().indexOf(e.value("shape").toString()));
        EXPECT_EQ(paper->FindFaceOutsidePaper(), -1);
        EXPECT_EQ(paper->FindOverlappingFace(), -1);
        const std::unique_ptr<TExtraPaperInfo> extra = db.GetExtraInfo(kExtraInfosTable, name);
        auto* info = dynamic_cast<TExPaperInfo*>(extra.get());
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->Company, e.value("company").toString());
        EXPECT_EQ(info->Purpose, e.value("purpose").toString());
        const std::unique_ptr<TExtraPaperInfo> album = db.GetExtraInfo(kExtraAlbumInfoTable, name);
        EXPECT_EQ(album != nullptr, e.contains("photoSize") || e.contains("memo") || e.contains("album"));
        if (const auto* albumInfo = dynamic_cast<const TExAlbumInfo*>(album.get())) {
            // Photos keep as far from the binding margin as from the far edge, and from top as from bottom.
            TRect used = paper->GetFaceRect(0);
            for (int f = 1; f < paper->GetFaceCount(); ++f)
                UnionRect(used, used, paper->GetFaceRect(f));
            EXPECT_EQ(used.Left - albumInfo->LeftMargin(), paper->Width() - used.Right);
            EXPECT_EQ(used.Top, paper->Height() - used.Bottom);
        }
        // No maker's name: every paper is ours.
        EXPECT_TRUE(name.startsWith("QL-"));
    }
    TStringList genres;
    db.LoadGlobalInfo(QStringLiteral("GenreInfo"), genres);
    EXPECT_EQ(genres.Values(QStringLiteral("写真")), QStringLiteral("3"));
    EXPECT_EQ(genres.Values(QStringLiteral("アルバム")), QStringLiteral("1"));
    TStringList sizes;
    db.LoadGlobalInfo(QStringLiteral("PhotoSizeInfo"), sizes);
    EXPECT_TRUE(sizes.IndexOf(QStringLiteral("2L")) >= 0);
    EXPECT_EQ(db.GetCompanyList().Count(), table.value("companies").toArray().size());
}

TEST(SystemPapers, WorkedSizesFromTheStandards) {
    TPapersV2 db(QStringLiteral(QUORLANE_SYSTEM_PAPERS), true);
    // Every running copy reads the installed database; a second reader must not be locked out.
    TPapersV2 second(QStringLiteral(QUORLANE_SYSTEM_PAPERS), true);
    EXPECT_EQ(second.GetCount(), db.GetCount());
    auto paper = [&](const char* code) -> const TPaperInfo* {
        for (int i = 0; i < db.GetCount(); ++i)
            if (db.GetPaper(i)->PaperName.startsWith(QLatin1String(code) + ' '))
                return db.GetPaper(i);
        return nullptr;
    };
    const TPaperInfo* cards = paper("QL-BC10");
    ASSERT_NE(cards, nullptr);
    EXPECT_EQ(cards->GetFaceRect(0), Bounds(140, 110, 910, 550)) << "91 x 55 from 14 mm left, 11 mm top";
    EXPECT_EQ(cards->GetFaceRect(9), Bounds(1050, 2310, 910, 550)) << "no gaps";
    const TPaperInfo* cd = paper("QL-CD2");
    ASSERT_NE(cd, nullptr);
    EXPECT_EQ(cd->GetFaceShape(0), fsDoughnut);
    EXPECT_EQ(cd->GetFaceRect(0).Width(), 1170);
    EXPECT_EQ(cd->GetCutCenterSize(0), TSize(410, 410));
    EXPECT_EQ(cd->GetFacePurpose(0), QStringLiteral("CD"));
    for (const auto& [code, w, h] :
         {std::tuple{"QL-PC1", 1000, 1480}, std::tuple{"QL-PL", 890, 1270}, std::tuple{"QL-P2L", 1270, 1780},
          std::tuple{"QL-PKG", 1020, 1520}, std::tuple{"QL-NB5", 1820, 2570},
          std::tuple{"QL-NLT", 2159, 2794}, std::tuple{"QL-NA5", 1480, 2100}}) {
        const TPaperInfo* p = paper(code);
        ASSERT_NE(p, nullptr) << code;
        EXPECT_EQ(TSize(p->Width(), p->Height()), TSize(w, h)) << code;
    }
}

TEST(SystemPapers, TwoBuildsGiveTheSameBytesAndAnIndependentReaderListsThem) {
    QTemporaryDir dir;
    const QString a = dir.filePath("a.ppr");
    const QString b = dir.filePath("b.ppr");
    ASSERT_TRUE(Generate(a));
    ASSERT_TRUE(Generate(b));
    const QByteArray bytes = TestSupport::ReadFile(a);
    EXPECT_EQ(bytes, TestSupport::ReadFile(b));
    EXPECT_EQ(bytes, TestSupport::ReadFile(QStringLiteral(QUORLANE_SYSTEM_PAPERS)));

    QProcess python;
    python.start(
        QStringLiteral("/usr/bin/python3"),
        {QStringLiteral("-c"),
         QStringLiteral("import sys, olefile\n"
                        "o = olefile.OleFileIO(sys.argv[1], raise_defects=olefile.DEFECT_INCORRECT)\n"
                        "print(sum(1 for p in o.listdir() if p[0] == 'Papers'))\n"
                        "print(o.openstream('UpdateInfo/UpdateInfo').read()[:4].decode())\n"),
         a});
    ASSERT_TRUE(python.waitForFinished(60000));
    ASSERT_EQ(python.exitCode(), 0) << python.readAllStandardError().constData();
    const QStringList out = QString::fromUtf8(python.readAllStandardOutput()).split('\n');
    EXPECT_EQ(out.value(0).toInt(), Table().value("papers").toArray().size());
    EXPECT_EQ(out.value(1), QStringLiteral("TPF0"));
}
