#pragma once
// The reader of the class library's binary component stream. Stored pages, papers and
// paper updates arrive from outside, so the reader trusts nothing: every length is checked
// against the bytes that are there, nesting is limited, list and collection sizes are
// bounded, only registered non-abstract classes are created, and any damage ends in an
// EReadError (or EClassNotFound) that says what was wrong, with nothing leaked.

#include "platform/Component.h"
#include "platform/Filer.h"
#include "platform/Stream.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class TStringList;

// The bytes of one binary property, as its reader is handed them. They are read once, so a reader
// that takes a block running to their end (a stored picture's file) takes it without a copy: a
// page of photos is not held twice while it is read.
class TBinaryPropertyStream : public TMemoryStream {
public:
    explicit TBinaryPropertyStream(QByteArray bytes);
    // The bytes from the position to the end; the stream is empty afterwards.
    QByteArray TakeRest();
};

class TReader : public TFiler {
public:
    // How deep components, lists and collections may nest.
    static constexpr int kMaxDepth = 64;
    // The most items of one collection, values of one list, and components of one tree, so
    // that a damaged count cannot make the reader allocate without end.
    static constexpr int kMaxItems = 100000;
    static constexpr int kMaxListValues = 1000000;
    static constexpr int kMaxComponents = 10000;

    explicit TReader(TStream& stream);
    ~TReader() override;

    // Signature, then the tree. With root nullptr a component of the stored class is made
    // (the caller owns it); otherwise the stored class name is skipped and root is filled.
    // Children are owned by the root. Loaded runs on every read component at the end.
    TComponent* ReadRootComponent(TComponent* root);
    // The class a stored component ("TPF0", prefix, class name) at the stream's position names;
    // the position is kept.
    QString PeekClassName();
    // Reads past one stored component ("TPF0", prefix, class, name, properties, children) without
    // creating it, nested no deeper than kMaxDepth.
    void SkipComponent();
    void ReadSignature();
    // Properties of instance up to the end of its list.
    void ReadProperties(TPersistent* instance);
    void ReadProperty(TPersistent* instance);
    void ReadCollection(TCollection* collection);

    void DefineProperty(const QString& name, const TReaderProc& readProc, const TWriterProc& writeProc,
                        bool hasData) override;
    void DefineBinaryProperty(const QString& name, const TStreamProc& readProc, const TStreamProc& writeProc,
                              bool hasData) override;

    // Values; each raises EReadError naming the expected kind when another tag is there.
    TValueType ReadValue();
    TValueType NextValue();
    bool EndOfList() { return NextValue() == TValueType::vaNull; }
    void ReadListBegin();
    void ReadListEnd();
    // Int8, Int16 or Int32.
    int32_t ReadInteger();
    // Any integer tag.
    int64_t ReadInt64();
    bool ReadBoolean();
    // String, LString, WString or UTF8String.
    QString ReadString();
    // Ident, or the names of False, True, nil and Null.
    QString ReadIdent();
    // Any float or integer tag.
    double ReadFloat();
    float ReadSingle();
    // A float value rounded to what a property of that type keeps.
    double ReadFloatAs(TFloatType type);
    double ReadDouble();
    // Any float or integer tag, exactly in ten-thousandths (rounded to nearest from a float form);
    // EReadError for a value the type cannot hold.
    TCurrency ReadCurrency();
    double ReadDate();
    // A short string (length byte and bytes).
    QString ReadStr();
    void Read(void* buffer, int64_t count);
    // Skips one value of any kind.
    void SkipValue();

    TComponent* Root() const { return root_; }
    TComponent* Owner() const { return owner_; }
    // The dotted name of the property being read, for messages.
    const QString& PropertyPath() const { return propPath_; }

    [[noreturn]] void Error(const QString& message) const;

private:
    struct Fixup;
    TComponent* ReadComponent(TComponent* parent);
    void ReadPrefix();
    // Prefix, class, name, properties and children of one component, skipped.
    void SkipComponentBody();
    void ReadPropValue(TPersistent* instance, const TPropInfo& prop);
    void ReadStringsData(TStringList* list);
    int64_t ReadLength();
    const TMetaClass& FindComponentClass(const QString& name) const;
    void CheckCount(int64_t& counter, int64_t limit, const char* what);
    void Enter();
    void Leave() { --depth_; }
    void ResolveFixups();
    // A component named from the root: "Owner" for the root itself, "Name" or "Name.Sub".
    TComponent* FindReference(const QString& name) const;
    [[noreturn]] void PropValueError() const;

    TComponent* root_ = nullptr;
    TComponent* owner_ = nullptr;
    // The component whose properties are being read, for references stored in them.
    TComponent* currentComponent_ = nullptr;
    // Components this read created, freed again when the read fails.
    std::vector<TComponent*>* created_ = nullptr;
    std::vector<TComponent*> loaded_;
    std::vector<Fixup> fixups_;
    QString propName_;
    QString propPath_;
    bool propHandled_ = false;
    int depth_ = 0;
    int collectionDepth_ = 0;
    int64_t components_ = 0;
};

// Reads "TPF0" and the tree at the stream's position into a new component of the stored
// class (no owner).
std::unique_ptr<TComponent> ReadComponent(TStream& stream);
// Reads into an existing instance; the stored class name is not checked.
void ReadComponent(TStream& stream, TComponent& instance);
// A new component that must be of class T (or a descendant); EReadError otherwise.
template <class T>
std::unique_ptr<T> ReadComponentAs(TStream& stream);

// One top-level property of a stored component as PeekComponent finds it. Views point into the
// peeked bytes.
struct TPeekedProperty {
    // As stored (a property path may hold dots).
    QByteArrayView Name;
    TValueType Type = TValueType::vaNull;
    // Integer tags: the value.
    int64_t Integer = 0;
    // Strings and identifiers: the stored bytes (UTF-16LE for a wide string), not yet decoded.
    QByteArrayView Bytes;
};

// Walks a stored component ("TPF0", prefix, class, name, properties, children) without creating
// anything, for readers that index many stored components by a few of their values: the class
// name and each top-level property; the values of lists, sets, collections and child components
// are only checked to be whole (nesting, every length within the bytes). False when the bytes are
// not one whole component. A component that peeks whole may still fail to read (an unknown class,
// a value of the wrong kind for its property). When false, properties holds the top-level ones walked
// whole before the fault (what can still be told of a damaged component).
bool PeekComponent(QByteArrayView data, QByteArrayView& className, std::vector<TPeekedProperty>& properties);
// A peeked string value as the reader decodes it; false when it is no string.
bool PeekedText(const TPeekedProperty& property, QString& text);
// A peeked boolean as the reader takes it (True/False, as tags or identifiers in any case).
bool PeekedBoolean(const TPeekedProperty& property, bool& value);
// A peeked integer that fits 32 bits.
bool PeekedInteger(const TPeekedProperty& property, int32_t& value);
// True when a peeked name is that ASCII name, compared without regard to case.
bool PeekedNameIs(QByteArrayView name, QLatin1StringView wanted);

// ---- implementation of the template

void ThrowWrongRootClass(const QString& found, const QString& expected);

template <class T>
std::unique_ptr<T> ReadComponentAs(TStream& stream) {
    std::unique_ptr<TComponent> c = ReadComponent(stream);
    T* typed = dynamic_cast<T*>(c.get());
    if (typed == nullptr)
        ThrowWrongRootClass(c->ClassName(), T::StaticClass().Name());
    c.release();
    return std::unique_ptr<T>(typed);
}
