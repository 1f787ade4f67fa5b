// Fuzz target of the product database: the input is taken for a database file. Whatever opens
// has every record read, takes a new record, is saved and must reopen with one product more.

#include "papers/UProductDB.h"

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
    const QString file = Folder().filePath(QStringLiteral("product.db"));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    int products = 0;
    TGUID added;
    try {
        TProductDB db(nullptr);
        db.FileName = file;
        db.Open();
        for (int i = 0; i < db.GetProductCount(); ++i) {
            TProductInfo record(nullptr);
            try {
                db.LoadProduct(i, record);
            } catch (const Exception&) {
                // A damaged record is refused on its own.
            }
        }
        TProductInfo creator(nullptr);
        try {
            db.LoadCreatorJ(creator);
        } catch (const Exception&) {
        }
        TProductInfo record(nullptr);
        record.Items()->GetItem(0)->Info()->Add(QStringLiteral("fuzz"));
        added = record.GUID();
        db.StoreRecord(record);
        products = db.GetProductCount();
        db.Save();
    } catch (const Exception&) {
        return 0;
    }
    try {
        TProductDB again(nullptr);
        again.FileName = file;
        again.Open();
        if (again.GetProductCount() != products || products < 1)
            std::abort();
        TProductInfo last(nullptr);
        again.LoadProduct(products - 1, last);
        if (last.GUID() != added)
            std::abort();
    } catch (const Exception&) {
        std::abort(); // what we saved must open
    }
    return 0;
}
