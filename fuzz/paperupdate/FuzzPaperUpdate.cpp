// Fuzz target of a downloaded paper update: the input is the data file as it arrived. It goes
// through the update's checks (signature, packed size cap, unpacking, opening with system papers
// and nothing left out, a pattern newer than the store's) and, when it passes, is applied to a
// small store. Either the update is in (the store has the update's pattern number and the user's
// paper, possibly as "name$"), or it is refused and the store and its file are exactly as they were.

#include "pageobjects/engine/UDrawSiteAction.h"
#include "papers/UPPRDownload.h"
#include "papers/UPapers.h"
#include "tests/SmallPaper.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

const QTemporaryDir& Folder() {
    static const QTemporaryDir dir;
    return dir;
}

constexpr int64_t kUnpackedCap = 8 << 20;

QByteArray FileHash(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly))
        std::abort();
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool registered = (RegisterEngineClasses(), RegisterPaperDatabaseClasses(), true);
    (void)registered;
    const QString in = Folder().filePath(QStringLiteral("in.ppz"));
    const QString prepared = Folder().filePath(QStringLiteral("prepared.ppr"));
    const QString store = Folder().filePath(QStringLiteral("store.ppr"));
    {
        QFile f(in);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    QFile::remove(store);
    {
        TPapersV2 db(store, false);
        db.AddStandardExtraInfoBases();
        db.AddOrReplace(*SmallPaper(QStringLiteral("fuzz user"), false));
        db.AddOrReplace(*SmallPaper(QStringLiteral("fuzz system"), true));
        TPaperUpdate update(nullptr);
        update.PPRNo = 1;
        db.SetUpdateInfo(update);
        db.Save();
    }
    const QByteArray before = FileHash(store);

    try {
        PrepareUpdateFile(in, prepared, kUnpackedCap);
    } catch (const EPaperUpdate& e) {
        if (e.Message() != DamagedUpdateFileMessage() || QFileInfo(prepared).size() != 0)
            std::abort(); // refused with the message, nothing prepared
        return 0;
    }
    if (QFileInfo(prepared).size() > kUnpackedCap)
        std::abort();
    std::unique_ptr<TPapersV2> source;
    try {
        source = OpenUpdateFile(prepared);
    } catch (const EPaperUpdate& e) {
        if (e.Message() != DamagedUpdateFileMessage())
            std::abort();
        return 0;
    }
    // As the window takes it: only a pattern newer than the store's (1) is merged.
    try {
        CheckUpdatePattern(*source, in, source->GetUpdateInfo().PPRNo, 1);
    } catch (const EPaperUpdate&) {
        if (source->GetUpdateInfo().PPRNo > 1)
            std::abort();
        return 0;
    }
    TPapersV2 db(store, false);
    db.AddStandardExtraInfoBases();
    const int count = db.GetCount();
    try {
        db.ApplyUpdate(*source, nullptr);
    } catch (const Exception&) {
        if (db.GetCount() != count || db.GetUpdateInfo().PPRNo != 1 || FileHash(store) != before)
            std::abort(); // a refused update changes nothing
        return 0;
    }
    if (db.GetUpdateInfo().PPRNo != source->GetUpdateInfo().PPRNo)
        std::abort();
    QString mine = QStringLiteral("fuzz user");
    while (db.IndexOf(mine) >= 0 && db.GetPaper(db.IndexOf(mine))->ReadOnly)
        mine += QLatin1Char('$');
    if (db.IndexOf(mine) < 0)
        std::abort(); // the user's paper is never lost
    return 0;
}
