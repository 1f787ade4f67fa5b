// Writes the shipped paper database from the readable paper table and the makers' product table:
// every paper (read-only, in portrait position), its extra information, the company and group
// lists, the genre and photo size lists and the update record. The paper table is checked first: a
// paper whose faces leave the sheet or overlap, or a name given twice, stops the build. A product
// that fails the same checks is left out and listed (see LabelProducts.h). No clock goes into the
// file (SOURCE_DATE_EPOCH fixes the compound file's times), so the same tables always give the same
// bytes.
//
// Usage: MakePaperDB <table.json> [<products.tsv>] <output.ppr>
//        MakePaperDB --update <pprNo> <date> <table.json> <folder>
// The second form writes a paper update as a server offers it: "data.ppz" (the database of the
// table with that pattern number, packed) and the info file "info.vup" naming it with the date.

#include "imaging/UZLIB.h"
#include "papers/UExtraPaperInfo.h"
#include "papers/UPaperInfo.h"
#include "papers/UPapers.h"
#include "platform/Exception.h"
#include "platform/Stream.h"
#include "platform/StringList.h"
#include "tools/MakePaperDB/LabelProducts.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

QUORLANE_EXCEPTION(ETableError, Exception)

[[noreturn]] void Fail(const QString& where, const QString& what) {
    throw ETableError(QStringLiteral("%1: %2").arg(where, what));
}

int Length(const QJsonObject& o, const char* key, const QString& where, int fallback = 0) {
    const QJsonValue v = o.value(QLatin1String(key));
    if (v.isUndefined())
        return fallback;
    if (!v.isDouble() || v.toDouble() != double(v.toInt()) || v.toInt() < 0 || v.toInt() > kMaxPaperLength)
        Fail(where, QStringLiteral("%1 must be a length in tenths of a millimetre").arg(key));
    return v.toInt();
}

TFaceShape Shape(const QString& name, const QString& where) {
    const int index = FaceShapeIdents().indexOf(name);
    if (index < 0)
        Fail(where, QStringLiteral("unknown shape %1").arg(name));
    return TFaceShape(index);
}

std::unique_ptr<TPaperInfo> MakePaper(const QJsonObject& entry, const QJsonObject& sheets) {
    const QString name = entry.value("code").toString() + QLatin1Char(' ') + entry.value("name").toString();
    if (entry.value("code").toString().isEmpty() || entry.value("name").toString().isEmpty())
        Fail(name, QStringLiteral("code and name are required"));
    const QJsonArray sheet = sheets.value(entry.value("sheet").toString()).toArray();
    if (sheet.size() != 2)
        Fail(name, QStringLiteral("unknown sheet %1").arg(entry.value("sheet").toString()));
    const QJsonObject grid = entry.value("grid").toObject();
    if (grid.isEmpty() == entry.value("faces").toArray().isEmpty())
        Fail(name, QStringLiteral("give either grid or faces"));
    const TFaceShape shape = Shape(entry.value("shape").toString(QStringLiteral("fsRect")), name);
    const int margin = Length(entry, "margin", name);
    const int corner = Length(entry, "corner", name, kDefaultRoundSize);
    const int hole = Length(entry, "hole", name, kDefaultCutCenterSize);
    const QString facePurpose = entry.value("facePurpose").toString();

    std::unique_ptr<TPaperInfo> paper;
    if (!grid.isEmpty()) {
        auto matrix = std::make_unique<TMatrixPaperInfo>(nullptr);
        matrix->FaceCountX = Length(grid, "cols", name);
        matrix->FaceCountY = Length(grid, "rows", name);
        matrix->LeftOffset = Length(grid, "left", name);
        matrix->TopOffset = Length(grid, "top", name);
        matrix->FaceWidth = Length(grid, "width", name);
        matrix->FaceHeight = Length(grid, "height", name);
        matrix->RightMargin = Length(grid, "gapX", name);
        matrix->BottomMargin = Length(grid, "gapY", name);
        matrix->FaceShape = shape;
        matrix->FaceMargin = margin;
        matrix->RoundSize = corner;
        matrix->CutCenterWidth = matrix->CutCenterHeight = hole;
        matrix->FacePurpose = facePurpose;
        paper = std::move(matrix);
    } else {
        auto free = std::make_unique<TFreePaperInfo>(nullptr);
        for (const QJsonValue& v : entry.value("faces").toArray()) {
            const QJsonObject f = v.toObject();
            TFaceItem* item = free->Faces()->Add();
            item->SetLeft(Length(f, "left", name));
            item->SetTop(Length(f, "top", name));
            item->SetWidth(Length(f, "width", name));
            item->SetHeight(Length(f, "height", name));
            item->FaceShape = Shape(f.value("shape").toString(FaceShapeIdents()[int(shape)]), name);
            item->FaceMargin = margin;
            item->RoundSize = corner;
            item->CutCenterWidth = item->CutCenterHeight = hole;
            item->FacePurpose = facePurpose;
        }
        paper = std::move(free);
    }
    paper->PaperName = name;
    paper->GroupName = entry.value("group").toString();
    paper->ReadOnly = true;
    paper->SetWidth(sheet[0].toInt());
    paper->SetHeight(sheet[1].toInt());
    paper->PurposeList()->SetDefaults();

    QString reason;
    if (paper->GetFaceCount() == 0)
        Fail(name, QStringLiteral("no faces"));
    if (!paper->IsSound(&reason))
        Fail(name, reason);
    if (const int outside = paper->FindFaceOutsidePaper(); outside >= 0)
        Fail(name, QStringLiteral("face %1 leaves the sheet").arg(outside + 1));
    if (const int overlap = paper->FindOverlappingFace(); overlap >= 0)
        Fail(name, QStringLiteral("face %1 overlaps another").arg(overlap + 1));
    return paper;
}

void AddExtraInfo(TPapersV2& db, const QJsonObject& entry, const QString& paperName) {
    TExPaperInfo info(nullptr);
    info.PaperName = paperName;
    info.Company = entry.value("company").toString();
    info.Purpose = entry.value("purpose").toString();
    info.RoundSize = entry.value("corner").toInt();
    db.PutExtraInfo(kExtraInfosTable, info);

    const QJsonObject options = entry.value("album").toObject();
    TExAlbumInfo album(nullptr);
    album.PaperName = paperName;
    album.SetLeftMargin(Length(options, "leftMargin", paperName));
    album.CanReverse = options.value("canReverse").toBool();
    album.LabelFixed = options.value("labelFixed").toBool();
    album.FullPaint = options.value("fullPaint").toBool();
    album.PhotoSize = entry.value("photoSize").toString();
    album.PaperMemo = entry.value("memo").toString();
    db.PutExtraInfo(kExtraAlbumInfoTable, album);
}

TStringList StringsOf(const QJsonArray& array) {
    TStringList list;
    for (const QJsonValue& v : array)
        list.Add(v.toString());
    return list;
}

QByteArray ReadAll(const QString& fileName) {
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        Fail(fileName, file.errorString());
    return file.readAll();
}

// The makers' products after the table's papers, their makers after the table's companies.
void AddProducts(TPapersV2& db, const QString& productFile, QSet<QString>& names, TStringList& companies) {
    TLabelProductReport report;
    std::vector<TLabelProduct> products;
    try {
        products = ReadLabelProducts(ReadAll(productFile), report);
    } catch (const ETableError&) {
        throw;
    } catch (const Exception& e) {
        Fail(productFile, e.Message());
    }
    QStringList makers;
    for (const TLabelProduct& product : products) {
        const QString& name = product.Paper->PaperName;
        if (names.contains(name))
            Fail(name, QStringLiteral("named twice"));
        names.insert(name);
        db.AddOrReplace(*product.Paper);
        TExPaperInfo info(nullptr);
        info.PaperName = name;
        info.Company = product.Maker;
        info.Purpose = product.Purpose;
        info.RoundSize = product.RoundSize;
        db.PutExtraInfo(kExtraInfosTable, info);
        if (companies.IndexOf(product.Maker) < 0 && !makers.contains(product.Maker))
            makers << product.Maker;
    }
    std::sort(makers.begin(), makers.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    for (const QString& maker : makers)
        companies.Add(maker);
    std::printf("MakePaperDB: %d of %d products (%d rows) taken from %s\n", int(products.size()),
                report.Products, report.Rows, qPrintable(QFileInfo(productFile).fileName()));
    for (const QString& line : report.Clamped)
        std::printf("  clamped %s\n", qPrintable(line));
    for (const QString& line : report.Refused)
        std::printf("  refused %s\n", qPrintable(line));
}

void Build(const QString& tableFile, const QString& productFile, const QString& outFile, int pprNo = -1) {
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(ReadAll(tableFile), &error);
    if (doc.isNull())
        Fail(tableFile, error.errorString());
    const QJsonObject table = doc.object();
    const QJsonObject sheets = table.value("sheets").toObject();

    QFile::remove(outFile);
    TPapersV2 db(outFile, false);
    db.AddStandardExtraInfoBases();
    QSet<QString> names;
    for (const QJsonValue& v : table.value("papers").toArray()) {
        const QJsonObject entry = v.toObject();
        std::unique_ptr<TPaperInfo> paper = MakePaper(entry, sheets);
        if (names.contains(paper->PaperName))
            Fail(paper->PaperName, QStringLiteral("named twice"));
        names.insert(paper->PaperName);
        db.AddOrReplace(*paper);
        AddExtraInfo(db, entry, paper->PaperName);
    }
    TStringList companies = StringsOf(table.value("companies").toArray());
    if (!productFile.isEmpty())
        AddProducts(db, productFile, names, companies);
    db.GetCompanyList().Assign(companies);
    db.GetGroupList().Assign(StringsOf(table.value("groups").toArray()));
    TStringList genres;
    const QJsonObject genreMap = table.value("genres").toObject();
    for (auto it = genreMap.begin(); it != genreMap.end(); ++it)
        genres.Add(it.key() + QLatin1Char('=') + QString::number(it.value().toInt()));
    db.SaveGlobalInfo(QStringLiteral("GenreInfo"), genres);
    db.SaveGlobalInfo(QStringLiteral("PhotoSizeInfo"), StringsOf(table.value("photoSizes").toArray()));
    // The vendors' paper types for the papers, read by the paper print settings.
    db.SaveGlobalInfo(QStringLiteral("PrinterSetting"), StringsOf(table.value("printerSetting").toArray()));
    // Search synonyms: a key as a search normalises it, then the text a paper name holds instead.
    TStringList synonyms;
    for (const QJsonValue& pair : table.value("searchSynonyms").toArray()) {
        const QJsonArray both = pair.toArray();
        if (both.size() != 2)
            Fail(QStringLiteral("searchSynonyms"), QStringLiteral("a pair needs a key and a text"));
        synonyms.Add(both[0].toString());
        synonyms.Add(both[1].toString());
    }
    db.SaveGlobalInfo(QStringLiteral("SearchExtKeyInfo"), synonyms);
    TPaperUpdate update(nullptr);
    update.PPRNo = pprNo >= 0 ? pprNo : table.value("pprNo").toInt();
    db.SetUpdateInfo(update);
    db.Save();
}

void BuildUpdate(int pprNo, const QString& date, const QString& tableFile, const QString& folder) {
    const QString plain = folder + QStringLiteral("/data.ppr");
    Build(tableFile, QString(), plain, pprNo);
    {
        TFileStream source(plain, fmOpenRead);
        TFileStream dest(folder + QStringLiteral("/data.ppz"), fmCreate);
        ZLIBCompressStream(source, dest, TCompressionLevel::clMax);
    }
    QFile::remove(plain);
    QFile info(folder + QStringLiteral("/info.vup"));
    if (!info.open(QIODevice::WriteOnly | QIODevice::Truncate))
        Fail(info.fileName(), info.errorString());
    info.write("OVANDREXA VERSION UP FILE\r\n" + QByteArray::number(pprNo) + ',' + date.toLatin1() +
               "\r\ndata.ppz\r\n");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc == 6 && QByteArray(argv[1]) == "--update") {
        try {
            BuildUpdate(QByteArray(argv[2]).toInt(), QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]),
                        QString::fromLocal8Bit(argv[5]));
        } catch (const Exception& e) {
            std::fprintf(stderr, "MakePaperDB: %s\n", e.what());
            return 1;
        }
        return 0;
    }
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: MakePaperDB <table.json> [<products.tsv>] <output.ppr>\n"
                             "       MakePaperDB --update <pprNo> <date> <table.json> <folder>\n");
        return 2;
    }
    const QString outFile = QString::fromLocal8Bit(argv[argc - 1]);
    try {
        Build(QString::fromLocal8Bit(argv[1]), argc == 4 ? QString::fromLocal8Bit(argv[2]) : QString(),
              outFile);
    } catch (const Exception& e) {
        std::fprintf(stderr, "MakePaperDB: %s\n", e.what());
        QFile::remove(outFile);
        return 1;
    }
    return 0;
}
