#pragma once
// Read-only ini-style files (the catalogues the system ships as data). The accepted form:
// - the bytes are code page 932; lines end with LF or CR LF (a lone CR ends a line too);
// - "[name]" starts a section (text up to the last "]", spaces around the name dropped);
// - "key=value" inside a section (split at the first "=", spaces around key and value dropped);
// - blank lines and lines starting with ";" are comments; any other line, and anything before the
//   first section, is skipped;
// - section and key names compare without regard to case; when a name appears twice the first wins
//   (a later section of the same name is skipped whole, as the Windows readers do).
// Files are read whole; the size, line length and counts are bounded so a hostile file cannot exhaust
// memory, and breaking a bound raises EIniFile naming the file.

#include "platform/Exception.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <vector>

QUORLANE_EXCEPTION(EIniFile, Exception)

class IniFile {
public:
    static constexpr qint64 MaxFileSize = 8 * 1024 * 1024;
    static constexpr qsizetype MaxLineLength = 32 * 1024;
    static constexpr int MaxSections = 10000;
    static constexpr int MaxKeys = 200000;

    struct Entry {
        QString Key;
        QString Value;
    };

    IniFile() = default;
    // Reads fileName; raises EIniFile when it cannot be read or breaks a bound.
    explicit IniFile(const QString& fileName);

    // Replaces the contents by those of the bytes; sourceName only names them in messages.
    void LoadFromBytes(const QByteArray& bytes, const QString& sourceName = {});

    const QString& FileName() const { return fileName_; }
    // Section names in file order, each as first written.
    QStringList SectionNames() const;
    bool SectionExists(const QString& section) const;
    // The section's entries in file order (empty for an unknown section).
    const std::vector<Entry>& Entries(const QString& section) const;
    // The section's key names in file order.
    QStringList KeyNames(const QString& section) const;
    bool ValueExists(const QString& section, const QString& key) const;
    QString ReadString(const QString& section, const QString& key, const QString& defaultValue = {}) const;
    // The value as an integer (StrToIntDef); defaultValue when missing or not a number.
    int ReadInteger(const QString& section, const QString& key, int defaultValue) const;

    // Text as a 32-bit integer the way the system's string conversion reads one: optional sign, decimal
    // digits or "$"/"0x" followed by hex digits, spaces around ignored; false when it is not one or
    // does not fit.
    static bool ParseInteger(const QString& text, int& value);
    // ParseInteger, or defaultValue.
    static int StrToIntDef(const QString& text, int defaultValue);

private:
    struct Section {
        QString Name;
        std::vector<Entry> Entries;
        QHash<QString, int> Index; // lower-cased key -> entry
    };
    const Section* Find(const QString& section) const;
    [[noreturn]] void Fail(const QString& reason) const;

    QString fileName_;
    std::vector<Section> sections_;
    QHash<QString, int> index_; // lower-cased name -> section
};
