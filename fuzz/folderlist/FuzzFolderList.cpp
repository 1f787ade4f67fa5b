// Reads arbitrary bytes as a folder list file (FOLDER= lines, comments, groups, Windows paths) into
// a folder pack's list, resolving names against a small real folder. A crash, a sanitizer report or
// an endless walk is not fine; anything else is.

#include "imaging/UImagePack.h"
#include "platform/Stream.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static int argc = 1;
    static char name[] = "fuzz_folderlist";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    static QTemporaryDir dir;
    static const bool made = [] {
        QDir(dir.path()).mkpath("Sub/Deep");
        for (const char* file : {"a.jpg", "Sub/B.JPG", "Sub/Deep/c.png"}) {
            QFile f(dir.filePath(file));
            f.open(QIODevice::WriteOnly);
        }
        return true;
    }();
    (void)made;

    TMemoryStream stream(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    TStringList lines;
    TStringList list;
    try {
        lines.LoadFromStream(stream);
        AddFolderListLines(lines, dir.path() + QStringLiteral("/"), list);
    } catch (const Exception&) {
        return 0;
    }
    if (list.Count() > lines.Count())
        std::abort();
    return 0;
}
