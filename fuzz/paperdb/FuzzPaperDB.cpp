// Fuzz target of the paper database: the input is taken for a database file. Whatever opens is
// read through (papers, faces, the three extension tables, the selection model), takes a new
// paper, is saved elsewhere and must reopen with the same papers plus the new one.

#include "pageobjects/engine/UDrawSiteAction.h"
#include "papers/UPapers.h"
#include "papers/UPapersUI.h"
#include "platform/Stream.h"

#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

const QTemporaryDir& Folder() {
    static const QTemporaryDir dir;
    return dir;
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
    return 0;
}
