// The paper database that ships: built from tools/SystemPapers.json and tools/label-products.tsv at
// build time.

#include "papers/UExtraPaperInfo.h"
#include "papers/UPapers.h"
#include "tests/LabelProductRows.h"
#include "tests/TestSupport.h"

#include <QMap>
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

// Runs the generator as the build does (products: the product table, by default the shipped one);
// its report in *report.
bool Generate(const QString& out, QString products = {}, QString* report = nullptr) {
    if (products.isEmpty())
        products = TestSupport::SourcePath("tools/label-products.tsv");
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SOURCE_DATE_EPOCH", "0");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(QUORLANE_MAKEPAPERDB),
            {TestSupport::SourcePath("tools/SystemPapers.json"), products, out});
    const bool done = p.waitForFinished(60000);
    if (report)
        *report = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return done && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// The shipped paper of a maker's product: its name starts with the maker and the product number.
const TPaperInfo* ProductPaper(const TPapersV2& db, const QString& brand, const QString& part) {
    const QString prefix = brand + ' ' + part + ' ';
    for (int i = 0; i < db.GetCount(); ++i)
        if (db.GetPaper(i)->PaperName.startsWith(prefix))
            return db.GetPaper(i);
    return nullptr;
}

} // namespace

TEST(SystemPapers, TheBuiltDatabaseHoldsTheTable) {
    const QJsonObject table = Table();
    const QJsonArray entries = table.value("papers").toArray();
    ASSERT_GE(entries.size(), 60);
    TPapersV2 db(QStringLiteral(QUORLANE_SYSTEM_PAPERS), true);
    db.AddStandardExtraInfoBases();
    EXPECT_TRUE(db.OpenWarning().isEmpty()) << qPrintable(db.OpenWarning());
    // The table's papers first, then the makers' products.
    ASSERT_GE(db.GetCount(), entries.size() + 850);
    EXPECT_EQ(db.GetUpdateInfo().PPRNo, table.value("pprNo").toInt());
    const QJsonObject sheets = table.value("sheets").toObject();
    for (int i = 0; i < entries.size(); ++i) {
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
        // Our own codes, kept for the documents that name them.
        EXPECT_TRUE(name.startsWith("QL-"));
    }
    TStringList genres;
    db.LoadGlobalInfo(QStringLiteral("GenreInfo"), genres);
    EXPECT_EQ(genres.Values(QStringLiteral("写真")), QStringLiteral("3"));
    EXPECT_EQ(genres.Values(QStringLiteral("アルバム")), QStringLiteral("1"));
    TStringList sizes;
    db.LoadGlobalInfo(QStringLiteral("PhotoSizeInfo"), sizes);
    EXPECT_TRUE(sizes.IndexOf(QStringLiteral("2L")) >= 0);
    // Every paper type the printer settings name has its maker's number, and every paper they name
    // is shipped.
    TStringList printerSetting;
    db.LoadGlobalInfo(QStringLiteral("PrinterSetting"), printerSetting);
    ASSERT_GT(printerSetting.Count(), 0);
    QStringList shipped;
    for (const QJsonValue& e : entries)
        shipped << e.toObject().value("code").toString() + u' ' + e.toObject().value("name").toString();
    QString section;
    QMap<QString, QStringList> ids;
    for (int i = 0; i < printerSetting.Count(); ++i) {
        const QString line = printerSetting.Strings(i);
        if (line.startsWith(u'[')) {
            section = line.mid(1, line.size() - 2);
            continue;
        }
        const QString key = line.section(u'=', 0, 0), value = line.section(u'=', 1);
        const QString maker = section.section(u'.', 0, 0);
        if (section.endsWith(QLatin1String(".Paper.ID"))) {
            ids[maker] << key;
            continue;
        }
        EXPECT_TRUE(ids[maker].contains(value)) << line.toStdString();
        if (!key.startsWith(QLatin1String("@@"))) {
            EXPECT_TRUE(shipped.contains(key)) << key.toStdString();
        }
    }
    const QJsonArray companies = table.value("companies").toArray();
    ASSERT_GT(db.GetCompanyList().Count(), companies.size() + 30);
    for (int i = 0; i < companies.size(); ++i)
        EXPECT_EQ(db.GetCompanyList()[i], companies[i].toString());
}

TEST(SystemPapers, MakersProductsKeepTheirPublishedPlaces) {
    TPapersV2 db(QStringLiteral(QUORLANE_SYSTEM_PAPERS), true);
    db.AddStandardExtraInfoBases();
    // A product's rows in table order: its faces are theirs, grid after grid.
    std::vector<std::pair<QString, std::vector<LabelProductRow>>> products;
    for (const LabelProductRow& row : LabelProductRows()) {
        if (products.empty() || products.back().first != row.Brand + '\t' + row.Part)
            products.emplace_back(row.Brand + '\t' + row.Part, std::vector<LabelProductRow>{});
        products.back().second.push_back(row);
    }
    ASSERT_EQ(products.size(), 879u);
    int shipped = 0;
    for (const auto& [key, rows] : products) {
        SCOPED_TRACE(qPrintable(key));
        const TPaperInfo* paper = ProductPaper(db, rows[0].Brand, rows[0].Part);
        if (!paper)
            continue; // refused by the tool
        ++shipped;
        EXPECT_TRUE(paper->ReadOnly);
        EXPECT_EQ(TSize(paper->Width(), paper->Height()),
                  TSize(qRound(rows[0].SheetW * 10), qRound(rows[0].SheetH * 10)));
        int face = 0;
        for (const LabelProductRow& row : rows)
            for (int i = 0; i < row.Nx * row.Ny; ++i, ++face) {
                ASSERT_LT(face, paper->GetFaceCount());
                const QRectF f = row.Face(i);
                const TRect r = paper->GetFaceRect(face);
                // Within a tenth of a millimetre; a face clamped to the sheet, or trimmed to a pitch
                // published shorter than itself, within half a millimetre.
                const bool clamped = f.left() < 0 || f.top() < 0 || f.right() * 10 > paper->Width() ||
                                     f.bottom() * 10 > paper->Height() || (row.Nx > 1 && row.Dx < f.width()) ||
                                     (row.Ny > 1 && row.Dy < f.height());
                const double tolerance = (clamped ? 5 : 1) + 1e-6;
                EXPECT_NEAR(r.Left, f.left() * 10, tolerance) << face;
                EXPECT_NEAR(r.Top, f.top() * 10, tolerance) << face;
                EXPECT_NEAR(r.Right, f.right() * 10, tolerance) << face;
                EXPECT_NEAR(r.Bottom, f.bottom() * 10, tolerance) << face;
                const TFaceShape shape = row.Shape == "cd"                                ? fsDoughnut
                                         : row.Shape == "round" || row.Shape == "ellipse" ? fsEllipse
                                         : row.Corner > 0                                 ? fsRoundRect
                                                                                          : fsRect;
                EXPECT_EQ(paper->GetFaceShape(face), shape) << face;
                if (shape == fsDoughnut) {
                    EXPECT_EQ(paper->GetCutCenterSize(face),
                              TSize(qRound(row.Hole * 10), qRound(row.Hole * 10)));
                    EXPECT_EQ(paper->GetFacePurpose(face), QStringLiteral("CD"));
                }
                if (shape == fsRoundRect) {
                    EXPECT_NEAR(paper->GetRoundSize(face), row.Corner * 20, 1) << face;
                }
            }
        EXPECT_EQ(paper->GetFaceCount(), face);
        EXPECT_TRUE(paper->PaperName.endsWith(QStringLiteral(" %1面").arg(face)))
            << qPrintable(paper->PaperName);
        const std::unique_ptr<TExtraPaperInfo> extra = db.GetExtraInfo(kExtraInfosTable, paper->PaperName);
        const auto* info = dynamic_cast<const TExPaperInfo*>(extra.get());
        ASSERT_NE(info, nullptr);
        EXPECT_EQ(info->Company, rows[0].Brand);
        EXPECT_GE(db.GetCompanyList().IndexOf(rows[0].Brand), 0);
    }
    EXPECT_GE(shipped, 850);

    // Worked examples: name, group and use from the shape and size; a grid where the pitch allows.
    const auto named = [&](const char* brand, const char* part) {
        const TPaperInfo* p = ProductPaper(db, brand, part);
        return p ? p->PaperName + " / " + p->GroupName : QString();
    };
    EXPECT_EQ(named("Avery", "7160"), QStringLiteral("Avery 7160 ラベル 21面 / ラベル"));
    EXPECT_TRUE(dynamic_cast<const TMatrixPaperInfo*>(ProductPaper(db, "Avery", "7160")));
    EXPECT_EQ(named("Hisago", "ELM006"), QStringLiteral("Hisago ELM006 ラベル 10面 / ラベル"));
    EXPECT_EQ(named("Avery", "L6015"), QStringLiteral("Avery L6015 CD/DVDラベル 2面 / CD/DVD"));
    EXPECT_EQ(named("Avery", "7414"), QStringLiteral("Avery 7414 名刺 10面 / 名刺"));
    EXPECT_EQ(named("Avery", "L4730"), QStringLiteral("Avery L4730 インデックスラベル 270面 / インデックス"));
    // Listed by maker, then by number as a catalogue counts.
    EXPECT_LT(db.IndexOf(ProductPaper(db, "Online Labels", "OL114")->PaperName),
              db.IndexOf(ProductPaper(db, "Online Labels", "OL1025")->PaperName));
    EXPECT_LT(db.IndexOf(ProductPaper(db, "Avery", "7160")->PaperName),
              db.IndexOf(ProductPaper(db, "Begalabel", "O-200")->PaperName));
    const TPaperInfo* several = ProductPaper(db, "Desmat", "A4ST-3CD");
    ASSERT_NE(several, nullptr);
    EXPECT_TRUE(dynamic_cast<const TFreePaperInfo*>(several)) << "faces of several grids";
    EXPECT_EQ(several->GroupName, QStringLiteral("CD/DVD"));
}

TEST(SystemPapers, ProductRowsThatLeaveTheSheetAreClampedOrRefusedAndListed) {
    QTemporaryDir dir;
    const QString tsv = dir.filePath("products.tsv");
    const QByteArray head =
        "# notes\nbrand\tpart\tpaper\tsheet_w\tsheet_h\tshape\tw\th\tr_or_waste\thole\tnx\tny"
        "\tx0\ty0\tdx\tdy\tdescription\n";
    TestSupport::WriteFile(
        tsv,
        head +
            // A quarter millimetre past the right edge: clamped.
            "Acme\tC1\tA4\t210.0\t297.0\trectangle\t105.125\t297.0\t\t\t2\t1\t0.0\t0.0\t105.125\t0\tClamped\n"
            // 0.8 mm past the bottom: refused.
            "Acme\tF1\tA4\t210.0\t297.0\trectangle\t100.0\t148.9\t\t\t2\t2\t5.0\t0.0\t100.0\t148.9\tFar\n"
            // Columns closer than a face is wide: refused.
            "Acme\tO1\tA4\t210.0\t297.0\tround\t40.0\t40.0\t1.0\t\t4\t1\t10.0\t10.0\t39.0\t0\tOverlap\n"
            "Acme\tB1\tA4\t210.0\t297.0\trectangle\tmany\t40.0\t\t\t1\t1\t10.0\t10.0\t0\t0\tBad\n"
            // 20 columns whose pitch of 10.06 mm does not keep to whole tenths: faces one by one.
            "Acme\tP20\tA4\t210.0\t297.0\trectangle\t10.0\t10.0\t\t\t20\t1\t3.0\t3.0\t10.06\t0\tPitch\n"
            // Two grids: one paper with both.
            "Acme\tM2\tUS-Letter\t215.9\t279.4\tcd\t117.0\t117.0\t1.0\t41.0\t1\t1\t10.0\t10.0\t0\t0\tDisc\n"
            "Acme\tM2\tUS-Letter\t215.9\t279.4\trectangle\t50.0\t20.0\t2.0\t\t1\t3\t150.0\t10.0\t0\t25."
            "0\tSpine\n");
    const QString out = dir.filePath("p.ppr");
    QString report;
    ASSERT_TRUE(Generate(out, tsv, &report)) << qPrintable(report);
    EXPECT_TRUE(report.contains("3 of 6 products (7 rows)")) << qPrintable(report);
    EXPECT_TRUE(report.contains("clamped Acme C1: 1 faces clamped to the sheet, by up to 0.25 mm"))
        << qPrintable(report);
    EXPECT_TRUE(report.contains("refused Acme F1: face 3 leaves the sheet by 0.80 mm")) << qPrintable(report);
    EXPECT_TRUE(report.contains("refused Acme O1: face 2 overlaps another")) << qPrintable(report);
    EXPECT_TRUE(report.contains("refused Acme B1: w is not a length")) << qPrintable(report);

    TPapersV2 db(out, true);
    db.AddStandardExtraInfoBases();
    EXPECT_EQ(ProductPaper(db, "Acme", "F1"), nullptr);
    EXPECT_EQ(ProductPaper(db, "Acme", "O1"), nullptr);
    const TPaperInfo* clamped = ProductPaper(db, "Acme", "C1");
    ASSERT_NE(clamped, nullptr);
    EXPECT_EQ(clamped->GetFaceRect(1), TRect(1051, 0, 2100, 2970));
    const TPaperInfo* pitch = ProductPaper(db, "Acme", "P20");
    ASSERT_NE(pitch, nullptr);
    EXPECT_EQ(pitch->GetFaceRect(19), TRect(1941, 30, 2041, 130)) << "3 + 19 x 10.06 mm";
    const TPaperInfo* both = ProductPaper(db, "Acme", "M2");
    ASSERT_NE(both, nullptr);
    EXPECT_EQ(both->PaperName, QStringLiteral("Acme M2 CD/DVDラベル 4面"));
    EXPECT_EQ(both->GetFaceShape(0), fsDoughnut);
    EXPECT_EQ(both->GetFaceShape(3), fsRoundRect);
    EXPECT_EQ(both->GetFaceRect(3), TRect(1500, 600, 2000, 800));
    EXPECT_EQ(both->GetRoundSize(3), 40);
    EXPECT_GE(db.GetCompanyList().IndexOf("Acme"), 1);

    // Columns that are not the table's stop the build and leave no file.
    TestSupport::WriteFile(tsv, "brand\tpart\tsheet\n");
    EXPECT_FALSE(Generate(out, tsv, &report));
    EXPECT_TRUE(report.contains("column 3 should be paper")) << qPrintable(report);
    EXPECT_FALSE(QFile::exists(out));
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
    EXPECT_EQ(out.value(0).toInt(), TPapersV2(a, true).GetCount());
    EXPECT_GE(out.value(0).toInt(), Table().value("papers").toArray().size() + 850);
    EXPECT_EQ(out.value(1), QStringLiteral("TPF0"));
}
