#pragma once
// Small helpers shared by the test programs.

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace TestSupport {

// A file or folder of the source tree, e.g. SourcePath("fuzz/corpus/bmp").
QString SourcePath(const QString& relative);
// Every file directly in a folder, sorted by name.
QStringList FilesIn(const QString& folder);
QByteArray ReadFile(const QString& path);
void WriteFile(const QString& path, const QByteArray& bytes);
// "01 ab ff" -> bytes; spaces and line breaks ignored.
QByteArray Hex(const char* text);

} // namespace TestSupport
