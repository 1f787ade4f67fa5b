#include "tests/TestSupport.h"

#include <QDir>
#include <QFile>
#include <stdexcept>

namespace TestSupport {

QString SourcePath(const QString& relative) {
#ifdef QUORLANE_SOURCE_DIR
    return QStringLiteral(QUORLANE_SOURCE_DIR "/") + relative;
#else
    return QDir::currentPath() + QLatin1Char('/') + relative;
#endif
}

QStringList FilesIn(const QString& folder) {
    QDir dir(folder);
    QStringList out;
    for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
        out << dir.filePath(name);
    return out;
}

QByteArray ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + path.toStdString());
    return f.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
        throw std::runtime_error("cannot write " + path.toStdString());
}

QByteArray Hex(const char* text) {
    QByteArray digits;
    for (const char* p = text; *p; ++p)
        if (!(*p == ' ' || *p == '\n' || *p == '\r' || *p == '\t'))
            digits += *p;
    return QByteArray::fromHex(digits);
}

} // namespace TestSupport
