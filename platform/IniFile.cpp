#include "platform/IniFile.h"

#include "platform/Cp932.h"

#include <QFile>
#include <limits>

namespace {

QString FoldName(const QString& name) {
    return name.toCaseFolded();
}

const std::vector<IniFile::Entry>& NoEntries() {
    static const std::vector<IniFile::Entry> none;
    return none;
}

} // namespace

IniFile::IniFile(const QString& fileName) {
    fileName_ = fileName;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("開けません"));
    // Checked before reading so a huge file (or a device that never ends) is not read into memory.
    if (file.size() > MaxFileSize)
        Fail(QStringLiteral("大きすぎます"));
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize)
        Fail(QStringLiteral("大きすぎます"));
    LoadFromBytes(bytes, fileName);
}

void IniFile::Fail(const QString& reason) const {
    throw EIniFile(QStringLiteral("設定ファイル「%1」: %2").arg(fileName_, reason));
}

void IniFile::LoadFromBytes(const QByteArray& bytes, const QString& sourceName) {
    if (!sourceName.isEmpty())
        fileName_ = sourceName;
    sections_.clear();
    index_.clear();
    if (bytes.size() > MaxFileSize)
        Fail(QStringLiteral("大きすぎます"));
    // Decoded whole before splitting: the second byte of a CP932 character may be "[", "]" or "\".
    const QString text = Cp932::Decode(bytes);
    Section* current = nullptr; // null before the first section and inside a skipped duplicate
    int keys = 0;
    int lineNo = 0;
    qsizetype pos = 0;
    const qsizetype length = text.size();
    while (pos < length) {
        qsizetype end = pos;
        while (end < length && text[end] != u'\n' && text[end] != u'\r')
            ++end;
        ++lineNo;
        if (end - pos > MaxLineLength)
            Fail(QStringLiteral("%1 行目が長すぎます").arg(lineNo));
        const QString line = text.mid(pos, end - pos).trimmed();
        pos = end;
        if (pos < length && text[pos] == u'\r')
            ++pos;
        if (pos < length && text[pos] == u'\n')
            ++pos;

        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.lastIndexOf(u']');
            if (close < 0) {
                current = nullptr; // a broken header must not pour its keys into the section before
                continue;
            }
            const QString name = line.mid(1, close - 1).trimmed();
            const QString folded = FoldName(name);
            if (index_.contains(folded)) {
                current = nullptr;
                continue;
            }
            if (int(sections_.size()) >= MaxSections)
                Fail(QStringLiteral("セクションが多すぎます"));
            index_.insert(folded, int(sections_.size()));
            sections_.push_back(Section{name, {}, {}});
            current = &sections_.back();
            continue;
        }
        if (current == nullptr)
            continue;
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        const QString key = line.left(eq).trimmed();
        const QString folded = FoldName(key);
        if (key.isEmpty() || current->Index.contains(folded))
            continue;
        if (++keys > MaxKeys)
            Fail(QStringLiteral("項目が多すぎます"));
        current->Index.insert(folded, int(current->Entries.size()));
        current->Entries.push_back(Entry{key, line.mid(eq + 1).trimmed()});
    }
}

const IniFile::Section* IniFile::Find(const QString& section) const {
    const auto it = index_.constFind(FoldName(section));
    return it == index_.constEnd() ? nullptr : &sections_[size_t(*it)];
}

QStringList IniFile::SectionNames() const {
    QStringList names;
    names.reserve(qsizetype(sections_.size()));
    for (const Section& s : sections_)
        names.append(s.Name);
    return names;
}

bool IniFile::SectionExists(const QString& section) const {
    return Find(section) != nullptr;
}

const std::vector<IniFile::Entry>& IniFile::Entries(const QString& section) const {
    const Section* s = Find(section);
    return s == nullptr ? NoEntries() : s->Entries;
}

QStringList IniFile::KeyNames(const QString& section) const {
    QStringList names;
    for (const Entry& e : Entries(section))
        names.append(e.Key);
    return names;
}

bool IniFile::ValueExists(const QString& section, const QString& key) const {
    const Section* s = Find(section);
    return s != nullptr && s->Index.contains(FoldName(key));
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& defaultValue) const {
    const Section* s = Find(section);
    if (s == nullptr)
        return defaultValue;
    const auto it = s->Index.constFind(FoldName(key));
    return it == s->Index.constEnd() ? defaultValue : s->Entries[size_t(*it)].Value;
}

int IniFile::ReadInteger(const QString& section, const QString& key, int defaultValue) const {
    if (!ValueExists(section, key))
        return defaultValue;
    return StrToIntDef(ReadString(section, key), defaultValue);
}

bool IniFile::ParseInteger(const QString& text, int& value) {
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+')) {
        negative = t[i] == u'-';
        ++i;
    }
    int base = 10;
    if (i < t.size() && t[i] == u'$') {
        base = 16;
        ++i;
    } else if (i + 1 < t.size() && t[i] == u'0' && (t[i + 1] == u'x' || t[i + 1] == u'X')) {
        base = 16;
        i += 2;
    }
    if (i >= t.size())
        return false;
    // Accumulated as a magnitude in 64 bits and stopped long before it could wrap. Hex may spell the
    // whole 32-bit pattern, as the system's conversion allows ($FFFFFFFF is -1).
    const qint64 limit = base == 16 ? qint64(0xFFFFFFFF) : qint64(std::numeric_limits<int>::max()) + 1;
    qint64 magnitude = 0;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (base == 16 && c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else if (base == 16 && c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        if (digit < 0)
            return false;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return false;
    }
    if (magnitude > std::numeric_limits<int>::max()) {
        if (base == 16 && !negative) {
            value = int(uint32_t(magnitude));
            return true;
        }
        if (!(negative && magnitude == qint64(std::numeric_limits<int>::max()) + 1))
            return false;
    }
    value = int(negative ? -magnitude : magnitude);
    return true;
}

int IniFile::StrToIntDef(const QString& text, int defaultValue) {
    int v = 0;
    return ParseInteger(text, v) ? v : defaultValue;
}
