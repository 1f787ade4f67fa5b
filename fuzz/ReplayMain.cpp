// Replays every file of the corpus folders given on the command line through the fuzz entry
// point, so the corpus of damaged inputs runs as an ordinary test under the sanitizers. A crash,
// a sanitizer report or a hang fails the test; a clean rejection of bad input is the expected end.

#include <QDirIterator>
#include <QFile>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
// A target may define this to free, before the program ends, what it keeps for every input (a GUI
// application whose font caches would otherwise outlive the thread that owns them).
extern "C" __attribute__((weak)) void QuorlaneFuzzFinish();

int main(int argc, char** argv) {
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        QDirIterator it(QString::fromLocal8Bit(argv[i]), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            if (!f.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
                return 1;
            }
            const QByteArray bytes = f.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()),
                                   static_cast<size_t>(bytes.size()));
            ++files;
        }
    }
    if (QuorlaneFuzzFinish)
        QuorlaneFuzzFinish();
    std::printf("replayed %d inputs\n", files);
    return files > 0 ? 0 : 1;
}
