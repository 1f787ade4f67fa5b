// Fuzz target of the catalogue reader and the material catalogues: the input is taken for a
// catalogue file and read as every kind. Whatever is read must keep the reader's promises: section
// names unique without regard to case, every listed entry complete, expansions within their bound.

#include "papers/UMaterialCatalog.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

namespace {

const QTemporaryDir& Folder() {
    static const QTemporaryDir dir;
    return dir;
}

void Check(bool condition) {
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString file = Folder().filePath(QStringLiteral("catalogue.dat"));
    {
        QFile f(file);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        f.write(bytes);
    }
    try {
        IniFile ini;
        ini.LoadFromBytes(bytes);
        QSet<QString> names;
        for (const QString& section : ini.SectionNames()) {
            Check(!names.contains(section.toCaseFolded()));
            names.insert(section.toCaseFolded());
            for (const IniFile::Entry& e : ini.Entries(section))
                Check(ini.ReadString(section, e.Key) == e.Value);
        }
    } catch (const EIniFile&) {
        // A file beyond the bounds is refused as a whole.
    }

    const TPhotoSizeInfo sizes(file);
    Check(sizes.Loaded() == (sizes.GetCount() > 0) && sizes.GetNames().size() == sizes.GetCount());

    const TShadeList shades(file);
    for (int i = 0; i < shades.GetCount(); ++i) {
        const TShadeInfo* info = shades.GetInfo(i);
        TShadeItem item;
        for (int j = 0; j < info->GetCount(); ++j) {
            Check(info->GetItem(j, item));
            Check(!item.Thumbnail.isEmpty() && !item.Thumbnail.contains(u'/'));
        }
    }

    const TBackGroundList backgrounds(file);
    for (int i = 0; i < backgrounds.GetCount(); ++i) {
        TBackGroundSubGenre sub;
        for (int j = 0; j < backgrounds.GetInfo(i)->GetSubGenreCount(); ++j)
            Check(backgrounds.GetInfo(i)->GetSubGenre(j, sub));
    }

    TImageIDList ids(file);
    int pairs = 0;
    for (int i = 0; i < ids.GetCount(); ++i) {
        const TIDHolder* holder = ids.GetHolder(i);
        Check(holder != nullptr && holder->Keys().size() == holder->IDs().size());
        pairs += holder->GetCount();
        Check(pairs <= TIDHolder::MaxPairs);
        // Every ID the list holds leads back to a file.
        if (holder->GetCount() > 0 && !holder->IDs().first().isEmpty())
            Check(!ids.FindFileByID(holder->IDs().first()).isEmpty());
    }
    ids.GetFileID(QStringLiteral("/content/Data/Figure/Round/r1.bmp"));
    ids.GetTemplateID({QStringLiteral("/content/Data/Cover/c.qlt"), 1, 2, false});
    return 0;
}
