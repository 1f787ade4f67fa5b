#include "platform/StringList.h"

#include "platform/Cp932.h"
#include "platform/Exception.h"
#include "platform/Stream.h"

#include <QSaveFile>
#include <algorithm>

TStringList::TStringList(const TStringList& other) : TObject(other) {
    Assign(other);
}

TStringList& TStringList::operator=(const TStringList& other) {
    if (this != &other)
        Assign(other);
    return *this;
}

TStringList::TStringList(const QStringList& items) {
    for (const QString& s : items)
        items_.push_back({s, nullptr});
}

void TStringList::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

void TStringList::Changing() {
    if (updateCount_ == 0 && OnChanging)
        OnChanging(this);
}

void TStringList::Changed() {
    if (updateCount_ == 0 && OnChange)
        OnChange(this);
}

int TStringList::Compare(const QString& a, const QString& b) const {
    return QString::compare(a, b, caseSensitive_ ? Qt::CaseSensitive : Qt::CaseInsensitive);
}

const QString& TStringList::Strings(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].text;
}

void TStringList::SetStrings(int index, const QString& value) {
    CheckIndex(index);
    if (sorted_)
        throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    Changing();
    items_[static_cast<size_t>(index)].text = value;
    Changed();
}

TObject* TStringList::Objects(int index) const {
    CheckIndex(index);
    return items_[static_cast<size_t>(index)].object;
}

void TStringList::SetObjects(int index, TObject* object) {
    CheckIndex(index);
    Changing();
    items_[static_cast<size_t>(index)].object = object;
    Changed();
}

int TStringList::Add(const QString& s) {
    return AddObject(s, nullptr);
}

int TStringList::AddObject(const QString& s, TObject* object) {
    int index = Count();
    if (sorted_) {
        if (Find(s, index)) {
            if (duplicates_ == TDuplicates::dupIgnore)
                return index;
            if (duplicates_ == TDuplicates::dupError)
                throw EListError(QStringLiteral("String list does not allow duplicates"));
        }
    }
    InsertItem(index, s, object);
    return index;
}

void TStringList::AddStrings(const TStringList& other) {
    BeginUpdate();
    for (const Item& item : other.items_)
        AddObject(item.text, item.object);
    EndUpdate();
}

void TStringList::Insert(int index, const QString& s) {
    InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int index, const QString& s, TObject* object) {
    if (sorted_)
        throw EListError(QStringLiteral("Operation not allowed on sorted list"));
    if (index < 0 || index > Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    InsertItem(index, s, object);
}

void TStringList::InsertItem(int index, const QString& s, TObject* object) {
    Changing();
    items_.insert(items_.begin() + index, Item{s, object});
    Changed();
}

void TStringList::Delete(int index) {
    CheckIndex(index);
    Changing();
    items_.erase(items_.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (items_.empty())
        return;
    Changing();
    items_.clear();
    Changed();
}

void TStringList::Exchange(int a, int b) {
    CheckIndex(a);
    CheckIndex(b);
    Changing();
    std::swap(items_[static_cast<size_t>(a)], items_[static_cast<size_t>(b)]);
    Changed();
}

void TStringList::Move(int from, int to) {
    if (from == to)
        return;
    CheckIndex(from);
    CheckIndex(to);
    Changing();
    Item item = items_[static_cast<size_t>(from)];
    items_.erase(items_.begin() + from);
    items_.insert(items_.begin() + to, item);
    Changed();
}

void TStringList::Assign(const TStringList& other) {
    if (this == &other)
        return;
    Changing();
    items_ = other.items_;
    if (sorted_)
        std::stable_sort(items_.begin(), items_.end(),
                         [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
    Changed();
}

int TStringList::IndexOf(const QString& s) const {
    if (sorted_) {
        int index = 0;
        return Find(s, index) ? index : -1;
    }
    for (int i = 0; i < Count(); ++i)
        if (Compare(items_[static_cast<size_t>(i)].text, s) == 0)
            return i;
    return -1;
}

int TStringList::IndexOfObject(const TObject* object) const {
    for (int i = 0; i < Count(); ++i)
        if (items_[static_cast<size_t>(i)].object == object)
            return i;
    return -1;
}

bool TStringList::Find(const QString& s, int& index) const {
    int lo = 0;
    int hi = Count() - 1;
    bool found = false;
    while (lo <= hi) {
        const int mid = lo + (hi - lo) / 2;
        const int c = Compare(items_[static_cast<size_t>(mid)].text, s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0) {
                found = true;
                if (duplicates_ != TDuplicates::dupAccept)
                    lo = mid;
            }
        }
    }
    index = lo;
    return found;
}

void TStringList::Sort() {
    Changing();
    std::stable_sort(items_.begin(), items_.end(),
                     [this](const Item& a, const Item& b) { return Compare(a.text, b.text) < 0; });
    Changed();
}

void TStringList::SetSorted(bool value) {
    if (value == sorted_)
        return;
    if (value)
        Sort();
    sorted_ = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (value == caseSensitive_)
        return;
    caseSensitive_ = value;
    if (sorted_)
        Sort();
}

int TStringList::IndexOfName(const QString& name) const {
    for (int i = 0; i < Count(); ++i) {
        const QString& s = items_[static_cast<size_t>(i)].text;
        const qsizetype eq = s.indexOf(QLatin1Char('='));
        if (eq >= 0 && QString::compare(s.left(eq), name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

QString TStringList::Names(int index) const {
    const QString& s = Strings(index);
    const qsizetype eq = s.indexOf(QLatin1Char('='));
    return eq >= 0 ? s.left(eq) : QString();
}

QString TStringList::ValueFromIndex(int index) const {
    const QString& s = Strings(index);
    const qsizetype eq = s.indexOf(QLatin1Char('='));
    return eq >= 0 ? s.mid(eq + 1) : QString();
}

QString TStringList::Values(const QString& name) const {
    const int i = IndexOfName(name);
    return i >= 0 ? ValueFromIndex(i) : QString();
}

void TStringList::SetValue(const QString& name, const QString& value) {
    const int i = IndexOfName(name);
    if (value.isEmpty()) {
        if (i >= 0)
            Delete(i);
        return;
    }
    const QString line = name + QLatin1Char('=') + value;
    if (i >= 0) {
        if (sorted_) {
            Delete(i);
            Add(line);
        } else {
            SetStrings(i, line);
        }
    } else {
        Add(line);
    }
}

QString TStringList::Text() const {
    QString out;
    for (const Item& item : items_) {
        out += item.text;
        out += QLatin1String("\r\n");
    }
    return out;
}

void TStringList::SetText(const QString& text) {
    BeginUpdate();
    Clear();
    qsizetype start = 0;
    const qsizetype n = text.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            Add(text.mid(start, i - start));
            if (c == QLatin1Char('\r') && i + 1 < n && text[i + 1] == QLatin1Char('\n'))
                ++i;
            start = i + 1;
        }
        ++i;
    }
    if (start < n)
        Add(text.mid(start));
    EndUpdate();
}

QString TStringList::CommaText() const {
    QStringList parts;
    for (const Item& item : items_) {
        const QString& s = item.text;
        bool quote = s.isEmpty();
        for (QChar c : s)
            if (c.unicode() <= ' ' || c == QLatin1Char(',') || c == QLatin1Char('"')) {
                quote = true;
                break;
            }
        if (quote) {
            QString q = s;
            q.replace(QLatin1String("\""), QLatin1String("\"\""));
            parts << QLatin1Char('"') + q + QLatin1Char('"');
        } else {
            parts << s;
        }
    }
    return parts.join(QLatin1Char(','));
}

void TStringList::SetCommaText(const QString& text) {
    BeginUpdate();
    Clear();
    const qsizetype n = text.size();
    qsizetype i = 0;
    auto skipBlanks = [&] {
        while (i < n && text[i].unicode() <= ' ')
            ++i;
    };
    skipBlanks();
    while (i < n) {
        QString item;
        if (text[i] == QLatin1Char('"')) {
            ++i;
            while (i < n) {
                if (text[i] == QLatin1Char('"')) {
                    if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                        item += QLatin1Char('"');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += text[i++];
            }
        } else {
            while (i < n && text[i].unicode() > ' ' && text[i] != QLatin1Char(','))
                item += text[i++];
        }
        Add(item);
        skipBlanks();
        if (i < n && text[i] == QLatin1Char(',')) {
            ++i;
            skipBlanks();
            if (i >= n)
                Add(QString());
        }
    }
    EndUpdate();
}

QStringList TStringList::ToQStringList() const {
    QStringList out;
    out.reserve(Count());
    for (const Item& item : items_)
        out << item.text;
    return out;
}

void TStringList::LoadFromStream(TStream& stream) {
    const int64_t left = stream.Remaining();
    SetText(Cp932::Decode(stream.ReadBytes(left)));
}

void TStringList::SaveToStream(TStream& stream) const {
    stream.WriteBytes(Cp932::Encode(Text()));
}

void TStringList::LoadFromFile(const QString& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

void TStringList::SaveToFile(const QString& fileName) const {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw EFCreateError(
            QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, file.errorString()));
    const QByteArray bytes = Cp932::Encode(Text());
    if (file.write(bytes) != bytes.size() || !file.commit())
        throw EWriteError(QStringLiteral("Stream write error"));
}

void TStringList::BeginUpdate() {
    if (updateCount_ == 0)
        Changing();
    ++updateCount_;
}

void TStringList::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0)
        Changed();
}
