#pragma once
// The class library's string list: strings with an associated object each, optional
// sorting, name=value access, and a text form of lines ended by CR LF (CP932 in files).

#include "platform/Object.h"

#include <QString>
#include <QStringList>
#include <vector>

class TStream;

enum class TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList : public TObject {
public:
    TStringList() = default;
    TStringList(const TStringList& other);
    TStringList& operator=(const TStringList& other);
    explicit TStringList(const QStringList& items);

    int Count() const { return static_cast<int>(items_.size()); }
    // Raises EListError "List index out of bounds (%d)" outside 0..Count-1.
    const QString& Strings(int index) const;
    void SetStrings(int index, const QString& value);
    const QString& operator[](int index) const { return Strings(index); }
    TObject* Objects(int index) const;
    void SetObjects(int index, TObject* object);

    int Add(const QString& s);
    int AddObject(const QString& s, TObject* object);
    void AddStrings(const TStringList& other);
    void Insert(int index, const QString& s);
    void InsertObject(int index, const QString& s, TObject* object);
    void Delete(int index);
    void Clear();
    void Exchange(int a, int b);
    void Move(int from, int to);
    void Assign(const TStringList& other);

    int IndexOf(const QString& s) const;
    int IndexOfObject(const TObject* object) const;
    // Binary search of a sorted list; index is where s is or would be inserted.
    bool Find(const QString& s, int& index) const;
    void Sort();

    // name=value access; names compare without regard to case.
    int IndexOfName(const QString& name) const;
    QString Names(int index) const;
    QString ValueFromIndex(int index) const;
    QString Values(const QString& name) const;
    // An empty value removes the entry, as the class library does.
    void SetValue(const QString& name, const QString& value);

    // Lines ended by CR LF (the last one too); setting splits at CR LF, LF or CR.
    QString Text() const;
    void SetText(const QString& text);
    // Comma-separated, items with spaces, commas or quotes double-quoted.
    QString CommaText() const;
    void SetCommaText(const QString& text);

    QStringList ToQStringList() const;

    // The text form in CP932.
    void LoadFromStream(TStream& stream);
    void SaveToStream(TStream& stream) const;
    void LoadFromFile(const QString& fileName);
    void SaveToFile(const QString& fileName) const;

    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    TDuplicates Duplicates() const { return duplicates_; }
    void SetDuplicates(TDuplicates value) { duplicates_ = value; }
    bool CaseSensitive() const { return caseSensitive_; }
    void SetCaseSensitive(bool value);

    void BeginUpdate();
    void EndUpdate();
    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

private:
    struct Item {
        QString text;
        TObject* object = nullptr;
    };
    int Compare(const QString& a, const QString& b) const;
    void CheckIndex(int index) const;
    void Changing();
    void Changed();
    void InsertItem(int index, const QString& s, TObject* object);

    std::vector<Item> items_;
    bool sorted_ = false;
    bool caseSensitive_ = false;
    TDuplicates duplicates_ = TDuplicates::dupIgnore;
    int updateCount_ = 0;
};

using TStrings = TStringList;
