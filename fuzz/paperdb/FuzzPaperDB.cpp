// Fuzz target of the paper database: the input is taken for a database file. Whatever opens is
// read through (papers, faces, the three extension tables, the selection model), takes a new
// paper, is saved elsewhere and must reopen with the same papers plus the new one. Then it is
// merged into a small store, its user papers and as an update: a merge that fails leaves the store
// as it was, the store's own user paper is never lost, and the result saves and reopens.

#include "pageobjects/engine/UDrawSiteAction.h"
#include "papers/UPapers.h"
#include "papers/UPapersUI.h"
#include "platform/Stream.h"
#include "tests/SmallPaper.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

const QTemporaryDir& Folder() {
    static const QTemporaryDir dir;
    return dir;
}

int CountOf(const TPapersV2& db) {
    return db.GetCount();
}

void MergeIntoSmallStore(const QString& in) {
    std::unique_ptr<TPapersV2> source;
    try {
        source = std::make_unique<TPapersV2>(in, true);
        source->AddStandardExtraInfoBases();
    } catch (const Exception&) {
        return;
    }
    const QString small = Folder().filePath(QStringLiteral("small.ppr"));
    QFile::remove(small);
    int expected = 0;
    {
        TPapersV2 store(small, false);
        store.AddStandardExtraInfoBases();
        store.AddOrReplace(*SmallPaper(QStringLiteral("fuzz user"), false));
        TExPaperInfo info(nullptr);
        info.PaperName = QStringLiteral("fuzz user");
        info.Company = QStringLiteral("mine");
        store.PutExtraInfo(kExtraInfosTable, info);
        store.AddOrReplace(*SmallPaper(QStringLiteral("fuzz system"), true));
        store.Save();
        for (const bool update : {false, true}) {
            const int before = CountOf(store);
            try {
                if (update)
                    store.ApplyUpdate(*source, nullptr);
                else
                    store.MergeUpdate(*source, true, nullptr, false);
            } catch (const Exception&) {
                if (CountOf(store) != before)
                    std::abort(); // a failed merge changes nothing
            }
        }
        // The user's own paper is there, under its name or moved aside with its record.
        QString mine = QStringLiteral("fuzz user");
        while (store.IndexOf(mine) >= 0 && store.GetPaper(store.IndexOf(mine))->ReadOnly)
            mine += QLatin1Char('$');
        if (store.IndexOf(mine) < 0)
            std::abort();
        expected = CountOf(store);
        try {
            store.Save();
        } catch (const Exception&) {
            std::abort(); // a store we wrote ourselves must save
        }
    }
    try {
        TPapersV2 again(small, true);
        again.AddStandardExtraInfoBases();
        if (CountOf(again) != expected)
            std::abort();
    } catch (const Exception&) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (RegisterEngineClasses(), RegisterPaperDatabaseClasses(), true);
    (void)registered;
    const QString in = Folder().filePath(QStringLiteral("in.ppr"));
    const QString out = Folder().filePath(QStringLiteral("out.ppr"));
    {
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QFile::remove(out);
    int expected = 0;
    try {
        TPapersV2 db(in, out);
        db.AddStandardExtraInfoBases();
        TFaceInfo face;
        for (int i = 0; i < db.GetCount(); ++i) {
            const TPaperInfo* paper = db.GetPaper(i);
            if (paper->GetFaceCount() > 0)
                paper->GetFaceInfo(paper->GetFaceCount() - 1, face);
            for (const QString& table : {kExtraInfosTable, kPaperImagesTable, kExtraAlbumInfoTable}) {
                try {
                    (void)db.GetExtraInfo(table, paper->PaperName);
                } catch (const Exception&) {
                    // A damaged entry is refused on its own.
                }
            }
        }
        TPapersUI ui(db);
        TStringList names;
        ui.GetCompanies(names, QString(), QString());
        ui.GetGroups(names, QString(), QString());

        auto paper = std::make_unique<TMatrixPaperInfo>(nullptr);
        paper->PaperName = QStringLiteral("fuzz added");
        paper->SetWidth(2100);
        paper->SetHeight(2970);
        paper->FaceCountX = 2;
        paper->FaceCountY = 3;
        paper->FaceWidth = 900;
        paper->FaceHeight = 500;
        const bool known = db.IndexOf(paper->PaperName) >= 0;
        db.AddOrReplace(*paper);
        TExPaperInfo info(nullptr);
        info.PaperName = paper->PaperName;
        info.Company = QStringLiteral("fuzz");
        db.PutExtraInfo(kExtraInfosTable, info);
        expected = db.GetCount();
        if (!known && expected < 1)
            std::abort();
        db.Save();
    } catch (const Exception&) {
        return 0;
    }
    try {
        TPapersV2 again(out, true);
        again.AddStandardExtraInfoBases();
        // A left-out paper of the input may read as refused again, but every paper the first
        // database held came through its own writer.
        if (again.GetCount() != expected || again.IndexOf(QStringLiteral("fuzz added")) < 0)
            std::abort();
        if (again.GetExtraInfo(kExtraInfosTable, QStringLiteral("fuzz added")) == nullptr)
            std::abort();
    } catch (const Exception&) {
        std::abort(); // what we saved must open
    }
    MergeIntoSmallStore(in);
    return 0;
}
