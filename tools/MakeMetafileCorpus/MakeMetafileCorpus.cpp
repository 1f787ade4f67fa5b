// Writes the metafiles of tests/data/metafile with outside writers (libUEMF and libEMF), so the
// player is checked against files it did not write itself.
// Usage: MakeMetafileCorpus <folder>   (the folder must exist)

#include "tools/MakeMetafileCorpus/Writers.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: MakeMetafileCorpus <folder>\n");
        return 2;
    }
    QGuiApplication app(argc, argv); // JPEG encoding
    WriteUemfFiles(argv[1]);
    WriteLibemfFiles(argv[1]);
    return 0;
}
