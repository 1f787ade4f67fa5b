// Writes the corpora of fuzz/paperinfo, fuzz/paperdb and fuzz/productdb: small valid inputs made
// by our own writers, inputs whose structure is sound but whose content is damaged (sizes and
// counts only damage gives, duplicate entries, junk where a component belongs, missing records),
// and byte-level damage of the valid ones (truncations and deterministic flips).
//
// Usage: MakePaperCorpus <fuzz folder>   (with SOURCE_DATE_EPOCH=0 for stable bytes)

#include "core/UDocStorage.h"
#include "papers/UPapers.h"
#include "papers/UProductDB.h"
#include "platform/ComponentResource.h"
#include "platform/ComponentWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>

namespace {

QString gFuzz;

void Put(const QString& target, const QString& name, const QByteArray& bytes) {
    const QString dir = gFuzz + '/' + target + "/corpus";
    QDir().mkpath(dir);
    QFile f(dir + '/' + name);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size())
        throw Exception("cannot write " + f.fileName());
}

QByteArray ReadAll(const QString& file) {
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        throw Exception("cannot read " + file);
    return f.readAll();
}

QByteArray Bytes(TComponent* c) {
    TMemoryStream out;
    TWriter(out).WriteRootComponent(c);
    return out.Data();
}

// Damage that any file suffers: cut short and bytes flipped at spread, repeatable places.
void PutDamaged(const QString& target, const QString& name, const QByteArray& bytes) {
    for (int cut : {1, 3, 5, 9})
        Put(target, QStringLiteral("%1_cut_%2of10").arg(name).arg(cut), bytes.left(bytes.size() * cut / 10));
    uint32_t seed = 2463534242u;
    for (int variant = 0; variant < 6; ++variant) {
        QByteArray flipped = bytes;
        for (int k = 0; k < 4 + variant * 3; ++k) {
            seed ^= seed << 13;
            seed ^= seed >> 17;
            seed ^= seed << 5;
            const qsizetype at = qsizetype(seed % uint32_t(std::max<qsizetype>(1, flipped.size())));
            flipped[at] = char(flipped[at] ^ char(1 + (seed >> 24) % 255));
        }
        Put(target, QStringLiteral("%1_flip_%2").arg(name).arg(variant), flipped);
    }
}

std::unique_ptr<TMatrixPaperInfo> Grid(const QString& name, int cols, int rows) {
    auto p = std::make_unique<TMatrixPaperInfo>(nullptr);
    p->PaperName = name;
    p->GroupName = QStringLiteral("ラベル");
    p->SetWidth(2100);
    p->SetHeight(2970);
    p->FaceCountX = cols;
    p->FaceCountY = rows;
    p->FaceWidth = 910;
    p->FaceHeight = 550;
    p->LeftOffset = 140;
    p->TopOffset = 110;
    return p;
}

std::unique_ptr<TFreePaperInfo> Free(const QString& name) {
    auto p = std::make_unique<TFreePaperInfo>(nullptr);
    p->PaperName = name;
    p->GroupName = QStringLiteral("CD/DVD");
    p->SetWidth(2100);
    p->SetHeight(2970);
    int top = 100;
    for (TFaceShape shape : {fsDoughnut, fsBarrelCD, fsRectCD}) {
        TFaceItem* f = p->Faces()->Add();
        f->Rect = Bounds(400, top, 1170, 800);
        f->FaceShape = shape;
        f->CenterShape = shape == fsBarrelCD ? csBarrel : csEllipse;
        f->FacePurpose = QStringLiteral("CD");
        f->CutCenterWidth = 220;
        f->FaceMargin = 10;
        top += 900;
    }
    return p;
}

void PaperInfoCorpus() {
    auto grid = Grid("grid", 2, 5);
    grid->PurposeList()->SetDefaults();
    grid->StorePurposeList = true;
    const QByteArray valid = Bytes(grid.get());
    Put("paperinfo", "matrix", valid);
    PutDamaged("paperinfo", "matrix", valid);
    auto free = Free("free");
    free->Landscape = true;
    const QByteArray freeBytes = Bytes(free.get());
    Put("paperinfo", "free_landscape", freeBytes);
    PutDamaged("paperinfo", "free", freeBytes);
    {
        TMemoryStream res;
        WriteComponentRes(res, "PAPER", grid.get());
        Put("paperinfo", "resource_header", res.Data());
    }
    auto square = Grid("square", 1, 1);
    square->CutCenterWidth = square->CutCenterHeight = 220;
    QByteArray old = Bytes(square.get());
    old.replace(QByteArray("\x09"
                           "CutCenter"
                           "\x03\xDC\x00",
                           13),
                QByteArray("\x09"
                           "CutCenter"
                           "\x02\x00"
                           "\x08"
                           "FaceType"
                           "\x02\x01",
                           23));
    Put("paperinfo", "old_cutcenter_zero_facetype", old);
    struct Bad {
        const char* name;
        void (*change)(TMatrixPaperInfo&);
    };
    const Bad bad[] = {
        {"counts_huge", [](TMatrixPaperInfo& p) { p.FaceCountX = p.FaceCountY = 2000000000; }},
        {"counts_negative", [](TMatrixPaperInfo& p) { p.FaceCountX = -5; }},
        {"counts_overflow", [](TMatrixPaperInfo& p) { p.FaceCountX = 65536, p.FaceCountY = 65537; }},
        {"faces_10001", [](TMatrixPaperInfo& p) { p.FaceCountX = 10001, p.FaceWidth = p.FaceHeight = 1; }},
        {"side_beyond_10m", [](TMatrixPaperInfo& p) { p.SetWidth(100001); }},
        {"side_negative", [](TMatrixPaperInfo& p) { p.SetHeight(-1); }},
        {"grid_reaching_far", [](TMatrixPaperInfo& p) { p.FaceCountX = 100, p.RightMargin = 99000; }},
        {"lengths_extreme", [](TMatrixPaperInfo& p) { p.LeftOffset = INT32_MIN, p.FaceWidth = INT32_MAX; }},
        {"margin_extreme", [](TMatrixPaperInfo& p) { p.FaceMargin = INT32_MAX; }},
        {"hole_extreme", [](TMatrixPaperInfo& p) { p.CutCenterWidth = INT32_MIN, p.FaceShape = fsDoughnut; }},
        {"barrel_thin", [](TMatrixPaperInfo& p) { p.FaceShape = fsBarrelCD, p.FaceWidth = 1; }},
    };
    for (const Bad& b : bad) {
        auto p = Grid(b.name, 2, 5);
        b.change(*p);
        Put("paperinfo", b.name, Bytes(p.get()));
    }
    QByteArray unknownShape = valid;
    unknownShape.replace("fsRect", "fsRecX");
    Put("paperinfo", "unknown_shape", unknownShape);
    QByteArray otherClass = valid;
    otherClass.replace("TMatrixPaperInfo", "TPaperInfoMatrix");
    Put("paperinfo", "unknown_class", otherClass);
    TPLStreamer streamer(nullptr);
    Put("paperinfo", "not_a_paper", Bytes(&streamer));
}

void PaperDBCorpus(const QString& work) {
    const QString file = work + "/papers.ppr";
    {
        TPapersV2 db(file, false);
        db.AddStandardExtraInfoBases();
        db.AddOrReplace(*Grid("名刺 10面", 2, 5));
        db.AddOrReplace(*Free("CD 3面"));
        auto turned = Grid("横", 1, 1);
        turned->Landscape = true;
        db.AddOrReplace(*turned);
        TExPaperInfo info(nullptr);
        info.PaperName = "名刺 10面";
        info.Company = "Quorlane";
        info.Purpose = "名刺";
        db.PutExtraInfo(kExtraInfosTable, info);
        TExAlbumInfo album(nullptr);
        album.PaperName = "横";
        album.PhotoSize = "L";
        album.SetLeftMargin(200);
        db.PutExtraInfo(kExtraAlbumInfoTable, album);
        // A paper-image entry with one empty object list, as the table stores it.
        TDocStorage images(&db.WritableRoot(), kPaperImagesTable, true);
        TDocStorage entry(&images, "$00000001", true);
        TImagePaperInfo image(nullptr);
        image.PaperName = "CD 3面";
        image.LabelCount = 3;
        {
            TDocStream s(&entry, ModeCreate, "ImageInfo");
            TWriter(s).WriteRootComponent(&image);
        }
        {
            TDocStream s(&entry, ModeCreate, "$00000001");
            s.WriteInt32(0);
        }
        db.GetCompanyList().Add("Quorlane");
        db.GetGroupList().Add("ラベル");
        TStringList genres(QStringList{"ラベル=2"});
        db.SaveGlobalInfo("GenreInfo", genres);
        TPaperUpdate update(nullptr);
        update.PPRNo = 3;
        db.SetUpdateInfo(update);
        db.Save();
    }
    const QByteArray valid = ReadAll(file);
    Put("paperdb", "valid", valid);
    PutDamaged("paperdb", "valid", valid);

    // A user-paper backup (.ppb) as the file menu writes it: a new store given the user papers.
    const QString backupFile = work + "/papers.ppb";
    {
        TPapersV2 source(file, true);
        source.AddStandardExtraInfoBases();
        TPapersV2 backup(QString(), backupFile);
        backup.AddStandardExtraInfoBases();
        backup.MergeUpdate(source, true, {}, false);
        backup.Save();
    }
    const QByteArray backup = ReadAll(backupFile);
    Put("paperdb", "backup", backup);
    PutDamaged("paperdb", "backup", backup);

    // Sound files with damaged content.
    auto variant = [&](const char* name, const std::function<void(TPapersV2&)>& change) {
        const QString copy = work + '/' + name + ".ppr";
        QFile::remove(copy);
        QFile::copy(file, copy);
        {
            TPapersV2 db(copy, false);
            change(db);
            db.WritableRoot().SetModified(true);
        }
        Put("paperdb", name, ReadAll(copy));
    };
    auto write = [](TPapersV2& db, const QString& path, const QByteArray& bytes) {
        TDocStream s(&db.WritableRoot(), ModeCreate, path);
        s.WriteBytes(bytes);
    };
    variant("paper_junk", [&](TPapersV2& db) { write(db, "Papers\\$00000002", "TPF0\x10TMatrixPaperInfo"); });
    variant("paper_huge", [&](TPapersV2& db) {
        auto p = Grid("huge", 200, 200);
        write(db, "Papers\\$00000004", Bytes(p.get()));
    });
    variant("paper_odd_name",
            [&](TPapersV2& db) { write(db, "Papers\\zz", Bytes(Grid("odd", 1, 1).get())); });
    variant("paper_last_number",
            [&](TPapersV2& db) { write(db, "Papers\\$FFFFFFFF", Bytes(Grid("last", 1, 1).get())); });
    variant("extra_duplicate", [&](TPapersV2& db) {
        TExPaperInfo info(nullptr);
        info.PaperName = "名刺 10面";
        info.Company = "second";
        write(db, "ExtraInfos\\$00000009", Bytes(&info));
    });
    variant("extra_junk", [&](TPapersV2& db) { write(db, "ExtraInfos\\$00000002", "junk"); });
    variant("images_junk_list", [&](TPapersV2& db) {
        write(db, "PaperImages\\$00000001\\$00000001", QByteArray("\xFF\xFF\xFF\x7F", 4));
    });
    variant("images_no_info", [&](TPapersV2& db) { write(db, "PaperImages\\$00000002\\$00000001", "x"); });
    variant("purposes_junk", [&](TPapersV2& db) { write(db, "PurposeList\\PurposeList", "TPF0junk"); });
    variant("update_junk", [&](TPapersV2& db) { write(db, "UpdateInfo\\UpdateInfo", "TPF0"); });
    variant("lists_junk", [&](TPapersV2& db) {
        write(db, "CompanyList\\CompanyList", QByteArray(300, '\x82'));
        write(db, "GroupList\\GroupList", QByteArray("\r\n\r\n\x00\x00", 6));
    });
    variant("tables_missing", [&](TPapersV2& db) {
        db.WritableRoot().DeleteElement(kExtraInfosTable);
        db.WritableRoot().DeleteElement("UpdateInfo");
    });
}

void ProductDBCorpus(const QString& work) {
    const QString file = work + "/product.db";
    {
        TProductDB db(nullptr);
        db.FileName = file;
        db.Open();
        TProductInfo product(nullptr);
        product.SetGUID(TGUID::FromString("{00112233-4455-6677-8899-AABBCCDDEEFF}"));
        product.Items()->GetItem(0)->Info()->Add("題名");
        db.StoreRecord(product);
        db.Save();
    }
    const QByteArray valid = ReadAll(file);
    Put("productdb", "valid", valid);
    PutDamaged("productdb", "valid", valid);
    auto variant = [&](const char* name, const std::function<void(TTemporaryStorage&)>& change) {
        TTemporaryStorage root;
        root.LoadFromFile(file);
        change(root);
        const QString out = work + '/' + name + ".db";
        root.SaveToFile(out);
        Put("productdb", name, ReadAll(out));
    };
    auto write = [](TTemporaryStorage& root, const QString& path, const QByteArray& bytes) {
        TDocStream s(&root, ModeCreate, path);
        s.WriteBytes(bytes);
    };
    variant("record_junk", [&](TTemporaryStorage& r) { write(r, "Infos\\NameList5", "\xFF\x0A\x00junk"); });
    variant("record_plain", [&](TTemporaryStorage& r) {
        TProductInfo info(nullptr);
        write(r, "Infos\\NameList5", Bytes(&info));
    });
    variant("guid_short", [&](TTemporaryStorage& r) {
        QByteArray bytes;
        {
            TDocStream s(&r, 0, "Infos\\NameList5");
            bytes = s.ReadBytes(s.GetSize());
        }
        bytes.replace(QByteArray("GUID\x0A\x10\x00\x00\x00", 9), QByteArray("GUID\x0A\x04\x00\x00\x00", 9));
        write(r, "Infos\\NameList5", bytes);
    });
    variant("two_records", [&](TTemporaryStorage& r) {
        write(r, "Infos\\NameList", QByteArray("\x02\x00\x00\x00NameList0\r\nNameList1\r\n", 26));
    });
    variant("names_without_streams", [&](TTemporaryStorage& r) {
        write(r, "Infos\\NameList", QByteArray("\x09\x00\x00\x00a\r\nb\r\nc\r\nd\r\ne\r\nf\r\n", 22));
    });
    variant("counter_huge", [&](TTemporaryStorage& r) {
        write(r, "Infos\\NameList", QByteArray("\xFF\xFF\xFF\x7FNameList0\r\n", 15));
    });
    variant("list_missing", [&](TTemporaryStorage& r) { r.DeleteElement("Infos"); });
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakePaperCorpus <fuzz folder>\n");
        return 2;
    }
    gFuzz = QString::fromLocal8Bit(argv[1]);
    try {
        RegisterPaperDatabaseClasses();
        RegisterProductClasses();
        QTemporaryDir work;
        PaperInfoCorpus();
        PaperDBCorpus(work.path());
        ProductDBCorpus(work.path());
    } catch (const Exception& e) {
        std::fprintf(stderr, "MakePaperCorpus: %s\n", e.what());
        return 1;
    }
    return 0;
}
