#pragma once
// File names and element paths.
//
// Two kinds of path meet here, and each function works on exactly one of them:
// - Disk paths are Linux paths separated by "/" (PathDelim). IncludeBackslash, ExcludeBackslash,
//   JoinPath, IsDirectory, AddFilesRecursive and MakeTempFileName keep their historical names but use
//   "/": a "\" is an ordinary file-name character on Linux and is never treated as a separator.
// - Element paths name streams and storages inside a compound file and stay separated by "\"
//   (ElementDelim), byte for byte as stored documents have them. SplitFirstElement, AddPathElements,
//   ResolvePath and JoinElementPath work on these.
// The system's own texts that name files relative to its folders ("Data\Illust\Illust.dat") are
// written with "\"; ToLocalPath turns such a text into a disk path before it reaches the file system.

#include "platform/Exception.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>

class TStringList;

QUORLANE_EXCEPTION(EPathUtil, Exception)

inline constexpr QChar PathDelim = u'/';
inline constexpr QChar ElementDelim = u'\\';

// True for an existing folder (a symbolic link to one counts).
bool IsDirectory(const QString& path);
// True when the last character of s is ch; false for an empty s. Texts are whole characters, so the
// second byte of a double-byte character can never be mistaken for ch.
bool EndsWithChar(const QString& s, QChar ch);

// Disk paths.
// s with one "/" appended unless it is empty or already ends with "/".
QString IncludeBackslash(const QString& s);
// s without one trailing "/"; the root "/" stays as it is.
QString ExcludeBackslash(const QString& s);
// IncludeBackslash(dir) + name, so an empty dir gives name.
QString JoinPath(const QString& dir, const QString& name);
// A "\"-separated text of the system (a content file relative to a data folder, a folder macro)
// as a disk path: every "\" becomes "/".
QString ToLocalPath(const QString& text);

// Finds a disk path whose elements may differ in case from those on disk (paths of the system's
// texts were written for a file system that ignores case): each element that does not exist as
// written is replaced by the one entry of its folder equal to it without regard to case (the first
// in name order when several are). Elements from the first one not found on are kept as written.
// Folder listings are remembered, so one finder serves many paths of the same folders cheaply. A
// path holding a NUL is returned as it is.
class TNoCasePathFinder {
public:
    QString Find(const QString& path);

private:
    QHash<QString, QStringList> listings_;
};

// Element paths.
// dir + "\" + name, without doubling a trailing "\" of dir; an empty dir gives name.
QString JoinElementPath(const QString& dir, const QString& name);
// When path contains "\": first := the text before the first "\", path := the text after it;
// otherwise first := path and path := empty.
void SplitFirstElement(QString& path, QString& first);
// Applies the elements of path to list: a leading "\" restarts at the root, "." is skipped, ".."
// steps back (EPathUtil "too many \"..\"" when nothing is left to step back from), empty elements are
// ignored, any other element is appended after dropping what a preceding ".." stepped over.
void AddPathElements(QStringList& list, const QString& path);
// base's elements, then relative's, joined with "\"; the result starts with "\" when base does.
QString ResolvePath(const QString& relative, const QString& base);

// Creates a new empty file in the user's temporary folder whose name starts with prefix and returns
// its path; empty when no file could be created.
QString MakeTempFileName(const QString& prefix);
// Appends every regular file below folder (sub-folders first-come as the file system lists them,
// names beginning with "." skipped) as JoinPath(folder, name). A folder reached again through a
// symbolic link is not entered twice, so a link to a parent cannot make the walk endless.
void AddFilesRecursive(TStringList& strings, const QString& folder);

// The version of a program file as four 16-bit numbers (major, minor, release, build).
using TFileVersion = std::array<uint16_t, 4>;

// Linux executables carry no version resource. The only program whose version the system asks for
// is its own, so that one answers with the version the build was made with; every other file has none.
class TFileVer {
public:
    TFileVer() = default;
    explicit TFileVer(const QString& fileName) : fileName_(fileName) {}

    const QString& FileName() const { return fileName_; }
    // Storing a name drops what was loaded for the previous one.
    void SetFileName(const QString& fileName);

    // True when version information for the file is at hand (looked up on first use).
    bool LoadVersionInfo();
    // False when the file has no version information; otherwise v is the product version.
    bool GetFileVersion(TFileVersion& v);

    // The version the application was built as.
    static TFileVersion BuildVersion();

private:
    QString fileName_;
    std::optional<TFileVersion> versionInfo_;
};
