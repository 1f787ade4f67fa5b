#include "core/UPathUtil.h"

#include "platform/StringList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryFile>
#include <algorithm>
#include <vector>

#ifndef QUORLANE_VERSION_MAJOR
#error "core is built with the project's version numbers (see core/CMakeLists.txt)"
#endif

bool IsDirectory(const QString& path) {
    return !path.isEmpty() && QFileInfo(path).isDir();
}

bool EndsWithChar(const QString& s, QChar ch) {
    return !s.isEmpty() && s.back() == ch;
}

QString IncludeBackslash(const QString& s) {
    if (s.isEmpty() || EndsWithChar(s, PathDelim))
        return s;
    return s + PathDelim;
}

QString ExcludeBackslash(const QString& s) {
    // Dropping the only character of "/" would turn the root into the current folder.
    if (s.size() > 1 && EndsWithChar(s, PathDelim))
        return s.left(s.size() - 1);
    return s;
}

QString JoinPath(const QString& dir, const QString& name) {
    return IncludeBackslash(dir) + name;
}

QString ToLocalPath(const QString& text) {
    QString result = text;
    result.replace(ElementDelim, PathDelim);
    return result;
}

QString JoinElementPath(const QString& dir, const QString& name) {
    if (dir.isEmpty())
        return name;
    if (EndsWithChar(dir, ElementDelim))
        return dir + name;
    return dir + ElementDelim + name;
}

void SplitFirstElement(QString& path, QString& first) {
    const qsizetype pos = path.indexOf(ElementDelim);
    if (pos < 0) {
        first = path;
        path.clear();
        return;
    }
    first = path.left(pos);
    path = path.mid(pos + 1);
}

void AddPathElements(QStringList& list, const QString& path) {
    QString rest = path;
    if (rest.startsWith(ElementDelim)) {
        list.clear();
        rest.remove(0, 1);
    }
    if (EndsWithChar(rest, ElementDelim))
        rest.chop(1);
    qsizetype depth = list.size();
    while (!rest.isEmpty()) {
        QString element;
        SplitFirstElement(rest, element);
        // An empty element ("a\\b") names nothing a compound file can hold.
        if (element.isEmpty() || element == u".")
            continue;
        if (element == u"..") {
            if (depth == 0)
                throw EPathUtil(QStringLiteral("too many \"..\""));
            --depth;
            continue;
        }
        list.erase(list.begin() + depth, list.end());
        list.append(element);
        ++depth;
    }
    list.erase(list.begin() + depth, list.end());
}

QString ResolvePath(const QString& relative, const QString& base) {
    QStringList elements;
    AddPathElements(elements, base);
    AddPathElements(elements, relative);
    QString result = base.startsWith(ElementDelim) ? QString(ElementDelim) : QString();
    for (const QString& element : elements)
        result = JoinElementPath(result, element);
    return result;
}

QString MakeTempFileName(const QString& prefix) {
    QString safePrefix = prefix;
    safePrefix.replace(PathDelim, u'_');
    QTemporaryFile file(JoinPath(QDir::tempPath(), safePrefix + QStringLiteral("XXXXXX.tmp")));
    file.setAutoRemove(false);
    if (!file.open())
        return {};
    return file.fileName();
}

void AddFilesRecursive(TStringList& strings, const QString& folder) {
    const QString root = ExcludeBackslash(folder);
    if (!IsDirectory(root))
        return;

    // An explicit stack keeps the depth-first order of a recursive walk without using the call stack
    // for folder trees of any depth.
    struct Level {
        QString path;
        QFileInfoList entries;
        qsizetype next = 0;
    };
    const auto list = [](const QString& path) {
        return QDir(path).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                        QDir::Unsorted);
    };
    QSet<QString> visited{QFileInfo(root).canonicalFilePath()};
    std::vector<Level> stack;
    stack.push_back(Level{root, list(root)});
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next >= level.entries.size()) {
            stack.pop_back();
            continue;
        }
        const QFileInfo entry = level.entries.at(level.next++);
        const QString name = entry.fileName();
        if (name.startsWith(u'.'))
            continue;
        const QString path = JoinPath(level.path, name);
        if (entry.isDir()) {
            const QString canonical = entry.canonicalFilePath();
            if (canonical.isEmpty() || visited.contains(canonical))
                continue;
            visited.insert(canonical);
            stack.push_back(Level{path, list(path)});
        } else if (entry.isFile()) {
            strings.Add(path);
        }
    }
}

void TFileVer::SetFileName(const QString& fileName) {
    fileName_ = fileName;
    versionInfo_.reset();
}

bool TFileVer::LoadVersionInfo() {
    if (versionInfo_)
        return true;
    if (fileName_.isEmpty())
        return false;
    const QString canonical = QFileInfo(fileName_).canonicalFilePath();
    if (canonical.isEmpty() ||
        canonical != QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath())
        return false;
    versionInfo_ = BuildVersion();
    return true;
}

bool TFileVer::GetFileVersion(TFileVersion& v) {
    if (!LoadVersionInfo())
        return false;
    v = *versionInfo_;
    return true;
}

TFileVersion TFileVer::BuildVersion() {
    return TFileVersion{QUORLANE_VERSION_MAJOR, QUORLANE_VERSION_MINOR, QUORLANE_VERSION_PATCH,
                        QUORLANE_VERSION_TWEAK};
}

QString TNoCasePathFinder::Find(const QString& path) {
    // A NUL cannot be in a file name: such a path names nothing to look for.
    if (path.contains(QChar(0)))
        return path;
    const QStringList elements = path.split(PathDelim);
    QString found = elements.first();
    for (qsizetype i = 1; i < elements.size(); ++i) {
        const QString& element = elements[i];
        const QString candidate = found + PathDelim + element;
        if (element.isEmpty() || element == QLatin1String(".") || element == QLatin1String("..") ||
            QFileInfo::exists(candidate)) {
            found = candidate;
            continue;
        }
        const QString folder = found.isEmpty() ? QStringLiteral("/") : found;
        auto it = listings_.find(folder);
        if (it == listings_.end())
            it = listings_.insert(folder, QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                                     QDir::System | QDir::NoDotAndDotDot,
                                                                 QDir::Name));
        const auto match = std::find_if(it->cbegin(), it->cend(), [&](const QString& entry) {
            return entry.compare(element, Qt::CaseInsensitive) == 0;
        });
        if (match == it->cend()) {
            QStringList rest = elements.mid(i);
            return found + PathDelim + rest.join(PathDelim);
        }
        found += PathDelim + *match;
    }
    return found;
}
